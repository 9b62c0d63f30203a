// CheckButton: a check box with its text to the right; toggles like a ToggleButton.
#pragma once

#include "kgui_controls/ToggleButton.h"

namespace kgui {

class CheckButton : public ToggleButton {
  DECLARE_CLASS_SIMPLE(CheckButton, ToggleButton);

 public:
  CheckButton(Panel *parent, const char *panelName, const char *text);

  void SetChecked(bool state) { SetSelected(state); }
  bool IsChecked() const { return IsSelected(); }
  void GetContentSize(int &wide, int &tall) override;

 protected:
  void ApplySchemeSettings(IScheme *schemeInterface) override;
  void PaintBackground() override;
  void Paint() override;
  void PaintBorder() override;
  Color GetTextColorNow() override;
  // The box is at the left; the text may run to the right edge.
  int GetTextRightInset() override { return 2; }
  // Draws the box (and its mark) at the left edge, centred vertically.
  virtual void PaintBox(int x, int y, int size);

  Color m_BoxBgColor;
  Color m_BoxBorderColor;
  Color m_MarkColor;
  Color m_DisabledMarkColor;
  Color m_HoverBorderColor;
};

}  // namespace kgui
