// The host interfaces the test module found at its start.
#pragma once

#include "filesystem.h"
#include "kgui/IInput.h"
#include "kgui/IKGui.h"
#include "kgui/ILocalize.h"
#include "kgui/IPanel.h"
#include "kgui/IScheme.h"
#include "kgui/ISurface.h"
#include "kgui/ISystem.h"

namespace testmodule {

struct Runtime {
  kgui::IKGui *kgui = nullptr;
  kgui::IPanel *panel = nullptr;
  kgui::IHostSurface *surface = nullptr;
  kgui::IHostScheme *scheme = nullptr;
  kgui::IHostSystem *system = nullptr;
  kgui::IHostInput *input = nullptr;
  kgui::IHostLocalize *localize = nullptr;
  IFileSystem *fileSystem = nullptr;

  bool Complete() const { return kgui && panel && surface && scheme && system && input && localize && fileSystem; }
};

}  // namespace testmodule
