// Dispatching a named message through a three-level class chain, beside a direct virtual call
// doing the same work. Dispatch compares name symbols only, so its cost is a walk over integers
// plus reading the parameter.
#include <benchmark/benchmark.h>

#include "host/kgui_runtime.h"
#include "kgui_controls/Panel.h"
#include "kgui_controls/controls.h"
#include "tier1/KeyValues.h"

namespace {

// The reference host runtime offscreen, with the toolkit started against it.
class CRuntime {
 public:
  CRuntime() : m_Runtime(Options()) {
    kgui::KGui_InitInterfacesList("message_dispatch_bench", &m_Runtime.Provider());
  }
  ~CRuntime() {
    kgui::KGui_ShutdownInterfaces();
    m_Runtime.Shutdown();
  }
  CRuntime(const CRuntime &) = delete;
  CRuntime &operator=(const CRuntime &) = delete;

 private:
  static kguihost::CRuntimeOptions Options() {
    kguihost::CRuntimeOptions options;
    options.gameDir = SB_GAME_DIR;
    return options;
  }
  kguihost::CKGuiRuntime m_Runtime;
};

// Three classes, each with a map of several entries; "Ping" is handled by the first level, so a
// message for it is matched only after the maps of the two derived classes.
class LevelOne : public kgui::Panel {
  DECLARE_CLASS_SIMPLE(LevelOne, kgui::Panel);

 public:
  LevelOne() : Panel(nullptr, "bench") {}
  virtual void Ping(int value) { m_nTotal += value; }
  void OnOther() { ++m_nOther; }
  int64_t m_nTotal = 0;
  int m_nOther = 0;
};

BEGIN_MESSAGE_MAP(LevelOne, kgui::Panel)
MESSAGE_ENTRY("LevelOneA", OnOther)
MESSAGE_ENTRY("LevelOneB", OnOther)
MESSAGE_ENTRY("LevelOneC", OnOther)
MESSAGE_ENTRY("Ping", Ping, "value")
END_MESSAGE_MAP()

class LevelTwo : public LevelOne {
  DECLARE_CLASS_SIMPLE(LevelTwo, LevelOne);
};

BEGIN_MESSAGE_MAP(LevelTwo, LevelOne)
MESSAGE_ENTRY("LevelTwoA", OnOther)
MESSAGE_ENTRY("LevelTwoB", OnOther)
MESSAGE_ENTRY("LevelTwoC", OnOther)
MESSAGE_ENTRY("LevelTwoD", OnOther)
END_MESSAGE_MAP()

class LevelThree : public LevelTwo {
  DECLARE_CLASS_SIMPLE(LevelThree, LevelTwo);
};

BEGIN_MESSAGE_MAP(LevelThree, LevelTwo)
MESSAGE_ENTRY("LevelThreeA", OnOther)
MESSAGE_ENTRY("LevelThreeB", OnOther)
MESSAGE_ENTRY("LevelThreeC", OnOther)
MESSAGE_ENTRY("LevelThreeD", OnOther)
END_MESSAGE_MAP()

void BM_DispatchThroughThreeLevels(benchmark::State &state) {
  CRuntime runtime;
  LevelThree panel;
  KeyValuesAD message(new KeyValues("Ping", "value", 1));
  for (auto _ : state) panel.OnMessage(message.get(), 0);
  benchmark::DoNotOptimize(panel.m_nTotal);
  state.counters["handled"] = static_cast<double>(panel.m_nTotal);
}
BENCHMARK(BM_DispatchThroughThreeLevels);

void BM_DirectVirtualCall(benchmark::State &state) {
  CRuntime runtime;
  LevelThree panel;
  // Read through a volatile so the call stays virtual.
  LevelOne *volatile base = &panel;
  for (auto _ : state) {
    base->Ping(1);
    benchmark::ClobberMemory();
  }
  benchmark::DoNotOptimize(panel.m_nTotal);
}
BENCHMARK(BM_DirectVirtualCall);

// A message no class handles walks every map, the legacy map included, and is dropped.
void BM_DispatchUnhandled(benchmark::State &state) {
  CRuntime runtime;
  kgui::KGui_SetMessageTraceOverride(0);
  LevelThree panel;
  KeyValuesAD message(new KeyValues("NobodyHandlesThis", "value", 1));
  for (auto _ : state) panel.OnMessage(message.get(), 0);
  kgui::KGui_SetMessageTraceOverride(-1);
}
BENCHMARK(BM_DispatchUnhandled);

}  // namespace

BENCHMARK_MAIN();
