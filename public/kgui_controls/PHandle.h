// A weak reference to a toolkit panel: it reads null once the panel is deleted.
#pragma once

#include "kgui/kgui.h"

namespace kgui {

class Panel;

class PHandle {
 public:
  PHandle() = default;
  explicit PHandle(Panel *panel) { Set(panel); }

  // The panel, or null once it is gone (or for an empty handle).
  Panel *Get() const;
  Panel *Set(Panel *panel);

  operator Panel *() const { return Get(); }
  Panel *operator->() const { return Get(); }
  PHandle &operator=(Panel *panel) {
    Set(panel);
    return *this;
  }
  bool operator==(const PHandle &other) const { return m_iPanelID == other.m_iPanelID; }
  bool operator==(Panel *panel) const { return Get() == panel; }

 private:
  HPanel m_iPanelID = INVALID_PANEL_HANDLE;
};

// A weak reference to any host panel by id, toolkit or not.
class VPanelHandle {
 public:
  VPanelHandle() = default;
  explicit VPanelHandle(VPANEL panel) { Set(panel); }

  // The panel id, or 0 once it is gone.
  VPANEL Get() const;
  void Set(VPANEL panel);

 private:
  HPanel m_iPanelID = INVALID_PANEL_HANDLE;
};

}  // namespace kgui
