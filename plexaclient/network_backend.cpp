#include "plexaclient/network_backend.h"

#include <set>

#include "plexaclient/client_services.h"
#include "plexaclient/matchmaking_servers.h"
#include "plexaclient/net/protocol_registry.h"
#include "plexaclient/net_list_request.h"

namespace {

NetEngineOptions EngineOptions(const NetworkSettings &settings) {
  NetEngineOptions options;
  options.m_nInFlight = settings.m_nInFlight;
  options.m_nMasterTimeoutMs = settings.m_nMasterTimeoutMs;
  options.m_Bind4 = settings.m_Bind4;
  options.m_Bind6 = settings.m_Bind6;
  options.m_bBroadcast = settings.m_bBroadcast;
  return options;
}

const IProtocolFamily &FamilyOf(const NetworkSettings &settings) {
  const IProtocolFamily *family = FindProtocolFamily(settings.m_Family);
  return family ? *family : *ProtocolFamilies()[0];
}

}  // namespace

CNetworkBackend::CNetworkBackend(CClientServices &services, CClientMatchmakingServers &front)
    : m_Services(services),
      m_Front(front),
      m_pEngine(std::make_unique<CUdpQueryEngine>(EngineOptions(services.World().Network()))) {}

CNetworkBackend::~CNetworkBackend() = default;

void CNetworkBackend::ApplySettings(const NetworkSettings &settings) {
  m_pEngine->SetInFlightLimit(settings.m_nInFlight);
}

std::unique_ptr<IServerList> CNetworkBackend::MakeList(EListKind kind, AppId_t appId,
                                                       const CListFilter &filter,
                                                       IPlexaMatchmakingServerListResponse *response, double,
                                                       uint64 frame) {
  const std::shared_ptr<const CPlexaWorld> world = m_Services.WorldPtr();
  const NetworkSettings &settings = world->Network();
  const IProtocolFamily &family = FamilyOf(settings);
  CListFilter listFilter = filter;
  if (kind == EListKind::Spectate) listFilter.RequireRelay();
  auto list =
      std::make_unique<CNetListRequest>(*this, appId, listFilter, response, family, world->Catalogue());

  switch (kind) {
    case EListKind::Favorites:
    case EListKind::History: {
      const uint32 flag = kind == EListKind::Favorites ? k_unFavoriteFlagFavorite : k_unFavoriteFlagHistory;
      for (const StoredServer &stored : m_Services.Store().Entries()) {
        if (!(stored.m_nFlags & flag) || (appId && stored.m_nAppId != appId)) continue;
        list->AddServer(stored.m_nIP, stored.m_nConnPort, stored.m_nQueryPort, stored.m_nAppId,
                        stored.m_nLastPlayed);
      }
      break;
    }
    case EListKind::Friends:
      for (const auto &[id, buddy] : world->Friends()) {
        const FriendGameInfo &game = buddy.m_Game;
        const AppId_t gameApp = static_cast<AppId_t>(game.m_gameID & 0xFFFFFF);
        if (!buddy.m_bInGame || game.m_unGameIP == 0 || game.m_usGamePort == 0) continue;
        if (appId && gameApp != appId) continue;
        list->AddServer(game.m_unGameIP, game.m_usGamePort, game.QueryPortOrGamePort(), gameApp, 0);
      }
      break;
    case EListKind::Lan: {
      std::set<uint16> ports;
      for (const LanTarget &target : settings.m_Lan) {
        for (uint32 port = target.m_usFirstPort; port <= target.m_usLastPort; ++port) {
          list->AddProbe(NetAddress::FromIPv4(target.m_nIP, static_cast<uint16>(port)), false);
          ports.insert(static_cast<uint16>(port));
        }
      }
      // Broadcast only when the user's configuration asks for it.
      if (settings.m_bBroadcast) {
        for (uint16 port : ports) list->AddProbe(NetAddress::FromIPv4(0xFFFFFFFFu, port), true);
      }
      break;
    }
    case EListKind::Internet:
    case EListKind::Spectate: {
      // One question per master and game the request covers; games sharing a name and
      // protocol are one question.
      std::set<std::pair<std::string, int>> games;
      bool anyGame = false;
      for (const AppQuery &query : world->AppQueries()) {
        if ((appId && query.m_nAppId != appId) || FindProtocolFamily(query.m_Family) != &family) continue;
        anyGame = true;
        if (!games.insert({query.m_GameName, query.m_nProtocol}).second) continue;
        for (const NetAddress &master : settings.m_Masters)
          list->AddMaster(master, query.m_GameName, query.m_nProtocol, query.m_nAppId);
      }
      if (settings.m_Masters.empty()) {
        list->SetOutcomeWithoutMasters(eListMasterNotResponding);
      } else if (!anyGame) {
        // No master can be asked for the servers of a game the catalogue cannot name.
        list->SetOutcomeWithoutMasters(eListMasterHasNoServers);
      }
      break;
    }
  }
  list->Start(frame);
  return list;
}

uint64 CNetworkBackend::Send(CNetListRequest *list, NetQuery query) {
  const uint64 id = m_uNextId++;
  query.m_uId = id;
  m_ListTargets[id] = {list, query.m_bAnySource};
  m_Batch.push_back(std::move(query));
  return id;
}

void CNetworkBackend::Flush() {
  if (m_Batch.empty()) return;
  std::vector<NetQuery> batch;
  batch.swap(m_Batch);
  m_pEngine->Submit(std::move(batch));
}

void CNetworkBackend::Forget(const std::vector<uint64> &ids) {
  if (ids.empty()) return;
  for (uint64 id : ids) m_ListTargets.erase(id);
  // Queries not yet handed to the engine are simply dropped.
  std::erase_if(m_Batch, [this](const NetQuery &query) { return !m_ListTargets.count(query.m_uId); });
  m_pEngine->Cancel(ids);
}

void CNetworkBackend::StartQuery(ServerQueryHandle handle, uint32 ip, uint16 queryPort, PendingQuery &query) {
  const std::shared_ptr<const CPlexaWorld> world = m_Services.WorldPtr();
  NetQuery net;
  net.m_uId = m_uNextId++;
  net.m_eKind = query.m_pPlayers ? ENetQueryKind::Status : ENetQueryKind::Info;
  net.m_Address = NetAddress::FromIPv4(ip, queryPort);
  net.m_pFamily = &FamilyOf(world->Network());
  net.m_pCatalogue = world->Catalogue();
  m_QueryTargets[net.m_uId] = handle;
  m_QueryIds[handle] = net.m_uId;
  Flush();
  m_pEngine->Submit({std::move(net)});
}

void CNetworkBackend::CancelQuery(ServerQueryHandle handle) {
  auto it = m_QueryIds.find(handle);
  if (it == m_QueryIds.end()) return;
  m_QueryTargets.erase(it->second);
  m_pEngine->Cancel({it->second});
  m_QueryIds.erase(it);
}

void CNetworkBackend::RunFrame(double, uint64) {
  Flush();
  m_Results.clear();
  m_pEngine->ReadWaiting();
  m_pEngine->TakeResults(m_Results);
  for (NetResult &result : m_Results) {
    if (auto list = m_ListTargets.find(result.m_uId); list != m_ListTargets.end()) {
      CNetListRequest *target = list->second.m_pList;
      const bool over = result.m_eKind != NetResult::Kind::MasterPart &&
                        !(list->second.m_bAnySource && result.m_eKind == NetResult::Kind::Info);
      if (over) m_ListTargets.erase(list);
      target->OnResult(result.m_uId, result);
      continue;
    }
    auto query = m_QueryTargets.find(result.m_uId);
    if (query == m_QueryTargets.end()) continue;  // cancelled before its result was taken
    const ServerQueryHandle handle = query->second;
    m_QueryTargets.erase(query);
    m_QueryIds.erase(handle);
    QueryOutcome outcome;
    if (result.m_eKind == NetResult::Kind::Info) {
      outcome.m_bAnswered = true;
      outcome.m_Record = result.m_Info.m_Record;
      outcome.m_Record.m_bResponded = true;
      outcome.m_Record.m_nPingMs = result.m_nPingMs;
    } else if (result.m_eKind == NetResult::Kind::Status) {
      outcome.m_bAnswered = true;
      for (const StatusPlayer_t &player : result.m_Status.m_Players)
        outcome.m_Players.push_back({player.m_Name, player.m_nScore, player.m_flTimePlayed});
    }
    m_Front.CompleteQuery(handle, std::move(outcome));
  }
  Flush();
}
