#include "support/fuzz_runtime.h"

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "host/scheme.h"
#include "kgui_controls/controls.h"
#include "support/fuzz_support.h"
#include "tier0/platform.h"

namespace fuzzsupport {

namespace {

std::unique_ptr<kguihost::CKGuiRuntime> &Holder() {
  static std::unique_ptr<kguihost::CKGuiRuntime> runtime;
  return runtime;
}

}  // namespace

const std::string &GameFolder() {
  static const std::string folder = ScratchFolder() + "/game";
  return folder;
}

kguihost::CKGuiRuntime &Runtime() {
  std::unique_ptr<kguihost::CKGuiRuntime> &runtime = Holder();
  if (!runtime) {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    Plat_SetClockOverride(true, 1000.0);
    std::filesystem::create_directories(GameFolder() + "/resource");
    std::filesystem::create_directories(ScratchFolder() + "/user");
    std::filesystem::copy_file(SB_SOURCE_DIR "/game/resource/scheme.res",
                               GameFolder() + "/resource/scheme.res",
                               std::filesystem::copy_options::overwrite_existing);
    kguihost::CRuntimeOptions options;
    options.gameDir = GameFolder();
    options.userDir = ScratchFolder() + "/user";
    runtime = std::make_unique<kguihost::CKGuiRuntime>(options);
    // The font library loads its configuration on the first lookup and keeps it in blocks the
    // leak checker cannot follow; done here, before any input, it is not taken for a leak.
    (void)runtime->Scheme().Default().GetFont("Default", false);
    // The runtime goes before the host releases the graphics libraries' static data at exit (that
    // handler was registered when the runtime was made, so it runs after this one).
    atexit([] {
      if (Holder()->IsRunning()) Holder()->Shutdown();
      Holder().reset();
    });
  }
  return *runtime;
}

kguihost::CKGuiRuntime &RuntimeWithToolkit() {
  // Never shut down: at exit the toolkit's own statics may be gone already, and the process ends.
  static const bool started = kgui::KGui_InitInterfacesList("fuzz", &Runtime().Provider());
  if (!started) abort();
  return Runtime();
}

void RunFrame() {
  Plat_AdvanceClock(1.0 / 60.0);
  Runtime().RunFrame();
}

}  // namespace fuzzsupport
