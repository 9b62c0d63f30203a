// Queued notifications of the services: the message the exports hand out, the payloads, and the
// signatures of the three exported queue functions. Payload layouts are an interface format.
#pragma once

#include <cstddef>

#include "plexa/plexatypes.h"

// One queued message as "Plexa_BGetCallback" fills it. The payload belongs to the services and is
// valid until "Plexa_FreeLastCallback".
struct CallbackMsg_t {
  HPlexaUser m_hPlexaUser;
  int32 m_iCallback;
  uint8 *m_pubParam;
  int32 m_cubParam;
};

#pragma pack(push, 4)

// 502: a favourites or history entry was added or removed; address 0 means the whole list changed.
struct FavoritesListChanged_t {
  enum { k_iCallback = k_iFavoritesListChanged };
  uint32 m_nIP;
  uint32 m_nQueryPort;  // low 16 bits used
  uint32 m_nConnPort;   // low 16 bits used
  AppId_t m_nAppID;
  uint32 m_nFlags;      // list flags of the change: 1 favourites, 2 history
  bool m_bAdd;
  uint8 m_Reserved[3];
  uint32 m_unAccountId;
};

// Bits of PersonaStateChange_t::m_nChangeFlags.
enum EPersonaChange : int32 {
  k_EPersonaChangeName = 0x01,
  k_EPersonaChangeFlags = 0x02,
  k_EPersonaChangeGamePlayed = 0x10,
};

// 304: something about a friend changed.
struct PersonaStateChange_t {
  enum { k_iCallback = k_iPersonaStateChange };
  PlexaId_t m_ulPlexaID;
  int32 m_nChangeFlags;
  uint8 m_Padding[4];  // keeps the record at 16 bytes
};

// 336: a friend's rich presence for an application changed.
struct FriendRichPresenceUpdate_t {
  enum { k_iCallback = k_iFriendRichPresenceUpdate };
  PlexaId_t m_PlexaIDFriend;
  AppId_t m_nAppID;
};

// 703: an asynchronous call completed; its result is fetched with "Plexa_GetAPICallResult".
struct PlexaAPICallCompleted_t {
  enum { k_iCallback = k_iPlexaAPICallCompleted };
  PlexaAPICall_t m_hAsyncCall;
  int32 m_iCallback;
  uint32 m_cubParam;
};

// 1001: an application's data changed.
struct AppInfoChanged_t {
  enum { k_iCallback = k_iAppInfoChanged };
  AppId_t m_nAppID;
};

#pragma pack(pop)

static_assert(sizeof(FavoritesListChanged_t) == 28);
static_assert(offsetof(FavoritesListChanged_t, m_nIP) == 0);
static_assert(offsetof(FavoritesListChanged_t, m_nQueryPort) == 4);
static_assert(offsetof(FavoritesListChanged_t, m_nConnPort) == 8);
static_assert(offsetof(FavoritesListChanged_t, m_nAppID) == 12);
static_assert(offsetof(FavoritesListChanged_t, m_nFlags) == 16);
static_assert(offsetof(FavoritesListChanged_t, m_bAdd) == 20);
static_assert(offsetof(FavoritesListChanged_t, m_unAccountId) == 24);

static_assert(sizeof(PersonaStateChange_t) == 16);
static_assert(offsetof(PersonaStateChange_t, m_ulPlexaID) == 0);
static_assert(offsetof(PersonaStateChange_t, m_nChangeFlags) == 8);

static_assert(sizeof(FriendRichPresenceUpdate_t) == 12);
static_assert(offsetof(FriendRichPresenceUpdate_t, m_PlexaIDFriend) == 0);
static_assert(offsetof(FriendRichPresenceUpdate_t, m_nAppID) == 8);

static_assert(sizeof(PlexaAPICallCompleted_t) == 16);
static_assert(offsetof(PlexaAPICallCompleted_t, m_hAsyncCall) == 0);
static_assert(offsetof(PlexaAPICallCompleted_t, m_iCallback) == 8);
static_assert(offsetof(PlexaAPICallCompleted_t, m_cubParam) == 12);

static_assert(sizeof(AppInfoChanged_t) == 4);
static_assert(offsetof(AppInfoChanged_t, m_nAppID) == 0);

// The exported queue functions of the services module, looked up by these names.
#define PLEXA_EXPORT_BGETCALLBACK "Plexa_BGetCallback"
#define PLEXA_EXPORT_FREELASTCALLBACK "Plexa_FreeLastCallback"
#define PLEXA_EXPORT_GETAPICALLRESULT "Plexa_GetAPICallResult"

// Takes the next message of the pipe; true while one was taken. `callHandle` may be null.
using PFNPlexaBGetCallback = bool (*)(HPlexaPipe pipe, CallbackMsg_t *msg, PlexaAPICall_t *callHandle);
// Releases the message last taken on the pipe.
using PFNPlexaFreeLastCallback = bool (*)(HPlexaPipe pipe);
// Copies the result of a completed call into `buffer`; `failed` tells whether the call failed.
using PFNPlexaGetAPICallResult = bool (*)(HPlexaPipe pipe, PlexaAPICall_t call, void *buffer, int bufferSize,
                                          int expectedCallback, bool *failed);
