#include "host/message_queue.h"

#include <limits>

#include "tier1/KeyValues.h"

namespace kguihost {

namespace {
// Clocks that advance in frame steps sum fractions that land a hair short of a due time.
constexpr double kTolerance = 1e-6;
}  // namespace

CMessageQueue::~CMessageQueue() {
  Clear();
}

void CMessageQueue::Post(kgui::VPANEL target, KeyValues *message, kgui::VPANEL from, double due) {
  m_Heap.push(CQueuedMessage{due, m_NextSequence++, target, from, message});
}

bool CMessageQueue::TakeDue(double now, uint64 sequenceLimit, CQueuedMessage &out) {
  // Messages posted during this delivery round may sort first; hold them aside and put them back.
  std::vector<CQueuedMessage> later;
  bool found = false;
  while (!m_Heap.empty() && m_Heap.top().due <= now + kTolerance) {
    CQueuedMessage top = m_Heap.top();
    m_Heap.pop();
    if (top.sequence < sequenceLimit) {
      out = top;
      found = true;
      break;
    }
    later.push_back(top);
  }
  for (const CQueuedMessage &entry : later) m_Heap.push(entry);
  return found;
}

double CMessageQueue::NextDue() const {
  return m_Heap.empty() ? std::numeric_limits<double>::infinity() : m_Heap.top().due;
}

void CMessageQueue::Clear() {
  while (!m_Heap.empty()) {
    if (m_Heap.top().message) m_Heap.top().message->Destroy();
    m_Heap.pop();
  }
}

}  // namespace kguihost
