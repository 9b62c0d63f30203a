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

// Set by the platform base when it is built with its own allocator; the stand-in wraps malloc.
PLATFORM_INTERFACE extern bool g_bPlatformAllocOverride;
