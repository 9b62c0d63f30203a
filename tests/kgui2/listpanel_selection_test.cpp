// Selection: clicks with and without control and shift, right clicks and the context menu, double
// clicks acting as Enter, the keys that move the selection, and typing to jump to a row.
#include "listpanel_fixture.h"

using kgui::ListPanel;
using listtest::Row;

namespace {

class ListSelectionTest : public ListPanelTest {
 protected:
  ListSelectionTest() {
    AddStandardColumns();
    m_Ids = AddRows({{"Alpha", "canyon", 10},
                     {"Bravo", "harbor", 20},
                     {"Charlie", "summit", 30},
                     {"Delta", "canyon", 40},
                     {"Echo", "harbor", 50}});
    Layout();
  }
  std::vector<int> m_Ids;
};

}  // namespace

TEST_F(ListSelectionTest, AddToSelectionPostsAndRefusesRowsThatCannotBeSelected) {
  m_pList->AddToSelection(m_Ids[1]);
  m_pList->AddToSelection(m_Ids[3]);
  EXPECT_EQ(Selected(), (std::vector<int>{m_Ids[1], m_Ids[3]}));
  EXPECT_EQ(Delivered(), (std::vector<std::string>{"ItemSelected", "ItemSelected"}));
  m_pList->AddToSelection(m_Ids[1]);
  EXPECT_TRUE(m_Spew.Contains("Assertion Failed: !m_SelectedItems.HasElement( itemID )"));
  EXPECT_EQ(m_pList->GetSelectionCount(), 2);  // listed once

  m_pList->SetItemDisabled(m_Ids[0], true);
  m_pList->SetItemUnselectable(m_Ids[2], true);
  m_pList->AddToSelection(m_Ids[0]);
  m_pList->AddToSelection(m_Ids[2]);
  EXPECT_EQ(m_pList->GetSelectionCount(), 2);
  EXPECT_TRUE(Delivered().empty());

  m_pList->ClearSelection();
  EXPECT_EQ(Delivered(), (std::vector<std::string>{"ItemDeselected"}));
  m_pList->ClearSelection();
  EXPECT_TRUE(Delivered().empty());
}

TEST_F(ListSelectionTest, ClicksSelectOneRowControlTogglesShiftSelectsARange) {
  ClickRow(1);
  EXPECT_EQ(Selected(), (std::vector<int>{m_Ids[1]}));
  EXPECT_EQ(Delivered(), (std::vector<std::string>{"ItemSelected"}));
  EXPECT_TRUE(m_pList->HasFocus());
  ClickRow(1);  // the same row again: nothing new
  EXPECT_TRUE(Delivered().empty());

  ClickRow(3, kgui::MOUSE_LEFT, true);
  EXPECT_EQ(Selected(), (std::vector<int>{m_Ids[1], m_Ids[3]}));
  ClickRow(1, kgui::MOUSE_LEFT, true);
  EXPECT_EQ(Selected(), (std::vector<int>{m_Ids[3]}));
  EXPECT_EQ(Delivered(), (std::vector<std::string>{"ItemSelected", "ItemDeselected"}));
  // The only selected row stays selected under a control-click.
  ClickRow(3, kgui::MOUSE_LEFT, true);
  EXPECT_EQ(Selected(), (std::vector<int>{m_Ids[3]}));

  // Shift: every row from the anchor (row 3, the last to become selected) to the pressed row.
  ClickRow(0, kgui::MOUSE_LEFT, false, true);
  EXPECT_EQ(Selected(), (std::vector<int>{m_Ids[3], m_Ids[2], m_Ids[1], m_Ids[0]}));
  Delivered();
  // The anchor stays: a second shift-click measures from row 3 again.
  ClickRow(4, kgui::MOUSE_LEFT, false, true);
  EXPECT_EQ(Selected(), (std::vector<int>{m_Ids[3], m_Ids[4]}));
  EXPECT_EQ(Delivered(), (std::vector<std::string>{"ItemDeselected", "ItemSelected"}));
  // Control with shift adds the range to what was selected.
  ClickRow(1, kgui::MOUSE_LEFT, true);
  ClickRow(0, kgui::MOUSE_LEFT, true, true);
  EXPECT_EQ(Selected(), (std::vector<int>{m_Ids[3], m_Ids[4], m_Ids[1], m_Ids[0]}));
}

TEST_F(ListSelectionTest, WithoutMultipleSelectionModifiersSelectOneRow) {
  m_pList->SetMultiselectEnabled(false);
  ClickRow(1);
  ClickRow(3, kgui::MOUSE_LEFT, true);
  ClickRow(4, kgui::MOUSE_LEFT, false, true);
  EXPECT_EQ(Selected(), (std::vector<int>{m_Ids[4]}));
}

TEST_F(ListSelectionTest, RightClickKeepsASelectedRangeAndOpensTheContextMenuForTheFirstRow) {
  ClickRow(1);
  ClickRow(3, kgui::MOUSE_LEFT, false, true);
  Delivered();
  ClickRow(2, kgui::MOUSE_RIGHT);
  EXPECT_EQ(Selected(), (std::vector<int>{m_Ids[1], m_Ids[2], m_Ids[3]}));
  EXPECT_EQ(Delivered(), (std::vector<std::string>{"OpenContextMenu " + std::to_string(m_Ids[1])}));
  // On a row that is not selected, the right press selects it alone first.
  ClickRow(4, kgui::MOUSE_RIGHT);
  EXPECT_EQ(Selected(), (std::vector<int>{m_Ids[4]}));
  EXPECT_EQ(Delivered(), (std::vector<std::string>{"ItemDeselected", "ItemSelected",
                                                   "OpenContextMenu " + std::to_string(m_Ids[4])}));
  // Below the last row nothing is selected and the menu opens for no row.
  int x = 0, y = 0;
  RowPoint(7, x, y);
  Runtime().ClickAt(x, y, kgui::MOUSE_RIGHT);
  EXPECT_EQ(Delivered(), (std::vector<std::string>{"ItemDeselected", "OpenContextMenu -1"}));
  // An empty list opens the menu for no row too (a left press there posts nothing).
  m_pList->ClearItems();
  Delivered();
  Runtime().ClickAt(x, y, kgui::MOUSE_LEFT);
  EXPECT_TRUE(Delivered().empty());
  Runtime().ClickAt(x, y, kgui::MOUSE_RIGHT);
  EXPECT_EQ(Delivered(), (std::vector<std::string>{"OpenContextMenu -1"}));
}

TEST_F(ListSelectionTest, DoubleClickActsAsEnterUnlessIgnored) {
  const std::string enter = "KeyCodeTyped " + std::to_string(kgui::KEY_ENTER);
  Runtime().DoubleClick(m_pList);  // the middle of the list is row 4
  EXPECT_EQ(Selected(), (std::vector<int>{m_Ids[4]}));
  EXPECT_EQ(Delivered(), (std::vector<std::string>{enter, "ItemSelected"}));  // Enter goes up at once
  m_pList->SetIgnoreDoubleClick(true);
  Runtime().DoubleClick(m_pList);
  EXPECT_TRUE(Delivered().empty());
  // Without a selected row there is nothing to act on.
  m_pList->SetIgnoreDoubleClick(false);
  m_pList->SetItemUnselectable(m_Ids[4], true);
  m_pList->ClearSelection();
  Delivered();
  Runtime().DoubleClick(m_pList);
  EXPECT_TRUE(Delivered().empty());
}

TEST_F(ListSelectionTest, KeysMoveTheSelectionWithinTheRows) {
  struct Case {
    kgui::KeyCode key;
    int fromRow;
    int toRow;
  };
  const Case cases[] = {
      {kgui::KEY_DOWN, 1, 2}, {kgui::KEY_UP, 1, 0},  {kgui::KEY_UP, 0, 0},       {kgui::KEY_DOWN, 4, 4},
      {kgui::KEY_HOME, 3, 0}, {kgui::KEY_END, 1, 4}, {kgui::KEY_PAGEDOWN, 0, 4}, {kgui::KEY_PAGEUP, 4, 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << "key " << c.key << " from " << c.fromRow);
    ClickRow(c.fromRow);
    TypeKey(c.key);
    EXPECT_EQ(Selected(), (std::vector<int>{m_pList->GetItemIDAtRow(c.toRow)}));
  }
  Delivered();
  // Other keys go on to the owner.
  TypeKey(kgui::KEY_F5);
  EXPECT_EQ(Delivered(), (std::vector<std::string>{"KeyCodeTyped " + std::to_string(kgui::KEY_F5)}));
}

TEST_F(ListSelectionTest, PageKeysGoToTheEdgeOfTheViewThenByAPage) {
  m_pList->ClearItems();
  for (int i = 0; i < 100; ++i) AddRows({{("Row " + std::to_string(i)).c_str(), "m", i}});
  Layout();
  ClickRow(0);
  TypeKey(kgui::KEY_PAGEDOWN);  // the last row in view (10 fit)
  EXPECT_EQ(m_pList->GetRowOfItem(Selected()[0]), 9);
  TypeKey(kgui::KEY_PAGEDOWN);  // then by the rows in view less two
  EXPECT_EQ(m_pList->GetRowOfItem(Selected()[0]), 17);
  EXPECT_EQ(m_pList->GetFirstVisibleRow(), 8);
  TypeKey(kgui::KEY_PAGEUP);  // more than one row below the top row: to the top row
  EXPECT_EQ(m_pList->GetRowOfItem(Selected()[0]), 8);
  TypeKey(kgui::KEY_PAGEUP);
  EXPECT_EQ(m_pList->GetRowOfItem(Selected()[0]), 0);
  TypeKey(kgui::KEY_END);
  EXPECT_EQ(m_pList->GetRowOfItem(Selected()[0]), 99);
  EXPECT_EQ(m_pList->GetFirstVisibleRow(), 90);
}

TEST_F(ListSelectionTest, KeysSkipRowsOfCollapsedSections) {
  const int hidden = m_pList->AddSection("Hidden");
  m_pList->SetItemSection(m_Ids[1], hidden);
  m_pList->SetItemSection(m_Ids[2], hidden);
  m_pList->SortByColumn(2, true);
  Layout();
  ASSERT_EQ(ColumnTexts(0), (std::vector<std::string>{"Alpha", "Delta", "Echo", "Bravo", "Charlie"}));
  m_pList->SetSectionCollapsed(hidden, true);
  ClickRow(2);
  TypeKey(kgui::KEY_DOWN);  // Bravo and Charlie are collapsed: stays on Echo
  EXPECT_EQ(Selected(), (std::vector<int>{m_Ids[4]}));
  TypeKey(kgui::KEY_END);
  EXPECT_EQ(Selected(), (std::vector<int>{m_Ids[4]}));
}

TEST_F(ListSelectionTest, CellSelectionSelectsARowAndAColumn) {
  m_pList->SetSelectIndividualCells(true);
  ClickRow(1);
  EXPECT_EQ(Selected(), (std::vector<int>{m_Ids[1]}));
  EXPECT_EQ(m_pList->GetSelectedColumn(), 0);
  TypeKey(kgui::KEY_RIGHT);
  EXPECT_EQ(m_pList->GetSelectedColumn(), 1);
  TypeKey(kgui::KEY_LEFT);
  TypeKey(kgui::KEY_LEFT);
  EXPECT_EQ(m_pList->GetSelectedColumn(), 0);
  ClickRow(1, kgui::MOUSE_LEFT, true);  // the only selected cell, with control: cleared
  EXPECT_EQ(m_pList->GetSelectionCount(), 0);
  EXPECT_EQ(m_pList->GetSelectedColumn(), -1);
}

TEST_F(ListSelectionTest, TypingJumpsToTheFirstMatchingRowAndResetsAfterASecond) {
  m_pList->ClearItems();
  m_Ids = AddRows({{"Summit", "m", 1},
                   {"The Stormfront", "m", 2},
                   {"Sss Club", "m", 3},
                   {"Tundra", "m", 4},
                   {"A Thousand Lakes", "m", 5}});
  Layout();
  m_pList->RequestFocus();
  Runtime().TypeText("s");
  EXPECT_EQ(Selected(), (std::vector<int>{m_Ids[0]}));
  Runtime().TypeText("s");  // within a second: "ss"
  EXPECT_EQ(Selected(), (std::vector<int>{m_Ids[2]}));
  Advance(1.5);
  Runtime().TypeText("t");  // afresh: "t", from the row after the selected one
  EXPECT_EQ(Selected(), (std::vector<int>{m_Ids[3]}));
  Advance(0.5);
  Runtime().TypeText("h");  // "th": "A Thousand Lakes" reads as "Thousand Lakes", "The Stormfront" as
                            // "Stormfront"
  EXPECT_EQ(Selected(), (std::vector<int>{m_Ids[4]}));
  Advance(2);
  Runtime().TypeText("the s");  // typing the article compares whole texts
  EXPECT_EQ(Selected(), (std::vector<int>{m_Ids[1]}));
  Advance(2);
  Runtime().TypeText("s");  // a first character moves on from the selected row
  EXPECT_EQ(Selected(), (std::vector<int>{m_Ids[2]}));
  Runtime().TypeText("x");  // "sx": nothing matches, the selection stays
  EXPECT_EQ(Selected(), (std::vector<int>{m_Ids[2]}));
}

TEST_F(ListSelectionTest, TypingWithoutATypeAheadColumnGoesToTheOwner) {
  m_pList->SetColumnShown(0, false);  // the type-ahead column
  m_pList->RequestFocus();
  Delivered();
  Runtime().TypeText("a");
  EXPECT_EQ(m_pList->GetSelectionCount(), 0);
  EXPECT_EQ(Delivered(), (std::vector<std::string>{"KeyTyped 97"}));
}

TEST(ListTypeAhead, ArticlesAreSkippedOnlyBeforeMoreText) {
  struct Case {
    const char *text;
    const char *skipped;
  };
  const Case cases[] = {{"The Summit", "Summit"},
                        {"a lake", "lake"},
                        {"AN Island", "Island"},
                        {"Theatre", "Theatre"},
                        {"the ", "the "},
                        {"Another", "Another"},
                        {"", ""}};
  for (const Case &c : cases)
    EXPECT_STREQ(kgui::CTypingJumpHandler::SkipArticle(c.text), c.skipped) << c.text;
}
