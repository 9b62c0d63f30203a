#include "host/scheme_border.h"

#include "host/renderer.h"

namespace kguihost {

void CSchemeBorder::SetInset(int left, int top, int right, int bottom) {
  m_Inset[LEFT] = left;
  m_Inset[TOP] = top;
  m_Inset[RIGHT] = right;
  m_Inset[BOTTOM] = bottom;
}

void CSchemeBorder::SetSideColor(Side side, Color color) {
  m_Colors[side] = color;
  m_HasColor[side] = true;
}

void CSchemeBorder::Paint(int x0, int y0, int x1, int y1) {
  Color saved = m_Renderer.DrawColor();
  // Top and bottom span the whole width; the sides fill in between.
  const int rects[SIDE_COUNT][4] = {
      {x0, y0 + 1, x0 + 1, y1 - 1},
      {x0, y0, x1, y0 + 1},
      {x1 - 1, y0 + 1, x1, y1 - 1},
      {x0, y1 - 1, x1, y1},
  };
  for (int side = 0; side < SIDE_COUNT; ++side) {
    if (!m_HasColor[side]) continue;
    m_Renderer.SetColor(m_Colors[side]);
    m_Renderer.FilledRect(rects[side][0], rects[side][1], rects[side][2], rects[side][3]);
  }
  m_Renderer.SetColor(saved);
}

void CSchemeBorder::GetInset(int &left, int &top, int &right, int &bottom) {
  left = m_Inset[LEFT];
  top = m_Inset[TOP];
  right = m_Inset[RIGHT];
  bottom = m_Inset[BOTTOM];
}

}  // namespace kguihost
