// The module object. For now a shell: the main window, the client services binding and the
// toolkit are not wired in yet, so every operation answers as it does when none of them exists.
#include "serverbrowser/serverbrowser.h"

#include "serverbrowser/IGameLauncher.h"
#include "tier0/validator.h"

IGameLauncher *g_pGameLauncher = nullptr;
CServerBrowser g_ServerBrowserSingleton;

bool CServerBrowser::ActivateBrowser() {
  ShowMainWindow();
  return true;
}

// Answers false even when a connection was started; hosts must not read it as success.
bool CServerBrowser::JoinFriendGame(uint64 friendID) {
  OpenFriendGameInfo(friendID);
  return false;
}

bool CServerBrowser::JoinServer(uint32 ip, uint16 port, const char *password) {
  (void)ip;
  (void)port;
  (void)password;
  return true;
}

// No main window exists yet, so there is no dialog to find or create.
bool CServerBrowser::OpenFriendGameInfo(uint64 friendID) {
  (void)friendID;
  return false;
}

void CServerBrowser::CloseFriendGameInfo(uint64 friendID) {
  (void)friendID;
}

void CServerBrowser::CloseAllGameInfoDialogs() {}

void CServerBrowser::CreateMainWindow() {}

// Each showing asks the ban question afresh.
void CServerBrowser::ShowMainWindow() {
  m_mapAppIDToQorvBan.clear();
}

bool CServerBrowser::InitModule(InterfaceProvider *provider) {
  g_pGameLauncher = nullptr;
  if (provider)
    g_pGameLauncher = static_cast<IGameLauncher *>(provider->QueryInterface(GAMELAUNCHER_INTERFACE_VERSION));
  return true;
}

bool CServerBrowser::PostInitModule(InterfaceFactoryFn *factories, int factoryCount) {
  for (int i = 0; factories && i < factoryCount && !g_pGameLauncher; ++i) {
    if (factories[i])
      g_pGameLauncher = static_cast<IGameLauncher *>(factories[i](GAMELAUNCHER_INTERFACE_VERSION, nullptr));
  }
  static_cast<IServerBrowser *>(this)->CreateMainWindow();
  return g_pGameLauncher != nullptr;
}

bool CServerBrowser::ActivateModule() {
  return ActivateBrowser();
}

bool CServerBrowser::IsModuleReady() {
  return g_pGameLauncher != nullptr;
}

void CServerBrowser::ShutdownModule() {}

uint32 CServerBrowser::GetRootPanel() {
  return 0;
}

void CServerBrowser::SetParentPanel(uint32 parentPanel) {
  (void)parentPanel;
}

void CServerBrowser::RunModuleFrame() {}

// Without a bound client user interface nothing is asked and nothing is cached.
bool CServerBrowser::IsQorvBannedFromApp(uint32 appID) {
  (void)appID;
  return false;
}

void CServerBrowser::Validate(CValidator &validator) {
  validator.Push("CServerBrowser", this, "g_ServerBrowserSingleton");
  validator.Push("CUtlMap<int32, bool>", &m_mapAppIDToQorvBan, "m_mapAppIDToQorvBan");
  validator.Push("CUtlRBTree", &m_mapAppIDToQorvBan, "m_Tree");
  validator.Push("CUtlMemory", &m_mapAppIDToQorvBan, "m_Elements");
  validator.Pop();
  validator.Pop();
  validator.Pop();
  validator.Pop();
}
