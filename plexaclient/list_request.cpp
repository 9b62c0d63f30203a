#include "plexaclient/list_request.h"

#include <algorithm>

CListRequest::CListRequest(std::shared_ptr<const CPlexaWorld> world, std::vector<Entry> entries,
                           const Timing &timing, EMatchMakingListOutcome outcome,
                           IPlexaMatchmakingServerListResponse *response)
    : m_pWorld(std::move(world)),
      m_Entries(std::move(entries)),
      m_Timing(timing),
      m_eOutcome(outcome),
      m_pResponse(response) {}

CListRequest::Due CListRequest::Schedule(int index, double start, uint64 frame) const {
  const SimServer *server = m_Entries[static_cast<size_t>(index)].m_pServer;
  const double delay = AnswersInTime(server, m_Timing.m_flSilentTimeout) ? server->m_nLatencyMs / 1000.0
                                                                         : m_Timing.m_flSilentTimeout;
  return {start + delay, index, frame};
}

void CListRequest::Start(double now, uint64 frame) {
  m_Schedule.clear();
  m_Schedule.reserve(m_Entries.size());
  for (int i = 0; i < Count(); ++i) m_Schedule.push_back(Schedule(i, now + m_Timing.m_flListDelay, frame));
  std::sort(m_Schedule.begin(), m_Schedule.end(), [](const Due &a, const Due &b) {
    return a.m_flTime != b.m_flTime ? a.m_flTime < b.m_flTime : a.m_iIndex < b.m_iIndex;
  });
  m_nCursor = 0;
  m_bRunning = true;
  m_bDonePending = true;
  m_flDoneTime = now + m_Timing.m_flDoneDelay;
  m_uDoneFrame = frame;
}

void CListRequest::Stop(double now, uint64 frame) {
  if (!m_bRunning) return;
  m_bRunning = false;
  m_nCursor = m_Schedule.size();
  m_Requeries.clear();
  m_flDoneTime = now;
  m_uDoneFrame = frame;
}

void CListRequest::Repeat(double now, uint64 frame) {
  m_Requeries.clear();
  Start(now, frame);
}

void CListRequest::Requery(int index, double now, uint64 frame) {
  if (index < 0 || index >= Count()) return;
  m_Requeries.push_back(Schedule(index, now, frame));
}

bool CListRequest::HasPendingEvents() const {
  return m_bDonePending || m_nCursor < m_Schedule.size() || !m_Requeries.empty();
}

ServerRecord *CListRequest::Record(int index) {
  if (index < 0 || index >= Count()) return nullptr;
  return &m_Entries[static_cast<size_t>(index)].m_Record;
}

bool CListRequest::TakeDue(double now, uint64 frame, Event &event) {
  auto isDue = [&](const Due &due) { return frame > due.m_uFrame && due.m_flTime <= now; };

  const Due *next = (m_nCursor < m_Schedule.size() && isDue(m_Schedule[m_nCursor])) ? &m_Schedule[m_nCursor] : nullptr;
  auto requery = m_Requeries.end();
  for (auto it = m_Requeries.begin(); it != m_Requeries.end(); ++it) {
    if (isDue(*it) && (requery == m_Requeries.end() || it->m_flTime < requery->m_flTime)) requery = it;
  }
  if (requery != m_Requeries.end() && (!next || requery->m_flTime < next->m_flTime)) {
    const int index = requery->m_iIndex;
    m_Requeries.erase(requery);
    event = Answer(index);
    return true;
  }
  if (next) {
    ++m_nCursor;
    event = Answer(next->m_iIndex);
    return true;
  }
  if (m_bDonePending && m_nCursor >= m_Schedule.size() && frame > m_uDoneFrame && m_flDoneTime <= now) {
    m_bDonePending = false;
    m_bRunning = false;
    event = {Event::Kind::Done, -1, m_eOutcome};
    return true;
  }
  return false;
}

CListRequest::Event CListRequest::Answer(int index) {
  Entry &entry = m_Entries[static_cast<size_t>(index)];
  if (!AnswersInTime(entry.m_pServer, m_Timing.m_flSilentTimeout))
    return {Event::Kind::Silent, index, eListServersAnswered};
  entry.m_Record = entry.m_pServer->m_Record;
  entry.m_Record.m_bResponded = true;
  entry.m_Record.m_nPingMs = entry.m_pServer->m_nLatencyMs;
  if (entry.m_nLastPlayed) entry.m_Record.m_nLastPlayedTime = entry.m_nLastPlayed;
  return {Event::Kind::Answered, index, eListServersAnswered};
}
