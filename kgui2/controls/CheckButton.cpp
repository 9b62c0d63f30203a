// CheckButton: a box with a check mark, its text beside it.
#include "kgui_controls/CheckButton.h"

#include "DefaultTheme.h"
#include "kgui_controls/controls.h"

namespace kgui {

DEFINE_EMPTY_MESSAGE_MAP(CheckButton, ToggleButton)

namespace {
constexpr int kBoxTextGap = 6;
}

CheckButton::CheckButton(Panel *parent, const char *panelName, const char *text)
    : ToggleButton(parent, panelName, text) {
  SetContentAlignment(a_west);
  SetTextInset(theme::kCheckBoxSize + kBoxTextGap, 0);
  SetPaintBackgroundEnabled(false);
}

void CheckButton::ApplySchemeSettings(IScheme *schemeInterface) {
  BaseClass::ApplySchemeSettings(schemeInterface);
  SetFgColor(GetSchemeColor("CheckButton.TextColor", theme::kText, schemeInterface));
  m_BoxBgColor = GetSchemeColor("CheckButton.BgColor", theme::kEntryBg, schemeInterface);
  m_BoxBorderColor = GetSchemeColor("CheckButton.Border", theme::kEntryBorder, schemeInterface);
  m_HoverBorderColor = GetSchemeColor("CheckButton.HoverBorder", theme::kAccent, schemeInterface);
  m_MarkColor = GetSchemeColor("CheckButton.Check", theme::kAccent, schemeInterface);
  m_DisabledMarkColor = GetSchemeColor("CheckButton.DisabledCheck", theme::kTextDisabled, schemeInterface);
}

void CheckButton::GetContentSize(int &wide, int &tall) {
  BaseClass::GetContentSize(wide, tall);
  if (tall < theme::kCheckBoxSize) tall = theme::kCheckBoxSize;
}

// The box is the control; no button face behind it.
void CheckButton::PaintBackground() {}

Color CheckButton::GetTextColorNow() {
  return IsEnabled() ? GetFgColor() : Label::GetTextColorNow();
}

void CheckButton::Paint() {
  PaintBox(0, (GetTall() - theme::kCheckBoxSize) / 2, theme::kCheckBoxSize);
  BaseClass::Paint();
}

void CheckButton::PaintBox(int x, int y, int size) {
  surface()->DrawSetColor(Faded(IsEnabled() ? m_BoxBgColor : theme::kEntryDisabledBg));
  surface()->DrawFilledRect(x, y, x + size, y + size);
  surface()->DrawSetColor(
      Faded(IsEnabled() && (IsArmed() || HasFocus()) ? m_HoverBorderColor : m_BoxBorderColor));
  surface()->DrawOutlinedRect(x, y, x + size, y + size);
  if (!IsSelected()) return;
  // A tick: a short stroke down to the bottom third, a long one up to the right.
  surface()->DrawSetColor(Faded(IsEnabled() ? m_MarkColor : m_DisabledMarkColor));
  const int px[] = {x + 3, x + size * 2 / 5, x + size - 3};
  const int py[] = {y + size / 2, y + size - 4, y + 3};
  for (int offset = 0; offset < 2; ++offset) {
    const int shiftedY[] = {py[0] + offset, py[1] + offset, py[2] + offset};
    surface()->DrawPolyLine(px, shiftedY, 3);
  }
}

// No button edge: the focus shows as a dotted frame around box and text.
void CheckButton::PaintBorder() {
  if (HasFocus()) DrawFocusRect(0);
}

}  // namespace kgui
