// Sorting by prepared keys: the order equals the one the comparisons alone give (random rows with
// ties, mixed case, shared prefixes, bytes above ASCII, missing values, both directions, a
// secondary column, sections), and the kept keys follow every change of a row.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

#include "kstdlib/strtools.h"
#include "listpanel_fixture.h"

using kgui::ListPanel;
using kgui::ListPanelItem;

namespace {

// Data outside the rows, indexed by the rows' user values, as the server pages keep it.
struct Outside {
  std::vector<std::string> names;
  std::vector<int> scores;
  std::vector<bool> missing;
  int keyCalls = 0;
};
Outside g_Outside;

// Rows without outside data first, then by name ignoring case.
int CompareOutsideName(ListPanel *, const ListPanelItem &a, const ListPanelItem &b) {
  const bool ma = g_Outside.missing[a.m_unUserData], mb = g_Outside.missing[b.m_unUserData];
  if (ma || mb) return ma == mb ? 0 : (ma ? -1 : 1);
  return V_stricmp(g_Outside.names[a.m_unUserData].c_str(), g_Outside.names[b.m_unUserData].c_str());
}

ListPanel::SortKey OutsideNameKey(ListPanel *, const ListPanelItem &item, int part) {
  ++g_Outside.keyCalls;
  if (g_Outside.missing[item.m_unUserData]) return ListPanel::SortKey{0, ListPanel::SortKey::kUnknown};
  return ListPanel::FoldedTextKey(g_Outside.names[item.m_unUserData].c_str(), part);
}

// The higher score first.
int CompareOutsideScore(ListPanel *, const ListPanelItem &a, const ListPanelItem &b) {
  const int sa = g_Outside.scores[a.m_unUserData], sb = g_Outside.scores[b.m_unUserData];
  return sa > sb ? -1 : (sa < sb ? 1 : 0);
}

ListPanel::SortKey OutsideScoreKey(ListPanel *, const ListPanelItem &item, int) {
  ++g_Outside.keyCalls;
  const uint32 flipped = ~(static_cast<uint32>(g_Outside.scores[item.m_unUserData]) ^ 0x80000000u);
  return ListPanel::SortKey{flipped, ListPanel::SortKey::kLast};
}

// The default order of record values, written out on its own.
int ReferenceValueOrder(KeyValues *a, KeyValues *b) {
  if (!a || !b) return a ? -1 : (b ? 1 : 0);
  if (a->GetDataType() != b->GetDataType()) return a->GetDataType() < b->GetDataType() ? -1 : 1;
  auto sign = [](auto x, auto y) { return x < y ? -1 : (y < x ? 1 : 0); };
  switch (a->GetDataType()) {
    case KeyValues::TYPE_STRING:
      return V_stricmp(a->GetString(), b->GetString());
    case KeyValues::TYPE_INT:
      return sign(a->GetInt(), b->GetInt());
    case KeyValues::TYPE_FLOAT: {
      const float fa = a->GetFloat(), fb = b->GetFloat();
      if (std::isnan(fa) || std::isnan(fb)) return sign(std::isnan(fa), std::isnan(fb));
      return sign(fa, fb);
    }
    case KeyValues::TYPE_UINT64:
      return sign(a->GetUint64(), b->GetUint64());
    default:
      return 0;
  }
}

// Texts that tie ignoring case, share long prefixes, end where others go on, or hold UTF-8.
std::string RandomText(std::mt19937 &random) {
  static const char *const kPieces[] = {"harbor", "Harbor", "HARBOR", " ", "#", "\xc3\xa9", "\xe6\x97\xa5",
                                        "z",      "Z",      "a",      "0", "9", "~",        "\x7f"};
  std::string text;
  const int pieces = static_cast<int>(random() % 6);
  for (int i = 0; i < pieces; ++i) text += kPieces[random() % std::size(kPieces)];
  // Some texts run past every key part and tie there.
  if (random() % 8 == 0) text = std::string(70, 'q') + text;
  return text;
}

class ListPanelSortKeysTest : public ListPanelTest {
 protected:
  ListPanelSortKeysTest() {
    g_Outside = Outside();
    m_pList->AddColumnHeader(0, "value", "Value", 100);
    m_pList->AddColumnHeader(1, "other", "Other", 100);
    m_pList->AddColumnHeader(2, "name", "Name", 100);
    m_pList->AddColumnHeader(3, "score", "Score", 100);
    m_pList->SetColumnSortFunc(2, CompareOutsideName);
    m_pList->SetColumnSortKeyFunc(2, OutsideNameKey);
    m_pList->SetColumnSortFunc(3, CompareOutsideScore);
    m_pList->SetColumnSortKeyFunc(3, OutsideScoreKey);
  }
  ~ListPanelSortKeysTest() override { m_pList->ClearItems(); }

  // A row whose "value" is made by `setValue` and whose "other" is a small number (or missing).
  int AddRandomRow(std::mt19937 &random, void (*setValue)(KeyValues *, std::mt19937 &), bool share) {
    KeyValues *record = new KeyValues("Row");
    setValue(record, random);
    if (random() % 5) record->SetInt("other", static_cast<int>(random() % 4));
    const unsigned int index = static_cast<unsigned int>(g_Outside.names.size());
    g_Outside.names.push_back(RandomText(random));
    g_Outside.scores.push_back(static_cast<int>(random() % 7) - 3);
    g_Outside.missing.push_back(random() % 10 == 0);
    const int itemID = m_pList->AddItem(record, index, false, false, share);
    if (share) {
      m_Shared.emplace_back(record);
    } else {
      // The reference reads these values, so that the list's rows stay as the list keeps them.
      if (m_Copies.size() <= static_cast<size_t>(itemID)) m_Copies.resize(itemID + 1);
      m_Copies[itemID].reset(record);
    }
    if (random() % 6 == 0)
      m_pList->SetItemSection(itemID, static_cast<int>(random() % m_pList->GetSectionCount()));
    return itemID;
  }

  int CompareBy(int col, int a, int b) {
    ListPanel::SortFunc func = col == 2 ? CompareOutsideName : (col == 3 ? CompareOutsideScore : nullptr);
    if (func) return func(m_pList, *m_pList->GetItem(a), *m_pList->GetItem(b));
    const char *key = m_pList->GetColumnName(col);
    return ReferenceValueOrder(ReferenceRecord(a)->FindKey(key), ReferenceRecord(b)->FindKey(key));
  }

  // The values the row was added with, or its record once the test edited it.
  KeyValues *ReferenceRecord(int itemID) {
    if (static_cast<size_t>(itemID) < m_Copies.size() && m_Copies[itemID]) return m_Copies[itemID].get();
    return m_pList->GetItem(itemID)->GetRecord();
  }

  // The shown rows as the comparisons alone order them.
  std::vector<int> ReferenceOrder() {
    std::vector<int> ids = Shown();
    const int primary = m_pList->GetSortColumn(), secondary = m_pList->GetSortColumnSecondary();
    std::stable_sort(ids.begin(), ids.end(), [&](int a, int b) {
      const int sa = m_pList->GetItem(a)->m_nSectionID, sb = m_pList->GetItem(b)->m_nSectionID;
      if (sa != sb) return sa < sb;
      int d = CompareBy(primary, a, b);
      if (d) return m_pList->IsSortAscending() ? d < 0 : d > 0;
      if (secondary >= 0 && (d = CompareBy(secondary, a, b)) != 0)
        return m_pList->IsSortSecondaryAscending() ? d < 0 : d > 0;
      return a < b;
    });
    return ids;
  }

  std::vector<int> Shown() {
    std::vector<int> ids;
    for (int row = 0; row < m_pList->GetVisibleItemCount(); ++row)
      ids.push_back(m_pList->GetItemIDAtRow(row));
    return ids;
  }

  std::vector<int> SortedBy(int col, bool ascending) {
    m_pList->SortByColumn(col, ascending);
    m_pList->SortList();
    return Shown();
  }

  std::vector<KeyValuesAD> m_Shared;
  std::vector<KeyValuesAD> m_Copies;  // by item id
};

void SetText(KeyValues *record, std::mt19937 &random) {
  if (random() % 12) record->SetString("value", RandomText(random).c_str());
}
void SetInt(KeyValues *record, std::mt19937 &random) {
  static const int kInts[] = {0, 1, -1, 7, 7, 2147483647, -2147483647 - 1, 300, -300};
  if (random() % 12) record->SetInt("value", kInts[random() % std::size(kInts)]);
}
void SetFloat(KeyValues *record, std::mt19937 &random) {
  static const float kFloats[] = {0.0f, -0.0f, 1.5f, -1.5f, NAN, -NAN, INFINITY, -INFINITY, 1e-40f, 2.25f};
  if (random() % 12) record->SetFloat("value", kFloats[random() % std::size(kFloats)]);
}
void SetUint64(KeyValues *record, std::mt19937 &random) {
  static const uint64 kValues[] = {0, 1, 4294967296ull, 18000000000000000000ull, 18000000000000000000ull};
  if (random() % 12) record->SetUint64("value", kValues[random() % std::size(kValues)]);
}

}  // namespace

TEST_F(ListPanelSortKeysTest, EveryColumnOrdersExactlyAsItsComparison) {
  struct Case {
    const char *what;
    void (*setValue)(KeyValues *, std::mt19937 &);
  };
  const Case cases[] = {{"texts", SetText}, {"ints", SetInt}, {"floats", SetFloat}, {"uint64s", SetUint64}};
  m_pList->AddSection("second");
  m_pList->AddSection("third");
  for (const Case &c : cases) {
    for (bool share : {false, true}) {
      SCOPED_TRACE(std::string(c.what) + (share ? ", shared records" : ", copied records"));
      std::mt19937 random(77);
      m_pList->ClearItems();
      g_Outside = Outside();
      m_Shared.clear();
      m_Copies.clear();
      for (int i = 0; i < 600; ++i) AddRandomRow(random, c.setValue, share);
      // Every column as the primary, after every column as the secondary, in both directions.
      for (int secondary = 0; secondary < 4; ++secondary) {
        for (int primary = 0; primary < 4; ++primary) {
          for (bool ascending : {true, false}) {
            SCOPED_TRACE("primary " + std::to_string(primary) + ", secondary " + std::to_string(secondary) +
                         (ascending ? " ascending" : " descending"));
            m_pList->SortByColumn(secondary, !ascending);
            const std::vector<int> order = SortedBy(primary, ascending);
            ASSERT_EQ(order, ReferenceOrder());
          }
        }
      }
    }
  }
}

TEST_F(ListPanelSortKeysTest, KeysAreMadeOncePerRowUntilTheRowChanges) {
  std::mt19937 random(5);
  for (int i = 0; i < 200; ++i) AddRandomRow(random, SetInt, false);
  SortedBy(3, true);
  EXPECT_EQ(g_Outside.keyCalls, 200);
  SortedBy(3, false);
  EXPECT_EQ(g_Outside.keyCalls, 200);  // the other direction reads the same keys
  m_pList->InvalidateSortKeys();
  SortedBy(3, true);
  EXPECT_EQ(g_Outside.keyCalls, 400);
}

// Rows hidden and shown again unchanged keep their keys and sort back into their places; shown
// again as changed, they are asked for new keys.
TEST_F(ListPanelSortKeysTest, RowsShownAgainUnchangedKeepTheirKeys) {
  std::mt19937 random(11);
  for (int i = 0; i < 200; ++i) AddRandomRow(random, SetInt, false);
  const std::vector<int> sorted = SortedBy(3, true);
  const int calls = g_Outside.keyCalls;
  for (size_t i = 0; i < sorted.size(); i += 2) m_pList->ShowItem(sorted[i], false);
  SortedBy(3, true);
  for (size_t i = 0; i < sorted.size(); i += 2) m_pList->ShowUnchangedItem(sorted[i]);
  m_pList->ShowUnchangedItem(sorted[1]);  // shown already: nothing happens
  EXPECT_EQ(SortedBy(3, true), sorted);
  EXPECT_EQ(g_Outside.keyCalls, calls);

  for (size_t i = 0; i < sorted.size(); i += 2) m_pList->ShowItem(sorted[i], false);
  for (size_t i = 0; i < sorted.size(); i += 2) m_pList->ShowItem(sorted[i], true);
  EXPECT_EQ(SortedBy(3, true), sorted);
  EXPECT_EQ(g_Outside.keyCalls, calls + 100);
}

// After each change the list is told of in its own way, the next sort sees the new data.
TEST_F(ListPanelSortKeysTest, AChangedRowSortsByItsNewData) {
  struct Case {
    const char *what;
    void (*change)(ListPanel *list, int itemID);
  };
  const Case cases[] = {
      {"ApplyItemChanges",
       [](ListPanel *list, int itemID) {
         g_Outside.scores[list->GetItemUserValue(itemID)] = 100;
         list->ApplyItemChanges(itemID);
       }},
      {"SetItemUserValue",
       [](ListPanel *list, int itemID) {
         g_Outside.scores.push_back(100);
         g_Outside.names.push_back("");
         g_Outside.missing.push_back(false);
         list->SetItemUserValue(itemID, static_cast<unsigned int>(g_Outside.scores.size() - 1));
       }},
      {"hidden and shown again",
       [](ListPanel *list, int itemID) {
         list->ShowItem(itemID, false);
         g_Outside.scores[list->GetItemUserValue(itemID)] = 100;
         list->ShowItem(itemID, true);
       }},
      {"removed and its id reused",
       [](ListPanel *list, int itemID) {
         const unsigned int index = list->GetItemUserValue(itemID);
         list->RemoveItem(itemID);
         g_Outside.scores[index] = 100;
         KeyValuesAD record(new KeyValues("Row"));
         EXPECT_EQ(list->AddItem(record.get(), index, false, false), itemID);
       }},
      {"InvalidateSortKeys",
       [](ListPanel *list, int itemID) {
         g_Outside.scores[list->GetItemUserValue(itemID)] = 100;
         list->InvalidateSortKeys();
       }},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    std::mt19937 random(9);
    g_Outside = Outside();
    m_pList->ClearItems();
    for (int i = 0; i < 50; ++i) AddRandomRow(random, SetInt, false);
    const std::vector<int> before = SortedBy(3, true);
    const int last = before.back();
    c.change(m_pList, last);
    const std::vector<int> after = SortedBy(3, true);
    EXPECT_EQ(after.front(), last);
    EXPECT_EQ(after, ReferenceOrder());
  }
}

TEST_F(ListPanelSortKeysTest, RecordsEditedInPlaceSortByTheirNewValues) {
  std::mt19937 random(3);
  for (int i = 0; i < 40; ++i) AddRandomRow(random, SetInt, false);
  // The first row moves among the others, which only the record's new value can tell.
  const std::vector<int> before = SortedBy(0, true);
  m_pList->GetItemData(before.front())->SetInt("value", 250);
  m_Copies[before.front()].reset();
  std::vector<int> order = SortedBy(0, true);
  EXPECT_NE(order, before);
  EXPECT_EQ(order, ReferenceOrder());

  // A shared record is the caller's: its edits count without a word to the list.
  KeyValuesAD shared(new KeyValues("Row"));
  shared->SetInt("value", -5);
  m_pList->AddItem(shared.get(), 0, false, false, true);
  const std::vector<int> withShared = SortedBy(0, true);
  shared->SetInt("value", 250);
  order = SortedBy(0, true);
  EXPECT_NE(order, withShared);
  EXPECT_EQ(order, ReferenceOrder());
}

TEST(ListPanelFoldedTextKey, PartsFollowTheCaseBlindByteOrder) {
  struct Case {
    const char *a, *b;
  };
  // Pairs in V_stricmp order, or equal; the parts must never say otherwise.
  const Case cases[] = {{"", "a"},
                        {"abc", "ABD"},
                        {"abcdefgh", "ABCDEFGHI"},
                        {"abcdefgh", "abcdefgh"},
                        {"Zeta", "\xc3\xa9"},
                        {"harbor #10", "HARBOR #9"},
                        {"same", "SAME"},
                        {nullptr, ""},
                        {"abcdefgh12345678x", "ABCDEFGH12345678y"}};
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string(c.a ? c.a : "(null)") + " / " + c.b);
    const int order = V_stricmp(c.a, c.b);
    int keyOrder = 0;
    for (int part = 0; part < 4 && keyOrder == 0; ++part) {
      const ListPanel::SortKey ka = ListPanel::FoldedTextKey(c.a, part),
                               kb = ListPanel::FoldedTextKey(c.b, part);
      if (ka.value != kb.value)
        keyOrder = ka.value < kb.value ? -1 : 1;
      else if (ka.end == ListPanel::SortKey::kLast && kb.end == ListPanel::SortKey::kLast)
        break;
    }
    EXPECT_EQ(keyOrder, (order > 0) - (order < 0));
  }
}
