// Orders names ignoring ASCII letter case, for maps keyed by names.
#pragma once

#include <string>

#include "kstdlib/strtools.h"

namespace kguihost {

struct CCaseLess {
  bool operator()(const std::string &a, const std::string &b) const { return V_stricmp(a.c_str(), b.c_str()) < 0; }
};

}  // namespace kguihost
