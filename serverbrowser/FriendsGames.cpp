#include "serverbrowser/FriendsGames.h"

#include "serverbrowser/GameListPanel.h"

DEFINE_EMPTY_MESSAGE_MAP(CFriendsGames, CBaseGamesPage)

CFriendsGames::CFriendsGames(kgui::Panel *parent) : CBaseGamesPage(parent, "FriendsGames", eFriendServer) {
  if (IsClientOffline()) ShowOfflineState();
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
