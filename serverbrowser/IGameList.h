// The face through which the main window, the context menu and the dialogs address any server
// list, without knowing which page it is.
#pragma once

#include "plexa/matchmakingtypes.h"

// Where a list's servers come from; fixed for a page's lifetime.
enum EServerSource : int32 {
  eInternetServer = 0,
  eLanServer = 1,
  eFriendServer = 2,
  eFavoriteServer = 3,
  eHistoryServer = 4,
  eSpectateServer = 5,
};

class IGameList {
 public:
  // Capabilities a page answers through OffersItem.
  enum InterfaceItem_e {
    eItemServerList = 0,        // the page is a server list (answered, asked by nobody)
    eItemFullRefresh = 1,       // fetches whole new lists: quick refresh shown, "Refresh all"
    eItemAddServer = 2,         // the add-server button shows
    eItemAddCurrentServer = 3,  // the add-current-server button shows
  };

  virtual bool OffersItem(int item) = 0;
  // Drops the list and asks the services for a new one.
  virtual void BeginRefresh() = 0;
  virtual void GetNewServerList() = 0;
  virtual void CancelRefresh() = 0;
  virtual bool IsRefreshRunning() = 0;
  // The services' record of a server of the current request, or null.
  virtual ServerRecord *GetServerRecord(int serverIndex) = 0;
  // Joins the first selected server through the main window.
  virtual void ConnectToServer() = 0;
  // The list's invalid row id.
  virtual int NoRowID() = 0;

 protected:
  ~IGameList() = default;
};
