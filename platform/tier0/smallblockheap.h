// The heap behind the shared allocator. Key/value trees are made of many 32-byte nodes and short
// strings; serving blocks up to kMaxSmallSize bytes from size-class free lists removes the C heap's
// per-block header and most of its work. The lists live in the platform base, which every binary
// of the process shares, so a block goes back to them whichever binary frees it.
//
// Each thread keeps a cache per class, so the common path takes no lock; a cache that grows past
// its limit, or belongs to a thread that ends, hands its blocks to the shared lists. Small blocks
// are cut from 64 KB slabs taken from the C heap and never given back; larger blocks are plain C
// heap blocks.
//
// Under AddressSanitizer every block is a C heap block of its own with a small header instead, so
// leaks, overruns and use after free are still reported; blocks waiting in a list are poisoned.
#pragma once

#include <cstddef>

namespace tier0 {

class CSmallBlockHeap {
 public:
  // Requests up to this many bytes are served from the lists.
  static constexpr size_t kMaxSmallSize = 256;

  // A block of at least `size` bytes (a zero-byte request still gets a unique block); null when
  // out of memory.
  static void *Alloc(size_t size);
  // Resizes like realloc: null (with `memory` untouched) when out of memory.
  static void *Realloc(void *memory, size_t size);
  // Releases a block of this heap; null is ignored.
  static void Free(void *memory);

  // The class size of a small block, or 0 for a large block.
  static size_t SmallBlockSize(const void *memory);
  // Bytes of the small blocks handed out and not yet released, counted at their class size.
  static size_t SmallBytesInUse();
  // Bytes of the slabs the small blocks are cut from (0 under AddressSanitizer).
  static size_t SlabBytes();
};

}  // namespace tier0
