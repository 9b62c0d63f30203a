// Layout and looks: column widths (the layout pass, resize handles, fitting a column to its
// contents), hiding and showing columns and the column menu, painting only the rows in view,
// scrolling, the empty-list text, texts cut to their column, the sort arrow beside a header's
// image, the per-user settings and the state dump.
#include <algorithm>

#include "kgui_controls/ImageList.h"
#include "kgui_controls/ListPanelColumnHeader.h"
#include "kgui_controls/Menu.h"
#include "kgui_controls/MenuItem.h"
#include "kgui_controls/ScrollBar.h"
#include "listpanel_fixture.h"

using kgui::ListPanel;
using listtest::Row;

namespace {

int TotalShownWidth(ListPanel *list) {
  int total = 0;
  for (int col = 0; col < list->GetColumnCount(); ++col)
    total += list->IsColumnShown(col) ? list->GetColumnWidth(col) : 0;
  return total;
}

// The row area of the test list: the list's width less its border (and the strip on the right when
// a scroll bar or the column menu button shows).
constexpr int kAreaWide = 600;

}  // namespace

TEST_F(ListPanelTest, TheLayoutPassFillsTheWidthFavouringColumnsThatFollowTheWindow) {
  m_pList->AddColumnHeader(0, "icon", "", 24, ListPanel::ColumnFixedWidth);
  m_pList->AddColumnHeader(1, "name", "Name", 200, ListPanel::ColumnResizeWithWindow);
  m_pList->AddColumnHeader(2, "map", "Map", 100);
  Layout();
  EXPECT_EQ(TotalShownWidth(m_pList), kAreaWide);
  EXPECT_EQ(m_pList->GetColumnWidth(0), 24);
  EXPECT_EQ(m_pList->GetColumnWidth(1), kAreaWide - 24 - 100);
  EXPECT_EQ(m_pList->GetColumnWidth(2), 100);
  // Narrower: the window-following column gives back first; the fixed column never changes.
  m_pList->SetWide(502);
  Layout();
  EXPECT_EQ(m_pList->GetColumnWidth(0), 24);
  EXPECT_EQ(m_pList->GetColumnWidth(1), 500 - 24 - 100);
  EXPECT_EQ(TotalShownWidth(m_pList), 500);
  // Headers sit side by side, each handle at its column's right edge.
  EXPECT_EQ(m_pList->GetColumnHeader(1)->GetXPos(), 1 + 24);
  EXPECT_EQ(m_pList->GetColumnHeader(2)->GetXPos(), 1 + 24 + m_pList->GetColumnWidth(1));
  EXPECT_EQ(m_pList->GetColumnDragger(1)->GetXPos() + kgui::ListPanelDragger::kWide / 2,
            m_pList->GetColumnHeader(2)->GetXPos());
  // Much narrower: every column stops at its minimum width.
  m_pList->SetWide(60);
  Layout();
  EXPECT_EQ(m_pList->GetColumnWidth(0), 24);
  EXPECT_EQ(m_pList->GetColumnWidth(1), 20);
  EXPECT_EQ(m_pList->GetColumnWidth(2), 20);
}

TEST_F(ListPanelTest, WithoutWindowColumnsTheWidthIsSharedPixelByPixelFromTheLeft) {
  m_pList->AddColumnHeader(0, "a", "A", 100);
  m_pList->AddColumnHeader(1, "b", "B", 100);
  m_pList->AddColumnHeader(2, "c", "C", 101);
  Layout();
  EXPECT_EQ(m_pList->GetColumnWidth(0), 200);
  EXPECT_EQ(m_pList->GetColumnWidth(1), 200);
  EXPECT_EQ(m_pList->GetColumnWidth(2), 200);
}

TEST_F(ListPanelTest, DraggingAHandleResizesWithinTheLimitsAndTheColumnsToTheRightGiveWay) {
  m_pList->AddColumnHeader(0, "name", "Name", 200, 50, 400, 0);
  m_pList->AddColumnHeader(1, "map", "Map", 200);
  m_pList->AddColumnHeader(2, "ping", "Ping", 200);
  Layout();
  kgui::ListPanelDragger *handle = m_pList->GetColumnDragger(0);
  int x = 0, y = 0;
  handle->LocalToScreen(x, y);
  x += handle->GetWide() / 2;
  y += 5;
  Runtime().MoveCursorTo(x, y);
  KeyValues press("MousePressed", "code", kgui::MOUSE_LEFT);
  Runtime().SendMessage(handle->GetVPanel(), &press, 0);
  EXPECT_TRUE(handle->IsDragging());
  Runtime().MoveCursorTo(x + 50, y);
  EXPECT_EQ(m_pList->GetColumnWidth(0), 250);
  Runtime().MoveCursorTo(x + 500, y);  // held at the maximum
  EXPECT_EQ(m_pList->GetColumnWidth(0), 400);
  Runtime().MoveCursorTo(x - 500, y);  // and at the minimum
  EXPECT_EQ(m_pList->GetColumnWidth(0), 50);
  Runtime().MoveCursorTo(x + 100, y);
  KeyValues release("MouseReleased", "code", kgui::MOUSE_LEFT);
  Runtime().SendMessage(handle->GetVPanel(), &release, 0);
  EXPECT_FALSE(handle->IsDragging());
  Layout();
  // The resized column keeps its width; only the columns to its right give way.
  EXPECT_EQ(m_pList->GetColumnWidth(0), 300);
  EXPECT_EQ(TotalShownWidth(m_pList), kAreaWide);

  // However far it is asked to grow, the columns to its right keep their minimum widths.
  KeyValues resized("ColumnResized", "column", 0, "delta", 5000);
  m_pList->SetBounds(kListX, kListY, 302, kListTall);
  Runtime().SendMessage(m_pList->GetVPanel(), &resized, 0);
  EXPECT_EQ(m_pList->GetColumnWidth(0), 300 - 20 - 20);
}

TEST_F(ListPanelTest, AFixedColumnCannotBeResizedByTheUser) {
  m_pList->AddColumnHeader(0, "secure", "", 30, ListPanel::ColumnFixedWidth);
  m_pList->AddColumnHeader(1, "name", "Name", 200);
  Layout();
  for (const char *message : {"ColumnResized", "ResizeColumnToContents"}) {
    KeyValues resize(message, "column", 0, "delta", 40);
    Runtime().SendMessage(m_pList->GetVPanel(), &resize, 0);
  }
  m_pList->SetWide(802);
  Layout();
  EXPECT_EQ(m_pList->GetColumnWidth(0), 30);
  EXPECT_FALSE(m_pList->GetColumnDragger(0)->IsEnabled());
}

TEST_F(ListPanelTest, ResizeToContentsMeasuresAtMostFourHundredRows) {
  m_pList->AddColumnHeader(0, "name", "N", 60);
  m_pList->AddColumnHeader(1, "map", "Map", 60);
  Layout();
  for (int i = 0; i < 400; ++i) AddRows({{"Short", "m", i}});
  AddRows({{"A name far too long to be measured at all", "m", 0}});
  KeyValues fit("ResizeColumnToContents", "column", 0);
  Runtime().SendMessage(m_pList->GetVPanel(), &fit, 0);
  // The fake runtime draws 7 pixels a character. The cells: "Short" and the cell's insets of 4,
  // plus 2; the header: "N", its insets of 5 and room for the arrow (14). The wider, plus 2.
  const int cell = 5 * 7 + 2 * 4 + 2;
  const int header = 7 + 2 * 5 + 14;
  EXPECT_EQ(m_pList->GetColumnWidth(0), std::max(cell, header) + 2);
  // A header wider than the cells decides.
  m_pList->SetColumnHeaderLabel(0, "A much longer header text");
  Runtime().SendMessage(m_pList->GetVPanel(), &fit, 0);
  EXPECT_EQ(m_pList->GetColumnWidth(0), 25 * 7 + 2 * 5 + 14 + 2);
}

TEST_F(ListPanelTest, HiddenColumnsComeBackFittedToTheirContents) {
  m_pList->AddColumnHeader(0, "name", "Name", 100);
  m_pList->AddColumnHeader(1, "map", "Map", 100, ListPanel::ColumnHiddenAtStart);
  m_pList->AddColumnHeader(2, "ping", "Ping", 100,
                           ListPanel::ColumnHiddenAtStart | ListPanel::ColumnAlwaysShown);
  m_pList->AddColumnHeader(3, "id", "Id", 100, ListPanel::ColumnNotInMenu);
  EXPECT_FALSE(m_pList->IsColumnShown(1));
  EXPECT_FALSE(m_pList->GetColumnHeader(1)->IsVisible());
  EXPECT_TRUE(m_pList->IsColumnShown(2));  // always shown wins over hidden at start
  m_pList->SetColumnShown(2, false);
  m_pList->SetColumnShown(3, false);
  EXPECT_TRUE(m_pList->IsColumnShown(2));
  EXPECT_TRUE(m_pList->IsColumnShown(3));

  AddRows({{"Alpha", "a map with a long name", 1}});
  m_pList->SetColumnShown(1, true);
  EXPECT_TRUE(m_pList->GetColumnHeader(1)->IsVisible());
  EXPECT_TRUE(m_pList->GetColumnDragger(1)->IsVisible());
  // 22 characters of 7 pixels with the cell's insets: wider than the 100 it was made with.
  EXPECT_GT(m_pList->GetColumnWidth(1), 22 * 7);
}

TEST_F(ListPanelTest, TheColumnMenuListsTheChoosableColumnsAndTogglesThem) {
  m_pList->AddColumnHeader(0, "name", "Name", 100, ListPanel::ColumnAlwaysShown);
  m_pList->AddColumnHeader(1, "map", "Map", 100, ListPanel::ColumnHiddenAtStart);
  m_pList->AddColumnHeader(2, "id", "Id", 100, ListPanel::ColumnNotInMenu);
  KeyValues open("OpenColumnChoiceMenu");
  Runtime().SendMessage(m_pList->GetVPanel(), &open, 0);
  EXPECT_EQ(m_pList->GetColumnChoiceMenu(), nullptr);  // the user may not choose yet

  m_pList->AllowColumnChoice(true);
  EXPECT_TRUE(m_pList->GetColumnSelectButton()->IsVisible());
  Layout();
  Runtime().Click(m_pList->GetColumnSelectButton());
  Runtime().DeliverMessages();
  kgui::Menu *menu = m_pList->GetColumnChoiceMenu();
  ASSERT_NE(menu, nullptr);
  EXPECT_STREQ(menu->GetName(), "ContextMenu");
  EXPECT_TRUE(menu->IsVisible());
  ASSERT_EQ(menu->GetItemCount(), 2);
  EXPECT_EQ(menu->GetMenuItem(0)->GetText(), "Name");
  EXPECT_TRUE(menu->GetMenuItem(0)->IsChecked());
  EXPECT_FALSE(menu->GetMenuItem(0)->IsEnabled());
  EXPECT_EQ(menu->GetMenuItem(1)->GetText(), "Map");
  EXPECT_FALSE(menu->GetMenuItem(1)->IsChecked());

  menu->ActivateItem(1);
  Runtime().DeliverMessages();
  EXPECT_TRUE(m_pList->IsColumnShown(1));
  Runtime().SendMessage(m_pList->GetVPanel(), &open, 0);
  menu->ActivateItem(1);
  Runtime().DeliverMessages();
  EXPECT_FALSE(m_pList->IsColumnShown(1));
}

TEST_F(ListPanelTest, PaintingDrawsOnlyTheRowsInView) {
  AddStandardColumns();
  auto drawCallsFor = [&](int rows) {
    m_pList->ClearItems();
    KeyValuesAD record(listtest::MakeRecord({"Server of some name", "canyon", 42}));
    for (int i = 0; i < rows; ++i) m_pList->AddItem(record.get(), 0, false, false);
    Layout();
    const int before = Runtime().DrawCallCount();
    Runtime().PaintAll();
    return Runtime().DrawCallCount() - before;
  };
  const int few = drawCallsFor(100);
  const int many = drawCallsFor(20000);
  EXPECT_EQ(few, many);
  // Scrolled to the middle, no more rows are drawn than fit (a part row at each edge at most).
  KeyValues wheel("MouseScrolled", "delta", -1);
  Runtime().SendMessage(m_pList->GetVPanel(), &wheel, 0);
  EXPECT_EQ(m_pList->GetScrollOffset(), 3 * m_pList->GetRowHeight());
  m_pList->SetBounds(kListX, kListY, 602, kListTall + 7);  // rows cut at both edges
  Layout();
  m_pList->ScrollToItem(m_pList->GetItemIDAtRow(10000));
  const int before = Runtime().DrawCallCount();
  Runtime().PaintAll();
  EXPECT_LE(Runtime().DrawCallCount() - before, few + 2 * 3 * 2);
}

TEST_F(ListPanelTest, TheScrollBarShowsOnlyWhenTheRowsDoNotFit) {
  AddStandardColumns();
  AddRows({{"A", "m", 1}, {"B", "m", 2}});
  Layout();
  EXPECT_FALSE(m_pList->GetScrollBar()->IsVisible());
  EXPECT_EQ(TotalShownWidth(m_pList), kAreaWide);
  for (int i = 0; i < 20; ++i) AddRows({{"More", "m", i}});
  Layout();
  Layout();
  EXPECT_TRUE(m_pList->GetScrollBar()->IsVisible());
  EXPECT_EQ(TotalShownWidth(m_pList), kAreaWide - 16);
  // Adding with scrolling brings the new row into view.
  KeyValuesAD record(listtest::MakeRecord({"Last", "m", 0}));
  const int last = m_pList->AddItem(record.get(), 0, true, false);
  EXPECT_EQ(m_pList->GetScrollOffset(), (m_pList->GetRowOfItem(last) + 1) * 20 - 200);
}

TEST_F(ListPanelTest, TheEmptyTextShowsWhileNoRowDoes) {
  AddStandardColumns();
  Runtime().AddToken("#List_Empty", u"No servers answered");
  m_pList->SetEmptyText("#List_Empty");
  EXPECT_EQ(m_pList->GetEmptyText(), "No servers answered");
  KeyValuesAD block(new KeyValues("Panel"));
  m_pList->Describe(block.get());
  EXPECT_STREQ(block->GetString("emptytext"), "No servers answered");
  const int id = AddRows({{"A", "m", 1}})[0];
  block.reset(new KeyValues("Panel"));
  m_pList->Describe(block.get());
  EXPECT_EQ(block->FindKey("emptytext"), nullptr);
  m_pList->ShowItem(id, false);
  block.reset(new KeyValues("Panel"));
  m_pList->Describe(block.get());
  EXPECT_STREQ(block->GetString("emptytext"), "No servers answered");
}

TEST_F(ListPanelTest, TheDumpListsColumnsAndShownRowsInOrderWithTheSelection) {
  auto *images = new kgui::ImageList();
  images->AddImage(Runtime().GetImage("lock", false));
  m_pList->AttachImageList(images, true);
  AddStandardColumns();
  m_pList->AddColumnHeader(0, "password", "", 20, ListPanel::ColumnImage | ListPanel::ColumnFixedWidth);
  m_pList->AddColumnHeader(4, "gamedesc", "Game", 100, ListPanel::ColumnHiddenAtStart);
  m_pList->SetColumnHeaderIcon(0, 1);
  const std::vector<int> ids =
      AddRows({{"Bravo", "harbor", 20}, {"Alpha", "canyon", 10}, {"Hidden", "x", 0}});
  m_pList->GetItemData(ids[0])->SetInt("password", 1);
  m_pList->ShowItem(ids[2], false);
  m_pList->SortByColumn(1, true);
  m_pList->SelectOnly(ids[0]);
  Layout();

  KeyValuesAD block(new KeyValues("Panel"));
  m_pList->Describe(block.get());
  std::vector<std::string> names, shown;
  for (KeyValues *column = block->FindKey("Columns")->GetFirstSubKey(); column;
       column = column->GetNextKey()) {
    names.push_back(column->GetString("name"));
    shown.push_back(std::string(column->GetString("header")) + "=" + column->GetString("shown"));
  }
  EXPECT_EQ(names, (std::vector<std::string>{"password", "name", "map", "ping", "gamedesc"}));
  EXPECT_EQ(shown, (std::vector<std::string>{"=1", "Name=1", "Map=1", "Ping=1", "Game=0"}));
  std::vector<std::string> rows;
  for (KeyValues *row = block->FindKey("Rows")->GetFirstSubKey(); row; row = row->GetNextKey()) {
    rows.push_back(std::string(row->GetString("password")) + " " + row->GetString("name") + " " +
                   row->GetString("map") + " " + row->GetString("ping") + " " +
                   row->GetString("selected", "0") + (row->FindKey("gamedesc") ? " gamedesc" : ""));
  }
  EXPECT_EQ(rows, (std::vector<std::string>{"0 Alpha canyon 10 0", "1 Bravo harbor 20 1"}));
  EXPECT_NE(m_pList->GetColumnHeader(0)->GetIconImage(), nullptr);
}

TEST_F(ListPanelTest, CellsAndHeadersTooLongForTheirColumnEndInAnEllipsis) {
  // Widths that fill the row area, so the layout pass leaves them as they are; the 95 pixels from
  // a cell's text inset to its clip edge hold twelve characters and the ellipsis.
  m_pList->AddColumnHeader(0, "name", "Name", 100);
  m_pList->AddColumnHeader(1, "map", "Last played on", 100);
  m_pList->AddColumnHeader(2, "ping", "Ping", 400);
  const std::vector<int> ids =
      AddRows({{"Amber Hall", "harbor", 20}, {"Saltmarsh Keep Veterans", "a very long map", 45}});
  Layout();
  ASSERT_EQ(m_pList->GetColumnWidth(0), 100);

  EXPECT_EQ(m_pList->GetCellText(ids[1], 0), "Saltmarsh Keep Veterans");  // the record is whole
  EXPECT_EQ(m_pList->GetCellDrawnText(ids[1], 0), "Saltmarsh Ke\u2026");
  EXPECT_EQ(m_pList->GetCellDrawnText(ids[1], 1), "a very long\u2026");  // no blank before the ellipsis
  EXPECT_EQ(m_pList->GetCellDrawnText(ids[0], 0), "Amber Hall");
  EXPECT_EQ(m_pList->GetCellDrawnText(ids[1], 2), "45");

  Runtime().RecordPrintedTexts(true);
  Runtime().PaintAll();
  const std::vector<std::u16string> &printed = Runtime().PrintedTexts();
  auto wasPrinted = [&](const std::u16string &text) {
    return std::find(printed.begin(), printed.end(), text) != printed.end();
  };
  EXPECT_TRUE(wasPrinted(u"Saltmarsh Ke\u2026"));
  EXPECT_TRUE(wasPrinted(u"Amber Hall"));
  EXPECT_FALSE(wasPrinted(u"Saltmarsh Keep Veterans"));
  EXPECT_TRUE(wasPrinted(u"Last played\u2026"));  // the header: 94 pixels up to its separator

  // The dump shows what is drawn, and only cut texts differ from the records.
  auto dumpOf = [&](KeyValuesAD &block) {
    block.reset(new KeyValues("Panel"));
    m_pList->Describe(block.get());
  };
  KeyValuesAD block;
  dumpOf(block);
  KeyValues *rows = block->FindKey("Rows");
  ASSERT_NE(rows, nullptr);
  KeyValues *first = rows->GetFirstSubKey();
  ASSERT_TRUE(first && first->GetNextKey());
  EXPECT_STREQ(first->GetString("name"), "Amber Hall");
  EXPECT_STREQ(first->GetString("map"), "harbor");
  EXPECT_STREQ(first->GetNextKey()->GetString("name"), "Saltmarsh Ke\u2026");
  KeyValues *mapColumn = block->FindKey("Columns")->GetFirstSubKey()->GetNextKey();
  EXPECT_STREQ(mapColumn->GetString("header"), "Last played\u2026");
  EXPECT_EQ(mapColumn->FindKey("sortarrow"), nullptr);

  // Sorted, the header's text ends before the arrow.
  m_pList->SortByColumn(1, false);
  Layout();
  EXPECT_EQ(m_pList->GetColumnHeader(1)->GetDrawnText(), "Last playe\u2026");
  dumpOf(block);
  mapColumn = block->FindKey("Columns")->GetFirstSubKey()->GetNextKey();
  EXPECT_STREQ(mapColumn->GetString("header"), "Last playe\u2026");
  EXPECT_STREQ(mapColumn->GetString("sortarrow"), "down");

  // Room enough again: the whole text.
  KeyValues fit("ResizeColumnToContents", "column", 0);
  Runtime().SendMessage(m_pList->GetVPanel(), &fit, 0);
  Layout();
  EXPECT_EQ(m_pList->GetCellDrawnText(ids[1], 0), "Saltmarsh Keep Veterans");
}

TEST_F(ListPanelTest, ASortedImageColumnShowsItsIconBesideTheArrowOrAboveItWhenNarrow) {
  auto *icon = static_cast<kguitest::FakeImage *>(Runtime().GetImage("lock", false));
  auto *arrowImage = static_cast<kguitest::FakeImage *>(Runtime().GetImage("uparrow", false));
  struct Case {
    int width;
    bool compact;  // a small arrow under the icon
  };
  // The test icon is 32 x 16; the 10-pixel arrow beside it needs 32 + 18 pixels inside the header.
  const Case cases[] = {{60, false}, {51, false}, {50, true}, {20, true}, {16, true}};
  for (const Case &c : cases) {
    auto *list = new ListPanel(m_pOwner, "Icons");
    list->SetBounds(kListX, kListY, 602, kListTall);
    auto *images = new kgui::ImageList();
    images->AddImage(icon);
    list->AttachImageList(images, true);
    list->AddColumnHeader(0, "password", "Password", c.width,
                          ListPanel::ColumnImage | ListPanel::ColumnFixedWidth);
    list->AddColumnHeader(1, "name", "Name", 200);
    list->SetColumnHeaderIcon(0, 1);
    list->SortByColumn(0, true);
    Layout();
    icon->paints = arrowImage->paints = 0;
    Runtime().PaintAll();

    kgui::ListPanelColumnHeader *header = list->GetColumnHeader(0);
    ASSERT_EQ(header->GetWide(), c.width);
    EXPECT_EQ(icon->paints, 1) << c.width;
    int x = 0, y = 0, wide = 0, tall = 0;
    ASSERT_TRUE(header->GetSortArrowBounds(x, y, wide, tall)) << c.width;
    // Inside the separator lines at the right and the bottom, and clear of the icon.
    EXPECT_GE(x, 0) << c.width;
    EXPECT_LE(x + wide, header->GetWide() - 1) << c.width;
    EXPECT_GE(y, 0) << c.width;
    EXPECT_LE(y + tall, header->GetTall() - 1) << c.width;
    const bool besideIcon = x >= icon->posX + icon->drawWide;
    const bool underIcon = y >= icon->posY + icon->drawTall;
    EXPECT_EQ(besideIcon, !c.compact) << c.width;
    EXPECT_EQ(underIcon, c.compact) << c.width;
    if (!c.compact) {
      // The scheme's arrow picture, where the header says it is.
      EXPECT_EQ(arrowImage->paints, 1) << c.width;
      EXPECT_EQ(arrowImage->posX, x) << c.width;
      EXPECT_EQ(arrowImage->posY, y) << c.width;
    }
    KeyValuesAD block(new KeyValues("Panel"));
    header->Describe(block.get());
    EXPECT_STREQ(block->GetString("sortarrow"), "up") << c.width;
    EXPECT_EQ(block->GetInt("icon"), 1) << c.width;
    EXPECT_STREQ(block->GetString("text"), "Password") << c.width;  // not drawn, so never cut
    delete list;
  }
}

TEST_F(ListPanelTest, AnIconWithNoRoomLeftForTheArrowIsShownWithoutIt) {
  auto *icon = static_cast<kguitest::FakeImage *>(Runtime().GetImage("lock", false));
  auto *header = new kgui::ListPanelColumnHeader(m_pOwner, "flat", "");
  header->SetBounds(0, 0, 20, 16);
  header->SetIconImage(icon);
  header->SetSortArrow(kgui::ListPanelColumnHeader::ARROW_DOWN);
  icon->paints = 0;
  Runtime().PaintAll();
  int x = 0, y = 0, wide = 0, tall = 0;
  EXPECT_FALSE(header->GetSortArrowBounds(x, y, wide, tall));
  EXPECT_EQ(icon->paints, 1);
  EXPECT_EQ(icon->posY, 0);  // centred as without a sort
  KeyValuesAD block(new KeyValues("Panel"));
  header->Describe(block.get());
  EXPECT_EQ(block->FindKey("sortarrow"), nullptr);
  EXPECT_EQ(block->GetInt("icon"), 1);
}
