// The Internet and Spectate pages: the lazy first list, the throttled re-sort, silent servers, the
// outcome texts, showing the page again, the one "proxy" pair of Spectate requests, offline mode,
// refreshing single servers and the context menu.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kgui_controls/Button.h"
#include "kgui_controls/Menu.h"
#include "kgui_controls/MenuItem.h"
#include "kgui_controls/PropertySheet.h"
#include "kgui_controls/controls.h"
#include "kstdlib/strtools.h"
#include "serverbrowser/GameListPanel.h"
#include "serverbrowser/InternetGames.h"
#include "serverbrowser/RelayGames.h"
#include "serverbrowser/ServerBrowserDialog.h"
#include "serverbrowser/ServerContextMenu.h"
#include "support/browser_fixture.h"
#include "tier0/platform.h"
#include "tier1/KeyValues.h"

namespace {

using sbtest::FakeListRequest;
using sbtest::FakeServices;

constexpr AppId_t kKnownApp = 500;    // in the game list
constexpr AppId_t kUnknownApp = 900;  // not: fails the Internet page's known-game filter

class InternetPageTest : public BrowserTest {
 protected:
  InternetPageTest() {
    m_Services.SetAppValue(kKnownApp, "gamedir", "ashfall");
    m_Services.SetAppValue(kKnownApp, "serverbrowsername", "Ashfall");
    m_Services.SetAppValue(kKnownApp, "gameid", "500");
  }

  // The browser made hidden, then shown and laid out, as the module does; its first list requested.
  // The clock then reads exactly 2000 s.
  CInternetGames *ShowBrowser() {
    MakeMainWindow();
    RunFrames(0.5);
    m_pMainWindow->Open();
    RunFrames(0.5);
    EXPECT_EQ(RequestsOf(eInternetServer).size(), m_Services.m_bOffline ? 0u : 1u);
    Plat_SetClockOverride(true, 2000.0);
    return m_pMainWindow->GetInternetGames();
  }

  std::vector<FakeListRequest *> RequestsOf(int source) {
    std::vector<FakeListRequest *> requests;
    for (FakeListRequest *request : m_Services.Requests())
      if (request->source == source) requests.push_back(request);
    return requests;
  }

  FakeListRequest *Current(CBaseGamesPage *page) { return m_Services.Request(page->GetListRequest()); }

  static ServerRecord Server(const char *name, int lastOctet, int ping, AppId_t appId = kKnownApp) {
    return FakeServices::MakeServer(name, 0x0A000000u | static_cast<uint32>(lastOctet), 27015, ping, appId);
  }

  static void Send(kgui::Panel *panel, KeyValues *message) {
    KeyValuesAD owned(message);
    kgui::ipanel()->SendMessage(panel->GetVPanel(), owned.get(), kgui::NULL_PANEL);
  }
  static void TickAfter(kgui::Panel *page, double seconds) {
    Plat_AdvanceClock(seconds);
    Send(page, new KeyValues("Tick"));
  }

  int CountPosted(kgui::Panel *target, const char *name) {
    int count = 0;
    for (const kguitest::PostedMessage &posted : Runtime().Queue()) {
      if (posted.target == target->GetVPanel() && !V_stricmp(posted.message->GetName(), name)) ++count;
    }
    return count;
  }

  static bool IsShown(CBaseGamesPage *page, int serverIndex) {
    CGameListPanel *list = page->GetGameList();
    const int itemID = list->FindItemByUserValue(static_cast<unsigned int>(serverIndex));
    return itemID != -1 && list->GetRowOfItem(itemID) >= 0;
  }
  static kgui::Panel *Control(CBaseGamesPage *page, const char *name) {
    kgui::Panel *control = page->FindChildByName(name, true);
    EXPECT_NE(control, nullptr) << name;
    return control;
  }
};

TEST_F(InternetPageTest, HiddenBrowserFetchesNothingUntilShownThenAsksOnceAfterATenthOfASecond) {
  MakeMainWindow();
  CInternetGames *internet = m_pMainWindow->GetInternetGames();
  EXPECT_EQ(Runtime().TickInterval(internet->GetVPanel()), 250);
  RunFrames(2.0);
  internet->InvalidateLayout(true);
  EXPECT_EQ(m_Services.RequestCount(), 0);
  EXPECT_EQ(CountPosted(internet, "GetNewServerList"), 0);

  m_pMainWindow->Open();
  internet->InvalidateLayout(true);
  EXPECT_EQ(CountPosted(internet, "GetNewServerList"), 1);
  Advance(0.05);
  EXPECT_TRUE(RequestsOf(eInternetServer).empty()) << "asked before its delay";
  Advance(0.06);
  ASSERT_EQ(RequestsOf(eInternetServer).size(), 1u);

  // Later layout passes never ask again.
  for (int pass = 0; pass < 3; ++pass) {
    internet->InvalidateLayout(true);
    RunFrames(0.5);
  }
  EXPECT_EQ(RequestsOf(eInternetServer).size(), 1u);
  EXPECT_FALSE(m_Spew.Contains("IsVisible"));
}

TEST_F(InternetPageTest, FirstListAskedJustBeforeTheBrowserIsHiddenWaitsUntilItIsShownAgain) {
  MakeMainWindow();
  RunFrames(0.5);
  CInternetGames *internet = m_pMainWindow->GetInternetGames();
  m_pMainWindow->Open();
  internet->InvalidateLayout(true);
  ASSERT_EQ(CountPosted(internet, "GetNewServerList"), 1);
  m_pMainWindow->SetVisible(false);  // within the tenth of a second
  RunFrames(1.0);
  EXPECT_TRUE(RequestsOf(eInternetServer).empty()) << "fetched for a hidden browser";
  EXPECT_TRUE(m_Spew.Asserts().empty());

  m_pMainWindow->Open();
  internet->InvalidateLayout(true);
  RunFrames(0.5);
  EXPECT_EQ(RequestsOf(eInternetServer).size(), 1u);
}

TEST_F(InternetPageTest, BrowserShownBeforeItsFirstFrameFetchesOnce) {
  MakeMainWindow()->Open();  // the tab sheet's "PageShow" is delivered to a visible browser
  RunFrames(1.0);
  EXPECT_EQ(RequestsOf(eInternetServer).size(), 1u);
}

TEST_F(InternetPageTest, EndOfAFetchTellsItsOutcomeInTheEmptyListText) {
  enum Answers { kNone, kShownRow, kFilteredOut, kSilentOnly };
  struct Case {
    EMatchMakingListOutcome outcome;
    Answers answers;
    const char *expected;
  };
  const Case cases[] = {
      {eListMasterNotResponding, kShownRow, "#ServerBrowser_MasterServerNotResponsive"},
      {eListMasterNotResponding, kNone, "#ServerBrowser_MasterServerNotResponsive"},
      {eListServersAnswered, kFilteredOut, "#ServerBrowser_NoInternetGames"},
      {eListMasterHasNoServers, kFilteredOut, "#ServerBrowser_NoInternetGames"},
      {eListMasterHasNoServers, kNone, "#ServerBrowser_MasterServerHasNoServersListed"},
      {eListServersAnswered, kNone, "#ServerBrowser_NoInternetGamesResponded"},
      {eListServersAnswered, kSilentOnly, "#ServerBrowser_NoInternetGamesResponded"},
  };
  CInternetGames *internet = ShowBrowser();
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << "outcome " << c.outcome << ", answers " << c.answers);
    internet->GetNewServerList();
    ListRequestHandle request = internet->GetListRequest();
    if (c.answers == kShownRow) m_Services.Answer(request, 1, Server("Harbor Nights", 1, 40));
    if (c.answers == kFilteredOut) m_Services.Answer(request, 1, Server("Far Shore", 1, 40, kUnknownApp));
    if (c.answers == kSilentOnly) {
      ServerRecord silent = Server("", 2, 0);
      silent.m_bResponded = false;
      m_Services.Silent(request, 2, silent);
    }
    m_Services.Done(request, c.outcome);
    EXPECT_EQ(internet->GetGameList()->GetEmptyText(), c.expected);
    EXPECT_EQ(internet->GetGameList()->GetVisibleItemCount(), c.answers == kShownRow ? 1 : 0);
    auto *refresh = static_cast<kgui::Button *>(Control(internet, "RefreshButton"));
    EXPECT_STREQ(refresh->GetCommand()->GetString("command"), "GetNewList") << "the refresh did not end";
  }
}

TEST_F(InternetPageTest, SilentServerKeepsItsRowOnlyWhenItAnsweredBefore) {
  CInternetGames *internet = ShowBrowser();
  ListRequestHandle request = internet->GetListRequest();
  ASSERT_NE(request, nullptr);
  m_Services.Answer(request, 1, Server("Harbor Nights", 1, 50));
  m_Services.Answer(request, 2, Server("Quarry Run", 2, 60));

  // Answered before: the silence is handled as an answer and the row is kept and updated.
  ServerRecord stillKnown = Server("Harbor Nights", 1, 80);
  m_Services.Silent(request, 1, stillKnown);
  EXPECT_TRUE(IsShown(internet, 1));
  CGameListPanel *list = internet->GetGameList();
  EXPECT_EQ(list->GetItemData(list->FindItemByUserValue(1))->GetInt("Ping"), 80);

  // Never answered: the row is hidden, not removed.
  ServerRecord lost = Server("Quarry Run", 2, 0);
  lost.m_bResponded = false;
  m_Services.Silent(request, 2, lost);
  EXPECT_FALSE(IsShown(internet, 2));
  EXPECT_EQ(list->GetItemCount(), 2);

  // Servers first heard of through a silence: a row only for one that answered some time before.
  ServerRecord neverSeen = Server("", 3, 0);
  neverSeen.m_bResponded = false;
  m_Services.Silent(request, 3, neverSeen);
  EXPECT_EQ(list->FindItemByUserValue(3), -1);
  m_Services.Silent(request, 4, Server("Old Mill", 4, 90));
  EXPECT_TRUE(IsShown(internet, 4));

  EXPECT_TRUE(internet->IsResortPending());
  EXPECT_TRUE(m_Spew.Asserts().empty());
}

TEST_F(InternetPageTest, ResortWaitsWhileAMouseButtonIsHeldAndRetriesASecondLater) {
  CInternetGames *internet = ShowBrowser();
  ListRequestHandle request = internet->GetListRequest();
  m_Services.Answer(request, 1, Server("A", 1, 300));
  m_Services.Answer(request, 2, Server("B", 2, 100));
  TickAfter(internet, 0.0);
  EXPECT_EQ(ShownNames(internet), (std::vector<std::string>{"B", "A"}));
  EXPECT_FALSE(internet->IsResortPending());

  m_Services.Answer(request, 3, Server("C", 3, 50));
  const std::vector<std::string> unsorted{"B", "A", "C"};
  TickAfter(internet, 1.0);  // 1.0 s since the sort
  EXPECT_EQ(ShownNames(internet), unsorted);

  Runtime().SetMouseDown(kgui::MOUSE_LEFT, true);
  TickAfter(internet, 0.5);  // 1.5 s: due, but the button is held
  EXPECT_EQ(ShownNames(internet), unsorted);
  TickAfter(internet, 0.5);  // only half a second after the put-off
  EXPECT_EQ(ShownNames(internet), unsorted);
  Runtime().SetMouseDown(kgui::MOUSE_LEFT, false);
  Runtime().SetMouseDown(kgui::MOUSE_RIGHT, true);
  TickAfter(internet, 0.5);  // a second after the put-off: the right button holds it off too
  EXPECT_EQ(ShownNames(internet), unsorted);
  Runtime().SetMouseDown(kgui::MOUSE_RIGHT, false);
  TickAfter(internet, 0.5);
  EXPECT_EQ(ShownNames(internet), unsorted);
  EXPECT_TRUE(internet->IsResortPending());
  TickAfter(internet, 0.5);  // the first retry with both buttons up
  EXPECT_EQ(ShownNames(internet), (std::vector<std::string>{"C", "B", "A"}));
  EXPECT_FALSE(internet->IsResortPending());
}

TEST_F(InternetPageTest, CompletedFetchSortsAtOnceWhateverTheMouse) {
  CInternetGames *internet = ShowBrowser();
  ListRequestHandle request = internet->GetListRequest();
  TickAfter(internet, 0.0);
  m_Services.Answer(request, 1, Server("A", 1, 300));
  m_Services.Answer(request, 2, Server("B", 2, 100));
  Runtime().SetMouseDown(kgui::MOUSE_LEFT, true);
  m_Services.Done(request);
  EXPECT_EQ(ShownNames(internet), (std::vector<std::string>{"B", "A"}));
  EXPECT_FALSE(internet->IsResortPending());
  Runtime().SetMouseDown(kgui::MOUSE_LEFT, false);
}

TEST_F(InternetPageTest, ShowingThePageFetchesOnlyAnEmptyListInAVisibleBrowser) {
  CInternetGames *internet = ShowBrowser();
  ListRequestHandle first = internet->GetListRequest();
  m_Services.Answer(first, 1, Server("Harbor Nights", 1, 50));

  Send(internet, new KeyValues("PageHide"));
  EXPECT_EQ(m_Services.Request(first)->stops, 1);
  Send(internet, new KeyValues("PageShow"));
  EXPECT_EQ(RequestsOf(eInternetServer).size(), 1u) << "refetched a list that has rows";
  EXPECT_TRUE(IsShown(internet, 1));

  internet->GetNewServerList();
  m_Services.Done(internet->GetListRequest(), eListServersAnswered);
  ASSERT_EQ(RequestsOf(eInternetServer).size(), 2u);

  m_pMainWindow->SetVisible(false);
  Send(internet, new KeyValues("PageShow"));
  EXPECT_EQ(RequestsOf(eInternetServer).size(), 2u) << "fetched for a hidden browser";

  m_pMainWindow->SetVisible(true);
  Send(internet, new KeyValues("PageShow"));
  EXPECT_EQ(RequestsOf(eInternetServer).size(), 3u);
  EXPECT_TRUE(m_Spew.Asserts().empty());
}

TEST_F(InternetPageTest, EveryPathToASpectateListCarriesExactlyOneProxyPair) {
  ShowBrowser();
  CSpectateGames *spectate = m_pMainWindow->GetSpectateGames();
  const auto checkLast = [&](const char *path) {
    FakeListRequest *request = Current(spectate);
    ASSERT_NE(request, nullptr) << path;
    EXPECT_EQ(request->source, eSpectateServer) << path;
    EXPECT_EQ(request->CountFilter("proxy"), 1) << path;
    EXPECT_EQ(request->CountFilter("napp"), 1) << path;
  };

  m_pMainWindow->GetTabSheet()->SetActivePage(spectate);
  RunFrames(0.5);
  checkLast("showing the page");
  m_Services.Done(spectate->GetListRequest());  // the end of a fetch rebuilds the pairs

  Send(spectate, new KeyValues("KeyCodePressed", "code", kgui::KEY_F5));
  checkLast("F5");
  Send(spectate, new KeyValues("Command", "command", "GetNewList"));
  checkLast("the refresh button");
  Send(spectate, new KeyValues("GetNewServerList"));
  checkLast("GetNewServerList");
  spectate->GetNewServerList();
  spectate->GetNewServerList();
  checkLast("a second fetch before the first ended");
  m_Services.Done(spectate->GetListRequest());
  spectate->BeginRefresh();
  checkLast("BeginRefresh");

  const std::vector<FakeListRequest *> spectateRequests = RequestsOf(eSpectateServer);
  EXPECT_GE(spectateRequests.size(), 6u);
  for (const FakeListRequest *request : spectateRequests) {
    ASSERT_EQ(request->CountFilter("proxy"), 1);
    for (const auto &[key, value] : request->filters) {
      if (key == "proxy") {
        EXPECT_EQ(value, "1");
      }
    }
  }
  for (const FakeListRequest *request : RequestsOf(eInternetServer))
    EXPECT_EQ(request->CountFilter("proxy"), 0);
}

TEST_F(InternetPageTest, OfflinePagesFetchNothingAndKeepTheirControlsDisabled) {
  m_Services.m_bOffline = true;
  ShowBrowser();
  CInternetGames *pages[] = {m_pMainWindow->GetInternetGames(), m_pMainWindow->GetSpectateGames()};
  for (CInternetGames *page : pages) {
    SCOPED_TRACE(page->GetName());
    m_pMainWindow->GetTabSheet()->SetActivePage(page);
    RunFrames(0.5);
    EXPECT_TRUE(page->IsOffline());
    for (int pass = 0; pass < 3; ++pass) {
      Send(page, new KeyValues("PageShow"));
      Send(page, new KeyValues("Tick"));
      page->InvalidateLayout(true);
      RunFrames(0.5);
      EXPECT_EQ(page->GetGameList()->GetEmptyText(), "#ServerBrowser_OfflineMode");
      for (const char *name :
           {"ConnectButton", "RefreshButton", "RefreshQuickButton", "AddServerButton", "Filter"})
        EXPECT_FALSE(Control(page, name)->IsEnabled()) << name << " on pass " << pass;
    }
  }
  EXPECT_EQ(m_Services.RequestCount(), 0);
}

TEST_F(InternetPageTest, RefreshServerRequeriesTheSelectedRowsAndSaysSo) {
  CInternetGames *internet = ShowBrowser();
  ListRequestHandle request = internet->GetListRequest();
  for (int index = 1; index <= 3; ++index) m_Services.Answer(request, index, Server("S", index, 20 * index));
  m_Services.Done(request);
  CGameListPanel *list = internet->GetGameList();
  list->SelectOnly(list->FindItemByUserValue(3));
  list->AddToSelection(list->FindItemByUserValue(1));

  Send(internet, new KeyValues("RefreshServer", "serverID", 99));
  EXPECT_EQ(m_Services.Request(request)->requeried, (std::vector<int>{3, 1}));
  auto *status = dynamic_cast<kgui::Label *>(m_pMainWindow->FindChildByName("StatusLabel", true));
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(status->GetText(), "#ServerBrowser_GettingNewServerList");

  // The line clears once the last of them has answered or gone silent, not before.
  m_Services.Answer(request, 3, Server("S", 3, 60));
  EXPECT_EQ(status->GetText(), "#ServerBrowser_GettingNewServerList");
  m_Services.Silent(request, 1, Server("S", 1, 20));
  EXPECT_EQ(status->GetText(), "");
}

TEST_F(InternetPageTest, StatusLineSaysTheFirstListIsBeingFetched) {
  CInternetGames *internet = ShowBrowser();
  ASSERT_TRUE(internet->IsRefreshRunning());
  auto *status = dynamic_cast<kgui::Label *>(m_pMainWindow->FindChildByName("StatusLabel", true));
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(status->GetText(), "#ServerBrowser_RefreshingServerList");
  m_Services.Done(internet->GetListRequest());
  EXPECT_EQ(status->GetText(), "");
}

TEST_F(InternetPageTest, ContextMenuOpensForTheFirstSelectedRowOnly) {
  CInternetGames *internet = ShowBrowser();
  ListRequestHandle request = internet->GetListRequest();
  m_Services.Answer(request, 1, Server("Harbor Nights", 1, 50));
  m_Services.Answer(request, 3, Server("Quarry Run", 3, 60));

  CServerContextMenu *before = m_pMainWindow->GetCurrentContextMenu();
  Send(internet, new KeyValues("OpenContextMenu", "itemID", 0));
  EXPECT_EQ(m_pMainWindow->GetCurrentContextMenu(), before) << "a menu without a selection";
  EXPECT_TRUE(!before || !before->IsVisible());

  CGameListPanel *list = internet->GetGameList();
  list->SelectOnly(list->FindItemByUserValue(3));
  list->AddToSelection(list->FindItemByUserValue(1));
  Send(internet, new KeyValues("OpenContextMenu", "itemID", list->FindItemByUserValue(1)));
  CServerContextMenu *menu = m_pMainWindow->GetCurrentContextMenu();
  ASSERT_NE(menu, nullptr);
  EXPECT_TRUE(menu->IsVisible());
  // The standard items, then the address to copy.
  const char *expected[] = {"ConnectToServer", "ViewGameInfo", "RefreshServer", "AddToFavorites",
                            "CopyServerAddress"};
  ASSERT_EQ(menu->GetItemCount(), 5);
  for (int i = 0; i < 5; ++i) {
    kgui::MenuItem *item = menu->GetMenuItem(menu->GetMenuID(i));
    ASSERT_NE(item, nullptr);
    EXPECT_STREQ(item->GetCommand()->GetName(), expected[i]);
    EXPECT_EQ(item->GetCommand()->GetInt("serverID"), 3) << expected[i];
    EXPECT_EQ(item->GetTarget(), internet);
  }
}

}  // namespace
