#include "plexaclient/address_text.h"

#include <cstdio>

namespace {

// Reads up to `maxValue` as decimal digits only; advances `text`.
bool ReadNumber(const char *&text, uint32 maxValue, uint32 &value) {
  if (*text < '0' || *text > '9') return false;
  uint64 result = 0;
  while (*text >= '0' && *text <= '9') {
    result = result * 10 + static_cast<uint64>(*text - '0');
    if (result > maxValue) return false;
    ++text;
  }
  value = static_cast<uint32>(result);
  return true;
}

}  // namespace

bool ParseIPv4(const char *text, uint32 &ip, uint16 &port) {
  if (!text) return false;
  uint32 address = 0;
  for (int octet = 0; octet < 4; ++octet) {
    uint32 value = 0;
    if (!ReadNumber(text, 255, value)) return false;
    address = (address << 8) | value;
    if (octet < 3 && *text++ != '.') return false;
  }
  uint32 portValue = port;
  if (*text == ':') {
    ++text;
    if (!ReadNumber(text, 65535, portValue) || portValue == 0) return false;
  }
  if (*text != '\0') return false;
  ip = address;
  port = static_cast<uint16>(portValue);
  return true;
}

std::string FormatIPv4(uint32 ip, uint16 port) {
  char text[32];
  snprintf(text, sizeof(text), "%u.%u.%u.%u:%u", (ip >> 24) & 0xFF, (ip >> 16) & 0xFF, (ip >> 8) & 0xFF, ip & 0xFF,
           static_cast<unsigned>(port));
  return text;
}
