// TextImage: one text drawn with one font and colour, optionally wrapped at word boundaries.
// A text beginning with "#" is a localisation token; "%name%" placeholders are filled from
// dialog variables. A line too wide for its room can end in an ellipsis instead of being cut
// without a sign. Labels draw through it and lists may share one for their cells.
#pragma once

#include <string>
#include <vector>

#include "kgui/kgui.h"
#include "tier1/KeyValues.h"
#include "tier1/color.h"

namespace kgui {

class TextImage {
 public:
  explicit TextImage(const char *text = "");
  TextImage(const TextImage &) = delete;
  TextImage &operator=(const TextImage &) = delete;

  // The text as given (UTF-8, or a "#" token); what is shown follows from it.
  void SetText(const char *text);
  void SetText(const char16_t *text);
  const char *GetUnlocalizedText() const { return m_UnlocalizedText.c_str(); }
  // The text as shown: localised, with dialog variables filled in.
  const std::u16string &GetText() const { return m_Text; }
  std::string GetTextUtf8() const;
  // Fills "%name%" from `variables` (null clears them) and builds the shown text again.
  void SetDialogVariables(KeyValues *variables);
  // Builds the shown text again (the language's tokens changed).
  void ResolveLocalizedText();

  void SetFont(HFont font) { m_hFont = font; }
  HFont GetFont() const { return m_hFont; }
  void SetColor(Color color) { m_Color = color; }
  Color GetColor() const { return m_Color; }
  void SetPos(int x, int y);
  // Lines wrap at the width (with wrapping on); lines that start below the height are not drawn
  // (a height of 0 or less draws every line).
  void SetSize(int wide, int tall);
  // With wrapping on, lines break at spaces to fit the width set with SetSize.
  void SetWrap(bool state) { m_bWrap = state; }
  // A line wider than `wide` is drawn cut at a whole character and ending in an ellipsis; a
  // negative width (the default) draws every line whole.
  void SetEllipsisWidth(int wide) { m_nEllipsisWidth = wide; }

  // The size the text needs: the widest line and the lines' height.
  void GetContentSize(int &wide, int &tall);
  // The size of the lines as drawn (cut lines measured with their ellipsis).
  void GetDrawnSize(int &wide, int &tall);
  // The text as drawn, in UTF-8: the shown text when no line is cut, else the lines as drawn
  // joined by newlines.
  std::string GetDrawnTextUtf8();
  // Draws at the position; `color` overrides the image's colour.
  void Paint(Color color);
  void Paint() { Paint(m_Color); }

  // Width of `length` units of `text` in `font`.
  static int MeasureText(HFont font, const char16_t *text, int length);
  // `text` when it fits in `wide` pixels; otherwise its longest start that fits with an ellipsis
  // after it, ended at a whole character (never half a surrogate pair, never a base letter
  // without its combining marks) and without trailing spaces. A text with no start that fits
  // becomes the ellipsis alone, so the cut still shows.
  static std::u16string FitText(HFont font, const std::u16string &text, int wide);

 private:
  // The shown text cut into lines for the current width.
  std::vector<std::u16string> Lines();
  // The lines as drawn: each cut to the ellipsis width; `anyCut` tells whether one was.
  std::vector<std::u16string> DrawnLines(bool *anyCut = nullptr);
  static void MeasureLines(HFont font, const std::vector<std::u16string> &lines, int &wide, int &tall);

  std::string m_UnlocalizedText;
  std::u16string m_Text;
  KeyValuesAD m_pVariables;  // a copy of the dialog's variables
  HFont m_hFont = INVALID_FONT;
  Color m_Color;
  int m_nX = 0;
  int m_nY = 0;
  int m_nWide = 0;
  int m_nTall = 0;
  int m_nEllipsisWidth = -1;
  bool m_bWrap = false;
};

// UTF-8 and UTF-16 conversions of whole texts.
std::u16string Utf8ToWide(const char *text);
std::string WideToUtf8(const char16_t *text);
std::string WideToUtf8(const std::u16string &text);

}  // namespace kgui
