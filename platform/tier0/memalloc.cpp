// The shared allocator of the process: a thin wrapper around the C heap, so any binary can free
// what another allocated.
#include "tier0/memalloc.h"

#include <cstdlib>

namespace {

class CMallocAllocator final : public IMemAllocPlexa {
 public:
  // A zero-byte request still yields a unique block, so null always means out of memory.
  void *Alloc(size_t size) override { return malloc(size ? size : 1); }
  // Shrinking to zero keeps a valid block instead of freeing behind the caller's back.
  void *Realloc(void *memory, size_t size) override { return realloc(memory, size ? size : 1); }
  void Free(void *memory) override { free(memory); }
};

CMallocAllocator g_MallocAllocator;

}  // namespace

IMemAllocPlexa *g_pMemAllocPlexa = &g_MallocAllocator;
bool g_bPlatformAllocOverride = false;
