// ProgressBar: a track with the done part filled.
#include "kgui_controls/ProgressBar.h"

#include <algorithm>
#include <cmath>

#include "DefaultTheme.h"
#include "kgui_controls/controls.h"
#include "kstdlib/strtools.h"
#include "tier1/KeyValues.h"

namespace kgui {

DEFINE_EMPTY_MESSAGE_MAP(ProgressBar, Panel)

ProgressBar::ProgressBar(Panel *parent, const char *panelName) : Panel(parent, panelName) {}

void ProgressBar::SetProgress(float progress) {
  m_flProgress = std::isfinite(progress) ? std::clamp(progress, 0.0f, 1.0f) : 0.0f;
  Repaint();
}

bool ProgressBar::ApplySingleSetting(KeyValues *setting) {
  if (V_stricmp(setting->GetName(), "progress")) return BaseClass::ApplySingleSetting(setting);
  SetProgress(setting->GetFloat());
  return true;
}

void ProgressBar::Describe(KeyValues *panelBlock) {
  panelBlock->SetFloat("progress", m_flProgress);
}

void ProgressBar::ApplySchemeSettings(IScheme *schemeInterface) {
  BaseClass::ApplySchemeSettings(schemeInterface);
  m_BarColor = GetSchemeColor("ProgressBar.FgColor", theme::kProgress, schemeInterface);
  m_TrackColor = GetSchemeColor("ProgressBar.BgColor", theme::kEntryBg, schemeInterface);
  m_BorderColor = GetSchemeColor("ProgressBar.BorderColor", theme::kEntryBorder, schemeInterface);
}

void ProgressBar::PaintBackground() {
  surface()->DrawSetColor(Faded(m_TrackColor));
  surface()->DrawFilledRect(0, 0, GetWide(), GetTall());
}

void ProgressBar::Paint() {
  const int inner = GetWide() - 4;
  const int done = static_cast<int>(std::lround(inner * m_flProgress));
  surface()->DrawSetColor(Faded(IsEnabled() ? m_BarColor : theme::kTextDisabled));
  surface()->DrawFilledRect(2, 2, 2 + done, GetTall() - 2);
  surface()->DrawSetColor(Faded(m_BorderColor));
  surface()->DrawOutlinedRect(0, 0, GetWide(), GetTall());
}

}  // namespace kgui
