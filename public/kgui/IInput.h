// IHostInput ("KGUI_Input005"): input state, keyboard focus, mouse capture and the modal surface.
//
// The host turns input into messages, called at once on the receiving panel (IClientPanel::OnMessage):
//   to the panel under the cursor (or the capturing panel):
//     "CursorMoved" ("xpos", "ypos": the cursor in the receiving panel's own pixels),
//     "CursorEntered", "CursorExited", "MousePressed" / "MouseDoublePressed" / "MouseReleased"
//     ("code": a MouseCode), "MouseScrolled" ("delta": +1 away from the user, -1 towards)
//   to the focused panel, or without one to the frontmost visible popup or top-level panel:
//     "KeyCodePressed" / "KeyCodeTyped" / "KeyCodeReleased" ("code": a KeyCode; "KeyCodeTyped"
//     repeats while the key is held), "KeyTyped" ("unichar": the character typed, one UTF-16 unit;
//     a character beyond U+FFFF arrives as two "KeyTyped", its high surrogate then its low one),
//     "CompositionChanged" ("text": the UTF-16 text an input method is composing, "" when the
//     composition ends; "caret" and "selection": UTF-16 units into it; the committed text arrives
//     as "KeyTyped" and never changes what the panel stored until then)
//   to a panel losing or gaining the focus: "KillFocus", "SetFocus"
//   to a panel losing the capture: "MouseCaptureLost"
//   to top-level panels and popups when the screen size changes: "OnScreenSizeChanged"
//     ("oldwide", "oldtall")
// A press on a popup (or inside one) brings that popup to the front.
#pragma once

#include "kgui/KeyCode.h"
#include "kgui/kgui.h"

namespace kgui {

#define KGUI_INPUT_INTERFACE_VERSION "KGUI_Input005"

class IHostInput {
 public:
  // The panel with the keyboard focus, or 0.
  virtual VPANEL GetFocus() = 0;
  // Gives the keyboard focus to a panel that takes keyboard input (0 clears it); the old panel
  // receives "KillFocus", the new one "SetFocus". Keys reach it while it is shown; hiding it or one
  // of its parents clears the focus.
  virtual void SetFocus(VPANEL panel) = 0;
  // The panel under the cursor, or 0.
  virtual VPANEL GetMouseOver() = 0;
  // Every mouse message goes to `panel` until released (0); the previous owner gets
  // "MouseCaptureLost".
  virtual void SetMouseCapture(VPANEL panel) = 0;
  virtual VPANEL GetMouseCapture() = 0;

  // The cursor in screen pixels.
  virtual void GetCursorPos(int &x, int &y) = 0;
  virtual void SetCursorPos(int x, int y) = 0;
  virtual bool IsMouseDown(MouseCode code) = 0;
  virtual bool IsKeyDown(KeyCode code) = 0;

  // While a modal surface is set, mouse and keyboard input reach only it and its descendants.
  virtual void SetAppModalSurface(VPANEL panel) = 0;
  virtual VPANEL GetAppModalSurface() = 0;
  virtual void ReleaseAppModalSurface() = 0;

  // The key's name as scripts write it ("ENTER", "F5", "A"); "" for an unknown code.
  virtual const char *GetKeyCodeName(KeyCode code) = 0;

  // --- added after the operations above, which keep their places
  // Where the focused `panel` edits text (its own pixels: the caret's column and line), so an input
  // method's window can appear beside it. A host without input methods ignores it.
  virtual void SetTextInputArea(VPANEL panel, int x, int y, int wide, int tall) {
    (void)panel, (void)x, (void)y, (void)wide, (void)tall;
  }

 protected:
  ~IHostInput() = default;
};

}  // namespace kgui
