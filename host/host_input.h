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
  // "KeyTyped" with the character (characters beyond U+FFFF are dropped: "unichar" is UTF-16).
  void CharTyped(char32_t ch);

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
};

}  // namespace kguihost
