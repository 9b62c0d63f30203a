// ListPanelColumnSelectButton: the small button at the right end of a ListPanel's headers that
// opens the column menu (it signals "OpenColumnChoiceMenu" to the list).
#pragma once

#include "kgui_controls/Button.h"

namespace kgui {

class ListPanel;

class ListPanelColumnSelectButton : public Button {
  DECLARE_CLASS_SIMPLE(ListPanelColumnSelectButton, Button);

 public:
  explicit ListPanelColumnSelectButton(ListPanel *list);

  bool AcceptsFocus() override { return false; }

 protected:
  void Paint() override;
};

}  // namespace kgui
