#include "host/host_kgui.h"

#include <cmath>

#include "host/kgui_runtime.h"
#include "tier0/dbg.h"
#include "tier1/KeyValues.h"

namespace kguihost {

bool CHostKGui::IsRunning() { return m_Runtime.IsRunning(); }

kgui::VPANEL CHostKGui::CreatePanel(kgui::IClientPanel *client) { return m_Runtime.Panels().Create(client)->id; }

void CHostKGui::FreePanel(kgui::VPANEL panel) { m_Runtime.ForgetPanel(panel); }

kgui::HPanel CHostKGui::PanelToHandle(kgui::VPANEL panel) {
  // Ids are never reused, so the id itself serves as the weak handle.
  return m_Runtime.Panels().Find(panel) ? panel : kgui::INVALID_PANEL_HANDLE;
}

kgui::VPANEL CHostKGui::HandleToPanel(kgui::HPanel handle) {
  if (handle == kgui::INVALID_PANEL_HANDLE) return kgui::NULL_PANEL;
  return m_Runtime.Panels().Find(handle) ? handle : kgui::NULL_PANEL;
}

void CHostKGui::MarkPanelForDeletion(kgui::VPANEL panel) { m_Runtime.MarkForDeletion(panel); }

void CHostKGui::PostMessage(kgui::VPANEL target, KeyValues *message, kgui::VPANEL from, float delaySeconds) {
  if (!message) return;
  if (!m_Runtime.Panels().Find(target)) {
    message->Destroy();
    return;
  }
  double delay = std::isfinite(delaySeconds) && delaySeconds > 0.0f ? delaySeconds : 0.0;
  m_Runtime.Messages().Post(target, message, from, m_Runtime.Now() + delay);
}

void CHostKGui::AddTickSignal(kgui::VPANEL panel, int intervalMilliseconds) {
  if (!m_Runtime.Panels().Find(panel)) return;
  m_Runtime.Ticks().Add(panel, intervalMilliseconds, m_Runtime.Now());
}

void CHostKGui::RemoveTickSignal(kgui::VPANEL panel) { m_Runtime.Ticks().Remove(panel); }

}  // namespace kguihost
