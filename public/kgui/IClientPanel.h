// The host's way back into a panel of a module: every panel the host knows carries one of these,
// given to IKGui::CreatePanel. All calls come on the GUI thread, from the host's frame.
#pragma once

#include "kgui/kgui.h"

namespace kgui {

class IClientPanel {
 public:
  // The id the host gave this panel.
  virtual VPANEL GetVPanel() = 0;

  // Once a frame, before layout, for every panel shown on screen (it and its ancestors visible).
  virtual void Think() = 0;
  // Called in the layout step of a frame after IPanel::InvalidateLayout or a size change, parents
  // before children, only while the panel is shown.
  virtual void PerformLayout() = 0;
  // Draws the panel. The surface's drawing calls are in the panel's own coordinates and clipped to
  // the part of it that its ancestors leave visible.
  virtual void Paint() = 0;
  // Draws over the children after they have painted.
  virtual void PostChildPaint() = 0;

  // A message for this panel: posted through IKGui or sent through IPanel. The message stays owned
  // by the caller; `from` is the sender's id or 0.
  virtual void OnMessage(KeyValues *message, VPANEL from) = 0;

  // The host deletes the panel: at its safe point after IKGui::MarkPanelForDeletion, and for panels
  // still alive when the host shuts down. The panel must release its id (IKGui::FreePanel).
  virtual void DeletePanel() = 0;

  // The toolkit class name ("Button", "ListPanel", ...); shown in state dumps.
  virtual const char *GetClassName() = 0;

  // Adds what the panel shows to its block of a state dump: "text" (as shown, localised, UTF-8)
  // when it has one, and for a list "Columns", "Rows" and "emptytext". The host has already written
  // "name", "class", "x", "y", "wide", "tall", "visible" and "enabled", and adds "Children" after.
  virtual void Describe(KeyValues *panelBlock) = 0;

  // Answers an information request (IPanel::RequestInfo). A request named "ControlFactory" with
  // "ControlName" asks the panel to create that control and store it as the pointer "PanelPtr".
  // Returns true when the panel answered; a panel that cannot should ask its parent.
  virtual bool RequestInfo(KeyValues *outputData) = 0;

 protected:
  ~IClientPanel() = default;
};

}  // namespace kgui
