#include "plexaclient/client_matchmaking.h"

#include "plexa/callbacktypes.h"
#include "plexaclient/client_services.h"

int32 CClientMatchmaking::CountStoredServers() { return static_cast<int32>(m_Services.Store().Entries().size()); }

void CClientMatchmaking::AddStoredServer(AppId_t appId, uint32 ip, uint16 connPort, uint16 queryPort, uint32 flags,
                                         uint32 lastPlayed) {
  flags &= k_unFavoriteFlagFavorite | k_unFavoriteFlagHistory;
  if (ip == 0 || !m_Services.Store().Add({appId, ip, connPort, queryPort, flags, lastPlayed})) return;
  m_Services.Store().Save();
  Announce(appId, ip, connPort, queryPort, flags, true);
}

bool CClientMatchmaking::RemoveStoredServer(AppId_t appId, uint32 ip, uint16 connPort, uint16 queryPort,
                                            uint32 flags) {
  if (!m_Services.Store().Remove(ip, connPort, flags)) return false;
  m_Services.Store().Save();
  Announce(appId, ip, connPort, queryPort, flags, false);
  return true;
}

void CClientMatchmaking::Announce(AppId_t appId, uint32 ip, uint16 connPort, uint16 queryPort, uint32 flags,
                                  bool added) {
  FavoritesListChanged_t change{};
  change.m_nIP = ip;
  change.m_nQueryPort = queryPort;
  change.m_nConnPort = connPort;
  change.m_nAppID = appId;
  change.m_nFlags = flags;
  change.m_bAdd = added;
  m_Services.Queue().Post(change);
}
