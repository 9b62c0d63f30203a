// Key/value text throughput: reading a ~10 MB file of nested blocks into a tree and writing the
// tree back, each beside a plain scan of the same bytes (memchr from quote to quote, as any
// tokenizer must stop at every quote) measured in the same run. Figures are MB/s (1 MB = 1e6 B)
// of input for reading and of output for writing. When the shared performance anchors' data is
// present (/tmp/anchors-data/records.kv) it is read too.
//
// Memory of the parsed records, per top-level record of the file (the children of the root):
// - tree_B/record: what one tree holds, measured around a parse whose key names are already known:
//   the shared allocator's small blocks in use at their size class (nodes, short strings), plus
//   the C heap's bytes in use (mallinfo2: chunks with their headers) other than the small blocks'
//   slabs. Freed blocks waiting in the lists and the token area, returned at the end, do not count.
// - first_B/record (the anchors' file only): the whole C heap's growth over the process's first
//   parse of the file, with the key-name symbols it interns (one per record there) and the slabs
//   cut for the tree, nothing freed in between.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "tier0/memalloc.h"
#include "tier1/KeyValues.h"
#include "tier1/utlbuffer.h"

namespace {

constexpr size_t kTargetBytes = 10 * 1000 * 1000;
const char kAnchorRecords[] = "/tmp/anchors-data/records.kv";

const char *const kMaps[] = {"frost_harbor", "dune_relay", "copper_gorge", "lantern_keep", "misty_quarry"};
const char *const kGames[] = {"Skyward Siege", "Tidebreak Arena", "Hollow Ridge Tactics"};

// A deterministic tree: one block per fictional server with fields, rules and a player list.
KeyValues *BuildServerTree(size_t targetBytes) {
  auto *root = new KeyValues("Servers");
  uint32 seed = 12345;
  auto next = [&seed]() { return seed = seed * 1664525u + 1013904223u; };
  size_t estimate = 0;
  for (int i = 0; estimate < targetBytes; ++i) {
    KeyValues *server = root->CreateKey("Server");
    char text[64];
    snprintf(text, sizeof(text), "Fictional community server #%d", i);
    server->SetString("name", text);
    snprintf(text, sizeof(text), "10.%u.%u.%u:%u", next() % 256, next() % 256, next() % 256,
             27000 + next() % 100);
    server->SetString("address", text);
    server->SetString("map", kMaps[next() % 5]);
    server->SetString("game", kGames[next() % 3]);
    server->SetInt("players", static_cast<int>(next() % 33));
    server->SetInt("maxplayers", 32);
    server->SetInt("ping", static_cast<int>(next() % 300));
    server->SetString("version", "1.0.4.2");
    KeyValues *rules = server->CreateKey("rules");
    rules->SetInt("timelimit", 30);
    rules->SetInt("friendlyfire", static_cast<int>(next() % 2));
    rules->SetString("motd", "Welcome! Play fair, have fun.");
    KeyValues *players = server->CreateKey("players_list");
    for (int p = 0; p < 3; ++p) {
      KeyValues *player = players->CreateKey("player");
      snprintf(text, sizeof(text), "Pilot_%u", next() % 100000);
      player->SetString("name", text);
      player->SetInt("score", static_cast<int>(next() % 100));
    }
    estimate += 640;  // about what one server block takes as text
  }
  return root;
}

std::string WriteTree(KeyValues *tree) {
  CUtlBuffer buf(0, 1024, CUtlBuffer::TEXT_BUFFER);
  tree->RecursiveSaveToFile(buf, 0);
  return std::string(static_cast<const char *>(buf.Base()), static_cast<size_t>(buf.TellPut()));
}

const std::string &GeneratedText() {
  static const std::string text = [] {
    KeyValuesAD tree(BuildServerTree(kTargetBytes));
    return WriteTree(tree.get());
  }();
  return text;
}

KeyValues *ParseText(const std::string &text) {
  auto *tree = new KeyValues("bench");
  CUtlBuffer buf(text.data(), static_cast<int>(text.size()), CUtlBuffer::READ_ONLY | CUtlBuffer::TEXT_BUFFER);
  if (!tree->LoadFromBuffer("bench", buf)) fprintf(stderr, "bench: the text did not parse cleanly\n");
  return tree;
}

void SetMegabytesPerSecond(benchmark::State &state, size_t bytes) {
  state.counters["MB/s"] =
      benchmark::Counter(static_cast<double>(bytes) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}

size_t CountQuotes(const std::string &text) {
  size_t quotes = 0;
  const char *p = text.data();
  const char *end = p + text.size();
  while ((p = static_cast<const char *>(memchr(p, '"', static_cast<size_t>(end - p)))) != nullptr) {
    ++quotes;
    ++p;
  }
  return quotes;
}

size_t HeapBytes() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

// Bytes that trees hold: small blocks at their class size, other C heap blocks as the heap counts
// them (the slabs of the small blocks are left out, their blocks being counted one by one).
size_t TreeBytes() {
  const MemAllocSmallBlockStats stats = MemAlloc_GetSmallBlockStats();
  return stats.bytesInUse + HeapBytes() - stats.slabBytes;
}

size_t CountRecords(KeyValues *tree) {
  size_t records = 0;
  for (KeyValues *child = tree->GetFirstSubKey(); child; child = child->GetNextKey()) ++records;
  return records ? records : 1;
}

// Bytes per record of one parsed tree of `text`.
double TreeBytesPerRecord(const std::string &text) {
  const size_t before = TreeBytes();
  KeyValues *tree = ParseText(text);
  const size_t bytes = TreeBytes() - before;
  const size_t records = CountRecords(tree);
  tree->Destroy();
  return static_cast<double>(bytes) / static_cast<double>(records);
}

// Reading into a tree; freeing the tree is not timed. (glibc merges the freed chunks of the
// previous tree when the next parse takes its 256 KB token area; that stays in the figure.)
void ReadBench(benchmark::State &state, const std::string &text) {
  for (auto _ : state) {
    KeyValues *tree = ParseText(text);
    benchmark::DoNotOptimize(tree);
    state.PauseTiming();
    tree->Destroy();
    state.ResumeTiming();
  }
  SetMegabytesPerSecond(state, text.size());
  state.counters["tree_B/record"] = TreeBytesPerRecord(text);
}

void ScanBench(benchmark::State &state, const std::string &text) {
  for (auto _ : state) benchmark::DoNotOptimize(CountQuotes(text));
  SetMegabytesPerSecond(state, text.size());
}

void BM_Read_Generated(benchmark::State &state) {
  ReadBench(state, GeneratedText());
}
void BM_ReadFloor_MemchrQuotes_Generated(benchmark::State &state) {
  ScanBench(state, GeneratedText());
}

void BM_Write_Generated(benchmark::State &state) {
  KeyValuesAD tree(ParseText(GeneratedText()));
  size_t written = 0;
  for (auto _ : state) {
    CUtlBuffer buf(0, 1024, CUtlBuffer::TEXT_BUFFER);
    tree->RecursiveSaveToFile(buf, 0);
    written = static_cast<size_t>(buf.TellPut());
    benchmark::DoNotOptimize(buf.Base());
  }
  SetMegabytesPerSecond(state, written);
}

void BM_WriteFloor_MemchrQuotes_Output(benchmark::State &state) {
  KeyValuesAD tree(ParseText(GeneratedText()));
  ScanBench(state, WriteTree(tree.get()));
}

// Reading is timed by the wall clock, as the anchors' parsers are.
BENCHMARK(BM_Read_Generated)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_ReadFloor_MemchrQuotes_Generated)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_Write_Generated)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_WriteFloor_MemchrQuotes_Output)->Unit(benchmark::kMillisecond)->MinTime(1.0);

std::string ReadFile(const char *path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

}  // namespace

int main(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  // The anchors' records are optional: measured only when that data was generated on this machine.
  static const std::string records = ReadFile(kAnchorRecords);
  static double firstBytesPerRecord = 0;
  if (!records.empty()) {
    // Before anything else has run: the process's first parse of these names.
    const size_t before = HeapBytes();
    KeyValues *first = ParseText(records);
    firstBytesPerRecord =
        static_cast<double>(HeapBytes() - before) / static_cast<double>(CountRecords(first));
    first->Destroy();
    benchmark::RegisterBenchmark("BM_Read_AnchorRecords",
                                 [](benchmark::State &state) {
                                   ReadBench(state, records);
                                   state.counters["first_B/record"] = firstBytesPerRecord;
                                 })
        ->Unit(benchmark::kMillisecond)
        ->MinTime(2.0)
        ->UseRealTime();
    benchmark::RegisterBenchmark("BM_ReadFloor_MemchrQuotes_AnchorRecords",
                                 [](benchmark::State &state) { ScanBench(state, records); })
        ->Unit(benchmark::kMillisecond)
        ->MinTime(1.0);
  } else {
    fprintf(stderr, "note: %s not found; the anchor records are not measured\n", kAnchorRecords);
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
