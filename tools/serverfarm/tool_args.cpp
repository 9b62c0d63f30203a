#include "tools/serverfarm/tool_args.h"

#include <charconv>
#include <cstdio>
#include <cstring>

const char *CToolArgs::Value(std::string_view name) {
  const char *value = Next();
  if (!value) fprintf(stderr, "%.*s needs a value\n", static_cast<int>(name.size()), name.data());
  return value;
}

bool ParseCount(const char *text, int64_t minimum, int64_t maximum, int64_t &out) {
  if (!text) return false;
  const char *end = text + strlen(text);
  int64_t value = 0;
  const auto parsed = std::from_chars(text, end, value);
  if (parsed.ec != std::errc() || parsed.ptr != end || value < minimum || value > maximum) return false;
  out = value;
  return true;
}

bool ParseRateLimit(const char *text, RateLimit &out) {
  if (!text) return false;
  if (!strcmp(text, "off")) {
    out = RateLimit{0, 1};
    return true;
  }
  const char *comma = strchr(text, ',');
  if (!comma) return false;
  const std::string burst(text, comma);
  int64_t count = 0, period = 0;
  if (!ParseCount(burst.c_str(), 1, 1000000, count) || !ParseCount(comma + 1, 1, 3600000, period))
    return false;
  out = RateLimit{static_cast<int>(count), period};
  return true;
}
