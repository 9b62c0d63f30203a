// Favourites as text: the address parser, the plain list and the key/value form read line by
// line with the reasons for what is skipped, and what is written reading back as the same servers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "serverbrowser/FavoritesTransfer.h"

namespace {

std::string Shown(const FavoriteAddress &server) {
  return FavoriteAddressText(server.ip, server.connPort) + " q" + std::to_string(server.queryPort) + " app" +
         std::to_string(server.appId);
}

std::vector<std::string> ShownServers(const FavoritesTextReading &reading) {
  std::vector<std::string> shown;
  for (const FavoriteAddress &server : reading.servers) shown.push_back(Shown(server));
  return shown;
}

std::vector<std::string> ShownProblems(const FavoritesTextReading &reading) {
  std::vector<std::string> shown;
  for (const FavoritesTextProblem &problem : reading.problems)
    shown.push_back(std::to_string(problem.line) + " [" + problem.text + "] " + problem.reason);
  return shown;
}

TEST(FavoritesTransfer, ParsesOnlyWholeNumericIPv4AddressesWithAnOptionalPort) {
  struct Case {
    const char *text;
    const char *reason;  // null: parsed
    const char *address;
  };
  const Case cases[] = {
      {"203.0.113.7:27016", nullptr, "203.0.113.7:27016"},
      {"203.0.113.7", nullptr, "203.0.113.7:27015"},  // no port: the default
      {"1.2.3.4:65535", nullptr, "1.2.3.4:65535"},
      {"010.0.0.1:1", nullptr, "10.0.0.1:1"},
      {"1.2.3.4:0", "#ServerBrowser_ImportBadPort", ""},
      {"1.2.3.4:65536", "#ServerBrowser_ImportBadPort", ""},
      {"1.2.3.4:", "#ServerBrowser_ImportBadPort", ""},
      {"1.2.3.4:27015x", "#ServerBrowser_ImportBadPort", ""},
      {"1.2.3.4:-5", "#ServerBrowser_ImportBadPort", ""},
      {"256.1.1.1", "#ServerBrowser_ImportNotAnAddress", ""},
      {"1.2.3", "#ServerBrowser_ImportNotAnAddress", ""},
      {"1.2.3.4.5", "#ServerBrowser_ImportNotAnAddress", ""},
      {"1..2.3", "#ServerBrowser_ImportNotAnAddress", ""},
      {"0.0.0.0:27015", "#ServerBrowser_ImportNotAnAddress", ""},
      {"1234.1.1.1", "#ServerBrowser_ImportNotAnAddress", ""},
      {"play.example.net:27015", "#ServerBrowser_ImportNotAnAddress", ""},  // names are not looked up
      {"1.2.3.4 :27015", "#ServerBrowser_ImportNotAnAddress", ""},
      {"", "#ServerBrowser_ImportNotAnAddress", ""},
      {"::1", "#ServerBrowser_ImportIPv6", ""},
      {"[2001:db8::7]:27015", "#ServerBrowser_ImportIPv6", ""},
      {"2001:db8::7", "#ServerBrowser_ImportIPv6", ""},
      {"fe80::1%eth0", "#ServerBrowser_ImportIPv6", ""},
  };
  for (const Case &c : cases) {
    uint32 ip = 0xDEADBEEF;
    uint16 port = 7;
    const char *reason = ParseFavoriteAddress(c.text, ip, port);
    EXPECT_STREQ(reason, c.reason) << c.text;
    if (!c.reason) {
      EXPECT_EQ(FavoriteAddressText(ip, port), c.address) << c.text;
    } else {
      EXPECT_EQ(ip, 0xDEADBEEFu) << "untouched on failure: " << c.text;
      EXPECT_EQ(port, 7) << c.text;
    }
  }
}

TEST(FavoritesTransfer, PlainListKeepsEveryAddressOnceAndReportsTheOtherLines) {
  const std::string text =
      "\xEF\xBB\xBF# my servers\r\n"
      "203.0.113.7:27016\r\n"
      "\r\n"
      "   198.51.100.2   # friday night\n"
      "// an old comment\n"
      "203.0.113.7:27016\n"  // again
      "203.0.113.7:27017\n"  // another port: another server
      "play.example.net\n"
      "[2001:db8::7]:27015\n"
      "1.2.3.4:99999\n"
      "\t\n"
      "10.0.0.9";  // the last line needs no line break
  const FavoritesTextReading reading = ReadFavoritesText(text, 1002);
  EXPECT_FALSE(reading.keyValueForm);
  EXPECT_EQ(ShownServers(reading),
            (std::vector<std::string>{"203.0.113.7:27016 q27016 app1002", "198.51.100.2:27015 q27015 app1002",
                                      "203.0.113.7:27017 q27017 app1002", "10.0.0.9:27015 q27015 app1002"}));
  EXPECT_EQ(reading.repeated, 1);
  EXPECT_EQ(ShownProblems(reading),
            (std::vector<std::string>{"8 [play.example.net] #ServerBrowser_ImportNotAnAddress",
                                      "9 [[2001:db8::7]:27015] #ServerBrowser_ImportIPv6",
                                      "10 [1.2.3.4:99999] #ServerBrowser_ImportBadPort"}));
}

TEST(FavoritesTransfer, EmptyTextsAndCommentsOnlyGiveNothingToDo) {
  for (const char *text : {"", "\n\n", "# nothing\r\n\r\n", "\xEF\xBB\xBF"}) {
    const FavoritesTextReading reading = ReadFavoritesText(text, 0);
    EXPECT_TRUE(reading.servers.empty()) << text;
    EXPECT_TRUE(reading.problems.empty()) << text;
  }
}

TEST(FavoritesTransfer, AHugeLineIsShownCutAtACharacter) {
  const std::string line = std::string(78, 'x') + "\xC3\xA4\xC3\xA4" + std::string(500, 'y');
  const FavoritesTextReading reading = ReadFavoritesText(line, 0);
  ASSERT_EQ(reading.problems.size(), 1u);
  EXPECT_EQ(reading.problems[0].text, std::string(78, 'x') + "\xC3\xA4...");
}

TEST(FavoritesTransfer, KeyValueFormKeepsQueryPortsAndApplicationsAndPlacesItsProblems) {
  const std::string text =
      "// exported\r\n"
      "\"Favorites\"\r\n"
      "{\r\n"
      "\t\"server\" { \"address\" \"203.0.113.7:27016\" \"queryport\" \"27020\" \"appid\" \"1200\" }\r\n"
      "\t\"server\" { \"address\" \"198.51.100.2\" }\r\n"
      "\t\"server\"\r\n"
      "\t{\r\n"
      "\t\t\"address\" \"2001:db8::7\"\r\n"
      "\t}\r\n"
      "\t\"server\" { \"queryport\" \"27015\" }\r\n"
      "\t\"server\" { \"address\" \"10.0.0.1:27015\" \"queryport\" \"70000\" }\r\n"
      "\t\"server\" { \"address\" \"203.0.113.7:27016\" }\r\n"
      "}\r\n";
  const FavoritesTextReading reading = ReadFavoritesText(text, 500);
  EXPECT_TRUE(reading.keyValueForm);
  EXPECT_EQ(ShownServers(reading), (std::vector<std::string>{"203.0.113.7:27016 q27020 app1200",
                                                             "198.51.100.2:27015 q27015 app500"}));
  EXPECT_EQ(reading.repeated, 1);
  EXPECT_EQ(ShownProblems(reading),
            (std::vector<std::string>{
                "6 [\"server\" \"address\" \"2001:db8::7\"] #ServerBrowser_ImportIPv6",
                "10 [\"server\"] #ServerBrowser_ImportNoAddress",
                "11 [\"server\" \"address\" \"10.0.0.1:27015\"] #ServerBrowser_ImportBadNumber"}));
}

TEST(FavoritesTransfer, BrokenKeyValueTextIsReportedAndWhatCameBeforeIsKept) {
  const FavoritesTextReading reading = ReadFavoritesText(
      "\"Favorites\"\n{\n\"server\" { \"address\" \"10.0.0.1\" }\n\"server\" { \"address\n", 0);
  EXPECT_TRUE(reading.keyValueForm);
  ASSERT_FALSE(reading.problems.empty());
  EXPECT_EQ(reading.problems[0].line, 0);
  EXPECT_STREQ(reading.problems[0].reason, "#ServerBrowser_ImportUnreadable");
  EXPECT_FALSE(reading.problems[0].text.empty());
  EXPECT_EQ(ShownServers(reading), (std::vector<std::string>{"10.0.0.1:27015 q27015 app0"}));
}

TEST(FavoritesTransfer, WrittenTextReadsBackAsTheSameServers) {
  const std::vector<FavoriteAddress> servers = {
      {0xCB007107u, 27016, 27020, 1200}, {0xC6336402u, 27015, 27015, 0}, {0x0A000001u, 1, 65535, 0xFFFFFF}};
  const FavoritesTextReading full =
      ReadFavoritesText(WriteFavoritesText(servers, EFavoritesTextForm::KeyValues), 7);
  EXPECT_TRUE(full.keyValueForm);
  EXPECT_TRUE(full.problems.empty());
  std::vector<std::string> expected;
  for (const FavoriteAddress &server : servers) expected.push_back(Shown(server));
  EXPECT_EQ(ShownServers(full), expected);

  // The plain list keeps the addresses; the application is the reader's, the query port the
  // connection port.
  const FavoritesTextReading plain =
      ReadFavoritesText(WriteFavoritesText(servers, EFavoritesTextForm::Plain), 7);
  EXPECT_FALSE(plain.keyValueForm);
  EXPECT_TRUE(plain.problems.empty());
  EXPECT_EQ(ShownServers(plain),
            (std::vector<std::string>{"203.0.113.7:27016 q27016 app7", "198.51.100.2:27015 q27015 app7",
                                      "10.0.0.1:1 q1 app7"}));
}

}  // namespace
