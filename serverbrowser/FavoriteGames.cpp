#include "serverbrowser/FavoriteGames.h"

#include "kgui_controls/Button.h"
#include "plexa/client_api.h"
#include "plexa/iclientmatchmaking.h"
#include "serverbrowser/GameListPanel.h"

DEFINE_EMPTY_MESSAGE_MAP(CFavoriteGames, CBaseGamesPage)

CFavoriteGames::CFavoriteGames(kgui::Panel *parent)
    : CBaseGamesPage(parent, "FavoriteGames", eFavoriteServer) {}

bool CFavoriteGames::OffersItem(int item) {
  return item == eItemServerList || item == eItemAddServer;
}

void CFavoriteGames::OnListDone(ListRequestHandle request, EMatchMakingListOutcome outcome) {
  (void)request;
  (void)outcome;
  ShowRefreshState(false);
  IClientMatchmaking *matchmaking = ClientMatchmaking();
  const bool anyStored = matchmaking && matchmaking->CountStoredServers() > 0;
  if (m_pGameList) {
    // An empty list with stored favourites means none of them answered.
    m_pGameList->SetEmptyText(anyStored ? "#ServerBrowser_NoInternetGamesResponded"
                                        : "#ServerBrowser_NoFavoriteServers");
    m_pGameList->SortList();
  }
}

void CFavoriteGames::SetConnectedToGame(bool connected) {
  if (m_pAddCurrentServer) m_pAddCurrentServer->SetEnabled(connected);
}

// Favourites are few and the user's own: their refresh runs on behind other tabs.
void CFavoriteGames::OnPageHide() {}
