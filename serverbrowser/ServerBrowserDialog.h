// The browser's one top-level window: the tab sheet with the six server lists, the status line,
// the shared context menu, the open game-info dialogs, what the host says about the running game
// and the connected server, and the saved settings (selected tab and every page's filters).
#pragma once

#include <string>
#include <vector>

#include "kgui_controls/Frame.h"
#include "kgui_controls/PHandle.h"
#include "plexa/matchmakingtypes.h"
#include "tier0/platform.h"

class CBaseGamesPage;
class CDialogFindPlayer;
class CDialogGameInfo;
class CFavoriteGames;
class CFriendsGames;
class CHistoryGames;
class CInternetGames;
class CLanGames;
class CServerContextMenu;
class CSpectateGames;
class CValidator;
class IGameList;
class KeyValues;

namespace kgui {
class Button;
class Label;
class PropertySheet;
}  // namespace kgui

// The settings file in the user's configuration folder, and the read-only fallback in "CONFIG".
inline constexpr const char kSavedSettingsFile[] = "serverbrowser_ui.vdf";
inline constexpr const char kFallbackSettingsFile[] = "ServerBrowser.vdf";

class CServerBrowserDialog : public kgui::Frame {
  DECLARE_CLASS_SIMPLE(CServerBrowserDialog, kgui::Frame);

 public:
  explicit CServerBrowserDialog(kgui::Panel *parent);
  ~CServerBrowserDialog() override;

  // Shows, raises and focuses the window; the tab sheet passes the focus to the selected page.
  void Open();

  // Formats up to 1023 characters into the status line; null or "" clears it.
  void UpdateStatusText(const char *format, ...) FMTFUNCTION(2, 3);
  // The page's filter record, created empty when missing.
  KeyValues *GetFilterSaveData(const char *pageName);
  void AddServerToFavorites(const ServerRecord &server);

  // ---- game-info dialogs: top-level windows of their own, tracked weakly
  // A dialog for the page's server `serverIndex`, shown; null when the page has no such server.
  CDialogGameInfo *OpenGameInfoDialog(IGameList *page, unsigned int serverIndex);
  // A dialog for the server at ip with its ports, titled `name`, shown (for servers no page holds).
  CDialogGameInfo *OpenServerGameInfo(uint32 ip, uint16 queryPort, uint16 connectionPort, const char *name);
  // Opens the server's dialog and starts the join.
  void JoinGame(IGameList *page, unsigned int serverIndex);
  // A dialog following the friend, shown; null for an id that names no user.
  CDialogGameInfo *OpenFriendGameInfo(uint64 friendID);
  // A dialog for ip:port (the port serves as query and connection port) that joins at once.
  void JoinServer(uint32 ip, uint16 port, const char *password);
  // The first live dialog following `friendID`, or null.
  CDialogGameInfo *FindGameInfoDialog(uint64 friendID);
  // Posts "Close" to every live game-info dialog.
  void CloseAllGameInfoDialogs();
  // Test seam and dialog registration: tracks a dialog (weakly).
  void AddGameInfoDialog(kgui::Panel *dialog);
  // The tracked dialogs that still exist.
  std::vector<kgui::Panel *> GetGameInfoDialogs() const;

  // ---- finding a player (Ctrl+F or the button beside the status line)
  // Shows the find-a-player window, made when none is open; it searches the current page.
  CDialogFindPlayer *OpenFindPlayer();
  // The open find-a-player window, or null.
  CDialogFindPlayer *GetFindPlayerDialog() const;

  // Replaces the context menu with a new hidden one parented to `owner` (or the window).
  CServerContextMenu *GetContextMenu(kgui::Panel *owner);
  // The current context menu, or null once it is gone.
  CServerContextMenu *GetCurrentContextMenu() const;

  virtual ServerRecord *GetCurrentConnectedServer() { return &m_CurrentConnection; }
  bool IsConnectedToGame() const { return m_bCurrentlyConnected; }
  // Null when the host reported no active game.
  const char *GetActiveGameName() const { return m_szGameName[0] ? m_szGameName : nullptr; }
  const char *GetActiveGameDirectory() const { return m_szModDir[0] ? m_szModDir : nullptr; }
  uint64 GetActiveAppId() const { return m_iLimitAppID; }
  // Every page loads its filters again.
  void ReloadFilterSettings();
  // Fourteen ports the add-server dialog tries when the user gives none.
  static void GetCommonQueryPorts(std::vector<uint16> &ports);
  // Whether `friendID` may be followed (account type, universe, instance rules).
  static bool IsValidFriendID(uint64 friendID);

  // The list page shown in the tab sheet, or null.
  IGameList *GetActiveGameList() const { return m_pGameList; }
  kgui::PropertySheet *GetTabSheet() const { return m_pTabPanel; }
  CInternetGames *GetInternetGames() const { return m_pInternetGames; }
  CSpectateGames *GetSpectateGames() const { return m_pSpectateGames; }
  CFavoriteGames *GetFavoriteGames() const { return m_pFavorites; }
  CHistoryGames *GetHistoryGames() const { return m_pHistory; }
  CLanGames *GetLanGames() const { return m_pLanGames; }
  CFriendsGames *GetFriendsGames() const { return m_pFriendsGames; }
  // The word saved as "GameList" for the active page.
  const char *GetActivePageWord() const;

  void Validate(CValidator &validator);

  // Notes whether the layout places the window, so that the default placement fills in otherwise.
  void ApplySettings(KeyValues *inResourceData) override;

  // Where the window goes when its settings give no position: 5 % in from the left and 40 % down
  // the work area, half its width and 55 % of its height.
  static void DefaultPlacement(int areaX, int areaY, int areaWide, int areaTall, int &x, int &y, int &wide,
                               int &tall);

 protected:
  void OnClose() override;
  void OnCommand(const char *command) override;
  void OnKeyCodeTyped(kgui::KeyCode code) override;
  virtual void OnGameListChanged();
  virtual void OnActiveGameName(KeyValues *message);
  virtual void OnConnectToGame(KeyValues *message);
  virtual void OnDisconnectFromGame();

 private:
  void CreatePages();
  void CreateTabSheet();
  void PlaceByDefault();
  void LoadUserData();
  // Moves a settings file at `path` that could not be used aside, so that the save at quit does
  // not replace the user's settings with defaults.
  void KeepUnusableSettings(const std::string &path);
  // Tells the user, once, where the unusable settings were kept.
  // A message box for each file found damaged and kept aside: the browser's settings, the services' store.
  void TellOfDamagedFiles();
  void ShowDamagedFileBox(const char *titleToken, const char *textToken, const std::string &copyName);
  void SaveUserData();
  void SelectSavedPage();
  // The settings file in the user's configuration folder.
  std::string SavedSettingsPath() const;
  void ClearStatusText();

  std::vector<kgui::PHandle> m_GameInfoDialogs;
  IGameList *m_pGameList = nullptr;
  kgui::Label *m_pStatusLabel = nullptr;
  kgui::Button *m_pFindPlayerButton = nullptr;
  // A window of its own, deleted with the main window so no query outlives the browser.
  kgui::PHandle m_hFindPlayer;
  kgui::PropertySheet *m_pTabPanel = nullptr;
  CFavoriteGames *m_pFavorites = nullptr;
  CHistoryGames *m_pHistory = nullptr;
  CInternetGames *m_pInternetGames = nullptr;
  CSpectateGames *m_pSpectateGames = nullptr;
  CLanGames *m_pLanGames = nullptr;
  CFriendsGames *m_pFriendsGames = nullptr;
  KeyValues *m_pSavedData = nullptr;
  KeyValues *m_pFilterData = nullptr;
  // Weak: the menu lives under the list that asked for it and may go with that list.
  kgui::PHandle m_hContextMenu;
  char m_szGameName[128] = {};
  char m_szModDir[128] = {};
  uint64 m_iLimitAppID = 0;
  bool m_bCurrentlyConnected = false;
  ServerRecord m_CurrentConnection{};
  bool m_bPlacedByLayout = false;
  std::string m_DamagedSettingsCopy;  // not yet told to the user
  bool m_bSettingsFileKept = false;   // unusable and could not be moved: never saved over
};

// The one main window, or null when none exists (callers test it).
CServerBrowserDialog *ServerBrowserDialog();
