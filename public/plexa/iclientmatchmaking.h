// The store of favourite and history servers. Every change is announced by
// FavoritesListChanged_t (502).
#pragma once

#include "plexa/plexatypes.h"

// List flags of a stored server.
enum EStoredServerFlags : uint32 {
  k_unFavoriteFlagFavorite = 0x01,
  k_unFavoriteFlagHistory = 0x02,
};

class IClientMatchmaking {
 public:
  // Number of stored servers (favourites and history together).
  virtual int32 CountStoredServers() = 0;
  // Adds the flags to the server's entry (creating it); `lastPlayed` is seconds since 1970.
  virtual void AddStoredServer(AppId_t appId, uint32 ip, uint16 connPort, uint16 queryPort, uint32 flags,
                               uint32 lastPlayed) = 0;
  // Takes the flags off the server's entry (dropping it when none remain); false when the entry
  // held none of them.
  virtual bool RemoveStoredServer(AppId_t appId, uint32 ip, uint16 connPort, uint16 queryPort,
                                  uint32 flags) = 0;

 protected:
  ~IClientMatchmaking() = default;
};
