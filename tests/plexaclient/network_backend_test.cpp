// The services' network backend against small servers and masters on loopback: every page type,
// the master's outcomes, filters on the servers' answers, pings, players, bad answers dropped and
// counted, the number of queries in flight, and requests freed, aborted or left open at shutdown.
#include <algorithm>
#include <chrono>
#include <map>
#include <set>
#include <thread>

#include "plexa/client_api.h"
#include "plexa/iclientmatchmakingservers.h"
#include "plexa_fixture.h"
#include "support/spew_capture.h"
#include "udp_responder.h"

namespace {

using Reply = CUdpResponder::Reply;

std::string Port(uint16_t port) {
  return std::to_string(port);
}
std::string Loopback(uint16_t port) {
  return "127.0.0.1:" + Port(port);
}

// A server answering info and status queries with `pairs` after `delayMs`.
CUdpResponder::Handler Server(std::string pairs, int delayMs, std::string players = "") {
  return [pairs, delayMs, players](std::string_view request) -> std::vector<Reply> {
    const std::string challenge = RequestChallenge(request);
    if (IsRequest(request, "getinfo")) return {{InfoAnswer(challenge, pairs), delayMs}};
    if (IsRequest(request, "getstatus")) return {{StatusAnswer(challenge, pairs, players), delayMs}};
    return {};
  };
}

CUdpResponder::Handler Silent() {
  return [](std::string_view) { return std::vector<Reply>{}; };
}

class NetworkBackend : public PlexaWorldTest {
 protected:
  // The world: two games known by their query names, the network backend bound to loopback.
  void BindNetwork(const std::string &network, const std::string &more = "", const std::string &user = "",
                   const std::string &moreApps = "") {
    ClientAPI_Shutdown();
    Bind(R"("backend" "network"
"apps"
{
  "1002" { "gamedir" "vanguard" "serverbrowsername" "Vanguard Frontier"
           "query" { "family" "q3" "gamename" "VanguardFrontier" "protocol" "71" } }
  "243750" { "gamedir" "skyreach" "common" { "name" "Skyreach" }
             "query" { "gamename" "Skyreach" "protocol" "68" "default" "1" } }
)" + moreApps +
             R"(
}
"network" { "bind" "127.0.0.1" "bind6" "::1" )" +
             network + " }\n" + more,
         user);
    m_pServers = ClientMatchmakingServers();
    ASSERT_NE(m_pServers, nullptr);
  }

  // Runs frames until `done` holds or `seconds` of real time pass.
  template <class Pred>
  bool RunUntil(Pred done, double seconds = 10.0) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done() && std::chrono::steady_clock::now() < end) {
      Frame();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return done();
  }

  int64 Count(const char *name) { return ServicesControl()->GetNetworkCounter(name); }

  IClientMatchmakingServers *m_pServers = nullptr;
  CUdpResponder m_Net;
};

// What a list reported, by kind: names of answered and silent servers, and the outcome.
struct ListSeen {
  std::set<std::string> m_Answered;
  std::set<std::string> m_Silent;
  std::string m_Done;
};

ListSeen Seen(const CListRecorder &list) {
  ListSeen seen;
  for (size_t i = 0; i < list.m_Events.size(); ++i) {
    const std::string &event = list.m_Events[i];
    if (event.rfind("answered", 0) == 0) seen.m_Answered.insert(list.m_Names[i]);
    if (event.rfind("silent", 0) == 0) seen.m_Silent.insert(list.m_Names[i]);
    if (event.rfind("done", 0) == 0) seen.m_Done = event;
  }
  return seen;
}

// Amber (secure, 3 of 16), Birch (full, a relay, two players), Cedar (never answers) of Vanguard
// Frontier; Dune of Skyreach (empty); a master that knows them all.
class NetworkUniverse : public NetworkBackend {
 protected:
  void SetUp() override {
    NetworkBackend::SetUp();
    m_iAmber = m_Net.Add(
        Server(R"(\hostname\^1Amber^7 Hall\mapname\dunes\clients\3\sv_maxclients\16)"
               R"(\g_humanplayers\3\protocol\71\gamename\VanguardFrontier\plexa_secure\1\gametype\0)",
               20));
    m_iBirch = m_Net.Add(Server(R"(\hostname\Birch Yard\mapname\quarry\clients\16\sv_maxclients\16)"
                                R"(\g_humanplayers\14\protocol\71\gamename\VanguardFrontier\plexa_relay\1)",
                                40, "12 50 \"Quill\"\n-1 0 \"^2Rook\"\n"));
    m_iCedar = m_Net.Add(Silent());
    m_iDune = m_Net.Add(Server(R"(\hostname\Dune Deep\mapname\mesa\clients\0\sv_maxclients\32)"
                               R"(\protocol\68\gamename\Skyreach\game\skyreach_ctf)",
                               10));
    const uint16_t amber = m_Net.Port(m_iAmber), birch = m_Net.Port(m_iBirch), cedar = m_Net.Port(m_iCedar),
                   dune = m_Net.Port(m_iDune);
    m_iMaster = m_Net.Add([=](std::string_view request) -> std::vector<Reply> {
      if (request.find("getservers VanguardFrontier 71 empty full") != std::string_view::npos)
        return {{ListAnswer({amber, birch}, false)}, {ListAnswer({cedar, amber}, true)}};
      if (request.find("getservers Skyreach 68 empty full") != std::string_view::npos)
        return {{ListAnswer({dune}, true)}};
      return {};
    });
    m_iUnused = m_Net.Add(Silent());
    m_Net.Start();
  }

  std::string Masters() { return "\"masters\" { \"master\" \"" + Loopback(m_Net.Port(m_iMaster)) + "\" }"; }
  std::string Name(int index) { return Loopback(m_Net.Port(index)); }

  int m_iAmber = 0, m_iBirch = 0, m_iCedar = 0, m_iDune = 0, m_iMaster = 0, m_iUnused = 0;
};

TEST_F(NetworkUniverse, EveryPageTypeSeesItsServers) {
  const std::string lan = "\"lan\" { \"target\" \"" + Name(m_iAmber) + "\" \"target\" \"" + Name(m_iBirch) +
                          "\" \"target\" \"" + Name(m_iUnused) + "\" }";
  const std::string friends =
      "\"friends\" { \"76561197960266729\" { \"name\" \"Tamsin Vale\" \"game\" { "
      "\"gameid\" \"243750\" \"ip\" \"127.0.0.1\" \"gameport\" \"" +
      Port(m_Net.Port(m_iDune)) + "\" } } }";
  const std::string stored = "\"stored\" { \"server\" { \"appid\" \"1002\" \"address\" \"" + Name(m_iAmber) +
                             "\" \"flags\" \"1\" \"lastplayed\" \"1767000000\" }"
                             " \"server\" { \"appid\" \"1002\" \"address\" \"" +
                             Name(m_iCedar) +
                             "\" \"flags\" \"1\" }"
                             " \"server\" { \"appid\" \"1002\" \"address\" \"" +
                             Name(m_iBirch) + "\" \"flags\" \"2\" } }";
  BindNetwork(Masters() + lan, friends, stored);
  EXPECT_STREQ(ServicesControl()->GetServerBackend(), "network");

  struct Case {
    const char *page;
    std::set<std::string> answered;
    std::set<std::string> silent;
  };
  const Case cases[] = {
      {"internet", {"Amber Hall", "Birch Yard", "Dune Deep"}, {Name(m_iCedar)}},
      {"spectate", {"Birch Yard"}, {Name(m_iCedar)}},
      {"lan", {"Amber Hall", "Birch Yard"}, {}},
      {"favorites", {"Amber Hall"}, {Name(m_iCedar)}},
      {"history", {"Birch Yard"}, {}},
      {"friends", {"Dune Deep"}, {}},
  };
  // Every page at once, as the browser's tabs ask.
  CListRecorder lists[std::size(cases)];
  ListRequestHandle requests[std::size(cases)];
  for (size_t i = 0; i < std::size(cases); ++i) {
    const std::string page = cases[i].page;
    CListRecorder *list = &lists[i];
    requests[i] = page == "internet"    ? m_pServers->RequestInternetList(0, nullptr, 0, list)
                  : page == "spectate"  ? m_pServers->RequestSpectatorList(0, nullptr, 0, list)
                  : page == "lan"       ? m_pServers->RequestLanList(0, list)
                  : page == "favorites" ? m_pServers->RequestFavoritesList(0, nullptr, 0, list)
                  : page == "history"   ? m_pServers->RequestHistoryList(0, nullptr, 0, list)
                                        : m_pServers->RequestFriendsList(0, nullptr, 0, list);
  }
  ASSERT_TRUE(RunUntil([&] {
    return std::all_of(std::begin(lists), std::end(lists),
                       [](const CListRecorder &list) { return list.Done(); });
  }));
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case &c = cases[i];
    SCOPED_TRACE(c.page);
    const ListSeen seen = Seen(lists[i]);
    EXPECT_EQ(seen.m_Answered, c.answered);
    EXPECT_EQ(seen.m_Silent, c.silent);
    EXPECT_EQ(lists[i].m_Events.back(), "done 0") << "the outcome comes last";
    EXPECT_EQ(lists[i].m_Events.size(), c.answered.size() + c.silent.size() + 1) << "each server once";
    EXPECT_FALSE(m_pServers->IsListRequestRunning(requests[i]));
    m_pServers->FreeListRequest(requests[i]);
  }
  EXPECT_EQ(ServicesControl()->GetOpenRequestCount(), 0);
  EXPECT_GE(Count("duplicate_entries"), 1) << "Amber was listed twice";
}

TEST_F(NetworkUniverse, RecordsComeFromTheAnswersAndTheCatalogue) {
  const std::string stored = "\"stored\" { \"server\" { \"appid\" \"1002\" \"address\" \"" + Name(m_iAmber) +
                             "\" \"flags\" \"1\" \"lastplayed\" \"1767000000\" } }";
  BindNetwork(Masters(), "", stored);
  CListRecorder list;
  ListRequestHandle request = m_pServers->RequestFavoritesList(0, nullptr, 0, &list);
  ASSERT_TRUE(RunUntil([&] { return list.Done(); }));
  ASSERT_EQ(list.m_Events, (std::vector<std::string>{"answered 0", "done 0"}));
  const ServerRecord *amber = m_pServers->GetListServerRecord(request, 0);
  ASSERT_NE(amber, nullptr);
  EXPECT_TRUE(amber->m_bResponded);
  EXPECT_STREQ(amber->GetName(), "Amber Hall");
  EXPECT_STREQ(amber->GetMap(), "dunes");
  EXPECT_STREQ(amber->GetGameDir(), "vanguard");
  EXPECT_STREQ(amber->GetDescription(), "Vanguard Frontier");
  EXPECT_STREQ(amber->GetTags(), "Free For All");
  EXPECT_EQ(amber->m_nAppId, 1002u);
  EXPECT_EQ(amber->m_nPlayerCount, 3);
  EXPECT_EQ(amber->m_nPlayerLimit, 16);
  EXPECT_TRUE(amber->m_bIsSecure);
  EXPECT_EQ(amber->m_nVersion, 71);
  EXPECT_EQ(amber->m_nLastPlayedTime, 1767000000u);
  EXPECT_EQ(amber->m_NetAdr.GetIP(), 0x7F000001u);
  EXPECT_EQ(amber->m_NetAdr.GetQueryPort(), m_Net.Port(m_iAmber));
  EXPECT_GE(amber->m_nPingMs, 20) << "the server answers after 20 ms";
  EXPECT_LT(amber->m_nPingMs, 1000);
  const uint64 plexaId = amber->m_PlexaId;  // packed: read into an aligned copy
  EXPECT_EQ(plexaId, 0u);
  m_pServers->FreeListRequest(request);

  // A server of a game the catalogue does not name a directory for keeps its own.
  CPingRecorder dune;
  m_pServers->RequestPing(0x7F000001, m_Net.Port(m_iDune), &dune);
  ASSERT_TRUE(RunUntil([&] { return !dune.m_Events.empty(); }));
  EXPECT_STREQ(dune.m_Last.GetGameDir(), "skyreach_ctf");
  EXPECT_STREQ(dune.m_Last.GetDescription(), "Skyreach");
  EXPECT_EQ(dune.m_Last.m_nAppId, 243750u);
}

TEST_F(NetworkUniverse, FiltersApplyToWhatTheServersSay) {
  BindNetwork(Masters());
  struct Case {
    std::vector<std::pair<const char *, const char *>> pairs;
    AppId_t app;
    std::set<std::string> answered;
  };
  const Case cases[] = {
      {{{"gamedir", "VANGUARD"}}, 0, {"Amber Hall", "Birch Yard"}},
      {{{"empty", "1"}}, 0, {"Amber Hall", "Birch Yard"}},
      {{{"full", "1"}}, 0, {"Amber Hall", "Dune Deep"}},
      {{{"secure", "1"}}, 0, {"Amber Hall"}},
      {{{"proxy", "1"}}, 0, {"Birch Yard"}},
      {{{"napp", "1002"}}, 0, {"Dune Deep"}},
      {{}, 243750, {"Dune Deep"}},
      {{{"full", "1"}}, 1002, {"Amber Hall"}},
  };
  CListRecorder lists[std::size(cases)];
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case &c = cases[i];
    std::vector<MatchMakingKeyValuePair_t> filters(c.pairs.size());
    for (size_t p = 0; p < c.pairs.size(); ++p) {
      strcpy(filters[p].m_szKey, c.pairs[p].first);
      strcpy(filters[p].m_szValue, c.pairs[p].second);
    }
    m_pServers->RequestInternetList(c.app, filters.data(), static_cast<uint32>(filters.size()), &lists[i]);
  }
  ASSERT_TRUE(RunUntil([&] {
    return std::all_of(std::begin(lists), std::end(lists),
                       [](const CListRecorder &list) { return list.Done(); });
  }));
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(Seen(lists[i]).m_Answered, cases[i].answered)
        << cases[i].pairs.size() << " pairs, app " << cases[i].app;
  }
}

TEST_F(NetworkUniverse, PingsAreMeasuredAndPlayersComeFromTheStatus) {
  BindNetwork("");
  CPingRecorder birch, cedar, aborted;
  CPlayersRecorder players, cedarPlayers;
  m_pServers->RequestPing(0x7F000001, m_Net.Port(m_iBirch), &birch);
  m_pServers->RequestPing(0x7F000001, m_Net.Port(m_iCedar), &cedar);
  m_pServers->AbortServerRequest(m_pServers->RequestPing(0x7F000001, m_Net.Port(m_iAmber), &aborted));
  m_pServers->RequestPlayers(0x7F000001, m_Net.Port(m_iBirch), &players);
  m_pServers->RequestPlayers(0x7F000001, m_Net.Port(m_iCedar), &cedarPlayers);
  ASSERT_TRUE(RunUntil([&] { return !cedar.m_Events.empty() && !cedarPlayers.m_Events.empty(); }));
  ASSERT_EQ(birch.m_Events.size(), 1u);
  EXPECT_GE(birch.m_Last.m_nPingMs, 40) << "the server answers after 40 ms";
  EXPECT_LT(birch.m_Last.m_nPingMs, 1000);
  EXPECT_STREQ(birch.m_Last.GetName(), "Birch Yard");
  EXPECT_EQ(cedar.m_Events, (std::vector<std::string>{"silent"}));
  EXPECT_TRUE(aborted.m_Events.empty());
  // The protocol does not tell how long a player has played: a negative time.
  EXPECT_EQ(players.m_Events, (std::vector<std::string>{"Quill 12 -1", "Rook -1 -1", "done"}));
  EXPECT_EQ(cedarPlayers.m_Events, (std::vector<std::string>{"silent"}));
  EXPECT_EQ(m_Net.Requests(m_iCedar), 6) << "three sends each for the ping and the player list";
  EXPECT_EQ(ServicesControl()->GetOpenRequestCount(), 0);
}

TEST_F(NetworkUniverse, MasterOutcomesComeFromWhatHappened) {
  const int empty = m_Net.Port(m_iUnused);  // a master that never answers
  CUdpResponder masters;
  const int emptyMaster =
      masters.Add([](std::string_view) -> std::vector<Reply> { return {{ListAnswer({}, true)}}; });
  masters.Start();
  struct Case {
    std::string network;
    std::string done;
  };
  const Case cases[] = {
      {Masters(), "done 0"},
      {"\"masters\" { \"master\" \"" + Loopback(masters.Port(emptyMaster)) + "\" }", "done 2"},
      {"\"masters\" { \"master\" \"" + Loopback(static_cast<uint16_t>(empty)) + "\" }", "done 1"},
      {"", "done 1"},  // no master to ask
      // A silent master beside one that answers: the servers are listed.
      {"\"masters\" { \"master\" \"" + Loopback(static_cast<uint16_t>(empty)) + "\" \"master\" \"" +
           Loopback(m_Net.Port(m_iMaster)) + "\" }",
       "done 0"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.network);
    BindNetwork(c.network + " \"mastertimeout\" \"600\"");
    CListRecorder list;
    // Skyreach's one server answers at once: no silent server keeps the list open.
    m_pServers->RequestInternetList(243750, nullptr, 0, &list);
    ASSERT_TRUE(RunUntil([&] { return list.Done(); }));
    EXPECT_EQ(list.m_Events.back(), c.done);
    if (c.done != "done 0") {
      EXPECT_EQ(list.m_Events.size(), 1u);
    }
  }
}

// Every bad answer arrives before the good one: it is dropped and counted, and the query still
// ends with the good answer.
TEST_F(NetworkBackend, BadAnswersAreDroppedAndCounted) {
  const std::string pairs = R"(\hostname\Fern Ridge\clients\1\sv_maxclients\8\protocol\71)";
  struct Case {
    const char *counter;
    std::function<std::vector<Reply>(const std::string &challenge, int self, int other)> replies;
  };
  const Case cases[] = {
      {"dropped_challenge",
       [&](const std::string &challenge, int, int) {
         return std::vector<Reply>{{InfoAnswer(challenge + "x", pairs)}, {InfoAnswer(challenge, pairs), 20}};
       }},
      {"dropped_challenge",
       [&](const std::string &challenge, int, int) {
         return std::vector<Reply>{{"\xFF\xFF\xFF\xFFinfoResponse\n" + pairs},
                                   {InfoAnswer(challenge, pairs), 20}};
       }},
      {"dropped_foreign",
       [&](const std::string &challenge, int, int other) {
         return std::vector<Reply>{{InfoAnswer(challenge, pairs), 0, other},
                                   {InfoAnswer(challenge, pairs), 20}};
       }},
      {"dropped_malformed",
       [&](const std::string &challenge, int, int) {
         return std::vector<Reply>{{InfoAnswer(challenge, R"(\clients\many)")},
                                   {InfoAnswer(challenge, pairs), 20}};
       }},
      {"dropped_oversized",
       [&](const std::string &challenge, int, int) {
         return std::vector<Reply>{{InfoAnswer(challenge, pairs + "\\pad\\" + std::string(20000, 'p'))},
                                   {InfoAnswer(challenge, pairs), 20}};
       }},
      {"dropped_wrong_command",
       [&](const std::string &challenge, int, int) {
         return std::vector<Reply>{{StatusAnswer(challenge, pairs, "")}, {InfoAnswer(challenge, pairs), 20}};
       }},
      {"dropped_wrong_marker",
       [&](const std::string &challenge, int, int) {
         return std::vector<Reply>{{"infoResponse\n\\challenge\\" + challenge},
                                   {InfoAnswer(challenge, pairs), 20}};
       }},
      // The same answer twice: the second finds the query over.
      {"dropped_foreign",
       [&](const std::string &challenge, int, int) {
         return std::vector<Reply>{{InfoAnswer(challenge, pairs)}, {InfoAnswer(challenge, pairs), 20}};
       }},
  };
  // One server per case, and one more port the foreign answers come from.
  std::vector<int> servers;
  const int other = m_Net.Add(Silent());
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case *c = &cases[i];
    servers.push_back(m_Net.Add([c, other](std::string_view request) -> std::vector<Reply> {
      if (!IsRequest(request, "getinfo")) return {};
      return c->replies(RequestChallenge(request), 0, other);
    }));
  }
  m_Net.Start();
  BindNetwork("");
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    const int64 before = Count(cases[i].counter);
    CPingRecorder ping;
    m_pServers->RequestPing(0x7F000001, m_Net.Port(servers[i]), &ping);
    ASSERT_TRUE(RunUntil([&] { return !ping.m_Events.empty() && Count(cases[i].counter) > before; }));
    EXPECT_EQ(ping.m_Events,
              (std::vector<std::string>{"answered Fern Ridge " + std::to_string(ping.m_Last.m_nPingMs)}));
    EXPECT_EQ(Count(cases[i].counter), before + 1) << cases[i].counter;
  }
}

TEST_F(NetworkBackend, TheNumberInFlightIsBounded) {
  std::vector<uint16_t> ports;
  for (int i = 0; i < 12; ++i) {
    ports.push_back(m_Net.Port(m_Net.Add(Server(
        R"(\hostname\Slate )" + std::to_string(i) + R"(\clients\1\sv_maxclients\8\protocol\71)", 40))));
  }
  const int master =
      m_Net.Add([ports](std::string_view) -> std::vector<Reply> { return {{ListAnswer(ports, true)}}; });
  m_Net.Start();
  BindNetwork("\"inflight\" \"3\" \"masters\" { \"master\" \"" + Loopback(m_Net.Port(master)) + "\" }");
  CListRecorder list;
  m_pServers->RequestInternetList(0, nullptr, 0, &list);
  ASSERT_TRUE(RunUntil([&] { return list.Done(); }));
  EXPECT_EQ(Seen(list).m_Answered.size(), 12u);
  EXPECT_EQ(list.m_Events.back(), "done 0");
  EXPECT_LE(m_Net.PeakOutstanding(), 3);
  EXPECT_LE(Count("peak_in_flight"), 3);
  EXPECT_EQ(Count("in_flight"), 0);
  EXPECT_EQ(Count("waiting"), 0);
}

TEST_F(NetworkUniverse, FreeAndAbortDuringDelivery) {
  BindNetwork(Masters());
  // Freed from inside its first answer: nothing more, and no record.
  CListRecorder freed;
  ListRequestHandle request = m_pServers->RequestInternetList(0, nullptr, 0, &freed);
  freed.m_Action = [&] { m_pServers->FreeListRequest(request); };
  // Stopped from inside its first answer: only the outcome follows.
  CListRecorder stopped;
  ListRequestHandle stoppedRequest = m_pServers->RequestInternetList(0, nullptr, 0, &stopped);
  stopped.m_Action = [&] { m_pServers->StopListRequest(stoppedRequest); };
  // A player list aborted during its first player.
  CPlayersRecorder players;
  const ServerQueryHandle query = m_pServers->RequestPlayers(0x7F000001, m_Net.Port(m_iBirch), &players);
  players.m_Action = [&] { m_pServers->AbortServerRequest(query); };
  ASSERT_TRUE(RunUntil([&] {
    return !freed.m_Events.empty() && stopped.Done() && !players.m_Events.empty();
  })) << freed.m_Events.size()
      << " " << stopped.m_Events.size() << " " << players.m_Events.size();
  // Long enough for every other answer, including the silent server.
  CPingRecorder cedar;
  m_pServers->RequestPing(0x7F000001, m_Net.Port(m_iCedar), &cedar);
  ASSERT_TRUE(RunUntil([&] { return !cedar.m_Events.empty(); }));
  EXPECT_EQ(freed.m_Events.size(), 1u);
  EXPECT_EQ(m_pServers->GetListServerRecord(request, 0), nullptr);
  EXPECT_EQ(stopped.m_Events.size(), 2u);
  EXPECT_EQ(stopped.m_Events.back(), "done 0");
  EXPECT_EQ(players.m_Events, (std::vector<std::string>{"Quill 12 -1"}));
  m_pServers->FreeListRequest(stoppedRequest);
  EXPECT_EQ(ServicesControl()->GetOpenRequestCount(), 0);
}

TEST_F(NetworkUniverse, RepeatAndRequeryAskAgainUnderTheSameIndices) {
  BindNetwork(Masters());
  CListRecorder list;
  ListRequestHandle request = m_pServers->RequestInternetList(1002, nullptr, 0, &list);
  ASSERT_TRUE(RunUntil([&] { return list.Done(); }));
  const std::vector<std::string> first(list.m_Events.begin(), list.m_Events.end());
  std::map<std::string, std::string> indexOf;
  for (size_t i = 0; i + 1 < list.m_Events.size(); ++i) indexOf[list.m_Names[i]] = list.m_Events[i];

  list = CListRecorder();
  m_pServers->RepeatListRequest(request);
  EXPECT_TRUE(m_pServers->IsListRequestRunning(request));
  ASSERT_TRUE(RunUntil([&] { return list.Done(); }));
  for (size_t i = 0; i + 1 < list.m_Events.size(); ++i) EXPECT_EQ(indexOf[list.m_Names[i]], list.m_Events[i]);
  EXPECT_EQ(list.m_Events.size(), first.size());

  list = CListRecorder();
  const int amber = std::stoi(indexOf["Amber Hall"].substr(9));
  m_pServers->RequeryListServer(request, amber);
  ASSERT_TRUE(RunUntil([&] { return !list.m_Events.empty(); }));
  EXPECT_EQ(list.m_Events, (std::vector<std::string>{"answered " + std::to_string(amber)}));
  EXPECT_FALSE(m_pServers->IsListRequestRunning(request));
}

TEST_F(NetworkUniverse, ShutdownWithQueriesOpenReturns) {
  BindNetwork(Masters() + " \"mastertimeout\" \"60000\"");
  CListRecorder list;
  CPingRecorder ping;
  m_pServers->RequestInternetList(0, nullptr, 0, &list);
  m_pServers->RequestPing(0x7F000001, m_Net.Port(m_iCedar), &ping);
  Frame();
  EXPECT_GT(ServicesControl()->GetOpenRequestCount(), 0);
  ClientAPI_Shutdown();
  EXPECT_TRUE(ping.m_Events.empty());
}

TEST_F(NetworkBackend, BadNetworkEntriesAreReportedAndSkipped) {
  SpewCapture spew;
  BindNetwork(R"("masters" { "master" "master.example:27950" "master" "127.0.0.1:0" "master" "[::1]:27950" }
"lan" { "target" "127.0.0.1:27960-29000" "target" "127.0.0.1:27960-27961" } "inflight" "0" "family" "nope")",
              "", "", R"("77" { "query" { "family" "q9" } } "78" { "query" { "protocol" "x" } })");
  for (const char *text : {"master.example:27950", "127.0.0.1:0", "27960-29000", "network/inflight",
                           "\"nope\"", "\"q9\"", "protocol \"x\""}) {
    EXPECT_TRUE(spew.Contains(text)) << text;
  }
  EXPECT_FALSE(spew.Contains("[::1]:27950"));
  EXPECT_EQ(Count("no_such_counter"), -1);
  EXPECT_EQ(Count("dropped_challenge"), 0);
}

}  // namespace
