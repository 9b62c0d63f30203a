// A small control face of the client services stand-in, for tests, tools and the demo host. It is
// asked from the stand-in's CreateInterface by PLEXACLIENTCONTROL_INTERFACE_VERSION.
#pragma once

#include "plexa/plexatypes.h"

#define PLEXACLIENTCONTROL_INTERFACE_VERSION "PlexaClientControl001"

class IPlexaClientControl {
 public:
  // Re-reads the configuration file now (instead of at the next once-a-second check) and announces
  // what changed. False when the file could not be read; the world is then empty.
  virtual bool ReloadConfig() = 0;
  // Path of the configuration file in use.
  virtual const char *GetConfigPath() = 0;
  // Number of simulated servers in the world.
  virtual int GetServerCount() = 0;
  // The last address text handed to ConnectRunningGame, or the connect text of the last
  // JoinRunningGameToFriend; "" when none.
  virtual const char *GetLastConnectRequest() = 0;
  // Number of list, ping and player requests not yet freed, finished or aborted.
  virtual int GetOpenRequestCount() = 0;

 protected:
  ~IPlexaClientControl() = default;
};
