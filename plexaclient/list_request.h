// One server-list request of the simulated backend: the servers it lists, their records, and
// the schedule on which their answers fall due (in latency order, never on the frame that made
// the request).
#pragma once

#include <memory>
#include <vector>

#include "plexa/matchmakingresponses.h"
#include "plexaclient/plexa_world.h"
#include "plexaclient/server_list.h"

// Whether `server` answers a query before it is given up, `silentTimeout` seconds after it was
// sent. A server slower than that counts as silent, so no latency keeps a request open for longer.
inline bool AnswersInTime(const SimServer *server, double silentTimeout) {
  return server && !server->m_bSilent && server->m_nLatencyMs / 1000.0 <= silentTimeout;
}

class CListRequest final : public IServerList {
 public:
  struct Entry {
    // Null: a stored server the world does not know. Silent when it does not answer in time.
    const SimServer *m_pServer = nullptr;
    ServerRecord m_Record{};   // handed out by GetListServerRecord
    uint32 m_nLastPlayed = 0;  // the store's time, kept over the server's own
  };
  using Event = ServerListEvent;
  struct Timing {
    double m_flListDelay = 0.0;      // before any server is queried (the master's latency)
    double m_flDoneDelay = 0.0;      // earliest OnListDone after the start
    double m_flSilentTimeout = 1.5;  // when a silent server is given up
  };

  // `world` keeps the servers the entries point at alive.
  CListRequest(std::shared_ptr<const CPlexaWorld> world, std::vector<Entry> entries, const Timing &timing,
               EMatchMakingListOutcome outcome, IPlexaMatchmakingServerListResponse *response);

  void Start(double now, uint64 frame);
  void Stop(double now, uint64 frame) override;
  void Repeat(double now, uint64 frame) override;
  void Requery(int index, double now, uint64 frame) override;
  bool IsRunning() const override { return m_bRunning; }
  bool HasPendingEvents() const override;

  ServerRecord *Record(int index) override;
  int Count() const { return static_cast<int>(m_Entries.size()); }
  IPlexaMatchmakingServerListResponse *Response() const override { return m_pResponse; }

  bool TakeDue(double now, uint64 frame, Event &event) override;

 private:
  struct Due {
    double m_flTime;
    int m_iIndex;
    uint64 m_uFrame;  // the frame that scheduled it; due only on later frames
  };

  Due Schedule(int index, double start, uint64 frame) const;
  Event Answer(int index);

  std::shared_ptr<const CPlexaWorld> m_pWorld;
  std::vector<Entry> m_Entries;
  Timing m_Timing;
  EMatchMakingListOutcome m_eOutcome;
  IPlexaMatchmakingServerListResponse *m_pResponse;

  std::vector<Due> m_Schedule;  // sorted by time, then index
  size_t m_nCursor = 0;
  std::vector<Due> m_Requeries;
  bool m_bRunning = false;
  bool m_bDonePending = false;
  double m_flDoneTime = 0.0;
  uint64 m_uDoneFrame = 0;
};
