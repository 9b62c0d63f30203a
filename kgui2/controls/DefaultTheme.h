// The toolkit's own look, used wherever the scheme does not name a colour. It follows the host's
// default palette (slate greys, a sky-blue accent, amber for the keyboard focus), so controls the
// scheme says nothing about still match the ones it does. Scheme keys ("Button.BgColor", ...)
// override each of these.
#pragma once

#include "tier1/color.h"

namespace kgui::theme {

constexpr Color kWindowBg(58, 64, 74);
constexpr Color kPageBg(66, 72, 83);
constexpr Color kText(216, 222, 230);
constexpr Color kTextDull(160, 168, 178);
constexpr Color kTextBright(255, 255, 255);
constexpr Color kTextDisabled(122, 129, 140);
constexpr Color kAccent(74, 144, 226);
constexpr Color kAccentDark(46, 98, 160);
constexpr Color kSelectionBg(74, 144, 226);
constexpr Color kSelectionText(255, 255, 255);
constexpr Color kFocus(232, 168, 56);

constexpr Color kButtonBg(84, 92, 104);
constexpr Color kButtonArmedBg(74, 144, 226);
constexpr Color kButtonDepressedBg(46, 98, 160);
constexpr Color kButtonDisabledBg(66, 72, 82);
constexpr Color kButtonBorder(30, 33, 39);
constexpr Color kButtonArmedBorder(120, 176, 240);
constexpr Color kButtonDisabledBorder(52, 57, 66);
constexpr Color kButtonArmedText(255, 255, 255);

constexpr Color kEntryBg(24, 27, 32);
constexpr Color kEntryDisabledBg(46, 50, 58);
constexpr Color kEntryBorder(84, 92, 104);
constexpr Color kEntryFocusBorder(74, 144, 226);
constexpr Color kEntryHint(112, 119, 130);

constexpr Color kFrameBorder(84, 92, 104);
constexpr Color kTitleBarBg(24, 27, 32);
constexpr Color kTitleBarText(255, 255, 255);
constexpr Color kTitleBarInactiveBg(44, 49, 57);
constexpr Color kTitleBarInactiveText(160, 168, 178);
constexpr Color kCaptionButtonHover(84, 92, 104);
constexpr Color kCloseButtonHover(200, 60, 60);

constexpr Color kMenuBg(40, 44, 51);
constexpr Color kMenuBorder(84, 92, 104);
constexpr Color kMenuSeparator(70, 77, 89);

constexpr Color kTabBg(44, 49, 57);
constexpr Color kTabHoverBg(74, 81, 93);
constexpr Color kTabBorder(84, 92, 104);

constexpr Color kScrollTrack(40, 44, 51);
constexpr Color kScrollThumb(84, 92, 104);
constexpr Color kScrollThumbHover(112, 122, 138);
constexpr Color kScrollArrow(216, 222, 230);

constexpr Color kTooltipBg(24, 27, 32);
constexpr Color kTooltipBorder(84, 92, 104);
constexpr Color kTooltipText(216, 222, 230);

constexpr Color kDivider(84, 92, 104);
constexpr Color kProgress(74, 144, 226);

// Distances that keep controls consistent with one another.
constexpr int kTextInset = 6;
constexpr int kCheckBoxSize = 14;
constexpr int kScrollBarWidth = 16;
constexpr int kTitleBarHeight = 28;
constexpr int kMenuItemHeight = 24;
constexpr int kTabHeight = 26;

}  // namespace kgui::theme
