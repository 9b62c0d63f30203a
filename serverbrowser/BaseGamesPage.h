// The server-list page every tab is built on: the list of servers with its columns and images,
// the row buttons, the filter controls, one list request to the services, the rows built from
// their answers (at most one per server address), and the IGameList face.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "kgui_controls/PropertyPage.h"
#include "plexa/callbacktypes.h"
#include "plexa/ccallback.h"
#include "plexa/matchmakingresponses.h"
#include "serverbrowser/IGameList.h"
#include "serverbrowser/QuickSearch.h"
#include "tier1/netadr.h"

class CGameListPanel;
class CServerContextMenu;
class CStoredServerPing;
class CValidator;
class KeyValues;

namespace kgui {
class Button;
class CheckButton;
class ComboBox;
class Label;
class TextEntry;
class ToggleButton;
}  // namespace kgui

// What a page remembers of one server index of its current request.
struct serverdisplay_t {
  int32 m_iRowID = -1;          // the row in the list, -1 while the server has no row
  int32 m_iServerIndex = -1;    // the services' index; negative for servers learnt by a ping
  bool m_bFilteredOut = false;  // the server failed the filters
  int32 m_iSearchSlot = -1;     // the server's place in the page's quick search index
};

// Size every layout file of a page is applied at.
inline constexpr int kGamesPageWide = 624;
inline constexpr int kGamesPageTall = 278;

class CBaseGamesPage : public kgui::PropertyPage,
                       public IGameList,
                       public IPlexaMatchmakingServerListResponse,
                       public IPlexaMatchmakingPingResponse {
  DECLARE_CLASS_SIMPLE(CBaseGamesPage, kgui::PropertyPage);

 public:
  // `customLayoutFile` (may be null) replaces the shared "servers/InternetGamesPage*.res" files.
  CBaseGamesPage(kgui::Panel *parent, const char *pageName, EServerSource type,
                 const char *customLayoutFile = nullptr);
  ~CBaseGamesPage() override;

  // ---- IGameList (OffersItem is each page's own)
  void BeginRefresh() override;
  void GetNewServerList() override;
  void CancelRefresh() override;
  bool IsRefreshRunning() override;
  ServerRecord *GetServerRecord(int serverIndex) override;
  void ConnectToServer() override;
  int NoRowID() override;

  // ---- IPlexaMatchmakingServerListResponse (OnListDone is each page's own)
  void OnServerAnswered(ListRequestHandle request, int index) override;
  void OnServerSilent(ListRequestHandle request, int index) override;

  // ---- IPlexaMatchmakingPingResponse
  void OnPingAnswered(const ServerRecord &server) override;
  void OnPingSilent() override {}

  // ---- the page's own operations
  virtual void ShowRefreshState(bool refreshing);
  // Saved filters into the fields and controls.
  virtual void RestoreFilterSettings();
  // Whether the page handled a typed Enter in its list; the base leaves it to the list.
  virtual bool OnListEnterKey() { return false; }

  // Filters, then row visibility and the server count, for every server of the request.
  void ReapplyFilters();
  // After rows were shown or hidden: the count, the order and a new layout.
  void ShowFilteredRows();
  // The name column's header shows the number of shown rows.
  void UpdateServerCount();
  // Hides (keeps) the entry's row, then updates the count.
  void HideServerRow(serverdisplay_t &server);
  // Controls into fields, request pairs and the saved record.
  void UpdateFilterSettings();
  void UpdateFilterDescription();
  void FillGameFilter();
  void SelectGameInFilter();

  EServerSource GetServerSource() const { return m_eMatchMakingType; }
  CGameListPanel *GetGameList() const { return m_pGameList; }
  // The filter pairs of the next request.
  const std::vector<MatchMakingKeyValuePair_t> &GetServerFilters() const { return m_vecServerFilters; }
  const std::map<int, serverdisplay_t> &GetServerMap() const { return m_mapServers; }
  ListRequestHandle GetListRequest() const { return m_hListQuery; }

  // Pings started for stored servers added elsewhere that have not answered yet.
  int CountRunningPings() const { return static_cast<int>(m_vecPings.size()); }

  // Reports the page's containers to an audit.
  void Validate(CValidator &validator);

  // The 64-bit game id is a usable limit for its kind (see the filter rules).
  static bool IsUsableGameLimit(uint64 gameID);

  // Public as the panel's own: after a page's "OpenContextMenu" handler, the items every page adds
  // after the standard and the page's own ones ("Copy address" for a selected server, then
  // AddPageMenuItems).
  void OnMessage(KeyValues *message, kgui::VPANEL from) override;

 protected:
  // ---- toolkit hooks
  void ApplySchemeSettings(kgui::IScheme *schemeInterface) override;
  void OnCommand(const char *command) override;
  void OnKeyCodePressed(kgui::KeyCode code) override;
  void PerformLayout() override;
  void OnPageShow() override;
  void OnPageHide() override;

  // ---- handlers and hooks of the concrete pages
  virtual void OnAddToFavorites();
  virtual void OnLoadModList(uint64 nAppID);
  virtual void OnItemSelected();
  virtual void ApplyServerAnswer(int iServer, const ServerRecord *pServerItem);
  virtual bool IsFilteredOut(const serverdisplay_t &server) { return server.m_bFilteredOut; }
  virtual bool PassesPrimaryFilters(const ServerRecord &server);
  virtual bool PassesSecondaryFilters(const ServerRecord &server);
  // Whether the row's folded texts hold the quick search (made from the record when missing).
  bool PassesQuickSearch(serverdisplay_t &display, const ServerRecord &server);
  virtual void SaveExtraFilterSettings(KeyValues *filter) { (void)filter; }
  virtual void LoadExtraFilterSettings(KeyValues *filter) { (void)filter; }
  virtual void OnViewGameInfo();
  virtual void OnRefreshServer(int serverID);
  virtual void OnButtonToggled(kgui::Panel *panel, int state);
  virtual void OnTextChanged(kgui::Panel *panel, const char *text);
  // Items a page adds to its open context menu after every other one; `menu` is the menu it
  // opened (with server id -1 and no standard items when nothing is selected).
  virtual void AddPageMenuItems(CServerContextMenu *menu) { (void)menu; }
  // Puts the server's connection address ("a.b.c.d:port") on the host's clipboard.
  virtual void OnCopyServerAddress(int serverID);

  // Message-map entry of "ConnectToServer".
  void OnConnectToServerMessage() { ConnectToServer(); }
  // The server index of the first selected row, or -1 when none is selected. Servers learnt by a
  // ping carry negative indices too: ask GetSelectionCount() when -1 could be a row.
  int FirstSelectedServer();
  // Whether the services run offline (false without services).
  static bool IsClientOffline();
  // Offline pages say so in the empty list and disable the five controls that would fetch.
  void ShowOfflineState();
  // Shows the main window's context menu with this page as target: for the first selected row
  // with connect, view game info, refresh and (when asked) add to favourites, or with server id -1
  // and no standard items when nothing is selected. Null without a main window.
  CServerContextMenu *ShowServerContextMenu(bool showAddToFavorites);
  // Passes the page's own record of each selected server to `act`: the selected rows in selection
  // order, or from the last to the first. Rows whose record is gone are skipped.
  void ForEachSelectedServer(bool lastFirst, const std::function<void(const ServerRecord &)> &act);

  CGameListPanel *m_pGameList = nullptr;
  kgui::Button *m_pConnect = nullptr;
  kgui::Button *m_pRefreshAll = nullptr;
  kgui::Button *m_pRefreshQuick = nullptr;
  kgui::Button *m_pAddServer = nullptr;
  kgui::Button *m_pAddCurrentServer = nullptr;
  kgui::Button *m_pAddToFavoritesButton = nullptr;
  kgui::ToggleButton *m_pFilter = nullptr;
  kgui::Label *m_pFilterString = nullptr;
  kgui::ComboBox *m_pGameFilter = nullptr;
  kgui::TextEntry *m_pMapFilter = nullptr;
  kgui::TextEntry *m_pQuickSearch = nullptr;
  kgui::ComboBox *m_pPingFilter = nullptr;
  kgui::ComboBox *m_pSecureFilter = nullptr;
  kgui::CheckButton *m_pNoEmptyServersFilterCheck = nullptr;
  kgui::CheckButton *m_pNoFullServersFilterCheck = nullptr;
  kgui::CheckButton *m_pNoPasswordFilterCheck = nullptr;

  std::map<int, serverdisplay_t> m_mapServers;
  std::map<netadr_t, int> m_mapServerIP;
  std::map<uint64, int> m_mapGamesFilterItem;
  std::vector<MatchMakingKeyValuePair_t> m_vecServerFilters;
  ListRequestHandle m_hListQuery = nullptr;
  const EServerSource m_eMatchMakingType;

  // ---- filter state
  char m_szGameDirFilter[32] = {};
  uint64 m_LimitToGame = 0;
  char m_szMapFilter[32] = {};
  int m_nMaxPing = 0;
  bool m_bHideFull = false;
  bool m_bHideEmpty = false;
  bool m_bHidePassworded = false;
  int m_eSecureFilter = 0;
  bool m_bGameBoxFilled = false;
  bool m_bFilterPanelShown = false;
  char m_szQuickSearch[64] = {};  // the quick search as typed (saved)
  // Every server's folded texts and whether they hold the quick search (folded, its query).
  CQuickSearchIndex m_QuickSearch;

  // Appends a pair to the next request's filters (key and value cut to their fields).
  void AddFilterPair(const char *key, const char *value);

 private:
  // ---- construction
  void CreateButtons();
  void CreateGameList();
  void CreateFilterControls();
  // Chooses and applies the layout file at the fixed page size, keeping the page's size.
  void LoadLayoutFile();
  void BuildImageList();

  // ---- rows
  // The entry of `iServer`, made when new; an older index at the same address loses its row.
  serverdisplay_t &FindOrAddServer(int iServer, const ServerRecord &server);
  // Every key of a row from the record (and the not-responding overrides when due).
  void WriteRowKeys(KeyValues *row, const serverdisplay_t &display, const ServerRecord &server);
  // Gives a server that passes the filters again its row back, or a new one.
  void ShowFilteredInRow(serverdisplay_t &display, const ServerRecord &server);
  void RemoveRow(serverdisplay_t &display);
  bool IsRowValid(int rowID);
  // What the idle refresh button reads.
  const char *IdleRefreshText();
  void SetRefreshButton(bool refreshing);
  void OnFavoritesMsg(FavoritesListChanged_t *change);
  // Pings a stored server that the list does not show; the answer arrives as a ping answer.
  void PingStoredServer(uint32 ip, uint16 queryPort);
  friend class CStoredServerPing;
  // A stored server's ping finished (answered, silent or aborted): it leaves the running pings.
  void ForgetPing(CStoredServerPing *ping);

  // ---- filters
  // The page's saved filter record, or null without a main window.
  KeyValues *FilterSaveData();
  void ReadGameFilterFromBox();
  int ReadPingLimit();
  int SelectedSecureRow();
  void RebuildFilterPairs();
  // Shows or hides the rows whose quick search match changed, judging a row that now matches by
  // the other filters as well.
  void ApplyQuickSearchFlips(const std::vector<CQuickSearchIndex::Flip> &flips);
  void WriteFilterRecord();

  std::string m_CustomLayoutFile;  // empty: the shared layout files
  char m_szAllText[64] = {};
  // Pings started for favourites added elsewhere, each with its own answer face so that it can
  // leave this list when it finishes; the rest are aborted when the page goes.
  std::vector<std::unique_ptr<CStoredServerPing>> m_vecPings;
  // The records of servers learnt by a ping, by their negative ids: the services keep none.
  std::map<int, ServerRecord> m_mapPingedServers;
  CCallback<CBaseGamesPage, FavoritesListChanged_t> m_FavoritesCallback;
};
