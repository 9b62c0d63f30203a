// The six pages as the main window makes them, and what the Favorites, History, LAN and Friends
// pages do of their own: the end of a fetch, History's last-played column, LAN's refresh on show
// and silent servers, offline construction, hiding, context menus, removing stored servers and
// adding the current one, and the add-server dialogs the Favorites page opens.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "kgui_controls/Button.h"
#include "kgui_controls/ListPanel.h"
#include "kgui_controls/MenuItem.h"
#include "kgui_controls/controls.h"
#include "plexa/client_api.h"
#include "serverbrowser/DialogAddServer.h"
#include "serverbrowser/FavoriteGames.h"
#include "serverbrowser/FriendsGames.h"
#include "serverbrowser/GameListPanel.h"
#include "serverbrowser/HistoryGames.h"
#include "serverbrowser/InternetGames.h"
#include "serverbrowser/LanGames.h"
#include "serverbrowser/RelayGames.h"
#include "serverbrowser/ServerBrowserDialog.h"
#include "serverbrowser/ServerContextMenu.h"
#include "support/browser_fixture.h"
#include "tier1/KeyValues.h"

namespace {

using sbtest::FakeListRequest;
using sbtest::FakeServices;
using PageOf = std::function<CBaseGamesPage *(CServerBrowserDialog *)>;

const PageOf kInternet = [](CServerBrowserDialog *w) -> CBaseGamesPage * { return w->GetInternetGames(); };
const PageOf kSpectate = [](CServerBrowserDialog *w) -> CBaseGamesPage * { return w->GetSpectateGames(); };
const PageOf kFavorites = [](CServerBrowserDialog *w) -> CBaseGamesPage * { return w->GetFavoriteGames(); };
const PageOf kHistory = [](CServerBrowserDialog *w) -> CBaseGamesPage * { return w->GetHistoryGames(); };
const PageOf kLan = [](CServerBrowserDialog *w) -> CBaseGamesPage * { return w->GetLanGames(); };
const PageOf kFriends = [](CServerBrowserDialog *w) -> CBaseGamesPage * { return w->GetFriendsGames(); };

class PagesTest : public BrowserTest {
 protected:
  PagesTest() {
    m_Services.SetAppValue(500, "gamedir", "ashfall");
    m_Services.SetAppValue(500, "serverbrowsername", "Ashfall");
    m_Services.SetAppValue(500, "gameid", "500");
  }

  static ServerRecord Server(const char *name, int lastOctet, int ping, uint32 lastPlayed = 0) {
    ServerRecord server =
        FakeServices::MakeServer(name, 0x0A000000u | static_cast<uint32>(lastOctet), 27015, ping);
    server.m_nLastPlayedTime = lastPlayed;
    return server;
  }
  static void Send(kgui::Panel *panel, KeyValues *message) {
    KeyValuesAD owned(message);
    kgui::ipanel()->SendMessage(panel->GetVPanel(), owned.get(), kgui::NULL_PANEL);
  }
  static kgui::Panel *Control(CBaseGamesPage *page, const char *name) {
    kgui::Panel *control = page->FindChildByName(name, true);
    EXPECT_NE(control, nullptr) << name;
    return control;
  }
  static std::string RefreshCommand(CBaseGamesPage *page) {
    auto *button = static_cast<kgui::Button *>(Control(page, "RefreshButton"));
    return button->GetCommand() ? button->GetCommand()->GetString("command") : "";
  }
  static void ExpectRefreshControlsDisabled(CBaseGamesPage *page) {
    for (const char *name :
         {"ConnectButton", "RefreshButton", "RefreshQuickButton", "AddServerButton", "Filter"})
      EXPECT_FALSE(Control(page, name)->IsEnabled()) << name;
  }
  // Answers servers 1 to `count` (10.0.0.n:27015) and ends the page's fetch.
  void Fill(CBaseGamesPage *page, int count) {
    page->BeginRefresh();
    for (int index = 1; index <= count; ++index)
      m_Services.Answer(page->GetListRequest(), index, Server("S", index, 10 * index));
    m_Services.Done(page->GetListRequest());
  }
  static void Select(CBaseGamesPage *page, const std::vector<int> &serverIndices) {
    CGameListPanel *list = page->GetGameList();
    list->ClearSelection();
    for (int index : serverIndices)
      list->AddToSelection(list->FindItemByUserValue(static_cast<unsigned int>(index)));
  }
  // "item name -> message name (serverID)" for every item of the current menu; "no menu" when none shows.
  std::vector<std::string> MenuItems() {
    CServerContextMenu *menu = m_pMainWindow->GetCurrentContextMenu();
    if (!menu || !menu->IsVisible()) return {"no menu"};
    std::vector<std::string> items;
    for (int i = 0; i < menu->GetItemCount(); ++i) {
      kgui::MenuItem *item = menu->GetMenuItem(menu->GetMenuID(i));
      KeyValues *message = item->GetCommand();
      items.push_back(
          std::string(item->GetName()) + " -> " + message->GetName() +
          (message->FindKey("serverID") ? " " + std::to_string(message->GetInt("serverID")) : ""));
    }
    return items;
  }
  int CountRequests(int source) {
    int count = 0;
    for (const FakeListRequest *request : m_Services.Requests()) count += request->source == source;
    return count;
  }
};

TEST_F(PagesTest, EveryPageHasItsNameTypeAndCapabilities) {
  struct Case {
    PageOf page;
    const char *name;
    EServerSource source;
    bool offers[4];  // server list, full refresh, add server, add current server
  };
  const Case cases[] = {
      {kInternet, "InternetGames", eInternetServer, {true, true, false, false}},
      {kSpectate, "SpectateGames", eSpectateServer, {true, true, false, false}},
      {kFavorites, "FavoriteGames", eFavoriteServer, {true, false, true, false}},
      {kHistory, "HistoryGames", eHistoryServer, {true, false, false, false}},
      {kLan, "LanGames", eLanServer, {true, false, false, false}},
      {kFriends, "FriendsGames", eFriendServer, {true, false, false, false}},
  };
  CServerBrowserDialog *mainWindow = MakeMainWindow();
  for (const Case &c : cases) {
    CBaseGamesPage *page = c.page(mainWindow);
    ASSERT_NE(page, nullptr) << c.name;
    EXPECT_STREQ(page->GetName(), c.name);
    EXPECT_EQ(page->GetServerSource(), c.source) << c.name;
    for (int item = 0; item < 4; ++item)
      EXPECT_EQ(page->OffersItem(item), c.offers[item]) << c.name << " " << item;
    // What the page offers shows in its buttons.
    page->InvalidateLayout(true);
    EXPECT_EQ(Control(page, "RefreshQuickButton")->IsVisible(), c.offers[1]) << c.name;
    EXPECT_EQ(Control(page, "AddServerButton")->IsVisible(), c.offers[2]) << c.name;
  }
}

TEST_F(PagesTest, EndOfAFetchReturnsToIdleSortsAndSetsThePagesEmptyText) {
  struct Case {
    PageOf page;
    int32 storedServers;
    const char *expected;
  };
  const Case cases[] = {
      {kFavorites, 0, "#ServerBrowser_NoFavoriteServers"},
      {kFavorites, 2, "#ServerBrowser_NoInternetGamesResponded"},
      {kHistory, 0, "#ServerBrowser_NoServersPlayed"},
      {kLan, 0, "#ServerBrowser_NoLanServers"},
      {kFriends, 0, "#ServerBrowser_NoFriendsServers"},
  };
  CServerBrowserDialog *mainWindow = MakeMainWindow();
  for (const Case &c : cases) {
    CBaseGamesPage *page = c.page(mainWindow);
    SCOPED_TRACE(testing::Message() << page->GetName() << " with " << c.storedServers << " stored");
    m_Services.m_nStoredCount = c.storedServers;
    page->BeginRefresh();
    ListRequestHandle request = page->GetListRequest();
    ASSERT_NE(request, nullptr);
    EXPECT_EQ(RefreshCommand(page), "stoprefresh");
    m_Services.Answer(request, 1, Server("Harbor Nights", 1, 300));
    m_Services.Answer(request, 2, Server("Quarry Run", 2, 100));
    EXPECT_EQ(ShownNames(page), (std::vector<std::string>{"Harbor Nights", "Quarry Run"}));

    m_Services.Done(request);
    EXPECT_EQ(RefreshCommand(page), "GetNewList");
    EXPECT_EQ(page->GetGameList()->GetEmptyText(), c.expected);
    EXPECT_EQ(ShownNames(page), (std::vector<std::string>{"Quarry Run", "Harbor Nights"}));
  }
}

TEST_F(PagesTest, OfflineHistoryAndFriendsSaySoAndDisableTheirControls) {
  m_Services.m_bOffline = true;
  CServerBrowserDialog *mainWindow = MakeMainWindow();
  RunFrames(0.5);
  for (const PageOf &pageOf : {kHistory, kFriends}) {
    CBaseGamesPage *page = pageOf(mainWindow);
    SCOPED_TRACE(page->GetName());
    EXPECT_EQ(page->GetGameList()->GetEmptyText(), "#ServerBrowser_OfflineMode");
    ExpectRefreshControlsDisabled(page);
  }
  // Friends keep saying so after a fetch.
  CBaseGamesPage *friends = mainWindow->GetFriendsGames();
  friends->BeginRefresh();
  m_Services.Done(friends->GetListRequest());
  EXPECT_EQ(friends->GetGameList()->GetEmptyText(), "#ServerBrowser_OfflineMode");
  // The other two pages have no offline mode.
  EXPECT_NE(mainWindow->GetLanGames()->GetGameList()->GetEmptyText(), "#ServerBrowser_OfflineMode");
  EXPECT_TRUE(Control(mainWindow->GetFavoriteGames(), "RefreshButton")->IsEnabled());
}

TEST_F(PagesTest, HistoryListsTheMostRecentVisitFirst) {
  CHistoryGames *history = MakeMainWindow()->GetHistoryGames();
  CGameListPanel *list = history->GetGameList();
  const int column = list->FindColumn("LastPlayed");
  ASSERT_EQ(column, 9);
  EXPECT_STREQ(list->GetColumnHeaderText(column), "#ServerBrowser_LastPlayed");
  EXPECT_EQ(list->GetSortColumn(), 9);
  EXPECT_EQ(list->GetSortColumnSecondary(), 8);

  history->BeginRefresh();
  ListRequestHandle request = history->GetListRequest();
  m_Services.Answer(request, 1, Server("Never", 1, 10, 0));
  m_Services.Answer(request, 2, Server("Older", 2, 20, 1600000000));
  m_Services.Answer(request, 3, Server("Newer Slow", 3, 90, 1700000000));
  m_Services.Answer(request, 4, Server("Newer Fast", 4, 30, 1700000000));
  m_Services.Done(request);
  // Equal times fall back to the latency order.
  EXPECT_EQ(ShownNames(history), (std::vector<std::string>{"Newer Fast", "Newer Slow", "Older", "Never"}));
  EXPECT_EQ(list->GetItemData(list->FindItemByUserValue(1))->FindKey("LastPlayed"), nullptr);
}

TEST_F(PagesTest, LanPageFetchesOnShowOnlyWithAutoRefresh) {
  CServerBrowserDialog *mainWindow = MakeMainWindow();
  RunFrames(0.5);
  const int before = CountRequests(eLanServer);
  Send(mainWindow->GetLanGames(), new KeyValues("PageShow"));
  ASSERT_EQ(CountRequests(eLanServer), before + 1);
  EXPECT_TRUE(m_Services.LastRequest()->filters.empty()) << "LAN requests carry no filter pairs";

  auto *manual = new CLanGames(mainWindow, false);
  Send(manual, new KeyValues("PageShow"));
  EXPECT_EQ(CountRequests(eLanServer), before + 1);
  EXPECT_EQ(manual->GetListRequest(), nullptr);
  EXPECT_EQ(manual->GetGameList()->GetItemCount(), 0);
}

TEST_F(PagesTest, LanServerThatMissesAnAnswerIsHiddenAtOnce) {
  CLanGames *lan = MakeMainWindow()->GetLanGames();
  lan->BeginRefresh();
  ListRequestHandle request = lan->GetListRequest();
  m_Services.Answer(request, 1, Server("Basement", 1, 5));
  m_Services.Answer(request, 2, Server("Attic", 2, 7));
  // Even a server that answered before is gone from view at its first silence.
  m_Services.Silent(request, 1, Server("Basement", 1, 5));
  EXPECT_EQ(ShownNames(lan), (std::vector<std::string>{"Attic"}));
  EXPECT_EQ(lan->GetGameList()->GetItemCount(), 2);
  // A server the page never listed is ignored.
  m_Services.Silent(request, 3, Server("Garage", 3, 9));
  EXPECT_EQ(lan->GetGameList()->GetItemCount(), 2);
}

TEST_F(PagesTest, HidingFavoritesLetsItsFetchRunHidingOtherPagesStopsTheirs) {
  struct Case {
    PageOf page;
    int expectedStops;
  };
  const Case cases[] = {{kFavorites, 0}, {kHistory, 1}, {kLan, 1}, {kFriends, 1}};
  CServerBrowserDialog *mainWindow = MakeMainWindow();
  for (const Case &c : cases) {
    CBaseGamesPage *page = c.page(mainWindow);
    page->BeginRefresh();
    Send(page, new KeyValues("PageHide"));
    FakeListRequest *request = m_Services.Request(page->GetListRequest());
    ASSERT_NE(request, nullptr);
    EXPECT_EQ(request->stops, c.expectedStops) << page->GetName();
  }
}

TEST_F(PagesTest, FavoritesOffersAddingTheCurrentServerOnlyWhileConnected) {
  CServerBrowserDialog *mainWindow = MakeMainWindow();
  CFavoriteGames *favorites = mainWindow->GetFavoriteGames();
  kgui::Panel *addCurrent = Control(favorites, "AddCurrentServerButton");
  favorites->SetConnectedToGame(true);
  EXPECT_TRUE(addCurrent->IsEnabled());
  favorites->SetConnectedToGame(false);
  EXPECT_FALSE(addCurrent->IsEnabled());

  // The main window passes on what the host says.
  KeyValuesAD connected(new KeyValues("ConnectedToGame"));
  connected->SetInt("ip", 0x0A000001);
  connected->SetInt("connectionport", 27015);
  connected->SetInt("queryport", 27015);
  kgui::ipanel()->SendMessage(mainWindow->GetVPanel(), connected.get(), kgui::NULL_PANEL);
  EXPECT_TRUE(addCurrent->IsEnabled());
  Send(mainWindow, new KeyValues("DisconnectedFromGame"));
  EXPECT_FALSE(addCurrent->IsEnabled());
}

TEST_F(PagesTest, EachPageOpensItsOwnContextMenu) {
  struct Case {
    PageOf page;
    std::vector<std::string> withSelection;
    std::vector<std::string> withoutSelection;
  };
  const std::vector<std::string> standard = {"ConnectToServer -> ConnectToServer 2",
                                             "ViewGameInfo -> ViewGameInfo 2",
                                             "RefreshServer -> RefreshServer 2"};
  auto with = [&standard](std::vector<std::string> extra) {
    std::vector<std::string> items = standard;
    items.insert(items.end(), extra.begin(), extra.end());
    return items;
  };
  const std::string favorite = "AddToFavorites -> AddToFavorites 2";
  const std::string byAddress = "AddServerByName -> AddServerByName";
  // After every specified item: the address to copy (with a selection only), and on Favorites
  // pasting, exporting and importing (always).
  const std::string copy = "CopyAddress -> CopyServerAddress 2";
  const std::vector<std::string> transfers = {"PasteAddress -> PasteAddress",
                                              "ExportFavorites -> ExportFavorites",
                                              "ImportFavorites -> ImportFavorites"};
  auto plus = [](std::vector<std::string> items, const std::vector<std::string> &extra) {
    items.insert(items.end(), extra.begin(), extra.end());
    return items;
  };
  const Case cases[] = {
      {kFavorites, plus(with({"RemoveServer -> RemoveFromFavorites", byAddress, copy}), transfers),
       plus({byAddress}, transfers)},
      {kHistory, with({favorite, "RemoveServer -> RemoveFromHistory", copy}), {}},
      {kLan, with({copy}), {"no menu"}},
      {kFriends, with({favorite, copy}), {"no menu"}},
  };
  CServerBrowserDialog *mainWindow = MakeMainWindow();
  for (const Case &c : cases) {
    CBaseGamesPage *page = c.page(mainWindow);
    SCOPED_TRACE(page->GetName());
    Fill(page, 3);
    delete mainWindow->GetCurrentContextMenu();
    Select(page, {});
    Send(page, new KeyValues("OpenContextMenu", "itemID", 0));
    EXPECT_EQ(MenuItems(), c.withoutSelection);
    // The menu is for the first selected row, whichever was clicked.
    Select(page, {2, 3});
    Send(page, new KeyValues("OpenContextMenu", "itemID", 3));
    EXPECT_EQ(MenuItems(), c.withSelection);
    EXPECT_EQ(mainWindow->GetCurrentContextMenu()
                  ->GetMenuItem(mainWindow->GetCurrentContextMenu()->GetMenuID(0))
                  ->GetTarget(),
              page);
  }
}

TEST_F(PagesTest, RemovingStoredServersAsksTheServicesInTheirOrder) {
  struct Case {
    PageOf page;
    const char *message;
    uint32 flag;
    std::vector<int> removed;  // last octets in the order asked
  };
  const Case cases[] = {
      {kFavorites, "RemoveFromFavorites", 1, {3, 1, 2}},  // selection order
      {kHistory, "RemoveFromHistory", 2, {2, 1, 3}},      // last selected first
  };
  CServerBrowserDialog *mainWindow = MakeMainWindow();
  for (const Case &c : cases) {
    CBaseGamesPage *page = c.page(mainWindow);
    SCOPED_TRACE(page->GetName());
    Fill(page, 4);
    Select(page, {3, 1, 2});
    m_Services.m_Removed.clear();
    Send(page, new KeyValues(c.message));
    std::vector<int> removed;
    for (const sbtest::StoredServerCall &call : m_Services.m_Removed) {
      removed.push_back(static_cast<int>(call.ip & 0xFF));
      EXPECT_EQ(call.flags, c.flag);
      EXPECT_EQ(call.appId, 500u);
      EXPECT_EQ(call.connPort, 27015);
      EXPECT_EQ(call.queryPort, 27015);
    }
    EXPECT_EQ(removed, c.removed);
    // The rows stay until the services announce the change.
    EXPECT_EQ(page->GetGameList()->GetVisibleItemCount(), 4);
  }
}

TEST_F(PagesTest, AFavouriteAddedElsewhereCanBeRemovedBeforeTheNextList) {
  CFavoriteGames *favorites = MakeMainWindow()->GetFavoriteGames();
  Fill(favorites, 1);
  FavoritesListChanged_t added{};
  added.m_nIP = 0x0A000009u;
  added.m_nQueryPort = 27016;
  added.m_nConnPort = 27015;
  added.m_nFlags = 1;
  added.m_bAdd = true;
  m_Services.QueueCallback(added);
  ClientAPI_RunCallbacks();
  // Only the Favorites page asks: the new favourite is no visit.
  ASSERT_EQ(m_Services.m_PingResponses.size(), 1u);
  ServerRecord pinged = FakeServices::MakeServer("Late Arrival", 0x0A000009u, 27015, 40);
  pinged.m_NetAdr.Init(0x0A000009u, 27016, 27015);
  m_Services.m_PingResponses[0]->OnPingAnswered(pinged);
  ASSERT_EQ(ShownNames(favorites), (std::vector<std::string>{"S", "Late Arrival"}));

  Select(favorites, {-1});
  Send(favorites, new KeyValues("RemoveFromFavorites"));
  ASSERT_EQ(m_Services.m_Removed.size(), 1u);
  EXPECT_EQ(m_Services.m_Removed[0].ip, 0x0A000009u);
  EXPECT_EQ(m_Services.m_Removed[0].queryPort, 27016);
  // The services announce it: the row goes.
  added.m_bAdd = false;
  m_Services.QueueCallback(added);
  ClientAPI_RunCallbacks();
  EXPECT_EQ(ShownNames(favorites), std::vector<std::string>{"S"});
}

TEST_F(PagesTest, AddingTheCurrentServerStoresItOnlyWhileConnected) {
  CServerBrowserDialog *mainWindow = MakeMainWindow();
  CFavoriteGames *favorites = mainWindow->GetFavoriteGames();
  Send(favorites, new KeyValues("Command", "command", "AddCurrentServer"));
  EXPECT_TRUE(m_Services.m_Added.empty()) << "no game, no 0.0.0.0:0 favourite";

  KeyValuesAD connected(new KeyValues("ConnectedToGame"));
  connected->SetInt("ip", 0x0A000007);
  connected->SetInt("connectionport", 27015);
  connected->SetInt("queryport", 27016);
  kgui::ipanel()->SendMessage(mainWindow->GetVPanel(), connected.get(), kgui::NULL_PANEL);
  m_Services.m_Added.clear();  // the history entry of the connection
  Send(favorites, new KeyValues("Command", "command", "AddCurrentServer"));
  ASSERT_EQ(m_Services.m_Added.size(), 1u);
  const sbtest::StoredServerCall &call = m_Services.m_Added[0];
  EXPECT_EQ(call.ip, 0x0A000007u);
  EXPECT_EQ(call.connPort, 27015);
  EXPECT_EQ(call.queryPort, 27016);
  EXPECT_EQ(call.flags, 1u);
  EXPECT_NE(call.time, 0u);
}

// The add-server dialogs open on screen, wherever the page put them.
std::vector<CDialogAddServer *> AddServerDialogs(CBaseGamesPage *page) {
  std::vector<CDialogAddServer *> dialogs;
  kgui::Panel *parent = page->GetParent();
  for (int i = 0; parent && i < parent->GetChildCount(); ++i) {
    if (auto *dialog = dynamic_cast<CDialogAddServer *>(parent->GetChild(i))) dialogs.push_back(dialog);
  }
  return dialogs;
}

TEST_F(PagesTest, FavoritesOpensANewAddServerDialogForEveryRequestAndLeavesThemOpenWhenHidden) {
  CFavoriteGames *favorites = MakeMainWindow()->GetFavoriteGames();
  // The message of the context menu and the command of the button alike; an open dialog does
  // not stop the next.
  Send(favorites, new KeyValues("AddServerByName"));
  Send(favorites, new KeyValues("Command", "command", "AddServerByName"));
  std::vector<CDialogAddServer *> dialogs = AddServerDialogs(favorites);
  ASSERT_EQ(dialogs.size(), 2u);
  EXPECT_NE(dialogs[0], dialogs[1]);

  int areaX = 0, areaY = 0, areaWide = 0, areaTall = 0;
  kgui::surface()->GetWorkspaceBounds(areaX, areaY, areaWide, areaTall);
  for (CDialogAddServer *dialog : dialogs) {
    EXPECT_TRUE(dialog->IsVisible());
    int x = 0, y = 0;
    dialog->GetPos(x, y);
    EXPECT_EQ(x, areaX + (areaWide - dialog->GetWide()) / 2);
    EXPECT_EQ(y, areaY + (areaTall - dialog->GetTall()) / 2);
  }
  // Modal mode returned at once; the newest dialog holds the input.
  EXPECT_EQ(kgui::input()->GetAppModalSurface(), dialogs[1]->GetVPanel());

  // The page forgot them: hiding it closes none.
  Send(favorites, new KeyValues("PageHide"));
  RunFrames(0.5);
  ASSERT_EQ(AddServerDialogs(favorites).size(), 2u);
  for (CDialogAddServer *dialog : dialogs) EXPECT_TRUE(dialog->IsVisible());

  // Closed, a dialog deletes itself; the other stays.
  dialogs[0]->Close();
  RunFrames(0.5);
  EXPECT_EQ(AddServerDialogs(favorites), std::vector<CDialogAddServer *>{dialogs[1]});
}

}  // namespace
