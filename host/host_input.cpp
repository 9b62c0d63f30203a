#include "host/host_input.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "host/key_names.h"
#include "host/kgui_runtime.h"
#include "kgui/IClientPanel.h"
#include "kstdlib/strtools.h"
#include "tier1/KeyValues.h"

namespace kguihost {

using kgui::NULL_PANEL;

namespace {

std::u16string Utf8ToUtf16(const char *utf8) {
  const size_t bytes = utf8 ? strlen(utf8) : 0;
  // Never more units than bytes, plus the terminator.
  std::u16string wide(bytes + 1, u'\0');
  const int units = V_UTF8ToUTF16(utf8, wide.data(), static_cast<int>(wide.size() * sizeof(char16_t)));
  wide.resize(units > 0 ? static_cast<size_t>(units - 1) : 0);
  return wide;
}

// The UTF-16 units the first `characters` characters of `text` take (all of it when fewer).
int UnitsForCharacters(const std::u16string &text, int characters) {
  size_t units = 0;
  for (int i = 0; i < characters && units < text.size(); ++i) {
    const bool pair = text[units] >= 0xD800 && text[units] <= 0xDBFF && units + 1 < text.size();
    units += pair ? 2 : 1;
  }
  return static_cast<int>(units);
}

}  // namespace

kgui::VPANEL CHostInput::GetFocus() {
  return m_Runtime.Panels().Find(m_Focus) ? m_Focus : NULL_PANEL;
}

void CHostInput::SetFocus(kgui::VPANEL panel) {
  CHostPanel *target = m_Runtime.Panels().Find(panel);
  if (panel != NULL_PANEL && (!target || !target->keyboardInput)) return;
  if (panel == m_Focus) return;
  kgui::VPANEL old = m_Focus;
  m_Focus = panel;
  // A composition belongs to the panel it was shown in; that panel drops it with the focus.
  m_Composing = false;
  m_Runtime.Invalidate();
  if (old != NULL_PANEL) Send(old, new KeyValues("KillFocus"));
  if (panel != NULL_PANEL && m_Focus == panel) Send(panel, new KeyValues("SetFocus"));
}

kgui::VPANEL CHostInput::GetMouseOver() {
  return m_Runtime.Panels().Find(m_MouseOver) ? m_MouseOver : NULL_PANEL;
}

void CHostInput::SetMouseCapture(kgui::VPANEL panel) {
  if (panel != NULL_PANEL && !m_Runtime.Panels().Find(panel)) return;
  if (panel == m_Capture) return;
  kgui::VPANEL old = m_Capture;
  m_Capture = panel;
  m_Runtime.Invalidate();
  if (old != NULL_PANEL) Send(old, new KeyValues("MouseCaptureLost"));
}

kgui::VPANEL CHostInput::GetMouseCapture() {
  return m_Runtime.Panels().Find(m_Capture) ? m_Capture : NULL_PANEL;
}

void CHostInput::GetCursorPos(int &x, int &y) {
  x = m_CursorX;
  y = m_CursorY;
}

void CHostInput::SetCursorPos(int x, int y) {
  m_CursorX = x;
  m_CursorY = y;
  m_Runtime.WarpHostCursor(x, y);
}

bool CHostInput::IsMouseDown(kgui::MouseCode code) {
  return code >= 0 && code < kgui::MOUSE_COUNT && m_MouseDown[code];
}

bool CHostInput::IsKeyDown(kgui::KeyCode code) {
  return code > kgui::KEY_NONE && code < kgui::KEY_COUNT && m_KeyDown[code];
}

void CHostInput::SetAppModalSurface(kgui::VPANEL panel) {
  m_Modal = m_Runtime.Panels().Find(panel) ? panel : NULL_PANEL;
  m_Runtime.Invalidate();
}

kgui::VPANEL CHostInput::GetAppModalSurface() {
  return m_Runtime.Panels().Find(m_Modal) ? m_Modal : NULL_PANEL;
}

void CHostInput::ReleaseAppModalSurface() {
  m_Modal = NULL_PANEL;
  m_Runtime.Invalidate();
}

const char *CHostInput::GetKeyCodeName(kgui::KeyCode code) {
  return KeyCodeName(code);
}

// --- routing

bool CHostInput::AllowedByModal(const CHostPanel *panel) const {
  CHostPanel *modal = m_Runtime.Panels().Find(m_Modal);
  return !modal || (panel && CPanelRegistry::HasAncestor(panel, modal));
}

CHostPanel *CHostInput::HitTest(CHostPanel *panel, int originX, int originY, const CRect &clip, int x,
                                int y) const {
  if (!panel->visible || !panel->mouseInput) return nullptr;
  int left = panel->popup ? panel->x : originX + panel->x;
  int top = panel->popup ? panel->y : originY + panel->y;
  CRect area = CRect{left, top, left + panel->wide, top + panel->tall}.Intersect(clip);
  if (!area.Contains(x, y)) return nullptr;
  // Front to back; popups are found on their own, above everything else.
  for (auto it = panel->children.rbegin(); it != panel->children.rend(); ++it) {
    if ((*it)->popup) continue;
    if (CHostPanel *hit = HitTest(*it, left, top, area, x, y)) return hit;
  }
  return panel;
}

CHostPanel *CHostInput::PanelAt(int x, int y) const {
  const CPanelRegistry &panels = m_Runtime.Panels();
  CRect screen = panels.ScreenRect();
  const auto &popups = panels.Popups();
  for (auto it = popups.rbegin(); it != popups.rend(); ++it) {
    if (!panels.IsShown(*it)) continue;
    if (CHostPanel *hit = HitTest(*it, 0, 0, screen, x, y)) return hit;
  }
  CHostPanel *root = panels.Root();
  return root ? HitTest(root, 0, 0, screen, x, y) : nullptr;
}

void CHostInput::UpdateMouseOver() {
  CHostPanel *hit = PanelAt(m_CursorX, m_CursorY);
  if (!AllowedByModal(hit)) hit = nullptr;
  kgui::VPANEL now = hit ? hit->id : NULL_PANEL;
  if (now == m_MouseOver) return;
  kgui::VPANEL old = m_MouseOver;
  m_MouseOver = now;
  if (old != NULL_PANEL) Send(old, new KeyValues("CursorExited"));
  if (now != NULL_PANEL && m_MouseOver == now) Send(now, new KeyValues("CursorEntered"));
}

CHostPanel *CHostInput::MouseTarget() {
  if (CHostPanel *capture = m_Runtime.Panels().Find(m_Capture)) return capture;
  return m_Runtime.Panels().Find(m_MouseOver);
}

CHostPanel *CHostInput::KeyTarget() {
  const CPanelRegistry &panels = m_Runtime.Panels();
  CHostPanel *focus = panels.Find(m_Focus);
  if (focus && panels.IsShown(focus) && AllowedByModal(focus)) return focus;
  if (CHostPanel *modal = panels.Find(m_Modal)) return modal;
  // Without a focus, keys go to the frontmost window.
  const auto &popups = panels.Popups();
  for (auto it = popups.rbegin(); it != popups.rend(); ++it) {
    if (panels.IsShown(*it) && (*it)->keyboardInput) return *it;
  }
  if (CHostPanel *root = panels.Root()) {
    for (auto it = root->children.rbegin(); it != root->children.rend(); ++it) {
      if (!(*it)->popup && (*it)->visible && (*it)->keyboardInput) return *it;
    }
  }
  return nullptr;
}

void CHostInput::Send(kgui::VPANEL target, KeyValues *message) {
  CHostPanel *panel = m_Runtime.Panels().Find(target);
  if (panel && panel->client) panel->client->OnMessage(message, NULL_PANEL);
  message->Destroy();
}

// Input may change any look (hover, pressed, focus); panels need not ask for a repaint for it.
void CHostInput::CursorMoved(int x, int y) {
  m_Runtime.Invalidate();
  m_CursorX = x;
  m_CursorY = y;
  UpdateMouseOver();
  CHostPanel *target = MouseTarget();
  if (!target) return;
  int absX = 0;
  int absY = 0;
  m_Runtime.Panels().AbsPos(target, absX, absY);
  KeyValues *message = new KeyValues("CursorMoved", "xpos", x - absX, "ypos", y - absY);
  Send(target->id, message);
}

void CHostInput::SendMouse(const char *name, kgui::MouseCode code) {
  m_Runtime.Invalidate();
  UpdateMouseOver();
  CHostPanel *target = MouseTarget();
  if (!target) return;
  if (CHostPanel *popup = CPanelRegistry::OwningPopup(target)) m_Runtime.Panels().MovePopupToFront(popup);
  Send(target->id, new KeyValues(name, "code", static_cast<int>(code)));
}

void CHostInput::MousePressed(kgui::MouseCode code) {
  if (code < 0 || code >= kgui::MOUSE_COUNT) return;
  m_MouseDown[code] = true;
  SendMouse("MousePressed", code);
}

void CHostInput::MouseDoublePressed(kgui::MouseCode code) {
  if (code < 0 || code >= kgui::MOUSE_COUNT) return;
  m_MouseDown[code] = true;
  SendMouse("MouseDoublePressed", code);
}

void CHostInput::MouseReleased(kgui::MouseCode code) {
  if (code < 0 || code >= kgui::MOUSE_COUNT) return;
  m_MouseDown[code] = false;
  SendMouse("MouseReleased", code);
}

void CHostInput::MouseWheel(int delta) {
  m_Runtime.Invalidate();
  UpdateMouseOver();
  if (CHostPanel *target = MouseTarget()) Send(target->id, new KeyValues("MouseScrolled", "delta", delta));
}

void CHostInput::SendKey(const char *name, kgui::KeyCode code) {
  m_Runtime.Invalidate();
  if (CHostPanel *target = KeyTarget()) Send(target->id, new KeyValues(name, "code", static_cast<int>(code)));
}

void CHostInput::KeyPressed(kgui::KeyCode code) {
  if (code <= kgui::KEY_NONE || code >= kgui::KEY_COUNT) return;
  m_KeyDown[code] = true;
  SendKey("KeyCodePressed", code);
  SendKey("KeyCodeTyped", code);
}

void CHostInput::KeyRepeated(kgui::KeyCode code) {
  if (code <= kgui::KEY_NONE || code >= kgui::KEY_COUNT) return;
  SendKey("KeyCodeTyped", code);
}

void CHostInput::KeyReleased(kgui::KeyCode code) {
  if (code <= kgui::KEY_NONE || code >= kgui::KEY_COUNT) return;
  m_KeyDown[code] = false;
  SendKey("KeyCodeReleased", code);
}

void CHostInput::CharTyped(char32_t ch) {
  if (ch == 0) return;
  // Nothing can pair a lone surrogate here: it is shown as what it is, a broken character.
  if ((ch >= 0xD800 && ch <= 0xDFFF) || ch > 0x10FFFF) ch = 0xFFFD;
  m_Runtime.Invalidate();
  CHostPanel *target = KeyTarget();
  if (!target) return;
  if (ch <= 0xFFFF) {
    Send(target->id, new KeyValues("KeyTyped", "unichar", static_cast<int>(ch)));
    return;
  }
  const char32_t offset = ch - 0x10000;
  const kgui::VPANEL id = target->id;
  Send(id, new KeyValues("KeyTyped", "unichar", static_cast<int>(0xD800 + (offset >> 10))));
  Send(id, new KeyValues("KeyTyped", "unichar", static_cast<int>(0xDC00 + (offset & 0x3FF))));
}

void CHostInput::TextTyped(const char *utf8) {
  const std::u16string wide = Utf8ToUtf16(utf8);
  for (size_t i = 0; i < wide.size(); ++i) {
    char32_t ch = wide[i];
    // The converter pairs every surrogate it writes.
    if (ch >= 0xD800 && ch <= 0xDBFF && i + 1 < wide.size()) {
      ch = 0x10000 + ((ch - 0xD800) << 10) + (wide[++i] - 0xDC00);
    }
    CharTyped(ch);
  }
}

void CHostInput::CompositionChanged(const char *utf8, int caret, int selection) {
  const std::u16string text = Utf8ToUtf16(utf8);
  m_Composing = !text.empty();
  m_Runtime.Invalidate();
  // Input methods count characters; the toolkit counts UTF-16 units.
  const int caretUnits = UnitsForCharacters(text, caret);
  const int selectionUnits = UnitsForCharacters(text.substr(caretUnits), selection);
  CHostPanel *target = KeyTarget();
  if (!target) return;
  KeyValues *message = new KeyValues("CompositionChanged", "text", text.c_str());
  message->SetInt("caret", caretUnits);
  message->SetInt("selection", selectionUnits);
  Send(target->id, message);
}

void CHostInput::SetTextInputArea(kgui::VPANEL panel, int x, int y, int wide, int tall) {
  if (!m_Runtime.Panels().Find(panel)) return;
  m_TextInputPanel = panel;
  m_TextInputArea = CRect{x, y, x + std::max(wide, 1), y + std::max(tall, 1)};
}

bool CHostInput::TextInputArea(int &x, int &y, int &wide, int &tall) const {
  CHostPanel *panel = m_Runtime.Panels().Find(m_TextInputPanel);
  if (!panel || m_TextInputPanel != m_Focus) return false;
  int absX = 0;
  int absY = 0;
  m_Runtime.Panels().AbsPos(panel, absX, absY);
  x = absX + m_TextInputArea.x0;
  y = absY + m_TextInputArea.y0;
  wide = m_TextInputArea.x1 - m_TextInputArea.x0;
  tall = m_TextInputArea.y1 - m_TextInputArea.y0;
  return true;
}

// --- bookkeeping

void CHostInput::OnPanelFreed(kgui::VPANEL panel) {
  if (m_Focus == panel) m_Focus = NULL_PANEL;
  if (m_MouseOver == panel) m_MouseOver = NULL_PANEL;
  if (m_Capture == panel) m_Capture = NULL_PANEL;
  if (m_Modal == panel) m_Modal = NULL_PANEL;
  if (m_TextInputPanel == panel) m_TextInputPanel = NULL_PANEL;
}

void CHostInput::OnPanelHidden(CHostPanel *panel) {
  CPanelRegistry &panels = m_Runtime.Panels();
  CHostPanel *focus = panels.Find(m_Focus);
  if (focus && CPanelRegistry::HasAncestor(focus, panel)) SetFocus(NULL_PANEL);
  CHostPanel *capture = panels.Find(m_Capture);
  if (capture && CPanelRegistry::HasAncestor(capture, panel)) SetMouseCapture(NULL_PANEL);
}

void CHostInput::SendFocusTicks() {
  if (m_Runtime.Panels().Find(m_Focus)) Send(m_Focus, new KeyValues("KeyFocusTicked"));
  if (m_Runtime.Panels().Find(m_MouseOver)) Send(m_MouseOver, new KeyValues("MouseFocusTicked"));
}

}  // namespace kguihost
