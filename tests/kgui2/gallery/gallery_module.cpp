// A module that shows the control gallery in the host: it starts the toolkit, opens the gallery
// window and advances the toolkit's animations once a frame.
#include "gallery_frame.h"
#include "kgui_controls/AnimationController.h"
#include "kgui_controls/controls.h"
#include "serverbrowser/IKGuiModule.h"
#include "serverbrowser/IServerBrowser.h"
#include "tier1/interface.h"

namespace gallery {
namespace {

class CGalleryModule final : public IServerBrowser, public IKGuiModule {
 public:
  // --- IServerBrowser: the gallery only shows its window
  bool ActivateBrowser() override {
    ShowMainWindow();
    return true;
  }
  bool JoinFriendGame(uint64) override { return false; }
  bool JoinServer(uint32, uint16, const char *) override { return true; }
  bool OpenFriendGameInfo(uint64) override { return false; }
  void CloseFriendGameInfo(uint64) override {}
  void CloseAllGameInfoDialogs() override {}
  void CreateMainWindow() override {
    if (!m_pWindow && kgui::KGui_IsStarted()) m_pWindow = new CGalleryFrame();
  }
  void ShowMainWindow() override {
    if (m_pWindow) m_pWindow->Activate();
  }

  // --- IKGuiModule
  bool InitModule(InterfaceProvider *provider) override {
    if (!kgui::KGui_InitInterfacesList("kgui_gallery", provider)) return false;
    kgui::localize()->AddFile(kgui::filesystem(), "resource/kgui_%language%.txt", nullptr);
    return kgui::localize()->AddFile(kgui::filesystem(), "gallery/gallery_%language%.txt", nullptr);
  }
  bool PostInitModule(InterfaceFactoryFn *, int) override {
    CreateMainWindow();
    return m_pWindow != nullptr;
  }
  bool ActivateModule() override { return ActivateBrowser(); }
  bool IsModuleReady() override { return m_pWindow != nullptr; }
  void ShutdownModule() override {
    delete m_pWindow;
    m_pWindow = nullptr;
    kgui::KGui_ShutdownInterfaces();
  }
  uint32 GetRootPanel() override { return m_pWindow ? m_pWindow->GetVPanel() : 0; }
  void SetParentPanel(uint32 parentPanel) override {
    if (m_pWindow) m_pWindow->SetParent(parentPanel);
  }
  void RunModuleFrame() override {
    if (kgui::KGui_IsStarted())
      kgui::GetAnimationController()->UpdateAnimations(kgui::system()->GetCurrentTime());
  }

 private:
  CGalleryFrame *m_pWindow = nullptr;
};

CGalleryModule g_GalleryModule;

}  // namespace

EXPOSE_SINGLE_INTERFACE_GLOBALVAR(CGalleryModule, IKGuiModule, KGUIMODULE_INTERFACE_VERSION, g_GalleryModule);
EXPOSE_SINGLE_INTERFACE_GLOBALVAR(CGalleryModule, IServerBrowser, SERVERBROWSER_INTERFACE_VERSION,
                                  g_GalleryModule);

}  // namespace gallery
