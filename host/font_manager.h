// Fonts: typefaces found by family with fontconfig; single characters measured through cairo's
// FreeType backend, runs of text shaped and laid out by Pango (which takes a character the
// typeface lacks from another font and draws colour emoji through cairo).
#pragma once

#include <array>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "kgui/kgui.h"

typedef struct _cairo_scaled_font cairo_scaled_font_t;
typedef struct _PangoContext PangoContext;
typedef struct _PangoFontDescription PangoFontDescription;
typedef struct _PangoLayout PangoLayout;
typedef struct _PangoLayoutLine PangoLayoutLine;
typedef struct _PangoAttrList PangoAttrList;

namespace kguihost {

struct CGlyph {
  int advance = 0;
  int a = 0;  // space before the ink
  int b = 0;  // ink width
  int c = 0;  // space after the ink
};

// One line of text shaped as a whole. Positions are UTF-16 units of the text it was made from.
class CTextRun {
 public:
  CTextRun(PangoContext *context, const PangoFontDescription *description, PangoAttrList *attributes,
           const char16_t *text, int length);
  ~CTextRun();
  CTextRun(const CTextRun &) = delete;
  CTextRun &operator=(const CTextRun &) = delete;

  int Width() const { return m_Width; }
  // The baseline's distance from the top of the run's line.
  int Baseline() const { return m_Baseline; }
  // Characters no installed font could draw (they show as boxes).
  int MissingGlyphs() const { return m_Missing; }
  PangoLayoutLine *Line() const;
  // The ink's left edge and width (a and b of a single character).
  void Ink(int &left, int &wide) const;

  int CaretX(int position) const;
  int PositionAt(int x) const;
  int MovedCaret(int position, int steps) const;
  int RangeExtents(int start, int end, int *ranges, int maxRanges) const;

 private:
  int Length() const { return static_cast<int>(m_ByteOfUnit.size()) - 1; }
  int ByteOf(int position) const;
  // The position of a byte offset (the first unit of the character there).
  int PositionOfByte(int byte) const;

  PangoLayout *m_pLayout = nullptr;
  std::vector<int> m_ByteOfUnit;  // UTF-8 offset of each UTF-16 position, 0 to length
  int m_Width = 0;
  int m_Baseline = 0;
  int m_Missing = 0;
};

class CFontManager;

// One font: a typeface at a line height, with its glyphs measured on first use.
class CFont {
 public:
  CFont(CFontManager &manager, kgui::HFont handle, cairo_scaled_font_t *scaled,
        PangoFontDescription *description, int tall, int ascent, int flags);
  ~CFont();
  CFont(const CFont &) = delete;
  CFont &operator=(const CFont &) = delete;

  CFontManager &Manager() const { return m_Manager; }
  kgui::HFont Handle() const { return m_Handle; }
  const PangoFontDescription *Description() const { return m_pDescription; }
  int Tall() const { return m_Tall; }
  int Ascent() const { return m_Ascent; }
  int Flags() const { return m_Flags; }
  // A character's glyph measured before, or null.
  const CGlyph *Known(char32_t codePoint) const;
  const CGlyph &Remember(char32_t codePoint, const CGlyph &glyph);
  // The glyph from the typeface itself; false when the typeface lacks it.
  bool MeasureOwn(char32_t codePoint, CGlyph &glyph) const;

 private:
  CFontManager &m_Manager;
  kgui::HFont m_Handle;
  cairo_scaled_font_t *m_pScaled;
  PangoFontDescription *m_pDescription;
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
  void CharABC(kgui::HFont font, int ch, int &a, int &b, int &c);
  int CharWidth(kgui::HFont font, int ch);
  // The sum of the characters' advances of `length` UTF-16 units (a negative length reads to the
  // terminator).
  int TextWidth(kgui::HFont font, const char16_t *text, int length);

  // The shaped run of `length` units in the font (null for an invalid font or no text). Runs are
  // kept for the next frames; the pointer holds until the next call.
  const CTextRun *Run(kgui::HFont font, const char16_t *text, int length);
  // Runs shaped (not found among the kept ones) since the start, for tests of the cache.
  uint64 RunsShaped() const { return m_RunsShaped; }

 private:
  // The character's glyph; one the typeface lacks is measured as drawn from a fallback font.
  const CGlyph &Glyph(CFont &font, char32_t codePoint);
  void ForgetRuns();

  std::vector<std::unique_ptr<CFont>> m_Fonts;  // index = handle - 1
  PangoContext *m_pContext = nullptr;
  PangoAttrList *m_pAttributes = nullptr;
  // Two generations: a run not used while the newer one filled up is dropped with the older.
  std::unordered_map<std::u16string, std::unique_ptr<CTextRun>> m_Runs;
  std::unordered_map<std::u16string, std::unique_ptr<CTextRun>> m_OlderRuns;
  std::u16string m_Key;
  uint64 m_RunsShaped = 0;
};

// Decodes UTF-16 into code points (unpaired surrogates become U+FFFD).
std::u32string DecodeUtf16(const char16_t *text, int length);

}  // namespace kguihost
