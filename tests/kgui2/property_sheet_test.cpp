// Tab sheets: the active page, the messages that announce page changes, tabs and focus.
#include <string>
#include <vector>

#include "kgui_controls/Button.h"
#include "kgui_controls/PropertyPage.h"
#include "kgui_controls/PropertySheet.h"
#include "kgui_controls/TextEntry.h"
#include "kgui_controls/controls.h"
#include "support/toolkit_fixture.h"
#include "tier1/KeyValues.h"

using kgui::PropertySheet;

namespace {

std::vector<std::string> g_Log;

class Page : public kgui::PropertyPage {
  DECLARE_CLASS_SIMPLE(Page, kgui::PropertyPage);

 public:
  Page(const char *name) : PropertyPage(nullptr, name) {}

 protected:
  void OnPageShow() override { g_Log.push_back(std::string("PageShow ") + GetName()); }
  void OnPageHide() override { g_Log.push_back(std::string("PageHide ") + GetName()); }
};

DEFINE_EMPTY_MESSAGE_MAP(Page, kgui::PropertyPage)

class Owner : public kgui::EditablePanel {
  DECLARE_CLASS_SIMPLE(Owner, kgui::EditablePanel);

 public:
  Owner() : EditablePanel(nullptr, "Owner") {}
  void OnPageChanged(kgui::Panel *panel) {
    auto *sheet = static_cast<PropertySheet *>(panel);
    g_Log.push_back(std::string("PageChanged ") + sheet->GetActivePage()->GetName());
  }
};

BEGIN_MESSAGE_MAP(Owner, kgui::EditablePanel)
MESSAGE_ENTRY("PageChanged", OnPageChanged, "panel")
END_MESSAGE_MAP()

class PropertySheetTest : public ToolkitTest {
 protected:
  PropertySheetTest() {
    g_Log.clear();
    m_pOwner = new Owner();
    m_pOwner->SetParent(Runtime().Desktop());
    m_pOwner->SetBounds(0, 0, 600, 400);
    m_pSheet = new PropertySheet(m_pOwner, "Sheet");
    m_pSheet->SetBounds(10, 10, 580, 380);
    for (const char *name : {"Internet", "Favorites", "History"}) {
      Page *page = new Page(name);
      m_Pages.push_back(page);
      m_pSheet->AddPage(page, name);
    }
    Runtime().RunFrame();
  }
  ~PropertySheetTest() override { delete m_pOwner; }
  std::vector<std::string> Log() {
    Runtime().DeliverMessages();
    std::vector<std::string> log;
    log.swap(g_Log);
    return log;
  }

  Owner *m_pOwner;
  PropertySheet *m_pSheet;
  std::vector<Page *> m_Pages;
};

TEST_F(PropertySheetTest, FirstPageIsActiveAndOnlyItShows) {
  EXPECT_EQ(m_pSheet->GetNumPages(), 3);
  EXPECT_EQ(m_pSheet->GetActivePage(), m_Pages[0]);
  EXPECT_TRUE(m_Pages[0]->IsVisible());
  EXPECT_FALSE(m_Pages[1]->IsVisible());
  EXPECT_EQ(Log(), (std::vector<std::string>{"PageShow Internet", "PageChanged Internet"}));
}

TEST_F(PropertySheetTest, ChangingPagesTellsThePagesAndTheOwner) {
  Log();
  m_pSheet->SetActivePage(m_Pages[2]);
  m_pSheet->SetActivePage(m_Pages[2]);  // already active: nothing
  EXPECT_EQ(m_pSheet->GetActivePageNum(), 2);
  EXPECT_TRUE(m_Pages[2]->IsVisible());
  EXPECT_FALSE(m_Pages[0]->IsVisible());
  EXPECT_EQ(Log(),
            (std::vector<std::string>{"PageHide Internet", "PageShow History", "PageChanged History"}));
}

TEST_F(PropertySheetTest, ClickingATabActivatesItsPage) {
  Log();
  Runtime().Click(m_pSheet->GetTab(m_Pages[1]));
  EXPECT_EQ(Log(),
            (std::vector<std::string>{"PageHide Internet", "PageShow Favorites", "PageChanged Favorites"}));
}

TEST_F(PropertySheetTest, TabsAreAtLeastTheMinimumWidth) {
  m_pSheet->SetTabWidth(150);
  Runtime().RunFrame();
  for (Page *page : m_Pages) EXPECT_EQ(m_pSheet->GetTab(page)->GetWide(), 150);
  m_pSheet->SetTabWidth(10);
  Runtime().RunFrame();
  // "Favorites" is 9 characters of 7 pixels, plus padding.
  EXPECT_GT(m_pSheet->GetTab(m_Pages[1])->GetWide(), 63);
}

TEST_F(PropertySheetTest, RemovingTheActivePageActivatesAnother) {
  Log();
  m_pSheet->SetActivePage(m_Pages[1]);
  m_pSheet->RemovePage(m_Pages[1]);
  EXPECT_EQ(m_pSheet->GetNumPages(), 2);
  EXPECT_EQ(m_pSheet->GetActivePage(), m_Pages[2]);
  EXPECT_EQ(m_pSheet->GetTab(m_Pages[1]), nullptr);
  delete m_Pages[1];
  // A page deleted behind the sheet's back drops out of it.
  delete m_Pages[2];
  EXPECT_EQ(m_pSheet->GetPage(1), nullptr);
  EXPECT_EQ(m_pSheet->GetActivePageNum(), -1);
  EXPECT_EQ(m_pSheet->GetNumPages(), 1);
}

TEST_F(PropertySheetTest, FocusGivenToTheSheetGoesToTheActivePage) {
  auto *entry = new kgui::TextEntry(m_Pages[0], "Filter");
  m_pSheet->RequestFocus();
  EXPECT_TRUE(entry->HasFocus());
}

TEST_F(PropertySheetTest, ControlTabAndArrowKeysChangePages) {
  auto *entry = new kgui::TextEntry(m_Pages[0], "Filter");
  entry->RequestFocus();
  Log();
  Runtime().PressKey(kgui::KEY_TAB, true);
  EXPECT_EQ(m_pSheet->GetActivePage(), m_Pages[1]);
  Runtime().PressKey(kgui::KEY_TAB, true, true);
  EXPECT_EQ(m_pSheet->GetActivePage(), m_Pages[0]);
  m_pSheet->GetTab(m_Pages[0])->RequestFocus();
  Runtime().PressKey(kgui::KEY_LEFT);  // wraps to the last page
  EXPECT_EQ(m_pSheet->GetActivePage(), m_Pages[2]);
  EXPECT_TRUE(m_pSheet->GetTab(m_Pages[2])->HasFocus());
}

}  // namespace
