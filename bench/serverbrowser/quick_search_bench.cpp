// The quick search over 100,000 servers: one keystroke folds the query and matches every row's
// prepared haystack (goal: well inside a 16 ms frame), beside a plain std::string::find over the
// same prepared strings as the reference; the ratio is printed as a counter. Preparing the
// haystacks (once per answer, never per keystroke) is measured on its own.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "plexa/matchmakingtypes.h"
#include "serverbrowser/QuickSearch.h"
#include "serverbrowser/SearchFold.h"

namespace {

constexpr int kRows = 100000;

const std::vector<ServerRecord> &Servers() {
  static const std::vector<ServerRecord> servers = [] {
    static const char *const kWords[] = {
        "Gro\xC3\x9F"
        "e",
        "Harbor",
        "^1Red",
        "Ember",
        "\xCE\xA3\xCE\xB9\xCF\x83\xCF\x8D\xCF\x86\xCE\xBF\xCF\x82",
        "Quarry",
        "Nordwind",
        "\xE6\x9D\xB1\xE4\xBA\xAC",
        "Stra\xC3\x9F"
        "e",
        "Cove"};
    std::vector<ServerRecord> list(kRows);
    for (int i = 0; i < kRows; ++i) {
      ServerRecord &s = list[i];
      std::snprintf(s.m_szServerName, sizeof(s.m_szServerName), "%s ^7%s #%d", kWords[i % 10],
                    kWords[(i / 10) % 10], i);
      std::snprintf(s.m_szMapName, sizeof(s.m_szMapName), "map_%s", kWords[(i / 7) % 10]);
      std::snprintf(s.m_szDescription, sizeof(s.m_szDescription), "Ashfall %d", i % 13);
      std::snprintf(s.m_szTags, sizeof(s.m_szTags), "casual,%s,region%d", kWords[(i / 3) % 10], i % 5);
    }
    return list;
  }();
  return servers;
}

const std::vector<std::string> &Haystacks() {
  static const std::vector<std::string> haystacks = [] {
    std::vector<std::string> list;
    list.reserve(kRows);
    for (const ServerRecord &server : Servers()) list.push_back(QuickSearchHaystack(server));
    return list;
  }();
  return haystacks;
}

// A typed query that matches about one row in a hundred, so the scan is not cut short.
const char kTyped[] = "STRASSE ^7NORD";

int ReferenceScan(const std::string &needle) {
  int found = 0;
  for (const std::string &haystack : Haystacks()) found += haystack.find(needle) != std::string::npos;
  return found;
}

void BM_QuickSearchPrepareRows(benchmark::State &state) {
  for (auto _ : state) {
    for (const ServerRecord &server : Servers()) benchmark::DoNotOptimize(QuickSearchHaystack(server));
  }
}
BENCHMARK(BM_QuickSearchPrepareRows)->Unit(benchmark::kMillisecond);

void BM_QuickSearchKeystroke(benchmark::State &state) {
  const std::vector<std::string> &haystacks = Haystacks();
  int found = 0;
  const auto loopStart = std::chrono::steady_clock::now();
  for (auto _ : state) {
    const std::string query = FoldForSearch(std::string_view(kTyped));
    found = 0;
    for (const std::string &haystack : haystacks) found += QuickSearchMatches(haystack, query);
    benchmark::DoNotOptimize(found);
  }
  const double keystrokeMs =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - loopStart).count() /
      static_cast<double>(state.iterations());
  // The reference timed here as well, so the ratio needs no second run.
  const std::string needle = FoldForSearch(std::string_view(kTyped));
  constexpr int kRepeats = 20;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kRepeats; ++i) benchmark::DoNotOptimize(ReferenceScan(needle));
  const double referenceMs =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / kRepeats;
  state.counters["rows_found"] = found;
  state.counters["reference_ms"] = referenceMs;
  state.counters["keystroke_ms"] = keystrokeMs;
  state.counters["ratio_to_reference"] = keystrokeMs / referenceMs;
}
BENCHMARK(BM_QuickSearchKeystroke)->Unit(benchmark::kMillisecond);

void BM_PlainFindReference(benchmark::State &state) {
  const std::string needle = FoldForSearch(std::string_view(kTyped));
  for (auto _ : state) benchmark::DoNotOptimize(ReferenceScan(needle));
}
BENCHMARK(BM_PlainFindReference)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
