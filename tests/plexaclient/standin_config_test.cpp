// The stand-in's configuration: the user, applications and friends it answers with, how it reads
// bad input, and the notifications it sends when the file changes while it runs.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "plexa/client_api.h"
#include "plexa/iclientapps.h"
#include "plexa/iclientfriends.h"
#include "plexa/iclientmatchmaking.h"
#include "plexa/iclientmatchmakingservers.h"
#include "plexa/iclientuser.h"
#include "plexa/iclientutils.h"
#include "plexa_fixture.h"
#include "support/spew_capture.h"

namespace {

const char *const kFriendId = "76561197960265729";
constexpr PlexaId_t kFriend = 76561197960265729ull;

std::string Catalogue(const char *vanguardName = "Vanguard Frontier", const char *friendGamePort = "27015") {
  return std::string(R"(
"apps"
{
  "1002" { "gamedir" "vanguard" "serverbrowsername" ")") +
         vanguardName + R"(" "common" { "name" "Vanguard" }
           "extended" { "serverbrowsername" "Vanguard Ext" } }
  "1200" { "gamedir" "/opt/games/Orbitfall" "serverbrowsername" "Orbitfall" "gameid" "1200" "available" "0" }
  "42"   { "gamedir" "tinyarena" "serverbrowsername" "Tiny Arena" }
}
"friends"
{
  ")" + kFriendId +
         R"("
  {
    "name" "Marlowe Quist"
    "flags" "2"
    "title" "Vanguard Frontier"
    "game" { "gameid" "1002" "ip" "10.3.0.7" "gameport" ")" +
         friendGamePort + R"(" }
    "presence" { "1002" { "connect" "+connect 10.3.0.7:27015" "status" "Holding the ridge" } }
  }
  "76561197960265730" { "name" "Ines Varga" }
}
)";
}

class StandInConfig : public PlexaWorldTest {};

TEST_F(StandInConfig, UserAndApplicationsAnswerFromTheFile) {
  Bind(Catalogue(), R"("offline" "1" "banned" { "app" "1200" "app" "77" })");
  EXPECT_TRUE(ClientUtils()->IsClientOffline());
  EXPECT_TRUE(ClientUser()->IsBannedForApp(1200));
  EXPECT_FALSE(ClientUser()->IsBannedForApp(1002));
  EXPECT_TRUE(ClientUser()->IsAppAvailable(1002));
  EXPECT_FALSE(ClientUser()->IsAppAvailable(1200));
  EXPECT_FALSE(ClientUser()->IsAppAvailable(9999));
  char folder[4096];
  ASSERT_TRUE(ClientUser()->GetUserConfigFolder(folder, sizeof(folder)));
  EXPECT_EQ(folder, m_UserDir);
  EXPECT_FALSE(ClientUser()->GetUserConfigFolder(folder, 4));
  EXPECT_STREQ(folder, "");

  struct Case {
    AppId_t app;
    const char *key;
    int32 size;
    int32 result;
    const char *text;
  };
  const Case cases[] = {
      {1002, "gamedir", 255, 9, "vanguard"},
      {1002, "serverbrowsername", 255, 18, "Vanguard Frontier"},
      {1002, "gameid", 128, 5, "1002"},  // given when the file does not say
      {1002, "common/name", 255, 9, "Vanguard"},
      {1002, "Extended/ServerBrowserName", 20, 13, "Vanguard Ext"},
      {1200, "gamedir", 255, 21, "/opt/games/Orbitfall"},
      {1002, "serverbrowsername", 5, 5, "Vang"},  // cut to the buffer, still terminated
      {1002, "nosuchkey", 255, 0, ""},
      {9999, "gamedir", 255, 0, ""},
  };
  for (const Case &c : cases) {
    char buffer[256] = "junk";
    EXPECT_EQ(ClientApps()->ReadAppValue(c.app, c.key, buffer, c.size), c.result) << c.key;
    EXPECT_STREQ(buffer, c.text) << c.key;
  }

  AppId_t ids[2] = {};
  EXPECT_EQ(ClientApps()->ListAppIds(ids, 2), 3u);
  EXPECT_EQ(ids[0], 42u);
  EXPECT_EQ(ids[1], 1002u);
}

TEST_F(StandInConfig, FriendsTheirGamesAndPresence) {
  Bind(Catalogue());
  IClientFriends *friends = ClientFriends();
  EXPECT_STREQ(friends->FriendDisplayName(kFriend), "Marlowe Quist");
  EXPECT_STREQ(friends->FriendDisplayName(12345), "");
  EXPECT_EQ(friends->FriendFlags(kFriend), 2);
  EXPECT_STREQ(friends->FriendGameTitle(kFriend), "Vanguard Frontier");
  FriendGameInfo game{};
  ASSERT_TRUE(friends->FriendCurrentGame(kFriend, &game));
  EXPECT_EQ(game.m_gameID, 1002u);
  EXPECT_EQ(game.m_unGameIP, 0x0A030007u);
  EXPECT_EQ(game.m_usQueryPort, 0xFFFF);  // none given: query the game port
  EXPECT_EQ(game.QueryPortOrGamePort(), 27015);
  EXPECT_FALSE(friends->FriendCurrentGame(76561197960265730ull, &game));
  EXPECT_STREQ(friends->FriendPresenceValue(1002, kFriend, "connect"), "+connect 10.3.0.7:27015");
  EXPECT_STREQ(friends->FriendPresenceValue(1002, kFriend, "STATUS"), "Holding the ridge");
  EXPECT_EQ(friends->FriendPresenceValue(1002, kFriend, "other"), nullptr);
  EXPECT_EQ(friends->FriendPresenceValue(1200, kFriend, "status"), nullptr);

  CNotificationRecorder notes;
  friends->RequestFriendPresence(1002, kFriend);
  friends->RequestFriendPresence(1002, 12345);  // nobody: nothing comes
  Frame();
  Frame();
  EXPECT_EQ(notes.m_Events, (std::vector<std::string>{"336 76561197960265729 1002"}));

  friends->ConnectRunningGame("10.3.0.7:27015", "");
  EXPECT_STREQ(ServicesControl()->GetLastConnectRequest(), "10.3.0.7:27015");
  friends->JoinRunningGameToFriend(1002, kFriend, "+connect 10.3.0.7:27015");
  EXPECT_STREQ(ServicesControl()->GetLastConnectRequest(), "+connect 10.3.0.7:27015");
}

TEST_F(StandInConfig, ChangesWhileRunningAreAnnouncedOnceTheFileIsSeenToChange) {
  Bind(Catalogue());
  CNotificationRecorder notes;
  Frame();
  // The application's name and the friend's game change; the other friend stays as he was.
  const std::string changed = "\"PlexaClient\" { \"user\" { \"configfolder\" \"" + m_UserDir + "\" } " +
                              Catalogue("Vanguard Frontier II", "27020") + " }";
  WriteServicesConfig(changed);
  Frame(0.5);
  EXPECT_TRUE(notes.m_Events.empty()) << "the file is looked at once a second";
  Frame(0.6);  // the check runs on this frame; its notifications are taken on the next
  Frame();
  EXPECT_EQ(notes.m_Events, (std::vector<std::string>{"1001 1002", "304 76561197960265729 16"}));
  char name[64];
  ClientApps()->ReadAppValue(1002, "serverbrowsername", name, sizeof(name));
  EXPECT_STREQ(name, "Vanguard Frontier II");

  // Presence and the friend's name, through the control call instead of the clock.
  notes.m_Events.clear();
  std::string renamed = changed;
  renamed.replace(renamed.find("Holding the ridge"), 17, "Back at base");
  renamed.replace(renamed.find("Ines Varga"), 10, "Ines Varga-Lo");
  WriteServicesConfig(renamed);
  ASSERT_TRUE(ServicesControl()->ReloadConfig());
  Frame();
  EXPECT_EQ(notes.m_Events,
            (std::vector<std::string>{"336 76561197960265729 1002", "304 76561197960265730 1"}));
}

TEST_F(StandInConfig, UserFolderIsTheFilesElseTheOneTheHostHandsOver) {
  // The world file sits in a folder of its own, so a relative folder can be told from one taken
  // from the working directory.
  const std::string worlds = m_Scratch.File("worlds");
  const std::string handed = m_Scratch.File("handed");
  std::filesystem::create_directories(worlds);
  const ScopedEnv config("PLEXA_CLIENT_CONFIG", worlds + "/plexaclient.vdf");
  const ScopedEnv xdg("XDG_CONFIG_HOME", m_Scratch.File("xdg"));
  const ScopedEnv userDir("PLEXA_USER_DIR", "");
  struct Case {
    std::string configFolder;  // empty: the file names none
    std::string handedOver;    // $PLEXA_USER_DIR; empty: unset
    std::string expected;
  };
  const Case cases[] = {
      {"users/quill", handed, worlds + "/users/quill"},  // relative: beside the file
      {"./users/../wren/", "", worlds + "/wren"},
      {m_UserDir, handed, m_UserDir},  // absolute: as given
      {"", handed, handed},            // none: the host's folder
      {"", handed + "/./", handed},
      {"", "", m_Scratch.File("xdg/serverbrowser")},  // neither: the user's default
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.expected);
    if (c.handedOver.empty())
      unsetenv("PLEXA_USER_DIR");
    else
      setenv("PLEXA_USER_DIR", c.handedOver.c_str(), 1);
    WriteServicesConfig("\"PlexaClient\" { \"user\" { \"configfolder\" \"" + c.configFolder + "\" } }");
    ASSERT_TRUE(ClientAPI_Init());
    char folder[4096] = "";
    EXPECT_TRUE(ClientUser()->GetUserConfigFolder(folder, sizeof(folder)));
    EXPECT_EQ(folder, c.expected);
    // Favourites and history land in the same folder the browser saves its settings to.
    ClientMatchmaking()->AddStoredServer(1002, 0x0A000001, 27015, 27015, k_unFavoriteFlagFavorite, 0);
    EXPECT_TRUE(std::filesystem::exists(c.expected + "/plexa_servers.vdf"));
    ClientAPI_Shutdown();
    std::filesystem::remove_all(c.expected);
  }
}

TEST_F(StandInConfig, BrokenFileAtStartLeavesAnEmptyWorldAndTheReadersMessage) {
  WriteServicesConfig("\"PlexaClient\" { \"servers\" { \"server\" { \"address\" \"10.0.0.1:1\" }");
  SpewCapture spew;
  ASSERT_TRUE(ClientAPI_Init());
  EXPECT_FALSE(spew.Warnings().empty());
  EXPECT_TRUE(spew.Contains("starting with an empty world"));
  EXPECT_TRUE(spew.Contains(ServicesConfigPath()));
  EXPECT_EQ(ServicesControl()->GetServerCount(), 0);
  EXPECT_EQ(ClientApps()->ListAppIds(nullptr, 0), 0u);

  CListRecorder list;
  ClientMatchmakingServers()->RequestInternetList(0, nullptr, 0, &list);
  FramesUntil([&] { return list.Done(); });
  EXPECT_EQ(list.m_Events, (std::vector<std::string>{"done 2"}));
}

TEST_F(StandInConfig, MissingFileLeavesAnEmptyWorld) {
  unlink(ServicesConfigPath().c_str());
  SpewCapture spew;
  ASSERT_TRUE(ClientAPI_Init());
  EXPECT_TRUE(spew.Contains("cannot be opened: No such file or directory"));
  EXPECT_EQ(ServicesControl()->GetServerCount(), 0);
  EXPECT_FALSE(ClientUtils()->IsClientOffline());
}

// A world file that cannot be read whole is refused at once with why: a FIFO nobody writes once
// hung the start, an endless device once took all memory.
TEST_F(StandInConfig, WorldThatIsNotARegularFileLeavesAnEmptyWorldAtOnce) {
  for (const bool fifo : {true, false}) {
    unlink(ServicesConfigPath().c_str());
    ASSERT_EQ(fifo ? mkfifo(ServicesConfigPath().c_str(), 0600)
                   : symlink("/dev/zero", ServicesConfigPath().c_str()),
              0);
    SpewCapture spew;
    ASSERT_TRUE(ClientAPI_Init());
    EXPECT_TRUE(spew.Contains("'" + ServicesConfigPath() + "' is not a regular file")) << fifo;
    EXPECT_EQ(ServicesControl()->GetServerCount(), 0);
    ClientAPI_Shutdown();
  }
  unlink(ServicesConfigPath().c_str());  // the file is shared with the tests after this one
}

TEST_F(StandInConfig, BrokenFileWhileRunningKeepsTheWorldInUse) {
  Bind(Catalogue() + R"("servers" { "server" { "address" "10.0.0.1:27015" } })");
  WriteServicesConfig("\"PlexaClient\" { \"apps\" { ");
  SpewCapture spew;
  EXPECT_FALSE(ServicesControl()->ReloadConfig());
  EXPECT_TRUE(spew.Contains("keeping the configuration in use"));
  EXPECT_EQ(ServicesControl()->GetServerCount(), 1);
  EXPECT_TRUE(ClientUser()->IsAppAvailable(1002));
}

TEST_F(StandInConfig, EntriesThatCannotBeReadAreReportedAndSkipped) {
  SpewCapture spew;
  Bind(R"(
"apps" { "notanumber" { "gamedir" "x" } "1002" { "gamedir" "vanguard" } }
"friends" { "0" { "name" "zero" } }
"master" "sometimes"
"servers"
{
  "server" { "address" "10.0.0.1:27015" "name" "Good" }
  "server" { "address" "10.0.0.1" "name" "No port" }
  "server" { "address" "300.0.0.1:27015" "name" "Bad octet" }
  "server" { "address" "10.0.0.2:70000" "name" "Bad port" }
  "server" { "address" "host.example:27015" "name" "A host name" }
  "server" { "address" "10.0.0.1:27015" "name" "Twice" }
}
)",
       R"("banned" { "app" "twelve" })");
  EXPECT_EQ(ServicesControl()->GetServerCount(), 1);
  EXPECT_EQ(ClientApps()->ListAppIds(nullptr, 0), 1u);
  for (const char *problem : {"\"notanumber\" is not an application id", "\"0\" is not an account id",
                              "\"sometimes\" is not answers", "entry 2: bad address", "entry 3: bad address",
                              "entry 4: bad address", "entry 5: bad address", "entry 6: address listed twice",
                              "\"twelve\" is not an application id"})
    EXPECT_TRUE(spew.Contains(problem)) << problem;
}

}  // namespace
