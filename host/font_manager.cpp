#include "host/font_manager.h"

#include <cairo-ft.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>
#include <pango/pangofc-fontmap.h>

#include <algorithm>
#include <cmath>

#if defined(__SANITIZE_ADDRESS__)
// fontconfig keeps a few hundred bytes of process-wide data that only FcFini releases, and FcFini
// aborts on an assertion when a font the drawing library caches still holds part of its data at
// exit, which depends on timing. The data is left to the end of the process, and the leak check
// of sanitized builds is told so.
extern "C" __attribute__((visibility("default"), used)) const char *__lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
#endif

namespace kguihost {

namespace {

// Sizes above this are refused: they only come from broken schemes.
constexpr int kMaxFontTall = 512;
// Runs kept per generation: the texts of a few full screens.
constexpr size_t kRunsPerGeneration = 4096;

// The font options of every text: smoothed, lightly hinted, whole-pixel advances (so measured and
// drawn text stay in step).
cairo_font_options_t *TextFontOptions() {
  cairo_font_options_t *options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
  return options;
}

void AppendUtf8(char32_t cp, std::string &out) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

bool IsControl(char32_t cp) {
  return cp < 0x20 || cp == 0x7F;
}

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
  cairo_font_options_t *options = TextFontOptions();
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

// ---- runs

CTextRun::CTextRun(PangoContext *context, const PangoFontDescription *description, PangoAttrList *attributes,
                   const char16_t *text, int length) {
  // UTF-8 for Pango, remembering where each UTF-16 position lands. Control characters become
  // zero-width spaces: they take no room and draw nothing, as measured per character, and a run
  // stays one line.
  std::string utf8;
  utf8.reserve(static_cast<size_t>(length) + 8);
  m_ByteOfUnit.reserve(static_cast<size_t>(length) + 1);
  for (int i = 0; i < length; ++i) {
    m_ByteOfUnit.push_back(static_cast<int>(utf8.size()));
    char32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      m_ByteOfUnit.push_back(static_cast<int>(utf8.size()));  // the second half: same character
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    } else if (IsControl(cp)) {
      cp = 0x200B;
    }
    AppendUtf8(cp, utf8);
  }
  m_ByteOfUnit.push_back(static_cast<int>(utf8.size()));
  m_pLayout = pango_layout_new(context);
  pango_layout_set_font_description(m_pLayout, description);
  pango_layout_set_attributes(m_pLayout, attributes);
  pango_layout_set_single_paragraph_mode(m_pLayout, TRUE);
  pango_layout_set_text(m_pLayout, utf8.data(), static_cast<int>(utf8.size()));
  PangoRectangle logical;
  pango_layout_line_get_pixel_extents(Line(), nullptr, &logical);
  m_Width = std::max(0, logical.width);
  m_Baseline = PANGO_PIXELS(pango_layout_get_baseline(m_pLayout));
  m_Missing = pango_layout_get_unknown_glyphs_count(m_pLayout);
}

CTextRun::~CTextRun() {
  g_object_unref(m_pLayout);
}

PangoLayoutLine *CTextRun::Line() const {
  return pango_layout_get_line_readonly(m_pLayout, 0);
}

void CTextRun::Ink(int &left, int &wide) const {
  PangoRectangle ink;
  pango_layout_line_get_pixel_extents(Line(), &ink, nullptr);
  left = ink.x;
  wide = ink.width;
}

int CTextRun::ByteOf(int position) const {
  return m_ByteOfUnit[static_cast<size_t>(std::clamp(position, 0, Length()))];
}

int CTextRun::PositionOfByte(int byte) const {
  auto it = std::lower_bound(m_ByteOfUnit.begin(), m_ByteOfUnit.end(), byte);
  if (it == m_ByteOfUnit.end()) return Length();
  return static_cast<int>(it - m_ByteOfUnit.begin());
}

int CTextRun::CaretX(int position) const {
  PangoRectangle strong;
  pango_layout_get_cursor_pos(m_pLayout, ByteOf(position), &strong, nullptr);
  return PANGO_PIXELS(strong.x);
}

int CTextRun::PositionAt(int x) const {
  int index = 0, trailing = 0;
  pango_layout_xy_to_index(m_pLayout, x * PANGO_SCALE, 0, &index, &trailing);
  // `trailing` counts the characters of the cluster when the right half was hit.
  const char *text = pango_layout_get_text(m_pLayout);
  const char *at = g_utf8_offset_to_pointer(text + index, trailing);
  return PositionOfByte(static_cast<int>(at - text));
}

int CTextRun::MovedCaret(int position, int steps) const {
  int index = ByteOf(position);
  const char *text = pango_layout_get_text(m_pLayout);
  const int bytes = m_ByteOfUnit.back();
  for (; steps != 0; steps += steps > 0 ? -1 : 1) {
    int next = 0, trailing = 0;
    pango_layout_move_cursor_visually(m_pLayout, TRUE, index, 0, steps > 0 ? 1 : -1, &next, &trailing);
    // Moving off either end leaves the caret where it is.
    if (next < 0 || next > bytes) break;
    index = static_cast<int>(g_utf8_offset_to_pointer(text + next, trailing) - text);
  }
  return PositionOfByte(index);
}

int CTextRun::RangeExtents(int start, int end, int *ranges, int maxRanges) const {
  start = std::clamp(start, 0, Length());
  end = std::clamp(end, start, Length());
  if (start == end || !ranges || maxRanges < 1) return 0;
  int *xs = nullptr;
  int count = 0;
  pango_layout_line_get_x_ranges(Line(), ByteOf(start), ByteOf(end), &xs, &count);
  int written = 0;
  for (int i = 0; i < count; ++i) {
    const int x0 = PANGO_PIXELS(xs[2 * i]);
    const int x1 = PANGO_PIXELS(xs[2 * i + 1]);
    if (x1 <= x0) continue;
    // Touching pieces are one.
    if (written > 0 && ranges[2 * written - 1] >= x0) {
      ranges[2 * written - 1] = std::max(ranges[2 * written - 1], x1);
    } else if (written < maxRanges) {
      ranges[2 * written] = x0;
      ranges[2 * written + 1] = x1;
      ++written;
    }
  }
  g_free(xs);
  return written;
}

// ---- fonts

CFont::CFont(CFontManager &manager, kgui::HFont handle, cairo_scaled_font_t *scaled,
             PangoFontDescription *description, int tall, int ascent, int flags)
    : m_Manager(manager),
      m_Handle(handle),
      m_pScaled(scaled),
      m_pDescription(description),
      m_Tall(tall),
      m_Ascent(ascent),
      m_Flags(flags) {}

CFont::~CFont() {
  cairo_scaled_font_destroy(m_pScaled);
  pango_font_description_free(m_pDescription);
}

const CGlyph *CFont::Known(char32_t codePoint) const {
  if (codePoint < m_Latin.size()) return m_LatinKnown[codePoint] ? &m_Latin[codePoint] : nullptr;
  auto it = m_Others.find(codePoint);
  return it == m_Others.end() ? nullptr : &it->second;
}

const CGlyph &CFont::Remember(char32_t codePoint, const CGlyph &glyph) {
  if (codePoint < m_Latin.size()) {
    m_LatinKnown[codePoint] = true;
    return m_Latin[codePoint] = glyph;
  }
  return m_Others.insert_or_assign(codePoint, glyph).first->second;
}

bool CFont::MeasureOwn(char32_t codePoint, CGlyph &glyph) const {
  std::string utf8;
  AppendUtf8(codePoint, utf8);
  cairo_glyph_t *glyphs = nullptr;
  int count = 0;
  if (cairo_scaled_font_text_to_glyphs(m_pScaled, 0, 0, utf8.data(), static_cast<int>(utf8.size()), &glyphs,
                                       &count, nullptr, nullptr, nullptr) != CAIRO_STATUS_SUCCESS ||
      count < 1 || glyphs[0].index == 0) {
    cairo_glyph_free(glyphs);
    return false;
  }
  cairo_text_extents_t extents;
  cairo_scaled_font_glyph_extents(m_pScaled, glyphs, 1, &extents);
  cairo_glyph_free(glyphs);
  glyph.advance = static_cast<int>(std::lround(extents.x_advance));
  glyph.a = static_cast<int>(std::floor(extents.x_bearing));
  glyph.b = static_cast<int>(std::ceil(extents.x_bearing + extents.width)) - glyph.a;
  glyph.c = glyph.advance - glyph.a - glyph.b;
  return true;
}

// ---- manager

CFontManager::CFontManager() {
  // The font configuration is loaded here first: the font map also loads it, on a thread of its
  // own, and two loads at once leave the losing one's parts behind.
  FcInit();
  // A font map of our own (not the process default) so that everything it caches is released.
  PangoFontMap *fontMap = pango_cairo_font_map_new();
  // A process that ended (or released the configuration) while the map's thread still worked lost
  // what it held. Asking for the configuration waits until the thread is done.
  pango_fc_font_map_get_config(PANGO_FC_FONT_MAP(fontMap));
  m_pContext = pango_font_map_create_context(fontMap);
  g_object_unref(fontMap);
  cairo_font_options_t *options = TextFontOptions();
  pango_cairo_context_set_font_options(m_pContext, options);
  cairo_font_options_destroy(options);
  // Pair kerning is left out so that a run of plain text is exactly as wide as its characters
  // measured one by one, which callers of the per-character measures rely on; joining, marks,
  // ligatures and reordering are untouched.
  m_pAttributes = pango_attr_list_new();
  pango_attr_list_insert(m_pAttributes, pango_attr_font_features_new("kern 0"));
}

CFontManager::~CFontManager() {
  ForgetRuns();
  m_Fonts.clear();
  pango_attr_list_unref(m_pAttributes);
  g_object_unref(m_pContext);
}

kgui::HFont CFontManager::Create() {
  m_Fonts.emplace_back();
  return static_cast<kgui::HFont>(m_Fonts.size());
}

bool CFontManager::SetGlyphSet(kgui::HFont font, const char *family, int tall, int weight, int flags) {
  if (font == kgui::INVALID_FONT || font > m_Fonts.size()) return false;
  if (!family || !*family || tall <= 0 || tall > kMaxFontTall) return false;
  const bool italic = (flags & kgui::FONTFLAG_ITALIC) != 0;
  cairo_font_face_t *face = MatchFace(family, weight, italic);
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
  PangoFontDescription *description = pango_font_description_new();
  pango_font_description_set_family(description, family);
  pango_font_description_set_weight(
      description, static_cast<PangoWeight>(std::clamp(weight <= 0 ? 400 : weight, 100, 1000)));
  pango_font_description_set_style(description, italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
  pango_font_description_set_absolute_size(description, size * PANGO_SCALE);
  // Runs of the font's old glyph set must not be found again.
  ForgetRuns();
  m_Fonts[font - 1] =
      std::make_unique<CFont>(*this, font, scaled, description, tall, std::min(ascent, tall), flags);
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

const CGlyph &CFontManager::Glyph(CFont &font, char32_t codePoint) {
  if (const CGlyph *known = font.Known(codePoint)) return *known;
  CGlyph glyph;
  if (!IsControl(codePoint) && codePoint <= 0x10FFFF && !font.MeasureOwn(codePoint, glyph)) {
    // The typeface lacks it: measured as a run draws it, from whichever font has it.
    const char16_t units[2] = {static_cast<char16_t>(0xD7C0 + (codePoint >> 10)),
                               static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF))};
    const char16_t single = static_cast<char16_t>(codePoint);
    const CTextRun run(m_pContext, font.Description(), m_pAttributes, codePoint > 0xFFFF ? units : &single,
                       codePoint > 0xFFFF ? 2 : 1);
    glyph.advance = run.Width();
    run.Ink(glyph.a, glyph.b);
    glyph.c = glyph.advance - glyph.a - glyph.b;
  }
  return font.Remember(codePoint, glyph);
}

void CFontManager::CharABC(kgui::HFont font, int ch, int &a, int &b, int &c) {
  a = b = c = 0;
  CFont *f = Get(font);
  if (!f || ch < 0) return;
  const CGlyph &glyph = Glyph(*f, static_cast<char32_t>(ch));
  a = glyph.a;
  b = glyph.b;
  c = glyph.c;
}

int CFontManager::CharWidth(kgui::HFont font, int ch) {
  CFont *f = Get(font);
  if (!f || ch < 0) return 0;
  return Glyph(*f, static_cast<char32_t>(ch)).advance;
}

int CFontManager::TextWidth(kgui::HFont font, const char16_t *text, int length) {
  CFont *f = Get(font);
  if (!f || !text) return 0;
  int width = 0;
  for (char32_t cp : DecodeUtf16(text, length)) width += Glyph(*f, cp).advance;
  return width;
}

const CTextRun *CFontManager::Run(kgui::HFont font, const char16_t *text, int length) {
  CFont *f = Get(font);
  if (!f || !text || length <= 0) return nullptr;
  // The key: the font handle in two units, then the text.
  m_Key.assign({static_cast<char16_t>(font >> 16), static_cast<char16_t>(font & 0xFFFF)});
  m_Key.append(text, static_cast<size_t>(length));
  auto it = m_Runs.find(m_Key);
  if (it != m_Runs.end()) return it->second.get();
  std::unique_ptr<CTextRun> run;
  auto older = m_OlderRuns.find(m_Key);
  if (older != m_OlderRuns.end()) {
    run = std::move(older->second);
    m_OlderRuns.erase(older);
  } else {
    run = std::make_unique<CTextRun>(m_pContext, f->Description(), m_pAttributes, text, length);
    ++m_RunsShaped;
  }
  if (m_Runs.size() >= kRunsPerGeneration) {
    m_OlderRuns = std::move(m_Runs);
    m_Runs.clear();
  }
  return m_Runs.emplace(m_Key, std::move(run)).first->second.get();
}

void CFontManager::ForgetRuns() {
  m_Runs.clear();
  m_OlderRuns.clear();
}

}  // namespace kguihost
