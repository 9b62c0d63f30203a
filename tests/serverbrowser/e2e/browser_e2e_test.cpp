// The browser in the real host with the services stand-in on a small world: the Internet list
// fills in latency order, the name header counts the servers, a filter narrows the list, and the
// settings saved at shutdown bring back the same tab and filters on the next start.
#include <string>
#include <vector>

#include "browser_e2e_fixture.h"

namespace {

constexpr char kPage[] = "CServerBrowserDialog/GameTabs/InternetGames";

TEST_F(BrowserEndToEndTest, InternetListFillsInLatencyOrderAndSettingsSurviveARestart) {
  const std::string first = std::string("wait 120frames\n") + "dump " + File("listed.kv") + "\n" + "click " +
                            kPage + "/Filter\n" + "wait 10frames\n" + "click " + kPage +
                            "/ServerEmptyFilterCheck\n" + "wait 10frames\n" + "dump " + File("filtered.kv") +
                            "\n" + "click CServerBrowserDialog/GameTabs/tab_SpectateGames\n" +
                            "wait 60frames\n" + "quit\n";
  ASSERT_EQ(RunHost(first), 0) << m_Output;

  // Answering servers in latency order; the silent one has no row, the relay is not listed.
  EXPECT_EQ(Rows("listed.kv", kInternet),
            (std::vector<std::string>{"Amber Hall 20", "Lantern Yard 45", "Saltmarsh Keep 70",
                                      "Copper Gate 95", "Old Quarry 130", "Ridge Watch 160"}));
  for (const char *column : {"Password", "Secure", "Name", "GameDesc", "Players", "Map", "Ping"}) {
    KeyValues *found = Column("listed.kv", kInternet, column);
    ASSERT_TRUE(found) << column;
    EXPECT_EQ(found->GetInt("shown"), 1) << column;
  }
  EXPECT_STREQ(Column("listed.kv", kInternet, "Name")->GetString("header"), "Servers (6)");
  EXPECT_EQ(Rows("filtered.kv", kInternet),
            (std::vector<std::string>{"Amber Hall 20", "Saltmarsh Keep 70", "Copper Gate 95",
                                      "Old Quarry 130", "Ridge Watch 160"}));

  KeyValues *saved = Load("user/serverbrowser_ui.vdf");
  EXPECT_STREQ(saved->GetString("GameList"), "spectate");
  // Spelled as the module names it, though the layouts read first call the list "gamelist".
  EXPECT_NE(ReadWholeFile(File("user/serverbrowser_ui.vdf")).find("\"GameList\""), std::string::npos);
  EXPECT_EQ(saved->FindKey("Filters/InternetGames") ? saved->GetInt("Filters/InternetGames/NoEmpty") : -1, 1);

  const std::string second = std::string("wait 30frames\n") + "dump " + File("restarted.kv") + "\n" +
                             "click CServerBrowserDialog/GameTabs/tab_InternetGames\n" + "wait 120frames\n" +
                             "dump " + File("internet.kv") + "\n" + "quit\n";
  ASSERT_EQ(RunHost(second), 0) << m_Output;
  KeyValues *restarted = Load("restarted.kv");
  KeyValues *spectate = FindPanel(restarted, "SpectateGames");
  KeyValues *internet = FindPanel(restarted, "InternetGames");
  ASSERT_TRUE(spectate && internet);
  EXPECT_EQ(spectate->GetInt("visible"), 1);
  EXPECT_EQ(internet->GetInt("visible"), 0);
  // The restored filter hides the empty server again.
  EXPECT_EQ(Rows("internet.kv", kInternet),
            (std::vector<std::string>{"Amber Hall 20", "Saltmarsh Keep 70", "Copper Gate 95",
                                      "Old Quarry 130", "Ridge Watch 160"}));
}

TEST_F(BrowserEndToEndTest, HeaderClickSortsKeepingTheSelectionAndF5RefreshesTheList) {
  const std::string script =
      std::string("wait 120frames\n") + "click " + kPage + "/gamelist\n" + "key HOME\nkey DOWN\nkey DOWN\n" +
      "wait 5frames\n" + "dump " + File("selected.kv") + "\n" + "click " + kPage + "/gamelist/Players\n" +
      "wait 5frames\n" + "dump " + File("byplayers.kv") + "\n" + "key F5\n" + "wait 2frames\n" + "dump " +
      File("refreshing.kv") + "\n" + "wait 150frames\n" + "dump " + File("refreshed.kv") + "\n" + "quit\n";
  ASSERT_EQ(RunHost(script), 0) << m_Output;

  EXPECT_EQ(Selected("selected.kv", kInternet), std::vector<std::string>{"Saltmarsh Keep"});
  // More players first, then the larger limit; the selected server stays selected.
  EXPECT_EQ(Rows("byplayers.kv", kInternet),
            (std::vector<std::string>{"Copper Gate 95", "Ridge Watch 160", "Saltmarsh Keep 70",
                                      "Amber Hall 20", "Old Quarry 130", "Lantern Yard 45"}));
  EXPECT_EQ(Selected("byplayers.kv", kInternet), std::vector<std::string>{"Saltmarsh Keep"});
  EXPECT_TRUE(Rows("refreshing.kv", kInternet).empty());
  EXPECT_EQ(TextOf("refreshing.kv", kInternet, "RefreshButton"), "Stop refresh");
  EXPECT_EQ(Rows("refreshed.kv", kInternet),
            (std::vector<std::string>{"Copper Gate 95", "Ridge Watch 160", "Saltmarsh Keep 70",
                                      "Amber Hall 20", "Old Quarry 130", "Lantern Yard 45"}));
  EXPECT_EQ(TextOf("refreshed.kv", kInternet, "RefreshButton"), "Refresh all");
}

}  // namespace
