// TextEntry: editing, selection, the clipboard, the entry's rules and drawing.
#include "kgui_controls/TextEntry.h"

#include <algorithm>
#include <vector>

#include "DefaultTheme.h"
#include "kgui_controls/TextImage.h"
#include "kgui_controls/controls.h"
#include "kstdlib/strtools.h"
#include "tier1/KeyValues.h"

namespace kgui {

BEGIN_MESSAGE_MAP(TextEntry, Panel)
MESSAGE_ENTRY("CompositionChanged", OnCompositionChanged, nullptr)
END_MESSAGE_MAP()

namespace {

constexpr double kBlinkSeconds = 0.5;

// A host that sleeps while nothing changes wakes for a tick: one is due when the caret blinks next.
void WakeForBlink(VPANEL panel) {
  if (ikgui()) ikgui()->AddTickSignal(panel, static_cast<int>(kBlinkSeconds * 1000.0));
}

// Keys whose character arrives as "KeyTyped"; the entry keeps them from travelling up.
bool IsCharacterKey(KeyCode code) {
  return (code >= KEY_0 && code <= KEY_NONUS_BACKSLASH) || code == KEY_SPACE;
}

bool IsWordChar(char16_t ch) {
  return ch != u' ' && ch != u'\t';
}

bool IsHighSurrogate(char16_t ch) {
  return ch >= 0xD800 && ch <= 0xDBFF;
}

bool IsLowSurrogate(char16_t ch) {
  return ch >= 0xDC00 && ch <= 0xDFFF;
}

constexpr char16_t kReplacement = 0xFFFD;

// Room for the pieces a selection can make on screen in mixed-direction text.
constexpr int kMaxSelectionPieces = 16;

bool StartsPair(const std::u16string &text, size_t at) {
  return at + 1 < text.size() && IsHighSurrogate(text[at]) && IsLowSurrogate(text[at + 1]);
}

// The text with every surrogate that has no partner replaced: only whole characters are kept.
std::u16string WholeCharacters(std::u16string text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (StartsPair(text, i)) {
      ++i;
    } else if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i])) {
      text[i] = kReplacement;
    }
  }
  return text;
}

// Characters (a surrogate pair is one) in the first `units` units of `text`.
int CharCount(const std::u16string &text, size_t units = std::u16string::npos) {
  units = std::min(units, text.size());
  int count = 0;
  for (size_t i = 0; i < units; i += StartsPair(text, i) ? 2 : 1) ++count;
  return count;
}

// The units the first `characters` characters of `text` take (all of it when it has fewer).
size_t UnitsOf(const std::u16string &text, int characters) {
  size_t units = 0;
  for (int i = 0; i < characters && units < text.size(); ++i) units += StartsPair(text, units) ? 2 : 1;
  return units;
}

}  // namespace

TextEntry::TextEntry(Panel *parent, const char *panelName) : Panel(parent, panelName) {
  SetCursor(dc_ibeam);
  SetSize(120, 24);
}

// ---- text

void TextEntry::SetText(const char *text) {
  SetText(Utf8ToWide(text).c_str());
}

void TextEntry::SetText(const char16_t *text) {
  std::u16string newText = WholeCharacters(text ? text : u"");
  if (m_nMaxChars >= 0) newText.resize(UnitsOf(newText, m_nMaxChars));
  if (newText == m_Text) return;
  m_Text = std::move(newText);
  m_nCursor = GetTextLength();
  m_nSelectAnchor = -1;
  m_nScrollX = 0;
  ScrollToCursor();
  TextChanged();
}

std::string TextEntry::GetText() const {
  return WideToUtf8(m_Text);
}

int TextEntry::GetCharCount() const {
  return CharCount(m_Text);
}

std::u16string TextEntry::GetDisplayText() const {
  return m_bHideText ? std::u16string(static_cast<size_t>(GetCharCount()), u'*') : m_Text;
}

// Hidden text shows one star a character, so its positions count characters, not units.
int TextEntry::ShownFromText(int position) const {
  return m_bHideText ? CharCount(m_Text, static_cast<size_t>(std::max(0, position))) : position;
}

int TextEntry::TextFromShown(int position) const {
  return m_bHideText ? static_cast<int>(UnitsOf(m_Text, position)) : position;
}

std::u16string TextEntry::GetShownText(int &compositionStart) const {
  std::u16string shown = GetDisplayText();
  compositionStart = -1;
  if (m_Composition.empty()) return shown;
  // The composition stands where it will go when committed: in place of the selection.
  int start = m_nCursor, end = m_nCursor;
  GetSelectedRange(start, end);
  shown.replace(start, end - start, m_Composition);
  compositionStart = start;
  return shown;
}

int TextEntry::ShownCaret() const {
  int compositionStart = -1;
  GetShownText(compositionStart);
  return compositionStart >= 0 ? compositionStart + m_nCompositionCaret : ShownFromText(m_nCursor);
}

void TextEntry::TextChanged() {
  Repaint();
  FireActionSignal();
}

void TextEntry::FireActionSignal() {
  PostActionSignal(new KeyValues("TextChanged"));
}

// ---- rules

void TextEntry::SetEditable(bool state) {
  m_bEditable = state;
  Repaint();
}

void TextEntry::SetTextHidden(bool state) {
  m_bHideText = state;
  ScrollToCursor();
  Repaint();
}

void TextEntry::SetMaximumCharCount(int maxChars) {
  m_nMaxChars = maxChars < 0 ? -1 : maxChars;
  if (m_nMaxChars >= 0 && GetCharCount() > m_nMaxChars)
    SetText(m_Text.substr(0, UnitsOf(m_Text, m_nMaxChars)).c_str());
}

void TextEntry::SetHintText(const char *text) {
  m_HintText.SetText(text);
  Repaint();
}

void TextEntry::OnLocalizationFileChanged() {
  m_HintText.ResolveLocalizedText();
  BaseClass::OnLocalizationFileChanged();
}

void TextEntry::SetFont(HFont font) {
  m_hFont = font;
  ScrollToCursor();
  Repaint();
}

bool TextEntry::AcceptsChar(char32_t ch) const {
  if (ch < 32 || ch == 127) return false;
  if (!m_bAllowNonAscii && ch > 127) return false;
  if (m_bNumericOnly) return (ch >= u'0' && ch <= u'9') || ch == u'-' || ch == u'.';
  return true;
}

bool TextEntry::ApplySingleSetting(KeyValues *setting) {
  const char *key = setting->GetName();
  if (!V_stricmp(key, "textHidden")) {
    SetTextHidden(setting->GetInt() != 0);
  } else if (!V_stricmp(key, "editable")) {
    SetEditable(setting->GetInt() != 0);
  } else if (!V_stricmp(key, "maxchars")) {
    SetMaximumCharCount(setting->GetInt());
  } else if (!V_stricmp(key, "NumericInputOnly")) {
    SetAllowNumericInputOnly(setting->GetInt() != 0);
  } else if (!V_stricmp(key, "unicode")) {
    SetAllowNonAsciiCharacters(setting->GetInt() != 0);
  } else if (!V_stricmp(key, "hintText")) {
    SetHintText(setting->GetString());
  } else {
    return BaseClass::ApplySingleSetting(setting);
  }
  return true;
}

void TextEntry::Describe(KeyValues *panelBlock) {
  panelBlock->SetString("text", WideToUtf8(GetDisplayText()).c_str());
  if (!m_Composition.empty()) panelBlock->SetString("composition", WideToUtf8(m_Composition).c_str());
}

// ---- editing

bool TextEntry::GetSelectedRange(int &start, int &end) const {
  if (m_nSelectAnchor < 0 || m_nSelectAnchor == m_nCursor) return false;
  start = std::min(m_nSelectAnchor, m_nCursor);
  end = std::max(m_nSelectAnchor, m_nCursor);
  return true;
}

void TextEntry::DeleteSelection() {
  int start = 0, end = 0;
  if (!GetSelectedRange(start, end)) return;
  m_Text.erase(start, end - start);
  m_nCursor = start;
  m_nSelectAnchor = -1;
}

bool TextEntry::ReplaceSelection(const std::u16string &text) {
  // Whole characters pass or fail the rules; a pair is one character.
  const std::u16string whole = WholeCharacters(text);
  std::u16string accepted;
  for (size_t i = 0; i < whole.size(); ++i) {
    if (StartsPair(whole, i)) {
      const char32_t ch =
          0x10000 + ((static_cast<char32_t>(whole[i]) - 0xD800) << 10) + (whole[i + 1] - 0xDC00);
      if (AcceptsChar(ch)) accepted.append(whole, i, 2);
      ++i;
    } else if (AcceptsChar(whole[i])) {
      accepted += whole[i];
    }
  }
  int start = 0, end = 0;
  const bool hadSelection = GetSelectedRange(start, end);
  if (accepted.empty() && !hadSelection) return false;
  DeleteSelection();
  if (m_nMaxChars >= 0) accepted.resize(UnitsOf(accepted, std::max(0, m_nMaxChars - GetCharCount())));
  m_Text.insert(m_nCursor, accepted);
  m_nCursor += static_cast<int>(accepted.size());
  m_nSelectAnchor = -1;
  ScrollToCursor();
  return hadSelection || !accepted.empty();
}

void TextEntry::InsertChar(char16_t ch) {
  // Half a pair waits for its other half; a half alone is shown as a broken character.
  if (m_PendingHighSurrogate) {
    const char16_t high = m_PendingHighSurrogate;
    m_PendingHighSurrogate = 0;
    if (IsLowSurrogate(ch)) return InsertString(std::u16string{high, ch}.c_str());
    InsertString(std::u16string(1, kReplacement).c_str());
  }
  if (IsHighSurrogate(ch)) {
    m_PendingHighSurrogate = ch;
    return;
  }
  InsertString(std::u16string(1, IsLowSurrogate(ch) ? kReplacement : ch).c_str());
}

void TextEntry::FlushPendingSurrogate() {
  if (!m_PendingHighSurrogate) return;
  m_PendingHighSurrogate = 0;
  InsertString(std::u16string(1, kReplacement).c_str());
}

void TextEntry::InsertString(const char16_t *text) {
  if (!m_bEditable || !text) return;
  if (ReplaceSelection(text)) TextChanged();
}

void TextEntry::Backspace() {
  if (!m_bEditable) return;
  int start = 0, end = 0;
  if (GetSelectedRange(start, end)) {
    DeleteSelection();
  } else if (m_nCursor > 0) {
    // A surrogate pair goes whole.
    const int units =
        m_nCursor > 1 && IsLowSurrogate(m_Text[m_nCursor - 1]) && IsHighSurrogate(m_Text[m_nCursor - 2]) ? 2
                                                                                                         : 1;
    m_nCursor -= units;
    m_Text.erase(m_nCursor, units);
    m_nSelectAnchor = -1;
  } else {
    return;
  }
  ScrollToCursor();
  TextChanged();
}

void TextEntry::Delete() {
  if (!m_bEditable) return;
  int start = 0, end = 0;
  if (GetSelectedRange(start, end)) {
    DeleteSelection();
  } else if (m_nCursor < GetTextLength()) {
    const int units = m_nCursor + 1 < GetTextLength() && IsHighSurrogate(m_Text[m_nCursor]) &&
                              IsLowSurrogate(m_Text[m_nCursor + 1])
                          ? 2
                          : 1;
    m_Text.erase(m_nCursor, units);
    m_nSelectAnchor = -1;
  } else {
    return;
  }
  ScrollToCursor();
  TextChanged();
}

void TextEntry::SelectAllText(bool resetCursorPos) {
  m_nSelectAnchor = resetCursorPos ? GetTextLength() : 0;
  m_nCursor = resetCursorPos ? 0 : GetTextLength();
  ScrollToCursor();
  Repaint();
}

void TextEntry::SelectNone() {
  m_nSelectAnchor = -1;
  Repaint();
}

void TextEntry::CopySelected() {
  int start = 0, end = 0;
  if (m_bHideText || !GetSelectedRange(start, end)) return;
  const std::u16string part = m_Text.substr(start, end - start);
  system()->SetClipboardText(part.c_str(), static_cast<int>(part.size()));
}

void TextEntry::CutSelected() {
  int start = 0, end = 0;
  if (m_bHideText || !m_bEditable || !GetSelectedRange(start, end)) return;
  CopySelected();
  DeleteSelection();
  ScrollToCursor();
  TextChanged();
}

void TextEntry::Paste() {
  if (!m_bEditable) return;
  const int count = system()->GetClipboardTextCount();
  if (count <= 0) return;
  std::vector<char16_t> buffer(static_cast<size_t>(count) + 1, u'\0');
  system()->GetClipboardText(0, buffer.data(), static_cast<int>(buffer.size() * sizeof(char16_t)));
  // One line: a pasted line break ends the text.
  std::u16string text(buffer.data());
  const size_t lineEnd = text.find_first_of(u"\r\n");
  if (lineEnd != std::u16string::npos) text.resize(lineEnd);
  InsertString(text.c_str());
}

void TextEntry::SetCursorPos(int position) {
  MoveCursor(position, false);
}

void TextEntry::MoveCursor(int position, bool extendSelection) {
  position = std::clamp(position, 0, GetTextLength());
  // Never between the halves of a pair.
  if (position > 0 && StartsPair(m_Text, static_cast<size_t>(position - 1))) --position;
  if (extendSelection) {
    if (m_nSelectAnchor < 0) m_nSelectAnchor = m_nCursor;
  } else {
    m_nSelectAnchor = -1;
  }
  m_nCursor = position;
  m_bCursorBlink = true;
  ScrollToCursor();
  Repaint();
}

int TextEntry::WordBoundary(int from, bool forward) const {
  const int length = GetTextLength();
  int position = from;
  if (forward) {
    while (position < length && IsWordChar(m_Text[position])) ++position;
    while (position < length && !IsWordChar(m_Text[position])) ++position;
  } else {
    while (position > 0 && !IsWordChar(m_Text[position - 1])) --position;
    while (position > 0 && IsWordChar(m_Text[position - 1])) --position;
  }
  return position;
}

// ---- keys

void TextEntry::OnKeyTyped(int unichar) {
  if (IsControlDown() || unichar < 32 || unichar > 0xFFFF) return;
  // Committed text takes the place of the composition shown.
  if (!m_Composition.empty()) EndComposition();
  InsertChar(static_cast<char16_t>(unichar));
}

void TextEntry::OnCompositionChanged(KeyValues *message) {
  if (!m_bEditable || m_bHideText || !message) return;
  FlushPendingSurrogate();
  m_Composition = WholeCharacters(message->GetWString("text"));
  const int length = static_cast<int>(m_Composition.size());
  int caret = std::clamp(message->GetInt("caret", length), 0, length);
  if (caret > 0 && StartsPair(m_Composition, static_cast<size_t>(caret - 1))) --caret;
  m_nCompositionCaret = caret;
  m_nCompositionSelection = std::clamp(message->GetInt("selection"), 0, length - caret);
  m_bCursorBlink = true;
  ScrollToCursor();
  Repaint();
}

void TextEntry::EndComposition() {
  if (m_Composition.empty()) return;
  m_Composition.clear();
  m_nCompositionCaret = 0;
  m_nCompositionSelection = 0;
  ScrollToCursor();
  Repaint();
}

void TextEntry::OnKeyCodeTyped(KeyCode code) {
  FlushPendingSurrogate();
  const bool shift = IsShiftDown();
  const bool control = IsControlDown();
  switch (code) {
    // The arrows move the caret on screen, a whole character at a time, in right-to-left text too.
    case KEY_LEFT:
      MoveCursor(control ? WordBoundary(m_nCursor, false) : VisualStep(-1), shift);
      return;
    case KEY_RIGHT:
      MoveCursor(control ? WordBoundary(m_nCursor, true) : VisualStep(1), shift);
      return;
    case KEY_HOME:
      MoveCursor(0, shift);
      return;
    case KEY_END:
      MoveCursor(GetTextLength(), shift);
      return;
    case KEY_BACKSPACE:
      Backspace();
      return;
    case KEY_DELETE:
      if (shift)
        CutSelected();
      else
        Delete();
      return;
    case KEY_INSERT:
      if (shift) Paste();
      if (control) CopySelected();
      return;
    default:
      break;
  }
  if (control && code == KEY_A) return SelectAllText(false);
  if (control && code == KEY_C) return CopySelected();
  if (control && code == KEY_X) return CutSelected();
  if (control && code == KEY_V) return Paste();
  // Characters arrive as "KeyTyped"; their keys stop here.
  if (!control && IsCharacterKey(code)) return;
  BaseClass::OnKeyCodeTyped(code);
}

// ---- mouse

int TextEntry::CaretX() const {
  int compositionStart = -1;
  const std::u16string shown = GetShownText(compositionStart);
  return surface()->GetTextRunCaretX(m_hFont, shown.c_str(), static_cast<int>(shown.size()),
                                     std::clamp(ShownCaret(), 0, static_cast<int>(shown.size())));
}

int TextEntry::CursorFromPixel(int x) const {
  const std::u16string shown = GetDisplayText();
  return TextFromShown(surface()->GetTextRunPositionAt(m_hFont, shown.c_str(), static_cast<int>(shown.size()),
                                                       x - GetTextInsetX() + m_nScrollX));
}

int TextEntry::VisualStep(int steps) const {
  const std::u16string shown = GetDisplayText();
  return TextFromShown(surface()->GetTextRunMovedCaret(m_hFont, shown.c_str(), static_cast<int>(shown.size()),
                                                       ShownFromText(m_nCursor), steps));
}

int TextEntry::TextWide() const {
  int compositionStart = -1;
  const std::u16string shown = GetShownText(compositionStart);
  int wide = 0, tall = 0;
  surface()->GetTextRunSize(m_hFont, shown.c_str(), static_cast<int>(shown.size()), wide, tall);
  return wide;
}

void TextEntry::OnMousePressed(MouseCode code) {
  if (code != MOUSE_LEFT) return;
  RequestFocus();
  int x = 0, y = 0;
  input()->GetCursorPos(x, y);
  ScreenToLocal(x, y);
  MoveCursor(CursorFromPixel(x), IsShiftDown());
  if (m_nSelectAnchor < 0) m_nSelectAnchor = m_nCursor;
  m_bMouseSelecting = true;
  input()->SetMouseCapture(GetVPanel());
}

void TextEntry::OnMouseDoublePressed(MouseCode code) {
  if (code != MOUSE_LEFT) return;
  // Selects the word under the cursor.
  const int start = WordBoundary(std::min(m_nCursor + 1, GetTextLength()), false);
  int end = start;
  while (end < GetTextLength() && IsWordChar(m_Text[end])) ++end;
  m_nSelectAnchor = start;
  m_nCursor = end;
  m_bMouseSelecting = false;
  ScrollToCursor();
  Repaint();
}

void TextEntry::OnCursorMoved(int x, int y) {
  (void)y;
  if (!m_bMouseSelecting) return;
  const int anchor = m_nSelectAnchor;
  MoveCursor(CursorFromPixel(x), true);
  m_nSelectAnchor = anchor;
}

void TextEntry::OnMouseReleased(MouseCode code) {
  if (code != MOUSE_LEFT || !m_bMouseSelecting) return;
  m_bMouseSelecting = false;
  if (m_nSelectAnchor == m_nCursor) m_nSelectAnchor = -1;
  if (input()->GetMouseCapture() == GetVPanel()) input()->SetMouseCapture(NULL_PANEL);
}

void TextEntry::OnMouseCaptureLost() {
  m_bMouseSelecting = false;
}

void TextEntry::OnSetFocus() {
  m_bCursorBlink = true;
  m_flNextBlinkTime = system()->GetCurrentTime() + kBlinkSeconds;
  WakeForBlink(GetVPanel());
  BaseClass::OnSetFocus();
}

void TextEntry::OnKillFocus() {
  m_bMouseSelecting = false;
  // An unfinished pair and a composition end with the focus: neither was committed.
  m_PendingHighSurrogate = 0;
  EndComposition();
  if (ikgui()) ikgui()->RemoveTickSignal(GetVPanel());
  BaseClass::OnKillFocus();
}

// ---- layout and drawing

void TextEntry::ScrollToCursor() {
  const int visible = GetWide() - GetTextInsetX() - GetTextRightInset();
  if (visible <= 0) return;
  const int cursorX = CaretX();
  if (cursorX - m_nScrollX > visible) m_nScrollX = cursorX - visible;
  if (cursorX < m_nScrollX) m_nScrollX = cursorX;
  // No empty space at the right while text is hidden to the left.
  const int textWide = TextWide();
  m_nScrollX = std::max(0, std::min(m_nScrollX, std::max(0, textWide - visible)));
}

void TextEntry::OnSizeChanged(int newWide, int newTall) {
  (void)newWide, (void)newTall;
  ScrollToCursor();
}

void TextEntry::OnThink() {
  if (!HasFocus()) return;
  const double now = system()->GetCurrentTime();
  if (now < m_flNextBlinkTime) return;
  m_bCursorBlink = !m_bCursorBlink;
  m_flNextBlinkTime = now + kBlinkSeconds;
  WakeForBlink(GetVPanel());
  Repaint();
}

void TextEntry::ApplySchemeSettings(IScheme *schemeInterface) {
  BaseClass::ApplySchemeSettings(schemeInterface);
  m_EntryBgColor = GetSchemeColor("TextEntry.BgColor", theme::kEntryBg, schemeInterface);
  m_DisabledBgColor = GetSchemeColor("TextEntry.DisabledBgColor", theme::kEntryDisabledBg, schemeInterface);
  m_BorderColor = GetSchemeColor("TextEntry.BorderColor", theme::kEntryBorder, schemeInterface);
  m_FocusBorderColor =
      GetSchemeColor("TextEntry.FocusBorderColor", theme::kEntryFocusBorder, schemeInterface);
  m_TextColor = GetSchemeColor("TextEntry.TextColor", theme::kText, schemeInterface);
  m_DisabledTextColor = GetSchemeColor("TextEntry.DisabledTextColor", theme::kTextDisabled, schemeInterface);
  m_HintColor = GetSchemeColor("TextEntry.HintColor", theme::kEntryHint, schemeInterface);
  m_SelectionBgColor = GetSchemeColor("SelectionBgColor", theme::kSelectionBg, schemeInterface);
  m_SelectionTextColor = GetSchemeColor("SelectionTextColor", theme::kSelectionText, schemeInterface);
  m_hFont = GetSchemeFont(schemeInterface, "Default");
  ScrollToCursor();
}

void TextEntry::PaintBackground() {
  surface()->DrawSetColor(Faded(IsEnabled() ? m_EntryBgColor : m_DisabledBgColor));
  surface()->DrawFilledRect(0, 0, GetWide(), GetTall());
}

void TextEntry::Paint() {
  const int fontTall = surface()->GetFontTall(m_hFont);
  const int textY = (GetTall() - fontTall) / 2;
  const int originX = GetTextInsetX() - m_nScrollX;
  surface()->DrawSetClipRect(2, 1, GetWide() - GetTextRightInset() + GetTextInsetX() - 2, GetTall() - 1);
  surface()->DrawSetTextFont(m_hFont);
  if (m_Text.empty() && m_Composition.empty()) {
    if (!HasFocus()) {
      m_HintText.SetFont(m_hFont);
      m_HintText.SetPos(GetTextInsetX(), textY);
      m_HintText.Paint(Faded(m_HintColor));
    }
  } else {
    PaintText(originX, textY, fontTall);
  }
  if (HasFocus() && m_bEditable) {
    const int x = originX + CaretX();
    // The input method's window opens beside the caret.
    input()->SetTextInputArea(GetVPanel(), x, textY, 1, fontTall);
    if (m_bCursorBlink) {
      surface()->DrawSetColor(Faded(m_TextColor));
      surface()->DrawFilledRect(x, textY, x + 1, textY + fontTall);
    }
  }
  surface()->DrawClearClipRect();
}

void TextEntry::PaintText(int originX, int textY, int fontTall) {
  // The text is drawn whole (shaped as one run), then the selection's part again in its colour,
  // clipped to where the selected characters are on screen: one logical range can be several
  // pieces in mixed-direction text, and letters joined across its edges stay joined.
  int compositionStart = -1;
  const std::u16string shown = GetShownText(compositionStart);
  const int length = static_cast<int>(shown.size());
  surface()->DrawSetTextColor(Faded(IsEnabled() ? m_TextColor : m_DisabledTextColor));
  surface()->DrawSetTextPos(originX, textY);
  surface()->DrawPrintText(shown.c_str(), length);
  if (compositionStart >= 0) return PaintComposition(shown, compositionStart, originX, textY, fontTall);
  int start = 0, end = 0;
  if (!GetSelectedRange(start, end) || !HasFocus()) return;
  start = ShownFromText(start);
  end = ShownFromText(end);
  int ranges[2 * kMaxSelectionPieces];
  const int pieces = surface()->GetTextRunRangeExtents(m_hFont, shown.c_str(), length, start, end, ranges,
                                                       kMaxSelectionPieces);
  const int clipX0 = 2, clipX1 = GetWide() - GetTextRightInset() + GetTextInsetX() - 2;
  for (int i = 0; i < pieces; ++i) {
    const int x0 = std::max(clipX0, originX + ranges[2 * i]);
    const int x1 = std::min(clipX1, originX + ranges[2 * i + 1]);
    if (x1 <= x0) continue;
    surface()->DrawSetColor(Faded(m_SelectionBgColor));
    surface()->DrawFilledRect(x0, textY, x1, textY + fontTall);
    surface()->DrawSetClipRect(x0, 1, x1, GetTall() - 1);
    surface()->DrawSetTextColor(Faded(IsEnabled() ? m_SelectionTextColor : m_DisabledTextColor));
    surface()->DrawSetTextPos(originX, textY);
    surface()->DrawPrintText(shown.c_str(), length);
  }
  surface()->DrawSetClipRect(clipX0, 1, clipX1, GetTall() - 1);
}

void TextEntry::PaintComposition(const std::u16string &shown, int start, int originX, int textY,
                                 int fontTall) {
  // Underlined as it is: thin under the whole composition, thick under the part the input method
  // has selected.
  const int length = static_cast<int>(shown.size());
  const int end = start + static_cast<int>(m_Composition.size());
  const int selected = start + m_nCompositionCaret;
  const struct {
    int from, to, thickness;
  } lines[] = {{start, end, 1}, {selected, selected + m_nCompositionSelection, 2}};
  surface()->DrawSetColor(Faded(m_TextColor));
  for (const auto &line : lines) {
    if (line.to <= line.from) continue;
    int ranges[2 * kMaxSelectionPieces];
    const int pieces = surface()->GetTextRunRangeExtents(m_hFont, shown.c_str(), length, line.from, line.to,
                                                         ranges, kMaxSelectionPieces);
    for (int i = 0; i < pieces; ++i) {
      surface()->DrawFilledRect(originX + ranges[2 * i], textY + fontTall - line.thickness,
                                originX + ranges[2 * i + 1], textY + fontTall);
    }
  }
}

void TextEntry::PaintBorder() {
  const bool focused = HasFocus() && IsEnabled();
  surface()->DrawSetColor(Faded(focused ? m_FocusBorderColor : m_BorderColor));
  surface()->DrawOutlinedRect(0, 0, GetWide(), GetTall());
}

}  // namespace kgui
