// The farm's game servers as state and rules, without sockets: which requests are answered and
// when (reply delay, silence, up/down cycles, rate limits, the farm's send cap), how players come
// and go, and when each server heartbeats its masters. The caller owns the sockets and the clock.
#pragma once

#include <cstdint>
#include <deque>
#include <queue>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "plexaclient/net/net_address.h"
#include "tools/serverfarm/farm_world.h"
#include "tools/serverfarm/rate_limit.h"

struct FarmSettings {
  RateLimit m_PerSource{10, 1000};         // requests per source address, per server
  RateLimit m_PerServer{10, 100};          // answers per server
  int64_t m_nMaxRepliesPerSecond = 20000;  // answers of the whole farm; 0: no cap
  int64_t m_nMaxBytesPerSecond = 8 << 20;  // bytes of those answers; 0: no cap
  std::vector<NetAddress> m_Masters;       // heartbeat targets (at most five)
  int m_nHeartbeatSeconds = 300;           // between a server's regular heartbeats; 0: none
  int m_nHeartbeatsPerSecond = 2000;       // the farm's pace; 0: no pace
  size_t m_nMaxPending = 100000;           // delayed answers held at once
};

enum EFarmCounter : int {
  k_FarmRequests,
  k_FarmAnswers,
  k_FarmHeartbeats,
  k_FarmDroppedMalformed,  // not a request a server answers
  k_FarmDroppedSilent,     // silent or down
  k_FarmDroppedSource,     // over the per-source limit
  k_FarmDroppedServer,     // over the per-server limit
  k_FarmDroppedCap,        // over the farm's send cap
  k_FarmDroppedPending,    // too many delayed answers held
  k_FarmCounterCount
};
const char *FarmCounterName(EFarmCounter counter);

struct FarmSend {
  size_t m_nServer = 0;  // the server whose socket sends it
  NetAddress m_To;
  std::string m_Bytes;
};

class CServerFarm {
 public:
  CServerFarm(std::vector<FarmServerSetup> servers, const FarmSettings &settings, int64_t nowMs,
              uint64_t seed = 1);

  size_t Size() const { return m_Servers.size(); }
  const FarmServerSetup &Setup(size_t server) const { return m_Servers[server].m_Setup; }
  // The server as it answers now (players change over time).
  const ServerView &View(size_t server) const { return m_Servers[server].m_Setup.m_View; }
  bool IsUp(size_t server, int64_t nowMs) const;

  // A datagram to `server` from `from`: its answer is held until the server's delay has passed.
  void OnDatagram(size_t server, std::string_view datagram, const NetAddress &from, int64_t nowMs);
  // Moves the world to `nowMs` (players, up/down cycles, heartbeats due) and appends what is to be
  // sent now: answers whose delay has passed and heartbeats.
  void Collect(int64_t nowMs, std::vector<FarmSend> &out);
  // When Collect next has something to do; never later than a second from now.
  int64_t NextWakeMs(int64_t nowMs) const;
  // Every server that is up heartbeats (as on a console's `heartbeat`).
  void HeartbeatAll(int64_t nowMs);
  // The two heartbeats each server that is up sends when it shuts down.
  void Shutdown(int64_t nowMs, std::vector<FarmSend> &out);

  uint64_t Counter(EFarmCounter counter) const { return m_Counters[counter]; }

 private:
  struct Server {
    FarmServerSetup m_Setup;
    CSourceLimiter m_PerSource;
    CTokenBucket m_PerServer;
    int64_t m_nNextChurnMs = INT64_MAX;
    int64_t m_nNextHeartbeatMs = INT64_MAX;
    int64_t m_nUpCycle = -1;  // the last up/down cycle in which the server was seen up
    bool m_bHeartbeatQueued = false;
    uint64_t m_uJoined = 0;  // players who joined, for their names
    // The info answer's infostring but for the challenge: made again only after the server
    // changes, not for every request.
    std::string m_InfoText;
    bool m_bInfoTextValid = false;
    explicit Server(FarmServerSetup setup, const RateLimit &perSource)
        : m_Setup(std::move(setup)), m_PerSource(perSource, 1024) {}
  };
  struct Pending {
    int64_t m_nDueMs = 0;
    uint64_t m_uSequence = 0;  // keeps equal due times in arrival order
    FarmSend m_Send;
    bool operator>(const Pending &other) const {
      return m_nDueMs != other.m_nDueMs ? m_nDueMs > other.m_nDueMs : m_uSequence > other.m_uSequence;
    }
  };

  static const std::string &InfoText(Server &server);
  void Churn(size_t index, int64_t nowMs);
  // The up/down cycle `nowMs` falls in (0 for servers that stay up).
  int64_t Cycle(size_t index, int64_t nowMs) const;
  void QueueHeartbeat(size_t index);
  bool IsMaster(const NetAddress &from) const;

  FarmSettings m_Settings;
  std::vector<Server> m_Servers;
  int64_t m_nStartMs;
  std::mt19937_64 m_Random;
  std::priority_queue<Pending, std::vector<Pending>, std::greater<>> m_Pending;
  uint64_t m_uSequence = 0;
  CSendBudget m_Budget;
  std::deque<size_t> m_Heartbeats;  // servers waiting to heartbeat, at the farm's pace
  int64_t m_nPaceStartMs = 0;       // the pace counts heartbeats sent since the queue last ran dry
  uint64_t m_uPaceSent = 0;
  int64_t m_nNextWorldMs = 0;  // the next look at churn, cycles and regular heartbeats
  uint64_t m_Counters[k_FarmCounterCount] = {};
};
