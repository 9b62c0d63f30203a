#include "serverbrowser/FriendsGames.h"

#include "serverbrowser/GameListPanel.h"

BEGIN_MESSAGE_MAP(CFriendsGames, CBaseGamesPage)
MESSAGE_ENTRY("OpenContextMenu", OnOpenContextMenu, "itemID")
END_MESSAGE_MAP()

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

// No menu without a selection.
void CFriendsGames::OnOpenContextMenu(int itemID) {
  (void)itemID;  // the menu is for the first selected row, whichever row was clicked
  if (m_pGameList && m_pGameList->GetSelectionCount() > 0) ShowServerContextMenu(true);
}
