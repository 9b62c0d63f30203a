// The shared allocator: memory from it can be freed by any binary of the process.
#pragma once

#include "tier0/platform.h"

class IMemAllocPlexa {
 public:
  virtual void *Alloc(size_t size) = 0;
  virtual void *Realloc(void *memory, size_t size) = 0;
  virtual void Free(void *memory) = 0;

 protected:
  ~IMemAllocPlexa() = default;
};

PLATFORM_INTERFACE extern IMemAllocPlexa *g_pMemAllocPlexa;

// Set by the platform base when it is built with its own allocator; the stand-in is built on the
// C heap.
PLATFORM_INTERFACE extern bool g_bPlatformAllocOverride;

// What the shared allocator's small-block free lists hold: bytes of the blocks handed out and not
// yet freed (counted at their size class, by every thread), and bytes of the slabs they are cut
// from (the lists never give slabs back). For memory figures and tests.
struct MemAllocSmallBlockStats {
  size_t bytesInUse = 0;
  size_t slabBytes = 0;
};
PLATFORM_INTERFACE MemAllocSmallBlockStats MemAlloc_GetSmallBlockStats();
// The size class of a block from the small-block lists (what it really occupies), or 0 for a
// block from the C heap.
PLATFORM_INTERFACE size_t MemAlloc_SmallBlockSize(const void *memory);
