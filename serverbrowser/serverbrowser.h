// The module object the host drives through its two faces.
#pragma once

#include <map>

#include "kgui_controls/PHandle.h"
#include "serverbrowser/IKGuiModule.h"
#include "serverbrowser/IServerBrowser.h"
#include "tier0/platform.h"

class CServerBrowserDialog;
class CValidator;
class IGameLauncher;

// The host's game launcher ("RunGameEngine007"); null until InitModule or PostInitModule found it.
extern IGameLauncher *g_pGameLauncher;

class CServerBrowser : public IServerBrowser, public IKGuiModule {
 public:
  // IServerBrowser
  bool ActivateBrowser() override;
  bool JoinFriendGame(uint64 friendID) override;
  bool JoinServer(uint32 ip, uint16 port, const char *password) override;
  bool OpenFriendGameInfo(uint64 friendID) override;
  void CloseFriendGameInfo(uint64 friendID) override;
  void CloseAllGameInfoDialogs() override;
  void CreateMainWindow() override;
  void ShowMainWindow() override;

  // IKGuiModule
  bool InitModule(InterfaceProvider *provider) override;
  bool PostInitModule(InterfaceFactoryFn *factories, int factoryCount) override;
  bool ActivateModule() override;
  bool IsModuleReady() override;
  void ShutdownModule() override;
  uint32 GetRootPanel() override;
  void SetParentPanel(uint32 parentPanel) override;
  void RunModuleFrame() override;

  // Whether the user is banned by the anti-cheat system for the application; asked of the client
  // services once per application between two showings of the browser.
  bool IsQorvBannedFromApp(uint32 appID);

  // Reports the module object's long-lived memory to an audit.
  void Validate(CValidator &validator);

  // Test seam: how InitModule binds and ShutdownModule releases the client services. Null
  // functions restore the real binding.
  void SetServicesBindingForTest(bool (*bind)(), void (*release)());

 private:
  // The main window, or null when none exists or the toolkit deleted it.
  CServerBrowserDialog *MainWindow() const;
  bool BindServices();
  void ReleaseServices();

  kgui::PHandle m_hMainWindow;
  std::map<int32, bool> m_mapAppIDToQorvBan;
  bool (*m_pfnBindServices)() = nullptr;
  void (*m_pfnReleaseServices)() = nullptr;
};

// The module's one instance; its faces are registered in moduleentry.cpp.
extern CServerBrowser g_ServerBrowserSingleton;
