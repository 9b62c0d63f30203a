#include "tier1/netadr_text.h"

#include <cstring>

#include "kstdlib/strtools.h"

namespace netadr_text {
namespace {

constexpr uint32 kMaxPort = 65535;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}
// White space as the C locale's formatted scan skips it.
bool IsScanSpace(char c) {
  return IsBlank(c) || (c >= '\n' && c <= '\r');
}

int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

const char *SkipBlanks(const char *p) {
  while (IsBlank(*p)) ++p;
  return p;
}

// Decimal digits (at least one) into *value, saturating above `limit` so long inputs never
// overflow. Returns the end of the digits, or null when there were none.
const char *ReadDigits(const char *p, uint64 limit, uint64 *value, bool *tooBig) {
  if (!IsDigit(*p)) return nullptr;
  uint64 result = 0;
  *tooBig = false;
  for (; IsDigit(*p); ++p) {
    result = result * 10 + static_cast<uint64>(*p - '0');
    if (result > limit) {
      *tooBig = true;
      result = limit + 1;
    }
  }
  *value = result;
  return p;
}

// One "%d" conversion: white space, an optional sign, digits. Returns the end or null.
const char *ScanInt(const char *p, int64 *value) {
  while (IsScanSpace(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = (*p++ == '-');
  uint64 magnitude = 0;
  bool tooBig = false;
  // Anything above a port is out of range for every field; the cap only keeps it small.
  const char *end = ReadDigits(p, kMaxPort, &magnitude, &tooBig);
  if (!end) return nullptr;
  *value = negative ? -static_cast<int64>(magnitude) : static_cast<int64>(magnitude);
  return end;
}

// Port digits of the IPv6 grammar: digits, at most 65535, then only blanks to the end.
bool ReadTrailingPort(const char *p, uint16 *port) {
  uint64 value = 0;
  bool tooBig = false;
  p = ReadDigits(p, kMaxPort, &value, &tooBig);
  if (!p || tooBig) return false;
  if (*SkipBlanks(p) != '\0') return false;
  *port = static_cast<uint16>(value);
  return true;
}

// The groups of an IPv6 address with at most one "::". Advances *cursor past the address.
bool ReadGroups(const char **cursor, uint8 bytes[16]) {
  uint16 head[8] = {}, tail[8] = {};
  int headCount = 0, tailCount = 0;
  bool compressed = false;
  const char *p = *cursor;
  if (p[0] == ':' && p[1] == ':') {
    compressed = true;
    p += 2;
  }
  while (true) {
    if (HexValue(*p) < 0) {
      // Only "::" may end the address without a group after it.
      if (compressed && p[-1] == ':' && p[-2] == ':') break;
      return false;
    }
    uint32 group = 0;
    int digits = 0;
    for (; HexValue(*p) >= 0; ++p, ++digits) group = group * 16 + static_cast<uint32>(HexValue(*p));
    if (digits > 4 || headCount + tailCount == 8) return false;
    (compressed ? tail[tailCount++] : head[headCount++]) = static_cast<uint16>(group);
    if (p[0] == ':' && p[1] == ':') {
      if (compressed) return false;
      compressed = true;
      p += 2;
    } else if (p[0] == ':') {
      ++p;
    } else {
      break;
    }
  }
  const int written = headCount + tailCount;
  if (compressed ? written > 7 : written != 8) return false;

  uint16 groups[8] = {};
  for (int i = 0; i < headCount; ++i) groups[i] = head[i];
  for (int i = 0; i < tailCount; ++i) groups[8 - tailCount + i] = tail[i];
  for (int i = 0; i < 8; ++i) {
    bytes[2 * i] = static_cast<uint8>(groups[i] >> 8);
    bytes[2 * i + 1] = static_cast<uint8>(groups[i] & 0xff);
  }
  *cursor = p;
  return true;
}

// "%" and a decimal scope id, ended by a blank, "]" or the end of the text.
bool ReadScope(const char **cursor, uint32 *scope) {
  uint64 value = 0;
  bool tooBig = false;
  const char *p = ReadDigits(*cursor + 1, 0xFFFFFFFFu, &value, &tooBig);
  if (!p || tooBig) return false;
  if (!IsBlank(*p) && *p != ']' && *p != '\0') return false;
  *scope = static_cast<uint32>(value);
  *cursor = p;
  return true;
}

// What may follow the address: nothing, or one of the port forms.
bool ReadPortPart(const char *p, IPv6Text *out) {
  p = SkipBlanks(p);
  if (*p == '\0') return true;
  if (V_strnicmp(p, "port", 4) == 0) {
    p = SkipBlanks(p + 4);
  } else if (strchr("#.:pP", *p)) {
    ++p;
  } else {
    return false;
  }
  out->hasPort = true;
  return ReadTrailingPort(p, &out->port);
}

}  // namespace

DottedResult ParseDotted(const char *text, uint8 parts[4], uint16 *port) {
  int64 values[5] = {};
  int count = 0;
  const char *p = text;
  static const char kSeparators[] = "...:";
  while (count < 5) {
    p = ScanInt(p, &values[count]);
    if (!p) break;
    ++count;
    if (count == 5 || *p != kSeparators[count - 1]) break;
    ++p;
  }
  if (count < 4) return DottedResult::NotDotted;
  for (int i = 0; i < 4; ++i) {
    if (values[i] < 0 || values[i] > 255) return DottedResult::OutOfRange;
    parts[i] = static_cast<uint8>(values[i]);
  }
  if (values[4] < 0 || values[4] > static_cast<int64>(kMaxPort)) return DottedResult::OutOfRange;
  *port = static_cast<uint16>(values[4]);
  return DottedResult::Parsed;
}

bool ParseIPv6(const char *text, IPv6Text *out) {
  *out = IPv6Text{};
  const char *p = SkipBlanks(text);
  const bool bracketed = (*p == '[');
  if (bracketed) p = SkipBlanks(p + 1);
  if (!ReadGroups(&p, out->bytes)) return false;
  if (*p == '%' && !ReadScope(&p, &out->scope)) return false;
  if (bracketed) {
    p = SkipBlanks(p);
    if (*p != ']') return false;
    ++p;
  }
  return ReadPortPart(p, out);
}

bool ParsePortText(const char *text, uint16 *port) {
  if (*text == '\0') {
    *port = 0;
    return true;
  }
  uint64 value = 0;
  bool tooBig = false;
  const char *end = ReadDigits(text, kMaxPort, &value, &tooBig);
  if (!end || tooBig || *end != '\0') return false;
  *port = static_cast<uint16>(value);
  return true;
}

void FormatIPv6(const uint8 bytes[16], char *dest, size_t size) {
  uint32 groups[8];
  for (int i = 0; i < 8; ++i) groups[i] = (static_cast<uint32>(bytes[2 * i]) << 8) | bytes[2 * i + 1];

  // The first longest run of at least two zero groups becomes "::".
  int bestStart = -1, bestLength = 1;
  for (int i = 0; i < 8;) {
    int length = 0;
    while (i + length < 8 && groups[i + length] == 0) ++length;
    if (length > bestLength) {
      bestStart = i;
      bestLength = length;
    }
    i += length ? length : 1;
  }

  char text[48] = {};
  size_t used = 0;
  for (int i = 0; i < 8; ++i) {
    if (i == bestStart) {
      used += static_cast<size_t>(V_snprintf(text + used, sizeof(text) - used, "::"));
      i += bestLength - 1;
      continue;
    }
    const bool afterGap = (bestStart >= 0 && i == bestStart + bestLength);
    const char *separator = (i == 0 || afterGap) ? "" : ":";
    used += static_cast<size_t>(V_snprintf(text + used, sizeof(text) - used, "%s%x", separator, groups[i]));
  }
  V_strncpy(dest, text, size);
}

}  // namespace netadr_text
