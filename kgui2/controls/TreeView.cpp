// TreeView: nodes, their open state, selection and drawing with indentation.
#include "kgui_controls/TreeView.h"

#include <algorithm>

#include "DefaultTheme.h"
#include "kgui_controls/TextImage.h"
#include "kgui_controls/controls.h"

namespace kgui {

DEFINE_EMPTY_MESSAGE_MAP(TreeView, Panel)

namespace {
constexpr int kRowTall = 20;
constexpr int kIndent = 16;
constexpr int kBoxSize = 9;
constexpr int kInset = 2;
}  // namespace

TreeView::TreeView(Panel *parent, const char *panelName) : Panel(parent, panelName) {}

int TreeView::AddItem(const KeyValues *data, int parentItemIndex) {
  if (parentItemIndex >= GetItemCount()) parentItemIndex = -1;
  m_Items.push_back(
      Item{KeyValuesAD(data ? data->MakeCopy() : new KeyValues("Item")), parentItemIndex, false});
  Repaint();
  return GetItemCount() - 1;
}

void TreeView::RemoveAll() {
  m_Items.clear();
  m_nSelected = -1;
  m_nTopRow = 0;
  Repaint();
}

KeyValues *TreeView::GetItemData(int itemIndex) {
  return (itemIndex >= 0 && itemIndex < GetItemCount()) ? m_Items[itemIndex].data.get() : nullptr;
}

int TreeView::GetItemParent(int itemIndex) const {
  return (itemIndex >= 0 && itemIndex < GetItemCount()) ? m_Items[itemIndex].parent : -1;
}

void TreeView::ExpandItem(int itemIndex, bool expand) {
  if (itemIndex < 0 || itemIndex >= GetItemCount()) return;
  m_Items[itemIndex].expanded = expand;
  Repaint();
}

bool TreeView::IsItemExpanded(int itemIndex) const {
  return itemIndex >= 0 && itemIndex < GetItemCount() && m_Items[itemIndex].expanded;
}

void TreeView::SetSelectedItem(int itemIndex) {
  if (itemIndex == m_nSelected || itemIndex < 0 || itemIndex >= GetItemCount()) return;
  m_nSelected = itemIndex;
  PostActionSignal(new KeyValues("TreeViewItemSelected", "itemIndex", itemIndex));
  Repaint();
}

int TreeView::Depth(int itemIndex) const {
  int depth = 0;
  for (int parent = m_Items[itemIndex].parent; parent >= 0; parent = m_Items[parent].parent) ++depth;
  return depth;
}

bool TreeView::HasChildren(int itemIndex) const {
  return std::any_of(m_Items.begin(), m_Items.end(),
                     [&](const Item &item) { return item.parent == itemIndex; });
}

void TreeView::AppendShown(int parent, std::vector<int> &out) const {
  for (int i = 0; i < GetItemCount(); ++i) {
    if (m_Items[i].parent != parent) continue;
    out.push_back(i);
    if (m_Items[i].expanded) AppendShown(i, out);
  }
}

std::vector<int> TreeView::GetShownItems() const {
  std::vector<int> shown;
  AppendShown(-1, shown);
  return shown;
}

void TreeView::Describe(KeyValues *panelBlock) {
  KeyValues *rows = panelBlock->FindKey("Rows", true);
  for (int index : GetShownItems()) {
    KeyValues *row = rows->CreateKey("Row");
    KeyValuesAD copy(m_Items[index].data->MakeCopy());
    row->SetString("Text", copy->GetString("Text"));
    row->SetInt("depth", Depth(index));
    if (index == m_nSelected) row->SetInt("selected", 1);
  }
}

// ---- input

void TreeView::OnMousePressed(MouseCode code) {
  if (code != MOUSE_LEFT) return;
  RequestFocus();
  int x = 0, y = 0;
  input()->GetCursorPos(x, y);
  ScreenToLocal(x, y);
  const std::vector<int> shown = GetShownItems();
  const int row = m_nTopRow + (y - kInset) / kRowTall;
  if (y < kInset || row >= static_cast<int>(shown.size())) return;
  const int index = shown[row];
  const int boxX = kInset + Depth(index) * kIndent;
  if (HasChildren(index) && x >= boxX && x < boxX + kIndent)
    ExpandItem(index, !m_Items[index].expanded);
  else
    SetSelectedItem(index);
}

void TreeView::OnMouseWheeled(int delta) {
  const int rows = static_cast<int>(GetShownItems().size());
  const int visible = std::max(1, (GetTall() - 2 * kInset) / kRowTall);
  m_nTopRow = std::clamp(m_nTopRow - delta * 3, 0, std::max(0, rows - visible));
  Repaint();
}

void TreeView::OnKeyCodeTyped(KeyCode code) {
  const std::vector<int> shown = GetShownItems();
  auto it = std::find(shown.begin(), shown.end(), m_nSelected);
  if ((code == KEY_UP || code == KEY_DOWN) && !shown.empty()) {
    int row = it == shown.end() ? 0 : static_cast<int>(it - shown.begin()) + (code == KEY_UP ? -1 : 1);
    SetSelectedItem(shown[std::clamp(row, 0, static_cast<int>(shown.size()) - 1)]);
  } else if ((code == KEY_RIGHT || code == KEY_LEFT) && m_nSelected >= 0) {
    ExpandItem(m_nSelected, code == KEY_RIGHT);
  } else {
    BaseClass::OnKeyCodeTyped(code);
  }
}

// ---- drawing

void TreeView::ApplySchemeSettings(IScheme *schemeInterface) {
  BaseClass::ApplySchemeSettings(schemeInterface);
  SetBgColor(GetSchemeColor("TreeView.BgColor", theme::kEntryBg, schemeInterface));
  SetFgColor(GetSchemeColor("TreeView.TextColor", theme::kText, schemeInterface));
  m_SelectionBgColor = GetSchemeColor("SelectionBgColor", theme::kSelectionBg, schemeInterface);
  m_SelectionTextColor = GetSchemeColor("SelectionTextColor", theme::kSelectionText, schemeInterface);
  m_BorderColor = GetSchemeColor("TreeView.BorderColor", theme::kEntryBorder, schemeInterface);
  m_LineColor = GetSchemeColor("TreeView.LineColor", theme::kTextDull, schemeInterface);
  m_hFont = GetSchemeFont(schemeInterface, "Default");
}

void TreeView::PaintBackground() {
  surface()->DrawSetColor(Faded(GetBgColor()));
  surface()->DrawFilledRect(0, 0, GetWide(), GetTall());
}

void TreeView::Paint() {
  const std::vector<int> shown = GetShownItems();
  const int fontTall = surface()->GetFontTall(m_hFont);
  const int visible = (GetTall() - kInset) / kRowTall + 1;
  surface()->DrawSetTextFont(m_hFont);
  for (int row = m_nTopRow; row < std::min(static_cast<int>(shown.size()), m_nTopRow + visible); ++row) {
    const int index = shown[row];
    const int y = kInset + (row - m_nTopRow) * kRowTall;
    const int x = kInset + Depth(index) * kIndent;
    if (HasChildren(index)) {
      // A box with "+" or "-".
      const int bx = x + (kIndent - kBoxSize) / 2, by = y + (kRowTall - kBoxSize) / 2;
      surface()->DrawSetColor(Faded(m_LineColor));
      surface()->DrawOutlinedRect(bx, by, bx + kBoxSize, by + kBoxSize);
      surface()->DrawFilledRect(bx + 2, by + kBoxSize / 2, bx + kBoxSize - 2, by + kBoxSize / 2 + 1);
      if (!m_Items[index].expanded)
        surface()->DrawFilledRect(bx + kBoxSize / 2, by + 2, bx + kBoxSize / 2 + 1, by + kBoxSize - 2);
    }
    KeyValuesAD copy(m_Items[index].data->MakeCopy());
    const std::u16string text = Utf8ToWide(copy->GetString("Text"));
    const int textX = x + kIndent + 2;
    const bool selected = index == m_nSelected;
    if (selected) {
      const int textWide = TextImage::MeasureText(m_hFont, text.c_str(), static_cast<int>(text.size()));
      surface()->DrawSetColor(Faded(m_SelectionBgColor));
      surface()->DrawFilledRect(textX - 3, y + 1, textX + textWide + 3, y + kRowTall - 1);
    }
    surface()->DrawSetTextColor(Faded(!IsEnabled() ? theme::kTextDisabled
                                      : selected   ? m_SelectionTextColor
                                                   : GetFgColor()));
    surface()->DrawSetTextPos(textX, y + (kRowTall - fontTall) / 2);
    surface()->DrawPrintText(text.c_str(), static_cast<int>(text.size()));
  }
}

void TreeView::PaintBorder() {
  surface()->DrawSetColor(Faded(HasFocus() ? theme::kEntryFocusBorder : m_BorderColor));
  surface()->DrawOutlinedRect(0, 0, GetWide(), GetTall());
}

}  // namespace kgui
