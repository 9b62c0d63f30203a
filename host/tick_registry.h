// Panels that asked for "Tick" messages and when each is next due.
#pragma once

#include <vector>

#include "kgui/kgui.h"

namespace kguihost {

class CTickRegistry {
 public:
  // Registers or changes the interval; the first tick comes one interval after `now`.
  void Add(kgui::VPANEL panel, int intervalMilliseconds, double now);
  void Remove(kgui::VPANEL panel);
  bool Contains(kgui::VPANEL panel) const;
  // The panels due at `now`, in registration order; their next due times move on by one interval
  // (or to one interval after `now` when they fell further behind).
  std::vector<kgui::VPANEL> TakeDue(double now);
  // When the next tick is due (a tick of interval 0 is due every frame); +infinity when none is
  // registered.
  double NextDue() const;

 private:
  struct Entry {
    kgui::VPANEL panel;
    double interval;
    double nextDue;
  };
  std::vector<Entry> m_Entries;
};

}  // namespace kguihost
