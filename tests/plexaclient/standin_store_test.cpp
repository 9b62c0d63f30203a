// Favourites and history of the stand-in: kept in the user's folder, saved atomically, every
// change announced with 502.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <utility>

#include "common/filesystem_helpers.h"
#include "plexa/client_api.h"
#include "plexa/iclientmatchmaking.h"
#include "plexa/iclientmatchmakingservers.h"
#include "plexa/iplexaclientnotices.h"
#include "plexa_fixture.h"
#include "support/spew_capture.h"
#include "tier0/platform.h"

namespace {

const char *const kWorld = R"(
"servers"
{
  "server" { "address" "10.2.0.1:27015" "queryport" "27016" "name" "Harbor One" "appid" "1002" "latency" "15" }
  "server" { "address" "10.2.0.2:27015" "name" "Harbor Two" "appid" "1200" "latency" "25" }
}
)";

class StandInStore : public PlexaWorldTest {
 protected:
  void SetUp() override {
    PlexaWorldTest::SetUp();
    Bind(kWorld);
  }
  std::string StoreFile() const { return m_UserDir + "/plexa_servers.vdf"; }
  // Names of the damaged stores kept beside the store, oldest first.
  std::vector<std::string> DamagedCopies() const {
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(m_UserDir)) {
      const std::string name = entry.path().filename();
      if (name.rfind("plexa_servers.vdf.damaged-", 0) == 0 && name != "plexa_servers.vdf.damaged-mine")
        names.push_back(name);
    }
    // "<time>" then "<time>-2", "<time>-3"...
    const auto order = [](const std::string &name) {
      const std::string rest = name.substr(strlen("plexa_servers.vdf.damaged-"));
      const size_t dash = rest.find('-', rest.find('-') + 1);
      return std::make_pair(rest.substr(0, dash),
                            dash == std::string::npos ? 1 : atoi(rest.c_str() + dash + 1));
    };
    std::sort(names.begin(), names.end(),
              [&](const std::string &a, const std::string &b) { return order(a) < order(b); });
    return names;
  }
  // Names answered by a favourites (flag 1) or history (flag 2) request, in order; silent ones by address.
  std::vector<std::string> ListNames(uint32 flag, AppId_t app = 0) {
    CListRecorder list;
    IClientMatchmakingServers *servers = ClientMatchmakingServers();
    ListRequestHandle request = flag == 1 ? servers->RequestFavoritesList(app, nullptr, 0, &list)
                                          : servers->RequestHistoryList(app, nullptr, 0, &list);
    FramesUntil([&] { return list.Done(); }, 0.1);
    servers->FreeListRequest(request);
    return list.m_Names;
  }

  CNotificationRecorder m_Notes;
};

TEST_F(StandInStore, ChangesAreSavedAnnouncedAndListed) {
  IClientMatchmaking *store = ClientMatchmaking();
  EXPECT_EQ(store->CountStoredServers(), 0);
  store->AddStoredServer(1002, 0x0A020001, 27015, 27016, k_unFavoriteFlagFavorite, 1700000000);
  store->AddStoredServer(1200, 0x0A020002, 27015, 27015, k_unFavoriteFlagHistory, 1700000500);
  store->AddStoredServer(1002, 0x0A020001, 27015, 27016, k_unFavoriteFlagHistory, 1700000900);
  EXPECT_EQ(store->CountStoredServers(), 2);
  EXPECT_TRUE(m_Notes.m_Events.empty()) << "announced through the pump";
  Frame();
  EXPECT_EQ(m_Notes.m_Events, (std::vector<std::string>{"502 add 10.2.0.1:27015/27016 flags 1",
                                                        "502 add 10.2.0.2:27015/27015 flags 2",
                                                        "502 add 10.2.0.1:27015/27016 flags 2"}));
  EXPECT_EQ(ListNames(1), (std::vector<std::string>{"Harbor One"}));
  EXPECT_EQ(ListNames(2), (std::vector<std::string>{"Harbor One", "Harbor Two"}));
  EXPECT_EQ(ListNames(2, 1200), (std::vector<std::string>{"Harbor Two"}));

  // Saved beside, then renamed: the file is complete and nothing is left next to it.
  const std::string text = ReadWholeFile(StoreFile());
  EXPECT_NE(text.find("\"10.2.0.1:27015\""), std::string::npos);
  EXPECT_NE(text.find("\"1700000900\""), std::string::npos);
  EXPECT_EQ(
      std::distance(std::filesystem::directory_iterator(m_UserDir), std::filesystem::directory_iterator()),
      1);

  m_Notes.m_Events.clear();
  EXPECT_TRUE(store->RemoveStoredServer(1002, 0x0A020001, 27015, 27016, k_unFavoriteFlagFavorite));
  EXPECT_FALSE(store->RemoveStoredServer(1002, 0x0A020001, 27015, 27016, k_unFavoriteFlagFavorite));
  EXPECT_FALSE(store->RemoveStoredServer(1002, 0x0A0200FF, 27015, 27016, k_unFavoriteFlagHistory));
  Frame();
  EXPECT_EQ(m_Notes.m_Events, (std::vector<std::string>{"502 remove 10.2.0.1:27015/27016 flags 1"}));
  EXPECT_EQ(ListNames(1), std::vector<std::string>{});
  EXPECT_EQ(store->CountStoredServers(), 2);

  // The store outlives the services: a new binding reads it back.
  ClientAPI_Shutdown();
  ASSERT_TRUE(ClientAPI_Init());
  EXPECT_EQ(ClientMatchmaking()->CountStoredServers(), 2);
  EXPECT_EQ(ListNames(2), (std::vector<std::string>{"Harbor One", "Harbor Two"}));
}

TEST_F(StandInStore, EntriesAreKnownByTheirAddress) {
  // Stored without an application; the page removes it with the application its record shows.
  IClientMatchmaking *store = ClientMatchmaking();
  store->AddStoredServer(0, 0x0A020002, 27015, 27015, k_unFavoriteFlagFavorite, 0);
  store->AddStoredServer(1200, 0x0A020002, 27015, 27015, k_unFavoriteFlagFavorite, 0);
  EXPECT_EQ(store->CountStoredServers(), 1);
  EXPECT_EQ(ListNames(1, 1200), (std::vector<std::string>{"Harbor Two"}));
  EXPECT_TRUE(store->RemoveStoredServer(1200, 0x0A020002, 27015, 27015, k_unFavoriteFlagFavorite));
  EXPECT_EQ(store->CountStoredServers(), 0);
}

TEST_F(StandInStore, HistoryRecordsCarryTheLastPlayedTimeAndUnknownServersStaySilent) {
  ClientMatchmaking()->AddStoredServer(1002, 0x0A020001, 27015, 27016, k_unFavoriteFlagHistory, 1700000900);
  ClientMatchmaking()->AddStoredServer(1210, 0x0A0200FE, 27020, 27021, k_unFavoriteFlagHistory, 1600000000);
  CListRecorder list;
  IClientMatchmakingServers *servers = ClientMatchmakingServers();
  ListRequestHandle request = servers->RequestHistoryList(0, nullptr, 0, &list);
  FramesUntil([&] { return list.Done(); }, 0.1);
  EXPECT_EQ(list.m_Events, (std::vector<std::string>{"answered 0", "silent 1", "done 0"}));
  EXPECT_EQ(servers->GetListServerRecord(request, 0)->m_nLastPlayedTime, 1700000900u);
  // The browser removes a silent entry with the record's own application and ports.
  const ServerRecord *unknown = servers->GetListServerRecord(request, 1);
  EXPECT_EQ(unknown->m_nAppId, 1210u);
  EXPECT_EQ(unknown->m_NetAdr.GetQueryPort(), 27021);
  EXPECT_EQ(unknown->m_nLastPlayedTime, 1600000000u);
  EXPECT_STREQ(unknown->GetName(), "10.2.0.254:27020");
}

TEST_F(StandInStore, PingAnswersOfStoredServersCarryTheStoredLastPlayedTime) {
  // What the browser does on "ConnectedToGame": store a history entry, then ping the server once
  // the change is announced; the row it builds from the answer shows when it was played.
  IClientMatchmaking *store = ClientMatchmaking();
  store->AddStoredServer(0, 0x0A020001, 27015, 27016, k_unFavoriteFlagHistory, 1700000900);
  store->AddStoredServer(1200, 0x0A020002, 27015, 27015, k_unFavoriteFlagFavorite, 0);
  Frame();
  ASSERT_EQ(m_Notes.m_Events.size(), 2u);

  struct Case {
    uint32 ip;
    uint16 queryPort;
    uint32 lastPlayed;
  };
  const Case cases[] = {
      {0x0A020001, 27016, 1700000900},  // a history entry, pinged on its query port
      {0x0A020002, 27015, 0},           // a favourite never played keeps the server's own (none)
  };
  for (const Case &c : cases) {
    CPingRecorder ping;
    ClientMatchmakingServers()->RequestPing(c.ip, c.queryPort, &ping);
    FramesUntil([&] { return !ping.m_Events.empty(); }, 0.01);
    ASSERT_EQ(ping.m_Events.size(), 1u) << c.ip;
    EXPECT_TRUE(ping.m_Last.m_bResponded);
    EXPECT_EQ(ping.m_Last.m_nLastPlayedTime, c.lastPlayed) << ping.m_Events[0];
  }

  // A later visit moves the time; the next answer follows the store, not the first one.
  store->AddStoredServer(1002, 0x0A020001, 27015, 27016, k_unFavoriteFlagHistory, 1700005000);
  CPingRecorder again;
  ClientMatchmakingServers()->RequestPing(0x0A020001, 27016, &again);
  FramesUntil([&] { return !again.m_Events.empty(); }, 0.01);
  EXPECT_EQ(again.m_Last.m_nLastPlayedTime, 1700005000u);
  // Removed from the store: the server answers as the world describes it.
  store->RemoveStoredServer(1002, 0x0A020001, 27015, 27016, k_unFavoriteFlagHistory);
  CPingRecorder forgotten;
  ClientMatchmakingServers()->RequestPing(0x0A020001, 27016, &forgotten);
  FramesUntil([&] { return !forgotten.m_Events.empty(); }, 0.01);
  EXPECT_EQ(forgotten.m_Last.m_nLastPlayedTime, 0u);
}

TEST_F(StandInStore, AnEntryIsStillFoundAfterOneStoredBeforeItIsRemoved) {
  IClientMatchmaking *store = ClientMatchmaking();
  store->AddStoredServer(1002, 0x0A020001, 27015, 27016, k_unFavoriteFlagHistory, 1700000100);
  store->AddStoredServer(1200, 0x0A020002, 27015, 27015, k_unFavoriteFlagHistory, 1700000200);
  ASSERT_TRUE(store->RemoveStoredServer(1002, 0x0A020001, 27015, 27016, k_unFavoriteFlagHistory));
  // And one added after the removal is found too.
  store->AddStoredServer(1002, 0x0A020001, 27015, 27016, k_unFavoriteFlagHistory, 1700000300);
  const std::pair<uint32, uint32> cases[] = {{0x0A020002, 1700000200}, {0x0A020001, 1700000300}};
  for (const auto &[ip, lastPlayed] : cases) {
    CPingRecorder ping;
    ClientMatchmakingServers()->RequestPing(ip, ip == 0x0A020001 ? 27016 : 27015, &ping);
    FramesUntil([&] { return !ping.m_Events.empty(); }, 0.01);
    ASSERT_EQ(ping.m_Events.size(), 1u) << ip;
    EXPECT_EQ(ping.m_Last.m_nLastPlayedTime, lastPlayed) << ip;
  }
}

TEST_F(StandInStore, AnotherConfigurationFolderBringsItsOwnStore) {
  ClientMatchmaking()->AddStoredServer(1002, 0x0A020001, 27015, 27016, k_unFavoriteFlagFavorite, 0);
  Frame();
  m_Notes.m_Events.clear();
  WriteServicesConfig("\"PlexaClient\" { \"user\" { \"configfolder\" \"" + m_Scratch.File("other") + "\" } " +
                      kWorld + " }");
  ASSERT_TRUE(ServicesControl()->ReloadConfig());
  Frame();
  EXPECT_EQ(m_Notes.m_Events, (std::vector<std::string>{"502 add 0.0.0.0:0/0 flags 0"}));
  EXPECT_EQ(ClientMatchmaking()->CountStoredServers(), 0);
}

TEST_F(StandInStore, SeedFromTheConfigurationWhenTheUserHasNoStoreYet) {
  ClientAPI_Shutdown();
  Bind(kWorld,
       R"("stored" { "server" { "appid" "1002" "address" "10.2.0.1:27015" "queryport" "27016" "flags" "3" }
                            "server" { "address" "not an address" } })");
  EXPECT_EQ(ClientMatchmaking()->CountStoredServers(), 1);
  EXPECT_EQ(ListNames(1), (std::vector<std::string>{"Harbor One"}));
}

TEST_F(StandInStore, SeedTimesGivenAsAgeFollowTheClockAndTheUsersStoreWinsOverTheSeed) {
  ClientAPI_Shutdown();
  const std::string seed = R"("stored" {
      "server" { "appid" "1002" "address" "10.2.0.1:27015" "flags" "2" "lastplayedago" "7200" }
      "server" { "appid" "1200" "address" "10.2.0.2:27015" "flags" "2" "lastplayed" "1600000000" "lastplayedago" "60" }
      "server" { "appid" "1200" "address" "10.2.0.3:27015" "flags" "2" "lastplayedago" "99999999999" } })";
  Bind(kWorld, seed);
  const uint32 now = Plat_UnixTime();
  CListRecorder list;
  IClientMatchmakingServers *servers = ClientMatchmakingServers();
  ListRequestHandle request = servers->RequestHistoryList(0, nullptr, 0, &list);
  FramesUntil([&] { return list.Done(); }, 0.1);
  ASSERT_EQ(list.m_Events.size(), 4u);
  EXPECT_EQ(servers->GetListServerRecord(request, 0)->m_nLastPlayedTime, now - 7200);
  EXPECT_EQ(servers->GetListServerRecord(request, 1)->m_nLastPlayedTime, 1600000000u);  // a fixed time wins
  EXPECT_EQ(servers->GetListServerRecord(request, 2)->m_nLastPlayedTime,
            0u);  // before 1970: unknown, not wrapped
  servers->FreeListRequest(request);

  // Once the user has a store (even an emptied one), the seed is not used again.
  ClientMatchmaking()->RemoveStoredServer(1002, 0x0A020001, 27015, 27015, k_unFavoriteFlagHistory);
  ClientMatchmaking()->RemoveStoredServer(1200, 0x0A020002, 27015, 27015, k_unFavoriteFlagHistory);
  ClientMatchmaking()->RemoveStoredServer(1200, 0x0A020003, 27015, 27015, k_unFavoriteFlagHistory);
  ClientAPI_Shutdown();
  Bind(kWorld, seed);
  EXPECT_EQ(ClientMatchmaking()->CountStoredServers(), 0);
}

TEST_F(StandInStore, BrokenStoreIsMovedAsideNotOverwritten) {
  ClientAPI_Shutdown();
  std::filesystem::create_directories(m_UserDir);
  WriteWholeFile(StoreFile(), "\"StoredServers\" { \"server\" { \"address\" ");
  SpewCapture spew;
  ASSERT_TRUE(ClientAPI_Init());
  EXPECT_TRUE(spew.Contains("moved aside"));
  EXPECT_EQ(ClientMatchmaking()->CountStoredServers(), 0);
  ClientMatchmaking()->AddStoredServer(1002, 0x0A020001, 27015, 27016, 1, 0);
  const std::vector<std::string> copies = DamagedCopies();
  ASSERT_EQ(copies.size(), 1u);
  EXPECT_EQ(ReadWholeFile(m_UserDir + "/" + copies[0]), "\"StoredServers\" { \"server\" { \"address\" ");
  EXPECT_TRUE(spew.Contains(copies[0])) << "the warning names the copy";
}

// A store that is there but cannot be read at all (a FIFO nobody writes, an endless device, a file
// over the cap) is refused at once, without a hang or a huge allocation, and kept aside likewise.
TEST_F(StandInStore, UnreadableStoreIsRefusedAtOnceAndMovedAside) {
  struct Case {
    const char *what;
    std::function<void(const std::string &)> make;
    const char *why;
  };
  const Case cases[] = {
      {"fifo", [](const std::string &path) { ASSERT_EQ(mkfifo(path.c_str(), 0600), 0); },
       "is not a regular file"},
      {"endless", [](const std::string &path) { ASSERT_EQ(symlink("/dev/zero", path.c_str()), 0); },
       "is not a regular file"},
      {"huge",
       [](const std::string &path) {
         WriteWholeFile(path, "");
         ASSERT_EQ(truncate(path.c_str(), kMaxReadFileBytes + 1), 0);
       },
       "bytes allowed"},
  };
  for (const Case &c : cases) {
    ClientAPI_Shutdown();
    std::filesystem::remove_all(m_UserDir);
    std::filesystem::create_directories(m_UserDir);
    c.make(StoreFile());
    SpewCapture spew;
    ASSERT_TRUE(ClientAPI_Init()) << c.what;
    EXPECT_TRUE(spew.Contains(c.why)) << c.what;
    EXPECT_TRUE(spew.Contains("moved aside")) << c.what;
    EXPECT_EQ(ClientMatchmaking()->CountStoredServers(), 0) << c.what;
    ASSERT_EQ(DamagedCopies().size(), 1u) << c.what;
    // The services have no window: the browser asks for the copy's name to tell the user, once.
    ASSERT_NE(ClientNotices(), nullptr);
    EXPECT_STREQ(ClientNotices()->TakeDamagedStoreCopy(), DamagedCopies()[0].c_str()) << c.what;
    EXPECT_STREQ(ClientNotices()->TakeDamagedStoreCopy(), "") << c.what;
  }
}

// Each damaged store is kept under a name of its own (its time, then a number when two come in
// the same second), never over an earlier copy; the newest five are kept.
TEST_F(StandInStore, EveryDamagedStoreIsKeptUnderANameOfItsOwn) {
  ClientAPI_Shutdown();
  std::filesystem::create_directories(m_UserDir);
  for (int round = 1; round <= 7; ++round) {
    WriteWholeFile(StoreFile(), "\"StoredServers\" { \"round\" \"" + std::to_string(round) + "\" ");
    ASSERT_TRUE(ClientAPI_Init());
    EXPECT_EQ(ClientMatchmaking()->CountStoredServers(), 0);
    ClientMatchmaking()->AddStoredServer(1002, 0x0A020001, 27015, 27016, 1, 0);  // a fresh store is saved
    ClientAPI_Shutdown();
    if (round != 2) Plat_AdvanceClock(61.0);  // rounds 2 and 3 fall in the same second
  }
  std::vector<std::string> contents;
  for (const std::string &name : DamagedCopies()) contents.push_back(ReadWholeFile(m_UserDir + "/" + name));
  EXPECT_EQ(contents, (std::vector<std::string>{
                          "\"StoredServers\" { \"round\" \"3\" ", "\"StoredServers\" { \"round\" \"4\" ",
                          "\"StoredServers\" { \"round\" \"5\" ", "\"StoredServers\" { \"round\" \"6\" ",
                          "\"StoredServers\" { \"round\" \"7\" "}));
  // Files of the user's that merely look alike are left alone.
  WriteWholeFile(StoreFile() + ".damaged-mine", "kept");
  WriteWholeFile(StoreFile(), "\"StoredServers\" { \"round\" \"8\" ");
  ASSERT_TRUE(ClientAPI_Init());
  EXPECT_EQ(ReadWholeFile(StoreFile() + ".damaged-mine"), "kept");
  EXPECT_EQ(DamagedCopies().size(), 5u);
}

// Saving never writes through a file or link planted under a temporary name, keeps the store's
// permissions, and clears temporary files that ended processes left behind.
TEST_F(StandInStore, SavesNeverWriteThroughPlantedLinksAndClearLeftovers) {
  ClientAPI_Shutdown();
  std::filesystem::create_directories(m_UserDir);
  const std::string victim = m_Scratch.File("victim.txt");
  WriteWholeFile(victim, "precious");
  for (const std::string &name :
       {StoreFile() + ".tmp", StoreFile() + "." + std::to_string(getpid()) + ".tmp"})
    ASSERT_EQ(symlink(victim.c_str(), name.c_str()), 0) << name;
  const std::string leftover = StoreFile() + "." + std::to_string(DeadPid()) + ".tmp";
  WriteWholeFile(leftover, "cut short");
  ASSERT_TRUE(ClientAPI_Init());
  SpewCapture spew;
  ClientMatchmaking()->AddStoredServer(1002, 0x0A020001, 27015, 27016, 1, 0);
  EXPECT_EQ(ReadWholeFile(victim), "precious");
  struct stat info {};
  EXPECT_FALSE(lstat(StoreFile().c_str(), &info) == 0 && S_ISLNK(info.st_mode));
  EXPECT_FALSE(std::filesystem::exists(leftover));

  // Once the planted link is gone, saves keep the permissions the user gave the store.
  std::filesystem::remove(StoreFile() + "." + std::to_string(getpid()) + ".tmp");
  ClientMatchmaking()->AddStoredServer(1200, 0x0A020002, 27015, 27015, 1, 0);
  ASSERT_EQ(stat(StoreFile().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0600u) << "a new store is the user's alone";
  ASSERT_EQ(chmod(StoreFile().c_str(), 0640), 0);
  ClientMatchmaking()->RemoveStoredServer(1200, 0x0A020002, 27015, 27015, 1);
  ASSERT_EQ(stat(StoreFile().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(ClientMatchmaking()->CountStoredServers(), 1);
}

TEST_F(StandInStore, UnwritableFolderIsReportedAndTheChangeStillHolds) {
  ClientAPI_Shutdown();
  WriteWholeFile(m_UserDir, "a file where the folder should be");
  ASSERT_TRUE(ClientAPI_Init());
  SpewCapture spew;
  ClientMatchmaking()->AddStoredServer(1002, 0x0A020001, 27015, 27016, 1, 0);
  EXPECT_TRUE(spew.Contains("cannot save"));
  EXPECT_EQ(ClientMatchmaking()->CountStoredServers(), 1);
  Frame();
  EXPECT_EQ(m_Notes.m_Events.size(), 1u);
}

}  // namespace
