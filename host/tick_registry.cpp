#include "host/tick_registry.h"

#include <algorithm>
#include <limits>

namespace kguihost {

namespace {
// Clocks that advance in frame steps sum fractions that land a hair short of a deadline.
constexpr double kTolerance = 1e-6;
}  // namespace

void CTickRegistry::Add(kgui::VPANEL panel, int intervalMilliseconds, double now) {
  double interval = std::max(intervalMilliseconds, 0) / 1000.0;
  for (Entry &entry : m_Entries) {
    if (entry.panel == panel) {
      entry.interval = interval;
      entry.nextDue = now + interval;
      return;
    }
  }
  m_Entries.push_back(Entry{panel, interval, now + interval});
}

void CTickRegistry::Remove(kgui::VPANEL panel) {
  m_Entries.erase(std::remove_if(m_Entries.begin(), m_Entries.end(),
                                 [panel](const Entry &entry) { return entry.panel == panel; }),
                  m_Entries.end());
}

bool CTickRegistry::Contains(kgui::VPANEL panel) const {
  return std::any_of(m_Entries.begin(), m_Entries.end(),
                     [panel](const Entry &entry) { return entry.panel == panel; });
}

std::vector<kgui::VPANEL> CTickRegistry::TakeDue(double now) {
  std::vector<kgui::VPANEL> due;
  for (Entry &entry : m_Entries) {
    if (entry.interval > 0.0 && now + kTolerance < entry.nextDue) continue;
    due.push_back(entry.panel);
    entry.nextDue += entry.interval;
    // A long stall gives one tick, not a burst of them.
    if (entry.nextDue <= now) entry.nextDue = now + entry.interval;
  }
  return due;
}

double CTickRegistry::NextDue() const {
  double next = std::numeric_limits<double>::infinity();
  for (const Entry &entry : m_Entries) next = std::min(next, entry.nextDue);
  return next;
}

}  // namespace kguihost
