// RichText: wrapping, colours, scrolling and selection of read-only text.
#include "kgui_controls/RichText.h"

#include <algorithm>
#include <vector>

#include "DefaultTheme.h"
#include "filesystem.h"
#include "kgui_controls/ScrollBar.h"
#include "kgui_controls/TextImage.h"
#include "kgui_controls/controls.h"
#include "kstdlib/strtools.h"
#include "tier0/dbg.h"
#include "tier1/KeyValues.h"

namespace kgui {

BEGIN_MESSAGE_MAP(RichText, Panel)
MESSAGE_ENTRY("ScrollBarSliderMoved", OnSliderMoved)
END_MESSAGE_MAP()

namespace {

constexpr int kInset = 4;

// Reads a whole file of the host's; false when it cannot be opened.
bool ReadTextFile(const char *path, std::string &text) {
  IFileSystem *fileSystem = filesystem();
  if (!fileSystem) return false;
  FileHandle_t file = fileSystem->Open(path, "rb");
  if (!file) return false;
  const unsigned int size = fileSystem->Size(file);
  text.assign(size, '\0');
  const int read = size ? fileSystem->Read(text.data(), static_cast<int>(size), file) : 0;
  fileSystem->Close(file);
  text.resize(read > 0 ? static_cast<size_t>(read) : 0);
  return true;
}

}  // namespace

RichText::RichText(Panel *parent, const char *panelName) : Panel(parent, panelName) {
  m_pScrollBar = new ScrollBar(this, "ScrollBar", true);
  m_pScrollBar->AddActionSignalTarget(this);
  m_pScrollBar->SetVisible(false);
  SetCursor(dc_ibeam);
  ResetText();
}

// ---- text

void RichText::ResetText() {
  m_Text.clear();
  m_Colors.assign(1, ColorChange{0, Color(0, 0, 0, 0)});  // alpha 0: the scheme's text colour
  m_nTopLine = 0;
  m_nSelectAnchor = m_nSelectCursor = 0;
  m_bLinesDirty = true;
}

void RichText::SetText(const char *text) {
  const char16_t *localized = (text && text[0] == '#' && localize()) ? localize()->Find(text) : nullptr;
  SetText(localized ? std::u16string(localized).c_str() : Utf8ToWide(text).c_str());
}

void RichText::SetText(const char16_t *text) {
  ResetText();
  InsertString(text);
}

void RichText::InsertString(const char *text) {
  InsertString(Utf8ToWide(text).c_str());
}

void RichText::InsertString(const char16_t *text) {
  if (!text) return;
  for (const char16_t *p = text; *p; ++p) {
    if (*p != u'\r') m_Text += *p;
  }
  ApplyMaximumCharCount();
  m_bLinesDirty = true;
  InvalidateLayout();
  Repaint();
}

void RichText::InsertColorChange(Color color) {
  if (!m_Colors.empty() && m_Colors.back().position == m_Text.size())
    m_Colors.back().color = color;
  else
    m_Colors.push_back({m_Text.size(), color});
}

std::string RichText::GetText() const {
  return WideToUtf8(m_Text);
}

void RichText::SetMaximumCharCount(int maxChars) {
  m_nMaxChars = maxChars < 0 ? -1 : maxChars;
  ApplyMaximumCharCount();
}

void RichText::ApplyMaximumCharCount() {
  if (m_nMaxChars < 0 || static_cast<int>(m_Text.size()) <= m_nMaxChars) return;
  // The oldest text goes first, colour changes move with it.
  const size_t drop = m_Text.size() - static_cast<size_t>(m_nMaxChars);
  m_Text.erase(0, drop);
  Color first = ColorAt(drop);
  std::vector<ColorChange> kept{{0, first}};
  for (const ColorChange &change : m_Colors) {
    if (change.position > drop) kept.push_back({change.position - drop, change.color});
  }
  m_Colors.swap(kept);
  m_nSelectAnchor = m_nSelectCursor = 0;
  m_bLinesDirty = true;
}

Color RichText::ColorAt(size_t position) const {
  Color color = m_Colors.front().color;
  for (const ColorChange &change : m_Colors) {
    if (change.position > position) break;
    color = change.color;
  }
  return color;
}

void RichText::SetVerticalScrollbar(bool state) {
  m_bScrollbarWanted = state;
  m_bLinesDirty = true;
  InvalidateLayout();
}

void RichText::SetFont(HFont font) {
  m_hFont = font;
  m_bLinesDirty = true;
  InvalidateLayout();
}

bool RichText::ApplySingleSetting(KeyValues *setting) {
  const char *key = setting->GetName();
  if (!V_stricmp(key, "text")) {
    SetText(setting->GetString());
  } else if (!V_stricmp(key, "textfile")) {
    std::string text;
    if (ReadTextFile(setting->GetString(), text))
      SetText(text.c_str());
    else
      Msg("RichText: textfile parameter '%s' not found.\n", setting->GetString());
  } else if (!V_stricmp(key, "maxchars")) {
    SetMaximumCharCount(setting->GetInt());
  } else if (!V_stricmp(key, "scrollbar")) {
    SetVerticalScrollbar(setting->GetInt() != 0);
  } else {
    return BaseClass::ApplySingleSetting(setting);
  }
  return true;
}

void RichText::Describe(KeyValues *panelBlock) {
  panelBlock->SetString("text", GetText().c_str());
}

// ---- lines

int RichText::LineTall() const {
  return std::max(1, surface()->GetFontTall(m_hFont));
}

int RichText::TextAreaWide() {
  return GetWide() - 2 * kInset - (m_pScrollBar->IsVisible() ? theme::kScrollBarWidth : 0);
}

void RichText::LayoutLines() {
  m_Lines.clear();
  const int wide = TextAreaWide();
  size_t start = 0;
  while (true) {
    const size_t newline = m_Text.find(u'\n', start);
    const size_t paragraphEnd = newline == std::u16string::npos ? m_Text.size() : newline;
    // A paragraph is measured as one run; its lines are drawn as runs of their own.
    const size_t paragraphStart = start;
    do {
      const size_t end = LineEnd(paragraphStart, start, paragraphEnd, wide);
      m_Lines.push_back({start, end});
      start = end;
    } while (start < paragraphEnd);
    if (newline == std::u16string::npos) break;
    start = newline + 1;
    if (start == m_Text.size()) {
      m_Lines.push_back({start, start});
      break;
    }
  }
  m_bLinesDirty = false;
}

int RichText::PartWidth(size_t paragraphStart, size_t paragraphEnd, size_t start, size_t end) const {
  constexpr int kMaxPieces = 16;
  int ranges[2 * kMaxPieces];
  const int pieces = surface()->GetTextRunRangeExtents(
      m_hFont, m_Text.c_str() + paragraphStart, static_cast<int>(paragraphEnd - paragraphStart),
      static_cast<int>(start - paragraphStart), static_cast<int>(end - paragraphStart), ranges, kMaxPieces);
  int wide = 0;
  for (int i = 0; i < pieces; ++i) wide += ranges[2 * i + 1] - ranges[2 * i];
  return wide;
}

size_t RichText::LineEnd(size_t paragraphStart, size_t start, size_t paragraphEnd, int wide) const {
  if (start >= paragraphEnd) return paragraphEnd;
  // The most characters that fit (at least one), found by halving; then back to after the last
  // space, so a word longer than the line is the only one cut.
  size_t low = start + 1, high = paragraphEnd;
  while (low < high) {
    const size_t middle = (low + high + 1) / 2;
    if (PartWidth(paragraphStart, paragraphEnd, start, middle) <= wide)
      low = middle;
    else
      high = middle - 1;
  }
  size_t end = low;
  // Never between the halves of a surrogate pair.
  if (end < paragraphEnd && m_Text[end] >= 0xDC00 && m_Text[end] <= 0xDFFF)
    end = end - 1 > start ? end - 1 : end + 1;
  if (end < paragraphEnd) {
    const size_t space = m_Text.rfind(u' ', end - 1);
    if (space != std::u16string::npos && space >= start) end = space + 1;
  }
  return end;
}

void RichText::PerformLayout() {
  const int visibleLines = std::max(1, (GetTall() - 2 * kInset) / LineTall());
  // Lines wrap without the bar first; the bar shows when they do not all fit.
  m_pScrollBar->SetVisible(false);
  LayoutLines();
  if (m_bScrollbarWanted && static_cast<int>(m_Lines.size()) > visibleLines) {
    m_pScrollBar->SetVisible(true);
    LayoutLines();
  }
  const int lineCount = static_cast<int>(m_Lines.size());
  m_nTopLine = std::clamp(m_nTopLine, 0, std::max(0, lineCount - visibleLines));
  m_pScrollBar->SetBounds(GetWide() - theme::kScrollBarWidth - 1, 1, theme::kScrollBarWidth, GetTall() - 2);
  m_pScrollBar->SetRange(0, lineCount);
  m_pScrollBar->SetRangeWindow(visibleLines);
  m_pScrollBar->SetValue(m_nTopLine);
}

void RichText::OnSizeChanged(int newWide, int newTall) {
  (void)newWide, (void)newTall;
  m_bLinesDirty = true;
}

void RichText::OnSliderMoved() {
  m_nTopLine = m_pScrollBar->GetValue();
  Repaint();
}

void RichText::GotoTextStart() {
  m_nTopLine = 0;
  InvalidateLayout();
}

void RichText::GotoTextEnd() {
  m_nTopLine = 1 << 30;  // clamped by the layout
  InvalidateLayout();
}

void RichText::OnMouseWheeled(int delta) {
  if (!m_pScrollBar->IsVisible()) {
    BaseClass::OnMouseWheeled(delta);
    return;
  }
  m_pScrollBar->SetValue(m_pScrollBar->GetValue() - delta * 3);
}

// ---- selection

bool RichText::GetSelectedRange(size_t &start, size_t &end) const {
  start = std::min(m_nSelectAnchor, m_nSelectCursor);
  end = std::max(m_nSelectAnchor, m_nSelectCursor);
  return end > start;
}

size_t RichText::PositionAt(int x, int y) {
  if (m_bLinesDirty) LayoutLines();
  if (m_Lines.empty()) return 0;
  const int line =
      std::clamp(m_nTopLine + (y - kInset) / LineTall(), 0, static_cast<int>(m_Lines.size()) - 1);
  const Line &range = m_Lines[line];
  if (range.end == range.start) return range.start;
  return range.start +
         static_cast<size_t>(surface()->GetTextRunPositionAt(
             m_hFont, m_Text.c_str() + range.start, static_cast<int>(range.end - range.start), x - kInset));
}

void RichText::OnMousePressed(MouseCode code) {
  if (code != MOUSE_LEFT) return;
  RequestFocus();
  int x = 0, y = 0;
  input()->GetCursorPos(x, y);
  ScreenToLocal(x, y);
  m_nSelectAnchor = m_nSelectCursor = PositionAt(x, y);
  m_bSelecting = true;
  input()->SetMouseCapture(GetVPanel());
  Repaint();
}

void RichText::OnCursorMoved(int x, int y) {
  if (!m_bSelecting) return;
  m_nSelectCursor = PositionAt(x, y);
  Repaint();
}

void RichText::OnMouseReleased(MouseCode code) {
  if (code != MOUSE_LEFT || !m_bSelecting) return;
  m_bSelecting = false;
  if (input()->GetMouseCapture() == GetVPanel()) input()->SetMouseCapture(NULL_PANEL);
}

void RichText::SelectAllText() {
  m_nSelectAnchor = 0;
  m_nSelectCursor = m_Text.size();
  Repaint();
}

void RichText::CopySelected() {
  size_t start = 0, end = 0;
  if (!GetSelectedRange(start, end)) return;
  const std::u16string part = m_Text.substr(start, end - start);
  system()->SetClipboardText(part.c_str(), static_cast<int>(part.size()));
}

void RichText::OnKeyCodeTyped(KeyCode code) {
  if (IsControlDown() && code == KEY_A) {
    SelectAllText();
  } else if (IsControlDown() && code == KEY_C) {
    CopySelected();
  } else if (code == KEY_PAGEUP || code == KEY_PAGEDOWN) {
    const int page = std::max(1, m_pScrollBar->GetRangeWindow() - 1);
    m_pScrollBar->SetValue(m_pScrollBar->GetValue() + (code == KEY_PAGEUP ? -page : page));
  } else if (code == KEY_HOME && IsControlDown()) {
    GotoTextStart();
  } else if (code == KEY_END && IsControlDown()) {
    GotoTextEnd();
  } else {
    BaseClass::OnKeyCodeTyped(code);
  }
}

// ---- drawing

void RichText::ApplySchemeSettings(IScheme *schemeInterface) {
  BaseClass::ApplySchemeSettings(schemeInterface);
  m_TextColor = GetSchemeColor("RichText.TextColor", theme::kText, schemeInterface);
  m_BgColor = GetSchemeColor("RichText.BgColor", theme::kEntryBg, schemeInterface);
  m_BorderColor = GetSchemeColor("RichText.BorderColor", theme::kEntryBorder, schemeInterface);
  m_SelectionBgColor = GetSchemeColor("SelectionBgColor", theme::kSelectionBg, schemeInterface);
  m_SelectionTextColor = GetSchemeColor("SelectionTextColor", theme::kSelectionText, schemeInterface);
  m_hFont = GetSchemeFont(schemeInterface, "Default");
  m_bLinesDirty = true;
}

void RichText::PaintBackground() {
  surface()->DrawSetColor(Faded(IsEnabled() ? m_BgColor : theme::kEntryDisabledBg));
  surface()->DrawFilledRect(0, 0, GetWide(), GetTall());
}

void RichText::Paint() {
  if (m_bLinesDirty) LayoutLines();
  const int lineTall = LineTall();
  const int visibleLines = std::max(1, (GetTall() - 2 * kInset) / lineTall) + 1;
  size_t selStart = 0, selEnd = 0;
  const bool selected = GetSelectedRange(selStart, selEnd);
  surface()->DrawSetClipRect(1, 1, 1 + kInset + TextAreaWide() + kInset / 2, GetTall() - 1);
  surface()->DrawSetTextFont(m_hFont);
  // Only the lines in view are drawn.
  const int last = std::min(static_cast<int>(m_Lines.size()), m_nTopLine + visibleLines);
  for (int index = m_nTopLine; index < last; ++index) {
    PaintLine(m_Lines[index], kInset + (index - m_nTopLine) * lineTall, selected, selStart, selEnd);
  }
  surface()->DrawClearClipRect();
}

void RichText::PaintLine(const Line &line, int y, bool selected, size_t selStart, size_t selEnd) {
  const int clipX1 = 1 + kInset + TextAreaWide() + kInset / 2;
  const int lineTall = LineTall();
  const char16_t *text = m_Text.c_str() + line.start;
  const int length = static_cast<int>(line.end - line.start);
  // The line is shaped whole; each stretch of one colour (and selection state) is drawn by
  // drawing the whole line clipped to where that stretch's characters are on screen, so letters
  // joined across a colour change stay joined.
  size_t position = line.start;
  while (position < line.end) {
    const bool inSelection = selected && position >= selStart && position < selEnd;
    size_t runEnd = position + 1;
    while (runEnd < line.end && ColorAt(runEnd).GetRawColor() == ColorAt(position).GetRawColor() &&
           (selected && runEnd >= selStart && runEnd < selEnd) == inSelection)
      ++runEnd;
    const Color own = ColorAt(position);
    const Color color = !IsEnabled()  ? theme::kTextDisabled
                        : inSelection ? m_SelectionTextColor
                        : own.a()     ? own
                                      : m_TextColor;
    constexpr int kMaxPieces = 16;
    int ranges[2 * kMaxPieces];
    const bool whole = position == line.start && runEnd == line.end;
    const int pieces = whole ? 1
                             : surface()->GetTextRunRangeExtents(
                                   m_hFont, text, length, static_cast<int>(position - line.start),
                                   static_cast<int>(runEnd - line.start), ranges, kMaxPieces);
    for (int i = 0; i < pieces; ++i) {
      const int x0 = whole ? 1 : std::max(1, kInset + ranges[2 * i]);
      const int x1 = whole ? clipX1 : std::min(clipX1, kInset + ranges[2 * i + 1]);
      if (x1 <= x0) continue;
      if (inSelection) {
        int wide = 0, tall = 0;
        if (whole) surface()->GetTextRunSize(m_hFont, text, length, wide, tall);
        surface()->DrawSetColor(Faded(m_SelectionBgColor));
        surface()->DrawFilledRect(whole ? kInset : x0, y, whole ? kInset + wide : x1, y + lineTall);
      }
      surface()->DrawSetClipRect(x0, 1, x1, GetTall() - 1);
      surface()->DrawSetTextColor(Faded(color));
      surface()->DrawSetTextPos(kInset, y);
      surface()->DrawPrintText(text, length);
    }
    position = runEnd;
  }
  surface()->DrawSetClipRect(1, 1, clipX1, GetTall() - 1);
}

void RichText::PaintBorder() {
  surface()->DrawSetColor(Faded(HasFocus() ? theme::kEntryFocusBorder : m_BorderColor));
  surface()->DrawOutlinedRect(0, 0, GetWide(), GetTall());
}

}  // namespace kgui
