// The master's table fed datagrams by hand: registration, the checks on infoResponses, expiry,
// limits, list queries and their filters, flood limits, and a table of 100,000 servers.
#include "tools/serverfarm/master_table.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "plexaclient/net/infostring.h"
#include "plexaclient/net/q3_protocol.h"
#include "tools/serverfarm/master_protocol.h"

namespace {

const std::string kMarker("\xff\xff\xff\xff");

NetAddress Address(uint32_t ip, uint16_t port) {
  return NetAddress::FromIPv4(ip, port);
}

class MasterTableTest : public testing::Test {
 protected:
  MasterTableTest() : m_Table(Settings()) {}
  static MasterSettings Settings() {
    MasterSettings settings;
    settings.m_nMaxPerAddress = 4;
    settings.m_nMaxServers = 10;
    return settings;
  }

  // The challenge the master sends back to a heartbeat; empty when it sends nothing.
  std::string Heartbeat(const NetAddress &server, std::string_view tag = "DarkPlaces") {
    std::vector<MasterSend> out;
    m_Table.Handle(kMarker + "heartbeat " + std::string(tag) + "\n", server, m_nNow, out);
    if (out.size() != 1 || !(out[0].m_To == server)) return "";
    EXPECT_TRUE(out[0].m_Bytes.starts_with(kMarker + "getinfo "));
    return out[0].m_Bytes.substr(12);
  }
  void Info(const NetAddress &server, const std::string &pairs) {
    std::vector<MasterSend> out;
    m_Table.Handle(kMarker + "infoResponse\n" + pairs, server, m_nNow, out);
    EXPECT_TRUE(out.empty());
  }
  static std::string Pairs(const std::string &challenge, int clients = 3, int maxClients = 12,
                           const std::string &game = "Ironclad", int protocol = 71, int gameType = 0) {
    return "\\g_needpass\\0\\gametype\\" + std::to_string(gameType) + "\\sv_maxclients\\" +
           std::to_string(maxClients) + "\\clients\\" + std::to_string(clients) + "\\protocol\\" +
           std::to_string(protocol) + (game.empty() ? "" : "\\gamename\\" + game) + "\\challenge\\" +
           challenge;
  }
  void Register(const NetAddress &server, int clients = 3, int maxClients = 12,
                const std::string &game = "Ironclad", int protocol = 71, int gameType = 0) {
    const std::string challenge = Heartbeat(server);
    ASSERT_FALSE(challenge.empty());
    Info(server, Pairs(challenge, clients, maxClients, game, protocol, gameType));
  }
  // The servers a list query gets, in the order sent; each datagram ends with the marker.
  std::vector<NetAddress> List(const std::string &query,
                               const NetAddress &client = Address(0x7F000001u, 5000)) {
    std::vector<MasterSend> out;
    m_Table.Handle(kMarker + query, client, m_nNow, out);
    std::vector<NetAddress> servers;
    for (const MasterSend &send : out) {
      EXPECT_TRUE(send.m_To == client);
      EXPECT_TRUE(send.m_Bytes.ends_with(std::string("\\EOT\0\0\0", 7)));
      const bool ext = send.m_Bytes.starts_with(kMarker + "getserversExtResponse");
      for (size_t i = ext ? 25 : 22; i + 7 < send.m_Bytes.size();) {
        NetAddress server;
        server.m_bIPv6 = send.m_Bytes[i] == '/';
        const size_t length = server.m_bIPv6 ? 16 : 4;
        memcpy(server.m_Bytes, send.m_Bytes.data() + i + 1, length);
        server.m_usPort = static_cast<uint16_t>((static_cast<uint8_t>(send.m_Bytes[i + 1 + length]) << 8) |
                                                static_cast<uint8_t>(send.m_Bytes[i + 2 + length]));
        servers.push_back(server);
        i += 3 + length;
      }
    }
    if (out.empty()) servers.push_back(Address(0, 0));  // no answer at all
    return servers;
  }

  CMasterTable m_Table;
  int64_t m_nNow = 1000;
};

const NetAddress kServerA = Address(0x7F000102u, 27960);
const NetAddress kServerB = Address(0x7F000103u, 27961);

TEST_F(MasterTableTest, ListsAServerOnlyAfterItsChallengeComesBack) {
  const std::string challenge = Heartbeat(kServerA);
  EXPECT_GE(challenge.size(), 8u);
  EXPECT_EQ(m_Table.ListedCount(), 0u);
  EXPECT_EQ(List("getservers Ironclad 71 empty full"), std::vector<NetAddress>{});
  Info(kServerA, Pairs(challenge));
  EXPECT_EQ(m_Table.ListedCount(), 1u);
  EXPECT_EQ(List("getservers Ironclad 71 empty full"), std::vector<NetAddress>{kServerA});
  EXPECT_EQ(List("getservers Ironclad 71 empty full\n"), std::vector<NetAddress>{kServerA});
  EXPECT_EQ(List("getservers 71"), std::vector<NetAddress>{kServerA});  // the game of protocol 71
  EXPECT_EQ(List("getservers Other 71 empty full"), std::vector<NetAddress>{});
  EXPECT_EQ(m_Table.Counter(k_MasterInfoAccepted), 1u);
}

TEST_F(MasterTableTest, ChallengeIsKeptTwoSecondsAndPerTag) {
  const std::string first = Heartbeat(kServerA);
  m_nNow += 1500;
  EXPECT_EQ(Heartbeat(kServerA), first);  // the second shutdown heartbeat gets the same one
  const std::string other = Heartbeat(kServerA, "QuakeArena-1");
  EXPECT_NE(other, first);
  m_nNow += 2000;
  const std::string later = Heartbeat(kServerA, "QuakeArena-1");
  EXPECT_NE(later, other);
  // An answer with the earlier challenge is refused, the current one taken.
  Info(kServerA, Pairs(other, 3, 12, ""));
  EXPECT_EQ(m_Table.Counter(k_MasterDroppedChallenge), 1u);
  Info(kServerA, Pairs(later, 3, 12, ""));
  EXPECT_EQ(m_Table.ListedCount(), 1u);
  // Without a game name the tag's game counts.
  EXPECT_EQ(List("getservers 68 empty full"), std::vector<NetAddress>{});
  EXPECT_EQ(List("getservers Quake3Arena 71 empty full"), std::vector<NetAddress>{kServerA});
}

TEST_F(MasterTableTest, RefusesInfoResponsesThatFailAnyCheck) {
  struct Case {
    const char *what;
    const char *tag;
    std::string pairs;  // "CH" stands for the challenge
    EMasterCounter counter;
  } cases[] = {
      {"wrong challenge", "DarkPlaces",
       "\\protocol\\71\\sv_maxclients\\8\\clients\\1\\gamename\\G\\challenge\\nope",
       k_MasterDroppedChallenge},
      {"no challenge", "DarkPlaces", "\\protocol\\71\\sv_maxclients\\8\\clients\\1\\gamename\\G",
       k_MasterDroppedChallenge},
      {"no protocol", "DarkPlaces", "\\sv_maxclients\\8\\clients\\1\\gamename\\G\\challenge\\CH",
       k_MasterDroppedInfo},
      {"protocol not a number", "DarkPlaces",
       "\\protocol\\71a\\sv_maxclients\\8\\clients\\1\\gamename\\G\\challenge\\CH", k_MasterDroppedInfo},
      {"gametype with a space", "DarkPlaces",
       "\\protocol\\71\\gametype\\0 1\\sv_maxclients\\8\\clients\\1\\gamename\\G\\challenge\\CH",
       k_MasterDroppedInfo},
      {"no slots", "DarkPlaces", "\\protocol\\71\\sv_maxclients\\0\\clients\\0\\gamename\\G\\challenge\\CH",
       k_MasterDroppedInfo},
      {"slots missing", "DarkPlaces", "\\protocol\\71\\clients\\0\\gamename\\G\\challenge\\CH",
       k_MasterDroppedInfo},
      {"clients missing", "DarkPlaces", "\\protocol\\71\\sv_maxclients\\8\\gamename\\G\\challenge\\CH",
       k_MasterDroppedInfo},
      {"generic tag without game", "DarkPlaces",
       "\\protocol\\71\\sv_maxclients\\8\\clients\\1\\challenge\\CH", k_MasterDroppedInfo},
      {"game other than the tag's", "QuakeArena-1",
       "\\protocol\\71\\sv_maxclients\\8\\clients\\1\\gamename\\G\\challenge\\CH", k_MasterDroppedInfo},
      {"game with a space", "DarkPlaces",
       "\\protocol\\71\\sv_maxclients\\8\\clients\\1\\gamename\\G H\\challenge\\CH", k_MasterDroppedInfo},
      {"over-long game", "DarkPlaces",
       "\\protocol\\71\\sv_maxclients\\8\\clients\\1\\gamename\\" + std::string(256, 'g') + "\\challenge\\CH",
       k_MasterDroppedInfo},
  };
  for (const Case &c : cases) {
    CMasterTable table(Settings());
    std::vector<MasterSend> out;
    table.Handle(kMarker + "heartbeat " + c.tag, kServerA, 0, out);
    ASSERT_EQ(out.size(), 1u) << c.what;
    std::string pairs = c.pairs;
    if (const size_t at = pairs.find("\\CH"); at != std::string::npos)
      pairs.replace(at + 1, 2, out[0].m_Bytes.substr(12));
    out.clear();
    table.Handle(kMarker + "infoResponse\n" + pairs, kServerA, 100, out);
    EXPECT_EQ(table.Counter(c.counter), 1u) << c.what;
    EXPECT_EQ(table.ListedCount(), 0u) << c.what;
  }
}

TEST_F(MasterTableTest, DropsWhatNoServerShouldSend) {
  // An answer without a heartbeat, one after the challenge's time, an unknown tag, port 0.
  Info(kServerA, Pairs("whatever"));
  EXPECT_EQ(m_Table.Counter(k_MasterDroppedUnknown), 1u);
  const std::string challenge = Heartbeat(kServerA);
  m_nNow += 3500;
  Info(kServerA, Pairs(challenge));
  EXPECT_EQ(m_Table.Counter(k_MasterDroppedUnknown), 2u);
  EXPECT_EQ(Heartbeat(kServerB, "WolfFlatline-1"), "");
  EXPECT_EQ(m_Table.Counter(k_MasterDroppedTag), 1u);
  EXPECT_EQ(Heartbeat(Address(0x7F000001u, 0)), "");
  EXPECT_EQ(m_Table.Counter(k_MasterDroppedAddress), 1u);
  for (const std::string &junk : {std::string("heartbeat DarkPlaces"), kMarker, kMarker + "hello",
                                  kMarker + "getservers", kMarker + std::string(2100, 'x')}) {
    std::vector<MasterSend> out;
    m_Table.Handle(junk, kServerB, m_nNow, out);
    EXPECT_TRUE(out.empty());
  }
  EXPECT_EQ(m_Table.Counter(k_MasterDroppedMalformed), 5u);
  EXPECT_EQ(m_Table.ListedCount(), 0u);

  // Loopback servers can be refused.
  MasterSettings settings = Settings();
  settings.m_bAllowLoopback = false;
  CMasterTable strict(settings);
  std::vector<MasterSend> out;
  strict.Handle(kMarker + "heartbeat DarkPlaces\n", kServerA, 0, out);
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(strict.Counter(k_MasterDroppedAddress), 1u);
}

TEST_F(MasterTableTest, ForgetsHeartbeatsAloneAndExpiresListedServers) {
  Heartbeat(kServerB);
  EXPECT_EQ(m_Table.EntryCount(), 1u);
  m_nNow += 2000;
  m_Table.Expire(m_nNow);
  EXPECT_EQ(m_Table.EntryCount(), 0u);

  Register(kServerA);
  m_nNow += 14 * 60 * 1000;
  Heartbeat(kServerA);  // a heartbeat alone does not lengthen its life
  m_nNow += 60 * 1000;
  m_Table.Expire(m_nNow);
  EXPECT_EQ(m_Table.ListedCount(), 0u);

  // Each valid infoResponse does: 15 minutes from then.
  Register(kServerA);
  m_nNow += 10 * 60 * 1000;
  Register(kServerA);
  m_nNow += 10 * 60 * 1000;
  m_Table.Expire(m_nNow);
  EXPECT_EQ(m_Table.ListedCount(), 1u);
  m_nNow += 5 * 60 * 1000;
  m_Table.Expire(m_nNow);
  EXPECT_EQ(m_Table.ListedCount(), 0u);
  EXPECT_EQ(m_Table.EntryCount(), 0u);
}

TEST_F(MasterTableTest, KeepsItsLimitsPerAddressAndInAll) {
  for (uint16_t port = 1; port <= 5; ++port) Heartbeat(Address(0x7F000105u, port));
  EXPECT_EQ(m_Table.EntryCount(), 4u);
  EXPECT_EQ(m_Table.Counter(k_MasterDroppedFull), 1u);
  for (uint32_t host = 1; host <= 8; ++host) Heartbeat(Address(0x7F000200u + host, 27960));
  EXPECT_EQ(m_Table.EntryCount(), 10u);
  EXPECT_EQ(m_Table.Counter(k_MasterDroppedFull), 3u);
  // Room comes back when waiting entries are forgotten.
  m_nNow += 2000;
  m_Table.Expire(m_nNow);
  Register(Address(0x7F000105u, 5));
  EXPECT_EQ(m_Table.ListedCount(), 1u);
}

TEST_F(MasterTableTest, FiltersListsAsAsked) {
  const NetAddress empty = Address(0x7F000110u, 1), full = Address(0x7F000111u, 2),
                   busy = Address(0x7F000112u, 3), ctf = Address(0x7F000113u, 4),
                   older = Address(0x7F000114u, 5);
  NetAddress six;
  ASSERT_TRUE(ParseNetAddress("[::1]:27960", 0, six));
  Register(empty, 0, 8);
  Register(full, 8, 8);
  Register(busy, 3, 8);
  Register(ctf, 3, 8, "Ironclad", 71, 4);
  Register(older, 3, 8, "Ironclad", 70);
  Register(six, 3, 8);
  const std::vector<NetAddress> all4 = {empty, full, busy, ctf};
  struct Case {
    const char *query;
    std::vector<NetAddress> servers;
  } cases[] = {
      {"getservers Ironclad 71", {busy, ctf}},
      {"getservers Ironclad 71 empty", {empty, busy, ctf}},
      {"getservers Ironclad 71 full", {full, busy, ctf}},
      {"getservers Ironclad 71 empty full", all4},
      {"getservers Ironclad 71 empty full ctf", {ctf}},
      {"getservers Ironclad 71 empty full gametype=0", {empty, full, busy}},
      {"getservers Ironclad 70 empty full", {older}},
      {"getserversExt Ironclad 71 empty full", {empty, full, busy, ctf, six}},
      {"getserversExt Ironclad 71 empty full ipv6", {six}},
      {"getserversExt Ironclad 71 empty full ipv4", all4},
      {"getserversExt Ironclad 71 empty full ipv4 ipv6\n", {empty, full, busy, ctf, six}},
  };
  for (const Case &c : cases) EXPECT_EQ(List(c.query), c.servers) << c.query;
}

TEST_F(MasterTableTest, LimitsListQueriesPerSourceAndWhatItSends) {
  Register(kServerA);
  const NetAddress client = Address(0x7F000009u, 4000), other = Address(0x7F00000Au, 4000);
  for (int i = 0; i < 20; ++i) ASSERT_EQ(List("getservers 71 empty full", client).size(), 1u);
  // Over the burst: no answer, another port of the same address neither; another address does.
  EXPECT_EQ(List("getservers 71 empty full", client), std::vector<NetAddress>{Address(0, 0)});
  EXPECT_EQ(List("getservers 71 empty full", Address(0x7F000009u, 4001)),
            std::vector<NetAddress>{Address(0, 0)});
  EXPECT_EQ(List("getservers 71 empty full", other), std::vector<NetAddress>{kServerA});
  m_nNow += 500;
  EXPECT_EQ(List("getservers 71 empty full", client), std::vector<NetAddress>{kServerA});
  EXPECT_EQ(m_Table.Counter(k_MasterDroppedFlood), 2u);

  MasterSettings settings = Settings();
  settings.m_ListLimit = RateLimit{0, 1};
  settings.m_nMaxSendBytesPerSecond = 29 * 5 + 10;  // five empty answers a second
  CMasterTable capped(settings);
  int answered = 0;
  for (int i = 0; i < 8; ++i) {
    std::vector<MasterSend> out;
    capped.Handle(kMarker + "getservers 71 empty full", client, 0, out);
    answered += static_cast<int>(out.size());
  }
  EXPECT_EQ(answered, 5);
  EXPECT_EQ(capped.Counter(k_MasterDroppedSendCap), 3u);
}

TEST(MasterTable, Holds100000Servers) {
  MasterSettings settings;
  settings.m_nMaxServers = 100000;
  settings.m_ListLimit = RateLimit{0, 1};
  settings.m_nMaxSendBytesPerSecond = 0;
  CMasterTable table(settings, 11);
  constexpr uint32_t kCount = 100000;
  std::vector<MasterSend> out;
  for (uint32_t i = 0; i < kCount; ++i) {
    const NetAddress server = Address(0x7F000000u + 0x100u + i, static_cast<uint16_t>(27960 + i % 4));
    out.clear();
    table.Handle(kMarker + "heartbeat DarkPlaces\n", server, i / 100, out);
    ASSERT_EQ(out.size(), 1u);
    const std::string challenge = out[0].m_Bytes.substr(12);
    out.clear();
    table.Handle(kMarker + "infoResponse\n\\sv_maxclients\\16\\clients\\" + std::to_string(i % 17) +
                     "\\protocol\\71\\gamename\\Ironclad\\challenge\\" + challenge,
                 server, i / 100, out);
  }
  ASSERT_EQ(table.ListedCount(), kCount);
  // One more is refused.
  out.clear();
  table.Handle(kMarker + "heartbeat DarkPlaces\n", Address(0x7F7F0001u, 1), 1000, out);
  EXPECT_TRUE(out.empty());

  out.clear();
  table.Handle(kMarker + "getservers Ironclad 71 empty full", Address(0x7F000001u, 9), 1000, out);
  EXPECT_EQ(out.size(), (kCount + 194) / 195);
  std::set<uint64_t> seen;
  for (const MasterSend &send : out) {
    ASSERT_LE(send.m_Bytes.size(), k_nMaxListDatagram);
    MasterList_t list;
    ASSERT_EQ(Q3ProtocolFamily().DecodeMasterList(send.m_Bytes, list), EPacketVerdict::Accepted);
    EXPECT_TRUE(list.m_bEnd);
    for (const MasterListEntry_t &entry : list.m_Servers)
      seen.insert((static_cast<uint64_t>(entry.m_unIP) << 16) | entry.m_usPort);
  }
  EXPECT_EQ(seen.size(), kCount);
  // Expiry empties it again.
  table.Expire(1000 + settings.m_nExpiryMs + 1000);
  EXPECT_EQ(table.ListedCount(), 0u);
  EXPECT_EQ(table.EntryCount(), 0u);
}

}  // namespace
