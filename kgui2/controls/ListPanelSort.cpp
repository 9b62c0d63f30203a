// ListPanel: the stable sort by a primary and a secondary column, the default order of record
// values, and the choice of sort columns.
#include <algorithm>

#include "kgui_controls/ListPanel.h"
#include "kgui_controls/ListPanelColumnHeader.h"
#include "kstdlib/strtools.h"
#include "tier0/dbg.h"
#include "tier1/KeyValues.h"

namespace kgui {
namespace {

template <class T>
int CompareNumbers(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

char16_t FoldCase(char16_t ch) {
  return (ch >= u'A' && ch <= u'Z') ? static_cast<char16_t>(ch - u'A' + u'a') : ch;
}

int CompareWideIgnoringCase(const char16_t *a, const char16_t *b) {
  for (;; ++a, ++b) {
    const char16_t ca = FoldCase(*a), cb = FoldCase(*b);
    if (ca != cb || !ca) return CompareNumbers(ca, cb);
  }
}

// NaN sorts after every number, so the order stays consistent.
int CompareFloats(float a, float b) {
  const bool nanA = a != a, nanB = b != b;
  if (nanA || nanB) return CompareNumbers(nanA, nanB);
  return CompareNumbers(a, b);
}

void ReportMixedTypes() {
  static bool s_bReported = false;
  if (s_bReported) return;
  s_bReported = true;
  Warning("different KV data types in a single list column\n");
}

// The default order of a column without a sort function: rows holding the value first, then by
// type, then by value. Reading never converts the records.
int CompareValues(KeyValues *a, KeyValues *b) {
  if (!a || !b) return a ? -1 : (b ? 1 : 0);
  const KeyValues::types_t typeA = a->GetDataType(), typeB = b->GetDataType();
  if (typeA != typeB) {
    ReportMixedTypes();
    return CompareNumbers(typeA, typeB);
  }
  switch (typeA) {
    case KeyValues::TYPE_STRING:
      return V_stricmp(a->GetString(), b->GetString());
    case KeyValues::TYPE_WSTRING:
      return CompareWideIgnoringCase(a->GetWString(), b->GetWString());
    case KeyValues::TYPE_INT:
      return CompareNumbers(a->GetInt(), b->GetInt());
    case KeyValues::TYPE_FLOAT:
      return CompareFloats(a->GetFloat(), b->GetFloat());
    case KeyValues::TYPE_UINT64:
      return CompareNumbers(a->GetUint64(), b->GetUint64());
    case KeyValues::TYPE_PTR:
      return CompareNumbers(reinterpret_cast<uintptr_t>(a->GetPtr()),
                            reinterpret_cast<uintptr_t>(b->GetPtr()));
    default:
      return 0;
  }
}

}  // namespace

void ListPanel::CollectSortValues(int storageIndex, std::vector<KeyValues *> &values) {
  values.clear();
  if (storageIndex < 0 || m_ColumnsData[storageIndex].m_pSortFunc) return;
  // Each row's value is found once, not once per comparison.
  const HKeySymbol symbol = m_ColumnsData[storageIndex].m_NameSymbol;
  values.assign(m_DataItems.size(), nullptr);
  for (int itemID : VisibleItems()) values[itemID] = m_DataItems[itemID].m_pKV->FindKey(symbol);
}

int ListPanel::CompareColumn(int storageIndex, int a, int b, const std::vector<KeyValues *> &values) {
  if (storageIndex < 0) return 0;
  const column_t &column = m_ColumnsData[storageIndex];
  if (column.m_pSortFunc) return column.m_pSortFunc(this, m_DataItems[a], m_DataItems[b]);
  return CompareValues(values[a], values[b]);
}

bool ListPanel::RowComesBefore(int a, int b, const std::vector<KeyValues *> &primaryValues,
                               const std::vector<KeyValues *> &secondaryValues) {
  const int sectionA = m_DataItems[a].m_nSectionID, sectionB = m_DataItems[b].m_nSectionID;
  if (sectionA != sectionB) return sectionA < sectionB;
  int d = CompareColumn(m_iSortColumn, a, b, primaryValues);
  if (d != 0) return m_bSortAscending ? d < 0 : d > 0;
  d = CompareColumn(m_iSortColumnSecondary, a, b, secondaryValues);
  if (d != 0) return m_bSortAscendingSecondary ? d < 0 : d > 0;
  // Items live side by side in the pool, so the lower id is the lower address: a fixed order.
  return a < b;
}

void ListPanel::SortList() {
  m_bNeedsSort = false;
  if (GetVisibleItemCount() < 2 || m_iSortColumn < 0) return;

  // The row the user last picked stays where it was on the screen.
  const ListPanelItem *anchor = ItemAt(m_LastItemSelected);
  const int anchorRow = (anchor && anchor->m_bSelected) ? GetRowOfItem(m_LastItemSelected) : -1;
  int anchorOffset = 0;
  if (anchorRow >= 0) {
    EnsureRowPositions();
    anchorOffset = RowTop(anchorRow) - GetScrollOffset();
  }

  std::vector<KeyValues *> primaryValues, secondaryValues;
  CollectSortValues(m_iSortColumn, primaryValues);
  CollectSortValues(m_iSortColumnSecondary, secondaryValues);
  VisibleItems();
  std::stable_sort(m_VisibleItems.begin(), m_VisibleItems.end(),
                   [&](int a, int b) { return RowComesBefore(a, b, primaryValues, secondaryValues); });
  ReindexVisibleItems();
  m_bRowPositionsStale = true;

  if (anchorRow >= 0) {
    EnsureRowPositions();
    SetScrollOffset(RowTop(GetRowOfItem(m_LastItemSelected)) - anchorOffset);
  }
  InvalidateLayout();
  Repaint();
}

void ListPanel::SetSortColumnInternal(int storageIndex, bool ascending) {
  m_iSortColumnSecondary = m_iSortColumn;
  m_bSortAscendingSecondary = m_bSortAscending;
  m_iSortColumn = storageIndex;
  m_bSortAscending = ascending;
}

void ListPanel::SortByColumn(int col, bool ascending) {
  if (!ColumnAt(col)) return;
  SetSortColumnInternal(m_CurrentColumns[col], ascending);
  m_bNeedsSort = true;
  UpdateSortArrows();
  InvalidateLayout();
}

void ListPanel::OnSetSortColumn(int column) {
  const column_t *clicked = ColumnAt(column);
  if (!clicked) return;
  const int storageIndex = m_CurrentColumns[column];
  if (storageIndex == m_iSortColumn)
    m_bSortAscending = !m_bSortAscending;
  else
    SetSortColumnInternal(storageIndex, !(clicked->m_iFlags & ColumnDescendingFirst));
  UpdateSortArrows();
  SortList();
}

void ListPanel::UpdateSortArrows() {
  for (size_t i = 0; i < m_ColumnsData.size(); ++i) {
    ListPanelColumnHeader::SortArrow arrow = ListPanelColumnHeader::ARROW_NONE;
    if (static_cast<int>(i) == m_iSortColumn)
      arrow = m_bSortAscending ? ListPanelColumnHeader::ARROW_UP : ListPanelColumnHeader::ARROW_DOWN;
    m_ColumnsData[i].m_pHeader->SetSortArrow(arrow);
  }
}

int ListPanel::GetSortColumn() {
  return m_iSortColumn < 0 ? -1 : ColumnIndexOf(m_iSortColumn);
}

int ListPanel::GetSortColumnSecondary() {
  return m_iSortColumnSecondary < 0 ? -1 : ColumnIndexOf(m_iSortColumnSecondary);
}

}  // namespace kgui
