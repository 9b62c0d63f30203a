// Index: sockets and thread; queries in and results out; the loop; sending and timers; answers.
#include "plexaclient/net/udp_query_engine.h"

#include <arpa/inet.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <iterator>

namespace {

// One more byte than a family reads: the slot of a bigger datagram reports its whole size.
constexpr size_t kReceiveSlot = k_nMaxAnswerBytes + 1;
// Datagrams read from one socket per system call and per wake-up, so timers keep running under
// a flood (the socket stays readable and the loop comes back to it at once).
constexpr size_t kReceiveBatch = 64;
// Datagrams handed to one sendmmsg.
constexpr size_t kSendBatch = 64;
// The longest the loop sleeps, so it rechecks its stop flag even if a wake-up were lost.
constexpr int kMaxWaitMs = 500;

int64 NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

constexpr int64 Ms(int64 ms) {
  return ms * 1000000;
}

int OpenSocket(int family, const std::string &bindText, bool broadcast) {
  const int fd = socket(family, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  const int one = 1;
  const int bufferBytes = 1 << 20;
  setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &bufferBytes, sizeof(bufferBytes));
  sockaddr_storage storage{};
  socklen_t length = 0;
  bool ok = false;
  if (family == AF_INET6) {
    // IPv4 traffic goes through the IPv4 socket; this one hears IPv6 only.
    setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &one, sizeof(one));
    auto *six = reinterpret_cast<sockaddr_in6 *>(&storage);
    six->sin6_family = AF_INET6;
    ok = inet_pton(AF_INET6, bindText.c_str(), &six->sin6_addr) == 1;
    length = sizeof(sockaddr_in6);
  } else {
    if (broadcast) setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &one, sizeof(one));
    const int probe = IP_PMTUDISC_PROBE;
    setsockopt(fd, IPPROTO_IP, IP_MTU_DISCOVER, &probe, sizeof(probe));
    auto *four = reinterpret_cast<sockaddr_in *>(&storage);
    four->sin_family = AF_INET;
    ok = inet_pton(AF_INET, bindText.c_str(), &four->sin_addr) == 1;
    length = sizeof(sockaddr_in);
  }
  if (!ok || bind(fd, reinterpret_cast<sockaddr *>(&storage), length) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

int CounterFor(EPacketVerdict verdict) {
  switch (verdict) {
    case EPacketVerdict::WrongMarker:
      return k_NetDroppedWrongMarker;
    case EPacketVerdict::WrongCommand:
      return k_NetDroppedWrongCommand;
    case EPacketVerdict::ChallengeMismatch:
      return k_NetDroppedChallenge;
    case EPacketVerdict::Oversized:
      return k_NetDroppedOversized;
    case EPacketVerdict::Malformed:
    case EPacketVerdict::Accepted:
      break;
  }
  return k_NetDroppedMalformed;
}

uint64 EntryKey(const MasterListEntry_t &entry) {
  return (uint64{entry.m_unIP} << 16) | entry.m_usPort;
}

class CSystemSocketCalls final : public INetSocketCalls {
 public:
  int SendMany(int socket, mmsghdr *messages, unsigned count) override {
    return sendmmsg(socket, messages, count, 0);
  }
  int ReceiveMany(int socket, mmsghdr *messages, unsigned count) override {
    return recvmmsg(socket, messages, count, MSG_DONTWAIT | MSG_TRUNC, nullptr);
  }
};

CSystemSocketCalls g_SystemSocketCalls;

}  // namespace

const char *NetCounterName(int counter) {
  static const char *const kNames[k_NetCounterCount] = {
      "sent",
      "received",
      "dropped_foreign",
      "dropped_challenge",
      "dropped_malformed",
      "dropped_oversized",
      "dropped_wrong_marker",
      "dropped_wrong_command",
      "send_failed",
      "ipv6_skipped",
      "invalid_skipped",
      "duplicate_entries",
      "in_flight",
      "waiting",
      "peak_in_flight",
  };
  return counter >= 0 && counter < k_NetCounterCount ? kNames[counter] : nullptr;
}

// Sockets and thread ----------------------------------------------------------------------------

CUdpQueryEngine::CUdpQueryEngine(const NetEngineOptions &options, INetSocketCalls *calls)
    : m_Options(options), m_pCalls(calls ? calls : &g_SystemSocketCalls), m_Random(std::random_device{}()) {
  m_nInFlightLimit = std::max(1, options.m_nInFlight);
  m_Epoll = epoll_create1(EPOLL_CLOEXEC);
  m_Wake = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  m_Socket4 = OpenSocket(AF_INET, options.m_Bind4, options.m_bBroadcast);
  // A machine without IPv6 just has no IPv6 socket.
  m_Socket6 = OpenSocket(AF_INET6, options.m_Bind6, false);
  for (int fd : {m_Wake, m_Socket4, m_Socket6}) {
    if (fd < 0 || m_Epoll < 0) continue;
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.fd = fd;
    epoll_ctl(m_Epoll, EPOLL_CTL_ADD, fd, &event);
  }
  m_Thread = std::thread([this] { Run(); });
}

CUdpQueryEngine::ReceiveBuffers::ReceiveBuffers()
    : m_Bytes(kReceiveSlot * kReceiveBatch),
      m_From(kReceiveBatch),
      m_Vectors(kReceiveBatch),
      m_Headers(kReceiveBatch) {
  for (size_t i = 0; i < kReceiveBatch; ++i) {
    m_Vectors[i] = {m_Bytes.data() + i * kReceiveSlot, kReceiveSlot};
    m_Headers[i].msg_hdr.msg_iov = &m_Vectors[i];
    m_Headers[i].msg_hdr.msg_iovlen = 1;
    m_Headers[i].msg_hdr.msg_name = &m_From[i];
  }
}

CUdpQueryEngine::~CUdpQueryEngine() {
  m_bStop = true;
  if (m_Wake >= 0) WakeThread();
  if (m_Thread.joinable()) m_Thread.join();
  for (int fd : {m_Epoll, m_Wake, m_Socket4, m_Socket6}) {
    if (fd >= 0) close(fd);
  }
}

// Queries in and results out ---------------------------------------------------------------------

// The caller's thread starts what it can itself: the first datagram of a query leaves without
// waiting for the I/O thread, which is woken only when it would otherwise miss a timer.
void CUdpQueryEngine::Submit(std::vector<NetQuery> queries) {
  if (queries.empty()) return;
  AddToCounter(k_NetWaiting, static_cast<int64>(queries.size()));
  std::vector<Outgoing> sending;
  {
    std::lock_guard lock(m_StateMutex);
    for (NetQuery &query : queries) m_Waiting.push_back(std::move(query));
    StartWaiting(NowNs(), sending);
  }
  SendOutgoing(sending);
}

void CUdpQueryEngine::Cancel(std::vector<uint64> ids) {
  if (ids.empty()) return;
  std::vector<Outgoing> sending;
  {
    std::lock_guard lock(m_StateMutex);
    for (uint64 id : ids) {
      if (m_Open.count(id)) {
        Close(id);
      } else {
        m_CancelledWaiting.insert(id);
      }
    }
    StartWaiting(NowNs(), sending);
  }
  SendOutgoing(sending);
}

void CUdpQueryEngine::SetInFlightLimit(int limit) {
  limit = std::max(1, limit);
  if (m_nInFlightLimit.exchange(limit) == limit) return;
  std::vector<Outgoing> sending;
  {
    std::lock_guard lock(m_StateMutex);
    StartWaiting(NowNs(), sending);
  }
  SendOutgoing(sending);
}

// A server's next send is a second away and the thread never sleeps longer than kMaxWaitMs, so
// most new queries need no wake-up (one would take a core from the servers just answering).
bool CUdpQueryEngine::ThreadWakesInTime() const {
  return m_Deadlines.empty() || m_Deadlines.begin()->first >= m_nThreadWakesNs;
}

void CUdpQueryEngine::WakeThread() {
  const uint64 one = 1;
  [[maybe_unused]] const ssize_t written = write(m_Wake, &one, sizeof(one));
}

void CUdpQueryEngine::TakeResults(std::vector<NetResult> &out) {
  std::lock_guard lock(m_ResultMutex);
  if (out.empty()) {
    out.swap(m_Results);
  } else {
    for (NetResult &result : m_Results) out.push_back(std::move(result));
    m_Results.clear();
  }
}

void CUdpQueryEngine::ReadWaiting() {
  if (Counter(k_NetInFlight) == 0) return;
  std::vector<Outgoing> sending;
  for (int fd : {m_Socket4, m_Socket6}) {
    if (fd < 0) continue;
    const int got = ReceiveBatch(fd, m_PumpBuffers);
    if (got <= 0) continue;
    std::lock_guard lock(m_StateMutex);
    const int64 now = NowNs();
    TakeBatch(m_PumpBuffers, got, now);
    // Slots the answers freed go to waiting queries at once, as the I/O thread would.
    StartWaiting(now, sending);
  }
  SendOutgoing(sending);
}

// Under the state lock, on a caller's thread: waiting queries go into free slots, results are
// handed over, the datagrams to send join `sending` (sent once the lock is released), and the
// I/O thread is woken only if it would otherwise miss a timer.
void CUdpQueryEngine::StartWaiting(int64 now, std::vector<Outgoing> &sending) {
  Admit(now);
  HandOver();
  if (sending.empty()) {
    sending.swap(m_Outbox);
  } else {
    std::move(m_Outbox.begin(), m_Outbox.end(), std::back_inserter(sending));
    m_Outbox.clear();
  }
  if (!ThreadWakesInTime()) WakeThread();
}

int64 CUdpQueryEngine::Counter(int counter) const {
  return counter >= 0 && counter < k_NetCounterCount ? m_Counters[counter].load() : 0;
}

void CUdpQueryEngine::AddToCounter(int counter, int64 amount) {
  if (counter >= 0 && counter < k_NetCounterCount) m_Counters[counter] += amount;
}

void CUdpQueryEngine::Push(NetResult result) {
  m_Finished.push_back(std::move(result));
}

// Called under m_StateMutex before it is released, so results are taken once per batch.
void CUdpQueryEngine::HandOver() {
  if (m_Finished.empty()) return;
  std::lock_guard lock(m_ResultMutex);
  if (m_Results.empty()) {
    m_Results.swap(m_Finished);
  } else {
    for (NetResult &result : m_Finished) m_Results.push_back(std::move(result));
    m_Finished.clear();
  }
}

// The loop ---------------------------------------------------------------------------------------

// Each pass: timers, then new queries into free slots, results handed over and the pass's
// datagrams sent in batches; then the wait, and one batch read from each readable socket.
void CUdpQueryEngine::Run() {
  epoll_event events[8];
  std::vector<Outgoing> sending;
  while (!m_bStop) {
    int waitMs = 0;
    {
      std::lock_guard lock(m_StateMutex);
      Expire(NowNs());
      Admit(NowNs());
      HandOver();
      sending.swap(m_Outbox);
      int64 waitNs = Ms(kMaxWaitMs);
      if (!m_Deadlines.empty()) waitNs = std::min(waitNs, m_Deadlines.begin()->first - NowNs());
      // Round up: waking a little late is harmless, waking early spins.
      waitMs = waitNs <= 0 ? 0 : static_cast<int>((waitNs + 999999) / 1000000);
      m_nThreadWakesNs = NowNs() + Ms(waitMs);
    }
    SendOutgoing(sending);
    sending.clear();
    const int count = m_Epoll >= 0 ? epoll_wait(m_Epoll, events, 8, waitMs) : 0;
    if (m_Epoll < 0) std::this_thread::sleep_for(std::chrono::milliseconds(waitMs));
    for (int i = 0; i < count && !m_bStop; ++i) {
      if (events[i].data.fd == m_Wake) {
        uint64 value = 0;
        [[maybe_unused]] const ssize_t got = read(m_Wake, &value, sizeof(value));
        continue;
      }
      // Read without the lock, so callers starting queries are not held up by the system call.
      const int got = ReceiveBatch(events[i].data.fd, m_ThreadBuffers);
      if (got <= 0) continue;
      std::lock_guard lock(m_StateMutex);
      TakeBatch(m_ThreadBuffers, got, NowNs());
    }
  }
}

void CUdpQueryEngine::Admit(int64 now) {
  while (!m_Waiting.empty() && static_cast<int>(m_Open.size()) < m_nInFlightLimit.load()) {
    NetQuery query = std::move(m_Waiting.front());
    m_Waiting.pop_front();
    if (m_CancelledWaiting.erase(query.m_uId)) {
      AddToCounter(k_NetWaiting, -1);
      if (query.m_eKind == ENetQueryKind::MasterList && !IsMasterBusy(query.m_Address))
        ReleaseDeferredMaster(query.m_Address);
      continue;
    }
    if (query.m_eKind == ENetQueryKind::MasterList && IsMasterBusy(query.m_Address)) {
      const NetAddress master = query.m_Address;
      m_DeferredMasters[master].push_back(std::move(query));
      continue;
    }
    AddToCounter(k_NetWaiting, -1);
    Start(std::move(query), now);
  }
  // Cancels of queries that were never submitted must not pile up.
  if (m_Waiting.empty() && m_DeferredMasters.empty()) m_CancelledWaiting.clear();
}

bool CUdpQueryEngine::IsMasterBusy(const NetAddress &master) const {
  auto it = m_ByAddress.find(master);
  if (it == m_ByAddress.end()) return false;
  for (uint64 id : it->second) {
    auto open = m_Open.find(id);
    if (open != m_Open.end() && open->second.m_Query.m_eKind == ENetQueryKind::MasterList) return true;
  }
  return false;
}

// Sending and timers -----------------------------------------------------------------------------

void CUdpQueryEngine::Start(NetQuery query, int64 now) {
  const uint64 id = query.m_uId;
  const bool isMaster = query.m_eKind == ENetQueryKind::MasterList;
  if (m_Open.count(id) || !query.m_pFamily) {
    Push({id, isMaster ? NetResult::Kind::MasterDone : NetResult::Kind::Silent});
    return;
  }
  Open &open = m_Open[id];
  open.m_Query = std::move(query);
  if (!open.m_Query.m_pCatalogue) open.m_Query.m_pCatalogue = std::make_shared<CProtocolCatalogue>();
  open.m_nStartNs = now;
  if (open.m_Query.m_bAnySource) {
    m_AnySource.push_back(id);
  } else {
    m_ByAddress[open.m_Query.m_Address].push_back(id);
  }
  AddToCounter(k_NetInFlight, 1);
  const int64 inFlight = static_cast<int64>(m_Open.size());
  if (inFlight > Counter(k_NetPeakInFlight)) m_Counters[k_NetPeakInFlight] = inFlight;
  if (!Send(open, now)) {
    NetResult result{id, isMaster ? NetResult::Kind::MasterDone : NetResult::Kind::Silent};
    Finish(id, std::move(result));
    return;
  }
  SetDeadline(id, open, NextDeadline(open));
}

bool CUdpQueryEngine::Send(Open &open, int64 now) {
  const NetQuery &query = open.m_Query;
  const IProtocolFamily &family = *query.m_pFamily;
  std::string packet;
  bool built = false;
  if (query.m_eKind == ENetQueryKind::MasterList) {
    built =
        family.BuildMasterListRequest(query.m_Address.m_bIPv6, query.m_GameName, query.m_nProtocol, packet);
  } else {
    // A fresh challenge for every send, so the round trip is timed from the send answered.
    std::string &challenge = open.m_Challenges[open.m_nSends];
    challenge = family.MakeChallenge(m_Random());
    built = query.m_eKind == ENetQueryKind::Info ? family.BuildInfoRequest(challenge, packet)
                                                 : family.BuildStatusRequest(challenge, packet);
  }
  if (!built) return false;
  const int fd = query.m_Address.m_bIPv6 ? m_Socket6 : m_Socket4;
  if (fd < 0) return false;
  open.m_SendNs[open.m_nSends] = now;
  ++open.m_nSends;
  // Leaves once the lock is released, microseconds from now: the round trip's error is small.
  Outgoing &out = m_Outbox.emplace_back();
  out.m_Socket = fd;
  out.m_nToLength = query.m_Address.ToSockaddr(out.m_To);
  out.m_Bytes = std::move(packet);
  return true;
}

// Called without the lock. A datagram that fails is retried on the usual schedule (the query
// goes silent if none gets through); the ones after it are still tried.
void CUdpQueryEngine::SendOutgoing(std::vector<Outgoing> &batch) {
  mmsghdr headers[kSendBatch];
  iovec vectors[kSendBatch];
  for (size_t at = 0; at < batch.size();) {
    // A run of datagrams for one socket.
    const int fd = batch[at].m_Socket;
    size_t count = 0;
    for (; count < kSendBatch && at + count < batch.size() && batch[at + count].m_Socket == fd; ++count) {
      Outgoing &out = batch[at + count];
      vectors[count] = {out.m_Bytes.data(), out.m_Bytes.size()};
      headers[count] = {};
      headers[count].msg_hdr.msg_name = &out.m_To;
      headers[count].msg_hdr.msg_namelen = out.m_nToLength;
      headers[count].msg_hdr.msg_iov = &vectors[count];
      headers[count].msg_hdr.msg_iovlen = 1;
    }
    int interrupted = 0;
    for (size_t done = 0; done < count;) {
      const int sent = m_pCalls->SendMany(fd, headers + done, static_cast<unsigned>(count - done));
      if (sent < 0 && errno == EINTR && ++interrupted < 8) continue;
      if (sent <= 0) {
        // The datagram at the front failed (a full buffer, an unreachable address).
        AddToCounter(k_NetSendFailed, 1);
        ++done;
        continue;
      }
      for (size_t i = done; i < done + static_cast<size_t>(sent); ++i)
        AddToCounter(headers[i].msg_len == vectors[i].iov_len ? k_NetSent : k_NetSendFailed, 1);
      done += static_cast<size_t>(sent);
    }
    at += count;
  }
}

int64 CUdpQueryEngine::NextDeadline(const Open &open) const {
  const int64 start = open.m_nStartNs;
  if (open.m_Query.m_eKind != ENetQueryKind::MasterList) {
    return open.m_nSends < 3 ? start + Ms(m_Options.m_nServerSendsMs[open.m_nSends])
                             : start + Ms(m_Options.m_nServerSilentMs);
  }
  const int64 timeout = Ms(m_Options.m_nMasterTimeoutMs);
  int64 deadline = start + timeout;
  if (open.m_bEnded) deadline = std::min(deadline, open.m_nIdleUntilNs);
  // Asked again only while it has said nothing: a list under way is not asked for twice.
  if (!open.m_bAnswered && open.m_nSends < 3) {
    const int64 again = open.m_nSends == 1 ? timeout / 2 : timeout * 3 / 4;
    deadline = std::min(deadline, start + again);
  }
  return deadline;
}

void CUdpQueryEngine::SetDeadline(uint64 id, Open &open, int64 deadline) {
  m_Deadlines.erase({open.m_nDeadlineNs, id});
  open.m_nDeadlineNs = deadline;
  m_Deadlines.insert({deadline, id});
}

void CUdpQueryEngine::Expire(int64 now) {
  // Bounded by the queries open: each is either given a later deadline or closed.
  size_t budget = m_Deadlines.size();
  while (!m_Deadlines.empty() && m_Deadlines.begin()->first <= now && budget-- > 0) {
    const uint64 id = m_Deadlines.begin()->second;
    auto it = m_Open.find(id);
    if (it == m_Open.end()) {
      m_Deadlines.erase(m_Deadlines.begin());
      continue;
    }
    OnTimer(id, it->second, now);
  }
}

void CUdpQueryEngine::OnTimer(uint64 id, Open &open, int64 now) {
  const bool isMaster = open.m_Query.m_eKind == ENetQueryKind::MasterList;
  const int64 start = open.m_nStartNs;
  bool over = false;
  if (isMaster) {
    over = now >= start + Ms(m_Options.m_nMasterTimeoutMs) || (open.m_bEnded && now >= open.m_nIdleUntilNs);
  } else {
    over = open.m_nSends >= 3;
  }
  if (over) {
    NetResult result{id, isMaster ? NetResult::Kind::MasterDone : NetResult::Kind::Silent};
    result.m_bMasterAnswered = open.m_bAnswered;
    result.m_bMasterEnded = open.m_bEnded;
    Finish(id, std::move(result));
    return;
  }
  if (!open.m_bAnswered && open.m_nSends < 3) Send(open, now);
  SetDeadline(id, open, NextDeadline(open));
}

void CUdpQueryEngine::Finish(uint64 id, NetResult result) {
  Close(id);
  Push(std::move(result));
}

void CUdpQueryEngine::Close(uint64 id) {
  auto it = m_Open.find(id);
  if (it == m_Open.end()) return;
  const Open &open = it->second;
  m_Deadlines.erase({open.m_nDeadlineNs, id});
  if (open.m_Query.m_bAnySource) {
    std::erase(m_AnySource, id);
  } else {
    auto byAddress = m_ByAddress.find(open.m_Query.m_Address);
    if (byAddress != m_ByAddress.end()) {
      std::erase(byAddress->second, id);
      if (byAddress->second.empty()) m_ByAddress.erase(byAddress);
    }
  }
  const bool wasMaster = open.m_Query.m_eKind == ENetQueryKind::MasterList;
  const NetAddress address = open.m_Query.m_Address;
  m_Open.erase(it);
  AddToCounter(k_NetInFlight, -1);
  if (wasMaster) ReleaseDeferredMaster(address);
}

void CUdpQueryEngine::ReleaseDeferredMaster(const NetAddress &master) {
  // The next list query to this master goes first in line.
  auto deferred = m_DeferredMasters.find(master);
  if (deferred == m_DeferredMasters.end()) return;
  m_Waiting.push_front(std::move(deferred->second.front()));
  deferred->second.pop_front();
  if (deferred->second.empty()) m_DeferredMasters.erase(deferred);
}

// Answers ----------------------------------------------------------------------------------------

// Called without the lock: the number of datagrams read into the batch's slots.
int CUdpQueryEngine::ReceiveBatch(int socket, ReceiveBuffers &buffers) {
  for (mmsghdr &header : buffers.m_Headers) {
    header.msg_hdr.msg_namelen = sizeof(sockaddr_storage);
    header.msg_hdr.msg_flags = 0;
    header.msg_len = 0;
  }
  for (int interrupted = 0;; ++interrupted) {
    const int got =
        m_pCalls->ReceiveMany(socket, buffers.m_Headers.data(), static_cast<unsigned>(kReceiveBatch));
    if (got < 0 && errno == EINTR && interrupted < 8) continue;
    // EAGAIN: drained; anything else (an ICMP error) has nothing to read.
    return std::min(got, static_cast<int>(kReceiveBatch));
  }
}

void CUdpQueryEngine::TakeBatch(const ReceiveBuffers &buffers, int count, int64 now) {
  AddToCounter(k_NetReceived, count);
  for (int i = 0; i < count && !m_bStop; ++i) {
    const mmsghdr &header = buffers.m_Headers[static_cast<size_t>(i)];
    NetAddress from;
    if (!NetAddress::FromSockaddr(static_cast<const sockaddr *>(header.msg_hdr.msg_name),
                                  header.msg_hdr.msg_namelen, from))
      continue;
    const bool truncated = header.msg_len > kReceiveSlot || (header.msg_hdr.msg_flags & MSG_TRUNC);
    const size_t size = std::min<size_t>(header.msg_len, kReceiveSlot);
    OnDatagram(from, std::string_view(buffers.m_Bytes.data() + static_cast<size_t>(i) * kReceiveSlot, size),
               truncated, now);
  }
}

void CUdpQueryEngine::OnDatagram(const NetAddress &from, std::string_view packet, bool truncated, int64 now) {
  auto it = m_ByAddress.find(from);
  if (it == m_ByAddress.end()) {
    if (!TryAnySource(from, packet, now)) AddToCounter(k_NetDroppedForeign, 1);
    return;
  }
  if (truncated || packet.size() > k_nMaxAnswerBytes) {
    AddToCounter(k_NetDroppedOversized, 1);
    return;
  }
  // Only a match changes the table (the query it completes is closed), and the walk ends there.
  const std::vector<uint64> &ids = it->second;
  EPacketVerdict verdict = EPacketVerdict::WrongCommand;
  for (uint64 id : ids) {
    auto open = m_Open.find(id);
    if (open == m_Open.end()) continue;
    const bool matched = open->second.m_Query.m_eKind == ENetQueryKind::MasterList
                             ? MatchMasterAnswer(id, open->second, packet, now, verdict)
                             : MatchServerAnswer(id, open->second, from, packet, now, verdict);
    if (matched) return;
  }
  CountVerdict(verdict);
}

bool CUdpQueryEngine::TryAnySource(const NetAddress &from, std::string_view packet, int64 now) {
  if (m_AnySource.empty() || from.m_bIPv6 || packet.size() > k_nMaxAnswerBytes) return false;
  const uint64 key = (uint64{from.IPv4()} << 16) | from.m_usPort;
  for (uint64 id : m_AnySource) {
    auto it = m_Open.find(id);
    if (it == m_Open.end()) continue;
    Open &open = it->second;
    if (open.m_Query.m_Address.m_usPort != from.m_usPort || open.m_Seen.count(key)) continue;
    // Each server that answers is passed on once; the probe stays open for the others.
    for (int i = 0; i < open.m_nSends; ++i) {
      NetResult result{id, NetResult::Kind::Info};
      const EPacketVerdict verdict =
          open.m_Query.m_pFamily->DecodeInfo(packet, open.m_Challenges[i], from.IPv4(), from.m_usPort,
                                             *open.m_Query.m_pCatalogue, result.m_Info);
      if (verdict == EPacketVerdict::Accepted) {
        open.m_Seen.insert(key);
        result.m_nPingMs = std::max<int>(1, static_cast<int>((now - open.m_SendNs[i]) / 1000000));
        Push(std::move(result));
        return true;
      }
    }
  }
  return false;
}

bool CUdpQueryEngine::MatchServerAnswer(uint64 id, Open &open, const NetAddress &from,
                                        std::string_view packet, int64 now, EPacketVerdict &verdict) {
  const NetQuery &query = open.m_Query;
  const IProtocolFamily &family = *query.m_pFamily;
  const bool info = query.m_eKind == ENetQueryKind::Info;
  for (int i = 0; i < open.m_nSends; ++i) {
    NetResult result{id, info ? NetResult::Kind::Info : NetResult::Kind::Status};
    const EPacketVerdict got = info ? family.DecodeInfo(packet, open.m_Challenges[i], from.IPv4(),
                                                        from.m_usPort, *query.m_pCatalogue, result.m_Info)
                                    : family.DecodeStatus(packet, open.m_Challenges[i], result.m_Status);
    if (got == EPacketVerdict::Accepted) {
      // At least 1 ms: 0 reads as "not measured" to some callers.
      result.m_nPingMs = std::max<int>(1, static_cast<int>((now - open.m_SendNs[i]) / 1000000));
      Finish(id, std::move(result));
      return true;
    }
    // A challenge mismatch says nothing until every challenge sent is tried; other verdicts
    // (another answer kind, a broken packet) are the same for every challenge.
    if (got != EPacketVerdict::ChallengeMismatch) {
      // Another query at this address may have asked for this kind of answer.
      if (verdict != EPacketVerdict::ChallengeMismatch) verdict = got;
      return false;
    }
    verdict = got;
  }
  return false;
}

bool CUdpQueryEngine::MatchMasterAnswer(uint64 id, Open &open, std::string_view packet, int64 now,
                                        EPacketVerdict &verdict) {
  MasterList_t list;
  const EPacketVerdict got = open.m_Query.m_pFamily->DecodeMasterList(packet, list);
  if (got != EPacketVerdict::Accepted) {
    if (verdict != EPacketVerdict::ChallengeMismatch) verdict = got;
    return false;
  }
  open.m_bAnswered = true;
  AddToCounter(k_NetIPv6Skipped, list.m_nIPv6Skipped);
  AddToCounter(k_NetInvalidSkipped, list.m_nInvalidSkipped);
  NetResult part{id, NetResult::Kind::MasterPart};
  for (const MasterListEntry_t &entry : list.m_Servers) {
    if (open.m_Seen.insert(EntryKey(entry)).second) {
      part.m_Servers.push_back(entry);
    } else {
      AddToCounter(k_NetDuplicateEntries, 1);
    }
  }
  if (!part.m_Servers.empty()) Push(std::move(part));
  // Older masters end every datagram: wait a moment after each for the rest.
  if (list.m_bEnd || open.m_bEnded) {
    open.m_bEnded = true;
    open.m_nIdleUntilNs = now + Ms(m_Options.m_nMasterIdleMs);
  }
  SetDeadline(id, open, NextDeadline(open));
  return true;
}

void CUdpQueryEngine::CountVerdict(EPacketVerdict verdict) {
  AddToCounter(CounterFor(verdict), 1);
}
