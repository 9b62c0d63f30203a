// Posted messages waiting for their due time.
#pragma once

#include <queue>
#include <vector>

#include "kgui/kgui.h"

namespace kguihost {

struct CQueuedMessage {
  double due = 0.0;
  uint64 sequence = 0;
  kgui::VPANEL target = kgui::NULL_PANEL;
  kgui::VPANEL from = kgui::NULL_PANEL;
  KeyValues *message = nullptr;
};

// Orders by due time, then by posting order. Owns the messages it holds.
class CMessageQueue {
 public:
  CMessageQueue() = default;
  ~CMessageQueue();
  CMessageQueue(const CMessageQueue &) = delete;
  CMessageQueue &operator=(const CMessageQueue &) = delete;

  void Post(kgui::VPANEL target, KeyValues *message, kgui::VPANEL from, double due);
  // The sequence number the next post will get.
  uint64 NextSequence() const { return m_NextSequence; }
  // Takes the first message due at `now` that was posted before `sequenceLimit`; later posts stay
  // queued. The caller owns the message it gets.
  bool TakeDue(double now, uint64 sequenceLimit, CQueuedMessage &out);
  size_t Size() const { return m_Heap.size(); }
  // When the first queued message is due; +infinity when none is queued.
  double NextDue() const;
  // Destroys every queued message.
  void Clear();

 private:
  struct Later {
    bool operator()(const CQueuedMessage &a, const CQueuedMessage &b) const {
      return a.due != b.due ? a.due > b.due : a.sequence > b.sequence;
    }
  };
  std::priority_queue<CQueuedMessage, std::vector<CQueuedMessage>, Later> m_Heap;
  uint64 m_NextSequence = 0;
};

}  // namespace kguihost
