#include "plexaclient/client_accounts.h"

#include <cstring>

#include "kstdlib/strtools.h"
#include "plexaclient/client_services.h"
#include "plexaclient/running_game_channel.h"
#include "tier0/dbg.h"

bool CClientUser::IsBannedForApp(AppId_t appId) { return m_Services.World().IsBanned(appId); }

bool CClientUser::GetUserConfigFolder(char *buffer, int bufferSize) {
  if (!buffer || bufferSize <= 0) return false;
  const std::string &folder = m_Services.World().ConfigFolder();
  if (folder.size() >= static_cast<size_t>(bufferSize)) {
    buffer[0] = '\0';
    return false;
  }
  memcpy(buffer, folder.c_str(), folder.size() + 1);
  return true;
}

bool CClientUser::IsAppAvailable(AppId_t appId) {
  const SimApp *app = m_Services.World().FindApp(appId);
  return app && app->m_bAvailable;
}

bool CClientUtils::IsClientOffline() { return m_Services.World().IsOffline(); }

int32 CClientApps::ReadAppValue(AppId_t appId, const char *key, char *buffer, int32 bufferSize) {
  if (!key || !buffer || bufferSize <= 0) return 0;
  buffer[0] = '\0';
  const SimApp *app = m_Services.World().FindApp(appId);
  if (!app) return 0;
  std::string lowered = key;
  for (char &c : lowered) c = V_tolower(c);
  auto it = app->m_Values.find(lowered);
  if (it == app->m_Values.end()) return 0;
  V_strncpy(buffer, it->second.c_str(), static_cast<size_t>(bufferSize));
  return static_cast<int32>(strlen(buffer) + 1);
}

uint32 CClientApps::ListAppIds(AppId_t *ids, uint32 capacity) {
  const auto &apps = m_Services.World().Apps();
  uint32 written = 0;
  for (const auto &entry : apps) {
    if (written >= capacity || !ids) break;
    ids[written++] = entry.first;
  }
  return static_cast<uint32>(apps.size());
}

const char *CClientFriends::FriendDisplayName(PlexaId_t friendId) {
  const SimFriend *buddy = m_Services.World().FindFriend(friendId);
  return buddy ? buddy->m_Name.c_str() : "";
}

bool CClientFriends::FriendCurrentGame(PlexaId_t friendId, FriendGameInfo *game) {
  const SimFriend *buddy = m_Services.World().FindFriend(friendId);
  if (!buddy || !buddy->m_bInGame) return false;
  if (game) *game = buddy->m_Game;
  return true;
}

const char *CClientFriends::FriendGameTitle(PlexaId_t friendId) {
  const SimFriend *buddy = m_Services.World().FindFriend(friendId);
  return buddy && buddy->m_bInGame ? buddy->m_GameTitle.c_str() : "";
}

int32 CClientFriends::FriendFlags(PlexaId_t friendId) {
  const SimFriend *buddy = m_Services.World().FindFriend(friendId);
  return buddy ? buddy->m_nFlags : 0;
}

const char *CClientFriends::FriendPresenceValue(AppId_t appId, PlexaId_t friendId, const char *key) {
  const SimFriend *buddy = m_Services.World().FindFriend(friendId);
  if (!buddy || !key) return nullptr;
  auto app = buddy->m_Presence.find(appId);
  if (app == buddy->m_Presence.end()) return nullptr;
  std::string lowered = key;
  for (char &c : lowered) c = V_tolower(c);
  auto value = app->second.find(lowered);
  return value == app->second.end() ? nullptr : value->second.c_str();
}

void CClientFriends::RequestFriendPresence(AppId_t appId, PlexaId_t friendId) {
  if (m_Services.World().FindFriend(friendId)) m_Services.QueuePresenceUpdate(friendId, appId);
}

namespace {

// Hands the request to the game that runs for this user folder, over the channel it listens on.
// A game that is not there (or will not take the server) is logged; nothing else happens.
void HandToRunningGame(const runninggame::CRequest &request) {
  std::string packet;
  std::string path;
  std::string answer;
  std::string error;
  if (!runninggame::FormatRequest(request, packet, error) || !runninggame::SocketPath(path, error) ||
      !runninggame::SendRequest(path, packet, answer, error)) {
    Warning("plexaclient: the running game was not reached: %s\n", runninggame::EscapeForLog(error).c_str());
    return;
  }
  if (answer != "ok") {
    Warning("plexaclient: the running game answered '%s'\n", runninggame::EscapeForLog(answer).c_str());
  }
}

}  // namespace

void CClientFriends::ConnectRunningGame(const char *address, const char *password) {
  runninggame::CRequest request;
  request.address = address ? address : "";
  request.password = password ? password : "";
  Msg("plexaclient: the running game is asked to connect to %s%s\n",
      runninggame::EscapeForLog(request.address).c_str(),
      request.password.empty() ? "" : " (with a password)");
  m_Services.SetLastConnectRequest(request.address);
  HandToRunningGame(request);
}

void CClientFriends::JoinRunningGameToFriend(AppId_t appId, PlexaId_t friendId, const char *connect) {
  runninggame::CRequest request;
  request.command = connect ? connect : "";
  Msg("plexaclient: the running game of application %u joins friend %llu with \"%s\"\n", appId,
      static_cast<unsigned long long>(friendId), runninggame::EscapeForLog(request.command).c_str());
  m_Services.SetLastConnectRequest(request.command);
  HandToRunningGame(request);
}
