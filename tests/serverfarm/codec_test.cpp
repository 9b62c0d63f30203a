// The server side of the q3 protocols as bytes: request lines, info and status answers, the
// master's heartbeat, list requests and list answers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plexaclient/net/q3_protocol.h"
#include "tools/serverfarm/info_writer.h"
#include "tools/serverfarm/master_protocol.h"
#include "tools/serverfarm/request_line.h"
#include "tools/serverfarm/server_answers.h"

namespace {

const std::string kMarker("\xff\xff\xff\xff");

std::string Joined(const std::vector<std::string> &tokens) {
  std::string text;
  for (const std::string &token : tokens) text += "[" + token + "]";
  return text;
}

// A server like the one of the protocol's worked example, with names of our own.
ServerView ExampleServer() {
  ServerView server;
  server.m_Voip = "opus";
  server.m_HostName = "^1Loop^7back ^3Test";
  server.m_MapName = "lx_harbour";
  server.m_GameName = "Ironclad";
  server.m_nMaxClients = 12;
  server.m_Version = "ironclad 2.1 linux-x86_64 Jan  8 2026";
  for (const char *name : {"Brisk", "Fennel", "Quill"}) server.m_Players.push_back({name, 0, 0, true});
  return server;
}

TEST(RequestLine, TokenisesAsAServerConsoleDoes) {
  struct Case {
    std::string text;
    const char *tokens;
  } cases[] = {
      {"getinfo abc", "[getinfo][abc]"},
      {"getinfo\n", "[getinfo]"},
      {"getinfo abc\nmore words", "[getinfo][abc]"},
      {std::string("getinfo ab\0cd", 13), "[getinfo][ab]"},
      {"getinfo \"a b\" c", "[getinfo][a b][c]"},
      {"getinfo \"open quote", "[getinfo][open quote]"},
      {"getinfo a//b", "[getinfo][a]"},
      {"getinfo // comment", "[getinfo]"},
      {"getinfo /* skipped */ x", "[getinfo][x]"},
      {"getinfo /* never closed", "[getinfo]"},
      {"getinfo a%b\xe9z", "[getinfo][a.b.z]"},
      {"\t getinfo\x01\x1f"
       "x  ",
       "[getinfo][x]"},
      {"getinfo a\"b c\"", "[getinfo][a][b c]"},
      {"", ""},
      {"   ", ""},
  };
  for (const Case &c : cases) EXPECT_EQ(Joined(TokenizeRequestLine(c.text)), c.tokens) << c.text;
  EXPECT_EQ(TokenizeRequestLine("a b c d e", 3).size(), 3u);
  EXPECT_TRUE(IsCommandWord("GETinfo", "getinfo"));
  EXPECT_FALSE(IsCommandWord("getinfos", "getinfo"));
}

TEST(ServerQuery, ReadsRequestsAndChallengesAsAServerDoes) {
  struct Case {
    std::string datagram;
    EServerQuery kind;  // None: no answer at all
    std::string challenge;
  } cases[] = {
      {kMarker + "getinfo 7xQ-42", EServerQuery::Info, "7xQ-42"},
      {kMarker + "getinfo\n", EServerQuery::Info, ""},
      {kMarker + "GETSTATUS abc", EServerQuery::Status, "abc"},
      {kMarker + "getstatus\n", EServerQuery::Status, ""},
      {kMarker + "getinfo \"a b\"", EServerQuery::Info, "a b"},
      {kMarker + "getinfo a//b", EServerQuery::Info, "a"},
      {kMarker + "getinfo a extra tokens", EServerQuery::Info, "a"},
      {kMarker + "getinfo " + std::string(128, 'c'), EServerQuery::Info, std::string(128, 'c')},
      {kMarker + "getinfo " + std::string(129, 'c'), EServerQuery::None, ""},
      // Answered, but without the challenge key: an infostring cannot carry these.
      {kMarker + "getinfo a;b", EServerQuery::Info, ""},
      {kMarker + "getinfo a\\b", EServerQuery::Info, ""},
      {kMarker + "getinfo \"a;b\"", EServerQuery::Info, ""},
      {kMarker + "getinfo 50%", EServerQuery::Info, "50."},
      {"getinfo abc", EServerQuery::None, ""},
      {kMarker + "getchallenge", EServerQuery::None, ""},
      {kMarker, EServerQuery::None, ""},
      {kMarker + "getinfo " + std::string(k_nMaxServerDatagram, 'x'), EServerQuery::None, ""},
  };
  for (const Case &c : cases) {
    ServerQuery query;
    EXPECT_EQ(ReadServerQuery(c.datagram, query), c.kind != EServerQuery::None) << c.datagram.substr(4, 40);
    EXPECT_EQ(query.m_eKind, c.kind) << c.datagram.substr(4, 40);
    EXPECT_EQ(query.m_Challenge, c.challenge) << c.datagram.substr(4, 40);
  }
}

TEST(InfoWriter, KeepsTheLimitsOfAServerInfostring) {
  CInfoWriter info;
  EXPECT_TRUE(info.Set("a", "1"));
  EXPECT_FALSE(info.Set("b", "x;y"));
  EXPECT_FALSE(info.Set("c", "say \"hi\""));
  EXPECT_FALSE(info.Set("d\\e", "1"));
  EXPECT_FALSE(info.Set("f", "tab\there"));
  EXPECT_FALSE(info.Set("", "1"));
  EXPECT_TRUE(info.Set("g", ""));  // never stored
  EXPECT_TRUE(info.Set("h", "2"));
  EXPECT_TRUE(info.Set("A", "3"));  // replaces "a" whatever its case
  EXPECT_EQ(info.Text(), "\\h\\2\\A\\3");
  EXPECT_TRUE(info.Set("h", ""));  // an empty value removes the key
  EXPECT_EQ(info.Text(), "\\A\\3");

  // 1023 characters at most; a pair that would not fit is skipped, a later small one still fits.
  CInfoWriter full;
  EXPECT_TRUE(full.Set("k", std::string(1019, 'v')));  // \k\ + 1019 = 1022
  EXPECT_FALSE(full.Set("m", "1"));
  EXPECT_EQ(full.Text().size(), 1022u);
  CInfoWriter exact;
  EXPECT_TRUE(exact.Set("k", std::string(1020, 'v')));
  EXPECT_EQ(exact.Text().size(), 1023u);
  CInfoWriter over;
  EXPECT_FALSE(over.Set("k", std::string(1021, 'v')));
  EXPECT_TRUE(over.Set("small", "1"));
}

TEST(ServerAnswers, InfoResponseHasTheKeysAndOrderOfAServer) {
  const std::string answer = BuildInfoResponse(ExampleServer(), "7xQ-42");
  EXPECT_EQ(answer, kMarker +
                        "infoResponse\n\\voip\\opus\\g_needpass\\0\\pure\\1\\gametype\\0\\sv_maxclients\\12"
                        "\\g_humanplayers\\0\\clients\\3\\mapname\\lx_harbour\\hostname\\^1Loop^7back ^3Test"
                        "\\protocol\\71\\gamename\\Ironclad\\challenge\\7xQ-42");
  // No challenge asked: no challenge key; a mod folder adds `game`; our own keys only when set.
  ServerView server = ExampleServer();
  server.m_Voip.clear();
  server.m_GameDir = "ironmod";
  server.m_bSecure = true;
  server.m_bRelay = true;
  server.m_Tags = "ctf,fast";
  server.m_nPrivateSlots = 2;
  server.m_Players[2].m_bBot = false;
  EXPECT_EQ(
      BuildInfoResponse(server, ""),
      kMarker +
          "infoResponse\n\\g_needpass\\0\\pure\\1\\gametype\\0\\sv_maxclients\\10\\g_humanplayers\\1"
          "\\clients\\1\\mapname\\lx_harbour\\hostname\\^1Loop^7back ^3Test\\protocol\\71\\gamename\\Ironclad"
          "\\game\\ironmod\\plexa_secure\\1\\plexa_tags\\ctf,fast\\plexa_relay\\1");
}

TEST(ServerAnswers, StatusResponseCarriesRulesThenPlayerLines) {
  ServerView server = ExampleServer();
  server.m_GameDir = "ironmod";
  server.m_Players[1] = {"^2Green^7Guy", -4, 999, false};
  const std::string answer = BuildStatusResponse(server, "7xQ-42");
  EXPECT_EQ(answer,
            kMarker +
                "statusResponse\n\\challenge\\7xQ-42\\com_protocol\\71\\sv_hostname\\^1Loop^7back ^3Test"
                "\\sv_maxclients\\12\\g_gametype\\0\\version\\ironclad 2.1 linux-x86_64 Jan  8 2026"
                "\\com_gamename\\Ironclad\\mapname\\lx_harbour\\gamename\\ironmod\\sv_privateClients\\0"
                "\\g_needpass\\0\n0 0 \"Brisk\"\n-4 999 \"^2Green^7Guy\"\n0 0 \"Quill\"\n");
  server.m_Players.clear();
  EXPECT_TRUE(BuildStatusResponse(server, "").ends_with("\\g_needpass\\0\n"));

  // Player lines past 16384 bytes are left out; a shorter later line that fits is kept.
  for (int i = 0; i < 600; ++i) server.m_Players.push_back({std::string(31, 'n'), 1000, 999, false});
  server.m_Players.push_back({"z", 0, 0, true});
  const std::string big = BuildStatusResponse(server, "");
  EXPECT_LE(big.size(), k_nMaxServerDatagram);
  EXPECT_GT(big.size(), k_nMaxServerDatagram - 44);
  EXPECT_TRUE(big.ends_with("\n0 0 \"z\"\n"));
}

TEST(ServerAnswers, OurClientReadsWhatTheFarmSends) {
  ServerView server = ExampleServer();
  server.m_Players[0].m_bBot = false;
  server.m_Players[0].m_nPingMs = 48;
  server.m_Players[0].m_nScore = 7;
  server.m_bNeedPass = true;
  server.m_bSecure = true;
  server.m_Tags = "duel";
  server.m_GameDir = "ironmod";
  CProtocolCatalogue catalogue;
  catalogue.Add("q3", "Ironclad", 71, {3310, "ironbase", "Ironclad Arena"});
  const IProtocolFamily &family = Q3ProtocolFamily();

  ServerInfo_t info;
  ASSERT_EQ(
      family.DecodeInfo(BuildInfoResponse(server, "chal1"), "chal1", 0x7F000105u, 27961, catalogue, info),
      EPacketVerdict::Accepted);
  const ServerRecord &record = info.m_Record;
  EXPECT_STREQ(record.m_szServerName, "Loopback Test");
  EXPECT_STREQ(record.m_szMapName, "lx_harbour");
  EXPECT_STREQ(record.m_szGameDirectory, "ironmod");
  EXPECT_STREQ(record.m_szTags, "duel");
  EXPECT_EQ(record.m_nAppId, 3310u);
  EXPECT_EQ(record.m_nPlayerCount, 3);
  EXPECT_EQ(record.m_nBotCount, 2);
  EXPECT_EQ(record.m_nPlayerLimit, 12);
  EXPECT_TRUE(record.m_bHasPassword);
  EXPECT_TRUE(record.m_bIsSecure);
  EXPECT_EQ(record.m_nVersion, 71);

  ServerStatus_t status;
  ASSERT_EQ(family.DecodeStatus(BuildStatusResponse(server, "chal2"), "chal2", status),
            EPacketVerdict::Accepted);
  ASSERT_EQ(status.m_Players.size(), 3u);
  EXPECT_EQ(status.m_Players[0].m_Name, "Brisk");
  EXPECT_EQ(status.m_Players[0].m_nScore, 7);
  EXPECT_EQ(status.m_Players[0].m_nPingMs, 48);
}

TEST(ServerAnswers, WorldTextBecomesTheBytesAServerSends) {
  struct Case {
    const char *utf8;
    size_t max;
    const char *bytes;
  } cases[] = {
      {"plain", 64, "plain"},
      {"Caf\xc3\xa9", 64, "Caf\xe9"},
      {"\xe2\x82\xac 5", 64, "? 5"},           // beyond Latin-1
      {"a\xc3", 64, "a?"},                     // cut sequence
      {"a\x80z", 64, "a?z"},                   // stray continuation byte
      {"tab\there\x1b[0m", 64, "tabhere[0m"},  // control characters left out
      {"\xc2\x85x", 64, "x"},                  // C1 control
      {"abcdef", 3, "abc"},
  };
  for (const Case &c : cases) EXPECT_EQ(Utf8ToServerBytes(c.utf8, c.max), c.bytes) << c.utf8;
}

TEST(MasterProtocol, ReadsHeartbeats) {
  struct Case {
    std::string datagram;
    bool read;
    const char *tag;
  } cases[] = {
      {kMarker + "heartbeat QuakeArena-1\n", true, "QuakeArena-1"},
      {kMarker + "heartbeat DarkPlaces\n", true, "DarkPlaces"},
      {kMarker + "heartbeat DarkPlaces", true, "DarkPlaces"},
      {kMarker + "heartbeat WolfFlatline-1\n", true, "WolfFlatline-1"},  // read; the master drops it
      {kMarker + "heartbeat\n", false, ""},
      {kMarker + "heartbeat a b\n", false, ""},
      {kMarker + "HEARTBEAT DarkPlaces\n", false, ""},
      {"heartbeat DarkPlaces\n", false, ""},
      {kMarker + "heartbeat " + std::string(2100, 'x'), false, ""},
  };
  for (const Case &c : cases) {
    std::string tag;
    EXPECT_EQ(ReadHeartbeat(c.datagram, tag), c.read) << c.datagram.substr(4, 40);
    if (c.read) {
      EXPECT_EQ(tag, c.tag);
    }
  }
  EXPECT_EQ(BuildHeartbeat(HeartbeatTagFor("Quake3Arena")).size(), 27u);
  EXPECT_EQ(BuildHeartbeat(HeartbeatTagFor("Ironclad")), kMarker + "heartbeat DarkPlaces\n");
}

TEST(MasterProtocol, ChallengesAreShortAndEchoable) {
  std::mt19937_64 random(7);
  for (int i = 0; i < 200; ++i) {
    const std::string challenge = MakeMasterChallenge(random);
    EXPECT_GE(challenge.size(), 8u);
    EXPECT_LE(challenge.size(), 11u);
    EXPECT_EQ(challenge.find_first_of("\\/;\"% "), std::string::npos) << challenge;
    // A server reads it back unchanged.
    ServerQuery query;
    ASSERT_TRUE(ReadServerQuery(BuildChallengeRequest(challenge), query));
    EXPECT_EQ(query.m_Challenge, challenge);
  }
}

TEST(MasterProtocol, ReadsListQueriesOfEveryForm) {
  struct Case {
    std::string text;
    bool read;
    bool extended;
    const char *game;
    int protocol;
    bool empty, full, ipv4, ipv6;
    const char *gameType;
  } cases[] = {
      {"getservers 68 empty full", true, false, "", 68, true, true, false, false, ""},
      {"getservers 71 empty full\n", true, false, "", 71, true, true, false, false, ""},
      {"getservers 71\n", true, false, "", 71, false, false, false, false, ""},
      {"getservers Ironclad 71 full", true, false, "Ironclad", 71, false, true, false, false, ""},
      {"getserversExt Ironclad 71 ipv6 empty", true, true, "Ironclad", 71, true, false, false, true, ""},
      {"getserversExt Ironclad 71 ipv4 ipv6\n", true, true, "Ironclad", 71, false, false, true, true, ""},
      {"getservers 71 gametype=4 ffa", true, false, "", 71, false, false, false, false, "4"},
      {"getservers 71 ctf gametype=0", true, false, "", 71, false, false, false, false, "4"},
      {"getservers 71 unknown EMPTY", true, false, "", 71, false, false, false, false, ""},
      {"getserversExt 71 empty", false, false, "", 0, false, false, false, false,
       ""},  // the extended form names the game
      {"getservers Ironclad", false, false, "", 0, false, false, false, false, ""},
      {"getservers Ironclad x71", false, false, "", 0, false, false, false, false, ""},
      {"getservers", false, false, "", 0, false, false, false, false, ""},
      {"getserverz 71", false, false, "", 0, false, false, false, false, ""},
      {"getservers " + std::string(300, 'g') + " 71", false, false, "", 0, false, false, false, false, ""},
  };
  for (const Case &c : cases) {
    ListQuery query;
    ASSERT_EQ(ReadListQuery(kMarker + c.text, query), c.read) << c.text;
    if (!c.read) continue;
    EXPECT_EQ(query.m_bExtended, c.extended) << c.text;
    EXPECT_EQ(query.m_GameName, c.game) << c.text;
    EXPECT_EQ(query.m_nProtocol, c.protocol) << c.text;
    EXPECT_EQ(query.m_bEmpty, c.empty) << c.text;
    EXPECT_EQ(query.m_bFull, c.full) << c.text;
    EXPECT_EQ(query.m_bIPv4, c.ipv4) << c.text;
    EXPECT_EQ(query.m_bIPv6, c.ipv6) << c.text;
    EXPECT_EQ(query.m_GameType, c.gameType) << c.text;
  }
  ListQuery query;
  EXPECT_FALSE(ReadListQuery("\xff\xff\xff", query));
  ListQuery built;
  built.m_nProtocol = 71;
  built.m_bEmpty = built.m_bFull = true;
  EXPECT_EQ(BuildListQuery(built), kMarker + "getservers 71 empty full");
}

NetAddress V4(const char *text) {
  NetAddress address;
  EXPECT_TRUE(ParseNetAddress(text, 0, address));
  return address;
}

TEST(MasterProtocol, ListAnswersMatchTheWire) {
  const std::string end("\\EOT\0\0\0", 7);
  // One server, 127.0.0.1:27960; and none.
  EXPECT_EQ(LayoutList(false, {V4("127.0.0.1:27960")}),
            std::vector<std::string>{kMarker + "getserversResponse" +
                                     std::string("\\\x7f\0\0\x01\x6d\x38", 7) + end});
  EXPECT_EQ(LayoutList(false, {}), std::vector<std::string>{kMarker + "getserversResponse" + end});
  EXPECT_EQ(LayoutList(false, {})[0].size(), 29u);
  EXPECT_EQ(LayoutList(true, {})[0].size(), 32u);
  // Both families in the extended form; the short form leaves IPv6 out.
  const std::vector<NetAddress> both = {V4("127.0.0.1:27960"), V4("[::1]:40100")};
  const std::vector<std::string> ext = LayoutList(true, both);
  ASSERT_EQ(ext.size(), 1u);
  EXPECT_EQ(ext[0], kMarker + "getserversExtResponse" + std::string("\\\x7f\0\0\x01\x6d\x38", 7) + "/" +
                        std::string(15, '\0') + "\x01\x9c\xa4" + end);
  EXPECT_EQ(ext[0].size(), 58u);
  EXPECT_EQ(LayoutList(false, both)[0].size(), 36u);
}

TEST(MasterProtocol, LongListsSplitAt1400BytesWithTheEndMarkerOnEveryDatagram) {
  struct Case {
    bool extended;
    bool ipv6;
    size_t servers;
    std::vector<size_t> perDatagram;
  } cases[] = {
      {false, false, 210, {195, 15}}, {false, false, 195, {195}},  {false, false, 196, {195, 1}},
      {true, false, 390, {195, 195}}, {true, true, 100, {72, 28}},
  };
  const std::string end("\\EOT\0\0\0", 7);
  for (const Case &c : cases) {
    std::vector<NetAddress> servers;
    for (size_t i = 0; i < c.servers; ++i) {
      NetAddress address = V4("127.0.0.2:27960");
      address.m_bIPv6 = c.ipv6;
      address.m_Bytes[c.ipv6 ? 15 : 3] = static_cast<uint8_t>(i);
      address.m_Bytes[c.ipv6 ? 14 : 2] = static_cast<uint8_t>(i >> 8);
      servers.push_back(address);
    }
    const std::vector<std::string> datagrams = LayoutList(c.extended, servers);
    ASSERT_EQ(datagrams.size(), c.perDatagram.size()) << c.servers;
    const size_t header = c.extended ? 25 : 22, entry = c.ipv6 ? 19 : 7;
    for (size_t d = 0; d < datagrams.size(); ++d) {
      EXPECT_LE(datagrams[d].size(), k_nMaxListDatagram);
      EXPECT_EQ(datagrams[d].size(), header + entry * c.perDatagram[d] + 7);
      EXPECT_TRUE(datagrams[d].ends_with(end));
    }
    if (c.ipv6) continue;
    // Our client, which reads entries by their prefix, finds every server and the end each time.
    size_t seen = 0;
    for (const std::string &datagram : datagrams) {
      MasterList_t list;
      ASSERT_EQ(Q3ProtocolFamily().DecodeMasterList(datagram, list), EPacketVerdict::Accepted);
      EXPECT_TRUE(list.m_bEnd);
      for (const MasterListEntry_t &server : list.m_Servers) EXPECT_EQ(server.m_unIP & 0xFFFF, seen++);
    }
    EXPECT_EQ(seen, c.servers);
  }
}

}  // namespace
