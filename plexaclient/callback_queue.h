// The notification queue behind the exports "Plexa_BGetCallback" and "Plexa_FreeLastCallback":
// one queue per open pipe; a message is posted to every pipe with a user attached.
#pragma once

#include <deque>
#include <map>
#include <memory>

#include "plexa/callbacktypes.h"

class CCallbackQueue {
 public:
  void OpenPipe(HPlexaPipe pipe);
  void ClosePipe(HPlexaPipe pipe);
  bool IsPipeOpen(HPlexaPipe pipe) const { return m_Pipes.count(pipe) != 0; }
  // 0 detaches.
  void SetPipeUser(HPlexaPipe pipe, HPlexaUser user);
  HPlexaUser PipeUser(HPlexaPipe pipe) const;

  template <class T>
  void Post(const T &payload) {
    Post(T::k_iCallback, &payload, static_cast<int>(sizeof(T)));
  }
  void Post(int iCallback, const void *payload, int size);

  // Hands out the oldest message of the pipe (the same one until it is freed); false when none.
  bool Take(HPlexaPipe pipe, CallbackMsg_t *msg);
  // Releases the message last taken; false when none was taken.
  bool FreeLast(HPlexaPipe pipe);
  size_t Pending(HPlexaPipe pipe) const;
  // True when any pipe holds a message.
  bool AnyPending() const;
  void Clear() { m_Pipes.clear(); }

 private:
  struct Message {
    HPlexaUser m_hUser = 0;
    int m_iCallback = 0;
    std::unique_ptr<uint8[]> m_pPayload;
    int m_nSize = 0;
  };
  struct Pipe {
    HPlexaUser m_hUser = 0;
    bool m_bTaken = false;
    // A deque: posting while a message is taken keeps the taken payload where it is.
    std::deque<Message> m_Queue;
  };
  std::map<HPlexaPipe, Pipe> m_Pipes;
};
