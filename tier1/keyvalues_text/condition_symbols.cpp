#include "tier1/keyvalues_text/condition_symbols.h"

#include "kstdlib/ikeyvaluessystem.h"
#include "kstdlib/strtools.h"

namespace {

// Stored layout files were written against these answers, so they stay exactly as they are
// whatever machine we run on: the files ask for the desktop platform they were made for.
constexpr int kOperatingSystemVersion = 10;

// The operating-system version query behind "VISTA" and "WIN7".
int OperatingSystemVersion() {
  return kOperatingSystemVersion;
}

struct FixedSymbol {
  const char *name;
  int minimumOSVersion;  // true from this version on; 0 = always, -1 = never
};

// The one table of fixed condition names (compared without the "$", ignoring case).
constexpr FixedSymbol kFixedSymbols[] = {
    {"0", -1},     {"1", 0},        {"WINDOWS", 0},  {"WIN32", 0},    {"WIN64", -1},
    {"VISTA", 9},  {"WIN7", 10},    {"OSX", -1},     {"OSX1010", -1}, {"POSIX", -1},
    {"LINUX", -1}, {"LINUX32", -1}, {"LINUX64", -1}, {"X360", -1},    {"PS3", -1},
};

}  // namespace

bool KeyValuesConditionSymbolIsTrue(const char *name) {
  if (!name) return false;
  const char *bare = name[0] == '$' ? name + 1 : name;
  for (const FixedSymbol &symbol : kFixedSymbols) {
    if (V_stricmp(bare, symbol.name) != 0) continue;
    return symbol.minimumOSVersion >= 0 && OperatingSystemVersion() >= symbol.minimumOSVersion;
  }
  return KeyValuesSystemPlexa()->EvaluateConditionSymbol(name);
}
