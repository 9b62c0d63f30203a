// The shared allocator of the process: any binary can free what another allocated. Small blocks
// come from size-class free lists, larger ones from the C heap (see smallblockheap.h).
#include "tier0/memalloc.h"

#include "platform/tier0/smallblockheap.h"

namespace {

using tier0::CSmallBlockHeap;

class CPlatformAllocator final : public IMemAllocPlexa {
 public:
  // A zero-byte request still yields a unique block, so null always means out of memory.
  void *Alloc(size_t size) override { return CSmallBlockHeap::Alloc(size); }
  // Shrinking to zero keeps a valid block instead of freeing behind the caller's back.
  void *Realloc(void *memory, size_t size) override { return CSmallBlockHeap::Realloc(memory, size); }
  void Free(void *memory) override { CSmallBlockHeap::Free(memory); }
};

CPlatformAllocator g_PlatformAllocator;

}  // namespace

IMemAllocPlexa *g_pMemAllocPlexa = &g_PlatformAllocator;
bool g_bPlatformAllocOverride = false;

MemAllocSmallBlockStats MemAlloc_GetSmallBlockStats() {
  return MemAllocSmallBlockStats{CSmallBlockHeap::SmallBytesInUse(), CSmallBlockHeap::SlabBytes()};
}

size_t MemAlloc_SmallBlockSize(const void *memory) {
  return CSmallBlockHeap::SmallBlockSize(memory);
}
