// Sections: size classes; how a block is found to be small (slab map, or header under
// AddressSanitizer); the shared lists; the thread caches; the public operations.
#include "platform/tier0/smallblockheap.h"

#include <pthread.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define SB_HEAP_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SB_HEAP_CHECKED 1
#endif
#endif

#ifdef SB_HEAP_CHECKED
#include <sanitizer/asan_interface.h>
#define SB_POISON(p, n) ASAN_POISON_MEMORY_REGION((p), (n))
#define SB_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION((p), (n))
#else
#define SB_POISON(p, n) ((void)(p), (void)(n))
#define SB_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace tier0 {
namespace {

// --- size classes: 8-byte steps to 128, then 16-byte steps to 256. A block of class size c is
// aligned to the largest power of two dividing c (at most 16), which is all an object of that
// size can need.
constexpr int kClassCount = 24;
constexpr size_t kSlabSize = 65536;

constexpr int ClassOf(size_t size) {
  return size <= 128 ? static_cast<int>((size + 7) / 8) - 1 : 16 + static_cast<int>((size - 129) / 16);
}
constexpr size_t ClassSize(int cls) {
  return cls < 16 ? static_cast<size_t>(cls + 1) * 8 : 128 + static_cast<size_t>(cls - 15) * 16;
}
static_assert(ClassOf(1) == 0 && ClassOf(8) == 0 && ClassOf(32) == 3 && ClassOf(128) == 15);
static_assert(ClassOf(129) == 16 && ClassOf(144) == 16 && ClassOf(256) == kClassCount - 1);
static_assert(ClassSize(ClassOf(256)) == 256 && ClassSize(ClassOf(33)) == 40);

// A thread keeps at most this many free blocks of a class (64 KB worth, at least 32).
constexpr uint32_t CacheLimit(int cls) {
  const size_t blocks = kSlabSize / ClassSize(cls);
  return static_cast<uint32_t>(blocks < 32 ? 32 : blocks);
}

// --- telling small blocks from large ones

#ifdef SB_HEAP_CHECKED
// Every block carries a header: its class (or kLarge), whether it waits in a list, and the list
// link. Links live in the header, which is never poisoned, so leak checks still see listed blocks
// as held while the block itself is poisoned whole.
constexpr uint32_t kHeaderMagic = 0x5B1E0C4Bu;
constexpr uint32_t kLarge = 0xFFu;
struct alignas(16) Header {
  uint32_t magic;
  uint16_t cls;
  uint16_t listed;
  void *next;
};

Header *HeaderOf(const void *memory) {
  return reinterpret_cast<Header *>(const_cast<char *>(static_cast<const char *>(memory)) - sizeof(Header));
}

void *NewBlock(size_t bytes, uint32_t cls) {
  auto *header = static_cast<Header *>(malloc(sizeof(Header) + bytes));
  if (!header) return nullptr;
  *header = Header{kHeaderMagic, static_cast<uint16_t>(cls), 0, nullptr};
  return header + 1;
}

int SmallClassOf(const void *memory) {
  const Header *header = HeaderOf(memory);
  if (header->magic != kHeaderMagic) abort();  // not a block of this heap: a corrupt pointer
  return header->cls == kLarge ? -1 : static_cast<int>(header->cls);
}

void *&Link(void *block) {
  return HeaderOf(block)->next;
}

// Listed blocks are marked so that freeing one again is caught at once.
void MarkListed(void *block, bool listed) {
  Header *header = HeaderOf(block);
  if (listed && header->listed) {
    fputs("shared allocator: a block was freed twice\n", stderr);
    abort();
  }
  header->listed = listed ? 1 : 0;
}
#else
// Slabs are 64 KB aligned; a two-level map from address bits 16-48 tells a slab's class (+1),
// 0 elsewhere. Entries are only ever added, so reading takes no lock.
constexpr int kMapLeafBits = 16;
constexpr int kMapTopBits = 17;
std::atomic<uint8_t *> g_SlabMap[size_t{1} << kMapTopBits];

void *&Link(void *block) {
  return *static_cast<void **>(block);
}
void MarkListed(void *, bool) {}

int SmallClassOf(const void *memory) {
  const auto address = reinterpret_cast<uintptr_t>(memory);
  const uintptr_t top = address >> (16 + kMapLeafBits);
  if (top >> kMapTopBits) return -1;
  const uint8_t *leaf = g_SlabMap[top].load(std::memory_order_acquire);
  if (!leaf) return -1;
  return static_cast<int>(leaf[(address >> 16) & ((uintptr_t{1} << kMapLeafBits) - 1)]) - 1;
}
#endif

// --- chains of listed blocks, linked through Link

struct Chain {
  void *head = nullptr;
  void *tail = nullptr;
  size_t count = 0;
};

void PushBlock(Chain &chain, void *block) {
  Link(block) = chain.head;
  chain.head = block;
  if (!chain.tail) chain.tail = block;
  ++chain.count;
}

void *PopBlock(Chain &chain) {
  void *block = chain.head;
  chain.head = Link(block);
  if (!chain.head) chain.tail = nullptr;
  --chain.count;
  return block;
}

// Moves all of `from` in front of `to`, whatever their lengths.
void Splice(Chain &to, Chain &from) {
  if (!from.head) return;
  Link(from.tail) = to.head;
  if (!to.tail) to.tail = from.tail;
  to.head = from.head;
  to.count += from.count;
  from = Chain();
}

// --- the shared lists (and what the thread caches report)

struct ThreadCache;

struct SharedLists {
  std::mutex mutex;
  Chain free[kClassCount];
  int64_t endedThreadsInUse = 0;  // bytes in use counted by threads that have ended
  ThreadCache *threads = nullptr;
  std::atomic<size_t> slabBytes{0};
  pthread_key_t key{};
  bool keyMade = false;
};
SharedLists g_Shared;

// A new slab of class `cls`, mapped; null when none can be had. Caller holds no lock.
char *NewSlab(int cls) {
#ifdef SB_HEAP_CHECKED
  (void)cls;
  return nullptr;
#else
  void *slab = aligned_alloc(kSlabSize, kSlabSize);
  if (!slab) return nullptr;
  const auto address = reinterpret_cast<uintptr_t>(slab);
  const uintptr_t top = address >> (16 + kMapLeafBits);
  if (top >> kMapTopBits) {
    free(slab);
    return nullptr;
  }
  {
    std::lock_guard<std::mutex> lock(g_Shared.mutex);
    uint8_t *leaf = g_SlabMap[top].load(std::memory_order_relaxed);
    if (!leaf) {
      leaf = static_cast<uint8_t *>(calloc(size_t{1} << kMapLeafBits, 1));
      if (!leaf) {
        free(slab);
        return nullptr;
      }
      g_SlabMap[top].store(leaf, std::memory_order_release);
    }
    leaf[(address >> 16) & ((uintptr_t{1} << kMapLeafBits) - 1)] = static_cast<uint8_t>(cls + 1);
  }
  g_Shared.slabBytes.fetch_add(kSlabSize, std::memory_order_relaxed);
  return static_cast<char *>(slab);
#endif
}

// One new block of class `cls` outside any thread cache: under AddressSanitizer a C heap block of
// its own; otherwise the first block of a fresh slab whose other blocks join the shared list.
void *NewSharedBlock(int cls) {
#ifdef SB_HEAP_CHECKED
  return NewBlock(ClassSize(cls), static_cast<uint32_t>(cls));
#else
  char *slab = NewSlab(cls);
  if (!slab) return nullptr;
  const size_t size = ClassSize(cls);
  std::lock_guard<std::mutex> lock(g_Shared.mutex);
  for (size_t i = kSlabSize / size - 1; i >= 1; --i) PushBlock(g_Shared.free[cls], slab + i * size);
  return slab;
#endif
}

// --- thread caches

struct ClassCache {
  Chain free;                 // poisoned blocks
  size_t freedSinceMove = 0;  // blocks freed since the chain last went to or came from the shared list
  char *bump = nullptr;       // the uncut rest of this thread's newest slab of the class
  char *bumpEnd = nullptr;
};

struct ThreadCache {
  ClassCache classes[kClassCount];
  // Bytes this thread took minus bytes it gave back (negative when it frees others' blocks).
  std::atomic<int64_t> inUse{0};
  bool ended = false;  // after the thread's end: go straight to the shared lists
  ThreadCache *next = nullptr;
};
// Each thread's cache lives on the C heap; only a pointer to it is thread-local, in the initial
// TLS block (reached without a call), small enough to fit there even when the platform base is
// loaded late.
thread_local ThreadCache *t_pCache __attribute__((tls_model("initial-exec"))) = nullptr;
// Stands in for the cache of a thread that has ended (or could get none): every block goes
// through the shared lists.
ThreadCache g_NoCache{{}, {0}, true, nullptr};

void AddInUse(ThreadCache &cache, int64_t bytes) {
  cache.inUse.store(cache.inUse.load(std::memory_order_relaxed) + bytes, std::memory_order_relaxed);
}

// Gives everything of an ending thread's cache to the shared lists.
void ThreadEnded(void *arg) {
  auto *cache = static_cast<ThreadCache *>(arg);
  std::lock_guard<std::mutex> lock(g_Shared.mutex);
  for (int cls = 0; cls < kClassCount; ++cls) {
    ClassCache &cc = cache->classes[cls];
    const size_t size = ClassSize(cls);
    for (; cc.bump && cc.bump + size <= cc.bumpEnd; cc.bump += size) {
      MarkListed(cc.bump, true);
      SB_POISON(cc.bump, size);
      PushBlock(g_Shared.free[cls], cc.bump);
    }
    Splice(g_Shared.free[cls], cc.free);
    cc = ClassCache();
  }
  g_Shared.endedThreadsInUse += cache->inUse.load(std::memory_order_relaxed);
  for (ThreadCache **link = &g_Shared.threads; *link; link = &(*link)->next) {
    if (*link == cache) {
      *link = cache->next;
      break;
    }
  }
  // Runs on the ending thread, so this is its own pointer.
  t_pCache = &g_NoCache;
  cache->~ThreadCache();
  free(cache);
}

void LockForFork() {
  g_Shared.mutex.lock();
}
void UnlockAfterFork() {
  g_Shared.mutex.unlock();
}

void Register(ThreadCache &cache) {
  std::lock_guard<std::mutex> lock(g_Shared.mutex);
  if (!g_Shared.keyMade) {
    // A fork while another thread holds the lock must not leave the child's copy locked.
    pthread_atfork(LockForFork, UnlockAfterFork, UnlockAfterFork);
    g_Shared.keyMade = pthread_key_create(&g_Shared.key, ThreadEnded) == 0;
  }
  // Without the key an ending thread's cache is simply not handed over (its blocks stay unused).
  if (g_Shared.keyMade) pthread_setspecific(g_Shared.key, &cache);
  cache.next = g_Shared.threads;
  g_Shared.threads = &cache;
}

// The calling thread's cache, made and registered on its first use.
ThreadCache &CurrentCache() {
  if (ThreadCache *cache = t_pCache) return *cache;
  void *memory = calloc(1, sizeof(ThreadCache));
  if (!memory) {
    t_pCache = &g_NoCache;
    return g_NoCache;
  }
  auto *cache = new (memory) ThreadCache();
  t_pCache = cache;
  Register(*cache);
  return *cache;
}

// A block for a thread whose cache of the class is empty: the whole shared list comes along (a
// chain moves in one step whatever its length), else a new slab becomes the cache's to cut.
void *Refill(ThreadCache &cache, int cls) {
  ClassCache &cc = cache.classes[cls];
  {
    std::lock_guard<std::mutex> lock(g_Shared.mutex);
    if (g_Shared.free[cls].head) {
      Splice(cc.free, g_Shared.free[cls]);
      cc.freedSinceMove = 0;
      return PopBlock(cc.free);
    }
  }
  char *slab = NewSlab(cls);
  if (!slab) return NewSharedBlock(cls);  // only a fresh block under AddressSanitizer
  const size_t size = ClassSize(cls);
  cc.bump = slab + size;
  cc.bumpEnd = slab + (kSlabSize / size) * size;
  return slab;
}

}  // namespace

// --- public operations

void *CSmallBlockHeap::Alloc(size_t size) {
  if (size > kMaxSmallSize) {
#ifdef SB_HEAP_CHECKED
    return NewBlock(size, kLarge);
#else
    return malloc(size);
#endif
  }
  if (size == 0) size = 1;  // a unique block all the same
  const int cls = ClassOf(size);
  const size_t classSize = ClassSize(cls);
  ThreadCache &cache = CurrentCache();
  void *block = nullptr;
  if (cache.ended) {
    {
      std::lock_guard<std::mutex> lock(g_Shared.mutex);
      if (g_Shared.free[cls].head) block = PopBlock(g_Shared.free[cls]);
    }
    if (!block) block = NewSharedBlock(cls);
    if (!block) return nullptr;
    std::lock_guard<std::mutex> lock(g_Shared.mutex);
    g_Shared.endedThreadsInUse += static_cast<int64_t>(classSize);
  } else {
    ClassCache &cc = cache.classes[cls];
    if (cc.free.head) {
      block = PopBlock(cc.free);
      // Listed blocks are cold; the next one is wanted soon and its link is read first.
      if (cc.free.head) __builtin_prefetch(cc.free.head, 1);
    } else if (cc.bump != cc.bumpEnd) {
      block = cc.bump;
      cc.bump += classSize;
    } else {
      block = Refill(cache, cls);
      if (!block) return nullptr;
    }
    AddInUse(cache, static_cast<int64_t>(classSize));
  }
  MarkListed(block, false);
  SB_UNPOISON(block, size);
  // Checked builds report an overrun past the size asked for, not only past the class.
  SB_POISON(static_cast<char *>(block) + size, classSize - size);
  return block;
}

void CSmallBlockHeap::Free(void *memory) {
  if (!memory) return;
  const int cls = SmallClassOf(memory);
  if (cls < 0) {
#ifdef SB_HEAP_CHECKED
    free(HeaderOf(memory));
#else
    free(memory);
#endif
    return;
  }
  const size_t classSize = ClassSize(cls);
  MarkListed(memory, true);
  SB_POISON(memory, classSize);
  ThreadCache &cache = CurrentCache();
  if (cache.ended) {
    std::lock_guard<std::mutex> lock(g_Shared.mutex);
    PushBlock(g_Shared.free[cls], memory);
    g_Shared.endedThreadsInUse -= static_cast<int64_t>(classSize);
    return;
  }
  ClassCache &cc = cache.classes[cls];
  PushBlock(cc.free, memory);
  AddInUse(cache, -static_cast<int64_t>(classSize));
  // A thread that frees more than it takes hands its chain over for other threads to use.
  if (++cc.freedSinceMove > CacheLimit(cls) && cc.free.count > CacheLimit(cls)) {
    std::lock_guard<std::mutex> lock(g_Shared.mutex);
    Splice(g_Shared.free[cls], cc.free);
    cc.freedSinceMove = 0;
  }
}

void *CSmallBlockHeap::Realloc(void *memory, size_t size) {
  if (!memory) return Alloc(size);
  const int cls = SmallClassOf(memory);
  if (cls < 0 && size > kMaxSmallSize) {
#ifdef SB_HEAP_CHECKED
    void *grown = realloc(HeaderOf(memory), sizeof(Header) + size);
    return grown ? static_cast<Header *>(grown) + 1 : nullptr;
#else
    return realloc(memory, size);
#endif
  }
  // A small block keeps its place while the size still fits its class.
  if (cls >= 0 && size <= ClassSize(cls)) {
    const size_t kept = size ? size : 1;  // a live block's first byte stays addressable
    SB_UNPOISON(memory, kept);
    SB_POISON(static_cast<char *>(memory) + kept, ClassSize(cls) - kept);
    return memory;
  }
  void *moved = Alloc(size);
  if (!moved) return nullptr;
  const size_t have = cls >= 0 ? ClassSize(cls) : kMaxSmallSize + 1;
  SB_UNPOISON(memory, have);  // the tail past the size once asked for
  memcpy(moved, memory, have < size ? have : size);
  Free(memory);
  return moved;
}

size_t CSmallBlockHeap::SmallBlockSize(const void *memory) {
  const int cls = memory ? SmallClassOf(memory) : -1;
  return cls < 0 ? 0 : ClassSize(cls);
}

size_t CSmallBlockHeap::SmallBytesInUse() {
  std::lock_guard<std::mutex> lock(g_Shared.mutex);
  int64_t total = g_Shared.endedThreadsInUse;
  for (const ThreadCache *cache = g_Shared.threads; cache; cache = cache->next)
    total += cache->inUse.load(std::memory_order_relaxed);
  return total > 0 ? static_cast<size_t>(total) : 0;
}

size_t CSmallBlockHeap::SlabBytes() {
  return g_Shared.slabBytes.load(std::memory_order_relaxed);
}

}  // namespace tier0
