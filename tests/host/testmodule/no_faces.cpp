// A library that exports CreateInterface but answers no interface: the host must refuse it.
#include "tier0/platform.h"

DLL_EXPORT void *CreateInterface(const char *, int *returnCode) {
  if (returnCode) *returnCode = 1;
  return nullptr;
}
