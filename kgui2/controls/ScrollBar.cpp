// ScrollBar: arrow buttons around a slider, and the value they share.
#include "kgui_controls/ScrollBar.h"

#include "DefaultTheme.h"
#include "kgui_controls/Button.h"
#include "kgui_controls/ScrollBarSlider.h"
#include "kgui_controls/controls.h"
#include "kstdlib/strtools.h"
#include "tier1/KeyValues.h"

namespace kgui {

BEGIN_MESSAGE_MAP(ScrollBar, Panel)
MESSAGE_ENTRY("ScrollBarSliderMoved", OnSliderMoved, "position")
END_MESSAGE_MAP()

namespace {

// An arrow button at one end of a scroll bar; it steps on the press.
class ScrollBarButton : public Button {
  DECLARE_CLASS_SIMPLE(ScrollBarButton, Button);

 public:
  enum Direction { UP, DOWN, LEFT, RIGHT };

  ScrollBarButton(Panel *parent, const char *panelName, Direction direction, const char *command)
      : Button(parent, panelName, "", parent, command), m_Direction(direction) {
    SetButtonActivationType(ACTIVATE_ONPRESSED);
    SetKeyboardInputEnabled(false);
  }

 protected:
  void PaintBorder() override {}
  void Paint() override {
    surface()->DrawSetColor(Faded(IsEnabled() ? m_ArrowColor : theme::kTextDisabled));
    // A small filled triangle, row by row.
    const int size = 4;
    const int cx = GetWide() / 2, cy = GetTall() / 2;
    for (int i = 0; i < size; ++i) {
      switch (m_Direction) {
        case UP:
          surface()->DrawFilledRect(cx - i, cy - size / 2 + i, cx + i + 1, cy - size / 2 + i + 1);
          break;
        case DOWN:
          surface()->DrawFilledRect(cx - i, cy + size / 2 - i, cx + i + 1, cy + size / 2 - i + 1);
          break;
        case LEFT:
          surface()->DrawFilledRect(cx - size / 2 + i, cy - i, cx - size / 2 + i + 1, cy + i + 1);
          break;
        case RIGHT:
          surface()->DrawFilledRect(cx + size / 2 - i, cy - i, cx + size / 2 - i + 1, cy + i + 1);
          break;
      }
    }
  }
  void ApplySchemeSettings(IScheme *schemeInterface) override {
    BaseClass::ApplySchemeSettings(schemeInterface);
    m_ArrowColor = GetSchemeColor("ScrollBarButton.FgColor", theme::kScrollArrow, schemeInterface);
  }
  Color GetButtonBgColor() override {
    if (!IsEnabled()) return theme::kScrollTrack;
    return IsDepressed() ? theme::kAccentDark : IsArmed() ? theme::kScrollThumb : theme::kScrollTrack;
  }

 private:
  Direction m_Direction;
  Color m_ArrowColor;
};

DEFINE_EMPTY_MESSAGE_MAP(ScrollBarButton, Button)

}  // namespace

ScrollBar::ScrollBar(Panel *parent, const char *panelName, bool vertical)
    : Panel(parent, panelName), m_bVertical(vertical) {
  m_pSlider = new ScrollBarSlider(this, "Slider", vertical);
  m_pUpButton = new ScrollBarButton(this, "UpButton", vertical ? ScrollBarButton::UP : ScrollBarButton::LEFT,
                                    "ScrollUp");
  m_pDownButton = new ScrollBarButton(
      this, "DownButton", vertical ? ScrollBarButton::DOWN : ScrollBarButton::RIGHT, "ScrollDown");
  SetSize(vertical ? theme::kScrollBarWidth : 100, vertical ? 100 : theme::kScrollBarWidth);
}

void ScrollBar::SetValue(int value) {
  m_pSlider->SetValue(value);
}
int ScrollBar::GetValue() const {
  return m_pSlider->GetValue();
}
void ScrollBar::SetRange(int min, int max) {
  m_pSlider->SetRange(min, max);
}
void ScrollBar::GetRange(int &min, int &max) const {
  m_pSlider->GetRange(min, max);
}
void ScrollBar::SetRangeWindow(int window) {
  m_pSlider->SetRangeWindow(window);
}
int ScrollBar::GetRangeWindow() const {
  return m_pSlider->GetRangeWindow();
}
bool ScrollBar::IsSliderVisible() const {
  return m_pSlider->IsSliderVisible();
}

void ScrollBar::PerformLayout() {
  const int wide = GetWide(), tall = GetTall();
  const int button = m_bVertical ? wide : tall;
  if (m_bVertical) {
    m_pUpButton->SetBounds(0, 0, wide, button);
    m_pDownButton->SetBounds(0, tall - button, wide, button);
    m_pSlider->SetBounds(0, button, wide, tall - 2 * button);
  } else {
    m_pUpButton->SetBounds(0, 0, button, tall);
    m_pDownButton->SetBounds(wide - button, 0, button, tall);
    m_pSlider->SetBounds(button, 0, wide - 2 * button, tall);
  }
}

void ScrollBar::OnSizeChanged(int newWide, int newTall) {
  (void)newWide, (void)newTall;
  InvalidateLayout();
}

void ScrollBar::OnCommand(const char *command) {
  if (!V_stricmp(command, "ScrollUp")) {
    SetValue(GetValue() - m_nButtonStep);
  } else if (!V_stricmp(command, "ScrollDown")) {
    SetValue(GetValue() + m_nButtonStep);
  } else {
    BaseClass::OnCommand(command);
  }
}

void ScrollBar::OnMouseWheeled(int delta) {
  SetValue(GetValue() - delta * m_nButtonStep * 3);
}

void ScrollBar::OnSliderMoved(int position) {
  PostActionSignal(new KeyValues("ScrollBarSliderMoved", "position", position));
}

}  // namespace kgui
