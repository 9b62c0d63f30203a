// The q3 protocol family: its requests byte for byte, server and master answers decoded into
// records, and every kind of bad datagram dropped with its reason.
#include "plexaclient/net/q3_protocol.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <set>
#include <string>

#include "plexaclient/net/infostring.h"
#include "plexaclient/net/protocol_registry.h"
#include "plexaclient/net/server_text.h"

namespace {

const std::string kMarker = "\xFF\xFF\xFF\xFF";

std::string Packet(std::string_view text) {
  return kMarker + std::string(text);
}

constexpr uint32 IPv4(uint32 a, uint32 b, uint32 c, uint32 d) {
  return (a << 24) | (b << 16) | (c << 8) | d;
}

std::string ListEntry(uint32 ip, uint16 port) {
  const char bytes[] = {'\\',
                        static_cast<char>(ip >> 24),
                        static_cast<char>(ip >> 16),
                        static_cast<char>(ip >> 8),
                        static_cast<char>(ip),
                        static_cast<char>(port >> 8),
                        static_cast<char>(port)};
  return std::string(bytes, sizeof(bytes));
}

std::string IPv6ListEntry(uint8 last, uint16 port) {
  std::string entry(19, '\0');
  entry[0] = '/';
  entry[16] = static_cast<char>(last);
  entry[17] = static_cast<char>(port >> 8);
  entry[18] = static_cast<char>(port);
  return entry;
}

const std::string kListEnd("\\EOT\0\0\0", 7);

const IProtocolFamily &Q3() {
  return Q3ProtocolFamily();
}

// Two games of the family and a default for servers of neither.
CProtocolCatalogue Catalogue(bool withDefault = true) {
  CProtocolCatalogue catalogue;
  catalogue.Add("q3", "Ironclad", 71, {3310, "ironbase", "Ironclad Arena"});
  catalogue.Add("q3", "", 68, {3300, "hollowbase", "Hollow Keep"});
  catalogue.Add("other", "Ironclad", 71, {9, "wrong", "Another Family"});
  if (withDefault) catalogue.SetDefault("q3", {3399, "genericbase", "Arena Shooter"});
  return catalogue;
}

// An answer as a current server of the family sends it: keys set last come first, challenge at the end.
const char *const kModernInfo =
    "infoResponse\n\\voip\\opus\\g_needpass\\0\\pure\\1\\gametype\\0\\sv_maxclients\\12\\g_humanplayers\\0"
    "\\clients\\3\\mapname\\ember_dm3\\hostname\\^1Rust^7yard ^3Arena\\protocol\\71\\gamename\\Ironclad"
    "\\challenge\\Kp4vQ9";

TEST(Q3Requests, AreTheBytesServersAndMastersExpect) {
  std::string packet;
  ASSERT_TRUE(Q3().BuildInfoRequest("7xQ-42", packet));
  EXPECT_EQ(packet, Packet("getinfo 7xQ-42"));
  EXPECT_EQ(packet.size(), 18u);
  ASSERT_TRUE(Q3().BuildStatusRequest("7xQ-42", packet));
  EXPECT_EQ(packet, Packet("getstatus 7xQ-42"));
  ASSERT_TRUE(Q3().BuildInfoRequest("", packet));
  EXPECT_EQ(packet, Packet("getinfo"));

  // No trailing line feed: masters would read it as part of "full".
  ASSERT_TRUE(Q3().BuildMasterListRequest(false, "", 71, packet));
  EXPECT_EQ(packet, Packet("getservers 71 empty full"));
  EXPECT_EQ(packet.size(), 28u);
  ASSERT_TRUE(Q3().BuildMasterListRequest(false, "Ironclad", 71, packet));
  EXPECT_EQ(packet, Packet("getservers Ironclad 71 empty full"));
  ASSERT_TRUE(Q3().BuildMasterListRequest(true, "Ironclad", 68, packet));
  EXPECT_EQ(packet, Packet("getserversExt Ironclad 68 empty full"));
}

TEST(Q3Requests, RefuseWhatServersWouldNotEchoOrMastersNotRead) {
  const std::string longest(128, 'a');
  struct Case {
    std::string challenge;
    bool valid;
  };
  const Case cases[] = {
      {"Kp4vQ9", true}, {longest, true},    {longest + "a", false}, {"a b", false},
      {"a\\b", false},  {"a;b", false},     {"a\"b", false},        {"50%", false},
      {"a//b", false},  {"caf\xE9", false}, {"tab\t", false},       {std::string("nul\0", 4), false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.challenge);
    std::string packet = "stale";
    EXPECT_EQ(Q3().IsValidChallenge(c.challenge), c.valid);
    EXPECT_EQ(Q3().BuildInfoRequest(c.challenge, packet), c.valid);
    EXPECT_EQ(Q3().BuildStatusRequest(c.challenge, packet), c.valid);
    if (!c.valid) {
      EXPECT_TRUE(packet.empty());
    }
  }

  std::string packet;
  EXPECT_FALSE(Q3().BuildMasterListRequest(true, "", 71, packet));  // the extended form needs the game
  EXPECT_FALSE(Q3().BuildMasterListRequest(false, "Iron clad", 71, packet));
  EXPECT_FALSE(Q3().BuildMasterListRequest(false, "Ironclad\n", 71, packet));
  EXPECT_FALSE(Q3().BuildMasterListRequest(false, "Ironclad", -1, packet));
  EXPECT_TRUE(packet.empty());
}

TEST(Q3Requests, ChallengesAreValidAndFollowTheirBits) {
  std::set<std::string> seen;
  for (uint64 bits : {0ull, 1ull, 61ull, 62ull, 0x123456789ABCDEFull, ~0ull, ~0ull - 1}) {
    const std::string challenge = Q3().MakeChallenge(bits);
    EXPECT_EQ(challenge.size(), 11u);
    EXPECT_TRUE(Q3().IsValidChallenge(challenge)) << challenge;
    EXPECT_EQ(challenge, Q3().MakeChallenge(bits));
    EXPECT_TRUE(seen.insert(challenge).second) << challenge;
  }
}

TEST(Q3Answers, KindIsReadFromTheHeader) {
  struct Case {
    std::string packet;
    EAnswerKind kind;
  };
  const Case cases[] = {
      {Packet(kModernInfo), EAnswerKind::Info},
      {Packet("statusResponse\n\\a\\b\n"), EAnswerKind::Status},
      {Packet("getserversResponse") + kListEnd, EAnswerKind::MasterList},
      {Packet("getserversExtResponse"), EAnswerKind::MasterList},
      {Packet("infoResponses\n"), EAnswerKind::Unknown},
      {Packet("getinfo abc"), EAnswerKind::Unknown},
      {"infoResponse\n\\a\\b", EAnswerKind::Unknown},
      {"", EAnswerKind::Unknown},
  };
  for (const Case &c : cases) EXPECT_EQ(Q3().AnswerKind(c.packet), c.kind) << c.packet;
}

// Info answers ---------------------------------------------------------------------------------

struct InfoCase {
  const char *what;
  std::string answer;  // after the marker
  const char *name;
  const char *map;
  const char *gameDir;
  const char *description;
  AppId_t app;
  int players, bots, limit;
  bool password, secure, relay;
  const char *tags;
  int version;
};

TEST(Q3InfoAnswer, FillsTheRecordFromRealLookingAnswers) {
  const InfoCase cases[] = {
      {"a current server with three bots", kModernInfo, "Rustyard Arena", "ember_dm3", "ironbase",
       "Ironclad Arena", 3310, 3, 3, 12, false, false, false, "Free For All", 71},
      {"an older server: no game name, no human count, a mod folder",
       "infoResponse\n\\challenge\\Kp4vQ9\\protocol\\68\\hostname\\Hollow "
       "^^7Keep\\mapname\\hk_ctf2\\clients\\5"
       "\\sv_maxclients\\16\\gametype\\4\\pure\\1\\game\\hollowmod",
       "Hollow ^Keep", "hk_ctf2", "hollowmod", "Hollow Keep", 3300, 5, 0, 16, false, false, false,
       "Capture The Flag", 68},
      {"our own keys, a password and humans beside bots",
       "infoResponse\n\\plexa_relay\\1\\plexa_tags\\duel,ranked\\plexa_secure\\1\\g_needpass\\1\\gametype\\1"
       "\\sv_maxclients\\2\\g_humanplayers\\1\\clients\\2\\mapname\\tin_duel\\hostname\\Tin Duel Pit"
       "\\protocol\\71\\gamename\\IRONCLAD\\challenge\\Kp4vQ9",
       "Tin Duel Pit", "tin_duel", "ironbase", "Ironclad Arena", 3310, 2, 1, 2, true, true, true,
       "duel,ranked", 71},
      {"a game the catalogue does not list gets the family's default",
       "infoResponse\n\\gamename\\Moonrake\\protocol\\71\\hostname\\Moonrake Den\\mapname\\mr1\\clients\\0"
       "\\sv_maxclients\\8\\gametype\\12\\challenge\\Kp4vQ9",
       "Moonrake Den", "mr1", "genericbase", "Arena Shooter", 3399, 0, 0, 8, false, false, false,
       "Domination", 71},
      {"keys in any case and order, the first of twice-given keys, an unknown game type",
       "infoResponse\n\\Challenge\\Kp4vQ9\\CLIENTS\\4\\clients\\9\\Sv_MaxClients\\10\\hostname\\First"
       "\\hostname\\Second\\gametype\\14\\protocol\\71\\gamename\\Ironclad",
       "First", "", "ironbase", "Ironclad Arena", 3310, 4, 0, 10, false, false, false, "14", 71},
      {"Latin-1 bytes and control characters in the name",
       "infoResponse\n\\challenge\\Kp4vQ9\\hostname\\Caf\xE9 \xBBNord\xAB\x1B[31m\x85!\\protocol\\71"
       "\\gamename\\Ironclad\\clients\\1\\sv_maxclients\\4\\g_humanplayers\\1",
       "Café »Nord«[31m!", "", "ironbase", "Ironclad Arena", 3310, 1, 0, 4, false, false, false, "", 71},
      {"more humans than clients tells nothing of bots; a flag of 0 is clear",
       "infoResponse\n\\challenge\\Kp4vQ9\\clients\\1\\g_humanplayers\\5\\sv_maxclients\\4\\plexa_secure\\0"
       "\\g_needpass\\00\\protocol\\71\\gamename\\Ironclad\\plexa_tags\\",
       "", "", "ironbase", "Ironclad Arena", 3310, 1, 0, 4, false, false, false, "", 71},
  };
  for (const InfoCase &c : cases) {
    SCOPED_TRACE(c.what);
    ServerInfo_t info;
    ASSERT_EQ(Q3().DecodeInfo(Packet(c.answer), "Kp4vQ9", IPv4(127, 0, 3, 7), 27961, Catalogue(), info),
              EPacketVerdict::Accepted);
    const ServerRecord &record = info.m_Record;
    EXPECT_EQ(record.m_NetAdr.GetIP(), IPv4(127, 0, 3, 7));
    EXPECT_EQ(record.m_NetAdr.GetConnectionPort(), 27961);
    EXPECT_EQ(record.m_NetAdr.GetQueryPort(), 27961);
    EXPECT_TRUE(record.m_bResponded);
    EXPECT_STREQ(record.m_szServerName, c.name);
    EXPECT_STREQ(record.m_szMapName, c.map);
    EXPECT_STREQ(record.m_szGameDirectory, c.gameDir);
    EXPECT_STREQ(record.m_szDescription, c.description);
    EXPECT_EQ(record.m_nAppId, c.app);
    EXPECT_EQ(record.m_nPlayerCount, c.players);
    EXPECT_EQ(record.m_nBotCount, c.bots);
    EXPECT_EQ(record.m_nPlayerLimit, c.limit);
    EXPECT_EQ(record.m_bHasPassword, c.password);
    EXPECT_EQ(record.m_bIsSecure, c.secure);
    EXPECT_EQ(info.m_bRelay, c.relay);
    EXPECT_STREQ(record.m_szTags, c.tags);
    EXPECT_EQ(record.m_nVersion, c.version);
    // Left to the caller: the measured ping, the store's time, and no server id in this protocol.
    EXPECT_EQ(record.m_nPingMs, 0);
    EXPECT_EQ(record.m_nLastPlayedTime, 0u);
    const PlexaId_t serverId = record.m_PlexaId;  // packed: read by value
    EXPECT_EQ(serverId, 0u);
  }
}

TEST(Q3InfoAnswer, WithoutCatalogueMatchOrDefaultTheApplicationIsZero) {
  ServerInfo_t info;
  const std::string answer =
      Packet("infoResponse\n\\gamename\\Moonrake\\protocol\\71\\hostname\\Den\\challenge\\Kp4vQ9");
  ASSERT_EQ(Q3().DecodeInfo(answer, "Kp4vQ9", IPv4(10, 0, 0, 1), 27960, Catalogue(false), info),
            EPacketVerdict::Accepted);
  EXPECT_EQ(info.m_Record.m_nAppId, 0u);
  EXPECT_STREQ(info.m_Record.m_szDescription, "");
  EXPECT_STREQ(info.m_Record.m_szGameDirectory, "");
  // Another family's entry for the same game and protocol is not this family's.
  CProtocolCatalogue other;
  other.Add("other", "Moonrake", 71, {9, "x", "y"});
  ASSERT_EQ(Q3().DecodeInfo(answer, "Kp4vQ9", IPv4(10, 0, 0, 1), 27960, other, info),
            EPacketVerdict::Accepted);
  EXPECT_EQ(info.m_Record.m_nAppId, 0u);
}

TEST(Q3InfoAnswer, TextsAreCutAtAWholeCharacterToTheirField) {
  // 62 bytes, then a character of two bytes that would end at byte 64: no room for the NUL.
  const std::string name = std::string(62, 'n') + "\xE9" + "tail";
  const std::string map = std::string(40, 'm');
  const std::string tags = std::string(126, 't') + "\xE9";
  const std::string answer =
      Packet("infoResponse\n\\hostname\\^1" + name + "\\mapname\\" + map + "\\plexa_tags\\" + tags +
             "\\game\\" + std::string(31, 'g') + "\xE9\\challenge\\Kp4vQ9");
  ServerInfo_t info;
  ASSERT_EQ(Q3().DecodeInfo(answer, "Kp4vQ9", IPv4(10, 0, 0, 1), 27960, Catalogue(), info),
            EPacketVerdict::Accepted);
  EXPECT_EQ(std::string(info.m_Record.m_szServerName), std::string(62, 'n'));
  EXPECT_EQ(std::string(info.m_Record.m_szMapName), std::string(31, 'm'));
  EXPECT_EQ(std::string(info.m_Record.m_szTags), std::string(126, 't'));
  EXPECT_EQ(std::string(info.m_Record.m_szGameDirectory), std::string(31, 'g'));

  // One byte less and the character fits whole.
  const std::string shorter =
      Packet("infoResponse\n\\hostname\\" + std::string(61, 'n') + "\xE9" + "\\challenge\\x");
  ASSERT_EQ(Q3().DecodeInfo(shorter, "x", IPv4(10, 0, 0, 1), 27960, Catalogue(), info),
            EPacketVerdict::Accepted);
  EXPECT_EQ(std::string(info.m_Record.m_szServerName), std::string(61, 'n') + "é");

  // A long catalogue name is cut the same way.
  CProtocolCatalogue catalogue;
  catalogue.SetDefault("q3", {1, std::string(30, 'd') + "é", std::string(62, 'a') + "ü"});
  ASSERT_EQ(Q3().DecodeInfo(Packet("infoResponse\n\\challenge\\x"), "x", 1, 1, catalogue, info),
            EPacketVerdict::Accepted);
  EXPECT_EQ(std::string(info.m_Record.m_szGameDirectory), std::string(30, 'd'));
  EXPECT_EQ(std::string(info.m_Record.m_szDescription), std::string(62, 'a'));
}

struct DropCase {
  const char *what;
  std::string packet;
  EPacketVerdict verdict;
};

TEST(Q3InfoAnswer, DropsBadDatagramsWithTheirReason) {
  std::string atLimit = Packet("infoResponse\n\\challenge\\Kp4vQ9\\hostname\\");
  atLimit.resize(k_nMaxAnswerBytes, 'h');
  const DropCase cases[] = {
      {"empty", "", EPacketVerdict::WrongMarker},
      {"short marker", "\xFF\xFF\xFF", EPacketVerdict::WrongMarker},
      {"in-game packet", "\x01\x02\x03\x04infoResponse\n\\challenge\\Kp4vQ9", EPacketVerdict::WrongMarker},
      {"no marker", "infoResponse\n\\challenge\\Kp4vQ9", EPacketVerdict::WrongMarker},
      {"a status answer", Packet("statusResponse\n\\challenge\\Kp4vQ9\n"), EPacketVerdict::WrongCommand},
      {"a request", Packet("getinfo Kp4vQ9"), EPacketVerdict::WrongCommand},
      {"a longer command", Packet("infoResponse2\n\\challenge\\Kp4vQ9"), EPacketVerdict::WrongCommand},
      {"no line after the command", Packet("infoResponse"), EPacketVerdict::Malformed},
      {"no challenge", Packet("infoResponse\n\\hostname\\Spoof"), EPacketVerdict::ChallengeMismatch},
      {"an empty challenge", Packet("infoResponse\n\\challenge\\"), EPacketVerdict::ChallengeMismatch},
      {"another challenge", Packet("infoResponse\n\\challenge\\Kp4vQ8"), EPacketVerdict::ChallengeMismatch},
      {"the challenge's head", Packet("infoResponse\n\\challenge\\Kp4v"), EPacketVerdict::ChallengeMismatch},
      {"the challenge in other case", Packet("infoResponse\n\\challenge\\KP4VQ9"),
       EPacketVerdict::ChallengeMismatch},
      {"the challenge given second", Packet("infoResponse\n\\challenge\\guess\\challenge\\Kp4vQ9"),
       EPacketVerdict::ChallengeMismatch},
      {"the challenge after a NUL",
       Packet(std::string("infoResponse\n\\a\\b") + '\0' + "\\challenge\\Kp4vQ9"),
       EPacketVerdict::ChallengeMismatch},
      {"clients not a number", Packet("infoResponse\n\\clients\\three\\challenge\\Kp4vQ9"),
       EPacketVerdict::Malformed},
      {"negative clients", Packet("infoResponse\n\\clients\\-1\\challenge\\Kp4vQ9"),
       EPacketVerdict::Malformed},
      {"a limit beyond int", Packet("infoResponse\n\\sv_maxclients\\99999999999\\challenge\\Kp4vQ9"),
       EPacketVerdict::Malformed},
      {"negative humans", Packet("infoResponse\n\\g_humanplayers\\-2\\challenge\\Kp4vQ9"),
       EPacketVerdict::Malformed},
      {"protocol with text", Packet("infoResponse\n\\protocol\\71b\\challenge\\Kp4vQ9"),
       EPacketVerdict::Malformed},
      {"one byte over the limit", atLimit + "h", EPacketVerdict::Oversized},
      {"at the limit", atLimit, EPacketVerdict::Accepted},
  };
  for (const DropCase &c : cases) {
    SCOPED_TRACE(c.what);
    ServerInfo_t info;
    info.m_Record.m_nPlayerCount = 99;
    EXPECT_EQ(Q3().DecodeInfo(c.packet, "Kp4vQ9", IPv4(10, 0, 0, 1), 27960, Catalogue(), info), c.verdict);
    if (c.verdict != EPacketVerdict::Accepted) {
      EXPECT_EQ(info.m_Record.m_nPlayerCount, 0);
    }
  }
  // A query sent without a challenge checks none.
  ServerInfo_t info;
  EXPECT_EQ(Q3().DecodeInfo(Packet("infoResponse\n\\hostname\\Plain"), "", 1, 1, Catalogue(), info),
            EPacketVerdict::Accepted);
  EXPECT_STREQ(PacketVerdictName(EPacketVerdict::ChallengeMismatch), "challenge mismatch");
}

// Status answers -------------------------------------------------------------------------------

TEST(Q3StatusAnswer, ReadsRulesAndPlayers) {
  const std::string answer = Packet(
      "statusResponse\n\\challenge\\Kp4vQ9\\com_protocol\\71\\sv_hostname\\^1Rust^7yard\\sv_maxclients\\12"
      "\\g_gametype\\0\\version\\engine 2.1 linux-x86_64 Mar  3 "
      "2026\\SV_HOSTNAME\\Later\\\\orphan\\motd\\Caf\xE9"
      "\\g_timestamp\\2026-12-10 12:13:56\n"
      "0 0 \"Brannock\"\n"
      "-5 48 \"^2Green^7Guy\"\n"
      "12 999 \"Odd \"quoted\" one\"\n"
      "3 20 1 \"Teamed\"\n"
      "\n"
      "garbage\n"
      "7 \"NoPing\"\n"
      "5 5 \"unterminated\n"
      "x 5 \"Lettered\"\n"
      "8 15 \"Last\" 2");
  ServerStatus_t status;
  ASSERT_EQ(Q3().DecodeStatus(answer, "Kp4vQ9", status), EPacketVerdict::Accepted);

  const std::vector<std::pair<std::string, std::string>> rules = {
      {"challenge", "Kp4vQ9"},
      {"com_protocol", "71"},
      {"sv_hostname", "^1Rust^7yard"},  // rules keep their colour codes
      {"sv_maxclients", "12"},
      {"g_gametype", "0"},
      {"version", "engine 2.1 linux-x86_64 Mar  3 2026"},
      {"motd", "Café"},
      {"g_timestamp", "2026-12-10 12:13:56"},
  };
  EXPECT_EQ(status.m_Rules, rules);

  struct Player {
    const char *name;
    int score, ping;
  };
  const Player players[] = {{"Brannock", 0, 0},
                            {"GreenGuy", -5, 48},
                            {"Odd \"quoted\" one", 12, 999},
                            {"Teamed", 3, 20},
                            {"Last", 8, 15}};
  ASSERT_EQ(status.m_Players.size(), std::size(players));
  for (size_t i = 0; i < std::size(players); ++i) {
    EXPECT_EQ(status.m_Players[i].m_Name, players[i].name);
    EXPECT_EQ(status.m_Players[i].m_nScore, players[i].score);
    EXPECT_EQ(status.m_Players[i].m_nPingMs, players[i].ping);
    EXPECT_LT(status.m_Players[i].m_flTimePlayed, 0.0f);  // not in this protocol: shown as unknown
  }
  EXPECT_EQ(status.m_nUnreadPlayerLines, 4);
}

TEST(Q3StatusAnswer, AnEmptyServerAndItsDrops) {
  ServerStatus_t status;
  ASSERT_EQ(Q3().DecodeStatus(Packet("statusResponse\n\\challenge\\Kp4vQ9\\sv_hostname\\Quiet\n"), "Kp4vQ9",
                              status),
            EPacketVerdict::Accepted);
  EXPECT_EQ(status.m_Rules.size(), 2u);
  EXPECT_TRUE(status.m_Players.empty());
  EXPECT_EQ(status.m_nUnreadPlayerLines, 0);

  std::string atLimit = Packet("statusResponse\n\\challenge\\Kp4vQ9\n");
  while (atLimit.size() + 12 <= k_nMaxAnswerBytes) atLimit += "1 2 \"Bot\"\n";
  atLimit.resize(k_nMaxAnswerBytes, ' ');
  const DropCase cases[] = {
      {"an info answer", Packet(kModernInfo), EPacketVerdict::WrongCommand},
      {"no marker", "statusResponse\n\\challenge\\Kp4vQ9\n", EPacketVerdict::WrongMarker},
      {"no line after the command", Packet("statusResponse"), EPacketVerdict::Malformed},
      {"no challenge", Packet("statusResponse\n\\sv_hostname\\Spoof\n0 0 \"x\"\n"),
       EPacketVerdict::ChallengeMismatch},
      {"the challenge on a player line", Packet("statusResponse\n\\a\\b\n\\challenge\\Kp4vQ9\n"),
       EPacketVerdict::ChallengeMismatch},
      {"a replayed answer", Packet("statusResponse\n\\challenge\\Old1\n"), EPacketVerdict::ChallengeMismatch},
      {"one byte over the limit", atLimit + " ", EPacketVerdict::Oversized},
      {"at the limit", atLimit, EPacketVerdict::Accepted},
  };
  for (const DropCase &c : cases) {
    SCOPED_TRACE(c.what);
    status.m_Players.assign(3, StatusPlayer_t{});
    EXPECT_EQ(Q3().DecodeStatus(c.packet, "Kp4vQ9", status), c.verdict);
    if (c.verdict != EPacketVerdict::Accepted) {
      EXPECT_TRUE(status.m_Players.empty());
    }
  }
  ASSERT_EQ(Q3().DecodeStatus(atLimit, "Kp4vQ9", status), EPacketVerdict::Accepted);
  EXPECT_GT(status.m_Players.size(), 1000u);
}

// Master lists ---------------------------------------------------------------------------------

TEST(Q3MasterList, ReadsEntriesOfBothFormsAndTheEnd) {
  MasterList_t list;
  // One server, then the end marker.
  ASSERT_EQ(Q3().DecodeMasterList(
                Packet("getserversResponse") + ListEntry(IPv4(127, 0, 0, 1), 27960) + kListEnd, list),
            EPacketVerdict::Accepted);
  ASSERT_EQ(list.m_Servers.size(), 1u);
  EXPECT_EQ(list.m_Servers[0].m_unIP, IPv4(127, 0, 0, 1));
  EXPECT_EQ(list.m_Servers[0].m_usPort, 27960);
  EXPECT_TRUE(list.m_bEnd);

  // No servers at all: the header and the end marker, 29 bytes.
  ASSERT_EQ(Q3().DecodeMasterList(Packet("getserversResponse") + kListEnd, list), EPacketVerdict::Accepted);
  EXPECT_TRUE(list.m_Servers.empty());
  EXPECT_TRUE(list.m_bEnd);

  // The extended form mixes IPv6 servers in: counted, not listed.
  ASSERT_EQ(
      Q3().DecodeMasterList(Packet("getserversExtResponse") + ListEntry(IPv4(127, 0, 0, 1), 27960) +
                                IPv6ListEntry(1, 40100) + ListEntry(IPv4(127, 0, 0, 2), 27961) + kListEnd,
                            list),
      EPacketVerdict::Accepted);
  ASSERT_EQ(list.m_Servers.size(), 2u);
  EXPECT_EQ(list.m_Servers[1].m_unIP, IPv4(127, 0, 0, 2));
  EXPECT_EQ(list.m_nIPv6Skipped, 1);
  EXPECT_TRUE(list.m_bEnd);
}

TEST(Q3MasterList, AFullDatagramEndsRightAfterItsLastPort) {
  // 210 servers come as 196 entries with no trailing backslash, then 14 and the end marker.
  std::string first = Packet("getserversResponse");
  std::string second = first;
  for (int i = 0; i < 210; ++i) {
    (i < 196 ? first : second) += ListEntry(IPv4(127, 0, 0, 2 + i / 30), static_cast<uint16>(27960 + i));
  }
  second += kListEnd;
  ASSERT_EQ(first.size(), 1394u);
  ASSERT_EQ(second.size(), 127u);

  MasterList_t list;
  ASSERT_EQ(Q3().DecodeMasterList(first, list), EPacketVerdict::Accepted);
  ASSERT_EQ(list.m_Servers.size(), 196u);
  EXPECT_EQ(list.m_Servers.back().m_unIP, IPv4(127, 0, 0, 8));
  EXPECT_EQ(list.m_Servers.back().m_usPort, 27960 + 195);
  EXPECT_FALSE(list.m_bEnd);
  ASSERT_EQ(Q3().DecodeMasterList(second, list), EPacketVerdict::Accepted);
  EXPECT_EQ(list.m_Servers.size(), 14u);
  EXPECT_TRUE(list.m_bEnd);
}

TEST(Q3MasterList, SkipsUnqueryableEntriesAndDropsUnreadableDatagrams) {
  MasterList_t list;
  // A server whose address begins like the end marker is still a server; what follows the end is not read.
  const std::string odd = Packet("getserversResponse") + ListEntry(IPv4('E', 'O', 'T', 0), 27960) +
                          ListEntry(IPv4(127, 0, 0, 1), 0) + ListEntry(IPv4(0, 0, 0, 0), 27960) +
                          ListEntry(IPv4(224, 0, 0, 1), 27960) + ListEntry(IPv4(255, 255, 255, 255), 27960) +
                          kListEnd + ListEntry(IPv4(10, 0, 0, 9), 27960);
  ASSERT_EQ(Q3().DecodeMasterList(odd, list), EPacketVerdict::Accepted);
  ASSERT_EQ(list.m_Servers.size(), 1u);
  EXPECT_EQ(list.m_Servers[0].m_unIP, IPv4('E', 'O', 'T', 0));
  EXPECT_EQ(list.m_nInvalidSkipped, 4);
  EXPECT_TRUE(list.m_bEnd);

  const std::string header = Packet("getserversResponse");
  const std::string one = ListEntry(IPv4(127, 0, 0, 1), 27960);
  std::string oversized = header;
  while (oversized.size() <= k_nMaxAnswerBytes) oversized += one;
  const DropCase cases[] = {
      {"no marker", "getserversResponse" + one, EPacketVerdict::WrongMarker},
      {"an info answer", Packet(kModernInfo), EPacketVerdict::WrongCommand},
      {"a request", Packet("getservers 71 empty full"), EPacketVerdict::WrongCommand},
      {"a line feed after the header", header + "\n" + one, EPacketVerdict::Malformed},
      {"an unknown entry kind", header + one + "|abcdef", EPacketVerdict::Malformed},
      {"a cut entry", header + one + one.substr(0, 5), EPacketVerdict::Malformed},
      {"a cut IPv6 entry", header + IPv6ListEntry(1, 1).substr(0, 18), EPacketVerdict::Malformed},
      {"a cut end marker", header + one + kListEnd.substr(0, 4), EPacketVerdict::Malformed},
      {"too large", oversized, EPacketVerdict::Oversized},
  };
  for (const DropCase &c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Q3().DecodeMasterList(c.packet, list), c.verdict);
    EXPECT_TRUE(list.m_Servers.empty());
  }
}

// Infostrings and server texts -----------------------------------------------------------------

TEST(Q3InfoString, ReadsEveryMalformedText) {
  const std::string longValue(20000, 'v');
  struct Case {
    std::string text;
    std::vector<std::pair<std::string, std::string>> pairs;
  };
  const Case cases[] = {
      {"", {}},
      {"\\", {}},
      {"\\\\", {}},
      {"\\\\\\", {}},
      {"\\k", {{"k", ""}}},
      {"\\k\\", {{"k", ""}}},
      {"\\k\\v\\", {{"k", "v"}}},
      {"\\k\\v\\\\", {{"k", "v"}}},
      {"\\\\v\\k\\w", {{"k", "w"}}},  // an empty key drops its pair
      {"k\\v\\k2\\v2", {{"k", "v"}, {"k2", "v2"}}},
      {"\\a\\1\\A\\2", {{"a", "1"}, {"A", "2"}}},
      {"\\a b\\c d", {{"a b", "c d"}}},
      {"\\long\\" + longValue, {{"long", longValue}}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text.substr(0, 40));
    const CInfoString info(c.text);
    std::vector<std::pair<std::string, std::string>> pairs;
    for (const CInfoString::Pair &pair : info.Pairs()) pairs.emplace_back(pair.m_Key, pair.m_Value);
    EXPECT_EQ(pairs, c.pairs);
  }
  const CInfoString info("\\Name\\first\\NAME\\second\\empty\\");
  EXPECT_EQ(info.Find("name"), "first");
  EXPECT_EQ(info.Find("empty"), "");
  EXPECT_FALSE(info.Find("missing"));
  EXPECT_FALSE(info.Find(""));
}

TEST(Q3ServerText, ConvertsStripsAndCuts) {
  struct Case {
    std::string raw;
    bool strip;
    size_t max;
    std::string utf8;
  };
  const Case cases[] = {
      {"^1Loud^7 ^aname^Z!", true, 64, "Loud name!"},
      {"^1Loud", false, 64, "^1Loud"},
      {"^^1x^", true, 64, "^x^"},
      {"^ space^.", true, 64, "^ space^."},
      {"a\tb\nc\x7F"
       "d\x1B"
       "e",
       true, 64, "abcde"},
      {"\xA9 \xFF \x80\x9F", false, 64, "© ÿ "},
      {"ab\xE9", false, 3, "ab"},
      {"ab\xE9", false, 4, "abé"},
      {"abc", false, 0, ""},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.raw);
    EXPECT_EQ(ServerTextToUtf8(c.raw, c.strip, c.max), c.utf8);
  }
  EXPECT_EQ(CutUtf8("a€b", 3), "a");
  EXPECT_EQ(CutUtf8("a€b", 4), "a€");
  EXPECT_EQ(ParseDecimal("-12"), -12);
  EXPECT_EQ(ParseDecimal("+7"), 7);
  EXPECT_EQ(ParseDecimal("-2147483648"), -2147483647 - 1);
  for (const char *bad : {"", "-", "2147483648", "1 ", " 1", "0x10", "1e3"})
    EXPECT_FALSE(ParseDecimal(bad)) << bad;
}

TEST(ProtocolRegistry, FindsEachFamilyByName) {
  ASSERT_FALSE(ProtocolFamilies().empty());
  std::set<std::string> names;
  for (const IProtocolFamily *family : ProtocolFamilies()) {
    ASSERT_NE(family, nullptr);
    EXPECT_TRUE(names.insert(family->Name()).second) << family->Name();
    EXPECT_EQ(FindProtocolFamily(family->Name()), family);
  }
  EXPECT_EQ(FindProtocolFamily("Q3"), &Q3ProtocolFamily());
  EXPECT_EQ(Q3().DefaultServerPort(), 27960);
  EXPECT_EQ(Q3().DefaultMasterPort(), 27950);
  EXPECT_EQ(FindProtocolFamily("q4"), nullptr);
  EXPECT_EQ(FindProtocolFamily(""), nullptr);
}

}  // namespace
