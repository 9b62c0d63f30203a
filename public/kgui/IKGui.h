// IKGui ("KGUI_ikgui007"): panel ids and weak handles, the message queue, ticks and deletion at a
// safe point.
//
// The host's frame runs in this order:
//   1. deliver due posted messages (due-time order, first posted first among equals)
//   2. "Tick" to registered panels whose interval has passed; "KeyFocusTicked" to the focused
//      panel and "MouseFocusTicked" to the panel under the cursor
//   3. input (or script steps), turned into the messages listed in kgui/IInput.h
//   4. IClientPanel::Think, then layout (IClientPanel::PerformLayout of invalidated panels)
//   5. paint every visible top-level panel, then every popup, back to front, each child clipped to
//      its parent; then present
// Panels marked for deletion are deleted after each step.
#pragma once

#include "kgui/kgui.h"

class InterfaceProvider;

namespace kgui {

class IClientPanel;

#define KGUI_INTERFACE_VERSION "KGUI_ikgui007"

class IKGui {
 public:
  // The toolkit hands over the provider it was started with.
  virtual void SetInterfaceProvider(InterfaceProvider *provider) = 0;
  // True while the host runs frames; when false, MarkPanelForDeletion deletes at once.
  virtual bool IsRunning() = 0;

  // A new panel: no parent, at 0,0, size 0x0, visible, enabled, taking mouse and keyboard input.
  virtual VPANEL CreatePanel(IClientPanel *client) = 0;
  // Releases the id; called by the panel as it is destroyed. Its children lose their parent, its
  // messages and ticks are dropped, focus, capture and modality on it are released.
  virtual void FreePanel(VPANEL panel) = 0;

  virtual HPanel PanelToHandle(VPANEL panel) = 0;
  // The panel the handle was made for, or 0 once it is gone (or for INVALID_PANEL_HANDLE).
  virtual VPANEL HandleToPanel(HPanel handle) = 0;

  // The host calls IClientPanel::DeletePanel at its next safe point (between frame steps).
  virtual void MarkPanelForDeletion(VPANEL panel) = 0;

  // Takes over `message` and delivers it to `target` when `delaySeconds` have passed (0: at the
  // next delivery), then destroys it. A message for a panel that is gone is destroyed unread.
  virtual void PostMessage(VPANEL target, KeyValues *message, VPANEL from, float delaySeconds) = 0;

  // The panel receives "Tick" every `intervalMilliseconds` (0: every frame). A second call changes
  // the interval.
  virtual void AddTickSignal(VPANEL panel, int intervalMilliseconds) = 0;
  virtual void RemoveTickSignal(VPANEL panel) = 0;

 protected:
  ~IKGui() = default;
};

}  // namespace kgui
