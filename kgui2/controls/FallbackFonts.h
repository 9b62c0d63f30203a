// Fonts the toolkit makes itself when the scheme does not name one, so text never vanishes.
#pragma once

#include "kgui/kgui.h"

namespace kgui {

// A font for the role named by `fontName` ("Default", "DefaultBold", "DefaultSmall", "Title",
// ...): bold when the name says so, smaller or larger by its words. Made once per role.
HFont GetFallbackFont(const char *fontName);
// Forgets the fonts (the host that made them is going away).
void ClearFallbackFonts();

}  // namespace kgui
