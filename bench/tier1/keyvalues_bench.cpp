// Lookups in key/value records and symbol tables, each beside a plain reference measured in the
// same run: a linear scan over precomputed ints, and std::unordered_map.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "tier1/KeyValues.h"
#include "tier1/utlsymbol.h"

namespace {

constexpr int kChildren = 1000;

std::vector<std::string> MakeNames() {
  std::vector<std::string> names;
  for (int i = 0; i < kChildren; ++i) names.push_back("server_field_" + std::to_string(i));
  return names;
}

const std::vector<std::string> &Names() {
  static const std::vector<std::string> names = MakeNames();
  return names;
}

// Lookup order: every name once, shuffled with a fixed seed so runs compare.
const std::vector<int> &Order() {
  static const std::vector<int> order = [] {
    std::vector<int> indices(kChildren);
    for (int i = 0; i < kChildren; ++i) indices[i] = i;
    std::shuffle(indices.begin(), indices.end(), std::mt19937(1234));
    return indices;
  }();
  return order;
}

KeyValues *MakeRecord() {
  auto *record = new KeyValues("Server");
  for (const std::string &name : Names()) record->SetInt(name.c_str(), 1);
  return record;
}

// --- FindKey among 1,000 children

void BM_KeyValuesFindKeyByName(benchmark::State &state) {
  KeyValuesAD record(MakeRecord());
  size_t next = 0;
  for (auto _ : state) {
    const std::string &name = Names()[Order()[next++ % kChildren]];
    benchmark::DoNotOptimize(record->FindKey(name.c_str()));
  }
}
BENCHMARK(BM_KeyValuesFindKeyByName);

void BM_KeyValuesFindKeyBySymbol(benchmark::State &state) {
  KeyValuesAD record(MakeRecord());
  std::vector<HKeySymbol> symbols;
  for (int index : Order()) symbols.push_back(KeyValues::CallGetSymbolForString(Names()[index].c_str()));
  size_t next = 0;
  for (auto _ : state) benchmark::DoNotOptimize(record->FindKey(symbols[next++ % kChildren]));
}
BENCHMARK(BM_KeyValuesFindKeyBySymbol);

// Reference: the same search over a contiguous array of precomputed ints.
void BM_ReferenceLinearScanInts(benchmark::State &state) {
  std::vector<int> keys;
  for (int i = 0; i < kChildren; ++i) keys.push_back(i * 7 + 3);
  size_t next = 0;
  for (auto _ : state) {
    const int wanted = Order()[next++ % kChildren] * 7 + 3;
    benchmark::DoNotOptimize(std::find(keys.begin(), keys.end(), wanted));
  }
}
BENCHMARK(BM_ReferenceLinearScanInts);

// Reference: hashing the name each time.
void BM_ReferenceUnorderedMapFind(benchmark::State &state) {
  std::unordered_map<std::string, int> map;
  for (int i = 0; i < kChildren; ++i) map.emplace(Names()[i], i);
  size_t next = 0;
  for (auto _ : state) benchmark::DoNotOptimize(map.find(Names()[Order()[next++ % kChildren]]));
}
BENCHMARK(BM_ReferenceUnorderedMapFind);

// --- symbol lookups

void FillTable(CUtlSymbolTable &table) {
  for (const std::string &name : Names()) table.AddString(name.c_str());
}

void BM_SymbolTableFind(benchmark::State &state) {
  CUtlSymbolTable table(state.range(0) != 0);
  FillTable(table);
  size_t next = 0;
  for (auto _ : state) benchmark::DoNotOptimize(table.Find(Names()[Order()[next++ % kChildren]].c_str()));
  state.SetLabel(state.range(0) ? "case-insensitive" : "case-sensitive");
}
BENCHMARK(BM_SymbolTableFind)->Arg(0)->Arg(1);

void BM_SymbolTableString(benchmark::State &state) {
  CUtlSymbolTable table;
  FillTable(table);
  std::vector<CUtlSymbol> symbols;
  for (int index : Order()) symbols.push_back(table.Find(Names()[index].c_str()));
  size_t next = 0;
  for (auto _ : state) benchmark::DoNotOptimize(table.String(symbols[next++ % kChildren]));
}
BENCHMARK(BM_SymbolTableString);

// The process-wide table takes its lock on every call.
void BM_ProcessSymbolFind(benchmark::State &state) {
  for (const std::string &name : Names()) (void)CUtlSymbol(name.c_str());
  size_t next = 0;
  for (auto _ : state) benchmark::DoNotOptimize(CUtlSymbol::Find(Names()[Order()[next++ % kChildren]].c_str()));
}
BENCHMARK(BM_ProcessSymbolFind);

// Reference: the same strings in a hash map of 16-bit ids.
void BM_ReferenceUnorderedMapSymbol(benchmark::State &state) {
  std::unordered_map<std::string, UtlSymId_t> map;
  for (int i = 0; i < kChildren; ++i) map.emplace(Names()[i], static_cast<UtlSymId_t>(i));
  size_t next = 0;
  for (auto _ : state) benchmark::DoNotOptimize(map.find(Names()[Order()[next++ % kChildren]]));
}
BENCHMARK(BM_ReferenceUnorderedMapSymbol);

}  // namespace

BENCHMARK_MAIN();
