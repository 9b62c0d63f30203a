// Server lists, pings and player lists of the stand-in, driven through the binding and the pump.
#include <chrono>
#include <set>

#include "plexa/client_api.h"
#include "plexa/iclientmatchmakingservers.h"
#include "plexa_fixture.h"

namespace {

// Five servers; indices of the Internet list: 0 Amber, 1 Birch, 2 Cedar (silent), 3 Elm.
const char *const kServers = R"(
"settings" { "silenttimeout" "1500" }
"servers"
{
  "server" { "address" "10.0.0.1:27015" "name" "Amber Hall" "appid" "1002" "gamedir" "vanguard" "map" "dunes"
             "players" "3" "maxplayers" "16" "latency" "20" "secure" "1" }
  "server" { "address" "10.0.0.2:27015" "queryport" "27016" "name" "Birch Yard" "appid" "1002" "gamedir" "Vanguard"
             "players" "16" "maxplayers" "16" "latency" "80"
             "playerlist" { "p" { "name" "Quill" "score" "12" "time" "3725.9" } "p" { "name" "Rook" "score" "-1" "time" "59" } } }
  "server" { "address" "10.0.0.3:27015" "name" "Cedar Gate" "appid" "1002" "gamedir" "vanguard" "silent" "1" }
  "server" { "address" "10.0.0.4:27015" "name" "Dune LAN" "appid" "1002" "gamedir" "vanguard" "players" "1"
             "maxplayers" "8" "latency" "40" "lists" "lan friends" }
  "server" { "address" "10.0.0.5:27015" "name" "Elm Relay" "appid" "243750" "gamedir" "skyreach" "players" "0"
             "maxplayers" "32" "latency" "30" "proxy" "1" "lists" "internet spectate" }
}
)";

std::string Universe(const char *masterMode = "answers") {
  return std::string("\"master\" { \"mode\" \"") + masterMode + "\" \"latency\" \"10\" }\n" + kServers;
}

class StandInLists : public PlexaWorldTest {
 protected:
  void SetUp() override {
    PlexaWorldTest::SetUp();
    BindWorld(Universe());
  }
  void BindWorld(const std::string &world) {
    ClientAPI_Shutdown();
    Bind(world);
    m_pServers = ClientMatchmakingServers();
    ASSERT_NE(m_pServers, nullptr);
  }
  ListRequestHandle Internet(const std::vector<std::pair<const char *, const char *>> &pairs = {}, AppId_t app = 0) {
    std::vector<MatchMakingKeyValuePair_t> filters(pairs.size());
    for (size_t i = 0; i < pairs.size(); ++i) {
      strcpy(filters[i].m_szKey, pairs[i].first);
      strcpy(filters[i].m_szValue, pairs[i].second);
    }
    return m_pServers->RequestInternetList(app, filters.data(), static_cast<uint32>(filters.size()), &m_List);
  }

  IClientMatchmakingServers *m_pServers = nullptr;
  CListRecorder m_List;
};

TEST_F(StandInLists, InternetListAnswersInLatencyOrderThenSilentServersThenTheOutcome) {
  ListRequestHandle request = Internet();
  ASSERT_NE(request, nullptr);
  EXPECT_TRUE(m_pServers->IsListRequestRunning(request));
  Frame(0.025);  // master 10 ms + Amber 20 ms not yet due
  EXPECT_TRUE(m_List.m_Events.empty());
  Frame(0.010);
  EXPECT_EQ(m_List.m_Events, (std::vector<std::string>{"answered 0"}));

  FramesUntil([&] { return m_List.Done(); });
  EXPECT_EQ(m_List.m_Events,
            (std::vector<std::string>{"answered 0", "answered 3", "answered 1", "silent 2", "done 0"}));
  EXPECT_EQ(m_List.m_Names, (std::vector<std::string>{"Amber Hall", "Elm Relay", "Birch Yard", "10.0.0.3:27015"}));
  EXPECT_FALSE(m_pServers->IsListRequestRunning(request));

  const ServerRecord *amber = m_pServers->GetListServerRecord(request, 0);
  ASSERT_NE(amber, nullptr);
  EXPECT_TRUE(amber->m_bResponded);
  EXPECT_EQ(amber->m_nPingMs, 20);
  EXPECT_EQ(amber->m_nPlayerCount, 3);
  EXPECT_TRUE(amber->m_bIsSecure);
  EXPECT_STREQ(amber->GetMap(), "dunes");
  const ServerRecord *cedar = m_pServers->GetListServerRecord(request, 2);
  ASSERT_NE(cedar, nullptr);
  EXPECT_FALSE(cedar->m_bResponded);
  EXPECT_EQ(cedar->m_NetAdr.GetIP(), 0x0A000003u);
  EXPECT_EQ(cedar->m_nAppId, 1002u);
  EXPECT_EQ(m_pServers->GetListServerRecord(request, 4), nullptr);
  EXPECT_EQ(m_pServers->GetListServerRecord(request, -1), nullptr);
}

TEST_F(StandInLists, ListOutcomes) {
  struct Case {
    const char *master;
    bool filterAll;
    std::vector<std::string> events;
  };
  const Case cases[] = {
      {"answers", true, {"done 2"}},
      {"empty", false, {"done 2"}},
      {"silent", false, {"done 1"}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.master);
    BindWorld(Universe(c.master));
    m_List = CListRecorder();
    ListRequestHandle request = c.filterAll ? Internet({{"gamedir", "nothing_here"}}) : Internet();
    Frame(1.0);
    if (!strcmp(c.master, "silent")) {
      EXPECT_TRUE(m_List.m_Events.empty()) << "given up only after the timeout";
    }
    FramesUntil([&] { return m_List.Done(); }, 0.1);
    EXPECT_EQ(m_List.m_Events, c.events);
    m_pServers->FreeListRequest(request);
  }
  // The master has no say in the LAN list.
  m_List = CListRecorder();
  m_pServers->RequestLanList(0, &m_List);
  FramesUntil([&] { return m_List.Done(); });
  EXPECT_EQ(m_List.m_Events, (std::vector<std::string>{"answered 0", "done 0"}));
}

TEST_F(StandInLists, FilterPairsAndApplicationChooseTheServers) {
  struct Case {
    std::vector<std::pair<const char *, const char *>> pairs;
    AppId_t app;
    std::set<std::string> names;
  };
  const std::set<std::string> everyone = {"Amber Hall", "Birch Yard", "10.0.0.3:27015", "Elm Relay"};
  const Case cases[] = {
      {{}, 0, everyone},
      {{{"gamedir", "VANGUARD"}}, 0, {"Amber Hall", "Birch Yard", "10.0.0.3:27015"}},
      {{{"empty", "1"}}, 0, {"Amber Hall", "Birch Yard"}},
      {{{"full", "1"}}, 0, {"Amber Hall", "10.0.0.3:27015", "Elm Relay"}},
      {{{"secure", "1"}}, 0, {"Amber Hall"}},
      {{{"proxy", "1"}}, 0, {"Elm Relay"}},
      {{{"napp", "1002"}}, 0, {"Elm Relay"}},
      {{{"napp", "500"}, {"empty", "0"}, {"unknownkey", "1"}}, 0, everyone},
      {{}, 243750, {"Elm Relay"}},
      {{{"full", "1"}, {"empty", "1"}}, 1002, {"Amber Hall"}},
  };
  for (const Case &c : cases) {
    m_List = CListRecorder();
    ListRequestHandle request = Internet(c.pairs, c.app);
    FramesUntil([&] { return m_List.Done(); }, 0.1);
    EXPECT_EQ(std::set<std::string>(m_List.m_Names.begin(), m_List.m_Names.end()), c.names)
        << "case with " << c.pairs.size() << " pairs, app " << c.app;
    m_pServers->FreeListRequest(request);
  }
}

TEST_F(StandInLists, SpectateLanAndFriendsListsHoldTheirServers) {
  struct Case {
    const char *kind;
    std::vector<std::string> names;
  };
  for (const Case &c : {Case{"spectate", {"Elm Relay"}}, Case{"lan", {"Dune LAN"}}, Case{"friends", {"Dune LAN"}}}) {
    m_List = CListRecorder();
    ListRequestHandle request = !strcmp(c.kind, "spectate") ? m_pServers->RequestSpectatorList(0, nullptr, 0, &m_List)
                                : !strcmp(c.kind, "lan")    ? m_pServers->RequestLanList(0, &m_List)
                                                            : m_pServers->RequestFriendsList(0, nullptr, 0, &m_List);
    FramesUntil([&] { return m_List.Done(); });
    EXPECT_EQ(m_List.m_Names, c.names) << c.kind;
    m_pServers->FreeListRequest(request);
  }
}

TEST_F(StandInLists, NothingArrivesOnTheFrameThatMadeTheRequest) {
  // A request made while answers are delivered, for a server due at once, waits for the next frame.
  BindWorld(R"("servers" { "server" { "address" "10.1.0.1:27015" "name" "Instant" "latency" "0" "lists" "lan" } })");
  CListRecorder inner;
  ListRequestHandle innerRequest = nullptr;
  m_List.m_Action = [&] {
    if (m_List.Done() && !innerRequest) innerRequest = m_pServers->RequestLanList(0, &inner);
  };
  m_pServers->RequestLanList(0, &m_List);
  Frame(0.0);
  ASSERT_TRUE(m_List.Done());
  EXPECT_NE(innerRequest, nullptr);
  EXPECT_TRUE(inner.m_Events.empty());
  Frame(0.0);
  EXPECT_EQ(inner.m_Events, (std::vector<std::string>{"answered 0", "done 0"}));
}

TEST_F(StandInLists, FrameBudgetSpreadsAnswersOverFramesInOrder) {
  std::string servers = "\"settings\" { \"framebudgetus\" \"2000\" } \"servers\" {";
  for (int i = 0; i < 12; ++i)
    servers += " \"server\" { \"address\" \"10.9.0." + std::to_string(i + 1) + ":27015\" \"latency\" \"" +
               std::to_string(1 + i) + "\" \"lists\" \"lan\" }";
  BindWorld(servers + " }");
  // Each answer costs the page a millisecond: a 2 ms budget lets at most three through a frame.
  m_List.m_Action = [] {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1);
    while (std::chrono::steady_clock::now() < until) {
    }
  };
  m_pServers->RequestLanList(0, &m_List);
  Plat_AdvanceClock(1.0);  // everything is due from the first frame on
  size_t before = 0;
  int frames = 0;
  while (!m_List.Done() && frames < 100) {
    Frame();
    ++frames;
    EXPECT_LE(m_List.m_Events.size() - before, 3u);
    before = m_List.m_Events.size();
  }
  EXPECT_GE(frames, 4);
  std::vector<std::string> expected;
  for (int i = 0; i < 12; ++i) expected.push_back("answered " + std::to_string(i));
  expected.push_back("done 0");
  EXPECT_EQ(m_List.m_Events, expected);
}

TEST_F(StandInLists, StopEndsTheListAndFreeSilencesItForGood) {
  ListRequestHandle stopped = Internet();
  FramesUntil([&] { return !m_List.m_Events.empty(); });
  m_pServers->StopListRequest(stopped);
  EXPECT_FALSE(m_pServers->IsListRequestRunning(stopped));
  FramesUntil([&] { return m_List.Done(); });
  EXPECT_EQ(m_List.m_Events, (std::vector<std::string>{"answered 0", "done 0"}));
  Frame(5.0);
  EXPECT_EQ(m_List.m_Events.size(), 2u);

  // Freed after its first answer, from inside that answer: nothing more, and no record.
  CListRecorder freed;
  ListRequestHandle request = m_pServers->RequestInternetList(0, nullptr, 0, &freed);
  freed.m_Action = [&] { m_pServers->FreeListRequest(request); };
  for (int i = 0; i < 50; ++i) Frame(0.1);
  EXPECT_EQ(freed.m_Events, (std::vector<std::string>{"answered 0"}));
  EXPECT_EQ(m_pServers->GetListServerRecord(request, 0), nullptr);
  EXPECT_FALSE(m_pServers->IsListRequestRunning(request));
  m_pServers->StopListRequest(request);  // unknown handles are ignored
  m_pServers->RequeryListServer(request, 0);
  m_pServers->FreeListRequest(request);
  EXPECT_EQ(ServicesControl()->GetOpenRequestCount(), 0);
}

TEST_F(StandInLists, RepeatAndRequeryAskTheServersAgain) {
  ListRequestHandle request = Internet();
  FramesUntil([&] { return m_List.Done(); });
  m_List = CListRecorder();

  m_pServers->RequeryListServer(request, 1);
  m_pServers->RequeryListServer(request, 2);
  EXPECT_FALSE(m_pServers->IsListRequestRunning(request));
  for (int i = 0; i < 30; ++i) Frame(0.1);
  EXPECT_EQ(m_List.m_Events, (std::vector<std::string>{"answered 1", "silent 2"}));

  m_List = CListRecorder();
  m_pServers->RepeatListRequest(request);
  EXPECT_TRUE(m_pServers->IsListRequestRunning(request));
  FramesUntil([&] { return m_List.Done(); });
  EXPECT_EQ(m_List.m_Events,
            (std::vector<std::string>{"answered 0", "answered 3", "answered 1", "silent 2", "done 0"}));
  for (ListRequestHandle seen : m_List.m_Requests) EXPECT_EQ(seen, request);
}

TEST_F(StandInLists, HandlesAreNeverReused) {
  std::set<ListRequestHandle> lists;
  std::set<ServerQueryHandle> queries;
  CPingRecorder ping;
  for (int i = 0; i < 5; ++i) {
    ListRequestHandle request = Internet();
    EXPECT_TRUE(lists.insert(request).second);
    m_pServers->FreeListRequest(request);
    const ServerQueryHandle query = m_pServers->RequestPing(0x0A000001, 27015, &ping);
    EXPECT_NE(query, HSERVERQUERY_INVALID);
    EXPECT_TRUE(queries.insert(query).second);
    m_pServers->AbortServerRequest(query);
  }
  Frame(5.0);
  EXPECT_TRUE(m_List.m_Events.empty());
  EXPECT_TRUE(ping.m_Events.empty());
  EXPECT_EQ(m_pServers->RequestInternetList(0, nullptr, 0, nullptr), nullptr);
  EXPECT_EQ(m_pServers->RequestPing(0x0A000001, 27015, nullptr), HSERVERQUERY_INVALID);
}

TEST_F(StandInLists, PingsAnswerAfterTheServersLatency) {
  CPingRecorder amber, birch, cedar, nobody, aborted;
  m_pServers->RequestPing(0x0A000001, 27015, &amber);
  m_pServers->RequestPing(0x0A000002, 27016, &birch);  // by query port
  m_pServers->RequestPing(0x0A000003, 27015, &cedar);
  m_pServers->RequestPing(0x0B000001, 27015, &nobody);
  m_pServers->AbortServerRequest(m_pServers->RequestPing(0x0A000001, 27015, &aborted));
  Frame(0.05);
  EXPECT_EQ(amber.m_Events, (std::vector<std::string>{"answered Amber Hall 20"}));
  EXPECT_TRUE(amber.m_Last.m_bResponded);
  EXPECT_TRUE(birch.m_Events.empty());
  Frame(0.05);
  EXPECT_EQ(birch.m_Events, (std::vector<std::string>{"answered Birch Yard 80"}));
  EXPECT_TRUE(cedar.m_Events.empty());
  Frame(1.5);
  EXPECT_EQ(cedar.m_Events, (std::vector<std::string>{"silent"}));
  EXPECT_EQ(nobody.m_Events, (std::vector<std::string>{"silent"}));
  EXPECT_TRUE(aborted.m_Events.empty());
  EXPECT_EQ(ServicesControl()->GetOpenRequestCount(), 0);
}

TEST_F(StandInLists, PlayerListsArriveOnePlayerAtATime) {
  CPlayersRecorder birch, cedar, aborted;
  m_pServers->RequestPlayers(0x0A000002, 27016, &birch);
  m_pServers->RequestPlayers(0x0A000003, 27015, &cedar);
  const ServerQueryHandle abortedQuery = m_pServers->RequestPlayers(0x0A000002, 27016, &aborted);
  aborted.m_Action = [&] { m_pServers->AbortServerRequest(abortedQuery); };
  Frame(2.0);
  EXPECT_EQ(birch.m_Events, (std::vector<std::string>{"Quill 12 3725", "Rook -1 59", "done"}));
  EXPECT_EQ(cedar.m_Events, (std::vector<std::string>{"silent"}));
  // Aborted during its first player: nothing more, not even the end.
  EXPECT_EQ(aborted.m_Events, (std::vector<std::string>{"Quill 12 3725"}));
}

// A server slower than the silent timeout is given up at the timeout as a silent one, so no
// latency a world can give (up to the largest int) keeps a list, a ping or a player list open.
TEST_F(StandInLists, AnswersSlowerThanTheTimeoutAreGivenUpAtTheTimeout) {
  BindWorld(R"("master" { "mode" "answers" "latency" "0" }
"settings" { "silenttimeout" "1500" }
"servers"
{
  "server" { "address" "10.2.0.1:27015" "name" "Slow Moor" "latency" "2147483647" "players" "1"
             "playerlist" { "p" { "name" "Wren" "score" "1" "time" "5" } } }
  "server" { "address" "10.2.0.2:27015" "name" "Edge Moor" "latency" "1500" }
  "server" { "address" "10.2.0.3:27015" "name" "Late Moor" "latency" "1501" }
})");
  ListRequestHandle request = Internet();
  CPingRecorder slowPing, edgePing;
  CPlayersRecorder slowPlayers;
  m_pServers->RequestPing(0x0A020001, 27015, &slowPing);
  m_pServers->RequestPing(0x0A020002, 27015, &edgePing);
  m_pServers->RequestPlayers(0x0A020001, 27015, &slowPlayers);
  Frame(1.49);
  EXPECT_TRUE(m_List.m_Events.empty());
  EXPECT_TRUE(slowPing.m_Events.empty());
  Frame(0.02);
  EXPECT_EQ(m_List.m_Events, (std::vector<std::string>{"silent 0", "answered 1", "silent 2", "done 0"}))
      << "a latency equal to the timeout still answers";
  EXPECT_FALSE(m_pServers->IsListRequestRunning(request));
  EXPECT_FALSE(m_pServers->GetListServerRecord(request, 0)->m_bResponded);
  EXPECT_EQ(slowPing.m_Events, (std::vector<std::string>{"silent"}));
  EXPECT_EQ(edgePing.m_Events, (std::vector<std::string>{"answered Edge Moor 1500"}));
  EXPECT_EQ(slowPlayers.m_Events, (std::vector<std::string>{"silent"}));
  EXPECT_EQ(ServicesControl()->GetOpenRequestCount(), 0);

  // The same for the master: one slower than the timeout has not responded.
  BindWorld(R"("master" { "mode" "answers" "latency" "2147483647" }
"settings" { "silenttimeout" "1500" }
"servers" { "server" { "address" "10.2.0.2:27015" "name" "Edge Moor" "latency" "10" } })");
  m_List = CListRecorder();
  request = Internet();
  Frame(1.49);
  EXPECT_TRUE(m_List.m_Events.empty());
  Frame(0.02);
  EXPECT_EQ(m_List.m_Events, (std::vector<std::string>{"done 1"}));
  EXPECT_FALSE(m_pServers->IsListRequestRunning(request));
  EXPECT_EQ(ServicesControl()->GetOpenRequestCount(), 0);
}

}  // namespace
