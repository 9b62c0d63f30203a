// The farm's servers without sockets: reply delay, silence, up/down cycles, rate limits, the send
// cap, heartbeats, player churn, and reading a world file.
#include "tools/serverfarm/server_farm.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "tools/serverfarm/farm_world.h"
#include "tools/serverfarm/master_protocol.h"

namespace {

const std::string kMarker("\xff\xff\xff\xff");
const NetAddress kClient = NetAddress::FromIPv4(0x7F000001u, 5000);
const NetAddress kMaster = NetAddress::FromIPv4(0x7F000001u, 27950);

FarmServerSetup ServerSetup(int latencyMs = 0) {
  FarmServerSetup setup;
  setup.m_unIP = 0x7F000101u;
  setup.m_View.m_HostName = "Tarnwell";
  setup.m_View.m_GameName = "Ironclad";
  setup.m_View.m_nMaxClients = 4;
  setup.m_nLatencyMs = latencyMs;
  return setup;
}

FarmSettings NoLimits() {
  FarmSettings settings;
  settings.m_PerSource = RateLimit{0, 1};
  settings.m_PerServer = RateLimit{0, 1};
  settings.m_nMaxRepliesPerSecond = 0;
  settings.m_nMaxBytesPerSecond = 0;
  return settings;
}

std::vector<FarmSend> Collect(CServerFarm &farm, int64_t nowMs) {
  std::vector<FarmSend> out;
  farm.Collect(nowMs, out);
  return out;
}

size_t Answers(CServerFarm &farm, size_t server, const NetAddress &from, int count, int64_t nowMs) {
  for (int i = 0; i < count; ++i)
    farm.OnDatagram(server, kMarker + "getinfo x" + std::to_string(i), from, nowMs);
  return Collect(farm, nowMs).size();
}

TEST(ServerFarm, AnswersAfterTheServersDelay) {
  CServerFarm farm({ServerSetup(40), ServerSetup(0)}, NoLimits(), 0);
  farm.OnDatagram(0, kMarker + "getinfo slow", kClient, 10);
  farm.OnDatagram(1, kMarker + "getstatus fast", kClient, 10);
  farm.OnDatagram(1, "getinfo no-marker", kClient, 10);
  std::vector<FarmSend> out = Collect(farm, 10);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].m_nServer, 1u);
  EXPECT_TRUE(out[0].m_Bytes.starts_with(kMarker + "statusResponse\n\\challenge\\fast"));
  EXPECT_EQ(farm.NextWakeMs(20), 50);
  EXPECT_TRUE(Collect(farm, 49).empty());
  out = Collect(farm, 50);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_TRUE(out[0].m_To == kClient);
  EXPECT_TRUE(out[0].m_Bytes.ends_with("\\challenge\\slow"));
  EXPECT_EQ(farm.Counter(k_FarmDroppedMalformed), 1u);
}

TEST(ServerFarm, SilentDownAndSinglePlayerServersDoNotAnswer) {
  FarmServerSetup silent = ServerSetup(), cycling = ServerSetup(), single = ServerSetup();
  silent.m_bSilent = true;
  cycling.m_nUpSeconds = 2;
  cycling.m_nDownSeconds = 1;
  single.m_View.m_nGameType = 2;
  FarmSettings settings = NoLimits();
  settings.m_Masters = {kMaster};
  CServerFarm farm({silent, cycling, single}, settings, 0);
  Collect(farm, 0);  // the first heartbeats
  EXPECT_EQ(Answers(farm, 0, kClient, 1, 0), 0u);
  EXPECT_EQ(Answers(farm, 0, kMaster, 1, 0), 1u);  // its master still hears it
  EXPECT_EQ(Answers(farm, 1, kClient, 1, 1999), 1u);
  EXPECT_EQ(Answers(farm, 1, kClient, 1, 2000), 0u);
  EXPECT_FALSE(farm.IsUp(1, 2500));
  // Back up: it answers and heartbeats again, as a server that loaded its map.
  std::vector<FarmSend> out = Collect(farm, 3000);
  EXPECT_EQ(std::count_if(out.begin(), out.end(), [](const FarmSend &send) { return send.m_nServer == 1; }),
            1);
  EXPECT_EQ(Answers(farm, 1, kClient, 1, 3000), 1u);
  EXPECT_EQ(Answers(farm, 2, kClient, 1, 3000), 0u);
  farm.OnDatagram(2, kMarker + "getstatus", kClient, 3000);
  EXPECT_EQ(Collect(farm, 3000).size(), 1u);
  EXPECT_EQ(farm.Counter(k_FarmDroppedSilent), 3u);
}

TEST(ServerFarm, KeepsTheRateLimitsOfAServer) {
  FarmSettings settings;  // the defaults: 10 then 1/s per source, 10 then 1/100 ms per server
  CServerFarm farm({ServerSetup(), ServerSetup()}, settings, 0);
  EXPECT_EQ(Answers(farm, 0, kClient, 15, 0), 10u);
  // Another port of the same address gets nothing; another server has limits of its own.
  EXPECT_EQ(Answers(farm, 0, NetAddress::FromIPv4(0x7F000001u, 5001), 1, 0), 0u);
  EXPECT_EQ(Answers(farm, 1, kClient, 1, 0), 1u);
  EXPECT_EQ(Answers(farm, 0, kClient, 2, 1000), 1u);
  EXPECT_EQ(farm.Counter(k_FarmDroppedSource), 7u);

  // The whole server: ten at once from ten addresses, then one per 100 ms.
  CServerFarm busy({ServerSetup()}, settings, 0);
  size_t answered = 0;
  for (uint32_t source = 0; source < 12; ++source)
    answered += Answers(busy, 0, NetAddress::FromIPv4(0x7F000200u + source, 4000), 1, 0);
  EXPECT_EQ(answered, 10u);
  EXPECT_EQ(Answers(busy, 0, NetAddress::FromIPv4(0x7F000300u, 4000), 1, 100), 1u);
  EXPECT_EQ(busy.Counter(k_FarmDroppedServer), 2u);

  // The farm-wide cap counts every server's answers.
  FarmSettings capped = NoLimits();
  capped.m_nMaxRepliesPerSecond = 3;
  CServerFarm farmCapped({ServerSetup(), ServerSetup()}, capped, 0);
  EXPECT_EQ(Answers(farmCapped, 0, kClient, 2, 0) + Answers(farmCapped, 1, kClient, 2, 0), 3u);
  EXPECT_EQ(Answers(farmCapped, 1, kClient, 1, 1000), 1u);
  EXPECT_EQ(farmCapped.Counter(k_FarmDroppedCap), 1u);
}

TEST(ServerFarm, HeartbeatsOnLoadRegularlyOnEventsAndTwiceAtShutdown) {
  FarmSettings settings = NoLimits();
  const NetAddress second = NetAddress::FromIPv4(0x7F000001u, 27951);
  settings.m_Masters = {kMaster, second};
  settings.m_nHeartbeatSeconds = 10;
  FarmServerSetup q3 = ServerSetup(), churning = ServerSetup();
  q3.m_View.m_GameName = std::string(k_szQ3DefaultGame);
  churning.m_nChurnSeconds = 1;
  CServerFarm farm({q3, churning}, settings, 0);
  std::vector<FarmSend> out = Collect(farm, 0);
  ASSERT_EQ(out.size(), 4u);
  EXPECT_EQ(out[0].m_Bytes, kMarker + "heartbeat QuakeArena-1\n");
  EXPECT_TRUE(out[1].m_To == second);
  EXPECT_EQ(out[2].m_Bytes, kMarker + "heartbeat DarkPlaces\n");
  // The empty server gets its first player after a second and tells its masters.
  out = Collect(farm, 1001);
  ASSERT_EQ(farm.View(1).m_Players.size(), 1u);
  EXPECT_EQ(out.size(), 2u);
  // Full: it tells them again; then it frees a slot.
  for (int64_t t = 2001; farm.View(1).m_Players.size() < 4 && t < 60000; t += 1000) Collect(farm, t);
  ASSERT_EQ(farm.View(1).m_Players.size(), 4u);
  EXPECT_GE(farm.Counter(k_FarmHeartbeats), 8u);
  int64_t t = 60000;
  for (; farm.View(1).m_Players.size() == 4 && t < 63000; t += 1000) Collect(farm, t);
  EXPECT_EQ(farm.View(1).m_Players.size(), 3u);
  // The console's heartbeat, then shutdown.
  farm.HeartbeatAll(t);
  EXPECT_EQ(Collect(farm, t + 1).size(), 4u);
  out.clear();
  farm.Shutdown(t + 2, out);
  EXPECT_EQ(out.size(), 8u);

  // A server of the LAN alone never tells a master of itself.
  FarmServerSetup lan = ServerSetup();
  lan.m_bLanOnly = true;
  lan.m_nChurnSeconds = 1;
  CServerFarm lanFarm({lan}, settings, 0);
  for (int64_t at = 0; at < 30000; at += 1000) EXPECT_TRUE(Collect(lanFarm, at).empty()) << at;
  lanFarm.HeartbeatAll(30000);
  out.clear();
  lanFarm.Shutdown(30001, out);
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(lanFarm.Counter(k_FarmHeartbeats), 0u);
}

TEST(ServerFarm, InfoAnswersFollowThePlayersAsTheyComeAndGo) {
  FarmServerSetup churning = ServerSetup();
  churning.m_nChurnSeconds = 1;
  CServerFarm farm({churning}, NoLimits(), 0);
  // Each answer carries the players of its moment and its own request's challenge.
  for (int64_t t = 0; t < 12000; t += 1000) {
    Collect(farm, t);
    const std::string clients = "\\clients\\" + std::to_string(farm.View(0).m_Players.size()) + "\\";
    for (const char *challenge : {"a1", "b2"}) {
      farm.OnDatagram(0, kMarker + "getinfo " + challenge, kClient, t);
      const std::vector<FarmSend> out = Collect(farm, t);
      ASSERT_EQ(out.size(), 1u) << t;
      EXPECT_NE(out[0].m_Bytes.find(clients), std::string::npos) << t << ": " << out[0].m_Bytes;
      EXPECT_TRUE(out[0].m_Bytes.ends_with(std::string("\\challenge\\") + challenge)) << t;
    }
  }
  EXPECT_GT(farm.View(0).m_Players.size(), 0u);
}
TEST(ServerFarm, ReadsItsServersFromAWorldFile) {
  TempDir dir;
  WriteWholeFile(dir.File("world.vdf"), R"(
"PlexaClient"
{
  "apps" { "310" { "gamedir" "ironbase" "query" { "gamename" "Ironclad" "protocol" "68" } } }
  "servers"
  {
    "server" { "address" "127.0.4.1:0" "appid" "310" "name" "Caf)"
                                        "\xc3\xa9"
                                        R"( Row" "map" "lx_dune" "players" "3" "maxplayers" "8" "bots" "1"
               "gametype" "4" "privateslots" "2" "voip" "opus" "churn" "30" "upfor" "60" "downfor" "5" "latency" "25"
               "playerlist" { "player" { "name" "Quill" "score" "9" } } }
    "server" { "address" "127.0.4.2:27015" "queryport" "27016" "gamename" "Other" "protocol" "71" "silent" "1" }
    "server" { "address" "127.0.4.3:27960" "lists" "LAN friends" }
  }
})");
  std::vector<FarmServerSetup> setups;
  std::string errors;
  ASSERT_TRUE(LoadFarmWorld(dir.File("world.vdf"), setups, errors)) << errors;
  ASSERT_EQ(setups.size(), 3u);
  EXPECT_TRUE(setups[2].m_bLanOnly);
  const FarmServerSetup &first = setups[0];
  EXPECT_EQ(first.m_unIP, 0x7F000401u);
  EXPECT_EQ(first.m_usPort, 0);
  EXPECT_EQ(first.m_View.m_HostName, "Caf\xe9 Row");
  EXPECT_EQ(first.m_View.m_GameName, "Ironclad");
  EXPECT_EQ(first.m_View.m_nProtocol, 68);
  EXPECT_EQ(first.m_View.m_nGameType, 4);
  EXPECT_EQ(first.m_View.m_nPrivateSlots, 2);
  EXPECT_EQ(first.m_View.m_Voip, "opus");
  EXPECT_EQ(first.m_nLatencyMs, 25);
  EXPECT_EQ(first.m_nChurnSeconds, 30);
  EXPECT_EQ(first.m_nUpSeconds, 60);
  EXPECT_EQ(first.m_nDownSeconds, 5);
  ASSERT_EQ(first.m_View.m_Players.size(), 3u);
  EXPECT_EQ(first.m_View.m_Players[0].m_Name, "Quill");
  EXPECT_EQ(first.m_View.m_Players[0].m_nScore, 9);
  EXPECT_FALSE(first.m_View.m_Players[1].m_bBot);
  EXPECT_TRUE(first.m_View.m_Players[2].m_bBot);
  EXPECT_EQ(first.m_View.m_Players[2].m_nPingMs, 0);
  EXPECT_EQ(setups[1].m_usPort, 27016);
  EXPECT_EQ(setups[1].m_View.m_GameName, "Other");
  EXPECT_TRUE(setups[1].m_bSilent);
  EXPECT_FALSE(first.m_bLanOnly);

  // Anything off loopback, or unreadable, is refused with the entry named.
  WriteWholeFile(
      dir.File("outside.vdf"),
      R"("w" { "servers" { "server" { "address" "198.51.100.7:27015" } "server" { "address" "nowhere" } } })");
  EXPECT_FALSE(LoadFarmWorld(dir.File("outside.vdf"), setups, errors));
  EXPECT_NE(errors.find("servers/1: address 198.51.100.7:27015 is not on loopback"), std::string::npos)
      << errors;
  EXPECT_NE(errors.find("servers/2: bad address"), std::string::npos) << errors;
  EXPECT_FALSE(LoadFarmWorld(dir.File("missing.vdf"), setups, errors));
}

TEST(ServerFarm, GeneratesManyDistinctServers) {
  GeneratedFarm generated;
  generated.m_nCount = 600;
  const std::vector<FarmServerSetup> setups = GenerateFarm(generated);
  ASSERT_EQ(setups.size(), 600u);
  std::vector<uint32_t> addresses;
  for (const FarmServerSetup &setup : setups) {
    EXPECT_EQ(setup.m_unIP >> 24, 127u);
    EXPECT_LE(setup.m_View.m_Players.size(), static_cast<size_t>(setup.m_View.m_nMaxClients));
    addresses.push_back(setup.m_unIP);
  }
  std::sort(addresses.begin(), addresses.end());
  EXPECT_EQ(std::unique(addresses.begin(), addresses.end()), addresses.end());
}

}  // namespace
