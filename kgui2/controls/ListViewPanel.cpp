// ListViewPanel: rows of text with one selected.
#include "kgui_controls/ListViewPanel.h"

#include <algorithm>

#include "DefaultTheme.h"
#include "kgui_controls/TextImage.h"
#include "kgui_controls/controls.h"

namespace kgui {

DEFINE_EMPTY_MESSAGE_MAP(ListViewPanel, Panel)

namespace {
constexpr int kRowTall = 20;
constexpr int kInset = 2;
}  // namespace

ListViewPanel::ListViewPanel(Panel *parent, const char *panelName) : Panel(parent, panelName) {}

int ListViewPanel::AddItem(const KeyValues *data) {
  m_Items.emplace_back(data ? data->MakeCopy() : new KeyValues("Item"));
  Repaint();
  return GetItemCount() - 1;
}

void ListViewPanel::RemoveAllItems() {
  m_Items.clear();
  m_nSelected = -1;
  Repaint();
}

KeyValues *ListViewPanel::GetItem(int itemID) {
  return (itemID >= 0 && itemID < GetItemCount()) ? m_Items[itemID].get() : nullptr;
}

void ListViewPanel::SetSelectedItem(int itemID) {
  if (itemID == m_nSelected || !GetItem(itemID)) return;
  m_nSelected = itemID;
  PostActionSignal(new KeyValues("ItemSelected", "itemID", itemID));
  Repaint();
}

void ListViewPanel::Describe(KeyValues *panelBlock) {
  KeyValues *rows = panelBlock->FindKey("Rows", true);
  for (int i = 0; i < GetItemCount(); ++i) {
    KeyValues *row = rows->CreateKey("Row");
    KeyValuesAD copy(m_Items[i]->MakeCopy());
    row->SetString("text", copy->GetString("text"));
    if (i == m_nSelected) row->SetInt("selected", 1);
  }
}

void ListViewPanel::OnMousePressed(MouseCode code) {
  if (code != MOUSE_LEFT) return;
  RequestFocus();
  int x = 0, y = 0;
  input()->GetCursorPos(x, y);
  ScreenToLocal(x, y);
  const int row = (y - kInset) / kRowTall;
  if (y >= kInset && row < GetItemCount()) SetSelectedItem(row);
}

void ListViewPanel::OnKeyCodeTyped(KeyCode code) {
  if ((code == KEY_UP || code == KEY_DOWN) && GetItemCount() > 0) {
    const int next = m_nSelected < 0 ? 0 : m_nSelected + (code == KEY_UP ? -1 : 1);
    SetSelectedItem(std::clamp(next, 0, GetItemCount() - 1));
    return;
  }
  BaseClass::OnKeyCodeTyped(code);
}

void ListViewPanel::ApplySchemeSettings(IScheme *schemeInterface) {
  BaseClass::ApplySchemeSettings(schemeInterface);
  SetBgColor(GetSchemeColor("ListPanel.BgColor", theme::kEntryBg, schemeInterface));
  SetFgColor(GetSchemeColor("ListPanel.TextColor", theme::kText, schemeInterface));
  m_SelectionBgColor = GetSchemeColor("ListPanel.SelectedBgColor", theme::kSelectionBg, schemeInterface);
  m_SelectionTextColor =
      GetSchemeColor("ListPanel.SelectedTextColor", theme::kSelectionText, schemeInterface);
  m_BorderColor = GetSchemeColor("ListPanel.BorderColor", theme::kEntryBorder, schemeInterface);
  m_hFont = GetSchemeFont(schemeInterface, "Default");
}

void ListViewPanel::PaintBackground() {
  surface()->DrawSetColor(Faded(GetBgColor()));
  surface()->DrawFilledRect(0, 0, GetWide(), GetTall());
}

void ListViewPanel::Paint() {
  const int fontTall = surface()->GetFontTall(m_hFont);
  surface()->DrawSetTextFont(m_hFont);
  const int lastVisible = std::min(GetItemCount(), (GetTall() - kInset) / kRowTall + 1);
  for (int i = 0; i < lastVisible; ++i) {
    const int y = kInset + i * kRowTall;
    const bool selected = i == m_nSelected;
    if (selected) {
      surface()->DrawSetColor(Faded(m_SelectionBgColor));
      surface()->DrawFilledRect(kInset, y, GetWide() - kInset, y + kRowTall);
    }
    KeyValuesAD copy(m_Items[i]->MakeCopy());
    const std::u16string text = Utf8ToWide(copy->GetString("text"));
    surface()->DrawSetTextColor(Faded(!IsEnabled() ? theme::kTextDisabled
                                      : selected   ? m_SelectionTextColor
                                                   : GetFgColor()));
    surface()->DrawSetTextPos(kInset + 6, y + (kRowTall - fontTall) / 2);
    surface()->DrawPrintText(text.c_str(), static_cast<int>(text.size()));
  }
}

void ListViewPanel::PaintBorder() {
  surface()->DrawSetColor(Faded(HasFocus() ? theme::kEntryFocusBorder : m_BorderColor));
  surface()->DrawOutlinedRect(0, 0, GetWide(), GetTall());
}

}  // namespace kgui
