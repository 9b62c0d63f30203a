// The host GUI runtime: owns the panels, the queue, drawing, input, schemes, localisation, per-user
// settings and the file system, hands out their interfaces by version name, and runs the frame.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/desktop_panel.h"
#include "host/font_manager.h"
#include "host/host_file_system.h"
#include "host/host_input.h"
#include "host/host_kgui.h"
#include "host/host_localize.h"
#include "host/host_panel_interface.h"
#include "host/host_scheme.h"
#include "host/host_surface.h"
#include "host/host_system.h"
#include "host/message_queue.h"
#include "host/notification_manager.h"
#include "host/panel_registry.h"
#include "host/renderer.h"
#include "host/sound_player.h"
#include "host/texture_manager.h"
#include "host/tick_registry.h"
#include "host/user_config.h"
#include "serverbrowser/IKGuiModule.h"

class IGameLauncher;

namespace kguihost {

struct CRuntimeOptions {
  int screenWide = 1280;
  int screenTall = 800;
  std::string gameDir;  // path id "GAME"
  std::string userDir;  // path id "CONFIG"
  std::string language = "english";
};

// Joins the frame: input sources (the window, a script) and whoever presents the picture.
class IFrameClient {
 public:
  // The input step of the frame.
  virtual void OnInputStep() = 0;
  // After the frame is painted.
  virtual void OnFramePainted() = 0;

 protected:
  ~IFrameClient() = default;
};

// What only a desktop window can do; without one the runtime runs offscreen.
class IWindowBackend {
 public:
  virtual bool HasFocus() = 0;
  virtual void Flash() = 0;
  virtual void WarpCursor(int x, int y) = 0;

 protected:
  ~IWindowBackend() = default;
};

class CKGuiRuntime {
 public:
  explicit CKGuiRuntime(const CRuntimeOptions &options);
  ~CKGuiRuntime();
  CKGuiRuntime(const CKGuiRuntime &) = delete;
  CKGuiRuntime &operator=(const CKGuiRuntime &) = delete;

  // --- interfaces
  // The runtime's interfaces, the file system and the game launcher by version name, or null.
  void *QueryInterface(const char *versionName);
  InterfaceProvider &Provider();
  // A plain function answering for the runtime that exists now (one per process).
  static void *Factory(const char *versionName, int *returnCode);
  void SetGameLauncher(IGameLauncher *launcher) { m_pLauncher = launcher; }

  // --- parts
  CPanelRegistry &Panels() { return m_Panels; }
  const CPanelRegistry &Panels() const { return m_Panels; }
  CMessageQueue &Messages() { return m_Messages; }
  CTickRegistry &Ticks() { return m_Ticks; }
  CHostFileSystem &FileSystem() { return m_FileSystem; }
  CRenderer &Renderer() { return m_Renderer; }
  CFontManager &Fonts() { return m_Fonts; }
  CTextureManager &Textures() { return m_Textures; }
  CSoundPlayer &Sounds() { return m_Sounds; }
  CUserConfigStore &UserConfig() { return m_UserConfig; }
  CHostKGui &KGui() { return m_KGui; }
  CHostPanelInterface &PanelInterface() { return m_PanelInterface; }
  CHostSurface &Surface() { return m_Surface; }
  CHostScheme &Scheme() { return m_Scheme; }
  CHostSystem &System() { return m_System; }
  CHostInput &Input() { return m_Input; }
  CHostLocalize &Localize() { return m_Localize; }
  CNotificationManager &Notifications() { return m_Notifications; }
  kgui::VPANEL RootPanel() const;

  // --- the frame
  void RunFrame();
  void DeliverMessages();
  void RunTicks();
  void ThinkAndLayout();
  void Paint();
  // The safe point: deletes the panels marked for deletion.
  void DeleteMarkedPanels();
  void AddFrameClient(IFrameClient *client);
  void RemoveFrameClient(IFrameClient *client);
  uint64 FrameCount() const { return m_FrameCount; }
  // Frames whose paint step drew anything, and what the last of them drew (screen pixels): a frame
  // in which nothing changed paints nothing and presents nothing.
  uint64 PaintCount() const { return m_PaintCount; }
  bool PaintedLastFrame() const { return m_PaintedLastFrame; }
  const CRect &LastPaintedArea() const { return m_PaintedArea; }
  // The earliest time a posted message, a tick or a notice's end is due (the frame clock);
  // +infinity when nothing is.
  double NextDueTime() const;
  double FrameTime() const { return m_FrameTime; }
  double Now() const;

  // --- repaint
  // Paints the whole screen again at the next paint step.
  void Invalidate();
  // Paints `area` (screen pixels) again at the next paint step.
  void Invalidate(const CRect &area);
  // Paints what the panel shows again (nothing when it is not shown).
  void InvalidatePanel(const CHostPanel *panel);
  // Every frame paints the whole screen, as before frames could be skipped (for comparisons).
  void SetAlwaysPaint(bool always) { m_AlwaysPaint = always; }
  // Each frame that keeps or repaints only part of the picture is checked against a full repaint
  // and any difference reported (finds panels that change without asking for a repaint).
  void SetCheckRepaint(bool check) { m_CheckRepaint = check; }
  uint64 StaleFrames() const { return m_StaleFrames; }

  // --- panels
  void LayoutPanel(CHostPanel *panel);
  void MarkForDeletion(kgui::VPANEL panel);
  // Drops every trace of a panel (IKGui::FreePanel).
  void ForgetPanel(kgui::VPANEL panel);
  bool IsRunning() const { return m_Running; }
  // Stops running: deletes every panel still alive and drops queued messages. Run before the
  // module that made the panels is unloaded.
  void Shutdown();

  // --- screen and window
  void SetScreenSize(int wide, int tall);
  int ProportionalScale(int normalizedValue) const;
  kgui::HFont HostFont();
  void SetWindowBackend(IWindowBackend *window) { m_pWindow = window; }
  bool HasWindow() const { return m_pWindow != nullptr; }
  bool HasWindowFocus() { return !m_pWindow || m_pWindow->HasFocus(); }
  void FlashHostWindow();
  void WarpHostCursor(int x, int y);

 private:
  class CProvider;
  // A notice in the corner, once, when the user's dialog settings were found damaged.
  void TellOfDamagedUserConfig();
  void Deliver(const CQueuedMessage &message);
  void CollectShown(CHostPanel *panel, std::vector<kgui::VPANEL> &out) const;
  void LayoutTree(kgui::VPANEL panel);
  void PaintTree(kgui::VPANEL panel, int originX, int originY, const CRect &parentClip);
  void PaintArea(const CRect &area);
  // The check of SetCheckRepaint: repaints everything and compares with what the frame kept.
  void CheckAgainstFullRepaint();
  // The names of the front-most shown panel at a screen point and of its parents, for reports.
  std::string DescribePanelAt(int x, int y) const;
  const CHostPanel *DeepestShownAt(const CHostPanel *panel, int x, int y) const;
  void DeleteNow(kgui::VPANEL panel);

  CRuntimeOptions m_Options;
  CHostFileSystem m_FileSystem;
  CPanelRegistry m_Panels;
  CMessageQueue m_Messages;
  CTickRegistry m_Ticks;
  CFontManager m_Fonts;
  CTextureManager m_Textures;
  CRenderer m_Renderer;
  CSoundPlayer m_Sounds;
  CUserConfigStore m_UserConfig;
  CHostKGui m_KGui;
  CHostPanelInterface m_PanelInterface;
  CHostSurface m_Surface;
  CHostScheme m_Scheme;
  CHostSystem m_System;
  CHostInput m_Input;
  CHostLocalize m_Localize;
  CNotificationManager m_Notifications;
  CDesktopPanel m_Desktop;
  std::unique_ptr<CProvider> m_pProvider;
  IGameLauncher *m_pLauncher = nullptr;
  IWindowBackend *m_pWindow = nullptr;
  std::vector<IFrameClient *> m_FrameClients;
  std::vector<kgui::VPANEL> m_PendingDeletion;
  kgui::HFont m_HostFont = kgui::INVALID_FONT;
  uint64 m_FrameCount = 0;
  uint64 m_PaintCount = 0;
  uint64 m_StaleFrames = 0;
  CRect m_Damage;
  CRect m_PaintedArea;
  bool m_PaintedLastFrame = false;
  bool m_AlwaysPaint = false;
  bool m_CheckRepaint = false;
  double m_FrameTime = 0.0;
  bool m_Running = true;
};

}  // namespace kguihost
