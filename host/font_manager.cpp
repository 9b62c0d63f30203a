#include "host/font_manager.h"

#include <cairo-ft.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <cmath>
#include <algorithm>

namespace kguihost {

namespace {

// Sizes above this are refused: they only come from broken schemes.
constexpr int kMaxFontTall = 512;

int FcWeightFor(int weight) {
  if (weight <= 0) weight = 400;
  return FcWeightFromOpenType(std::min(weight, 1000));
}

cairo_font_face_t *MatchFace(const char *family, int weight, bool italic) {
  FcPattern *pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8 *>(family));
  FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFor(weight));
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern *match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match) return nullptr;
  cairo_font_face_t *face = cairo_ft_font_face_create_for_pattern(match);
  FcPatternDestroy(match);
  if (cairo_font_face_status(face) != CAIRO_STATUS_SUCCESS) {
    cairo_font_face_destroy(face);
    return nullptr;
  }
  return face;
}

cairo_scaled_font_t *MakeScaled(cairo_font_face_t *face, double size) {
  cairo_matrix_t fontMatrix;
  cairo_matrix_t identity;
  cairo_matrix_init_scale(&fontMatrix, size, size);
  cairo_matrix_init_identity(&identity);
  cairo_font_options_t *options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
  // Whole-pixel advances keep measured and drawn text in step.
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
  cairo_scaled_font_t *scaled = cairo_scaled_font_create(face, &fontMatrix, &identity, options);
  cairo_font_options_destroy(options);
  if (cairo_scaled_font_status(scaled) != CAIRO_STATUS_SUCCESS) {
    cairo_scaled_font_destroy(scaled);
    return nullptr;
  }
  return scaled;
}

}  // namespace

std::u32string DecodeUtf16(const char16_t *text, int length) {
  std::u32string out;
  if (!text) return out;
  for (int i = 0; length < 0 ? text[i] != 0 : i < length; ++i) {
    char32_t unit = text[i];
    bool lastUnit = length < 0 ? text[i + 1] == 0 : i + 1 >= length;
    if (unit >= 0xD800 && unit <= 0xDBFF && !lastUnit && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      out.push_back(0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00));
      ++i;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      out.push_back(0xFFFD);
    } else {
      out.push_back(unit);
    }
  }
  return out;
}

CFont::CFont(cairo_scaled_font_t *scaled, int tall, int ascent, int flags)
    : m_pScaled(scaled), m_Tall(tall), m_Ascent(ascent), m_Flags(flags) {}

CFont::~CFont() { cairo_scaled_font_destroy(m_pScaled); }

const CGlyph &CFont::Glyph(char32_t codePoint) {
  if (codePoint < m_Latin.size()) {
    if (!m_LatinKnown[codePoint]) {
      m_Latin[codePoint] = Measure(codePoint);
      m_LatinKnown[codePoint] = true;
    }
    return m_Latin[codePoint];
  }
  auto it = m_Others.find(codePoint);
  if (it == m_Others.end()) it = m_Others.emplace(codePoint, Measure(codePoint)).first;
  return it->second;
}

CGlyph CFont::Measure(char32_t codePoint) const {
  CGlyph glyph;
  // Control characters take no space and draw nothing.
  if (codePoint < 0x20 || codePoint > 0x10FFFF) return glyph;
  char utf8[5] = {};
  int len = 0;
  if (codePoint < 0x80) {
    utf8[len++] = static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    utf8[len++] = static_cast<char>(0xC0 | (codePoint >> 6));
    utf8[len++] = static_cast<char>(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    utf8[len++] = static_cast<char>(0xE0 | (codePoint >> 12));
    utf8[len++] = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    utf8[len++] = static_cast<char>(0x80 | (codePoint & 0x3F));
  } else {
    utf8[len++] = static_cast<char>(0xF0 | (codePoint >> 18));
    utf8[len++] = static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
    utf8[len++] = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    utf8[len++] = static_cast<char>(0x80 | (codePoint & 0x3F));
  }
  cairo_glyph_t *glyphs = nullptr;
  int count = 0;
  if (cairo_scaled_font_text_to_glyphs(m_pScaled, 0, 0, utf8, len, &glyphs, &count, nullptr, nullptr, nullptr) !=
          CAIRO_STATUS_SUCCESS ||
      count < 1) {
    cairo_glyph_free(glyphs);
    return glyph;
  }
  cairo_text_extents_t extents;
  cairo_scaled_font_glyph_extents(m_pScaled, glyphs, 1, &extents);
  glyph.index = glyphs[0].index;
  cairo_glyph_free(glyphs);
  glyph.advance = static_cast<int>(std::lround(extents.x_advance));
  glyph.a = static_cast<int>(std::floor(extents.x_bearing));
  glyph.b = static_cast<int>(std::ceil(extents.x_bearing + extents.width)) - glyph.a;
  glyph.c = glyph.advance - glyph.a - glyph.b;
  return glyph;
}

CFontManager::CFontManager() = default;
CFontManager::~CFontManager() = default;

kgui::HFont CFontManager::Create() {
  m_Fonts.emplace_back();
  return static_cast<kgui::HFont>(m_Fonts.size());
}

bool CFontManager::SetGlyphSet(kgui::HFont font, const char *family, int tall, int weight, int flags) {
  if (font == kgui::INVALID_FONT || font > m_Fonts.size()) return false;
  if (!family || !*family || tall <= 0 || tall > kMaxFontTall) return false;
  cairo_font_face_t *face = MatchFace(family, weight, (flags & kgui::FONTFLAG_ITALIC) != 0);
  if (!face) return false;
  // Choose the size whose line (ascent plus descent) is `tall` pixels.
  cairo_scaled_font_t *probe = MakeScaled(face, tall);
  if (!probe) {
    cairo_font_face_destroy(face);
    return false;
  }
  cairo_font_extents_t extents;
  cairo_scaled_font_extents(probe, &extents);
  cairo_scaled_font_destroy(probe);
  double line = extents.ascent + extents.descent;
  double size = line > 0 ? tall * tall / line : tall;
  cairo_scaled_font_t *scaled = MakeScaled(face, size);
  cairo_font_face_destroy(face);
  if (!scaled) return false;
  cairo_scaled_font_extents(scaled, &extents);
  int ascent = static_cast<int>(std::lround(extents.ascent));
  m_Fonts[font - 1] = std::make_unique<CFont>(scaled, tall, std::min(ascent, tall), flags);
  return true;
}

CFont *CFontManager::Get(kgui::HFont font) const {
  if (font == kgui::INVALID_FONT || font > m_Fonts.size()) return nullptr;
  return m_Fonts[font - 1].get();
}

int CFontManager::Tall(kgui::HFont font) const {
  CFont *f = Get(font);
  return f ? f->Tall() : 0;
}

int CFontManager::Ascent(kgui::HFont font) const {
  CFont *f = Get(font);
  return f ? f->Ascent() : 0;
}

void CFontManager::CharABC(kgui::HFont font, int ch, int &a, int &b, int &c) const {
  a = b = c = 0;
  CFont *f = Get(font);
  if (!f || ch < 0) return;
  const CGlyph &glyph = f->Glyph(static_cast<char32_t>(ch));
  a = glyph.a;
  b = glyph.b;
  c = glyph.c;
}

int CFontManager::CharWidth(kgui::HFont font, int ch) const {
  CFont *f = Get(font);
  if (!f || ch < 0) return 0;
  return f->Glyph(static_cast<char32_t>(ch)).advance;
}

int CFontManager::TextWidth(kgui::HFont font, const char16_t *text, int length) const {
  CFont *f = Get(font);
  if (!f || !text) return 0;
  int width = 0;
  for (char32_t cp : DecodeUtf16(text, length)) width += f->Glyph(cp).advance;
  return width;
}

void CFontManager::ReleaseStaticData() {
  cairo_debug_reset_static_data();
  FcFini();
}

}  // namespace kguihost
