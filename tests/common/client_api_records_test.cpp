// Text accessors of the exchanged records.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "plexa/matchmakingtypes.h"

namespace {

ServerRecord Nameless(uint32 ip, uint16 connPort) {
  ServerRecord record{};
  record.m_NetAdr.Init(ip, 1, connPort);
  return record;
}

TEST(ServerRecordName, NameOrConnectionAddress) {
  struct Case {
    const char *name;
    uint32 ip;
    uint16 connPort;
    const char *expected;
  };
  const Case cases[] = {
      {"Lumen Outpost #3", 0x0A000005, 27015, "Lumen Outpost #3"},
      {"", 0x0A000005, 27015, "10.0.0.5:27015"},
      {"", 0xFFFFFFFE, 65535, "255.255.255.254:65535"},
      {"", 0, 0, "0.0.0.0:0"},
  };
  for (const Case &c : cases) {
    ServerRecord record = Nameless(c.ip, c.connPort);
    strcpy(record.m_szServerName, c.name);
    EXPECT_STREQ(record.GetName(), c.expected) << c.expected;
  }
}

TEST(ServerRecordName, FourRotatingBuffers) {
  ServerRecord records[5];
  const char *texts[5];
  for (int i = 0; i < 5; ++i) {
    records[i] = Nameless(0x0A000001 + i, 27015);
    texts[i] = records[i].GetName();
  }
  EXPECT_STREQ(texts[1], "10.0.0.2:27015");
  EXPECT_STREQ(texts[4], "10.0.0.5:27015");
  // The fifth call reused the first call's buffer.
  EXPECT_EQ(texts[0], texts[4]);
  EXPECT_STREQ(texts[0], "10.0.0.5:27015");
}

TEST(ServerRecordText, FieldsWithoutTerminatorAreReadWithinTheirSize) {
  ServerRecord record{};
  memset(record.m_szServerName, 'N', sizeof(record.m_szServerName));
  memset(record.m_szMapName, 'M', sizeof(record.m_szMapName));
  memset(record.m_szGameDirectory, 'G', sizeof(record.m_szGameDirectory));
  memset(record.m_szDescription, 'D', sizeof(record.m_szDescription));
  memset(record.m_szTags, 'T', sizeof(record.m_szTags));
  EXPECT_EQ(std::string(record.GetName()), std::string(63, 'N'));
  EXPECT_EQ(std::string(record.GetMap()), std::string(31, 'M'));
  EXPECT_EQ(std::string(record.GetGameDir()), std::string(31, 'G'));
  EXPECT_EQ(std::string(record.GetDescription()), std::string(63, 'D'));
  EXPECT_EQ(std::string(record.GetTags()), std::string(127, 'T'));

  // A terminated field is handed out in place.
  strcpy(record.m_szMapName, "crater_lake");
  EXPECT_EQ(record.GetMap(), record.m_szMapName);
}

TEST(FriendGameInfo, MissingQueryPortMeansTheGamePort) {
  FriendGameInfo game{};
  game.m_usGamePort = 27015;
  for (uint16 none : {uint16(0xFFFF), uint16(0xFFFE)}) {
    game.m_usQueryPort = none;
    EXPECT_EQ(game.QueryPortOrGamePort(), 27015);
  }
  game.m_usQueryPort = 27016;
  EXPECT_EQ(game.QueryPortOrGamePort(), 27016);
  EXPECT_EQ(AppIdFromGameId(0x0100000001000000ull | 1210u), 1210u);
}

}  // namespace
