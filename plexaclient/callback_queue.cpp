#include "plexaclient/callback_queue.h"

#include <cstring>

void CCallbackQueue::OpenPipe(HPlexaPipe pipe) {
  m_Pipes[pipe];
}

void CCallbackQueue::ClosePipe(HPlexaPipe pipe) {
  m_Pipes.erase(pipe);
}

void CCallbackQueue::SetPipeUser(HPlexaPipe pipe, HPlexaUser user) {
  auto it = m_Pipes.find(pipe);
  if (it != m_Pipes.end()) it->second.m_hUser = user;
}

HPlexaUser CCallbackQueue::PipeUser(HPlexaPipe pipe) const {
  auto it = m_Pipes.find(pipe);
  return it == m_Pipes.end() ? 0 : it->second.m_hUser;
}

void CCallbackQueue::Post(int iCallback, const void *payload, int size) {
  for (auto &[handle, pipe] : m_Pipes) {
    if (!pipe.m_hUser) continue;
    Message msg;
    msg.m_hUser = pipe.m_hUser;
    msg.m_iCallback = iCallback;
    msg.m_nSize = size;
    msg.m_pPayload.reset(new uint8[size > 0 ? size : 1]());
    if (size > 0) memcpy(msg.m_pPayload.get(), payload, static_cast<size_t>(size));
    pipe.m_Queue.push_back(std::move(msg));
  }
}

bool CCallbackQueue::Take(HPlexaPipe pipe, CallbackMsg_t *msg) {
  auto it = m_Pipes.find(pipe);
  if (!msg || it == m_Pipes.end() || it->second.m_Queue.empty()) return false;
  Message &front = it->second.m_Queue.front();
  it->second.m_bTaken = true;
  msg->m_hPlexaUser = front.m_hUser;
  msg->m_iCallback = front.m_iCallback;
  msg->m_pubParam = front.m_pPayload.get();
  msg->m_cubParam = front.m_nSize;
  return true;
}

bool CCallbackQueue::FreeLast(HPlexaPipe pipe) {
  auto it = m_Pipes.find(pipe);
  if (it == m_Pipes.end() || !it->second.m_bTaken) return false;
  it->second.m_bTaken = false;
  it->second.m_Queue.pop_front();
  return true;
}

bool CCallbackQueue::AnyPending() const {
  for (const auto &entry : m_Pipes) {
    if (!entry.second.m_Queue.empty()) return true;
  }
  return false;
}

size_t CCallbackQueue::Pending(HPlexaPipe pipe) const {
  auto it = m_Pipes.find(pipe);
  return it == m_Pipes.end() ? 0 : it->second.m_Queue.size();
}
