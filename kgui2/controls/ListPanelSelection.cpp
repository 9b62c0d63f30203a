// ListPanel: the selection, and what the mouse, the keys and typing do to it.
#include <algorithm>

#include "kgui_controls/ListPanel.h"
#include "kgui_controls/controls.h"
#include "tier0/dbg.h"
#include "tier1/KeyValues.h"

namespace kgui {

// ---- the selection

bool ListPanel::IsItemSelected(int itemID) {
  const ListPanelItem *item = ItemAt(itemID);
  return item && item->m_bSelected;
}

int ListPanel::GetSelectionCount() {
  return static_cast<int>(m_SelectedItems.size());
}

int ListPanel::GetSelectedItemID(int index) {
  return (index >= 0 && index < GetSelectionCount()) ? m_SelectedItems[index] : -1;
}

bool ListPanel::CanSelect(int itemID) {
  const ListPanelItem *item = ItemAt(itemID);
  return item && item->m_bShown && !item->m_bDisabled && !item->m_bUnselectable;
}

void ListPanel::ClearSelection() {
  const bool hadSelection = !m_SelectedItems.empty();
  for (int itemID : m_SelectedItems) {
    if (ListPanelItem *item = ItemAt(itemID)) item->m_bSelected = false;
  }
  m_SelectedItems.clear();
  m_LastItemSelected = -1;
  m_iSelectedColumn = -1;
  if (hadSelection) PostActionSignal(new KeyValues("ItemDeselected"));
  Repaint();
}

void ListPanel::AddToSelection(int itemID) {
  AddToSelectionInternal(itemID, true);
}

void ListPanel::AddToSelectionInternal(int itemID, bool postMessage) {
  if (!CanSelect(itemID)) return;
  ListPanelItem &item = m_DataItems[itemID];
  if (item.m_bSelected) {
    // Listed once only: a second entry would outlive the first when the row is deselected.
    AssertMsg(false, "Assertion Failed: !m_SelectedItems.HasElement( itemID )");
    m_LastItemSelected = itemID;
    return;
  }
  item.m_bSelected = true;
  m_SelectedItems.push_back(itemID);
  m_LastItemSelected = itemID;
  if (postMessage) PostActionSignal(new KeyValues("ItemSelected"));
  Repaint();
}

void ListPanel::RemoveFromSelection(int itemID, bool postMessage) {
  ListPanelItem *item = ItemAt(itemID);
  if (!item || !item->m_bSelected) return;
  item->m_bSelected = false;
  m_SelectedItems.erase(std::find(m_SelectedItems.begin(), m_SelectedItems.end(), itemID));
  if (postMessage) PostActionSignal(new KeyValues("ItemDeselected"));
  Repaint();
}

void ListPanel::SelectOnly(int itemID) {
  ClearSelection();
  AddToSelection(itemID);
}

void ListPanel::SelectRange(int fromRow, int toRow, bool keepPrevious) {
  const int anchor = m_LastItemSelected;
  if (!keepPrevious) ClearSelection();
  // From the anchor towards the pressed row, so the anchor stays the first selected; one
  // "ItemSelected" tells the owners, however many rows joined.
  const int step = toRow >= fromRow ? 1 : -1;
  bool added = false;
  for (int row = fromRow;; row += step) {
    const int itemID = VisibleItems()[row];
    if (!IsItemSelected(itemID) && CanSelect(itemID)) {
      AddToSelectionInternal(itemID, false);
      added = true;
    }
    if (row == toRow) break;
  }
  m_LastItemSelected = anchor;
  if (added) PostActionSignal(new KeyValues("ItemSelected"));
}

// ---- mouse

void ListPanel::GetCellUnderCursor(int &row, int &col) {
  row = col = -1;
  int x = 0, y = 0;
  input()->GetCursorPos(x, y);
  ScreenToLocal(x, y);
  // The row area starts below the headers, inside the border.
  x -= 1;
  y -= 1 + kHeaderTall;
  if (x < 0 || y < 0 || x >= ColumnAreaWide() || y >= InteriorTall()) return;
  EnsureRowPositions();
  row = RowAtContentY(y + GetScrollOffset());
  for (int i = 0; i < GetColumnCount(); ++i) {
    const column_t &column = *ColumnAt(i);
    if (!column.m_bHidden && x >= column.m_iX && x < column.m_iX + column.m_iWidth) col = i;
  }
}

void ListPanel::HandleCellSelectionPress(int itemID, int col) {
  if (IsControlDown() && GetSelectionCount() == 1 && GetSelectedItemID(0) == itemID &&
      m_iSelectedColumn == col) {
    ClearSelection();
    return;
  }
  SelectOnly(itemID);
  m_iSelectedColumn = IsItemSelected(itemID) ? col : -1;
}

void ListPanel::HandleRowPress(MouseCode code, int row, int col) {
  const int itemID = GetItemIDAtRow(row);
  if (code == MOUSE_RIGHT && IsItemSelected(itemID)) return;
  if (m_bCanSelectIndividualCells) {
    HandleCellSelectionPress(itemID, col);
    return;
  }
  if (m_bMultiselectEnabled && IsShiftDown() && itemID >= 0) {
    const int anchorRow = GetRowOfItem(m_LastItemSelected);
    if (anchorRow >= 0) {
      SelectRange(anchorRow, row, IsControlDown());
      return;
    }
  }
  if (m_bMultiselectEnabled && IsControlDown() && itemID >= 0) {
    // The last selected row stays: a control-click never empties the selection.
    if (!IsItemSelected(itemID))
      AddToSelection(itemID);
    else if (GetSelectionCount() > 1)
      RemoveFromSelection(itemID, true);
    return;
  }
  // Pressing the one selected row again tells the owners nothing new.
  if (GetSelectionCount() != 1 || GetSelectedItemID(0) != itemID) SelectOnly(itemID);
}

void ListPanel::OnMousePressed(MouseCode code) {
  if (code != MOUSE_LEFT && code != MOUSE_RIGHT) return;
  RequestFocus();
  if (VisibleItems().empty()) {
    // An empty list still offers its owner's menu (what can be added to it).
    if (code == MOUSE_RIGHT) PostActionSignal(new KeyValues("OpenContextMenu", "itemID", -1));
    return;
  }
  int row = -1, col = -1;
  GetCellUnderCursor(row, col);
  HandleRowPress(code, row, col);
  // A press on a check box flips it as well as selecting its row.
  const int itemID = GetItemIDAtRow(row);
  if (code == MOUSE_LEFT && itemID >= 0 && col >= 0 && (ColumnAt(col)->m_iFlags & ColumnCheckable))
    ToggleItemCheck(itemID);
  if (code == MOUSE_RIGHT) PostActionSignal(new KeyValues("OpenContextMenu", "itemID", GetSelectedItemID(0)));
}

void ListPanel::OnMouseDoublePressed(MouseCode code) {
  if (code != MOUSE_LEFT) return;
  RequestFocus();
  if (VisibleItems().empty()) return;
  int row = -1, col = -1;
  GetCellUnderCursor(row, col);
  HandleRowPress(code, row, col);
  if (GetSelectionCount() > 0 && !m_bIgnoreDoubleClick) OnKeyCodeTyped(KEY_ENTER);
}

void ListPanel::OnMouseWheeled(int delta) {
  SetScrollOffset(GetScrollOffset() - delta * 3 * m_iRowHeight);
}

// ---- check boxes

void ListPanel::ToggleItemCheck(int itemID) {
  SetItemChecked(itemID, !IsItemChecked(itemID));
  PostItemsChecked(itemID);
}

void ListPanel::ToggleCheckOfSelection() {
  if (m_SelectedItems.empty()) return;
  for (int itemID : m_SelectedItems) SetItemChecked(itemID, !IsItemChecked(itemID));
  PostItemsChecked(GetSelectionCount() == 1 ? m_SelectedItems[0] : -1);
}

// ---- keys

int ListPanel::GetFirstVisibleRow() {
  EnsureRowPositions();
  auto it = std::lower_bound(m_vecVisibleItemsYPos.begin(), m_vecVisibleItemsYPos.end(), GetScrollOffset());
  const int row = static_cast<int>(it - m_vecVisibleItemsYPos.begin());
  return std::min(row, std::max(0, GetVisibleItemCount() - 1));
}

int ListPanel::GetVisibleRowCapacity() {
  return std::max(1, InteriorTall() / m_iRowHeight);
}

int ListPanel::MoveTarget(KeyCode code, int currentRow) {
  const int lastRow = GetVisibleItemCount() - 1;
  const int topRow = GetFirstVisibleRow();
  const int visibleRows = GetVisibleRowCapacity();
  const int bottomRow = std::min(lastRow, topRow + visibleRows - 1);
  int target = currentRow;
  int step = 1;
  switch (code) {
    case KEY_UP:
      target = currentRow < 0 ? 0 : currentRow - 1;
      step = -1;
      break;
    case KEY_DOWN:
      target = currentRow + 1;
      break;
    case KEY_HOME:
      target = 0;
      break;
    case KEY_END:
      target = lastRow;
      step = -1;
      break;
    case KEY_PAGEUP:
      if (currentRow > topRow + 1)
        target = topRow;
      else if (visibleRows >= 3)
        target = currentRow - (visibleRows - 2);
      step = -1;
      break;
    case KEY_PAGEDOWN:
      target = currentRow < bottomRow ? bottomRow : currentRow + std::max(0, visibleRows - 2);
      break;
    default:
      break;
  }
  return SkipCollapsedRows(std::clamp(target, 0, lastRow), step);
}

int ListPanel::SkipCollapsedRows(int row, int step) {
  // On in the direction of the move, else back the other way; -1 when every row is collapsed.
  for (int direction : {step, -step}) {
    for (int r = row; r >= 0 && r < GetVisibleItemCount(); r += direction) {
      if (!IsSectionCollapsed(m_DataItems[VisibleItems()[r]].m_nSectionID)) return r;
    }
  }
  return -1;
}

void ListPanel::MoveToRow(int row) {
  const int itemID = GetItemIDAtRow(row);
  if (itemID < 0) return;
  if (GetSelectionCount() != 1 || GetSelectedItemID(0) != itemID) SelectOnly(itemID);
  ScrollToRow(row);
}

void ListPanel::OnKeyCodeTyped(KeyCode code) {
  if (VisibleItems().empty()) {
    BaseClass::OnKeyCodeTyped(code);
    return;
  }
  switch (code) {
    case KEY_UP:
    case KEY_DOWN:
    case KEY_HOME:
    case KEY_END:
    case KEY_PAGEUP:
    case KEY_PAGEDOWN:
      MoveToRow(MoveTarget(code, GetRowOfItem(m_LastItemSelected)));
      return;
    case KEY_LEFT:
    case KEY_RIGHT:
      if (m_bCanSelectIndividualCells && GetSelectionCount() == 1) {
        MoveSelectedColumn(code == KEY_LEFT ? -1 : 1);
        return;
      }
      break;
    case KEY_SPACE:
      if (FindCheckColumn() >= 0) {
        ToggleCheckOfSelection();
        return;
      }
      break;
    default:
      break;
  }
  BaseClass::OnKeyCodeTyped(code);
}

void ListPanel::MoveSelectedColumn(int step) {
  for (int col = m_iSelectedColumn + step; col >= 0 && col < GetColumnCount(); col += step) {
    if (!ColumnAt(col)->m_bHidden) {
      m_iSelectedColumn = col;
      Repaint();
      return;
    }
  }
}

// ---- type-ahead

int ListPanel::TypeAheadColumn() {
  for (int col = 0; col < GetColumnCount(); ++col) {
    const column_t &column = *ColumnAt(col);
    if (!column.m_bHidden && (column.m_iFlags & ColumnTypeAhead)) return m_CurrentColumns[col];
  }
  return -1;
}

void ListPanel::OnKeyTyped(int unichar) {
  // Control characters and characters beyond one UTF-16 unit are not searched for.
  if (unichar < 32 || unichar > 0xFFFF || VisibleItems().empty() || TypeAheadColumn() < 0) {
    BaseClass::OnKeyTyped(unichar);
    return;
  }
  m_TypeAhead.HandleChar(*this, static_cast<char16_t>(unichar), system()->GetCurrentTime());
}

int ListPanel::GetTypeAheadCurrentRow() {
  const int itemID = IsItemSelected(m_LastItemSelected) ? m_LastItemSelected : GetSelectedItemID(0);
  return GetRowOfItem(itemID);
}

std::string ListPanel::GetTypeAheadRowText(int row) {
  const int storageIndex = TypeAheadColumn();
  const int itemID = GetItemIDAtRow(row);
  if (storageIndex < 0 || itemID < 0) return std::string();
  return WideToUtf8(CellText(m_DataItems[itemID], m_ColumnsData[storageIndex]));
}

void ListPanel::OnTypeAheadRowFound(int row) {
  AssertMsg(row >= 0 && row < GetVisibleItemCount(),
            "Assertion Failed: m_VisibleItems.IsValidIndex( iItem )");
  MoveToRow(row);
}

}  // namespace kgui
