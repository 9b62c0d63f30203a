// RichText: read-only text of many lines, wrapped at word boundaries, with colour changes, a
// vertical scroll bar, and selection and copying with the mouse and Control-A / Control-C.
#pragma once

#include <string>
#include <vector>

#include "kgui_controls/Panel.h"

namespace kgui {

class ScrollBar;

class RichText : public Panel {
  DECLARE_CLASS_SIMPLE(RichText, Panel);

 public:
  RichText(Panel *parent, const char *panelName);

  // Replaces the text ("#" tokens are localised).
  void SetText(const char *text);
  void SetText(const char16_t *text);
  // Appends text in the current colour.
  void InsertString(const char *text);
  void InsertString(const char16_t *text);
  // Text appended from now on has this colour.
  void InsertColorChange(Color color);
  std::string GetText() const;
  // Characters beyond the limit are dropped from the start (-1: no limit).
  void SetMaximumCharCount(int maxChars);
  void SetVerticalScrollbar(bool state);
  void GotoTextStart();
  void GotoTextEnd();
  void SelectAllText();
  void CopySelected();
  void SetFont(HFont font);

  bool AcceptsFocus() override { return true; }
  bool ApplySingleSetting(KeyValues *setting) override;
  void Describe(KeyValues *panelBlock) override;

 protected:
  void ApplySchemeSettings(IScheme *schemeInterface) override;
  void PerformLayout() override;
  void PaintBackground() override;
  void Paint() override;
  void PaintBorder() override;
  void OnMouseWheeled(int delta) override;
  void OnMousePressed(MouseCode code) override;
  void OnMouseReleased(MouseCode code) override;
  void OnCursorMoved(int x, int y) override;
  void OnMouseCaptureLost() override { m_bSelecting = false; }
  void OnKeyCodeTyped(KeyCode code) override;
  void OnSizeChanged(int newWide, int newTall) override;
  void OnSliderMoved();

 private:
  // Where a colour starts in the text.
  struct ColorChange {
    size_t position;
    Color color;
  };
  // One wrapped line: a range of the text.
  struct Line {
    size_t start;
    size_t end;
  };

  void LayoutLines();
  // Where the line starting at `start` ends: as many characters of the paragraph as fit in
  // `wide`, broken after a space when there is one.
  size_t LineEnd(size_t paragraphStart, size_t start, size_t paragraphEnd, int wide) const;
  // The room [start, end) takes where its paragraph is drawn as one run.
  int PartWidth(size_t paragraphStart, size_t paragraphEnd, size_t start, size_t end) const;
  void PaintLine(const Line &line, int y, bool selected, size_t selStart, size_t selEnd);
  Color ColorAt(size_t position) const;
  int LineTall() const;
  // The text position under a point of the panel.
  size_t PositionAt(int x, int y);
  bool GetSelectedRange(size_t &start, size_t &end) const;
  int TextAreaWide();
  void ResetText();
  void ApplyMaximumCharCount();

  std::u16string m_Text;
  std::vector<ColorChange> m_Colors;
  std::vector<Line> m_Lines;
  ScrollBar *m_pScrollBar;
  HFont m_hFont = INVALID_FONT;
  int m_nMaxChars = -1;
  int m_nTopLine = 0;
  bool m_bScrollbarWanted = true;
  bool m_bLinesDirty = true;
  bool m_bSelecting = false;
  size_t m_nSelectAnchor = 0;
  size_t m_nSelectCursor = 0;
  Color m_TextColor;
  Color m_BgColor;
  Color m_BorderColor;
  Color m_SelectionBgColor;
  Color m_SelectionTextColor;
};

}  // namespace kgui
