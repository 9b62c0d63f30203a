// A process mutex usable across binaries.
#pragma once

#include <mutex>

#include "tier0/platform.h"

class CThreadMutex {
 public:
  void Lock() { m_Mutex.lock(); }
  void Unlock() { m_Mutex.unlock(); }
  bool TryLock() { return m_Mutex.try_lock(); }
  // Lockable names so std::lock_guard and std::unique_lock work.
  void lock() { Lock(); }
  void unlock() { Unlock(); }

 private:
  std::mutex m_Mutex;
};

#define SB_CONCAT_INNER(a, b) a##b
#define SB_CONCAT(a, b) SB_CONCAT_INNER(a, b)
#define AUTO_LOCK(mutex) std::lock_guard<CThreadMutex> SB_CONCAT(autoLock_, __LINE__)(mutex)
