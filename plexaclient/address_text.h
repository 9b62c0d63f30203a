// Literal IPv4 addresses as the configuration and the server store write them: "a.b.c.d:port".
#pragma once

#include <string>

#include "tier0/platform.h"

// Parses "a.b.c.d" or "a.b.c.d:port" strictly (no host names, no spaces, port 1-65535). `port` is
// left untouched when the text has none.
bool ParseIPv4(const char *text, uint32 &ip, uint16 &port);
// "a.b.c.d:port".
std::string FormatIPv4(uint32 ip, uint16 port);
