// The server-list page core: its controls and columns, rows built from the services' answers (one
// per address), the not-responding look, filters taking rows away or hiding them, the server count,
// the refresh state and its button, commands and keys, the selection handlers and the favourites
// notification.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "kgui_controls/ImageList.h"
#include "kgui_controls/PropertySheet.h"
#include "kgui_controls/controls.h"
#include "plexa/client_api.h"
#include "serverbrowser/ServerBrowserDialog.h"
#include "support/games_page_fixture.h"
#include "tier0/validator.h"

using sbtest::FakeServices;

namespace {

// Delivers a message to the page at once, as the host would.
void Send(kgui::Panel *panel, KeyValues *message) {
  panel->OnMessage(message, kgui::NULL_PANEL);
  message->Destroy();
}

FavoritesListChanged_t FavoriteChange(uint32 ip, uint16 port, bool added, uint32 flags = 1) {
  FavoritesListChanged_t change{};
  change.m_nIP = ip;
  change.m_nQueryPort = port;
  change.m_nConnPort = port;
  change.m_nFlags = flags;
  change.m_bAdd = added;
  return change;
}

class BaseGamesPageTest : public GamesPageTest {
 protected:
  void Notify(const FavoritesListChanged_t &change) {
    m_Services.QueueCallback(change);
    ClientAPI_RunCallbacks();
  }
};

}  // namespace

// ---- construction

TEST_F(BaseGamesPageTest, BuildsTheNamedControlsAndNineColumnsSortedByPing) {
  CTestGamesPage *page = MakePage();
  for (const char *name :
       {"ConnectButton", "RefreshButton", "RefreshQuickButton", "AddServerButton", "AddCurrentServerButton",
        "gamelist", "AddToFavoritesButton", "Filter", "FilterString", "GameFilter", "MapFilter", "PingFilter",
        "SecureFilter", "ServerEmptyFilterCheck", "ServerFullFilterCheck", "NoPasswordFilterCheck"})
    EXPECT_NE(page->FindChildByName(name), nullptr) << name;
  EXPECT_FALSE(page->m_pConnect->IsEnabled());
  EXPECT_FALSE(page->m_pAddToFavoritesButton->IsVisible());
  EXPECT_FALSE(page->m_pAddToFavoritesButton->IsEnabled());

  struct Column {
    const char *name;
    const char *header;
    int width;
    bool shown;
  };
  const Column columns[] = {
      {"Password", "#ServerBrowser_Password", 16, true}, {"Bots", "#ServerBrowser_Bots", 16, false},
      {"Secure", "#ServerBrowser_Secure", 16, true},     {"Name", "#ServerBrowser_Servers", 50, true},
      {"IPAddr", "#ServerBrowser_IPAddress", 64, false}, {"GameDesc", "#ServerBrowser_Game", 112, true},
      {"Players", "#ServerBrowser_Players", 55, true},   {"Map", "#ServerBrowser_Map", 90, true},
      {"Ping", "#ServerBrowser_Latency", 55, true},
  };
  CGameListPanel *list = page->GetGameList();
  ASSERT_EQ(list->GetColumnCount(), 9);
  for (int col = 0; col < 9; ++col) {
    SCOPED_TRACE(columns[col].name);
    EXPECT_STREQ(list->GetColumnName(col), columns[col].name);
    EXPECT_STREQ(list->GetColumnHeaderText(col), columns[col].header);
    EXPECT_EQ(list->GetColumnWidth(col), columns[col].width);
    EXPECT_EQ(list->IsColumnShown(col), columns[col].shown);
  }
  EXPECT_EQ(list->GetSortColumn(), 8);
  EXPECT_TRUE(list->IsSortAscending());
  EXPECT_EQ(list->GetRecordSource(), static_cast<IGameList *>(page));
  EXPECT_EQ(page->GetListRequest(), nullptr);
}

TEST_F(BaseGamesPageTest, SchemeGivesTheListItsServerImagesAndHeaderIcons) {
  CTestGamesPage *page = MakePage();
  RunFrames();
  kgui::ImageList *images = page->GetGameList()->GetImageList();
  ASSERT_NE(images, nullptr);
  const char *names[] = {"servers/icon_password",        "servers/icon_bots",
                         "servers/icon_robotron",        "servers/icon_secure_deny",
                         "servers/icon_password_column", "servers/icon_bots_column",
                         "servers/icon_robotron_column"};
  ASSERT_EQ(images->GetImageCount(), 8);
  for (int i = 0; i < 7; ++i)
    EXPECT_EQ(images->GetImage(i + 1), Runtime().GetImage(names[i], false)) << names[i];
  for (int col = 0; col < 3; ++col)
    EXPECT_EQ(page->GetGameList()->GetColumnHeader(col)->GetIconImage(), images->GetImage(col + 5));
}

TEST_F(BaseGamesPageTest, AppliesThePerUserSettingsKeptUnderThePageName) {
  KeyValues *saved = Runtime().GetUserConfigFileData("servers/Pages/TestGames", 0);
  saved->FindKey("gamelist", true)->SetInt("#ServerBrowser_IPAddress_hidden", 0);
  CTestGamesPage *page = MakePage();
  EXPECT_TRUE(page->GetGameList()->IsColumnShown(4));
}

// ---- rows from answers

TEST_F(BaseGamesPageTest, AnswersBecomeRowsCarryingTheServersFields) {
  CTestGamesPage *page = MakePage();
  ListRequestHandle request = Refresh(page);
  ServerRecord server =
      FakeServices::MakeServer("Rusty Anchor", TestIP(5), 27015, 42, 700, "ashfall", "harbor", 4, 16);
  server.m_bHasPassword = true;
  server.m_nBotCount = 3;
  snprintf(server.m_szTags, sizeof(server.m_szTags), "hardcore");
  m_Services.Answer(request, 7, server);

  KeyValues *row = RowOf(page, 7);
  ASSERT_NE(row, nullptr);
  EXPECT_STREQ(row->GetName(), "Server");
  EXPECT_STREQ(row->GetString("name"), "Rusty Anchor");
  EXPECT_STREQ(row->GetString("map"), "harbor");
  EXPECT_STREQ(row->GetString("GameDir"), "ashfall");
  EXPECT_STREQ(row->GetString("GameDesc"), "Ashfall Arena");
  EXPECT_STREQ(row->GetString("GameTags"), "hardcore");
  EXPECT_EQ(row->GetInt("password"), 1);
  EXPECT_EQ(row->GetInt("bots"), 2);
  EXPECT_EQ(row->GetInt("secure"), 0);
  EXPECT_STREQ(row->GetString("IPAddr"), "10.0.0.5:27015");
  EXPECT_STREQ(row->GetString("Players"), "4 / 16");
  EXPECT_EQ(row->GetDataType("Ping"), KeyValues::TYPE_INT);
  EXPECT_EQ(row->GetInt("Ping"), 42);
  EXPECT_EQ(row->FindKey("LastPlayed"), nullptr);
  const int rowID = page->GetServerMap().at(7).m_iRowID;
  EXPECT_EQ(page->GetGameList()->GetItemUserValue(rowID), 7u);
  EXPECT_EQ(page->GetGameList()->GetCellText(rowID, 3), "Rusty Anchor");
}

TEST_F(BaseGamesPageTest, SecureColumnShowsProtectionAndTheUsersBan) {
  struct Case {
    AppId_t app;
    bool secure;
    bool banned;
    int expected;
  };
  const Case cases[] = {
      {811, false, false, 0}, {812, true, false, 3}, {813, true, true, 4}, {814, false, true, 0}};
  CTestGamesPage *page = MakePage();
  ListRequestHandle request = Refresh(page);
  int index = 0;
  for (const Case &c : cases) {
    if (c.banned) m_Services.m_BannedApps.insert(c.app);
    ServerRecord server = FakeServices::MakeServer("Vault", TestIP(20 + index), 27015, 50, c.app);
    server.m_bIsSecure = c.secure;
    m_Services.Answer(request, index, server);
    ASSERT_NE(RowOf(page, index), nullptr);
    EXPECT_EQ(RowOf(page, index)->GetInt("secure"), c.expected) << "app " << c.app;
    ++index;
  }
}

TEST_F(BaseGamesPageTest, AServerWithoutANameShowsItsAddress) {
  CTestGamesPage *page = MakePage();
  ListRequestHandle request = Refresh(page);
  m_Services.Answer(request, 1, FakeServices::MakeServer("", TestIP(5), 27015, 30));
  ASSERT_NE(RowOf(page, 1), nullptr);
  EXPECT_STREQ(RowOf(page, 1)->GetString("name"), "10.0.0.5:27015");
}

TEST_F(BaseGamesPageTest, SameAddressUnderANewIndexReplacesTheOldRow) {
  CTestGamesPage *page = MakePage();
  ListRequestHandle request = Refresh(page);
  m_Services.Answer(request, 1, FakeServices::MakeServer("Old Pier", TestIP(5), 27015, 30));
  m_Services.Answer(request, 2, FakeServices::MakeServer("Dockside", TestIP(6), 27015, 30));
  // Another connection port on the same machine is another server.
  m_Services.Answer(request, 3, FakeServices::MakeServer("Pier Annex", TestIP(5), 27016, 30));
  m_Services.Answer(request, 9, FakeServices::MakeServer("New Pier", TestIP(5), 27015, 30));

  EXPECT_EQ(page->GetServerMap().count(1), 0u);
  EXPECT_EQ(page->GetGameList()->GetItemCount(), 3);
  ASSERT_NE(RowOf(page, 9), nullptr);
  EXPECT_STREQ(RowOf(page, 9)->GetString("name"), "New Pier");
  EXPECT_EQ(page->GetGameList()->GetItemUserValue(page->GetServerMap().at(9).m_iRowID), 9u);
  EXPECT_STREQ(RowOf(page, 3)->GetString("name"), "Pier Annex");

  // The next answer for the new index updates its row in place.
  m_Services.Answer(request, 9, FakeServices::MakeServer("New Pier", TestIP(5), 27015, 77));
  EXPECT_EQ(page->GetGameList()->GetItemCount(), 3);
  EXPECT_EQ(RowOf(page, 9)->GetInt("Ping"), 77);
}

TEST_F(BaseGamesPageTest, AServerThatNeverAnsweredShowsAsNotResponding) {
  CTestGamesPage *page = MakePage();
  ListRequestHandle request = Refresh(page);
  ServerRecord silent = FakeServices::MakeServer("Ghost Ship", TestIP(7), 27015, 0);
  silent.m_bResponded = false;
  m_Services.Silent(request, 4, silent);
  // A silent server that answered before keeps its values.
  m_Services.Silent(request, 5, FakeServices::MakeServer("Lantern", TestIP(8), 27015, 60));

  KeyValues *row = RowOf(page, 4);
  ASSERT_NE(row, nullptr);
  EXPECT_STREQ(row->GetString("name"), "Ghost Ship");
  EXPECT_EQ(row->GetDataType("Ping"), KeyValues::TYPE_STRING);
  EXPECT_STREQ(row->GetString("Ping"), "");
  EXPECT_STREQ(row->GetString("GameDesc"), "< no response >");
  EXPECT_STREQ(row->GetString("Players"), "");
  EXPECT_STREQ(row->GetString("map"), "");
  ASSERT_NE(RowOf(page, 5), nullptr);
  EXPECT_EQ(RowOf(page, 5)->GetInt("Ping"), 60);
  EXPECT_STREQ(RowOf(page, 5)->GetString("map"), "harbor");
}

TEST_F(BaseGamesPageTest, ReportsAnswersWithoutARecordAndRecordsWithoutAnAddress) {
  CTestGamesPage *page = MakePage();
  ListRequestHandle request = Refresh(page);
  page->OnServerAnswered(request, 99);
  EXPECT_TRUE(m_Spew.Contains("Missing server response"));
  EXPECT_EQ(page->GetGameList()->GetItemCount(), 0);
  EXPECT_TRUE(page->GetServerMap().empty());

  m_Services.Answer(request, 1, FakeServices::MakeServer("Nowhere", 0, 27015, 30));
  EXPECT_TRUE(m_Spew.Contains("pServerItem->m_NetAdr.GetIP() != 0"));
  EXPECT_NE(RowOf(page, 1), nullptr);
}

TEST_F(BaseGamesPageTest, LastPlayedShowsLocalTimeWithALowerCaseMarker) {
  setenv("TZ", "UTC", 1);
  tzset();
  struct Case {
    int hour;
    int minute;
    const char *expected;
  };
  const Case cases[] = {
      {15, 5, "Tue 05 Mar 03:05pm"}, {9, 30, "Tue 05 Mar 09:30am"}, {0, 0, "Tue 05 Mar 12:00am"}};
  CTestGamesPage *page = MakePage();
  ListRequestHandle request = Refresh(page);
  int index = 0;
  for (const Case &c : cases) {
    struct tm when {};
    when.tm_year = 2024 - 1900;
    when.tm_mon = 2;
    when.tm_mday = 5;
    when.tm_hour = c.hour;
    when.tm_min = c.minute;
    ServerRecord server = FakeServices::MakeServer("Clocktower", TestIP(30 + index), 27015, 40);
    server.m_nLastPlayedTime = static_cast<uint32>(timegm(&when));
    m_Services.Answer(request, index, server);
    ASSERT_NE(RowOf(page, index), nullptr);
    EXPECT_STREQ(RowOf(page, index)->GetString("LastPlayed"), c.expected);
    ++index;
  }
}

// ---- filters and rows

TEST_F(BaseGamesPageTest, SecondaryFailureDropsTheRowOnAnAnswerButOnlyHidesItOnAFilterChange) {
  CTestGamesPage *page = MakePage();
  ListRequestHandle request = Refresh(page);
  m_Services.Answer(
      request, 1, FakeServices::MakeServer("Empty Hall", TestIP(1), 27015, 30, 500, "ashfall", "harbor", 0));
  m_Services.Answer(request, 2,
                    FakeServices::MakeServer("Busy Hall", TestIP(2), 27015, 30, 500, "ashfall", "harbor", 6));

  page->m_pNoEmptyServersFilterCheck->SetSelected(true);
  RunFrames();
  ASSERT_TRUE(page->m_bHideEmpty);
  // A filter change hides the row and keeps it in the list.
  EXPECT_TRUE(page->GetGameList()->IsItemIDValid(page->GetServerMap().at(1).m_iRowID));
  EXPECT_FALSE(IsRowShown(page, 1));
  EXPECT_TRUE(page->GetServerMap().at(1).m_bFilteredOut);
  EXPECT_TRUE(IsRowShown(page, 2));

  // An answer that fails takes the row away; only the primary checks mark the server.
  m_Services.Answer(
      request, 3, FakeServices::MakeServer("Quiet Hall", TestIP(3), 27015, 30, 500, "ashfall", "harbor", 0));
  EXPECT_EQ(page->GetServerMap().at(3).m_iRowID, page->NoRowID());
  EXPECT_FALSE(page->GetServerMap().at(3).m_bFilteredOut);
  m_Services.Answer(request, 2,
                    FakeServices::MakeServer("Busy Hall", TestIP(2), 27015, 30, 500, "ashfall", "harbor", 0));
  EXPECT_EQ(page->GetServerMap().at(2).m_iRowID, page->NoRowID());
  EXPECT_EQ(page->GetGameList()->GetItemCount(), 1);
}

TEST_F(BaseGamesPageTest, RelaxedFiltersBringBackAPrimaryFailureWithAShortRowUntilItsNextAnswer) {
  CTestGamesPage *page = MakePage();
  ListRequestHandle request = Refresh(page);
  page->m_LimitToGame = 4000;
  ServerRecord server = FakeServices::MakeServer("Moonbase", TestIP(4), 27015, 35, 4100);
  server.m_szDescription[0] = 0;
  m_Services.Answer(request, 1, server);
  EXPECT_EQ(page->GetServerMap().at(1).m_iRowID, page->NoRowID());
  EXPECT_TRUE(page->GetServerMap().at(1).m_bFilteredOut);

  page->m_LimitToGame = 0;
  page->ReapplyFilters();
  KeyValues *row = RowOf(page, 1);
  ASSERT_NE(row, nullptr);
  EXPECT_TRUE(IsRowShown(page, 1));
  EXPECT_FALSE(page->GetServerMap().at(1).m_bFilteredOut);
  EXPECT_STREQ(row->GetString("name"), "Moonbase");
  EXPECT_STREQ(row->GetString("GameDesc"), "< pending >");
  EXPECT_STREQ(row->GetString("Players"), "4 / 16");
  EXPECT_EQ(row->GetInt("Ping"), 35);
  for (const char *key : {"secure", "IPAddr", "LastPlayed"}) EXPECT_EQ(row->FindKey(key), nullptr) << key;

  m_Services.Answer(request, 1, server);
  EXPECT_STREQ(RowOf(page, 1)->GetString("IPAddr"), "10.0.0.4:27015");
  EXPECT_EQ(page->GetGameList()->GetItemCount(), 1);
}

TEST_F(BaseGamesPageTest, RelaxedFiltersBringBackServersThatAnAnswerDroppedForTheSecondaryChecks) {
  CTestGamesPage *page = MakePage();
  ListRequestHandle request = Refresh(page);
  page->m_pNoEmptyServersFilterCheck->SetSelected(true);
  RunFrames();
  m_Services.Answer(
      request, 1, FakeServices::MakeServer("Empty Hall", TestIP(1), 27015, 30, 500, "ashfall", "harbor", 0));
  ASSERT_EQ(page->GetServerMap().at(1).m_iRowID, page->NoRowID());

  page->m_pNoEmptyServersFilterCheck->SetSelected(false);
  RunFrames();
  ASSERT_TRUE(IsRowShown(page, 1));
  EXPECT_STREQ(RowOf(page, 1)->GetString("name"), "Empty Hall");
  EXPECT_EQ(page->GetGameList()->GetItemCount(), 1);
}

// A server marked by a failed check shows its answer once it passes, not the not-responding look:
// marked by an answer failing the game limit, or by a filter change hiding its row.
TEST_F(BaseGamesPageTest, AServerPassingAgainShowsItsAnswerNotTheNotRespondingLook) {
  CTestGamesPage *page = MakePage();
  ListRequestHandle request = Refresh(page);
  page->m_LimitToGame = 4000;
  m_Services.Answer(request, 1, FakeServices::MakeServer("Moonbase", TestIP(1), 27015, 35, 4100));
  m_Services.Answer(
      request, 2, FakeServices::MakeServer("Quiet Hall", TestIP(2), 27015, 40, 4000, "ashfall", "harbor", 0));
  page->m_pNoEmptyServersFilterCheck->SetSelected(true);
  RunFrames();
  ASSERT_TRUE(page->GetServerMap().at(1).m_bFilteredOut);
  ASSERT_TRUE(page->GetServerMap().at(2).m_bFilteredOut);
  ASSERT_FALSE(IsRowShown(page, 2));

  // The next answers pass, with no filter change in between.
  page->m_LimitToGame = 0;
  page->m_bHideEmpty = false;
  m_Services.Answer(request, 1, FakeServices::MakeServer("Moonbase", TestIP(1), 27015, 35, 4100));
  m_Services.Answer(
      request, 2, FakeServices::MakeServer("Quiet Hall", TestIP(2), 27015, 40, 4000, "ashfall", "harbor", 3));
  for (const auto &[index, ping] : {std::pair{1, 35}, std::pair{2, 40}}) {
    SCOPED_TRACE(index);
    ASSERT_TRUE(IsRowShown(page, index));
    EXPECT_FALSE(page->GetServerMap().at(index).m_bFilteredOut);
    KeyValues *row = RowOf(page, index);
    EXPECT_EQ(row->GetInt("Ping"), ping);
    EXPECT_STREQ(row->GetString("map"), "harbor");
    EXPECT_STRNE(row->GetString("GameDesc"), "< no response >");
  }
}

TEST_F(BaseGamesPageTest, ReapplyingFiltersSkipsServersWithoutARecordButFiltersPingedOnes) {
  CTestGamesPage *page = MakePage();
  ListRequestHandle request = Refresh(page);
  m_Services.Answer(request, 1,
                    FakeServices::MakeServer("Gone", TestIP(1), 27015, 30, 500, "ashfall", "harbor", 0));
  page->OnPingAnswered(FakeServices::MakeServer("Pinged", TestIP(2), 27015, 30, 500, "ashfall", "harbor", 0));
  m_Services.Request(request)->servers.erase(1);
  page->m_pNoEmptyServersFilterCheck->SetSelected(true);
  RunFrames();
  EXPECT_TRUE(IsRowShown(page, 1));
  // The page keeps what a ping told, so the filters apply to that row as to any other.
  EXPECT_FALSE(IsRowShown(page, -1));
}

// ---- server count

TEST_F(BaseGamesPageTest, NameHeaderCountsShownRowsFromTwoOn) {
  CTestGamesPage *page = MakePage();
  ListRequestHandle request = Refresh(page);
  RunFrames();
  EXPECT_EQ(HeaderText(page, 3), "Servers");
  m_Services.Answer(request, 1,
                    FakeServices::MakeServer("One", TestIP(1), 27015, 30, 500, "ashfall", "harbor", 0));
  EXPECT_EQ(HeaderText(page, 3), "Servers");
  m_Services.Answer(request, 2, FakeServices::MakeServer("Two", TestIP(2), 27015, 30));
  EXPECT_EQ(HeaderText(page, 3), "Servers (2)");
  m_Services.Answer(request, 3, FakeServices::MakeServer("Three", TestIP(3), 27015, 30));
  EXPECT_EQ(HeaderText(page, 3), "Servers (3)");

  // Hidden rows do not count.
  page->m_pNoEmptyServersFilterCheck->SetSelected(true);
  RunFrames();
  EXPECT_EQ(HeaderText(page, 3), "Servers (2)");
  Notify(FavoriteChange(TestIP(3), 27015, false));
  EXPECT_EQ(HeaderText(page, 3), "Servers");
}

// ---- refresh state

TEST_F(BaseGamesPageTest, EachTypeAsksForItsOwnListWithTheLimitsApplication) {
  struct Case {
    EServerSource type;
    const char *name;
  };
  const Case cases[] = {{eInternetServer, "InternetTest"}, {eLanServer, "LanTest"},
                        {eFriendServer, "FriendsTest"},    {eFavoriteServer, "FavoritesTest"},
                        {eHistoryServer, "HistoryTest"},   {eSpectateServer, "SpectateTest"}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    m_Spew.Clear();
    CTestGamesPage *page = MakePage(c.type, c.name);
    page->m_LimitToGame = (uint64{1} << 63) | 4000;
    ASSERT_NE(Refresh(page), nullptr);
    const sbtest::FakeListRequest *request = m_Services.LastRequest();
    EXPECT_EQ(request->source, static_cast<int>(c.type));
    EXPECT_EQ(request->appId, 4000u);
    EXPECT_EQ(request->response, static_cast<IPlexaMatchmakingServerListResponse *>(page));
    // The LAN request carries no pairs; every other one leaves out application 500.
    EXPECT_EQ(request->CountFilter("napp"), c.type == eLanServer ? 0 : 1);
    // Only the Internet list expects a visible browser.
    EXPECT_EQ(m_Spew.Contains("IsVisible()"), c.type == eInternetServer);
  }
}

TEST_F(BaseGamesPageTest, RefreshButtonFollowsTheRefreshAndItsCommandFollowsItsText) {
  struct Case {
    bool fullRefresh;
    const char *idleText;
  };
  for (const Case &c : {Case{true, "#ServerBrowser_RefreshAll"}, Case{false, "#ServerBrowser_Refresh"}}) {
    SCOPED_TRACE(c.idleText);
    CTestGamesPage *page = MakePage(eFavoriteServer, c.fullRefresh ? "FullTest" : "QuickTest");
    if (c.fullRefresh) page->m_Offered.insert(IGameList::eItemFullRefresh);
    ListRequestHandle request = Refresh(page);
    EXPECT_TRUE(page->IsRefreshRunning());
    EXPECT_STREQ(page->m_pRefreshAll->GetUnlocalizedText(), "#ServerBrowser_StopRefreshingList");
    EXPECT_EQ(ButtonCommand(page->m_pRefreshAll), "stoprefresh");
    EXPECT_FALSE(page->m_pRefreshQuick->IsEnabled());

    m_Services.Answer(request, 1, FakeServices::MakeServer("Beacon", TestIP(1), 27015, 30));
    m_Services.Done(request);
    EXPECT_EQ(page->m_nListDone, 1);
    EXPECT_STREQ(page->m_pRefreshAll->GetUnlocalizedText(), c.idleText);
    EXPECT_EQ(ButtonCommand(page->m_pRefreshAll), "GetNewList");
    EXPECT_TRUE(page->m_pRefreshQuick->IsEnabled());

    // Pressing the idle button fetches a new list.
    const int before = m_Services.RequestCount();
    page->m_pRefreshAll->DoClick();
    RunFrames();
    EXPECT_EQ(m_Services.RequestCount(), before + 1);
    EXPECT_TRUE(m_Services.Request(request)->freed);
    EXPECT_EQ(page->GetGameList()->GetItemCount(), 0);
    // Pressing it while refreshing stops the request.
    page->m_pRefreshAll->DoClick();
    RunFrames();
    EXPECT_EQ(m_Services.LastRequest()->stops, 1);
  }
}

TEST_F(BaseGamesPageTest, HidingThePageStopsTheRequestAndTheNextLayoutShowsTheIdleButton) {
  CTestGamesPage *page = MakePage();
  Send(page, new KeyValues("PageShow"));
  ASSERT_NE(page->GetListRequest(), nullptr);
  Send(page, new KeyValues("PageHide"));
  EXPECT_EQ(m_Services.LastRequest()->stops, 1);
  EXPECT_STREQ(page->m_pRefreshAll->GetUnlocalizedText(), "#ServerBrowser_StopRefreshingList");

  page->InvalidateLayout(true);
  EXPECT_STREQ(page->m_pRefreshAll->GetUnlocalizedText(), "#ServerBrowser_Refresh");
  EXPECT_EQ(ButtonCommand(page->m_pRefreshAll), "GetNewList");
}

TEST_F(BaseGamesPageTest, WithoutServicesARefreshEndsIdleAtOnce) {
  CTestGamesPage *page = MakePage();
  m_Services.Unbind();
  page->BeginRefresh();
  EXPECT_EQ(m_Services.RequestCount(), 0);
  EXPECT_EQ(page->GetListRequest(), nullptr);
  EXPECT_FALSE(page->IsRefreshRunning());
  EXPECT_EQ(page->GetServerRecord(0), nullptr);
  EXPECT_STREQ(page->m_pRefreshAll->GetUnlocalizedText(), "#ServerBrowser_Refresh");
  EXPECT_EQ(ButtonCommand(page->m_pRefreshAll), "GetNewList");
  page->OnCommand("refresh");
  EXPECT_EQ(ButtonCommand(page->m_pRefreshAll), "GetNewList");
  page->CancelRefresh();
}

TEST_F(BaseGamesPageTest, ANewListFreesThePreviousRequestAndForgetsItsRows) {
  CTestGamesPage *page = MakePage();
  ListRequestHandle first = Refresh(page);
  m_Services.Answer(first, 1, FakeServices::MakeServer("Beacon", TestIP(1), 27015, 30));
  ListRequestHandle second = Refresh(page);
  EXPECT_NE(first, second);
  EXPECT_TRUE(m_Services.Request(first)->freed);
  EXPECT_TRUE(page->GetServerMap().empty());
  EXPECT_EQ(page->GetGameList()->GetItemCount(), 0);
  // The same address under the new request's index makes one row again.
  m_Services.Answer(second, 1, FakeServices::MakeServer("Beacon", TestIP(1), 27015, 30));
  EXPECT_EQ(page->GetGameList()->GetItemCount(), 1);
}

TEST_F(BaseGamesPageTest, DestroyingThePageFreesItsRequest) {
  CTestGamesPage *page = MakePage();
  ListRequestHandle request = Refresh(page);
  delete page;
  EXPECT_TRUE(m_Services.Request(request)->freed);
}

// ---- commands and keys

TEST_F(BaseGamesPageTest, CommandsAndF5DriveTheRequest) {
  CTestGamesPage *page = MakePage();
  ListRequestHandle request = Refresh(page);
  m_Services.Answer(request, 1, FakeServices::MakeServer("Beacon", TestIP(1), 27015, 30));
  m_Services.Done(request);

  // "refresh" asks again without clearing a row.
  page->OnCommand("REFRESH");
  EXPECT_EQ(m_Services.Request(request)->repeats, 1);
  EXPECT_EQ(page->GetGameList()->GetItemCount(), 1);
  EXPECT_EQ(ButtonCommand(page->m_pRefreshAll), "stoprefresh");
  page->OnCommand("StopRefresh");
  EXPECT_EQ(m_Services.Request(request)->stops, 1);

  page->OnCommand("GetNewList");
  EXPECT_EQ(m_Services.RequestCount(), 2);
  // F5 starts a new list at any time, also during one.
  page->OnKeyCodePressed(kgui::KEY_F5);
  EXPECT_EQ(m_Services.RequestCount(), 3);
}

TEST_F(BaseGamesPageTest, SelectionEnablesConnectAndConnectingStopsTheRefresh) {
  CTestGamesPage *page = MakePage();
  ListRequestHandle request = Refresh(page);
  page->OnCommand("Connect");
  EXPECT_EQ(m_Services.Request(request)->stops, 0);

  m_Services.Answer(request, 1, FakeServices::MakeServer("Beacon", TestIP(1), 27015, 30));
  page->GetGameList()->SelectOnly(page->GetServerMap().at(1).m_iRowID);
  RunFrames();
  EXPECT_TRUE(page->m_pConnect->IsEnabled());
  Send(page, new KeyValues("ConnectToServer"));
  EXPECT_EQ(m_Services.Request(request)->stops, 1);
}

TEST_F(BaseGamesPageTest, RefreshServerRequeriesExactlyTheSelectedRows) {
  CTestGamesPage *page = MakePage();
  ListRequestHandle request = Refresh(page);
  for (int i = 1; i <= 3; ++i)
    m_Services.Answer(request, i, FakeServices::MakeServer("Beacon", TestIP(i), 27015, 30));
  Send(page, new KeyValues("RefreshServer", "serverID", 2));
  EXPECT_TRUE(m_Services.Request(request)->requeried.empty());

  CGameListPanel *list = page->GetGameList();
  list->SelectOnly(page->GetServerMap().at(3).m_iRowID);
  list->AddToSelection(page->GetServerMap().at(1).m_iRowID);
  Send(page, new KeyValues("RefreshServer", "serverID", 2));
  EXPECT_EQ(m_Services.Request(request)->requeried, (std::vector<int>{3, 1}));
  EXPECT_TRUE(page->IsRefreshRunning());
  EXPECT_EQ(ButtonCommand(page->m_pRefreshAll), "stoprefresh");
}

TEST_F(BaseGamesPageTest, AddToFavoritesStoresEverySelectedServerThroughTheMainWindow) {
  MakeMainWindow();
  CTestGamesPage *page = MakePage();
  ListRequestHandle request = Refresh(page);
  m_Services.Answer(request, 1, FakeServices::MakeServer("Beacon", TestIP(1), 27015, 30, 640));
  m_Services.Answer(request, 2, FakeServices::MakeServer("Lamp", TestIP(2), 27016, 30, 640));
  const size_t before = m_Services.m_Added.size();
  Send(page, new KeyValues("AddToFavorites"));
  EXPECT_EQ(m_Services.m_Added.size(), before);

  page->GetGameList()->SelectOnly(page->GetServerMap().at(2).m_iRowID);
  Send(page, new KeyValues("AddToFavorites"));
  ASSERT_EQ(m_Services.m_Added.size(), before + 1);
  EXPECT_EQ(m_Services.m_Added.back().ip, TestIP(2));
  EXPECT_EQ(m_Services.m_Added.back().connPort, 27016);
  EXPECT_EQ(m_Services.m_Added.back().flags, 1u);
}

TEST_F(BaseGamesPageTest, LayoutPassShowsTheButtonsThePageOffers) {
  struct Case {
    std::set<int> offered;
    bool quick, addServer, addCurrent;
  };
  const Case cases[] = {
      {{}, false, false, false},
      {{IGameList::eItemFullRefresh}, true, false, false},
      {{IGameList::eItemAddServer, IGameList::eItemAddCurrentServer}, false, true, true},
  };
  int n = 0;
  for (const Case &c : cases) {
    SCOPED_TRACE(n);
    CTestGamesPage *page = MakePage(eFavoriteServer, ("Layout" + std::to_string(n++)).c_str());
    page->m_Offered = c.offered;
    page->InvalidateLayout(true);
    EXPECT_EQ(page->m_pRefreshQuick->IsVisible(), c.quick);
    EXPECT_EQ(page->m_pAddServer->IsVisible(), c.addServer);
    EXPECT_EQ(page->m_pAddCurrentServer->IsVisible(), c.addCurrent);
    EXPECT_FALSE(page->m_pRefreshQuick->IsEnabled());
    EXPECT_FALSE(page->m_pConnect->IsEnabled());
  }
}

TEST_F(BaseGamesPageTest, EnterTypedInTheListIsOfferedToThePageFirst) {
  CTestGamesPage *page = MakePage();
  ListRequestHandle request = Refresh(page);
  m_Services.Answer(request, 1, FakeServices::MakeServer("Beacon", TestIP(1), 27015, 30));
  for (bool claimed : {false, true}) {
    SCOPED_TRACE(claimed);
    page->m_bClaimEnter = claimed;
    page->m_nEnterAsked = page->m_nEnterPassedOn = 0;
    Send(page->GetGameList(), new KeyValues("KeyCodeTyped", "code", kgui::KEY_ENTER));
    Send(page->GetGameList(), new KeyValues("KeyCodeTyped", "code", kgui::KEY_DOWN));
    EXPECT_EQ(page->m_nEnterAsked, 1);
    EXPECT_EQ(page->m_nEnterPassedOn, claimed ? 0 : 1);
  }
}

// ---- favourites notification

TEST_F(BaseGamesPageTest, AFavouriteAddedElsewhereIsPingedAndShownUnderANegativeIndex) {
  CTestGamesPage *page = MakePage();
  Refresh(page);
  Notify(FavoriteChange(TestIP(8), 27015, true));
  Notify(FavoriteChange(TestIP(9), 27015, false));  // removed and unknown: nothing
  Notify(FavoriteChange(TestIP(10), 27016, true));
  Notify(FavoriteChange(TestIP(11), 27017, true));
  ASSERT_EQ(m_Services.m_Pings.size(), 3u);
  EXPECT_EQ(m_Services.m_Pings[0], std::make_pair(TestIP(8), uint16{27015}));
  EXPECT_EQ(page->CountRunningPings(), 3);

  m_Services.m_PingResponses[0]->OnPingAnswered(FakeServices::MakeServer("Lighthouse", TestIP(8), 27015, 30));
  m_Services.m_PingResponses[1]->OnPingSilent();
  page->OnPingAnswered(FakeServices::MakeServer("Signal", TestIP(9), 27015, 30));
  ASSERT_NE(RowOf(page, -1), nullptr);
  EXPECT_STREQ(RowOf(page, -1)->GetString("name"), "Lighthouse");
  EXPECT_EQ(page->GetGameList()->GetItemUserValue(page->GetServerMap().at(-1).m_iRowID),
            static_cast<unsigned int>(-1));
  ASSERT_NE(RowOf(page, -2), nullptr);
  EXPECT_STREQ(RowOf(page, -2)->GetString("name"), "Signal");
  // The page keeps what the ping told, so the row can be joined or removed like any other.
  ASSERT_NE(page->GetServerRecord(-1), nullptr);
  EXPECT_EQ(page->GetServerRecord(-1)->m_NetAdr.GetIP(), TestIP(8));
  EXPECT_EQ(page->GetServerRecord(-3), nullptr);
  // Finished pings leave the running ones.
  EXPECT_EQ(page->CountRunningPings(), 1);

  // The page goes: the ping still out is aborted, so no answer can reach it afterwards.
  const ServerQueryHandle stillRunning = 3;
  delete page;
  EXPECT_EQ(m_Services.m_Aborted, std::vector<ServerQueryHandle>{stillRunning});
}

TEST_F(BaseGamesPageTest, AFavouriteReAddedIsRereadUnlessItsIndexIsZero) {
  CTestGamesPage *page = MakePage();
  ListRequestHandle request = Refresh(page);
  m_Services.Answer(request, 0, FakeServices::MakeServer("First", TestIP(1), 27015, 30));
  m_Services.Answer(request, 3, FakeServices::MakeServer("Third", TestIP(3), 27015, 30));
  auto &servers = m_Services.Request(request)->servers;
  snprintf(servers[0].m_szServerName, sizeof(servers[0].m_szServerName), "First renamed");
  snprintf(servers[3].m_szServerName, sizeof(servers[3].m_szServerName), "Third renamed");

  Notify(FavoriteChange(TestIP(1), 27015, true));
  Notify(FavoriteChange(TestIP(3), 27015, true));
  EXPECT_STREQ(RowOf(page, 0)->GetString("name"), "First");
  EXPECT_STREQ(RowOf(page, 3)->GetString("name"), "Third renamed");
  EXPECT_TRUE(m_Services.m_Pings.empty());
}

TEST_F(BaseGamesPageTest, AFavouriteRemovedElsewhereIsHiddenButKept) {
  AddGame(500, "ashfall", "Ashfall Arena");
  CTestGamesPage *page = MakePage(eHistoryServer, "HistoryTest");
  ListRequestHandle request = Refresh(page);
  m_Services.Answer(request, 2, FakeServices::MakeServer("Beacon", TestIP(2), 27015, 30));
  Notify(FavoriteChange(TestIP(2), 27015, false, 2));
  EXPECT_FALSE(IsRowShown(page, 2));
  EXPECT_TRUE(page->GetGameList()->IsItemIDValid(page->GetServerMap().at(2).m_iRowID));
}

TEST_F(BaseGamesPageTest, AChangeReachesOnlyThePagesOfTheListsItNames) {
  AddGame(500, "ashfall", "Ashfall Arena");
  struct Case {
    EServerSource page;
    uint32 flags;
    bool acts;
  };
  const Case cases[] = {
      {eFavoriteServer, 1, true}, {eFavoriteServer, 2, false}, {eFavoriteServer, 3, true},
      {eFavoriteServer, 0, true}, {eHistoryServer, 1, false},  {eHistoryServer, 2, true},
      {eHistoryServer, 3, true},  {eHistoryServer, 0, true},
  };
  int n = 0;
  for (const Case &c : cases) {
    SCOPED_TRACE(n);
    CTestGamesPage *page = MakePage(c.page, ("Flags" + std::to_string(n++)).c_str());
    ListRequestHandle request = Refresh(page);
    m_Services.Answer(request, 2, FakeServices::MakeServer("Beacon", TestIP(2), 27015, 30));
    m_Services.m_Pings.clear();
    Notify(FavoriteChange(TestIP(2), 27015, false, c.flags));
    Notify(FavoriteChange(TestIP(7), 27015, true, c.flags));
    EXPECT_EQ(IsRowShown(page, 2), !c.acts);
    EXPECT_EQ(m_Services.m_Pings.size(), c.acts ? 1u : 0u);
    delete page;
  }
}

TEST_F(BaseGamesPageTest, ListsOtherThanFavouritesAndHistoryIgnoreTheNotification) {
  AddGame(500, "ashfall", "Ashfall Arena");
  for (EServerSource type : {eInternetServer, eLanServer, eFriendServer, eSpectateServer}) {
    CTestGamesPage *page = MakePage(type, ("Ignoring" + std::to_string(type)).c_str());
    ListRequestHandle request = Refresh(page);
    m_Services.Answer(request, 2, FakeServices::MakeServer("Beacon", TestIP(2), 27015, 30));
    Notify(FavoriteChange(TestIP(2), 27015, false));
    Notify(FavoriteChange(TestIP(7), 27015, true));
    EXPECT_TRUE(IsRowShown(page, 2)) << type;
  }
  EXPECT_TRUE(m_Services.m_Pings.empty());
}

TEST_F(BaseGamesPageTest, AWholeListChangeRefetchesOnlyThePageTheUserSees) {
  CServerBrowserDialog *window = MakeMainWindow();
  CTestGamesPage *page = MakePage();
  kgui::PropertySheet *sheet = window->GetTabSheet();
  sheet->AddPage(page, "Test");
  sheet->SetActivePage(page);
  RunFrames();
  ListRequestHandle shown = page->GetListRequest();
  ASSERT_NE(shown, nullptr);

  // The browser is hidden: nothing is fetched.
  Notify(FavoriteChange(0, 0, true));
  EXPECT_EQ(page->GetListRequest(), shown);

  window->SetVisible(true);
  Notify(FavoriteChange(0, 0, true));
  EXPECT_NE(page->GetListRequest(), shown);
  EXPECT_TRUE(m_Services.Request(shown)->freed);

  // Another page is shown: nothing is fetched.
  const ListRequestHandle latest = page->GetListRequest();
  sheet->SetActivePage(sheet->GetPage(0));
  RunFrames();
  Notify(FavoriteChange(0, 0, false));
  EXPECT_EQ(page->GetListRequest(), latest);
  window->SetVisible(false);
}

// ---- validation

TEST_F(BaseGamesPageTest, ValidationReportsTheContainersInsideThePagesScope) {
  CTestGamesPage *page = MakePage();
  CValidator validator;
  page->Validate(validator);
  EXPECT_EQ(validator.Depth(), 0);
  std::string scopes;
  for (const std::string &scope : validator.Scopes()) scopes += scope + "\n";
  for (const char *name : {"TestGames", "m_mapGamesFilterItem", "m_mapServers", "m_mapServerIP", "m_Tree",
                           "m_Elements", "m_vecServerFilters", "m_Memory", "CBaseGamesPage"})
    EXPECT_NE(scopes.find(name), std::string::npos) << name;
}
