// A small module for testing the host: a window of panels that draw, count clicks and ticks, and
// post themselves delayed messages. It uses the host runtime directly (no toolkit). Its browser
// face prints every call it gets; with KGUI_TESTMODULE_NO_BROWSER set it offers no such face.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "plexa/client_api.h"
#include "serverbrowser/IGameLauncher.h"
#include "serverbrowser/IKGuiModule.h"
#include "serverbrowser/IServerBrowser.h"
#include "tests/host/testmodule/runtime.h"
#include "tests/host/testmodule/test_panel.h"
#include "tier1/interface.h"

namespace testmodule {

namespace {

class CTestModule final : public IServerBrowser, public IKGuiModule {
 public:
  // --- IServerBrowser: showing the window means something here; the rest print what they got.
  bool ActivateBrowser() override {
    ShowMainWindow();
    return true;
  }
  bool JoinFriendGame(uint64 friendID) override {
    Report("JoinFriendGame " + std::to_string(friendID));
    return false;
  }
  bool JoinServer(uint32 ip, uint16 port, const char *password) override;
  // Any id but 0 stands for a friend here.
  bool OpenFriendGameInfo(uint64 friendID) override {
    Report("OpenFriendGameInfo " + std::to_string(friendID));
    return friendID != 0;
  }
  void CloseFriendGameInfo(uint64 friendID) override {
    Report("CloseFriendGameInfo " + std::to_string(friendID));
  }
  void CloseAllGameInfoDialogs() override { Report("CloseAllGameInfoDialogs"); }
  void CreateMainWindow() override;
  void ShowMainWindow() override;

  // --- IKGuiModule
  bool InitModule(InterfaceProvider *provider) override;
  bool PostInitModule(InterfaceFactoryFn *factories, int factoryCount) override;
  bool ActivateModule() override { return ActivateBrowser(); }
  bool IsModuleReady() override { return m_pLauncher != nullptr; }
  void ShutdownModule() override;
  uint32 GetRootPanel() override { return m_pWindow ? m_pWindow->VPanel() : 0; }
  void SetParentPanel(uint32 parentPanel) override;
  void RunModuleFrame() override { ++m_Frames; }

 private:
  static void Report(const std::string &call) {
    printf("testmodule: %s\n", call.c_str());
    fflush(stdout);
  }

  template <typename T>
  T *Find(InterfaceProvider *provider, const char *name) {
    return static_cast<T *>(provider->QueryInterface(name));
  }

  Runtime m_Runtime;
  IGameLauncher *m_pLauncher = nullptr;
  CWindowPanel *m_pWindow = nullptr;
  int m_Frames = 0;
};

bool CTestModule::InitModule(InterfaceProvider *provider) {
  if (!provider) return false;
  m_Runtime.kgui = Find<kgui::IKGui>(provider, KGUI_INTERFACE_VERSION);
  m_Runtime.panel = Find<kgui::IPanel>(provider, KGUI_PANEL_INTERFACE_VERSION);
  m_Runtime.surface = Find<kgui::IHostSurface>(provider, KGUI_SURFACE_INTERFACE_VERSION);
  m_Runtime.scheme = Find<kgui::IHostScheme>(provider, KGUI_SCHEME_INTERFACE_VERSION);
  m_Runtime.system = Find<kgui::IHostSystem>(provider, KGUI_SYSTEM_INTERFACE_VERSION);
  m_Runtime.input = Find<kgui::IHostInput>(provider, KGUI_INPUT_INTERFACE_VERSION);
  m_Runtime.localize = Find<kgui::IHostLocalize>(provider, KGUI_LOCALIZE_INTERFACE_VERSION);
  m_Runtime.fileSystem = Find<IFileSystem>(provider, FILESYSTEM_INTERFACE_VERSION);
  m_pLauncher = Find<IGameLauncher>(provider, GAMELAUNCHER_INTERFACE_VERSION);
  if (!m_Runtime.Complete()) return false;
  m_Runtime.kgui->SetInterfaceProvider(provider);
  return m_Runtime.localize->AddFile(m_Runtime.fileSystem, "resource/testmodule_%language%.txt", nullptr);
}

bool CTestModule::PostInitModule(InterfaceFactoryFn *factories, int factoryCount) {
  for (int i = 0; i < factoryCount && !m_pLauncher; ++i) {
    m_pLauncher = static_cast<IGameLauncher *>(factories[i](GAMELAUNCHER_INTERFACE_VERSION, nullptr));
  }
  CreateMainWindow();
  if (m_pWindow) m_Runtime.panel->SetVisible(m_pWindow->VPanel(), false);
  return m_pLauncher != nullptr;
}

void CTestModule::CreateMainWindow() {
  if (m_pWindow || !m_Runtime.Complete()) return;
  m_pWindow = new CWindowPanel(m_Runtime);
  m_pWindow->SetLauncher(m_pLauncher);
  kgui::VPANEL window = m_pWindow->VPanel();
  m_Runtime.surface->CreatePopup(window, false, false, false, true, true);
  m_Runtime.panel->SetPos(window, 40, 40);
  m_Runtime.panel->SetSize(window, 600, 400);

  auto *red = new CTestPanel(m_Runtime, "RedBox", "Box");
  red->SetFill(Color(220, 30, 30, 255));
  m_pWindow->Adopt(red, 20, 20, 100, 60);

  // A green child larger than its blue parent: only the part inside the parent may show.
  auto *clip = new CTestPanel(m_Runtime, "ClipFrame", "Box");
  clip->SetFill(Color(30, 30, 220, 255));
  m_pWindow->Adopt(clip, 150, 20, 100, 60);
  auto *overflow = new CTestPanel(m_Runtime, "Overflow", "Box");
  overflow->SetFill(Color(30, 220, 30, 255));
  clip->Adopt(overflow, 50, 30, 200, 100);

  auto *label = new CTestPanel(m_Runtime, "Label", "Label");
  label->SetText("#TestModule_Hello");
  m_pWindow->Adopt(label, 20, 100, 260, 24);

  auto *icon = new CTestPanel(m_Runtime, "Icon", "ImagePanel");
  icon->SetImage("testmodule/icon");
  m_pWindow->Adopt(icon, 20, 140, 32, 32);

  auto *missing = new CTestPanel(m_Runtime, "MissingIcon", "ImagePanel");
  missing->SetImage("testmodule/no_such_image");
  m_pWindow->Adopt(missing, 60, 140, 32, 32);

  auto *target = new CClickPanel(m_Runtime, "ClickTarget", "Button");
  target->SetFill(Color(120, 120, 120, 255));
  target->SetText("clicks 0");
  m_pWindow->Adopt(target, 300, 100, 160, 40);

  m_pWindow->Adopt(new CTickPanel(m_Runtime, "Ticker"), 300, 160, 160, 40);

  auto *delayed = new CDelayPanel(m_Runtime, "Delayed", "DelayPanel");
  m_pWindow->Adopt(delayed, 300, 220, 260, 40);
  delayed->PostSteps();

  // Deleted at the host's next safe point; the window shows whether its handle still leads anywhere.
  auto *doomed = new CTestPanel(m_Runtime, "Doomed", "Box");
  m_pWindow->Adopt(doomed, 0, 0, 1, 1);
  m_pWindow->SetDoomedHandle(m_Runtime.kgui->PanelToHandle(doomed->VPanel()));
  m_Runtime.kgui->MarkPanelForDeletion(doomed->VPanel());
}

bool CTestModule::JoinServer(uint32 ip, uint16 port, const char *password) {
  std::string address = std::to_string(ip >> 24) + "." + std::to_string((ip >> 16) & 0xFF) + "." +
                        std::to_string((ip >> 8) & 0xFF) + "." + std::to_string(ip & 0xFF) + ":" +
                        std::to_string(port);
  Report("JoinServer " + address + " password " + (password ? "'" + std::string(password) + "'" : "none"));
  return true;
}

void CTestModule::ShowMainWindow() {
  Report("ShowMainWindow");
  if (!m_pWindow) return;
  m_Runtime.panel->SetVisible(m_pWindow->VPanel(), true);
  m_Runtime.surface->MovePopupToFront(m_pWindow->VPanel());
}

void CTestModule::SetParentPanel(uint32 parentPanel) {
  if (m_pWindow) m_Runtime.panel->SetParent(m_pWindow->VPanel(), parentPanel);
}

void CTestModule::ShutdownModule() {
  if (m_pWindow) m_Runtime.kgui->MarkPanelForDeletion(m_pWindow->VPanel());
  m_pWindow = nullptr;
  ClientAPI_Shutdown();
}

CTestModule g_TestModule;

// Asked at each lookup, so one build serves as a module with the browser face and one without.
void *BrowserFace() {
  const char *without = getenv("KGUI_TESTMODULE_NO_BROWSER");
  return without && *without ? nullptr : static_cast<IServerBrowser *>(&g_TestModule);
}

InterfaceRegistration g_RegisterBrowserFace(BrowserFace, SERVERBROWSER_INTERFACE_VERSION);

}  // namespace

EXPOSE_SINGLE_INTERFACE_GLOBALVAR(CTestModule, IKGuiModule, KGUIMODULE_INTERFACE_VERSION, g_TestModule);

}  // namespace testmodule
