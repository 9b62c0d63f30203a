// MenuButton: opens and closes its menu.
#include "kgui_controls/MenuButton.h"

#include "DefaultTheme.h"
#include "kgui_controls/Menu.h"
#include "kgui_controls/controls.h"

namespace kgui {

BEGIN_MESSAGE_MAP(MenuButton, Button)
MESSAGE_ENTRY("MenuClose", OnMenuClose)
END_MESSAGE_MAP()

MenuButton::MenuButton(Panel *parent, const char *panelName, const char *text)
    : Button(parent, panelName, text) {
  SetButtonActivationType(ACTIVATE_ONPRESSED);
}

void MenuButton::SetMenu(Menu *menu) {
  m_hMenu = menu;
  if (menu) menu->AddActionSignalTarget(this);
}

Menu *MenuButton::GetMenu() {
  return static_cast<Menu *>(m_hMenu.Get());
}

bool MenuButton::IsMenuOpen() {
  Menu *menu = GetMenu();
  return menu && menu->IsVisible();
}

void MenuButton::DoClick() {
  Menu *menu = GetMenu();
  if (!menu || !IsEnabled()) return;
  if (menu->IsVisible()) {
    menu->SetVisible(false);
    return;
  }
  int x = 0, top = 0;
  LocalToScreen(x, top);
  menu->SetMinimumWidth(GetWide());
  menu->OpenBelowOrAbove(x, top, top + GetTall());
  ForceDepressed(true);
}

void MenuButton::Paint() {
  BaseClass::Paint();
  // A small arrow at the right says that a menu opens.
  surface()->DrawSetColor(Faded(GetTextColorNow()));
  const int cx = GetWide() - 10, cy = GetTall() / 2 + 1;
  for (int i = 0; i < 3; ++i) surface()->DrawFilledRect(cx - i, cy - i, cx + i + 1, cy - i + 1);
}

}  // namespace kgui
