#include "farm_browser_fixture.h"

FarmBrowserTest::~FarmBrowserTest() {
  m_Farm.Stop();
}

void FarmBrowserTest::StartFarm(const std::vector<FarmServer> &servers, int subnet) {
  std::string world;
  for (size_t i = 0; i < servers.size(); ++i) {
    std::string players;
    for (const std::string &player : servers[i].players)
      players += " \"player\" { \"name\" \"" + player + "\" \"score\" \"4\" }";
    world += "\"server\" { \"address\" \"127.0." + std::to_string(subnet) + "." + std::to_string(i + 1) +
             ":0\" \"appid\" \"1002\" \"name\" \"" + servers[i].name + "\" \"map\" \"" + servers[i].map +
             "\" \"players\" \"" + std::to_string(servers[i].players.size()) +
             "\" \"maxplayers\" \"12\" \"playerlist\" {" + players + " } }\n";
  }
  WriteWholeFile(File("farm.vdf"), "\"PlexaClient\" {\n" + Apps() + "\"servers\" {\n" + world + "} }\n");
  ASSERT_TRUE(m_Farm.Start(
      "serverfarm", {"--world", File("farm.vdf"), "--addresses", File("farm.txt"), "--max-seconds", "120"},
      File("farm.log")));
  for (const std::string &line : WaitForLines(File("farm.txt"), 5000))
    m_Addresses.push_back(line.substr(0, line.find_first_of(" \t")));
  ASSERT_EQ(m_Addresses.size(), servers.size()) << ReadWholeFile(File("farm.log"));
}

void FarmBrowserTest::WriteFavoritesWorld() {
  std::string stored;
  for (const std::string &address : m_Addresses)
    stored += "\"server\" { \"appid\" \"1002\" \"address\" \"" + address + "\" \"flags\" \"1\" }\n";
  WriteWorld("\"PlexaClient\" {\n\"user\" { \"configfolder\" \"@USERDIR@\" \"stored\" {\n" + stored +
             "} }\n\"backend\" \"network\"\n" + Apps() +
             "\"network\" { \"bind\" \"127.0.0.1\" \"lan\" { \"target\" \"127.0.0.1:" +
             std::to_string(UnusedUdpPort()) + "\" } }\n}\n");
}

std::string FarmBrowserTest::Apps() {
  return "\"apps\" { \"1002\" { \"gamedir\" \"ridgeline\" \"serverbrowsername\" \"Ridgeline\" "
         "\"query\" { \"gamename\" \"Ridgeline\" \"protocol\" \"71\" } } }\n";
}
