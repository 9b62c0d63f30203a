// ListPanelColumnHeader: the button above a column of a ListPanel. Its panel name is the column's
// name, its text the header text; a click signals "SetSortColumn" ("column") to the list. It shows
// the sort direction as an arrow image at its right end, or an image in place of its text.
#pragma once

#include "kgui_controls/Button.h"

namespace kgui {

class IImage;

class ListPanelColumnHeader : public Button {
  DECLARE_CLASS_SIMPLE(ListPanelColumnHeader, Button);

 public:
  // Distance of the text from the left edge.
  static constexpr int kTextInset = 5;

  ListPanelColumnHeader(Panel *parent, const char *panelName, const char *text);

  enum SortArrow { ARROW_NONE, ARROW_UP, ARROW_DOWN };

  // The arrow shown at the right end: the scheme's image "uparrow" or "downarrow", or none.
  void SetSortArrow(SortArrow arrow);
  SortArrow GetSortArrow() const { return m_SortArrow; }
  // An image shown in place of the text, or null to show the text.
  void SetIconImage(IImage *image);
  IImage *GetIconImage() const { return m_pIconImage; }
  // The width the header needs for its text (or icon) and arrow.
  int GetHeaderContentWide();

  bool AcceptsFocus() override { return false; }

 protected:
  void ApplySchemeSettings(IScheme *schemeInterface) override;
  void Paint() override;
  void PaintBorder() override;
  Color GetButtonBgColor() override;

 private:
  void PaintSortArrow();

  SortArrow m_SortArrow = ARROW_NONE;
  IImage *m_pIconImage = nullptr;
  Color m_HeaderBgColor;
  Color m_ArrowColor;
};

}  // namespace kgui
