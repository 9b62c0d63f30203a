// The demo world the stand-in ships with reads cleanly and gives every tab of the browser something
// to show.
#include <cstdlib>
#include <optional>
#include <set>

#include "plexa/client_api.h"
#include "plexa/iclientapps.h"
#include "plexa/iclientfriends.h"
#include "plexa/iclientmatchmaking.h"
#include "plexa/iclientmatchmakingservers.h"
#include "plexa_fixture.h"
#include "support/spew_capture.h"
#include "tier0/platform.h"

namespace {

// The demo's friends are numbered from here.
constexpr PlexaId_t kFirstFriend = 76561197960266729ull;

// Networks that never reach anyone: private, loopback and the ranges kept for documentation.
bool OnAClosedNetwork(uint32 ip) {
  const auto in = [ip](uint32 base, int bits) { return (ip >> (32 - bits)) == (base >> (32 - bits)); };
  return in(0x0A000000, 8) || in(0xAC100000, 12) || in(0xC0A80000, 16) || in(0x7F000000, 8) ||
         in(0xC0000200, 24) || in(0xC6336400, 24) || in(0xCB007100, 24);
}

class DemoWorld : public PlexaWorldTest {
 protected:
  void SetUp() override {
    PlexaWorldTest::SetUp();
    // The demo names no configuration folder: the host's folder is used, here one in the scratch folder.
    m_UserDirEnv.emplace("PLEXA_USER_DIR", m_UserDir);
    m_ConfigEnv.emplace("PLEXA_CLIENT_CONFIG",
                        std::string(getenv("SB_SOURCE_DIR")) + "/plexaclient/demo/plexaclient.vdf");
  }

  // One list's records after it is done, with how each ended ("answered" or "silent").
  struct Listed {
    std::vector<ServerRecord> m_Answered;
    std::vector<ServerRecord> m_Silent;
  };
  template <class Request>
  Listed RunList(Request request) {
    CListRecorder list;
    IClientMatchmakingServers *servers = ClientMatchmakingServers();
    const ListRequestHandle handle = request(servers, &list);
    FramesUntil([&] { return list.Done(); }, 1.0 / 60);
    Listed listed;
    for (const std::string &event : list.m_Events) {
      if (event.rfind("done", 0) == 0) continue;
      const ServerRecord &record =
          *servers->GetListServerRecord(handle, std::stoi(event.substr(event.find(' ') + 1)));
      (event.rfind("answered", 0) == 0 ? listed.m_Answered : listed.m_Silent).push_back(record);
    }
    servers->FreeListRequest(handle);
    return listed;
  }

  std::optional<ScopedEnv> m_UserDirEnv;
  std::optional<ScopedEnv> m_ConfigEnv;
};

TEST_F(DemoWorld, ReadsWithoutComplaintAndAnswersAnInternetList) {
  SpewCapture spew;
  ASSERT_TRUE(ClientAPI_Init());
  EXPECT_TRUE(spew.Warnings().empty()) << spew.Warnings()[0];
  EXPECT_GE(ServicesControl()->GetServerCount(), 200);

  std::vector<AppId_t> apps(64);
  apps.resize(ClientApps()->ListAppIds(apps.data(), 64));
  const std::set<AppId_t> ids(apps.begin(), apps.end());
  for (AppId_t wanted : {1002u, 243730u, 243750u, 1200u, 1210u}) EXPECT_TRUE(ids.count(wanted)) << wanted;
  EXPECT_LT(*ids.begin(), 200u);
  EXPECT_GT(*ids.rbegin(), 1000000u);
  EXPECT_GT(ClientMatchmaking()->CountStoredServers(), 4);

  CListRecorder list;
  ClientMatchmakingServers()->RequestInternetList(0, nullptr, 0, &list);
  FramesUntil([&] { return list.Done(); }, 1.0 / 60);
  int answered = 0, silent = 0;
  for (const std::string &event : list.m_Events) {
    answered += event.rfind("answered", 0) == 0;
    silent += event.rfind("silent", 0) == 0;
  }
  EXPECT_GT(answered, 200);
  EXPECT_GT(silent, 0);
  EXPECT_EQ(list.m_Events.back(), "done 0");
}

TEST_F(DemoWorld, EveryTabHasRowsOnClosedNetworks) {
  ASSERT_TRUE(ClientAPI_Init());
  const Listed internet = RunList([](auto *s, auto *r) { return s->RequestInternetList(0, nullptr, 0, r); });
  const Listed lan = RunList([](auto *s, auto *r) { return s->RequestLanList(0, r); });
  const Listed friends = RunList([](auto *s, auto *r) { return s->RequestFriendsList(0, nullptr, 0, r); });
  const Listed favourites =
      RunList([](auto *s, auto *r) { return s->RequestFavoritesList(0, nullptr, 0, r); });
  const Listed history = RunList([](auto *s, auto *r) { return s->RequestHistoryList(0, nullptr, 0, r); });

  // LAN: servers on the local network, one of them silent (the tab hides it).
  EXPECT_GE(lan.m_Answered.size(), 4u);
  EXPECT_EQ(lan.m_Silent.size(), 1u);
  for (const ServerRecord &record : lan.m_Answered)
    EXPECT_EQ(record.m_NetAdr.GetIP() >> 16, 0xC0A8u) << record.GetName();

  // Friends: every friend's server is on the Friends list and answers there.
  std::set<uint64> friendServers;
  for (const ServerRecord &record : friends.m_Answered)
    friendServers.insert((uint64{record.m_NetAdr.GetIP()} << 16) | record.m_NetAdr.GetConnectionPort());
  int playing = 0;
  for (PlexaId_t id = kFirstFriend; *ClientFriends()->FriendDisplayName(id); ++id) {
    FriendGameInfo game{};
    if (!ClientFriends()->FriendCurrentGame(id, &game) || game.m_unGameIP == 0) continue;
    ++playing;
    EXPECT_TRUE(friendServers.count((uint64{game.m_unGameIP} << 16) | game.m_usGamePort)) << id;
    EXPECT_NE(ClientFriends()->FriendPresenceValue(static_cast<AppId_t>(game.m_gameID), id, "connect"),
              nullptr);
  }
  EXPECT_GE(playing, 3);
  EXPECT_EQ(friends.m_Answered.size(), static_cast<size_t>(playing));

  // Favourites: several that answer and one that never does.
  EXPECT_GE(favourites.m_Answered.size(), 4u);
  EXPECT_GE(favourites.m_Silent.size(), 1u);

  // History: every entry played within the last fortnight, on at least four different days.
  EXPECT_GE(history.m_Answered.size(), 5u);
  const uint32 now = Plat_UnixTime();
  std::set<uint32> days;
  for (const auto *records : {&history.m_Answered, &history.m_Silent}) {
    for (const ServerRecord &record : *records) {
      EXPECT_LE(record.m_nLastPlayedTime, now);
      EXPECT_GT(record.m_nLastPlayedTime, now - 14 * 86400);
      days.insert((now - record.m_nLastPlayedTime) / 86400);
    }
  }
  EXPECT_GE(days.size(), 4u);

  // No address anywhere in the world reaches outside: every server, friend and stored entry.
  for (const Listed *listed : {&internet, &lan, &friends, &favourites, &history}) {
    for (const auto *records : {&listed->m_Answered, &listed->m_Silent}) {
      for (const ServerRecord &record : *records)
        EXPECT_TRUE(OnAClosedNetwork(record.m_NetAdr.GetIP())) << record.m_NetAdr.GetIP();
    }
  }
}

}  // namespace
