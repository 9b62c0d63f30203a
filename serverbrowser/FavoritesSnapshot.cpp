#include "serverbrowser/FavoritesSnapshot.h"

#include <utility>

#include "plexa/client_api.h"
#include "plexa/iclientmatchmakingservers.h"

CFavoritesSnapshot::~CFavoritesSnapshot() {
  Free();
}

bool CFavoritesSnapshot::Start() {
  Free();
  m_Servers.clear();
  IClientMatchmakingServers *servers = ClientMatchmakingServers();
  if (!servers) return false;
  m_hRequest = servers->RequestFavoritesList(0, nullptr, 0, this);
  return m_hRequest != nullptr;
}

void CFavoritesSnapshot::Take(ListRequestHandle request, int index) {
  IClientMatchmakingServers *servers = ClientMatchmakingServers();
  const ServerRecord *record =
      servers && request == m_hRequest ? servers->GetListServerRecord(request, index) : nullptr;
  if (!record) return;
  FavoriteAddress server;
  server.ip = record->m_NetAdr.GetIP();
  server.connPort = record->m_NetAdr.GetConnectionPort();
  server.queryPort = record->m_NetAdr.GetQueryPort();
  server.appId = record->m_nAppId;
  // A server reported twice (answered after a retry) is one favourite.
  for (const FavoriteAddress &kept : m_Servers)
    if (kept.SameServer(server)) return;
  m_Servers.push_back(server);
}

void CFavoritesSnapshot::OnListDone(ListRequestHandle request, EMatchMakingListOutcome outcome) {
  (void)outcome;
  if (request != m_hRequest) return;
  Free();
  // The callee may delete this object: nothing of it is touched afterwards.
  DoneFn done = std::move(m_Done);
  const std::vector<FavoriteAddress> servers = std::move(m_Servers);
  if (done) done(servers);
}

// The services keep a request that is being delivered alive until its answer returns.
void CFavoritesSnapshot::Free() {
  if (!m_hRequest) return;
  if (IClientMatchmakingServers *servers = ClientMatchmakingServers()) servers->FreeListRequest(m_hRequest);
  m_hRequest = nullptr;
}
