// One host frame (deliver queued messages, ticks, layout, paint every panel, present to the back
// buffer) for a tree of 1,000 panels, beside an empty frame measured in the same run.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "host/kgui_runtime.h"
#include "kgui/IClientPanel.h"
#include "tier1/KeyValues.h"

namespace {

using namespace kguihost;

// A panel that paints what a typical control does: a background, a frame and, on every third
// panel, a short text.
class CBenchPanel final : public kgui::IClientPanel {
 public:
  CBenchPanel(CKGuiRuntime &runtime, kgui::VPANEL parent, int index, kgui::HFont font)
      : m_Runtime(runtime), m_Index(index), m_Font(font) {
    m_Panel = runtime.KGui().CreatePanel(this);
    runtime.PanelInterface().SetParent(m_Panel, parent);
  }
  ~CBenchPanel() { m_Runtime.KGui().FreePanel(m_Panel); }
  CBenchPanel(const CBenchPanel &) = delete;
  CBenchPanel &operator=(const CBenchPanel &) = delete;

  kgui::VPANEL GetVPanel() override { return m_Panel; }
  void Think() override {}
  void PerformLayout() override {}
  void Paint() override {
    int wide = 0;
    int tall = 0;
    m_Runtime.PanelInterface().GetSize(m_Panel, wide, tall);
    kgui::IHostSurface &surface = m_Runtime.Surface();
    surface.DrawSetColor(Color(40 + m_Index % 100, 60, 90, 255));
    surface.DrawFilledRect(0, 0, wide, tall);
    surface.DrawSetColor(Color(120, 130, 140, 255));
    surface.DrawOutlinedRect(0, 0, wide, tall);
    if (m_Index % 3 == 0) {
      surface.DrawSetTextFont(m_Font);
      surface.DrawSetTextColor(Color(230, 230, 230, 255));
      surface.DrawSetTextPos(3, 2);
      surface.DrawPrintText(u"Server 27015", 12);
    }
  }
  void PostChildPaint() override {}
  void OnMessage(KeyValues *, kgui::VPANEL) override { ++m_Messages; }
  void DeletePanel() override {}
  const char *GetClassName() override { return "BenchPanel"; }
  void Describe(KeyValues *) override {}
  bool RequestInfo(KeyValues *) override { return false; }

 private:
  CKGuiRuntime &m_Runtime;
  kgui::VPANEL m_Panel = kgui::NULL_PANEL;
  int m_Index;
  kgui::HFont m_Font;
  int m_Messages = 0;
};

constexpr int kWindows = 10;
constexpr int kPanelsPerWindow = 100;  // the window and 99 controls in rows

struct CBenchWorld {
  static CRuntimeOptions Options() {
    CRuntimeOptions options;
    options.gameDir = SB_GAME_DIR;  // the shipped scheme
    return options;
  }

  CBenchWorld() : runtime(Options()) {
    font = runtime.Surface().CreateFont();
    runtime.Surface().SetFontGlyphSet(font, "DejaVu Sans", 14, 400, 0, 0, 0);
  }
  void Build() {
    CHostPanelInterface &ipanel = runtime.PanelInterface();
    for (int w = 0; w < kWindows; ++w) {
      auto window = std::make_unique<CBenchPanel>(runtime, runtime.RootPanel(), w * kPanelsPerWindow, font);
      kgui::VPANEL id = window->GetVPanel();
      runtime.Surface().CreatePopup(id, false, false, false, true, true);
      ipanel.SetPos(id, 20 + w * 60, 20 + w * 40);
      ipanel.SetSize(id, 600, 420);
      for (int c = 1; c < kPanelsPerWindow; ++c) {
        auto control = std::make_unique<CBenchPanel>(runtime, id, w * kPanelsPerWindow + c, font);
        ipanel.SetPos(control->GetVPanel(), 10 + (c % 3) * 190, 10 + (c / 3) * 12);
        ipanel.SetSize(control->GetVPanel(), 180, 12);
        panels.push_back(std::move(control));
      }
      panels.push_back(std::move(window));
    }
  }
  // One message for every tenth panel, as a busy frame of a browser would have.
  void PostMessages() {
    for (size_t i = 0; i < panels.size(); i += 10) {
      runtime.KGui().PostMessage(panels[i]->GetVPanel(), new KeyValues("Repaint"), kgui::NULL_PANEL, 0.0f);
    }
  }

  CKGuiRuntime runtime;
  kgui::HFont font = kgui::INVALID_FONT;
  std::vector<std::unique_ptr<CBenchPanel>> panels;
};

void BM_EmptyFrame(benchmark::State &state) {
  CBenchWorld world;
  for (auto _ : state) world.runtime.RunFrame();
}
BENCHMARK(BM_EmptyFrame)->Unit(benchmark::kMicrosecond);

void BM_FrameOf1000Panels(benchmark::State &state) {
  CBenchWorld world;
  world.Build();
  for (auto _ : state) {
    world.PostMessages();
    world.runtime.RunFrame();
  }
  state.counters["panels"] = static_cast<double>(world.panels.size());
}
BENCHMARK(BM_FrameOf1000Panels)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
