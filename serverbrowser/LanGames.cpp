#include "serverbrowser/LanGames.h"

#include "serverbrowser/GameListPanel.h"

BEGIN_MESSAGE_MAP(CLanGames, CBaseGamesPage)
MESSAGE_ENTRY("OpenContextMenu", OnOpenContextMenu, "itemID")
END_MESSAGE_MAP()

CLanGames::CLanGames(kgui::Panel *parent, bool autoRefresh, const char *customLayoutFile)
    : CBaseGamesPage(parent, "LanGames", eLanServer, customLayoutFile), m_bAutoRefresh(autoRefresh) {}

bool CLanGames::OffersItem(int item) {
  return item == eItemServerList;
}

// A LAN server that misses an answer is gone from view at once: it is either up or unplugged.
void CLanGames::OnServerSilent(ListRequestHandle request, int index) {
  (void)request;
  auto entry = m_mapServers.find(index);
  if (entry != m_mapServers.end()) HideServerRow(entry->second);
}

void CLanGames::OnListDone(ListRequestHandle request, EMatchMakingListOutcome outcome) {
  (void)request;
  (void)outcome;
  ShowRefreshState(false);
  if (m_pGameList) {
    m_pGameList->SortList();
    m_pGameList->SetEmptyText("#ServerBrowser_NoLanServers");
  }
}

void CLanGames::OnPageShow() {
  if (m_bAutoRefresh) BeginRefresh();
}

// No menu without a selection, and no adding to favourites: LAN servers come and go with the network.
void CLanGames::OnOpenContextMenu(int itemID) {
  (void)itemID;  // the menu is for the first selected row, whichever row was clicked
  if (m_pGameList && m_pGameList->GetSelectionCount() > 0) ShowServerContextMenu(false);
}
