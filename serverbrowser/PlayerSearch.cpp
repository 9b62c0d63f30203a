#include "serverbrowser/PlayerSearch.h"

#include <algorithm>
#include <map>
#include <unordered_set>
#include <utility>

#include "plexa/iclientmatchmakingservers.h"
#include "serverbrowser/SearchFold.h"
#include "tier0/platform.h"

// One server of the search and its player-list query: the services answer through it, so each
// query in flight has a face of its own.
class CPlayerSearch::CServerQuery final : public IPlexaMatchmakingPlayersResponse {
 public:
  CServerQuery(CPlayerSearch &owner, PlayerSearchServer server)
      : m_Owner(owner), m_Server(std::move(server)) {}

  void OnPlayer(const char *name, int score, float timePlayedSeconds) override {
    (void)score;
    (void)timePlayedSeconds;
    m_Players.emplace_back(name ? name : "");
    m_FoldedPlayers.push_back(FoldForSearch(m_Players.back()));
  }
  void OnPlayersSilent() override { m_Owner.Finished(*this, false); }
  void OnPlayersDone() override { m_Owner.Finished(*this, true); }

  void Forget() {
    m_Players.clear();
    m_FoldedPlayers.clear();
  }

  CPlayerSearch &m_Owner;
  PlayerSearchServer m_Server;
  EServerState m_eState = EServerState::Waiting;
  ServerQueryHandle m_hQuery = HSERVERQUERY_INVALID;
  std::vector<std::string> m_Players;
  std::vector<std::string> m_FoldedPlayers;  // the same names folded, compared on each keystroke
};

namespace {

uint64 AddressKey(uint32 ip, uint16 queryPort) {
  return (static_cast<uint64>(ip) << 16) | queryPort;
}

}  // namespace

CPlayerSearch::CPlayerSearch(IClientMatchmakingServers *services, int maxInFlight, uint32 timeLimitMs)
    : m_pServices(services), m_nMaxInFlight(maxInFlight > 0 ? maxInFlight : 1), m_nTimeLimitMs(timeLimitMs) {}

CPlayerSearch::~CPlayerSearch() {
  m_Changed = nullptr;
  Abort();
}

// ---- the servers and the queries

bool CPlayerSearch::SetServers(const std::vector<PlayerSearchServer> &servers) {
  std::map<uint64, std::unique_ptr<CServerQuery>> kept;
  for (std::unique_ptr<CServerQuery> &query : m_Servers)
    kept.emplace(AddressKey(query->m_Server.m_nIP, query->m_Server.m_nQueryPort), std::move(query));

  bool changed = false;
  std::vector<std::unique_ptr<CServerQuery>> next;
  next.reserve(servers.size());
  std::unordered_set<uint64> listed;
  for (const PlayerSearchServer &server : servers) {
    const uint64 key = AddressKey(server.m_nIP, server.m_nQueryPort);
    // The same address twice in a list is asked once.
    if (!listed.insert(key).second) continue;
    auto found = kept.find(key);
    if (found == kept.end()) {
      next.push_back(std::make_unique<CServerQuery>(*this, server));
      changed = true;
      continue;
    }
    // A kept server shows its newest texts and latency.
    found->second->m_Server = server;
    next.push_back(std::move(found->second));
    kept.erase(found);
  }
  for (auto &[key, gone] : kept) {
    AbortQuery(*gone);
    std::erase(m_NewlyAnswered, gone.get());
    changed = true;
  }
  m_Servers = std::move(next);
  m_nNextWaiting = 0;
  while (m_nNextWaiting < m_Servers.size() && m_Servers[m_nNextWaiting]->m_eState != EServerState::Waiting)
    ++m_nNextWaiting;
  return changed;
}

void CPlayerSearch::Start(uint32 nowMs) {
  // Servers the last time limit left out get their turn in this one.
  for (size_t i = 0; i < m_Servers.size(); ++i) {
    if (m_Servers[i]->m_eState != EServerState::NotAsked) continue;
    m_Servers[i]->m_eState = EServerState::Waiting;
    m_nNextWaiting = std::min(m_nNextWaiting, i);
  }
  m_bStarted = true;
  m_bTimedOut = false;
  m_nDeadlineMs = nowMs + m_nTimeLimitMs;
  AskWaiting();
}

void CPlayerSearch::Restart(uint32 nowMs) {
  Abort();
  for (std::unique_ptr<CServerQuery> &query : m_Servers) {
    query->Forget();
    query->m_eState = EServerState::Waiting;
  }
  m_NewlyAnswered.clear();
  m_nNextWaiting = 0;
  Start(nowMs);
}

void CPlayerSearch::Tick(uint32 nowMs) {
  if (!IsRunning() || !Plat_MSTimeReached(nowMs, m_nDeadlineMs)) return;
  Abort();
  m_bTimedOut = true;
  if (m_Changed) m_Changed();
}

void CPlayerSearch::Abort() {
  for (std::unique_ptr<CServerQuery> &query : m_Servers) {
    AbortQuery(*query);
    if (query->m_eState == EServerState::Waiting) query->m_eState = EServerState::NotAsked;
  }
  m_nNextWaiting = m_Servers.size();
}

void CPlayerSearch::AbortQuery(CServerQuery &query) {
  if (query.m_eState != EServerState::Asking) return;
  // A handle goes back at once: the services may give its number to another request later.
  const ServerQueryHandle handle = std::exchange(query.m_hQuery, HSERVERQUERY_INVALID);
  if (handle != HSERVERQUERY_INVALID && m_pServices) m_pServices->AbortServerRequest(handle);
  // What arrived before the abort is only part of the list: it is not shown as an answer.
  query.Forget();
  query.m_eState = EServerState::NotAsked;
  --m_nInFlight;
}

void CPlayerSearch::AskWaiting() {
  while (m_nInFlight < m_nMaxInFlight && m_nNextWaiting < m_Servers.size()) {
    CServerQuery &query = *m_Servers[m_nNextWaiting++];
    if (query.m_eState != EServerState::Waiting) continue;
    query.Forget();
    query.m_eState = EServerState::Asking;
    ++m_nInFlight;
    const ServerQueryHandle handle =
        m_pServices ? m_pServices->RequestPlayers(query.m_Server.m_nIP, query.m_Server.m_nQueryPort, &query)
                    : HSERVERQUERY_INVALID;
    // Refused at once: counted as a failure so the queue goes on.
    if (handle == HSERVERQUERY_INVALID) {
      query.m_eState = EServerState::Failed;
      --m_nInFlight;
      continue;
    }
    // Services that answered within the call have closed the query already.
    if (query.m_eState == EServerState::Asking) query.m_hQuery = handle;
  }
}

void CPlayerSearch::Finished(CServerQuery &query, bool answered) {
  // An answer for a query no longer asked (the services should send none) changes nothing.
  if (query.m_eState != EServerState::Asking) return;
  query.m_hQuery = HSERVERQUERY_INVALID;
  query.m_eState = answered ? EServerState::Answered : EServerState::Failed;
  if (answered)
    m_NewlyAnswered.push_back(&query);
  else
    query.Forget();
  --m_nInFlight;
  AskWaiting();
  if (m_Changed) m_Changed();
}

// ---- matching

void CPlayerSearch::SetText(std::string_view text) {
  m_sFoldedText = FoldForSearch(text);
  m_NewlyAnswered.clear();
}

bool CPlayerSearch::Matches(const CServerQuery &query, size_t player) const {
  return !m_sFoldedText.empty() && query.m_FoldedPlayers[player].find(m_sFoldedText) != std::string::npos;
}

void CPlayerSearch::AppendMatches(const CServerQuery &query, std::vector<PlayerSearchMatch> &out) const {
  for (size_t i = 0; i < query.m_Players.size(); ++i) {
    if (Matches(query, i)) out.push_back(PlayerSearchMatch{query.m_Players[i], &query.m_Server});
  }
}

std::vector<PlayerSearchMatch> CPlayerSearch::Matches() const {
  std::vector<PlayerSearchMatch> matches;
  for (const std::unique_ptr<CServerQuery> &query : m_Servers) {
    if (query->m_eState == EServerState::Answered) AppendMatches(*query, matches);
  }
  return matches;
}

std::vector<PlayerSearchMatch> CPlayerSearch::TakeNewMatches() {
  std::vector<PlayerSearchMatch> matches;
  for (const CServerQuery *query : m_NewlyAnswered) AppendMatches(*query, matches);
  m_NewlyAnswered.clear();
  return matches;
}

// ---- counts

int CPlayerSearch::AskedCount() const {
  int asked = 0;
  for (const std::unique_ptr<CServerQuery> &query : m_Servers) {
    const EServerState state = query->m_eState;
    if (state == EServerState::Asking || state == EServerState::Answered || state == EServerState::Failed)
      ++asked;
  }
  return asked;
}

int CPlayerSearch::UnansweredCount() const {
  int unanswered = 0;
  for (const std::unique_ptr<CServerQuery> &query : m_Servers) {
    if (query->m_eState == EServerState::Failed || query->m_eState == EServerState::NotAsked) ++unanswered;
  }
  return unanswered;
}

CPlayerSearch::EServerState CPlayerSearch::StateOf(size_t server) const {
  return server < m_Servers.size() ? m_Servers[server]->m_eState : EServerState::NotAsked;
}
