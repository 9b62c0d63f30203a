// Divider: a thin etched line that separates groups of controls; horizontal when the panel is
// wider than tall.
#pragma once

#include "kgui_controls/Panel.h"

namespace kgui {

class Divider : public Panel {
  DECLARE_CLASS_SIMPLE(Divider, Panel);

 public:
  Divider(Panel *parent, const char *panelName);

 protected:
  void ApplySchemeSettings(IScheme *schemeInterface) override;
  void Paint() override;

 private:
  Color m_DarkColor;
  Color m_LightColor;
};

}  // namespace kgui
