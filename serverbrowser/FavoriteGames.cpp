#include "serverbrowser/FavoriteGames.h"

#include <ctime>

#include "kgui_controls/Button.h"
#include "kstdlib/strtools.h"
#include "plexa/client_api.h"
#include "plexa/iclientmatchmaking.h"
#include "serverbrowser/DialogAddServer.h"
#include "serverbrowser/GameListPanel.h"
#include "serverbrowser/ServerBrowserDialog.h"
#include "serverbrowser/ServerContextMenu.h"
#include "tier1/KeyValues.h"

BEGIN_MESSAGE_MAP(CFavoriteGames, CBaseGamesPage)
MESSAGE_ENTRY("OpenContextMenu", OnOpenContextMenu, "itemID")
MESSAGE_ENTRY("RemoveFromFavorites", OnRemoveFromFavorites)
MESSAGE_ENTRY("AddServerByName", OnAddServerByName)
END_MESSAGE_MAP()

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

void CFavoriteGames::OnCommand(const char *command) {
  if (!V_stricmp(command, "AddServerByName"))
    OnAddServerByName();
  else if (!V_stricmp(command, "AddCurrentServer"))
    OnAddCurrentServer();
  else
    BaseClass::OnCommand(command);
}

// Favourites are few and the user's own: their refresh runs on behind other tabs. A dialog the
// page still holds goes with the page; dialogs already open stay.
void CFavoriteGames::OnPageHide() {
  if (!m_pAddServerDialog) return;
  m_pAddServerDialog->Close();
  m_pAddServerDialog = nullptr;
}

// Without a selection the menu still offers adding a server by its address.
void CFavoriteGames::OnOpenContextMenu(int itemID) {
  (void)itemID;  // the menu is for the first selected row, whichever row was clicked
  CServerContextMenu *menu = ShowServerContextMenu(false);
  if (!menu) return;
  if (m_pGameList->GetSelectionCount() > 0)
    menu->AddMenuItem("RemoveServer", "#ServerBrowser_RemoveServerFromFavorites",
                      new KeyValues("RemoveFromFavorites"), this);
  menu->AddMenuItem("AddServerByName", "#ServerBrowser_AddServerByIP", new KeyValues("AddServerByName"),
                    this);
}

void CFavoriteGames::OnRemoveFromFavorites() {
  if (IClientMatchmaking *matchmaking = ClientMatchmaking()) {
    ForEachSelectedServer(false, [matchmaking](const ServerRecord &server) {
      matchmaking->RemoveStoredServer(server.m_nAppId, server.m_NetAdr.GetIP(),
                                      server.m_NetAdr.GetConnectionPort(), server.m_NetAdr.GetQueryPort(),
                                      k_unFavoriteFlagFavorite);
    });
  }
  UpdateServerCount();
  InvalidateLayout();
  Repaint();
}

// Every request opens a dialog of its own, also while an earlier one is still on screen. Modal
// mode returns at once; the dialog then lives on its own and deletes itself when closed.
void CFavoriteGames::OnAddServerByName() {
  if (!m_pAddServerDialog) m_pAddServerDialog = new CDialogAddServer(GetParent());
  m_pAddServerDialog->MoveToCenterOfScreen();
  m_pAddServerDialog->DoModal();
  m_pAddServerDialog = nullptr;
}

// Nothing is stored while no game is connected: the record is zero then, and 0.0.0.0:0 is no server.
void CFavoriteGames::OnAddCurrentServer() {
  CServerBrowserDialog *mainWindow = ServerBrowserDialog();
  IClientMatchmaking *matchmaking = ClientMatchmaking();
  const ServerRecord *current = mainWindow ? mainWindow->GetCurrentConnectedServer() : nullptr;
  if (!current || !matchmaking || current->m_NetAdr.GetIP() == 0) return;
  matchmaking->AddStoredServer(current->m_nAppId, current->m_NetAdr.GetIP(),
                               current->m_NetAdr.GetConnectionPort(), current->m_NetAdr.GetQueryPort(),
                               k_unFavoriteFlagFavorite, static_cast<uint32>(time(nullptr)));
}
