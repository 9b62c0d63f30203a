// The application catalogue.
#pragma once

#include "plexa/plexatypes.h"

class IClientApps {
 public:
  // Copies the application's value for `key` ("gamedir", "common/name", ...) into `buffer`
  // (always terminated); returns the bytes written including the NUL, or 0 when there is no such
  // value or nothing fits.
  virtual int32 ReadAppValue(AppId_t appId, const char *key, char *buffer, int32 bufferSize) = 0;
  // Writes at most `capacity` application ids; returns how many there are (may exceed capacity).
  virtual uint32 ListAppIds(AppId_t *ids, uint32 capacity) = 0;

 protected:
  ~IClientApps() = default;
};
