#include "raw_udp.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "tools/serverfarm/loopback_udp.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double MicrosecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

int OpenSocket(NetAddress &bound) {
  std::string error;
  return OpenLoopbackSocket(NetAddress::FromIPv4(0x7F000001u, 0), bound, error);
}

// Drains every datagram waiting on `fd`; how many there were.
int DrainDatagrams(int fd) {
  char buffer[2048];
  int count = 0;
  while (recv(fd, buffer, sizeof buffer, MSG_DONTWAIT) > 0) ++count;
  return count;
}

bool WaitReadable(int fd, int timeoutMs) {
  pollfd ready{fd, POLLIN, 0};
  return poll(&ready, 1, timeoutMs) == 1;
}

// An echo thread on its own socket, answering `replyBytes` to every datagram until destroyed.
class CEchoThread {
 public:
  explicit CEchoThread(size_t replyBytes) : m_Fd(OpenSocket(m_Address)), m_Reply(replyBytes, 'r') {
    if (m_Fd >= 0) m_Thread = std::thread([this] { Run(); });
  }
  ~CEchoThread() {
    m_bStop = true;
    if (m_Thread.joinable()) m_Thread.join();
    if (m_Fd >= 0) close(m_Fd);
  }
  CEchoThread(const CEchoThread &) = delete;
  CEchoThread &operator=(const CEchoThread &) = delete;

  bool Ready() const { return m_Fd >= 0; }
  const NetAddress &Address() const { return m_Address; }

 private:
  void Run() {
    char buffer[2048];
    while (!m_bStop) {
      if (!WaitReadable(m_Fd, 20)) continue;
      sockaddr_storage from{};
      socklen_t length = sizeof from;
      while (recvfrom(m_Fd, buffer, sizeof buffer, MSG_DONTWAIT, reinterpret_cast<sockaddr *>(&from),
                      &length) > 0) {
        sendto(m_Fd, m_Reply.data(), m_Reply.size(), 0, reinterpret_cast<sockaddr *>(&from), length);
        length = sizeof from;
      }
    }
  }

  NetAddress m_Address;
  int m_Fd;
  std::string m_Reply;
  std::atomic<bool> m_bStop{false};
  std::thread m_Thread;
};

}  // namespace

double MedianOf(std::vector<double> values) {
  if (values.empty()) return 0;
  std::nth_element(values.begin(), values.begin() + static_cast<long>(values.size() / 2), values.end());
  return values[values.size() / 2];
}

double RawEchoRoundTrips(int count, const RawUdpShape &shape, double maxSeconds) {
  CEchoThread echo(shape.replyBytes);
  NetAddress clientAddress;
  const int client = OpenSocket(clientAddress);
  if (!echo.Ready() || client < 0) {
    if (client >= 0) close(client);
    return 0;
  }
  const std::string request(shape.requestBytes, 'q');
  int sent = 0, received = 0;
  const auto start = Clock::now();
  while (received < count && SecondsSince(start) < maxSeconds) {
    while (sent < count && sent - received < shape.inFlight && SendDatagram(client, echo.Address(), request))
      ++sent;
    if (!WaitReadable(client, 100)) {
      received = sent;  // lost ones are not waited for
      continue;
    }
    received += DrainDatagrams(client);
  }
  const double seconds = SecondsSince(start);
  close(client);
  return received / seconds;
}

double RawEchoMedianMicroseconds(int count, const RawUdpShape &shape) {
  CEchoThread echo(shape.replyBytes);
  NetAddress clientAddress;
  const int client = OpenSocket(clientAddress);
  std::vector<double> samples;
  const std::string request(shape.requestBytes, 'q');
  for (int i = 0; echo.Ready() && client >= 0 && i < count; ++i) {
    const auto start = Clock::now();
    if (!SendDatagram(client, echo.Address(), request) || !WaitReadable(client, 1000)) continue;
    DrainDatagrams(client);
    samples.push_back(MicrosecondsSince(start));
  }
  if (client >= 0) close(client);
  return MedianOf(samples);
}

double RawQueryMedianMicroseconds(const NetAddress &server, const std::string &request, int count) {
  NetAddress clientAddress;
  const int client = OpenSocket(clientAddress);
  std::vector<double> samples;
  for (int i = 0; client >= 0 && i < count; ++i) {
    DrainDatagrams(client);
    const auto start = Clock::now();
    if (!SendDatagram(client, server, request) || !WaitReadable(client, 1000)) continue;
    samples.push_back(MicrosecondsSince(start));
    DrainDatagrams(client);
  }
  if (client >= 0) close(client);
  return MedianOf(samples);
}

double RawQueryRate(const std::vector<NetAddress> &servers, const std::string &request, int inFlight,
                    double maxSeconds, size_t &answered) {
  answered = 0;
  NetAddress clientAddress;
  const int client = OpenSocket(clientAddress);
  if (client < 0) return 0;
  size_t sent = 0, settled = 0;
  const auto start = Clock::now();
  while (settled < servers.size() && SecondsSince(start) < maxSeconds) {
    while (sent < servers.size() && sent - settled < static_cast<size_t>(inFlight) &&
           SendDatagram(client, servers[sent], request))
      ++sent;
    if (!WaitReadable(client, 100)) {
      settled = sent;  // lost ones are not waited for
      continue;
    }
    const size_t replies = static_cast<size_t>(DrainDatagrams(client));
    answered += replies;
    settled += replies;
  }
  const double seconds = SecondsSince(start);
  close(client);
  return answered / seconds;
}
