// PropertySheet: the tabs, the active page and the messages that announce page changes.
#include "kgui_controls/PropertySheet.h"

#include <algorithm>

#include "DefaultTheme.h"
#include "kgui_controls/Button.h"
#include "kgui_controls/controls.h"
#include "tier1/KeyValues.h"

namespace kgui {

BEGIN_MESSAGE_MAP(PropertySheet, EditablePanel)
MESSAGE_ENTRY("TabPressed", OnTabPressed, "panel")
END_MESSAGE_MAP()

namespace {

constexpr int kTabGap = 2;
constexpr int kTabPadding = 14;

// One tab: the active one joins the page below it.
class PageTab : public Button {
  DECLARE_CLASS_SIMPLE(PageTab, Button);

 public:
  PageTab(PropertySheet *sheet, const char *panelName, const char *title) : Button(sheet, panelName, title) {
    SetCommand(new KeyValues("TabPressed"));
    AddActionSignalTarget(sheet);
    SetButtonActivationType(ACTIVATE_ONPRESSED);
  }
  void SetActive(bool state) {
    m_bActive = state;
    Repaint();
  }

 protected:
  void ApplySchemeSettings(IScheme *schemeInterface) override {
    BaseClass::ApplySchemeSettings(schemeInterface);
    m_ActiveBg = GetSchemeColor("PropertySheet.SelectedBgColor", theme::kPageBg, schemeInterface);
    m_Bg = GetSchemeColor("PropertySheet.BgColor", theme::kTabBg, schemeInterface);
    m_HoverBg = GetSchemeColor("PropertySheet.ArmedBgColor", theme::kTabHoverBg, schemeInterface);
    m_Border = GetSchemeColor("PropertySheet.BorderColor", theme::kTabBorder, schemeInterface);
    m_ActiveText = GetSchemeColor("PropertySheet.SelectedTextColor", theme::kTextBright, schemeInterface);
    SetFgColor(GetSchemeColor("PropertySheet.TextColor", theme::kTextDull, schemeInterface));
  }
  Color GetTextColorNow() override {
    if (!IsEnabled()) return Label::GetTextColorNow();
    return m_bActive || IsArmed() ? m_ActiveText : GetFgColor();
  }
  void PaintBackground() override {
    surface()->DrawSetColor(Faded(m_bActive ? m_ActiveBg : IsArmed() ? m_HoverBg : m_Bg));
    surface()->DrawFilledRect(0, 0, GetWide(), GetTall());
  }
  void PaintBorder() override {
    surface()->DrawSetColor(Faded(m_Border));
    const int wide = GetWide(), tall = GetTall();
    surface()->DrawFilledRect(0, 0, wide, 1);
    surface()->DrawFilledRect(0, 0, 1, tall);
    surface()->DrawFilledRect(wide - 1, 0, wide, tall);
    if (!m_bActive) surface()->DrawFilledRect(0, tall - 1, wide, tall);
    if (m_bActive) {
      // A strip of the accent marks the open page.
      surface()->DrawSetColor(Faded(theme::kAccent));
      surface()->DrawFilledRect(1, 1, wide - 1, 3);
    }
    if (HasFocus()) DrawFocusRect(4);
  }

 private:
  bool m_bActive = false;
  Color m_ActiveBg, m_Bg, m_HoverBg, m_Border, m_ActiveText;
};

DEFINE_EMPTY_MESSAGE_MAP(PageTab, Button)

}  // namespace

PropertySheet::PropertySheet(Panel *parent, const char *panelName) : EditablePanel(parent, panelName) {}

// ---- pages

void PropertySheet::AddPage(Panel *page, const char *title) {
  if (!page || IndexOf(page) >= 0) return;
  std::string tabName = std::string("tab_") + page->GetName();
  auto *tab = new PageTab(this, tabName.c_str(), title);
  page->SetParent(this);
  page->SetVisible(false);
  m_Pages.push_back({PHandle(page), tab});
  if (!m_hActivePage.Get()) SetActivePage(page);
  InvalidateLayout();
}

void PropertySheet::RemovePage(Panel *page) {
  const int index = IndexOf(page);
  if (index < 0) return;
  delete m_Pages[index].tab;
  m_Pages.erase(m_Pages.begin() + index);
  page->SetVisible(false);
  page->SetParent(static_cast<Panel *>(nullptr));
  if (m_hActivePage.Get() == page) {
    m_hActivePage = nullptr;
    if (!m_Pages.empty()) SetActivePage(GetPage(std::min(index, GetNumPages() - 1)));
  }
  InvalidateLayout();
}

void PropertySheet::DeleteAllPages() {
  for (PageEntry &entry : m_Pages) {
    delete entry.page.Get();
    delete entry.tab;
  }
  m_Pages.clear();
  m_hActivePage = nullptr;
  InvalidateLayout();
}

Panel *PropertySheet::GetPage(int index) {
  return (index >= 0 && index < GetNumPages()) ? m_Pages[index].page.Get() : nullptr;
}

Button *PropertySheet::GetTab(Panel *page) {
  const int index = IndexOf(page);
  return index >= 0 ? m_Pages[index].tab : nullptr;
}

int PropertySheet::IndexOf(Panel *page) {
  // Pages deleted by others drop out of the sheet.
  for (size_t i = 0; i < m_Pages.size();) {
    if (!m_Pages[i].page.Get()) {
      delete m_Pages[i].tab;
      m_Pages.erase(m_Pages.begin() + static_cast<long>(i));
      continue;
    }
    if (m_Pages[i].page.Get() == page) return static_cast<int>(i);
    ++i;
  }
  return -1;
}

int PropertySheet::GetActivePageNum() {
  return IndexOf(m_hActivePage.Get());
}

void PropertySheet::SetTabWidth(int minimumWide) {
  m_nMinimumTabWide = std::max(0, minimumWide);
  InvalidateLayout();
}

void PropertySheet::SetTabTitle(Panel *page, const char *title) {
  if (Button *tab = GetTab(page)) tab->SetText(title);
  InvalidateLayout();
}

void PropertySheet::SetActivePage(Panel *page) {
  const int index = IndexOf(page);
  Panel *previous = m_hActivePage.Get();
  if (index < 0 || page == previous) return;
  if (previous) {
    previous->SetVisible(false);
    PostMessage(previous, new KeyValues("PageHide"));
  }
  m_hActivePage = page;
  page->SetVisible(true);
  for (PageEntry &entry : m_Pages) static_cast<PageTab *>(entry.tab)->SetActive(entry.page.Get() == page);
  PostMessage(page, new KeyValues("PageShow"));
  PostActionSignal(new KeyValues("PageChanged"));
  InvalidateLayout();
  Repaint();
}

void PropertySheet::ChangeActivePage(int step) {
  const int count = GetNumPages();
  if (count < 2) return;
  const int index = (std::max(0, GetActivePageNum()) + step + count) % count;
  SetActivePage(GetPage(index));
  if (Button *tab = m_Pages[index].tab;
      tab->HasFocus() || ipanel()->HasParent(input()->GetFocus(), GetVPanel()))
    tab->RequestFocus();
}

void PropertySheet::OnTabPressed(Panel *tab) {
  for (PageEntry &entry : m_Pages) {
    if (entry.tab == tab) {
      SetActivePage(entry.page.Get());
      return;
    }
  }
}

void PropertySheet::RequestFocus(int direction) {
  if (Panel *page = m_hActivePage.Get())
    page->RequestFocus(direction);
  else
    BaseClass::RequestFocus(direction);
}

void PropertySheet::OnKeyCodeTyped(KeyCode code) {
  const bool onTab =
      std::any_of(m_Pages.begin(), m_Pages.end(), [](PageEntry &e) { return e.tab->HasFocus(); });
  if (code == KEY_TAB && IsControlDown()) {
    ChangeActivePage(IsShiftDown() ? -1 : 1);
  } else if (onTab && (code == KEY_LEFT || code == KEY_RIGHT)) {
    ChangeActivePage(code == KEY_LEFT ? -1 : 1);
  } else {
    BaseClass::OnKeyCodeTyped(code);
  }
}

// ---- layout and drawing

void PropertySheet::ApplySchemeSettings(IScheme *schemeInterface) {
  BaseClass::ApplySchemeSettings(schemeInterface);
  m_PageBgColor = GetSchemeColor("PropertySheet.SelectedBgColor", theme::kPageBg, schemeInterface);
  m_BorderColor = GetSchemeColor("PropertySheet.BorderColor", theme::kTabBorder, schemeInterface);
}

void PropertySheet::PerformLayout() {
  IndexOf(nullptr);  // drops pages that are gone
  int x = 0;
  const int tabTall = theme::kTabHeight;
  for (PageEntry &entry : m_Pages) {
    int contentWide = 0, contentTall = 0;
    entry.tab->GetContentSize(contentWide, contentTall);
    const int wide = std::max(m_nMinimumTabWide, contentWide + 2 * kTabPadding);
    const bool active = entry.page.Get() == m_hActivePage.Get();
    // The active tab stands a little taller and overlaps the page's top edge.
    entry.tab->SetBounds(x, active ? 0 : 3, wide, active ? tabTall + 1 : tabTall - 3);
    entry.tab->MoveToFront();
    x += wide + kTabGap;
  }
  for (PageEntry &entry : m_Pages) {
    if (Panel *page = entry.page.Get())
      page->SetBounds(1, tabTall + 1, GetWide() - 2, GetTall() - tabTall - 2);
  }
}

void PropertySheet::PaintBackground() {
  const int tabTall = theme::kTabHeight;
  surface()->DrawSetColor(Faded(m_PageBgColor));
  surface()->DrawFilledRect(0, tabTall, GetWide(), GetTall());
  surface()->DrawSetColor(Faded(m_BorderColor));
  surface()->DrawOutlinedRect(0, tabTall, GetWide(), GetTall());
}

}  // namespace kgui
