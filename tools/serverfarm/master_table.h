// The master's table of game servers and everything it answers, fed datagrams with their source
// and the time: heartbeats (answered with a challenge), infoResponses (checked, then listed for
// a while) and list queries (answered with the matching servers). No sockets: the caller sends
// what it is handed back.
#pragma once

#include <cstdint>
#include <map>
#include <queue>
#include <random>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "plexaclient/net/net_address.h"
#include "tools/serverfarm/rate_limit.h"

struct MasterSettings {
  bool m_bAllowLoopback = true;          // servers on 127.0.0.0/8 and ::1 (all there is on this machine)
  int m_nMaxPerAddress = 32;             // servers per IPv4 address or IPv6 /64 network
  int m_nMaxServers = 4096;              // servers in all, waiting for their challenge included
  int64_t m_nChallengeMs = 2000;         // how long a challenge stays valid
  int64_t m_nExpiryMs = 15 * 60 * 1000;  // how long a server stays listed after its infoResponse
  RateLimit m_ListLimit{20, 500};        // list queries per source address
  int64_t m_nMaxSendBytesPerSecond = 32 << 20;  // everything the master sends; 0: no cap
};

enum EMasterCounter : int {
  k_MasterReceived,
  k_MasterHeartbeats,
  k_MasterInfoAccepted,
  k_MasterListQueries,
  k_MasterListDatagrams,
  // Dropped, by reason.
  k_MasterDroppedMalformed,  // no marker, wrong size, unknown command
  k_MasterDroppedTag,        // heartbeat of a game this master does not serve
  k_MasterDroppedAddress,    // port 0, a loopback server when not allowed
  k_MasterDroppedFull,       // the address's or the table's limit
  k_MasterDroppedUnknown,    // infoResponse from no heartbeat, or past the challenge's time
  k_MasterDroppedChallenge,  // challenge missing or different
  k_MasterDroppedInfo,       // infoResponse failing a check (protocol, slots, clients, game)
  k_MasterDroppedFlood,      // list queries over the source's limit
  k_MasterDroppedSendCap,    // answers over the master's send cap
  k_MasterCounterCount
};
const char *MasterCounterName(EMasterCounter counter);

struct MasterSend {
  NetAddress m_To;
  std::string m_Bytes;
};

class CMasterTable {
 public:
  explicit CMasterTable(const MasterSettings &settings, uint64_t seed = std::random_device()());

  // Handles one datagram from `from` at `nowMs` (monotonic milliseconds); appends what to send.
  void Handle(std::string_view datagram, const NetAddress &from, int64_t nowMs, std::vector<MasterSend> &out);
  // Forgets servers whose time is over; Handle does it too.
  void Expire(int64_t nowMs);

  // Servers listed (a valid infoResponse arrived), and entries in all.
  size_t ListedCount() const { return m_ByOrder.size(); }
  size_t EntryCount() const { return m_Servers.size(); }
  uint64_t Counter(EMasterCounter counter) const { return m_Counters[counter]; }
  const MasterSettings &Settings() const { return m_Settings; }

 private:
  struct Entry {
    NetAddress m_Address;
    std::string m_Tag;
    std::string m_Challenge;
    int64_t m_nChallengeMs = 0;  // when the challenge was made
    bool m_bListed = false;
    int64_t m_nExpiresMs = 0;  // listed entries: when they are forgotten
    uint64_t m_uOrder = 0;     // listed entries: when they were first listed
    std::string m_GameName;
    int m_nProtocol = 0;
    std::string m_GameType;
    int m_nClients = 0;
    int m_nMaxClients = 0;
  };

  void OnHeartbeat(const std::string &tag, const NetAddress &from, int64_t nowMs,
                   std::vector<MasterSend> &out);
  void OnInfoResponse(std::string_view infostring, const NetAddress &from, int64_t nowMs);
  void OnListQuery(std::string_view datagram, const NetAddress &from, int64_t nowMs,
                   std::vector<MasterSend> &out);
  bool CheckInfo(std::string_view infostring, Entry &entry);
  void Forget(const NetAddress &address);
  int &NetworkCount(const NetAddress &address);
  void Send(const NetAddress &to, std::string bytes, int64_t nowMs, std::vector<MasterSend> &out);
  bool IsAcceptableServer(const NetAddress &address) const;
  // The game the short list query means by `protocol`; empty when none.
  std::string GameOfProtocol(int protocol) const;

  MasterSettings m_Settings;
  std::mt19937_64 m_Random;
  std::unordered_map<NetAddress, Entry, NetAddressHash> m_Servers;
  std::unordered_map<uint64_t, int> m_PerAddress4;  // entries per IPv4 address
  std::unordered_map<uint64_t, int> m_PerNetwork6;  // entries per IPv6 /64 network
  std::map<uint64_t, NetAddress> m_ByOrder;         // listed servers, oldest listing first
  uint64_t m_uNextOrder = 1;
  // Deadlines to look at, soonest first (an entry's may have moved since; it is checked when due).
  struct Deadline {
    int64_t m_nMs = 0;
    NetAddress m_Address;
    bool operator>(const Deadline &other) const { return m_nMs > other.m_nMs; }
  };
  std::priority_queue<Deadline, std::vector<Deadline>, std::greater<>> m_Deadlines;
  CSourceLimiter m_ListFlood;
  CSendBudget m_SendBudget;
  uint64_t m_Counters[k_MasterCounterCount] = {};
};
