#include "host/renderer.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "host/font_manager.h"
#include "tier0/dbg.h"

namespace kguihost {

namespace {
// Screens larger than this (in device pixels) are refused; the buffer keeps its last valid size.
constexpr int kMaxScreenSide = 16384;
constexpr double kMinScale = 1.0;
constexpr double kMaxScale = 4.0;

// The scale $KGUI_SCALE sets, or 0.
double ScaleFromEnvironment() {
  const char *text = getenv("KGUI_SCALE");
  if (!text || !*text) return 0.0;
  char *end = nullptr;
  const double scale = strtod(text, &end);
  if (*end != '\0' || !(scale >= kMinScale && scale <= kMaxScale)) {
    Warning("kgui-host: KGUI_SCALE \"%s\" is not a number from 1 to 4; drawing at scale 1\n", text);
    return 0.0;
  }
  return scale;
}
}  // namespace

CRenderer::CRenderer(int wide, int tall) {
  const double scale = ScaleFromEnvironment();
  m_ScaleChosen = scale > 0.0;
  if (m_ScaleChosen) m_Scale = scale;
  Resize(wide, tall);
}

CRenderer::~CRenderer() {
  if (m_pCairo) cairo_destroy(m_pCairo);
  if (m_pSurface) cairo_surface_destroy(m_pSurface);
}

void CRenderer::Resize(int wide, int tall) {
  const int maxSide = static_cast<int>(kMaxScreenSide / m_Scale);
  wide = std::clamp(wide, 1, maxSide);
  tall = std::clamp(tall, 1, maxSide);
  if (m_pSurface && wide == m_Wide && tall == m_Tall) return;
  if (m_pCairo) cairo_destroy(m_pCairo);
  if (m_pSurface) cairo_surface_destroy(m_pSurface);
  m_Wide = wide;
  m_Tall = tall;
  m_DeviceWide = static_cast<int>(std::ceil(wide * m_Scale));
  m_DeviceTall = static_cast<int>(std::ceil(tall * m_Scale));
  m_pSurface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, m_DeviceWide, m_DeviceTall);
  // Everything drawn is in logical pixels; cairo draws it, text included, at the device's.
  cairo_surface_set_device_scale(m_pSurface, m_Scale, m_Scale);
  m_pCairo = cairo_create(m_pSurface);
  m_Contexts.clear();
  m_ClipApplied = false;
}

void CRenderer::SetScale(double scale, bool chosen) {
  m_ScaleChosen = m_ScaleChosen || chosen;
  scale = std::clamp(scale, kMinScale, kMaxScale);
  if (scale == m_Scale) return;
  m_Scale = scale;
  const int wide = m_Wide, tall = m_Tall;
  m_Wide = m_Tall = 0;  // makes Resize build the buffer again
  Resize(wide, tall);
}

CRect CRenderer::DeviceRect(const CRect &area) const {
  CRect device{
      static_cast<int>(std::floor(area.x0 * m_Scale)), static_cast<int>(std::floor(area.y0 * m_Scale)),
      static_cast<int>(std::ceil(area.x1 * m_Scale)), static_cast<int>(std::ceil(area.y1 * m_Scale))};
  return device.Intersect(CRect{0, 0, m_DeviceWide, m_DeviceTall});
}

uint32 CRenderer::PixelAt(int x, int y) const {
  if (x < 0 || y < 0 || x >= m_Wide || y >= m_Tall) return 0;
  cairo_surface_flush(m_pSurface);
  const unsigned char *data = cairo_image_surface_get_data(m_pSurface);
  const int stride = cairo_image_surface_get_stride(m_pSurface);
  const int deviceX = static_cast<int>(x * m_Scale), deviceY = static_cast<int>(y * m_Scale);
  return reinterpret_cast<const uint32 *>(data + static_cast<size_t>(deviceY) * stride)[deviceX];
}

bool CRenderer::SavePng(const char *path) const {
  cairo_surface_flush(m_pSurface);
  return cairo_surface_write_to_png(m_pSurface, path) == CAIRO_STATUS_SUCCESS;
}

void CRenderer::Clear(Color color) {
  m_Contexts.clear();
  cairo_reset_clip(m_pCairo);
  m_ClipApplied = false;
  cairo_set_operator(m_pCairo, CAIRO_OPERATOR_SOURCE);
  SetSource(color);
  cairo_paint(m_pCairo);
  cairo_set_operator(m_pCairo, CAIRO_OPERATOR_OVER);
}

void CRenderer::Clear(Color color, const CRect &area) {
  m_Contexts.clear();
  cairo_reset_clip(m_pCairo);
  m_ClipApplied = false;
  if (area.IsEmpty()) return;
  cairo_set_operator(m_pCairo, CAIRO_OPERATOR_SOURCE);
  SetSource(color);
  cairo_rectangle(m_pCairo, area.x0, area.y0, area.x1 - area.x0, area.y1 - area.y0);
  cairo_fill(m_pCairo);
  cairo_set_operator(m_pCairo, CAIRO_OPERATOR_OVER);
}

void CRenderer::PushContext(int originX, int originY, const CRect &clip) {
  m_Contexts.push_back(Context{originX, originY, clip, clip, 0, 0});
}

void CRenderer::PopContext() {
  if (!m_Contexts.empty()) m_Contexts.pop_back();
}

void CRenderer::SetLocalClip(int x0, int y0, int x1, int y1) {
  if (m_Contexts.empty()) return;
  Context &ctx = m_Contexts.back();
  ctx.localClip =
      ctx.clip.Intersect(CRect{x0 + ctx.originX, y0 + ctx.originY, x1 + ctx.originX, y1 + ctx.originY});
}

void CRenderer::ClearLocalClip() {
  if (m_Contexts.empty()) return;
  m_Contexts.back().localClip = m_Contexts.back().clip;
}

void CRenderer::ApplyClip() {
  const CRect &clip = m_Contexts.back().localClip;
  if (m_ClipApplied && clip.x0 == m_AppliedClip.x0 && clip.y0 == m_AppliedClip.y0 &&
      clip.x1 == m_AppliedClip.x1 && clip.y1 == m_AppliedClip.y1) {
    return;
  }
  cairo_reset_clip(m_pCairo);
  cairo_rectangle(m_pCairo, clip.x0, clip.y0, clip.x1 - clip.x0, clip.y1 - clip.y0);
  cairo_clip(m_pCairo);
  m_AppliedClip = clip;
  m_ClipApplied = true;
}

bool CRenderer::Drawable() {
  if (m_Contexts.empty() || m_Contexts.back().localClip.IsEmpty()) return false;
  // Most panels push a context and draw little or nothing; the clip is set only for real drawing.
  ApplyClip();
  return true;
}

void CRenderer::SetSource(Color color) {
  cairo_set_source_rgba(m_pCairo, color.r() / 255.0, color.g() / 255.0, color.b() / 255.0, color.a() / 255.0);
}

void CRenderer::FilledRect(int x0, int y0, int x1, int y1) {
  if (!Drawable() || x1 <= x0 || y1 <= y0) return;
  const Context &ctx = m_Contexts.back();
  SetSource(m_DrawColor);
  cairo_rectangle(m_pCairo, x0 + ctx.originX, y0 + ctx.originY, x1 - x0, y1 - y0);
  cairo_fill(m_pCairo);
}

void CRenderer::FilledRectFade(int x0, int y0, int x1, int y1, int alpha0, int alpha1, bool horizontal) {
  if (!Drawable() || x1 <= x0 || y1 <= y0) return;
  const Context &ctx = m_Contexts.back();
  double left = x0 + ctx.originX, top = y0 + ctx.originY;
  cairo_pattern_t *gradient = horizontal ? cairo_pattern_create_linear(left, 0, left + (x1 - x0), 0)
                                         : cairo_pattern_create_linear(0, top, 0, top + (y1 - y0));
  double r = m_DrawColor.r() / 255.0, g = m_DrawColor.g() / 255.0, b = m_DrawColor.b() / 255.0;
  cairo_pattern_add_color_stop_rgba(gradient, 0, r, g, b, std::clamp(alpha0, 0, 255) / 255.0);
  cairo_pattern_add_color_stop_rgba(gradient, 1, r, g, b, std::clamp(alpha1, 0, 255) / 255.0);
  cairo_set_source(m_pCairo, gradient);
  cairo_rectangle(m_pCairo, left, top, x1 - x0, y1 - y0);
  cairo_fill(m_pCairo);
  cairo_pattern_destroy(gradient);
}

void CRenderer::OutlinedRect(int x0, int y0, int x1, int y1) {
  if (!Drawable() || x1 <= x0 || y1 <= y0) return;
  const Context &ctx = m_Contexts.back();
  double left = x0 + ctx.originX, top = y0 + ctx.originY, wide = x1 - x0, tall = y1 - y0;
  // Four strips in one fill keep every edge exactly one pixel wide.
  SetSource(m_DrawColor);
  cairo_rectangle(m_pCairo, left, top, wide, 1);
  if (tall > 1) cairo_rectangle(m_pCairo, left, top + tall - 1, wide, 1);
  if (tall > 2) {
    cairo_rectangle(m_pCairo, left, top + 1, 1, tall - 2);
    if (wide > 1) cairo_rectangle(m_pCairo, left + wide - 1, top + 1, 1, tall - 2);
  }
  cairo_fill(m_pCairo);
}

void CRenderer::Line(int x0, int y0, int x1, int y1) {
  int xs[2] = {x0, x1};
  int ys[2] = {y0, y1};
  PolyLine(xs, ys, 2);
}

void CRenderer::PolyLine(const int *px, const int *py, int count) {
  if (!Drawable() || !px || !py || count < 2) return;
  const Context &ctx = m_Contexts.back();
  SetSource(m_DrawColor);
  cairo_set_line_width(m_pCairo, 1.0);
  cairo_set_line_cap(m_pCairo, CAIRO_LINE_CAP_SQUARE);
  cairo_move_to(m_pCairo, px[0] + ctx.originX + 0.5, py[0] + ctx.originY + 0.5);
  for (int i = 1; i < count; ++i)
    cairo_line_to(m_pCairo, px[i] + ctx.originX + 0.5, py[i] + ctx.originY + 0.5);
  cairo_stroke(m_pCairo);
}

void CRenderer::SetTextPos(int x, int y) {
  if (m_Contexts.empty()) return;
  m_Contexts.back().textX = x;
  m_Contexts.back().textY = y;
}

void CRenderer::GetTextPos(int &x, int &y) const {
  x = y = 0;
  if (m_Contexts.empty()) return;
  x = m_Contexts.back().textX;
  y = m_Contexts.back().textY;
}

void CRenderer::PrintRun(const CTextRun &run) {
  if (m_Contexts.empty() || !m_pTextFont) return;
  Context &ctx = m_Contexts.back();
  const int startX = ctx.textX;
  ctx.textX += run.Width();
  if (!Drawable()) return;
  ++m_RunsDrawn;
  m_MissingGlyphsDrawn += static_cast<uint64>(run.MissingGlyphs());
  SetSource(m_TextColor);
  cairo_move_to(m_pCairo, startX + ctx.originX, ctx.textY + ctx.originY + m_pTextFont->Ascent());
  pango_cairo_show_layout_line(m_pCairo, run.Line());
  int flags = m_pTextFont->Flags();
  if (flags & (kgui::FONTFLAG_UNDERLINE | kgui::FONTFLAG_STRIKEOUT)) {
    int lineY =
        (flags & kgui::FONTFLAG_UNDERLINE) ? m_pTextFont->Ascent() + 1 : m_pTextFont->Ascent() * 2 / 3;
    Color saved = m_DrawColor;
    m_DrawColor = m_TextColor;
    FilledRect(startX, ctx.textY + lineY, ctx.textX, ctx.textY + lineY + 1);
    m_DrawColor = saved;
  }
}

void CRenderer::PrintText(const std::u32string &codePoints) {
  if (!m_pTextFont) return;
  std::u16string units;
  units.reserve(codePoints.size());
  for (char32_t cp : codePoints) {
    if (cp > 0xFFFF && cp <= 0x10FFFF) {
      units += static_cast<char16_t>(0xD7C0 + (cp >> 10));
      units += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      units += static_cast<char16_t>(cp > 0xFFFF ? 0xFFFD : cp);
    }
  }
  const CTextRun *run =
      m_pTextFont->Manager().Run(m_pTextFont->Handle(), units.data(), static_cast<int>(units.size()));
  if (run) PrintRun(*run);
}

void CRenderer::TexturedRect(cairo_surface_t *texture, int x0, int y0, int x1, int y1, bool filter,
                             int alpha) {
  if (!Drawable() || !texture || x1 <= x0 || y1 <= y0) return;
  int wide = cairo_image_surface_get_width(texture);
  int tall = cairo_image_surface_get_height(texture);
  if (wide <= 0 || tall <= 0) return;
  const Context &ctx = m_Contexts.back();
  cairo_save(m_pCairo);
  cairo_rectangle(m_pCairo, x0 + ctx.originX, y0 + ctx.originY, x1 - x0, y1 - y0);
  cairo_clip(m_pCairo);
  cairo_translate(m_pCairo, x0 + ctx.originX, y0 + ctx.originY);
  cairo_scale(m_pCairo, static_cast<double>(x1 - x0) / wide, static_cast<double>(y1 - y0) / tall);
  cairo_set_source_surface(m_pCairo, texture, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(m_pCairo), filter ? CAIRO_FILTER_GOOD : CAIRO_FILTER_NEAREST);
  // Edge pixels repeat outward, so scaling does not fade the picture's border.
  cairo_pattern_set_extend(cairo_get_source(m_pCairo), CAIRO_EXTEND_PAD);
  cairo_paint_with_alpha(m_pCairo, std::clamp(alpha, 0, 255) / 255.0);
  cairo_restore(m_pCairo);
}

}  // namespace kguihost
