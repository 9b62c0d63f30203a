// The game-info dialog: what it shows of a server and its players, the ten-second requery, the
// join (running game, launch line, password, full server and auto-retry, ban, launch failures),
// following a friend, and the main window's ways of opening it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kgui_controls/Button.h"
#include "kgui_controls/Label.h"
#include "kgui_controls/ListPanel.h"
#include "kgui_controls/PHandle.h"
#include "kgui_controls/RadioButton.h"
#include "kgui_controls/TextImage.h"
#include "kgui_controls/ToggleButton.h"
#include "kgui_controls/controls.h"
#include "kstdlib/strtools.h"
#include "plexa/client_api.h"
#include "serverbrowser/DialogGameInfo.h"
#include "serverbrowser/FavoriteGames.h"
#include "serverbrowser/GameListPanel.h"
#include "serverbrowser/IGameLauncher.h"
#include "serverbrowser/LatencyGraph.h"
#include "serverbrowser/ServerBrowserDialog.h"
#include "serverbrowser/serverbrowser.h"
#include "support/browser_fixture.h"
#include "tier1/KeyValues.h"

namespace {

using sbtest::FakeServices;

constexpr uint32 kServerIP = 0x0A000001;  // 10.0.0.1
constexpr uint16 kQueryPort = 27016;
constexpr uint16 kGamePort = 27015;
constexpr PlexaId_t kFriend = 0x0110000100001234ull;  // an individual account of the public universe

class FakeLauncher final : public IGameLauncher {
 public:
  bool IsGameRunning(uint32 appID, const char *gameDir) override {
    (void)appID, (void)gameDir;
    return running;
  }
  int LaunchGame(uint32 appID, const char *gameDir, const char *commandLine) override {
    (void)appID, (void)gameDir;
    lines.emplace_back(commandLine ? commandLine : "");
    return status;
  }
  bool running = false;
  int status = k_ELaunchGameStarted;
  std::vector<std::string> lines;
};

class GameInfoDialogTest : public BrowserTest {
 protected:
  GameInfoDialogTest() { g_pGameLauncher = &m_Launcher; }
  ~GameInfoDialogTest() override {
    delete m_hDialog.Get();
    g_pGameLauncher = nullptr;
  }

  CDialogGameInfo *Open(uint32 ip = kServerIP, uint16 queryPort = kQueryPort, uint16 gamePort = kGamePort,
                        PlexaId_t friendID = 0) {
    auto *dialog = new CDialogGameInfo(nullptr, ip, queryPort, gamePort, friendID);
    m_hDialog = dialog;
    dialog->ActivateWithTitle("");
    return dialog;
  }
  CDialogGameInfo *Dialog() { return static_cast<CDialogGameInfo *>(m_hDialog.Get()); }

  static ServerRecord Server(int players = 4, int limit = 16, AppId_t appId = 500) {
    ServerRecord server = FakeServices::MakeServer("Harbor Lights", kServerIP, kGamePort, 35, appId,
                                                   "ashfall", "harbor", players, limit);
    server.m_NetAdr.Init(kServerIP, kQueryPort, kGamePort);
    return server;
  }
  // Answers the last ping the dialog asked for.
  void AnswerPing(const ServerRecord &server) {
    ASSERT_FALSE(m_Services.m_PingResponses.empty());
    m_Services.m_PingResponses.back()->OnPingAnswered(server);
  }
  std::string Text(const char *name) {
    auto *label = dynamic_cast<kgui::Label *>(Dialog()->FindChildByName(name));
    return label ? label->GetText() : "<none>";
  }
  // The first popup named `name`, or null.
  static kgui::VPANEL Popup(const char *name) {
    kgui::IPanel *panels = kgui::ipanel();
    for (int i = 0; i < kgui::surface()->GetPopupCount(); ++i) {
      kgui::VPANEL popup = kgui::surface()->GetPopup(i);
      if (!V_stricmp(panels->GetName(popup), name)) return popup;
    }
    return kgui::NULL_PANEL;
  }
  // The test runtime delivers no ticks: the clock moves, then the dialog gets its tick.
  void TickAfter(double seconds) {
    RunFrames(seconds);
    Send(Dialog(), new KeyValues("Tick"));
  }
  static void Send(kgui::Panel *panel, KeyValues *message) {
    KeyValuesAD owned(message);
    kgui::ipanel()->SendMessage(panel->GetVPanel(), owned.get(), kgui::NULL_PANEL);
  }

  FakeLauncher m_Launcher;
  kgui::PHandle m_hDialog;
};

// ---- what it shows

TEST_F(GameInfoDialogTest, ShowsTheAnsweringServerAndAsksForItsPlayers) {
  CDialogGameInfo *dialog = Open();
  ASSERT_EQ(m_Services.m_Pings.size(), 1u);
  EXPECT_EQ(m_Services.m_Pings[0], std::make_pair(kServerIP, kQueryPort));
  EXPECT_TRUE(dialog->IsSizeable());

  // An answer from another query port is somebody else's.
  ServerRecord stranger = Server();
  stranger.m_NetAdr.Init(kServerIP, 27999, kGamePort);
  AnswerPing(stranger);
  EXPECT_FALSE(dialog->GetShownServer().m_bResponded);

  ServerRecord answer = Server(5, 12);
  answer.m_NetAdr.Init(kServerIP, kQueryPort, 30000);  // the connection port shown stays
  answer.m_bIsSecure = true;
  AnswerPing(answer);
  RunFrames();
  EXPECT_EQ(dialog->GetShownServer().m_NetAdr.GetConnectionPort(), kGamePort);
  EXPECT_EQ(Text("ServerText"), "Harbor Lights");
  EXPECT_EQ(Text("MapText"), "harbor");
  EXPECT_EQ(Text("PlayersText"), "5 / 12");
  EXPECT_EQ(Text("PingText"), "35");
  EXPECT_EQ(Text("SecureText"), "#ServerBrowser_Secure");
  EXPECT_EQ(Text("ServerIPText"), "10.0.0.1:27015");
  ASSERT_EQ(m_Services.m_PlayerRequests.size(), 1u);
  EXPECT_EQ(m_Services.m_PlayerRequests[0], std::make_pair(kServerIP, kQueryPort));
  // Players are on their way: the list does not claim the server is silent or empty.
  auto *players = dynamic_cast<kgui::ListPanel *>(dialog->FindChildByName("PlayerList"));
  ASSERT_NE(players, nullptr);
  EXPECT_EQ(players->GetEmptyText(), "");
  AnswerPing(Server(0, 12));
  RunFrames();
  EXPECT_EQ(players->GetEmptyText(), "#ServerBrowser_ServerHasNoPlayers");
}

TEST_F(GameInfoDialogTest, AServerThatNeverAnswersSaysSoAndIsAskedAgainEveryTenSeconds) {
  Open();
  m_Services.m_PingResponses.back()->OnPingSilent();
  RunFrames();
  EXPECT_EQ(Text("InfoLabel"), "#ServerBrowser_ServerNotResponding");
  auto *players = dynamic_cast<kgui::ListPanel *>(Dialog()->FindChildByName("PlayerList"));
  ASSERT_NE(players, nullptr);
  EXPECT_EQ(players->GetEmptyText(), "#ServerBrowser_ServerNotResponding");
  TickAfter(9.5);
  EXPECT_EQ(m_Services.m_Pings.size(), 1u);
  TickAfter(1.0);
  EXPECT_EQ(m_Services.m_Pings.size(), 2u);
  // An answer does not stop the requery.
  AnswerPing(Server());
  TickAfter(10.5);
  EXPECT_EQ(m_Services.m_Pings.size(), 3u);
}

TEST_F(GameInfoDialogTest, AnAddressWithoutQueryPortShowsTheSmallLayoutAndCannotJoin) {
  CDialogGameInfo *dialog = Open(kServerIP, 0, kGamePort);
  RunFrames();
  EXPECT_FALSE(dialog->IsSizeable());
  EXPECT_TRUE(m_Services.m_Pings.empty());
  kgui::Panel *connect = dialog->FindChildByName("Connect");
  ASSERT_NE(connect, nullptr);
  EXPECT_FALSE(connect->IsEnabled());
}

TEST_F(GameInfoDialogTest, PlayersShowTheirTimeAndAnUnknownTimeSortsLast) {
  struct Case {
    const char *name;
    float time;
    int timeSec;
    const char *text;
  };
  const Case cases[] = {
      {"Veteran", 3725.9f, 3725, "1h 2m 5s"},
      {"Newcomer", 59.0f, 59, "59s"},
      {"Regular", 61.0f, 61, "1m 1s"},
      {"Ghost", -1.0f, -1, ""},
  };
  CDialogGameInfo *dialog = Open();
  AnswerPing(Server());
  IPlexaMatchmakingPlayersResponse *players = m_Services.m_PlayerResponses.back();
  for (const Case &c : cases) players->OnPlayer(c.name, 1, c.time);
  players->OnPlayersDone();
  auto *list = dynamic_cast<kgui::ListPanel *>(dialog->FindChildByName("PlayerList"));
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->GetItemCount(), 4);
  for (int row = 0; row < 4; ++row) {
    KeyValues *player = list->GetItemData(list->GetItemIDAtRow(row));
    for (const Case &c : cases) {
      if (std::string(player->GetString("PlayerName")) != c.name) continue;
      EXPECT_EQ(player->GetInt("TimeSec"), c.timeSec) << c.name;
      EXPECT_STREQ(player->GetString("Time"), c.text) << c.name;
    }
  }
  list->SortByColumn(2, true);
  list->SortList();
  EXPECT_STREQ(list->GetItemData(list->GetItemIDAtRow(0))->GetString("PlayerName"), "Veteran");
  EXPECT_STREQ(list->GetItemData(list->GetItemIDAtRow(3))->GetString("PlayerName"), "Ghost");

  // The next query's first player starts a new list.
  Send(dialog, new KeyValues("Refresh"));
  AnswerPing(Server());
  m_Services.m_PlayerResponses.back()->OnPlayer("Latecomer", 0, 5.0f);
  EXPECT_EQ(list->GetItemCount(), 1);
}

// ---- the launch line

TEST(GameInfoCommandLine, IsBuiltPerApplicationAndRefusesWhatCouldInjectArguments) {
  struct Case {
    uint32 app;
    const char *password;
    const char *expected;  // null: refused
  };
  const Case cases[] = {
      {500, "", " +connect 10.0.0.1:27015"},
      {500, "open sesame", " +connect 10.0.0.1:27015 +password \"open sesame\""},
      {1200, "", " 10.0.0.1:27015"},
      {1210, "sesame", " 10.0.0.1:27015?password=sesame"},
      {500, "a\"b", nullptr},
      {500, "a;quit", nullptr},
      {500, "line\nbreak", nullptr},
      {500, "bell\x07", nullptr},
      {1200, "two words", nullptr},
      {1200, "a?b", nullptr},
      {1210, "a&b", nullptr},
  };
  for (const Case &c : cases) {
    char line[256];
    const bool built =
        CDialogGameInfo::BuildConnectCommandLine(c.app, "10.0.0.1:27015", c.password, line, sizeof(line));
    EXPECT_EQ(built, c.expected != nullptr) << c.app << " " << c.password;
    if (built && c.expected) {
      EXPECT_STREQ(line, c.expected);
    }
  }
  // A line that would not fit is refused whole, never cut.
  char small[24];
  EXPECT_FALSE(
      CDialogGameInfo::BuildConnectCommandLine(500, "10.0.0.1:27015", "longer", small, sizeof(small)));
}

// ---- the join

TEST_F(GameInfoDialogTest, JoiningAsksTheServerFirstThenLaunchesTheGameAndCloses) {
  CDialogGameInfo *dialog = Open();
  AnswerPing(Server());
  dialog->ConnectWithPassword(nullptr);
  EXPECT_TRUE(dialog->IsConnectPending());
  ASSERT_EQ(m_Services.m_Pings.size(), 2u) << "fresh data before the join";
  EXPECT_TRUE(m_Launcher.lines.empty());
  AnswerPing(Server());
  EXPECT_EQ(m_Launcher.lines, std::vector<std::string>{" +connect 10.0.0.1:27015"});
  RunFrames(1.0);
  EXPECT_EQ(m_hDialog.Get(), nullptr);
}

TEST_F(GameInfoDialogTest, ARunningGameIsHandedTheAddress) {
  m_Launcher.running = true;
  CDialogGameInfo *dialog = Open();
  dialog->ConnectWithPassword("sesame");
  AnswerPing(Server());
  ASSERT_EQ(m_Services.m_RunningGameConnects.size(), 1u);
  EXPECT_EQ(m_Services.m_RunningGameConnects[0],
            std::make_pair(std::string("10.0.0.1:27015"), std::string("sesame")));
  EXPECT_TRUE(m_Launcher.lines.empty());
  RunFrames(1.0);
  EXPECT_EQ(m_hDialog.Get(), nullptr);
}

TEST_F(GameInfoDialogTest, APasswordIsAskedForAndAnUnsafeOneAskedForAgain) {
  CDialogGameInfo *dialog = Open();
  ServerRecord locked = Server();
  locked.m_bHasPassword = true;
  dialog->ConnectWithPassword(nullptr);
  AnswerPing(locked);
  EXPECT_NE(dialog->FindChildByName("DialogServerPassword"), nullptr);
  EXPECT_TRUE(m_Launcher.lines.empty());

  // A quote could end the password and start arguments of its own: the prompt comes back.
  Send(dialog, new KeyValues("JoinServerWithPassword", "password", "x\" +exec evil"));
  AnswerPing(locked);
  EXPECT_TRUE(m_Launcher.lines.empty());
  EXPECT_STREQ(dialog->GetJoinPassword(), "");
  RunFrames();

  Send(dialog, new KeyValues("JoinServerWithPassword", "password", "open sesame"));
  EXPECT_TRUE(m_Launcher.lines.empty()) << "asked again before the join";
  AnswerPing(locked);
  EXPECT_EQ(m_Launcher.lines, std::vector<std::string>{" +connect 10.0.0.1:27015 +password \"open sesame\""});
}

TEST_F(GameInfoDialogTest, AFullServerOffersAutoRetryWhichAlertsOrJoinsWhenASlotFrees) {
  CDialogGameInfo *dialog = Open();
  dialog->ConnectWithPassword(nullptr);
  AnswerPing(Server(16, 16));
  RunFrames();
  EXPECT_TRUE(m_Launcher.lines.empty());
  EXPECT_EQ(Text("InfoLabel"), "#ServerBrowser_CouldNotConnectServerFull");
  auto *autoRetry = dynamic_cast<kgui::ToggleButton *>(dialog->FindChildByName("AutoRetry"));
  ASSERT_NE(autoRetry, nullptr);
  EXPECT_TRUE(autoRetry->IsVisible());

  int x = 0, y = 0, wide = 0, tall = 0;
  dialog->GetBounds(x, y, wide, tall);
  autoRetry->SetSelected(true);
  RunFrames();
  int wideOn = 0, tallOn = 0;
  dialog->GetSize(wideOn, tallOn);
  EXPECT_EQ(tallOn, tall + 60);
  EXPECT_EQ(Text("InfoLabel"), "#ServerBrowser_AlertWhenSlotIsFree");

  // Alert: every answer with a free slot plays the sound; nothing joins.
  AnswerPing(Server(15, 16));
  AnswerPing(Server(15, 16));
  EXPECT_EQ(Runtime().PlayedSounds(),
            (std::vector<std::string>{"servers/game_ready.wav", "servers/game_ready.wav"}));
  EXPECT_TRUE(m_Launcher.lines.empty());

  // Join: the first free slot joins.
  auto *join = dynamic_cast<kgui::RadioButton *>(dialog->FindChildByName("AutoRetryJoin"));
  ASSERT_NE(join, nullptr);
  join->SetSelected(true);
  AnswerPing(Server(16, 16));
  EXPECT_TRUE(m_Launcher.lines.empty());
  AnswerPing(Server(15, 16));
  EXPECT_EQ(m_Launcher.lines.size(), 1u);
}

TEST_F(GameInfoDialogTest, TurningAutoRetryOffShrinksTheDialogAgain) {
  CDialogGameInfo *dialog = Open();
  auto *autoRetry = dynamic_cast<kgui::ToggleButton *>(dialog->FindChildByName("AutoRetry"));
  ASSERT_NE(autoRetry, nullptr);
  int wide = 0, tall = 0;
  dialog->GetSize(wide, tall);
  autoRetry->SetSelected(true);
  RunFrames();
  autoRetry->SetSelected(false);
  RunFrames();
  int wideAfter = 0, tallAfter = 0;
  dialog->GetSize(wideAfter, tallAfter);
  EXPECT_EQ(tallAfter, tall);
}

TEST_F(GameInfoDialogTest, LaunchFailuresAreShownAndOnlyAStartedGameClosesTheDialog) {
  struct Case {
    int status;
    bool messageBox;
  };
  const Case cases[] = {{1, true}, {2, true}, {3, true}, {7, false}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.status);
    m_Launcher.status = c.status;
    CDialogGameInfo *dialog = Open();
    dialog->ConnectWithPassword(nullptr);
    AnswerPing(Server());
    RunFrames(1.0);
    ASSERT_NE(m_hDialog.Get(), nullptr) << "a failed launch keeps the dialog";
    EXPECT_EQ(dialog->IsVisible(), !c.messageBox);
    EXPECT_EQ(Popup("MessageBox") != kgui::NULL_PANEL, c.messageBox);
    while (kgui::VPANEL box = Popup("MessageBox")) delete kgui::PanelFromVPanel(box);
    delete dialog;
  }
}

TEST_F(GameInfoDialogTest, ABannedUserIsRefusedWithoutReachingTheGame) {
  m_Services.m_BannedApps.insert(500);
  CDialogGameInfo *dialog = Open();
  ServerRecord secure = Server();
  secure.m_bIsSecure = true;
  dialog->ConnectWithPassword(nullptr);
  AnswerPing(secure);
  EXPECT_TRUE(m_Launcher.lines.empty());
  EXPECT_NE(Popup("QorvBannedConnRefusedDialog"), kgui::NULL_PANEL);
  RunFrames(1.0);
  EXPECT_EQ(m_hDialog.Get(), nullptr);
  delete kgui::PanelFromVPanel(Popup("QorvBannedConnRefusedDialog"));
}

TEST_F(GameInfoDialogTest, ClosesWhenTheGameConnectsToItsServerAndAbortsWhatStillRuns) {
  CDialogGameInfo *dialog = Open();
  Send(dialog, new KeyValues("ConnectedToGame", "ip", static_cast<int>(kServerIP), "connectionport", 27999));
  RunFrames(1.0);
  ASSERT_NE(m_hDialog.Get(), nullptr);
  AnswerPing(Server());  // the ping is done: its handle must not be aborted later
  Send(dialog,
       new KeyValues("ConnectedToGame", "ip", static_cast<int>(kServerIP), "connectionport", kGamePort));
  RunFrames(1.0);
  EXPECT_EQ(m_hDialog.Get(), nullptr);
  // Only the player request was still out.
  EXPECT_EQ(m_Services.m_Aborted, std::vector<ServerQueryHandle>{1000});
}

// ---- following a friend

TEST_F(GameInfoDialogTest, AFriendsDialogQueriesTheFriendsServerAndJoinsThroughTheConnectString) {
  sbtest::FakeFriend &mate = m_Services.m_Friends[kFriend];
  mate.name = "Wren";
  mate.flags = 2;
  mate.playing = true;
  mate.game.m_gameID = 500;
  mate.game.m_unGameIP = kServerIP;
  mate.game.m_usGamePort = kGamePort;
  mate.game.m_usQueryPort = 0xFFFF;  // unknown: the game port answers queries
  mate.presence["connect"] = "+connect 10.0.0.1:27015 +team blue";
  m_Services.SetAppValue(500, "extended/serverbrowsername", "Ashfall");

  CDialogGameInfo *dialog = Open(0, 0, 0, kFriend);
  EXPECT_EQ(dialog->GetFriendID(), kFriend);
  ASSERT_FALSE(m_Services.m_Pings.empty());
  EXPECT_EQ(m_Services.m_Pings.back(), std::make_pair(kServerIP, kGamePort));
  TickAfter(0.1);
  ASSERT_EQ(m_Services.m_PresenceRequests.size(), 1u) << "rich presence polled";
  EXPECT_EQ(m_Services.m_PresenceRequests[0], std::make_pair(AppId_t{500}, kFriend));
  TickAfter(4.0);
  EXPECT_EQ(m_Services.m_PresenceRequests.size(), 1u) << "every five seconds";
  TickAfter(1.5);
  EXPECT_EQ(m_Services.m_PresenceRequests.size(), 2u);

  dialog->ConnectWithPassword(nullptr);
  EXPECT_EQ(m_Launcher.lines, std::vector<std::string>{"+connect 10.0.0.1:27015 +team blue"});
  RunFrames(1.0);
  EXPECT_EQ(m_hDialog.Get(), nullptr);
}

TEST_F(GameInfoDialogTest, AFriendsConnectStringWithControlCharactersIsNotUsed) {
  sbtest::FakeFriend &mate = m_Services.m_Friends[kFriend];
  mate.flags = 2;
  mate.playing = true;
  mate.game.m_gameID = 500;
  mate.presence["connect"] = "+connect 10.0.0.1:27015\n+quit";
  CDialogGameInfo *dialog = Open(0, 0, 0, kFriend);
  dialog->ConnectWithPassword(nullptr);
  EXPECT_TRUE(m_Launcher.lines.empty());
  EXPECT_NE(m_hDialog.Get(), nullptr);
}

// ---- opened by the main window

TEST_F(GameInfoDialogTest, EnterOrADoubleClickOnARowJoinsItsServer) {
  CServerBrowserDialog *window = MakeMainWindow();
  CFavoriteGames *favorites = window->GetFavoriteGames();
  favorites->BeginRefresh();
  m_Services.Answer(favorites->GetListRequest(), 1, Server());
  CGameListPanel *list = favorites->GetGameList();
  list->SelectOnly(list->FindItemByUserValue(1));
  RunFrames();
  Send(list, new KeyValues("KeyCodeTyped", "code", kgui::KEY_ENTER));
  RunFrames();
  ASSERT_EQ(window->GetGameInfoDialogs().size(), 1u);
  auto *dialog = dynamic_cast<CDialogGameInfo *>(window->GetGameInfoDialogs()[0]);
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(dialog->IsConnectPending());
  EXPECT_EQ(dialog->GetShownServer().m_NetAdr.GetQueryPort(), kQueryPort);
  delete dialog;
}

TEST_F(GameInfoDialogTest, TheMainWindowOpensJoinsFindsAndClosesDialogs) {
  CServerBrowserDialog *window = MakeMainWindow();
  window->JoinServer(kServerIP, kGamePort, "sesame");
  ASSERT_EQ(window->GetGameInfoDialogs().size(), 1u);
  auto *join = dynamic_cast<CDialogGameInfo *>(window->GetGameInfoDialogs()[0]);
  ASSERT_NE(join, nullptr);
  EXPECT_TRUE(join->IsConnectPending());
  EXPECT_STREQ(join->GetJoinPassword(), "sesame");
  EXPECT_EQ(join->GetShownServer().m_NetAdr.GetQueryPort(), kGamePort);

  m_Services.m_Friends[kFriend].name = "Wren";
  EXPECT_EQ(window->OpenFriendGameInfo(1), nullptr) << "not a user's id";
  CDialogGameInfo *friendDialog = window->OpenFriendGameInfo(kFriend);
  ASSERT_NE(friendDialog, nullptr);
  EXPECT_EQ(window->FindGameInfoDialog(kFriend), friendDialog);
  EXPECT_EQ(window->FindGameInfoDialog(kFriend + 1), nullptr);

  window->CloseAllGameInfoDialogs();
  RunFrames(1.0);
  EXPECT_TRUE(window->GetGameInfoDialogs().empty());
}

// ---- sharing the address and the latency over time

TEST_F(GameInfoDialogTest, CopyAddressPutsTheShownConnectionAddressOnTheClipboard) {
  CDialogGameInfo *dialog = Open();
  RunFrames();
  auto *copy = dynamic_cast<kgui::Button *>(dialog->FindChildByName("CopyAddress"));
  ASSERT_NE(copy, nullptr);
  EXPECT_TRUE(copy->IsVisible());
  EXPECT_TRUE(copy->IsEnabled());
  Send(dialog, new KeyValues("Command", "command", "CopyAddress"));
  char16_t text[64] = {};
  const int length = kgui::system()->GetClipboardText(0, text, sizeof(text));
  EXPECT_EQ(kgui::WideToUtf8(std::u16string(text, static_cast<size_t>(length))), "10.0.0.1:27015")
      << "the connection port, not the query port";

  // A dialog without a server to query has nothing to copy and no latency to draw.
  delete m_hDialog.Get();
  dialog = Open(0, 0, 0);
  RunFrames();
  copy = dynamic_cast<kgui::Button *>(dialog->FindChildByName("CopyAddress"));
  ASSERT_NE(copy, nullptr);
  EXPECT_FALSE(copy->IsVisible() && copy->IsEnabled());
  EXPECT_FALSE(dialog->GetLatencyGraph()->IsVisible());
}

TEST_F(GameInfoDialogTest, GraphsOneLatencyPerQueryAndMarksTheQueriesNobodyAnswered) {
  CDialogGameInfo *dialog = Open();
  CLatencyGraph *graph = dialog->GetLatencyGraph();
  ASSERT_NE(graph, nullptr);
  EXPECT_TRUE(graph->IsVisible());
  EXPECT_EQ(graph->GetSampleCount(), 0);
  ServerRecord server = Server();
  server.m_nPingMs = 35;
  AnswerPing(server);
  TickAfter(10.5);  // the ten-second requery
  ASSERT_EQ(m_Services.m_Pings.size(), 2u);
  m_Services.m_PingResponses.back()->OnPingSilent();
  TickAfter(10.5);
  server.m_nPingMs = 180;
  AnswerPing(server);
  // An answer for another query port is not this server's, so it draws nothing.
  ServerRecord other = server;
  other.m_NetAdr.Init(kServerIP, 27999, kGamePort);
  AnswerPing(other);

  EXPECT_EQ(graph->GetSampleText(), "35 - 180");
  EXPECT_EQ(graph->GetLossCount(), 1);
  EXPECT_EQ(graph->GetTopMs(), 250) << "a step of 50 ms above the highest latency and a fifth";
  KeyValuesAD block(new KeyValues("Panel"));
  graph->Describe(block.get());
  EXPECT_EQ(block->GetInt("samples"), 3);
  EXPECT_EQ(block->GetInt("losses"), 1);
  EXPECT_STREQ(block->GetString("latencies"), "35 - 180");
  // Drawing copes with every mix of answers and losses.
  Runtime().PaintAll();
}

TEST_F(GameInfoDialogTest, TheGraphKeepsTheLatestHourOfSamples) {
  CLatencyGraph *graph = Open()->GetLatencyGraph();
  for (size_t i = 0; i < CLatencyGraph::kMaxSamples + 5; ++i) {
    if (i % 7 == 3)
      graph->AddLoss();
    else
      graph->AddAnswer(static_cast<int>(i));
  }
  EXPECT_EQ(graph->GetSampleCount(), static_cast<int>(CLatencyGraph::kMaxSamples));
  EXPECT_EQ(graph->GetSampleText().substr(0, 4), "5 6 ") << "the oldest went first";
  EXPECT_EQ(graph->GetTopMs(), 450);
  Runtime().PaintAll();
}

}  // namespace
