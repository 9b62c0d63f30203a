// The farm and the master as processes on loopback: the farm's servers heartbeat to the master,
// the master lists every one, each answers our client's queries as the world describes it, and
// quakestat (an outside client) sees the same through our master.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <sstream>

#include "farm_processes.h"
#include "plexaclient/net/q3_protocol.h"
#include "support/temp_dir.h"

namespace {

// Servers on ports the kernel picks, and one address on the add-server dialog's common ports.
const char *const kWorld = R"(
"PlexaClient"
{
  "apps" { "310" { "gamedir" "ironbase" "query" { "gamename" "Ironclad" "protocol" "71" } } }
  "servers"
  {
    "server" { "address" "127.0.66.1:0" "appid" "310" "name" "^1Amber^7 Hall" "map" "lx_dune" "maxplayers" "12"
               "playerlist" { "player" { "name" "Quill" "score" "12" } "player" { "name" "Brisk" "score" "3" } } }
    "server" { "address" "127.0.66.2:0" "appid" "310" "name" "Slate Yard" "map" "lx_quay" "players" "5" "bots" "2" "maxplayers" "5" }
    "server" { "address" "127.0.66.3:0" "appid" "310" "name" "Empty Mill" "map" "lx_mill" "players" "0" "maxplayers" "8" }
    "server" { "address" "127.0.66.4:0" "appid" "310" "name" "Quiet One" "map" "lx_mill" "silent" "1" }
    "server" { "address" "127.0.66.9:27015" "appid" "310" "name" "Port 27015" "map" "lx_dune" }
    "server" { "address" "127.0.66.9:26900" "appid" "310" "name" "Port 26900" "map" "lx_dune" }
    "server" { "address" "127.0.66.9:4242" "appid" "310" "name" "Port 4242" "map" "lx_dune" }
    "server" { "address" "127.0.66.9:27215" "appid" "310" "name" "Port 27215" "map" "lx_dune" }
  }
})";

struct Expected {
  const char *name;
  const char *map;
  int players, bots, limit;
};
const Expected kExpected[] = {
    {"Amber Hall", "lx_dune", 2, 0, 12}, {"Slate Yard", "lx_quay", 5, 2, 5},
    {"Empty Mill", "lx_mill", 0, 0, 8},  {"Quiet One", "lx_mill", 0, 0, 16},
    {"Port 27015", "lx_dune", 0, 0, 16}, {"Port 26900", "lx_dune", 0, 0, 16},
    {"Port 4242", "lx_dune", 0, 0, 16},  {"Port 27215", "lx_dune", 0, 0, 16},
};
constexpr size_t kSilent = 3;

std::set<std::string> Texts(const std::vector<NetAddress> &addresses) {
  std::set<std::string> texts;
  for (const NetAddress &address : addresses) texts.insert(address.ToString());
  return texts;
}

class FarmEndToEnd : public testing::Test {
 protected:
  void SetUp() override {
    WriteWholeFile(m_Dir.File("world.vdf"), kWorld);
    ASSERT_TRUE(m_Master.Start(
        "servermaster",
        {"--listen", "127.0.0.1:0", "--addresses", m_Dir.File("master.txt"), "--max-seconds", "60"},
        m_Dir.File("master.log")));
    const std::vector<std::string> master = WaitForLines(m_Dir.File("master.txt"), 5000);
    ASSERT_EQ(master.size(), 1u);
    m_MasterAddress = Endpoint(master[0]);
    ASSERT_TRUE(m_Farm.Start("serverfarm",
                             {"--world", m_Dir.File("world.vdf"), "--master", master[0], "--addresses",
                              m_Dir.File("farm.txt"), "--max-seconds", "60"},
                             m_Dir.File("farm.log")));
    m_Servers = WaitForLines(m_Dir.File("farm.txt"), 5000);
    ASSERT_EQ(m_Servers.size(), std::size(kExpected)) << ReadWholeFile(m_Dir.File("farm.log"));
    EXPECT_EQ(m_Servers[4], "127.0.66.9:27015");
    // Registration takes a heartbeat, a challenge and an answer: wait until every server is listed.
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    do {
      m_Listed =
          AskMaster(m_Client, m_MasterAddress, "\xff\xff\xff\xffgetservers Ironclad 71 empty full", 1000)
              .value_or(std::vector<NetAddress>());
    } while (m_Listed.size() < m_Servers.size() && std::chrono::steady_clock::now() < end);
  }

  TempDir m_Dir;
  CChildProcess m_Master, m_Farm;
  NetAddress m_MasterAddress;
  std::vector<std::string> m_Servers;
  std::vector<NetAddress> m_Listed;
  CUdpClient m_Client;
};

TEST_F(FarmEndToEnd, MasterListsEveryServerAndEachAnswersOurClient) {
  EXPECT_EQ(Texts(m_Listed), std::set<std::string>(m_Servers.begin(), m_Servers.end()));
  const IProtocolFamily &family = Q3ProtocolFamily();
  CProtocolCatalogue catalogue;
  catalogue.Add("q3", "Ironclad", 71, {310, "ironbase", "Ironclad Arena"});
  for (size_t i = 0; i < m_Servers.size(); ++i) {
    const NetAddress server = Endpoint(m_Servers[i]);
    const Expected &expected = kExpected[i];
    std::string request;
    ASSERT_TRUE(family.BuildInfoRequest("info" + std::to_string(i), request));
    m_Client.Send(server, request);
    NetAddress from;
    const std::optional<std::string> answer = m_Client.Receive(i == kSilent ? 300 : 2000, &from);
    if (i == kSilent) {
      EXPECT_FALSE(answer) << "a silent server answered";
      continue;
    }
    ASSERT_TRUE(answer) << m_Servers[i];
    EXPECT_TRUE(from == server);
    ServerInfo_t info;
    ASSERT_EQ(family.DecodeInfo(*answer, "info" + std::to_string(i), server.IPv4(), server.m_usPort,
                                catalogue, info),
              EPacketVerdict::Accepted);
    EXPECT_STREQ(info.m_Record.m_szServerName, expected.name);
    EXPECT_STREQ(info.m_Record.m_szMapName, expected.map);
    EXPECT_EQ(info.m_Record.m_nPlayerCount, expected.players);
    EXPECT_EQ(info.m_Record.m_nBotCount, expected.bots);
    EXPECT_EQ(info.m_Record.m_nPlayerLimit, expected.limit);
    EXPECT_EQ(info.m_Record.m_nAppId, 310u);

    ASSERT_TRUE(family.BuildStatusRequest("status" + std::to_string(i), request));
    m_Client.Send(server, request);
    const std::optional<std::string> status = m_Client.Receive(2000);
    ASSERT_TRUE(status);
    ServerStatus_t players;
    ASSERT_EQ(family.DecodeStatus(*status, "status" + std::to_string(i), players), EPacketVerdict::Accepted);
    EXPECT_EQ(players.m_Players.size(), static_cast<size_t>(expected.players));
  }
  // Stopped, the farm leaves cleanly and its servers go silent.
  EXPECT_EQ(m_Farm.Stop(), 0);
  std::string request;
  family.BuildInfoRequest("late", request);
  m_Client.Send(Endpoint(m_Servers[0]), request);
  EXPECT_FALSE(m_Client.Receive(200));
  EXPECT_NE(ReadWholeFile(m_Dir.File("farm.log")).find("serverfarm: stopped;"), std::string::npos);
}

// quakestat's raw output: per server its line (type, address, name, map, max, players, ping,
// retries) and its player lines.
struct StatServer {
  std::string name, map;
  int limit = -1, players = -1;
  size_t playerLines = 0;
};

TEST_F(FarmEndToEnd, QuakestatListsEveryServerThroughOurMaster) {
  if (system("command -v quakestat > /dev/null 2>&1") != 0) {
    const char *ci = getenv("CI");
    if (ci && std::string(ci) == "true") FAIL() << "quakestat is missing (the setup script installs it)";
    GTEST_SKIP() << "quakestat is not installed";
  }
  ASSERT_EQ(m_Listed.size(), m_Servers.size());
  const std::string command =
      "timeout 30 quakestat -q3m,71 " + m_MasterAddress.ToString() + " -raw , -nh -P 2>&1";
  FILE *pipe = popen(command.c_str(), "r");
  ASSERT_TRUE(pipe);
  std::string output;
  char buffer[4096];
  for (size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, got);
  EXPECT_EQ(pclose(pipe), 0) << output;

  std::map<std::string, StatServer> seen;
  std::string current;
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    std::vector<std::string> fields;
    std::istringstream split(line);
    for (std::string field; std::getline(split, field, ',');) fields.push_back(field);
    if (fields.empty()) {
      current.clear();
    } else if (fields[0] == "Q3M") {
      ASSERT_EQ(fields.size(), 3u) << line;
      EXPECT_EQ(fields[2], std::to_string(m_Servers.size())) << line;
    } else if (fields[0] == "Q3S") {
      ASSERT_GE(fields.size(), 3u) << line;
      current = fields[1];
      StatServer &server = seen[current];
      if (fields.size() >= 6) {
        server = {fields[2], fields[3], atoi(fields[4].c_str()), atoi(fields[5].c_str()), 0};
      }
    } else if (!current.empty()) {
      ++seen[current].playerLines;
    }
  }
  ASSERT_EQ(seen.size(), m_Servers.size()) << output;
  for (size_t i = 0; i < m_Servers.size(); ++i) {
    const StatServer &server = seen[m_Servers[i]];
    if (i == kSilent) continue;  // listed by the master, but it answers no one else
    EXPECT_EQ(server.name, kExpected[i].name) << output;
    EXPECT_EQ(server.map, kExpected[i].map);
    EXPECT_EQ(server.limit, kExpected[i].limit);
    EXPECT_EQ(server.players, kExpected[i].players);
    EXPECT_EQ(server.playerLines, static_cast<size_t>(kExpected[i].players));
  }
}

TEST(FarmProcesses, RefuseAnythingOffLoopback) {
  TempDir dir;
  WriteWholeFile(dir.File("outside.vdf"),
                 R"("w" { "servers" { "server" { "address" "198.51.100.7:27015" } } })");
  struct Case {
    const char *tool;
    std::vector<std::string> args;
    const char *message;
  } cases[] = {
      {"serverfarm", {"--world", dir.File("outside.vdf")}, "is not on loopback"},
      {"serverfarm", {"--generate", "2", "--master", "192.0.2.1:27950"}, "is not on loopback"},
      {"servermaster", {"--listen", "0.0.0.0:0"}, "is not on loopback"},
      {"servermaster", {"--listen", "[::]:0"}, "is not on loopback"},
      {"serverfarm", {"--generate", "0"}, "--generate takes"},
  };
  for (const Case &c : cases) {
    CChildProcess child;
    ASSERT_TRUE(child.Start(c.tool, c.args, dir.File("refused.log")));
    EXPECT_EQ(child.WaitExit(5000), 2) << c.tool << " " << c.args[1];
    EXPECT_NE(ReadWholeFile(dir.File("refused.log")).find(c.message), std::string::npos)
        << ReadWholeFile(dir.File("refused.log"));
  }
}

}  // namespace
