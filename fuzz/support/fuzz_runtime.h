// The host runtime for targets that need one: offscreen, on the test clock, over a scratch game
// folder that holds the shipped scheme and whatever files a target writes; made once a process.
#pragma once

#include <string>

#include "host/kgui_runtime.h"

namespace fuzzsupport {

kguihost::CKGuiRuntime &Runtime();

// The runtime with the toolkit started against it.
kguihost::CKGuiRuntime &RuntimeWithToolkit();

// The game folder (path id "GAME") and the user folder (path id "CONFIG").
const std::string &GameFolder();

// Runs one frame, moving the test clock on a sixtieth of a second first.
void RunFrame();

}  // namespace fuzzsupport
