// Binding to the client services module: find and load it, attach to the logged-on user, obtain
// its interfaces, and pump its queued notifications once per frame.
#pragma once

#include <string>

#include "plexa/plexatypes.h"

class CSysModule;
class CValidator;
class IClientEngine;
class IClientUser;
class IClientFriends;
class IClientUtils;
class IClientMatchmaking;
class IClientApps;
class IClientMatchmakingServers;
class IPlexaClientNotices;

// Status of InternalAPI_Init_Internal.
enum EClientAPIInitStatus {
  k_EClientAPIInitOK = 0,
  k_EClientAPIInitModuleNotFound = 1,
  k_EClientAPIInitNoEngine = 2,
  k_EClientAPIInitBadArguments = 3,
};

// Binds everything; true at once when an engine is already held. A failure is reported through
// the assertion channel and leaves what was obtained so far bound.
bool ClientAPI_Init();
// Finds and loads the services module (the active-process file first when `useRegistry`, then
// the module name beside this binary, then the name in the recorded path's folder) and asks it for
// the engine. Returns an EClientAPIInitStatus.
int InternalAPI_Init_Internal(CSysModule **module, IClientEngine **engine, bool useRegistry);
// Releases the binding, the bound callback exports included, and unloads the module.
void ClientAPI_Shutdown();
// The per-frame pump: dispatches queued notifications, then runs the engine's and the
// controller's per-frame work.
void ClientAPI_RunCallbacks();
// Reports the controller's memory to the audit visitor as "g_pClientController".
void ClientAPI_Validate(CValidator &validator);

// The bound engine and services module; null when unbound.
IClientEngine *ClientEngine();
CSysModule *ClientModule();
// The bound interfaces the browser uses; each may be null.
IClientUser *ClientUser();
IClientFriends *ClientFriends();
IClientUtils *ClientUtils();
IClientMatchmaking *ClientMatchmaking();
IClientApps *ClientApps();
IClientMatchmakingServers *ClientMatchmakingServers();
// The services' notices for the user; null when the services offer none.
IPlexaClientNotices *ClientNotices();

// The interfaces a test binds without a services module; any may be null.
struct ClientInterfacesForTest_t {
  IClientUser *user = nullptr;
  IClientFriends *friends = nullptr;
  IClientUtils *utils = nullptr;
  IClientMatchmaking *matchmaking = nullptr;
  IClientApps *apps = nullptr;
  IClientMatchmakingServers *servers = nullptr;
  IPlexaClientNotices *notices = nullptr;
};
// Test seam: replaces the bound interfaces with `interfaces` (all null unbinds them). Only for a
// process that holds no real binding.
void ClientAPI_SetInterfacesForTest(const ClientInterfacesForTest_t &interfaces);

// The active-process file that stands in for the registry key naming the services module:
// $PLEXA_ACTIVE_PROCESS, else $XDG_RUNTIME_DIR/plexa/ActiveProcess.vdf, else
// /tmp/plexa-<uid>/ActiveProcess.vdf.
std::string ClientAPI_ActiveProcessPath();
// Records `modulePath` and `pid` there (creating the folder, replacing the file atomically).
bool ClientAPI_WriteActiveProcess(const char *modulePath, int pid);
