// IPanel ("KGUI_Panel010"): the host's record of each panel (position, size, visibility, enabled
// state, parent, children, stacking order, name, popup state) and synchronous sending.
//
// Positions are relative to the parent, except for popups, whose position is in screen pixels.
// The host's desktop (IHostSurface::GetEmbeddedPanel) covers the screen at 0,0. Operations on an
// id that is 0 or gone do nothing and read as zero, false or "".
#pragma once

#include "kgui/kgui.h"

namespace kgui {

class IClientPanel;

#define KGUI_PANEL_INTERFACE_VERSION "KGUI_Panel010"

class IPanel {
 public:
  // --- geometry
  virtual void SetPos(VPANEL panel, int x, int y) = 0;
  virtual void GetPos(VPANEL panel, int &x, int &y) = 0;
  // Negative sizes count as 0; the size never goes below the minimum size. A change invalidates
  // the panel's layout.
  virtual void SetSize(VPANEL panel, int wide, int tall) = 0;
  virtual void GetSize(VPANEL panel, int &wide, int &tall) = 0;
  virtual void SetMinimumSize(VPANEL panel, int wide, int tall) = 0;
  virtual void GetMinimumSize(VPANEL panel, int &wide, int &tall) = 0;
  // Space inside the edges for children and for painting with insets (IHostSurface::PushMakeCurrent).
  virtual void SetInset(VPANEL panel, int left, int top, int right, int bottom) = 0;
  virtual void GetInset(VPANEL panel, int &left, int &top, int &right, int &bottom) = 0;
  // The panel's top left corner in screen pixels.
  virtual void GetAbsPos(VPANEL panel, int &x, int &y) = 0;
  // The visible part of the panel in screen pixels (x1, y1 exclusive); empty when fully clipped.
  virtual void GetClipRect(VPANEL panel, int &x0, int &y0, int &x1, int &y1) = 0;

  // --- stacking: among siblings, lower z draws first; equal z keeps the order of MoveToFront and
  // parenting (later in front).
  virtual void SetZPos(VPANEL panel, int z) = 0;
  virtual int GetZPos(VPANEL panel) = 0;
  virtual void MoveToFront(VPANEL panel) = 0;
  virtual void MoveToBack(VPANEL panel) = 0;

  // --- state
  virtual void SetVisible(VPANEL panel, bool state) = 0;
  virtual bool IsVisible(VPANEL panel) = 0;
  // Visible and so are its parents, up to a top-level panel or popup.
  virtual bool IsFullyVisible(VPANEL panel) = 0;
  virtual void SetEnabled(VPANEL panel, bool state) = 0;
  virtual bool IsEnabled(VPANEL panel) = 0;
  // A panel that takes no mouse input is passed over, with its children, when finding the panel
  // under the cursor.
  virtual void SetMouseInputEnabled(VPANEL panel, bool state) = 0;
  virtual bool IsMouseInputEnabled(VPANEL panel) = 0;
  // A panel that takes no keyboard input cannot receive the keyboard focus.
  virtual void SetKeyboardInputEnabled(VPANEL panel, bool state) = 0;
  virtual bool IsKeyboardInputEnabled(VPANEL panel) = 0;
  virtual bool IsPopup(VPANEL panel) = 0;
  // A topmost popup stays in front of the other popups.
  virtual void SetTopmostPopup(VPANEL panel, bool state) = 0;
  virtual bool IsTopmostPopup(VPANEL panel) = 0;

  // --- tree
  // Appends the panel to the new parent's children (0 detaches it). A parent that lies inside the
  // panel's own subtree is refused with an assertion.
  virtual void SetParent(VPANEL panel, VPANEL newParent) = 0;
  virtual VPANEL GetParent(VPANEL panel) = 0;
  // Children in paint order (back to front).
  virtual int GetChildCount(VPANEL panel) = 0;
  virtual VPANEL GetChild(VPANEL panel, int index) = 0;
  // True when `potentialParent` is the panel itself or one of its ancestors.
  virtual bool HasParent(VPANEL panel, VPANEL potentialParent) = 0;
  // The first child (depth first when `recurse`) whose name equals `name` ignoring case, or 0.
  virtual VPANEL FindChildByName(VPANEL panel, const char *name, bool recurse) = 0;

  // --- names and the client
  virtual void SetName(VPANEL panel, const char *name) = 0;
  virtual const char *GetName(VPANEL panel) = 0;
  virtual const char *GetClassName(VPANEL panel) = 0;
  virtual IClientPanel *Client(VPANEL panel) = 0;

  // --- layout and painting
  // Asks for IClientPanel::PerformLayout in the next layout step; with `layoutNow` it runs at once.
  virtual void InvalidateLayout(VPANEL panel, bool layoutNow) = 0;
  // The host paints every frame; this marks the panel for painting where a host paints less often.
  virtual void Repaint(VPANEL panel) = 0;

  // --- messages
  // Calls the target's IClientPanel::OnMessage at once; the message stays with the caller.
  virtual void SendMessage(VPANEL target, KeyValues *message, VPANEL from) = 0;
  // Asks the panel's client (IClientPanel::RequestInfo); false for a panel that is gone.
  virtual bool RequestInfo(VPANEL panel, KeyValues *outputData) = 0;

 protected:
  ~IPanel() = default;
};

}  // namespace kgui
