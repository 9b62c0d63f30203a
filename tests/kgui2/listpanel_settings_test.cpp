// Per-user settings of a list: hidden columns, collapsed sections and the two sort columns are
// kept in the dialog's record and restored from it, by the header text each column was added with.
#include "listpanel_fixture.h"

using kgui::ListPanel;
using listtest::Row;

namespace {

class ListSettingsTest : public ListPanelTest {
 protected:
  ListSettingsTest() {
    AddStandardColumns();
    m_pList->AddColumnHeader(3, "players", "#List_Players", 80, ListPanel::ColumnHiddenAtStart);
    AddRows({{"Bravo", "canyon", 30}, {"Alpha", "harbor", 10}, {"Charlie", "canyon", 20}});
  }
  KeyValues *Saved() { return Runtime().GetUserConfigFileData("Dialog", 0)->FindKey("List", true); }
};

}  // namespace

TEST_F(ListSettingsTest, SavesHiddenColumnsSectionsAndBothSortColumns) {
  m_pList->AddSection("Friends");
  m_pList->SetSectionCollapsed(1, true);
  m_pList->SortByColumn(0, true);
  m_pList->SortByColumn(1, false);
  m_pOwner->LoadUserConfig("Dialog");
  m_pOwner->SaveUserConfig();
  KeyValues *saved = Saved();
  EXPECT_EQ(saved->GetInt("Name_hidden", -1), 0);
  EXPECT_EQ(saved->GetInt("#List_Players_hidden", -1), 1);
  EXPECT_EQ(saved->GetInt("Friends_collapsed", -1), 1);
  EXPECT_STREQ(saved->GetString("sort_column"), "Map");
  EXPECT_EQ(saved->GetInt("sort_column_asc", -1), 0);
  EXPECT_STREQ(saved->GetString("sort_column_secondary"), "Name");
  EXPECT_EQ(saved->GetInt("sort_column_secondary_asc", -1), 1);
}

TEST_F(ListSettingsTest, RestoresColumnsAndTheSortColumnsWhereTheyWereSaved) {
  KeyValues *saved = Saved();
  saved->SetInt("Map_hidden", 1);
  saved->SetInt("#LIST_PLAYERS_HIDDEN", 0);  // keys and header texts compare ignoring case
  saved->SetInt("Ping_hidden", 7);           // neither 0 nor 1: no change
  saved->SetString("sort_column", "ping");
  saved->SetInt("sort_column_asc", 0);
  saved->SetString("sort_column_secondary", "NAME");
  saved->SetInt("sort_column_secondary_asc", 1);
  m_pOwner->LoadUserConfig("Dialog");
  EXPECT_FALSE(m_pList->IsColumnShown(1));
  EXPECT_TRUE(m_pList->IsColumnShown(3));
  EXPECT_TRUE(m_pList->IsColumnShown(2));
  EXPECT_EQ(m_pList->GetSortColumn(), 2);
  EXPECT_FALSE(m_pList->IsSortAscending());
  EXPECT_EQ(m_pList->GetSortColumnSecondary(), 0);
  EXPECT_TRUE(m_pList->IsSortSecondaryAscending());
  EXPECT_EQ(m_pList->GetColumnHeader(2)->GetSortArrow(), kgui::ListPanelColumnHeader::ARROW_DOWN);
  Layout();
  EXPECT_EQ(ColumnTexts(0), (std::vector<std::string>{"Bravo", "Charlie", "Alpha"}));
}

TEST_F(ListSettingsTest, ASavedSortColumnThatNoLongerExistsKeepsTheCurrentOne) {
  m_pList->SortByColumn(1, true);
  m_pList->SortByColumn(2, false);
  KeyValues *saved = Saved();
  saved->SetString("sort_column", "Gone");
  saved->SetInt("sort_column_asc", 1);
  saved->SetString("sort_column_secondary", "Name");
  saved->SetInt("sort_column_secondary_asc", 0);
  m_pOwner->LoadUserConfig("Dialog");
  EXPECT_EQ(m_pList->GetSortColumn(), 2);
  EXPECT_FALSE(m_pList->IsSortAscending());
  EXPECT_EQ(m_pList->GetSortColumnSecondary(), 0);
  EXPECT_FALSE(m_pList->IsSortSecondaryAscending());

  // Nothing saved at all changes nothing.
  saved->Clear();
  m_pOwner->LoadUserConfig("Dialog");
  EXPECT_EQ(m_pList->GetSortColumn(), 2);
  EXPECT_EQ(m_pList->GetSortColumnSecondary(), 0);
}

TEST_F(ListSettingsTest, SettingsSurviveARoundTripIntoANewList) {
  m_pList->SetColumnShown(3, true);
  m_pList->SetColumnShown(2, false);
  m_pList->SortByColumn(1, true);
  m_pList->SortByColumn(0, false);
  m_pOwner->LoadUserConfig("Dialog");
  m_pOwner->SaveUserConfig();

  delete m_pList;
  m_pList = new ListPanel(m_pOwner, "List");
  m_pList->SetBounds(kListX, kListY, 602, kListTall);
  AddStandardColumns();
  m_pList->AddColumnHeader(3, "players", "#List_Players", 80, ListPanel::ColumnHiddenAtStart);
  m_pOwner->LoadUserConfig("Dialog");
  EXPECT_TRUE(m_pList->IsColumnShown(3));
  EXPECT_FALSE(m_pList->IsColumnShown(2));
  EXPECT_EQ(m_pList->GetSortColumn(), 0);
  EXPECT_FALSE(m_pList->IsSortAscending());
  EXPECT_EQ(m_pList->GetSortColumnSecondary(), 1);
  EXPECT_TRUE(m_pList->IsSortSecondaryAscending());
}

TEST_F(ListSettingsTest, ARelabelledHeaderKeepsTheKeysItWasAddedWith) {
  m_pList->SetColumnHeaderLabel(0, u"Servers (3)");
  m_pList->SortByColumn(0, false);
  m_pOwner->LoadUserConfig("Dialog");
  m_pOwner->SaveUserConfig();
  KeyValues *saved = Saved();
  EXPECT_EQ(saved->GetInt("Name_hidden", -1), 0);
  EXPECT_EQ(saved->FindKey("Servers (3)_hidden"), nullptr);
  EXPECT_STREQ(saved->GetString("sort_column"), "Name");

  // A later run with another count finds its sort column again.
  m_pList->SetColumnHeaderLabel(0, u"Servers (5)");
  m_pList->SortByColumn(1, true);
  m_pOwner->LoadUserConfig("Dialog");
  EXPECT_EQ(m_pList->GetSortColumn(), 0);
  EXPECT_FALSE(m_pList->IsSortAscending());
}
