// The network backend's I/O thread: sends the queries of protocol families over UDP (IPv4 and
// IPv6), ties each answer to its query by address and challenge, retries and gives up on the
// monotonic clock, and queues results for the GUI thread. It never calls into response objects.
// Datagrams go out and come in by batches: one system call and one lock for many of them.
#pragma once

#include <sys/socket.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "plexaclient/net/net_address.h"
#include "plexaclient/net/protocol_family.h"

enum class ENetQueryKind { Info, Status, MasterList };

struct NetQuery {
  uint64 m_uId = 0;  // the caller's; results carry it back
  ENetQueryKind m_eKind = ENetQueryKind::Info;
  NetAddress m_Address;
  // Info only: answers from any address at the query's port count (a LAN broadcast).
  bool m_bAnySource = false;
  const IProtocolFamily *m_pFamily = nullptr;
  std::shared_ptr<const CProtocolCatalogue> m_pCatalogue;  // names the application of info answers
  std::string m_GameName;                                  // master lists
  int m_nProtocol = 0;
};

struct NetResult {
  enum class Kind {
    Info,        // m_Info and m_nPingMs; an any-source query may give several, then Silent
    Status,      // m_Status
    Silent,      // no (further) answer: the query is over
    MasterPart,  // m_Servers: entries of one datagram not seen before from this master
    MasterDone,  // the master query is over; m_bMasterAnswered / m_bMasterEnded tell how
  };
  NetResult() = default;
  NetResult(uint64 id, Kind kind) : m_uId(id), m_eKind(kind) {}
  uint64 m_uId = 0;
  Kind m_eKind = Kind::Silent;
  int m_nPingMs = 0;
  ServerInfo_t m_Info;
  ServerStatus_t m_Status;
  std::vector<MasterListEntry_t> m_Servers;
  bool m_bMasterAnswered = false;
  bool m_bMasterEnded = false;
};

// What the engine counts; read from any thread.
enum ENetCounter : int {
  k_NetSent,
  k_NetReceived,
  k_NetDroppedForeign,    // from an address:port with no query open
  k_NetDroppedChallenge,  // challenge missing or not one we sent there
  k_NetDroppedMalformed,
  k_NetDroppedOversized,
  k_NetDroppedWrongMarker,
  k_NetDroppedWrongCommand,  // an answer of another kind than the one asked for
  k_NetSendFailed,
  k_NetIPv6Skipped,       // list entries of IPv6 servers: the record holds IPv4 only
  k_NetInvalidSkipped,    // list entries no one can query
  k_NetDuplicateEntries,  // list entries given twice (by one master or several)
  k_NetInFlight,          // queries sent and not yet over
  k_NetWaiting,           // queries waiting for a free slot
  k_NetPeakInFlight,
  k_NetCounterCount
};
// "dropped_foreign", ...; null when out of range.
const char *NetCounterName(int counter);

struct NetEngineOptions {
  int m_nInFlight = 64;
  int m_nServerSendsMs[3] = {0, 1000, 1500};
  int m_nServerSilentMs = 2000;
  int m_nMasterTimeoutMs = 8000;  // masters are asked again at half and three quarters of it
  int m_nMasterIdleMs = 250;      // after an end marker, for datagrams still on the way
  std::string m_Bind4 = "0.0.0.0";
  std::string m_Bind6 = "::";
  bool m_bBroadcast = false;
};

// The engine's socket calls, behind a seam so tests can make them fail part way through a batch.
class INetSocketCalls {
 public:
  virtual ~INetSocketCalls() = default;
  // As sendmmsg(2) without flags: the number of leading messages sent, or -1 and errno.
  virtual int SendMany(int socket, mmsghdr *messages, unsigned count) = 0;
  // As recvmmsg(2) with MSG_DONTWAIT | MSG_TRUNC (msg_len is the datagram's whole size) and no
  // timeout: the number of messages read, or -1 and errno.
  virtual int ReceiveMany(int socket, mmsghdr *messages, unsigned count) = 0;
};

class CUdpQueryEngine {
 public:
  // Opens the sockets and starts the thread. Without any socket the engine still runs: every
  // query is then over at once (silent), so requests end as they would with no network. `calls`
  // (the system's when null) must outlive the engine.
  explicit CUdpQueryEngine(const NetEngineOptions &options, INetSocketCalls *calls = nullptr);
  // Stops and joins the thread promptly, whatever is open; no results are made after that.
  ~CUdpQueryEngine();
  CUdpQueryEngine(const CUdpQueryEngine &) = delete;
  CUdpQueryEngine &operator=(const CUdpQueryEngine &) = delete;

  bool HasIPv4() const { return m_Socket4 >= 0; }
  bool HasIPv6() const { return m_Socket6 >= 0; }
  const NetEngineOptions &Options() const { return m_Options; }

  // Queries start in the order submitted as slots free up.
  void Submit(std::vector<NetQuery> queries);
  // Nothing more arrives for these ids (results already queued stay queued: callers ignore them).
  void Cancel(std::vector<uint64> ids);
  void SetInFlightLimit(int limit);
  // Moves every queued result into `out` (appended), oldest first.
  void TakeResults(std::vector<NetResult> &out);
  // For the frame pump, while queries are open: reads what already waits on the sockets, so an
  // answer that has arrived is taken in this frame even before the I/O thread has run.
  void ReadWaiting();

  int64 Counter(int counter) const;
  void AddToCounter(int counter, int64 amount);

 private:
  struct Open {
    NetQuery m_Query;
    std::string m_Challenges[3];
    int64 m_SendNs[3] = {};
    int m_nSends = 0;
    int64 m_nStartNs = 0;
    int64 m_nDeadlineNs = 0;
    int64 m_nIdleUntilNs = 0;  // masters: set once the end marker arrived
    bool m_bAnswered = false;  // masters: a datagram of the list arrived
    bool m_bEnded = false;
    std::unordered_set<uint64> m_Seen;  // masters: entries given so far; any-source: answerers
  };
  // A datagram built under the state lock and sent after it is released.
  struct Outgoing {
    int m_Socket = -1;
    sockaddr_storage m_To{};
    socklen_t m_nToLength = 0;
    std::string m_Bytes;
  };

  void Run();
  void WakeThread();
  bool ThreadWakesInTime() const;
  void Admit(int64 now);
  void StartWaiting(int64 now, std::vector<Outgoing> &sending);
  void Start(NetQuery query, int64 now);
  bool Send(Open &open, int64 now);
  void Finish(uint64 id, NetResult result);
  void Close(uint64 id);
  bool IsMasterBusy(const NetAddress &master) const;
  void ReleaseDeferredMaster(const NetAddress &master);
  void SetDeadline(uint64 id, Open &open, int64 deadline);
  int64 NextDeadline(const Open &open) const;
  void Expire(int64 now);
  void OnTimer(uint64 id, Open &open, int64 now);
  void OnDatagram(const NetAddress &from, std::string_view packet, bool truncated, int64 now);
  bool TryAnySource(const NetAddress &from, std::string_view packet, int64 now);
  bool MatchServerAnswer(uint64 id, Open &open, const NetAddress &from, std::string_view packet, int64 now,
                         EPacketVerdict &verdict);
  bool MatchMasterAnswer(uint64 id, Open &open, std::string_view packet, int64 now, EPacketVerdict &verdict);
  void CountVerdict(EPacketVerdict verdict);
  void Push(NetResult result);
  void HandOver();
  // One batch of datagrams read, each slot big enough to tell an oversized answer (its whole size
  // is reported) from one the family may read. The I/O thread and the frame pump have one each.
  struct ReceiveBuffers {
    ReceiveBuffers();
    std::vector<char> m_Bytes;
    std::vector<sockaddr_storage> m_From;
    std::vector<iovec> m_Vectors;
    std::vector<mmsghdr> m_Headers;
  };

  void SendOutgoing(std::vector<Outgoing> &batch);
  int ReceiveBatch(int socket, ReceiveBuffers &buffers);
  void TakeBatch(const ReceiveBuffers &buffers, int count, int64 now);

  NetEngineOptions m_Options;
  INetSocketCalls *m_pCalls;
  int m_Epoll = -1;
  int m_Wake = -1;
  int m_Socket4 = -1;
  int m_Socket6 = -1;
  std::atomic<bool> m_bStop{false};
  std::atomic<int> m_nInFlightLimit{64};
  std::atomic<int64> m_Counters[k_NetCounterCount] = {};

  std::mutex m_ResultMutex;
  std::vector<NetResult> m_Results;

  // Everything below is used under m_StateMutex: by the I/O thread, and by callers that start
  // and cancel queries themselves. Taken before m_ResultMutex when both are.
  std::mutex m_StateMutex;
  int64 m_nThreadWakesNs = 0;  // when the thread's wait ends at the latest
  // Whoever holds the lock sends these after releasing it, and hands these results over before.
  std::vector<Outgoing> m_Outbox;
  std::vector<NetResult> m_Finished;
  std::deque<NetQuery> m_Waiting;
  std::unordered_set<uint64> m_CancelledWaiting;
  // A master's list answers carry no challenge: one list query per master at a time, the others
  // wait here for it to end.
  std::unordered_map<NetAddress, std::deque<NetQuery>, NetAddressHash> m_DeferredMasters;
  std::unordered_map<uint64, Open> m_Open;
  std::unordered_map<NetAddress, std::vector<uint64>, NetAddressHash> m_ByAddress;
  std::vector<uint64> m_AnySource;
  std::set<std::pair<int64, uint64>> m_Deadlines;
  std::mt19937_64 m_Random;

  ReceiveBuffers m_ThreadBuffers;
  ReceiveBuffers m_PumpBuffers;

  std::thread m_Thread;
};
