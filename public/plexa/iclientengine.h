// The root interface of the client services module, asked from its exported CreateInterface by
// CLIENTENGINE_INTERFACE_VERSION. The operations keep the services' table order.
#pragma once

#include "plexa/plexatypes.h"

#define CLIENTENGINE_INTERFACE_VERSION "CLIENTENGINE_INTERFACE_VERSION005"
#define CLIENTMATCHMAKINGSERVERS_INTERFACE_VERSION "CLIENTMATCHMAKINGSERVERS_INTERFACE_VERSION001"
#define CLIENTUSERSTATS_INTERFACE_VERSION "CLIENTUSERSTATS_INTERFACE_VERSION002"
#define CLIENTREMOTESTORAGE_INTERFACE_VERSION "CLIENTREMOTESTORAGE_INTERFACE_VERSION001"
#define CLIENTSCREENSHOTS_INTERFACE_VERSION "CLIENTSCREENSHOTS_INTERFACE_VERSION001"
#define CLIENTGAMECOORDINATOR_INTERFACE_VERSION "CLIENTGAMECOORDINATOR_INTERFACE_VERSION001"
#define CLIENTAPPMANAGER_INTERFACE_VERSION "CLIENTAPPMANAGER_INTERFACE_VERSION001"
#define CLIENTCONFIGSTORE_INTERFACE_VERSION "CLIENTCONFIGSTORE_INTERFACE_VERSION001"
#define CLIENTHTTP_INTERFACE_VERSION "CLIENTHTTP_INTERFACE_VERSION001"
#define CLIENTAUDIO_INTERFACE_VERSION "CLIENTAUDIO_INTERFACE_VERSION001"
#define CLIENTMUSIC_INTERFACE_VERSION "CLIENTMUSIC_INTERFACE_VERSION001"
#define CLIENTGAMESTATS_INTERFACE_VERSION "CLIENTGAMESTATS_INTERFACE_VERSION001"
#define CLIENTUNIFIEDMESSAGES_INTERFACE_VERSION "CLIENTUNIFIEDMESSAGES_INTERFACE_VERSION001"
#define CLIENTPARENTALSETTINGS_INTERFACE_VERSION "CLIENTPARENTALSETTINGS_INTERFACE_VERSION001"
#define CLIENTDEVICEAUTH_INTERFACE_VERSION "CLIENTDEVICEAUTH_INTERFACE_VERSION001"
#define CLIENTPLEXACONTROLLER_INTERFACE_VERSION "CLIENTPLEXACONTROLLER_INTERFACE_VERSION_000"
#define CLIENTREMOTECLIENTMANAGER_INTERFACE_VERSION "CLIENTREMOTECLIENTMANAGER_INTERFACE_VERSION001"
#define CLIENTUGC_INTERFACE_VERSION "CLIENTUGC_INTERFACE_VERSION_001"
#define CLIENTSTREAMCLIENT_INTERFACE_VERSION "CLIENTSTREAMCLIENT_INTERFACE_VERSION001"
#define CLIENTSHORTCUTS_INTERFACE_VERSION "CLIENTSHORTCUTS_INTERFACE_VERSION001"
#define CLIENTVR_INTERFACE_VERSION "CLIENTVR_INTERFACE_VERSION001"
#define CLIENTGAMENOTIFICATIONS_INTERFACE_VERSION "CLIENTGAMENOTIFICATIONS_INTERFACE_VERSION001"
#define CLIENTHTMLSURFACE_INTERFACE_VERSION "CLIENTHTMLSURFACE_INTERFACE_VERSION_000"
#define CLIENTVIDEO_INTERFACE_VERSION "CLIENTVIDEO_INTERFACE_VERSION001"
#define CLIENTCONTROLLERSERIALIZED_INTERFACE_VERSION "CLIENTCONTROLLERSERIALIZED_INTERFACE_VERSION_000"
#define CLIENTSHAREDCONNECTION_INTERFACE_VERSION "CLIENTSHAREDCONNECTION_INTERFACE_VERSION001"
#define CLIENTNETWORKDEVICEMANAGER_INTERFACE_VERSION "CLIENTNETWORKDEVICEMANAGER_INTERFACE_VERSION003"
#define CLIENTSHADER_INTERFACE_VERSION "CLIENTSHADER_INTERFACE_VERSION001"

// The interfaces the browser uses are declared in their own headers; the others are opaque here
// (the binding only holds them).
class IClientUser;
class IClientFriends;
class IClientUtils;
class IClientMatchmaking;
class IClientApps;
class IClientMatchmakingServers;
class IClientPlexaController;
class IClientBilling;
class IClientUserStats;
class IClientRemoteStorage;
class IClientScreenshots;
class IClientGameCoordinator;
class IClientNetworkDeviceManager;
class IClientAppManager;
class IClientConfigStore;
class IClientGameStats;
class IClientHTTP;
class IClientAudio;
class IClientMusic;
class IClientUnifiedMessages;
class IClientParentalSettings;
class IClientDeviceAuth;
class IClientRemoteClientManager;
class IClientStreamClient;
class IClientShortcuts;
class IClientUGC;
class IClientVR;
class IClientGameNotifications;
class IClientHTMLSurface;
class IClientVideo;
class IClientControllerSerialized;
class IClientSharedConnection;
class IClientShader;

// Getters return null for a pipe that is not open or a user not attached to that pipe.
class IClientEngine {
 public:
  virtual HPlexaPipe OpenPipe() = 0;
  virtual bool ClosePipe(HPlexaPipe pipe) = 0;
  // Attaches the logged-on user to the pipe; 0 when the pipe is not open.
  virtual HPlexaUser AttachGlobalUser(HPlexaPipe pipe) = 0;
  virtual void DetachUser(HPlexaPipe pipe, HPlexaUser user) = 0;

  virtual IClientUser *GetIClientUser(HPlexaUser user, HPlexaPipe pipe, const char *version) = 0;
  virtual IClientFriends *GetIClientFriends(HPlexaUser user, HPlexaPipe pipe, const char *version) = 0;
  virtual IClientUtils *GetIClientUtils(HPlexaPipe pipe, const char *version) = 0;
  virtual IClientBilling *GetIClientBilling(HPlexaUser user, HPlexaPipe pipe, const char *version) = 0;
  virtual IClientMatchmaking *GetIClientMatchmaking(HPlexaUser user, HPlexaPipe pipe, const char *version) = 0;
  virtual IClientApps *GetIClientApps(HPlexaUser user, HPlexaPipe pipe, const char *version) = 0;
  virtual IClientMatchmakingServers *GetIClientMatchmakingServers(HPlexaUser user, HPlexaPipe pipe,
                                                                  const char *version) = 0;

  // Per-frame work: answers due requests through the response interfaces and queues notifications.
  virtual void EngineFrame() = 0;

  virtual IClientUserStats *GetIClientUserStats(HPlexaUser user, HPlexaPipe pipe, const char *version) = 0;
  virtual IClientRemoteStorage *GetIClientRemoteStorage(HPlexaUser user, HPlexaPipe pipe, const char *version) = 0;
  virtual IClientScreenshots *GetIClientScreenshots(HPlexaUser user, HPlexaPipe pipe, const char *version) = 0;
  virtual IClientGameCoordinator *GetIClientGameCoordinator(HPlexaUser user, HPlexaPipe pipe,
                                                            const char *version) = 0;
  virtual IClientNetworkDeviceManager *GetIClientNetworkDeviceManager(HPlexaPipe pipe, const char *version) = 0;
  virtual IClientAppManager *GetIClientAppManager(HPlexaUser user, HPlexaPipe pipe, const char *version) = 0;
  virtual IClientConfigStore *GetIClientConfigStore(HPlexaUser user, HPlexaPipe pipe, const char *version) = 0;
  virtual IClientGameStats *GetIClientGameStats(HPlexaUser user, HPlexaPipe pipe, const char *version) = 0;
  virtual IClientHTTP *GetIClientHTTP(HPlexaUser user, HPlexaPipe pipe, const char *version) = 0;

  // Releases everything the services hold (requests, queued messages, pipes).
  virtual void EngineShutdown() = 0;

  virtual IClientAudio *GetIClientAudio(HPlexaUser user, HPlexaPipe pipe, const char *version) = 0;
  virtual IClientMusic *GetIClientMusic(HPlexaUser user, HPlexaPipe pipe, const char *version) = 0;
  virtual IClientUnifiedMessages *GetIClientUnifiedMessages(HPlexaUser user, HPlexaPipe pipe,
                                                            const char *version) = 0;
  virtual IClientPlexaController *GetIClientPlexaController(HPlexaUser user, HPlexaPipe pipe,
                                                            const char *version) = 0;
  virtual IClientParentalSettings *GetIClientParentalSettings(HPlexaUser user, HPlexaPipe pipe,
                                                              const char *version) = 0;
  virtual IClientDeviceAuth *GetIClientDeviceAuth(HPlexaUser user, HPlexaPipe pipe, const char *version) = 0;
  virtual IClientRemoteClientManager *GetIClientRemoteClientManager(HPlexaPipe pipe, const char *version) = 0;
  virtual IClientStreamClient *GetIClientStreamClient(HPlexaUser user, HPlexaPipe pipe, const char *version) = 0;
  virtual IClientShortcuts *GetIClientShortcuts(HPlexaUser user, HPlexaPipe pipe, const char *version) = 0;
  virtual IClientUGC *GetIClientUGC(HPlexaUser user, HPlexaPipe pipe, const char *version) = 0;
  virtual IClientVR *GetIClientVR(HPlexaPipe pipe, const char *version) = 0;
  virtual IClientGameNotifications *GetIClientGameNotifications(HPlexaUser user, HPlexaPipe pipe,
                                                                const char *version) = 0;
  virtual IClientHTMLSurface *GetIClientHTMLSurface(HPlexaUser user, HPlexaPipe pipe, const char *version) = 0;
  virtual IClientVideo *GetIClientVideo(HPlexaUser user, HPlexaPipe pipe, const char *version) = 0;
  virtual IClientControllerSerialized *GetIClientControllerSerialized(HPlexaPipe pipe, const char *version) = 0;
  virtual IClientSharedConnection *GetIClientSharedConnection(HPlexaUser user, HPlexaPipe pipe,
                                                              const char *version) = 0;
  virtual IClientShader *GetIClientShader(HPlexaUser user, HPlexaPipe pipe, const char *version) = 0;

 protected:
  ~IClientEngine() = default;
};
