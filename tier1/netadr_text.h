// Text forms of addresses: the numeric parsers and the canonical IPv6 printer behind netadr_t.
#pragma once

#include <cstddef>

#include "tier0/platform.h"

namespace netadr_text {

enum class DottedResult {
  NotDotted,   // fewer than four numbers: not a dotted address
  Parsed,      // four numbers in 0-255 and a port (0 when absent) in 0-65535
  OutOfRange,  // four numbers were read but a part or the port is out of range
};

// Reads "a.b.c.d[:port]" the way a formatted scan of "%d.%d.%d.%d:%d" reads numbers (leading white
// space and a sign accepted, text after the last number read ignored), but with every number
// range-checked instead of overflowing.
DottedResult ParseDotted(const char *text, uint8 parts[4], uint16 *port);

struct IPv6Text {
  uint8 bytes[16] = {};
  uint32 scope = 0;
  bool hasPort = false;
  uint16 port = 0;
};

// Reads an IPv6 address: optional "[...]", "%scope", and a port after ":", "#", ".", "p", "P" or
// the word "port". False on anything else, including a port above 65535.
bool ParseIPv6(const char *text, IPv6Text *out);

// Reads a whole text of decimal digits as a port; empty text reads as port 0. False when the
// text holds anything but digits or the value is above 65535.
bool ParsePortText(const char *text, uint16 *port);

// Canonical (RFC 5952) text of 16 address bytes in network order: lowercase hexadecimal groups
// without leading zeros, the first longest run of two or more zero groups written "::".
// Writes at most size - 1 characters and a NUL.
void FormatIPv6(const uint8 bytes[16], char *dest, size_t size);

}  // namespace netadr_text
