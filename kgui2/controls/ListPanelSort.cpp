// ListPanel: the stable sort by a primary and a secondary column, the default order of record
// values, and the choice of sort columns.
#include <algorithm>
#include <cstring>

#include "ListPanelRowValues.h"
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
int CompareValues(const ListPanelValue *a, const ListPanelValue *b) {
  if (!a || !b) return a ? -1 : (b ? 1 : 0);
  if (a->type != b->type) {
    ReportMixedTypes();
    return CompareNumbers(a->type, b->type);
  }
  switch (a->type) {
    case KeyValues::TYPE_STRING:
      return V_stricmp(a->text, b->text);
    case KeyValues::TYPE_WSTRING:
      return CompareWideIgnoringCase(a->wide, b->wide);
    case KeyValues::TYPE_INT:
      return CompareNumbers(a->Int(), b->Int());
    case KeyValues::TYPE_FLOAT:
      return CompareFloats(a->Float(), b->Float());
    case KeyValues::TYPE_UINT64:
    case KeyValues::TYPE_PTR:
      return CompareNumbers(a->word, b->word);
    default:
      return 0;
  }
}

// Keys longer than this many parts leave their ties to the sort function.
constexpr int kMaxKeyParts = 8;

// Up to `count` bytes of `text` from `offset`, folded to lower case, big-endian in a number whose
// low bytes are zero past the end of the text. True when the text ends within those bytes.
bool FoldedBytes(const char *text, size_t offset, int count, uint64 &bytes) {
  bytes = 0;
  for (size_t i = 0; i < offset; ++i) {
    if (!text[i]) return true;
  }
  text += offset;
  int i = 0;
  for (; i < count && text[i]; ++i) bytes = (bytes << 8) | static_cast<unsigned char>(V_tolower(text[i]));
  if (i == count) return false;
  if (i > 0) bytes <<= 8 * (count - i);  // no bytes: already 0, and a 64-bit shift is undefined
  return true;
}

// A float as an unsigned number in CompareFloats order: both zeros equal, every NaN last.
uint32 SortableFloat(float value) {
  if (value != value) return 0xFFFFFFFFu;
  if (value == 0.0f) value = 0.0f;
  uint32 bits = 0;
  memcpy(&bits, &value, sizeof(bits));
  return (bits & 0x80000000u) ? ~bits : (bits | 0x80000000u);
}

}  // namespace

ListPanel::SortKey ListPanel::FoldedTextKey(const char *text, int part) {
  SortKey key;
  const bool ended = FoldedBytes(text ? text : "", static_cast<size_t>(part) * 8, 8, key.value);
  key.end = ended ? SortKey::kLast : SortKey::kMore;
  return key;
}

// ---- keys

struct ListPanel::SortEntry {
  uint64 key;
  int itemID;
  SortKey::End end;
};

bool ListPanel::HasSortKeys(const column_t &column) const {
  return !column.m_pSortFunc || column.m_pSortKeyFunc;
}

// The default order's key: the value's type in the top byte, then the value; rows without the
// value after every other.
ListPanel::SortKey ListPanel::RecordValueKey(const column_t &column, int itemID, int part) {
  ListPanelValue value;
  if (!ListPanelValue::Find(m_DataItems[itemID], column.m_NameSymbol, value))
    return SortKey{~uint64{0}, SortKey::kLast};
  const KeyValues::types_t type = value.type;
  const uint64 typeBits = static_cast<uint64>(type & 0xFF) << 56;
  SortKey key{typeBits, SortKey::kLast};
  switch (type) {
    case KeyValues::TYPE_STRING: {
      // Part 0 holds the first 7 bytes beside the type, every further part 8.
      uint64 bytes = 0;
      const bool ended = part == 0 ? FoldedBytes(value.text, 0, 7, bytes)
                                   : FoldedBytes(value.text, 7 + 8 * static_cast<size_t>(part - 1), 8, bytes);
      key.value = part == 0 ? (typeBits | bytes) : bytes;
      key.end = ended ? SortKey::kLast : SortKey::kMore;
      break;
    }
    case KeyValues::TYPE_INT:
      key.value = typeBits | (static_cast<uint32>(value.Int()) ^ 0x80000000u);
      break;
    case KeyValues::TYPE_FLOAT:
      key.value = typeBits | SortableFloat(value.Float());
      break;
    case KeyValues::TYPE_UINT64:
    case KeyValues::TYPE_PTR:
      key = part == 0 ? SortKey{typeBits, SortKey::kMore} : SortKey{value.word, SortKey::kLast};
      break;
    case KeyValues::TYPE_WSTRING:
      key.end = SortKey::kUnknown;
      break;
    default:
      break;  // other types tie
  }
  return key;
}

// Part 0 is kept per row: of every row for key functions, of unshared rows for record values (a
// shared record may change under the list without a word).
ListPanel::SortKey ListPanel::RowSortKey(int storageIndex, int itemID, int part) {
  column_t &column = m_ColumnsData[storageIndex];
  const ListPanelItem &item = m_DataItems[itemID];
  const bool kept = part == 0 && (column.m_pSortKeyFunc || !item.m_bShareData);
  if (kept && column.m_SortKeyEnds[itemID]) {
    return SortKey{column.m_SortKeys[itemID], static_cast<SortKey::End>(column.m_SortKeyEnds[itemID] - 1)};
  }
  const SortKey key =
      column.m_pSortKeyFunc ? column.m_pSortKeyFunc(this, item, part) : RecordValueKey(column, itemID, part);
  if (kept) {
    column.m_SortKeys[itemID] = key.value;
    column.m_SortKeyEnds[itemID] = static_cast<uint8>(key.end + 1);
  }
  return key;
}

void ListPanel::ForgetRowSortKeys(int itemID) {
  for (column_t &column : m_ColumnsData) {
    if (itemID < static_cast<int>(column.m_SortKeyEnds.size())) column.m_SortKeyEnds[itemID] = 0;
  }
}

void ListPanel::ForgetColumnSortKeys(column_t &column) {
  std::vector<uint64>().swap(column.m_SortKeys);
  std::vector<uint8>().swap(column.m_SortKeyEnds);
}

void ListPanel::InvalidateSortKeys() {
  for (column_t &column : m_ColumnsData)
    std::fill(column.m_SortKeyEnds.begin(), column.m_SortKeyEnds.end(), 0);
}

void ListPanel::PrepareSortKeys() {
  for (const int storageIndex : {m_iSortColumn, m_iSortColumnSecondary}) {
    if (storageIndex < 0 || !HasSortKeys(m_ColumnsData[storageIndex])) continue;
    column_t &column = m_ColumnsData[storageIndex];
    if (column.m_SortKeyEnds.size() < m_DataItems.size()) {
      column.m_SortKeys.resize(m_DataItems.size());
      column.m_SortKeyEnds.resize(m_DataItems.size());
    }
    for (const int itemID : VisibleItems()) {
      // Shared records keep no keys for their values, see RowSortKey.
      if (!column.m_SortKeyEnds[itemID] && (column.m_pSortKeyFunc || !m_DataItems[itemID].m_bShareData))
        RowSortKey(storageIndex, itemID, 0);
    }
  }
}

// ---- ordering

int ListPanel::CompareColumn(int storageIndex, int a, int b) {
  const column_t &column = m_ColumnsData[storageIndex];
  if (column.m_pSortFunc) return column.m_pSortFunc(this, m_DataItems[a], m_DataItems[b]);
  ListPanelValue valueA, valueB;
  const bool hasA = ListPanelValue::Find(m_DataItems[a], column.m_NameSymbol, valueA);
  const bool hasB = ListPanelValue::Find(m_DataItems[b], column.m_NameSymbol, valueB);
  return CompareValues(hasA ? &valueA : nullptr, hasB ? &valueB : nullptr);
}

void ListPanel::SortRangeByComparison(int *begin, int *end, int level) {
  std::stable_sort(begin, end, [&](int a, int b) {
    for (int l = level; l < 2; ++l) {
      const int storageIndex = l == 0 ? m_iSortColumn : m_iSortColumnSecondary;
      if (storageIndex < 0) continue;
      const int d = CompareColumn(storageIndex, a, b);
      const bool ascending = l == 0 ? m_bSortAscending : m_bSortAscendingSecondary;
      if (d != 0) return ascending ? d < 0 : d > 0;
    }
    // Items live side by side in the pool, so the lower id is the lower address: a fixed order.
    return a < b;
  });
}

void ListPanel::SortRange(int *begin, int *end, int level, std::vector<SortEntry> &scratch, size_t base) {
  if (end - begin < 2) return;
  if (level >= 2) {
    std::sort(begin, end);
    return;
  }
  const int storageIndex = level == 0 ? m_iSortColumn : m_iSortColumnSecondary;
  if (storageIndex < 0) {
    SortRange(begin, end, level + 1, scratch, base);
  } else if (HasSortKeys(m_ColumnsData[storageIndex])) {
    SortRangeByKeys(begin, end, level, storageIndex, 0, scratch, base);
  } else {
    SortRangeByComparison(begin, end, level);
  }
}

// Orders by one part of the keys; rows whose parts are equal go on to the next part, the next
// column or the sort function, as their keys' ends say.
void ListPanel::SortRangeByKeys(int *begin, int *end, int level, int storageIndex, int part,
                                std::vector<SortEntry> &scratch, size_t base) {
  column_t &column = m_ColumnsData[storageIndex];
  if (part == 0 && column.m_SortKeyEnds.size() < m_DataItems.size()) {
    column.m_SortKeys.resize(m_DataItems.size());
    column.m_SortKeyEnds.resize(m_DataItems.size());
  }
  const bool ascending = level == 0 ? m_bSortAscending : m_bSortAscendingSecondary;
  const size_t count = static_cast<size_t>(end - begin);
  // This range's entries sit at `base` of the scratch, the nested ranges' after them.
  if (scratch.size() < base + count) scratch.resize(base + count);
  SortEntry *entries = scratch.data() + base;
  uint64 firstType = 0;
  bool mixedTypes = false;
  for (size_t i = 0; i < count; ++i) {
    const SortKey key = RowSortKey(storageIndex, begin[i], part);
    entries[i] = SortEntry{ascending ? key.value : ~key.value, begin[i], key.end};
    if (part == 0 && !column.m_pSortFunc && ~key.value != 0) {
      const uint64 type = (key.value >> 56) + 1;
      mixedTypes = mixedTypes || (firstType && type != firstType);
      firstType = type;
    }
  }
  // Comparing values of two types is what the default order reports.
  if (mixedTypes) ReportMixedTypes();
  std::sort(entries, entries + count, [](const SortEntry &a, const SortEntry &b) { return a.key < b.key; });
  for (size_t i = 0; i < count; ++i) begin[i] = entries[i].itemID;

  for (size_t first = 0; first < count;) {
    entries = scratch.data() + base;  // a nested range may have grown the scratch
    size_t last = first + 1;
    SortKey::End runEnd = entries[first].end;
    for (; last < count && entries[last].key == entries[first].key; ++last) {
      if (entries[last].end != runEnd) runEnd = SortKey::kUnknown;
    }
    if (last - first > 1) {
      if (runEnd == SortKey::kLast)
        SortRange(begin + first, begin + last, level + 1, scratch, base + count);
      else if (runEnd == SortKey::kMore && part + 1 < kMaxKeyParts)
        SortRangeByKeys(begin + first, begin + last, level, storageIndex, part + 1, scratch, base + count);
      else
        SortRangeByComparison(begin + first, begin + last, level);
    }
    first = last;
  }
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

  VisibleItems();
  std::vector<SortEntry> scratch;
  int *first = m_VisibleItems.data(), *last = first + m_VisibleItems.size();
  // The lower section comes first whatever the direction; each section sorts on its own.
  const bool sectioned = std::any_of(first, last, [&](int id) { return m_DataItems[id].m_nSectionID != 0; });
  if (sectioned) {
    std::stable_sort(first, last,
                     [&](int a, int b) { return m_DataItems[a].m_nSectionID < m_DataItems[b].m_nSectionID; });
    for (int *run = first; run != last;) {
      const int section = m_DataItems[*run].m_nSectionID;
      int *runEnd = std::find_if(run, last, [&](int id) { return m_DataItems[id].m_nSectionID != section; });
      SortRange(run, runEnd, 0, scratch, 0);
      run = runEnd;
    }
  } else {
    SortRange(first, last, 0, scratch, 0);
  }
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
