// The process-wide cache of recent host-name lookups behind netadr_t::SetFromString.
#pragma once

#include "tier0/platform.h"
#include "tier0/threadtools.h"

class CHostNameCache {
 public:
  static constexpr int kEntries = 8;
  static constexpr size_t kMaxNameLength = 255;
  static constexpr uint32 kLifetimeSeconds = 5;

  static CHostNameCache &Instance();

  // Resolves `hostName` (at most kMaxNameLength characters) to an IPv4 address in host order,
  // from the cache when a live entry matches (ignoring case), else through the installed
  // resolver; successful lookups are remembered for kLifetimeSeconds. The lock is held only
  // while the cache is read or written, never during the lookup itself.
  bool Resolve(const char *hostName, uint32 *ipHostOrder);
  void Flush();

 private:
  struct Entry {
    char name[kMaxNameLength + 1];
    uint32 ip;         // 0: empty slot
    uint32 expiresAt;  // seconds since 1970
  };

  bool Find(const char *hostName, uint32 now, uint32 *ipHostOrder);
  void Store(const char *hostName, uint32 ipHostOrder, uint32 now);

  CThreadMutex m_Mutex;
  Entry m_Entries[kEntries] = {};
  int m_iNextSlot = 0;
};
