// Draws into the host's back buffer, a cairo image surface, in the coordinates and clip of the
// panel being painted. Coordinates are logical pixels; the buffer holds `scale` device pixels for
// each (a high-DPI screen), so text, lines and pictures are drawn at the device's resolution while
// layouts, hit-testing and scripts keep the same numbers at every scale.
#pragma once

#include <vector>

#include "host/host_panel.h"
#include "tier1/color.h"

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

namespace kguihost {

class CFont;
class CTextRun;

class CRenderer {
 public:
  // The scale starts from $KGUI_SCALE when it holds a number from 1 to 4, else 1.
  CRenderer(int wide, int tall);
  ~CRenderer();
  CRenderer(const CRenderer &) = delete;
  CRenderer &operator=(const CRenderer &) = delete;

  // The screen's size in logical pixels.
  void Resize(int wide, int tall);
  int Wide() const { return m_Wide; }
  int Tall() const { return m_Tall; }
  // Device pixels per logical pixel (1 to 4); a new scale keeps the logical size, and the whole
  // picture must be painted again. A scale the user chose (a setting) is not replaced by the
  // display's.
  void SetScale(double scale, bool chosen = true);
  double Scale() const { return m_Scale; }
  bool ScaleChosen() const { return m_ScaleChosen; }
  // The buffer's size in device pixels.
  int DeviceWide() const { return m_DeviceWide; }
  int DeviceTall() const { return m_DeviceTall; }
  // The device pixels that cover `area` (logical), within the buffer.
  CRect DeviceRect(const CRect &area) const;
  cairo_surface_t *Surface() const { return m_pSurface; }
  // The pixel at logical x,y (its top left device pixel) as 0xAARRGGBB (premultiplied); 0
  // outside the buffer.
  uint32 PixelAt(int x, int y) const;
  bool SavePng(const char *path) const;

  void Clear(Color color);
  // Fills only `area` (screen pixels), for a frame that paints part of the screen again.
  void Clear(Color color, const CRect &area);

  // --- paint context: drawing is offset to `originX`, `originY` and clipped to `clip` (screen).
  void PushContext(int originX, int originY, const CRect &clip);
  void PopContext();
  bool HasContext() const { return !m_Contexts.empty(); }
  // Narrows the clip of the current context (local coordinates) until ClearLocalClip.
  void SetLocalClip(int x0, int y0, int x1, int y1);
  void ClearLocalClip();

  // --- drawing, in local coordinates
  void SetColor(Color color) { m_DrawColor = color; }
  Color DrawColor() const { return m_DrawColor; }
  void FilledRect(int x0, int y0, int x1, int y1);
  void FilledRectFade(int x0, int y0, int x1, int y1, int alpha0, int alpha1, bool horizontal);
  void OutlinedRect(int x0, int y0, int x1, int y1);
  void Line(int x0, int y0, int x1, int y1);
  void PolyLine(const int *px, const int *py, int count);

  void SetTextFont(CFont *font) { m_pTextFont = font; }
  void SetTextColor(Color color) { m_TextColor = color; }
  void SetTextPos(int x, int y);
  void GetTextPos(int &x, int &y) const;
  // Draws the run at the text position (the top left of its line, baseline at the font's ascent)
  // and moves the position by the run's width.
  void PrintRun(const CTextRun &run);
  // Draws the code points as one run of the text font.
  void PrintText(const std::u32string &codePoints);

  // Runs drawn, and characters in them that no installed font has (drawn as boxes), since the
  // start: the host's own check that every script shows.
  uint64 RunsDrawn() const { return m_RunsDrawn; }
  uint64 MissingGlyphsDrawn() const { return m_MissingGlyphsDrawn; }

  // Draws the surface scaled into the rectangle, faded by `alpha` (0-255).
  void TexturedRect(cairo_surface_t *texture, int x0, int y0, int x1, int y1, bool filter, int alpha);

 private:
  struct Context {
    int originX;
    int originY;
    CRect clip;       // the panel's clip
    CRect localClip;  // narrowed clip, equal to `clip` when none is set
    int textX;
    int textY;
  };
  // Sets cairo's clip to the current context's before drawing (only when it changed).
  void ApplyClip();
  void SetSource(Color color);
  // True when the current context can show anything; sets the clip for drawing.
  bool Drawable();

  int m_Wide = 0;
  int m_Tall = 0;
  double m_Scale = 1.0;
  bool m_ScaleChosen = false;
  int m_DeviceWide = 0;
  int m_DeviceTall = 0;
  cairo_surface_t *m_pSurface = nullptr;
  cairo_t *m_pCairo = nullptr;
  std::vector<Context> m_Contexts;
  CRect m_AppliedClip;
  bool m_ClipApplied = false;
  Color m_DrawColor{255, 255, 255, 255};
  Color m_TextColor{255, 255, 255, 255};
  CFont *m_pTextFont = nullptr;
  uint64 m_RunsDrawn = 0;
  uint64 m_MissingGlyphsDrawn = 0;
};

}  // namespace kguihost
