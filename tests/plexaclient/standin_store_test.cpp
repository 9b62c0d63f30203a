// Favourites and history of the stand-in: kept in the user's folder, saved atomically, every
// change announced with 502.
#include <sys/stat.h>

#include <filesystem>

#include "plexa/client_api.h"
#include "plexa/iclientmatchmaking.h"
#include "plexa/iclientmatchmakingservers.h"
#include "plexa_fixture.h"
#include "support/spew_capture.h"

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
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_UserDir), std::filesystem::directory_iterator()), 1);

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
  Bind(kWorld, R"("stored" { "server" { "appid" "1002" "address" "10.2.0.1:27015" "queryport" "27016" "flags" "3" }
                            "server" { "address" "not an address" } })");
  EXPECT_EQ(ClientMatchmaking()->CountStoredServers(), 1);
  EXPECT_EQ(ListNames(1), (std::vector<std::string>{"Harbor One"}));
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
  EXPECT_EQ(ReadWholeFile(StoreFile() + ".broken"), "\"StoredServers\" { \"server\" { \"address\" ");
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
