// ToggleButton: a button that stays pressed until clicked again. Each change of state signals
// "ButtonToggled" with "state" (1 when selected); a command, when set, is signalled too.
#pragma once

#include "kgui_controls/Button.h"

namespace kgui {

class ToggleButton : public Button {
  DECLARE_CLASS_SIMPLE(ToggleButton, Button);

 public:
  ToggleButton(Panel *parent, const char *panelName, const char *text);

  void DoClick() override;
  void SetSelected(bool state) override;
  void Describe(KeyValues *panelBlock) override;

 protected:
  void OnMouseDoublePressed(MouseCode code) override;
};

}  // namespace kgui
