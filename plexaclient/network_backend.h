// Real servers over the network: list, ping and player requests become queries of the world's
// protocol family, sent by the I/O thread; what it finds out is taken in on the GUI thread at the
// start of each frame and handed to the lists and queries it belongs to.
#pragma once

#include <memory>
#include <unordered_map>
#include <vector>

#include "plexaclient/net/udp_query_engine.h"
#include "plexaclient/server_backend.h"

class CClientMatchmakingServers;
class CClientServices;
class CNetListRequest;

class CNetworkBackend final : public IServerBackend {
 public:
  // Starts the I/O thread with the world's network settings.
  CNetworkBackend(CClientServices &services, CClientMatchmakingServers &front);
  ~CNetworkBackend() override;

  // Settings a running backend can take from a re-read world (the number in flight).
  void ApplySettings(const NetworkSettings &settings);

  std::unique_ptr<IServerList> MakeList(EListKind kind, AppId_t appId, const CListFilter &filter,
                                        IPlexaMatchmakingServerListResponse *response, double now,
                                        uint64 frame) override;
  void StartQuery(ServerQueryHandle handle, uint32 ip, uint16 queryPort, PendingQuery &query) override;
  void CancelQuery(ServerQueryHandle handle) override;
  void RunFrame(double now, uint64 frame) override;

  int64 Counter(int counter) const { return m_pEngine->Counter(counter); }
  void AddToCounter(int counter, int64 amount) { m_pEngine->AddToCounter(counter, amount); }

  // For lists: queues `query` under a fresh id whose results go to `list`; sent at the next Flush.
  uint64 Send(CNetListRequest *list, NetQuery query);
  void Flush();
  // Nothing more reaches the list for these ids.
  void Forget(const std::vector<uint64> &ids);

 private:
  struct ListTarget {
    CNetListRequest *m_pList = nullptr;
    bool m_bAnySource = false;  // its info results do not end it
  };

  CClientServices &m_Services;
  CClientMatchmakingServers &m_Front;
  std::unique_ptr<CUdpQueryEngine> m_pEngine;
  uint64 m_uNextId = 1;
  std::vector<NetQuery> m_Batch;
  std::unordered_map<uint64, ListTarget> m_ListTargets;
  std::unordered_map<uint64, ServerQueryHandle> m_QueryTargets;
  std::unordered_map<ServerQueryHandle, uint64> m_QueryIds;
  std::vector<NetResult> m_Results;  // reused from frame to frame
};
