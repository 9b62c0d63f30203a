// One server-list request as the services' front sees it, whichever backend answers it: records
// by index, and the answers (events) that are due, taken one at a time during the frame pump.
#pragma once

#include "plexa/matchmakingresponses.h"

struct ServerListEvent {
  enum class Kind { Answered, Silent, Done };
  Kind m_eKind = Kind::Done;
  int m_iIndex = -1;
  EMatchMakingListOutcome m_eOutcome = eListServersAnswered;
};

class IServerList {
 public:
  virtual ~IServerList() = default;

  // Drops every pending answer; OnListDone follows on a later frame when the list was running.
  virtual void Stop(double now, uint64 frame) = 0;
  // Queries every server again under the same indices.
  virtual void Repeat(double now, uint64 frame) = 0;
  // Queries one server again; the list does not count as running for it.
  virtual void Requery(int index, double now, uint64 frame) = 0;
  virtual bool IsRunning() const = 0;
  virtual bool HasPendingEvents() const = 0;

  virtual ServerRecord *Record(int index) = 0;
  virtual IPlexaMatchmakingServerListResponse *Response() const = 0;

  // Takes the next event due at `now` on `frame` (never on the frame that asked for it) and
  // applies it to its record; false when none.
  virtual bool TakeDue(double now, uint64 frame, ServerListEvent &event) = 0;
};
