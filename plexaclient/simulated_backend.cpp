#include "plexaclient/simulated_backend.h"

#include "plexaclient/client_services.h"
#include "plexaclient/list_request.h"
#include "tier0/platform.h"

namespace {

// What a list shows of a server before it answers: where it is and what it belongs to.
ServerRecord UnansweredRecord(uint32 ip, uint16 connPort, uint16 queryPort, AppId_t appId,
                              uint32 lastPlayed) {
  ServerRecord record{};
  record.m_NetAdr.Init(ip, queryPort, connPort);
  record.m_nAppId = appId;
  record.m_nLastPlayedTime = lastPlayed;
  return record;
}

}  // namespace

std::unique_ptr<IServerList> CSimulatedBackend::MakeList(EListKind kind, AppId_t appId,
                                                         const CListFilter &filter,
                                                         IPlexaMatchmakingServerListResponse *response,
                                                         double now, uint64 frame) {
  const std::shared_ptr<const CPlexaWorld> world = m_Services.WorldPtr();
  const SimSettings &settings = world->Settings();
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
  auto passes = [&filter](const SimServer &server) {
    return filter.Passes(server.m_Record, server.m_bProxy);
  };

  if (kind == EListKind::Favorites || kind == EListKind::History) {
    const uint32 flag = kind == EListKind::Favorites ? k_unFavoriteFlagFavorite : k_unFavoriteFlagHistory;
    for (const StoredServer &stored : m_Services.Store().Entries()) {
      if (!(stored.m_nFlags & flag) || (appId && stored.m_nAppId != appId)) continue;
      const SimServer *server = world->FindByConnection(stored.m_nIP, stored.m_nConnPort);
      if (server && !passes(*server)) continue;
      add(server,
          UnansweredRecord(stored.m_nIP, stored.m_nConnPort, stored.m_nQueryPort, stored.m_nAppId,
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
      if (!(server.m_nLists & list) || (appId && record.m_nAppId != appId) || !passes(server)) continue;
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
  request->Start(now, frame);
  return request;
}

void CSimulatedBackend::StartQuery(ServerQueryHandle, uint32 ip, uint16 queryPort, PendingQuery &query) {
  const CPlexaWorld &world = m_Services.World();
  const int timeoutMs = world.Settings().m_nSilentTimeoutMs;
  const SimServer *server = world.FindByQuery(ip, queryPort);
  if (!AnswersInTime(server, timeoutMs / 1000.0)) server = nullptr;
  query.m_bReady = true;
  query.m_flDue = Plat_FloatTime() + (server ? server->m_nLatencyMs : timeoutMs) / 1000.0;
  if (!server) return;
  query.m_Outcome.m_bAnswered = true;
  query.m_Outcome.m_Record = server->m_Record;
  query.m_Outcome.m_Record.m_bResponded = true;
  query.m_Outcome.m_Record.m_nPingMs = server->m_nLatencyMs;
  if (query.m_pPlayers) query.m_Outcome.m_Players = server->m_Players;
}
