// ScrollBarSlider: value, range and window; the thumb and the track under the mouse.
#include "kgui_controls/ScrollBarSlider.h"

#include <algorithm>

#include "DefaultTheme.h"
#include "kgui_controls/controls.h"
#include "tier1/KeyValues.h"

namespace kgui {

DEFINE_EMPTY_MESSAGE_MAP(ScrollBarSlider, Panel)

namespace {
constexpr int kMinimumNobLength = 16;
}

ScrollBarSlider::ScrollBarSlider(Panel *parent, const char *panelName, bool vertical)
    : Panel(parent, panelName), m_bVertical(vertical) {}

void ScrollBarSlider::SetRange(int min, int max) {
  m_nRangeMin = min;
  m_nRangeMax = std::max(min, max);
  SetValue(m_nValue);
  Repaint();
}

void ScrollBarSlider::GetRange(int &min, int &max) const {
  min = m_nRangeMin;
  max = m_nRangeMax;
}

void ScrollBarSlider::SetRangeWindow(int window) {
  m_nRangeWindow = std::max(0, window);
  SetValue(m_nValue);
  Repaint();
}

int ScrollBarSlider::GetMaxValue() const {
  return std::max(m_nRangeMin, m_nRangeMax - m_nRangeWindow);
}

bool ScrollBarSlider::IsSliderVisible() const {
  return m_nRangeWindow < m_nRangeMax - m_nRangeMin;
}

void ScrollBarSlider::SetValue(int value) {
  value = std::clamp(value, m_nRangeMin, GetMaxValue());
  if (value == m_nValue) return;
  m_nValue = value;
  Repaint();
  SendSliderMoved();
}

void ScrollBarSlider::SendSliderMoved() {
  if (Panel *parent = GetParent()) {
    KeyValues *message = new KeyValues("ScrollBarSliderMoved", "position", m_nValue);
    SendMessage(parent->GetVPanel(), message);
    message->Destroy();
  }
}

int ScrollBarSlider::TrackLength() {
  return m_bVertical ? GetTall() : GetWide();
}

void ScrollBarSlider::GetNobPos(int &start, int &end) {
  const int track = TrackLength();
  const int range = m_nRangeMax - m_nRangeMin;
  if (range <= 0 || !IsSliderVisible()) {
    start = 0;
    end = track;
    return;
  }
  const int length = std::clamp(static_cast<int>(static_cast<int64>(track) * m_nRangeWindow / range),
                                std::min(kMinimumNobLength, track), track);
  const int travel = track - length;
  const int span = GetMaxValue() - m_nRangeMin;
  start = span > 0 ? static_cast<int>(static_cast<int64>(travel) * (m_nValue - m_nRangeMin) / span) : 0;
  end = start + length;
}

void ScrollBarSlider::OnMousePressed(MouseCode code) {
  if (code != MOUSE_LEFT || !IsEnabled() || !IsSliderVisible()) return;
  int x = 0, y = 0;
  input()->GetCursorPos(x, y);
  ScreenToLocal(x, y);
  const int along = m_bVertical ? y : x;
  int start = 0, end = 0;
  GetNobPos(start, end);
  if (along < start) {
    SetValue(m_nValue - std::max(1, m_nRangeWindow));
  } else if (along >= end) {
    SetValue(m_nValue + std::max(1, m_nRangeWindow));
  } else {
    m_bDragging = true;
    m_nDragOffset = along - start;
    input()->SetMouseCapture(GetVPanel());
  }
}

void ScrollBarSlider::OnMouseReleased(MouseCode code) {
  if (code != MOUSE_LEFT || !m_bDragging) return;
  m_bDragging = false;
  if (input()->GetMouseCapture() == GetVPanel()) input()->SetMouseCapture(NULL_PANEL);
}

void ScrollBarSlider::OnCursorMoved(int x, int y) {
  Repaint();
  if (!m_bDragging) return;
  int start = 0, end = 0;
  GetNobPos(start, end);
  const int travel = TrackLength() - (end - start);
  if (travel <= 0) return;
  const int position = std::clamp((m_bVertical ? y : x) - m_nDragOffset, 0, travel);
  const int span = GetMaxValue() - m_nRangeMin;
  SetValue(m_nRangeMin + static_cast<int>((static_cast<int64>(position) * span + travel / 2) / travel));
}

void ScrollBarSlider::ApplySchemeSettings(IScheme *schemeInterface) {
  BaseClass::ApplySchemeSettings(schemeInterface);
  m_TrackColor = GetSchemeColor("ScrollBarSlider.BgColor", theme::kScrollTrack, schemeInterface);
  m_NobColor = GetSchemeColor("ScrollBarSlider.FgColor", theme::kScrollThumb, schemeInterface);
  m_NobHoverColor = GetSchemeColor("ScrollBarSlider.ArmedFgColor", theme::kScrollThumbHover, schemeInterface);
}

void ScrollBarSlider::Paint() {
  surface()->DrawSetColor(Faded(m_TrackColor));
  surface()->DrawFilledRect(0, 0, GetWide(), GetTall());
  if (!IsSliderVisible() || !IsEnabled()) return;
  int start = 0, end = 0;
  GetNobPos(start, end);
  surface()->DrawSetColor(Faded(m_bDragging || IsCursorOver() ? m_NobHoverColor : m_NobColor));
  if (m_bVertical)
    surface()->DrawFilledRect(3, start + 1, GetWide() - 3, end - 1);
  else
    surface()->DrawFilledRect(start + 1, 3, end - 1, GetTall() - 3);
}

}  // namespace kgui
