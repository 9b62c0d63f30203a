// The parts of a Frame's edge: the caption buttons and the sizing grips.
#pragma once

#include "kgui_controls/Button.h"

namespace kgui {

class Frame;

// A caption button (close, minimise, maximise) drawn as a glyph.
class FrameButton : public Button {
  DECLARE_CLASS_SIMPLE(FrameButton, Button);

 public:
  enum Glyph { GLYPH_CLOSE, GLYPH_MINIMIZE, GLYPH_MAXIMIZE };

  FrameButton(Frame *frame, const char *panelName, Glyph glyph, const char *command);

 protected:
  void PaintBackground() override;
  void Paint() override;
  void PaintBorder() override {}

 private:
  Glyph m_Glyph;
};

// An edge or corner of a frame that resizes it when dragged.
class FrameGrip : public Panel {
  DECLARE_CLASS_SIMPLE(FrameGrip, Panel);

 public:
  // `dx`/`dy`: which edges move: -1 the left/top one, 1 the right/bottom one, 0 none.
  FrameGrip(Frame *frame, const char *panelName, int dx, int dy);

 protected:
  void OnMousePressed(MouseCode code) override;
  void OnMouseReleased(MouseCode code) override;
  void OnCursorMoved(int x, int y) override;
  void OnMouseCaptureLost() override { m_bDragging = false; }
  void Paint() override;

 private:
  Frame *m_pFrame;
  int m_nDx;
  int m_nDy;
  bool m_bDragging = false;
  int m_nStartCursorX = 0, m_nStartCursorY = 0;
  int m_nStartX = 0, m_nStartY = 0, m_nStartWide = 0, m_nStartTall = 0;
};

}  // namespace kgui
