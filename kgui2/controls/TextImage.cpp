// TextImage: localised text with dialog variables, measured and drawn through the surface.
#include "kgui_controls/TextImage.h"

#include <climits>
#include <cstring>

#include "kgui_controls/controls.h"
#include "kstdlib/strtools.h"

namespace kgui {
namespace {

constexpr char16_t kEllipsis = u'\u2026';

// The code point that starts at `i` (a lone surrogate stands for itself).
char32_t CodePointAt(const std::u16string &text, size_t i) {
  const char16_t unit = text[i];
  if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
      text[i + 1] <= 0xDFFF)
    return 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (text[i + 1] - 0xDC00);
  return unit;
}

// True when the unit at `i` (> 0) belongs to the character before it, so a cut may not fall
// there: the second half of a surrogate pair, a combining mark, a variation selector, a skin-tone
// modifier, or anything joined on by a zero-width joiner.
bool IsJoinedToPrevious(const std::u16string &text, size_t i) {
  if (text[i] >= 0xDC00 && text[i] <= 0xDFFF) return true;
  if (text[i - 1] == 0x200D) return true;
  const char32_t cp = CodePointAt(text, i);
  return (cp >= 0x0300 && cp <= 0x036F) || (cp >= 0x1AB0 && cp <= 0x1AFF) || (cp >= 0x1DC0 && cp <= 0x1DFF) ||
         (cp >= 0x20D0 && cp <= 0x20FF) || (cp >= 0xFE00 && cp <= 0xFE0F) || (cp >= 0xFE20 && cp <= 0xFE2F) ||
         (cp >= 0x1F3FB && cp <= 0x1F3FF) || (cp >= 0xE0100 && cp <= 0xE01EF) || cp == 0x200D;
}

// The first `end` units of `text` without trailing blanks, and the ellipsis.
std::u16string CutAt(const std::u16string &text, size_t end) {
  while (end > 0 && (text[end - 1] == u' ' || text[end - 1] == u'\t')) --end;
  std::u16string cut = text.substr(0, end);
  cut += kEllipsis;
  return cut;
}

}  // namespace

std::u16string Utf8ToWide(const char *text) {
  if (!text || !*text) return std::u16string();
  const size_t units = strlen(text) + 1;
  if (units > INT_MAX / 2) return std::u16string();
  std::u16string out(units, u'\0');
  const int written = V_UTF8ToUTF16(text, out.data(), static_cast<int>(units * sizeof(char16_t)));
  out.resize(written > 0 ? static_cast<size_t>(written - 1) : 0);
  return out;
}

std::string WideToUtf8(const char16_t *text) {
  if (!text || !*text) return std::string();
  const size_t bytes = V_wcslen(text) * 3 + 1;
  if (bytes > INT_MAX) return std::string();
  std::string out(bytes, '\0');
  const int written = V_UTF16ToUTF8(text, out.data(), static_cast<int>(bytes));
  out.resize(written > 0 ? static_cast<size_t>(written - 1) : 0);
  return out;
}

std::string WideToUtf8(const std::u16string &text) {
  return WideToUtf8(text.c_str());
}

TextImage::TextImage(const char *text) {
  SetText(text);
}

void TextImage::SetText(const char *text) {
  m_UnlocalizedText = text ? text : "";
  ResolveLocalizedText();
}

void TextImage::SetText(const char16_t *text) {
  SetText(WideToUtf8(text).c_str());
}

std::string TextImage::GetTextUtf8() const {
  return WideToUtf8(m_Text);
}

void TextImage::SetDialogVariables(KeyValues *variables) {
  m_pVariables.reset(variables ? variables->MakeCopy() : nullptr);
  ResolveLocalizedText();
}

void TextImage::ResolveLocalizedText() {
  // A token the language lacks is shown as written, so a missing string is visible, not blank.
  const char16_t *localized = nullptr;
  if (m_UnlocalizedText[0] == '#' && localize()) localized = localize()->Find(m_UnlocalizedText.c_str());
  std::u16string pattern = localized ? std::u16string(localized) : Utf8ToWide(m_UnlocalizedText.c_str());
  if (!m_pVariables || pattern.find(u'%') == std::u16string::npos || !localize()) {
    m_Text = std::move(pattern);
    return;
  }
  std::u16string filled(pattern.size() + 1024, u'\0');
  const int units = localize()->ConstructStringVariables(
      filled.data(), static_cast<int>(filled.size() * sizeof(char16_t)), pattern.c_str(), m_pVariables.get());
  filled.resize(units > 0 ? static_cast<size_t>(units) : 0);
  m_Text = std::move(filled);
}

void TextImage::SetPos(int x, int y) {
  m_nX = x;
  m_nY = y;
}

void TextImage::SetSize(int wide, int tall) {
  m_nWide = wide;
  m_nTall = tall;
}

int TextImage::MeasureText(HFont font, const char16_t *text, int length) {
  if (!surface() || font == INVALID_FONT || length <= 0) return 0;
  int wide = 0, tall = 0;
  surface()->GetTextRunSize(font, text, length, wide, tall);
  return wide;
}

namespace {

// The room the first `end` units (less trailing blanks, as CutAt leaves them) take where the whole
// text is drawn as one run: a guess at the width of that part drawn alone, exact for text that
// needs no shaping.
int PartWidth(HFont font, const std::u16string &text, size_t end) {
  constexpr int kMaxPieces = 16;
  while (end > 0 && (text[end - 1] == u' ' || text[end - 1] == u'\t')) --end;
  int ranges[2 * kMaxPieces];
  const int pieces = surface()->GetTextRunRangeExtents(font, text.c_str(), static_cast<int>(text.size()), 0,
                                                       static_cast<int>(end), ranges, kMaxPieces);
  int wide = 0;
  for (int i = 0; i < pieces; ++i) wide += ranges[2 * i + 1] - ranges[2 * i];
  return wide;
}

}  // namespace

std::u16string TextImage::FitText(HFont font, const std::u16string &text, int wide) {
  const int length = static_cast<int>(text.size());
  if (text.empty() || MeasureText(font, text.c_str(), length) <= wide) return text;
  // The places a cut may fall, in order. A longer start is never narrower, so the longest one
  // that fits is found by halving, on the parts' widths inside the whole run (no new shaping);
  // the cut text is then shaped and measured, and a shorter cut taken while it is too wide.
  std::vector<size_t> cuts;
  for (size_t i = 0; i < text.size(); ++i) {
    if (i == 0 || !IsJoinedToPrevious(text, i)) cuts.push_back(i);
  }
  const int ellipsisWide = MeasureText(font, &kEllipsis, 1);
  size_t low = 0, high = cuts.size() - 1;
  while (low < high) {
    const size_t middle = (low + high + 1) / 2;
    if (PartWidth(font, text, cuts[middle]) + ellipsisWide <= wide)
      low = middle;
    else
      high = middle - 1;
  }
  std::u16string cut = CutAt(text, cuts[low]);
  while (low > 0 && MeasureText(font, cut.c_str(), static_cast<int>(cut.size())) > wide)
    cut = CutAt(text, cuts[--low]);
  return cut;
}

std::vector<std::u16string> TextImage::Lines() {
  std::vector<std::u16string> lines;
  std::u16string current;
  size_t start = 0;
  while (start <= m_Text.size()) {
    const size_t newline = m_Text.find(u'\n', start);
    const std::u16string paragraph =
        m_Text.substr(start, newline == std::u16string::npos ? newline : newline - start);
    if (!m_bWrap || m_nWide <= 0) {
      lines.push_back(paragraph);
    } else {
      // Greedy word wrap; a word wider than the line stays whole on its own line.
      current.clear();
      size_t word = 0;
      while (word <= paragraph.size()) {
        size_t end = paragraph.find(u' ', word);
        if (end == std::u16string::npos) end = paragraph.size();
        const std::u16string candidate = current.empty()
                                             ? paragraph.substr(word, end - word)
                                             : current + u' ' + paragraph.substr(word, end - word);
        if (!current.empty() &&
            MeasureText(m_hFont, candidate.c_str(), static_cast<int>(candidate.size())) > m_nWide) {
          lines.push_back(current);
          current = paragraph.substr(word, end - word);
        } else {
          current = candidate;
        }
        word = end + 1;
      }
      lines.push_back(current);
    }
    if (newline == std::u16string::npos) break;
    start = newline + 1;
  }
  return lines;
}

std::vector<std::u16string> TextImage::DrawnLines(bool *anyCut) {
  std::vector<std::u16string> lines = Lines();
  if (anyCut) *anyCut = false;
  if (m_nEllipsisWidth < 0) return lines;
  for (std::u16string &line : lines) {
    std::u16string fitted = FitText(m_hFont, line, m_nEllipsisWidth);
    if (fitted == line) continue;
    line = std::move(fitted);
    if (anyCut) *anyCut = true;
  }
  return lines;
}

void TextImage::MeasureLines(HFont font, const std::vector<std::u16string> &lines, int &wide, int &tall) {
  wide = 0;
  for (const std::u16string &line : lines) {
    const int lineWide = MeasureText(font, line.c_str(), static_cast<int>(line.size()));
    if (lineWide > wide) wide = lineWide;
  }
  const int lineTall = surface() ? surface()->GetFontTall(font) : 0;
  tall = lineTall * static_cast<int>(lines.size());
}

void TextImage::GetContentSize(int &wide, int &tall) {
  MeasureLines(m_hFont, Lines(), wide, tall);
}

void TextImage::GetDrawnSize(int &wide, int &tall) {
  MeasureLines(m_hFont, DrawnLines(), wide, tall);
}

std::string TextImage::GetDrawnTextUtf8() {
  bool anyCut = false;
  const std::vector<std::u16string> lines = DrawnLines(&anyCut);
  if (!anyCut) return GetTextUtf8();
  std::u16string joined;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) joined += u'\n';
    joined += lines[i];
  }
  return WideToUtf8(joined);
}

void TextImage::Paint(Color color) {
  if (m_Text.empty() || !surface() || m_hFont == INVALID_FONT) return;
  const int lineTall = surface()->GetFontTall(m_hFont);
  surface()->DrawSetTextFont(m_hFont);
  surface()->DrawSetTextColor(color);
  int y = m_nY;
  for (const std::u16string &line : DrawnLines()) {
    if (m_nTall > 0 && y - m_nY >= m_nTall) break;
    surface()->DrawSetTextPos(m_nX, y);
    surface()->DrawPrintText(line.c_str(), static_cast<int>(line.size()));
    y += lineTall;
  }
}

}  // namespace kgui
