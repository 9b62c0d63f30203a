// The small interfaces of the stand-in that answer from the world: the user, utilities, the
// application catalogue and friends.
#pragma once

#include <string>

#include "plexa/iclientapps.h"
#include "plexa/iclientfriends.h"
#include "plexa/iclientuser.h"
#include "plexa/iclientutils.h"

class CClientServices;

class CClientUser final : public IClientUser {
 public:
  explicit CClientUser(CClientServices &services) : m_Services(services) {}
  bool IsBannedForApp(AppId_t appId) override;
  bool GetUserConfigFolder(char *buffer, int bufferSize) override;
  bool IsAppAvailable(AppId_t appId) override;

 private:
  CClientServices &m_Services;
};

class CClientUtils final : public IClientUtils {
 public:
  explicit CClientUtils(CClientServices &services) : m_Services(services) {}
  bool IsClientOffline() override;

 private:
  CClientServices &m_Services;
};

class CClientApps final : public IClientApps {
 public:
  explicit CClientApps(CClientServices &services) : m_Services(services) {}
  int32 ReadAppValue(AppId_t appId, const char *key, char *buffer, int32 bufferSize) override;
  uint32 ListAppIds(AppId_t *ids, uint32 capacity) override;

 private:
  CClientServices &m_Services;
};

class CClientFriends final : public IClientFriends {
 public:
  explicit CClientFriends(CClientServices &services) : m_Services(services) {}
  const char *FriendDisplayName(PlexaId_t friendId) override;
  bool FriendCurrentGame(PlexaId_t friendId, FriendGameInfo *game) override;
  const char *FriendGameTitle(PlexaId_t friendId) override;
  int32 FriendFlags(PlexaId_t friendId) override;
  const char *FriendPresenceValue(AppId_t appId, PlexaId_t friendId, const char *key) override;
  void RequestFriendPresence(AppId_t appId, PlexaId_t friendId) override;
  void ConnectRunningGame(const char *address, const char *password) override;
  void JoinRunningGameToFriend(AppId_t appId, PlexaId_t friendId, const char *connect) override;

 private:
  CClientServices &m_Services;
};
