// Reading blocks of conditional entries, beside a block of as many plain entries read in the same
// run: a reader that stays linear shows the same time per entry at every size, and about the
// time per entry of the plain block.
//   Alternating: "a<i>" kept by a true condition, "b<i>" dropped by a false one, in turn.
//   Replacing:   "k" plain, then "k" with a true condition that replaces the oldest "k".
//   Plain:       "a<i>" and "b<i>" without conditions (the reference).
// The argument is the number of pairs; each pair is two entries.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "tier1/KeyValues.h"
#include "tier1/utlbuffer.h"

namespace {

enum class Shape { kAlternating, kReplacing, kPlain };

std::string BuildText(Shape shape, int pairs) {
  std::string text = "Block {\n";
  for (int i = 0; i < pairs; ++i) {
    const std::string n = std::to_string(i);
    switch (shape) {
      case Shape::kAlternating:
        text += "a" + n + " " + n + " [$WIN32]\nb" + n + " " + n + " [!$WIN32]\n";
        break;
      case Shape::kReplacing:
        text += "k " + n + "\nk " + n + " [$WIN32]\n";
        break;
      case Shape::kPlain:
        text += "a" + n + " " + n + "\nb" + n + " " + n + "\n";
        break;
    }
  }
  text += "}\n";
  return text;
}

void ReadBench(benchmark::State &state, Shape shape) {
  const int pairs = static_cast<int>(state.range(0));
  const std::string text = BuildText(shape, pairs);
  for (auto _ : state) {
    auto *tree = new KeyValues("bench");
    CUtlBuffer buf(text.data(), static_cast<int>(text.size()),
                   CUtlBuffer::READ_ONLY | CUtlBuffer::TEXT_BUFFER);
    if (!tree->LoadFromBuffer("bench", buf)) fprintf(stderr, "bench: the text did not parse cleanly\n");
    benchmark::DoNotOptimize(tree);
    state.PauseTiming();
    tree->Destroy();
    state.ResumeTiming();
  }
  // Shown as time per entry.
  state.counters["per_entry"] =
      benchmark::Counter(static_cast<double>(2 * pairs),
                         benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_ReadConditions_Alternating(benchmark::State &state) {
  ReadBench(state, Shape::kAlternating);
}
void BM_ReadConditions_Replacing(benchmark::State &state) {
  ReadBench(state, Shape::kReplacing);
}
void BM_ReadConditions_PlainReference(benchmark::State &state) {
  ReadBench(state, Shape::kPlain);
}

BENCHMARK(BM_ReadConditions_Alternating)
    ->Arg(10000)
    ->Arg(20000)
    ->Arg(40000)
    ->Arg(80000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadConditions_Replacing)
    ->Arg(10000)
    ->Arg(20000)
    ->Arg(40000)
    ->Arg(80000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadConditions_PlainReference)
    ->Arg(10000)
    ->Arg(20000)
    ->Arg(40000)
    ->Arg(80000)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
