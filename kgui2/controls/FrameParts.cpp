// Caption buttons and sizing grips of a Frame.
#include "FrameParts.h"

#include <algorithm>

#include "DefaultTheme.h"
#include "kgui_controls/Frame.h"
#include "kgui_controls/controls.h"

namespace kgui {

DEFINE_EMPTY_MESSAGE_MAP(FrameButton, Button)
DEFINE_EMPTY_MESSAGE_MAP(FrameGrip, Panel)

// ---- caption buttons

FrameButton::FrameButton(Frame *frame, const char *panelName, Glyph glyph, const char *command)
    : Button(frame, panelName, "", frame, command), m_Glyph(glyph) {
  SetKeyboardInputEnabled(false);
}

void FrameButton::PaintBackground() {
  if (!IsArmed() || !IsEnabled()) return;
  surface()->DrawSetColor(
      Faded(m_Glyph == GLYPH_CLOSE ? theme::kCloseButtonHover : theme::kCaptionButtonHover));
  surface()->DrawFilledRect(0, 0, GetWide(), GetTall());
}

void FrameButton::Paint() {
  const int size = 8;
  const int x0 = (GetWide() - size) / 2, y0 = (GetTall() - size) / 2;
  surface()->DrawSetColor(Faded(IsEnabled() ? GetTextColorNow() : theme::kTextDisabled));
  switch (m_Glyph) {
    case GLYPH_CLOSE:
      for (int offset = 0; offset < 2; ++offset) {
        surface()->DrawLine(x0 + offset, y0, x0 + size - 1 + offset, y0 + size - 1);
        surface()->DrawLine(x0 + offset, y0 + size - 1, x0 + size - 1 + offset, y0);
      }
      break;
    case GLYPH_MINIMIZE:
      surface()->DrawFilledRect(x0, y0 + size - 2, x0 + size + 1, y0 + size);
      break;
    case GLYPH_MAXIMIZE:
      surface()->DrawOutlinedRect(x0, y0, x0 + size + 1, y0 + size + 1);
      surface()->DrawFilledRect(x0, y0, x0 + size + 1, y0 + 2);
      break;
  }
}

// ---- sizing grips

FrameGrip::FrameGrip(Frame *frame, const char *panelName, int dx, int dy)
    : Panel(frame, panelName), m_pFrame(frame), m_nDx(dx), m_nDy(dy) {
  SetPaintBackgroundEnabled(false);
  SetKeyboardInputEnabled(false);
  if (dx != 0 && dy != 0)
    SetCursor(dx == dy ? dc_sizenwse : dc_sizenesw);
  else
    SetCursor(dx != 0 ? dc_sizewe : dc_sizens);
}

void FrameGrip::OnMousePressed(MouseCode code) {
  if (code != MOUSE_LEFT || !m_pFrame->IsSizeable()) return;
  m_bDragging = true;
  input()->GetCursorPos(m_nStartCursorX, m_nStartCursorY);
  m_pFrame->GetBounds(m_nStartX, m_nStartY, m_nStartWide, m_nStartTall);
  input()->SetMouseCapture(GetVPanel());
}

void FrameGrip::OnMouseReleased(MouseCode code) {
  if (code != MOUSE_LEFT || !m_bDragging) return;
  m_bDragging = false;
  if (input()->GetMouseCapture() == GetVPanel()) input()->SetMouseCapture(NULL_PANEL);
}

void FrameGrip::OnCursorMoved(int x, int y) {
  (void)x, (void)y;
  if (!m_bDragging) return;
  int cursorX = 0, cursorY = 0;
  input()->GetCursorPos(cursorX, cursorY);
  int minWide = 0, minTall = 0;
  m_pFrame->GetMinimumSize(minWide, minTall);
  const int deltaX = cursorX - m_nStartCursorX;
  const int deltaY = cursorY - m_nStartCursorY;
  int newX = m_nStartX, newY = m_nStartY, wide = m_nStartWide, tall = m_nStartTall;
  // A left or top edge moves the frame as it shrinks, never past the minimum size.
  if (m_nDx > 0) wide = std::max(minWide, m_nStartWide + deltaX);
  if (m_nDx < 0) {
    wide = std::max(minWide, m_nStartWide - deltaX);
    newX = m_nStartX + m_nStartWide - wide;
  }
  if (m_nDy > 0) tall = std::max(minTall, m_nStartTall + deltaY);
  if (m_nDy < 0) {
    tall = std::max(minTall, m_nStartTall - deltaY);
    newY = m_nStartY + m_nStartTall - tall;
  }
  m_pFrame->SetBounds(newX, newY, wide, tall);
}

void FrameGrip::Paint() {
  // Only the bottom right corner shows itself: three short diagonal ridges.
  if (m_nDx <= 0 || m_nDy <= 0 || !m_pFrame->IsSizeable()) return;
  surface()->DrawSetColor(Faded(theme::kTextDull));
  const int wide = GetWide(), tall = GetTall();
  for (int i = 0; i < 3; ++i) {
    const int offset = 3 + i * 4;
    surface()->DrawLine(wide - 2, tall - offset - 1, wide - offset - 1, tall - 2);
  }
}

}  // namespace kgui
