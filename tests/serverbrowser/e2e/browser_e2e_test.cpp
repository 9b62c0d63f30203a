// The browser in the real host with the services stand-in on a small world: the Internet list
// fills in latency order, the name header counts the servers, a filter narrows the list, and the
// settings saved at shutdown bring back the same tab and filters on the next start.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "kstdlib/strtools.h"
#include "tests/host/host_fixture.h"

namespace {

using kguihost::BinPath;
using kguihost::RunProgram;

constexpr char kPage[] = "CServerBrowserDialog/GameTabs/InternetGames";

class BrowserEndToEndTest : public ::testing::Test {
 protected:
  BrowserEndToEndTest() {
    std::filesystem::create_directories(m_Dir.File("user"));
    std::string world = ReadWholeFile(WORLD_FILE);
    const std::string marker = "@USERDIR@";
    world.replace(world.find(marker), marker.size(), m_Dir.File("user"));
    WriteWholeFile(getenv("PLEXA_CLIENT_CONFIG"), world);
  }

  int RunHost(const std::string &script) {
    WriteWholeFile(m_Dir.File("script.txt"), script);
    const std::string source = getenv("SB_SOURCE_DIR") ? getenv("SB_SOURCE_DIR") : ".";
    const int status = RunProgram({BinPath("kgui-host"), "--headless", "--game", source + "/game", "--user-dir",
                                   m_Dir.File("user"), "--services", BinPath("plexaclient.so"), "--script",
                                   m_Dir.File("script.txt"), BinPath("serverbrowser.so")},
                                  m_Output);
    return status;
  }

  KeyValues *Load(const std::string &name) {
    KeyValues *file = new KeyValues(name.c_str());
    EXPECT_TRUE(file->LoadFromBuffer(name.c_str(), ReadWholeFile(m_Dir.File(name)).c_str())) << name << m_Output;
    m_Files.emplace_back(file);
    return file;
  }
  static KeyValues *FindPanel(KeyValues *panels, const char *name) {
    for (KeyValues *panel = panels ? panels->GetFirstSubKey() : nullptr; panel; panel = panel->GetNextKey()) {
      if (!V_stricmp(panel->GetString("name"), name)) return panel;
      if (KeyValues *found = FindPanel(panel->FindKey("Children"), name)) return found;
    }
    return nullptr;
  }
  // The Internet list's rows as "name ping" in display order.
  std::vector<std::string> Rows(const std::string &dump) {
    std::vector<std::string> rows;
    KeyValues *page = FindPanel(Load(dump), "InternetGames");
    KeyValues *list = page ? FindPanel(page->FindKey("Children"), "gamelist") : nullptr;
    EXPECT_TRUE(list && list->FindKey("Rows")) << dump;
    if (!list || !list->FindKey("Rows")) return rows;
    for (KeyValues *row = list->FindKey("Rows")->GetFirstSubKey(); row; row = row->GetNextKey())
      rows.push_back(std::string(row->GetString("Name")) + " " + row->GetString("Ping"));
    return rows;
  }
  // The name of every selected row of the Internet list.
  std::vector<std::string> Selected(const std::string &dump) {
    std::vector<std::string> names;
    KeyValues *page = FindPanel(Load(dump), "InternetGames");
    KeyValues *list = page ? FindPanel(page->FindKey("Children"), "gamelist") : nullptr;
    KeyValues *rows = list ? list->FindKey("Rows") : nullptr;
    for (KeyValues *row = rows ? rows->GetFirstSubKey() : nullptr; row; row = row->GetNextKey())
      if (row->GetInt("selected")) names.push_back(row->GetString("Name"));
    return names;
  }
  std::string TextOf(const std::string &dump, const char *panelName) {
    KeyValues *page = FindPanel(Load(dump), "InternetGames");
    KeyValues *panel = page ? FindPanel(page->FindKey("Children"), panelName) : nullptr;
    return panel ? panel->GetString("text") : "<none>";
  }
  KeyValues *Column(const std::string &dump, const char *columnName) {
    KeyValues *page = FindPanel(Load(dump), "InternetGames");
    KeyValues *list = page ? FindPanel(page->FindKey("Children"), "gamelist") : nullptr;
    KeyValues *columns = list ? list->FindKey("Columns") : nullptr;
    for (KeyValues *column = columns ? columns->GetFirstSubKey() : nullptr; column; column = column->GetNextKey())
      if (!V_stricmp(column->GetString("name"), columnName)) return column;
    return nullptr;
  }

  TempDir m_Dir;
  std::string m_Output;
  std::vector<KeyValuesAD> m_Files;
};

TEST_F(BrowserEndToEndTest, InternetListFillsInLatencyOrderAndSettingsSurviveARestart) {
  const std::string first = std::string("wait 120frames\n") +
                            "dump " + m_Dir.File("listed.kv") + "\n" +
                            "click " + kPage + "/Filter\n" +
                            "wait 10frames\n" +
                            "click " + kPage + "/ServerEmptyFilterCheck\n" +
                            "wait 10frames\n" +
                            "dump " + m_Dir.File("filtered.kv") + "\n" +
                            "click CServerBrowserDialog/GameTabs/tab_SpectateGames\n" +
                            "wait 60frames\n" +
                            "quit\n";
  ASSERT_EQ(RunHost(first), 0) << m_Output;

  // Answering servers in latency order; the silent one has no row, the relay is not listed.
  EXPECT_EQ(Rows("listed.kv"), (std::vector<std::string>{"Amber Hall 20", "Lantern Yard 45", "Saltmarsh Keep 70",
                                                          "Copper Gate 95", "Old Quarry 130", "Ridge Watch 160"}));
  for (const char *column : {"Password", "Secure", "Name", "GameDesc", "Players", "Map", "Ping"}) {
    KeyValues *found = Column("listed.kv", column);
    ASSERT_TRUE(found) << column;
    EXPECT_EQ(found->GetInt("shown"), 1) << column;
  }
  EXPECT_STREQ(Column("listed.kv", "Name")->GetString("header"), "Servers (6)");
  EXPECT_EQ(Rows("filtered.kv"), (std::vector<std::string>{"Amber Hall 20", "Saltmarsh Keep 70", "Copper Gate 95",
                                                            "Old Quarry 130", "Ridge Watch 160"}));

  KeyValues *saved = Load("user/serverbrowser_ui.vdf");
  EXPECT_STREQ(saved->GetString("GameList"), "spectate");
  EXPECT_EQ(saved->FindKey("Filters/InternetGames") ? saved->GetInt("Filters/InternetGames/NoEmpty") : -1, 1);

  const std::string second = std::string("wait 30frames\n") +
                             "dump " + m_Dir.File("restarted.kv") + "\n" +
                             "click CServerBrowserDialog/GameTabs/tab_InternetGames\n" +
                             "wait 120frames\n" +
                             "dump " + m_Dir.File("internet.kv") + "\n" +
                             "quit\n";
  ASSERT_EQ(RunHost(second), 0) << m_Output;
  KeyValues *restarted = Load("restarted.kv");
  KeyValues *spectate = FindPanel(restarted, "SpectateGames");
  KeyValues *internet = FindPanel(restarted, "InternetGames");
  ASSERT_TRUE(spectate && internet);
  EXPECT_EQ(spectate->GetInt("visible"), 1);
  EXPECT_EQ(internet->GetInt("visible"), 0);
  // The restored filter hides the empty server again.
  EXPECT_EQ(Rows("internet.kv"), (std::vector<std::string>{"Amber Hall 20", "Saltmarsh Keep 70", "Copper Gate 95",
                                                            "Old Quarry 130", "Ridge Watch 160"}));
}

TEST_F(BrowserEndToEndTest, HeaderClickSortsKeepingTheSelectionAndF5RefreshesTheList) {
  const std::string script = std::string("wait 120frames\n") +
                             "click " + kPage + "/gamelist\n" +
                             "key HOME\nkey DOWN\nkey DOWN\n" +
                             "wait 5frames\n" +
                             "dump " + m_Dir.File("selected.kv") + "\n" +
                             "click " + kPage + "/gamelist/Players\n" +
                             "wait 5frames\n" +
                             "dump " + m_Dir.File("byplayers.kv") + "\n" +
                             "key F5\n" +
                             "wait 2frames\n" +
                             "dump " + m_Dir.File("refreshing.kv") + "\n" +
                             "wait 150frames\n" +
                             "dump " + m_Dir.File("refreshed.kv") + "\n" +
                             "quit\n";
  ASSERT_EQ(RunHost(script), 0) << m_Output;

  EXPECT_EQ(Selected("selected.kv"), std::vector<std::string>{"Saltmarsh Keep"});
  // More players first, then the larger limit; the selected server stays selected.
  EXPECT_EQ(Rows("byplayers.kv"), (std::vector<std::string>{"Copper Gate 95", "Ridge Watch 160", "Saltmarsh Keep 70",
                                                             "Amber Hall 20", "Old Quarry 130", "Lantern Yard 45"}));
  EXPECT_EQ(Selected("byplayers.kv"), std::vector<std::string>{"Saltmarsh Keep"});
  EXPECT_TRUE(Rows("refreshing.kv").empty());
  EXPECT_EQ(TextOf("refreshing.kv", "RefreshButton"), "Stop refresh");
  EXPECT_EQ(Rows("refreshed.kv"), (std::vector<std::string>{"Copper Gate 95", "Ridge Watch 160", "Saltmarsh Keep 70",
                                                             "Amber Hall 20", "Old Quarry 130", "Lantern Yard 45"}));
  EXPECT_EQ(TextOf("refreshed.kv", "RefreshButton"), "Refresh all");
}

}  // namespace
