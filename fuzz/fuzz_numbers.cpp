// Number parsing on arbitrary text. The integer readers are checked against a plain reading of
// the decimal form written here (blanks, a sign, digits, clamped at the ends of the range); the
// float reader must stop where the C reader stops and give the same value; the key/value readers
// built on them must agree with them about the value and about a partial conversion.
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "kstdlib/strtools.h"
#include "support/fuzz_support.h"
#include "tier1/KeyValues.h"

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

struct Reading {
  bool negative = false;
  bool any = false;     // at least one digit
  bool tooBig = false;  // the magnitude passed 2^64 - 1
  unsigned __int128 magnitude = 0;
  size_t stop = 0;  // where the digits end (0 when none)
};

Reading ReadDecimal(const char *text) {
  Reading reading;
  size_t i = 0;
  while (IsBlank(text[i])) ++i;
  if (text[i] == '+' || text[i] == '-') reading.negative = text[i++] == '-';
  for (; text[i] >= '0' && text[i] <= '9'; ++i) {
    reading.any = true;
    if (!reading.tooBig) {
      reading.magnitude = reading.magnitude * 10 + static_cast<unsigned>(text[i] - '0');
      if (reading.magnitude > std::numeric_limits<uint64>::max()) reading.tooBig = true;
    }
  }
  if (reading.any) reading.stop = i;
  return reading;
}

void CheckSigned(const char *text, const Reading &reading) {
  const char *end = nullptr;
  bool overflow = false;
  const int64 value = V_StringToInt64(text, &end, &overflow);
  if (end != text + reading.stop) abort();
  const unsigned __int128 limit = reading.negative ? (static_cast<unsigned __int128>(1) << 63)
                                                   : static_cast<unsigned __int128>(INT64_MAX);
  const bool expectOverflow = reading.tooBig || reading.magnitude > limit;
  if (overflow != expectOverflow) abort();
  int64 expected = 0;
  if (expectOverflow) {
    expected = reading.negative ? INT64_MIN : INT64_MAX;
  } else if (reading.negative) {
    expected = reading.magnitude == limit ? INT64_MIN : -static_cast<int64>(reading.magnitude);
  } else {
    expected = static_cast<int64>(reading.magnitude);
  }
  if (value != expected) abort();

  // The 32-bit key/value reading clamps the same value and says whether text was left over.
  KeyValues::ConversionStatus status = KeyValues::Success;
  const int narrow = KeyValues::GetIntFromString(text, -7, &status);
  if (!*text) {
    if (narrow != -7 || status != KeyValues::EmptyString) abort();
    return;
  }
  const int64 clamped = std::min<int64>(std::max<int64>(value, INT32_MIN), INT32_MAX);
  if (narrow != clamped) abort();
  if ((status == KeyValues::PartialConversion) != (*end != '\0')) abort();
}

void CheckUnsigned(const char *text, const Reading &reading) {
  const char *end = nullptr;
  bool overflow = false;
  const uint64 value = V_StringToUint64(text, &end, &overflow);
  if (end != text + reading.stop) abort();
  if (reading.negative) {
    // Signed text read into an unsigned word: the two's complement of the signed reading.
    const int64 asSigned = V_StringToInt64(text, nullptr, nullptr);
    if (value != static_cast<uint64>(asSigned)) abort();
    return;
  }
  if (overflow != reading.tooBig) abort();
  if (value != (reading.tooBig ? UINT64_MAX : static_cast<uint64>(reading.magnitude))) abort();
}

void CheckDouble(const char *text) {
  const char *end = nullptr;
  const double value = V_StringToDouble(text, &end);
  if (end < text || end > text + strlen(text)) abort();
  char *cEnd = nullptr;
  const double expected = strtod(text, &cEnd);
  const char *expectedEnd = cEnd == text ? text : cEnd;
  // strtod skips the blanks of the locale; the C locale's set is the one read here.
  if (end != expectedEnd) abort();
  if (std::isnan(expected) ? !std::isnan(value) : std::memcmp(&value, &expected, sizeof(value)) != 0) abort();

  KeyValues::ConversionStatus status = KeyValues::Success;
  const float narrow = KeyValues::GetFloatFromString(text, 0.5f, &status);
  if (*text && (status == KeyValues::PartialConversion) != (*end != '\0')) abort();
  if (*text && !std::isnan(value) && std::isfinite(value) &&
      std::fabs(value) <= std::numeric_limits<float>::max() && narrow != static_cast<float>(value))
    abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  fuzzsupport::SilenceReports();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size > 4096) return 0;
  const std::string text = fuzzsupport::AsText(data, size);
  const Reading reading = ReadDecimal(text.c_str());
  CheckSigned(text.c_str(), reading);
  CheckUnsigned(text.c_str(), reading);
  CheckDouble(text.c_str());
  return 0;
}
