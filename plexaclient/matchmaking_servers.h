// Server lists, pings and player lists of the simulated universe. Requests are answered during
// the engine's per-frame work, after each server's latency, within a per-frame time budget.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "plexa/iclientmatchmakingservers.h"
#include "plexaclient/list_request.h"

class CClientServices;

class CClientMatchmakingServers final : public IClientMatchmakingServers {
 public:
  explicit CClientMatchmakingServers(CClientServices &services) : m_Services(services) {}

  ListRequestHandle RequestInternetList(AppId_t appId, const MatchMakingKeyValuePair_t *filters, uint32 filterCount,
                                        IPlexaMatchmakingServerListResponse *response) override;
  ListRequestHandle RequestLanList(AppId_t appId, IPlexaMatchmakingServerListResponse *response) override;
  ListRequestHandle RequestFriendsList(AppId_t appId, const MatchMakingKeyValuePair_t *filters, uint32 filterCount,
                                       IPlexaMatchmakingServerListResponse *response) override;
  ListRequestHandle RequestFavoritesList(AppId_t appId, const MatchMakingKeyValuePair_t *filters, uint32 filterCount,
                                         IPlexaMatchmakingServerListResponse *response) override;
  ListRequestHandle RequestHistoryList(AppId_t appId, const MatchMakingKeyValuePair_t *filters, uint32 filterCount,
                                       IPlexaMatchmakingServerListResponse *response) override;
  ListRequestHandle RequestSpectatorList(AppId_t appId, const MatchMakingKeyValuePair_t *filters, uint32 filterCount,
                                         IPlexaMatchmakingServerListResponse *response) override;
  void FreeListRequest(ListRequestHandle request) override;
  ServerRecord *GetListServerRecord(ListRequestHandle request, int index) override;
  void StopListRequest(ListRequestHandle request) override;
  void RepeatListRequest(ListRequestHandle request) override;
  bool IsListRequestRunning(ListRequestHandle request) override;
  void RequeryListServer(ListRequestHandle request, int index) override;
  ServerQueryHandle RequestPing(uint32 ip, uint16 queryPort, IPlexaMatchmakingPingResponse *response) override;
  ServerQueryHandle RequestPlayers(uint32 ip, uint16 queryPort, IPlexaMatchmakingPlayersResponse *response) override;
  void AbortServerRequest(ServerQueryHandle query) override;

  // Delivers what is due, in order, until the frame's budget is spent.
  void RunFrame(double now, uint64 frame);
  // Requests that still have answers to deliver.
  int OpenRequestCount() const;
  // Drops every request without a word (the services shut down).
  void Clear();

 private:
  enum class EListKind { Internet, Lan, Friends, Favorites, History, Spectate };
  struct ServerQuery {
    IPlexaMatchmakingPingResponse *m_pPing = nullptr;
    IPlexaMatchmakingPlayersResponse *m_pPlayers = nullptr;
    std::shared_ptr<const CPlexaWorld> m_pWorld;
    const SimServer *m_pServer = nullptr;  // null: the query times out (no server, or none in time)
    double m_flDue = 0.0;
    uint64 m_uFrame = 0;
  };

  ListRequestHandle MakeList(EListKind kind, AppId_t appId, const MatchMakingKeyValuePair_t *filters,
                             uint32 filterCount, IPlexaMatchmakingServerListResponse *response);
  ServerQueryHandle MakeQuery(uint32 ip, uint16 queryPort, IPlexaMatchmakingPingResponse *ping,
                              IPlexaMatchmakingPlayersResponse *players);
  CListRequest *FindList(ListRequestHandle request) const;
  // Each returns false once the frame's budget is spent.
  bool DeliverQueries(double now, uint64 frame);
  bool DeliverLists(double now, uint64 frame);
  void DeliverQuery(ServerQueryHandle handle, const ServerQuery &query);
  bool OverBudget() const;

  CClientServices &m_Services;
  std::map<uintptr_t, std::unique_ptr<CListRequest>> m_mapLists;
  std::map<ServerQueryHandle, ServerQuery> m_mapQueries;
  // Requests freed while their answers were being delivered die after the frame's delivery.
  std::vector<std::unique_ptr<CListRequest>> m_vecRetired;
  bool m_bDelivering = false;
  ServerQueryHandle m_hDeliveringQuery = HSERVERQUERY_INVALID;
  bool m_bDeliveringQueryAborted = false;
  int64 m_nFrameDeadlineNs = 0;
};
