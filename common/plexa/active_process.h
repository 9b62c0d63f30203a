// The active-process file that stands in for the registry key naming the running client's
// services module ("PlexaClientDll") and its process id ("pid").
#pragma once

#include <string>

struct ActiveProcessInfo {
  std::string m_ModulePath;
  int m_nPid = 0;
};

// Reads the file at ClientAPI_ActiveProcessPath(); false when it is missing or unreadable or names
// no module. A "pid" that cannot be read is 0.
bool ReadActiveProcess(ActiveProcessInfo &info);
// True when `pid` is above 0 and names a live process (present and not a zombie).
bool IsProcessRunning(int pid);
