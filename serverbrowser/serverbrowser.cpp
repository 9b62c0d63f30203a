// The module object: the host's lifecycle (start, window, frames, stop) and the browser's own
// operations, which go through the main window.
#include "serverbrowser/serverbrowser.h"

#include <vector>

#include "kgui_controls/AnimationController.h"
#include "kgui_controls/controls.h"
#include "plexa/client_api.h"
#include "plexa/iclientuser.h"
#include "serverbrowser/DialogGameInfo.h"
#include "serverbrowser/IGameLauncher.h"
#include "serverbrowser/ModList.h"
#include "serverbrowser/ServerBrowserDialog.h"
#include "tier0/dbg.h"
#include "tier0/validator.h"
#include "tier1/KeyValues.h"

IGameLauncher *g_pGameLauncher = nullptr;
CServerBrowser g_ServerBrowserSingleton;

namespace {

constexpr const char kModuleName[] = "ServerBrowser";
constexpr const char kTokenFile[] = "servers/serverbrowser_%language%.txt";
// The toolkit's own texts (menus, message boxes) come from the host's shared file.
constexpr const char kToolkitTokenFile[] = "resource/kgui_%language%.txt";
constexpr const char kMainWindowTitle[] = "#ServerBrowser_Servers";

// Key names the module writes. Names are kept in the spelling the symbol service first sees, and a
// layout names its list "gamelist": interned before any file is read, the settings file keeps
// these spellings whatever the files read later say.
constexpr const char *const kWrittenKeyNames[] = {
    "GameList", "Filters",      "InternetGames", "FavoriteGames", "HistoryGames", "SpectateGames",
    "LanGames", "FriendsGames", "game",          "appid",         "gamedir",      "map",
    "ping",     "NoFull",       "NoEmpty",       "NoPassword",    "Secure",
};

void InternWrittenKeyNames() {
  for (const char *name : kWrittenKeyNames) KeyValues::CallGetSymbolForString(name, true);
}

}  // namespace

// ---- IServerBrowser

bool CServerBrowser::ActivateBrowser() {
  static_cast<IServerBrowser *>(this)->ShowMainWindow();
  return true;
}

// Answers false even when a connection was started; hosts must not read it as success.
bool CServerBrowser::JoinFriendGame(uint64 friendID) {
  if (!OpenFriendGameInfo(friendID)) return false;
  if (CDialogGameInfo *dialog = MainWindow()->FindGameInfoDialog(friendID))
    dialog->ConnectWithPassword(nullptr);
  return false;
}

bool CServerBrowser::JoinServer(uint32 ip, uint16 port, const char *password) {
  if (CServerBrowserDialog *window = MainWindow()) window->JoinServer(ip, port, password);
  return true;
}

bool CServerBrowser::OpenFriendGameInfo(uint64 friendID) {
  CServerBrowserDialog *window = MainWindow();
  if (!window) return false;
  kgui::Frame *dialog = window->FindGameInfoDialog(friendID);
  if (!dialog) dialog = window->OpenFriendGameInfo(friendID);
  if (!dialog) return false;
  dialog->Activate();
  return true;
}

void CServerBrowser::CloseFriendGameInfo(uint64 friendID) {
  CServerBrowserDialog *window = MainWindow();
  if (kgui::Frame *dialog = window ? window->FindGameInfoDialog(friendID) : nullptr) dialog->Close();
}

void CServerBrowser::CloseAllGameInfoDialogs() {
  if (CServerBrowserDialog *window = MainWindow()) window->CloseAllGameInfoDialogs();
}

void CServerBrowser::CreateMainWindow() {
  // Without the toolkit there is no host to show a window on.
  if (MainWindow() || !kgui::KGui_IsStarted()) return;
  auto *window = new CServerBrowserDialog(nullptr);
  m_hMainWindow = window;
  window->SetTitle(kMainWindowTitle);
  window->SetVisible(false);
}

// Each showing asks the ban question afresh.
void CServerBrowser::ShowMainWindow() {
  m_mapAppIDToQorvBan.clear();
  if (CServerBrowserDialog *window = MainWindow()) window->Open();
}

// ---- IKGuiModule

bool CServerBrowser::InitModule(InterfaceProvider *provider) {
  InternWrittenKeyNames();
  g_pGameLauncher = nullptr;
  if (!provider) {
    Warning("ServerBrowser: started without an interface provider\n");
    return false;
  }
  // A failed binding is reported by the binding itself; the pages show their offline states.
  BindServices();
  g_pGameLauncher = static_cast<IGameLauncher *>(provider->QueryInterface(GAMELAUNCHER_INTERFACE_VERSION));
  if (!kgui::KGui_InitInterfacesList(kModuleName, provider)) return false;
  kgui::localize()->AddFile(kgui::filesystem(), kToolkitTokenFile, nullptr);
  return kgui::localize()->AddFile(kgui::filesystem(), kTokenFile, nullptr);
}

bool CServerBrowser::PostInitModule(InterfaceFactoryFn *factories, int factoryCount) {
  for (int i = 0; factories && i < factoryCount && !g_pGameLauncher; ++i) {
    if (factories[i])
      g_pGameLauncher = static_cast<IGameLauncher *>(factories[i](GAMELAUNCHER_INTERFACE_VERSION, nullptr));
  }
  static_cast<IServerBrowser *>(this)->CreateMainWindow();
  if (CServerBrowserDialog *window = MainWindow()) window->SetVisible(false);
  return g_pGameLauncher != nullptr;
}

bool CServerBrowser::ActivateModule() {
  return ActivateBrowser();
}

bool CServerBrowser::IsModuleReady() {
  return g_pGameLauncher != nullptr;
}

// The window is deleted at once, so that its settings are written while the file service and
// the client services still exist; nothing of the module runs after this returns.
void CServerBrowser::ShutdownModule() {
  if (CServerBrowserDialog *window = MainWindow()) {
    std::vector<kgui::PHandle> dialogs;
    for (kgui::Panel *dialog : window->GetGameInfoDialogs()) dialogs.emplace_back(dialog);
    delete window;
    for (const kgui::PHandle &handle : dialogs) delete handle.Get();
  }
  m_hMainWindow = nullptr;
  ModList_Reset();
  kgui::KGui_ShutdownInterfaces();
  ReleaseServices();
}

uint32 CServerBrowser::GetRootPanel() {
  CServerBrowserDialog *window = MainWindow();
  return window ? window->GetVPanel() : 0;
}

void CServerBrowser::SetParentPanel(uint32 parentPanel) {
  if (CServerBrowserDialog *window = MainWindow()) window->SetParent(static_cast<kgui::VPANEL>(parentPanel));
}

void CServerBrowser::RunModuleFrame() {
  if (kgui::KGui_IsStarted())
    kgui::GetAnimationController()->UpdateAnimations(kgui::system()->GetCurrentTime());
  ClientAPI_RunCallbacks();
}

// ---- the module object's own operations

// Without a bound client user interface nothing is asked and nothing is cached.
bool CServerBrowser::IsQorvBannedFromApp(uint32 appID) {
  IClientUser *user = ClientUser();
  if (!user) return false;
  const auto key = static_cast<int32>(appID);
  auto cached = m_mapAppIDToQorvBan.find(key);
  if (cached != m_mapAppIDToQorvBan.end()) return cached->second;
  const bool banned = user->IsBannedForApp(appID);
  m_mapAppIDToQorvBan.emplace(key, banned);
  return banned;
}

void CServerBrowser::Validate(CValidator &validator) {
  validator.Push("CServerBrowser", this, "g_ServerBrowserSingleton");
  validator.Push("CUtlMap<int32, bool>", &m_mapAppIDToQorvBan, "m_mapAppIDToQorvBan");
  validator.Push("CUtlRBTree", &m_mapAppIDToQorvBan, "m_Tree");
  validator.Push("CUtlMemory", &m_mapAppIDToQorvBan, "m_Elements");
  validator.Pop();
  validator.Pop();
  validator.Pop();
  // The pages built the game list along with the window.
  if (CServerBrowserDialog *window = MainWindow()) {
    window->Validate(validator);
    ModList().Validate(validator);
  }
  validator.Pop();
  ClientAPI_Validate(validator);
}

void CServerBrowser::SetServicesBindingForTest(bool (*bind)(), void (*release)()) {
  m_pfnBindServices = bind;
  m_pfnReleaseServices = release;
}

CServerBrowserDialog *CServerBrowser::MainWindow() const {
  return static_cast<CServerBrowserDialog *>(m_hMainWindow.Get());
}

bool CServerBrowser::BindServices() {
  return m_pfnBindServices ? m_pfnBindServices() : ClientAPI_Init();
}

void CServerBrowser::ReleaseServices() {
  if (m_pfnReleaseServices)
    m_pfnReleaseServices();
  else
    ClientAPI_Shutdown();
}
