// A library without CreateInterface: the host must refuse it.
#include "tier0/platform.h"

DLL_EXPORT int KguiTestNoEntry() { return 1; }
