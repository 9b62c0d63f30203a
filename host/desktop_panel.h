// The host's desktop: the panel under every top-level panel, painted in the scheme's desktop colour.
#pragma once

#include "kgui/IClientPanel.h"

namespace kguihost {

class CKGuiRuntime;

class CDesktopPanel final : public kgui::IClientPanel {
 public:
  explicit CDesktopPanel(CKGuiRuntime &runtime) : m_Runtime(runtime) {}
  void SetVPanel(kgui::VPANEL panel) { m_Panel = panel; }

  kgui::VPANEL GetVPanel() override { return m_Panel; }
  void Think() override {}
  void PerformLayout() override {}
  void Paint() override;
  void PostChildPaint() override {}
  void OnMessage(KeyValues *, kgui::VPANEL) override {}
  // The desktop lives as long as the runtime; nothing deletes it early.
  void DeletePanel() override {}
  const char *GetClassName() override { return "Desktop"; }
  void Describe(KeyValues *) override {}
  bool RequestInfo(KeyValues *) override { return false; }

 private:
  CKGuiRuntime &m_Runtime;
  kgui::VPANEL m_Panel = kgui::NULL_PANEL;
};

}  // namespace kguihost
