#include "plexaclient/net/net_address.h"

#include <arpa/inet.h>

#include <charconv>
#include <cstring>

NetAddress NetAddress::FromIPv4(uint32_t ip, uint16_t port) {
  NetAddress address;
  address.m_Bytes[0] = static_cast<uint8_t>(ip >> 24);
  address.m_Bytes[1] = static_cast<uint8_t>(ip >> 16);
  address.m_Bytes[2] = static_cast<uint8_t>(ip >> 8);
  address.m_Bytes[3] = static_cast<uint8_t>(ip);
  address.m_usPort = port;
  return address;
}

uint32_t NetAddress::IPv4() const {
  if (m_bIPv6) return 0;
  return (uint32_t{m_Bytes[0]} << 24) | (uint32_t{m_Bytes[1]} << 16) | (uint32_t{m_Bytes[2]} << 8) |
         uint32_t{m_Bytes[3]};
}

bool NetAddress::operator==(const NetAddress &other) const {
  return m_bIPv6 == other.m_bIPv6 && m_usPort == other.m_usPort &&
         memcmp(m_Bytes, other.m_Bytes, sizeof(m_Bytes)) == 0;
}

socklen_t NetAddress::ToSockaddr(sockaddr_storage &storage) const {
  memset(&storage, 0, sizeof(storage));
  if (m_bIPv6) {
    auto *six = reinterpret_cast<sockaddr_in6 *>(&storage);
    six->sin6_family = AF_INET6;
    six->sin6_port = htons(m_usPort);
    memcpy(&six->sin6_addr, m_Bytes, 16);
    return sizeof(sockaddr_in6);
  }
  auto *four = reinterpret_cast<sockaddr_in *>(&storage);
  four->sin_family = AF_INET;
  four->sin_port = htons(m_usPort);
  memcpy(&four->sin_addr, m_Bytes, 4);
  return sizeof(sockaddr_in);
}

bool NetAddress::FromSockaddr(const sockaddr *address, socklen_t length, NetAddress &out) {
  out = NetAddress();
  if (address->sa_family == AF_INET && length >= static_cast<socklen_t>(sizeof(sockaddr_in))) {
    const auto *four = reinterpret_cast<const sockaddr_in *>(address);
    memcpy(out.m_Bytes, &four->sin_addr, 4);
    out.m_usPort = ntohs(four->sin_port);
    return true;
  }
  if (address->sa_family == AF_INET6 && length >= static_cast<socklen_t>(sizeof(sockaddr_in6))) {
    const auto *six = reinterpret_cast<const sockaddr_in6 *>(address);
    out.m_bIPv6 = true;
    memcpy(out.m_Bytes, &six->sin6_addr, 16);
    out.m_usPort = ntohs(six->sin6_port);
    return true;
  }
  return false;
}

std::string NetAddress::ToString() const {
  char text[INET6_ADDRSTRLEN] = {};
  inet_ntop(m_bIPv6 ? AF_INET6 : AF_INET, m_Bytes, text, sizeof(text));
  return m_bIPv6 ? "[" + std::string(text) + "]:" + std::to_string(m_usPort)
                 : std::string(text) + ":" + std::to_string(m_usPort);
}

size_t NetAddressHash::operator()(const NetAddress &address) const {
  // FNV-1a over the bytes that tell addresses apart.
  uint64_t hash = 1469598103934665603ull;
  auto mix = [&hash](uint8_t byte) { hash = (hash ^ byte) * 1099511628211ull; };
  mix(address.m_bIPv6 ? 6 : 4);
  for (size_t i = 0; i < (address.m_bIPv6 ? 16u : 4u); ++i) mix(address.m_Bytes[i]);
  mix(static_cast<uint8_t>(address.m_usPort >> 8));
  mix(static_cast<uint8_t>(address.m_usPort));
  return static_cast<size_t>(hash);
}

bool ParseNetAddress(std::string_view text, uint16_t defaultPort, NetAddress &out) {
  out = NetAddress();
  std::string host;
  std::string_view portText;
  if (text.starts_with("[")) {
    const size_t close = text.find(']');
    if (close == std::string_view::npos) return false;
    host = std::string(text.substr(1, close - 1));
    const std::string_view rest = text.substr(close + 1);
    if (!rest.empty()) {
      if (rest[0] != ':') return false;
      portText = rest.substr(1);
      if (portText.empty()) return false;
    }
    out.m_bIPv6 = true;
  } else {
    const size_t colon = text.find(':');
    host = std::string(text.substr(0, colon));
    if (colon != std::string_view::npos) {
      portText = text.substr(colon + 1);
      if (portText.empty()) return false;
    }
  }
  uint32_t port = defaultPort;
  if (!portText.empty()) {
    const auto [end, error] = std::from_chars(portText.data(), portText.data() + portText.size(), port);
    if (error != std::errc() || end != portText.data() + portText.size() || port > 65535) return false;
  }
  if (port == 0) return false;
  out.m_usPort = static_cast<uint16_t>(port);
  return inet_pton(out.m_bIPv6 ? AF_INET6 : AF_INET, host.c_str(), out.m_Bytes) == 1;
}
