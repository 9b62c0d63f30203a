// The client services on the network against the farm and the master as processes on loopback:
// list requests of every page type see each farm server as the farm describes it (silent ones
// silent), pings are measured round trips, players come from the status answer, and a server
// that goes down goes silent while its neighbours keep answering.
#include <algorithm>
#include <chrono>
#include <map>
#include <set>
#include <thread>

#include "farm_processes.h"
#include "plexa/client_api.h"
#include "plexa/iclientmatchmakingservers.h"
#include "tests/plexaclient/plexa_fixture.h"

namespace {

struct App {
  AppId_t id;
  const char *gamedir, *title, *gamename, *protocol;
};
const App kApps[] = {
    {1002, "vanguard", "Vanguard Frontier", "VanguardFrontier", "71"},
    {310, "quarrykings", "Quarry Kings", "QuarryKings", "68"},
    {4410, "tidewater", "Tidewater", "Tidewater", "71"},
};

// One farm server. `name` is what the farm sends (colour codes and all), `shown` what a client
// reads; `lists` as the services' world says it ("lan" alone: never heartbeats).
struct FarmServer {
  const char *name, *shown, *map;
  size_t app;  // into kApps
  int players, bots, limit, latency;
  bool silent = false, relay = false;
  const char *lists = "internet";
  const char *playerlist = "";
};

// Thirty servers of three games: silent ones, spectator relays (one silent), LAN-only servers
// (one silent) and one whose name carries colour codes and a Latin-1 letter.
const FarmServer kServers[] = {
    {"^1Amber^7 Hall", "Amber Hall", "vf_dunes", 0, 2, 0, 12, 20, false, false, "internet",
     "Quill 12,Brisk 3"},
    {"Brackwater", "Brackwater", "qk_shaft", 1, 5, 2, 5, 10},
    {"Cinder Row", "Cinder Row", "tw_reef", 2, 0, 0, 8, 15},
    {"Dockside Relay", "Dockside Relay", "vf_dunes", 0, 3, 0, 64, 25, false, true, "internet spectate"},
    {"Elm Crossing", "Elm Crossing", "qk_pit", 1, 1, 0, 10, 30},
    {"Fallow Mute", "", "tw_reef", 2, 0, 0, 16, 10, true},
    {"Gannet Point", "Gannet Point", "vf_mesa", 0, 16, 4, 16, 40},
    {"H\xC3\xB3lmgard", "H\xC3\xB3lmgard", "qk_face", 1, 7, 0, 12, 35},
    {"Ivy Terrace", "Ivy Terrace", "tw_shoal", 2, 4, 1, 20, 120},
    {"Juniper Gate", "Juniper Gate", "vf_quarry", 0, 0, 0, 24, 5},
    {"Kestrel Yard", "Kestrel Yard", "qk_shaft", 1, 2, 2, 8, 45},
    {"Lantern Relay", "Lantern Relay", "tw_reef", 2, 6, 0, 32, 20, false, true, "spectate"},
    {"Millpond", "Millpond", "vf_dunes", 0, 9, 0, 12, 55},
    {"Northgate", "Northgate", "qk_pit", 1, 3, 0, 6, 15},
    {"Oxbow", "Oxbow", "tw_shoal", 2, 1, 1, 10, 60},
    {"Pebble Strand", "Pebble Strand", "vf_mesa", 0, 11, 3, 14, 25},
    {"Quarrel Hill", "Quarrel Hill", "qk_face", 1, 0, 0, 12, 10},
    {"Rook Silent", "", "tw_reef", 2, 0, 0, 16, 10, true},
    {"Saltpan", "Saltpan", "vf_quarry", 0, 4, 0, 8, 70},
    {"Tallow Works", "Tallow Works", "qk_shaft", 1, 8, 0, 8, 30},
    {"Umber Fold", "Umber Fold", "tw_shoal", 2, 2, 0, 18, 35},
    {"Vesper Reach", "Vesper Reach", "vf_dunes", 0, 5, 5, 16, 80},
    {"Wicker Relay", "Wicker Relay", "qk_pit", 1, 2, 0, 40, 15, false, true, "internet spectate"},
    {"Yarrow Down", "Yarrow Down", "tw_reef", 2, 3, 0, 12, 50},
    {"Zephyr Close", "Zephyr Close", "vf_mesa", 0, 6, 0, 10, 20},
    {"Alder Bend", "Alder Bend", "qk_face", 1, 1, 0, 16, 25},
    {"Bramble Hush", "", "vf_dunes", 0, 0, 0, 16, 10, true, true, "spectate"},
    {"Cellar Den", "Cellar Den", "qk_pit", 1, 2, 0, 8, 5, false, false, "lan"},
    {"Loft Box", "Loft Box", "tw_shoal", 2, 1, 0, 4, 5, false, false, "lan"},
    {"Attic Hush", "", "vf_dunes", 0, 0, 0, 8, 5, true, false, "lan"},
};
constexpr size_t kCount = std::size(kServers);

bool LanOnly(const FarmServer &server) {
  return std::string(server.lists) == "lan";
}

std::string FarmWorld() {
  std::string apps;
  for (const App &app : kApps) {
    apps += "\"" + std::to_string(app.id) + "\" { \"gamedir\" \"" + app.gamedir +
            "\" \"serverbrowsername\" \"" + app.title + "\" \"query\" { \"gamename\" \"" + app.gamename +
            "\" \"protocol\" \"" + app.protocol + "\" } }\n";
  }
  std::string servers;
  for (size_t i = 0; i < kCount; ++i) {
    const FarmServer &s = kServers[i];
    servers += "\"server\" { \"address\" \"127.0.77." + std::to_string(i + 1) + ":0\" \"appid\" \"" +
               std::to_string(kApps[s.app].id) + "\" \"name\" \"" + s.name + "\" \"map\" \"" + s.map +
               "\" \"players\" \"" + std::to_string(s.players) + "\" \"bots\" \"" + std::to_string(s.bots) +
               "\" \"maxplayers\" \"" + std::to_string(s.limit) + "\" \"latency\" \"" +
               std::to_string(s.latency) + "\" \"silent\" \"" + (s.silent ? "1" : "0") + "\" \"proxy\" \"" +
               (s.relay ? "1" : "0") + "\" \"lists\" \"" + s.lists + "\"";
    std::string players = s.playerlist;
    if (!players.empty()) {
      servers += " \"playerlist\" {";
      for (size_t at = 0; at < players.size();) {
        size_t end = players.find(',', at);
        if (end == std::string::npos) end = players.size();
        const std::string entry = players.substr(at, end - at);
        const size_t space = entry.rfind(' ');
        servers += " \"player\" { \"name\" \"" + entry.substr(0, space) + "\" \"score\" \"" +
                   entry.substr(space + 1) + "\" }";
        at = end + 1;
      }
      servers += " }";
    }
    servers += " }\n";
  }
  return "\"PlexaClient\"\n{\n\"apps\"\n{\n" + apps + "}\n\"servers\"\n{\n" + servers + "}\n}\n";
}

// The services' apps: the same query blocks, so the catalogue names each server's game.
std::string ServicesApps() {
  std::string apps;
  for (const App &app : kApps) {
    apps += "\"" + std::to_string(app.id) + "\" { \"gamedir\" \"" + app.gamedir +
            "\" \"serverbrowsername\" \"" + app.title + "\" \"query\" { \"family\" \"q3\" \"gamename\" \"" +
            app.gamename + "\" \"protocol\" \"" + app.protocol + "\" } }\n";
  }
  return "\"apps\"\n{\n" + apps + "}\n";
}

// A list's answers with the records as they were when each arrived.
class CRecordingList final : public IPlexaMatchmakingServerListResponse {
 public:
  void OnServerAnswered(ListRequestHandle request, int index) override {
    const ServerRecord *record = ClientMatchmakingServers()->GetListServerRecord(request, index);
    if (record) m_Answered.push_back(*record);
  }
  void OnServerSilent(ListRequestHandle request, int index) override {
    const ServerRecord *record = ClientMatchmakingServers()->GetListServerRecord(request, index);
    if (record) m_Silent.push_back(*record);
  }
  void OnListDone(ListRequestHandle, EMatchMakingListOutcome outcome) override {
    m_Outcomes.push_back(static_cast<int>(outcome));
  }
  bool Done() const { return !m_Outcomes.empty(); }

  std::vector<ServerRecord> m_Answered, m_Silent;
  std::vector<int> m_Outcomes;
};

class ServicesOnTheFarm : public PlexaWorldTest {
 protected:
  void SetUp() override {
    PlexaWorldTest::SetUp();
    ASSERT_TRUE(m_Master.Start(
        "servermaster",
        {"--listen", "127.0.0.1:0", "--addresses", m_Scratch.File("master.txt"), "--max-seconds", "120"},
        m_Scratch.File("master.log")));
    const std::vector<std::string> master = WaitForLines(m_Scratch.File("master.txt"), 5000);
    ASSERT_EQ(master.size(), 1u) << ReadWholeFile(m_Scratch.File("master.log"));
    m_MasterText = master[0];
  }

  void TearDown() override {
    PlexaWorldTest::TearDown();
    m_Farm.Stop();
    m_Master.Stop();
  }

  // Starts the farm on `world` and waits until the master lists `listed` servers of each game.
  void StartFarm(const std::string &world, const std::map<size_t, size_t> &listed) {
    WriteWholeFile(m_Scratch.File("farm.vdf"), world);
    ASSERT_TRUE(m_Farm.Start("serverfarm",
                             {"--world", m_Scratch.File("farm.vdf"), "--master", m_MasterText, "--addresses",
                              m_Scratch.File("farm.txt"), "--max-seconds", "120"},
                             m_Scratch.File("farm.log")));
    m_Addresses = WaitForLines(m_Scratch.File("farm.txt"), 5000);
    ASSERT_FALSE(m_Addresses.empty()) << ReadWholeFile(m_Scratch.File("farm.log"));
    // Our own look at the master comes from another address, so it does not use up the list
    // queries the master allows the services.
    CUdpClient look("127.0.0.2:0");
    for (const auto &[app, count] : listed) {
      const std::string query = std::string("\xFF\xFF\xFF\xFFgetservers ") + kApps[app].gamename + " " +
                                kApps[app].protocol + " empty full";
      ASSERT_GE(WaitUntilListed(look, Endpoint(m_MasterText), query, count, 5000).size(), count)
          << kApps[app].gamename << ReadWholeFile(m_Scratch.File("master.log"));
    }
  }

  // Binds the services on the network, asking the master; `more` adds to the network block.
  void BindServices(const std::string &more, const std::string &friends = "", const std::string &user = "") {
    Bind("\"backend\" \"network\"\n" + ServicesApps() +
             "\"network\" { \"bind\" \"127.0.0.1\" \"masters\" { " + "\"master\" \"" + m_MasterText +
             "\" } " + more + " }\n" + friends,
         user);
    m_pServers = ClientMatchmakingServers();
    ASSERT_NE(m_pServers, nullptr);
  }

  // Runs frames until `done` holds or `seconds` of real time pass.
  template <class Pred>
  bool RunUntil(Pred done, double seconds = 15.0) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done() && std::chrono::steady_clock::now() < end) {
      Frame();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return done();
  }

  // "127.0.77.4" and port of a farm server.
  std::string Ip(size_t i) const { return m_Addresses.at(i).substr(0, m_Addresses.at(i).find(':')); }
  std::string PortOf(size_t i) const { return m_Addresses.at(i).substr(m_Addresses.at(i).find(':') + 1); }
  uint32 IpNumber(size_t i) const { return Endpoint(m_Addresses.at(i)).IPv4(); }
  uint16 PortNumber(size_t i) const { return Endpoint(m_Addresses.at(i)).m_usPort; }

  // Which farm server a record is, by its address; kCount when none.
  size_t Which(const ServerRecord &record) const {
    for (size_t i = 0; i < m_Addresses.size(); ++i)
      if (record.m_NetAdr.GetIP() == IpNumber(i) && record.m_NetAdr.GetQueryPort() == PortNumber(i)) return i;
    return kCount;
  }
  std::set<size_t> Servers(const std::vector<ServerRecord> &records) const {
    std::set<size_t> servers;
    for (const ServerRecord &record : records) servers.insert(Which(record));
    return servers;
  }

  CChildProcess m_Master, m_Farm;
  std::string m_MasterText;
  std::vector<std::string> m_Addresses;
  IClientMatchmakingServers *m_pServers = nullptr;
};

// The farm's servers listed on a master, per game: all but the LAN-only ones.
std::map<size_t, size_t> ListedPerGame() {
  std::map<size_t, size_t> listed;
  for (const FarmServer &server : kServers)
    if (!LanOnly(server)) ++listed[server.app];
  return listed;
}

TEST_F(ServicesOnTheFarm, EveryPageTypeSeesTheFarmsServersAsTheFarmDescribesThem) {
  ASSERT_NO_FATAL_FAILURE(StartFarm(FarmWorld(), ListedPerGame()));
  ASSERT_EQ(m_Addresses.size(), kCount);

  // A LAN scan looks at the LAN-only servers, one Internet server and a port nobody answers on.
  const std::string lan = "\"lan\" { \"target\" \"" + m_Addresses[27] + "\" \"target\" \"" + m_Addresses[28] +
                          "\" \"target\" \"" + m_Addresses[29] + "\" \"target\" \"" + m_Addresses[0] +
                          "\" \"target\" \"127.0.0.1:" + std::to_string(UnusedUdpPort()) + "\" }";
  // Friends play on an Internet server and a LAN one; a third plays nothing.
  auto friendOn = [&](const char *id, const char *name, size_t server) {
    return "\"" + std::string(id) + "\" { \"name\" \"" + name + "\" \"game\" { \"gameid\" \"" +
           std::to_string(kApps[kServers[server].app].id) + "\" \"ip\" \"" + Ip(server) +
           "\" \"gameport\" \"" + PortOf(server) + "\" \"queryport\" \"" + PortOf(server) + "\" } }";
  };
  const std::string friends = "\"friends\" { " + friendOn("76561197960287930", "Tamsin Roe", 8) + " " +
                              friendOn("76561197960287931", "Odalys Fenn", 28) +
                              " \"76561197960287932\" { \"name\" \"Pike Marrow\" } }";
  // The store's seed: favourites 0, 5 (silent) and 12; history 7, 27 (LAN) and 12.
  auto stored = [&](size_t server, int flags) {
    return "\"server\" { \"appid\" \"" + std::to_string(kApps[kServers[server].app].id) +
           "\" \"address\" \"" + m_Addresses[server] + "\" \"flags\" \"" + std::to_string(flags) +
           "\" \"lastplayed\" \"1767000000\" }";
  };
  const std::string user =
      "\"stored\" { " + stored(0, 1) + stored(5, 1) + stored(12, 3) + stored(7, 2) + stored(27, 2) + " }";
  ASSERT_NO_FATAL_FAILURE(BindServices(lan, friends, user));
  EXPECT_STREQ(ServicesControl()->GetServerBackend(), "network");

  std::set<size_t> internet, internetSilent, spectate, quarry, quarrySilent;
  for (size_t i = 0; i < kCount; ++i) {
    const FarmServer &s = kServers[i];
    if (LanOnly(s)) continue;
    (s.silent ? internetSilent : internet).insert(i);
    if (s.relay && !s.silent) spectate.insert(i);
    if (s.app == 1) (s.silent ? quarrySilent : quarry).insert(i);
  }
  struct Case {
    const char *page;
    AppId_t app;
    std::set<size_t> answered, silent;
  };
  const Case cases[] = {
      {"internet", 0, internet, internetSilent},
      {"internet", 310, quarry, quarrySilent},
      // A silent server's relay flag is unknown: it is reported silent there too.
      {"spectate", 0, spectate, internetSilent},
      {"lan", 0, {0, 27, 28}, {}},
      {"favorites", 0, {0, 12}, {5}},
      {"history", 0, {7, 12, 27}, {}},
      {"friends", 0, {8, 28}, {}},
  };
  CRecordingList lists[std::size(cases)];
  ListRequestHandle requests[std::size(cases)];
  for (size_t i = 0; i < std::size(cases); ++i) {
    const std::string page = cases[i].page;
    const AppId_t app = cases[i].app;
    CRecordingList *list = &lists[i];
    requests[i] = page == "internet"    ? m_pServers->RequestInternetList(app, nullptr, 0, list)
                  : page == "spectate"  ? m_pServers->RequestSpectatorList(app, nullptr, 0, list)
                  : page == "lan"       ? m_pServers->RequestLanList(app, list)
                  : page == "favorites" ? m_pServers->RequestFavoritesList(app, nullptr, 0, list)
                  : page == "history"   ? m_pServers->RequestHistoryList(app, nullptr, 0, list)
                                        : m_pServers->RequestFriendsList(app, nullptr, 0, list);
  }
  ASSERT_TRUE(RunUntil([&] {
    return std::all_of(std::begin(lists), std::end(lists),
                       [](const CRecordingList &list) { return list.Done(); });
  }));

  for (size_t c = 0; c < std::size(cases); ++c) {
    SCOPED_TRACE(std::string(cases[c].page) + " app " + std::to_string(cases[c].app));
    const CRecordingList &list = lists[c];
    EXPECT_EQ(Servers(list.m_Answered), cases[c].answered);
    EXPECT_EQ(Servers(list.m_Silent), cases[c].silent);
    EXPECT_EQ(list.m_Answered.size() + list.m_Silent.size(),
              cases[c].answered.size() + cases[c].silent.size())
        << "each server once";
    EXPECT_EQ(list.m_Outcomes, std::vector<int>{0});
    for (const ServerRecord &record : list.m_Answered) {
      const size_t i = Which(record);
      ASSERT_LT(i, kCount);
      const FarmServer &s = kServers[i];
      SCOPED_TRACE(s.shown);
      EXPECT_STREQ(record.GetName(), s.shown);
      EXPECT_STREQ(record.GetMap(), s.map);
      EXPECT_STREQ(record.GetGameDir(), kApps[s.app].gamedir);
      EXPECT_STREQ(record.GetDescription(), kApps[s.app].title);
      EXPECT_EQ(record.m_nAppId, kApps[s.app].id);
      EXPECT_EQ(record.m_nPlayerCount, s.players);
      EXPECT_EQ(record.m_nBotCount, s.bots);
      EXPECT_EQ(record.m_nPlayerLimit, s.limit);
      EXPECT_EQ(record.m_nVersion, atoi(kApps[s.app].protocol));
      EXPECT_TRUE(record.m_bResponded);
      EXPECT_EQ(record.m_NetAdr.GetConnectionPort(), PortNumber(i));
      // The ping is the measured round trip: not below the farm's reply delay (which the farm
      // counts in whole milliseconds from the one its request came in).
      EXPECT_GE(record.m_nPingMs, s.latency - 1);
      EXPECT_LT(record.m_nPingMs, s.latency + 1000);
    }
    for (const ServerRecord &record : list.m_Silent) EXPECT_FALSE(record.m_bResponded);
    m_pServers->FreeListRequest(requests[c]);
  }
  // Stored servers carry the store's time, answering or not.
  for (const ServerRecord &record : lists[4].m_Answered) EXPECT_EQ(record.m_nLastPlayedTime, 1767000000u);
  EXPECT_EQ(ServicesControl()->GetOpenRequestCount(), 0);
  EXPECT_EQ(ServicesControl()->GetNetworkCounter("dropped_challenge"), 0);
  EXPECT_EQ(ServicesControl()->GetNetworkCounter("dropped_foreign"), 0);
  EXPECT_EQ(ServicesControl()->GetNetworkCounter("dropped_malformed"), 0);
}

TEST_F(ServicesOnTheFarm, PingsAreMeasuredAndPlayersComeFromTheStatus) {
  ASSERT_NO_FATAL_FAILURE(StartFarm(FarmWorld(), ListedPerGame()));
  ASSERT_EQ(m_Addresses.size(), kCount);
  ASSERT_NO_FATAL_FAILURE(BindServices(""));
  // Ivy Terrace waits 120 ms before it answers, Juniper Gate 5 ms; Fallow Mute never answers.
  CPingRecorder slow, fast, mute;
  CPlayersRecorder amber, slate, muteStatus;
  m_pServers->RequestPing(IpNumber(8), PortNumber(8), &slow);
  m_pServers->RequestPing(IpNumber(9), PortNumber(9), &fast);
  m_pServers->RequestPing(IpNumber(5), PortNumber(5), &mute);
  m_pServers->RequestPlayers(IpNumber(0), PortNumber(0), &amber);
  m_pServers->RequestPlayers(IpNumber(1), PortNumber(1), &slate);
  m_pServers->RequestPlayers(IpNumber(5), PortNumber(5), &muteStatus);
  ASSERT_TRUE(RunUntil([&] {
    return !slow.m_Events.empty() && !fast.m_Events.empty() && !mute.m_Events.empty() &&
           !amber.m_Events.empty() && amber.m_Events.back() == "done" && !slate.m_Events.empty() &&
           slate.m_Events.back() == "done" && !muteStatus.m_Events.empty();
  }));
  ASSERT_EQ(slow.m_Events.size(), 1u);
  EXPECT_STREQ(slow.m_Last.GetName(), "Ivy Terrace");
  EXPECT_GE(slow.m_Last.m_nPingMs, 119) << "the farm counts its delay in whole milliseconds";
  EXPECT_LT(slow.m_Last.m_nPingMs, 1120);
  ASSERT_EQ(fast.m_Events.size(), 1u);
  EXPECT_STREQ(fast.m_Last.GetName(), "Juniper Gate");
  EXPECT_GE(fast.m_Last.m_nPingMs, 4);
  EXPECT_LT(fast.m_Last.m_nPingMs, slow.m_Last.m_nPingMs) << "5 ms against 120 ms of reply delay";
  EXPECT_EQ(mute.m_Events, std::vector<std::string>{"silent"});
  // The world's players with their scores; the time played is not in the protocol: negative.
  EXPECT_EQ(amber.m_Events, (std::vector<std::string>{"Quill 12 -1", "Brisk 3 -1", "done"}));
  // Five players, two of them bots: named by the farm, every one listed.
  EXPECT_EQ(slate.m_Events.size(), 6u) << ::testing::PrintToString(slate.m_Events);
  EXPECT_EQ(muteStatus.m_Events, std::vector<std::string>{"silent"});
  EXPECT_EQ(ServicesControl()->GetOpenRequestCount(), 0);
}

// A server up for three seconds, then down for two, over and over, beside one always up.
TEST_F(ServicesOnTheFarm, AServerThatGoesDownGoesSilentAndAnswersAgainWhenBack) {
  const std::string world =
      std::string("\"PlexaClient\" { \"apps\" { \"1002\" { \"gamedir\" \"vanguard\" ") +
      "\"query\" { \"gamename\" \"VanguardFrontier\" \"protocol\" \"71\" } } }\n"
      "\"servers\" {\n"
      "\"server\" { \"address\" \"127.0.78.1:0\" \"appid\" \"1002\" \"name\" \"Flicker Bay\" "
      "\"map\" \"vf_dunes\" \"latency\" \"5\" \"upfor\" \"3\" \"downfor\" \"2\" }\n"
      "\"server\" { \"address\" \"127.0.78.2:0\" \"appid\" \"1002\" \"name\" \"Steady Moor\" "
      "\"map\" \"vf_mesa\" \"latency\" \"5\" } } }\n";
  ASSERT_NO_FATAL_FAILURE(StartFarm(world, {{0, 2}}));
  ASSERT_EQ(m_Addresses.size(), 2u);
  ASSERT_NO_FATAL_FAILURE(BindServices(""));

  // Pings one server until its answer is `wanted` ("answered" or "silent"); the events seen.
  auto pingUntil = [&](size_t server, const std::string &wanted, double seconds) {
    std::vector<std::string> seen;
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
      CPingRecorder ping;
      m_pServers->RequestPing(IpNumber(server), PortNumber(server), &ping);
      if (!RunUntil([&] { return !ping.m_Events.empty(); }, 5.0)) break;
      seen.push_back(ping.m_Events[0].substr(0, ping.m_Events[0].find(' ')));
      if (seen.back() == wanted) break;
    }
    return seen;
  };
  EXPECT_EQ(pingUntil(0, "answered", 1.0), std::vector<std::string>{"answered"});
  // Down after its three seconds: silent, while its neighbour still answers.
  const std::vector<std::string> down = pingUntil(0, "silent", 8.0);
  ASSERT_FALSE(down.empty());
  EXPECT_EQ(down.back(), "silent");
  EXPECT_EQ(pingUntil(1, "answered", 1.0), std::vector<std::string>{"answered"});
  // And back again after two seconds down.
  const std::vector<std::string> back = pingUntil(0, "answered", 8.0);
  ASSERT_FALSE(back.empty());
  EXPECT_EQ(back.back(), "answered");
}

}  // namespace
