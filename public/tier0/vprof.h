// Profiling scopes; compiled out in this build.
#pragma once

#define VPROF(name) ((void)0)
#define VPROF_BUDGET(name, group) ((void)0)
