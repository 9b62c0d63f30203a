// The toolkit's own look, used wherever the scheme does not name a colour: a light desktop theme
// with one accent colour. Scheme keys ("Button.BgColor", ...) override each of these.
#pragma once

#include "tier1/color.h"

namespace kgui::theme {

constexpr Color kWindowBg(240, 240, 240);
constexpr Color kPageBg(250, 250, 250);
constexpr Color kText(28, 28, 28);
constexpr Color kTextDull(96, 96, 96);
constexpr Color kTextBright(0, 0, 0);
constexpr Color kTextDisabled(160, 160, 160);
constexpr Color kAccent(0, 110, 200);
constexpr Color kAccentDark(0, 80, 150);
constexpr Color kSelectionBg(0, 110, 200);
constexpr Color kSelectionText(255, 255, 255);
constexpr Color kFocus(0, 110, 200);

constexpr Color kButtonBg(228, 228, 228);
constexpr Color kButtonArmedBg(222, 236, 250);
constexpr Color kButtonDepressedBg(196, 220, 244);
constexpr Color kButtonBorder(170, 170, 170);
constexpr Color kButtonArmedBorder(0, 110, 200);
constexpr Color kButtonDisabledBg(236, 236, 236);
constexpr Color kButtonDisabledBorder(205, 205, 205);

constexpr Color kEntryBg(255, 255, 255);
constexpr Color kEntryDisabledBg(244, 244, 244);
constexpr Color kEntryBorder(150, 150, 150);
constexpr Color kEntryHint(150, 150, 150);

constexpr Color kFrameBorder(110, 110, 110);
constexpr Color kTitleBarBg(0, 96, 176);
constexpr Color kTitleBarText(255, 255, 255);
constexpr Color kTitleBarInactiveBg(205, 205, 205);
constexpr Color kTitleBarInactiveText(80, 80, 80);
constexpr Color kCloseButtonHover(210, 50, 50);

constexpr Color kMenuBg(255, 255, 255);
constexpr Color kMenuBorder(150, 150, 150);
constexpr Color kMenuSeparator(220, 220, 220);

constexpr Color kTabBg(226, 226, 226);
constexpr Color kTabHoverBg(236, 240, 246);
constexpr Color kTabBorder(170, 170, 170);

constexpr Color kScrollTrack(236, 236, 236);
constexpr Color kScrollThumb(192, 192, 192);
constexpr Color kScrollThumbHover(160, 160, 160);
constexpr Color kScrollArrow(96, 96, 96);

constexpr Color kTooltipBg(255, 255, 225);
constexpr Color kTooltipBorder(118, 118, 118);
constexpr Color kTooltipText(0, 0, 0);

constexpr Color kDivider(190, 190, 190);
constexpr Color kProgress(6, 176, 37);

// Distances that keep controls consistent with one another.
constexpr int kTextInset = 6;
constexpr int kCheckBoxSize = 13;
constexpr int kScrollBarWidth = 16;
constexpr int kTitleBarHeight = 26;
constexpr int kMenuItemHeight = 24;
constexpr int kTabHeight = 26;

}  // namespace kgui::theme
