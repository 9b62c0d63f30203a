// The favourites and history store as the browser reaches it. Every change is saved and
// announced with FavoritesListChanged_t.
#pragma once

#include "plexa/iclientmatchmaking.h"

class CClientServices;

class CClientMatchmaking final : public IClientMatchmaking {
 public:
  explicit CClientMatchmaking(CClientServices &services) : m_Services(services) {}
  int32 CountStoredServers() override;
  void AddStoredServer(AppId_t appId, uint32 ip, uint16 connPort, uint16 queryPort, uint32 flags,
                       uint32 lastPlayed) override;
  bool RemoveStoredServer(AppId_t appId, uint32 ip, uint16 connPort, uint16 queryPort, uint32 flags) override;

 private:
  void Announce(AppId_t appId, uint32 ip, uint16 connPort, uint16 queryPort, uint32 flags, bool added);

  CClientServices &m_Services;
};
