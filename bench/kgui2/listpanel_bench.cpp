// The list panel at the size of a full Internet list: adding 100,000 records of 12 keys (beside
// copying the same values into a vector of plain structs), sorting them with a sort function that
// fetches a record per row and its key function (beside std::stable_sort of ids through an
// indirection into plain structs, by string and by int, in the same iteration), hiding and
// showing every row, painting one frame of 100,000 rows beside one of 100 rows, the memory a row
// costs (beside the plain structs'), and refreshing every row: replaced by a fresh record as the
// pages do (SetItemData: the row stays compact), and edited through GetItemData (the first edit
// makes the row's record from its compact values). Counters named ratio divide by the reference.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "host/kgui_runtime.h"
#include "kgui_controls/ListPanel.h"
#include "kgui_controls/controls.h"
#include "kstdlib/strtools.h"
#include "tier0/memalloc.h"
#include "tier1/KeyValues.h"

namespace {

using kgui::ListPanel;
using kgui::ListPanelItem;

constexpr int kRows = 100000;

// What the services would describe for a server: the data the sort functions fetch per row.
struct CServer {
  std::string name;
  std::string map;
  int ping = 0;
};

// Deterministic invented servers, each with the record of 12 keys a page would add.
struct CServerWorld {
  CServerWorld() {
    static const char *const kWords[] = {"amber",   "basalt",  "cinder", "dune",  "ember",
                                         "fjord",   "glacier", "heron",  "iris",  "juniper",
                                         "kestrel", "lagoon",  "mesa",   "nimbus"};
    std::mt19937 random(12345);
    auto word = [&] { return std::string(kWords[random() % std::size(kWords)]); };
    for (int i = 0; i < kRows; ++i) {
      CServer server;
      server.name = word() + " " + word() + " #" + std::to_string(i);
      server.map = "map_" + word() + "_" + std::to_string(random() % 40);
      server.ping = 1 + static_cast<int>(random() % 400);
      KeyValues *record = new KeyValues("Server");
      record->SetString("name", server.name.c_str());
      record->SetString("map", server.map.c_str());
      record->SetString("game", ("mod_" + word()).c_str());
      record->SetString("players", (std::to_string(random() % 33) + "/32").c_str());
      record->SetInt("ping", server.ping);
      record->SetString(
          "IPAddr", ("127.0." + std::to_string(i / 250) + "." + std::to_string(i % 250) + ":27015").c_str());
      record->SetString("version", "1.4.1234");
      record->SetString("tags", (word() + "," + word()).c_str());
      record->SetInt("bots", static_cast<int>(random() % 9));
      record->SetInt("region", static_cast<int>(random() % 8));
      record->SetInt("secure", random() % 10 != 0);
      record->SetInt("password", random() % 10 == 0);
      servers.push_back(std::move(server));
      records.emplace_back(record);
    }
    order.resize(kRows);
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), random);
  }

  std::vector<CServer> servers;
  std::vector<KeyValuesAD> records;
  std::vector<int> order;  // the order rows arrive in
};

CServerWorld &World() {
  static CServerWorld s_World;
  return s_World;
}

// The sort functions fetch the server of each row by its user value, as the pages do.
int CompareName(ListPanel *, const ListPanelItem &a, const ListPanelItem &b) {
  const std::vector<CServer> &servers = World().servers;
  return V_stricmp(servers[a.m_unUserData].name.c_str(), servers[b.m_unUserData].name.c_str());
}

int ComparePing(ListPanel *, const ListPanelItem &a, const ListPanelItem &b) {
  const std::vector<CServer> &servers = World().servers;
  const int pa = servers[a.m_unUserData].ping, pb = servers[b.m_unUserData].ping;
  return pa < pb ? -1 : (pa > pb ? 1 : 0);
}

// Their keys, as the pages give them.
ListPanel::SortKey NameKey(ListPanel *, const ListPanelItem &item, int part) {
  return ListPanel::FoldedTextKey(World().servers[item.m_unUserData].name.c_str(), part);
}

ListPanel::SortKey PingKey(ListPanel *, const ListPanelItem &item, int) {
  return ListPanel::SortKey{static_cast<uint32>(World().servers[item.m_unUserData].ping) ^ 0x80000000u,
                            ListPanel::SortKey::kLast};
}

// The plain-struct reference: the same 12 values per row in a struct of strings and ints.
struct CPlainRow {
  std::string name, map, game, players, address, version, tags;
  int ping = 0, bots = 0, region = 0, secure = 0, password = 0;
};

std::vector<CPlainRow> PlainRows() {
  std::vector<CPlainRow> rows;
  rows.reserve(kRows);
  for (const KeyValuesAD &record : World().records) {
    CPlainRow row;
    row.name = record->GetString("name");
    row.map = record->GetString("map");
    row.game = record->GetString("game");
    row.players = record->GetString("players");
    row.address = record->GetString("IPAddr");
    row.version = record->GetString("version");
    row.tags = record->GetString("tags");
    row.ping = record->GetInt("ping");
    row.bots = record->GetInt("bots");
    row.region = record->GetInt("region");
    row.secure = record->GetInt("secure");
    row.password = record->GetInt("password");
    rows.push_back(std::move(row));
  }
  return rows;
}

double MillisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0.0 : values[values.size() / 2];
}

// The host runtime offscreen with the toolkit started against it and one list in a window.
class CListWorld {
 public:
  CListWorld() : m_Runtime(Options()) {
    kgui::KGui_InitInterfacesList("listpanel_bench", &m_Runtime.Provider());
    m_pWindow = new kgui::Panel(nullptr, "Window");
    m_pWindow->SetParent(m_Runtime.RootPanel());
    m_pWindow->SetBounds(40, 40, 1000, 700);
    NewList();
  }
  ~CListWorld() {
    delete m_pWindow;
    kgui::KGui_ShutdownInterfaces();
    m_Runtime.Shutdown();
  }
  CListWorld(const CListWorld &) = delete;
  CListWorld &operator=(const CListWorld &) = delete;

  // A new, empty list with the nine columns of a server page.
  void NewList() {
    delete m_pList;
    m_pList = new ListPanel(m_pWindow, "Servers");
    m_pList->SetBounds(10, 10, 980, 680);
    static const char *const kColumns[] = {"password", "bots",    "secure", "name", "IPAddr",
                                           "game",     "players", "map",    "ping"};
    for (int col = 0; col < 9; ++col)
      m_pList->AddColumnHeader(col, kColumns[col], kColumns[col], col == 3 ? 260 : 80);
    m_pList->SetColumnSortFunc(3, &CompareName);
    m_pList->SetColumnSortFunc(8, &ComparePing);
    m_pList->SetColumnSortKeyFunc(3, &NameKey);
    m_pList->SetColumnSortKeyFunc(8, &PingKey);
  }
  // Rows for the first `count` servers in arrival order; copies unless `share`.
  void Fill(int count, bool share) {
    CServerWorld &world = World();
    for (int i = 0; i < count; ++i) {
      const int index = world.order[i];
      m_pList->AddItem(world.records[index].get(), static_cast<unsigned int>(index), false, false, share);
    }
  }

  kguihost::CKGuiRuntime &Runtime() { return m_Runtime; }
  ListPanel *List() { return m_pList; }

 private:
  static kguihost::CRuntimeOptions Options() {
    kguihost::CRuntimeOptions options;
    options.gameDir = SB_GAME_DIR;  // the shipped scheme and images
    return options;
  }

  kguihost::CKGuiRuntime m_Runtime;
  kgui::Panel *m_pWindow = nullptr;
  ListPanel *m_pList = nullptr;
};

// Bytes in use: the C heap, malloc'd and mapped, with small blocks counted as handed out.
size_t HeapInUse() {
  // The small-block lists' slabs sit on the C heap whole; count the blocks handed out instead.
  const struct mallinfo2 info = mallinfo2();
  const MemAllocSmallBlockStats small = MemAlloc_GetSmallBlockStats();
  return info.uordblks + info.hblkhd - small.slabBytes + small.bytesInUse;
}

void BM_AddItem(benchmark::State &state) {
  World();
  const std::vector<CPlainRow> plain = PlainRows();
  CListWorld list;
  std::vector<double> references;
  for (auto _ : state) {
    state.PauseTiming();
    list.NewList();
    state.ResumeTiming();
    list.Fill(kRows, false);
    state.PauseTiming();
    const auto start = std::chrono::steady_clock::now();
    std::vector<CPlainRow> copy;
    copy.reserve(plain.size());
    for (const CPlainRow &row : plain) copy.push_back(row);
    benchmark::DoNotOptimize(copy.data());
    references.push_back(MillisecondsSince(start));
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kRows);
  state.counters["rows"] = kRows;
  state.counters["ref_struct_copy_ms"] = Median(references);
}
BENCHMARK(BM_AddItem)->Unit(benchmark::kMillisecond);

// Sorting 100,000 rows by a column whose function fetches each row's server. Every sort starts
// from the arrival order.
void BM_SortList(benchmark::State &state) {
  World();
  CListWorld list;
  const int column = static_cast<int>(state.range(0));
  const std::vector<CPlainRow> plain = PlainRows();
  std::vector<double> sorts, references;
  std::vector<int> ids;
  for (auto _ : state) {
    state.PauseTiming();
    list.NewList();
    list.Fill(kRows, true);
    list.List()->SortByColumn(column, true);
    state.ResumeTiming();
    const auto start = std::chrono::steady_clock::now();
    list.List()->SortList();
    sorts.push_back(MillisecondsSince(start));
    state.PauseTiming();
    // The reference: ids in the same arrival order sorted through an indirection into plain rows.
    ids = World().order;
    const auto referenceStart = std::chrono::steady_clock::now();
    if (column == 3)
      std::stable_sort(ids.begin(), ids.end(), [&](int a, int b) { return plain[a].name < plain[b].name; });
    else
      std::stable_sort(ids.begin(), ids.end(), [&](int a, int b) { return plain[a].ping < plain[b].ping; });
    references.push_back(MillisecondsSince(referenceStart));
    benchmark::DoNotOptimize(ids.data());
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kRows);
  state.SetLabel(column == 3 ? "by name" : "by ping");
  state.counters["sort_ms"] = Median(sorts);
  state.counters["ref_indirect_ms"] = Median(references);
  state.counters["ratio"] = Median(sorts) / Median(references);
}
BENCHMARK(BM_SortList)->Arg(3)->Arg(8)->Unit(benchmark::kMillisecond);

// The same ids sorted by std::stable_sort with the same sort function, for comparison.
void BM_StableSortReference(benchmark::State &state) {
  World();
  ListPanel::SortFunc compare = state.range(0) == 3 ? &CompareName : &ComparePing;
  std::vector<ListPanelItem> items(kRows);
  for (int i = 0; i < kRows; ++i) items[i].m_unUserData = static_cast<uint32>(i);
  std::vector<int> ids;
  for (auto _ : state) {
    state.PauseTiming();
    ids = World().order;
    state.ResumeTiming();
    std::stable_sort(ids.begin(), ids.end(),
                     [&](int a, int b) { return compare(nullptr, items[a], items[b]) < 0; });
    benchmark::DoNotOptimize(ids.data());
  }
  state.SetItemsProcessed(state.iterations() * kRows);
  state.SetLabel(state.range(0) == 3 ? "by name" : "by ping");
}
BENCHMARK(BM_StableSortReference)->Arg(3)->Arg(8)->Unit(benchmark::kMillisecond);

// A filter that hides every row one by one and then shows them all again, followed by the sort
// that puts them back in order.
void BM_HideAndShowAll(benchmark::State &state) {
  World();
  CListWorld list;
  list.Fill(kRows, true);
  list.List()->SortByColumn(8, true);
  list.List()->SortList();
  for (auto _ : state) {
    for (int itemID = 0; itemID < kRows; ++itemID) list.List()->ShowItem(itemID, false);
    benchmark::DoNotOptimize(list.List()->GetVisibleItemCount());
    for (int itemID = 0; itemID < kRows; ++itemID) list.List()->ShowItem(itemID, true);
    list.List()->SortList();
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_HideAndShowAll)->Unit(benchmark::kMillisecond);

// One host frame (layout and painting through cairo) of a list scrolled to its middle.
void BM_PaintFrame(benchmark::State &state) {
  World();
  CListWorld list;
  const int rows = static_cast<int>(state.range(0));
  list.Fill(rows, false);
  list.List()->SortByColumn(8, true);
  list.Runtime().RunFrame();
  list.List()->SelectOnly(list.List()->GetItemIDAtRow(rows / 2));
  list.List()->ScrollToItem(list.List()->GetItemIDAtRow(rows / 2));
  list.Runtime().RunFrame();
  for (auto _ : state) list.Runtime().RunFrame();
  state.counters["rows"] = rows;
}
BENCHMARK(BM_PaintFrame)->Arg(100)->Arg(kRows)->Unit(benchmark::kMicrosecond);

// Heap bytes per row at 100,000 rows: with the list's copy of each record, and the list's own
// share alone (records shared with the caller).
void BM_MemoryPerRow(benchmark::State &state) {
  World();
  CListWorld list;
  const bool share = state.range(0) != 0;
  double bytesPerRow = 0.0;
  for (auto _ : state) {
    state.PauseTiming();
    list.NewList();
    const size_t before = HeapInUse();
    state.ResumeTiming();
    list.Fill(kRows, share);
    state.PauseTiming();
    bytesPerRow = static_cast<double>(HeapInUse() - before) / kRows;
    state.ResumeTiming();
  }
  // The same values in plain structs, measured the same way.
  const size_t before = HeapInUse();
  std::vector<CPlainRow> plain = PlainRows();
  const double plainBytesPerRow = static_cast<double>(HeapInUse() - before) / kRows;
  state.counters["bytes_per_row"] = bytesPerRow;
  state.counters["ref_plain_struct_bytes_per_row"] = plainBytesPerRow;
  state.counters["ratio"] = bytesPerRow / plainBytesPerRow;
  state.SetLabel(share ? "records shared" : "records copied");
}
BENCHMARK(BM_MemoryPerRow)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

// A new list filled with every server, untimed: the heap in use before it, and in `compactBytes`
// what a row added costs.
size_t FillUntimed(benchmark::State &state, CListWorld &list, double &compactBytes) {
  state.PauseTiming();
  list.NewList();
  const size_t before = HeapInUse();
  list.Fill(kRows, false);
  compactBytes = static_cast<double>(HeapInUse() - before) / kRows;
  state.ResumeTiming();
  return before;
}

// What a row costs now, by the heap in use since `before`, untimed.
double RowBytesUntimed(benchmark::State &state, size_t before) {
  state.PauseTiming();
  const double bytes = static_cast<double>(HeapInUse() - before) / kRows;
  state.ResumeTiming();
  return bytes;
}

// A refresh of every row by editing it in place: GetItemData, a new ping, ApplyItemChanges. The
// first pass makes each row's record; the second edits records the rows already hold. The heap a
// row costs once it holds its record is reported beside the compact row's.
void BM_EditEveryRow(benchmark::State &state) {
  World();
  CListWorld list;
  std::vector<double> firsts, seconds;
  double compactBytes = 0.0, recordBytes = 0.0;
  for (auto _ : state) {
    const size_t before = FillUntimed(state, list, compactBytes);
    for (int pass = 0; pass < 2; ++pass) {
      const auto start = std::chrono::steady_clock::now();
      for (int itemID = 0; itemID < kRows; ++itemID) {
        list.List()->GetItemData(itemID)->SetInt("ping", pass + itemID % 300);
        list.List()->ApplyItemChanges(itemID);
      }
      (pass == 0 ? firsts : seconds).push_back(MillisecondsSince(start));
    }
    recordBytes = RowBytesUntimed(state, before);
  }
  state.counters["first_edit_ms"] = Median(firsts);
  state.counters["second_edit_ms"] = Median(seconds);
  state.counters["compact_bytes_per_row"] = compactBytes;
  state.counters["record_bytes_per_row"] = recordBytes;
}
BENCHMARK(BM_EditEveryRow)->Iterations(3)->Unit(benchmark::kMillisecond);

// A refresh of every row as the pages make it: each row replaced by a fresh copy of its record
// (SetItemData). The heap a row costs afterwards is reported beside the compact row's.
void BM_ReplaceEveryRow(benchmark::State &state) {
  CServerWorld &world = World();
  CListWorld list;
  std::vector<double> refreshes;
  double compactBytes = 0.0, refreshedBytes = 0.0;
  for (auto _ : state) {
    const size_t before = FillUntimed(state, list, compactBytes);
    const auto start = std::chrono::steady_clock::now();
    // Fill gave row i the record of the i-th server to arrive.
    for (int itemID = 0; itemID < kRows; ++itemID)
      list.List()->SetItemData(itemID, world.records[world.order[itemID]].get());
    refreshes.push_back(MillisecondsSince(start));
    refreshedBytes = RowBytesUntimed(state, before);
  }
  state.counters["refresh_ms"] = Median(refreshes);
  state.counters["compact_bytes_per_row"] = compactBytes;
  state.counters["refreshed_bytes_per_row"] = refreshedBytes;
}
BENCHMARK(BM_ReplaceEveryRow)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
