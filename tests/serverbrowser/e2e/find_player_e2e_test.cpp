// Finding a player in the real host with the services on the network, against the farm on
// loopback: Ctrl+F in the Favorites list opens the window, a typed name is looked for in the player
// lists the farm's servers send, the rows name each player's server, and a double-click on a row
// opens that server's details dialog with its players.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "farm_browser_fixture.h"
#include "kstdlib/strtools.h"

namespace {

class FindPlayerEndToEndTest : public FarmBrowserTest {
 protected:
  // A named panel's block below a named window of a dump, or null.
  KeyValues *PanelOf(const std::string &dump, const char *window, const char *panel) {
    KeyValues *windowBlock = FindPanel(Load(dump), window);
    return windowBlock ? FindPanel(windowBlock->FindKey("Children"), panel) : nullptr;
  }
  std::string TextIn(const std::string &dump, const char *window, const char *panel) {
    KeyValues *block = PanelOf(dump, window, panel);
    return block ? block->GetString("text") : "<none>";
  }
  // A list's rows below a window, each as its cells of `columns` joined by "|".
  std::vector<std::string> RowsIn(const std::string &dump, const char *window, const char *list,
                                  const std::vector<const char *> &columns) {
    std::vector<std::string> rows;
    KeyValues *block = PanelOf(dump, window, list);
    KeyValues *shown = block ? block->FindKey("Rows") : nullptr;
    for (KeyValues *row = shown ? shown->GetFirstSubKey() : nullptr; row; row = row->GetNextKey()) {
      std::string text;
      for (const char *column : columns)
        text += (text.empty() ? "" : "|") + std::string(row->GetString(column));
      rows.push_back(text);
    }
    return rows;
  }
};

constexpr char kFavoritesList[] = "CServerBrowserDialog/GameTabs/FavoriteGames/gamelist";
constexpr char kControlF[] = "keydown LCONTROL\nkey F\nkeyup LCONTROL\nwait 10frames\n";

TEST_F(FindPlayerEndToEndTest, ControlFFindsAPlayerOnTheFarmAndOpensTheServer) {
  ASSERT_NO_FATAL_FAILURE(StartFarm({{"Gorse Hill", "rl_saddle", {"Wren", "Tamsin", "Oswin"}},
                                     {"Strait Watch", "rl_quay", {"Quill"}},
                                     {"Copper Mill", "rl_mill", {"Brisk", "wrenfield"}}},
                                    81));
  WriteFavoritesWorld();

  // Where the window places its first result row (the same in every headless run).
  ASSERT_EQ(RunHost("wait 30frames\n" + ShowTab(kFavorites) + "wait 2s\nclick " + kFavoritesList + "\n" +
                        kControlF + "dump " + File("probe.kv") + "\nquit\n",
                    {"--realtime"}),
            0)
      << m_Output;
  KeyValues *results = PanelOf("probe.kv", "DialogFindPlayer", "ResultList");
  ASSERT_NE(results, nullptr) << "Ctrl+F opened no window\n" << m_Output;
  const std::string firstRow =
      std::to_string(results->GetInt("x") + 40) + " " + std::to_string(results->GetInt("y") + 34);
  EXPECT_EQ(TextIn("probe.kv", "DialogFindPlayer", "StatusLabel"),
            "Type part of a player's name to search the servers of the current tab.");

  const std::string script = "wait 30frames\n" + ShowTab(kFavorites) + "wait 2s\nclick " + kFavoritesList +
                             "\n" + kControlF + "type WREN\nwait 3s\ndump " + File("found.kv") + "\nshot " +
                             File("find_player.png") + "\ndclick " + firstRow + "\nwait 2s\ndump " +
                             File("details.kv") + "\nquit\n";
  ASSERT_EQ(RunHost(script, {"--realtime"}), 0) << m_Output;

  // Both players whose names hold "wren", whatever their case, each with its server.
  std::vector<std::string> rows =
      RowsIn("found.kv", "DialogFindPlayer", "ResultList", {"Player", "Server", "Map"});
  const std::vector<std::string> shown = rows;
  std::sort(rows.begin(), rows.end());
  EXPECT_EQ(rows, (std::vector<std::string>{"Wren|Gorse Hill|rl_saddle", "wrenfield|Copper Mill|rl_mill"}))
      << m_Output;
  EXPECT_EQ(TextIn("found.kv", "DialogFindPlayer", "StatusLabel"), "2 players found");
  EXPECT_EQ(TextIn("found.kv", "DialogFindPlayer", "NameText"), "WREN");
  ASSERT_FALSE(shown.empty());

  // The double-clicked first row's server is the one the details dialog shows, with its players.
  const std::string server =
      shown[0].substr(shown[0].find('|') + 1, shown[0].rfind('|') - shown[0].find('|') - 1);
  EXPECT_EQ(TextIn("details.kv", "DialogGameInfo", "ServerText"), server) << m_Output;
  std::vector<std::string> players = RowsIn("details.kv", "DialogGameInfo", "PlayerList", {"PlayerName"});
  EXPECT_NE(std::find_if(players.begin(), players.end(),
                         [](const std::string &name) {
                           return !V_stricmp(name.c_str(), "wren") || name == "wrenfield";
                         }),
            players.end())
      << ::testing::PrintToString(players);

  // The picture the README shows, when asked for: SB_FIND_PLAYER_SHOT=docs/find_player.png.
  if (const char *shot = getenv("SB_FIND_PLAYER_SHOT")) {
    std::error_code error;
    std::filesystem::copy_file(File("find_player.png"), shot,
                               std::filesystem::copy_options::overwrite_existing, error);
    EXPECT_FALSE(error) << error.message();
  }
}

}  // namespace
