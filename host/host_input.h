// IHostInput of the host: input state, focus, capture, the modal surface, and the routing of input
// events (from the window or a script) to panels as messages.
#pragma once

#include "host/host_panel.h"
#include "kgui/IInput.h"

namespace kguihost {

class CKGuiRuntime;

class CHostInput final : public kgui::IHostInput {
 public:
  explicit CHostInput(CKGuiRuntime &runtime) : m_Runtime(runtime) {}

  kgui::VPANEL GetFocus() override;
  void SetFocus(kgui::VPANEL panel) override;
  kgui::VPANEL GetMouseOver() override;
  void SetMouseCapture(kgui::VPANEL panel) override;
  kgui::VPANEL GetMouseCapture() override;
  void GetCursorPos(int &x, int &y) override;
  void SetCursorPos(int x, int y) override;
  bool IsMouseDown(kgui::MouseCode code) override;
  bool IsKeyDown(kgui::KeyCode code) override;
  void SetAppModalSurface(kgui::VPANEL panel) override;
  kgui::VPANEL GetAppModalSurface() override;
  void ReleaseAppModalSurface() override;
  const char *GetKeyCodeName(kgui::KeyCode code) override;
  void SetTextInputArea(kgui::VPANEL panel, int x, int y, int wide, int tall) override;

  // --- events from the window or a script
  void CursorMoved(int x, int y);
  void MousePressed(kgui::MouseCode code);
  void MouseDoublePressed(kgui::MouseCode code);
  void MouseReleased(kgui::MouseCode code);
  // +1 away from the user, -1 towards.
  void MouseWheel(int delta);
  // "KeyCodePressed" then "KeyCodeTyped".
  void KeyPressed(kgui::KeyCode code);
  // "KeyCodeTyped" alone, while a key is held.
  void KeyRepeated(kgui::KeyCode code);
  void KeyReleased(kgui::KeyCode code);
  // "KeyTyped" with the character; "unichar" is UTF-16, so one beyond U+FFFF arrives as its
  // surrogate pair (two messages, high then low). A surrogate or a value past U+10FFFF arrives as
  // U+FFFD; 0 is ignored.
  void CharTyped(char32_t ch);
  // Every character of UTF-8 text as CharTyped does (broken sequences arrive as U+FFFD).
  void TextTyped(const char *utf8);
  // An input method's text being composed, or "" when composition ends (committed text arrives
  // through TextTyped): "CompositionChanged" to the key target with "text" (UTF-16), "caret" and
  // "selection" (UTF-16 units into "text"). `caret` and `selection` count characters, as input
  // methods do.
  void CompositionChanged(const char *utf8, int caret, int selection);
  bool Composing() const { return m_Composing; }
  // Where the focused panel asked the input method's window to appear (screen pixels); false
  // when it gave no place or has lost the focus.
  bool TextInputArea(int &x, int &y, int &wide, int &tall) const;

  // --- bookkeeping of the runtime
  void OnPanelFreed(kgui::VPANEL panel);
  void OnPanelHidden(CHostPanel *panel);
  // "KeyFocusTicked" to the focused panel, "MouseFocusTicked" to the panel under the cursor.
  void SendFocusTicks();
  // The panel that takes mouse input at x,y (screen), or null; ignores capture and modality.
  CHostPanel *PanelAt(int x, int y) const;

 private:
  CHostPanel *HitTest(CHostPanel *panel, int originX, int originY, const CRect &clip, int x, int y) const;
  bool AllowedByModal(const CHostPanel *panel) const;
  // Re-finds the panel under the cursor, telling the old and new ones.
  void UpdateMouseOver();
  CHostPanel *MouseTarget();
  CHostPanel *KeyTarget();
  void SendMouse(const char *name, kgui::MouseCode code);
  void SendKey(const char *name, kgui::KeyCode code);
  void Send(kgui::VPANEL target, KeyValues *message);

  CKGuiRuntime &m_Runtime;
  int m_CursorX = 0;
  int m_CursorY = 0;
  bool m_MouseDown[kgui::MOUSE_COUNT] = {};
  bool m_KeyDown[kgui::KEY_COUNT] = {};
  kgui::VPANEL m_Focus = kgui::NULL_PANEL;
  kgui::VPANEL m_MouseOver = kgui::NULL_PANEL;
  kgui::VPANEL m_Capture = kgui::NULL_PANEL;
  kgui::VPANEL m_Modal = kgui::NULL_PANEL;
  bool m_Composing = false;
  // The text input area: its panel, and the rectangle in that panel's pixels.
  kgui::VPANEL m_TextInputPanel = kgui::NULL_PANEL;
  CRect m_TextInputArea;
};

}  // namespace kguihost
