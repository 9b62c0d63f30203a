// The server lists' context menu: one live menu at a time, the standard items in order, the
// server id fixed when the menu opens, placement at the cursor, and a menu that goes with its list.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "kgui_controls/MenuItem.h"
#include "kgui_controls/PHandle.h"
#include "serverbrowser/ServerBrowserDialog.h"
#include "serverbrowser/ServerContextMenu.h"
#include "support/browser_fixture.h"
#include "tier1/KeyValues.h"

namespace {

// The page side: writes down every command an item sends it, with its "serverID".
class MenuTarget : public kgui::Panel {
  DECLARE_CLASS_SIMPLE(MenuTarget, kgui::Panel);

 public:
  explicit MenuTarget(kgui::Panel *parent) : Panel(parent, "MenuTarget") {}
  std::vector<std::pair<std::string, int>> received;

 private:
  void OnConnect(int id) { received.emplace_back("ConnectToServer", id); }
  void OnViewGameInfo(int id) { received.emplace_back("ViewGameInfo", id); }
  void OnRefresh(int id) { received.emplace_back("RefreshServer", id); }
  void OnAddToFavorites(int id) { received.emplace_back("AddToFavorites", id); }
};

BEGIN_MESSAGE_MAP(MenuTarget, kgui::Panel)
MESSAGE_ENTRY("ConnectToServer", OnConnect, "serverID")
MESSAGE_ENTRY("ViewGameInfo", OnViewGameInfo, "serverID")
MESSAGE_ENTRY("RefreshServer", OnRefresh, "serverID")
MESSAGE_ENTRY("AddToFavorites", OnAddToFavorites, "serverID")
END_MESSAGE_MAP()

class ContextMenuTest : public BrowserTest {
 protected:
  ContextMenuTest() {
    Runtime().AddToken("#ServerBrowser_ConnectToServer", u"Connect to server");
    Runtime().AddToken("#ServerBrowser_ViewServerInfo", u"View server info");
    Runtime().AddToken("#ServerBrowser_RefreshServer", u"Refresh server");
    Runtime().AddToken("#ServerBrowser_AddServerToFavorites", u"Add server to favorites");
    MakeMainWindow();
    m_pTarget = new MenuTarget(m_pMainWindow);
  }

  static std::vector<std::string> ItemNames(CServerContextMenu *menu) {
    std::vector<std::string> names;
    for (int i = 0; i < menu->GetItemCount(); ++i)
      names.push_back(menu->GetMenuItem(menu->GetMenuID(i))->GetName());
    return names;
  }

  MenuTarget *m_pTarget = nullptr;
};

TEST_F(ContextMenuTest, ShowsTheChosenStandardItemsInOrderAtTheCursor) {
  struct Case {
    bool connect, view, refresh, favorites;
    std::vector<std::string> items;
  };
  const Case cases[] = {
      {true, true, true, true, {"ConnectToServer", "ViewGameInfo", "RefreshServer", "AddToFavorites"}},
      {true, true, true, false, {"ConnectToServer", "ViewGameInfo", "RefreshServer"}},
      {false, true, false, true, {"ViewGameInfo", "AddToFavorites"}},
      {false, false, false, false, {}},
  };
  Runtime().SetCursorPos(300, 200);
  for (const Case &c : cases) {
    CServerContextMenu *menu = m_pMainWindow->GetContextMenu(m_pTarget);
    menu->ShowMenu(m_pTarget, 3, c.connect, c.view, c.refresh, c.favorites);
    EXPECT_EQ(ItemNames(menu), c.items);
    EXPECT_TRUE(menu->IsVisible());
    int x = 0, y = 0;
    menu->GetPos(x, y);
    EXPECT_EQ(x, 300);
    EXPECT_EQ(y, 200);
  }

  CServerContextMenu *menu = m_pMainWindow->GetContextMenu(m_pTarget);
  menu->ShowMenu(m_pTarget, 3, true, true, true, true);
  const std::vector<std::string> labels = {"Connect to server", "View server info", "Refresh server",
                                           "Add server to favorites"};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(menu->GetMenuItem(menu->GetMenuID(i))->GetText(), labels[i]);
  // A page adds its own items to the open menu.
  menu->AddMenuItem("RemoveServer", "#ServerBrowser_RemoveServerFromFavorites",
                    new KeyValues("RemoveFromFavorites"), m_pTarget);
  EXPECT_EQ(menu->GetItemCount(), 5);
  EXPECT_TRUE(menu->IsVisible());
}

TEST_F(ContextMenuTest, EveryItemSendsItsCommandWithTheIdTakenAtOpening) {
  const int ids[] = {7, -1};
  for (int id : ids) {
    m_pTarget->received.clear();
    CServerContextMenu *menu = m_pMainWindow->GetContextMenu(m_pTarget);
    menu->ShowMenu(m_pTarget, static_cast<unsigned int>(id), true, true, true, true);
    for (int i = 0; i < menu->GetItemCount(); ++i) menu->ActivateItem(menu->GetMenuID(i));
    RunFrames();
    const std::vector<std::pair<std::string, int>> expected = {
        {"ConnectToServer", id}, {"ViewGameInfo", id}, {"RefreshServer", id}, {"AddToFavorites", id}};
    EXPECT_EQ(m_pTarget->received, expected);
    EXPECT_FALSE(menu->IsVisible()) << "choosing closes the menu";
  }
}

TEST_F(ContextMenuTest, OnlyTheNewestMenuStaysAlive) {
  CServerContextMenu *first = m_pMainWindow->GetContextMenu(m_pTarget);
  kgui::PHandle firstHandle(first);
  CServerContextMenu *second = m_pMainWindow->GetContextMenu(m_pTarget);
  EXPECT_EQ(firstHandle.Get(), nullptr);
  EXPECT_EQ(m_pMainWindow->GetCurrentContextMenu(), second);
  EXPECT_STREQ(second->GetName(), "ServerContextMenu");
  EXPECT_EQ(second->GetParent(), m_pTarget);
  EXPECT_FALSE(second->IsVisible());
  EXPECT_EQ(second->GetItemCount(), 0);

  CServerContextMenu *own = m_pMainWindow->GetContextMenu(nullptr);
  EXPECT_EQ(own->GetParent(), m_pMainWindow) << "without an owner the window holds it";
}

TEST_F(ContextMenuTest, MenuThatWentWithItsListIsNotDeletedAgain) {
  auto *list = new kgui::Panel(m_pMainWindow, "gamelist");
  m_pMainWindow->GetContextMenu(list)->ShowMenu(m_pTarget, 1, true, false, false, false);
  delete list;
  EXPECT_EQ(m_pMainWindow->GetCurrentContextMenu(), nullptr);
  EXPECT_NE(m_pMainWindow->GetContextMenu(m_pTarget), nullptr);

  auto *other = new kgui::Panel(m_pMainWindow, "gamelist");
  m_pMainWindow->GetContextMenu(other);
  delete other;
  DeleteMainWindow();  // the window's own deletion must not reach the gone menu
  EXPECT_EQ(ServerBrowserDialog(), nullptr);
}

}  // namespace
