// The list's columns and rows: adding copied and shared records, ids kept and reused, showing,
// hiding, removing and clearing, user values, check boxes and bad arguments.
#include "kgui_controls/BuildFactoryHelper.h"
#include "listpanel_fixture.h"

using kgui::ListPanel;
using listtest::Row;

TEST_F(ListPanelTest, ColumnsKeepTheirNamesHeadersAndWidthLimits) {
  m_pList->AddColumnHeader(0, "ping", "Ping", 60);
  m_pList->AddColumnHeader(0, "name", "#Token_Name", 200);  // inserted before "ping"
  m_pList->AddColumnHeader(2, "secure", "Secure", 24, ListPanel::ColumnFixedWidth);
  ASSERT_EQ(m_pList->GetColumnCount(), 3);
  EXPECT_STREQ(m_pList->GetColumnName(0), "name");
  EXPECT_STREQ(m_pList->GetColumnName(1), "ping");
  EXPECT_STREQ(m_pList->GetColumnHeaderText(0), "#Token_Name");
  EXPECT_EQ(m_pList->FindColumn("PING"), 1);
  EXPECT_EQ(m_pList->FindColumn("nothing"), -1);
  // The header's panel name is the column name; its command sorts by its current position.
  EXPECT_STREQ(m_pList->GetColumnHeader(1)->GetName(), "ping");
  EXPECT_EQ(m_pList->GetColumnHeader(1)->GetCommand()->GetInt("column"), 1);
  EXPECT_STREQ(m_pList->GetColumnHeader(1)->GetCommand()->GetName(), "SetSortColumn");
  // A fixed column cannot be dragged.
  EXPECT_FALSE(m_pList->GetColumnDragger(2)->IsEnabled());
  EXPECT_TRUE(m_pList->GetColumnDragger(0)->IsEnabled());
  EXPECT_TRUE(m_Spew.Asserts().empty());
}

TEST_F(ListPanelTest, BadColumnArgumentsAreReported) {
  m_pList->AddColumnHeader(0, "name", "Name", 10, 20, 100, 0);
  EXPECT_TRUE(m_Spew.Contains("Assertion Failed: minWidth <= width"));
  m_pList->AddColumnHeader(1, "map", "Map", 200, 20, 100, 0);
  EXPECT_TRUE(m_Spew.Contains("Assertion Failed: maxWidth >= width"));
  m_pList->AddColumnHeader(2, "tick", "", 20, ListPanel::ColumnCheckable);
  EXPECT_TRUE(m_Spew.Contains("can only have one checkable column, which must be called 'check'"));
  EXPECT_EQ(m_pList->GetColumnCount(), 2);
  m_pList->AddColumnHeader(2, "Check", "", 20, ListPanel::ColumnCheckable);
  m_pList->AddColumnHeader(3, "check", "", 20, ListPanel::ColumnCheckable);
  EXPECT_EQ(m_pList->GetColumnCount(), 3);
  m_pList->SetColumnSortFunc(7, nullptr);
  EXPECT_TRUE(m_Spew.Contains("Assertion Failed: col < m_CurrentColumns.Count()"));
  m_pList->SetColumnHeaderIcon(0, 1);
  EXPECT_TRUE(m_Spew.Contains("Assertion Failed: m_pImageList"));
}

TEST_F(ListPanelTest, AddItemCopiesTheRecordUnlessToldToShareIt) {
  AddStandardColumns();
  KeyValuesAD copied(listtest::MakeRecord({"Copied", "canyon", 40}));
  const int copiedID = m_pList->AddItem(copied.get(), 7, false, false);
  copied->SetString("name", "Changed afterwards");
  EXPECT_EQ(m_pList->GetCellText(copiedID, 0), "Copied");
  EXPECT_NE(m_pList->GetItemData(copiedID), copied.get());

  KeyValues *shared = listtest::MakeRecord({"Shared", "harbor", 50});
  const int sharedID = m_pList->AddItem(shared, 8, false, false, true);
  shared->SetString("name", "Changed afterwards");
  EXPECT_EQ(m_pList->GetItemData(sharedID), shared);
  EXPECT_EQ(m_pList->GetCellText(sharedID, 0), "Changed afterwards");
  // The list never deletes a shared record, even when the row goes.
  m_pList->RemoveItem(sharedID);
  EXPECT_STREQ(shared->GetString("map"), "harbor");
  shared->Destroy();
}

TEST_F(ListPanelTest, ItemIdsStayStableAndAreReusedAfterRemoval) {
  AddStandardColumns();
  const std::vector<int> ids = AddRows({{"A", "m", 1}, {"B", "m", 2}, {"C", "m", 3}});
  EXPECT_EQ(ids, (std::vector<int>{0, 1, 2}));
  m_pList->RemoveItem(ids[1]);
  EXPECT_FALSE(m_pList->IsItemIDValid(ids[1]));
  EXPECT_EQ(m_pList->GetCellText(ids[2], 0), "C");  // others keep their ids
  EXPECT_EQ(ColumnTexts(0), (std::vector<std::string>{"A", "C"}));
  const int reused = AddRows({{"D", "m", 4}})[0];
  EXPECT_EQ(reused, ids[1]);
  EXPECT_EQ(ColumnTexts(0), (std::vector<std::string>{"A", "C", "D"}));
  EXPECT_EQ(m_pList->GetItemCount(), 3);
  // Removed and reused before the list looked at its rows again: listed once, at the end.
  m_pList->RemoveItem(ids[0]);
  m_pList->ShowItem(ids[2], false);
  EXPECT_EQ(AddRows({{"E", "m", 5}})[0], ids[0]);
  EXPECT_EQ(m_pList->GetRowOfItem(ids[0]), 1);
  EXPECT_EQ(m_pList->GetRowOfItem(ids[2]), -1);
  EXPECT_EQ(ColumnTexts(0), (std::vector<std::string>{"D", "E"}));
}

TEST_F(ListPanelTest, InvalidIdsAreIgnoredEverywhere) {
  AddStandardColumns();
  AddRows({{"A", "m", 1}});
  for (int bad : {-1, 1, 99}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(m_pList->IsItemIDValid(bad));
    EXPECT_EQ(m_pList->GetItemData(bad), nullptr);
    EXPECT_EQ(m_pList->GetRowOfItem(bad), -1);
    EXPECT_EQ(m_pList->GetItemUserValue(bad), 0u);
    m_pList->RemoveItem(bad);
    m_pList->ShowItem(bad, false);
    m_pList->ApplyItemChanges(bad, true);
    m_pList->SetItemUserValue(bad, 5);
    m_pList->AddToSelection(bad);
  }
  EXPECT_EQ(m_pList->GetItemIDAtRow(1), -1);
  EXPECT_EQ(m_pList->GetItemIDAtRow(-1), -1);
  EXPECT_EQ(m_pList->GetSelectedItemID(0), -1);
  EXPECT_EQ(m_pList->GetVisibleItemCount(), 1);
  EXPECT_EQ(m_pList->NoItemID(), -1);
}

TEST_F(ListPanelTest, UserValuesAreFoundInPoolOrder) {
  AddStandardColumns();
  KeyValuesAD record(listtest::MakeRecord({"A", "m", 1}));
  const int first = m_pList->AddItem(record.get(), 42, false, false);
  const int second = m_pList->AddItem(record.get(), 42, false, false);
  m_pList->AddItem(record.get(), 43, false, false);
  EXPECT_EQ(m_pList->FindItemByUserValue(42), first);
  m_pList->SetItemUserValue(first, 1);
  EXPECT_EQ(m_pList->FindItemByUserValue(42), second);
  EXPECT_EQ(m_pList->GetItemUserValue(first), 1u);
  EXPECT_EQ(m_pList->FindItemByUserValue(7), -1);
}

TEST_F(ListPanelTest, HidingASelectedRowDeselectsItAndShowingPutsItLastUntilTheNextSort) {
  AddStandardColumns();
  const std::vector<int> ids =
      AddRows({{"Bravo", "m", 2}, {"Alpha", "m", 1}, {"Delta", "m", 4}, {"Charlie", "m", 3}});
  m_pList->SortByColumn(0, true);
  Layout();
  ASSERT_EQ(ColumnTexts(0), (std::vector<std::string>{"Alpha", "Bravo", "Charlie", "Delta"}));
  m_pList->SelectOnly(ids[0]);  // Bravo
  Delivered();

  m_pList->ShowItem(ids[0], false);
  EXPECT_EQ(Delivered(), (std::vector<std::string>{"ItemDeselected"}));
  EXPECT_EQ(m_pList->GetSelectionCount(), 0);
  EXPECT_EQ(ColumnTexts(0), (std::vector<std::string>{"Alpha", "Charlie", "Delta"}));
  EXPECT_EQ(m_pList->GetRowOfItem(ids[0]), -1);
  m_pList->ShowItem(ids[0], false);  // already hidden: nothing
  EXPECT_TRUE(Delivered().empty());

  m_pList->ShowItem(ids[0], true);
  EXPECT_EQ(ColumnTexts(0), (std::vector<std::string>{"Alpha", "Charlie", "Delta", "Bravo"}));
  EXPECT_TRUE(m_pList->NeedsSort());
  Layout();
  EXPECT_EQ(ColumnTexts(0), (std::vector<std::string>{"Alpha", "Bravo", "Charlie", "Delta"}));
  // Hiding a row that is not selected tells nobody.
  m_pList->ShowItem(ids[2], false);
  EXPECT_TRUE(Delivered().empty());
}

TEST_F(ListPanelTest, RemovingAndClearingTellTheOwnersAsTheyShould) {
  AddStandardColumns();
  const std::vector<int> ids = AddRows({{"A", "m", 1}, {"B", "m", 2}, {"C", "m", 3}});
  m_pList->AddToSelection(ids[0]);
  m_pList->AddToSelection(ids[1]);
  Delivered();
  m_pList->RemoveItem(ids[0]);  // leaves the selection quietly
  EXPECT_TRUE(Delivered().empty());
  EXPECT_EQ(Selected(), (std::vector<int>{ids[1]}));

  m_pList->ClearItems();
  EXPECT_EQ(Delivered(), (std::vector<std::string>{"ItemDeselected"}));
  EXPECT_EQ(m_pList->GetVisibleItemCount(), 0);
  EXPECT_EQ(m_pList->GetItemCount(), 0);
  EXPECT_EQ(m_pList->GetSelectionCount(), 0);
  m_pList->ClearItems();  // nothing was selected
  EXPECT_TRUE(Delivered().empty());
  EXPECT_EQ(AddRows({{"New", "m", 1}})[0], 0);
}

TEST_F(ListPanelTest, RowsAddedWithoutSortingShowAtTheEndAndCostNoSort) {
  AddStandardColumns();
  m_pList->SortByColumn(2, true);
  AddRows({{"Slow", "m", 300}, {"Fast", "m", 10}});
  Layout();
  ASSERT_EQ(ColumnTexts(0), (std::vector<std::string>{"Fast", "Slow"}));
  AddRows({{"Middle", "m", 100}});
  EXPECT_FALSE(m_pList->NeedsSort());
  Layout();
  EXPECT_EQ(ColumnTexts(0), (std::vector<std::string>{"Fast", "Slow", "Middle"}));
  // Editing a record does not reorder either, unless asked to.
  m_pList->GetItemData(0)->SetInt("ping", 5);
  m_pList->ApplyItemChanges(0, false);
  Layout();
  EXPECT_EQ(ColumnTexts(0), (std::vector<std::string>{"Fast", "Slow", "Middle"}));
  KeyValuesAD record(listtest::MakeRecord({"Quick", "m", 1}));
  m_pList->AddItem(record.get(), 0, false, true);
  EXPECT_TRUE(m_pList->NeedsSort());
  Layout();
  EXPECT_EQ(ColumnTexts(0), (std::vector<std::string>{"Quick", "Slow", "Fast", "Middle"}));
}

TEST_F(ListPanelTest, SetItemDataReplacesTheRecord) {
  AddStandardColumns();
  const int id = AddRows({{"Old", "m", 1}})[0];
  KeyValuesAD record(listtest::MakeRecord({"New", "n", 2}));
  m_pList->SetItemData(id, record.get());
  record->SetString("name", "Later");
  EXPECT_EQ(m_pList->GetCellText(id, 0), "New");
  EXPECT_EQ(m_pList->GetCellText(id, 2), "2");
}

TEST_F(ListPanelTest, CellTextsShowValuesWithoutChangingTheRecords) {
  m_pList->AddColumnHeader(0, "value", "Value", 100);
  struct Case {
    const char *what;
    void (*set)(KeyValues *);
    const char *text;
  };
  const Case cases[] = {
      {"string", [](KeyValues *kv) { kv->SetString("value", "summit"); }, "summit"},
      {"wide", [](KeyValues *kv) { kv->SetWString("value", u"\u00e9t\u00e9"); }, "\xc3\xa9t\xc3\xa9"},
      {"int", [](KeyValues *kv) { kv->SetInt("value", -12); }, "-12"},
      {"float", [](KeyValues *kv) { kv->SetFloat("value", 1.5f); }, "1.500000"},
      {"uint64", [](KeyValues *kv) { kv->SetUint64("value", 90071992547409930ull); }, "90071992547409930"},
      {"missing", [](KeyValues *) {}, ""},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    KeyValuesAD record(new KeyValues("Row"));
    c.set(record.get());
    const int id = m_pList->AddItem(record.get(), 0, false, false);
    const KeyValues::types_t type = m_pList->GetItemData(id)->GetDataType("value");
    EXPECT_EQ(m_pList->GetCellText(id, 0), c.text);
    EXPECT_EQ(m_pList->GetItemData(id)->GetDataType("value"), type);
  }
}

TEST_F(ListPanelTest, CheckBoxesFollowTheRecordsAndTellTheOwner) {
  m_pList->AddColumnHeader(0, "check", "", 24, ListPanel::ColumnCheckable);
  AddStandardColumns();
  KeyValuesAD checked(listtest::MakeRecord({"Checked", "m", 1}));
  checked->SetInt("check", 1);
  const int a = m_pList->AddItem(checked.get(), 0, false, false);
  EXPECT_EQ(Delivered(), (std::vector<std::string>{"ItemsChecked 1 0"}));
  const int b = AddRows({{"Plain", "m", 2}})[0];
  EXPECT_TRUE(Delivered().empty());
  EXPECT_TRUE(m_pList->IsItemChecked(a));
  EXPECT_FALSE(m_pList->IsItemChecked(b));

  m_pList->GetItemData(b)->SetInt("check", 1);
  m_pList->ApplyItemChanges(b);
  EXPECT_EQ(Delivered(), (std::vector<std::string>{"ItemsChecked 2 1"}));

  // Space flips every selected row.
  m_pList->SelectOnly(a);
  m_pList->AddToSelection(b);
  m_pList->RequestFocus();
  Delivered();
  TypeKey(kgui::KEY_SPACE);
  EXPECT_EQ(Delivered(), (std::vector<std::string>{"ItemsChecked 0 -1"}));
  EXPECT_EQ(m_pList->GetItemData(a)->GetInt("check"), 0);

  KeyValues *all = new KeyValues("CheckAllItems", "state", 1);
  Runtime().SendMessage(m_pList->GetVPanel(), all, 0);
  all->Destroy();
  EXPECT_EQ(Delivered(), (std::vector<std::string>{"ItemsChecked 2 -1"}));
  AddRows({{"Later", "m", 3}});  // starts checked now
  EXPECT_EQ(Delivered(), (std::vector<std::string>{"ItemsChecked 3 2"}));
}

TEST_F(ListPanelTest, LayoutFilesCreateListsAndSetTheRowHeight) {
  kgui::Panel *created = kgui::CBuildFactoryHelper::InstancePanel("ListPanel");
  ASSERT_NE(created, nullptr);
  EXPECT_STREQ(created->GetClassName(), "ListPanel");
  KeyValuesAD block(new KeyValues("List"));
  block->SetInt("rowheight", 26);
  created->ApplySettings(block.get());
  EXPECT_EQ(static_cast<ListPanel *>(created)->GetRowHeight(), 26);
  delete created;
}

TEST_F(ListPanelTest, LongHeaderTextsAreCutWholeCharactersAndRecordTextsAreNotReported) {
  // 127 two-byte characters and one more: the limit of 255 bytes falls inside the last one.
  std::string text;
  for (int i = 0; i < 128; ++i) text += "\xc3\xa9";
  m_pList->AddColumnHeader(0, "name", text.c_str(), 100);
  EXPECT_EQ(std::string(m_pList->GetColumnHeaderText(0)), text.substr(0, 254));
  m_pList->AddColumnHeader(1, "check", "", 20, ListPanel::ColumnCheckable);
  m_pList->SetColumnHeaderLabel(0, "Name");
  KeyValuesAD record(new KeyValues("Row"));
  record->SetString("image", "lock");
  record->SetString("check", "yes");
  const int id = m_pList->AddItem(record.get(), 0, false, false);
  EXPECT_EQ(m_pList->GetItem(id)->m_nImageIndex, 0);
  EXPECT_FALSE(m_pList->IsItemChecked(id));
  EXPECT_TRUE(m_Spew.Asserts().empty());
}
