// Finding a player without a window: the player lists are asked a bounded number at a time, each
// answer or failure lets the next server be asked, the names match the typed text folded (case,
// colour codes), a new text only filters what was collected, a changed server list asks only its
// new servers, the time limit and the end of the search abort what is still open, and an empty
// list asks nobody.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "plexa/iclientmatchmakingservers.h"
#include "serverbrowser/PlayerSearch.h"

namespace {

// The player-list part of the services: every request stays open until the test answers, fails
// or the search aborts it; faces of closed requests are never called again.
class FakePlayerQueries final : public IClientMatchmakingServers {
 public:
  ListRequestHandle RequestInternetList(AppId_t, const MatchMakingKeyValuePair_t *, uint32,
                                        IPlexaMatchmakingServerListResponse *) override {
    return nullptr;
  }
  ListRequestHandle RequestLanList(AppId_t, IPlexaMatchmakingServerListResponse *) override {
    return nullptr;
  }
  ListRequestHandle RequestFriendsList(AppId_t, const MatchMakingKeyValuePair_t *, uint32,
                                       IPlexaMatchmakingServerListResponse *) override {
    return nullptr;
  }
  ListRequestHandle RequestFavoritesList(AppId_t, const MatchMakingKeyValuePair_t *, uint32,
                                         IPlexaMatchmakingServerListResponse *) override {
    return nullptr;
  }
  ListRequestHandle RequestHistoryList(AppId_t, const MatchMakingKeyValuePair_t *, uint32,
                                       IPlexaMatchmakingServerListResponse *) override {
    return nullptr;
  }
  ListRequestHandle RequestSpectatorList(AppId_t, const MatchMakingKeyValuePair_t *, uint32,
                                         IPlexaMatchmakingServerListResponse *) override {
    return nullptr;
  }
  void FreeListRequest(ListRequestHandle) override {}
  ServerRecord *GetListServerRecord(ListRequestHandle, int) override { return nullptr; }
  void StopListRequest(ListRequestHandle) override {}
  void RepeatListRequest(ListRequestHandle) override {}
  bool IsListRequestRunning(ListRequestHandle) override { return false; }
  void RequeryListServer(ListRequestHandle, int) override {}
  ServerQueryHandle RequestPing(uint32, uint16, IPlexaMatchmakingPingResponse *) override {
    return HSERVERQUERY_INVALID;
  }

  ServerQueryHandle RequestPlayers(uint32 ip, uint16 queryPort,
                                   IPlexaMatchmakingPlayersResponse *face) override {
    if (m_bRefuse) return HSERVERQUERY_INVALID;
    const ServerQueryHandle handle = m_nNextHandle++;
    m_Open[handle] = Open{ip, queryPort, face};
    m_Asked.push_back(queryPort);
    m_nMostOpen = std::max(m_nMostOpen, static_cast<int>(m_Open.size()));
    return handle;
  }
  void AbortServerRequest(ServerQueryHandle query) override {
    if (m_Open.erase(query) == 0) ++m_nStaleAborts;
    m_Aborted.push_back(query);
  }

  // ---- the test's side
  // The open request to the server with query port `port`, or HSERVERQUERY_INVALID.
  ServerQueryHandle OpenTo(uint16 port) const {
    for (const auto &[handle, open] : m_Open)
      if (open.port == port) return handle;
    return HSERVERQUERY_INVALID;
  }
  // Sends `names` (some before a failure when `fail`) and closes the request, as the services do.
  void Answer(uint16 port, const std::vector<const char *> &names, bool fail = false) {
    const ServerQueryHandle handle = OpenTo(port);
    ASSERT_NE(handle, HSERVERQUERY_INVALID) << "no open request to port " << port;
    IPlexaMatchmakingPlayersResponse *face = m_Open[handle].face;
    for (const char *name : names) face->OnPlayer(name, 1, 10.0f);
    m_Open.erase(handle);
    if (fail)
      face->OnPlayersSilent();
    else
      face->OnPlayersDone();
  }
  void Fail(uint16 port) { Answer(port, {}, true); }
  std::vector<uint16> OpenPorts() const {
    std::vector<uint16> ports;
    for (const auto &[handle, open] : m_Open) ports.push_back(open.port);
    std::sort(ports.begin(), ports.end());
    return ports;
  }

  struct Open {
    uint32 ip;
    uint16 port;
    IPlexaMatchmakingPlayersResponse *face;
  };
  std::map<ServerQueryHandle, Open> m_Open;
  std::vector<uint16> m_Asked;  // query ports in the order asked
  std::vector<ServerQueryHandle> m_Aborted;
  ServerQueryHandle m_nNextHandle = 100;
  int m_nMostOpen = 0;
  int m_nStaleAborts = 0;
  bool m_bRefuse = false;
};

PlayerSearchServer Server(uint16 port) {
  PlayerSearchServer server;
  server.m_nIP = 0x7F000001u;
  server.m_nQueryPort = port;
  server.m_nConnectionPort = port;
  server.m_nPingMs = port % 100;
  server.m_sName = "Server " + std::to_string(port);
  server.m_sGame = "Ashfall";
  server.m_sMap = "harbor";
  return server;
}

// Servers with query ports first .. first + count - 1.
std::vector<PlayerSearchServer> Servers(uint16 first, int count) {
  std::vector<PlayerSearchServer> servers;
  for (int i = 0; i < count; ++i) servers.push_back(Server(static_cast<uint16>(first + i)));
  return servers;
}

std::vector<uint16> Range(uint16 first, int count) {
  std::vector<uint16> ports;
  for (int i = 0; i < count; ++i) ports.push_back(static_cast<uint16>(first + i));
  return ports;
}

// "player@port" of each match, in order.
std::vector<std::string> Describe(const std::vector<PlayerSearchMatch> &matches) {
  std::vector<std::string> out;
  for (const PlayerSearchMatch &match : matches)
    out.push_back(match.m_sPlayer + "@" + std::to_string(match.m_pServer->m_nQueryPort));
  return out;
}

class PlayerSearchTest : public ::testing::Test {
 protected:
  FakePlayerQueries m_Services;
  int m_nChanges = 0;
  std::unique_ptr<CPlayerSearch> m_pSearch = MakeSearch();

  std::unique_ptr<CPlayerSearch> MakeSearch(int maxInFlight = 8, uint32 timeLimitMs = 30000) {
    auto search = std::make_unique<CPlayerSearch>(&m_Services, maxInFlight, timeLimitMs);
    search->SetChangedCallback([this] { ++m_nChanges; });
    return search;
  }
};

TEST_F(PlayerSearchTest, AsksABoundedNumberAndAnswersOrFailuresAskTheNext) {
  m_pSearch->SetServers(Servers(1000, 20));
  EXPECT_TRUE(m_Services.m_Asked.empty()) << "nobody is asked before the search starts";
  m_pSearch->Start(0);
  EXPECT_EQ(m_Services.OpenPorts(), Range(1000, 8));
  EXPECT_TRUE(m_pSearch->IsRunning());

  m_Services.Answer(1003, {"Wren"});
  EXPECT_EQ(m_Services.OpenPorts().back(), 1008) << "an answer asks the next server";
  m_Services.Fail(1000);
  EXPECT_EQ(m_Services.OpenPorts().back(), 1009) << "a failure asks the next server too";
  EXPECT_EQ(m_pSearch->InFlightCount(), 8);
  EXPECT_EQ(m_pSearch->AskedCount(), 10);
  EXPECT_EQ(m_nChanges, 2);

  // Answer everything still open until the queue is empty, in an order other than asked.
  while (!m_Services.m_Open.empty()) m_Services.Answer(m_Services.OpenPorts().back(), {});
  EXPECT_EQ(m_Services.m_nMostOpen, 8);
  EXPECT_EQ(m_Services.m_Asked.size(), 20u) << "each server asked once";
  EXPECT_FALSE(m_pSearch->IsRunning());
  EXPECT_EQ(m_pSearch->AskedCount(), 20);
  EXPECT_EQ(m_pSearch->UnansweredCount(), 1);
  EXPECT_EQ(m_pSearch->StateOf(0), CPlayerSearch::EServerState::Failed);
  EXPECT_EQ(m_pSearch->StateOf(3), CPlayerSearch::EServerState::Answered);
  EXPECT_EQ(m_Services.m_nStaleAborts, 0);
}

TEST_F(PlayerSearchTest, ServicesThatRefuseARequestCountItAsFailedAndGoOn) {
  m_pSearch = MakeSearch(2);
  m_pSearch->SetServers(Servers(1000, 4));
  m_Services.m_bRefuse = true;
  m_pSearch->Start(0);
  EXPECT_FALSE(m_pSearch->IsRunning()) << "a refused search must not wait for answers forever";
  EXPECT_EQ(m_pSearch->UnansweredCount(), 4);
  EXPECT_EQ(m_pSearch->InFlightCount(), 0);
}

struct MatchCase {
  const char *typed;
  std::vector<std::string> found;
};

TEST_F(PlayerSearchTest, MatchesNamesFoldedWithoutCaseOrColourCodes) {
  m_pSearch->SetServers(Servers(1000, 2));
  m_pSearch->Start(0);
  m_Services.Answer(1000, {"^1Mar^7lowe", "STRASSE", "Quillon"});
  m_Services.Answer(1001, {"marlowe", "Ödön", "Ana^"});
  const MatchCase cases[] = {
      {"marlowe", {"^1Mar^7lowe@1000", "marlowe@1001"}},  // colour codes inside the name
      {"MARL", {"^1Mar^7lowe@1000", "marlowe@1001"}},
      {"straße", {"STRASSE@1000"}},  // full folding: sharp s is ss
      {"ödön", {"Ödön@1001"}},
      {"^1quill", {"Quillon@1000"}},  // colour codes in the typed text too
      {"an", {"Ana^@1001"}},
      {"a^", {"Ana^@1001"}},  // a caret without a digit is text
      {"zed", {}},
      {"", {}},  // an empty text finds nobody
  };
  for (const MatchCase &c : cases) {
    m_pSearch->SetText(c.typed);
    EXPECT_EQ(Describe(m_pSearch->Matches()), c.found) << c.typed;
  }
}

TEST_F(PlayerSearchTest, ANewTextFiltersWhatWasCollectedWithoutAskingAgain) {
  m_pSearch->SetServers(Servers(1000, 3));
  m_pSearch->SetText("wren");
  m_pSearch->Start(0);
  m_Services.Answer(1001, {"Wren", "Tamsin"});
  EXPECT_EQ(Describe(m_pSearch->TakeNewMatches()), std::vector<std::string>{"Wren@1001"});
  EXPECT_TRUE(m_pSearch->TakeNewMatches().empty()) << "taken once";
  m_Services.Answer(1000, {"Wrenna"});
  EXPECT_EQ(Describe(m_pSearch->TakeNewMatches()), std::vector<std::string>{"Wrenna@1000"});

  m_pSearch->SetText("tam");
  EXPECT_EQ(Describe(m_pSearch->Matches()), std::vector<std::string>{"Tamsin@1001"});
  EXPECT_FALSE(m_pSearch->SetServers(Servers(1000, 3))) << "the same list is no change";
  EXPECT_EQ(m_Services.m_Asked.size(), 3u) << "typing asks nobody";
  m_Services.Answer(1002, {"Tamar"});
  EXPECT_EQ(Describe(m_pSearch->TakeNewMatches()), std::vector<std::string>{"Tamar@1002"});
  EXPECT_EQ(Describe(m_pSearch->Matches()), (std::vector<std::string>{"Tamsin@1001", "Tamar@1002"}))
      << "list order, not answer order";
}

TEST_F(PlayerSearchTest, AChangedListAsksOnlyItsNewServersAndDropsTheGoneOnes) {
  m_pSearch->SetServers(Servers(1000, 3));
  m_pSearch->SetText("a");
  m_pSearch->Start(0);
  m_Services.Answer(1000, {"Alder"});
  m_Services.Answer(1001, {"Piet"});
  // 1002 is still open when it leaves the list; 1003 and 1004 are new, 1000 and 1001 stay.
  std::vector<PlayerSearchServer> next = Servers(1000, 2);
  next.push_back(Server(1004));
  next.push_back(Server(1003));
  next.push_back(Server(1004));  // the same address twice is one server
  next[0].m_sName = "Renamed";
  ASSERT_TRUE(m_pSearch->SetServers(next));
  EXPECT_EQ(m_Services.m_Aborted.size(), 1u);
  EXPECT_EQ(m_Services.OpenTo(1002), HSERVERQUERY_INVALID) << "the gone server's query is aborted";
  EXPECT_EQ(m_pSearch->ServerCount(), 4);
  m_pSearch->Start(0);
  EXPECT_EQ(m_Services.OpenPorts(), (std::vector<uint16>{1003, 1004}));
  m_Services.Answer(1004, {"Anwen"});
  m_Services.Answer(1003, {"Aster"});
  const std::vector<PlayerSearchMatch> matches = m_pSearch->Matches();
  EXPECT_EQ(Describe(matches), (std::vector<std::string>{"Alder@1000", "Anwen@1004", "Aster@1003"}));
  EXPECT_EQ(matches[0].m_pServer->m_sName, "Renamed") << "a kept server shows its newest texts";
  EXPECT_EQ(m_Services.m_Asked.size(), 5u);
  EXPECT_EQ(m_Services.m_nStaleAborts, 0);

  // Search again: every server is asked anew and the old answers go.
  m_pSearch->Restart(0);
  EXPECT_EQ(m_Services.OpenPorts(), (std::vector<uint16>{1000, 1001, 1003, 1004}));
  EXPECT_TRUE(m_pSearch->Matches().empty());
}

TEST_F(PlayerSearchTest, TheTimeLimitAbortsWhatIsOpenAndLeavesTheRestOut) {
  m_pSearch = MakeSearch(2, 5000);
  m_pSearch->SetServers(Servers(1000, 5));
  m_pSearch->SetText("o");
  m_pSearch->Start(1000);
  m_Services.Answer(1000, {"Orrin"});
  m_pSearch->Tick(5999);
  EXPECT_TRUE(m_pSearch->IsRunning());
  EXPECT_FALSE(m_pSearch->TimedOut());
  // Part of 1001's list arrived before the time ran out: it is no answer.
  m_Services.m_Open.begin()->second.face->OnPlayer("Oswin", 0, 1.0f);
  m_pSearch->Tick(6000);
  EXPECT_TRUE(m_pSearch->TimedOut());
  EXPECT_FALSE(m_pSearch->IsRunning());
  EXPECT_TRUE(m_Services.m_Open.empty()) << "open queries are aborted";
  EXPECT_EQ(m_Services.m_Asked.size(), 3u) << "waiting servers are not asked";
  EXPECT_EQ(m_pSearch->UnansweredCount(), 4);
  EXPECT_EQ(Describe(m_pSearch->Matches()), std::vector<std::string>{"Orrin@1000"});
  EXPECT_EQ(m_Services.m_nStaleAborts, 0);

  // A later start gives the left-out servers a new time limit; the answered one is not asked again.
  m_pSearch->Start(7000);
  EXPECT_EQ(m_Services.OpenPorts(), (std::vector<uint16>{1001, 1002}));
}

TEST_F(PlayerSearchTest, EndingTheSearchAbortsEveryOpenQueryOnce) {
  m_pSearch->SetServers(Servers(1000, 12));
  m_pSearch->Start(0);
  m_Services.Answer(1002, {"Wren"});
  std::vector<ServerQueryHandle> open;
  for (const auto &[handle, query] : m_Services.m_Open) open.push_back(handle);
  ASSERT_EQ(open.size(), 8u);
  m_pSearch.reset();
  std::sort(m_Services.m_Aborted.begin(), m_Services.m_Aborted.end());
  EXPECT_EQ(m_Services.m_Aborted, open);
  EXPECT_TRUE(m_Services.m_Open.empty()) << "nothing can arrive for a search that is gone";
  EXPECT_EQ(m_Services.m_nStaleAborts, 0) << "finished queries are not aborted";
}

TEST_F(PlayerSearchTest, AnEmptyListAsksNobody) {
  EXPECT_FALSE(m_pSearch->SetServers({}));
  m_pSearch->SetText("wren");
  m_pSearch->Start(0);
  EXPECT_FALSE(m_pSearch->IsRunning());
  EXPECT_EQ(m_pSearch->ServerCount(), 0);
  EXPECT_TRUE(m_Services.m_Asked.empty());
  EXPECT_TRUE(m_pSearch->Matches().empty());
  m_pSearch->Tick(60000);
  EXPECT_FALSE(m_pSearch->TimedOut());
  // Without services nobody is asked either.
  CPlayerSearch offline(nullptr);
  offline.SetServers(Servers(1000, 2));
  offline.Start(0);
  EXPECT_FALSE(offline.IsRunning());
  EXPECT_EQ(offline.UnansweredCount(), 2);
}

}  // namespace
