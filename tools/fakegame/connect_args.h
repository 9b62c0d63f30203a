// What fakegame makes of its arguments and of console text: the server it is told to join and
// a copy of its command line fit for a log.
#pragma once

#include <string>
#include <vector>

#include "tier0/platform.h"

namespace fakegame {

// The server the game is told to join.
struct CConnectTarget {
  uint32 ip = 0;
  uint16 port = 0;       // 0: no server found
  std::string password;  // "" when none
  std::string problem;   // set when a server was asked for but cannot be joined
  bool Found() const { return port != 0 && problem.empty(); }
  // "a.b.c.d:port".
  std::string Address() const;
};

// Finds the server among the words: "+connect a.b.c.d:port" (a "+password <text>" anywhere goes
// with it), or one word "a.b.c.d:port" with an optional "?password=<text>" (further "&name=value"
// pairs are ignored). The first server named wins. An address after "+connect" that cannot be
// read, or a password holding control characters, sets `problem`.
CConnectTarget FindConnectTarget(const std::vector<std::string> &words);

// Reads one connect request of the running-game channel: "a.b.c.d:port" and its password.
CConnectTarget TargetFromRequest(const std::string &address, const std::string &password);

// The words joined by spaces for a log line: passwords shown as "********", control characters
// escaped.
std::string ShownCommandLine(const std::vector<std::string> &words);

// Splits console text into words at white space; double quotes group, a backslash keeps the next
// character (as the host splits a command line).
std::vector<std::string> SplitConsoleText(const std::string &text);

}  // namespace fakegame
