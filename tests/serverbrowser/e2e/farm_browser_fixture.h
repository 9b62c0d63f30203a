// The browser in the real host with the services on the network, against servers of the farm on
// loopback: one invented game, every farm server a favourite of the user.
#pragma once

#include <string>
#include <vector>

#include "browser_e2e_fixture.h"
#include "tests/serverfarm/farm_processes.h"

struct FarmServer {
  std::string name;
  std::string map;
  std::vector<std::string> players;  // their names, the farm's player list
};

class FarmBrowserTest : public BrowserEndToEndTest {
 protected:
  ~FarmBrowserTest() override;

  // The farm with `servers` at 127.0.`subnet`.x; their bound addresses in m_Addresses, in order.
  void StartFarm(const std::vector<FarmServer> &servers, int subnet);
  // The services on the network, every farm server a favourite of the user.
  void WriteFavoritesWorld();
  // The application catalogue the farm's servers and the services share.
  static std::string Apps();

  CChildProcess m_Farm;
  std::vector<std::string> m_Addresses;
};
