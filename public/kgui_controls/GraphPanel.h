// GraphPanel: a line graph of the latest values, newest at the right.
#pragma once

#include <deque>

#include "kgui_controls/Panel.h"

namespace kgui {

class GraphPanel : public Panel {
  DECLARE_CLASS_SIMPLE(GraphPanel, Panel);

 public:
  GraphPanel(Panel *parent, const char *panelName);

  // Appends a value; only as many as fit the width are kept.
  void AddDataPoint(float value);
  int GetDataPointCount() const { return static_cast<int>(m_Values.size()); }
  // The values at the bottom and top edges ("minvalue", "maxvalue").
  void SetDisplayedValueRange(float low, float high);

  bool ApplySingleSetting(KeyValues *setting) override;

 protected:
  void ApplySchemeSettings(IScheme *schemeInterface) override;
  void PaintBackground() override;
  void Paint() override;

 private:
  std::deque<float> m_Values;
  float m_flLow = 0.0f;
  float m_flHigh = 100.0f;
  Color m_LineColor;
  Color m_GridColor;
};

}  // namespace kgui
