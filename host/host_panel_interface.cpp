#include "host/host_panel_interface.h"

#include <algorithm>

#include "host/kgui_runtime.h"
#include "kgui/IClientPanel.h"
#include "kstdlib/strtools.h"
#include "tier0/dbg.h"

namespace kguihost {

CHostPanel *CHostPanelInterface::Find(kgui::VPANEL panel) const {
  return m_Runtime.Panels().Find(panel);
}

void CHostPanelInterface::SetPos(kgui::VPANEL panel, int x, int y) {
  CHostPanel *p = Find(panel);
  if (!p || (p->x == x && p->y == y)) return;
  // Where it was and where it is now.
  m_Runtime.InvalidatePanel(p);
  p->x = x;
  p->y = y;
  m_Runtime.InvalidatePanel(p);
}

void CHostPanelInterface::GetPos(kgui::VPANEL panel, int &x, int &y) {
  CHostPanel *p = Find(panel);
  x = p ? p->x : 0;
  y = p ? p->y : 0;
}

void CHostPanelInterface::SetSize(kgui::VPANEL panel, int wide, int tall) {
  CHostPanel *p = Find(panel);
  if (!p) return;
  wide = std::max({wide, p->minWide, 0});
  tall = std::max({tall, p->minTall, 0});
  if (wide == p->wide && tall == p->tall) return;
  m_Runtime.InvalidatePanel(p);
  p->wide = wide;
  p->tall = tall;
  p->layoutDirty = true;
  m_Runtime.InvalidatePanel(p);
}

void CHostPanelInterface::GetSize(kgui::VPANEL panel, int &wide, int &tall) {
  CHostPanel *p = Find(panel);
  wide = p ? p->wide : 0;
  tall = p ? p->tall : 0;
}

void CHostPanelInterface::SetMinimumSize(kgui::VPANEL panel, int wide, int tall) {
  CHostPanel *p = Find(panel);
  if (!p) return;
  p->minWide = std::max(wide, 0);
  p->minTall = std::max(tall, 0);
  SetSize(panel, p->wide, p->tall);
}

void CHostPanelInterface::GetMinimumSize(kgui::VPANEL panel, int &wide, int &tall) {
  CHostPanel *p = Find(panel);
  wide = p ? p->minWide : 0;
  tall = p ? p->minTall : 0;
}

void CHostPanelInterface::SetInset(kgui::VPANEL panel, int left, int top, int right, int bottom) {
  if (CHostPanel *p = Find(panel)) {
    p->insetLeft = left;
    p->insetTop = top;
    p->insetRight = right;
    p->insetBottom = bottom;
  }
}

void CHostPanelInterface::GetInset(kgui::VPANEL panel, int &left, int &top, int &right, int &bottom) {
  CHostPanel *p = Find(panel);
  left = p ? p->insetLeft : 0;
  top = p ? p->insetTop : 0;
  right = p ? p->insetRight : 0;
  bottom = p ? p->insetBottom : 0;
}

void CHostPanelInterface::GetAbsPos(kgui::VPANEL panel, int &x, int &y) {
  x = y = 0;
  if (CHostPanel *p = Find(panel)) m_Runtime.Panels().AbsPos(p, x, y);
}

void CHostPanelInterface::GetClipRect(kgui::VPANEL panel, int &x0, int &y0, int &x1, int &y1) {
  CRect clip;
  if (CHostPanel *p = Find(panel)) clip = m_Runtime.Panels().ClipRect(p);
  x0 = clip.x0;
  y0 = clip.y0;
  x1 = clip.x1;
  y1 = clip.y1;
}

void CHostPanelInterface::SetZPos(kgui::VPANEL panel, int z) {
  CHostPanel *p = Find(panel);
  if (!p || p->zpos == z) return;
  m_Runtime.Panels().SetZPos(p, z);
  m_Runtime.InvalidatePanel(p);
}

int CHostPanelInterface::GetZPos(kgui::VPANEL panel) {
  CHostPanel *p = Find(panel);
  return p ? p->zpos : 0;
}

void CHostPanelInterface::MoveToFront(kgui::VPANEL panel) {
  CHostPanel *p = Find(panel);
  if (!p) return;
  m_Runtime.Panels().MoveToFront(p);
  m_Runtime.InvalidatePanel(p);
}

void CHostPanelInterface::MoveToBack(kgui::VPANEL panel) {
  CHostPanel *p = Find(panel);
  if (!p) return;
  m_Runtime.Panels().MoveToBack(p);
  // What was behind it may now cover it.
  m_Runtime.InvalidatePanel(p);
}

void CHostPanelInterface::SetVisible(kgui::VPANEL panel, bool state) {
  CHostPanel *p = Find(panel);
  if (!p || p->visible == state) return;
  m_Runtime.InvalidatePanel(p);
  p->visible = state;
  m_Runtime.InvalidatePanel(p);
  if (!state) m_Runtime.Input().OnPanelHidden(p);
}

bool CHostPanelInterface::IsVisible(kgui::VPANEL panel) {
  CHostPanel *p = Find(panel);
  return p && p->visible;
}

bool CHostPanelInterface::IsFullyVisible(kgui::VPANEL panel) {
  CHostPanel *p = Find(panel);
  return p && m_Runtime.Panels().IsShown(p);
}

void CHostPanelInterface::SetEnabled(kgui::VPANEL panel, bool state) {
  CHostPanel *p = Find(panel);
  if (!p || p->enabled == state) return;
  p->enabled = state;
  m_Runtime.InvalidatePanel(p);
}

bool CHostPanelInterface::IsEnabled(kgui::VPANEL panel) {
  CHostPanel *p = Find(panel);
  return p && p->enabled;
}

void CHostPanelInterface::SetMouseInputEnabled(kgui::VPANEL panel, bool state) {
  if (CHostPanel *p = Find(panel)) p->mouseInput = state;
}

bool CHostPanelInterface::IsMouseInputEnabled(kgui::VPANEL panel) {
  CHostPanel *p = Find(panel);
  return p && p->mouseInput;
}

void CHostPanelInterface::SetKeyboardInputEnabled(kgui::VPANEL panel, bool state) {
  CHostPanel *p = Find(panel);
  if (!p) return;
  p->keyboardInput = state;
  if (!state && m_Runtime.Input().GetFocus() == panel) m_Runtime.Input().SetFocus(kgui::NULL_PANEL);
}

bool CHostPanelInterface::IsKeyboardInputEnabled(kgui::VPANEL panel) {
  CHostPanel *p = Find(panel);
  return p && p->keyboardInput;
}

bool CHostPanelInterface::IsPopup(kgui::VPANEL panel) {
  CHostPanel *p = Find(panel);
  return p && p->popup;
}

void CHostPanelInterface::SetTopmostPopup(kgui::VPANEL panel, bool state) {
  CHostPanel *p = Find(panel);
  if (!p) return;
  m_Runtime.Panels().SetTopmost(p, state);
  m_Runtime.InvalidatePanel(p);
}

bool CHostPanelInterface::IsTopmostPopup(kgui::VPANEL panel) {
  CHostPanel *p = Find(panel);
  return p && p->topmost;
}

void CHostPanelInterface::SetParent(kgui::VPANEL panel, kgui::VPANEL newParent) {
  CHostPanel *p = Find(panel);
  if (!p) return;
  CHostPanel *parent = Find(newParent);
  m_Runtime.InvalidatePanel(p);
  if (!m_Runtime.Panels().SetParent(p, parent)) {
    AssertMsg(false, "Assertion Failed: a panel cannot become a child of its own subtree");
  }
  m_Runtime.InvalidatePanel(p);
}

kgui::VPANEL CHostPanelInterface::GetParent(kgui::VPANEL panel) {
  CHostPanel *p = Find(panel);
  return p && p->parent ? p->parent->id : kgui::NULL_PANEL;
}

int CHostPanelInterface::GetChildCount(kgui::VPANEL panel) {
  CHostPanel *p = Find(panel);
  return p ? static_cast<int>(p->children.size()) : 0;
}

kgui::VPANEL CHostPanelInterface::GetChild(kgui::VPANEL panel, int index) {
  CHostPanel *p = Find(panel);
  if (!p || index < 0 || index >= static_cast<int>(p->children.size())) return kgui::NULL_PANEL;
  return p->children[index]->id;
}

bool CHostPanelInterface::HasParent(kgui::VPANEL panel, kgui::VPANEL potentialParent) {
  CHostPanel *p = Find(panel);
  CHostPanel *ancestor = Find(potentialParent);
  return p && ancestor && CPanelRegistry::HasAncestor(p, ancestor);
}

kgui::VPANEL CHostPanelInterface::FindChildByName(kgui::VPANEL panel, const char *name, bool recurse) {
  CHostPanel *p = Find(panel);
  if (!p || !name) return kgui::NULL_PANEL;
  for (CHostPanel *child : p->children) {
    if (V_stricmp(child->name.c_str(), name) == 0) return child->id;
    if (recurse) {
      if (kgui::VPANEL found = FindChildByName(child->id, name, true)) return found;
    }
  }
  return kgui::NULL_PANEL;
}

void CHostPanelInterface::SetName(kgui::VPANEL panel, const char *name) {
  if (CHostPanel *p = Find(panel)) p->name = name ? name : "";
}

const char *CHostPanelInterface::GetName(kgui::VPANEL panel) {
  CHostPanel *p = Find(panel);
  return p ? p->name.c_str() : "";
}

const char *CHostPanelInterface::GetClassName(kgui::VPANEL panel) {
  CHostPanel *p = Find(panel);
  if (!p || !p->client) return "";
  const char *name = p->client->GetClassName();
  return name ? name : "";
}

kgui::IClientPanel *CHostPanelInterface::Client(kgui::VPANEL panel) {
  CHostPanel *p = Find(panel);
  return p ? p->client : nullptr;
}

void CHostPanelInterface::InvalidateLayout(kgui::VPANEL panel, bool layoutNow) {
  CHostPanel *p = Find(panel);
  if (!p) return;
  p->layoutDirty = true;
  if (layoutNow) m_Runtime.LayoutPanel(p);
}

void CHostPanelInterface::Repaint(kgui::VPANEL panel) {
  m_Runtime.InvalidatePanel(Find(panel));
}

void CHostPanelInterface::SendMessage(kgui::VPANEL target, KeyValues *message, kgui::VPANEL from) {
  CHostPanel *p = Find(target);
  if (p && p->client && message) p->client->OnMessage(message, from);
}

bool CHostPanelInterface::RequestInfo(kgui::VPANEL panel, KeyValues *outputData) {
  CHostPanel *p = Find(panel);
  return p && p->client && outputData && p->client->RequestInfo(outputData);
}

}  // namespace kguihost
