#include "plexaclient/matchmaking_servers.h"

#include <chrono>
#include <cstring>

#include "plexaclient/client_services.h"
#include "plexaclient/network_backend.h"
#include "plexaclient/simulated_backend.h"
#include "tier0/dbg.h"

namespace {

// Handles are counted for the life of the process, so none is ever handed out twice.
uintptr_t g_nNextListHandle = 1;
ServerQueryHandle g_nNextQueryHandle = 1;

int64 SteadyNowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

CClientMatchmakingServers::CClientMatchmakingServers(CClientServices &services)
    : m_Services(services), m_pSimulated(std::make_unique<CSimulatedBackend>(services)) {}

CClientMatchmakingServers::~CClientMatchmakingServers() {
  Clear();
}

IServerBackend &CClientMatchmakingServers::Backend() {
  const CPlexaWorld &world = m_Services.World();
  if (world.Backend() != EServerBackend::Network) return *m_pSimulated;
  if (!m_pNetwork) {
    m_pNetwork = std::make_unique<CNetworkBackend>(m_Services, *this);
  } else {
    m_pNetwork->ApplySettings(world.Network());
  }
  return *m_pNetwork;
}

const char *CClientMatchmakingServers::BackendName() const {
  return m_Services.World().Backend() == EServerBackend::Network ? "network" : "simulated";
}

int64 CClientMatchmakingServers::NetworkCounter(const char *name) const {
  for (int counter = 0; counter < k_NetCounterCount; ++counter) {
    if (name && !strcmp(name, NetCounterName(counter))) return m_pNetwork ? m_pNetwork->Counter(counter) : 0;
  }
  return -1;
}

ListRequestHandle CClientMatchmakingServers::RequestInternetList(
    AppId_t appId, const MatchMakingKeyValuePair_t *filters, uint32 filterCount,
    IPlexaMatchmakingServerListResponse *response) {
  return MakeList(EListKind::Internet, appId, filters, filterCount, response);
}

ListRequestHandle CClientMatchmakingServers::RequestLanList(AppId_t appId,
                                                            IPlexaMatchmakingServerListResponse *response) {
  return MakeList(EListKind::Lan, appId, nullptr, 0, response);
}

ListRequestHandle CClientMatchmakingServers::RequestFriendsList(
    AppId_t appId, const MatchMakingKeyValuePair_t *filters, uint32 filterCount,
    IPlexaMatchmakingServerListResponse *response) {
  return MakeList(EListKind::Friends, appId, filters, filterCount, response);
}

ListRequestHandle CClientMatchmakingServers::RequestFavoritesList(
    AppId_t appId, const MatchMakingKeyValuePair_t *filters, uint32 filterCount,
    IPlexaMatchmakingServerListResponse *response) {
  return MakeList(EListKind::Favorites, appId, filters, filterCount, response);
}

ListRequestHandle CClientMatchmakingServers::RequestHistoryList(
    AppId_t appId, const MatchMakingKeyValuePair_t *filters, uint32 filterCount,
    IPlexaMatchmakingServerListResponse *response) {
  return MakeList(EListKind::History, appId, filters, filterCount, response);
}

ListRequestHandle CClientMatchmakingServers::RequestSpectatorList(
    AppId_t appId, const MatchMakingKeyValuePair_t *filters, uint32 filterCount,
    IPlexaMatchmakingServerListResponse *response) {
  return MakeList(EListKind::Spectate, appId, filters, filterCount, response);
}

ListRequestHandle CClientMatchmakingServers::MakeList(EListKind kind, AppId_t appId,
                                                      const MatchMakingKeyValuePair_t *filters,
                                                      uint32 filterCount,
                                                      IPlexaMatchmakingServerListResponse *response) {
  if (!response) return nullptr;
  const CListFilter filter(filters, filterCount);
  std::unique_ptr<IServerList> request =
      Backend().MakeList(kind, appId, filter, response, Plat_FloatTime(), m_Services.Frame());
  const uintptr_t handle = g_nNextListHandle++;
  m_mapLists[handle] = std::move(request);
  return reinterpret_cast<ListRequestHandle>(handle);
}

IServerList *CClientMatchmakingServers::FindList(ListRequestHandle request) const {
  auto it = m_mapLists.find(reinterpret_cast<uintptr_t>(request));
  return it == m_mapLists.end() ? nullptr : it->second.get();
}

void CClientMatchmakingServers::FreeListRequest(ListRequestHandle request) {
  auto it = m_mapLists.find(reinterpret_cast<uintptr_t>(request));
  if (it == m_mapLists.end()) return;
  // The request may be the one whose answer is being delivered: keep it alive until that returns.
  if (m_bDelivering) m_vecRetired.push_back(std::move(it->second));
  m_mapLists.erase(it);
}

ServerRecord *CClientMatchmakingServers::GetListServerRecord(ListRequestHandle request, int index) {
  IServerList *list = FindList(request);
  return list ? list->Record(index) : nullptr;
}

void CClientMatchmakingServers::StopListRequest(ListRequestHandle request) {
  if (IServerList *list = FindList(request)) list->Stop(Plat_FloatTime(), m_Services.Frame());
}

void CClientMatchmakingServers::RepeatListRequest(ListRequestHandle request) {
  if (IServerList *list = FindList(request)) list->Repeat(Plat_FloatTime(), m_Services.Frame());
}

bool CClientMatchmakingServers::IsListRequestRunning(ListRequestHandle request) {
  IServerList *list = FindList(request);
  return list && list->IsRunning();
}

void CClientMatchmakingServers::RequeryListServer(ListRequestHandle request, int index) {
  if (IServerList *list = FindList(request)) list->Requery(index, Plat_FloatTime(), m_Services.Frame());
}

ServerQueryHandle CClientMatchmakingServers::RequestPing(uint32 ip, uint16 queryPort,
                                                         IPlexaMatchmakingPingResponse *response) {
  return response ? MakeQuery(ip, queryPort, response, nullptr) : HSERVERQUERY_INVALID;
}

ServerQueryHandle CClientMatchmakingServers::RequestPlayers(uint32 ip, uint16 queryPort,
                                                            IPlexaMatchmakingPlayersResponse *response) {
  return response ? MakeQuery(ip, queryPort, nullptr, response) : HSERVERQUERY_INVALID;
}

ServerQueryHandle CClientMatchmakingServers::MakeQuery(uint32 ip, uint16 queryPort,
                                                       IPlexaMatchmakingPingResponse *ping,
                                                       IPlexaMatchmakingPlayersResponse *players) {
  const ServerQueryHandle handle = g_nNextQueryHandle++;
  PendingQuery &query = m_mapQueries[handle];
  query.m_pPing = ping;
  query.m_pPlayers = players;
  query.m_uFrame = m_Services.Frame();
  query.m_pBackend = &Backend();
  query.m_pBackend->StartQuery(handle, ip, queryPort, query);
  if (query.m_bReady) NoteReady(handle, query);
  return handle;
}

void CClientMatchmakingServers::NoteReady(ServerQueryHandle handle, const PendingQuery &query) {
  m_setQueriesDue.insert({query.m_flDue, handle});
}

void CClientMatchmakingServers::CompleteQuery(ServerQueryHandle handle, QueryOutcome outcome) {
  auto it = m_mapQueries.find(handle);
  if (it == m_mapQueries.end()) return;
  it->second.m_bReady = true;
  it->second.m_flDue = 0.0;
  it->second.m_Outcome = std::move(outcome);
  NoteReady(handle, it->second);
}

void CClientMatchmakingServers::AbortServerRequest(ServerQueryHandle query) {
  if (query == m_hDeliveringQuery) m_bDeliveringQueryAborted = true;
  auto it = m_mapQueries.find(query);
  if (it == m_mapQueries.end()) return;
  IServerBackend *backend = it->second.m_pBackend;
  m_mapQueries.erase(it);
  if (backend) backend->CancelQuery(query);
}

void CClientMatchmakingServers::RunFrame(double now, uint64 frame) {
  if (m_pNetwork) m_pNetwork->RunFrame(now, frame);
  m_bDelivering = true;
  m_nFrameDeadlineNs =
      SteadyNowNs() + static_cast<int64>(m_Services.World().Settings().m_nFrameBudgetUs) * 1000;
  if (DeliverQueries(now, frame)) DeliverLists(now, frame);
  m_bDelivering = false;
  m_vecRetired.clear();
}

bool CClientMatchmakingServers::OverBudget() const {
  return SteadyNowNs() > m_nFrameDeadlineNs;
}

// Visits only the queries whose outcome is known, so a frame costs what it delivers, not what
// is open.
bool CClientMatchmakingServers::DeliverQueries(double now, uint64 frame) {
  while (!m_setQueriesDue.empty() && m_setQueriesDue.begin()->first <= now) {
    m_setQueriesReady.insert(m_setQueriesDue.begin()->second);
    m_setQueriesDue.erase(m_setQueriesDue.begin());
  }
  // Handles grow, so walking upwards from the last one delivered visits each query once even when
  // a response makes new ones (those are due on a later frame anyway).
  for (auto ready = m_setQueriesReady.begin(); ready != m_setQueriesReady.end();) {
    const ServerQueryHandle handle = *ready;
    auto it = m_mapQueries.find(handle);
    if (it == m_mapQueries.end()) {  // aborted
      ready = m_setQueriesReady.erase(ready);
      continue;
    }
    if (frame <= it->second.m_uFrame) {  // asked this frame: delivered on a later one
      ++ready;
      continue;
    }
    m_setQueriesReady.erase(ready);
    const PendingQuery taken = std::move(it->second);
    m_mapQueries.erase(it);  // finished before its answer runs: aborting it then is a no-op
    DeliverQuery(handle, taken);
    if (OverBudget()) return false;
    ready = m_setQueriesReady.upper_bound(handle);
  }
  return true;
}

void CClientMatchmakingServers::DeliverQuery(ServerQueryHandle handle, const PendingQuery &query) {
  const QueryOutcome &outcome = query.m_Outcome;
  m_hDeliveringQuery = handle;
  m_bDeliveringQueryAborted = false;
  if (query.m_pPing) {
    if (outcome.m_bAnswered) {
      ServerRecord record = outcome.m_Record;
      // As in favourites and history lists: a stored server answers with the time the store
      // keeps, so a row built from this answer shows when the user last played there.
      const ServerAddress &adr = record.m_NetAdr;
      const StoredServer *stored = m_Services.Store().Lookup(adr.GetIP(), adr.GetConnectionPort());
      if (stored && stored->m_nLastPlayed) record.m_nLastPlayedTime = stored->m_nLastPlayed;
      query.m_pPing->OnPingAnswered(record);
    } else {
      query.m_pPing->OnPingSilent();
    }
  } else if (!outcome.m_bAnswered) {
    query.m_pPlayers->OnPlayersSilent();
  } else {
    for (const SimPlayer &player : outcome.m_Players) {
      query.m_pPlayers->OnPlayer(player.m_Name.c_str(), player.m_nScore, player.m_flTimePlayed);
      if (m_bDeliveringQueryAborted) break;
    }
    if (!m_bDeliveringQueryAborted) query.m_pPlayers->OnPlayersDone();
  }
  m_hDeliveringQuery = HSERVERQUERY_INVALID;
}

bool CClientMatchmakingServers::DeliverLists(double now, uint64 frame) {
  for (auto it = m_mapLists.begin(); it != m_mapLists.end();) {
    const uintptr_t handleValue = it->first;
    const auto handle = reinterpret_cast<ListRequestHandle>(handleValue);
    // The request is looked up again after every answer: the response may free, stop or repeat it.
    for (IServerList *list = it->second.get(); list; list = FindList(handle)) {
      ServerListEvent event;
      if (!list->TakeDue(now, frame, event)) break;
      IPlexaMatchmakingServerListResponse *response = list->Response();
      switch (event.m_eKind) {
        case ServerListEvent::Kind::Answered:
          response->OnServerAnswered(handle, event.m_iIndex);
          break;
        case ServerListEvent::Kind::Silent:
          response->OnServerSilent(handle, event.m_iIndex);
          break;
        case ServerListEvent::Kind::Done:
          response->OnListDone(handle, event.m_eOutcome);
          break;
      }
      if (OverBudget()) return false;
    }
    it = m_mapLists.upper_bound(handleValue);
  }
  return true;
}

int CClientMatchmakingServers::OpenRequestCount() const {
  int count = static_cast<int>(m_mapQueries.size());
  for (const auto &entry : m_mapLists) count += entry.second->HasPendingEvents() ? 1 : 0;
  return count;
}

void CClientMatchmakingServers::Clear() {
  // Lists and queries go first: they hand their open network queries back to the backend.
  m_mapLists.clear();
  m_vecRetired.clear();
  m_mapQueries.clear();
  m_setQueriesDue.clear();
  m_setQueriesReady.clear();
  m_pNetwork.reset();
}
