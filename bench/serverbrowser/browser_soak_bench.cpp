// A long session of the browser: 1,000 refresh cycles over every tab, and 1,000 dialog cycles
// (game-info dialog with its password prompt, add-server dialog), on a small world. Each run
// reports resident memory (VmRSS) and its peak (VmHWM) before and after, the growth, and the
// ratio after / before; the live heap the same way (exact where resident memory is not: the
// allocator keeps freed pages); and what the cycles must give back (host panels, descriptors,
// list requests, server queries, build group members), so that slow growth shows where a short
// test sees none. The services forget their call history after every cycle, so the figures are
// the browser's and the host's. Under the address sanitizer run with quarantine_size_mb=0, or the
// quarantine of freed blocks shows as growth.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "support/soak_world.h"

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer's allocator statistics (its header is not always installed).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

using sbtest::CSoakWorld;
using sbtest::SoakTally;

constexpr int kCycles = 1000;

struct Memory {
  double rssKiB = 0.0;
  double hwmKiB = 0.0;
  double heapKiB = 0.0;  // live heap blocks
};

// Bytes of live heap blocks, from the sanitizer's allocator when it replaces malloc.
double HeapInUse() {
#if defined(__SANITIZE_ADDRESS__)
  return static_cast<double>(__sanitizer_get_current_allocated_bytes());
#else
  const struct mallinfo2 info = mallinfo2();
  return static_cast<double>(info.uordblks + info.hblkhd);
#endif
}

// VmRSS and VmHWM of this process, in KiB.
Memory ReadMemory() {
  Memory memory;
  FILE *status = fopen("/proc/self/status", "r");
  if (!status) return memory;
  char line[256];
  while (fgets(line, sizeof(line), status)) {
    double value = 0.0;
    if (sscanf(line, "VmRSS: %lf", &value) == 1) memory.rssKiB = value;
    if (sscanf(line, "VmHWM: %lf", &value) == 1) memory.hwmKiB = value;
  }
  fclose(status);
  memory.heapKiB = HeapInUse() / 1024.0;
  return memory;
}

void Report(benchmark::State &state, const Memory &before, const Memory &after, const SoakTally &start,
            const SoakTally &end) {
  state.counters["rss_before_kib"] = before.rssKiB;
  state.counters["rss_after_kib"] = after.rssKiB;
  state.counters["rss_growth_kib"] = after.rssKiB - before.rssKiB;
  state.counters["rss_after_per_before"] = before.rssKiB > 0 ? after.rssKiB / before.rssKiB : 0.0;
  state.counters["hwm_before_kib"] = before.hwmKiB;
  state.counters["hwm_after_kib"] = after.hwmKiB;
  state.counters["hwm_growth_kib"] = after.hwmKiB - before.hwmKiB;
  state.counters["heap_before_kib"] = before.heapKiB;
  state.counters["heap_after_kib"] = after.heapKiB;
  state.counters["heap_after_per_before"] = before.heapKiB > 0 ? after.heapKiB / before.heapKiB : 0.0;
  state.counters["heap_growth_per_cycle_b"] = (after.heapKiB - before.heapKiB) * 1024.0 / kCycles;
  state.counters["rss_growth_per_cycle_b"] = (after.rssKiB - before.rssKiB) * 1024.0 / kCycles;
  state.counters["panels_growth"] = end.panels - start.panels;
  state.counters["descriptors_growth"] = end.descriptors - start.descriptors;
  state.counters["requests_growth"] = end.listRequests - start.listRequests;
  state.counters["queries_growth"] = end.queries - start.queries;
  state.counters["group_members_growth"] = end.groupMembers - start.groupMembers;
}

// `warmup` cycles first fill the caches a first use fills (fonts, images, layouts).
void RunCycles(benchmark::State &state, void (CSoakWorld::*cycle)(int), int warmup) {
  CSoakWorld world(SB_GAME_DIR);
  for (int i = 0; i < warmup; ++i) (world.*cycle)(i);
  world.Services().ForgetHistory();
  const SoakTally start = world.Tally();
  const Memory before = ReadMemory();
  for (auto _ : state) {
    for (int i = 0; i < kCycles; ++i) {
      (world.*cycle)(i);
      world.Services().ForgetHistory();
    }
    world.RunFor(1.0);
  }
  Report(state, before, ReadMemory(), start, world.Tally());
  state.counters["problems"] = static_cast<double>(world.Problems().size());
  state.SetItemsProcessed(state.iterations() * kCycles);
}

void BM_RefreshCycles(benchmark::State &state) {
  RunCycles(state, &CSoakWorld::RefreshCycle, 6);
}
BENCHMARK(BM_RefreshCycles)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_DialogCycles(benchmark::State &state) {
  RunCycles(state, &CSoakWorld::DialogCycle, 4);
}
BENCHMARK(BM_DialogCycles)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
