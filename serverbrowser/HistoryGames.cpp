#include "serverbrowser/HistoryGames.h"

#include "plexa/client_api.h"
#include "plexa/iclientmatchmaking.h"
#include "serverbrowser/GameListPanel.h"
#include "serverbrowser/ServerContextMenu.h"
#include "serverbrowser/ServerListCompare.h"
#include "tier1/KeyValues.h"

namespace {
constexpr int kLastPlayedColumn = 9;
// Room for a whole "Thu 10 Dec 02:05pm" in the list's font.
constexpr int kLastPlayedWidth = 150;
}  // namespace

BEGIN_MESSAGE_MAP(CHistoryGames, CBaseGamesPage)
MESSAGE_ENTRY("OpenContextMenu", OnOpenContextMenu, "itemID")
MESSAGE_ENTRY("RemoveFromHistory", OnRemoveFromHistory)
END_MESSAGE_MAP()

CHistoryGames::CHistoryGames(kgui::Panel *parent) : CBaseGamesPage(parent, "HistoryGames", eHistoryServer) {
  if (m_pGameList) {
    m_pGameList->AddColumnHeader(kLastPlayedColumn, "LastPlayed", "#ServerBrowser_LastPlayed",
                                 kLastPlayedWidth, 20, 10000, 0);
    m_pGameList->SetColumnSortFunc(kLastPlayedColumn, CompareLastPlayed);
    m_pGameList->SetColumnSortKeyFunc(kLastPlayedColumn, LastPlayedKey);
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

// Without a selection the menu opens empty.
void CHistoryGames::OnOpenContextMenu(int itemID) {
  (void)itemID;  // the menu is for the first selected row, whichever row was clicked
  CServerContextMenu *menu = ShowServerContextMenu(true);
  if (menu && m_pGameList->GetSelectionCount() > 0)
    menu->AddMenuItem("RemoveServer", "#ServerBrowser_RemoveServerFromHistory",
                      new KeyValues("RemoveFromHistory"), this);
}

void CHistoryGames::OnRemoveFromHistory() {
  if (IClientMatchmaking *matchmaking = ClientMatchmaking()) {
    ForEachSelectedServer(true, [matchmaking](const ServerRecord &server) {
      matchmaking->RemoveStoredServer(server.m_nAppId, server.m_NetAdr.GetIP(),
                                      server.m_NetAdr.GetConnectionPort(), server.m_NetAdr.GetQueryPort(),
                                      k_unFavoriteFlagHistory);
    });
  }
  UpdateServerCount();
  InvalidateLayout();
  Repaint();
}
