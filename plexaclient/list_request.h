// One server-list request of the simulated services: the servers it lists, their records, and
// the schedule on which their answers fall due (in latency order, never on the frame that made
// the request).
#pragma once

#include <memory>
#include <vector>

#include "plexa/matchmakingresponses.h"
#include "plexaclient/plexa_world.h"

// Whether `server` answers a query before it is given up, `silentTimeout` seconds after it was
// sent. A server slower than that counts as silent, so no latency keeps a request open for longer.
inline bool AnswersInTime(const SimServer *server, double silentTimeout) {
  return server && !server->m_bSilent && server->m_nLatencyMs / 1000.0 <= silentTimeout;
}

class CListRequest {
 public:
  struct Entry {
    // Null: a stored server the world does not know. Silent when it does not answer in time.
    const SimServer *m_pServer = nullptr;
    ServerRecord m_Record{};               // handed out by GetListServerRecord
    uint32 m_nLastPlayed = 0;              // the store's time, kept over the server's own
  };
  struct Event {
    enum class Kind { Answered, Silent, Done };
    Kind m_eKind = Kind::Done;
    int m_iIndex = -1;
    EMatchMakingListOutcome m_eOutcome = eListServersAnswered;
  };
  struct Timing {
    double m_flListDelay = 0.0;     // before any server is queried (the master's latency)
    double m_flDoneDelay = 0.0;     // earliest OnListDone after the start
    double m_flSilentTimeout = 1.5;  // when a silent server is given up
  };

  // `world` keeps the servers the entries point at alive.
  CListRequest(std::shared_ptr<const CPlexaWorld> world, std::vector<Entry> entries, const Timing &timing,
               EMatchMakingListOutcome outcome, IPlexaMatchmakingServerListResponse *response);

  void Start(double now, uint64 frame);
  // Drops every pending answer; OnListDone follows on a later frame when the list was running.
  void Stop(double now, uint64 frame);
  void Repeat(double now, uint64 frame);
  void Requery(int index, double now, uint64 frame);
  bool IsRunning() const { return m_bRunning; }
  bool HasPendingEvents() const;

  ServerRecord *Record(int index);
  int Count() const { return static_cast<int>(m_Entries.size()); }
  IPlexaMatchmakingServerListResponse *Response() const { return m_pResponse; }

  // Takes the next event due at `now` on `frame` and applies it to its record; false when none.
  bool TakeDue(double now, uint64 frame, Event &event);

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
