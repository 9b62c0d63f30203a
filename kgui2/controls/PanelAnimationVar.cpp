// Text conversions of animatable variables set from layout files.
#include "kgui_controls/PanelAnimationVar.h"

#include <cstdio>

#include "kgui_controls/Panel.h"
#include "kgui_controls/controls.h"
#include "kstdlib/strtools.h"

namespace kgui {

float AnimVarTextToFloat(const char *text, AnimVarKind kind) {
  const float value = static_cast<float>(V_StringToDouble(text ? text : "", nullptr));
  if (kind != AnimVarKind::ProportionalFloat || !scheme()) return value;
  // Scale by the same factor the host uses for whole numbers.
  const float unit = static_cast<float>(scheme()->GetProportionalScaledValue(1000)) / 1000.0f;
  return value * unit;
}

int AnimVarTextToInt(const char *text, AnimVarKind kind) {
  if (kind == AnimVarKind::TextureId) {
    if (!surface() || !text || !*text) return INVALID_TEXTURE;
    const HTexture texture = surface()->CreateNewTextureID();
    surface()->DrawSetTextureFile(texture, text, false, false);
    return texture;
  }
  bool overflow = false;
  const int64 value = V_StringToInt64(text ? text : "", nullptr, &overflow);
  const int number = overflow ? 0 : static_cast<int>(value);
  return (kind == AnimVarKind::ProportionalInt && scheme()) ? scheme()->GetProportionalScaledValue(number)
                                                            : number;
}

bool AnimVarTextToBool(const char *text) {
  if (!text) return false;
  if (!V_stricmp(text, "true")) return true;
  return V_StringToInt64(text, nullptr, nullptr) != 0;
}

Color AnimVarTextToColor(const char *text, IScheme *schemeInterface, Color fallback) {
  if (!text) return fallback;
  int r = 0, g = 0, b = 0, a = 255;
  const int read = sscanf(text, "%d %d %d %d", &r, &g, &b, &a);
  if (read >= 3) return Color(r, g, b, a);
  return schemeInterface ? schemeInterface->GetColor(text, fallback) : fallback;
}

HFont AnimVarTextToFont(Panel *panel, const char *text, IScheme *schemeInterface) {
  return panel->GetSchemeFont(schemeInterface, text);
}

}  // namespace kgui
