#include "host/panel_registry.h"

#include <algorithm>

namespace kguihost {

CRect CRect::Intersect(const CRect &other) const {
  CRect result{std::max(x0, other.x0), std::max(y0, other.y0), std::min(x1, other.x1),
               std::min(y1, other.y1)};
  if (result.IsEmpty()) result = CRect{result.x0, result.y0, result.x0, result.y0};
  return result;
}

CRect CRect::Union(const CRect &other) const {
  if (other.IsEmpty()) return *this;
  if (IsEmpty()) return other;
  return CRect{std::min(x0, other.x0), std::min(y0, other.y0), std::max(x1, other.x1),
               std::max(y1, other.y1)};
}

CPanelRegistry::CPanelRegistry() = default;
CPanelRegistry::~CPanelRegistry() = default;

CHostPanel *CPanelRegistry::Create(kgui::IClientPanel *client) {
  // Ids are never reused, so a stale id or handle can never reach a newer panel.
  while (m_NextId == kgui::NULL_PANEL || m_NextId == kgui::INVALID_PANEL_HANDLE || m_Panels.count(m_NextId)) {
    ++m_NextId;
  }
  auto panel = std::make_unique<CHostPanel>();
  panel->id = m_NextId++;
  panel->client = client;
  CHostPanel *raw = panel.get();
  m_Panels.emplace(raw->id, std::move(panel));
  return raw;
}

void CPanelRegistry::Free(kgui::VPANEL id) {
  auto it = m_Panels.find(id);
  if (it == m_Panels.end()) return;
  CHostPanel *panel = it->second.get();
  if (panel->parent) RemoveChild(panel->parent, panel);
  for (CHostPanel *child : panel->children) child->parent = nullptr;
  if (panel->popup) RemovePopup(panel);
  if (m_pRoot == panel) m_pRoot = nullptr;
  m_Panels.erase(it);
}

CHostPanel *CPanelRegistry::Find(kgui::VPANEL id) const {
  auto it = m_Panels.find(id);
  return it == m_Panels.end() ? nullptr : it->second.get();
}

std::vector<kgui::VPANEL> CPanelRegistry::LiveIds() const {
  std::vector<kgui::VPANEL> ids;
  ids.reserve(m_Panels.size());
  for (const auto &entry : m_Panels) ids.push_back(entry.first);
  std::sort(ids.begin(), ids.end());
  return ids;
}

bool CPanelRegistry::HasAncestor(const CHostPanel *panel, const CHostPanel *ancestor) {
  for (const CHostPanel *p = panel; p; p = p->parent) {
    if (p == ancestor) return true;
  }
  return false;
}

bool CPanelRegistry::SetParent(CHostPanel *panel, CHostPanel *parent) {
  if (parent && HasAncestor(parent, panel)) return false;
  if (panel->parent == parent) return true;
  if (panel->parent) RemoveChild(panel->parent, panel);
  panel->parent = parent;
  if (parent) InsertChild(parent, panel);
  return true;
}

void CPanelRegistry::InsertChild(CHostPanel *parent, CHostPanel *child) {
  // After every sibling of the same or lower z: the newest comes in front.
  auto &kids = parent->children;
  auto pos = std::upper_bound(kids.begin(), kids.end(), child->zpos,
                              [](int z, const CHostPanel *p) { return z < p->zpos; });
  kids.insert(pos, child);
}

void CPanelRegistry::RemoveChild(CHostPanel *parent, CHostPanel *child) {
  auto &kids = parent->children;
  kids.erase(std::remove(kids.begin(), kids.end(), child), kids.end());
}

void CPanelRegistry::SetZPos(CHostPanel *panel, int z) {
  panel->zpos = z;
  if (!panel->parent) return;
  RemoveChild(panel->parent, panel);
  InsertChild(panel->parent, panel);
}

void CPanelRegistry::MoveToFront(CHostPanel *panel) {
  if (panel->popup) MovePopupToFront(panel);
  if (!panel->parent) return;
  RemoveChild(panel->parent, panel);
  InsertChild(panel->parent, panel);
}

void CPanelRegistry::MoveToBack(CHostPanel *panel) {
  if (panel->popup) MovePopupToBack(panel);
  if (!panel->parent) return;
  auto &kids = panel->parent->children;
  RemoveChild(panel->parent, panel);
  auto pos = std::lower_bound(kids.begin(), kids.end(), panel->zpos,
                              [](const CHostPanel *p, int z) { return p->zpos < z; });
  kids.insert(pos, panel);
}

void CPanelRegistry::MakePopup(CHostPanel *panel) {
  if (panel->popup) {
    MovePopupToFront(panel);
    return;
  }
  panel->popup = true;
  InsertPopup(panel);
}

void CPanelRegistry::InsertPopup(CHostPanel *panel) {
  // In front of every popup of its kind: topmost popups stay after the others.
  auto pos = m_Popups.end();
  if (!panel->topmost) {
    pos = std::find_if(m_Popups.begin(), m_Popups.end(), [](const CHostPanel *p) { return p->topmost; });
  }
  m_Popups.insert(pos, panel);
}

void CPanelRegistry::RemovePopup(CHostPanel *panel) {
  m_Popups.erase(std::remove(m_Popups.begin(), m_Popups.end(), panel), m_Popups.end());
}

void CPanelRegistry::MovePopupToFront(CHostPanel *panel) {
  if (!panel->popup) return;
  RemovePopup(panel);
  InsertPopup(panel);
}

void CPanelRegistry::MovePopupToBack(CHostPanel *panel) {
  if (!panel->popup) return;
  RemovePopup(panel);
  auto pos = m_Popups.begin();
  if (panel->topmost) {
    pos = std::find_if(m_Popups.begin(), m_Popups.end(), [](const CHostPanel *p) { return p->topmost; });
  }
  m_Popups.insert(pos, panel);
}

void CPanelRegistry::SetTopmost(CHostPanel *panel, bool state) {
  panel->topmost = state;
  MovePopupToFront(panel);
}

CHostPanel *CPanelRegistry::OwningPopup(CHostPanel *panel) {
  for (CHostPanel *p = panel; p; p = p->parent) {
    if (p->popup) return p;
  }
  return nullptr;
}

bool CPanelRegistry::IsShown(const CHostPanel *panel) const {
  for (const CHostPanel *p = panel; p; p = p->parent) {
    if (!p->visible) return false;
    if (p == m_pRoot) return true;
    if (p->popup) {
      if (p->minimized) return false;
      // A popup without a parent floats on the desktop.
      if (!p->parent) return m_pRoot != nullptr;
    }
  }
  return false;
}

void CPanelRegistry::AbsPos(const CHostPanel *panel, int &x, int &y) const {
  x = 0;
  y = 0;
  for (const CHostPanel *p = panel; p; p = p->parent) {
    x += p->x;
    y += p->y;
    if (p->popup) break;
  }
}

CRect CPanelRegistry::ScreenRect() const {
  if (!m_pRoot) return CRect{};
  return CRect{0, 0, m_pRoot->wide, m_pRoot->tall};
}

CRect CPanelRegistry::ClipRect(const CHostPanel *panel) const {
  int x = 0;
  int y = 0;
  AbsPos(panel, x, y);
  CRect own{x, y, x + panel->wide, y + panel->tall};
  if (panel == m_pRoot || panel->popup || !panel->parent) return own.Intersect(ScreenRect());
  return own.Intersect(ClipRect(panel->parent));
}

}  // namespace kguihost
