// Everything the stand-in serves while the engine runs: the world read from the configuration
// (watched for changes), the favourites store, the notification queue, pipes and users, and one
// object per client interface.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

#include "plexaclient/callback_queue.h"
#include "plexaclient/client_accounts.h"
#include "plexaclient/client_matchmaking.h"
#include "plexaclient/client_minor.h"
#include "plexaclient/matchmaking_servers.h"
#include "plexaclient/server_store.h"

class CClientServices {
 public:
  // Reads the configuration at `configPath`; a missing or broken file leaves the world empty.
  explicit CClientServices(std::string configPath);
  ~CClientServices();
  CClientServices(const CClientServices &) = delete;
  CClientServices &operator=(const CClientServices &) = delete;

  // --- pipes and the one logged-on user
  HPlexaPipe OpenPipe();
  bool ClosePipe(HPlexaPipe pipe);
  HPlexaUser AttachGlobalUser(HPlexaPipe pipe);
  void DetachUser(HPlexaPipe pipe, HPlexaUser user);
  bool IsPipeOpen(HPlexaPipe pipe) const { return m_Queue.IsPipeOpen(pipe); }
  bool IsUserOnPipe(HPlexaUser user, HPlexaPipe pipe) const;

  // The engine's per-frame work: the once-a-second configuration check, presence updates asked
  // for, then the answers that are due.
  void RunFrame();
  // True while RunFrame or the callback pump has work: an open request, a presence update asked
  // for, a callback not yet taken.
  bool HasPendingWork() const;
  // When RunFrame next has work with nothing pending: the configuration file's check.
  double NextConfigCheck() const { return m_flNextConfigCheck; }
  // Re-reads the configuration and announces what changed. On a broken file the world in use is
  // kept and false returned.
  bool ReloadConfig();

  const CPlexaWorld &World() const { return *m_pWorld; }
  const std::shared_ptr<const CPlexaWorld> &WorldPtr() const { return m_pWorld; }
  CServerStore &Store() { return m_Store; }
  CCallbackQueue &Queue() { return m_Queue; }
  uint64 Frame() const { return m_uFrame; }
  const std::string &ConfigPath() const { return m_ConfigPath; }
  void QueuePresenceUpdate(PlexaId_t friendId, AppId_t appId);
  void SetLastConnectRequest(std::string text) { m_LastConnect = std::move(text); }
  const std::string &LastConnectRequest() const { return m_LastConnect; }

  // --- the interfaces
  CClientUser m_User{*this};
  CClientFriends m_Friends{*this};
  CClientUtils m_Utils{*this};
  CClientMatchmaking m_Matchmaking{*this};
  CClientApps m_Apps{*this};
  CClientMatchmakingServers m_MatchmakingServers{*this};
  CClientPlexaController m_Controller;
  IClientBilling m_Billing;
  IClientUserStats m_UserStats;
  IClientRemoteStorage m_RemoteStorage;
  IClientScreenshots m_Screenshots;
  IClientGameCoordinator m_GameCoordinator;
  IClientNetworkDeviceManager m_NetworkDeviceManager;
  IClientAppManager m_AppManager;
  IClientConfigStore m_ConfigStore;
  IClientGameStats m_GameStats;
  IClientHTTP m_HTTP;
  IClientAudio m_Audio;
  IClientMusic m_Music;
  IClientUnifiedMessages m_UnifiedMessages;
  IClientParentalSettings m_ParentalSettings;
  IClientDeviceAuth m_DeviceAuth;
  IClientRemoteClientManager m_RemoteClientManager;
  IClientStreamClient m_StreamClient;
  IClientShortcuts m_Shortcuts;
  IClientUGC m_UGC;
  IClientVR m_VR;
  IClientGameNotifications m_GameNotifications;
  IClientHTMLSurface m_HTMLSurface;
  IClientVideo m_Video;
  IClientControllerSerialized m_ControllerSerialized;
  IClientSharedConnection m_SharedConnection;
  IClientShader m_Shader;

 private:
  // Identity of the configuration file as last seen, to notice a change cheaply.
  struct FileStamp {
    bool m_bExists = false;
    ino_t m_Inode = 0;
    off_t m_Size = 0;
    int64 m_MTimeNs = 0;
    bool operator==(const FileStamp &) const = default;
  };
  static FileStamp StampOf(const std::string &path);
  void AnnounceChanges(const CPlexaWorld &before, const CPlexaWorld &after);
  void AnnounceFriendChanges(const CPlexaWorld &before, const CPlexaWorld &after);

  std::string m_ConfigPath;
  std::shared_ptr<const CPlexaWorld> m_pWorld;
  // Texts handed out from the previous world stay readable for one more reload.
  std::shared_ptr<const CPlexaWorld> m_pPreviousWorld;
  FileStamp m_ConfigStamp;
  double m_flNextConfigCheck = 0.0;
  CServerStore m_Store;
  CCallbackQueue m_Queue;
  uint64 m_uFrame = 0;
  HPlexaPipe m_hNextPipe = 1;
  std::vector<std::pair<PlexaId_t, AppId_t>> m_PendingPresence;
  std::string m_LastConnect;
};
