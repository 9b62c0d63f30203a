// Menu: items, highlighting, choosing, opening and closing.
#include "kgui_controls/Menu.h"

#include <algorithm>

#include "DefaultTheme.h"
#include "kgui_controls/MenuItem.h"
#include "kgui_controls/ScrollBar.h"
#include "kgui_controls/controls.h"
#include "tier1/KeyValues.h"

namespace kgui {

BEGIN_MESSAGE_MAP(Menu, Panel)
MESSAGE_ENTRY("ScrollBarSliderMoved", OnSliderMoved)
END_MESSAGE_MAP()

namespace {
constexpr int kMenuInset = 2;
}

Menu::Menu(Panel *parent, const char *panelName) : Panel(parent, panelName) {
  MakePopup(false);
  ipanel()->SetTopmostPopup(GetVPanel(), true);
  Panel::SetVisible(false);
  m_pScrollBar = new ScrollBar(this, "MenuScrollBar", true);
  m_pScrollBar->SetVisible(false);
  m_pScrollBar->AddActionSignalTarget(this);
  m_pScrollBar->SetButtonPressedScrollValue(1);
}

// ---- items

int Menu::AddItem(MenuItem *item, KeyValues *message, Panel *target, const KeyValues *userData) {
  if (message) item->SetMessage(message, target);
  item->SetUserData(userData);
  m_Items.push_back(item);
  // An owner may add its own items once the menu is open (after the handler that opened it).
  if (IsVisible() && m_bOpenedAtPoint)
    PlaceAtOpeningPoint();
  else
    InvalidateLayout();
  return static_cast<int>(m_Items.size()) - 1;
}

int Menu::AddMenuItem(const char *itemName, const char *itemText, const char *command, Panel *target,
                      const KeyValues *userData) {
  return AddMenuItem(itemName, itemText, new KeyValues("Command", "command", command ? command : ""), target,
                     userData);
}

int Menu::AddMenuItem(const char *itemName, const char *itemText, KeyValues *message, Panel *target,
                      const KeyValues *userData) {
  return AddItem(new MenuItem(this, itemName, itemText), message, target, userData);
}

int Menu::AddCheckableMenuItem(const char *itemName, const char *itemText, KeyValues *message, Panel *target,
                               const KeyValues *userData) {
  return AddItem(new MenuItem(this, itemName, itemText, true), message, target, userData);
}

void Menu::AddSeparator() {
  auto *item = new MenuItem(this, "Separator", "");
  item->SetSeparator(true);
  item->SetEnabled(false);
  AddItem(item, nullptr, nullptr, nullptr);
}

void Menu::DeleteAllItems() {
  for (MenuItem *item : m_Items) delete item;
  m_Items.clear();
  m_nHighlightedItem = -1;
  m_nFirstShown = 0;
  InvalidateLayout();
}

MenuItem *Menu::GetMenuItem(int itemID) {
  return (itemID >= 0 && itemID < GetItemCount()) ? m_Items[itemID] : nullptr;
}

int Menu::GetMenuID(int index) const {
  return (index >= 0 && index < GetItemCount()) ? index : -1;
}

void Menu::SetItemEnabled(int itemID, bool state) {
  if (MenuItem *item = GetMenuItem(itemID)) item->SetEnabled(state);
}

void Menu::SetItemVisible(int itemID, bool state) {
  if (MenuItem *item = GetMenuItem(itemID)) item->SetVisible(state);
  InvalidateLayout();
}

bool Menu::IsChooseable(MenuItem *item) {
  return item && item->IsVisible() && item->IsEnabled() && !item->IsSeparator();
}

std::vector<MenuItem *> Menu::ShownItems() {
  std::vector<MenuItem *> shown;
  for (MenuItem *item : m_Items) {
    if (item->IsVisible()) shown.push_back(item);
  }
  return shown;
}

// ---- choosing

void Menu::ActivateItem(int itemID) {
  MenuItem *item = GetMenuItem(itemID);
  if (!IsChooseable(item)) return;
  if (item->IsCheckable()) item->SetChecked(!item->IsChecked());
  item->FireActionSignal();
  PostActionSignal(new KeyValues("MenuItemSelected", "itemID", itemID));
  SetVisible(false);
}

void Menu::SetCurrentlyHighlightedItem(int itemID) {
  if (itemID == m_nHighlightedItem) return;
  if (MenuItem *old = GetMenuItem(m_nHighlightedItem)) old->SetHighlighted(false);
  m_nHighlightedItem = IsChooseable(GetMenuItem(itemID)) ? itemID : -1;
  if (MenuItem *item = GetMenuItem(m_nHighlightedItem)) item->SetHighlighted(true);
  ScrollToHighlighted();
}

void Menu::MoveHighlight(int step) {
  const int count = GetItemCount();
  if (count == 0) return;
  int id = m_nHighlightedItem;
  for (int tries = 0; tries < count; ++tries) {
    id = id < 0 ? (step > 0 ? 0 : count - 1) : (id + step + count) % count;
    if (IsChooseable(GetMenuItem(id))) {
      SetCurrentlyHighlightedItem(id);
      return;
    }
  }
}

int Menu::ItemAt(int x, int y) {
  if (x < 0 || y < 0 || x >= GetWide() || y >= GetTall()) return -1;
  for (int id = 0; id < GetItemCount(); ++id) {
    MenuItem *item = m_Items[id];
    if (!item->IsVisible()) continue;
    int itemX = 0, itemY = 0, wide = 0, tall = 0;
    item->GetBounds(itemX, itemY, wide, tall);
    if (x >= itemX && x < itemX + wide && y >= itemY && y < itemY + tall) return IsChooseable(item) ? id : -1;
  }
  return -1;
}

// ---- opening and closing

void Menu::OpenAt(int screenX, int screenY) {
  m_nFitLimit = 0;
  m_nOpenedAtX = screenX;
  m_nOpenedAtY = screenY;
  m_bOpenedAtPoint = true;
  PlaceAtOpeningPoint();
  SetVisible(true);
}

void Menu::PlaceAtOpeningPoint() {
  SizeToItems();
  int screenWide = 0, screenTall = 0;
  surface()->GetScreenSize(screenWide, screenTall);
  // Flip to the other side of the point rather than leave the screen.
  int x = m_nOpenedAtX, y = m_nOpenedAtY;
  if (x + GetWide() > screenWide) x = std::max(0, x - GetWide());
  if (y + GetTall() > screenTall) y = std::max(0, y - GetTall());
  SetPos(x, y);
}

void Menu::OpenBelowOrAbove(int screenX, int top, int bottom) {
  m_nFitLimit = 0;
  m_bOpenedAtPoint = false;
  SizeToItems();
  int areaX = 0, areaY = 0, areaWide = 0, areaTall = 0;
  surface()->GetWorkspaceBounds(areaX, areaY, areaWide, areaTall);
  const int below = areaY + areaTall - bottom;
  const int above = top - areaY;
  const bool down = GetTall() <= below || (GetTall() > above && below >= above);
  const int room = down ? below : above;
  if (GetTall() > room) {
    // Too long for either side: fewer items at once, and the menu scrolls.
    m_nFitLimit = ItemsFitting(room);
    SizeToItems();
  }
  SetPos(std::clamp(screenX, areaX, std::max(areaX, areaX + areaWide - GetWide())),
         down ? bottom : top - GetTall());
  SetVisible(true);
}

int Menu::ItemsFitting(int tall) {
  int used = 2 * kMenuInset, count = 0;
  for (MenuItem *item : ShownItems()) {
    int itemWide = 0, itemTall = 0;
    item->GetContentSize(itemWide, itemTall);
    if (used + itemTall > tall) break;
    used += itemTall;
    ++count;
  }
  return std::max(1, count);
}

int Menu::VisibleLimit() const {
  if (m_nFitLimit > 0 && (m_nMaxVisibleItems == 0 || m_nFitLimit < m_nMaxVisibleItems)) return m_nFitLimit;
  return m_nMaxVisibleItems;
}

void Menu::PlaceContextMenu(Panel *parent, Menu *menu) {
  if (!menu) return;
  if (parent && menu->GetParent() != parent) menu->SetParent(parent);
  int x = 0, y = 0;
  input()->GetCursorPos(x, y);
  menu->OpenAt(x, y);
}

void Menu::SetVisible(bool state) {
  const bool wasVisible = IsVisible();
  if (state) {
    SizeToItems();
    Panel::SetVisible(true);
    MoveToFront();
    SetCurrentlyHighlightedItem(-1);
    m_bPressedInside = false;
    if (!wasVisible) m_hPreviousFocus.Set(input()->GetFocus());
    input()->SetMouseCapture(GetVPanel());
    RequestFocus();
    return;
  }
  Panel::SetVisible(false);
  m_nFitLimit = 0;
  if (!input()) return;
  if (input()->GetMouseCapture() == GetVPanel()) input()->SetMouseCapture(NULL_PANEL);
  // The keys go back where they went before the menu opened.
  if (wasVisible && input()->GetFocus() == GetVPanel()) input()->SetFocus(m_hPreviousFocus.Get());
  if (wasVisible) PostActionSignal(new KeyValues("MenuClose"));
}

void Menu::SizeToItems() {
  const int limit = VisibleLimit();
  int wide = m_nMinimumWidth;
  int tall = 0;
  int shownCount = 0;
  for (MenuItem *item : ShownItems()) {
    int itemWide = 0, itemTall = 0;
    item->InvalidateLayout(true, false);
    item->GetContentSize(itemWide, itemTall);
    wide = std::max(wide, itemWide + 2 * kMenuInset);
    if (limit == 0 || shownCount < limit) tall += itemTall;
    ++shownCount;
  }
  const bool scrolls = limit > 0 && shownCount > limit;
  if (scrolls) wide += theme::kScrollBarWidth;
  SetSize(wide, tall + 2 * kMenuInset);
  // Items are placed at once: a click may come before the next layout step.
  InvalidateLayout(true);
}

// ---- layout and drawing

void Menu::PerformLayout() {
  std::vector<MenuItem *> shown = ShownItems();
  const int count = static_cast<int>(shown.size());
  const int limit = VisibleLimit();
  const bool scrolls = limit > 0 && count > limit;
  const int itemWide = GetWide() - 2 * kMenuInset - (scrolls ? theme::kScrollBarWidth : 0);
  m_nFirstShown = scrolls ? std::clamp(m_nFirstShown, 0, count - limit) : 0;
  int y = kMenuInset;
  for (int i = 0; i < count; ++i) {
    MenuItem *item = shown[i];
    int contentWide = 0, tall = 0;
    item->GetContentSize(contentWide, tall);
    const bool inView = i >= m_nFirstShown && (!scrolls || i < m_nFirstShown + limit);
    item->SetBounds(kMenuInset, inView ? y : -1000, itemWide, tall);
    if (inView) y += tall;
  }
  m_pScrollBar->SetVisible(scrolls);
  if (scrolls) {
    m_pScrollBar->SetBounds(GetWide() - kMenuInset - theme::kScrollBarWidth, kMenuInset,
                            theme::kScrollBarWidth, GetTall() - 2 * kMenuInset);
    m_pScrollBar->SetRange(0, count);
    m_pScrollBar->SetRangeWindow(limit);
    m_pScrollBar->SetValue(m_nFirstShown);
  }
}

void Menu::ScrollToHighlighted() {
  const int limit = VisibleLimit();
  if (limit == 0 || m_nHighlightedItem < 0) return;
  std::vector<MenuItem *> shown = ShownItems();
  auto it = std::find(shown.begin(), shown.end(), m_Items[m_nHighlightedItem]);
  if (it == shown.end()) return;
  const int index = static_cast<int>(it - shown.begin());
  if (index < m_nFirstShown) m_nFirstShown = index;
  if (index >= m_nFirstShown + limit) m_nFirstShown = index - limit + 1;
  InvalidateLayout();
}

void Menu::OnSliderMoved() {
  m_nFirstShown = m_pScrollBar->GetValue();
  InvalidateLayout();
}

void Menu::ApplySchemeSettings(IScheme *schemeInterface) {
  BaseClass::ApplySchemeSettings(schemeInterface);
  SetBgColor(GetSchemeColor("Menu.BgColor", theme::kMenuBg, schemeInterface));
  m_BorderColor = GetSchemeColor("Menu.BorderColor", theme::kMenuBorder, schemeInterface);
}

void Menu::PaintBorder() {
  surface()->DrawSetColor(Faded(m_BorderColor));
  surface()->DrawOutlinedRect(0, 0, GetWide(), GetTall());
}

void Menu::Describe(KeyValues *panelBlock) {
  panelBlock->SetInt("items", GetItemCount());
}

// ---- input: the menu holds the mouse while it is open

void Menu::OnCursorMoved(int x, int y) {
  // The scroll bar sits inside the menu; leave the highlight alone over it.
  if (m_pScrollBar->IsVisible() && x >= m_pScrollBar->GetXPos()) return;
  SetCurrentlyHighlightedItem(ItemAt(x, y));
}

void Menu::OnMousePressed(MouseCode code) {
  (void)code;
  int x = 0, y = 0;
  input()->GetCursorPos(x, y);
  ScreenToLocal(x, y);
  if (x < 0 || y < 0 || x >= GetWide() || y >= GetTall()) {
    SetVisible(false);
    return;
  }
  m_bPressedInside = true;
  if (m_pScrollBar->IsVisible() && x >= m_pScrollBar->GetXPos()) {
    // The menu keeps the mouse, so it scrolls for its bar: the upper half up, the lower down.
    const int along = y - m_pScrollBar->GetYPos();
    m_pScrollBar->SetValue(m_pScrollBar->GetValue() + (along < m_pScrollBar->GetTall() / 2 ? -1 : 1));
  }
}

void Menu::OnMouseReleased(MouseCode code) {
  (void)code;
  // The release of the click that opened the menu chooses nothing.
  if (!m_bPressedInside) return;
  int x = 0, y = 0;
  input()->GetCursorPos(x, y);
  ScreenToLocal(x, y);
  const int id = ItemAt(x, y);
  if (id >= 0) ActivateItem(id);
}

void Menu::OnMouseWheeled(int delta) {
  if (!m_pScrollBar->IsVisible()) return;
  m_pScrollBar->SetValue(m_pScrollBar->GetValue() - delta);
}

void Menu::OnMouseCaptureLost() {
  if (IsVisible()) SetVisible(false);
}

void Menu::OnKeyCodeTyped(KeyCode code) {
  switch (code) {
    case KEY_UP:
      MoveHighlight(-1);
      return;
    case KEY_DOWN:
      MoveHighlight(1);
      return;
    case KEY_ENTER:
    case KEY_PAD_ENTER:
    case KEY_SPACE:
      if (m_nHighlightedItem >= 0) ActivateItem(m_nHighlightedItem);
      return;
    case KEY_ESCAPE:
      SetVisible(false);
      return;
    default:
      BaseClass::OnKeyCodeTyped(code);
  }
}

}  // namespace kgui
