// The network engine's batches of datagrams against small servers on loopback, with the socket
// calls behind the engine's seam cut short, failed or gathered: one read holding answers of several
// queries beside forged and foreign datagrams, reads and sends bigger than the number in flight,
// and sends and reads that stop part way through a batch.
#include "plexaclient/net/udp_query_engine.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "plexaclient/net/q3_protocol.h"
#include "udp_responder.h"

namespace {

using Reply = CUdpResponder::Reply;

// A server answering info queries as `name`, each answer sent `copies` times.
CUdpResponder::Handler InfoServer(const std::string &name, int copies = 1) {
  return [name, copies](std::string_view request) {
    std::vector<Reply> replies;
    if (!IsRequest(request, "getinfo")) return replies;
    const std::string answer = InfoAnswer(RequestChallenge(request), "\\hostname\\" + name +
                                                                         "\\mapname\\quarry\\clients\\1"
                                                                         "\\sv_maxclients\\8\\protocol\\71");
    for (int i = 0; i < copies; ++i) replies.push_back({answer});
    return replies;
  };
}

// The system's socket calls with faults chosen by the test: sends and reads cut short, calls that
// fail, reads that wait until a number of datagrams is at hand, and forged datagrams put in front
// of the first read that returns any.
class CFaultyCalls final : public INetSocketCalls {
 public:
  struct Forged {
    uint16_t m_usFromPort = 0;  // from 127.0.0.1
    std::string m_Bytes;
  };

  int SendMany(int socket, mmsghdr *messages, unsigned count) override {
    std::lock_guard lock(m_Mutex);
    const int call = m_nSendCalls++;
    if (auto failure = m_SendErrors.find(call); failure != m_SendErrors.end()) {
      errno = failure->second;
      return -1;
    }
    return sendmmsg(socket, messages, std::min(count, m_nSendPerCall), 0);
  }

  // Only the engine's thread reads.
  int ReceiveMany(int socket, mmsghdr *messages, unsigned count) override {
    std::lock_guard lock(m_Mutex);
    const int call = m_nReceiveCalls++;
    if (auto failure = m_ReceiveErrors.find(call); failure != m_ReceiveErrors.end()) {
      errno = failure->second;
      return -1;
    }
    const unsigned want = std::min(count, m_nReceivePerCall);
    unsigned have = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (;;) {
      const int got = recvmmsg(socket, messages + have, want - have, MSG_DONTWAIT | MSG_TRUNC, nullptr);
      if (got > 0) have += static_cast<unsigned>(got);
      if (have > 0 && !m_Forged.empty()) have = PutForgedFirst(messages, have, want);
      if (have >= std::min(want, m_nGather) || std::chrono::steady_clock::now() > end) break;
      pollfd ready{socket, POLLIN, 0};
      poll(&ready, 1, 10);
    }
    m_Batches.push_back(have);
    if (have == 0) {
      errno = EAGAIN;
      return -1;
    }
    return static_cast<int>(have);
  }

  size_t LargestBatch() {
    std::lock_guard lock(m_Mutex);
    return m_Batches.empty() ? 0 : *std::max_element(m_Batches.begin(), m_Batches.end());
  }

  unsigned m_nSendPerCall = 1024;
  std::map<int, int> m_SendErrors;  // call number -> errno; nothing is sent
  unsigned m_nReceivePerCall = 1024;
  std::map<int, int> m_ReceiveErrors;  // call number -> errno; nothing is read
  unsigned m_nGather = 1;              // datagrams a read waits for (5 s at most)
  std::vector<Forged> m_Forged;

 private:
  // Moves the `have` datagrams read behind the forged ones; returns the new count.
  unsigned PutForgedFirst(mmsghdr *messages, unsigned have, unsigned want) {
    const unsigned forged = std::min<unsigned>(static_cast<unsigned>(m_Forged.size()), want - have);
    for (unsigned i = have; i-- > 0;) MoveMessage(messages[i], messages[i + forged]);
    for (unsigned i = 0; i < forged; ++i) {
      const Forged &datagram = m_Forged[i];
      mmsghdr &message = messages[i];
      memcpy(message.msg_hdr.msg_iov[0].iov_base, datagram.m_Bytes.data(), datagram.m_Bytes.size());
      message.msg_len = static_cast<unsigned>(datagram.m_Bytes.size());
      sockaddr_in from{};
      from.sin_family = AF_INET;
      from.sin_port = htons(datagram.m_usFromPort);
      from.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      memcpy(message.msg_hdr.msg_name, &from, sizeof(from));
      message.msg_hdr.msg_namelen = sizeof(from);
    }
    m_Forged.clear();
    return have + forged;
  }

  static void MoveMessage(const mmsghdr &from, mmsghdr &to) {
    memcpy(to.msg_hdr.msg_iov[0].iov_base, from.msg_hdr.msg_iov[0].iov_base, from.msg_len);
    memcpy(to.msg_hdr.msg_name, from.msg_hdr.msg_name, from.msg_hdr.msg_namelen);
    to.msg_hdr.msg_namelen = from.msg_hdr.msg_namelen;
    to.msg_hdr.msg_flags = from.msg_hdr.msg_flags;
    to.msg_len = from.msg_len;
  }

  std::mutex m_Mutex;
  int m_nSendCalls = 0;
  int m_nReceiveCalls = 0;
  std::vector<unsigned> m_Batches;
};

// `quickRetries`: a datagram lost to a fault is sent again soon; silence comes late either way, so
// no query goes silent on a slow machine.
// Info servers on ::1 answering from a thread of their own; none when the machine has no IPv6.
class CIPv6Servers {
 public:
  explicit CIPv6Servers(int count) {
    for (int i = 0; i < count; ++i) {
      const int fd = socket(AF_INET6, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
      sockaddr_in6 address{};
      address.sin6_family = AF_INET6;
      address.sin6_addr = in6addr_loopback;
      socklen_t length = sizeof(address);
      if (fd < 0 || bind(fd, reinterpret_cast<sockaddr *>(&address), length) != 0 ||
          getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
        if (fd >= 0) close(fd);
        break;
      }
      m_Sockets.push_back(fd);
      m_Ports.push_back(ntohs(address.sin6_port));
    }
    if (m_Sockets.size() == static_cast<size_t>(count)) m_Thread = std::thread([this] { Run(); });
  }
  ~CIPv6Servers() {
    m_bStop = true;
    if (m_Thread.joinable()) m_Thread.join();
    for (int fd : m_Sockets) close(fd);
  }
  bool Running() const { return m_Thread.joinable(); }
  NetAddress Address(int index) const {
    NetAddress address;
    address.m_bIPv6 = true;
    address.m_Bytes[15] = 1;
    address.m_usPort = m_Ports[static_cast<size_t>(index)];
    return address;
  }

 private:
  void Run() {
    std::vector<pollfd> ready;
    for (int fd : m_Sockets) ready.push_back({fd, POLLIN, 0});
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    char buffer[2048];
    while (!m_bStop && std::chrono::steady_clock::now() < end) {
      poll(ready.data(), ready.size(), 5);
      for (size_t i = 0; i < m_Sockets.size(); ++i) {
        sockaddr_in6 from{};
        socklen_t length = sizeof(from);
        const ssize_t got =
            recvfrom(m_Sockets[i], buffer, sizeof(buffer), 0, reinterpret_cast<sockaddr *>(&from), &length);
        if (got <= 0) continue;
        const std::string_view request(buffer, static_cast<size_t>(got));
        for (const Reply &reply : InfoServer("Server " + std::to_string(2 * i + 1))(request))
          sendto(m_Sockets[i], reply.m_Bytes.data(), reply.m_Bytes.size(), 0,
                 reinterpret_cast<sockaddr *>(&from), length);
      }
    }
  }

  std::vector<int> m_Sockets;
  std::vector<uint16_t> m_Ports;
  std::atomic<bool> m_bStop{false};
  std::thread m_Thread;
};

NetEngineOptions LoopbackOptions(int inFlight, bool quickRetries = false) {
  NetEngineOptions options;
  options.m_nInFlight = inFlight;
  options.m_Bind4 = "127.0.0.1";
  options.m_Bind6 = "::1";
  if (quickRetries) {
    options.m_nServerSendsMs[1] = 200;
    options.m_nServerSendsMs[2] = 400;
  }
  options.m_nServerSilentMs = 20000;
  return options;
}

std::vector<NetQuery> InfoQueries(const CUdpResponder &servers, const std::vector<int> &indices) {
  std::vector<NetQuery> queries;
  for (int index : indices) {
    NetQuery query;
    query.m_uId = static_cast<uint64>(index) + 1;
    query.m_Address = NetAddress::FromIPv4(0x7F000001u, servers.Port(index));
    query.m_pFamily = &Q3ProtocolFamily();
    queries.push_back(query);
  }
  return queries;
}

// Results until `over` queries are over, or 20 s of real time pass.
std::vector<NetResult> TakeUntilOver(CUdpQueryEngine &engine, size_t over) {
  std::vector<NetResult> results;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (results.size() < over && std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    engine.TakeResults(results);
  }
  return results;
}

// Each query's id once, answered with the name of the server it asked.
void ExpectEachAnsweredOnce(const std::vector<NetResult> &results, size_t count) {
  std::set<uint64> ids;
  for (const NetResult &result : results) {
    EXPECT_EQ(result.m_eKind, NetResult::Kind::Info) << "query " << result.m_uId;
    EXPECT_EQ(std::string(result.m_Info.m_Record.GetName()), "Server " + std::to_string(result.m_uId - 1));
    EXPECT_TRUE(ids.insert(result.m_uId).second) << "query " << result.m_uId << " twice";
  }
  EXPECT_EQ(ids.size(), count);
}

std::vector<int> FirstIndices(int count) {
  std::vector<int> indices(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) indices[static_cast<size_t>(i)] = i;
  return indices;
}

TEST(UdpQueryEngine, OneReadMixingAnswersOfSeveralQueriesWithForgedAndForeignDatagrams) {
  CUdpResponder servers;
  for (int i = 0; i < 4; ++i) servers.Add(InfoServer("Server " + std::to_string(i), i == 1 ? 2 : 1));
  const int unused = servers.Add(InfoServer("Nobody"));
  servers.Start();
  CFaultyCalls calls;
  // In front of the real answers: one from a queried server with a challenge never sent, one from
  // a port no query asked; behind them, server 1's second copy arrives after its query is over.
  calls.m_Forged = {{servers.Port(0), InfoAnswer("12345", "\\hostname\\Forged")},
                    {servers.Port(unused), InfoAnswer("12345", "\\hostname\\Stranger")}};
  calls.m_nGather = 7;
  CUdpQueryEngine engine(LoopbackOptions(64), &calls);
  engine.Submit(InfoQueries(servers, FirstIndices(4)));

  const std::vector<NetResult> results = TakeUntilOver(engine, 4);
  ExpectEachAnsweredOnce(results, 4);
  EXPECT_EQ(calls.LargestBatch(), 7u);
  EXPECT_EQ(engine.Counter(k_NetReceived), 7);
  EXPECT_EQ(engine.Counter(k_NetDroppedChallenge), 1);
  EXPECT_EQ(engine.Counter(k_NetDroppedForeign), 2);
  EXPECT_EQ(engine.Counter(k_NetInFlight), 0);
}

TEST(UdpQueryEngine, ReadsBiggerThanTheNumberInFlightKeepTheLimit) {
  // Every server answers three times: each read holds the answers of both queries in flight and
  // four late copies, and each pass frees two slots at once.
  CUdpResponder servers;
  for (int i = 0; i < 12; ++i) servers.Add(InfoServer("Server " + std::to_string(i), 3));
  servers.Start();
  CFaultyCalls calls;
  calls.m_nGather = 6;
  CUdpQueryEngine engine(LoopbackOptions(2), &calls);
  engine.Submit(InfoQueries(servers, FirstIndices(12)));

  const std::vector<NetResult> results = TakeUntilOver(engine, 12);
  ExpectEachAnsweredOnce(results, 12);
  EXPECT_GT(calls.LargestBatch(), 2u);
  EXPECT_EQ(engine.Counter(k_NetPeakInFlight), 2);
  EXPECT_LE(servers.PeakOutstanding(), 2);
  EXPECT_EQ(engine.Counter(k_NetSent), 12);
  EXPECT_EQ(engine.Counter(k_NetReceived), 36);
  EXPECT_EQ(engine.Counter(k_NetDroppedForeign), 24);
  EXPECT_EQ(engine.Counter(k_NetWaiting), 0);
}

TEST(UdpQueryEngine, OneBatchOfSendsOverBothAddressFamilies) {
  // Queries alternate between IPv4 and IPv6 servers, so the datagrams of one pass go out in runs
  // of each socket; odd servers are on ::1.
  CIPv6Servers six(2);
  if (!six.Running()) GTEST_SKIP() << "no IPv6 loopback on this machine";
  CUdpResponder four;
  four.Add(InfoServer("Server 0"));
  four.Add(InfoServer("Server 2"));
  four.Start();
  std::vector<NetQuery> queries = InfoQueries(four, {0, 1});
  queries[1].m_uId = 3;  // server 2
  for (int i = 0; i < 2; ++i) {
    NetQuery query = queries[0];
    query.m_uId = static_cast<uint64>(2 * i + 2);  // servers 1 and 3
    query.m_Address = six.Address(i);
    queries.insert(queries.begin() + 2 * i + 1, query);
  }
  CFaultyCalls calls;
  CUdpQueryEngine engine(LoopbackOptions(64), &calls);
  ASSERT_TRUE(engine.HasIPv6());
  engine.Submit(std::move(queries));

  const std::vector<NetResult> results = TakeUntilOver(engine, 4);
  ExpectEachAnsweredOnce(results, 4);
  EXPECT_EQ(engine.Counter(k_NetSent), 4);
  EXPECT_EQ(engine.Counter(k_NetReceived), 4);
}

TEST(UdpQueryEngine, SendsCutShortOrFailedPartWayThroughABatch) {
  struct Case {
    const char *m_pName;
    unsigned m_nPerCall;
    std::map<int, int> m_Errors;  // call number -> errno
    int m_nFailed;                // datagrams counted as failed (each sent again later)
  };
  const Case cases[] = {
      {"one datagram per call", 1, {}, 0},
      {"full buffer after two", 2, {{1, EAGAIN}}, 1},
      {"interrupted", 1024, {{0, EINTR}}, 0},
      {"a datagram refused, then a full buffer", 3, {{0, EPERM}, {2, EAGAIN}}, 2},
  };
  for (const Case &test : cases) {
    SCOPED_TRACE(test.m_pName);
    CUdpResponder servers;
    for (int i = 0; i < 8; ++i) servers.Add(InfoServer("Server " + std::to_string(i)));
    servers.Start();
    CFaultyCalls calls;
    calls.m_nSendPerCall = test.m_nPerCall;
    calls.m_SendErrors = test.m_Errors;
    CUdpQueryEngine engine(LoopbackOptions(64, true), &calls);
    engine.Submit(InfoQueries(servers, FirstIndices(8)));

    const std::vector<NetResult> results = TakeUntilOver(engine, 8);
    ExpectEachAnsweredOnce(results, 8);
    EXPECT_EQ(engine.Counter(k_NetSendFailed), test.m_nFailed);
    // The failed ones went out on their second send.
    EXPECT_GE(engine.Counter(k_NetSent), 8);
  }
}

TEST(UdpQueryEngine, ReadsCutShortOrFailedLeaveNothingBehind) {
  struct Case {
    const char *m_pName;
    unsigned m_nPerCall;
    std::map<int, int> m_Errors;  // call number -> errno; the socket keeps its datagrams
  };
  const Case cases[] = {
      {"one datagram per read", 1, {}},
      {"would block before the socket is drained", 2, {{0, EAGAIN}, {2, EAGAIN}}},
      {"interrupted", 1024, {{0, EINTR}, {1, EINTR}}},
  };
  for (const Case &test : cases) {
    SCOPED_TRACE(test.m_pName);
    CUdpResponder servers;
    for (int i = 0; i < 10; ++i) servers.Add(InfoServer("Server " + std::to_string(i)));
    servers.Start();
    CFaultyCalls calls;
    calls.m_nReceivePerCall = test.m_nPerCall;
    calls.m_ReceiveErrors = test.m_Errors;
    CUdpQueryEngine engine(LoopbackOptions(64), &calls);
    engine.Submit(InfoQueries(servers, FirstIndices(10)));

    const std::vector<NetResult> results = TakeUntilOver(engine, 10);
    ExpectEachAnsweredOnce(results, 10);
    EXPECT_EQ(engine.Counter(k_NetReceived), 10);
    EXPECT_EQ(engine.Counter(k_NetSendFailed), 0);
  }
}

// Reads only for the thread that made it (the test's, standing for the frame pump): the I/O
// thread finds every socket empty.
class CPumpOnlyReads final : public INetSocketCalls {
 public:
  int SendMany(int socket, mmsghdr *messages, unsigned count) override {
    return sendmmsg(socket, messages, count, 0);
  }
  int ReceiveMany(int socket, mmsghdr *messages, unsigned count) override {
    if (std::this_thread::get_id() != m_Pump) {
      // The socket stays readable: pause so the I/O thread does not spin on it.
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      errno = EAGAIN;
      return -1;
    }
    ++m_nPumpReads;
    return recvmmsg(socket, messages, count, MSG_DONTWAIT | MSG_TRUNC, nullptr);
  }

  const std::thread::id m_Pump = std::this_thread::get_id();
  std::atomic<int> m_nPumpReads{0};
};

TEST(UdpQueryEngine, TheFramePumpTakesAnswersWaitingBeforeTheIOThreadReadsThem) {
  CUdpResponder servers;
  for (int i = 0; i < 3; ++i) servers.Add(InfoServer("Server " + std::to_string(i)));
  servers.Start();
  CPumpOnlyReads calls;
  // One in flight: the queries follow one another.
  CUdpQueryEngine engine(LoopbackOptions(1), &calls);
  engine.ReadWaiting();
  EXPECT_EQ(calls.m_nPumpReads, 0) << "nothing open, nothing read";

  engine.Submit(InfoQueries(servers, FirstIndices(3)));
  std::vector<NetResult> results;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (results.size() < 3 && std::chrono::steady_clock::now() < end) {
    engine.ReadWaiting();
    engine.TakeResults(results);
  }
  ExpectEachAnsweredOnce(results, 3);
  EXPECT_EQ(engine.Counter(k_NetInFlight), 0);
  const int reads = calls.m_nPumpReads;
  engine.ReadWaiting();
  EXPECT_EQ(calls.m_nPumpReads, reads) << "nothing open any more";
}

}  // namespace
