// netadr_t: a network endpoint (IPv4 or IPv6 address with a port, or loopback/broadcast) with
// parsing from user text (numeric forms or a host name), printing and ordering.
//
// Record layout (24 bytes, stored and exchanged as is):
//   bytes 0-1   kind (netadrtype_t)
//   bytes 2-3   port, a plain number (not network byte order)
//   bytes 4-7   IPv6 scope (zone) id, 0 when none
//   bytes 8-23  address: IPv4 as one native u32 in the first 4 bytes (first dotted part in the most
//               significant byte); IPv6 as 16 bytes in network order
// An all-zero record is the null address.
#pragma once

#include <cstddef>

#include "tier0/platform.h"

enum netadrtype_t : uint16 {
  NA_NULL = 0,
  NA_LOOPBACK = 1,
  NA_BROADCAST = 2,
  NA_IP = 3,
  NA_IPV6 = 4,
};

struct netadr_t {
  netadr_t() = default;
  // An IPv4 address (host order, first dotted part in the top byte) with a port.
  netadr_t(uint32 ipHostOrder, uint16 portNumber);

  // Back to the null address.
  void Clear();

  netadrtype_t GetType() const { return static_cast<netadrtype_t>(type); }
  void SetType(netadrtype_t newType) { type = newType; }

  // Makes this an IPv4 address a.b.c.d; the port is kept.
  void SetIP(uint8 a, uint8 b, uint8 c, uint8 d);
  void SetIP(uint32 ipHostOrder);
  // The IPv4 address as one number. Asking an IPv6 address is misuse: it is reported and the
  // first four address bytes are returned as a number all the same.
  uint32 GetIP() const;

  // Makes this an IPv6 address from 16 bytes in network order; the port is kept.
  void SetIPv6(const uint8 bytes[16], uint32 scopeId = 0);
  const uint8 *GetIPv6Bytes() const { return ip; }
  uint32 GetScope() const { return scope; }

  void SetPort(uint16 portNumber) { port = portNumber; }
  uint16 GetPort() const { return port; }

  // A usable endpoint: a non-zero address and a non-zero port. Loopback, broadcast and unknown
  // kinds are reported as misuse and read as invalid.
  bool IsValid() const;

  // Parses a dotted IPv4 address with optional ":port", an IPv6 address (optionally bracketed,
  // with "%scope" and a port), or "hostname[:port]" resolved to IPv4 through the host-name
  // cache. Empty text fails and leaves the record untouched; any other failure leaves it cleared
  // (kind NA_IP when the text was taken as a host name).
  bool SetFromString(const char *text);

  // Writes the text form into `dest` (at most size - 1 characters and a NUL) and returns `dest`.
  // With `onlyBase` the port (and an IPv6 scope) is left out.
  const char *ToString(char *dest, size_t size, bool onlyBase = false) const;

  // Same kind and address (and IPv6 scope); the ports must match too unless `onlyBase`.
  bool CompareAdr(const netadr_t &other, bool onlyBase = false) const;

  // Key order of address maps: see netadr.cpp for why the kind only counts next to IPv6.
  bool operator<(const netadr_t &other) const;

  uint16 type = NA_NULL;
  uint16 port = 0;
  uint32 scope = 0;
  uint8 ip[16] = {};

 private:
  uint32 ReadIPv4() const;
  bool SetFromHostName(const char *text);
};

static_assert(sizeof(netadr_t) == 24, "netadr_t is a 24-byte record");
static_assert(offsetof(netadr_t, type) == 0 && offsetof(netadr_t, port) == 2 &&
                  offsetof(netadr_t, scope) == 4 && offsetof(netadr_t, ip) == 8,
              "netadr_t field offsets");

// Host-name lookup seam. A resolver turns a host name into its first IPv4 address (host order) and
// returns false when the name does not resolve. It may block; it is called without any lock held,
// possibly from several threads at once.
using HostNameResolverFn = bool (*)(const char *hostName, uint32 *ipHostOrder);
// Installs `resolver` (null restores the system resolver) and returns the previous one.
HostNameResolverFn SetHostNameResolver(HostNameResolverFn resolver);
// The system resolver: a blocking IPv4 lookup by the operating system.
bool SystemHostNameResolver(const char *hostName, uint32 *ipHostOrder);
// Forgets every cached lookup, e.g. after the network changed.
void FlushHostNameCache();
