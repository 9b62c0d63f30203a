// ListPanelColumnHeader: the button above a column of a ListPanel. Its panel name is the column's
// name, its text the header text; a click signals "SetSortColumn" ("column") to the list. It shows
// the sort direction as an arrow image at its right end, and may show an image in place of its
// text. An image keeps its place when the column is sorted: the arrow goes beside it, or in a
// header too narrow for both side by side, in small under it.
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
  // Where the sort arrow is drawn, in the header's pixels; false when none is. Only an image too
  // tall to leave room under it in a narrow header goes without its arrow: what the column holds
  // matters more than its order.
  bool GetSortArrowBounds(int &x, int &y, int &wide, int &tall);

  bool AcceptsFocus() override { return false; }
  void Describe(KeyValues *panelBlock) override;

 protected:
  void ApplySchemeSettings(IScheme *schemeInterface) override;
  void Paint() override;
  void PaintBorder() override;
  Color GetButtonBgColor() override;
  // A sorted header's text ends before the arrow.
  int GetTextRightInset() override;

 private:
  // Where the icon and the arrow go for the current size, image and sort direction.
  struct Placement {
    int iconX = 0, iconY = 0, iconWide = 0, iconTall = 0;
    bool arrow = false;
    bool compact = false;  // the small arrow under the icon
    int arrowX = 0, arrowY = 0, arrowWide = 0, arrowTall = 0;
  };
  Placement Place();
  void PaintIcon(const Placement &placement);
  void PaintSortArrow(const Placement &placement);
  // A triangle drawn row by row, pointing up or down.
  void PaintTriangle(int x, int y, int wide, int tall);

  SortArrow m_SortArrow = ARROW_NONE;
  IImage *m_pIconImage = nullptr;
  Color m_HeaderBgColor;
  Color m_ArrowColor;
};

}  // namespace kgui
