// IHostSurface ("KGUI_Surface039"): the desktop and its top-level windows (popups), drawing, fonts,
// textures, sounds and the cursor.
//
// Drawing calls are valid while the host paints a panel (inside IClientPanel::Paint and
// PostChildPaint) or between PushMakeCurrent and PopMakeCurrent. Coordinates are in the current
// panel's pixels, rectangles run from x0,y0 to x1,y1 exclusive, and everything is clipped to the
// visible part of the panel. Outside a paint the calls do nothing.
#pragma once

#include <string>

#include "kgui/kgui.h"

namespace kgui {

#define KGUI_SURFACE_INTERFACE_VERSION "KGUI_Surface039"

class IHostSurface {
 public:
  // --- desktop
  // The host's desktop panel: it covers the screen at 0,0 and holds the top-level panels.
  virtual VPANEL GetEmbeddedPanel() = 0;
  virtual void GetScreenSize(int &wide, int &tall) = 0;
  // The usable area of the desktop.
  virtual void GetWorkspaceBounds(int &x, int &y, int &wide, int &tall) = 0;
  // Whether the host's window has the desktop's input focus (always true without a window).
  virtual bool HasFocus() = 0;

  // --- top-level windows
  // Makes the panel a popup: a top-level window drawn above every panel that is not a popup, at
  // screen coordinates, in front of the other popups. Its parent (the desktop when it has none)
  // still decides its visibility.
  virtual void CreatePopup(VPANEL panel, bool minimised, bool showTaskbarIcon, bool disabled, bool mouseInput,
                           bool keyboardInput) = 0;
  virtual void MovePopupToFront(VPANEL panel) = 0;
  virtual void MovePopupToBack(VPANEL panel) = 0;
  // Popups back to front.
  virtual int GetPopupCount() = 0;
  virtual VPANEL GetPopup(int index) = 0;
  // A minimised popup is neither drawn nor hit by the mouse.
  virtual void SetMinimized(VPANEL panel, bool state) = 0;
  virtual bool IsMinimized(VPANEL panel) = 0;
  virtual void SetTitle(VPANEL panel, const char16_t *title) = 0;
  // Draws the user's attention to a window until it is called again with false.
  virtual void FlashWindow(VPANEL panel, bool state) = 0;
  virtual void SetCursor(HCursor cursor) = 0;

  // --- paint context
  // Directs drawing to `panel` (inside its insets when `useInsets`), until the matching Pop.
  virtual void PushMakeCurrent(VPANEL panel, bool useInsets) = 0;
  virtual void PopMakeCurrent(VPANEL panel) = 0;
  // Narrows clipping further, in the current panel's coordinates, until DrawClearClipRect.
  virtual void DrawSetClipRect(int x0, int y0, int x1, int y1) = 0;
  virtual void DrawClearClipRect() = 0;

  // --- shapes
  virtual void DrawSetColor(Color color) = 0;
  virtual void DrawFilledRect(int x0, int y0, int x1, int y1) = 0;
  // Fills with the draw colour, its alpha going from alpha0 to alpha1 across (horizontal) or down.
  virtual void DrawFilledRectFade(int x0, int y0, int x1, int y1, int alpha0, int alpha1,
                                  bool horizontal) = 0;
  // A one-pixel frame inside the rectangle.
  virtual void DrawOutlinedRect(int x0, int y0, int x1, int y1) = 0;
  // A one-pixel line through the centres of both end pixels.
  virtual void DrawLine(int x0, int y0, int x1, int y1) = 0;
  virtual void DrawPolyLine(const int *px, const int *py, int count) = 0;

  // --- text
  virtual void DrawSetTextFont(HFont font) = 0;
  virtual void DrawSetTextColor(Color color) = 0;
  // The top left corner of the next character cell.
  virtual void DrawSetTextPos(int x, int y) = 0;
  virtual void DrawGetTextPos(int &x, int &y) = 0;
  // Draws `length` UTF-16 units as one run (see "shaped text runs" below) and moves the text
  // position by its width (GetTextRunSize; for text that needs no shaping the same as GetTextSize).
  virtual void DrawPrintText(const char16_t *text, int length) = 0;
  virtual void DrawUnicodeChar(char16_t ch) = 0;

  // --- textures
  virtual HTexture CreateNewTextureID() = 0;
  // Loads "<fileName>.png" (".png" may be given) from the host file system into the texture; false
  // when it cannot be read, and the texture then draws nothing.
  virtual bool DrawSetTextureFile(HTexture id, const char *fileName, bool hardwareFilter,
                                  bool forceReload) = 0;
  // Copies wide x tall pixels of 4 bytes each (red, green, blue, alpha; not premultiplied).
  virtual void DrawSetTextureRGBA(HTexture id, const uint8 *rgba, int wide, int tall) = 0;
  virtual void DrawSetTexture(HTexture id) = 0;
  virtual void DrawGetTextureSize(HTexture id, int &wide, int &tall) = 0;
  // Draws the current texture scaled into the rectangle, tinted by the draw colour's alpha.
  virtual void DrawTexturedRect(int x0, int y0, int x1, int y1) = 0;
  virtual bool IsTextureIDValid(HTexture id) = 0;
  virtual void DestroyTextureID(HTexture id) = 0;

  // --- fonts
  virtual HFont CreateFont() = 0;
  // Chooses the typeface (found by family name through the system's font configuration), the
  // height of a text line in pixels, the weight (400 regular, 700 bold) and FontFlags. Blur and
  // scan lines are accepted and ignored. False when the font or the arguments are invalid.
  virtual bool SetFontGlyphSet(HFont font, const char *fontName, int tall, int weight, int blur,
                               int scanlines, int flags) = 0;
  // The height of a text line; 0 for an invalid font.
  virtual int GetFontTall(HFont font) = 0;
  virtual int GetFontAscent(HFont font) = 0;
  // The space before the glyph (a), the glyph's width (b) and the space after it (c); a + b + c is
  // the advance.
  virtual void GetCharABCwide(HFont font, int ch, int &a, int &b, int &c) = 0;
  virtual int GetCharacterWidth(HFont font, int ch) = 0;
  // The advance of the whole text and the font's line height.
  virtual void GetTextSize(HFont font, const char16_t *text, int &wide, int &tall) = 0;

  // --- sound
  // Plays a WAV file from the host file system ("servers/game_ready.wav"); nothing when it cannot.
  virtual void PlaySound(const char *fileName) = 0;

  // --- shaped text runs (added after the operations above, which keep their places)
  // A run is a piece of one line shaped as a whole: letters joined, marks placed on their bases,
  // right-to-left and mixed-direction text in visual order, characters a font lacks taken from
  // another. Positions in a run are caret positions in UTF-16 units of the logical text, 0 to
  // `length`; x is in pixels from the run's left edge as drawn. A host that does not shape
  // answers per character (the bodies here), in step with its DrawPrintText.

  // The width of the run as DrawPrintText draws it, and the font's line height.
  virtual void GetTextRunSize(HFont font, const char16_t *text, int length, int &wide, int &tall) {
    wide = PrefixWidth(font, text, length);
    tall = GetFontTall(font);
  }
  // The x of the caret at `position`.
  virtual int GetTextRunCaretX(HFont font, const char16_t *text, int length, int position) {
    return PrefixWidth(font, text, position < 0 ? 0 : position > length ? length : position);
  }
  // The caret position nearest to `x`.
  virtual int GetTextRunPositionAt(HFont font, const char16_t *text, int length, int x) {
    int previous = 0;
    for (int i = 1; i <= length; ++i) {
      const int edge = PrefixWidth(font, text, i);
      if (x < (previous + edge) / 2) return i - 1;
      previous = edge;
    }
    return length < 0 ? 0 : length;
  }
  // The caret position `steps` places right of `position` on screen (left when negative), never
  // inside a character; it stays at the run's ends.
  virtual int GetTextRunMovedCaret(HFont, const char16_t *text, int length, int position, int steps) {
    for (; steps != 0; steps += steps > 0 ? -1 : 1) {
      position += steps > 0 ? 1 : -1;
      // Never between the halves of a surrogate pair.
      if (position > 0 && position < length && text[position] >= 0xDC00 && text[position] <= 0xDFFF)
        position += steps > 0 ? 1 : -1;
    }
    return position < 0 ? 0 : position > length ? length : position;
  }
  // Where the characters of [start, end) are drawn: up to `maxRanges` pairs of x0, x1 (x1
  // excluded) into `ranges`, left to right; the number of pairs. Right-to-left text inside
  // left-to-right text can make a logical range several pieces on screen.
  virtual int GetTextRunRangeExtents(HFont font, const char16_t *text, int length, int start, int end,
                                     int *ranges, int maxRanges) {
    start = start < 0 ? 0 : start > length ? length : start;
    end = end < start ? start : end > length ? length : end;
    if (end == start || !ranges || maxRanges < 1) return 0;
    ranges[0] = PrefixWidth(font, text, start);
    ranges[1] = PrefixWidth(font, text, end);
    return 1;
  }

 private:
  int PrefixWidth(HFont font, const char16_t *text, int length) {
    if (!text || length <= 0) return 0;
    const std::u16string part(text, static_cast<size_t>(length));
    int wide = 0, tall = 0;
    GetTextSize(font, part.c_str(), wide, tall);
    return wide;
  }

 protected:
  ~IHostSurface() = default;
};

}  // namespace kgui
