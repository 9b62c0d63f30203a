// Interfaces handed out by versioned name across binaries.
#pragma once

#include "tier0/platform.h"

// Looks up an interface by name; stores 0 (found) or 1 (not found) through returnCode when given.
using CreateInterfaceFn = void *(*)(const char *name, int *returnCode);

// Base of interfaces that the owner may delete through the interface.
class IBaseInterface {
 public:
  virtual ~IBaseInterface() = default;
};

enum { IFACE_OK = 0, IFACE_FAILED = 1 };
