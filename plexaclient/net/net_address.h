// A numeric UDP endpoint of either address family, as the network backend sends to and hears from.
#pragma once

#include <netinet/in.h>
#include <sys/socket.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

struct NetAddress {
  bool m_bIPv6 = false;
  uint8_t m_Bytes[16] = {};  // IPv4: the first four, network order
  uint16_t m_usPort = 0;

  static NetAddress FromIPv4(uint32_t ip, uint16_t port);  // `ip` in host order
  // The IPv4 address in host order (first octet in the top byte); 0 for IPv6.
  uint32_t IPv4() const;
  bool operator==(const NetAddress &other) const;

  // Fills `storage`; returns the length to hand to sendto.
  socklen_t ToSockaddr(sockaddr_storage &storage) const;
  // False for an address family other than IPv4 or IPv6.
  static bool FromSockaddr(const sockaddr *address, socklen_t length, NetAddress &out);
  // "a.b.c.d:port" or "[v6]:port".
  std::string ToString() const;
};

struct NetAddressHash {
  size_t operator()(const NetAddress &address) const;
};

// Reads "a.b.c.d", "a.b.c.d:port", "[v6]" or "[v6]:port" (numeric only: no names are resolved).
// A text without a port gets `defaultPort`. False on anything else, or port 0.
bool ParseNetAddress(std::string_view text, uint16_t defaultPort, NetAddress &out);
