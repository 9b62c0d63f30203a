// The sort order of server lists: each column's comparison of the services' records, rows without
// a record, ties passed to the secondary column, and every list reading its own records.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "kgui_controls/ListPanel.h"
#include "serverbrowser/ServerBrowserDialog.h"
#include "serverbrowser/ServerListCompare.h"
#include "support/games_page_fixture.h"

using kgui::ListPanel;
using sbtest::FakeServices;

namespace {

// A record source that is not a page, like a dialog's result list.
class RecordSource final : public IGameList {
 public:
  bool OffersItem(int) override { return false; }
  void BeginRefresh() override {}
  void GetNewServerList() override {}
  void CancelRefresh() override {}
  bool IsRefreshRunning() override { return false; }
  ServerRecord *GetServerRecord(int serverIndex) override {
    auto found = m_Records.find(serverIndex);
    return found == m_Records.end() ? nullptr : &found->second;
  }
  void ConnectToServer() override {}
  int NoRowID() override { return -1; }

  std::map<int, ServerRecord> m_Records;
};

int Sign(int value) {
  return (value > 0) - (value < 0);
}

ServerRecord Server(const std::function<void(ServerRecord &)> &edit) {
  ServerRecord server = FakeServices::MakeServer("Server", TestIP(1), 27015, 50);
  edit(server);
  return server;
}

class SortOrderTest : public GamesPageTest {
 protected:
  SortOrderTest() { m_pList = new CGameListPanel(&m_Source, nullptr, m_pHost, "list"); }

  // Compares the rows of indices 1 and 2 holding `first` and `second`.
  int Compare(ListPanel::SortFunc func, const ServerRecord &first, const ServerRecord &second) {
    m_Source.m_Records = {{1, first}, {2, second}};
    kgui::ListPanelItem p1, p2;
    p1.m_unUserData = 1;
    p2.m_unUserData = 2;
    return func(m_pList, p1, p2);
  }

  // The "name" of every shown row of the page's list, in display order.
  static std::vector<std::string> Order(CTestGamesPage *page) {
    std::vector<std::string> names;
    CGameListPanel *list = page->GetGameList();
    for (int row = 0; row < list->GetVisibleItemCount(); ++row)
      names.emplace_back(list->GetItemData(list->GetItemIDAtRow(row))->GetString("name"));
    return names;
  }
  static void SortBy(CTestGamesPage *page, int column, bool ascending) {
    page->GetGameList()->SortByColumn(column, ascending);
    page->GetGameList()->SortList();
  }

  RecordSource m_Source;
  CGameListPanel *m_pList = nullptr;
};

const ListPanel::SortFunc kAllFunctions[] = {ComparePassword, CompareBots,      CompareSecure,  CompareName,
                                             CompareIPAddr,   CompareGameDesc,  ComparePlayers, CompareMap,
                                             ComparePing,     CompareLastPlayed};

}  // namespace

TEST_F(SortOrderTest, EachColumnComparesItsRecordField) {
  struct Case {
    const char *what;
    ListPanel::SortFunc func;
    ServerRecord first, second;
    int sign;
  };
  const auto name = [](const char *text) {
    return Server(
        [text](ServerRecord &s) { snprintf(s.m_szServerName, sizeof(s.m_szServerName), "%s", text); });
  };
  const auto address = [](uint32 ip, uint16 queryPort) {
    return Server([=](ServerRecord &s) { s.m_NetAdr.Init(ip, queryPort, 27015); });
  };
  const auto players = [](int count, int limit) {
    return Server([=](ServerRecord &s) {
      s.m_nPlayerCount = count;
      s.m_nPlayerLimit = limit;
    });
  };
  const auto ping = [](int ms) { return Server([=](ServerRecord &s) { s.m_nPingMs = ms; }); };
  const auto locked = [](bool state) { return Server([=](ServerRecord &s) { s.m_bHasPassword = state; }); };
  const auto secure = [](bool state) { return Server([=](ServerRecord &s) { s.m_bIsSecure = state; }); };
  const auto bots = [](int count) { return Server([=](ServerRecord &s) { s.m_nBotCount = count; }); };
  const auto desc = [](const char *text) {
    return Server(
        [text](ServerRecord &s) { snprintf(s.m_szDescription, sizeof(s.m_szDescription), "%s", text); });
  };
  const auto map = [](const char *text) {
    return Server([text](ServerRecord &s) { snprintf(s.m_szMapName, sizeof(s.m_szMapName), "%s", text); });
  };
  const auto played = [](uint32 when) {
    return Server([=](ServerRecord &s) { s.m_nLastPlayedTime = when; });
  };
  const auto unnamed = [](uint32 ip) {
    return Server([=](ServerRecord &s) {
      s.m_szServerName[0] = 0;
      s.m_NetAdr.Init(ip, 27015, 27015);
    });
  };

  const Case cases[] = {
      {"password first", ComparePassword, locked(true), locked(false), -1},
      {"password equal", ComparePassword, locked(true), locked(true), 0},
      {"more bots first", CompareBots, bots(3), bots(1), -1},
      {"fewer bots after", CompareBots, bots(0), bots(2), 1},
      {"secure first", CompareSecure, secure(true), secure(false), -1},
      {"name alphabetical", CompareName, name("alpha"), name("Bravo"), -1},
      {"name ignores case", CompareName, name("Harbor"), name("harbor"), 0},
      {"unnamed sorts by address text", CompareName, unnamed(TestIP(5)), name("2 Fort"), -1},
      {"address numeric, not text", CompareIPAddr, address(0x09FFFFFF, 27015), address(TestIP(1), 27015), -1},
      {"same address by query port", CompareIPAddr, address(TestIP(1), 27016), address(TestIP(1), 27015), 1},
      {"same address and port", CompareIPAddr, address(TestIP(1), 27015), address(TestIP(1), 27015), 0},
      {"high addresses compare unsigned", CompareIPAddr, address(0xC0A80001, 1), address(0x0A000001, 1), 1},
      {"description alphabetical", CompareGameDesc, desc("ashfall"), desc("Brimstone"), -1},
      {"more players first", ComparePlayers, players(24, 24), players(20, 32), -1},
      {"equal players: larger server first", ComparePlayers, players(20, 32), players(20, 24), -1},
      {"fewer players after", ComparePlayers, players(3, 16), players(20, 24), 1},
      {"same players and limit", ComparePlayers, players(8, 16), players(8, 16), 0},
      {"map alphabetical", CompareMap, map("de_a"), map("DE_B"), -1},
      {"lower ping first", ComparePing, ping(15), ping(80), -1},
      {"higher ping after", ComparePing, ping(999), ping(80), 1},
      {"most recent first", CompareLastPlayed, played(0xF0000000u), played(5), -1},
      {"never played last", CompareLastPlayed, played(0), played(5), 1},
  };
  for (const Case &c : cases) EXPECT_EQ(Sign(Compare(c.func, c.first, c.second)), c.sign) << c.what;
}

TEST_F(SortOrderTest, RowsWithoutARecordComeFirst) {
  const ServerRecord server = FakeServices::MakeServer("Beacon", TestIP(1), 27015, 50);
  kgui::ListPanelItem present, missing, alsoMissing;
  present.m_unUserData = 1;
  missing.m_unUserData = 7;
  alsoMissing.m_unUserData = 8;
  for (ListPanel::SortFunc func : kAllFunctions) {
    m_Source.m_Records = {{1, server}};
    EXPECT_EQ(func(m_pList, missing, present), -1);
    EXPECT_EQ(func(m_pList, present, missing), 1);
    EXPECT_EQ(func(m_pList, missing, alsoMissing), 0);
  }
}

TEST_F(SortOrderTest, ListsWithoutARecordSourceTieAndTwoRowsOfOneServerAreReported) {
  ListPanel *plain = new ListPanel(m_pHost, "plain");
  m_Source.m_Records = {{1, FakeServices::MakeServer("A", TestIP(1), 27015, 10)}};
  kgui::ListPanelItem p1, p2;
  p1.m_unUserData = 1;
  p2.m_unUserData = 1;
  for (ListPanel::SortFunc func : kAllFunctions) EXPECT_EQ(func(plain, p1, p2), 0);
  EXPECT_EQ(CGameListPanel::RecordSourceOf(plain), nullptr);
  EXPECT_EQ(CGameListPanel::RecordSourceOf(m_pList), &m_Source);

  m_Spew.Clear();
  CompareGameDesc(m_pList, p1, p2);
  EXPECT_TRUE(m_Spew.Contains("p1.m_unUserData != p2.m_unUserData"));
}

TEST_F(SortOrderTest, PageListSortsByPlayersThenLimitAndByPing) {
  CTestGamesPage *page = MakePage();
  ListRequestHandle request = Refresh(page);
  struct Row {
    const char *name;
    int players, limit, ping;
  };
  const Row rows[] = {{"Small", 3, 16, 80}, {"Mid", 20, 24, 999}, {"Full", 24, 24, 15}, {"Big", 20, 32, 120}};
  int index = 1;
  for (const Row &r : rows) {
    m_Services.Answer(request, index,
                      FakeServices::MakeServer(r.name, TestIP(index), 27015, r.ping, 500, "ashfall", "harbor",
                                               r.players, r.limit));
    ++index;
  }
  SortBy(page, 6, true);
  EXPECT_EQ(Order(page), (std::vector<std::string>{"Full", "Big", "Mid", "Small"}));
  SortBy(page, 6, false);
  EXPECT_EQ(Order(page), (std::vector<std::string>{"Small", "Mid", "Big", "Full"}));
  SortBy(page, 8, true);
  EXPECT_EQ(Order(page), (std::vector<std::string>{"Full", "Small", "Big", "Mid"}));
}

TEST_F(SortOrderTest, NamesEqualButForCaseAreOrderedByTheSecondaryColumn) {
  CTestGamesPage *page = MakePage();
  ListRequestHandle request = Refresh(page);
  m_Services.Answer(request, 1, FakeServices::MakeServer("Harbor", TestIP(1), 27015, 50));
  m_Services.Answer(request, 2, FakeServices::MakeServer("harbor", TestIP(2), 27015, 10));
  m_Services.Answer(request, 3, FakeServices::MakeServer("Anchor", TestIP(3), 27015, 90));
  SortBy(page, 8, true);
  SortBy(page, 3, true);
  ASSERT_EQ(page->GetGameList()->GetSortColumnSecondary(), 8);
  EXPECT_EQ(Order(page), (std::vector<std::string>{"Anchor", "harbor", "Harbor"}));
}

TEST_F(SortOrderTest, ARowWhoseRecordIsGoneSortsFirstAscendingAndLastDescending) {
  CTestGamesPage *page = MakePage();
  ListRequestHandle request = Refresh(page);
  m_Services.Answer(request, 1, FakeServices::MakeServer("Near", TestIP(1), 27015, 10));
  m_Services.Answer(request, 2, FakeServices::MakeServer("Vanished", TestIP(2), 27015, 50));
  m_Services.Answer(request, 3, FakeServices::MakeServer("Far", TestIP(3), 27015, 90));
  m_Services.Request(request)->servers.erase(2);
  SortBy(page, 8, true);
  EXPECT_EQ(Order(page), (std::vector<std::string>{"Vanished", "Near", "Far"}));
  SortBy(page, 8, false);
  EXPECT_EQ(Order(page), (std::vector<std::string>{"Far", "Near", "Vanished"}));
}

TEST_F(SortOrderTest, EachListReadsItsOwnRecordsWhateverPageIsShown) {
  MakeMainWindow();
  CTestGamesPage *first = MakePage(eFavoriteServer, "FirstList");
  CTestGamesPage *second = MakePage(eFavoriteServer, "SecondList");
  ListRequestHandle firstRequest = Refresh(first);
  ListRequestHandle secondRequest = Refresh(second);
  // The same indices name different servers in the two requests.
  m_Services.Answer(firstRequest, 1, FakeServices::MakeServer("Slow A", TestIP(1), 27015, 300));
  m_Services.Answer(firstRequest, 2, FakeServices::MakeServer("Quick A", TestIP(2), 27015, 20));
  m_Services.Answer(secondRequest, 1, FakeServices::MakeServer("Quick B", TestIP(3), 27015, 5));
  m_Services.Answer(secondRequest, 2, FakeServices::MakeServer("Slow B", TestIP(4), 27015, 400));
  SortBy(first, 8, true);
  SortBy(second, 8, true);
  EXPECT_EQ(Order(first), (std::vector<std::string>{"Quick A", "Slow A"}));
  EXPECT_EQ(Order(second), (std::vector<std::string>{"Quick B", "Slow B"}));
}

namespace {

struct KeyedColumn {
  const char *what;
  ListPanel::SortFunc func;
  ListPanel::SortKeyFunc key;
};

const KeyedColumn kKeyedColumns[] = {
    {"password", ComparePassword, PasswordKey},
    {"bots", CompareBots, BotsKey},
    {"secure", CompareSecure, SecureKey},
    {"name", CompareName, NameKey},
    {"address", CompareIPAddr, IPAddrKey},
    {"description", CompareGameDesc, GameDescKey},
    {"players", ComparePlayers, PlayersKey},
    {"map", CompareMap, MapKey},
    {"ping", ComparePing, PingKey},
    {"last played", CompareLastPlayed, LastPlayedKey},
};

// Servers whose fields tie often, differ by case, share long prefixes and reach the ends of their
// types' ranges.
ServerRecord RandomServer(std::mt19937 &random) {
  static const char *const kTexts[] = {"",
                                       "harbor",
                                       "Harbor",
                                       "HARBOR #2",
                                       "harbor #10",
                                       "h\xc3\xa9",
                                       "zz",
                                       "Z",
                                       "a",
                                       "a long shared prefix of names one",
                                       "A LONG SHARED PREFIX OF NAMES two"};
  static const int kNumbers[] = {0, 1, 3, 24, 32, -1, 2147483647, -2147483647 - 1};
  auto text = [&] { return kTexts[random() % std::size(kTexts)]; };
  auto number = [&] { return kNumbers[random() % std::size(kNumbers)]; };
  ServerRecord s =
      FakeServices::MakeServer(text(), random() % 3 ? TestIP(random() % 4) : 0xF0000000u + random() % 3,
                               static_cast<uint16>(27015 + random() % 2), number());
  snprintf(s.m_szDescription, sizeof(s.m_szDescription), "%s", text());
  snprintf(s.m_szMapName, sizeof(s.m_szMapName), "%s", text());
  s.m_nPlayerCount = number();
  s.m_nPlayerLimit = number();
  s.m_nBotCount = number();
  s.m_bHasPassword = random() % 2;
  s.m_bIsSecure = random() % 2;
  s.m_nLastPlayedTime = random() % 3 ? static_cast<uint32>(random() % 3) : 0xFFFFFFFFu - random() % 2;
  return s;
}

}  // namespace

// Where two rows' keys first differ, the lower key is the row the comparison puts first; keys
// complete and equal mean the comparison ties.
TEST_F(SortOrderTest, EachKeyAgreesWithItsComparison) {
  std::mt19937 random(21);
  std::vector<ServerRecord> servers;
  for (int i = 0; i < 60; ++i) servers.push_back(RandomServer(random));
  for (int i = 0; i < 60; ++i) m_Source.m_Records[i] = servers[i];  // 60 and above have no record
  for (const KeyedColumn &column : kKeyedColumns) {
    SCOPED_TRACE(column.what);
    for (unsigned int a = 0; a < 64; ++a) {
      for (unsigned int b = 0; b < 64; ++b) {
        kgui::ListPanelItem p1, p2;
        p1.m_unUserData = a;
        p2.m_unUserData = b;
        const int order = Sign(column.func(m_pList, p1, p2));
        for (int part = 0; part < 8; ++part) {
          const ListPanel::SortKey k1 = column.key(m_pList, p1, part), k2 = column.key(m_pList, p2, part);
          if (k1.value != k2.value) {
            ASSERT_EQ(order, k1.value < k2.value ? -1 : 1) << a << " " << b << " part " << part;
            break;
          }
          if (k1.end != k2.end || k1.end == ListPanel::SortKey::kUnknown) break;
          if (k1.end == ListPanel::SortKey::kLast) {
            ASSERT_EQ(order, 0) << a << " " << b;
            break;
          }
        }
      }
    }
  }
}

// A page's list sorted by each column in either direction, after each other column, is the order
// the comparisons alone give.
TEST_F(SortOrderTest, APageListSortsAsItsComparisonsWouldAlone) {
  CTestGamesPage *page = MakePage();
  ListRequestHandle request = Refresh(page);
  std::mt19937 random(8);
  for (int index = 1; index <= 300; ++index) {
    ServerRecord server = RandomServer(random);
    server.m_NetAdr.Init(TestIP(index % 250) + (index / 250 << 8), 27015, static_cast<uint16>(27015 + index));
    m_Services.Answer(request, index, server);
  }
  // Two records go away under the list: their rows sort as rows without one.
  m_Services.Request(request)->servers.erase(5);
  m_Services.Request(request)->servers.erase(6);
  CGameListPanel *list = page->GetGameList();
  ASSERT_EQ(list->GetItemCount(), 300);
  list->InvalidateSortKeys();
  for (int secondary : {3, 8}) {
    for (int primary = 0; primary < 9; ++primary) {
      for (bool ascending : {true, false}) {
        SCOPED_TRACE(std::to_string(primary) + (ascending ? " ascending" : " descending"));
        SortBy(page, secondary, true);
        SortBy(page, primary, ascending);
        std::vector<int> ids;
        for (int row = 0; row < list->GetVisibleItemCount(); ++row) ids.push_back(list->GetItemIDAtRow(row));
        std::vector<int> expected = ids;
        const ListPanel::SortFunc first = kKeyedColumns[primary].func;
        const ListPanel::SortFunc second = kKeyedColumns[primary == secondary ? primary : secondary].func;
        std::stable_sort(expected.begin(), expected.end(), [&](int a, int b) {
          const kgui::ListPanelItem &p1 = *list->GetItem(a), &p2 = *list->GetItem(b);
          int d = first(list, p1, p2);
          if (d) return ascending ? d < 0 : d > 0;
          d = second(list, p1, p2);
          if (d) return d < 0;
          return a < b;
        });
        ASSERT_EQ(ids, expected);
      }
    }
  }
}
