// The main window. Sections: construction and destruction; saved settings; the host's messages;
// status line, context menu and favourites; game-info dialogs; placement, ports and friend ids.
#include "serverbrowser/ServerBrowserDialog.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <ctime>

#include "common/filesystem_helpers.h"
#include "filesystem.h"
#include "kgui_controls/Button.h"
#include "kgui_controls/Label.h"
#include "kgui_controls/MessageBox.h"
#include "kgui_controls/PropertySheet.h"
#include "kgui_controls/controls.h"
#include "kstdlib/strtools.h"
#include "plexa/client_api.h"
#include "plexa/iclientmatchmaking.h"
#include "plexa/iclientuser.h"
#include "plexa/iplexaclientnotices.h"
#include "serverbrowser/DialogFindPlayer.h"
#include "serverbrowser/DialogGameInfo.h"
#include "serverbrowser/FavoriteGames.h"
#include "serverbrowser/FriendsGames.h"
#include "serverbrowser/HistoryGames.h"
#include "serverbrowser/InternetGames.h"
#include "serverbrowser/LanGames.h"
#include "serverbrowser/RelayGames.h"
#include "serverbrowser/ServerContextMenu.h"
#include "serverbrowser/ServerRows.h"
#include "tier0/dbg.h"
#include "tier0/validator.h"
#include "tier1/KeyValues.h"
#include "tier1/keyvalues_text/keyvalues_reader.h"

namespace {

CServerBrowserDialog *s_pServerBrowserDialog = nullptr;

constexpr int kWindowWide = 640;
constexpr int kWindowTall = 384;
constexpr int kMinimumTabWide = 72;
constexpr size_t kConfigFolderSize = 4096;
// Copies of settings files that could not be used, kept beside them, newest first.
constexpr int kDamagedCopiesKept = 5;

// The saved-settings words of the pages, as "GameList" stores them.
constexpr const char kWordInternet[] = "internet";
constexpr const char kWordFavorites[] = "favorites";
constexpr const char kWordHistory[] = "history";
constexpr const char kWordSpectate[] = "spectate";
constexpr const char kWordLan[] = "lan";
constexpr const char kWordFriends[] = "friends";

// A fresh settings record read from one file, or null when the file is missing or unreadable. A
// broken file never leaves half its entries behind: the caller starts again from nothing.
KeyValues *ReadSettingsFile(const char *path, const char *pathID) {
  if (!kgui::KGui_IsStarted()) return nullptr;
  KeyValues *settings = new KeyValues("SavedData");
  std::string errors;
  if (LoadKeyValuesFileWithPlaces(settings, kgui::filesystem(), path, pathID, &errors)) {
    settings->SetName("SavedData");
    return settings;
  }
  if (!errors.empty())
    Warning("ServerBrowser: the saved settings '%s' are damaged and were not used:\n%s", path,
            errors.c_str());
  settings->Destroy();
  return nullptr;
}

}  // namespace

CServerBrowserDialog *ServerBrowserDialog() {
  return s_pServerBrowserDialog;
}

BEGIN_MESSAGE_MAP(CServerBrowserDialog, kgui::Frame)
MESSAGE_ENTRY("PageChanged", OnGameListChanged)
MESSAGE_ENTRY("ActiveGameName", OnActiveGameName, nullptr)
MESSAGE_ENTRY("ConnectedToGame", OnConnectToGame, nullptr)
MESSAGE_ENTRY("DisconnectedFromGame", OnDisconnectFromGame)
END_MESSAGE_MAP()

// ---- construction and destruction

CServerBrowserDialog::CServerBrowserDialog(kgui::Panel *parent) : Frame(parent, "CServerBrowserDialog") {
  // Pages ask for their saved filters while they are built.
  s_pServerBrowserDialog = this;
  LoadUserData();
  CreatePages();
  SetMinimumSize(kWindowWide, kWindowTall);
  SetSize(kWindowWide, kWindowTall);
  m_pGameList = m_pInternetGames;
  m_hContextMenu = new CServerContextMenu(this);
  m_hContextMenu->SetVisible(false);
  CreateTabSheet();

  m_pStatusLabel = new kgui::Label(this, "StatusLabel", "");
  m_pFindPlayerButton =
      new kgui::Button(this, "FindPlayerButton", "#ServerBrowser_FindPlayerButton", this, "FindPlayer");
  LoadControlSettings("servers/DialogServerBrowser.res");
  m_pStatusLabel->SetText("");
  if (!m_bPlacedByLayout) PlaceByDefault();
  // Where the user left the window last time wins over both.
  LoadUserConfig("ServerBrowserDialog");
  SelectSavedPage();
}

CServerBrowserDialog::~CServerBrowserDialog() {
  delete m_hContextMenu.Get();
  // A closing one is already the toolkit's to delete.
  delete GetFindPlayerDialog();
  SaveUserData();
  if (kgui::KGui_IsStarted()) SaveUserConfig();
  m_pSavedData->Destroy();
  m_pFilterData->Destroy();
  m_GameInfoDialogs.clear();
  // The pages go with the base classes; they must not reach a half-destroyed window.
  if (s_pServerBrowserDialog == this) s_pServerBrowserDialog = nullptr;
}

void CServerBrowserDialog::CreatePages() {
  m_pInternetGames = new CInternetGames(this);
  m_pFavorites = new CFavoriteGames(this);
  m_pHistory = new CHistoryGames(this);
  m_pSpectateGames = new CSpectateGames(this);
  m_pLanGames = new CLanGames(this, true);
  m_pFriendsGames = new CFriendsGames(this);
}

void CServerBrowserDialog::CreateTabSheet() {
  m_pTabPanel = new kgui::PropertySheet(this, "GameTabs");
  m_pTabPanel->SetTabWidth(kMinimumTabWide);
  m_pTabPanel->AddPage(m_pInternetGames, "#ServerBrowser_InternetTab");
  m_pTabPanel->AddPage(m_pFavorites, "#ServerBrowser_FavoritesTab");
  m_pTabPanel->AddPage(m_pHistory, "#ServerBrowser_HistoryTab");
  m_pTabPanel->AddPage(m_pSpectateGames, "#ServerBrowser_SpectateTab");
  m_pTabPanel->AddPage(m_pLanGames, "#ServerBrowser_LanTab");
  m_pTabPanel->AddPage(m_pFriendsGames, "#ServerBrowser_FriendsTab");
  m_pTabPanel->AddActionSignalTarget(this);
}

void CServerBrowserDialog::Open() {
  Activate();
  if (m_pTabPanel) m_pTabPanel->RequestFocus();
  TellOfDamagedFiles();
}

void CServerBrowserDialog::OnClose() {
  // A list page stops refreshing while nobody can see it.
  if (kgui::Panel *page = m_pTabPanel ? m_pTabPanel->GetActivePage() : nullptr) {
    if (dynamic_cast<kgui::PropertyPage *>(page)) {
      KeyValuesAD hide(new KeyValues("PageHide"));
      SendMessage(page->GetVPanel(), hide.get());
    }
  }
  BaseClass::OnClose();
}

void CServerBrowserDialog::OnCommand(const char *command) {
  if (!V_stricmp(command, "FindPlayer"))
    OpenFindPlayer();
  else
    BaseClass::OnCommand(command);
}

// Keys nobody below took reach the window: Ctrl+F works wherever the focus is in it.
void CServerBrowserDialog::OnKeyCodeTyped(kgui::KeyCode code) {
  if (code == kgui::KEY_F && IsControlDown())
    OpenFindPlayer();
  else
    BaseClass::OnKeyCodeTyped(code);
}

// ---- saved settings

std::string CServerBrowserDialog::SavedSettingsPath() const {
  char folder[kConfigFolderSize] = "";
  if (IClientUser *user = ClientUser()) {
    if (!user->GetUserConfigFolder(folder, static_cast<int>(sizeof(folder)))) folder[0] = '\0';
  }
  std::string path = folder;
  if (!path.empty() && path.back() != '/' && path.back() != '\\') path += '/';
  return path + kSavedSettingsFile;
}

void CServerBrowserDialog::LoadUserData() {
  if (m_pSavedData) m_pSavedData->Destroy();
  if (m_pFilterData) m_pFilterData->Destroy();
  const std::string path = SavedSettingsPath();
  m_pSavedData = ReadSettingsFile(path.c_str(), nullptr);
  if (!m_pSavedData) KeepUnusableSettings(path);
  if (!m_pSavedData) m_pSavedData = ReadSettingsFile(kFallbackSettingsFile, "CONFIG");
  if (!m_pSavedData) m_pSavedData = new KeyValues("SavedData");

  m_pFilterData = m_pSavedData->FindKey("Filters");
  if (m_pFilterData && m_pFilterData->GetDataType() == KeyValues::TYPE_NONE) {
    m_pSavedData->RemoveSubKey(m_pFilterData);
    m_pFilterData->SetNextKey(nullptr);
  } else {
    // No filters saved, or a "Filters" value that holds no pages: every page starts from defaults.
    m_pFilterData = new KeyValues("Filters");
  }
  InvalidateLayout();
  Repaint();
}

void CServerBrowserDialog::KeepUnusableSettings(const std::string &path) {
  if (!kgui::KGui_IsStarted()) return;
  std::string aside;
  switch (KeepUnusableFile(kgui::filesystem(), path.c_str(), nullptr, kDamagedCopiesKept, aside)) {
    case EUnusableFile::Absent:
      return;
    case EUnusableFile::KeptAside:
      Warning("ServerBrowser: the settings '%s' could not be used; kept as '%s'\n", path.c_str(),
              aside.c_str());
      m_DamagedSettingsCopy = aside;
      return;
    case EUnusableFile::CannotMove:
      // Saving over it would lose what the user had: this run leaves the file alone.
      Warning(
          "ServerBrowser: the settings '%s' could not be used nor kept aside (%s); they will not be saved\n",
          path.c_str(), strerror(errno));
      m_bSettingsFileKept = true;
      return;
  }
}

void CServerBrowserDialog::TellOfDamagedFiles() {
  if (!m_DamagedSettingsCopy.empty()) {
    ShowDamagedFileBox("#ServerBrowser_SettingsDamagedTitle", "#ServerBrowser_SettingsDamaged",
                       m_DamagedSettingsCopy.substr(m_DamagedSettingsCopy.rfind('/') + 1));
    m_DamagedSettingsCopy.clear();
  }
  IPlexaClientNotices *notices = ClientNotices();
  const char *storeCopy = notices ? notices->TakeDamagedStoreCopy() : nullptr;
  if (storeCopy && *storeCopy)
    ShowDamagedFileBox("#ServerBrowser_StoreDamagedTitle", "#ServerBrowser_StoreDamaged", storeCopy);
}

void CServerBrowserDialog::ShowDamagedFileBox(const char *titleToken, const char *textToken,
                                              const std::string &copyName) {
  const std::u16string format = LocalizedText(textToken);
  const std::u16string copy = kgui::Utf8ToWide(copyName.c_str());
  char16_t text[1024] = {};
  if (kgui::localize())
    kgui::localize()->ConstructString(text, static_cast<int>(sizeof(text)), format.c_str(), 1, copy.c_str());
  auto *box = new kgui::MessageBox(LocalizedText(titleToken).c_str(), text, this);
  box->DoModal(this);
}

void CServerBrowserDialog::SaveUserData() {
  m_pSavedData->Clear();
  m_pSavedData->SetString("GameList", GetActivePageWord());
  m_pSavedData->AddSubKey(m_pFilterData->MakeCopy());
  const std::string path = SavedSettingsPath();
  if (m_bSettingsFileKept) {
    Warning("ServerBrowser: the settings were not saved to '%s': the unusable file there is kept\n",
            path.c_str());
    return;
  }
  // Without the toolkit there is no file service to write through (the module stops it last).
  if (!kgui::KGui_IsStarted()) {
    Warning("ServerBrowser: the settings were not saved to '%s': the toolkit has stopped\n", path.c_str());
    return;
  }
  if (!m_pSavedData->SaveToFile(kgui::filesystem(), path.c_str(), nullptr))
    Warning("ServerBrowser: could not save the settings to '%s'\n", path.c_str());

  // Each page keeps its own list layout (columns, sort) between runs.
  for (CBaseGamesPage *page : std::initializer_list<CBaseGamesPage *>{
           m_pFavorites, m_pHistory, m_pInternetGames, m_pSpectateGames, m_pLanGames, m_pFriendsGames}) {
    if (page) page->SaveUserConfig();
  }
}

const char *CServerBrowserDialog::GetActivePageWord() const {
  kgui::Panel *active = m_pTabPanel ? m_pTabPanel->GetActivePage() : nullptr;
  if (!active) return kWordInternet;
  if (active == m_pSpectateGames) return kWordSpectate;
  if (active == m_pFavorites) return kWordFavorites;
  if (active == m_pLanGames) return kWordLan;
  if (active == m_pFriendsGames) return kWordFriends;
  if (active == m_pHistory) return kWordHistory;
  return kWordInternet;
}

void CServerBrowserDialog::SelectSavedPage() {
  const char *word = m_pSavedData->GetString("GameList");
  CBaseGamesPage *page = m_pInternetGames;
  if (!V_stricmp(word, kWordSpectate))
    page = m_pSpectateGames;
  else if (!V_stricmp(word, kWordFavorites))
    page = m_pFavorites;
  else if (!V_stricmp(word, kWordHistory))
    page = m_pHistory;
  else if (!V_stricmp(word, kWordLan))
    page = m_pLanGames;
  else if (!V_stricmp(word, kWordFriends))
    page = m_pFriendsGames;
  m_pTabPanel->SetActivePage(page);
  m_pGameList = page;
}

KeyValues *CServerBrowserDialog::GetFilterSaveData(const char *pageName) {
  return m_pFilterData->FindKey(pageName, true);
}

void CServerBrowserDialog::ReloadFilterSettings() {
  for (CBaseGamesPage *page : std::initializer_list<CBaseGamesPage *>{
           m_pInternetGames, m_pSpectateGames, m_pFavorites, m_pLanGames, m_pFriendsGames, m_pHistory}) {
    if (page) page->RestoreFilterSettings();
  }
}

// ---- the host's messages

void CServerBrowserDialog::OnGameListChanged() {
  m_pGameList = m_pTabPanel ? dynamic_cast<IGameList *>(m_pTabPanel->GetActivePage()) : nullptr;
  // The new page may be fetching already (showing it started its refresh before this message).
  if (m_pGameList && m_pGameList->IsRefreshRunning())
    UpdateStatusText("#ServerBrowser_RefreshingServerList");
  else
    ClearStatusText();
  InvalidateLayout();
  Repaint();
}

void CServerBrowserDialog::OnActiveGameName(KeyValues *message) {
  V_strncpy(m_szModDir, message->GetString("name"), sizeof(m_szModDir));
  V_strncpy(m_szGameName, message->GetString("game"), sizeof(m_szGameName));
  m_iLimitAppID = message->GetUint64("appid", 0);
  ReloadFilterSettings();
}

void CServerBrowserDialog::OnConnectToGame(KeyValues *message) {
  // Read unsigned: an address above 2^31 written as text (a host's configuration) must not clamp.
  const auto ip = static_cast<uint32>(message->GetUint64("ip"));
  const auto connectionPort = static_cast<uint16>(message->GetInt("connectionport"));
  const auto queryPort = static_cast<uint16>(message->GetInt("queryport"));
  if (ip == 0 || queryPort == 0) return;

  m_CurrentConnection = ServerRecord{};
  m_CurrentConnection.m_NetAdr.Init(ip, queryPort, connectionPort);
  if (m_pHistory && ClientMatchmaking()) {
    ClientMatchmaking()->AddStoredServer(0, ip, connectionPort, queryPort, k_unFavoriteFlagHistory,
                                         static_cast<uint32>(time(nullptr)));
  }
  // The dialog showing this server closes now that the game has it.
  for (kgui::Panel *dialog : GetGameInfoDialogs()) {
    auto *forward = new KeyValues("ConnectedToGame", "ip", static_cast<int>(ip), "connectionport",
                                  static_cast<int>(connectionPort));
    forward->SetInt("queryport", queryPort);
    PostMessage(dialog, forward);
  }
  if (m_pFavorites) m_pFavorites->SetConnectedToGame(true);
  m_bCurrentlyConnected = true;
}

void CServerBrowserDialog::OnDisconnectFromGame() {
  m_bCurrentlyConnected = false;
  m_CurrentConnection = ServerRecord{};
  if (m_pFavorites) m_pFavorites->SetConnectedToGame(false);
}

// ---- status line, context menu and favourites

void CServerBrowserDialog::UpdateStatusText(const char *format, ...) {
  if (!m_pStatusLabel) return;
  if (!format || !*format) {
    m_pStatusLabel->SetText("");
    return;
  }
  char text[1024];
  va_list args;
  va_start(args, format);
  V_vsnprintf(text, sizeof(text), format, args);
  va_end(args);
  m_pStatusLabel->SetText(text);
}

void CServerBrowserDialog::ClearStatusText() {
  if (m_pStatusLabel) m_pStatusLabel->SetText("");
}

CServerContextMenu *CServerBrowserDialog::GetContextMenu(kgui::Panel *owner) {
  delete m_hContextMenu.Get();
  auto *menu = new CServerContextMenu(this);
  menu->SetParent(owner ? owner : this);
  menu->SetVisible(false);
  m_hContextMenu = menu;
  return menu;
}

CServerContextMenu *CServerBrowserDialog::GetCurrentContextMenu() const {
  return static_cast<CServerContextMenu *>(m_hContextMenu.Get());
}

void CServerBrowserDialog::AddServerToFavorites(const ServerRecord &server) {
  IClientMatchmaking *matchmaking = ClientMatchmaking();
  if (!matchmaking) return;
  matchmaking->AddStoredServer(server.m_nAppId, server.m_NetAdr.GetIP(), server.m_NetAdr.GetConnectionPort(),
                               server.m_NetAdr.GetQueryPort(), k_unFavoriteFlagFavorite,
                               static_cast<uint32>(time(nullptr)));
}

// ---- game-info dialogs

CDialogGameInfo *CServerBrowserDialog::OpenGameInfoDialog(IGameList *page, unsigned int serverIndex) {
  const ServerRecord *server = page ? page->GetServerRecord(static_cast<int>(serverIndex)) : nullptr;
  if (!server) return nullptr;
  return OpenServerGameInfo(server->m_NetAdr.GetIP(), server->m_NetAdr.GetQueryPort(),
                            server->m_NetAdr.GetConnectionPort(), server->GetName());
}

CDialogGameInfo *CServerBrowserDialog::OpenServerGameInfo(uint32 ip, uint16 queryPort, uint16 connectionPort,
                                                          const char *name) {
  // A window of its own: closing or hiding the browser leaves it on screen.
  auto *dialog = new CDialogGameInfo(nullptr, ip, queryPort, connectionPort, 0);
  AddGameInfoDialog(dialog);
  dialog->ActivateWithTitle(name);
  return dialog;
}

CDialogFindPlayer *CServerBrowserDialog::OpenFindPlayer() {
  // A closed window only fades and waits to be deleted: a new one takes its place.
  CDialogFindPlayer *dialog = GetFindPlayerDialog();
  if (!dialog) {
    dialog = new CDialogFindPlayer(nullptr);
    m_hFindPlayer = dialog;
  }
  dialog->ActivateAndFocus();
  return dialog;
}

CDialogFindPlayer *CServerBrowserDialog::GetFindPlayerDialog() const {
  auto *dialog = static_cast<CDialogFindPlayer *>(m_hFindPlayer.Get());
  return dialog && !dialog->IsClosing() ? dialog : nullptr;
}

void CServerBrowserDialog::JoinGame(IGameList *page, unsigned int serverIndex) {
  if (CDialogGameInfo *dialog = OpenGameInfoDialog(page, serverIndex)) dialog->ConnectWithPassword(nullptr);
}

CDialogGameInfo *CServerBrowserDialog::OpenFriendGameInfo(uint64 friendID) {
  if (!IsValidFriendID(friendID)) return nullptr;
  auto *dialog = new CDialogGameInfo(nullptr, 0, 0, 0, friendID);
  AddGameInfoDialog(dialog);
  dialog->ActivateWithTitle("");
  return dialog;
}

void CServerBrowserDialog::JoinServer(uint32 ip, uint16 port, const char *password) {
  auto *dialog = new CDialogGameInfo(nullptr, ip, port, port, 0);
  AddGameInfoDialog(dialog);
  dialog->ActivateWithTitle("");
  dialog->ConnectWithPassword(password);
}

CDialogGameInfo *CServerBrowserDialog::FindGameInfoDialog(uint64 friendID) {
  for (kgui::Panel *panel : GetGameInfoDialogs()) {
    auto *dialog = dynamic_cast<CDialogGameInfo *>(panel);
    if (dialog && dialog->GetFriendID() == friendID) return dialog;
  }
  return nullptr;
}

void CServerBrowserDialog::AddGameInfoDialog(kgui::Panel *dialog) {
  if (!dialog) return;
  dialog->AddActionSignalTarget(this);
  // Handles of closed dialogs go first: a long session opens thousands.
  std::erase_if(m_GameInfoDialogs, [](const kgui::PHandle &handle) { return !handle.Get(); });
  m_GameInfoDialogs.emplace_back(dialog);
}

std::vector<kgui::Panel *> CServerBrowserDialog::GetGameInfoDialogs() const {
  std::vector<kgui::Panel *> live;
  for (const kgui::PHandle &handle : m_GameInfoDialogs) {
    if (kgui::Panel *dialog = handle.Get()) live.push_back(dialog);
  }
  return live;
}

void CServerBrowserDialog::CloseAllGameInfoDialogs() {
  for (kgui::Panel *dialog : GetGameInfoDialogs()) PostMessage(dialog, new KeyValues("Close"));
}

// ---- placement, ports and friend ids

void CServerBrowserDialog::ApplySettings(KeyValues *inResourceData) {
  if (inResourceData->FindKey("xpos")) m_bPlacedByLayout = true;
  BaseClass::ApplySettings(inResourceData);
}

void CServerBrowserDialog::PlaceByDefault() {
  int areaX = 0, areaY = 0, areaWide = 0, areaTall = 0;
  kgui::surface()->GetWorkspaceBounds(areaX, areaY, areaWide, areaTall);
  int x = 0, y = 0, wide = 0, tall = 0;
  DefaultPlacement(areaX, areaY, areaWide, areaTall, x, y, wide, tall);
  SetBounds(x, y, wide, tall);
}

void CServerBrowserDialog::DefaultPlacement(int areaX, int areaY, int areaWide, int areaTall, int &x, int &y,
                                            int &wide, int &tall) {
  x = areaX + static_cast<int>(0.05 * areaWide);
  y = areaY + static_cast<int>(0.4 * areaTall);
  wide = static_cast<int>(0.5 * areaWide);
  tall = static_cast<int>(0.55 * areaTall);
}

void CServerBrowserDialog::GetCommonQueryPorts(std::vector<uint16> &ports) {
  for (uint16 i = 0; i < 6; ++i) {
    ports.push_back(static_cast<uint16>(27015 + i));
    ports.push_back(static_cast<uint16>(26900 + i));
  }
  ports.push_back(4242);
  ports.push_back(27215);
}

bool CServerBrowserDialog::IsValidFriendID(uint64 friendID) {
  const auto account = static_cast<uint32>(friendID & 0xFFFFFFFFu);
  const auto instance = static_cast<uint32>((friendID >> 32) & 0xFFFFFu);
  const auto type = static_cast<uint32>((friendID >> 52) & 0xFu);
  const auto universe = static_cast<uint32>(friendID >> 56);
  if (type < 1 || type > 10 || universe < 1 || universe > 4) return false;
  switch (type) {
    case 1:
      return account != 0 && instance <= 4;
    case 7:
      return account != 0 && instance == 0;
    case 3:
      return account != 0;
    default:
      return true;
  }
}

// ---- memory audit

void CServerBrowserDialog::Validate(CValidator &validator) {
  validator.Push("CServerBrowserDialog", this, "CServerBrowserDialog");
  validator.Push("CUtlVector<PHandle>", &m_GameInfoDialogs, "m_GameInfoDialogs");
  if (!m_GameInfoDialogs.empty()) validator.ClaimArrayMemory(m_GameInfoDialogs.data());
  validator.Pop();
  validator.Push("KeyValues", m_pSavedData, "m_pSavedData");
  validator.ClaimMemory(m_pSavedData);
  validator.Pop();
  validator.Push("KeyValues", m_pFilterData, "m_pFilterData");
  validator.ClaimMemory(m_pFilterData);
  validator.Pop();
  for (CBaseGamesPage *page : std::initializer_list<CBaseGamesPage *>{
           m_pInternetGames, m_pFavorites, m_pHistory, m_pSpectateGames, m_pLanGames, m_pFriendsGames}) {
    if (page) page->Validate(validator);
  }
  validator.Pop();
}
