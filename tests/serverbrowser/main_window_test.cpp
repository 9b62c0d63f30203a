// The main window: tabs and status line, placement, saved settings (round trip, damaged and
// fallback files), the host's messages, the registry of game-info dialogs, closing, and the small
// operations the pages and dialogs use.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "kgui_controls/Button.h"
#include "kgui_controls/Label.h"
#include "kgui_controls/MessageBox.h"
#include "kgui_controls/PropertySheet.h"
#include "kgui_controls/controls.h"
#include "serverbrowser/FavoriteGames.h"
#include "serverbrowser/InternetGames.h"
#include "serverbrowser/RelayGames.h"
#include "serverbrowser/ServerBrowserDialog.h"
#include "support/browser_fixture.h"
#include "tier0/validator.h"
#include "tier1/KeyValues.h"

namespace {

// Stands in for a game-info dialog: writes down what the main window tells it.
class RecordingDialog : public kgui::Frame {
  DECLARE_CLASS_SIMPLE(RecordingDialog, kgui::Frame);

 public:
  RecordingDialog() : Frame(nullptr, "DialogGameInfo") {}
  std::vector<std::string> log;

 private:
  void OnConnectedToGame(KeyValues *message) {
    log.push_back("ConnectedToGame " + std::to_string(static_cast<uint32>(message->GetInt("ip"))) + " " +
                  std::to_string(message->GetInt("connectionport")) + " " +
                  std::to_string(message->GetInt("queryport")));
  }
  void OnCloseMessage() { log.push_back("Close"); }
};

BEGIN_MESSAGE_MAP(RecordingDialog, kgui::Frame)
MESSAGE_ENTRY("ConnectedToGame", OnConnectedToGame, nullptr)
MESSAGE_ENTRY("Close", OnCloseMessage)
END_MESSAGE_MAP()

constexpr uint32 kServerIP = 0xC0A80A14;               // 192.168.10.20: above 2^31, so sign slips show
constexpr uint64 kWideGameID = 0x9234567801000280ull;  // kind 1, app 640, top bit of the further id set

class MainWindowTest : public BrowserTest {
 protected:
  std::string SettingsPath() const { return m_Services.m_ConfigFolder + "/serverbrowser_ui.vdf"; }
  void WriteSettings(const std::string &text) { WriteWholeFile(SettingsPath(), text); }

  std::string ActivePage() {
    kgui::Panel *page = m_pMainWindow->GetTabSheet()->GetActivePage();
    return page ? page->GetName() : "";
  }
  // The saved file as the next start reads it; null when it does not parse.
  KeyValuesAD ReadSavedFile(const std::string &path) {
    KeyValuesAD saved(new KeyValues("SavedData"));
    if (!saved->LoadFromFile(kgui::filesystem(), path.c_str(), nullptr)) return nullptr;
    return saved;
  }
  void PostToWindow(KeyValues *message) {
    Runtime().PostMessage(m_pMainWindow->GetVPanel(), message, 0, 0.0f);
    RunFrames();
  }
  // The names of the kept copies of unusable settings files, oldest first.
  std::vector<std::string> DamagedCopies() const {
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(m_Services.m_ConfigFolder)) {
      const std::string name = entry.path().filename().string();
      if (name.rfind("serverbrowser_ui.vdf.damaged-", 0) == 0) names.push_back(name);
    }
    // "<stamp>" before "<stamp>-2" before "<stamp>-10", then later stamps.
    const auto order = [](const std::string &name) {
      const size_t stamp = sizeof("serverbrowser_ui.vdf.damaged-") - 1 + sizeof("YYYYMMDD-HHMMSS") - 1;
      return std::make_tuple(name.substr(0, stamp), name.size(), name);
    };
    std::sort(names.begin(), names.end(),
              [&](const std::string &a, const std::string &b) { return order(a) < order(b); });
    return names;
  }
  // Restarts the window the way a new session does: saved on the way out, read on the way in.
  void Restart() {
    DeleteMainWindow();
    MakeMainWindow();
  }
};

// ---- construction

TEST_F(MainWindowTest, BuildsSixTabsInOrderWithStatusLineAndInternetActive) {
  const std::pair<const char *, const char16_t *> titles[] = {
      {"#ServerBrowser_InternetTab", u"Internet"}, {"#ServerBrowser_FavoritesTab", u"Favorites"},
      {"#ServerBrowser_HistoryTab", u"History"},   {"#ServerBrowser_SpectateTab", u"Spectate"},
      {"#ServerBrowser_LanTab", u"LAN"},           {"#ServerBrowser_FriendsTab", u"Friends"},
  };
  for (const auto &[token, text] : titles) Runtime().AddToken(token, text);
  CServerBrowserDialog *window = MakeMainWindow();

  EXPECT_EQ(ServerBrowserDialog(), window);
  EXPECT_STREQ(window->GetName(), "CServerBrowserDialog");
  kgui::PropertySheet *tabs = window->GetTabSheet();
  ASSERT_NE(tabs, nullptr);
  EXPECT_EQ(window->FindChildByName("GameTabs"), tabs);
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"InternetGames", "Internet"}, {"FavoriteGames", "Favorites"},
      {"HistoryGames", "History"},   {"SpectateGames", "Spectate"},
      {"LanGames", "LAN"},           {"FriendsGames", "Friends"},
  };
  ASSERT_EQ(tabs->GetNumPages(), 6);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(tabs->GetPage(i)->GetName(), expected[i].first);
    EXPECT_EQ(tabs->GetTab(tabs->GetPage(i))->GetText(), expected[i].second);
  }
  EXPECT_EQ(ActivePage(), "InternetGames");
  EXPECT_EQ(window->GetActiveGameList(), static_cast<IGameList *>(window->GetInternetGames()));

  auto *status = dynamic_cast<kgui::Label *>(window->FindChildByName("StatusLabel"));
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(status->GetText(), "");
  int minWide = 0, minTall = 0;
  window->GetMinimumSize(minWide, minTall);
  EXPECT_EQ(minWide, 640);
  EXPECT_EQ(minTall, 384);

  DeleteMainWindow();
  EXPECT_EQ(ServerBrowserDialog(), nullptr);
}

TEST_F(MainWindowTest, DefaultPlacementTakesShareOfTheWorkArea) {
  struct Case {
    int areaX, areaY, areaWide, areaTall;
    int x, y, wide, tall;
  };
  const Case cases[] = {
      {0, 0, 1280, 800, 64, 320, 640, 440},
      {10, 20, 1366, 768, 78, 327, 683, 422},  // fractions are cut, not rounded
      {0, 0, 0, 0, 0, 0, 0, 0},
  };
  for (const Case &c : cases) {
    int x = -1, y = -1, wide = -1, tall = -1;
    CServerBrowserDialog::DefaultPlacement(c.areaX, c.areaY, c.areaWide, c.areaTall, x, y, wide, tall);
    EXPECT_EQ(x, c.x) << c.areaWide;
    EXPECT_EQ(y, c.y) << c.areaWide;
    EXPECT_EQ(wide, c.wide) << c.areaWide;
    EXPECT_EQ(tall, c.tall) << c.areaWide;
  }

  // The shipped layout gives the window no position: it takes the default on the 1280 x 800 screen.
  CServerBrowserDialog *window = MakeMainWindow();
  int x = 0, y = 0, wide = 0, tall = 0;
  window->GetBounds(x, y, wide, tall);
  EXPECT_EQ(x, 64);
  EXPECT_EQ(y, 320);
  EXPECT_EQ(wide, 640);
  EXPECT_EQ(tall, 440);
}

TEST_F(MainWindowTest, LayoutPositionWinsOverTheDefault) {
  WriteFile("servers/DialogServerBrowser.res",
            "\"servers/DialogServerBrowser.res\"\n{\n\t\"CServerBrowserDialog\"\n\t{\n"
            "\t\t\"ControlName\" \"Frame\"\n\t\t\"xpos\" \"100\"\n\t\t\"ypos\" \"50\"\n\t}\n}\n");
  CServerBrowserDialog *window = MakeMainWindow();
  int x = 0, y = 0, wide = 0, tall = 0;
  window->GetBounds(x, y, wide, tall);
  EXPECT_EQ(x, 100);
  EXPECT_EQ(y, 50);
  EXPECT_EQ(wide, 640);
  EXPECT_EQ(tall, 384);
}

// ---- saved settings

TEST_F(MainWindowTest, GameListWordSelectsThePageIgnoringCase) {
  struct Case {
    const char *saved;  // null: no "GameList" key
    const char *page;
  };
  const Case cases[] = {
      {"LAN", "LanGames"},           {"lan", "LanGames"},
      {"Spectate", "SpectateGames"}, {"FAVORITES", "FavoriteGames"},
      {"history", "HistoryGames"},   {"friends", "FriendsGames"},
      {"internet", "InternetGames"}, {"bogus", "InternetGames"},
      {"", "InternetGames"},         {nullptr, "InternetGames"},
  };
  for (const Case &c : cases) {
    std::string text = "\"SavedData\"\n{\n";
    if (c.saved) text += std::string("\t\"GameList\"\t\"") + c.saved + "\"\n";
    text += "}\n";
    WriteSettings(text);
    MakeMainWindow();
    EXPECT_EQ(ActivePage(), c.page) << (c.saved ? c.saved : "(none)");
    EXPECT_EQ(static_cast<kgui::Panel *>(dynamic_cast<CBaseGamesPage *>(m_pMainWindow->GetActiveGameList())),
              m_pMainWindow->GetTabSheet()->GetActivePage());
    DeleteMainWindow();
  }
}

TEST_F(MainWindowTest, TabAndFiltersWithWideGameIdSurviveRestarts) {
  WriteSettings(
      "\"SavedData\"\n{\n\t\"GameList\"\t\"lan\"\n\t\"Filters\"\n\t{\n\t\t\"InternetGames\"\n\t\t{\n"
      "\t\t\t\"appid\"\t\"" +
      std::to_string(kWideGameID) +
      "\"\n\t\t\t\"map\"\t\"dust\"\n"
      "\t\t\t\"NoFull\"\t\"1\"\n\t\t}\n\t}\n}\n");
  MakeMainWindow();
  EXPECT_EQ(ActivePage(), "LanGames");
  EXPECT_EQ(m_pMainWindow->GetFilterSaveData("InternetGames")->GetUint64("appid"), kWideGameID);

  // Spectate derives from the Internet page; it still saves as its own word.
  m_pMainWindow->GetTabSheet()->SetActivePage(static_cast<kgui::Panel *>(m_pMainWindow->GetSpectateGames()));
  RunFrames();
  EXPECT_STREQ(m_pMainWindow->GetActivePageWord(), "spectate");
  DeleteMainWindow();

  KeyValuesAD saved = ReadSavedFile(SettingsPath());
  ASSERT_TRUE(saved);
  EXPECT_STREQ(saved->GetString("GameList"), "spectate");
  ASSERT_NE(saved->GetFirstSubKey(), nullptr);
  // Key names are case-blind symbols: the spelling is whichever the process met first.
  EXPECT_STRCASEEQ(saved->GetFirstSubKey()->GetName(), "GameList") << "written before the filters";
  EXPECT_EQ(saved->GetUint64("Filters/InternetGames/appid"), kWideGameID);

  MakeMainWindow();
  EXPECT_EQ(ActivePage(), "SpectateGames");
  KeyValues *filters = m_pMainWindow->GetFilterSaveData("InternetGames");
  EXPECT_EQ(filters->GetUint64("appid"), kWideGameID);
  EXPECT_STREQ(filters->GetString("map"), "dust");
  EXPECT_TRUE(filters->GetBool("NoFull"));
  Restart();
  EXPECT_EQ(m_pMainWindow->GetFilterSaveData("InternetGames")->GetUint64("appid"), kWideGameID);
}

TEST_F(MainWindowTest, FallbackFileIsReadButNeverWritten) {
  const std::string fallback = "\"SavedData\"\n{\n\t\"GameList\"\t\"history\"\n}\n";
  WriteFile("ServerBrowser.vdf", fallback);
  MakeMainWindow();
  EXPECT_EQ(ActivePage(), "HistoryGames");
  DeleteMainWindow();
  EXPECT_EQ(ReadWholeFile(m_Dir.File("ServerBrowser.vdf")), fallback);
  KeyValuesAD saved = ReadSavedFile(SettingsPath());
  ASSERT_TRUE(saved);
  EXPECT_STREQ(saved->GetString("GameList"), "history");
}

// A settings file that cannot be used is kept beside itself before the save at quit writes the
// defaults, and the user is told once where it went.
TEST_F(MainWindowTest, DamagedFileIsKeptAsideOpensWithDefaultsAndTheNextSaveIsSound) {
  const std::string deep = "\"SavedData\" " + std::string(200, '{') + "\n";
  const std::string damaged[] = {
      // cut inside a quoted token
      "\"SavedData\"\n{\n\t\"GameList\"\t\"lan\"\n\t\"Filters\"\n\t{\n\t\t\"InternetGames\"\n\t\t{"
      "\n\t\t\t\"map\"\t\"du",
      // one closing brace missing
      "\"SavedData\"\n{\n\t\"GameList\"\t\"lan\"\n\t\"Filters\"\n\t{\n\t\t\"LanGames\" { \"map\" \"dust\" "
      "}\n}\n",
      std::string("\x7F\x45\x4C\x46\x02\x01\x01\0garbage", 16),
      deep,
  };
  Runtime().AddToken("#ServerBrowser_SettingsDamaged", u"Kept as %s1.");
  size_t kept = 0;
  for (const std::string &text : damaged) {
    WriteSettings(text);
    m_Spew.Clear();
    MakeMainWindow();
    EXPECT_EQ(ActivePage(), "InternetGames") << "nothing of a damaged file is used: " << text;
    EXPECT_STREQ(m_pMainWindow->GetFilterSaveData("InternetGames")->GetString("map"), "");
    EXPECT_TRUE(m_Spew.Contains("serverbrowser_ui.vdf")) << "the damage is reported with the file";
    const std::vector<std::string> copies = DamagedCopies();
    ASSERT_EQ(copies.size(), ++kept) << text;
    EXPECT_EQ(ReadWholeFile(m_Services.m_ConfigFolder + "/" + copies.back()), text);

    m_pMainWindow->Open();
    auto *box = dynamic_cast<kgui::MessageBox *>(kgui::PanelFromVPanel(kgui::input()->GetAppModalSurface()));
    ASSERT_NE(box, nullptr) << text;
    EXPECT_EQ(std::string(box->GetMessageText()), "Kept as " + copies.back() + ".");
    delete box;
    m_pMainWindow->Open();
    EXPECT_EQ(kgui::input()->GetAppModalSurface(), kgui::NULL_PANEL) << "told once";
    DeleteMainWindow();

    KeyValuesAD saved = ReadSavedFile(SettingsPath());
    ASSERT_TRUE(saved) << "the next save writes a file that reads back";
    EXPECT_STREQ(saved->GetString("GameList"), "internet");
    EXPECT_NE(saved->FindKey("Filters"), nullptr);
  }
}

// The services keep a damaged store aside but have no window: the browser tells the user, once.
TEST_F(MainWindowTest, DamagedStoreIsToldOnceWhenTheWindowOpens) {
  Runtime().AddToken("#ServerBrowser_StoreDamaged", u"Store kept as %s1.");
  m_Services.m_DamagedStoreCopy = "plexa_servers.vdf.damaged-20261210-203000";
  MakeMainWindow();
  m_pMainWindow->Open();
  auto *box = dynamic_cast<kgui::MessageBox *>(kgui::PanelFromVPanel(kgui::input()->GetAppModalSurface()));
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(std::string(box->GetMessageText()), "Store kept as plexa_servers.vdf.damaged-20261210-203000.");
  delete box;
  m_pMainWindow->Open();
  EXPECT_EQ(kgui::input()->GetAppModalSurface(), kgui::NULL_PANEL) << "told once";
}

// Read without blocking and kept aside like any unusable file: a FIFO once hung the start.
TEST_F(MainWindowTest, SettingsThatAreNotAFileAreKeptAside) {
  ASSERT_EQ(mkfifo(SettingsPath().c_str(), 0600), 0);
  MakeMainWindow();
  EXPECT_EQ(ActivePage(), "InternetGames");
  ASSERT_EQ(DamagedCopies().size(), 1u);
  DeleteMainWindow();
  EXPECT_TRUE(ReadSavedFile(SettingsPath()));
}

TEST_F(MainWindowTest, FallbackReadStartsFromAnEmptyRecord) {
  // The user file is damaged after its "GameList": none of it may leak into the fallback's reading.
  WriteSettings("\"SavedData\"\n{\n\t\"GameList\"\t\"lan\"\n\t\"Filters\"\n\t{\n\t\t\"Inter");
  WriteFile("ServerBrowser.vdf",
            "\"SavedData\"\n{\n\t\"Filters\"\n\t{\n\t\t\"InternetGames\"\n\t\t{\n\t\t\t\"map\"\t\"harbor\"\n"
            "\t\t}\n\t}\n}\n");
  MakeMainWindow();
  EXPECT_EQ(ActivePage(), "InternetGames");
  EXPECT_STREQ(m_pMainWindow->GetFilterSaveData("InternetGames")->GetString("map"), "harbor");
}

TEST_F(MainWindowTest, FiltersThatAreNotARecordGiveDefaults) {
  WriteSettings("\"SavedData\"\n{\n\t\"GameList\"\t\"friends\"\n\t\"Filters\"\t\"oops\"\n}\n");
  MakeMainWindow();
  EXPECT_EQ(ActivePage(), "FriendsGames");
  KeyValues *filters = m_pMainWindow->GetFilterSaveData("FriendsGames");
  ASSERT_NE(filters, nullptr);
  EXPECT_STREQ(filters->GetString("map"), "");
}

TEST_F(MainWindowTest, WithoutServicesTheFileNameAloneIsUsed) {
  m_Services.Unbind();
  MakeMainWindow();
  EXPECT_EQ(ActivePage(), "InternetGames");
  DeleteMainWindow();
  EXPECT_TRUE(ReadSavedFile(m_Dir.File("serverbrowser_ui.vdf")));
}

// ---- the host's messages

TEST_F(MainWindowTest, ActiveGameNameIsKeptCutAndClearedByAbsentKeys) {
  MakeMainWindow();
  EXPECT_EQ(m_pMainWindow->GetActiveGameName(), nullptr);
  EXPECT_EQ(m_pMainWindow->GetActiveGameDirectory(), nullptr);

  auto *message = new KeyValues("ActiveGameName", "name", "ashfall", "game", std::string(200, 'g').c_str());
  message->SetUint64("appid", kWideGameID);
  PostToWindow(message);
  EXPECT_STREQ(m_pMainWindow->GetActiveGameDirectory(), "ashfall");
  EXPECT_EQ(std::string(m_pMainWindow->GetActiveGameName()), std::string(127, 'g'));
  EXPECT_EQ(m_pMainWindow->GetActiveAppId(), kWideGameID);

  PostToWindow(new KeyValues("ActiveGameName"));
  EXPECT_EQ(m_pMainWindow->GetActiveGameName(), nullptr);
  EXPECT_EQ(m_pMainWindow->GetActiveGameDirectory(), nullptr);
  EXPECT_EQ(m_pMainWindow->GetActiveAppId(), 0u);
}

TEST_F(MainWindowTest, ConnectedToGameWithoutAddressOrQueryPortChangesNothing) {
  MakeMainWindow();
  auto *dialog = new RecordingDialog;
  m_pMainWindow->AddGameInfoDialog(dialog);
  struct Case {
    int ip, connectionPort, queryPort;  // -1: key absent
  };
  const Case cases[] = {
      {0, 27015, 27015},
      {static_cast<int>(kServerIP), 27015, -1},
      {static_cast<int>(kServerIP), 27015, 0},
      {-1, 27015, 27016},
      {-1, -1, -1},
  };
  for (const Case &c : cases) {
    auto *message = new KeyValues("ConnectedToGame");
    if (c.ip != -1) message->SetInt("ip", c.ip);
    if (c.connectionPort != -1) message->SetInt("connectionport", c.connectionPort);
    if (c.queryPort != -1) message->SetInt("queryport", c.queryPort);
    PostToWindow(message);
    EXPECT_FALSE(m_pMainWindow->IsConnectedToGame()) << c.ip << " " << c.queryPort;
  }
  EXPECT_TRUE(m_Services.m_Added.empty()) << "no history entry";
  EXPECT_TRUE(dialog->log.empty());
  EXPECT_EQ(m_pMainWindow->GetCurrentConnectedServer()->m_NetAdr.GetIP(), 0u);
  delete dialog;
}

TEST_F(MainWindowTest, ConnectedToGameStoresHistoryAndTellsLiveDialogs) {
  MakeMainWindow();
  auto *first = new RecordingDialog;
  auto *gone = new RecordingDialog;
  auto *second = new RecordingDialog;
  for (RecordingDialog *dialog : {first, gone, second}) m_pMainWindow->AddGameInfoDialog(dialog);
  delete gone;

  const auto before = static_cast<uint32>(time(nullptr));
  auto *message =
      new KeyValues("ConnectedToGame", "ip", static_cast<int>(kServerIP), "connectionport", 27015);
  message->SetInt("queryport", 27016);
  PostToWindow(message);

  ASSERT_EQ(m_Services.m_Added.size(), 1u);
  const sbtest::StoredServerCall &added = m_Services.m_Added[0];
  EXPECT_EQ(added.appId, 0u);
  EXPECT_EQ(added.ip, kServerIP);
  EXPECT_EQ(added.connPort, 27015);
  EXPECT_EQ(added.queryPort, 27016);
  EXPECT_EQ(added.flags, static_cast<uint32>(k_unFavoriteFlagHistory));
  EXPECT_GE(added.time, before);
  EXPECT_LE(added.time, static_cast<uint32>(time(nullptr)));

  const std::string expected = "ConnectedToGame " + std::to_string(kServerIP) + " 27015 27016";
  EXPECT_EQ(first->log, std::vector<std::string>{expected});
  EXPECT_EQ(second->log, std::vector<std::string>{expected});
  EXPECT_TRUE(m_pMainWindow->IsConnectedToGame());
  const ServerRecord *current = m_pMainWindow->GetCurrentConnectedServer();
  EXPECT_EQ(current->m_NetAdr.GetIP(), kServerIP);
  EXPECT_EQ(current->m_NetAdr.GetConnectionPort(), 27015);
  EXPECT_EQ(current->m_NetAdr.GetQueryPort(), 27016);
  EXPECT_EQ(current->m_nAppId, 0u);

  PostToWindow(new KeyValues("DisconnectedFromGame"));
  EXPECT_FALSE(m_pMainWindow->IsConnectedToGame());
  EXPECT_EQ(m_pMainWindow->GetCurrentConnectedServer()->m_NetAdr.GetIP(), 0u);
  EXPECT_EQ(m_pMainWindow->GetCurrentConnectedServer()->m_NetAdr.GetQueryPort(), 0);
  delete first;
  delete second;
}

TEST_F(MainWindowTest, ConnectedToGameReadsTheAddressInEveryFormAHostSends) {
  MakeMainWindow();
  // As an int (its bits), as an unsigned 64-bit number (a script) and as text (a configuration file).
  KeyValues *asInt = new KeyValues("ConnectedToGame", "ip", static_cast<int>(kServerIP));
  KeyValues *asUint64 = new KeyValues("ConnectedToGame", "ip", static_cast<uint64>(kServerIP));
  KeyValues *asText = new KeyValues("ConnectedToGame", "ip", std::to_string(kServerIP).c_str());
  for (KeyValues *message : {asInt, asUint64, asText}) {
    message->SetInt("connectionport", 27015);
    message->SetInt("queryport", 27016);
    PostToWindow(message);
  }
  ASSERT_EQ(m_Services.m_Added.size(), 3u);
  for (const sbtest::StoredServerCall &added : m_Services.m_Added) EXPECT_EQ(added.ip, kServerIP);
  EXPECT_EQ(m_pMainWindow->GetCurrentConnectedServer()->m_NetAdr.GetIP(), kServerIP);
  EXPECT_TRUE(m_Spew.Asserts().empty());
}

TEST_F(MainWindowTest, ConnectedToGameWithoutMatchmakingStillConnects) {
  m_Services.Unbind();
  MakeMainWindow();
  auto *message = new KeyValues("ConnectedToGame", "ip", static_cast<int>(kServerIP), "queryport", 27016);
  PostToWindow(message);
  EXPECT_TRUE(m_pMainWindow->IsConnectedToGame());
  EXPECT_TRUE(m_Services.m_Added.empty());
}

TEST_F(MainWindowTest, PageChangeFollowsTheSheetAndResetsTheStatusLine) {
  MakeMainWindow();
  m_pMainWindow->UpdateStatusText("%d servers", 12);
  auto *status = dynamic_cast<kgui::Label *>(m_pMainWindow->FindChildByName("StatusLabel"));
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(status->GetText(), "12 servers");

  m_pMainWindow->GetTabSheet()->SetActivePage(static_cast<kgui::Panel *>(m_pMainWindow->GetFavoriteGames()));
  RunFrames();
  EXPECT_EQ(m_pMainWindow->GetActiveGameList(), static_cast<IGameList *>(m_pMainWindow->GetFavoriteGames()));
  // Showing the page started its fetch: the line says so instead of the old text.
  EXPECT_EQ(status->GetText(), "#ServerBrowser_RefreshingServerList");
  m_Services.Done(m_pMainWindow->GetFavoriteGames()->GetListRequest());
  EXPECT_EQ(status->GetText(), "");

  // A page that is not a server list leaves no active list, and clears the line.
  m_pMainWindow->UpdateStatusText("%d servers", 12);
  auto *notes = new kgui::PropertyPage(m_pMainWindow, "Notes");
  m_pMainWindow->GetTabSheet()->AddPage(notes, "Notes");
  m_pMainWindow->GetTabSheet()->SetActivePage(notes);
  RunFrames();
  EXPECT_EQ(status->GetText(), "");
  EXPECT_EQ(m_pMainWindow->GetActiveGameList(), nullptr);
  EXPECT_STREQ(m_pMainWindow->GetActivePageWord(), "internet");
}

// ---- status line and small operations

TEST_F(MainWindowTest, StatusTextIsFormattedCutAndCleared) {
  MakeMainWindow();
  auto *status = dynamic_cast<kgui::Label *>(m_pMainWindow->FindChildByName("StatusLabel"));
  ASSERT_NE(status, nullptr);
  m_pMainWindow->UpdateStatusText("%s on %s", "Dusk Harbor", "port 27015");
  EXPECT_EQ(status->GetText(), "Dusk Harbor on port 27015");
  m_pMainWindow->UpdateStatusText("%s", std::string(3000, 'x').c_str());
  EXPECT_EQ(status->GetText(), std::string(1023, 'x'));
  m_pMainWindow->UpdateStatusText(nullptr);
  EXPECT_EQ(status->GetText(), "");
  m_pMainWindow->UpdateStatusText("%s", "again");
  const char *empty = "";
  m_pMainWindow->UpdateStatusText(empty);
  EXPECT_EQ(status->GetText(), "");
}

TEST_F(MainWindowTest, CommonQueryPortsInOrder) {
  std::vector<uint16> ports = {1};  // appended to what the caller has
  CServerBrowserDialog::GetCommonQueryPorts(ports);
  const std::vector<uint16> expected = {1,     27015, 26900, 27016, 26901, 27017, 26902, 27018,
                                        26903, 27019, 26904, 27020, 26905, 4242,  27215};
  EXPECT_EQ(ports, expected);
}

TEST_F(MainWindowTest, FriendIdValidity) {
  struct Case {
    uint64 id;
    bool valid;
  };
  const Case cases[] = {
      {0x0110000100000001ull, true},   // type 1, instance 1
      {0x0110000400000001ull, true},   // type 1, instance 4
      {0x0110000500000001ull, false},  // type 1, instance 5
      {0x0110000100000000ull, false},  // type 1, no account
      {0x0170000000000005ull, true},   // type 7, instance 0
      {0x0170000100000005ull, false},  // type 7, instance 1
      {0x0170000000000000ull, false},  // type 7, no account
      {0x0130004D00000009ull, true},   // type 3, any instance
      {0x0130000000000000ull, false},  // type 3, no account
      {0x0140000000000000ull, true},   // other types need nothing more
      {0x04A0000000000000ull, true},   // type 10, universe 4
      {0x01B0000000000001ull, false},  // type 11
      {0x0100000000000001ull, false},  // type 0
      {0x0010000100000001ull, false},  // universe 0
      {0x0510000100000001ull, false},  // universe 5
      {0, false},
  };
  for (const Case &c : cases)
    EXPECT_EQ(CServerBrowserDialog::IsValidFriendID(c.id), c.valid) << std::hex << c.id;
}

TEST_F(MainWindowTest, AddServerToFavoritesStoresTheRecordsAddress) {
  MakeMainWindow();
  ServerRecord server = sbtest::FakeServices::MakeServer("Dusk Harbor", kServerIP, 27015, 40, 640);
  server.m_NetAdr.Init(kServerIP, 27016, 27015);
  m_pMainWindow->AddServerToFavorites(server);
  ASSERT_EQ(m_Services.m_Added.size(), 1u);
  const sbtest::StoredServerCall &added = m_Services.m_Added[0];
  EXPECT_EQ(added.appId, 640u);
  EXPECT_EQ(added.ip, kServerIP);
  EXPECT_EQ(added.connPort, 27015);
  EXPECT_EQ(added.queryPort, 27016);
  EXPECT_EQ(added.flags, static_cast<uint32>(k_unFavoriteFlagFavorite));

  m_Services.Unbind();
  m_pMainWindow->AddServerToFavorites(server);
  EXPECT_EQ(m_Services.m_Added.size(), 1u);
}

// ---- game-info dialogs

TEST_F(MainWindowTest, CloseAllPostsCloseToEveryLiveDialog) {
  MakeMainWindow();
  auto *first = new RecordingDialog;
  auto *gone = new RecordingDialog;
  auto *second = new RecordingDialog;
  for (RecordingDialog *dialog : {first, gone, second}) m_pMainWindow->AddGameInfoDialog(dialog);
  m_pMainWindow->AddGameInfoDialog(nullptr);
  delete gone;
  EXPECT_EQ(m_pMainWindow->GetGameInfoDialogs(), (std::vector<kgui::Panel *>{first, second}));

  m_pMainWindow->CloseAllGameInfoDialogs();
  RunFrames();
  EXPECT_EQ(first->log, std::vector<std::string>{"Close"});
  EXPECT_EQ(second->log, std::vector<std::string>{"Close"});
  delete first;
  delete second;
  EXPECT_TRUE(m_pMainWindow->GetGameInfoDialogs().empty());
}

// ---- showing and closing

TEST_F(MainWindowTest, CloseHidesTheWindowAndStopsTheActivePagesRefresh) {
  MakeMainWindow();
  m_pMainWindow->Open();
  RunFrames(0.5);
  EXPECT_TRUE(m_pMainWindow->IsVisible());
  m_pMainWindow->GetInternetGames()->BeginRefresh();
  sbtest::FakeListRequest *request = m_Services.LastRequest();
  ASSERT_NE(request, nullptr);
  ASSERT_TRUE(request->running);

  m_pMainWindow->Close();
  EXPECT_FALSE(request->running) << "the page heard it is hidden";
  EXPECT_GE(request->stops, 1);
  RunFrames(1.0);
  EXPECT_FALSE(m_pMainWindow->IsVisible());
  EXPECT_EQ(ServerBrowserDialog(), m_pMainWindow) << "closing hides, it does not delete";

  m_pMainWindow->Open();
  RunFrames(0.5);
  EXPECT_TRUE(m_pMainWindow->IsVisible());
}

TEST_F(MainWindowTest, AuditReportsTheWindowsRecordsAndPages) {
  MakeMainWindow();
  CValidator validator;
  m_pMainWindow->Validate(validator);
  const std::vector<std::string> &scopes = validator.Scopes();
  ASSERT_FALSE(scopes.empty());
  EXPECT_EQ(scopes.front(), "CServerBrowserDialog");
  for (const char *name : {"  m_GameInfoDialogs", "  m_pSavedData", "  m_pFilterData"})
    EXPECT_NE(std::find(scopes.begin(), scopes.end(), name), scopes.end()) << name;
  EXPECT_GT(scopes.size(), 4u) << "the pages report below the window";
  EXPECT_EQ(validator.Depth(), 0);
}

}  // namespace
