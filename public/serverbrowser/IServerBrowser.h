// The browser-specific face of the server browser module.
#pragma once

#include "tier0/platform.h"

#define SERVERBROWSER_INTERFACE_VERSION "ServerBrowser003"

class IServerBrowser {
 public:
  // Shows the main window; always true.
  virtual bool ActivateBrowser() = 0;
  // Opens the friend's game-info dialog and connects; always answers false.
  virtual bool JoinFriendGame(uint64 friendID) = 0;
  // Opens a game-info dialog for ip:port (query and connection port) and connects; always true.
  virtual bool JoinServer(uint32 ip, uint16 port, const char *password) = 0;
  virtual bool OpenFriendGameInfo(uint64 friendID) = 0;
  virtual void CloseFriendGameInfo(uint64 friendID) = 0;
  virtual void CloseAllGameInfoDialogs() = 0;
  virtual void CreateMainWindow() = 0;
  virtual void ShowMainWindow() = 0;

 protected:
  ~IServerBrowser() = default;
};
