// The root interface of the stand-in. The services start with the first pipe and stop at
// EngineShutdown; getters answer only for an open pipe (and the user attached to it).
#pragma once

#include <memory>
#include <string>

#include "plexa/iclientengine.h"
#include "plexa/iplexaclientcontrol.h"
#include "plexa/iplexaclientidle.h"
#include "plexa/iplexaclientnotices.h"
#include "plexaclient/client_services.h"

class CClientEngine final : public IClientEngine,
                            public IPlexaClientControl,
                            public IPlexaClientNotices,
                            public IPlexaClientIdle {
 public:
  HPlexaPipe OpenPipe() override;
  bool ClosePipe(HPlexaPipe pipe) override;
  HPlexaUser AttachGlobalUser(HPlexaPipe pipe) override;
  void DetachUser(HPlexaPipe pipe, HPlexaUser user) override;

  IClientUser *GetIClientUser(HPlexaUser user, HPlexaPipe pipe, const char *version) override;
  IClientFriends *GetIClientFriends(HPlexaUser user, HPlexaPipe pipe, const char *version) override;
  IClientUtils *GetIClientUtils(HPlexaPipe pipe, const char *version) override;
  IClientBilling *GetIClientBilling(HPlexaUser user, HPlexaPipe pipe, const char *version) override;
  IClientMatchmaking *GetIClientMatchmaking(HPlexaUser user, HPlexaPipe pipe, const char *version) override;
  IClientApps *GetIClientApps(HPlexaUser user, HPlexaPipe pipe, const char *version) override;
  IClientMatchmakingServers *GetIClientMatchmakingServers(HPlexaUser user, HPlexaPipe pipe,
                                                          const char *version) override;
  void EngineFrame() override;
  IClientUserStats *GetIClientUserStats(HPlexaUser user, HPlexaPipe pipe, const char *version) override;
  IClientRemoteStorage *GetIClientRemoteStorage(HPlexaUser user, HPlexaPipe pipe,
                                                const char *version) override;
  IClientScreenshots *GetIClientScreenshots(HPlexaUser user, HPlexaPipe pipe, const char *version) override;
  IClientGameCoordinator *GetIClientGameCoordinator(HPlexaUser user, HPlexaPipe pipe,
                                                    const char *version) override;
  IClientNetworkDeviceManager *GetIClientNetworkDeviceManager(HPlexaPipe pipe, const char *version) override;
  IClientAppManager *GetIClientAppManager(HPlexaUser user, HPlexaPipe pipe, const char *version) override;
  IClientConfigStore *GetIClientConfigStore(HPlexaUser user, HPlexaPipe pipe, const char *version) override;
  IClientGameStats *GetIClientGameStats(HPlexaUser user, HPlexaPipe pipe, const char *version) override;
  IClientHTTP *GetIClientHTTP(HPlexaUser user, HPlexaPipe pipe, const char *version) override;
  void EngineShutdown() override;
  IClientAudio *GetIClientAudio(HPlexaUser user, HPlexaPipe pipe, const char *version) override;
  IClientMusic *GetIClientMusic(HPlexaUser user, HPlexaPipe pipe, const char *version) override;
  IClientUnifiedMessages *GetIClientUnifiedMessages(HPlexaUser user, HPlexaPipe pipe,
                                                    const char *version) override;
  IClientPlexaController *GetIClientPlexaController(HPlexaUser user, HPlexaPipe pipe,
                                                    const char *version) override;
  IClientParentalSettings *GetIClientParentalSettings(HPlexaUser user, HPlexaPipe pipe,
                                                      const char *version) override;
  IClientDeviceAuth *GetIClientDeviceAuth(HPlexaUser user, HPlexaPipe pipe, const char *version) override;
  IClientRemoteClientManager *GetIClientRemoteClientManager(HPlexaPipe pipe, const char *version) override;
  IClientStreamClient *GetIClientStreamClient(HPlexaUser user, HPlexaPipe pipe, const char *version) override;
  IClientShortcuts *GetIClientShortcuts(HPlexaUser user, HPlexaPipe pipe, const char *version) override;
  IClientUGC *GetIClientUGC(HPlexaUser user, HPlexaPipe pipe, const char *version) override;
  IClientVR *GetIClientVR(HPlexaPipe pipe, const char *version) override;
  IClientGameNotifications *GetIClientGameNotifications(HPlexaUser user, HPlexaPipe pipe,
                                                        const char *version) override;
  IClientHTMLSurface *GetIClientHTMLSurface(HPlexaUser user, HPlexaPipe pipe, const char *version) override;
  IClientVideo *GetIClientVideo(HPlexaUser user, HPlexaPipe pipe, const char *version) override;
  IClientControllerSerialized *GetIClientControllerSerialized(HPlexaPipe pipe, const char *version) override;
  IClientSharedConnection *GetIClientSharedConnection(HPlexaUser user, HPlexaPipe pipe,
                                                      const char *version) override;
  IClientShader *GetIClientShader(HPlexaUser user, HPlexaPipe pipe, const char *version) override;

  // IPlexaClientControl
  bool ReloadConfig() override;
  const char *GetConfigPath() override;
  int GetServerCount() override;
  const char *GetLastConnectRequest() override;
  int GetOpenRequestCount() override;
  const char *GetServerBackend() override;
  int64 GetNetworkCounter(const char *name) override;

  // The services while they run; null before the first pipe and after shutdown.
  // IPlexaClientNotices
  const char *TakeDamagedStoreCopy() override;

  // IPlexaClientIdle
  bool HasPendingWork() override;
  double GetNextDueTime() override;

  CClientServices *Services() const { return m_pServices.get(); }

 private:
  // The services when the pipe is open and the version is the expected one (no check when
  // `expected` is null); ForUser also wants `user` attached to that pipe.
  CClientServices *ForPipe(HPlexaPipe pipe, const char *version, const char *expected) const;
  CClientServices *ForUser(HPlexaUser user, HPlexaPipe pipe, const char *version, const char *expected) const;
  static std::string ConfigPath();

  std::unique_ptr<CClientServices> m_pServices;
  std::string m_TakenStoreCopy;  // what TakeDamagedStoreCopy handed out, alive until the next call
};

// The one engine of the module.
extern CClientEngine g_ClientEngine;
