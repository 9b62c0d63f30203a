#include "plexaclient/matchmaking_servers.h"

#include <chrono>
#include <cstring>
#include <string>

#include "kstdlib/strtools.h"
#include "plexaclient/client_services.h"
#include "tier0/dbg.h"

namespace {

// Handles are counted for the life of the process, so none is ever handed out twice.
uintptr_t g_nNextListHandle = 1;
ServerQueryHandle g_nNextQueryHandle = 1;

int64 SteadyNowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// A pair's text up to its field's end, even when the caller left out the NUL.
std::string FieldText(const char (&field)[256]) { return std::string(field, strnlen(field, sizeof(field))); }

// The filter pairs a list request honours; unknown keys are ignored.
struct ListFilter {
  std::string m_GameDir;
  bool m_bHideEmpty = false;
  bool m_bHideFull = false;
  bool m_bSecureOnly = false;
  bool m_bProxyOnly = false;
  std::vector<AppId_t> m_ExcludedApps;

  ListFilter(const MatchMakingKeyValuePair_t *pairs, uint32 count) {
    for (uint32 i = 0; pairs && i < count; ++i) {
      const std::string key = FieldText(pairs[i].m_szKey);
      const std::string value = FieldText(pairs[i].m_szValue);
      const bool on = value == "1";
      if (!V_stricmp(key.c_str(), "gamedir")) m_GameDir = value;
      else if (!V_stricmp(key.c_str(), "empty")) m_bHideEmpty = on;
      else if (!V_stricmp(key.c_str(), "full")) m_bHideFull = on;
      else if (!V_stricmp(key.c_str(), "secure")) m_bSecureOnly = on;
      else if (!V_stricmp(key.c_str(), "proxy")) m_bProxyOnly = on;
      else if (!V_stricmp(key.c_str(), "napp")) AddExcludedApp(value);
    }
  }

  void AddExcludedApp(const std::string &value) {
    const char *end = nullptr;
    bool overflow = false;
    const uint64 appId = V_StringToUint64(value.c_str(), &end, &overflow);
    if (end != value.c_str() && *end == '\0' && !overflow && appId <= 0xFFFFFFFFu)
      m_ExcludedApps.push_back(static_cast<AppId_t>(appId));
  }

  bool Passes(const SimServer &server) const {
    const ServerRecord &record = server.m_Record;
    if (!m_GameDir.empty() && V_stricmp(m_GameDir.c_str(), record.GetGameDir()) != 0) return false;
    if (m_bHideEmpty && record.m_nPlayerCount <= 0) return false;
    if (m_bHideFull && record.m_nPlayerLimit > 0 && record.m_nPlayerCount >= record.m_nPlayerLimit) return false;
    if (m_bSecureOnly && !record.m_bIsSecure) return false;
    if (m_bProxyOnly && !server.m_bProxy) return false;
    for (AppId_t excluded : m_ExcludedApps) {
      if (record.m_nAppId == excluded) return false;
    }
    return true;
  }
};

// What a list shows of a server before it answers: where it is and what it belongs to.
ServerRecord UnansweredRecord(uint32 ip, uint16 connPort, uint16 queryPort, AppId_t appId, uint32 lastPlayed) {
  ServerRecord record{};
  record.m_NetAdr.Init(ip, queryPort, connPort);
  record.m_nAppId = appId;
  record.m_nLastPlayedTime = lastPlayed;
  return record;
}

}  // namespace

ListRequestHandle CClientMatchmakingServers::RequestInternetList(AppId_t appId, const MatchMakingKeyValuePair_t *filters,
                                                                 uint32 filterCount,
                                                                 IPlexaMatchmakingServerListResponse *response) {
  return MakeList(EListKind::Internet, appId, filters, filterCount, response);
}

ListRequestHandle CClientMatchmakingServers::RequestLanList(AppId_t appId,
                                                            IPlexaMatchmakingServerListResponse *response) {
  return MakeList(EListKind::Lan, appId, nullptr, 0, response);
}

ListRequestHandle CClientMatchmakingServers::RequestFriendsList(AppId_t appId, const MatchMakingKeyValuePair_t *filters,
                                                                uint32 filterCount,
                                                                IPlexaMatchmakingServerListResponse *response) {
  return MakeList(EListKind::Friends, appId, filters, filterCount, response);
}

ListRequestHandle CClientMatchmakingServers::RequestFavoritesList(AppId_t appId,
                                                                  const MatchMakingKeyValuePair_t *filters,
                                                                  uint32 filterCount,
                                                                  IPlexaMatchmakingServerListResponse *response) {
  return MakeList(EListKind::Favorites, appId, filters, filterCount, response);
}

ListRequestHandle CClientMatchmakingServers::RequestHistoryList(AppId_t appId, const MatchMakingKeyValuePair_t *filters,
                                                                uint32 filterCount,
                                                                IPlexaMatchmakingServerListResponse *response) {
  return MakeList(EListKind::History, appId, filters, filterCount, response);
}

ListRequestHandle CClientMatchmakingServers::RequestSpectatorList(AppId_t appId,
                                                                  const MatchMakingKeyValuePair_t *filters,
                                                                  uint32 filterCount,
                                                                  IPlexaMatchmakingServerListResponse *response) {
  return MakeList(EListKind::Spectate, appId, filters, filterCount, response);
}

ListRequestHandle CClientMatchmakingServers::MakeList(EListKind kind, AppId_t appId,
                                                      const MatchMakingKeyValuePair_t *filters, uint32 filterCount,
                                                      IPlexaMatchmakingServerListResponse *response) {
  if (!response) return nullptr;
  const std::shared_ptr<const CPlexaWorld> world = m_Services.WorldPtr();
  const SimSettings &settings = world->Settings();
  const ListFilter filter(filters, filterCount);
  const bool fromMaster = kind == EListKind::Internet || kind == EListKind::Spectate;
  // A master slower than the silent timeout is given up at the timeout, as a silent one is.
  const bool masterSilent =
      settings.m_eMaster == EMasterMode::Silent || settings.m_nMasterLatencyMs > settings.m_nSilentTimeoutMs;

  CListRequest::Timing timing;
  timing.m_flSilentTimeout = settings.m_nSilentTimeoutMs / 1000.0;
  std::vector<CListRequest::Entry> entries;
  auto add = [&](const SimServer *server, const ServerRecord &record, uint32 lastPlayed) {
    entries.push_back({server, record, lastPlayed});
  };

  if (kind == EListKind::Favorites || kind == EListKind::History) {
    const uint32 flag = kind == EListKind::Favorites ? k_unFavoriteFlagFavorite : k_unFavoriteFlagHistory;
    for (const StoredServer &stored : m_Services.Store().Entries()) {
      if (!(stored.m_nFlags & flag) || (appId && stored.m_nAppId != appId)) continue;
      const SimServer *server = world->FindByConnection(stored.m_nIP, stored.m_nConnPort);
      if (server && !filter.Passes(*server)) continue;
      add(server, UnansweredRecord(stored.m_nIP, stored.m_nConnPort, stored.m_nQueryPort, stored.m_nAppId,
                                   stored.m_nLastPlayed),
          stored.m_nLastPlayed);
    }
  } else if (!fromMaster || (settings.m_eMaster == EMasterMode::Answers && !masterSilent)) {
    const uint32 list = kind == EListKind::Internet   ? k_SimListInternet
                        : kind == EListKind::Spectate ? k_SimListSpectate
                        : kind == EListKind::Lan      ? k_SimListLan
                                                      : k_SimListFriends;
    for (const SimServer &server : world->Servers()) {
      const ServerRecord &record = server.m_Record;
      if (!(server.m_nLists & list) || (appId && record.m_nAppId != appId) || !filter.Passes(server)) continue;
      add(&server,
          UnansweredRecord(record.m_NetAdr.GetIP(), record.m_NetAdr.GetConnectionPort(),
                           record.m_NetAdr.GetQueryPort(), record.m_nAppId, record.m_nLastPlayedTime),
          0);
    }
  }

  EMatchMakingListOutcome outcome = eListServersAnswered;
  if (fromMaster) {
    const double masterLatency = settings.m_nMasterLatencyMs / 1000.0;
    timing.m_flListDelay = masterLatency;
    timing.m_flDoneDelay = masterLatency;
    if (masterSilent) {
      outcome = eListMasterNotResponding;
      timing.m_flDoneDelay = timing.m_flSilentTimeout;
    } else if (entries.empty()) {
      outcome = eListMasterHasNoServers;
    }
  }

  auto request = std::make_unique<CListRequest>(world, std::move(entries), timing, outcome, response);
  request->Start(Plat_FloatTime(), m_Services.Frame());
  const uintptr_t handle = g_nNextListHandle++;
  m_mapLists[handle] = std::move(request);
  return reinterpret_cast<ListRequestHandle>(handle);
}

CListRequest *CClientMatchmakingServers::FindList(ListRequestHandle request) const {
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
  CListRequest *list = FindList(request);
  return list ? list->Record(index) : nullptr;
}

void CClientMatchmakingServers::StopListRequest(ListRequestHandle request) {
  if (CListRequest *list = FindList(request)) list->Stop(Plat_FloatTime(), m_Services.Frame());
}

void CClientMatchmakingServers::RepeatListRequest(ListRequestHandle request) {
  if (CListRequest *list = FindList(request)) list->Repeat(Plat_FloatTime(), m_Services.Frame());
}

bool CClientMatchmakingServers::IsListRequestRunning(ListRequestHandle request) {
  CListRequest *list = FindList(request);
  return list && list->IsRunning();
}

void CClientMatchmakingServers::RequeryListServer(ListRequestHandle request, int index) {
  if (CListRequest *list = FindList(request)) list->Requery(index, Plat_FloatTime(), m_Services.Frame());
}

ServerQueryHandle CClientMatchmakingServers::RequestPing(uint32 ip, uint16 queryPort,
                                                         IPlexaMatchmakingPingResponse *response) {
  return response ? MakeQuery(ip, queryPort, response, nullptr) : HSERVERQUERY_INVALID;
}

ServerQueryHandle CClientMatchmakingServers::RequestPlayers(uint32 ip, uint16 queryPort,
                                                            IPlexaMatchmakingPlayersResponse *response) {
  return response ? MakeQuery(ip, queryPort, nullptr, response) : HSERVERQUERY_INVALID;
}

ServerQueryHandle CClientMatchmakingServers::MakeQuery(uint32 ip, uint16 queryPort, IPlexaMatchmakingPingResponse *ping,
                                                       IPlexaMatchmakingPlayersResponse *players) {
  ServerQuery query;
  query.m_pPing = ping;
  query.m_pPlayers = players;
  query.m_pWorld = m_Services.WorldPtr();
  const int timeoutMs = query.m_pWorld->Settings().m_nSilentTimeoutMs;
  query.m_pServer = query.m_pWorld->FindByQuery(ip, queryPort);
  if (!AnswersInTime(query.m_pServer, timeoutMs / 1000.0)) query.m_pServer = nullptr;
  const int delayMs = query.m_pServer ? query.m_pServer->m_nLatencyMs : timeoutMs;
  query.m_flDue = Plat_FloatTime() + delayMs / 1000.0;
  query.m_uFrame = m_Services.Frame();
  const ServerQueryHandle handle = g_nNextQueryHandle++;
  m_mapQueries.emplace(handle, std::move(query));
  return handle;
}

void CClientMatchmakingServers::AbortServerRequest(ServerQueryHandle query) {
  if (query == m_hDeliveringQuery) m_bDeliveringQueryAborted = true;
  m_mapQueries.erase(query);
}

void CClientMatchmakingServers::RunFrame(double now, uint64 frame) {
  m_bDelivering = true;
  m_nFrameDeadlineNs = SteadyNowNs() + static_cast<int64>(m_Services.World().Settings().m_nFrameBudgetUs) * 1000;
  if (DeliverQueries(now, frame)) DeliverLists(now, frame);
  m_bDelivering = false;
  m_vecRetired.clear();
}

bool CClientMatchmakingServers::OverBudget() const { return SteadyNowNs() > m_nFrameDeadlineNs; }

bool CClientMatchmakingServers::DeliverQueries(double now, uint64 frame) {
  // Handles grow, so walking upwards from the last one delivered visits each query once even when
  // a response makes new ones (those are due on a later frame anyway).
  for (auto it = m_mapQueries.begin(); it != m_mapQueries.end();) {
    const ServerQuery &query = it->second;
    if (frame <= query.m_uFrame || query.m_flDue > now) {
      ++it;
      continue;
    }
    const ServerQueryHandle handle = it->first;
    const ServerQuery taken = std::move(it->second);
    m_mapQueries.erase(it);  // finished before its answer runs: aborting it then is a no-op
    DeliverQuery(handle, taken);
    if (OverBudget()) return false;
    it = m_mapQueries.upper_bound(handle);
  }
  return true;
}

void CClientMatchmakingServers::DeliverQuery(ServerQueryHandle handle, const ServerQuery &query) {
  const SimServer *server = query.m_pServer;
  const bool answers = server && !server->m_bSilent;
  m_hDeliveringQuery = handle;
  m_bDeliveringQueryAborted = false;
  if (query.m_pPing) {
    if (answers) {
      ServerRecord record = server->m_Record;
      record.m_bResponded = true;
      record.m_nPingMs = server->m_nLatencyMs;
      // As in favourites and history lists: a stored server answers with the time the store
      // keeps, so a row built from this answer shows when the user last played there.
      const ServerAddress &adr = record.m_NetAdr;
      const StoredServer *stored = m_Services.Store().Lookup(adr.GetIP(), adr.GetConnectionPort());
      if (stored && stored->m_nLastPlayed) record.m_nLastPlayedTime = stored->m_nLastPlayed;
      query.m_pPing->OnPingAnswered(record);
    } else {
      query.m_pPing->OnPingSilent();
    }
  } else if (!answers) {
    query.m_pPlayers->OnPlayersSilent();
  } else {
    for (const SimPlayer &player : server->m_Players) {
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
    for (CListRequest *list = it->second.get(); list; list = FindList(handle)) {
      CListRequest::Event event;
      if (!list->TakeDue(now, frame, event)) break;
      IPlexaMatchmakingServerListResponse *response = list->Response();
      switch (event.m_eKind) {
        case CListRequest::Event::Kind::Answered: response->OnServerAnswered(handle, event.m_iIndex); break;
        case CListRequest::Event::Kind::Silent: response->OnServerSilent(handle, event.m_iIndex); break;
        case CListRequest::Event::Kind::Done: response->OnListDone(handle, event.m_eOutcome); break;
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
  m_mapLists.clear();
  m_mapQueries.clear();
}
