// The filters of a server-list page: the usable game limits, the primary and secondary checks, the
// controls read back into the fields, the pairs sent with a request, the description line, the
// saved record and its round trip through the settings file, and the game box that follows the
// game list.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <utility>
#include <vector>

#include "kgui_controls/Tooltip.h"
#include "kgui_controls/controls.h"
#include "plexa/client_api.h"
#include "serverbrowser/ModList.h"
#include "serverbrowser/ServerBrowserDialog.h"
#include "support/games_page_fixture.h"

using sbtest::FakeServices;

namespace {

constexpr uint64 kTopBit = uint64{1} << 63;

uint64 GameID(uint32 kind, uint32 appID, bool topBit = false) {
  return (topBit ? kTopBit : 0) | (uint64{kind} << 24) | appID;
}

using Pairs = std::vector<std::pair<std::string, std::string>>;

Pairs PairsOf(const CTestGamesPage *page) {
  Pairs pairs;
  for (const MatchMakingKeyValuePair_t &pair : page->GetServerFilters())
    pairs.emplace_back(pair.m_szKey, pair.m_szValue);
  return pairs;
}

class FiltersTest : public GamesPageTest {
 protected:
  // Saved filters of the test page, as the main window hands them out.
  KeyValues *SavedFilters() { return MakeMainWindow()->GetFilterSaveData("TestGames"); }

  void AnnounceAppChange(AppId_t appId) {
    AppInfoChanged_t change{};
    change.m_nAppID = appId;
    m_Services.QueueCallback(change);
    ClientAPI_RunCallbacks();
  }

  // The game box's entry texts, in row order.
  static std::vector<std::string> GameBoxEntries(CTestGamesPage *page) {
    std::vector<std::string> entries;
    kgui::ComboBox *box = page->m_pGameFilter;
    for (int row = 0; row < box->GetItemCount(); ++row) {
      KeyValues *game = box->GetItemUserData(box->GetItemIDFromRow(row));
      entries.emplace_back(game ? game->GetString("gamedir") : "?");
    }
    return entries;
  }
  static void ChooseGame(CTestGamesPage *page, const char *gameDir) {
    kgui::ComboBox *box = page->m_pGameFilter;
    for (int row = 0; row < box->GetItemCount(); ++row) {
      KeyValues *game = box->GetItemUserData(box->GetItemIDFromRow(row));
      if (game && !strcmp(game->GetString("gamedir"), gameDir)) box->ActivateItemByRow(row);
    }
  }
  static void ShowFilterPanel(CTestGamesPage *page) { page->m_pFilter->SetSelected(true); }
};

}  // namespace

// ---- the checks

TEST(GameLimit, IsUsableByKind) {
  struct Case {
    uint64 gameID;
    bool usable;
  };
  const Case cases[] = {
      {GameID(0, 0), false},          {GameID(0, 4000), true},       {GameID(1, 4000), false},
      {GameID(1, 4000, true), true},  {GameID(1, 0, true), false},   {GameID(2, 0), false},
      {GameID(2, 0, true), true},     {GameID(2, 4000, true), true}, {GameID(3, 0, true), true},
      {GameID(3, 4000, true), false}, {GameID(3, 0), false},         {GameID(4, 4000, true), false},
      {GameID(0xFF, 4000), false},
  };
  for (const Case &c : cases)
    EXPECT_EQ(CBaseGamesPage::IsUsableGameLimit(c.gameID), c.usable) << std::hex << c.gameID;
}

TEST_F(FiltersTest, PrimaryChecksTheGameDirectoryAndTheGameLimit) {
  struct Case {
    const char *what;
    const char *dirFilter;
    uint64 limit;
    AppId_t app;
    const char *dir;
    int ping;
    bool passes;
  };
  const Case cases[] = {
      {"no filter", "", 0, 70, "ashfall", 30, true},
      {"directory ignores case", "ashfall", 0, 70, "AshFall", 30, true},
      {"other directory", "ashfall", 0, 70, "tidewater", 30, false},
      {"1002 runs any directory", "ashfall", 0, 1002, "tidewater", 30, true},
      {"not answered: not judged by directory", "ashfall", 0, 0, "", 0, true},
      {"answered without directory", "ashfall", 0, 70, "", 30, false},
      {"shared set: 243750 with 240", "", 240, 243750, "ashfall", 30, true},
      {"shared set: 243730 with 999", "", 999, 243730, "ashfall", 30, true},
      {"shared set: 10 with 240", "", 240, 10, "ashfall", 30, false},
      {"shared set: 1000 with 243750", "", 243750, 1000, "ashfall", 30, false},
      {"below 200: 70 with 10", "", 10, 70, "ashfall", 30, true},
      {"below 200: 199 with 10", "", 10, 199, "ashfall", 30, true},
      {"below 200: 240 with 10", "", 10, 240, "ashfall", 30, false},
      {"exact: 4000", "", 4000, 4000, "ashfall", 30, true},
      {"exact: 4001", "", 4000, 4001, "ashfall", 30, false},
      {"exact: 70", "", 4000, 70, "ashfall", 30, false},
      {"not answered passes the limit", "", 4000, 0, "", 0, true},
      {"no application but a ping", "", 4000, 0, "", 20, false},
      {"kind 1 without top bit is no limit", "", GameID(1, 4000), 70, "ashfall", 30, true},
      {"kind 1 with top bit limits", "", GameID(1, 4000, true), 70, "ashfall", 30, false},
      {"kind 1 with top bit, same app", "", GameID(1, 4000, true), 4000, "ashfall", 30, true},
  };
  CTestGamesPage *page = MakePage(eFavoriteServer);
  for (const Case &c : cases) {
    snprintf(page->m_szGameDirFilter, sizeof(page->m_szGameDirFilter), "%s", c.dirFilter);
    page->m_LimitToGame = c.limit;
    const ServerRecord server = FakeServices::MakeServer("Case", TestIP(1), 27015, c.ping, c.app, c.dir);
    EXPECT_EQ(page->PassesPrimaryFilters(server), c.passes) << c.what;
  }
}

TEST_F(FiltersTest, InternetHistoryAndSpectateListsShowOnlyKnownGames) {
  AddGame(4000, "ashfall", "Ashfall Arena");
  const ServerRecord known = FakeServices::MakeServer("Known", TestIP(1), 27015, 30, 4000);
  const ServerRecord unknown = FakeServices::MakeServer("Unknown", TestIP(2), 27015, 30, 4001);
  const ServerRecord silent = FakeServices::MakeServer("Silent", TestIP(3), 27015, 0, 0, "");
  struct Case {
    EServerSource type;
    bool checksGame;
  };
  const Case cases[] = {{eInternetServer, true}, {eHistoryServer, true}, {eSpectateServer, true},
                        {eLanServer, false},     {eFriendServer, false}, {eFavoriteServer, false}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.type);
    CTestGamesPage *page = MakePage(c.type, ("Known" + std::to_string(c.type)).c_str());
    EXPECT_TRUE(page->PassesPrimaryFilters(known));
    EXPECT_EQ(page->PassesPrimaryFilters(unknown), !c.checksGame);
    EXPECT_EQ(page->PassesPrimaryFilters(silent), !c.checksGame);
  }
}

TEST_F(FiltersTest, SecondaryChecksPlayersPingPasswordProtectionAndMap) {
  struct Case {
    const char *what;
    bool hideEmpty, hideFull, hidePassword;
    int maxPing, secure;
    const char *mapFilter;
    int players, limit, ping;
    bool password, isSecure;
    const char *map;
    bool passes;
  };
  const Case cases[] = {
      {"no filter", false, false, false, 0, 0, "", 0, 16, 999, true, false, "harbor", true},
      {"NoFull hides 16/16", false, true, false, 0, 0, "", 16, 16, 30, false, false, "harbor", false},
      {"NoFull keeps 15/16", false, true, false, 0, 0, "", 15, 16, 30, false, false, "harbor", true},
      {"NoEmpty hides 0/16", true, false, false, 0, 0, "", 0, 16, 30, false, false, "harbor", false},
      {"NoEmpty keeps 1/16", true, false, false, 0, 0, "", 1, 16, 30, false, false, "harbor", true},
      {"ping 100 keeps 100", false, false, false, 100, 0, "", 4, 16, 100, false, false, "harbor", true},
      {"ping 100 hides 101", false, false, false, 100, 0, "", 4, 16, 101, false, false, "harbor", false},
      {"NoPassword hides a locked server", false, false, true, 0, 0, "", 4, 16, 30, true, false, "harbor",
       false},
      {"protected only hides unprotected", false, false, false, 0, 1, "", 4, 16, 30, false, false, "harbor",
       false},
      {"protected only keeps protected", false, false, false, 0, 1, "", 4, 16, 30, false, true, "harbor",
       true},
      {"unprotected only hides protected", false, false, false, 0, 2, "", 4, 16, 30, false, true, "harbor",
       false},
      {"map prefix in any case", false, false, false, 0, 0, "de_", 4, 16, 30, false, false, "DE_Quarry",
       true},
      {"map prefix differs", false, false, false, 0, 0, "de_", 4, 16, 30, false, false, "cs_quarry", false},
      {"map shorter than the prefix", false, false, false, 0, 0, "de_", 4, 16, 30, false, false, "de", false},
  };
  CTestGamesPage *page = MakePage();
  for (const Case &c : cases) {
    page->m_bHideEmpty = c.hideEmpty;
    page->m_bHideFull = c.hideFull;
    page->m_bHidePassworded = c.hidePassword;
    page->m_nMaxPing = c.maxPing;
    page->m_eSecureFilter = c.secure;
    snprintf(page->m_szMapFilter, sizeof(page->m_szMapFilter), "%s", c.mapFilter);
    ServerRecord server =
        FakeServices::MakeServer("Case", TestIP(1), 27015, c.ping, 500, "ashfall", c.map, c.players, c.limit);
    server.m_bHasPassword = c.password;
    server.m_bIsSecure = c.isSecure;
    EXPECT_EQ(page->PassesSecondaryFilters(server), c.passes) << c.what;
  }
}

// ---- controls into fields

TEST_F(FiltersTest, MapFilterIsKeptInLowerCaseAndHidesOtherMaps) {
  CTestGamesPage *page = MakePage();
  ListRequestHandle request = Refresh(page);
  m_Services.Answer(request, 1,
                    FakeServices::MakeServer("Quarry", TestIP(1), 27015, 30, 500, "ashfall", "DE_Quarry"));
  m_Services.Answer(request, 2,
                    FakeServices::MakeServer("Cove", TestIP(2), 27015, 30, 500, "ashfall", "de_cove"));
  m_Services.Answer(request, 3,
                    FakeServices::MakeServer("Office", TestIP(3), 27015, 30, 500, "ashfall", "cs_office"));
  page->m_pMapFilter->SetText("De_");
  RunFrames();
  EXPECT_STREQ(page->m_szMapFilter, "de_");
  EXPECT_TRUE(IsRowShown(page, 1));
  EXPECT_TRUE(IsRowShown(page, 2));
  EXPECT_FALSE(IsRowShown(page, 3));

  // A long map text is kept to 30 bytes, never ending inside a character.
  page->m_pMapFilter->SetText("abcdefghijklmnopqrstuvwxyz012\xC3\xA9xyz");
  RunFrames();
  EXPECT_STREQ(page->m_szMapFilter, "abcdefghijklmnopqrstuvwxyz012");
}

TEST_F(FiltersTest, PingLimitIsReadFromTheBoxText) {
  struct Case {
    const char *text;
    int limit;
  };
  const Case cases[] = {{"", 0},          {"<", 0},   {"< ", 0},
                        {"<5", 0},        {"< x", 0}, {"< 50", 50},
                        {"< 600ms", 600}, {"<<7", 7}, {"< 99999999999", INT_MAX}};
  CTestGamesPage *page = MakePage();
  for (const Case &c : cases) {
    page->m_pPingFilter->SetText(c.text);
    page->UpdateFilterSettings();
    EXPECT_EQ(page->m_nMaxPing, c.limit) << '"' << c.text << '"';
  }
}

TEST_F(FiltersTest, PingEntriesLimitTheListAndAllEmptiesTheBox) {
  CTestGamesPage *page = MakePage();
  ListRequestHandle request = Refresh(page);
  m_Services.Answer(request, 1, FakeServices::MakeServer("Near", TestIP(1), 27015, 100));
  m_Services.Answer(request, 2, FakeServices::MakeServer("Far", TestIP(2), 27015, 101));
  page->m_pPingFilter->ActivateItemByRow(2);
  RunFrames();
  EXPECT_EQ(page->m_nMaxPing, 100);
  EXPECT_TRUE(IsRowShown(page, 1));
  EXPECT_FALSE(IsRowShown(page, 2));

  page->m_pPingFilter->ActivateItemByRow(0);
  RunFrames();
  EXPECT_EQ(page->m_pPingFilter->GetText(), "");
  EXPECT_EQ(page->m_nMaxPing, 0);
  EXPECT_TRUE(IsRowShown(page, 2));

  // Only combo boxes empty on "All": a map named so stays.
  page->m_pMapFilter->SetText("all");
  RunFrames();
  EXPECT_EQ(page->m_pMapFilter->GetText(), "all");
}

TEST_F(FiltersTest, CheckBoxesAndTheProtectionBoxSetTheirFields) {
  CTestGamesPage *page = MakePage();
  page->m_pNoFullServersFilterCheck->SetSelected(true);
  page->m_pNoPasswordFilterCheck->SetSelected(true);
  page->m_pSecureFilter->ActivateItemByRow(2);
  RunFrames();
  EXPECT_TRUE(page->m_bHideFull);
  EXPECT_FALSE(page->m_bHideEmpty);
  EXPECT_TRUE(page->m_bHidePassworded);
  EXPECT_EQ(page->m_eSecureFilter, 2);
  page->m_pNoFullServersFilterCheck->SetSelected(false);
  RunFrames();
  EXPECT_FALSE(page->m_bHideFull);
}

// ---- request pairs

TEST_F(FiltersTest, RequestPairsCarryTheServerSideFiltersAndAlwaysLeaveOut500) {
  struct Case {
    const char *what;
    const char *game;
    uint64 appid;
    bool noEmpty, noFull;
    int secure;
    Pairs expected;
  };
  const Case cases[] = {
      {"nothing set", "", 0, false, false, 0, {{"napp", "500"}}},
      {"server-side filters in order",
       "",
       0,
       true,
       true,
       1,
       {{"empty", "1"}, {"full", "1"}, {"secure", "1"}, {"napp", "500"}}},
      {"unprotected only is not sent", "", 0, false, false, 2, {{"napp", "500"}}},
      {"game directory", "ashfall", 4000, false, false, 0, {{"gamedir", "ashfall"}, {"napp", "500"}}},
      {"no directory for 1002", "ashfall", 1002, false, false, 0, {{"napp", "500"}}},
  };
  int n = 0;
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    const std::string name = "Pairs" + std::to_string(n++);
    KeyValues *saved = MakeMainWindow()->GetFilterSaveData(name.c_str());
    saved->SetString("game", c.game);
    saved->SetUint64("appid", c.appid);
    saved->SetInt("NoEmpty", c.noEmpty);
    saved->SetInt("NoFull", c.noFull);
    saved->SetInt("Secure", c.secure);
    CTestGamesPage *page = MakePage(eFavoriteServer, name.c_str());
    EXPECT_EQ(PairsOf(page), c.expected);
    Refresh(page);
    EXPECT_EQ(m_Services.LastRequest()->filters, c.expected);
  }
}

// ---- description

TEST_F(FiltersTest, DescriptionListsTheActiveFilters) {
  AddGame(4000, "ashfall", "Ashfall Arena");
  struct Case {
    const char *what;
    bool game, noEmpty, noFull, noPassword;
    int ping, secure;
    const char *map;
    const char *expected;
  };
  const Case cases[] = {
      {"nothing", false, false, false, false, 0, 0, "", ""},
      {"not empty only", false, true, false, false, 0, 0, "", "Has players; "},
      {"unprotected only", false, false, false, false, 0, 2, "", "Unprotected; "},
      {"map only", false, false, false, false, 0, 0, "de_", "de_"},
      {"everything", true, true, true, true, 100, 1, "de_",
       "Ashfall Arena; Protected; Latency < 100; Not full; Has players; No password; de_"},
  };
  int n = 0;
  for (const Case &c : cases) {
    const std::string name = "Description" + std::to_string(n++);
    KeyValues *saved = MakeMainWindow()->GetFilterSaveData(name.c_str());
    saved->SetString("game", c.game ? "ashfall" : "");
    saved->SetUint64("appid", c.game ? 4000 : 0);
    saved->SetInt("NoEmpty", c.noEmpty);
    saved->SetInt("NoFull", c.noFull);
    saved->SetInt("NoPassword", c.noPassword);
    saved->SetInt("ping", c.ping);
    saved->SetInt("Secure", c.secure);
    saved->SetString("map", c.map);
    CTestGamesPage *page = MakePage(eFavoriteServer, name.c_str());
    EXPECT_EQ(page->m_pFilterString->GetText(), c.expected) << c.what;
    // The row may cut the line; its tooltip tells it whole.
    EXPECT_STREQ(page->m_pFilterString->GetTooltip()->GetText(), c.expected) << c.what;
  }
}

// ---- saved record

TEST_F(FiltersTest, ARecordWithoutKeysGivesTheDefaults) {
  SavedFilters()->SetString("unrelated", "x");
  CTestGamesPage *page = MakePage();
  EXPECT_STREQ(page->m_szGameDirFilter, "");
  EXPECT_EQ(page->m_LimitToGame, 0u);
  EXPECT_STREQ(page->m_szMapFilter, "");
  EXPECT_EQ(page->m_nMaxPing, 0);
  EXPECT_FALSE(page->m_bHideFull || page->m_bHideEmpty || page->m_bHidePassworded);
  EXPECT_EQ(page->m_eSecureFilter, 0);
}

TEST_F(FiltersTest, FiltersSurviveTheSettingsFileWithEvery64BitGameID) {
  const uint64 gameID = GameID(1, 4000, true) | (uint64{0x1234} << 32);
  SavedFilters()->SetString("game", "AshFall");
  SavedFilters()->SetUint64("appid", gameID);
  CTestGamesPage *first = MakePage();
  first->m_pMapFilter->SetText("De_");
  first->m_pPingFilter->ActivateItemByRow(4);
  first->m_pNoFullServersFilterCheck->SetSelected(true);
  first->m_pNoEmptyServersFilterCheck->SetSelected(true);
  first->m_pNoPasswordFilterCheck->SetSelected(true);
  first->m_pSecureFilter->ActivateItemByRow(2);
  RunFrames();

  KeyValues *saved = SavedFilters();
  EXPECT_STREQ(saved->GetString("game"), "ashfall");
  EXPECT_EQ(saved->GetUint64("appid"), gameID);
  EXPECT_STREQ(saved->GetString("map"), "de_");
  EXPECT_EQ(saved->GetInt("ping"), 250);
  EXPECT_EQ(saved->GetInt("NoFull"), 1);
  EXPECT_EQ(saved->GetInt("NoEmpty"), 1);
  EXPECT_EQ(saved->GetInt("NoPassword"), 1);
  EXPECT_EQ(saved->GetInt("Secure"), 2);

  DeleteMainWindow();
  MakeMainWindow();
  EXPECT_EQ(SavedFilters()->GetUint64("appid"), gameID);
  CTestGamesPage *second = MakePage();
  EXPECT_STREQ(second->m_szGameDirFilter, "ashfall");
  EXPECT_EQ(second->m_LimitToGame, gameID);
  EXPECT_STREQ(second->m_szMapFilter, "de_");
  EXPECT_EQ(second->m_pMapFilter->GetText(), "de_");
  EXPECT_EQ(second->m_nMaxPing, 250);
  EXPECT_EQ(second->m_pPingFilter->GetText(), "< 250");
  EXPECT_TRUE(second->m_pNoFullServersFilterCheck->IsSelected());
  EXPECT_TRUE(second->m_pNoEmptyServersFilterCheck->IsSelected());
  EXPECT_TRUE(second->m_pNoPasswordFilterCheck->IsSelected());
  EXPECT_EQ(second->m_pSecureFilter->GetActiveItem(), second->m_pSecureFilter->GetItemIDFromRow(2));
  EXPECT_EQ(second->m_eSecureFilter, 2);

  // Unprotected only: protected servers are hidden, yet nothing is asked of the services.
  ListRequestHandle request = Refresh(second);
  EXPECT_EQ(m_Services.LastRequest()->CountFilter("secure"), 0);
  ServerRecord guarded =
      FakeServices::MakeServer("Guarded", TestIP(1), 27015, 30, 4000, "ashfall", "de_keep", 4);
  guarded.m_bIsSecure = true;
  m_Services.Answer(request, 1, guarded);
  EXPECT_EQ(RowOf(second, 1), nullptr);
}

TEST_F(FiltersTest, TheRunningGameDecidesTheGameFilterWithoutBeingSaved) {
  AddGame(4000, "ashfall", "Ashfall Arena");
  AddGame(5000, "tidewater", "Tidewater");
  SavedFilters()->SetString("game", "tidewater");
  SavedFilters()->SetUint64("appid", 5000);
  CTestGamesPage *page = MakePage();
  ShowFilterPanel(page);
  RunFrames();

  KeyValues *active = new KeyValues("ActiveGameName");
  active->SetString("name", "ashfall");
  active->SetString("game", "Ashfall Arena");
  active->SetUint64("appid", 4000);
  m_pMainWindow->OnMessage(active, kgui::NULL_PANEL);
  active->Destroy();
  page->RestoreFilterSettings();
  RunFrames();

  EXPECT_STREQ(page->m_szGameDirFilter, "ashfall");
  EXPECT_EQ(page->m_LimitToGame, 4000u);
  EXPECT_FALSE(page->m_pGameFilter->IsEnabled());
  EXPECT_EQ(page->m_pGameFilter->GetText(), "Ashfall Arena");
  EXPECT_STREQ(SavedFilters()->GetString("game"), "tidewater");
  EXPECT_EQ(SavedFilters()->GetUint64("appid"), 5000u);
}

// ---- game box

TEST_F(FiltersTest, ShowingTheFilterPanelFillsTheGameBoxOnceInNameOrderAndKeepsThePageSize) {
  AddGame(5000, "tidewater", "Tidewater");
  AddGame(4000, "ashfall", "ashfall Arena");
  AddGame(6000, "brimstone", "Brimstone");
  SavedFilters()->SetString("game", "tidewater");
  SavedFilters()->SetUint64("appid", 5000);
  CTestGamesPage *page = MakePage();
  page->SetSize(700, 400);
  EXPECT_EQ(GameBoxEntries(page), (std::vector<std::string>{""}));

  ShowFilterPanel(page);
  RunFrames();
  EXPECT_TRUE(page->m_bGameBoxFilled);
  EXPECT_TRUE(page->m_bFilterPanelShown);
  EXPECT_NE(std::string(page->GetBuildGroup()->GetResourceName()).find("InternetGamesPage_Filters.res"),
            std::string::npos);
  EXPECT_EQ(GameBoxEntries(page), (std::vector<std::string>{"", "ashfall", "brimstone", "tidewater"}));
  KeyValues *selected = page->m_pGameFilter->GetActiveItemUserData();
  ASSERT_NE(selected, nullptr);
  EXPECT_STREQ(selected->GetString("gamedir"), "tidewater");
  EXPECT_EQ(selected->GetUint64("appid"), 5000u);
  EXPECT_EQ(page->GetWide(), 700);
  EXPECT_EQ(page->GetTall(), 400);

  page->m_pFilter->SetSelected(false);
  RunFrames();
  page->m_pFilter->SetSelected(true);
  RunFrames();
  EXPECT_EQ(GameBoxEntries(page).size(), 4u);
  page->m_pFilter->SetSelected(false);
  RunFrames();
  EXPECT_FALSE(page->m_bFilterPanelShown);
  EXPECT_NE(std::string(page->GetBuildGroup()->GetResourceName()).find("InternetGamesPage.res"),
            std::string::npos);
  EXPECT_EQ(page->GetWide(), 700);
}

TEST_F(FiltersTest, ChoosingAGameSetsTheFilterAndANewListIsFetchedWhenTheBrowserShows) {
  AddGame(4000, "ashfall", "Ashfall Arena");
  AddGame(1002, "anydir", "Any Game");
  CServerBrowserDialog *window = MakeMainWindow();
  CTestGamesPage *page = MakePage();
  ShowFilterPanel(page);
  RunFrames();
  ListRequestHandle first = Refresh(page);

  ChooseGame(page, "ashfall");
  RunFrames();
  EXPECT_STREQ(page->m_szGameDirFilter, "ashfall");
  EXPECT_EQ(page->m_LimitToGame, 4000u);
  EXPECT_EQ(page->GetListRequest(), first);  // the browser is hidden

  window->SetVisible(true);
  ChooseGame(page, "anydir");
  RunFrames();
  EXPECT_EQ(page->m_LimitToGame, 1002u);
  EXPECT_EQ(m_Services.Request(first)->stops, 1);
  ASSERT_NE(page->GetListRequest(), first);
  EXPECT_EQ(m_Services.Request(page->GetListRequest())->appId, 1002u);
  EXPECT_EQ(m_Services.Request(page->GetListRequest())->CountFilter("gamedir"), 0);

  // "All" clears the game filter and empties the box.
  page->m_pGameFilter->ActivateItemByRow(0);
  RunFrames();
  EXPECT_STREQ(page->m_szGameDirFilter, "");
  EXPECT_EQ(page->m_LimitToGame, 0u);
  EXPECT_EQ(page->m_pGameFilter->GetText(), "");
  window->SetVisible(false);
}

TEST_F(FiltersTest, OpeningTheFilterPanelOfAShownBrowserKeepsTheRunningList) {
  AddGame(4000, "ashfall", "Ashfall Arena");
  CServerBrowserDialog *window = MakeMainWindow();
  window->SetVisible(true);
  CTestGamesPage *page = MakePage();
  RunFrames();
  ListRequestHandle first = Refresh(page);

  ShowFilterPanel(page);
  RunFrames();
  EXPECT_TRUE(page->m_bGameBoxFilled);
  EXPECT_EQ(page->GetListRequest(), first);
  EXPECT_EQ(m_Services.Request(first)->stops, 0);
  window->SetVisible(false);
}

TEST_F(FiltersTest, GameBoxFollowsTheGameList) {
  AddGame(4000, "ashfall", "Ashfall Arena");
  CTestGamesPage *page = MakePage();
  // Before the box is filled a change is not the page's concern.
  AddGame(7000, "brimstone", "Brimstone");
  AnnounceAppChange(7000);
  EXPECT_EQ(GameBoxEntries(page).size(), 1u);

  ShowFilterPanel(page);
  RunFrames();
  ASSERT_EQ(GameBoxEntries(page), (std::vector<std::string>{"", "ashfall", "brimstone"}));
  AddGame(8000, "tidewater", "Tidewater");
  AnnounceAppChange(8000);
  EXPECT_EQ(GameBoxEntries(page), (std::vector<std::string>{"", "ashfall", "brimstone", "tidewater"}));

  m_Services.SetAppValue(4000, "gamedir", "ashfall2");
  AnnounceAppChange(4000);
  EXPECT_EQ(GameBoxEntries(page), (std::vector<std::string>{"", "ashfall2", "brimstone", "tidewater"}));

  KeyValues *unknown = new KeyValues("LoadModList", "nAppID", uint64{9999});
  page->OnMessage(unknown, kgui::NULL_PANEL);
  unknown->Destroy();
  EXPECT_TRUE(m_Spew.Contains("iModIndex != -1"));
  EXPECT_EQ(GameBoxEntries(page).size(), 4u);
}

TEST_F(FiltersTest, ACustomLayoutKeepsTheFilterToggleOff) {
  WriteFile("servers/CustomPage.res", "\"servers/CustomPage.res\" { \"gamelist\" { \"wide\" \"500\" } }");
  AddGame(4000, "ashfall", "Ashfall Arena");
  CTestGamesPage *page = MakePage(eFavoriteServer, "TestGames", "servers/CustomPage.res");
  EXPECT_NE(std::string(page->GetBuildGroup()->GetResourceName()).find("CustomPage.res"), std::string::npos);
  ShowFilterPanel(page);
  RunFrames();
  EXPECT_FALSE(page->m_pFilter->IsSelected());
  EXPECT_FALSE(page->m_bFilterPanelShown);
  EXPECT_TRUE(page->m_bGameBoxFilled);
  EXPECT_NE(std::string(page->GetBuildGroup()->GetResourceName()).find("CustomPage.res"), std::string::npos);
}
