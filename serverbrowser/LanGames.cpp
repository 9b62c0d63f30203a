#include "serverbrowser/LanGames.h"

#include "serverbrowser/GameListPanel.h"

DEFINE_EMPTY_MESSAGE_MAP(CLanGames, CBaseGamesPage)

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
