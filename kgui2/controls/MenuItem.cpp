// MenuItem: an entry's message, check mark, user data and drawing.
#include "kgui_controls/MenuItem.h"

#include "DefaultTheme.h"
#include "kgui_controls/Menu.h"
#include "kgui_controls/controls.h"
#include "tier1/KeyValues.h"

namespace kgui {

DEFINE_EMPTY_MESSAGE_MAP(MenuItem, Button)

MenuItem::MenuItem(Menu *parent, const char *panelName, const char *text, bool checkable)
    : Button(parent, panelName, text), m_bCheckable(checkable) {
  SetContentAlignment(a_west);
  SetTextInset(kCheckColumnWide, 0);
  // The menu finds the item under the cursor itself.
  SetMouseInputEnabled(false);
  SetKeyboardInputEnabled(false);
}

MenuItem::~MenuItem() {
  if (m_pUserData) m_pUserData->Destroy();
}

void MenuItem::SetMessage(KeyValues *message, Panel *target) {
  SetCommand(message);
  m_hTarget = target;
}

void MenuItem::SetChecked(bool state) {
  m_bChecked = state;
  Repaint();
}

void MenuItem::SetUserData(const KeyValues *userData) {
  if (m_pUserData) m_pUserData->Destroy();
  m_pUserData = userData ? userData->MakeCopy() : nullptr;
}

void MenuItem::SetHighlighted(bool state) {
  if (m_bHighlighted == state) return;
  m_bHighlighted = state;
  Repaint();
}

void MenuItem::FireActionSignal() {
  KeyValues *message = GetCommand();
  if (!message) return;
  if (Panel *target = m_hTarget.Get())
    PostMessage(target, message->MakeCopy());
  else
    BaseClass::FireActionSignal();
}

void MenuItem::GetContentSize(int &wide, int &tall) {
  if (m_bSeparator) {
    wide = 0;
    tall = 9;
    return;
  }
  BaseClass::GetContentSize(wide, tall);
  wide += theme::kTextInset * 2;
  tall = theme::kMenuItemHeight;
}

void MenuItem::Describe(KeyValues *panelBlock) {
  BaseClass::Describe(panelBlock);
  if (m_bCheckable) panelBlock->SetInt("checked", m_bChecked ? 1 : 0);
}

void MenuItem::ApplySchemeSettings(IScheme *schemeInterface) {
  BaseClass::ApplySchemeSettings(schemeInterface);
  SetFgColor(GetSchemeColor("Menu.TextColor", theme::kText, schemeInterface));
  m_HighlightBgColor = GetSchemeColor("Menu.ArmedBgColor", theme::kSelectionBg, schemeInterface);
  m_HighlightTextColor = GetSchemeColor("Menu.ArmedTextColor", theme::kSelectionText, schemeInterface);
  m_SeparatorColor = GetSchemeColor("Menu.SeparatorColor", theme::kMenuSeparator, schemeInterface);
}

Color MenuItem::GetTextColorNow() {
  if (!IsEnabled()) return Label::GetTextColorNow();
  return m_bHighlighted ? m_HighlightTextColor : GetFgColor();
}

void MenuItem::PaintBackground() {
  if (!m_bHighlighted || !IsEnabled() || m_bSeparator) return;
  surface()->DrawSetColor(Faded(m_HighlightBgColor));
  surface()->DrawFilledRect(0, 0, GetWide(), GetTall());
}

void MenuItem::Paint() {
  if (m_bSeparator) {
    surface()->DrawSetColor(Faded(m_SeparatorColor));
    surface()->DrawFilledRect(4, GetTall() / 2, GetWide() - 4, GetTall() / 2 + 1);
    return;
  }
  if (m_bCheckable && m_bChecked) {
    const int x = 7, size = 10, y = (GetTall() - size) / 2;
    surface()->DrawSetColor(Faded(GetTextColorNow()));
    const int px[] = {x, x + size * 2 / 5, x + size};
    for (int offset = 0; offset < 2; ++offset) {
      const int py[] = {y + size / 2 + offset, y + size - 1 + offset, y + offset};
      surface()->DrawPolyLine(px, py, 3);
    }
  }
  BaseClass::Paint();
}

}  // namespace kgui
