// What answers list, ping and player requests: the simulated universe or real servers over the
// network. The front (CClientMatchmakingServers) keeps the handles and delivers; a backend makes
// the lists and finds out the answers.
#pragma once

#include <memory>
#include <vector>

#include "plexaclient/list_filter.h"
#include "plexaclient/plexa_world.h"
#include "plexaclient/server_list.h"

enum class EListKind { Internet, Lan, Friends, Favorites, History, Spectate };

// What a ping or player request learnt.
struct QueryOutcome {
  bool m_bAnswered = false;
  ServerRecord m_Record{};           // pings: as the server answered
  std::vector<SimPlayer> m_Players;  // player lists
};

// A ping or player request, kept by the front until its outcome is delivered.
class IServerBackend;
struct PendingQuery {
  IServerBackend *m_pBackend = nullptr;  // told when the query is aborted
  IPlexaMatchmakingPingResponse *m_pPing = nullptr;
  IPlexaMatchmakingPlayersResponse *m_pPlayers = nullptr;
  bool m_bReady = false;  // the outcome is known; it is delivered once due
  double m_flDue = 0.0;
  uint64 m_uFrame = 0;  // the frame that asked: delivered only on later frames
  QueryOutcome m_Outcome;
};

class IServerBackend {
 public:
  virtual ~IServerBackend() = default;

  virtual std::unique_ptr<IServerList> MakeList(EListKind kind, AppId_t appId, const CListFilter &filter,
                                                IPlexaMatchmakingServerListResponse *response, double now,
                                                uint64 frame) = 0;
  // Starts a ping, or a player list when `query` has a players response. A backend that knows
  // the outcome at once fills it in; otherwise it reports it later to the front.
  virtual void StartQuery(ServerQueryHandle handle, uint32 ip, uint16 queryPort, PendingQuery &query) = 0;
  // Nothing more is reported for the query.
  virtual void CancelQuery(ServerQueryHandle handle) = 0;
  // Each frame before delivery: takes in what arrived since the last one.
  virtual void RunFrame(double now, uint64 frame) = 0;
};
