// Fonts made through cairo's FreeType backend; typefaces are found by family with fontconfig.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "kgui/kgui.h"

typedef struct _cairo_scaled_font cairo_scaled_font_t;

namespace kguihost {

struct CGlyph {
  unsigned long index = 0;  // the typeface's glyph index
  int advance = 0;
  int a = 0;  // space before the ink
  int b = 0;  // ink width
  int c = 0;  // space after the ink
};

// One font: a typeface at a line height, with its glyphs measured on first use.
class CFont {
 public:
  CFont(cairo_scaled_font_t *scaled, int tall, int ascent, int flags);
  ~CFont();
  CFont(const CFont &) = delete;
  CFont &operator=(const CFont &) = delete;

  cairo_scaled_font_t *Scaled() const { return m_pScaled; }
  int Tall() const { return m_Tall; }
  int Ascent() const { return m_Ascent; }
  int Flags() const { return m_Flags; }
  const CGlyph &Glyph(char32_t codePoint);

 private:
  CGlyph Measure(char32_t codePoint) const;

  cairo_scaled_font_t *m_pScaled;
  int m_Tall;
  int m_Ascent;
  int m_Flags;
  std::array<CGlyph, 256> m_Latin{};
  std::array<bool, 256> m_LatinKnown{};
  std::unordered_map<char32_t, CGlyph> m_Others;
};

class CFontManager {
 public:
  CFontManager();
  ~CFontManager();
  CFontManager(const CFontManager &) = delete;
  CFontManager &operator=(const CFontManager &) = delete;

  kgui::HFont Create();
  bool SetGlyphSet(kgui::HFont font, const char *family, int tall, int weight, int flags);
  // The font, or null when the handle is invalid or has no glyph set yet.
  CFont *Get(kgui::HFont font) const;

  int Tall(kgui::HFont font) const;
  int Ascent(kgui::HFont font) const;
  void CharABC(kgui::HFont font, int ch, int &a, int &b, int &c) const;
  int CharWidth(kgui::HFont font, int ch) const;
  // The advance of `length` UTF-16 units (a negative length reads to the terminator).
  int TextWidth(kgui::HFont font, const char16_t *text, int length) const;

  // Releases the process-wide caches of cairo and fontconfig; call once, after every font, surface
  // and manager is gone.
  static void ReleaseStaticData();

 private:
  std::vector<std::unique_ptr<CFont>> m_Fonts;  // index = handle - 1
};

// Decodes UTF-16 into code points (unpaired surrogates become U+FFFD).
std::u32string DecodeUtf16(const char16_t *text, int length);

}  // namespace kguihost
