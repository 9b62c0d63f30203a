// Weak references to panels through the host's handles.
#include "kgui_controls/PHandle.h"

#include "kgui_controls/Panel.h"
#include "kgui_controls/controls.h"

namespace kgui {

Panel *PHandle::Get() const {
  if (m_iPanelID == INVALID_PANEL_HANDLE || !ikgui()) return nullptr;
  return PanelFromVPanel(ikgui()->HandleToPanel(m_iPanelID));
}

Panel *PHandle::Set(Panel *panel) {
  m_iPanelID = (panel && ikgui()) ? ikgui()->PanelToHandle(panel->GetVPanel()) : INVALID_PANEL_HANDLE;
  return panel;
}

VPANEL VPanelHandle::Get() const {
  if (m_iPanelID == INVALID_PANEL_HANDLE || !ikgui()) return NULL_PANEL;
  return ikgui()->HandleToPanel(m_iPanelID);
}

void VPanelHandle::Set(VPANEL panel) {
  m_iPanelID = (panel != NULL_PANEL && ikgui()) ? ikgui()->PanelToHandle(panel) : INVALID_PANEL_HANDLE;
}

}  // namespace kgui
