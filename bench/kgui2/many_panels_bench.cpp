// Many panels in one window, on the reference host runtime: applying a layout of N labels (made
// from the file, or made in code and placed by the file), and the state dump of N panels; beside
// making N labels under a plain panel, which no layout or group takes part in, measured in the
// same run. Linear work shows the same time per panel at every N. A dump of a list of N rows is
// measured too, beside reading its drawn cells alone.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/kgui_runtime.h"
#include "host/panel_dumper.h"
#include "kgui_controls/EditablePanel.h"
#include "kgui_controls/Label.h"
#include "kgui_controls/ListPanel.h"
#include "kgui_controls/controls.h"
#include "tier1/KeyValues.h"
#include "tier1/utlbuffer.h"

namespace {

// The host runtime offscreen over a scratch game folder that holds the layout files.
class CPanelWorld {
 public:
  CPanelWorld() : m_Folder(MakeFolder()), m_Runtime(Options(m_Folder)) {
    kgui::KGui_InitInterfacesList("many_panels_bench", &m_Runtime.Provider());
  }
  ~CPanelWorld() {
    kgui::KGui_ShutdownInterfaces();
    m_Runtime.Shutdown();
    const std::string command = "rm -rf '" + m_Folder + "'";
    if (system(command.c_str()) != 0) fprintf(stderr, "bench: could not remove %s\n", m_Folder.c_str());
  }
  CPanelWorld(const CPanelWorld &) = delete;
  CPanelWorld &operator=(const CPanelWorld &) = delete;

  kguihost::CKGuiRuntime &Runtime() { return m_Runtime; }

  // A layout of `count` blocks named <prefix><i>, once per name.
  const char *Layout(const char *prefix, int count, bool make) {
    static std::string name;
    name = std::string(prefix) + std::to_string(count) + ".res";
    std::string text = "\"layout\"\n{\n";
    for (int i = 0; i < count; ++i) {
      text += "\t\"" + std::string(prefix) + std::to_string(i) + "\"\n\t{\n";
      if (make) text += "\t\t\"ControlName\"\t\t\"Label\"\n";
      text += "\t\t\"xpos\"\t\t\"" + std::to_string(i % 300) + "\"\n\t\t\"ypos\"\t\t\"" +
              std::to_string(i % 200) + "\"\n\t\t\"labelText\"\t\t\"row " + std::to_string(i) + "\"\n\t}\n";
    }
    text += "}\n";
    FILE *file = fopen((m_Folder + "/" + name).c_str(), "w");
    if (file) {
      fwrite(text.data(), 1, text.size(), file);
      fclose(file);
    }
    return name.c_str();
  }

  kgui::EditablePanel *NewDialog() {
    auto *dialog = new kgui::EditablePanel(nullptr, "Dialog");
    dialog->SetParent(m_Runtime.RootPanel());
    dialog->SetBounds(0, 0, 1000, 700);
    return dialog;
  }

 private:
  static std::string MakeFolder() {
    char folder[] = "/tmp/many-panels-bench-XXXXXX";
    return mkdtemp(folder) ? folder : "/tmp";
  }
  static kguihost::CRuntimeOptions Options(const std::string &folder) {
    kguihost::CRuntimeOptions options;
    options.gameDir = folder;
    return options;
  }

  std::string m_Folder;
  kguihost::CKGuiRuntime m_Runtime;
};

// Made in main and gone before the toolkit's own statics are.
CPanelWorld *g_pWorld = nullptr;

CPanelWorld &World() {
  return *g_pWorld;
}

void PerPanel(benchmark::State &state) {
  state.counters["per_panel"] =
      benchmark::Counter(static_cast<double>(state.range(0)),
                         benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The reference: the labels alone, under a panel without a build group.
void BM_MakeLabelsReference(benchmark::State &state) {
  const int count = static_cast<int>(state.range(0));
  CPanelWorld &world = World();
  for (auto _ : state) {
    auto *window = new kgui::Panel(nullptr, "Window");
    window->SetParent(world.Runtime().RootPanel());
    for (int i = 0; i < count; ++i) new kgui::Label(window, ("label" + std::to_string(i)).c_str(), "row");
    state.PauseTiming();
    delete window;
    state.ResumeTiming();
  }
  PerPanel(state);
}

// Every label made from its block.
void BM_LayoutMakesLabels(benchmark::State &state) {
  const int count = static_cast<int>(state.range(0));
  const char *layout = World().Layout("made", count, true);
  for (auto _ : state) {
    state.PauseTiming();
    kgui::EditablePanel *dialog = World().NewDialog();
    state.ResumeTiming();
    dialog->LoadControlSettings(layout);
    state.PauseTiming();
    delete dialog;
    state.ResumeTiming();
  }
  PerPanel(state);
}

// Labels made in code (each joins the dialog's group), then placed by their blocks.
void BM_LayoutPlacesCodedLabels(benchmark::State &state) {
  const int count = static_cast<int>(state.range(0));
  const char *layout = World().Layout("coded", count, false);
  for (auto _ : state) {
    kgui::EditablePanel *dialog = World().NewDialog();
    for (int i = 0; i < count; ++i) new kgui::Label(dialog, ("coded" + std::to_string(i)).c_str(), "row");
    dialog->LoadControlSettings(layout);
    state.PauseTiming();
    delete dialog;
    state.ResumeTiming();
  }
  PerPanel(state);
}

// The dump of a window of N labels, built and written as text.
void BM_DumpPanels(benchmark::State &state) {
  const int count = static_cast<int>(state.range(0));
  CPanelWorld &world = World();
  auto *window = new kgui::Panel(nullptr, "Window");
  window->SetParent(world.Runtime().RootPanel());
  for (int i = 0; i < count; ++i) new kgui::Label(window, ("label" + std::to_string(i)).c_str(), "row");
  for (auto _ : state) {
    KeyValuesAD dump(kguihost::CPanelDumper(World().Runtime()).Build());
    CUtlBuffer text(0, 0, CUtlBuffer::TEXT_BUFFER);
    dump->RecursiveSaveToFile(text, 0);
    benchmark::DoNotOptimize(text.Base());
  }
  delete window;
  PerPanel(state);
}

// The linear reference for the dump of a list: every cell of every shown row as it is drawn, kept
// in a flat list; the work per row a dump cannot avoid, without building the tree.
size_t ReadDrawnCells(kgui::ListPanel *list) {
  std::vector<std::string> cells;
  for (int row = 0; row < list->GetVisibleItemCount(); ++row) {
    const int itemID = list->GetItemIDAtRow(row);
    for (int col = 0; col < list->GetColumnCount(); ++col)
      cells.push_back(list->GetCellDrawnText(itemID, col));
  }
  return cells.size();
}

// The dump of a list of N rows (the rows are described by the list itself), with the reference
// measured beside it in every iteration: "vs_reference" is the dump's time over the reference's,
// the same at every N while the dump stays linear.
void BM_DumpListRows(benchmark::State &state) {
  using Clock = std::chrono::steady_clock;
  const int count = static_cast<int>(state.range(0));
  CPanelWorld &world = World();
  auto *window = new kgui::Panel(nullptr, "Window");
  window->SetParent(world.Runtime().RootPanel());
  auto *list = new kgui::ListPanel(window, "Servers");
  list->SetBounds(0, 0, 900, 600);
  list->AddColumnHeader(0, "name", "Name", 300);
  list->AddColumnHeader(1, "map", "Map", 200);
  for (int i = 0; i < count; ++i) {
    KeyValuesAD row(new KeyValues("row"));
    row->SetString("name", ("Server " + std::to_string(i)).c_str());
    row->SetString("map", "frost_harbor");
    list->AddItem(row.get(), static_cast<unsigned int>(i), false, false);
  }
  Clock::duration dumpTime{};
  Clock::duration referenceTime{};
  for (auto _ : state) {
    const Clock::time_point dumpStart = Clock::now();
    {
      KeyValuesAD dump(kguihost::CPanelDumper(World().Runtime()).Build());
      benchmark::DoNotOptimize(dump.get());
    }
    dumpTime += Clock::now() - dumpStart;
    state.PauseTiming();
    const Clock::time_point referenceStart = Clock::now();
    benchmark::DoNotOptimize(ReadDrawnCells(list));
    referenceTime += Clock::now() - referenceStart;
    state.ResumeTiming();
  }
  delete window;
  state.counters["per_row"] =
      benchmark::Counter(static_cast<double>(count),
                         benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["vs_reference"] =
      std::chrono::duration<double>(dumpTime) / std::chrono::duration<double>(referenceTime);
}

BENCHMARK(BM_MakeLabelsReference)->Arg(5000)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LayoutMakesLabels)->Arg(5000)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LayoutPlacesCodedLabels)->Arg(5000)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DumpPanels)->Arg(10000)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DumpListRows)->Arg(10000)->Arg(20000)->Arg(40000)->Arg(80000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  CPanelWorld world;
  g_pWorld = &world;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  g_pWorld = nullptr;
  return 0;
}
