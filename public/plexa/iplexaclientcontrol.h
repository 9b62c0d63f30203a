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
  // "simulated" or "network": the backend the configuration in use names for server requests.
  virtual const char *GetServerBackend() = 0;
  // A count kept by the network backend, by name: "sent", "received", packets dropped by reason
  // ("dropped_foreign" (from an address and port not queried), "dropped_challenge",
  // "dropped_malformed", "dropped_oversized", "dropped_wrong_marker", "dropped_wrong_command"),
  // "send_failed", list entries skipped or merged ("ipv6_skipped", "invalid_skipped",
  // "duplicate_entries"), and queries "in_flight", "waiting" and "peak_in_flight". 0 while the
  // network backend has not started, -1 for an unknown name.
  virtual int64 GetNetworkCounter(const char *name) = 0;

 protected:
  ~IPlexaClientControl() = default;
};
