// ListPanelColumnHeader: a flat button with left-aligned text and the sort arrow.
#include "kgui_controls/ListPanelColumnHeader.h"

#include "DefaultTheme.h"
#include "kgui/IImage.h"
#include "kgui_controls/controls.h"

namespace kgui {

DEFINE_EMPTY_MESSAGE_MAP(ListPanelColumnHeader, Button)

namespace {
constexpr int kArrowSize = 10;
constexpr int kArrowGap = 4;
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
  if (m_pIconImage) {
    int wide = 0, tall = 0;
    m_pIconImage->GetContentSize(wide, tall);
    m_pIconImage->SetSize(wide, tall);
    m_pIconImage->SetPos((GetWide() - wide) / 2, (GetTall() - tall) / 2);
    m_pIconImage->SetColor(Faded(Color(255, 255, 255, 255)));
    m_pIconImage->Paint();
  } else {
    BaseClass::Paint();
  }
  PaintSortArrow();
}

void ListPanelColumnHeader::PaintSortArrow() {
  if (m_SortArrow == ARROW_NONE) return;
  const bool up = m_SortArrow == ARROW_UP;
  const int x = GetWide() - kArrowSize - kArrowGap;
  const int y = (GetTall() - kArrowSize) / 2;
  // A header text too long for a narrow column ends where the arrow begins instead of under it.
  surface()->DrawSetColor(Faded(GetButtonBgColor()));
  surface()->DrawFilledRect(x - kArrowGap / 2, 1, GetWide() - 1, GetTall() - 1);
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

void ListPanelColumnHeader::PaintBorder() {
  // A line at the bottom and one at the right separate the headers.
  surface()->DrawSetColor(Faded(theme::kButtonBorder));
  surface()->DrawFilledRect(0, GetTall() - 1, GetWide(), GetTall());
  surface()->DrawFilledRect(GetWide() - 1, 0, GetWide(), GetTall());
}

}  // namespace kgui
