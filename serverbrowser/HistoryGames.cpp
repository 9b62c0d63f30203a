#include "serverbrowser/HistoryGames.h"

#include "serverbrowser/GameListPanel.h"
#include "serverbrowser/ServerListCompare.h"

namespace {
constexpr int kLastPlayedColumn = 9;
}

DEFINE_EMPTY_MESSAGE_MAP(CHistoryGames, CBaseGamesPage)

CHistoryGames::CHistoryGames(kgui::Panel *parent) : CBaseGamesPage(parent, "HistoryGames", eHistoryServer) {
  if (m_pGameList) {
    m_pGameList->AddColumnHeader(kLastPlayedColumn, "LastPlayed", "#ServerBrowser_LastPlayed", 100, 20, 10000,
                                 0);
    m_pGameList->SetColumnSortFunc(kLastPlayedColumn, CompareLastPlayed);
    // Most recent first; the base page's sort column breaks ties.
    m_pGameList->SortByColumn(kLastPlayedColumn, true);
  }
  if (IsClientOffline()) ShowOfflineState();
}

bool CHistoryGames::OffersItem(int item) {
  return item == eItemServerList;
}

void CHistoryGames::OnListDone(ListRequestHandle request, EMatchMakingListOutcome outcome) {
  (void)request;
  (void)outcome;
  ShowRefreshState(false);
  if (m_pGameList) {
    m_pGameList->SetEmptyText("#ServerBrowser_NoServersPlayed");
    m_pGameList->SortList();
  }
}
