// Miscellaneous state of the services.
#pragma once

#include "plexa/plexatypes.h"

class IClientUtils {
 public:
  virtual bool IsClientOffline() = 0;

 protected:
  ~IClientUtils() = default;
};
