// Divider: a dark line with a light one beside it.
#include "kgui_controls/Divider.h"

#include "DefaultTheme.h"
#include "kgui_controls/controls.h"

namespace kgui {

DEFINE_EMPTY_MESSAGE_MAP(Divider, Panel)

Divider::Divider(Panel *parent, const char *panelName) : Panel(parent, panelName) {
  SetMouseInputEnabled(false);
  SetKeyboardInputEnabled(false);
}

void Divider::ApplySchemeSettings(IScheme *schemeInterface) {
  BaseClass::ApplySchemeSettings(schemeInterface);
  m_DarkColor = GetSchemeColor("Border.Dark", theme::kTitleBarBg, schemeInterface);
  m_LightColor = GetSchemeColor("Border.Bright", theme::kDivider, schemeInterface);
}

void Divider::Paint() {
  const int wide = GetWide(), tall = GetTall();
  if (wide >= tall) {
    const int y = tall / 2;
    surface()->DrawSetColor(Faded(m_DarkColor));
    surface()->DrawFilledRect(0, y - 1, wide, y);
    surface()->DrawSetColor(Faded(m_LightColor));
    surface()->DrawFilledRect(0, y, wide, y + 1);
  } else {
    const int x = wide / 2;
    surface()->DrawSetColor(Faded(m_DarkColor));
    surface()->DrawFilledRect(x - 1, 0, x, tall);
    surface()->DrawSetColor(Faded(m_LightColor));
    surface()->DrawFilledRect(x, 0, x + 1, tall);
  }
}

}  // namespace kgui
