// Every tab of the browser in the real host: a favourite added through a row's menu appears on
// Favorites, survives a restart and goes when removed there; a connection the host reports lands
// on History with today's time; LAN and Friends show their servers or say why they show none; and
// no tab draws overlapping controls or text cut without an ellipsis.
#include <ctime>
#include <set>
#include <string>
#include <vector>

#include "browser_e2e_fixture.h"
#include "kstdlib/strtools.h"

namespace {

constexpr char kEllipsis[] = "\xE2\x80\xA6";

class TabsEndToEndTest : public BrowserEndToEndTest {
 protected:
  // Runs the host once to learn where the list rows are drawn.
  void Probe() { ASSERT_EQ(RunHost("wait 120frames\ndump " + File("probe.kv") + "\nquit\n"), 0) << m_Output; }
  static std::string Dump(const std::string &name) { return "dump " + name + "\n"; }
  std::string DumpTo(const std::string &name) { return "dump " + File(name) + "\n"; }

  // Names of the current context menu's items, in order.
  std::vector<std::string> MenuItems(const std::string &dump) {
    std::vector<std::string> names;
    KeyValues *menu = FindPanel(Load(dump), "ServerContextMenu");
    KeyValues *children = menu ? menu->FindKey("Children") : nullptr;
    for (KeyValues *item = children ? children->GetFirstSubKey() : nullptr; item; item = item->GetNextKey())
      if (!V_stricmp(item->GetString("class"), "MenuItem")) names.push_back(item->GetString("name"));
    return names;
  }
};

TEST_F(TabsEndToEndTest, AFavouriteAddedFromTheMenuAppearsSurvivesARestartAndGoesWhenRemoved) {
  Probe();
  ASSERT_EQ(Rows("probe.kv", kInternet).at(1), "Lantern Yard 45");

  ASSERT_EQ(RunHost("wait 120frames\nrclick " + RowPoint("probe.kv", 1) + "\nwait 5frames\n" +
                    DumpTo("added_menu.kv") + "click ServerContextMenu/AddToFavorites\nwait 5frames\n" +
                    ShowTab(kFavorites) + DumpTo("favorites.kv") + "quit\n"),
            0)
      << m_Output;
  EXPECT_EQ(MenuItems("added_menu.kv"),
            (std::vector<std::string>{"ConnectToServer", "ViewGameInfo", "RefreshServer", "AddToFavorites",
                                      "CopyAddress"}));
  EXPECT_EQ(Rows("favorites.kv", kFavorites), std::vector<std::string>{"Lantern Yard 45"});
  // The store lives in the user folder the host was given.
  EXPECT_NE(ReadWholeFile(File("user/plexa_servers.vdf")).find("198.51.100.23:27016"), std::string::npos);

  ASSERT_EQ(
      RunHost("wait 30frames\n" + ShowTab(kFavorites) + DumpTo("restarted.kv") + "rclick " +
              RowPoint("probe.kv", 0) + "\nwait 5frames\n" + DumpTo("remove_menu.kv") +
              "click ServerContextMenu/RemoveServer\n" + "wait 10frames\n" + DumpTo("removed.kv") + "quit\n"),
      0)
      << m_Output;
  EXPECT_EQ(Rows("restarted.kv", kFavorites), std::vector<std::string>{"Lantern Yard 45"});
  EXPECT_EQ(MenuItems("remove_menu.kv"),
            (std::vector<std::string>{"ConnectToServer", "ViewGameInfo", "RefreshServer", "RemoveServer",
                                      "AddServerByName", "CopyAddress", "PasteAddress", "ExportFavorites",
                                      "ImportFavorites"}));
  EXPECT_TRUE(Rows("removed.kv", kFavorites).empty());
  EXPECT_EQ(ReadWholeFile(File("user/plexa_servers.vdf")).find("198.51.100.23"), std::string::npos);
}

TEST_F(TabsEndToEndTest, AConnectionTheHostReportsIsListedOnHistoryWithTodaysTime) {
  // 198.51.100.24:27015, "Ridge Watch".
  ASSERT_EQ(RunHost("wait 30frames\n" + ShowTab(kHistory) + DumpTo("before.kv") +
                    "message ConnectedToGame ip=3325256728 connectionport=27015 queryport=27015\n" +
                    "wait 60frames\n" + DumpTo("after.kv") + "quit\n"),
            0)
      << m_Output;
  EXPECT_TRUE(Rows("before.kv", kHistory).empty());
  EXPECT_EQ(EmptyText("before.kv", kHistory), "You have not played on any server yet.");

  const std::vector<std::string> rows = Rows("after.kv", kHistory, {"Name", "LastPlayed"});
  ASSERT_EQ(rows.size(), 1u);
  char today[32];
  const time_t now = time(nullptr);
  struct tm local {};
  localtime_r(&now, &local);
  strftime(today, sizeof(today), "%a %d %b ", &local);
  EXPECT_EQ(rows[0].rfind(std::string("Ridge Watch ") + today, 0), 0u) << rows[0];
  // "02:05pm": the marker in lower case.
  EXPECT_TRUE(rows[0].size() > 2 &&
              (rows[0].substr(rows[0].size() - 2) == "am" || rows[0].substr(rows[0].size() - 2) == "pm"))
      << rows[0];
  EXPECT_NE(ReadWholeFile(File("user/plexa_servers.vdf")).find("198.51.100.24:27015"), std::string::npos);
}

TEST_F(TabsEndToEndTest, LanAndFriendsShowTheirServersOrSayWhyNone) {
  ASSERT_EQ(RunHost("wait 30frames\n" + ShowTab(kLan) + DumpTo("lan.kv") + ShowTab(kFriends) +
                    DumpTo("friends.kv") + "quit\n"),
            0)
      << m_Output;
  // The silent LAN server is not shown; the friend plays on Copper Gate.
  EXPECT_EQ(Rows("lan.kv", kLan), std::vector<std::string>{"Cellar Den 3"});
  EXPECT_EQ(Rows("friends.kv", kFriends), std::vector<std::string>{"Copper Gate 95"});

  std::string world = ReadWholeFile(WORLD_FILE);
  for (const std::string list : {"\"lists\" \"lan\"", "\"lists\" \"internet friends\""}) {
    for (size_t at = world.find(list); at != std::string::npos; at = world.find(list))
      world.replace(at, list.size(), "\"lists\" \"internet\"");
  }
  WriteWorld(world);
  ASSERT_EQ(RunHost("wait 30frames\n" + ShowTab(kLan) + DumpTo("no_lan.kv") + ShowTab(kFriends) +
                    DumpTo("no_friends.kv") + "quit\n"),
            0)
      << m_Output;
  EXPECT_TRUE(Rows("no_lan.kv", kLan).empty());
  EXPECT_EQ(EmptyText("no_lan.kv", kLan), "No servers were found on the local network.");
  EXPECT_TRUE(Rows("no_friends.kv", kFriends).empty());
  EXPECT_EQ(EmptyText("no_friends.kv", kFriends), "None of your friends is playing on a server.");
}

// ---- how the tabs read

// Every name, map and description of the world: what a cell may show whole.
std::set<std::string> WorldTexts() {
  std::set<std::string> texts;
  KeyValuesAD world(new KeyValues("world"));
  world->LoadFromBuffer(WORLD_FILE, ReadWholeFile(WORLD_FILE).c_str());
  KeyValues *servers = world->FindKey("servers");
  for (KeyValues *server = servers ? servers->GetFirstSubKey() : nullptr; server;
       server = server->GetNextKey()) {
    for (const char *key : {"name", "map", "description"}) texts.insert(server->GetString(key));
  }
  return texts;
}

bool EndsWithEllipsis(const std::string &text) {
  return text.size() >= 3 && text.compare(text.size() - 3, 3, kEllipsis) == 0;
}

// A cell shows a text whole, or a beginning of it ended by an ellipsis.
bool ReadsWell(const std::string &cell, const std::set<std::string> &whole) {
  if (cell.empty() || whole.count(cell)) return true;
  if (!EndsWithEllipsis(cell)) return false;
  const std::string stem = cell.substr(0, cell.size() - 3);
  for (const std::string &text : whole)
    if (text.rfind(stem, 0) == 0) return true;
  return false;
}

struct Rect {
  int x, y, wide, tall;
  bool Overlaps(const Rect &other) const {
    return x < other.x + other.wide && other.x < x + wide && y < other.y + other.tall && other.y < y + tall;
  }
};

// Visible siblings anywhere under `panel` that overlap each other, as "a / b".
void FindOverlaps(KeyValues *panel, std::vector<std::string> &overlaps) {
  KeyValues *children = panel->FindKey("Children");
  std::vector<KeyValues *> shown;
  for (KeyValues *child = children ? children->GetFirstSubKey() : nullptr; child;
       child = child->GetNextKey()) {
    if (!child->GetInt("visible") || child->GetInt("wide") <= 0 || child->GetInt("tall") <= 0) continue;
    // A column's resize grip sits on the border between two headers by design.
    if (!V_stricmp(child->GetString("class"), "ListPanelDragger")) continue;
    shown.push_back(child);
    FindOverlaps(child, overlaps);
  }
  auto rect = [](KeyValues *p) {
    return Rect{p->GetInt("x"), p->GetInt("y"), p->GetInt("wide"), p->GetInt("tall")};
  };
  for (size_t i = 0; i < shown.size(); ++i)
    for (size_t j = i + 1; j < shown.size(); ++j)
      if (rect(shown[i]).Overlaps(rect(shown[j])))
        overlaps.push_back(std::string(shown[i]->GetString("name")) + " / " + shown[j]->GetString("name"));
}

TEST_F(TabsEndToEndTest, NoTabOverlapsItsControlsOrCutsTextWithoutAnEllipsis) {
  std::string script = "wait 120frames\n";
  for (const char *page : {kInternet, kFavorites, kHistory, kSpectate, kLan, kFriends})
    script +=
        ShowTab(page) + DumpTo(std::string(page) + ".kv") + "shot " + File(std::string(page) + ".png") + "\n";
  script += ShowTab(kInternet) + "click CServerBrowserDialog/GameTabs/InternetGames/Filter\nwait 10frames\n" +
            DumpTo("filters.kv") + "quit\n";
  ASSERT_EQ(RunHost(script), 0) << m_Output;

  const std::set<std::string> whole = WorldTexts();
  for (const char *page : {kInternet, kFavorites, kHistory, kSpectate, kLan, kFriends}) {
    SCOPED_TRACE(page);
    const std::string dump = std::string(page) + ".kv";
    KeyValues *pagePanel = FindPanel(Load(dump), page);
    ASSERT_NE(pagePanel, nullptr);
    std::vector<std::string> overlaps;
    FindOverlaps(pagePanel, overlaps);
    EXPECT_TRUE(overlaps.empty()) << ::testing::PrintToString(overlaps);
    for (const std::string &row : Rows(dump, page, {"Name"})) EXPECT_TRUE(ReadsWell(row, whole)) << row;
    for (const std::string &row : Rows(dump, page, {"Map"})) EXPECT_TRUE(ReadsWell(row, whole)) << row;
  }
  // The LAN server's long map name is cut, and says so.
  const std::vector<std::string> maps = Rows(std::string(kLan) + ".kv", kLan, {"Map"});
  ASSERT_EQ(maps.size(), 1u);
  EXPECT_TRUE(EndsWithEllipsis(maps[0])) << maps[0];

  KeyValues *filters = FindPanel(Load("filters.kv"), kInternet);
  ASSERT_NE(filters, nullptr);
  std::vector<std::string> overlaps;
  FindOverlaps(filters, overlaps);
  EXPECT_TRUE(overlaps.empty()) << ::testing::PrintToString(overlaps);
}

}  // namespace
