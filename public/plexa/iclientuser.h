// The logged-on user as the services know it.
#pragma once

#include "plexa/plexatypes.h"

class IClientUser {
 public:
  // True when the anti-cheat system bans the user from the application's secure servers.
  virtual bool IsBannedForApp(AppId_t appId) = 0;
  // Fills `buffer` with the user's configuration folder; false (and "") when it does not fit.
  virtual bool GetUserConfigFolder(char *buffer, int bufferSize) = 0;
  virtual bool IsAppAvailable(AppId_t appId) = 0;

 protected:
  ~IClientUser() = default;
};
