#include "udp_baseline.h"

#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <thread>

#include "bench_support.h"
#include "tools/serverfarm/loopback_udp.h"

std::atomic<bool> g_bBenchStop{false};

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint32_t kEchoMagic = 0x45434830;
constexpr int kEchoBatch = 64;
constexpr double kLostAfterSeconds = 0.2;

// One client for both floors. `build(seq, packet, to)` writes request `seq` and names its
// destination; `match(bytes, length)` gives the sequence number an answer carries, or -1.
template <class Build, class Match>
RoundTrips RunClient(int count, int inFlight, double maxSeconds, Build build, Match match) {
  RoundTrips result;
  NetAddress bound;
  std::string error;
  const int fd = OpenLoopbackSocket(NetAddress::FromIPv4(0x7F000001u, 0), bound, error);
  const int epoll = epoll_create1(EPOLL_CLOEXEC);
  if (fd < 0 || epoll < 0 || count <= 0) {
    if (fd >= 0) close(fd);
    if (epoll >= 0) close(epoll);
    return result;
  }
  epoll_event event{};
  event.events = EPOLLIN;
  epoll_ctl(epoll, EPOLL_CTL_ADD, fd, &event);

  std::vector<Clock::time_point> sentAt(static_cast<size_t>(count));
  std::vector<char> open(static_cast<size_t>(count), 0);
  std::vector<int> openSeqs;  // a scan for lost requests looks at these only
  result.m_RttUs.reserve(static_cast<size_t>(count));
  std::string packet;
  char buffer[65536];
  int next = 0, lost = 0, outstanding = 0;
  const auto start = Clock::now();
  auto lastScan = start;
  while (result.m_nAnswered + lost < count && !g_bBenchStop && SecondsSince(start) < maxSeconds) {
    // Fill the window.
    while (outstanding < inFlight && next < count) {
      const sockaddr_storage *to = nullptr;
      socklen_t toLength = 0;
      build(next, packet, to, toLength);
      if (sendto(fd, packet.data(), packet.size(), 0, reinterpret_cast<const sockaddr *>(to), toLength) < 0)
        break;  // a full buffer: answers first
      sentAt[static_cast<size_t>(next)] = Clock::now();
      open[static_cast<size_t>(next)] = 1;
      openSeqs.push_back(next);
      ++outstanding;
      ++next;
      ++result.m_nSent;
    }
    epoll_event ready[4];
    epoll_wait(epoll, ready, 4, 5);
    // Drain the answers.
    for (;;) {
      const ssize_t got = recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
      if (got <= 0) break;
      const auto now = Clock::now();
      const int seq = match(buffer, static_cast<size_t>(got));
      if (seq < 0 || seq >= count || !open[static_cast<size_t>(seq)]) continue;  // late or foreign
      open[static_cast<size_t>(seq)] = 0;
      --outstanding;
      result.m_RttUs.push_back(
          std::chrono::duration<double, std::micro>(now - sentAt[static_cast<size_t>(seq)]).count());
      result.m_nReplyBytes = static_cast<size_t>(got);
      ++result.m_nAnswered;
    }
    // Give up on lost requests (a scan at most every millisecond).
    const auto now = Clock::now();
    if (now - lastScan > std::chrono::milliseconds(1)) {
      lastScan = now;
      std::erase_if(openSeqs, [&](int seq) {
        if (!open[static_cast<size_t>(seq)]) return true;
        if (std::chrono::duration<double>(now - sentAt[static_cast<size_t>(seq)]).count() < kLostAfterSeconds)
          return false;
        open[static_cast<size_t>(seq)] = 0;
        --outstanding;
        ++lost;
        return true;
      });
    }
  }
  result.m_flSeconds = SecondsSince(start);
  close(epoll);
  close(fd);
  return result;
}

// Answers every datagram on `fd` with `replyBytes` that start with the request's first 8 bytes.
void Respond(int fd, size_t replyBytes, const std::atomic<bool> &stop, double maxSeconds) {
  std::vector<std::vector<char>> in(kEchoBatch, std::vector<char>(2048));
  std::vector<std::vector<char>> out(kEchoBatch, std::vector<char>(std::max<size_t>(replyBytes, 8), 'r'));
  std::vector<sockaddr_storage> peers(kEchoBatch);
  std::vector<iovec> inVec(kEchoBatch), outVec(kEchoBatch);
  std::vector<mmsghdr> inMsg(kEchoBatch), outMsg(kEchoBatch);
  const int epoll = epoll_create1(EPOLL_CLOEXEC);
  epoll_event event{};
  event.events = EPOLLIN;
  epoll_ctl(epoll, EPOLL_CTL_ADD, fd, &event);
  const auto start = Clock::now();
  while (!stop && !g_bBenchStop && SecondsSince(start) < maxSeconds) {
    epoll_event ready[1];
    if (epoll_wait(epoll, ready, 1, 20) != 1) continue;
    for (;;) {
      for (int k = 0; k < kEchoBatch; ++k) {
        inVec[static_cast<size_t>(k)] = {in[static_cast<size_t>(k)].data(),
                                         in[static_cast<size_t>(k)].size()};
        inMsg[static_cast<size_t>(k)] = {};
        inMsg[static_cast<size_t>(k)].msg_hdr.msg_iov = &inVec[static_cast<size_t>(k)];
        inMsg[static_cast<size_t>(k)].msg_hdr.msg_iovlen = 1;
        inMsg[static_cast<size_t>(k)].msg_hdr.msg_name = &peers[static_cast<size_t>(k)];
        inMsg[static_cast<size_t>(k)].msg_hdr.msg_namelen = sizeof(sockaddr_storage);
      }
      const int got = recvmmsg(fd, inMsg.data(), kEchoBatch, MSG_DONTWAIT, nullptr);
      if (got <= 0) break;
      for (size_t k = 0; k < static_cast<size_t>(got); ++k) {
        memcpy(out[k].data(), in[k].data(), 8);
        outVec[k] = {out[k].data(), replyBytes};
        outMsg[k] = {};
        outMsg[k].msg_hdr.msg_iov = &outVec[k];
        outMsg[k].msg_hdr.msg_iovlen = 1;
        outMsg[k].msg_hdr.msg_name = &peers[k];
        outMsg[k].msg_hdr.msg_namelen = inMsg[k].msg_hdr.msg_namelen;
      }
      for (int sent = 0; sent < got;) {
        const int now = sendmmsg(fd, outMsg.data() + sent, static_cast<unsigned>(got - sent), 0);
        if (now <= 0) break;  // the rest is dropped, as a busy server would
        sent += now;
      }
      if (got < kEchoBatch) break;
    }
  }
  close(epoll);
}

// The number after "\challenge\" in an info answer, or -1.
int ChallengeNumber(const char *bytes, size_t length) {
  static constexpr std::string_view kKey = "\\challenge\\";
  const std::string_view text(bytes, length);
  const size_t at = text.find(kKey);
  if (at == std::string_view::npos) return -1;
  int value = 0;
  size_t i = at + kKey.size();
  if (i >= text.size()) return -1;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (value > 100000000) return -1;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

}  // namespace

double RoundTrips::MedianUs() const {
  return Median(m_RttUs);
}

RoundTrips EchoRoundTrips(int count, int inFlight, size_t requestBytes, size_t replyBytes,
                          double maxSeconds) {
  NetAddress responderAddress;
  std::string error;
  const int responder = OpenLoopbackSocket(NetAddress::FromIPv4(0x7F000001u, 0), responderAddress, error);
  if (responder < 0) return {};
  std::atomic<bool> stop{false};
  std::thread thread([&] { Respond(responder, replyBytes, stop, maxSeconds + 1.0); });
  sockaddr_storage to{};
  const socklen_t toLength = responderAddress.ToSockaddr(to);
  RoundTrips result = RunClient(
      count, inFlight, maxSeconds,
      [&](int seq, std::string &packet, const sockaddr_storage *&dest, socklen_t &destLength) {
        packet.assign(std::max<size_t>(requestBytes, 8), 'q');
        const uint32_t header[2] = {kEchoMagic, static_cast<uint32_t>(seq)};
        memcpy(packet.data(), header, sizeof header);
        dest = &to;
        destLength = toLength;
      },
      [](const char *bytes, size_t length) {
        uint32_t header[2] = {};
        if (length < sizeof header) return -1;
        memcpy(header, bytes, sizeof header);
        return header[0] == kEchoMagic ? static_cast<int>(header[1]) : -1;
      });
  stop = true;
  thread.join();
  close(responder);
  return result;
}

RoundTrips InfoRoundTrips(const std::vector<NetAddress> &servers, int inFlight, double maxSeconds) {
  // Challenges never repeat between calls: a late answer to an earlier call (its client's port may
  // be given to this one) cannot pass for an answer of this one.
  static std::atomic<int> nextChallenge{1};
  const int count = static_cast<int>(servers.size());
  const int first = nextChallenge.fetch_add(count);
  std::vector<sockaddr_storage> addresses(servers.size());
  std::vector<socklen_t> lengths(servers.size());
  for (size_t i = 0; i < servers.size(); ++i) lengths[i] = servers[i].ToSockaddr(addresses[i]);
  return RunClient(
      count, inFlight, maxSeconds,
      [&](int seq, std::string &packet, const sockaddr_storage *&dest, socklen_t &destLength) {
        packet = "\xff\xff\xff\xffgetinfo " + std::to_string(first + seq);
        dest = &addresses[static_cast<size_t>(seq)];
        destLength = lengths[static_cast<size_t>(seq)];
      },
      [first](const char *bytes, size_t length) {
        const int number = ChallengeNumber(bytes, length);
        return number < first ? -1 : number - first;
      });
}
