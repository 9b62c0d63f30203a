#include "tier1/hostnamecache.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>

#include <atomic>
#include <cstring>

#include "kstdlib/strtools.h"
#include "tier1/netadr.h"

namespace {

std::atomic<HostNameResolverFn> g_HostNameResolver{&SystemHostNameResolver};

}  // namespace

bool SystemHostNameResolver(const char *hostName, uint32 *ipHostOrder) {
  addrinfo hints = {};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;  // one answer per address instead of one per socket type
  addrinfo *results = nullptr;
  if (getaddrinfo(hostName, nullptr, &hints, &results) != 0 || !results) return false;
  bool found = false;
  for (const addrinfo *it = results; it; it = it->ai_next) {
    if (it->ai_family != AF_INET || !it->ai_addr) continue;
    *ipHostOrder = ntohl(reinterpret_cast<const sockaddr_in *>(it->ai_addr)->sin_addr.s_addr);
    found = true;
    break;
  }
  freeaddrinfo(results);
  return found;
}

HostNameResolverFn SetHostNameResolver(HostNameResolverFn resolver) {
  return g_HostNameResolver.exchange(resolver ? resolver : &SystemHostNameResolver);
}

void FlushHostNameCache() {
  CHostNameCache::Instance().Flush();
}

CHostNameCache &CHostNameCache::Instance() {
  static CHostNameCache s_Cache;
  return s_Cache;
}

bool CHostNameCache::Resolve(const char *hostName, uint32 *ipHostOrder) {
  if (strlen(hostName) > kMaxNameLength) return false;
  if (Find(hostName, Plat_UnixTime(), ipHostOrder)) return true;

  uint32 found = 0;
  if (!g_HostNameResolver.load()(hostName, &found)) return false;
  *ipHostOrder = found;
  // Stamped after the lookup: a slow lookup still earns its full lifetime.
  Store(hostName, found, Plat_UnixTime());
  return true;
}

void CHostNameCache::Flush() {
  AUTO_LOCK(m_Mutex);
  for (Entry &entry : m_Entries) entry = Entry{};
  m_iNextSlot = 0;
}

bool CHostNameCache::Find(const char *hostName, uint32 now, uint32 *ipHostOrder) {
  AUTO_LOCK(m_Mutex);
  for (const Entry &entry : m_Entries) {
    if (entry.ip == 0 || now >= entry.expiresAt) continue;
    if (V_stricmp(entry.name, hostName) != 0) continue;
    *ipHostOrder = entry.ip;
    return true;
  }
  return false;
}

void CHostNameCache::Store(const char *hostName, uint32 ipHostOrder, uint32 now) {
  AUTO_LOCK(m_Mutex);
  Entry &entry = m_Entries[m_iNextSlot];
  m_iNextSlot = (m_iNextSlot + 1) % kEntries;
  V_strncpy(entry.name, hostName, sizeof(entry.name));
  entry.ip = ipHostOrder;
  entry.expiresAt = now + kLifetimeSeconds;
}
