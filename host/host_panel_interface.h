// IPanel of the host: per-panel state kept in the panel registry.
#pragma once

#include "kgui/IPanel.h"

namespace kguihost {

class CKGuiRuntime;
struct CHostPanel;

class CHostPanelInterface final : public kgui::IPanel {
 public:
  explicit CHostPanelInterface(CKGuiRuntime &runtime) : m_Runtime(runtime) {}

  void SetPos(kgui::VPANEL panel, int x, int y) override;
  void GetPos(kgui::VPANEL panel, int &x, int &y) override;
  void SetSize(kgui::VPANEL panel, int wide, int tall) override;
  void GetSize(kgui::VPANEL panel, int &wide, int &tall) override;
  void SetMinimumSize(kgui::VPANEL panel, int wide, int tall) override;
  void GetMinimumSize(kgui::VPANEL panel, int &wide, int &tall) override;
  void SetInset(kgui::VPANEL panel, int left, int top, int right, int bottom) override;
  void GetInset(kgui::VPANEL panel, int &left, int &top, int &right, int &bottom) override;
  void GetAbsPos(kgui::VPANEL panel, int &x, int &y) override;
  void GetClipRect(kgui::VPANEL panel, int &x0, int &y0, int &x1, int &y1) override;
  void SetZPos(kgui::VPANEL panel, int z) override;
  int GetZPos(kgui::VPANEL panel) override;
  void MoveToFront(kgui::VPANEL panel) override;
  void MoveToBack(kgui::VPANEL panel) override;
  void SetVisible(kgui::VPANEL panel, bool state) override;
  bool IsVisible(kgui::VPANEL panel) override;
  bool IsFullyVisible(kgui::VPANEL panel) override;
  void SetEnabled(kgui::VPANEL panel, bool state) override;
  bool IsEnabled(kgui::VPANEL panel) override;
  void SetMouseInputEnabled(kgui::VPANEL panel, bool state) override;
  bool IsMouseInputEnabled(kgui::VPANEL panel) override;
  void SetKeyboardInputEnabled(kgui::VPANEL panel, bool state) override;
  bool IsKeyboardInputEnabled(kgui::VPANEL panel) override;
  bool IsPopup(kgui::VPANEL panel) override;
  void SetTopmostPopup(kgui::VPANEL panel, bool state) override;
  bool IsTopmostPopup(kgui::VPANEL panel) override;
  void SetParent(kgui::VPANEL panel, kgui::VPANEL newParent) override;
  kgui::VPANEL GetParent(kgui::VPANEL panel) override;
  int GetChildCount(kgui::VPANEL panel) override;
  kgui::VPANEL GetChild(kgui::VPANEL panel, int index) override;
  bool HasParent(kgui::VPANEL panel, kgui::VPANEL potentialParent) override;
  kgui::VPANEL FindChildByName(kgui::VPANEL panel, const char *name, bool recurse) override;
  void SetName(kgui::VPANEL panel, const char *name) override;
  const char *GetName(kgui::VPANEL panel) override;
  const char *GetClassName(kgui::VPANEL panel) override;
  kgui::IClientPanel *Client(kgui::VPANEL panel) override;
  void InvalidateLayout(kgui::VPANEL panel, bool layoutNow) override;
  void Repaint(kgui::VPANEL panel) override;
  void SendMessage(kgui::VPANEL target, KeyValues *message, kgui::VPANEL from) override;
  bool RequestInfo(kgui::VPANEL panel, KeyValues *outputData) override;

 private:
  CHostPanel *Find(kgui::VPANEL panel) const;

  CKGuiRuntime &m_Runtime;
};

}  // namespace kguihost
