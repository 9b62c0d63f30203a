// The servers a farm runs: read from the "servers" block of a world file (with the "apps" block
// naming each application's game name and protocol), or made up in bulk for benchmarks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/serverfarm/server_answers.h"

struct FarmServerSetup {
  uint32_t m_unIP = 0;      // host order; always in 127.0.0.0/8
  uint16_t m_usPort = 0;    // 0: the kernel picks one
  ServerView m_View;        // the players are the starting roster
  int m_nLatencyMs = 0;     // reply delay
  bool m_bSilent = false;   // answers no one but its masters' challenges
  bool m_bLanOnly = false;  // listed on the LAN alone: like a LAN game server, it never heartbeats
  int m_nChurnSeconds = 0;  // a player joins or leaves this often (0: never)
  // Both above 0: the server is up for the first, then gone for the second, over and over.
  int m_nUpSeconds = 0;
  int m_nDownSeconds = 0;
};

// Reads `path`. False with `errors` when the file cannot be read, a server cannot be read, or a
// server is not on a loopback address (the farm never listens anywhere else).
bool LoadFarmWorld(const std::string &path, std::vector<FarmServerSetup> &out, std::string &errors);

struct GeneratedFarm {
  int m_nCount = 0;
  uint16_t m_usPort = 0;  // every server's port; 0: the kernel picks
  std::string m_GameName = "Loopfield";
  int m_nProtocol = 71;
};
// `m_nCount` servers at 127.0.x.y (x from 1, y 1 to 250), with varied names, maps and players.
std::vector<FarmServerSetup> GenerateFarm(const GeneratedFarm &farm);

// A name for the `index`th player who joins a server, from a fixed pool.
std::string FarmPlayerName(uint64_t index);
// The ping a human player shows, from a fixed spread.
int FarmPlayerPing(uint64_t index);
