// The toolkit's start and stop against the host runtime, and the accessors to its interfaces.
#include "kgui_controls/controls.h"

#include <clocale>
#include <cstdio>
#include <string>

#include "FallbackFonts.h"
#include "filesystem.h"
#include "kgui_controls/AnimationController.h"
#include "kgui_controls/BuildGroup.h"
#include "kgui_controls/Tooltip.h"
#include "kstdlib/strtools.h"
#include "serverbrowser/IKGuiModule.h"
#include "tier0/dbg.h"
#include "tier0/memalloc.h"

namespace kgui {
namespace {

struct RuntimeInterfaces {
  IKGui *kgui = nullptr;
  IPanel *panel = nullptr;
  IHostSurface *surface = nullptr;
  IHostScheme *scheme = nullptr;
  IHostSystem *system = nullptr;
  IHostInput *input = nullptr;
  IHostLocalize *localize = nullptr;
  INotificationManager *notifications = nullptr;
  IFileSystem *fileSystem = nullptr;
};

RuntimeInterfaces s_Interfaces;
bool s_bStarted = false;
char s_szModuleName[256] = "";
int s_nMessageTraceOverride = -1;

// The module must allocate what crosses binaries from the shared allocator. This platform replaces
// no global allocator: the platform base either announces its own (the flag) or offers the shared
// one that records use explicitly.
bool IsSharedAllocatorInEffect() {
  return g_bPlatformAllocOverride || g_pMemAllocPlexa != nullptr;
}

template <class T>
T *Query(InterfaceProvider *provider, const char *versionName) {
  return static_cast<T *>(provider->QueryInterface(versionName));
}

bool ReadCommandLineFlag(const char *flag) {
  FILE *file = fopen("/proc/self/cmdline", "rb");
  if (!file) return false;
  std::string cmdline;
  char buffer[4096];
  size_t read = 0;
  while ((read = fread(buffer, 1, sizeof(buffer), file)) > 0) cmdline.append(buffer, read);
  fclose(file);
  return KGui_CommandLineHasFlag(cmdline.data(), cmdline.size(), flag);
}

}  // namespace

bool KGui_InitInterfacesList(const char *moduleName, InterfaceProvider *provider) {
  if (!IsSharedAllocatorInEffect()) {
    Assert(false);
    Error("Must include memoverride.cpp in your project.");
  }
  V_strncpy(s_szModuleName, moduleName ? moduleName : "", sizeof(s_szModuleName));

  // Text classes and collation follow the user; numbers always read and print with ".".
  setlocale(LC_CTYPE, "");
  setlocale(LC_COLLATE, "");
  setlocale(LC_TIME, "");
  setlocale(LC_MONETARY, "");
  setlocale(LC_NUMERIC, "C");

  s_Interfaces = RuntimeInterfaces();
  if (!provider) return false;
  s_Interfaces.kgui = Query<IKGui>(provider, KGUI_INTERFACE_VERSION);
  s_Interfaces.panel = Query<IPanel>(provider, KGUI_PANEL_INTERFACE_VERSION);
  s_Interfaces.surface = Query<IHostSurface>(provider, KGUI_SURFACE_INTERFACE_VERSION);
  s_Interfaces.notifications = Query<INotificationManager>(provider, KGUI_NOTIFICATION_INTERFACE_VERSION);
  s_Interfaces.scheme = Query<IHostScheme>(provider, KGUI_SCHEME_INTERFACE_VERSION);
  s_Interfaces.system = Query<IHostSystem>(provider, KGUI_SYSTEM_INTERFACE_VERSION);
  s_Interfaces.input = Query<IHostInput>(provider, KGUI_INPUT_INTERFACE_VERSION);
  s_Interfaces.localize = Query<IHostLocalize>(provider, KGUI_LOCALIZE_INTERFACE_VERSION);
  s_Interfaces.fileSystem = Query<IFileSystem>(provider, FILESYSTEM_INTERFACE_VERSION);
  if (s_Interfaces.kgui) s_Interfaces.kgui->SetInterfaceProvider(provider);

  const RuntimeInterfaces &i = s_Interfaces;
  s_bStarted =
      i.kgui && i.panel && i.surface && i.scheme && i.system && i.input && i.localize && i.fileSystem;
  return s_bStarted;
}

void KGui_ShutdownInterfaces() {
  Tooltip::ShutdownSharedPanel();
  GetAnimationController()->Clear();
  BuildGroup::ClearFileCache();
  ClearFallbackFonts();
  s_Interfaces = RuntimeInterfaces();
  s_bStarted = false;
}

bool KGui_IsStarted() {
  return s_bStarted;
}
const char *GetControlsModuleName() {
  return s_szModuleName;
}

IKGui *ikgui() {
  return s_Interfaces.kgui;
}
IPanel *ipanel() {
  return s_Interfaces.panel;
}
IHostSurface *surface() {
  return s_Interfaces.surface;
}
IHostScheme *scheme() {
  return s_Interfaces.scheme;
}
IHostSystem *system() {
  return s_Interfaces.system;
}
IHostInput *input() {
  return s_Interfaces.input;
}
IHostLocalize *localize() {
  return s_Interfaces.localize;
}
INotificationManager *notifications() {
  return s_Interfaces.notifications;
}

IFileSystem *filesystem() {
  IFileSystem *s_pFileSystemInterface = s_Interfaces.fileSystem;
  Assert(s_pFileSystemInterface);
  return s_pFileSystemInterface;
}

bool KGui_IsMessageTraceEnabled() {
  static const bool s_bFromCommandLine = ReadCommandLineFlag("-kguimessages");
  if (s_nMessageTraceOverride >= 0) return s_nMessageTraceOverride != 0;
  return s_bFromCommandLine;
}

void KGui_SetMessageTraceOverride(int state) {
  s_nMessageTraceOverride = state;
}

bool KGui_CommandLineHasFlag(const char *cmdline, size_t length, const char *flag) {
  if (!cmdline || !flag || !*flag) return false;
  size_t start = 0;
  while (start < length) {
    size_t end = start;
    while (end < length && cmdline[end] != '\0') ++end;
    if (std::string(cmdline + start, end - start) == flag) return true;
    start = end + 1;
  }
  return false;
}

}  // namespace kgui
