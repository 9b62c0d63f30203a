// Joining for real in the host: a passworded server asks for its password (refusing one that could
// smuggle arguments), the game client starts with the connect line, reports its join, and the
// server lands on History; a full server waits for a slot that frees when the world changes, then
// alerts and joins; the add-server dialog finds a server on a common port and adds it to Favorites.
#include <chrono>
#include <ctime>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "browser_e2e_fixture.h"
#include "kstdlib/strtools.h"
#include "tests/host/host_fixture.h"

namespace {

class JoinEndToEndTest : public BrowserEndToEndTest {
 protected:
  JoinEndToEndTest() {
    // Both games of the world start the fake client, which keeps a copy of its arguments.
    WriteWholeFile(File("host.vdf"), "\"HostConfig\"\n{\n\t\"Games\"\n\t{\n" + Game("1002", "vanguard") +
                                         Game("310", "quarrykings") + "\t}\n}\n");
  }
  std::string Game(const char *app, const char *dir) {
    return std::string("\t\t\"") + app + "\" { \"gamedir\" \"" + dir + "\" \"command\" \"fakegame --record " +
           File(std::string("args_") + app + ".txt") + " -game " + dir + "\" }\n";
  }
  int Run(const std::string &script) { return RunHost(script, {"--config", File("host.vdf")}); }
  std::string DumpTo(const std::string &name) { return "dump " + File(name) + "\n"; }
  static std::string Today() {
    char today[32];
    const time_t now = time(nullptr);
    struct tm local {};
    localtime_r(&now, &local);
    strftime(today, sizeof(today), "%a %d %b ", &local);
    return today;
  }
  bool HasPanel(const std::string &dump, const char *name) {
    KeyValues *panel = FindPanel(Load(dump), name);
    return panel && panel->GetInt("visible");
  }
};

TEST_F(JoinEndToEndTest, APasswordedServerAsksTheGameStartsReportsTheJoinAndHistoryListsIt) {
  ASSERT_EQ(RunHost("wait 120frames\n" + DumpTo("probe.kv") + "quit\n"), 0) << m_Output;
  ASSERT_EQ(Rows("probe.kv", kInternet).at(0), "Amber Hall 20");

  // A double click's first press selects the row a frame before the second one joins.
  const std::string script =
      "wait 120frames\nclick " + RowPoint("probe.kv", 0) + "\nwait 2frames\ndclick " +
      RowPoint("probe.kv", 0) + "\nwait 30frames\n" + DumpTo("prompt.kv") +
      "click DialogServerPassword/PasswordEntry\ntype x\" +exec evil.cfg\nwait 2frames\n"
      "click DialogServerPassword/ConnectButton\nwait 30frames\n" +
      DumpTo("refused.kv") +
      "click MessageBox/OkButton\nwait 60frames\n"
      "click DialogServerPassword/PasswordEntry\ntype open sesame\nwait 2frames\n"
      "click DialogServerPassword/ConnectButton\nwait 120frames\n" +
      DumpTo("joined.kv") + ShowTab(kHistory, 90) + DumpTo("history.kv") + "quit\n";
  ASSERT_EQ(Run(script), 0) << m_Output;

  EXPECT_TRUE(HasPanel("prompt.kv", "DialogGameInfo"));
  EXPECT_TRUE(HasPanel("prompt.kv", "DialogServerPassword"));
  // The unsafe password is refused with a message, and the prompt asks again.
  EXPECT_TRUE(HasPanel("refused.kv", "MessageBox"));
  EXPECT_TRUE(HasPanel("refused.kv", "DialogServerPassword"));
  EXPECT_FALSE(std::filesystem::exists(File("args_310.txt")));

  // The game got the sound password as one argument, and nothing else.
  EXPECT_EQ(ReadWholeFile(File("args_1002.txt")).find("evil"), std::string::npos);
  EXPECT_NE(ReadWholeFile(File("args_1002.txt")).find("+connect"), std::string::npos);
  EXPECT_NE(ReadWholeFile(File("args_1002.txt")).find("198.51.100.22:27015"), std::string::npos);
  EXPECT_NE(ReadWholeFile(File("args_1002.txt")).find("open sesame"), std::string::npos);
  EXPECT_NE(m_Output.find("joined 198.51.100.22:27015"), std::string::npos) << m_Output;
  // The join closed the dialog, and History lists the server with today's time.
  EXPECT_FALSE(HasPanel("joined.kv", "DialogGameInfo"));
  const std::vector<std::string> history = Rows("history.kv", kHistory, {"Name", "LastPlayed"});
  ASSERT_EQ(history.size(), 1u) << m_Output;
  EXPECT_EQ(history[0].rfind("Amber Hall " + Today(), 0), 0u) << history[0];
}

TEST_F(JoinEndToEndTest, AGameThatRunsAlreadyIsHandedTheNextServer) {
  ASSERT_EQ(RunHost("wait 120frames\n" + DumpTo("probe.kv") + "quit\n"), 0) << m_Output;
  ASSERT_EQ(Rows("probe.kv", kInternet).at(1), "Lantern Yard 45");
  ASSERT_EQ(Rows("probe.kv", kInternet).at(4), "Old Quarry 130");

  auto join = [this](int row) {
    return "rclick " + RowPoint("probe.kv", row) +
           "\nwait 5frames\nclick ServerContextMenu/ConnectToServer\n" + "wait 120frames\n";
  };
  ASSERT_EQ(Run("wait 120frames\n" + join(1) + join(4) + DumpTo("joined.kv") + ShowTab(kHistory, 90) +
                DumpTo("history.kv") + "quit\n"),
            0)
      << m_Output;
  // One launch, for the first server; the second went to the running game, which says so in its log.
  const std::string args = ReadWholeFile(File("args_310.txt"));
  EXPECT_NE(args.find("198.51.100.23:27016"), std::string::npos) << args;
  EXPECT_EQ(args.find("198.51.100.26"), std::string::npos) << args;
  const std::string log = ReadWholeFile(File("user/fakegame.log"));
  EXPECT_NE(log.find("connecting to 198.51.100.26:27015 (handed over while running)"), std::string::npos)
      << log;
  EXPECT_NE(m_Output.find("joined 198.51.100.26:27015"), std::string::npos) << m_Output;
  EXPECT_FALSE(HasPanel("joined.kv", "DialogGameInfo"));
  EXPECT_EQ(Rows("history.kv", kHistory, {"Name"}).size(), 2u);
}

TEST_F(JoinEndToEndTest, AFullServerAlertsAndJoinsWhenASlotFrees) {
  ASSERT_EQ(RunHost("wait 120frames\n" + DumpTo("probe.kv") + "quit\n"), 0) << m_Output;
  ASSERT_EQ(Rows("probe.kv", kInternet).at(5), "Ridge Watch 160");

  const std::string script = "wait 120frames\nrclick " + RowPoint("probe.kv", 5) +
                             "\nwait 5frames\nclick ServerContextMenu/ConnectToServer\nwait 60frames\n" +
                             DumpTo("full.kv") +
                             "click DialogGameInfo/AutoRetry\nwait 10frames\n"
                             "click DialogGameInfo/AutoRetryJoin\nwait 10frames\n" +
                             DumpTo("armed.kv") + "waitfile " + File("slot_freed") + "\nwait 900frames\n" +
                             DumpTo("joined.kv") + "quit\n";
  int status = -1;
  std::thread host([&] { status = Run(script); });
  // Once the dialog waits for a slot, a player leaves the server.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!std::filesystem::exists(File("armed.kv")) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  std::string world = ReadWholeFile(WORLD_FILE);
  const std::string full = "\"players\" \"8\" \"maxplayers\" \"8\"";
  world.replace(world.find(full), full.size(), "\"players\" \"7\" \"maxplayers\" \"8\"");
  WriteWorld(world);
  WriteWholeFile(File("slot_freed"), "");
  host.join();
  ASSERT_EQ(status, 0) << m_Output;

  EXPECT_EQ(TextOf("full.kv", "DialogGameInfo", "InfoLabel"), "Could not connect: the server is full.");
  EXPECT_TRUE(HasPanel("full.kv", "AutoRetry"));
  EXPECT_EQ(TextOf("armed.kv", "DialogGameInfo", "InfoLabel"), "You will join as soon as a slot is free.");
  EXPECT_NE(m_Output.find("kgui-host: sound servers/game_ready.wav"), std::string::npos) << m_Output;
  EXPECT_NE(ReadWholeFile(File("args_310.txt")).find("198.51.100.24:27015"), std::string::npos);
  EXPECT_NE(m_Output.find("joined 198.51.100.24:27015"), std::string::npos) << m_Output;
  EXPECT_FALSE(HasPanel("joined.kv", "DialogGameInfo"));
}

TEST_F(JoinEndToEndTest, TheAddServerDialogFindsAServerOnACommonPortAndAddsItToFavorites) {
  const std::string script =
      "wait 60frames\n" + ShowTab(kFavorites, 30) +
      "click CServerBrowserDialog/GameTabs/FavoriteGames/AddServerButton\nwait 10frames\n"
      "click DialogAddServer/ServerNameText\ntype 198.51.100.23\nwait 2frames\n"
      "click DialogAddServer/TestServersButton\nwait 120frames\n" +
      DumpTo("found.kv") + "click DialogAddServer/SelectedOKButton\nwait 90frames\n" + DumpTo("added.kv") +
      "quit\n";
  ASSERT_EQ(Run(script), 0) << m_Output;
  // Only the common port the server answers on gives a row.
  KeyValues *dialog = FindPanel(Load("found.kv"), "DialogAddServer");
  ASSERT_NE(dialog, nullptr);
  KeyValues *list = FindPanel(dialog->FindKey("Children"), "Servers");
  ASSERT_TRUE(list && list->FindKey("Rows")) << m_Output;
  std::vector<std::string> found;
  for (KeyValues *row = list->FindKey("Rows")->GetFirstSubKey(); row; row = row->GetNextKey())
    found.push_back(row->GetString("Name"));
  EXPECT_EQ(found, std::vector<std::string>{"Lantern Yard"});

  EXPECT_EQ(Rows("added.kv", kFavorites), std::vector<std::string>{"Lantern Yard 45"});
  EXPECT_NE(ReadWholeFile(File("user/plexa_servers.vdf")).find("198.51.100.23:27016"), std::string::npos);
}

}  // namespace
