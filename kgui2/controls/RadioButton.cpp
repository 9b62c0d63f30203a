// RadioButton: exclusive selection within a group of siblings.
#include "kgui_controls/RadioButton.h"

#include <algorithm>
#include <cmath>

#include "DefaultTheme.h"
#include "kgui_controls/controls.h"
#include "tier1/KeyValues.h"

namespace kgui {

DEFINE_EMPTY_MESSAGE_MAP(RadioButton, ToggleButton)

namespace {
constexpr int kCircleTextGap = 6;
}

RadioButton::RadioButton(Panel *parent, const char *panelName, const char *text)
    : ToggleButton(parent, panelName, text) {
  SetContentAlignment(a_west);
  SetTextInset(theme::kCheckBoxSize + kCircleTextGap, 0);
  SetPaintBackgroundEnabled(false);
}

std::vector<RadioButton *> RadioButton::GetGroup() {
  std::vector<RadioButton *> group;
  Panel *parent = GetParent();
  if (!parent) {
    group.push_back(this);
    return group;
  }
  const int count = parent->GetChildCount();
  for (int i = 0; i < count; ++i) {
    auto *radio = dynamic_cast<RadioButton *>(parent->GetChild(i));
    if (radio && radio->GetTabPosition() == GetTabPosition()) group.push_back(radio);
  }
  return group;
}

void RadioButton::DoClick() {
  // A click only ever selects: the group keeps one choice.
  if (IsEnabled() && !IsSelected()) SetSelected(true);
}

void RadioButton::SetSelected(bool state) {
  if (state == IsSelected()) return;
  Button::SetSelected(state);
  if (!state) return;
  for (RadioButton *other : GetGroup()) {
    if (other != this) other->SetSelected(false);
  }
  PostActionSignal(new KeyValues("RadioButtonChecked", "tabposition", GetTabPosition()));
}

void RadioButton::OnKeyCodeTyped(KeyCode code) {
  const bool back = code == KEY_UP || code == KEY_LEFT;
  const bool forward = code == KEY_DOWN || code == KEY_RIGHT;
  if (!back && !forward) {
    BaseClass::OnKeyCodeTyped(code);
    return;
  }
  std::vector<RadioButton *> group = GetGroup();
  group.erase(
      std::remove_if(group.begin(), group.end(),
                     [this](RadioButton *r) { return r != this && (!r->IsEnabled() || !r->IsVisible()); }),
      group.end());
  auto it = std::find(group.begin(), group.end(), this);
  if (it == group.end() || group.size() < 2) return;
  const size_t index = static_cast<size_t>(it - group.begin());
  RadioButton *next = group[(index + (forward ? 1 : group.size() - 1)) % group.size()];
  next->SetSelected(true);
  next->RequestFocus();
}

void RadioButton::GetContentSize(int &wide, int &tall) {
  BaseClass::GetContentSize(wide, tall);
  if (tall < theme::kCheckBoxSize) tall = theme::kCheckBoxSize;
}

void RadioButton::ApplySchemeSettings(IScheme *schemeInterface) {
  BaseClass::ApplySchemeSettings(schemeInterface);
  SetFgColor(GetSchemeColor("RadioButton.TextColor", theme::kText, schemeInterface));
  m_CircleBgColor = GetSchemeColor("RadioButton.BgColor", theme::kEntryBg, schemeInterface);
  m_CircleBorderColor = GetSchemeColor("RadioButton.Border", theme::kEntryBorder, schemeInterface);
  m_HoverBorderColor = GetSchemeColor("RadioButton.HoverBorder", theme::kAccent, schemeInterface);
  m_DotColor = GetSchemeColor("RadioButton.Check", theme::kAccent, schemeInterface);
}

Color RadioButton::GetTextColorNow() {
  return IsEnabled() ? GetFgColor() : Label::GetTextColorNow();
}

void RadioButton::FillDisc(int centerX, int centerY, int radius) {
  for (int dy = -radius; dy <= radius; ++dy) {
    const int half = static_cast<int>(std::lround(std::sqrt(static_cast<double>(radius * radius - dy * dy))));
    surface()->DrawFilledRect(centerX - half, centerY + dy, centerX + half + 1, centerY + dy + 1);
  }
}

void RadioButton::Paint() {
  const int size = theme::kCheckBoxSize;
  const int radius = size / 2;
  const int centerX = radius;
  const int centerY = GetTall() / 2;
  const bool highlighted = IsEnabled() && (IsArmed() || HasFocus());
  surface()->DrawSetColor(Faded(highlighted ? m_HoverBorderColor : m_CircleBorderColor));
  FillDisc(centerX, centerY, radius);
  surface()->DrawSetColor(Faded(IsEnabled() ? m_CircleBgColor : theme::kEntryDisabledBg));
  FillDisc(centerX, centerY, radius - 1);
  if (IsSelected()) {
    surface()->DrawSetColor(Faded(IsEnabled() ? m_DotColor : theme::kTextDisabled));
    FillDisc(centerX, centerY, radius - 3);
  }
  BaseClass::Paint();
}

void RadioButton::PaintBorder() {
  if (HasFocus()) DrawFocusRect(0);
}

}  // namespace kgui
