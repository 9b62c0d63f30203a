// ProgressBar: how much of a task is done, as a filled part of a bar ("progress" from 0 to 1).
#pragma once

#include "kgui_controls/Panel.h"

namespace kgui {

class ProgressBar : public Panel {
  DECLARE_CLASS_SIMPLE(ProgressBar, Panel);

 public:
  ProgressBar(Panel *parent, const char *panelName);

  // Kept between 0 and 1.
  void SetProgress(float progress);
  float GetProgress() const { return m_flProgress; }

  bool ApplySingleSetting(KeyValues *setting) override;
  void Describe(KeyValues *panelBlock) override;

 protected:
  void ApplySchemeSettings(IScheme *schemeInterface) override;
  void PaintBackground() override;
  void Paint() override;

 private:
  float m_flProgress = 0.0f;
  Color m_BarColor;
  Color m_TrackColor;
  Color m_BorderColor;
};

}  // namespace kgui
