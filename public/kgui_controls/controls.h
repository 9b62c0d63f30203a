// The toolkit's start and stop against the host GUI runtime, and its accessors to the runtime's
// interfaces. Every other toolkit file reaches the host only through these accessors.
#pragma once

#include "kgui/IInput.h"
#include "kgui/IKGui.h"
#include "kgui/ILocalize.h"
#include "kgui/INotificationManager.h"
#include "kgui/IPanel.h"
#include "kgui/IScheme.h"
#include "kgui/ISurface.h"
#include "kgui/ISystem.h"

class IFileSystem;
class InterfaceProvider;

namespace kgui {

// Starts the toolkit for `moduleName` (kept up to 255 characters) with the host's interfaces,
// found by version name through `provider`. Stops the process when the module does not allocate
// through the shared allocator. True when every interface but the optional notification manager
// was found.
bool KGui_InitInterfacesList(const char *moduleName, InterfaceProvider *provider);
// Stops the toolkit: closes the shared tooltip, empties the layout file cache and forgets the
// interfaces. Panels should be gone by then.
void KGui_ShutdownInterfaces();
// True between a successful start and the stop.
bool KGui_IsStarted();
const char *GetControlsModuleName();

// The runtime's interfaces; null before the start (and the notification manager when the host
// has none).
IKGui *ikgui();
IPanel *ipanel();
IHostSurface *surface();
IHostScheme *scheme();
IHostSystem *system();
IHostInput *input();
IHostLocalize *localize();
INotificationManager *notifications();
// The host file service; reports "Assertion Failed: s_pFileSystemInterface" when it is missing.
IFileSystem *filesystem();

// Whether unhandled messages are reported: true when the process was started with
// "-kguimessages" (read once from /proc/self/cmdline).
bool KGui_IsMessageTraceEnabled();
// Test seam: forces the message trace on (1) or off (0); -1 goes back to the command line.
void KGui_SetMessageTraceOverride(int state);
// True when `flag` is one of the NUL-separated arguments of a command-line buffer.
bool KGui_CommandLineHasFlag(const char *cmdline, size_t length, const char *flag);

}  // namespace kgui
