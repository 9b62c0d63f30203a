// The state dump of a long list: every shown row, in display order, with the same content as a
// short list's dump. Forty thousand rows took many seconds while each row was added by walking
// the rows before it.
#include <string>
#include <vector>

#include "listpanel_fixture.h"

using kgui::ListPanel;

namespace {

constexpr int kRows = 40000;

// Pings are a permutation of 0..kRows-1 (7919 is prime to kRows), so the sort has no ties.
int PingOf(int i) {
  return static_cast<int>((static_cast<long long>(i) * 7919) % kRows);
}
bool IsHidden(int i) {
  return i % 10 == 9;
}
bool IsSelected(int i) {
  return i % 4000 == 0;
}

// A dumped row as "key=value" pairs in their order.
std::string RowText(KeyValues *row) {
  std::string text;
  for (KeyValues *cell = row->GetFirstSubKey(); cell; cell = cell->GetNextKey())
    text += std::string(text.empty() ? "" : " ") + cell->GetName() + "=" + cell->GetString();
  return text;
}

}  // namespace

TEST_F(ListPanelTest, TheDumpOfFortyThousandRowsHoldsEveryShownRowInDisplayOrder) {
  AddStandardColumns();
  m_pList->AddColumnHeader(3, "gamedesc", "Game", 100, ListPanel::ColumnHiddenAtStart);
  std::vector<int> ids;
  for (int i = 0; i < kRows; ++i) {
    KeyValuesAD record(new KeyValues("Server"));
    record->SetString("name", ("Server " + std::to_string(i)).c_str());
    record->SetString("map", ("map" + std::to_string(i % 5)).c_str());
    record->SetInt("ping", PingOf(i));
    record->SetString("gamedesc", "Frostline");
    ids.push_back(m_pList->AddItem(record.get(), 0, false, false));
  }
  for (int i = 0; i < kRows; ++i) {
    if (IsHidden(i)) m_pList->ShowItem(ids[i], false);
    if (IsSelected(i)) m_pList->AddToSelection(ids[i]);
  }
  m_pList->SortByColumn(2, true);
  Layout();

  KeyValuesAD block(new KeyValues("Panel"));
  // Rows take the block's way of reading escapes, as blocks made by CreateKey do.
  block->UsesEscapeSequences(true);
  m_pList->Describe(block.get());
  KeyValues *rows = block->FindKey("Rows");
  ASSERT_NE(rows, nullptr);
  std::vector<std::string> dumped;
  for (KeyValues *row = rows->GetFirstSubKey(); row; row = row->GetNextKey()) {
    dumped.push_back(RowText(row));
    ASSERT_STREQ(row->GetName(), "Row");
    ASSERT_TRUE(row->UsesEscapeSequences()) << dumped.back();
  }

  // A few rows spelled out: the first two (ping 1 belongs to a hidden row), the middle one and
  // the last.
  ASSERT_EQ(dumped.size(), 36000u);
  EXPECT_EQ(dumped[0], "name=Server 0 map=map0 ping=0 selected=1");
  EXPECT_EQ(dumped[1], "name=Server 35358 map=map3 ping=2");
  EXPECT_EQ(dumped[18000], "name=Server 20000 map=map0 ping=20000 selected=1");
  EXPECT_EQ(dumped[35999], "name=Server 22321 map=map1 ping=39999");

  // And every row against the same rules.
  std::vector<std::string> expected(kRows);
  for (int i = 0; i < kRows; ++i) {
    if (IsHidden(i)) continue;
    expected[PingOf(i)] = "name=Server " + std::to_string(i) + " map=map" + std::to_string(i % 5) +
                          " ping=" + std::to_string(PingOf(i)) + (IsSelected(i) ? " selected=1" : "");
  }
  std::erase(expected, std::string());
  EXPECT_EQ(dumped, expected);
  EXPECT_EQ(block->FindKey("emptytext"), nullptr);
}
