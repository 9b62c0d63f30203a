// Sorting: the default order of record values, sort functions, stable ties, header clicks that
// flip the direction or make the old column the tie-breaker, sections, and the selected row that
// stays in place.
#include <algorithm>
#include <numeric>

#include "listpanel_fixture.h"

using kgui::ListPanel;
using kgui::ListPanelColumnHeader;
using kgui::ListPanelItem;
using listtest::Row;

namespace {

// Orders rows by their user value, descending numbers first: a function that fetches data per row
// the way the server pages do.
int CompareUserValues(ListPanel *, const ListPanelItem &a, const ListPanelItem &b) {
  return a.m_unUserData > b.m_unUserData ? -1 : (a.m_unUserData < b.m_unUserData ? 1 : 0);
}

}  // namespace

TEST_F(ListPanelTest, DefaultOrderComparesRecordValuesByType) {
  struct Case {
    const char *what;
    std::vector<std::string> values;  // set as typed below, in this order
    void (*set)(KeyValues *, const std::string &);
    std::vector<std::string> ascending;
  };
  const Case cases[] = {
      {"strings ignore case",
       {"bravo", "Alpha", "charlie", "ALPHA2"},
       [](KeyValues *kv, const std::string &v) { kv->SetString("value", v.c_str()); },
       {"Alpha", "ALPHA2", "bravo", "charlie"}},
      {"ints as numbers",
       {"100", "9", "-3", "25"},
       [](KeyValues *kv, const std::string &v) { kv->SetInt("value", std::stoi(v)); },
       {"-3", "9", "25", "100"}},
      {"floats as numbers",
       {"2.500000", "10.000000", "0.250000"},
       [](KeyValues *kv, const std::string &v) { kv->SetFloat("value", std::stof(v)); },
       {"0.250000", "2.500000", "10.000000"}},
      {"uint64 as numbers",
       {"18000000000000000000", "7", "4294967296"},
       [](KeyValues *kv, const std::string &v) { kv->SetUint64("value", std::stoull(v)); },
       {"7", "4294967296", "18000000000000000000"}},
      {"wide strings ignore case",
       {"Zulu", "echo", "Delta"},
       [](KeyValues *kv, const std::string &v) {
         kv->SetWString("value", kgui::Utf8ToWide(v.c_str()).c_str());
       },
       {"Delta", "echo", "Zulu"}},
      {"rows without the value come last",
       {"", "beta", "", "alpha"},
       [](KeyValues *kv, const std::string &v) {
         if (!v.empty()) kv->SetString("value", v.c_str());
       },
       {"alpha", "beta", "", ""}},
  };
  m_pList->AddColumnHeader(0, "value", "Value", 200);
  m_pList->SortByColumn(0, true);
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    m_pList->ClearItems();
    for (const std::string &value : c.values) {
      KeyValuesAD record(new KeyValues("Row"));
      c.set(record.get(), value);
      m_pList->AddItem(record.get(), 0, false, true);
    }
    Layout();
    EXPECT_EQ(ColumnTexts(0), c.ascending);
    m_pList->SortByColumn(0, false);
    m_pList->SortList();
    std::vector<std::string> descending(c.ascending.rbegin(), c.ascending.rend());
    EXPECT_EQ(ColumnTexts(0), descending);
    m_pList->SortByColumn(0, true);
  }
  EXPECT_TRUE(m_Spew.Warnings().empty());
}

TEST_F(ListPanelTest, MixedTypesInAColumnSortByTypeAndAreReportedOnce) {
  m_pList->AddColumnHeader(0, "value", "Value", 200);
  KeyValuesAD text(new KeyValues("Row"));
  text->SetString("value", "5");
  KeyValuesAD number(new KeyValues("Row"));
  number->SetInt("value", 7);
  m_pList->AddItem(text.get(), 0, false, false);
  m_pList->AddItem(number.get(), 0, false, false);
  m_pList->AddItem(text.get(), 0, false, false);
  m_pList->SortByColumn(0, true);
  m_pList->SortList();
  EXPECT_EQ(ColumnTexts(0), (std::vector<std::string>{"5", "5", "7"}));  // string type before int
  m_pList->SortList();
  int reports = 0;
  for (const std::string &warning : m_Spew.Warnings())
    reports += warning.find("different KV data types in a single list column") != std::string::npos;
  EXPECT_EQ(reports, 1);  // once per process; no other test of this program mixes types
}

TEST_F(ListPanelTest, TiesKeepOneOrderFromSortToSort) {
  AddStandardColumns();
  // Every row ties on the map and on the ping.
  std::vector<int> ids;
  for (int i = 0; i < 50; ++i)
    ids.push_back(AddRows({{("Row " + std::to_string(i)).c_str(), "same", 30}})[0]);
  m_pList->SortByColumn(2, true);
  m_pList->SortByColumn(1, true);
  m_pList->SortList();
  std::vector<int> first;
  for (int row = 0; row < m_pList->GetVisibleItemCount(); ++row)
    first.push_back(m_pList->GetItemIDAtRow(row));
  EXPECT_EQ(first, ids);  // ties go to the storage order
  // Sorting again, also in the other direction and after the rows were hidden and shown.
  m_pList->SortByColumn(1, false);
  for (int i = 0; i < 50; i += 7) m_pList->ShowItem(ids[i], false);
  for (int i = 0; i < 50; i += 7) m_pList->ShowItem(ids[i], true);
  m_pList->SortList();
  std::vector<int> second;
  for (int row = 0; row < m_pList->GetVisibleItemCount(); ++row)
    second.push_back(m_pList->GetItemIDAtRow(row));
  EXPECT_EQ(second, first);
}

TEST_F(ListPanelTest, ClickingTheSortHeaderTwiceComesBackToTheFirstDirection) {
  AddStandardColumns();
  AddRows({{"Bravo", "m", 2}, {"Alpha", "m", 1}, {"Charlie", "m", 3}});
  Layout();
  ClickHeader(0);
  EXPECT_EQ(ColumnTexts(0), (std::vector<std::string>{"Alpha", "Bravo", "Charlie"}));
  EXPECT_EQ(m_pList->GetColumnHeader(0)->GetSortArrow(), ListPanelColumnHeader::ARROW_UP);
  ClickHeader(0);
  EXPECT_EQ(ColumnTexts(0), (std::vector<std::string>{"Charlie", "Bravo", "Alpha"}));
  EXPECT_EQ(m_pList->GetColumnHeader(0)->GetSortArrow(), ListPanelColumnHeader::ARROW_DOWN);
  ClickHeader(0);
  EXPECT_EQ(ColumnTexts(0), (std::vector<std::string>{"Alpha", "Bravo", "Charlie"}));
  EXPECT_EQ(m_pList->GetColumnHeader(0)->GetSortArrow(), ListPanelColumnHeader::ARROW_UP);
  EXPECT_EQ(m_pList->GetColumnHeader(1)->GetSortArrow(), ListPanelColumnHeader::ARROW_NONE);
  // Flipping keeps the secondary column.
  EXPECT_EQ(m_pList->GetSortColumnSecondary(), -1);
}

TEST_F(ListPanelTest, ClickingAnotherHeaderMakesTheOldColumnTheTieBreaker) {
  AddStandardColumns();
  AddRows({{"Bravo", "canyon", 2}, {"Alpha", "harbor", 1}, {"Charlie", "canyon", 3}, {"Delta", "harbor", 0}});
  ClickHeader(0);  // by name ascending
  ClickHeader(0);  // descending
  ClickHeader(1);  // by map; ties broken by name, still descending
  EXPECT_EQ(m_pList->GetSortColumn(), 1);
  EXPECT_EQ(m_pList->GetSortColumnSecondary(), 0);
  EXPECT_TRUE(m_pList->IsSortAscending());
  EXPECT_FALSE(m_pList->IsSortSecondaryAscending());
  EXPECT_EQ(ColumnTexts(0), (std::vector<std::string>{"Charlie", "Bravo", "Delta", "Alpha"}));
  EXPECT_EQ(m_pList->GetColumnHeader(0)->GetSortArrow(), ListPanelColumnHeader::ARROW_NONE);
  EXPECT_EQ(m_pList->GetColumnHeader(1)->GetSortArrow(), ListPanelColumnHeader::ARROW_UP);
}

TEST_F(ListPanelTest, DescendingFirstColumnsStartDescending) {
  m_pList->AddColumnHeader(0, "name", "Name", 200);
  m_pList->AddColumnHeader(1, "players", "Players", 80, ListPanel::ColumnDescendingFirst);
  for (int players : {4, 16, 9}) {
    KeyValuesAD record(new KeyValues("Row"));
    record->SetInt("players", players);
    m_pList->AddItem(record.get(), 0, false, false);
  }
  ClickHeader(1);
  EXPECT_FALSE(m_pList->IsSortAscending());
  EXPECT_EQ(ColumnTexts(1), (std::vector<std::string>{"16", "9", "4"}));
  // SortByColumn takes the direction it is given.
  m_pList->SortByColumn(1, true);
  Layout();
  EXPECT_EQ(ColumnTexts(1), (std::vector<std::string>{"4", "9", "16"}));
}

TEST_F(ListPanelTest, SortFunctionsReplaceTheDefaultOrderAndRunOnlyWhenSorting) {
  AddStandardColumns();
  KeyValuesAD record(listtest::MakeRecord({"Same", "m", 1}));
  for (unsigned int value : {3u, 10u, 7u}) m_pList->AddItem(record.get(), value, false, false);
  static int s_nCalls = 0;
  s_nCalls = 0;
  m_pList->SetColumnSortFunc(0, [](ListPanel *panel, const ListPanelItem &a, const ListPanelItem &b) {
    ++s_nCalls;
    return CompareUserValues(panel, a, b);
  });
  EXPECT_EQ(s_nCalls, 0);
  EXPECT_TRUE(m_pList->NeedsSort());
  m_pList->SortByColumn(0, true);
  Layout();
  EXPECT_GT(s_nCalls, 0);
  std::vector<unsigned int> values;
  for (int row = 0; row < 3; ++row) values.push_back(m_pList->GetItemUserValue(m_pList->GetItemIDAtRow(row)));
  EXPECT_EQ(values, (std::vector<unsigned int>{10u, 7u, 3u}));
  const int calls = s_nCalls;
  Layout();  // nothing asked for a sort
  EXPECT_EQ(s_nCalls, calls);
  m_pList->SetColumnSortFunc(0, nullptr);  // back to the record values: all tie
  Layout();
  values.clear();
  for (int row = 0; row < 3; ++row) values.push_back(m_pList->GetItemUserValue(m_pList->GetItemIDAtRow(row)));
  EXPECT_EQ(values, (std::vector<unsigned int>{3u, 10u, 7u}));
}

TEST_F(ListPanelTest, NothingSortsWithoutASortColumnOrWithOneRow) {
  AddStandardColumns();
  AddRows({{"Bravo", "m", 2}, {"Alpha", "m", 1}});
  m_pList->SortList();
  EXPECT_EQ(ColumnTexts(0), (std::vector<std::string>{"Bravo", "Alpha"}));
  m_pList->SortByColumn(9, true);  // no such column
  EXPECT_EQ(m_pList->GetSortColumn(), -1);
}

TEST_F(ListPanelTest, SectionsKeepTheirRowsTogetherInEitherDirection) {
  AddStandardColumns();
  const int favourites = m_pList->AddSection("Favourites");
  const std::vector<int> ids =
      AddRows({{"Delta", "m", 4}, {"Alpha", "m", 1}, {"Charlie", "m", 3}, {"Bravo", "m", 2}});
  m_pList->SetItemSection(ids[0], favourites);
  m_pList->SetItemSection(ids[2], favourites);
  m_pList->SortByColumn(0, false);
  Layout();
  EXPECT_EQ(ColumnTexts(0), (std::vector<std::string>{"Bravo", "Alpha", "Delta", "Charlie"}));
}

TEST_F(ListPanelTest, TheSelectedRowKeepsItsPlaceOnScreenWhenSorted) {
  AddStandardColumns();
  for (int i = 0; i < 100; ++i) {
    char name[16];
    snprintf(name, sizeof(name), "Row %03d", i);
    AddRows({{name, "m", 100 - i}});
  }
  Layout();
  m_pList->SortByColumn(0, true);
  Layout();
  const int id = m_pList->GetItemIDAtRow(60);
  m_pList->SelectOnly(id);
  m_pList->ScrollToItem(id);
  Layout();
  const int distance = m_pList->GetRowOfItem(id) * m_pList->GetRowHeight() - m_pList->GetScrollOffset();
  ClickHeader(2);  // by ping: the row moves to 39
  EXPECT_EQ(m_pList->GetRowOfItem(id), 39);
  EXPECT_EQ(m_pList->GetRowOfItem(id) * m_pList->GetRowHeight() - m_pList->GetScrollOffset(), distance);
}
