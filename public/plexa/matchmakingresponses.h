// The three response interfaces through which the services answer server requests. They are
// called during the per-frame pump on the GUI thread; a response object must stay alive until its
// request is freed or aborted.
#pragma once

#include "plexa/matchmakingtypes.h"

// Answers of a server-list request.
class IPlexaMatchmakingServerListResponse {
 public:
  // Server `index` of `request` answered; its record is fetched with GetListServerRecord.
  virtual void OnServerAnswered(ListRequestHandle request, int index) = 0;
  // Server `index` did not answer; its record's m_bResponded tells whether it ever did.
  virtual void OnServerSilent(ListRequestHandle request, int index) = 0;
  // The list is complete; `outcome` is an EMatchMakingListOutcome.
  virtual void OnListDone(ListRequestHandle request, EMatchMakingListOutcome outcome) = 0;

 protected:
  ~IPlexaMatchmakingServerListResponse() = default;
};

// Answer of a ping request.
class IPlexaMatchmakingPingResponse {
 public:
  // The record is valid only during the call.
  virtual void OnPingAnswered(const ServerRecord &server) = 0;
  virtual void OnPingSilent() = 0;

 protected:
  ~IPlexaMatchmakingPingResponse() = default;
};

// Answers of a player-list request.
class IPlexaMatchmakingPlayersResponse {
 public:
  // Once per player; the name is valid only during the call.
  virtual void OnPlayer(const char *name, int score, float timePlayedSeconds) = 0;
  virtual void OnPlayersSilent() = 0;
  virtual void OnPlayersDone() = 0;

 protected:
  ~IPlexaMatchmakingPlayersResponse() = default;
};
