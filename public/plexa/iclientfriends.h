// The user's friends, their games and rich presence, and handing a server to the running game.
#pragma once

#include "plexa/matchmakingtypes.h"

class IClientFriends {
 public:
  // "" for an unknown friend.
  virtual const char *FriendDisplayName(PlexaId_t friendId) = 0;
  // False (and `game` untouched) when the friend plays nothing or is unknown.
  virtual bool FriendCurrentGame(PlexaId_t friendId, FriendGameInfo *game) = 0;
  // Title of the game the friend plays; "" when none.
  virtual const char *FriendGameTitle(PlexaId_t friendId) = 0;
  // Friend flags; bit 2 marks a friend whose published connect string may be used.
  virtual int32 FriendFlags(PlexaId_t friendId) = 0;
  // A rich-presence value ("connect", "status", ...) the friend publishes for the application,
  // or null when none.
  virtual const char *FriendPresenceValue(AppId_t appId, PlexaId_t friendId, const char *key) = 0;
  // Asks for fresh rich presence; FriendRichPresenceUpdate_t (336) follows on a later frame.
  virtual void RequestFriendPresence(AppId_t appId, PlexaId_t friendId) = 0;
  // Hands "a.b.c.d:port" (and a password, may be "") to the game that already runs.
  virtual void ConnectRunningGame(const char *address, const char *password) = 0;
  // Joins the running game to the friend through the friend's connect string.
  virtual void JoinRunningGameToFriend(AppId_t appId, PlexaId_t friendId, const char *connect) = 0;

 protected:
  ~IClientFriends() = default;
};
