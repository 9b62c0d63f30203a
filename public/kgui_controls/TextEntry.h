// TextEntry: one line of editable text with a cursor, a selection made with the mouse or shift
// and the arrow keys, copy, cut and paste through the host clipboard, hidden text (passwords), a
// maximum length, numbers only, and a hint shown while it is empty. Every change of the text
// signals "TextChanged" to the owners. A character beyond U+FFFF (a surrogate pair) is one
// character to the caret, the selection, deleting and the maximum length; a surrogate without its
// partner is stored as U+FFFD. An input method's composition ("CompositionChanged") is drawn
// underlined at the caret and stored only when committed.
#pragma once

#include <string>

#include "kgui_controls/Panel.h"
#include "kgui_controls/TextImage.h"

namespace kgui {

class TextEntry : public Panel {
  DECLARE_CLASS_SIMPLE(TextEntry, Panel);

 public:
  TextEntry(Panel *parent, const char *panelName);

  virtual void SetText(const char *text);
  virtual void SetText(const char16_t *text);
  std::string GetText() const;
  const std::u16string &GetWText() const { return m_Text; }
  // In UTF-16 units, as cursor positions count.
  int GetTextLength() const { return static_cast<int>(m_Text.size()); }
  // In characters, as the maximum length counts.
  int GetCharCount() const;
  // The input method's text being composed, "" when none.
  const std::u16string &GetComposition() const { return m_Composition; }

  // Editing at the cursor, as typing would; each respects the entry's rules. A high surrogate
  // given to InsertChar waits for its low one.
  void InsertChar(char16_t ch);
  void InsertString(const char16_t *text);
  void Backspace();
  void Delete();

  void SelectAllText(bool resetCursorPos);
  void SelectNone();
  // The selection as [start, end); false when nothing is selected.
  bool GetSelectedRange(int &start, int &end) const;
  void CopySelected();
  void CutSelected();
  void Paste();
  int GetCursorPos() const { return m_nCursor; }
  void SetCursorPos(int position);
  void GotoTextStart() { SetCursorPos(0); }
  void GotoTextEnd() { SetCursorPos(GetTextLength()); }

  void SetEditable(bool state);
  bool IsEditable() const { return m_bEditable; }
  // Shows every character as "*"; copying is then refused.
  void SetTextHidden(bool state);
  bool IsTextHidden() const { return m_bHideText; }
  // In characters; -1 for no limit.
  void SetMaximumCharCount(int maxChars);
  int GetMaximumCharCount() const { return m_nMaxChars; }
  void SetAllowNumericInputOnly(bool state) { m_bNumericOnly = state; }
  // With false, only ASCII characters are accepted.
  void SetAllowNonAsciiCharacters(bool state) { m_bAllowNonAscii = state; }
  // Grey text (or a "#" token) shown while the entry is empty and not focused.
  void SetHintText(const char *text);
  void SetFont(HFont font);
  HFont GetFont() const { return m_hFont; }

  bool AcceptsFocus() override { return true; }
  bool ApplySingleSetting(KeyValues *setting) override;
  void Describe(KeyValues *panelBlock) override;

 protected:
  void ApplySchemeSettings(IScheme *schemeInterface) override;
  void PaintBackground() override;
  void Paint() override;
  void PaintBorder() override;
  void OnThink() override;
  void OnKeyTyped(int unichar) override;
  // "CompositionChanged": shows the input method's text at the caret, or ends it when empty.
  virtual void OnCompositionChanged(KeyValues *message);
  void OnKeyCodeTyped(KeyCode code) override;
  void OnMousePressed(MouseCode code) override;
  void OnMouseDoublePressed(MouseCode code) override;
  void OnMouseReleased(MouseCode code) override;
  void OnCursorMoved(int x, int y) override;
  void OnMouseCaptureLost() override;
  void OnSetFocus() override;
  void OnKillFocus() override;
  void OnSizeChanged(int newWide, int newTall) override;
  void OnLocalizationFileChanged() override;
  // Signals "TextChanged" to the owners.
  virtual void FireActionSignal();
  // The text as drawn ("*" for each character when hidden).
  std::u16string GetDisplayText() const;
  // The area text is drawn in: inside the border, less what a subclass keeps at the right.
  int GetTextInsetX() const { return 5; }
  virtual int GetTextRightInset() { return GetTextInsetX(); }

 private:
  bool AcceptsChar(char32_t ch) const;
  // A high surrogate still waiting for its partner is stored as U+FFFD.
  void FlushPendingSurrogate();
  void EndComposition();
  // Positions in the text to and from positions in the display text (they differ while hidden).
  int ShownFromText(int position) const;
  int TextFromShown(int position) const;
  // The display text with the composition in it, and where that starts (-1 without one).
  std::u16string GetShownText(int &compositionStart) const;
  // The caret in the shown text: in the composition while there is one.
  int ShownCaret() const;
  void PaintComposition(const std::u16string &shown, int start, int originX, int textY, int fontTall);
  // Replaces the selection (if any) with `text` cut to the rules; true when the text changed.
  bool ReplaceSelection(const std::u16string &text);
  void DeleteSelection();
  void MoveCursor(int position, bool extendSelection);
  int WordBoundary(int from, bool forward) const;
  // The character boundary nearest to `x` (the entry's own pixels).
  int CursorFromPixel(int x) const;
  // The caret's x in the shown text, from its left edge.
  int CaretX() const;
  // The caret position `steps` characters right of the caret on screen (left when negative).
  int VisualStep(int steps) const;
  // The width of the text as drawn.
  int TextWide() const;
  void PaintText(int originX, int textY, int fontTall);
  void ScrollToCursor();
  void TextChanged();

  std::u16string m_Text;
  char16_t m_PendingHighSurrogate = 0;
  std::u16string m_Composition;
  int m_nCompositionCaret = 0;      // units into m_Composition
  int m_nCompositionSelection = 0;  // units after the caret the input method has selected
  TextImage m_HintText;
  int m_nCursor = 0;
  int m_nSelectAnchor = -1;  // the other end of the selection, or -1
  int m_nScrollX = 0;
  int m_nMaxChars = -1;
  HFont m_hFont = INVALID_FONT;
  bool m_bEditable = true;
  bool m_bHideText = false;
  bool m_bNumericOnly = false;
  bool m_bAllowNonAscii = true;
  bool m_bMouseSelecting = false;
  bool m_bCursorBlink = true;
  double m_flNextBlinkTime = 0.0;
  Color m_EntryBgColor;
  Color m_DisabledBgColor;
  Color m_BorderColor;
  Color m_FocusBorderColor;
  Color m_TextColor;
  Color m_DisabledTextColor;
  Color m_HintColor;
  Color m_SelectionBgColor;
  Color m_SelectionTextColor;
};

}  // namespace kgui
