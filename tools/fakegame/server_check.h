// Before it reports a join, the game can ask the server whether it is there, as a real game client
// does: `getinfo` with a fresh challenge over the q3 query protocol, a few tries within a second.
#pragma once

#include <string>

#include "tools/fakegame/connect_args.h"

namespace fakegame {

struct CServerCheck {
  bool answered = false;
  std::string summary;  // "<name> on <map> (<players>/<limit>)" when it answered
  std::string problem;  // why it did not
};

// Sends at 0, 0.3 and 0.6 s and gives up at 0.9 s: short enough that a server handed over while the
// game runs is answered within the running-game channel's second. Only the queried address and
// port with the challenge sent count as an answer.
CServerCheck CheckServer(const CConnectTarget &target);

}  // namespace fakegame
