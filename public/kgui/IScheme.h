// IHostScheme ("KGUI_Scheme010"): schemes (named colours, fonts, borders) and images by name.
//
// A scheme file (game/resource/scheme.res shows the format) holds:
//   "Colors"       named colours, "r g b a"
//   "BaseSettings" colours of the controls by key ("Label.TextColor"), each a colour name of
//                  "Colors" or "r g b a"
//   "Fonts"        named fonts: "name" (family), "tall", "weight", "italic", "underline", "strikeout"
//   "Borders"      named borders: "inset" "l t r b" and one colour per side ("left", "top",
//                  "right", "bottom"), each a colour name or "r g b a"
// Every lookup of a name the scheme lacks gives the caller's default (a colour), 0 (a font) or
// null (a border).
#pragma once

#include "kgui/IImage.h"
#include "kgui/kgui.h"

namespace kgui {

#define KGUI_SCHEME_INTERFACE_VERSION "KGUI_Scheme010"

// A border drawn along the edges of a rectangle.
class IBorder {
 public:
  virtual void Paint(int x0, int y0, int x1, int y1) = 0;
  virtual void GetInset(int &left, int &top, int &right, int &bottom) = 0;
  virtual const char *GetName() = 0;

 protected:
  ~IBorder() = default;
};

class IScheme {
 public:
  // A "BaseSettings" or "Colors" entry; `defaultColor` when neither holds the name.
  virtual Color GetColor(const char *name, Color defaultColor) = 0;
  // The font of a "Fonts" entry, or 0.
  virtual HFont GetFont(const char *name, bool proportional) = 0;
  virtual IBorder *GetBorder(const char *name) = 0;
  // A text value of "BaseSettings" ("" when missing).
  virtual const char *GetResourceString(const char *name) = 0;

 protected:
  ~IScheme() = default;
};

class IHostScheme {
 public:
  // Loads a scheme file from the host file system under a tag (a tag loaded before answers its
  // scheme again). A missing or unreadable file gives an empty scheme and one warning.
  virtual HScheme LoadSchemeFromFile(const char *fileName, const char *tag) = 0;
  // The host's own scheme ("resource/scheme.res", tag "Default").
  virtual HScheme GetDefaultScheme() = 0;
  // The scheme of a tag, or the default scheme.
  virtual HScheme GetScheme(const char *tag) = 0;
  // Never null: an unknown handle gives the default scheme.
  virtual IScheme *GetIScheme(HScheme scheme) = 0;
  // The image "<imageName>.png" of the host file system ("servers/icon_password"), shared by every
  // caller of the same name. Never null: a name that cannot be read gives an image that draws
  // nothing (one warning per name).
  virtual IImage *GetImage(const char *imageName, bool hardwareFiltered) = 0;
  // Scales a value designed for a 640x480 screen to the current screen height.
  virtual int GetProportionalScaledValue(int normalizedValue) = 0;

 protected:
  ~IHostScheme() = default;
};

}  // namespace kgui
