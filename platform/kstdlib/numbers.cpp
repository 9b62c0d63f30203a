// Range-checked decimal parsing in the C locale, whatever locale the process has set.
#include <locale.h>

#include <cerrno>
#include <clocale>
#include <cstdint>
#include <cstdlib>

#include "kstdlib/strtools.h"

namespace {

const char *SkipSpace(const char *text) {
  while (*text == ' ' || *text == '\t' || *text == '\n' || *text == '\r' || *text == '\f' || *text == '\v')
    ++text;
  return text;
}

void Report(const char *stop, const char **end, bool overflowed, bool *overflow) {
  if (end) *end = stop;
  if (overflow) *overflow = overflowed;
}

locale_t CLocale() {
  static const locale_t s_CLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return s_CLocale;
}

}  // namespace

int64 V_StringToInt64(const char *text, const char **end, bool *overflow) {
  if (!text) {
    Report(text, end, false, overflow);
    return 0;
  }
  const char *start = SkipSpace(text);
  char *stop = nullptr;
  errno = 0;
  const long long value = strtoll(start, &stop, 10);
  const bool overflowed = errno == ERANGE;
  Report(stop == start ? text : stop, end, overflowed, overflow);
  return value;
}

// A negative text is a signed value stored in an unsigned word: "-1" reads as 0xFFFFFFFFFFFFFFFF,
// so a 64-bit id written as signed text reads back unchanged. Below INT64_MIN is an overflow.
uint64 V_StringToUint64(const char *text, const char **end, bool *overflow) {
  if (!text) {
    Report(text, end, false, overflow);
    return 0;
  }
  const char *start = SkipSpace(text);
  if (*start == '-') {
    return static_cast<uint64>(V_StringToInt64(text, end, overflow));
  }
  char *stop = nullptr;
  errno = 0;
  const unsigned long long value = strtoull(start, &stop, 10);
  const bool overflowed = errno == ERANGE;
  Report(stop == start ? text : stop, end, overflowed, overflow);
  return value;
}

double V_StringToDouble(const char *text, const char **end) {
  if (!text) {
    if (end) *end = text;
    return 0.0;
  }
  const char *start = SkipSpace(text);
  char *stop = nullptr;
  const locale_t cLocale = CLocale();
  const double value = cLocale ? strtod_l(start, &stop, cLocale) : strtod(start, &stop);
  if (end) *end = stop == start ? text : stop;
  return value;
}
