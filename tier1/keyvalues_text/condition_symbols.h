// The truth of condition names in key/value text ("[$WIN32]") on this platform.
#pragma once

// True when the condition name (with or without its leading "$") holds. The fixed platform names
// are answered here; any other name is asked of the host symbol service.
bool KeyValuesConditionSymbolIsTrue(const char *name);
