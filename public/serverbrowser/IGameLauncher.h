// The host's game launcher: whether an application's game runs, and starting it.
#pragma once

#include "tier0/platform.h"

#define GAMELAUNCHER_INTERFACE_VERSION "RunGameEngine007"

enum ELaunchGameResult {
  k_ELaunchGameStarted = 0,
  k_ELaunchGameModNotInstalled = 1,
  k_ELaunchGameAppNotFound = 2,
  k_ELaunchGameNotInitialised = 3,
};

class IGameLauncher {
 public:
  virtual bool IsGameRunning(uint32 appID, const char *gameDir) = 0;
  // Starts the game with the command line; returns an ELaunchGameResult.
  virtual int LaunchGame(uint32 appID, const char *gameDir, const char *commandLine) = 0;

 protected:
  ~IGameLauncher() = default;
};
