// The list panel at the size of a full Internet list: adding 100,000 records of 12 keys, sorting
// them with a sort function that fetches a record per row (beside std::stable_sort of the same ids
// with the same comparison), hiding and showing every row, painting one frame of 100,000 rows
// beside one of 100 rows, and the memory a row costs.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
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

// Bytes in use on the heap, malloc'd and mapped.
size_t HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

void BM_AddItem(benchmark::State &state) {
  World();
  CListWorld list;
  for (auto _ : state) {
    state.PauseTiming();
    list.NewList();
    state.ResumeTiming();
    list.Fill(kRows, false);
  }
  state.SetItemsProcessed(state.iterations() * kRows);
  state.counters["rows"] = kRows;
}
BENCHMARK(BM_AddItem)->Unit(benchmark::kMillisecond);

// Sorting 100,000 rows by a column whose function fetches each row's server. Every sort starts
// from the arrival order.
void BM_SortList(benchmark::State &state) {
  World();
  CListWorld list;
  const int column = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    list.NewList();
    list.Fill(kRows, true);
    list.List()->SortByColumn(column, true);
    state.ResumeTiming();
    list.List()->SortList();
  }
  state.SetItemsProcessed(state.iterations() * kRows);
  state.SetLabel(column == 3 ? "by name" : "by ping");
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
  state.counters["bytes_per_row"] = bytesPerRow;
  state.SetLabel(share ? "records shared" : "records copied");
}
BENCHMARK(BM_MemoryPerRow)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
