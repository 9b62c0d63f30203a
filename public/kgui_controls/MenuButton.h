// MenuButton: a button that opens its menu below itself.
#pragma once

#include "kgui_controls/Button.h"

namespace kgui {

class Menu;

class MenuButton : public Button {
  DECLARE_CLASS_SIMPLE(MenuButton, Button);

 public:
  MenuButton(Panel *parent, const char *panelName, const char *text);

  // The menu to open (the button does not own it).
  void SetMenu(Menu *menu);
  Menu *GetMenu();
  void DoClick() override;
  bool IsMenuOpen();

 protected:
  void Paint() override;
  // The text keeps clear of the arrow at the right.
  int GetTextRightInset() override { return 16; }
  void OnMenuClose() { ForceDepressed(false); }

 private:
  PHandle m_hMenu;
};

}  // namespace kgui
