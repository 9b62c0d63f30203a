// IKGui of the host: panel ids and handles, posting, ticks and deletion at a safe point.
#pragma once

#include "kgui/IKGui.h"

namespace kguihost {

class CKGuiRuntime;

class CHostKGui final : public kgui::IKGui {
 public:
  explicit CHostKGui(CKGuiRuntime &runtime) : m_Runtime(runtime) {}

  void SetInterfaceProvider(InterfaceProvider *provider) override { m_pProvider = provider; }
  InterfaceProvider *GetInterfaceProvider() const { return m_pProvider; }
  bool IsRunning() override;
  kgui::VPANEL CreatePanel(kgui::IClientPanel *client) override;
  void FreePanel(kgui::VPANEL panel) override;
  kgui::HPanel PanelToHandle(kgui::VPANEL panel) override;
  kgui::VPANEL HandleToPanel(kgui::HPanel handle) override;
  void MarkPanelForDeletion(kgui::VPANEL panel) override;
  void PostMessage(kgui::VPANEL target, KeyValues *message, kgui::VPANEL from, float delaySeconds) override;
  void AddTickSignal(kgui::VPANEL panel, int intervalMilliseconds) override;
  void RemoveTickSignal(kgui::VPANEL panel) override;

 private:
  CKGuiRuntime &m_Runtime;
  InterfaceProvider *m_pProvider = nullptr;
};

}  // namespace kguihost
