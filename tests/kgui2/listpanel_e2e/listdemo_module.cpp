// A module that shows the list demo window in the host: it starts the toolkit, opens the window,
// and keeps the window's per-user settings when it shuts down.
#include "kgui_controls/controls.h"
#include "listdemo_frame.h"
#include "serverbrowser/IKGuiModule.h"
#include "serverbrowser/IServerBrowser.h"
#include "tier1/interface.h"

namespace listdemo {
namespace {

class CListDemoModule final : public IServerBrowser, public IKGuiModule {
 public:
  // --- IServerBrowser: the demo only shows its window
  bool ActivateBrowser() override {
    ShowMainWindow();
    return true;
  }
  bool JoinFriendGame(uint64) override { return false; }
  bool JoinServer(uint32, uint16, const char *) override { return false; }
  bool OpenFriendGameInfo(uint64) override { return false; }
  void CloseFriendGameInfo(uint64) override {}
  void CloseAllGameInfoDialogs() override {}
  void CreateMainWindow() override {
    if (!m_pWindow && kgui::KGui_IsStarted()) m_pWindow = new CListDemoFrame();
  }
  void ShowMainWindow() override {
    if (m_pWindow) m_pWindow->Activate();
  }

  // --- IKGuiModule
  bool InitModule(InterfaceProvider *provider) override {
    return kgui::KGui_InitInterfacesList("kgui_listdemo", provider);
  }
  bool PostInitModule(InterfaceFactoryFn *, int) override {
    CreateMainWindow();
    return m_pWindow != nullptr;
  }
  bool ActivateModule() override { return ActivateBrowser(); }
  bool IsModuleReady() override { return m_pWindow != nullptr; }
  void ShutdownModule() override {
    if (m_pWindow) m_pWindow->SaveUserConfig();
    delete m_pWindow;
    m_pWindow = nullptr;
    kgui::KGui_ShutdownInterfaces();
  }
  uint32 GetRootPanel() override { return m_pWindow ? m_pWindow->GetVPanel() : 0; }
  void SetParentPanel(uint32 parentPanel) override {
    if (m_pWindow) m_pWindow->SetParent(parentPanel);
  }
  void RunModuleFrame() override {}

 private:
  CListDemoFrame *m_pWindow = nullptr;
};

CListDemoModule g_ListDemoModule;

}  // namespace

EXPOSE_SINGLE_INTERFACE_GLOBALVAR(CListDemoModule, IKGuiModule, KGUIMODULE_INTERFACE_VERSION,
                                  g_ListDemoModule);
EXPOSE_SINGLE_INTERFACE_GLOBALVAR(CListDemoModule, IServerBrowser, SERVERBROWSER_INTERFACE_VERSION,
                                  g_ListDemoModule);

}  // namespace listdemo
