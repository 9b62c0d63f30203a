#include "serverbrowser/InternetGames.h"

#include "kgui_controls/controls.h"
#include "plexa/client_api.h"
#include "plexa/iclientmatchmakingservers.h"
#include "serverbrowser/GameListPanel.h"
#include "serverbrowser/ServerBrowserDialog.h"
#include "tier0/platform.h"
#include "tier1/KeyValues.h"

namespace {

constexpr int kTickMilliseconds = 250;
// The first list waits for the window's first frames to settle.
constexpr float kFirstListDelaySeconds = 0.1f;
// A sort put off by a held mouse button is tried again this much sooner than a full interval.
constexpr float kHeldMouseRetryEarlier = 0.5f;

bool IsMainWindowVisible() {
  CServerBrowserDialog *mainWindow = ServerBrowserDialog();
  return mainWindow && mainWindow->IsVisible();
}

bool IsSortingMouseButtonDown() {
  kgui::IHostInput *hostInput = kgui::input();
  return hostInput && (hostInput->IsMouseDown(kgui::MOUSE_LEFT) || hostInput->IsMouseDown(kgui::MOUSE_RIGHT));
}

float Now() {
  return static_cast<float>(Plat_FloatTime());
}

}  // namespace

BEGIN_MESSAGE_MAP(CInternetGames, CBaseGamesPage)
MESSAGE_ENTRY("GetNewServerList", OnGetNewServerListMessage)
MESSAGE_ENTRY("OpenContextMenu", OnOpenContextMenu, "itemID")
END_MESSAGE_MAP()

CInternetGames::CInternetGames(kgui::Panel *parent, const char *pageName, EServerSource type)
    : CBaseGamesPage(parent, pageName, type) {
  // Read once: going on- or offline needs a new browser.
  m_bOffline = IsClientOffline();
  RestoreFilterSettings();
  if (kgui::IKGui *gui = kgui::ikgui()) gui->AddTickSignal(GetVPanel(), kTickMilliseconds);
}

CInternetGames::~CInternetGames() {
  if (kgui::IKGui *gui = kgui::ikgui()) gui->RemoveTickSignal(GetVPanel());
}

bool CInternetGames::OffersItem(int item) {
  return item == eItemServerList || item == eItemFullRefresh;
}

void CInternetGames::GetNewServerList() {
  BaseClass::GetNewServerList();
  UpdateServerCount();
  m_bNeedFirstList = false;
  m_bAnyServerAnswered = false;
  m_setRequeried.clear();
  if (m_pGameList) m_pGameList->ClearItems();
}

void CInternetGames::OnServerAnswered(ListRequestHandle request, int index) {
  m_bResortPending = true;
  BaseClass::OnServerAnswered(request, index);
  m_bAnyServerAnswered = true;
  EndServerRequery(index);
}

// A server that answered some earlier query keeps its row through one silence, so it does not
// flicker out of the list; one that never answered loses it.
void CInternetGames::OnServerSilent(ListRequestHandle request, int index) {
  m_bResortPending = true;
  IClientMatchmakingServers *servers = ClientMatchmakingServers();
  const ServerRecord *record = servers ? servers->GetListServerRecord(request, index) : nullptr;
  if (record && record->m_bResponded) {
    OnServerAnswered(request, index);
    return;
  }
  auto entry = m_mapServers.find(index);
  if (entry != m_mapServers.end()) HideServerRow(entry->second);
  EndServerRequery(index);
}

void CInternetGames::OnListDone(ListRequestHandle request, EMatchMakingListOutcome outcome) {
  (void)request;
  ShowRefreshState(false);
  UpdateFilterSettings();
  if (m_pGameList) {
    // Shown only while the list is empty.
    if (outcome == eListMasterNotResponding)
      m_pGameList->SetEmptyText("#ServerBrowser_MasterServerNotResponsive");
    else if (m_bAnyServerAnswered)
      m_pGameList->SetEmptyText("#ServerBrowser_NoInternetGames");
    else if (outcome == eListMasterHasNoServers)
      m_pGameList->SetEmptyText("#ServerBrowser_MasterServerHasNoServersListed");
    else
      m_pGameList->SetEmptyText("#ServerBrowser_NoInternetGamesResponded");
  }
  m_bResortPending = false;
  m_flLastSortTime = Now();
  if (m_pGameList && IsVisible()) m_pGameList->SortList();
  UpdateServerCount();
}

void CInternetGames::PerformLayout() {
  // The first list is fetched once the browser is on screen, never while it is hidden.
  if (!m_bOffline && m_bNeedFirstList && IsMainWindowVisible()) {
    PostMessage(this, new KeyValues("GetNewServerList"), kFirstListDelaySeconds);
    m_bNeedFirstList = false;
  }
  BaseClass::PerformLayout();
  // After the base layout, which would enable Connect and quick refresh for rows it sees.
  if (m_bOffline) ShowOfflineState();
}

// The first list's request may arrive after the browser was hidden again: it then waits for the
// next layout of a visible browser instead of fetching for nobody.
void CInternetGames::OnGetNewServerListMessage() {
  if (!IsMainWindowVisible()) {
    m_bNeedFirstList = true;
    return;
  }
  GetNewServerList();
}

// Coming back to a filled list keeps it; offline there is nothing to fetch.
void CInternetGames::OnPageShow() {
  if (m_bOffline || !m_pGameList) return;
  if (m_pGameList->GetItemCount() != 0 || !IsMainWindowVisible()) return;
  BeginRefresh();
  // This was the first list: a browser shown before its first frame would otherwise fetch twice.
  m_bNeedFirstList = false;
}

void CInternetGames::OnTick() {
  BaseClass::OnTick();
  if (m_bOffline || !m_bResortPending) return;
  // The rows that arrived since the last tick get their sort keys now, not all in the next sort.
  if (m_pGameList) m_pGameList->PrepareSortKeys();
  const float now = Now();
  if (now - m_flLastSortTime < kMinResortSeconds) return;
  // Rows moving under a pressed button would make the user click the wrong server.
  if (IsSortingMouseButtonDown()) {
    m_flLastSortTime = now - kHeldMouseRetryEarlier;
    return;
  }
  m_bResortPending = false;
  m_flLastSortTime = now;
  if (m_pGameList) m_pGameList->SortList();
}

void CInternetGames::OnRefreshServer(int serverID) {
  for (int i = 0; m_pGameList && i < m_pGameList->GetSelectionCount(); ++i)
    m_setRequeried.insert(static_cast<int>(m_pGameList->GetItemUserValue(m_pGameList->GetSelectedItemID(i))));
  BaseClass::OnRefreshServer(serverID);
  if (CServerBrowserDialog *mainWindow = ServerBrowserDialog())
    mainWindow->UpdateStatusText("#ServerBrowser_GettingNewServerList");
}

void CInternetGames::EndServerRequery(int index) {
  if (m_setRequeried.erase(index) == 0 || !m_setRequeried.empty()) return;
  CServerBrowserDialog *mainWindow = ServerBrowserDialog();
  if (!mainWindow) return;
  if (IsRefreshRunning())
    mainWindow->UpdateStatusText("#ServerBrowser_RefreshingServerList");
  else
    mainWindow->UpdateStatusText("%s", "");
}

void CInternetGames::OnOpenContextMenu(int itemID) {
  (void)itemID;  // the menu is for the first selected row, whichever row was clicked
  if (m_pGameList && m_pGameList->GetSelectionCount() > 0) ShowServerContextMenu(true);
}
