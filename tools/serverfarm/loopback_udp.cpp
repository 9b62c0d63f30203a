#include "tools/serverfarm/loopback_udp.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <ctime>

bool ParseEndpoint(std::string_view text, bool allowZeroPort, NetAddress &out) {
  out = NetAddress();
  const size_t colon = text.rfind(':');
  if (colon == std::string_view::npos || colon + 1 == text.size()) return false;
  std::string_view host = text.substr(0, colon);
  const std::string_view portText = text.substr(colon + 1);
  unsigned int port = 0;
  const auto parsed = std::from_chars(portText.data(), portText.data() + portText.size(), port);
  if (parsed.ec != std::errc() || parsed.ptr != portText.data() + portText.size() || port > 65535)
    return false;
  if (port == 0 && !allowZeroPort) return false;
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
    out.m_bIPv6 = true;
    host = host.substr(1, host.size() - 2);
  }
  if (host.size() >= INET6_ADDRSTRLEN) return false;
  const std::string hostText(host);
  if (inet_pton(out.m_bIPv6 ? AF_INET6 : AF_INET, hostText.c_str(), out.m_Bytes) != 1) return false;
  out.m_usPort = static_cast<uint16_t>(port);
  return true;
}

bool IsLoopbackAddress(const NetAddress &address) {
  if (!address.m_bIPv6) return address.m_Bytes[0] == 127;
  static const uint8_t kLoopback6[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
  return memcmp(address.m_Bytes, kLoopback6, sizeof kLoopback6) == 0;
}

int OpenLoopbackSocket(const NetAddress &address, NetAddress &bound, std::string &error) {
  if (!IsLoopbackAddress(address)) {
    error = address.ToString() + " is not a loopback address (127.0.0.0/8 or ::1)";
    return -1;
  }
  const int fd = socket(address.m_bIPv6 ? AF_INET6 : AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    error = std::string("socket: ") + strerror(errno);
    return -1;
  }
  if (address.m_bIPv6) {
    const int only = 1;
    setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &only, sizeof only);
  }
  EnlargeSocketBuffers(fd, 1 << 20);
  sockaddr_storage storage{};
  const socklen_t length = address.ToSockaddr(storage);
  if (bind(fd, reinterpret_cast<const sockaddr *>(&storage), length) != 0) {
    error = "bind " + address.ToString() + ": " + strerror(errno);
    close(fd);
    return -1;
  }
  socklen_t boundLength = sizeof storage;
  if (getsockname(fd, reinterpret_cast<sockaddr *>(&storage), &boundLength) != 0 ||
      !NetAddress::FromSockaddr(reinterpret_cast<const sockaddr *>(&storage), boundLength, bound)) {
    error = "getsockname " + address.ToString() + ": " + strerror(errno);
    close(fd);
    return -1;
  }
  return fd;
}

bool IsLoopbackDestination(const NetAddress &to) {
  return IsLoopbackAddress(to) && to.m_usPort != 0;
}

void EnlargeSocketBuffers(int fd, int bytes) {
  if (setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &bytes, sizeof bytes) != 0)
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
  if (setsockopt(fd, SOL_SOCKET, SO_SNDBUFFORCE, &bytes, sizeof bytes) != 0)
    setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &bytes, sizeof bytes);
}

bool SendDatagram(int fd, const NetAddress &to, std::string_view bytes) {
  if (!IsLoopbackDestination(to)) return false;
  sockaddr_storage storage{};
  const socklen_t length = to.ToSockaddr(storage);
  return sendto(fd, bytes.data(), bytes.size(), MSG_DONTWAIT, reinterpret_cast<const sockaddr *>(&storage),
                length) == static_cast<ssize_t>(bytes.size());
}

bool WriteLinesAtomically(const std::string &path, const std::vector<std::string> &lines,
                          std::string &error) {
  const std::string temporary = path + ".tmp" + std::to_string(getpid());
  FILE *file = fopen(temporary.c_str(), "w");
  if (!file) {
    error = temporary + ": " + strerror(errno);
    return false;
  }
  bool good = true;
  for (const std::string &line : lines) good = good && fprintf(file, "%s\n", line.c_str()) >= 0;
  good = fflush(file) == 0 && good;
  good = fclose(file) == 0 && good;
  if (!good || rename(temporary.c_str(), path.c_str()) != 0) {
    error = path + ": " + strerror(errno);
    unlink(temporary.c_str());
    return false;
  }
  return true;
}

int64_t MonotonicMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

uint64_t RaiseDescriptorLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return 0;
  if (limit.rlim_cur < limit.rlim_max) {
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
    getrlimit(RLIMIT_NOFILE, &limit);
  }
  return limit.rlim_cur;
}
