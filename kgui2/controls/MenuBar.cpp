// MenuBar: menu buttons side by side, each as wide as its text.
#include "kgui_controls/MenuBar.h"

#include "DefaultTheme.h"
#include "kgui_controls/MenuButton.h"
#include "kgui_controls/controls.h"

namespace kgui {

DEFINE_EMPTY_MESSAGE_MAP(MenuBar, Panel)

MenuBar::MenuBar(Panel *parent, const char *panelName) : Panel(parent, panelName) {}

void MenuBar::AddButton(MenuButton *button) {
  if (!button) return;
  button->SetParent(this);
  m_Buttons.emplace_back(button);
  InvalidateLayout();
}

void MenuBar::ApplySchemeSettings(IScheme *schemeInterface) {
  BaseClass::ApplySchemeSettings(schemeInterface);
  SetBgColor(GetSchemeColor("MenuBar.BgColor", theme::kTabBg, schemeInterface));
  m_BorderColor = GetSchemeColor("MenuBar.BorderColor", theme::kTabBorder, schemeInterface);
}

void MenuBar::PerformLayout() {
  int x = 2;
  for (PHandle &handle : m_Buttons) {
    auto *button = static_cast<MenuButton *>(handle.Get());
    if (!button) continue;
    int wide = 0, tall = 0;
    button->GetContentSize(wide, tall);
    button->SetBounds(x, 2, wide + 24, GetTall() - 4);
    x += wide + 26;
  }
}

void MenuBar::PaintBorder() {
  surface()->DrawSetColor(Faded(m_BorderColor));
  surface()->DrawFilledRect(0, GetTall() - 1, GetWide(), GetTall());
}

}  // namespace kgui
