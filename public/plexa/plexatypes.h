// Basic types shared with the client services module: handles, ids and the callback ids the
// browser listens to.
#pragma once

#include "tier0/platform.h"

// 32-bit application id; a 64-bit game id carries it in its low 24 bits.
using AppId_t = uint32;
// 64-bit account id of a user or a server: bits 0-31 account number, 32-51 instance,
// 52-55 account type, 56-63 universe.
using PlexaId_t = uint64;
// A communication pipe to the services and a user attached to it; 0 means none.
using HPlexaPipe = int32;
using HPlexaUser = int32;
// Handle of an asynchronous call; 0 means none.
using PlexaAPICall_t = uint64;
constexpr PlexaAPICall_t k_uAPICallInvalid = 0;

// Opaque handle of a server-list request; null means none. Handles are never reused in a run.
using ListRequestHandle = void *;
// Handle of a ping or player request; -1 means none. Handles are never reused in a run.
using ServerQueryHandle = int32;
constexpr ServerQueryHandle HSERVERQUERY_INVALID = -1;

// The game id's low 24 bits are the application id.
inline AppId_t AppIdFromGameId(uint64 gameId) { return static_cast<AppId_t>(gameId & 0xFFFFFFu); }

// Callback ids of the notifications the browser handles.
enum EPlexaCallbackId : int32 {
  k_iPersonaStateChange = 304,
  k_iFriendRichPresenceUpdate = 336,
  k_iFavoritesListChanged = 502,
  k_iPlexaAPICallCompleted = 703,
  k_iAppInfoChanged = 1001,
};
