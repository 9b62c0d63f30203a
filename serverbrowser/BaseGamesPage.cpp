// The server-list page core. Sections: construction and layout files; the IGameList face; rows
// from the services' answers; pings and the favourites notification; refresh state and server
// count; toolkit hooks, commands and handlers; validation. The filters live in
// BaseGamesPageFilters.cpp.
#include "serverbrowser/BaseGamesPage.h"

#include <ctime>
#include <string>

#include "kgui_controls/Button.h"
#include "kgui_controls/CheckButton.h"
#include "kgui_controls/ComboBox.h"
#include "kgui_controls/ImageList.h"
#include "kgui_controls/Label.h"
#include "kgui_controls/PropertySheet.h"
#include "kgui_controls/TextEntry.h"
#include "kgui_controls/TextImage.h"
#include "kgui_controls/ToggleButton.h"
#include "kgui_controls/controls.h"
#include "kstdlib/strtools.h"
#include "plexa/client_api.h"
#include "plexa/iclientmatchmaking.h"
#include "plexa/iclientmatchmakingservers.h"
#include "plexa/iclientutils.h"
#include "serverbrowser/FavoritesTransfer.h"
#include "serverbrowser/GameListPanel.h"
#include "serverbrowser/QuickSearch.h"
#include "serverbrowser/ServerBrowserDialog.h"
#include "serverbrowser/ServerContextMenu.h"
#include "serverbrowser/ServerListCompare.h"
#include "serverbrowser/ServerRows.h"
#include "serverbrowser/serverbrowser.h"
#include "tier0/dbg.h"
#include "tier0/validator.h"
#include "tier1/KeyValues.h"

BEGIN_MESSAGE_MAP(CBaseGamesPage, kgui::PropertyPage)
MESSAGE_ENTRY("AddToFavorites", OnAddToFavorites)
MESSAGE_ENTRY("LoadModList", OnLoadModList, "nAppID")
MESSAGE_ENTRY("ItemSelected", OnItemSelected)
MESSAGE_ENTRY("ConnectToServer", OnConnectToServerMessage)
MESSAGE_ENTRY("ViewGameInfo", OnViewGameInfo)
MESSAGE_ENTRY("RefreshServer", OnRefreshServer, "serverID")
MESSAGE_ENTRY("ButtonToggled", OnButtonToggled, "panel", "state")
MESSAGE_ENTRY("TextChanged", OnTextChanged, "panel", "text")
MESSAGE_ENTRY("CopyServerAddress", OnCopyServerAddress, "serverID")
END_MESSAGE_MAP()

namespace {

// The name column's header counts the shown rows.
constexpr int kNameColumn = 3;

// The pages' column widths; typing in a list finds a server by its name.
constexpr ServerColumnLayout kColumnLayout = {{16, 16, 16, 50, 64, 112, 55, 90, 55}, true};

// The key of the address map: the connection address of a record.
netadr_t AddressKey(uint32 ip, uint16 connectionPort) {
  return netadr_t(ip, connectionPort);
}

// "Tue 04 Mar 03:05pm": the AM/PM marker in lower case. False when the time cannot be shown.
bool FormatLastPlayed(uint32 lastPlayed, char *buffer, size_t size) {
  const time_t when = static_cast<time_t>(lastPlayed);
  struct tm local {};
  if (!localtime_r(&when, &local)) return false;
  const size_t length = strftime(buffer, size, "%a %d %b %I:%M%p", &local);
  if (length == 0) return false;
  for (size_t i = length >= 4 ? length - 4 : 0; i < length; ++i) buffer[i] = V_tolower(buffer[i]);
  return true;
}

}  // namespace

// One ping of a stored server: hands its answer to the page, then leaves the page's running pings.
class CStoredServerPing final : public IPlexaMatchmakingPingResponse {
 public:
  explicit CStoredServerPing(CBaseGamesPage &page) : m_Page(page) {}
  ServerQueryHandle m_hQuery = HSERVERQUERY_INVALID;

  // Both end the ping: nothing of this object may be touched after ForgetPing.
  void OnPingAnswered(const ServerRecord &server) override {
    m_Page.OnPingAnswered(server);
    m_Page.ForgetPing(this);
  }
  void OnPingSilent() override { m_Page.ForgetPing(this); }

 private:
  CBaseGamesPage &m_Page;
};

// ---- construction and layout files

CBaseGamesPage::CBaseGamesPage(kgui::Panel *parent, const char *pageName, EServerSource type,
                               const char *customLayoutFile)
    : BaseClass(parent, pageName),
      m_eMatchMakingType(type),
      m_CustomLayoutFile(customLayoutFile ? customLayoutFile : "") {
  m_FavoritesCallback.Register(this, &CBaseGamesPage::OnFavoritesMsg);
  SetSize(kGamesPageWide, kGamesPageTall);
  V_strncpy(m_szAllText, kgui::WideToUtf8(LocalizedText("#ServerBrowser_All")).c_str(), sizeof(m_szAllText));

  CreateButtons();
  CreateGameList();
  CreateFilterControls();
  LoadLayoutFile();
  RestoreFilterSettings();

  char configName[128];
  V_snprintf(configName, sizeof(configName), "servers/Pages/%s", pageName ? pageName : "");
  LoadUserConfig(configName, 0);
}

CBaseGamesPage::~CBaseGamesPage() {
  if (IClientMatchmakingServers *servers = ClientMatchmakingServers()) {
    if (m_hListQuery) servers->FreeListRequest(m_hListQuery);
    // The services hold the pings' answer faces: none may answer into a deleted page.
    for (const auto &ping : m_vecPings) servers->AbortServerRequest(ping->m_hQuery);
  }
  m_hListQuery = nullptr;
}

void CBaseGamesPage::CreateButtons() {
  m_pConnect = new kgui::Button(this, "ConnectButton", "#ServerBrowser_Connect");
  m_pConnect->SetEnabled(false);
  m_pRefreshAll = new kgui::Button(this, "RefreshButton", "#ServerBrowser_Refresh");
  m_pRefreshQuick = new kgui::Button(this, "RefreshQuickButton", "#ServerBrowser_RefreshQuick");
  m_pAddServer = new kgui::Button(this, "AddServerButton", "#ServerBrowser_AddServer");
  m_pAddCurrentServer = new kgui::Button(this, "AddCurrentServerButton", "#ServerBrowser_AddCurrentServer");
  m_pAddToFavoritesButton = new kgui::Button(this, "AddToFavoritesButton", "");
  m_pAddToFavoritesButton->SetEnabled(false);
  m_pAddToFavoritesButton->SetVisible(false);
}

void CBaseGamesPage::CreateGameList() {
  m_pGameList = new CGameListPanel(this, this, this, "gamelist");
  m_pGameList->AllowColumnChoice(true);
  AddServerColumns(m_pGameList, kColumnLayout);
}

void CBaseGamesPage::LoadLayoutFile() {
  int wide = 0, tall = 0;
  GetSize(wide, tall);
  SetSize(kGamesPageWide, kGamesPageTall);

  char layoutFile[260];
  if (!m_CustomLayoutFile.empty()) {
    V_snprintf(layoutFile, sizeof(layoutFile), "%s", m_CustomLayoutFile.c_str());
    m_bFilterPanelShown = false;
  } else if (m_pFilter->IsSelected()) {
    V_snprintf(layoutFile, sizeof(layoutFile), "servers/%sPage_Filters.res", "InternetGames");
    m_bFilterPanelShown = true;
  } else {
    V_snprintf(layoutFile, sizeof(layoutFile), "servers/%sPage.res", "InternetGames");
    m_bFilterPanelShown = false;
  }
  LoadControlSettings(layoutFile);
  m_pFilter->SetSelected(m_bFilterPanelShown);
  SelectGameInFilter();

  SetSize(wide, tall);
  InvalidateLayout();
  Repaint();
}

void CBaseGamesPage::BuildImageList() {
  AttachServerImages(m_pGameList);
}

// ---- IGameList

void CBaseGamesPage::BeginRefresh() {
  CServerBrowserDialog *dialog = ServerBrowserDialog();
  AssertMsg(m_eMatchMakingType != eInternetServer || (dialog && dialog->IsVisible()),
            "Assertion Failed: m_eMatchMakingType != eInternetServer || ServerBrowserDialog().IsVisible()");

  m_QuickSearch.Clear();
  m_mapServers.clear();
  m_mapServerIP.clear();
  m_mapPingedServers.clear();
  m_pGameList->ClearItems();

  IClientMatchmakingServers *servers = ClientMatchmakingServers();
  if (m_hListQuery && servers) servers->FreeListRequest(m_hListQuery);
  m_hListQuery = nullptr;
  if (!servers) {
    // Nobody would ever answer: show the idle state rather than "refreshing" for good.
    ShowRefreshState(false);
    return;
  }

  const AppId_t appId = static_cast<AppId_t>(m_LimitToGame & 0xFFFFFF);
  const MatchMakingKeyValuePair_t *filters = m_vecServerFilters.empty() ? nullptr : m_vecServerFilters.data();
  const uint32 filterCount = static_cast<uint32>(m_vecServerFilters.size());
  switch (m_eMatchMakingType) {
    case eInternetServer:
      m_hListQuery = servers->RequestInternetList(appId, filters, filterCount, this);
      break;
    case eLanServer:
      m_hListQuery = servers->RequestLanList(appId, this);
      break;
    case eFriendServer:
      m_hListQuery = servers->RequestFriendsList(appId, filters, filterCount, this);
      break;
    case eFavoriteServer:
      m_hListQuery = servers->RequestFavoritesList(appId, filters, filterCount, this);
      break;
    case eHistoryServer:
      m_hListQuery = servers->RequestHistoryList(appId, filters, filterCount, this);
      break;
    case eSpectateServer:
      m_hListQuery = servers->RequestSpectatorList(appId, filters, filterCount, this);
      break;
    default:
      AssertMsg(false, "Unknown server type");
      break;
  }
  ShowRefreshState(true);
}

void CBaseGamesPage::GetNewServerList() {
  BeginRefresh();
}

void CBaseGamesPage::CancelRefresh() {
  if (m_hListQuery && ClientMatchmakingServers()) ClientMatchmakingServers()->StopListRequest(m_hListQuery);
}

bool CBaseGamesPage::IsRefreshRunning() {
  IClientMatchmakingServers *servers = ClientMatchmakingServers();
  return servers && m_hListQuery && servers->IsListRequestRunning(m_hListQuery);
}

ServerRecord *CBaseGamesPage::GetServerRecord(int serverIndex) {
  // A server learnt by a ping is known only to this page; without its record it could be neither
  // joined nor removed from the store until the next list.
  if (serverIndex < 0) {
    auto pinged = m_mapPingedServers.find(serverIndex);
    return pinged != m_mapPingedServers.end() ? &pinged->second : nullptr;
  }
  IClientMatchmakingServers *servers = ClientMatchmakingServers();
  return servers && m_hListQuery ? servers->GetListServerRecord(m_hListQuery, serverIndex) : nullptr;
}

void CBaseGamesPage::ConnectToServer() {
  if (m_pGameList->GetSelectionCount() < 1) return;
  const int serverIndex = FirstSelectedServer();
  CancelRefresh();
  if (CServerBrowserDialog *dialog = ServerBrowserDialog())
    dialog->JoinGame(this, static_cast<unsigned int>(serverIndex));
}

int CBaseGamesPage::NoRowID() {
  return m_pGameList->NoItemID();
}

int CBaseGamesPage::FirstSelectedServer() {
  if (m_pGameList->GetSelectionCount() < 1) return -1;
  return static_cast<int>(m_pGameList->GetItemUserValue(m_pGameList->GetSelectedItemID(0)));
}

// ---- rows from the services' answers

void CBaseGamesPage::OnServerAnswered(ListRequestHandle request, int index) {
  IClientMatchmakingServers *servers = ClientMatchmakingServers();
  const ServerRecord *server = servers ? servers->GetListServerRecord(request, index) : nullptr;
  AssertMsg(server, "Missing server response");
  if (!server) return;
  ApplyServerAnswer(index, server);
}

// The record tells whether the server ever answered; one that never did gets the
// not-responding texts.
void CBaseGamesPage::OnServerSilent(ListRequestHandle request, int index) {
  CBaseGamesPage::OnServerAnswered(request, index);
}

serverdisplay_t &CBaseGamesPage::FindOrAddServer(int iServer, const ServerRecord &server) {
  auto found = m_mapServers.find(iServer);
  if (found != m_mapServers.end()) return found->second;

  // One row per address: the same server under a new index replaces its old row.
  const netadr_t address = AddressKey(server.m_NetAdr.GetIP(), server.m_NetAdr.GetConnectionPort());
  auto byAddress = m_mapServerIP.find(address);
  if (byAddress != m_mapServerIP.end()) {
    auto old = m_mapServers.find(byAddress->second);
    if (old != m_mapServers.end()) {
      RemoveRow(old->second);
      m_QuickSearch.Remove(old->second);
      m_mapServers.erase(old);
    }
    m_mapServerIP.erase(byAddress);
  }
  m_mapServerIP[address] = iServer;
  return m_mapServers[iServer];
}

void CBaseGamesPage::ApplyServerAnswer(int iServer, const ServerRecord *pServerItem) {
  if (!pServerItem) return;
  serverdisplay_t &display = FindOrAddServer(iServer, *pServerItem);
  display.m_iServerIndex = iServer;
  Assert(pServerItem->m_NetAdr.GetIP() != 0);
  // Folded once per answer, so that typing in the quick search only compares.
  m_QuickSearch.Set(display, *pServerItem);

  if (!PassesPrimaryFilters(*pServerItem)) {
    display.m_bFilteredOut = true;
    RemoveRow(display);
    return;
  }
  if (!PassesSecondaryFilters(*pServerItem) || !PassesQuickSearch(display, *pServerItem)) {
    RemoveRow(display);
    return;
  }
  // It passes now: a mark left by an earlier failing answer or filter change must not make a
  // server that answers read as not responding.
  display.m_bFilteredOut = false;

  const unsigned int userValue = static_cast<unsigned int>(display.m_iServerIndex);
  if (IsRowValid(display.m_iRowID)) {
    // Replaced by a fresh compact copy, without a sort per answer: editing the row's record in
    // place would make the row keep a whole record from then on, twice a compact row's memory.
    KeyValuesAD row(new KeyValues("Server"));
    WriteRowKeys(row.get(), display, *pServerItem);
    m_pGameList->SetItemData(display.m_iRowID, row.get());
    m_pGameList->SetItemUserValue(display.m_iRowID, userValue);
    m_pGameList->ShowItem(display.m_iRowID, true);
  } else {
    KeyValues *row = new KeyValues("Server");
    WriteRowKeys(row, display, *pServerItem);
    display.m_iRowID = m_pGameList->AddItem(row, userValue, false, false);
    row->Destroy();
  }
  UpdateServerCount();
}

void CBaseGamesPage::WriteRowKeys(KeyValues *row, const serverdisplay_t &display,
                                  const ServerRecord &server) {
  if (!row) return;
  WriteServerRowKeys(row, server);
  char lastPlayed[64];
  if (server.m_nLastPlayedTime != 0 &&
      FormatLastPlayed(server.m_nLastPlayedTime, lastPlayed, sizeof(lastPlayed)))
    row->SetString("LastPlayed", lastPlayed);

  if (display.m_bFilteredOut || !server.m_bResponded) {
    row->SetString("Ping", "");
    row->SetWString("GameDesc", LocalizedText("#ServerBrowser_NotResponding").c_str());
    row->SetString("Players", "");
    row->SetString("map", "");
  }
}

void CBaseGamesPage::RemoveRow(serverdisplay_t &display) {
  if (!IsRowValid(display.m_iRowID)) return;
  m_pGameList->RemoveItem(display.m_iRowID);
  display.m_iRowID = NoRowID();
}

bool CBaseGamesPage::IsRowValid(int rowID) {
  return rowID != NoRowID() && m_pGameList->IsItemIDValid(rowID);
}

void CBaseGamesPage::HideServerRow(serverdisplay_t &server) {
  if (IsRowValid(server.m_iRowID)) m_pGameList->ShowItem(server.m_iRowID, false);
  UpdateServerCount();
}

void CBaseGamesPage::ReapplyFilters() {
  for (auto &entry : m_mapServers) {
    serverdisplay_t &display = entry.second;
    const ServerRecord *server = GetServerRecord(display.m_iServerIndex);
    if (!server) continue;
    if (!PassesPrimaryFilters(*server) || !PassesSecondaryFilters(*server) ||
        !PassesQuickSearch(display, *server)) {
      display.m_bFilteredOut = true;
      if (IsRowValid(display.m_iRowID)) m_pGameList->ShowItem(display.m_iRowID, false);
    } else if (display.m_bFilteredOut || !IsRowValid(display.m_iRowID)) {
      // An answer that failed only the secondary checks took the row away unmarked: it comes
      // back as well, or relaxing a filter would not show it again before the next list.
      display.m_bFilteredOut = false;
      ShowFilteredInRow(display, *server);
    }
  }
  ShowFilteredRows();
}

void CBaseGamesPage::ShowFilteredRows() {
  UpdateServerCount();
  m_pGameList->SortList();
  InvalidateLayout();
  Repaint();
}

// The row made here carries fewer keys than an answer writes; the server's next answer completes it.
void CBaseGamesPage::ShowFilteredInRow(serverdisplay_t &display, const ServerRecord &server) {
  if (!IsRowValid(display.m_iRowID)) {
    KeyValues *row = new KeyValues("Server");
    row->SetString("name", server.GetName());
    row->SetString("map", server.GetMap());
    row->SetString("GameDir", server.GetGameDir());
    row->SetString("GameTags", server.GetTags());
    if (server.GetDescription()[0])
      row->SetString("GameDesc", server.GetDescription());
    else
      row->SetWString("GameDesc", LocalizedText("#ServerBrowser_PendingPing").c_str());
    char players[256];
    V_snprintf(players, sizeof(players), "%d / %d", server.m_nPlayerCount, server.m_nPlayerLimit);
    row->SetString("Players", players);
    row->SetInt("Ping", server.m_nPingMs);
    row->SetInt("password", server.m_bHasPassword ? kServerImagePassword : 0);
    row->SetInt("bots", server.m_nBotCount != 0 ? kServerImageBots : 0);
    display.m_iRowID =
        m_pGameList->AddItem(row, static_cast<unsigned int>(display.m_iServerIndex), false, false);
    row->Destroy();
  }
  m_pGameList->ShowItem(display.m_iRowID, true);
}

// ---- pings and the favourites notification

// A server learnt outside the list request takes the next free negative index.
void CBaseGamesPage::OnPingAnswered(const ServerRecord &server) {
  int id = -1;
  while (m_mapServers.count(id)) --id;
  m_mapPingedServers[id] = server;
  ApplyServerAnswer(id, &server);
}

void CBaseGamesPage::PingStoredServer(uint32 ip, uint16 queryPort) {
  IClientMatchmakingServers *servers = ClientMatchmakingServers();
  if (!servers) return;
  m_vecPings.push_back(std::make_unique<CStoredServerPing>(*this));
  CStoredServerPing *ping = m_vecPings.back().get();
  const ServerQueryHandle query = servers->RequestPing(ip, queryPort, ping);
  // The services may have answered inside the request already, and then the ping is gone.
  for (const auto &running : m_vecPings) {
    if (running.get() != ping) continue;
    if (query == HSERVERQUERY_INVALID)
      ForgetPing(ping);
    else
      ping->m_hQuery = query;
    return;
  }
}

void CBaseGamesPage::ForgetPing(CStoredServerPing *ping) {
  for (auto it = m_vecPings.begin(); it != m_vecPings.end(); ++it) {
    if (it->get() != ping) continue;
    m_vecPings.erase(it);
    return;
  }
}

void CBaseGamesPage::OnFavoritesMsg(FavoritesListChanged_t *change) {
  if (!change) return;
  switch (m_eMatchMakingType) {
    case eFavoriteServer:
    case eHistoryServer:
      break;
    case eInternetServer:
    case eLanServer:
    case eFriendServer:
    case eSpectateServer:
      return;
    default:
      AssertMsg(false, "unknown matchmaking type");
      return;
  }

  if (change->m_nIP == 0) {
    // The whole list changed: fetch it again, but only where the user sees it.
    auto *sheet = dynamic_cast<kgui::PropertySheet *>(GetParent());
    CServerBrowserDialog *dialog = ServerBrowserDialog();
    if (sheet && sheet->GetActivePage() == this && sheet->IsVisible() && dialog && dialog->IsVisible())
      GetNewServerList();
    return;
  }

  // A change that names its lists leaves the other page alone: a new favourite is no visit, and a
  // visit forgotten is still a favourite. A change without flags concerns both.
  const uint32 ownFlag =
      m_eMatchMakingType == eFavoriteServer ? k_unFavoriteFlagFavorite : k_unFavoriteFlagHistory;
  if (change->m_nFlags != 0 && !(change->m_nFlags & ownFlag)) return;

  const uint16 queryPort = static_cast<uint16>(change->m_nQueryPort & 0xFFFF);
  const uint16 connectionPort = static_cast<uint16>(change->m_nConnPort & 0xFFFF);
  auto byAddress = m_mapServerIP.find(AddressKey(change->m_nIP, connectionPort));
  if (byAddress == m_mapServerIP.end()) {
    if (change->m_bAdd) PingStoredServer(change->m_nIP, queryPort);
    return;
  }

  const int serverIndex = byAddress->second;
  if (change->m_bAdd) {
    // Index 0 and the ping ids are not indices of the current request.
    if (serverIndex > 0) OnServerAnswered(m_hListQuery, serverIndex);
    return;
  }
  auto found = m_mapServers.find(serverIndex);
  if (found != m_mapServers.end() && IsRowValid(found->second.m_iRowID))
    m_pGameList->ShowItem(found->second.m_iRowID, false);
  UpdateServerCount();
}

// ---- refresh state and server count

const char *CBaseGamesPage::IdleRefreshText() {
  return OffersItem(eItemFullRefresh) ? "#ServerBrowser_RefreshAll" : "#ServerBrowser_Refresh";
}

// The command follows the text, so a button reading "Refresh" always refreshes.
void CBaseGamesPage::SetRefreshButton(bool refreshing) {
  m_pRefreshAll->SetText(refreshing ? "#ServerBrowser_StopRefreshingList" : IdleRefreshText());
  m_pRefreshAll->SetCommand(refreshing ? "stoprefresh" : "GetNewList");
}

void CBaseGamesPage::ShowRefreshState(bool refreshing) {
  CServerBrowserDialog *dialog = ServerBrowserDialog();
  if (refreshing) {
    if (dialog) dialog->UpdateStatusText("#ServerBrowser_RefreshingServerList");
    m_pGameList->SetEmptyText("");
    SetRefreshButton(true);
    m_pRefreshQuick->SetEnabled(false);
  } else {
    if (dialog) dialog->UpdateStatusText("%s", "");
    SetRefreshButton(false);
    m_pRefreshQuick->SetEnabled(m_pGameList->GetVisibleItemCount() > 0);
  }
}

void CBaseGamesPage::UpdateServerCount() {
  const int shown = m_pGameList->GetVisibleItemCount();
  if (shown <= 1) {
    m_pGameList->SetColumnHeaderLabel(kNameColumn, "#ServerBrowser_Servers");
    return;
  }
  char count[16];
  V_snprintf(count, sizeof(count), "%d", shown);
  const std::u16string countText = kgui::Utf8ToWide(count);
  const std::u16string format = LocalizedText("#ServerBrowser_ServersCount");
  char16_t header[256];
  header[0] = 0;
  if (kgui::localize())
    kgui::localize()->ConstructString(header, static_cast<int>(sizeof(header)), format.c_str(), 1,
                                      countText.c_str());
  m_pGameList->SetColumnHeaderLabel(kNameColumn, header);
}

// ---- toolkit hooks, commands and handlers

void CBaseGamesPage::ApplySchemeSettings(kgui::IScheme *schemeInterface) {
  BaseClass::ApplySchemeSettings(schemeInterface);
  BuildImageList();
}

void CBaseGamesPage::OnCommand(const char *command) {
  if (!V_stricmp(command, "Connect")) {
    ConnectToServer();
  } else if (!V_stricmp(command, "stoprefresh")) {
    CancelRefresh();
  } else if (!V_stricmp(command, "refresh")) {
    IClientMatchmakingServers *servers = ClientMatchmakingServers();
    if (!servers || !m_hListQuery) {
      ShowRefreshState(false);
      return;
    }
    servers->RepeatListRequest(m_hListQuery);
    ShowRefreshState(true);
  } else if (!V_stricmp(command, "GetNewList")) {
    GetNewServerList();
  } else {
    BaseClass::OnCommand(command);
  }
}

void CBaseGamesPage::OnKeyCodePressed(kgui::KeyCode code) {
  if (code == kgui::KEY_F5)
    BeginRefresh();
  else
    BaseClass::OnKeyCodePressed(code);
}

void CBaseGamesPage::PerformLayout() {
  BaseClass::PerformLayout();
  const bool anySelected = m_pGameList->GetSelectionCount() > 0;
  m_pConnect->SetEnabled(anySelected);
  m_pRefreshQuick->SetVisible(OffersItem(eItemFullRefresh));
  SetRefreshButton(IsRefreshRunning());
  m_pAddServer->SetVisible(OffersItem(eItemAddServer));
  m_pAddCurrentServer->SetVisible(OffersItem(eItemAddCurrentServer));
  m_pRefreshQuick->SetEnabled(m_pGameList->GetVisibleItemCount() > 0);
  Repaint();
}

void CBaseGamesPage::OnPageShow() {
  BeginRefresh();
}

void CBaseGamesPage::OnPageHide() {
  CancelRefresh();
}

void CBaseGamesPage::OnItemSelected() {
  m_pConnect->SetEnabled(m_pGameList->GetSelectionCount() > 0);
}

void CBaseGamesPage::OnAddToFavorites() {
  CServerBrowserDialog *dialog = ServerBrowserDialog();
  if (!dialog) return;
  ForEachSelectedServer(false,
                        [dialog](const ServerRecord &server) { dialog->AddServerToFavorites(server); });
}

void CBaseGamesPage::ForEachSelectedServer(bool lastFirst,
                                           const std::function<void(const ServerRecord &)> &act) {
  // The count is read again before every step: an action may change the selection.
  for (int step = 0; step < m_pGameList->GetSelectionCount(); ++step) {
    const int i = lastFirst ? m_pGameList->GetSelectionCount() - 1 - step : step;
    const int serverIndex =
        static_cast<int>(m_pGameList->GetItemUserValue(m_pGameList->GetSelectedItemID(i)));
    if (const ServerRecord *server = GetServerRecord(serverIndex)) act(*server);
  }
}

void CBaseGamesPage::OnViewGameInfo() {
  if (m_pGameList->GetSelectionCount() < 1) return;
  if (CServerBrowserDialog *dialog = ServerBrowserDialog())
    dialog->OpenGameInfoDialog(this, static_cast<unsigned int>(FirstSelectedServer()));
}

// The parameter is not used: the selected rows are the ones refreshed.
void CBaseGamesPage::OnRefreshServer(int serverID) {
  (void)serverID;
  IClientMatchmakingServers *servers = ClientMatchmakingServers();
  if (servers && m_hListQuery) {
    for (int i = 0; i < m_pGameList->GetSelectionCount(); ++i) {
      const unsigned int serverIndex = m_pGameList->GetItemUserValue(m_pGameList->GetSelectedItemID(i));
      servers->RequeryListServer(m_hListQuery, static_cast<int>(serverIndex));
    }
  }
  ShowRefreshState(IsRefreshRunning());
}

bool CBaseGamesPage::IsClientOffline() {
  IClientUtils *utils = ClientUtils();
  return utils && utils->IsClientOffline();
}

void CBaseGamesPage::ShowOfflineState() {
  if (m_pGameList) m_pGameList->SetEmptyText("#ServerBrowser_OfflineMode");
  m_pConnect->SetEnabled(false);
  m_pRefreshAll->SetEnabled(false);
  m_pRefreshQuick->SetEnabled(false);
  m_pAddServer->SetEnabled(false);
  m_pFilter->SetEnabled(false);
}

CServerContextMenu *CBaseGamesPage::ShowServerContextMenu(bool showAddToFavorites) {
  CServerBrowserDialog *mainWindow = ServerBrowserDialog();
  CServerContextMenu *menu = mainWindow ? mainWindow->GetContextMenu(m_pGameList) : nullptr;
  if (!menu) return nullptr;
  if (m_pGameList->GetSelectionCount() > 0)
    menu->ShowMenu(this, static_cast<unsigned int>(FirstSelectedServer()), true, true, true,
                   showAddToFavorites);
  else
    menu->ShowMenu(this, static_cast<unsigned int>(-1), false, false, false, false);
  return menu;
}

void CBaseGamesPage::OnMessage(KeyValues *message, kgui::VPANEL from) {
  const bool openingMenu = message && !V_stricmp(message->GetName(), "OpenContextMenu");
  BaseClass::OnMessage(message, from);
  if (!openingMenu) return;
  // Only the menu this page has just opened on its list takes the items: a page that shows no
  // menu without a selection left the last one closed.
  CServerBrowserDialog *mainWindow = ServerBrowserDialog();
  CServerContextMenu *menu = mainWindow ? mainWindow->GetCurrentContextMenu() : nullptr;
  if (!menu || !menu->IsVisible() || menu->GetParent() != m_pGameList) return;
  if (m_pGameList->GetSelectionCount() > 0)
    menu->AddMenuItem("CopyAddress", "#ServerBrowser_CopyAddress",
                      new KeyValues("CopyServerAddress", "serverID", FirstSelectedServer()), this);
  AddPageMenuItems(menu);
}

void CBaseGamesPage::OnCopyServerAddress(int serverID) {
  const ServerRecord *server = GetServerRecord(serverID);
  if (!server || server->m_NetAdr.GetIP() == 0 || !kgui::system()) return;
  const std::u16string text = kgui::Utf8ToWide(
      FavoriteAddressText(server->m_NetAdr.GetIP(), server->m_NetAdr.GetConnectionPort()).c_str());
  kgui::system()->SetClipboardText(text.c_str(), static_cast<int>(text.size()));
}

// ---- validation

void CBaseGamesPage::Validate(CValidator &validator) {
  validator.Push("CBaseGamesPage", this, GetName());
  const auto pushMap = [&validator](const char *type, const void *map, const char *name) {
    validator.Push(type, map, name);
    validator.Push("CUtlRBTree", map, "m_Tree");
    validator.Push("CUtlMemory", map, "m_Elements");
    validator.Pop();
    validator.Pop();
    validator.Pop();
  };
  pushMap("CUtlMap<uint64, int>", &m_mapGamesFilterItem, "m_mapGamesFilterItem");
  pushMap("CUtlMap<int, serverdisplay_t>", &m_mapServers, "m_mapServers");
  pushMap("CUtlMap<netadr_t, int>", &m_mapServerIP, "m_mapServerIP");
  validator.Push("CUtlVector", &m_vecServerFilters, "m_vecServerFilters");
  validator.Push("CUtlMemory", &m_vecServerFilters, "m_Memory");
  validator.Pop();
  validator.Pop();
  validator.Push("EditablePanel", static_cast<kgui::EditablePanel *>(this), "CBaseGamesPage");
  validator.Pop();
  validator.Pop();
}
