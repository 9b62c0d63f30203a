#include "serverbrowser/FriendsGames.h"

#include "plexa/client_api.h"
#include "plexa/iclientutils.h"
#include "serverbrowser/GameListPanel.h"

namespace {
bool IsClientOffline() {
  IClientUtils *utils = ClientUtils();
  return utils && utils->IsClientOffline();
}
}  // namespace

DEFINE_EMPTY_MESSAGE_MAP(CFriendsGames, CBaseGamesPage)

CFriendsGames::CFriendsGames(kgui::Panel *parent) : CBaseGamesPage(parent, "FriendsGames", eFriendServer) {
  if (IsClientOffline()) {
    if (m_pGameList) m_pGameList->SetEmptyText("#ServerBrowser_OfflineMode");
    DisableRefreshControls();
  }
}

bool CFriendsGames::OffersItem(int item) {
  return item == eItemServerList;
}

// Offline, the list says so again after every fetch (a refresh blanks the empty-list text).
void CFriendsGames::OnListDone(ListRequestHandle request, EMatchMakingListOutcome outcome) {
  (void)request;
  (void)outcome;
  ShowRefreshState(false);
  if (!m_pGameList) return;
  m_pGameList->SortList();
  m_pGameList->SetEmptyText(IsClientOffline() ? "#ServerBrowser_OfflineMode"
                                              : "#ServerBrowser_NoFriendsServers");
}
