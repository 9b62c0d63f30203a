// Sharing servers in the real host with the services on the network, against the farm on
// loopback: a History row's "Copy address" pasted with Ctrl+V onto Favorites adds it; the details
// dialog graphs the server's latency and marks the query it did not answer while the farm was
// stopped; its button copies the address; the favourites exported to a file come back whole into
// a user who had none.
#include <signal.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "browser_e2e_fixture.h"
#include "kstdlib/strtools.h"
#include "tests/serverfarm/farm_processes.h"

namespace {

class ShareEndToEndTest : public BrowserEndToEndTest {
 protected:
  ~ShareEndToEndTest() override {
    m_Farm.Signal(SIGCONT);
    m_Farm.Stop();
  }

  // One farm server; its address ("127.0.79.1:port") in m_Address.
  void StartFarm() {
    WriteWholeFile(
        File("farm.vdf"),
        "\"PlexaClient\" {\n" + Apps() +
            "\"servers\" { \"server\" { \"address\" \"127.0.79.1:0\" \"appid\" \"1002\" \"name\" "
            "\"Gorse Hill\" \"map\" \"rl_saddle\" \"players\" \"3\" \"maxplayers\" \"12\" \"latency\" "
            "\"20\" } } }\n");
    ASSERT_TRUE(m_Farm.Start(
        "serverfarm", {"--world", File("farm.vdf"), "--addresses", File("farm.txt"), "--max-seconds", "120"},
        File("farm.log")));
    const std::vector<std::string> lines = WaitForLines(File("farm.txt"), 5000);
    ASSERT_EQ(lines.size(), 1u) << ReadWholeFile(File("farm.log"));
    m_Address = lines[0].substr(0, lines[0].find_first_of(" \t"));
  }
  static std::string Apps() {
    return "\"apps\" { \"1002\" { \"gamedir\" \"ridgeline\" \"serverbrowsername\" \"Ridgeline\" "
           "\"query\" { \"gamename\" \"Ridgeline\" \"protocol\" \"71\" } } }\n";
  }
  // The services on the network with `stored` as the user's seed of stored servers.
  void WriteNetworkWorld(const std::string &stored) {
    WriteWorld("\"PlexaClient\" {\n\"user\" { \"configfolder\" \"@USERDIR@\" \"stored\" { " + stored +
               " } }\n\"backend\" \"network\"\n" + Apps() +
               "\"network\" { \"bind\" \"127.0.0.1\" \"lan\" { \"target\" "
               "\"127.0.0.1:" +
               std::to_string(UnusedUdpPort()) + "\" } }\n}\n");
  }
  std::string DumpTo(const std::string &name) { return "dump " + File(name) + "\n"; }

  // The first panel named `name` anywhere in a dump, or null.
  static KeyValues *Find(KeyValues *panels, const char *name) {
    for (KeyValues *panel = panels ? panels->GetFirstSubKey() : nullptr; panel; panel = panel->GetNextKey()) {
      if (!V_stricmp(panel->GetString("name"), name)) return panel;
      if (KeyValues *found = Find(panel->FindKey("Children"), name)) return found;
    }
    return nullptr;
  }
  std::string Value(const std::string &dump, const char *panel, const char *key) {
    KeyValues *found = Find(Load(dump), panel);
    return found ? found->GetString(key, "<none>") : "<no panel>";
  }

  CChildProcess m_Farm;
  std::string m_Address;
};

TEST_F(ShareEndToEndTest, CopyPasteLatencyAndMovingFavoritesAgainstTheFarm) {
  ASSERT_NO_FATAL_FAILURE(StartFarm());
  // Played on once: a history entry, no favourite yet.
  WriteNetworkWorld("\"server\" { \"appid\" \"1002\" \"address\" \"" + m_Address + "\" \"flags\" \"2\" }");
  ASSERT_EQ(RunHost("wait 30frames\n" + DumpTo("probe.kv") + "quit\n"), 0) << m_Output;
  const std::string row = RowPoint("probe.kv", 0);

  const std::string script =
      "wait 30frames\n" + ShowTab(kHistory) + "wait 1s\nrclick " + row + "\nwait 5frames\n" +
      DumpTo("history.kv") + "click ServerContextMenu/CopyAddress\nwait 5frames\n" + ShowTab(kFavorites) +
      "click " + row + "\nkeydown LCONTROL\nkey V\nkeyup LCONTROL\nwait 1s\n" + DumpTo("pasted.kv") +
      "shot " + File("pasted.png") +
      "\n"
      // The details dialog: one answer, then the farm stops and a refresh goes unanswered.
      "rclick " +
      row + "\nwait 5frames\nclick ServerContextMenu/ViewGameInfo\nwait 1s\n" + DumpTo("graph1.kv") +
      "waitfile " + File("stopped") + "\nclick DialogGameInfo/Refresh\nwait 3s\n" + DumpTo("graph2.kv") +
      "shot " + File("graph.png") + "\n" + "waitfile " + File("resumed") +
      "\nclick DialogGameInfo/CopyAddress\nwait 5frames\nclick DialogGameInfo/Close\nwait 10frames\n"
      // Export to the default file in the user's folder.
      "rclick " +
      row + "\nwait 5frames\nclick ServerContextMenu/ExportFavorites\nwait 10frames\n" +
      DumpTo("export_window.kv") + "shot " + File("export.png") +
      "\nclick DialogFavoritesFile/OKButton\nwait 1s\n" + DumpTo("exported.kv") + "quit\n";
  int status = -1;
  std::thread host([&] { status = RunHost(script, {"--realtime"}); });
  const bool dumped = !WaitForLines(File("graph1.kv"), 30000).empty();
  m_Farm.Signal(SIGSTOP);
  WriteWholeFile(File("stopped"), "");
  const bool lost = !WaitForLines(File("graph2.kv"), 30000).empty();
  m_Farm.Signal(SIGCONT);
  WriteWholeFile(File("resumed"), "");
  host.join();
  ASSERT_TRUE(dumped && lost) << m_Output;
  ASSERT_EQ(status, 0) << m_Output;

  EXPECT_EQ(Rows("history.kv", kHistory, {"Name"}), std::vector<std::string>{"Gorse Hill"});
  EXPECT_EQ(Rows("pasted.kv", kFavorites, {"Name"}), std::vector<std::string>{"Gorse Hill"})
      << "the pasted address is a favourite";
  EXPECT_EQ(Value("graph1.kv", "LatencyGraph", "samples"), "1");
  EXPECT_EQ(Value("graph1.kv", "LatencyGraph", "losses"), "0");
  EXPECT_EQ(Value("graph2.kv", "LatencyGraph", "samples"), "2");
  EXPECT_EQ(Value("graph2.kv", "LatencyGraph", "losses"), "1");
  const std::string latencies = Value("graph2.kv", "LatencyGraph", "latencies");
  EXPECT_GE(atoi(latencies.c_str()), 19) << latencies << ": at least the farm's delay";
  EXPECT_EQ(latencies.substr(latencies.size() - 2), " -") << latencies;
  EXPECT_EQ(Value("export_window.kv", "PathText", "text"), File("user/favorites.vdf"));
  EXPECT_NE(Value("exported.kv", "FavoritesReport", "visible"), "<no panel>");

  const std::string exported = ReadWholeFile(File("user/favorites.vdf"));
  EXPECT_NE(exported.find("\"address\" \"" + m_Address + "\""), std::string::npos) << exported;
  EXPECT_NE(exported.find("\"appid\" \"1002\""), std::string::npos) << exported;

  // Another user, whose one favourite is not in the file (an empty list opens no menu): the file is
  // imported from where the user put it and nothing the user had is lost.
  WriteWholeFile(File("moved.vdf"), exported);
  ASSERT_EQ(remove(File("user/plexa_servers.vdf").c_str()), 0);
  const std::string other = "127.0.79.9:" + std::to_string(UnusedUdpPort());
  WriteNetworkWorld("\"server\" { \"appid\" \"1002\" \"address\" \"" + other + "\" \"flags\" \"1\" }");
  ASSERT_EQ(RunHost("wait 30frames\n" + ShowTab(kFavorites) + "wait 3s\nrclick " + row +
                        "\nwait 5frames\nclick ServerContextMenu/ImportFavorites\nwait 10frames\n"
                        "click DialogFavoritesFile/PathText\nkeydown LCONTROL\nkey A\nkeyup LCONTROL\ntype " +
                        File("moved.vdf") + "\nclick DialogFavoritesFile/OKButton\nwait 3s\n" +
                        DumpTo("imported.kv") + "shot " + File("imported.png") + "\nquit\n",
                    {"--realtime"}),
            0)
      << m_Output;
  const std::vector<std::string> rows = Rows("imported.kv", kFavorites, {"Name"});
  EXPECT_EQ(rows.size(), 2u) << ::testing::PrintToString(rows);
  EXPECT_NE(std::find(rows.begin(), rows.end(), "Gorse Hill"), rows.end()) << ::testing::PrintToString(rows);
  EXPECT_NE(Value("imported.kv", "FavoritesReport", "visible"), "<no panel>");
  const std::string store = ReadWholeFile(File("user/plexa_servers.vdf"));
  EXPECT_NE(store.find(m_Address), std::string::npos) << store;
  EXPECT_NE(store.find(other), std::string::npos) << store;

  // The pictures the README shows, when asked for: SB_SHARE_SHOTS_DIR=docs.
  if (const char *shots = getenv("SB_SHARE_SHOTS_DIR")) {
    for (const char *name : {"pasted", "graph", "export", "imported"}) {
      std::error_code error;
      std::filesystem::copy_file(File(std::string(name) + ".png"),
                                 std::string(shots) + "/share_" + name + ".png",
                                 std::filesystem::copy_options::overwrite_existing, error);
      EXPECT_FALSE(error) << name << ": " << error.message();
    }
  }
}

}  // namespace
