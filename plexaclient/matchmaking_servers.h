// Server lists, pings and player lists: the handles the browser holds and the delivery of answers
// during the engine's per-frame work, within a per-frame time budget. The answers come from a
// backend: the simulated universe, or real servers over the network, as the world file chooses.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "plexa/iclientmatchmakingservers.h"
#include "plexaclient/server_backend.h"

class CClientServices;
class CNetworkBackend;

class CClientMatchmakingServers final : public IClientMatchmakingServers {
 public:
  explicit CClientMatchmakingServers(CClientServices &services);
  ~CClientMatchmakingServers();

  ListRequestHandle RequestInternetList(AppId_t appId, const MatchMakingKeyValuePair_t *filters,
                                        uint32 filterCount,
                                        IPlexaMatchmakingServerListResponse *response) override;
  ListRequestHandle RequestLanList(AppId_t appId, IPlexaMatchmakingServerListResponse *response) override;
  ListRequestHandle RequestFriendsList(AppId_t appId, const MatchMakingKeyValuePair_t *filters,
                                       uint32 filterCount,
                                       IPlexaMatchmakingServerListResponse *response) override;
  ListRequestHandle RequestFavoritesList(AppId_t appId, const MatchMakingKeyValuePair_t *filters,
                                         uint32 filterCount,
                                         IPlexaMatchmakingServerListResponse *response) override;
  ListRequestHandle RequestHistoryList(AppId_t appId, const MatchMakingKeyValuePair_t *filters,
                                       uint32 filterCount,
                                       IPlexaMatchmakingServerListResponse *response) override;
  ListRequestHandle RequestSpectatorList(AppId_t appId, const MatchMakingKeyValuePair_t *filters,
                                         uint32 filterCount,
                                         IPlexaMatchmakingServerListResponse *response) override;
  void FreeListRequest(ListRequestHandle request) override;
  ServerRecord *GetListServerRecord(ListRequestHandle request, int index) override;
  void StopListRequest(ListRequestHandle request) override;
  void RepeatListRequest(ListRequestHandle request) override;
  bool IsListRequestRunning(ListRequestHandle request) override;
  void RequeryListServer(ListRequestHandle request, int index) override;
  ServerQueryHandle RequestPing(uint32 ip, uint16 queryPort,
                                IPlexaMatchmakingPingResponse *response) override;
  ServerQueryHandle RequestPlayers(uint32 ip, uint16 queryPort,
                                   IPlexaMatchmakingPlayersResponse *response) override;
  void AbortServerRequest(ServerQueryHandle query) override;

  // Takes in what the backends found out, then delivers what is due, in order, until the frame's
  // budget is spent.
  void RunFrame(double now, uint64 frame);
  // Requests that still have answers to deliver.
  int OpenRequestCount() const;
  // Drops every request without a word and stops the network (the services shut down).
  void Clear();

  // A backend found out the outcome of a ping or player query; delivered on this or a later frame.
  void CompleteQuery(ServerQueryHandle handle, QueryOutcome outcome);
  // "simulated" or "network": what new requests are sent to.
  const char *BackendName() const;
  // A network counter by name ("dropped_challenge", "in_flight", ...); 0 before the network
  // backend starts, -1 for an unknown name.
  int64 NetworkCounter(const char *name) const;

 private:
  IServerBackend &Backend();
  ListRequestHandle MakeList(EListKind kind, AppId_t appId, const MatchMakingKeyValuePair_t *filters,
                             uint32 filterCount, IPlexaMatchmakingServerListResponse *response);
  ServerQueryHandle MakeQuery(uint32 ip, uint16 queryPort, IPlexaMatchmakingPingResponse *ping,
                              IPlexaMatchmakingPlayersResponse *players);
  IServerList *FindList(ListRequestHandle request) const;
  // Each returns false once the frame's budget is spent.
  bool DeliverQueries(double now, uint64 frame);
  bool DeliverLists(double now, uint64 frame);
  void DeliverQuery(ServerQueryHandle handle, const PendingQuery &query);
  // Notes a query whose outcome is known, so delivery visits only those.
  void NoteReady(ServerQueryHandle handle, const PendingQuery &query);
  bool OverBudget() const;

  CClientServices &m_Services;
  std::unique_ptr<IServerBackend> m_pSimulated;
  // Started by the first request a network world makes, kept until the services stop.
  std::unique_ptr<CNetworkBackend> m_pNetwork;
  std::map<uintptr_t, std::unique_ptr<IServerList>> m_mapLists;
  std::map<ServerQueryHandle, PendingQuery> m_mapQueries;
  // Queries whose outcome is known: by the time it is due, then (once due) by handle, the order
  // they are delivered in. Aborted queries are skipped when met, since handles are never reused.
  std::set<std::pair<double, ServerQueryHandle>> m_setQueriesDue;
  std::set<ServerQueryHandle> m_setQueriesReady;
  // Requests freed while their answers were being delivered die after the frame's delivery.
  std::vector<std::unique_ptr<IServerList>> m_vecRetired;
  bool m_bDelivering = false;
  ServerQueryHandle m_hDeliveringQuery = HSERVERQUERY_INVALID;
  bool m_bDeliveringQueryAborted = false;
  int64 m_nFrameDeadlineNs = 0;
};
