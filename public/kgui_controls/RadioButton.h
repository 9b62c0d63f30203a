// RadioButton: one of a group of choices. The buttons of a group share their parent and their
// tab position; selecting one clears the others and signals "RadioButtonChecked" with
// "tabposition". The arrow keys move the choice within the group.
#pragma once

#include <vector>

#include "kgui_controls/ToggleButton.h"

namespace kgui {

class RadioButton : public ToggleButton {
  DECLARE_CLASS_SIMPLE(RadioButton, ToggleButton);

 public:
  RadioButton(Panel *parent, const char *panelName, const char *text);

  void DoClick() override;
  void SetSelected(bool state) override;
  // The other radio buttons of this button's group, in their parent's order, this one included.
  std::vector<RadioButton *> GetGroup();
  void GetContentSize(int &wide, int &tall) override;

 protected:
  void ApplySchemeSettings(IScheme *schemeInterface) override;
  void PaintBackground() override {}
  void Paint() override;
  void PaintBorder() override;
  Color GetTextColorNow() override;
  // The circle is at the left; the text may run to the right edge.
  int GetTextRightInset() override { return 2; }
  void OnKeyCodeTyped(KeyCode code) override;

 private:
  // Draws a filled disc row by row.
  void FillDisc(int centerX, int centerY, int radius);

  Color m_CircleBgColor;
  Color m_CircleBorderColor;
  Color m_HoverBorderColor;
  Color m_DotColor;
};

}  // namespace kgui
