// Binding to the client services module (find, load, attach, obtain every interface) and the
// per-frame pump.
#include "plexa/client_api.h"

#include <cstring>

#include "common/plexa/active_process.h"
#include "common/plexa/callback_mgr.h"
#include "plexa/iclientcontroller.h"
#include "plexa/iclientengine.h"
#include "plexa/iplexaclientnotices.h"
#include "tier0/dbg.h"
#include "tier0/validator.h"
#include "tier0/vprof.h"
#include "tier1/interface.h"

namespace {

constexpr const char *kServicesModuleName = "plexaclient.so";

CSysModule *g_hClientModule = nullptr;
IClientEngine *g_pClientEngine = nullptr;
HPlexaPipe g_hPipe = 0;
HPlexaUser g_hUser = 0;

IClientUser *g_pClientUser = nullptr;
IClientFriends *g_pClientFriends = nullptr;
IClientBilling *g_pClientBilling = nullptr;
IClientUtils *g_pClientUtils = nullptr;
IClientMatchmaking *g_pClientMatchmaking = nullptr;
IClientApps *g_pClientApps = nullptr;
IClientMatchmakingServers *g_pClientMatchmakingServers = nullptr;
IPlexaClientNotices *g_pClientNotices = nullptr;
IClientUserStats *g_pClientUserStats = nullptr;
IClientRemoteStorage *g_pClientRemoteStorage = nullptr;
IClientScreenshots *g_pClientScreenshots = nullptr;
IClientGameCoordinator *g_pClientGameCoordinator = nullptr;
IClientAppManager *g_pClientAppManager = nullptr;
IClientConfigStore *g_pClientConfigStore = nullptr;
IClientHTTP *g_pClientHTTP = nullptr;
IClientAudio *g_pClientAudio = nullptr;
IClientMusic *g_pClientMusic = nullptr;
IClientGameStats *g_pClientGameStats = nullptr;
IClientUnifiedMessages *g_pClientUnifiedMessages = nullptr;
IClientParentalSettings *g_pClientParentalSettings = nullptr;
IClientDeviceAuth *g_pClientDeviceAuth = nullptr;
IClientPlexaController *g_pClientController = nullptr;
IClientRemoteClientManager *g_pClientRemoteClientManager = nullptr;
IClientUGC *g_pClientUGC = nullptr;
IClientStreamClient *g_pClientStreamClient = nullptr;
IClientShortcuts *g_pClientShortcuts = nullptr;
IClientVR *g_pClientVR = nullptr;
IClientGameNotifications *g_pClientGameNotifications = nullptr;
IClientHTMLSurface *g_pClientHTMLSurface = nullptr;
IClientVideo *g_pClientVideo = nullptr;
IClientControllerSerialized *g_pClientControllerSerialized = nullptr;
IClientSharedConnection *g_pClientSharedConnection = nullptr;
IClientNetworkDeviceManager *g_pClientNetworkDeviceManager = nullptr;
IClientShader *g_pClientShader = nullptr;

// Step 2 of the search: the module the active-process file names, when that client runs. The
// recorded path is returned for the last fallback even when it is not used here.
CSysModule *LoadFromActiveProcess(std::string &recordedPath) {
  if (LoadModule(kServicesModuleName, SYS_MODULE_NOLOAD)) return nullptr;
  ActiveProcessInfo info;
  if (!ReadActiveProcess(info)) return nullptr;
  if (info.m_ModulePath.size() >= kModulePathSize) return nullptr;  // the path buffer would cut it
  recordedPath = info.m_ModulePath;
  if (!IsProcessRunning(info.m_nPid)) return nullptr;
  // No per-load search folder exists here: the module's own $ORIGIN run path finds its neighbours.
  return LoadModule(info.m_ModulePath.c_str(), 0);
}

// The recorded path cut after its last separator, followed by the module name.
std::string NameInRecordedFolder(const std::string &recordedPath) {
  const size_t separator = recordedPath.find_last_of("/\\");
  const std::string folder =
      separator == std::string::npos ? std::string() : recordedPath.substr(0, separator + 1);
  return folder + kServicesModuleName;
}

void ForgetInterfaces() {
  g_pClientUser = nullptr;
  g_pClientFriends = nullptr;
  g_pClientBilling = nullptr;
  g_pClientUtils = nullptr;
  g_pClientMatchmaking = nullptr;
  g_pClientApps = nullptr;
  g_pClientMatchmakingServers = nullptr;
  g_pClientNotices = nullptr;
  g_pClientUserStats = nullptr;
  g_pClientRemoteStorage = nullptr;
  g_pClientScreenshots = nullptr;
  g_pClientGameCoordinator = nullptr;
  g_pClientAppManager = nullptr;
  g_pClientConfigStore = nullptr;
  g_pClientHTTP = nullptr;
  g_pClientAudio = nullptr;
  g_pClientMusic = nullptr;
  g_pClientGameStats = nullptr;
  g_pClientUnifiedMessages = nullptr;
  g_pClientParentalSettings = nullptr;
  g_pClientDeviceAuth = nullptr;
  g_pClientController = nullptr;
  g_pClientRemoteClientManager = nullptr;
  g_pClientUGC = nullptr;
  g_pClientStreamClient = nullptr;
  g_pClientShortcuts = nullptr;
  g_pClientVR = nullptr;
  g_pClientGameNotifications = nullptr;
  g_pClientHTMLSurface = nullptr;
  g_pClientVideo = nullptr;
  g_pClientControllerSerialized = nullptr;
  g_pClientSharedConnection = nullptr;
  g_pClientNetworkDeviceManager = nullptr;
  g_pClientShader = nullptr;
}

// Obtains every interface in table order; the first null one is reported and ends the binding.
#define BIND_INTERFACE(slot, name, getterCall)                                        \
  do {                                                                                \
    slot = getterCall;                                                                \
    if (!slot) {                                                                      \
      AssertMsg(false, "ClientAPI_Init(GlobalInstance): Get" name " returned NULL."); \
      return false;                                                                   \
    }                                                                                 \
  } while (0)

bool BindInterfaces(IClientEngine *engine, HPlexaUser user, HPlexaPipe pipe) {
  BIND_INTERFACE(g_pClientUser, "IClientUser", engine->GetIClientUser(user, pipe, nullptr));
  BIND_INTERFACE(g_pClientFriends, "IClientFriends", engine->GetIClientFriends(user, pipe, nullptr));
  BIND_INTERFACE(g_pClientBilling, "IClientBilling", engine->GetIClientBilling(user, pipe, nullptr));
  BIND_INTERFACE(g_pClientUtils, "IClientUtils", engine->GetIClientUtils(pipe, nullptr));
  BIND_INTERFACE(g_pClientMatchmaking, "IClientMatchmaking",
                 engine->GetIClientMatchmaking(user, pipe, nullptr));
  BIND_INTERFACE(g_pClientApps, "IClientApps", engine->GetIClientApps(user, pipe, nullptr));
  BIND_INTERFACE(
      g_pClientMatchmakingServers, "IClientMatchmakingServers",
      engine->GetIClientMatchmakingServers(user, pipe, CLIENTMATCHMAKINGSERVERS_INTERFACE_VERSION));
  BIND_INTERFACE(g_pClientUserStats, "IClientUserStats",
                 engine->GetIClientUserStats(user, pipe, CLIENTUSERSTATS_INTERFACE_VERSION));
  BIND_INTERFACE(g_pClientRemoteStorage, "IClientRemoteStorage",
                 engine->GetIClientRemoteStorage(user, pipe, CLIENTREMOTESTORAGE_INTERFACE_VERSION));
  BIND_INTERFACE(g_pClientScreenshots, "IClientScreenshots",
                 engine->GetIClientScreenshots(user, pipe, CLIENTSCREENSHOTS_INTERFACE_VERSION));
  BIND_INTERFACE(g_pClientGameCoordinator, "IClientGameCoordinator",
                 engine->GetIClientGameCoordinator(user, pipe, CLIENTGAMECOORDINATOR_INTERFACE_VERSION));
  BIND_INTERFACE(g_pClientAppManager, "IClientAppManager",
                 engine->GetIClientAppManager(user, pipe, CLIENTAPPMANAGER_INTERFACE_VERSION));
  BIND_INTERFACE(g_pClientConfigStore, "IClientConfigStore",
                 engine->GetIClientConfigStore(user, pipe, CLIENTCONFIGSTORE_INTERFACE_VERSION));
  BIND_INTERFACE(g_pClientHTTP, "IClientHTTP",
                 engine->GetIClientHTTP(user, pipe, CLIENTHTTP_INTERFACE_VERSION));
  BIND_INTERFACE(g_pClientAudio, "IClientAudio",
                 engine->GetIClientAudio(user, pipe, CLIENTAUDIO_INTERFACE_VERSION));
  BIND_INTERFACE(g_pClientMusic, "IClientMusic",
                 engine->GetIClientMusic(user, pipe, CLIENTMUSIC_INTERFACE_VERSION));
  BIND_INTERFACE(g_pClientGameStats, "IClientGameStats",
                 engine->GetIClientGameStats(user, pipe, CLIENTGAMESTATS_INTERFACE_VERSION));
  BIND_INTERFACE(g_pClientUnifiedMessages, "IClientUnifiedMessages",
                 engine->GetIClientUnifiedMessages(user, pipe, CLIENTUNIFIEDMESSAGES_INTERFACE_VERSION));
  BIND_INTERFACE(g_pClientParentalSettings, "IClientParentalSettings",
                 engine->GetIClientParentalSettings(user, pipe, CLIENTPARENTALSETTINGS_INTERFACE_VERSION));
  BIND_INTERFACE(g_pClientDeviceAuth, "IClientDeviceAuth",
                 engine->GetIClientDeviceAuth(user, pipe, CLIENTDEVICEAUTH_INTERFACE_VERSION));
  g_pClientController = engine->GetIClientPlexaController(0, pipe, CLIENTPLEXACONTROLLER_INTERFACE_VERSION);
  if (!g_pClientController) {
    Assert(g_pClientController);
    return false;
  }
  BIND_INTERFACE(g_pClientRemoteClientManager, "IClientRemoteClientManager",
                 engine->GetIClientRemoteClientManager(pipe, CLIENTREMOTECLIENTMANAGER_INTERFACE_VERSION));
  BIND_INTERFACE(g_pClientUGC, "IClientUGC", engine->GetIClientUGC(user, pipe, CLIENTUGC_INTERFACE_VERSION));
  BIND_INTERFACE(g_pClientStreamClient, "IClientStreamClient",
                 engine->GetIClientStreamClient(user, pipe, CLIENTSTREAMCLIENT_INTERFACE_VERSION));
  BIND_INTERFACE(g_pClientShortcuts, "IClientShortcuts",
                 engine->GetIClientShortcuts(user, pipe, CLIENTSHORTCUTS_INTERFACE_VERSION));
  BIND_INTERFACE(g_pClientVR, "IClientVR", engine->GetIClientVR(pipe, CLIENTVR_INTERFACE_VERSION));
  BIND_INTERFACE(g_pClientGameNotifications, "IClientGameNotifications",
                 engine->GetIClientGameNotifications(user, pipe, CLIENTGAMENOTIFICATIONS_INTERFACE_VERSION));
  BIND_INTERFACE(g_pClientHTMLSurface, "IClientHTMLSurface",
                 engine->GetIClientHTMLSurface(user, pipe, CLIENTHTMLSURFACE_INTERFACE_VERSION));
  BIND_INTERFACE(g_pClientVideo, "IClientVideo",
                 engine->GetIClientVideo(user, pipe, CLIENTVIDEO_INTERFACE_VERSION));
  BIND_INTERFACE(g_pClientControllerSerialized, "IClientControllerSerialized",
                 engine->GetIClientControllerSerialized(pipe, CLIENTCONTROLLERSERIALIZED_INTERFACE_VERSION));
  BIND_INTERFACE(g_pClientSharedConnection, "IClientSharedConnection",
                 engine->GetIClientSharedConnection(user, pipe, CLIENTSHAREDCONNECTION_INTERFACE_VERSION));
  BIND_INTERFACE(g_pClientNetworkDeviceManager, "IClientNetworkDeviceManager",
                 engine->GetIClientNetworkDeviceManager(pipe, CLIENTNETWORKDEVICEMANAGER_INTERFACE_VERSION));
  BIND_INTERFACE(g_pClientShader, "IClientShader",
                 engine->GetIClientShader(user, pipe, CLIENTSHADER_INTERFACE_VERSION));
  return true;
}

}  // namespace

int InternalAPI_Init_Internal(CSysModule **module, IClientEngine **engine, bool useRegistry) {
  if (!module || !engine) return k_EClientAPIInitBadArguments;
  // Search order: the running client's module, the name beside this binary, the name in the
  // recorded folder. A module held from an earlier call is used as it is.
  std::string recordedPath;
  if (!*module && useRegistry) *module = LoadFromActiveProcess(recordedPath);
  if (!*module) *module = LoadModule(kServicesModuleName, 0);
  if (!*module) *module = LoadModule(NameInRecordedFolder(recordedPath).c_str(), 0);
  if (!*module) return k_EClientAPIInitModuleNotFound;

  CreateInterfaceFn factory = Sys_GetFactory(*module);
  *engine =
      factory ? static_cast<IClientEngine *>(factory(CLIENTENGINE_INTERFACE_VERSION, nullptr)) : nullptr;
  return *engine ? k_EClientAPIInitOK : k_EClientAPIInitNoEngine;
}

bool ClientAPI_Init() {
  if (g_pClientEngine) return true;
  if (InternalAPI_Init_Internal(&g_hClientModule, &g_pClientEngine, true) != k_EClientAPIInitOK) {
    AssertMsg(false, "ClientAPI_Init: InternalAPI_Init_Internal failed.\n");
    return false;
  }
  g_hPipe = g_pClientEngine->OpenPipe();
  g_hUser = g_pClientEngine->AttachGlobalUser(g_hPipe);
  if (!BindInterfaces(g_pClientEngine, g_hUser, g_hPipe)) return false;
  // Optional: services without notices have nothing to tell.
  if (CreateInterfaceFn factory = Sys_GetFactory(g_hClientModule))
    g_pClientNotices =
        static_cast<IPlexaClientNotices *>(factory(PLEXACLIENTNOTICES_INTERFACE_VERSION, nullptr));
  CCallbackMgr::Get().BindCallbackExports(g_hClientModule);
  return true;
}

void ClientAPI_Shutdown() {
  // The exports point into the module about to be unloaded.
  if (CCallbackMgr::IsAlive()) CCallbackMgr::Get().SetExports(nullptr, nullptr, nullptr);
  if (g_hPipe && g_hUser) {
    g_pClientEngine->DetachUser(g_hPipe, g_hUser);
    g_hUser = 0;
    g_pClientUser = nullptr;
    g_pClientUtils = nullptr;
  }
  if (g_hPipe) {
    g_pClientEngine->ClosePipe(g_hPipe);
    g_hPipe = 0;
  }
  if (g_pClientController) {
    g_pClientController->Release(1);
    g_pClientController = nullptr;
  }
  if (g_pClientEngine) {
    g_pClientEngine->EngineShutdown();
    g_pClientEngine = nullptr;
  }
  ForgetInterfaces();
  if (g_hClientModule) {
    UnloadModule(g_hClientModule);
    g_hClientModule = nullptr;
  }
}

void ClientAPI_RunCallbacks() {
  VPROF("ClientAPI_RunCallbacks");
  CCallbackMgr::Get().RunCallbacks(g_hPipe, false);
  if (g_pClientEngine) g_pClientEngine->EngineFrame();
  if (g_pClientController) g_pClientController->RunFrame();
}

void ClientAPI_Validate(CValidator &validator) {
  if (!g_pClientController) return;
  validator.ClaimMemory(g_pClientController);
  g_pClientController->Validate(validator, "g_pClientController");
}

void ClientAPI_SetInterfacesForTest(const ClientInterfacesForTest_t &interfaces) {
  Assert(!g_pClientEngine);
  g_pClientUser = interfaces.user;
  g_pClientFriends = interfaces.friends;
  g_pClientUtils = interfaces.utils;
  g_pClientMatchmaking = interfaces.matchmaking;
  g_pClientApps = interfaces.apps;
  g_pClientMatchmakingServers = interfaces.servers;
  g_pClientNotices = interfaces.notices;
}

IClientEngine *ClientEngine() {
  return g_pClientEngine;
}
CSysModule *ClientModule() {
  return g_hClientModule;
}
IClientUser *ClientUser() {
  return g_pClientUser;
}
IClientFriends *ClientFriends() {
  return g_pClientFriends;
}
IClientUtils *ClientUtils() {
  return g_pClientUtils;
}
IClientMatchmaking *ClientMatchmaking() {
  return g_pClientMatchmaking;
}
IClientApps *ClientApps() {
  return g_pClientApps;
}
IClientMatchmakingServers *ClientMatchmakingServers() {
  return g_pClientMatchmakingServers;
}
IPlexaClientNotices *ClientNotices() {
  return g_pClientNotices;
}
