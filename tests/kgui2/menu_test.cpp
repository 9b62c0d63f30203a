// Menus and combo boxes: opening (and where), highlighting, choosing, closing, and the entries'
// records.
#include "kgui_controls/Menu.h"

#include <string>
#include <vector>

#include "kgui_controls/ComboBox.h"
#include "kgui_controls/EditablePanel.h"
#include "kgui_controls/MenuButton.h"
#include "kgui_controls/MenuItem.h"
#include "kgui_controls/TextEntry.h"
#include "kgui_controls/controls.h"
#include "support/toolkit_fixture.h"
#include "tier1/KeyValues.h"

using kgui::ComboBox;
using kgui::Menu;

namespace {

class Target : public kgui::EditablePanel {
  DECLARE_CLASS_SIMPLE(Target, kgui::EditablePanel);

 public:
  Target() : EditablePanel(nullptr, "Target") {}
  std::vector<std::string> log;
  void OnCommand(const char *command) override { log.push_back(std::string("Command ") + command); }
  void OnTextChanged(kgui::Panel *panel, const char *text) {
    log.push_back(std::string("TextChanged ") + panel->GetName() + " '" + text + "'");
  }
  void OnSelected(int itemID) { log.push_back("MenuItemSelected " + std::to_string(itemID)); }
  void OnClose() { log.push_back("MenuClose"); }
};

BEGIN_MESSAGE_MAP(Target, kgui::EditablePanel)
MESSAGE_ENTRY("TextChanged", OnTextChanged, "panel", "text")
MESSAGE_ENTRY("MenuItemSelected", OnSelected, "itemID")
MESSAGE_ENTRY("MenuClose", OnClose)
END_MESSAGE_MAP()

class MenuTest : public ToolkitTest {
 protected:
  MenuTest() {
    m_pTarget = new Target();
    m_pTarget->SetParent(Runtime().Desktop());
    m_pTarget->SetBounds(0, 0, 600, 500);
  }
  ~MenuTest() override { delete m_pTarget; }

  std::vector<std::string> Delivered() {
    Runtime().DeliverMessages();
    std::vector<std::string> log;
    log.swap(m_pTarget->log);
    return log;
  }
  Menu *MakeMenu() {
    auto *menu = new Menu(m_pTarget, "Menu");
    menu->AddActionSignalTarget(m_pTarget);
    menu->AddMenuItem("Connect", "Connect", "connect", m_pTarget);
    menu->AddMenuItem("Details", "Details", "details", m_pTarget);
    menu->AddSeparator();
    const int check =
        menu->AddCheckableMenuItem("Grid", "Grid", new KeyValues("Command", "command", "grid"), m_pTarget);
    EXPECT_EQ(check, 3);
    return menu;
  }
  // The centre of an item in screen pixels.
  void ItemCentre(Menu *menu, int itemID, int &x, int &y) {
    kgui::MenuItem *item = menu->GetMenuItem(itemID);
    x = item->GetWide() / 2;
    y = item->GetTall() / 2;
    item->LocalToScreen(x, y);
  }
  void ClickItem(Menu *menu, int itemID) {
    int x = 0, y = 0;
    ItemCentre(menu, itemID, x, y);
    Runtime().ClickAt(x, y);
  }

  Target *m_pTarget;
};

TEST_F(MenuTest, ChoosingAnItemPostsItsMessageAndCloses) {
  Menu *menu = MakeMenu();
  menu->OpenAt(100, 100);
  ASSERT_TRUE(menu->IsVisible());
  EXPECT_EQ(Runtime().GetMouseCapture(), menu->GetVPanel());
  ClickItem(menu, 1);
  EXPECT_FALSE(menu->IsVisible());
  EXPECT_EQ(Runtime().GetMouseCapture(), 0u);
  EXPECT_EQ(Delivered(), (std::vector<std::string>{"Command details", "MenuItemSelected 1", "MenuClose"}));
}

TEST_F(MenuTest, DisabledItemsAndSeparatorsCannotBeChosen) {
  Menu *menu = MakeMenu();
  menu->SetItemEnabled(0, false);
  menu->OpenAt(100, 100);
  ClickItem(menu, 0);
  ClickItem(menu, 2);
  EXPECT_TRUE(menu->IsVisible());
  menu->ActivateItem(0);
  EXPECT_TRUE(Delivered().empty());
}

TEST_F(MenuTest, CheckableItemsFlipTheirMark) {
  Menu *menu = MakeMenu();
  menu->OpenAt(100, 100);
  ClickItem(menu, 3);
  EXPECT_TRUE(menu->GetMenuItem(3)->IsChecked());
  menu->OpenAt(100, 100);
  ClickItem(menu, 3);
  EXPECT_FALSE(menu->GetMenuItem(3)->IsChecked());
  const std::vector<std::string> log = Delivered();
  EXPECT_EQ(std::count(log.begin(), log.end(), "Command grid"), 2);
}

TEST_F(MenuTest, ClickOutsideOrEscapeClosesWithoutChoosing) {
  Menu *menu = MakeMenu();
  menu->OpenAt(100, 100);
  Runtime().ClickAt(500, 450);
  EXPECT_FALSE(menu->IsVisible());
  menu->OpenAt(100, 100);
  Runtime().PressKey(kgui::KEY_ESCAPE);
  EXPECT_FALSE(menu->IsVisible());
  EXPECT_EQ(Delivered(), (std::vector<std::string>{"MenuClose", "MenuClose"}));
}

TEST_F(MenuTest, ReleaseOfTheOpeningClickChoosesNothing) {
  Menu *menu = MakeMenu();
  int x = 0, y = 0;
  menu->OpenAt(100, 100);
  ItemCentre(menu, 0, x, y);
  Runtime().MoveCursorTo(x, y);
  KeyValuesAD release(new KeyValues("MouseReleased", "code", kgui::MOUSE_LEFT));
  kgui::ipanel()->SendMessage(menu->GetVPanel(), release.get(), 0);
  EXPECT_TRUE(menu->IsVisible());
  EXPECT_EQ(menu->GetCurrentlyHighlightedItem(), 0);  // the cursor highlights
}

TEST_F(MenuTest, ArrowKeysSkipSeparatorsAndEnterChooses) {
  Menu *menu = MakeMenu();
  kgui::TextEntry entry(m_pTarget, "Entry");
  entry.RequestFocus();
  menu->OpenAt(100, 100);
  Runtime().PressKey(kgui::KEY_DOWN);
  Runtime().PressKey(kgui::KEY_DOWN);
  Runtime().PressKey(kgui::KEY_DOWN);  // over the separator to the check item
  EXPECT_EQ(menu->GetCurrentlyHighlightedItem(), 3);
  Runtime().PressKey(kgui::KEY_UP);
  Runtime().PressKey(kgui::KEY_ENTER);
  EXPECT_EQ(Delivered(), (std::vector<std::string>{"Command details", "MenuItemSelected 1", "MenuClose"}));
  EXPECT_TRUE(entry.HasFocus());  // the keys go back where they were
}

TEST_F(MenuTest, OpenAtStaysOnTheScreen) {
  Menu *menu = MakeMenu();
  menu->OpenAt(1270, 790);
  int x = 0, y = 0, wide = 0, tall = 0;
  menu->GetBounds(x, y, wide, tall);
  EXPECT_LE(x + wide, 1280);
  EXPECT_LE(y + tall, 800);
  EXPECT_GE(x, 0);
  EXPECT_GE(y, 0);
}

// An owner adding its items after the menu opened: they show, and the grown menu is placed from
// the point it was opened at (its bottom there when it would leave the screen), clickable at once.
TEST_F(MenuTest, ItemsAddedToAnOpenMenuShowAndItStaysOnTheScreen) {
  for (const int openY : {100, 700}) {
    SCOPED_TRACE(openY);
    Menu *menu = MakeMenu();
    menu->OpenAt(300, openY);
    const int tallBefore = menu->GetTall();
    const int late = menu->AddMenuItem("Late", "A late item", "late", m_pTarget);
    menu->AddMenuItem("Later", "Another late item", "later", m_pTarget);
    int x = 0, y = 0, wide = 0, tall = 0;
    menu->GetBounds(x, y, wide, tall);
    EXPECT_GT(tall, tallBefore);
    EXPECT_EQ(x, 300);
    EXPECT_EQ(y, openY + tall > 800 ? openY - tall : openY);
    EXPECT_TRUE(menu->GetMenuItem(late)->IsVisible());
    ClickItem(menu, late);
    const std::vector<std::string> delivered = Delivered();
    ASSERT_FALSE(delivered.empty());
    EXPECT_EQ(delivered.front(), "Command late");
  }
}

TEST_F(MenuTest, ContextMenuOpensAtTheCursor) {
  Menu *menu = MakeMenu();
  Runtime().MoveCursorTo(220, 140);
  Menu::PlaceContextMenu(m_pTarget, menu);
  EXPECT_EQ(menu->GetXPos(), 220);
  EXPECT_EQ(menu->GetYPos(), 140);
}

TEST_F(MenuTest, MenuButtonOpensItsMenuBelowItself) {
  auto *button = new kgui::MenuButton(m_pTarget, "File", "File");
  button->SetBounds(10, 10, 60, 24);
  Menu *menu = MakeMenu();
  button->SetMenu(menu);
  Runtime().Click(button);
  ASSERT_TRUE(menu->IsVisible());
  EXPECT_EQ(menu->GetYPos(), 34);
  EXPECT_TRUE(button->IsDepressed());
  Runtime().PressKey(kgui::KEY_ESCAPE);
  Runtime().DeliverMessages();
  EXPECT_FALSE(button->IsDepressed());
}

TEST_F(MenuTest, MenuButtonNearTheScreensBottomOpensItsMenuAboveItself) {
  auto *button = new kgui::MenuButton(m_pTarget, "File", "File");
  button->SetBounds(10, 770, 60, 24);  // the screen is 800 tall
  Menu *menu = MakeMenu();
  button->SetMenu(menu);
  button->DoClick();
  ASSERT_TRUE(menu->IsVisible());
  EXPECT_EQ(menu->GetYPos() + menu->GetTall(), 770);
}

class ComboBoxTest : public MenuTest {
 protected:
  ComboBox *MakeCombo(bool editable) {
    auto *combo = new ComboBox(m_pTarget, "Combo", 3, editable);
    combo->SetBounds(20, 20, 160, 24);
    const char *games[] = {"Ashfall", "Tidebreaker", "Copperline", "Hollow Crown"};
    int appID = 1200;
    for (const char *game : games) {
      KeyValuesAD data(new KeyValues("game", "appid", appID++));
      combo->AddItem(game, data.get());
    }
    Runtime().RunFrame();
    Delivered();
    return combo;
  }
};

TEST_F(ComboBoxTest, ChoosingAnEntryShowsItsTextAndKeepsItsRecord) {
  ComboBox *combo = MakeCombo(false);
  combo->ActivateItem(2);
  EXPECT_EQ(combo->GetText(), "Copperline");
  EXPECT_EQ(combo->GetActiveItem(), 2);
  ASSERT_NE(combo->GetActiveItemUserData(), nullptr);
  EXPECT_EQ(combo->GetActiveItemUserData()->GetInt("appid"), 1202);
  EXPECT_EQ(combo->GetItemUserData(99), nullptr);
  EXPECT_EQ(Delivered(), std::vector<std::string>{"TextChanged Combo 'Copperline'"});
}

TEST_F(ComboBoxTest, ClickOpensTheDropDownAndAClickOnAnEntryChoosesIt) {
  ComboBox *combo = MakeCombo(false);
  Runtime().Click(combo);
  ASSERT_TRUE(combo->IsDropdownVisible());
  Menu *menu = combo->GetMenu();
  EXPECT_GE(menu->GetWide(), combo->GetWide());
  EXPECT_EQ(menu->GetYPos(), 44);
  // Three entries show; the fourth is reached by scrolling.
  EXPECT_LT(menu->GetMenuItem(3)->GetYPos(), 0);
  ClickItem(menu, 1);
  Runtime().DeliverMessages();
  EXPECT_FALSE(combo->IsDropdownVisible());
  EXPECT_EQ(combo->GetText(), "Tidebreaker");
  EXPECT_TRUE(combo->HasFocus());
  EXPECT_EQ(Delivered(), std::vector<std::string>{"TextChanged Combo 'Tidebreaker'"});
}

TEST_F(ComboBoxTest, ArrowKeysStepThroughEntries) {
  ComboBox *combo = MakeCombo(false);
  combo->RequestFocus();
  Runtime().PressKey(kgui::KEY_DOWN);
  Runtime().PressKey(kgui::KEY_DOWN);
  Runtime().PressKey(kgui::KEY_UP);
  EXPECT_EQ(combo->GetActiveItem(), 0);
  Runtime().PressKey(kgui::KEY_UP);  // stays at the first
  EXPECT_EQ(combo->GetText(), "Ashfall");
}

TEST_F(ComboBoxTest, EditableBoxTakesTypedTextAndSignalsIt) {
  ComboBox *combo = MakeCombo(true);
  Runtime().Click(combo);
  EXPECT_FALSE(combo->IsDropdownVisible());  // a click on the text edits
  Runtime().TypeText("ab");
  EXPECT_EQ(combo->GetText(), "ab");
  EXPECT_EQ(Delivered(), (std::vector<std::string>{"TextChanged Combo 'a'", "TextChanged Combo 'ab'"}));
}

TEST_F(ComboBoxTest, NonEditableBoxIgnoresTyping) {
  ComboBox *combo = MakeCombo(false);
  combo->ActivateItem(0);
  Delivered();
  combo->RequestFocus();
  Runtime().TypeText("zz");
  EXPECT_EQ(combo->GetText(), "Ashfall");
  EXPECT_TRUE(Delivered().empty());
}

TEST_F(ComboBoxTest, EntriesCanBeUpdatedAndCleared) {
  ComboBox *combo = MakeCombo(false);
  combo->ActivateItem(1);
  KeyValuesAD data(new KeyValues("game", "appid", 7));
  combo->UpdateItem(1, "Tidebreaker II", data.get());
  EXPECT_EQ(combo->GetText(), "Tidebreaker II");
  EXPECT_EQ(combo->GetActiveItemUserData()->GetInt("appid"), 7);
  combo->DeleteAllItems();
  EXPECT_EQ(combo->GetItemCount(), 0);
  EXPECT_EQ(combo->GetActiveItem(), -1);
  EXPECT_EQ(combo->GetActiveItemUserData(), nullptr);
  combo->ShowMenu();  // nothing to show
  EXPECT_FALSE(combo->IsDropdownVisible());
}

TEST_F(ComboBoxTest, TheDropDownOpensBelowItsBoxWhenThereIsRoomElseAboveAndNeverCoversIt) {
  struct Case {
    int x, y;  // of a box 160 x 24 on a screen of 1280 x 800
    int entries;
    bool below;
  };
  const Case cases[] = {
      {20, 20, 4, true},
      {20, 740, 4, false},
      {1250, 20, 4, true},  // kept on the screen sideways too
      // Too long for either side: the roomier side, fewer entries at once, a scrolling menu.
      {20, 380, 60, true},
      {20, 500, 60, false},
  };
  for (const Case &c : cases) {
    auto *combo = new ComboBox(m_pTarget, "Combo", c.entries > 4 ? 0 : 3, false);
    combo->SetBounds(c.x, c.y, 160, 24);
    for (int i = 0; i < c.entries; ++i) combo->AddItem(("Game " + std::to_string(i)).c_str(), nullptr);
    combo->ShowMenu();
    Menu *menu = combo->GetMenu();
    ASSERT_TRUE(menu->IsVisible());
    int x = 0, y = 0, wide = 0, tall = 0;
    menu->GetBounds(x, y, wide, tall);
    EXPECT_GE(x, 0) << c.x << "," << c.y;
    EXPECT_LE(x + wide, 1280) << c.x << "," << c.y;
    EXPECT_GE(y, 0) << c.x << "," << c.y;
    EXPECT_LE(y + tall, 800) << c.x << "," << c.y;
    EXPECT_EQ(c.below ? y : y + tall, c.below ? c.y + 24 : c.y) << c.x << "," << c.y;
    // The last of many entries is out of view until scrolled to.
    if (c.entries > 4) {
      EXPECT_LT(menu->GetMenuItem(c.entries - 1)->GetYPos(), 0) << c.x << "," << c.y;
    }
    combo->HideMenu();
    delete combo;
  }
}

}  // namespace
