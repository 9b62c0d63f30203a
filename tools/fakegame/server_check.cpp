#include "tools/fakegame/server_check.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <random>

#include "plexaclient/net/q3_protocol.h"

namespace fakegame {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::chrono::milliseconds kSendTimes[] = {
    std::chrono::milliseconds(0), std::chrono::milliseconds(300), std::chrono::milliseconds(600)};
constexpr std::chrono::milliseconds kGiveUpAfter(900);
// Answers are at most this long; the rest of a bigger datagram is cut and the answer dropped.
constexpr size_t kReceiveBytes = 65536;

class CUdpSocket {
 public:
  CUdpSocket() : m_Fd(socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0)) {}
  ~CUdpSocket() {
    if (m_Fd >= 0) close(m_Fd);
  }
  CUdpSocket(const CUdpSocket &) = delete;
  CUdpSocket &operator=(const CUdpSocket &) = delete;
  int Fd() const { return m_Fd; }

 private:
  int m_Fd;
};

sockaddr_in SocketAddress(uint32 ip, uint16 port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(ip);
  address.sin_port = htons(port);
  return address;
}

std::string Summary(const ServerRecord &record) {
  return std::string(record.GetName()) + " on " + record.m_szMapName + " (" +
         std::to_string(record.m_nPlayerCount) + "/" + std::to_string(record.m_nPlayerLimit) + ")";
}

// Reads every datagram waiting; true once the server's answer to `challenge` was among them.
bool TakeAnswer(int fd, const CConnectTarget &target, const std::string &challenge, CServerCheck &check) {
  static const CProtocolCatalogue kNoCatalogue;
  std::string buffer(kReceiveBytes, '\0');
  for (;;) {
    sockaddr_in from{};
    socklen_t fromSize = sizeof(from);
    const ssize_t got =
        recvfrom(fd, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr *>(&from), &fromSize);
    if (got < 0) return false;
    const bool fromTarget = from.sin_family == AF_INET && ntohl(from.sin_addr.s_addr) == target.ip &&
                            ntohs(from.sin_port) == target.port;
    if (!fromTarget) continue;
    ServerInfo_t info;
    const EPacketVerdict verdict = Q3ProtocolFamily().DecodeInfo(
        std::string_view(buffer.data(), size_t(got)), challenge, target.ip, target.port, kNoCatalogue, info);
    if (verdict != EPacketVerdict::Accepted) continue;
    check.answered = true;
    check.summary = Summary(info.m_Record);
    return true;
  }
}

}  // namespace

CServerCheck CheckServer(const CConnectTarget &target) {
  CServerCheck check;
  CUdpSocket socket;
  if (socket.Fd() < 0) {
    check.problem = std::string("cannot make a socket: ") + strerror(errno);
    return check;
  }
  std::random_device random;
  const std::string challenge =
      Q3ProtocolFamily().MakeChallenge((static_cast<uint64>(random()) << 32) | static_cast<uint64>(random()));
  std::string request;
  Q3ProtocolFamily().BuildInfoRequest(challenge, request);
  const sockaddr_in address = SocketAddress(target.ip, target.port);

  const Clock::time_point start = Clock::now();
  size_t sent = 0;
  // Bounded by the give-up time: every pass waits for the next send or the end.
  for (;;) {
    const Clock::duration elapsed = Clock::now() - start;
    if (elapsed >= kGiveUpAfter) break;
    while (sent < std::size(kSendTimes) && elapsed >= kSendTimes[sent]) {
      sendto(socket.Fd(), request.data(), request.size(), 0, reinterpret_cast<const sockaddr *>(&address),
             sizeof(address));
      ++sent;
    }
    const Clock::duration next = sent < std::size(kSendTimes) ? kSendTimes[sent] : kGiveUpAfter;
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(next - (Clock::now() - start));
    pollfd waiting{socket.Fd(), POLLIN, 0};
    if (poll(&waiting, 1, static_cast<int>(std::max<int64_t>(wait.count(), 0))) > 0 &&
        TakeAnswer(socket.Fd(), target, challenge, check))
      return check;
  }
  check.problem = "the server did not answer";
  return check;
}

}  // namespace fakegame
