#include "udp_responder.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

namespace {

// No test runs this long; the thread ends by itself even if the owner never stops it.
constexpr int64_t kLifetimeNs = 120'000'000'000;

int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

const std::string kMarker = "\xFF\xFF\xFF\xFF";

}  // namespace

CUdpResponder::~CUdpResponder() {
  m_bStop = true;
  if (m_Thread.joinable()) m_Thread.join();
  for (Endpoint &endpoint : m_Endpoints) close(endpoint.m_Fd);
}

int CUdpResponder::Add(Handler handler) {
  Endpoint endpoint;
  endpoint.m_Fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(endpoint.m_Fd, reinterpret_cast<sockaddr *>(&address), sizeof(address));
  socklen_t length = sizeof(address);
  getsockname(endpoint.m_Fd, reinterpret_cast<sockaddr *>(&address), &length);
  endpoint.m_usPort = ntohs(address.sin_port);
  endpoint.m_Handler = std::move(handler);
  m_Endpoints.push_back(std::move(endpoint));
  return static_cast<int>(m_Endpoints.size()) - 1;
}

void CUdpResponder::Start() {
  m_Thread = std::thread([this] { Run(); });
}

int CUdpResponder::Requests(int index) const {
  std::lock_guard lock(m_Mutex);
  auto it = m_Requests.find(index);
  return it == m_Requests.end() ? 0 : it->second;
}

void CUdpResponder::Run() {
  const int64_t end = NowNs() + kLifetimeNs;
  std::vector<Pending> pending;
  std::vector<pollfd> fds;
  for (const Endpoint &endpoint : m_Endpoints) fds.push_back({endpoint.m_Fd, POLLIN, 0});
  char buffer[65536];
  while (!m_bStop && NowNs() < end) {
    poll(fds.data(), fds.size(), 2);
    for (size_t i = 0; i < m_Endpoints.size(); ++i) {
      for (int n = 0; n < 64; ++n) {
        sockaddr_in from{};
        socklen_t length = sizeof(from);
        const ssize_t got = recvfrom(m_Endpoints[i].m_Fd, buffer, sizeof(buffer), 0,
                                     reinterpret_cast<sockaddr *>(&from), &length);
        if (got < 0) break;
        std::vector<Reply> replies =
            m_Endpoints[i].m_Handler(std::string_view(buffer, static_cast<size_t>(got)));
        std::lock_guard lock(m_Mutex);
        ++m_Requests[static_cast<int>(i)];
        if (!replies.empty()) {
          m_nPeakOutstanding = std::max(m_nPeakOutstanding.load(), ++m_nOutstanding);
        }
        for (size_t r = 0; r < replies.size(); ++r) {
          const int sender = replies[r].m_iFrom < 0 ? static_cast<int>(i) : replies[r].m_iFrom;
          pending.push_back({NowNs() + replies[r].m_nDelayMs * 1'000'000LL, sender, from,
                             std::move(replies[r].m_Bytes), r == 0});
        }
      }
    }
    const int64_t now = NowNs();
    for (auto it = pending.begin(); it != pending.end();) {
      if (it->m_nDueNs > now) {
        ++it;
        continue;
      }
      sendto(m_Endpoints[static_cast<size_t>(it->m_iFrom)].m_Fd, it->m_Bytes.data(), it->m_Bytes.size(), 0,
             reinterpret_cast<const sockaddr *>(&it->m_To), sizeof(it->m_To));
      if (it->m_bFirstOfRequest) {
        std::lock_guard lock(m_Mutex);
        --m_nOutstanding;
      }
      it = pending.erase(it);
    }
  }
}

bool IsRequest(std::string_view request, std::string_view command) {
  if (!request.starts_with(kMarker)) return false;
  request.remove_prefix(kMarker.size());
  return request.starts_with(command) && (request.size() == command.size() || request[command.size()] == ' ');
}

std::string RequestChallenge(std::string_view request) {
  const size_t space = request.find(' ');
  return space == std::string_view::npos ? "" : std::string(request.substr(space + 1));
}

std::string InfoAnswer(const std::string &challenge, const std::string &pairs) {
  return kMarker + "infoResponse\n\\challenge\\" + challenge + pairs;
}

std::string StatusAnswer(const std::string &challenge, const std::string &pairs, const std::string &players) {
  return kMarker + "statusResponse\n\\challenge\\" + challenge + pairs + "\n" + players;
}

std::string ListAnswer(const std::vector<uint16_t> &ports, bool end) {
  std::string packet = kMarker + "getserversResponse";
  for (uint16_t port : ports) {
    packet += '\\';
    packet += std::string("\x7F\x00\x00\x01", 4);
    packet += static_cast<char>(port >> 8);
    packet += static_cast<char>(port & 0xFF);
  }
  if (end) packet += std::string("\\EOT\0\0\0", 7);
  return packet;
}
