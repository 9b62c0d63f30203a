// GraphPanel: a grid and the polyline of the values.
#include "kgui_controls/GraphPanel.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "DefaultTheme.h"
#include "kgui_controls/controls.h"
#include "kstdlib/strtools.h"
#include "tier1/KeyValues.h"

namespace kgui {

DEFINE_EMPTY_MESSAGE_MAP(GraphPanel, Panel)

namespace {
constexpr int kPixelsPerPoint = 4;
}

GraphPanel::GraphPanel(Panel *parent, const char *panelName) : Panel(parent, panelName) {}

void GraphPanel::AddDataPoint(float value) {
  if (!std::isfinite(value)) return;
  m_Values.push_back(value);
  const size_t capacity = static_cast<size_t>(std::max(2, GetWide() / kPixelsPerPoint + 1));
  while (m_Values.size() > capacity) m_Values.pop_front();
  Repaint();
}

void GraphPanel::SetDisplayedValueRange(float low, float high) {
  if (!(high > low)) return;
  m_flLow = low;
  m_flHigh = high;
  Repaint();
}

bool GraphPanel::ApplySingleSetting(KeyValues *setting) {
  if (!V_stricmp(setting->GetName(), "minvalue")) {
    SetDisplayedValueRange(setting->GetFloat(), m_flHigh);
  } else if (!V_stricmp(setting->GetName(), "maxvalue")) {
    SetDisplayedValueRange(m_flLow, setting->GetFloat());
  } else {
    return BaseClass::ApplySingleSetting(setting);
  }
  return true;
}

void GraphPanel::ApplySchemeSettings(IScheme *schemeInterface) {
  BaseClass::ApplySchemeSettings(schemeInterface);
  SetBgColor(GetSchemeColor("GraphPanel.BgColor", theme::kEntryBg, schemeInterface));
  m_LineColor = GetSchemeColor("GraphPanel.FgColor", theme::kAccent, schemeInterface);
  m_GridColor = GetSchemeColor("GraphPanel.GridColor", theme::kTabBg, schemeInterface);
}

void GraphPanel::PaintBackground() {
  BaseClass::PaintBackground();
  surface()->DrawSetColor(Faded(m_GridColor));
  for (int i = 1; i < 4; ++i) {
    const int y = GetTall() * i / 4;
    surface()->DrawFilledRect(0, y, GetWide(), y + 1);
  }
}

void GraphPanel::Paint() {
  const int count = static_cast<int>(m_Values.size());
  if (count < 2) return;
  std::vector<int> xs, ys;
  const int tall = GetTall() - 2;
  for (int i = 0; i < count; ++i) {
    const float fraction = std::clamp((m_Values[i] - m_flLow) / (m_flHigh - m_flLow), 0.0f, 1.0f);
    xs.push_back(GetWide() - 1 - (count - 1 - i) * kPixelsPerPoint);
    ys.push_back(1 + tall - static_cast<int>(std::lround(fraction * tall)));
  }
  surface()->DrawSetColor(Faded(m_LineColor));
  surface()->DrawPolyLine(xs.data(), ys.data(), count);
}

}  // namespace kgui
