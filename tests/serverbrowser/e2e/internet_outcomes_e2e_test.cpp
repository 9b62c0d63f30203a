// The Internet tab in the real host with the services on the network, against a master and the
// farm run as processes on loopback: the tab tells the user whether the master did not answer,
// listed no server, listed servers none of which answered, or shows the servers that did.
#include <chrono>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "browser_e2e_fixture.h"
#include "tests/serverfarm/farm_processes.h"

namespace {

constexpr char kStopRefresh[] = "Stop refresh";

class InternetOutcomesEndToEnd : public BrowserEndToEndTest {
 protected:
  ~InternetOutcomesEndToEnd() override {
    m_Farm.Stop();
    m_Master.Stop();
  }

  // A master on a port the kernel picks, with no server yet.
  void StartMaster() {
    ASSERT_TRUE(
        m_Master.Start("servermaster",
                       {"--listen", "127.0.0.1:0", "--addresses", File("master.txt"), "--max-seconds", "120"},
                       File("master.log")));
    const std::vector<std::string> master = WaitForLines(File("master.txt"), 5000);
    ASSERT_EQ(master.size(), 1u) << ReadWholeFile(File("master.log"));
    m_MasterText = master[0];
  }

  // The farm on `servers` (a world's "servers" entries), heartbeating to the master; waits until
  // the master lists all of them.
  void StartFarm(const std::string &servers, size_t count) {
    WriteWholeFile(File("farm.vdf"), "\"PlexaClient\" {\n" + Apps() + "\"servers\" {\n" + servers + "} }\n");
    ASSERT_TRUE(m_Farm.Start("serverfarm",
                             {"--world", File("farm.vdf"), "--master", m_MasterText, "--addresses",
                              File("farm.txt"), "--max-seconds", "120"},
                             File("farm.log")));
    ASSERT_EQ(WaitForLines(File("farm.txt"), 5000).size(), count) << ReadWholeFile(File("farm.log"));
    // From another source address than the services', so this look does not count against them.
    CUdpClient look("127.0.0.2:0");
    ASSERT_EQ(WaitUntilListed(look, Endpoint(m_MasterText),
                              "\xFF\xFF\xFF\xFFgetservers Ridgeline 71 empty full", count, 5000)
                  .size(),
              count)
        << ReadWholeFile(File("master.log"));
  }

  static std::string Apps() {
    return "\"apps\" { \"1002\" { \"gamedir\" \"ridgeline\" \"serverbrowsername\" \"Ridgeline\" "
           "\"query\" { \"gamename\" \"Ridgeline\" \"protocol\" \"71\" } } }\n";
  }

  // The services on the network, asking `master`; the LAN scan looks at a port nobody uses.
  void WriteNetworkWorld(const std::string &master) {
    WriteWorld("\"PlexaClient\" {\n\"user\" { \"configfolder\" \"@USERDIR@\" }\n\"backend\" \"network\"\n" +
               Apps() + "\"network\" { \"bind\" \"127.0.0.1\" \"masters\" { \"master\" \"" + master +
               "\" } \"lan\" { \"target\" \"127.0.0.1:" + std::to_string(UnusedUdpPort()) +
               "\" } \"mastertimeout\" \"600\" }\n}\n");
  }

  // Runs the host on the real clock and dumps the Internet tab every quarter second until its
  // refresh is over (a list has come and the tab no longer offers to stop it), within `seconds`;
  // the dump that showed it, or "" (with the host's output in m_Output either way).
  std::string DumpOnceRefreshed(double seconds = 15.0) {
    constexpr int kPolls = 60;
    std::string script = "wait 30frames\n";
    for (int i = 0; i < kPolls; ++i)
      script += "dump " + File(Poll(i)) + "\nwaitfile " + File("go" + std::to_string(i)) + "\n";
    script += "quit\n";
    int status = -1;
    std::thread host([&] { status = RunHost(script, {"--realtime"}); });
    std::string shown;
    int next = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (; next < kPolls && std::chrono::steady_clock::now() < end; ++next) {
      if (WaitForLines(File(Poll(next)), 5000).empty()) break;  // the host has gone
      if (Refreshed(Poll(next))) {
        shown = Poll(next);
        break;
      }
      // Paces the polls; the next dump follows as soon as its file is there.
      std::this_thread::sleep_for(std::chrono::milliseconds(250));
      WriteWholeFile(File("go" + std::to_string(next)), "");
    }
    for (int i = next; i < kPolls; ++i) WriteWholeFile(File("go" + std::to_string(i)), "");
    host.join();
    EXPECT_EQ(status, 0) << m_Output;
    return shown;
  }

  static std::string Poll(int i) { return "poll" + std::to_string(i) + ".kv"; }

  bool Refreshed(const std::string &dump) {
    if (TextOf(dump, kInternet, "RefreshButton") == kStopRefresh) return false;
    return !Rows(dump, kInternet).empty() || !EmptyText(dump, kInternet).empty();
  }

  CChildProcess m_Master, m_Farm;
  std::string m_MasterText;
};

TEST_F(InternetOutcomesEndToEnd, NoMasterAnswering) {
  WriteNetworkWorld("127.0.0.1:" + std::to_string(UnusedUdpPort()));
  const std::string dump = DumpOnceRefreshed();
  ASSERT_FALSE(dump.empty()) << m_Output;
  EXPECT_TRUE(Rows(dump, kInternet).empty());
  EXPECT_EQ(EmptyText(dump, kInternet), "The master server is not answering. Try again later.");
}

TEST_F(InternetOutcomesEndToEnd, AMasterListingNoServer) {
  ASSERT_NO_FATAL_FAILURE(StartMaster());
  WriteNetworkWorld(m_MasterText);
  const std::string dump = DumpOnceRefreshed();
  ASSERT_FALSE(dump.empty()) << m_Output;
  EXPECT_TRUE(Rows(dump, kInternet).empty());
  EXPECT_EQ(EmptyText(dump, kInternet), "The master server lists no servers for this game.");
}

TEST_F(InternetOutcomesEndToEnd, ServersListedButNoneAnswering) {
  ASSERT_NO_FATAL_FAILURE(StartMaster());
  // Silent servers still answer their master's challenge, so it lists them.
  ASSERT_NO_FATAL_FAILURE(
      StartFarm("\"server\" { \"address\" \"127.0.79.1:0\" \"appid\" \"1002\" \"name\" \"Hushed Fen\" "
                "\"silent\" \"1\" }\n"
                "\"server\" { \"address\" \"127.0.79.2:0\" \"appid\" \"1002\" \"name\" \"Still Water\" "
                "\"silent\" \"1\" }\n",
                2));
  WriteNetworkWorld(m_MasterText);
  const std::string dump = DumpOnceRefreshed();
  ASSERT_FALSE(dump.empty()) << m_Output;
  EXPECT_TRUE(Rows(dump, kInternet).empty());
  EXPECT_EQ(EmptyText(dump, kInternet), "No server answered.");
}

TEST_F(InternetOutcomesEndToEnd, TheServersThatAnswerAreShownWithMeasuredPings) {
  ASSERT_NO_FATAL_FAILURE(StartMaster());
  ASSERT_NO_FATAL_FAILURE(
      StartFarm("\"server\" { \"address\" \"127.0.79.1:0\" \"appid\" \"1002\" \"name\" \"Gorse Hill\" "
                "\"map\" \"rl_saddle\" "
                "\"players\" \"3\" \"maxplayers\" \"12\" \"latency\" \"20\" }\n"
                "\"server\" { \"address\" \"127.0.79.2:0\" \"appid\" \"1002\" \"name\" \"^3Marl^7 Pit\" "
                "\"map\" \"rl_gully\" "
                "\"players\" \"0\" \"maxplayers\" \"8\" \"latency\" \"90\" }\n"
                "\"server\" { \"address\" \"127.0.79.3:0\" \"appid\" \"1002\" \"name\" \"Hushed Fen\" "
                "\"silent\" \"1\" }\n",
                3));
  WriteNetworkWorld(m_MasterText);
  const std::string dump = DumpOnceRefreshed();
  ASSERT_FALSE(dump.empty()) << m_Output;
  const std::vector<std::string> rows = Rows(dump, kInternet, {"Name", "Map", "Players"});
  EXPECT_EQ(std::set<std::string>(rows.begin(), rows.end()),
            (std::set<std::string>{"Gorse Hill rl_saddle 3 / 12", "Marl Pit rl_gully 0 / 8"}))
      << ::testing::PrintToString(rows);
  // Measured round trips: at least the farm's reply delay (counted in whole milliseconds).
  for (const std::string &row : Rows(dump, kInternet, {"Name", "Ping"})) {
    const int ping = atoi(row.substr(row.rfind(' ') + 1).c_str());
    EXPECT_GE(ping, row.rfind("Gorse", 0) == 0 ? 19 : 89) << row;
    EXPECT_LT(ping, 1000) << row;
  }
  EXPECT_EQ(EmptyText(dump, kInternet), "");
}

}  // namespace
