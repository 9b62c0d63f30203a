// The simulated universe of the world file: every answer is known when it is asked for and falls
// due after the server's latency.
#pragma once

#include "plexaclient/server_backend.h"

class CClientServices;

class CSimulatedBackend final : public IServerBackend {
 public:
  explicit CSimulatedBackend(CClientServices &services) : m_Services(services) {}

  std::unique_ptr<IServerList> MakeList(EListKind kind, AppId_t appId, const CListFilter &filter,
                                        IPlexaMatchmakingServerListResponse *response, double now,
                                        uint64 frame) override;
  void StartQuery(ServerQueryHandle handle, uint32 ip, uint16 queryPort, PendingQuery &query) override;
  void CancelQuery(ServerQueryHandle) override {}
  void RunFrame(double, uint64) override {}

 private:
  CClientServices &m_Services;
};
