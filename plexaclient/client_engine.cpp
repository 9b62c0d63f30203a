#include "plexaclient/client_engine.h"

#include <dlfcn.h>

#include <cstdlib>
#include <cstring>
#include <limits>

#include "plexaclient/net/udp_query_engine.h"
#include "tier0/dbg.h"

namespace {
constexpr const char *kConfigFileName = "plexaclient.vdf";
}  // namespace

CClientEngine g_ClientEngine;

std::string CClientEngine::ConfigPath() {
  const char *configured = getenv("PLEXA_CLIENT_CONFIG");
  if (configured && *configured) return configured;
  // Beside this module.
  Dl_info info{};
  if (dladdr(static_cast<void *>(&g_ClientEngine), &info) && info.dli_fname) {
    std::string path = info.dli_fname;
    const size_t slash = path.rfind('/');
    return (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + kConfigFileName;
  }
  return kConfigFileName;
}

HPlexaPipe CClientEngine::OpenPipe() {
  if (!m_pServices) m_pServices = std::make_unique<CClientServices>(ConfigPath());
  return m_pServices->OpenPipe();
}

bool CClientEngine::ClosePipe(HPlexaPipe pipe) {
  return m_pServices && m_pServices->ClosePipe(pipe);
}

HPlexaUser CClientEngine::AttachGlobalUser(HPlexaPipe pipe) {
  return m_pServices ? m_pServices->AttachGlobalUser(pipe) : 0;
}

void CClientEngine::DetachUser(HPlexaPipe pipe, HPlexaUser user) {
  if (m_pServices) m_pServices->DetachUser(pipe, user);
}

CClientServices *CClientEngine::ForPipe(HPlexaPipe pipe, const char *version, const char *expected) const {
  if (!m_pServices || !m_pServices->IsPipeOpen(pipe)) return nullptr;
  if (expected && (!version || strcmp(version, expected) != 0)) {
    Warning("plexaclient: interface version \"%s\" is not served (\"%s\" is)\n", version ? version : "(null)",
            expected);
    return nullptr;
  }
  return m_pServices.get();
}

CClientServices *CClientEngine::ForUser(HPlexaUser user, HPlexaPipe pipe, const char *version,
                                        const char *expected) const {
  CClientServices *services = ForPipe(pipe, version, expected);
  return services && services->IsUserOnPipe(user, pipe) ? services : nullptr;
}

void CClientEngine::EngineFrame() {
  if (m_pServices) m_pServices->RunFrame();
}

void CClientEngine::EngineShutdown() {
  m_pServices.reset();
}

// Each getter hands out the services' object for that interface.
#define PLEXA_USER_GETTER(Interface, member, expected)                                              \
  Interface *CClientEngine::Get##Interface(HPlexaUser user, HPlexaPipe pipe, const char *version) { \
    CClientServices *services = ForUser(user, pipe, version, expected);                             \
    return services ? &services->member : nullptr;                                                  \
  }
#define PLEXA_PIPE_GETTER(Interface, member, expected)                             \
  Interface *CClientEngine::Get##Interface(HPlexaPipe pipe, const char *version) { \
    CClientServices *services = ForPipe(pipe, version, expected);                  \
    return services ? &services->member : nullptr;                                 \
  }

PLEXA_USER_GETTER(IClientUser, m_User, nullptr)
PLEXA_USER_GETTER(IClientFriends, m_Friends, nullptr)
PLEXA_PIPE_GETTER(IClientUtils, m_Utils, nullptr)
PLEXA_USER_GETTER(IClientBilling, m_Billing, nullptr)
PLEXA_USER_GETTER(IClientMatchmaking, m_Matchmaking, nullptr)
PLEXA_USER_GETTER(IClientApps, m_Apps, nullptr)
PLEXA_USER_GETTER(IClientMatchmakingServers, m_MatchmakingServers, CLIENTMATCHMAKINGSERVERS_INTERFACE_VERSION)
PLEXA_USER_GETTER(IClientUserStats, m_UserStats, CLIENTUSERSTATS_INTERFACE_VERSION)
PLEXA_USER_GETTER(IClientRemoteStorage, m_RemoteStorage, CLIENTREMOTESTORAGE_INTERFACE_VERSION)
PLEXA_USER_GETTER(IClientScreenshots, m_Screenshots, CLIENTSCREENSHOTS_INTERFACE_VERSION)
PLEXA_USER_GETTER(IClientGameCoordinator, m_GameCoordinator, CLIENTGAMECOORDINATOR_INTERFACE_VERSION)
PLEXA_PIPE_GETTER(IClientNetworkDeviceManager, m_NetworkDeviceManager,
                  CLIENTNETWORKDEVICEMANAGER_INTERFACE_VERSION)
PLEXA_USER_GETTER(IClientAppManager, m_AppManager, CLIENTAPPMANAGER_INTERFACE_VERSION)
PLEXA_USER_GETTER(IClientConfigStore, m_ConfigStore, CLIENTCONFIGSTORE_INTERFACE_VERSION)
PLEXA_USER_GETTER(IClientGameStats, m_GameStats, CLIENTGAMESTATS_INTERFACE_VERSION)
PLEXA_USER_GETTER(IClientHTTP, m_HTTP, CLIENTHTTP_INTERFACE_VERSION)
PLEXA_USER_GETTER(IClientAudio, m_Audio, CLIENTAUDIO_INTERFACE_VERSION)
PLEXA_USER_GETTER(IClientMusic, m_Music, CLIENTMUSIC_INTERFACE_VERSION)
PLEXA_USER_GETTER(IClientUnifiedMessages, m_UnifiedMessages, CLIENTUNIFIEDMESSAGES_INTERFACE_VERSION)
PLEXA_USER_GETTER(IClientParentalSettings, m_ParentalSettings, CLIENTPARENTALSETTINGS_INTERFACE_VERSION)
PLEXA_USER_GETTER(IClientDeviceAuth, m_DeviceAuth, CLIENTDEVICEAUTH_INTERFACE_VERSION)
PLEXA_PIPE_GETTER(IClientRemoteClientManager, m_RemoteClientManager,
                  CLIENTREMOTECLIENTMANAGER_INTERFACE_VERSION)
PLEXA_USER_GETTER(IClientStreamClient, m_StreamClient, CLIENTSTREAMCLIENT_INTERFACE_VERSION)
PLEXA_USER_GETTER(IClientShortcuts, m_Shortcuts, CLIENTSHORTCUTS_INTERFACE_VERSION)
PLEXA_USER_GETTER(IClientUGC, m_UGC, CLIENTUGC_INTERFACE_VERSION)
PLEXA_PIPE_GETTER(IClientVR, m_VR, CLIENTVR_INTERFACE_VERSION)
PLEXA_USER_GETTER(IClientGameNotifications, m_GameNotifications, CLIENTGAMENOTIFICATIONS_INTERFACE_VERSION)
PLEXA_USER_GETTER(IClientHTMLSurface, m_HTMLSurface, CLIENTHTMLSURFACE_INTERFACE_VERSION)
PLEXA_USER_GETTER(IClientVideo, m_Video, CLIENTVIDEO_INTERFACE_VERSION)
PLEXA_PIPE_GETTER(IClientControllerSerialized, m_ControllerSerialized,
                  CLIENTCONTROLLERSERIALIZED_INTERFACE_VERSION)
PLEXA_USER_GETTER(IClientSharedConnection, m_SharedConnection, CLIENTSHAREDCONNECTION_INTERFACE_VERSION)
PLEXA_USER_GETTER(IClientShader, m_Shader, CLIENTSHADER_INTERFACE_VERSION)

// The controller belongs to the pipe, not to a user: the binding passes user 0.
IClientPlexaController *CClientEngine::GetIClientPlexaController(HPlexaUser user, HPlexaPipe pipe,
                                                                 const char *version) {
  (void)user;
  CClientServices *services = ForPipe(pipe, version, CLIENTPLEXACONTROLLER_INTERFACE_VERSION);
  return services ? &services->m_Controller : nullptr;
}

bool CClientEngine::ReloadConfig() {
  return m_pServices && m_pServices->ReloadConfig();
}

const char *CClientEngine::GetConfigPath() {
  static std::string s_Path;
  s_Path = m_pServices ? m_pServices->ConfigPath() : ConfigPath();
  return s_Path.c_str();
}

int CClientEngine::GetServerCount() {
  return m_pServices ? static_cast<int>(m_pServices->World().Servers().size()) : 0;
}

const char *CClientEngine::GetLastConnectRequest() {
  return m_pServices ? m_pServices->LastConnectRequest().c_str() : "";
}

int CClientEngine::GetOpenRequestCount() {
  return m_pServices ? m_pServices->m_MatchmakingServers.OpenRequestCount() : 0;
}

const char *CClientEngine::GetServerBackend() {
  return m_pServices ? m_pServices->m_MatchmakingServers.BackendName() : "simulated";
}

int64 CClientEngine::GetNetworkCounter(const char *name) {
  if (m_pServices) return m_pServices->m_MatchmakingServers.NetworkCounter(name);
  for (int counter = 0; counter < k_NetCounterCount; ++counter) {
    if (name && !strcmp(name, NetCounterName(counter))) return 0;
  }
  return -1;
}

bool CClientEngine::HasPendingWork() {
  return m_pServices && m_pServices->HasPendingWork();
}

double CClientEngine::GetNextDueTime() {
  return m_pServices ? m_pServices->NextConfigCheck() : std::numeric_limits<double>::max();
}

const char *CClientEngine::TakeDamagedStoreCopy() {
  m_TakenStoreCopy = m_pServices ? m_pServices->Store().TakeDamagedCopy() : std::string();
  return m_TakenStoreCopy.c_str();
}
