// Fonts the toolkit makes itself when the scheme does not name one.
#include "FallbackFonts.h"

#include <map>
#include <string>

#include "kgui_controls/controls.h"
#include "kstdlib/strtools.h"

namespace kgui {
namespace {

// The typeface every host of this platform ships.
constexpr char kFallbackFace[] = "DejaVu Sans";

std::map<std::string, HFont> &FallbackFontTable() {
  static std::map<std::string, HFont> s_Fonts;
  return s_Fonts;
}

struct FontRole {
  int tall;
  int weight;
};

FontRole RoleOf(const char *fontName) {
  FontRole role{15, 400};
  if (V_stristr(fontName, "small")) role.tall = 13;
  if (V_stristr(fontName, "large") || V_stristr(fontName, "title")) role.tall = 17;
  if (V_stristr(fontName, "bold") || V_stristr(fontName, "title")) role.weight = 700;
  return role;
}

}  // namespace

HFont GetFallbackFont(const char *fontName) {
  const char *name = (fontName && *fontName) ? fontName : "Default";
  std::map<std::string, HFont> &fonts = FallbackFontTable();
  auto it = fonts.find(name);
  if (it != fonts.end()) return it->second;
  if (!surface()) return INVALID_FONT;
  const FontRole role = RoleOf(name);
  HFont font = surface()->CreateFont();
  surface()->SetFontGlyphSet(font, kFallbackFace, role.tall, role.weight, 0, 0, FONTFLAG_ANTIALIAS);
  fonts.emplace(name, font);
  return font;
}

void ClearFallbackFonts() {
  FallbackFontTable().clear();
}

}  // namespace kgui
