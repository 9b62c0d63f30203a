// Every panel the host knows: ids, weak handles, the tree, the desktop and the popup order.
#pragma once

#include <memory>
#include <unordered_map>
#include <vector>

#include "host/host_panel.h"

namespace kguihost {

class CPanelRegistry {
 public:
  CPanelRegistry();
  ~CPanelRegistry();
  CPanelRegistry(const CPanelRegistry &) = delete;
  CPanelRegistry &operator=(const CPanelRegistry &) = delete;

  // A new panel with the next unused id.
  CHostPanel *Create(kgui::IClientPanel *client);
  // Forgets the panel: detaches it from its parent and the popup order and orphans its children.
  void Free(kgui::VPANEL id);
  // The live panel of an id, or null.
  CHostPanel *Find(kgui::VPANEL id) const;
  size_t Count() const { return m_Panels.size(); }
  // Ids of every live panel, oldest first.
  std::vector<kgui::VPANEL> LiveIds() const;

  // The desktop covering the screen (a host panel with the given client).
  CHostPanel *Root() const { return m_pRoot; }
  void SetRoot(CHostPanel *root) { m_pRoot = root; }

  // --- tree
  // False (nothing changes) when `parent` lies in the panel's own subtree.
  bool SetParent(CHostPanel *panel, CHostPanel *parent);
  void SetZPos(CHostPanel *panel, int z);
  void MoveToFront(CHostPanel *panel);
  void MoveToBack(CHostPanel *panel);
  static bool HasAncestor(const CHostPanel *panel, const CHostPanel *ancestor);

  // --- popups, back to front (topmost ones after the others)
  void MakePopup(CHostPanel *panel);
  void MovePopupToFront(CHostPanel *panel);
  void MovePopupToBack(CHostPanel *panel);
  void SetTopmost(CHostPanel *panel, bool state);
  const std::vector<CHostPanel *> &Popups() const { return m_Popups; }
  // The popup the panel belongs to (itself when it is one), or null.
  static CHostPanel *OwningPopup(CHostPanel *panel);

  // --- geometry and visibility in screen pixels
  // Shown on screen: it and its parents visible up to the desktop (popups: up to their parent,
  // and not minimised). Panels outside the desktop's tree are never shown.
  bool IsShown(const CHostPanel *panel) const;
  void AbsPos(const CHostPanel *panel, int &x, int &y) const;
  CRect ClipRect(const CHostPanel *panel) const;
  CRect ScreenRect() const;

 private:
  void InsertChild(CHostPanel *parent, CHostPanel *child);
  static void RemoveChild(CHostPanel *parent, CHostPanel *child);
  void InsertPopup(CHostPanel *panel);
  void RemovePopup(CHostPanel *panel);

  std::unordered_map<kgui::VPANEL, std::unique_ptr<CHostPanel>> m_Panels;
  std::vector<CHostPanel *> m_Popups;
  CHostPanel *m_pRoot = nullptr;
  kgui::VPANEL m_NextId = 1;
};

}  // namespace kguihost
