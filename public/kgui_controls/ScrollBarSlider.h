// ScrollBarSlider: the track of a scroll bar and the thumb in it. The thumb's length shows the
// visible part of the range; dragging it or clicking the track moves the value.
#pragma once

#include "kgui_controls/Panel.h"

namespace kgui {

class ScrollBarSlider : public Panel {
  DECLARE_CLASS_SIMPLE(ScrollBarSlider, Panel);

 public:
  ScrollBarSlider(Panel *parent, const char *panelName, bool vertical);

  // The value runs from the range's start to its end less the window; it is kept there.
  void SetValue(int value);
  int GetValue() const { return m_nValue; }
  void SetRange(int min, int max);
  void GetRange(int &min, int &max) const;
  void SetRangeWindow(int window);
  int GetRangeWindow() const { return m_nRangeWindow; }
  int GetMaxValue() const;
  bool IsVertical() const { return m_bVertical; }
  // True when the window does not show the whole range.
  bool IsSliderVisible() const;
  // The thumb's first and last pixel along the track.
  void GetNobPos(int &start, int &end);

 protected:
  void ApplySchemeSettings(IScheme *schemeInterface) override;
  void Paint() override;
  void OnMousePressed(MouseCode code) override;
  void OnMouseDoublePressed(MouseCode code) override { OnMousePressed(code); }
  void OnMouseReleased(MouseCode code) override;
  void OnCursorMoved(int x, int y) override;
  void OnCursorExited() override { Repaint(); }
  void OnMouseCaptureLost() override { m_bDragging = false; }

 private:
  int TrackLength();
  // Tells the scroll bar that the value moved.
  void SendSliderMoved();

  bool m_bVertical;
  int m_nValue = 0;
  int m_nRangeMin = 0;
  int m_nRangeMax = 0;
  int m_nRangeWindow = 0;
  bool m_bDragging = false;
  int m_nDragOffset = 0;
  Color m_TrackColor;
  Color m_NobColor;
  Color m_NobHoverColor;
};

}  // namespace kgui
