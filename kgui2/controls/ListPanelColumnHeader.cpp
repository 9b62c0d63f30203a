// ListPanelColumnHeader: a flat button with left-aligned text and the sort arrow.
#include "kgui_controls/ListPanelColumnHeader.h"

#include <algorithm>

#include "DefaultTheme.h"
#include "kgui/IImage.h"
#include "kgui_controls/controls.h"
#include "tier1/KeyValues.h"

namespace kgui {

DEFINE_EMPTY_MESSAGE_MAP(ListPanelColumnHeader, Button)

namespace {
constexpr int kArrowSize = 10;
constexpr int kArrowGap = 4;
// The arrow under an image in a header too narrow for both side by side.
constexpr int kCompactArrowWide = 7;
constexpr int kCompactArrowTall = 4;
constexpr int kCompactArrowGap = 1;
}  // namespace

ListPanelColumnHeader::ListPanelColumnHeader(Panel *parent, const char *panelName, const char *text)
    : Button(parent, panelName, text) {
  SetContentAlignment(a_west);
  SetTextInset(kTextInset, 0);
  // A click on a header sorts; the keyboard stays with the list.
  SetKeyboardInputEnabled(false);
}

void ListPanelColumnHeader::SetSortArrow(SortArrow arrow) {
  if (arrow == m_SortArrow) return;
  m_SortArrow = arrow;
  Repaint();
}

void ListPanelColumnHeader::SetIconImage(IImage *image) {
  m_pIconImage = image;
  Repaint();
}

int ListPanelColumnHeader::GetHeaderContentWide() {
  int wide = 0, tall = 0;
  if (m_pIconImage) {
    m_pIconImage->GetContentSize(wide, tall);
    wide += 2 * kTextInset;
  } else {
    GetContentSize(wide, tall);
  }
  return wide + kArrowSize + kArrowGap;
}

int ListPanelColumnHeader::GetTextRightInset() {
  // Up to the separator line, or to where the arrow's background begins.
  return m_SortArrow == ARROW_NONE ? 1 : kArrowSize + kArrowGap + kArrowGap / 2;
}

ListPanelColumnHeader::Placement ListPanelColumnHeader::Place() {
  Placement place;
  if (m_pIconImage) m_pIconImage->GetContentSize(place.iconWide, place.iconTall);
  const int wide = GetWide(), tall = GetTall();
  // Inside the separator lines at the right and at the bottom.
  const int innerWide = wide - 1, innerTall = tall - 1;
  place.iconX = (wide - place.iconWide) / 2;
  place.iconY = (tall - place.iconTall) / 2;
  if (m_SortArrow == ARROW_NONE) return place;
  const int besideX = wide - kArrowSize - kArrowGap;
  if (!m_pIconImage || place.iconWide + kArrowSize + 2 * kArrowGap <= innerWide) {
    place.arrow = true;
    place.arrowX = besideX;
    place.arrowY = (tall - kArrowSize) / 2;
    place.arrowWide = place.arrowTall = kArrowSize;
    // The icon is centred in what the arrow leaves.
    place.iconX = std::max(0, (besideX - kArrowGap - place.iconWide) / 2);
    return place;
  }
  const int stackTall = place.iconTall + kCompactArrowGap + kCompactArrowTall;
  if (stackTall > innerTall || kCompactArrowWide > innerWide) return place;
  place.arrow = true;
  place.compact = true;
  place.iconY = (innerTall - stackTall) / 2;
  place.arrowX = (wide - kCompactArrowWide) / 2;
  place.arrowY = place.iconY + place.iconTall + kCompactArrowGap;
  place.arrowWide = kCompactArrowWide;
  place.arrowTall = kCompactArrowTall;
  return place;
}

bool ListPanelColumnHeader::GetSortArrowBounds(int &x, int &y, int &wide, int &tall) {
  const Placement place = Place();
  x = place.arrowX;
  y = place.arrowY;
  wide = place.arrowWide;
  tall = place.arrowTall;
  return place.arrow;
}

void ListPanelColumnHeader::Describe(KeyValues *panelBlock) {
  BaseClass::Describe(panelBlock);
  // An image takes the text's place: the text is reported as given, not cut to a room it never has.
  if (m_pIconImage) panelBlock->SetString("text", GetText().c_str());
  const Placement place = Place();
  if (place.arrow) panelBlock->SetString("sortarrow", m_SortArrow == ARROW_UP ? "up" : "down");
  if (m_pIconImage) panelBlock->SetInt("icon", 1);
}

void ListPanelColumnHeader::ApplySchemeSettings(IScheme *schemeInterface) {
  BaseClass::ApplySchemeSettings(schemeInterface);
  m_HeaderBgColor = GetSchemeColor("ListPanel.ColumnHeaderBgColor", theme::kButtonBg, schemeInterface);
  m_ArrowColor = GetSchemeColor("ListPanel.ColumnHeaderArrowColor", theme::kText, schemeInterface);
}

Color ListPanelColumnHeader::GetButtonBgColor() {
  if (IsDepressed()) return BaseClass::GetButtonBgColor();
  return IsArmed() ? theme::kTabHoverBg : m_HeaderBgColor;
}

void ListPanelColumnHeader::Paint() {
  const Placement place = Place();
  if (m_pIconImage)
    PaintIcon(place);
  else
    BaseClass::Paint();
  if (place.arrow) PaintSortArrow(place);
}

void ListPanelColumnHeader::PaintIcon(const Placement &place) {
  m_pIconImage->SetSize(place.iconWide, place.iconTall);
  m_pIconImage->SetPos(place.iconX, place.iconY);
  m_pIconImage->SetColor(Faded(Color(255, 255, 255, 255)));
  m_pIconImage->Paint();
}

void ListPanelColumnHeader::PaintSortArrow(const Placement &place) {
  const bool up = m_SortArrow == ARROW_UP;
  if (place.compact) {
    surface()->DrawSetColor(Faded(m_ArrowColor));
    PaintTriangle(place.arrowX, place.arrowY, place.arrowWide, place.arrowTall);
    return;
  }
  const int x = place.arrowX, y = place.arrowY;
  if (!m_pIconImage) {
    // A text that not even an ellipsis fits ends where the arrow begins instead of under it.
    surface()->DrawSetColor(Faded(GetButtonBgColor()));
    surface()->DrawFilledRect(x - kArrowGap / 2, 1, GetWide() - 1, GetTall() - 1);
  }
  IImage *image = scheme()->GetImage(up ? "uparrow" : "downarrow", false);
  int wide = 0, tall = 0;
  if (image) image->GetContentSize(wide, tall);
  if (wide > 0 && tall > 0) {
    image->SetSize(kArrowSize, kArrowSize);
    image->SetPos(x, y);
    image->SetColor(Faded(Color(255, 255, 255, 255)));
    image->Paint();
    return;
  }
  // Without the arrow pictures the direction still shows: a small triangle drawn row by row.
  surface()->DrawSetColor(Faded(m_ArrowColor));
  for (int i = 0; i < kArrowSize / 2; ++i) {
    const int row = up ? y + 2 + i : y + kArrowSize - 2 - i;
    surface()->DrawFilledRect(x + kArrowSize / 2 - i - 1, row, x + kArrowSize / 2 + i + 1, row + 1);
  }
}

void ListPanelColumnHeader::PaintTriangle(int x, int y, int wide, int tall) {
  const bool up = m_SortArrow == ARROW_UP;
  const int middle = x + wide / 2;
  for (int i = 0; i < tall; ++i) {
    // Row i from the tip is 2i + 1 pixels wide.
    const int half = std::min(i, wide / 2);
    const int row = up ? y + i : y + tall - 1 - i;
    surface()->DrawFilledRect(middle - half, row, middle + half + 1, row + 1);
  }
}

void ListPanelColumnHeader::PaintBorder() {
  // A line at the bottom and one at the right separate the headers.
  surface()->DrawSetColor(Faded(theme::kButtonBorder));
  surface()->DrawFilledRect(0, GetTall() - 1, GetWide(), GetTall());
  surface()->DrawFilledRect(GetWide() - 1, 0, GetWide(), GetTall());
}

}  // namespace kgui
