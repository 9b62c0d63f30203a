// ScrollBar: a slider between two arrow buttons, vertical or horizontal. Every move of its value
// signals "ScrollBarSliderMoved" ("position") to its owners.
#pragma once

#include "kgui_controls/Panel.h"

namespace kgui {

class Button;
class ScrollBarSlider;

class ScrollBar : public Panel {
  DECLARE_CLASS_SIMPLE(ScrollBar, Panel);

 public:
  ScrollBar(Panel *parent, const char *panelName, bool vertical);

  void SetValue(int value);
  int GetValue() const;
  // The whole range and the part of it that is visible at once.
  void SetRange(int min, int max);
  void GetRange(int &min, int &max) const;
  void SetRangeWindow(int window);
  int GetRangeWindow() const;
  // How far one arrow click moves the value.
  void SetButtonPressedScrollValue(int step) { m_nButtonStep = step > 0 ? step : 1; }
  bool IsVertical() const { return m_bVertical; }
  // True when the window does not cover the whole range.
  bool IsSliderVisible() const;
  ScrollBarSlider *GetSlider() { return m_pSlider; }
  Button *GetButton(int index) { return index == 0 ? m_pUpButton : m_pDownButton; }

 protected:
  void PerformLayout() override;
  void OnMouseWheeled(int delta) override;
  void OnCommand(const char *command) override;
  void OnSliderMoved(int position);
  void OnSizeChanged(int newWide, int newTall) override;

 private:
  bool m_bVertical;
  ScrollBarSlider *m_pSlider;
  Button *m_pUpButton;
  Button *m_pDownButton;
  int m_nButtonStep = 1;
};

}  // namespace kgui
