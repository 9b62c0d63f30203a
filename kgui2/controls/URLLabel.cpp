// URLLabel: a link drawn in the accent colour that opens its address.
#include "kgui_controls/URLLabel.h"

#include "DefaultTheme.h"
#include "kgui_controls/controls.h"
#include "kstdlib/strtools.h"
#include "tier1/KeyValues.h"

namespace kgui {

DEFINE_EMPTY_MESSAGE_MAP(URLLabel, Label)

URLLabel::URLLabel(Panel *parent, const char *panelName, const char *text, const char *url)
    : Label(parent, panelName, text) {
  SetURL(url);
  SetCursor(dc_hand);
}

bool URLLabel::ApplySingleSetting(KeyValues *setting) {
  if (V_stricmp(setting->GetName(), "URLText")) return BaseClass::ApplySingleSetting(setting);
  SetURL(setting->GetString());
  return true;
}

void URLLabel::Describe(KeyValues *panelBlock) {
  BaseClass::Describe(panelBlock);
  panelBlock->SetString("url", m_URL.c_str());
}

void URLLabel::ApplySchemeSettings(IScheme *schemeInterface) {
  BaseClass::ApplySchemeSettings(schemeInterface);
  SetFgColor(GetSchemeColor("URLLabel.TextColor", theme::kAccent, schemeInterface));
}

void URLLabel::Paint() {
  BaseClass::Paint();
  // The underline follows the text's width.
  int wide = 0, tall = 0;
  GetTextImage().GetDrawnSize(wide, tall);
  int x = 0, y = 0;
  GetTextPosition(wide, tall, x, y);
  surface()->DrawSetColor(Faded(IsCursorOver() ? theme::kTextBright : GetTextColorNow()));
  surface()->DrawFilledRect(x, y + tall - 2, x + wide, y + tall - 1);
}

void URLLabel::OnMousePressed(MouseCode code) {
  if (code == MOUSE_LEFT && IsEnabled() && !m_URL.empty()) system()->ShellExecute("open", m_URL.c_str());
}

}  // namespace kgui
