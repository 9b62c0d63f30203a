#include "tier1/netadr.h"

#include <cstring>

#include "kstdlib/strtools.h"
#include "tier0/dbg.h"
#include "tier1/hostnamecache.h"
#include "tier1/netadr_text.h"

netadr_t::netadr_t(uint32 ipHostOrder, uint16 portNumber) {
  SetIP(ipHostOrder);
  port = portNumber;
}

void netadr_t::Clear() {
  *this = netadr_t();
}

void netadr_t::SetIP(uint8 a, uint8 b, uint8 c, uint8 d) {
  SetIP((static_cast<uint32>(a) << 24) | (static_cast<uint32>(b) << 16) | (static_cast<uint32>(c) << 8) | d);
}

void netadr_t::SetIP(uint32 ipHostOrder) {
  type = NA_IP;
  memcpy(ip, &ipHostOrder, sizeof(ipHostOrder));
}

uint32 netadr_t::GetIP() const {
  Assert(type != NA_IPV6);
  return ReadIPv4();
}

uint32 netadr_t::ReadIPv4() const {
  uint32 value;
  memcpy(&value, ip, sizeof(value));
  return value;
}

void netadr_t::SetIPv6(const uint8 bytes[16], uint32 scopeId) {
  type = NA_IPV6;
  memcpy(ip, bytes, sizeof(ip));
  scope = scopeId;
}

bool netadr_t::IsValid() const {
  switch (type) {
    case NA_NULL:
      return false;
    case NA_IP:
      return ReadIPv4() != 0 && port != 0;
    case NA_IPV6: {
      static const uint8 kZero[16] = {};
      return memcmp(ip, kZero, sizeof(ip)) != 0 && port != 0;
    }
    default:
      // Loopback, broadcast and unknown kinds have no address to use.
      Assert(false);
      return false;
  }
}

const char *netadr_t::ToString(char *dest, size_t size, bool onlyBase) const {
  if (!dest || size == 0) return dest;
  V_strncpy(dest, "unknown", size);
  switch (type) {
    case NA_LOOPBACK:
      V_strncpy(dest, "loopback", size);
      break;
    case NA_BROADCAST:
      V_strncpy(dest, "broadcast", size);
      break;
    case NA_IP: {
      const uint32 value = ReadIPv4();
      const int a = static_cast<int>(value >> 24), b = static_cast<int>((value >> 16) & 0xff),
                c = static_cast<int>((value >> 8) & 0xff), d = static_cast<int>(value & 0xff);
      if (onlyBase)
        V_snprintf(dest, size, "%i.%i.%i.%i", a, b, c, d);
      else
        V_snprintf(dest, size, "%i.%i.%i.%i:%i", a, b, c, d, static_cast<int>(port));
      break;
    }
    case NA_IPV6: {
      char address[48];
      netadr_text::FormatIPv6(ip, address, sizeof(address));
      if (onlyBase)
        V_strncpy(dest, address, size);
      else if (scope != 0)
        V_snprintf(dest, size, "[%s%%%u]:%i", address, scope, static_cast<int>(port));
      else
        V_snprintf(dest, size, "[%s]:%i", address, static_cast<int>(port));
      break;
    }
    default:
      break;
  }
  return dest;
}

bool netadr_t::CompareAdr(const netadr_t &other, bool onlyBase) const {
  if (type != other.type) return false;
  if (!onlyBase && port != other.port) return false;
  switch (type) {
    case NA_IP:
      return ReadIPv4() == other.ReadIPv4();
    case NA_IPV6:
      return scope == other.scope && memcmp(ip, other.ip, sizeof(ip)) == 0;
    default:
      return true;
  }
}

// IPv4 addresses (of whatever kind the record says) order by number then port, so the kind
// only separates them from IPv6 ones; maps keyed by this order rely on exactly that.
bool netadr_t::operator<(const netadr_t &other) const {
  if (type == NA_IPV6 || other.type == NA_IPV6) {
    if (type != other.type) return type < other.type;
    const int bytes = memcmp(ip, other.ip, sizeof(ip));
    if (bytes != 0) return bytes < 0;
    return port < other.port;
  }
  const uint32 mine = ReadIPv4(), theirs = other.ReadIPv4();
  if (mine != theirs) return mine < theirs;
  return port < other.port;
}

bool netadr_t::SetFromString(const char *text) {
  if (!text || !*text) return false;
  Clear();

  if (text[0] >= '0' && text[0] <= '9' && strchr(text, '.')) {
    uint8 parts[4];
    uint16 parsedPort = 0;
    switch (netadr_text::ParseDotted(text, parts, &parsedPort)) {
      case netadr_text::DottedResult::Parsed:
        SetIP(parts[0], parts[1], parts[2], parts[3]);
        port = parsedPort;
        return true;
      case netadr_text::DottedResult::OutOfRange:
        return SetFromHostName(text);
      case netadr_text::DottedResult::NotDotted:
        break;
    }
  }

  netadr_text::IPv6Text v6;
  if (netadr_text::ParseIPv6(text, &v6)) {
    SetIPv6(v6.bytes, v6.scope);
    if (v6.hasPort) port = v6.port;
    return true;
  }
  return SetFromHostName(text);
}

// "name[:port]" through the host-name cache. Unlike a plain copy into a fixed buffer, a name that
// would not fit is refused rather than cut (a cut name is another host), and the port text must be
// a whole number in range rather than wrapping; both are checked before any lookup.
bool netadr_t::SetFromHostName(const char *text) {
  type = NA_IP;

  const char *colon = strchr(text, ':');
  const size_t nameLength = colon ? static_cast<size_t>(colon - text) : strlen(text);
  if (nameLength == 0 || nameLength > CHostNameCache::kMaxNameLength) return false;
  uint16 parsedPort = 0;
  if (colon && !netadr_text::ParsePortText(colon + 1, &parsedPort)) return false;

  char name[CHostNameCache::kMaxNameLength + 1];
  memcpy(name, text, nameLength);
  name[nameLength] = '\0';

  if (ThreadInMainThread())
    Msg("about to perform blocking dns call from the main thread.  consider refactoring.\n");
  uint32 found = 0;
  if (!CHostNameCache::Instance().Resolve(name, &found)) return false;
  SetIP(found);
  port = parsedPort;
  return true;
}
