// Records exchanged in memory with the client services module. Their layout is an interface
// format: packed to 4 bytes, every offset and size checked below.
#pragma once

#include <cstddef>

#include "plexa/plexatypes.h"

#pragma pack(push, 4)

// A server's address as the services report it.
struct ServerAddress {
  uint16 m_usConnectionPort;
  uint16 m_usQueryPort;
  uint32 m_unIP;  // host order, first octet in the top byte

  uint32 GetIP() const { return m_unIP; }
  uint16 GetConnectionPort() const { return m_usConnectionPort; }
  uint16 GetQueryPort() const { return m_usQueryPort; }
  void Init(uint32 ip, uint16 queryPort, uint16 connectionPort) {
    m_unIP = ip;
    m_usQueryPort = queryPort;
    m_usConnectionPort = connectionPort;
  }
};

// One game server as the services describe it. A default record is all zero.
struct ServerRecord {
  ServerAddress m_NetAdr;
  int32 m_nPingMs;
  bool m_bResponded;  // the server answered at least once
  bool m_bSkipRefresh;
  char m_szGameDirectory[32];
  char m_szMapName[32];
  char m_szDescription[64];
  uint8 m_Reserved0[2];
  AppId_t m_nAppId;
  int32 m_nPlayerCount;
  int32 m_nPlayerLimit;
  int32 m_nBotCount;
  bool m_bHasPassword;
  bool m_bIsSecure;  // protected by the anti-cheat system
  uint8 m_Reserved1[2];
  uint32 m_nLastPlayedTime;  // seconds since 1970; 0 = never
  int32 m_nVersion;
  char m_szServerName[64];
  char m_szTags[128];
  PlexaId_t m_PlexaId;

  // The server name, or when it is empty the connection address as "a.b.c.d:port". Address texts
  // (and names the services left unterminated) are written into the next of four static buffers
  // used in rotation, so a returned text stays valid across three further calls.
  const char *GetName() const;
  // The text fields, read no further than their field size even when the services left out the
  // terminating NUL (such a field is returned as a terminated copy in a rotating buffer).
  const char *GetGameDir() const;
  const char *GetMap() const;
  const char *GetDescription() const;
  const char *GetTags() const;
};

// The game a friend plays. A query port of 0xFFFE or 0xFFFF means "none": query the game port.
struct FriendGameInfo {
  uint64 m_gameID;  // bits 0-23 application id, 24-31 kind (0-3), 32-63 a further id
  uint32 m_unGameIP;
  uint16 m_usGamePort;
  uint16 m_usQueryPort;
  PlexaId_t m_PlexaIdLobby;

  // The port to query: the query port, or the game port when no query port is known.
  uint16 QueryPortOrGamePort() const {
    return (m_usQueryPort == 0xFFFE || m_usQueryPort == 0xFFFF) ? m_usGamePort : m_usQueryPort;
  }
};

// One filter pair of a list request; both texts are NUL-terminated.
struct MatchMakingKeyValuePair_t {
  char m_szKey[256];
  char m_szValue[256];
};

#pragma pack(pop)

// Outcome passed to OnListDone.
enum EMatchMakingListOutcome : int32 {
  eListServersAnswered = 0,
  eListMasterNotResponding = 1,
  eListMasterHasNoServers = 2,
};

static_assert(sizeof(ServerAddress) == 8);
static_assert(offsetof(ServerAddress, m_usConnectionPort) == 0);
static_assert(offsetof(ServerAddress, m_usQueryPort) == 2);
static_assert(offsetof(ServerAddress, m_unIP) == 4);

static_assert(sizeof(ServerRecord) == 372);
static_assert(offsetof(ServerRecord, m_NetAdr) == 0);
static_assert(offsetof(ServerRecord, m_nPingMs) == 8);
static_assert(offsetof(ServerRecord, m_bResponded) == 12);
static_assert(offsetof(ServerRecord, m_bSkipRefresh) == 13);
static_assert(offsetof(ServerRecord, m_szGameDirectory) == 14);
static_assert(offsetof(ServerRecord, m_szMapName) == 46);
static_assert(offsetof(ServerRecord, m_szDescription) == 78);
static_assert(offsetof(ServerRecord, m_nAppId) == 144);
static_assert(offsetof(ServerRecord, m_nPlayerCount) == 148);
static_assert(offsetof(ServerRecord, m_nPlayerLimit) == 152);
static_assert(offsetof(ServerRecord, m_nBotCount) == 156);
static_assert(offsetof(ServerRecord, m_bHasPassword) == 160);
static_assert(offsetof(ServerRecord, m_bIsSecure) == 161);
static_assert(offsetof(ServerRecord, m_nLastPlayedTime) == 164);
static_assert(offsetof(ServerRecord, m_nVersion) == 168);
static_assert(offsetof(ServerRecord, m_szServerName) == 172);
static_assert(offsetof(ServerRecord, m_szTags) == 236);
static_assert(offsetof(ServerRecord, m_PlexaId) == 364);

static_assert(sizeof(FriendGameInfo) == 24);
static_assert(offsetof(FriendGameInfo, m_gameID) == 0);
static_assert(offsetof(FriendGameInfo, m_unGameIP) == 8);
static_assert(offsetof(FriendGameInfo, m_usGamePort) == 12);
static_assert(offsetof(FriendGameInfo, m_usQueryPort) == 14);
static_assert(offsetof(FriendGameInfo, m_PlexaIdLobby) == 16);

static_assert(sizeof(MatchMakingKeyValuePair_t) == 512);
static_assert(offsetof(MatchMakingKeyValuePair_t, m_szKey) == 0);
static_assert(offsetof(MatchMakingKeyValuePair_t, m_szValue) == 256);
