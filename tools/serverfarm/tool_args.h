// Command-line reading shared by the farm and the master.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tools/serverfarm/rate_limit.h"

class CToolArgs {
 public:
  CToolArgs(int argc, char **argv) : m_nArgc(argc), m_ppArgv(argv) {}

  // The next argument, or null at the end.
  const char *Next() { return m_nIndex < m_nArgc ? m_ppArgv[m_nIndex++] : nullptr; }
  // The value of option `name`; reports and returns null when it is missing.
  const char *Value(std::string_view name);

 private:
  int m_nArgc;
  char **m_ppArgv;
  int m_nIndex = 1;
};

// A whole number within [minimum, maximum].
bool ParseCount(const char *text, int64_t minimum, int64_t maximum, int64_t &out);
// "BURST,MILLISECONDS" or "off".
bool ParseRateLimit(const char *text, RateLimit &out);
