// The host's game launcher: status codes, the command it starts, whether the game runs, and what
// the started games report on their pipe.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <thread>

#include "host/app/game_launcher.h"
#include "tests/host/host_fixture.h"

namespace kguihost {
namespace {

CHostConfig ConfigFrom(const char *text) {
  CHostConfig config;
  KeyValuesAD root(new KeyValues("HostConfig"));
  EXPECT_TRUE(root->LoadFromBuffer("config", text));
  std::string error;
  EXPECT_TRUE(config.Apply(root.get(), error)) << error;
  return config;
}

TEST(SplitCommandLine, SplitsAtSpacesAndKeepsQuotedWords) {
  struct Case {
    const char *text;
    std::vector<std::string> words;
  };
  const Case cases[] = {
      {"fakegame -game ironclad", {"fakegame", "-game", "ironclad"}},
      {"  a   b\t", {"a", "b"}},
      {"\"two words\" x", {"two words", "x"}},
      {"a\\ b \"\"", {"a b", ""}},
      {"+connect 10.0.0.1:27015 +password \"p w\"", {"+connect", "10.0.0.1:27015", "+password", "p w"}},
      {"$(rm -rf x);`y`", {"$(rm", "-rf", "x);`y`"}},
      {"", {}},
  };
  for (const Case &c : cases) EXPECT_EQ(SplitCommandLine(c.text), c.words) << c.text;
}

TEST(GameLauncher, StatusCodesFollowTheCatalogue) {
  CHostConfig none;
  CGameLauncher uninitialised(none, "");
  EXPECT_EQ(uninitialised.LaunchGame(1002, "ironclad", "+connect 1.2.3.4:27015"),
            k_ELaunchGameNotInitialised);

  CHostConfig config = ConfigFrom(R"("HostConfig" { "Games" {
      "1002" { "gamedir" "ironclad" "command" "" }
      "1200" { "gamedir" "missing" "command" "/no/such/program --flag" } } })");
  CGameLauncher launcher(config, "");
  EXPECT_EQ(launcher.LaunchGame(1002, "ironclad", ""), k_ELaunchGameModNotInstalled);
  EXPECT_EQ(launcher.LaunchGame(1200, "missing", ""), k_ELaunchGameModNotInstalled);
  EXPECT_EQ(launcher.LaunchGame(999, "other", ""), k_ELaunchGameAppNotFound);
  EXPECT_FALSE(launcher.IsGameRunning(1002, "ironclad"));
}

// Games started in process get a user folder, runtime folder and log of the test's own, so they
// never meet the user's games or each other.
class GameEnvironment {
 public:
  GameEnvironment() {
    setenv("PLEXA_USER_DIR", m_Dir.File("user").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", m_Runtime.Path().c_str(), 1);
    setenv("FAKEGAME_LOG", m_Dir.File("fakegame.log").c_str(), 1);
  }
  ~GameEnvironment() {
    unsetenv("PLEXA_USER_DIR");
    unsetenv("XDG_RUNTIME_DIR");
    unsetenv("FAKEGAME_LOG");
  }
  TempDir m_Dir;
  CRuntimeDir m_Runtime;
};

TEST(GameLauncher, StartsTheConfiguredGameWithTheModulesCommandLine) {
  GameEnvironment environment;
  TempDir dir;
  std::string record = dir.File("args.txt");
  std::string text =
      "\"HostConfig\" { \"Games\" { \"1002\" { \"gamedir\" \"ironclad\" \"command\" \"fakegame --record " +
      record + " -game ironclad\" } } }";
  CHostConfig config = ConfigFrom(text.c_str());
  CGameLauncher launcher(config, BinPath(""));
  EXPECT_EQ(launcher.BuildArguments(config.Games()[0], "+connect 1.2.3.4:27015")[0],
            BinPath("") + "/fakegame");

  ASSERT_EQ(launcher.LaunchGame(1002, "ironclad", "+connect 1.2.3.4:27015 +password \"a b\""),
            k_ELaunchGameStarted);
  EXPECT_TRUE(launcher.IsGameRunning(1002, "ironclad"));
  EXPECT_FALSE(launcher.IsGameRunning(1200, "other"));
  std::string recorded;
  for (int i = 0; i < 500 && recorded.empty(); ++i) {
    recorded = ReadWholeFile(record);
    if (recorded.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(10));  // another process
  }
  EXPECT_EQ(recorded, "-game ironclad +connect 1.2.3.4:27015 +password a b\n");

  launcher.CloseGames();
  EXPECT_FALSE(launcher.IsGameRunning(1002, "ironclad"));
}

std::string Describe(const std::vector<CGameEvent> &events) {
  std::string text;
  for (const CGameEvent &event : events) {
    if (!text.empty()) text += ",";
    text += std::string(event.kind == CGameEvent::k_EJoined ? "joined " : "left ") +
            std::to_string(event.appID) + " " + std::to_string(event.ip >> 24) + "." +
            std::to_string((event.ip >> 16) & 0xFF) + "." + std::to_string((event.ip >> 8) & 0xFF) + "." +
            std::to_string(event.ip & 0xFF) + ":" + std::to_string(event.port);
  }
  return text;
}

TEST(GameLauncher, FakegameReportsTheServerOfItsCommandLine) {
  GameEnvironment environment;
  CHostConfig config = ConfigFrom(R"("HostConfig" { "Games" {
      "1002" { "gamedir" "ironclad" "command" "fakegame -game ironclad" }
      "1200" { "gamedir" "brass" "command" "fakegame" } } })");
  struct Case {
    uint32 appID;
    const char *commandLine;
    const char *events;
  };
  const Case cases[] = {
      {1002, " +connect 192.168.10.20:27015 +password \"pw\"", "joined 1002 192.168.10.20:27015"},
      {1002, " +connect 10.0.0.2:27016", "joined 1002 10.0.0.2:27016"},
      {1200, " 10.0.0.4:27020?password=pw", "joined 1200 10.0.0.4:27020"},
      {1200, " 10.0.0.4:27021", "joined 1200 10.0.0.4:27021"},
      {1002, " +connect 10.0.0.300:27015", ""},                    // not an address: no join
      {1002, " +connect 10.0.0.2:27015 +password \"a\x01\"", ""},  // a password it refuses
      {1002, " +connect 10.0.0.2:27017 -name \"a\x1b[2Jb\"", "joined 1002 10.0.0.2:27017"},
      {1002, "", ""},
  };
  for (const Case &c : cases) {
    CGameLauncher launcher(config, BinPath(""));
    ASSERT_EQ(launcher.LaunchGame(c.appID, "", c.commandLine), k_ELaunchGameStarted);
    // Waiting for the start returns once the game says it is ready.
    EXPECT_EQ(Describe(launcher.ReadReports(true)), c.events) << c.commandLine;
    EXPECT_TRUE(launcher.IsGameRunning(c.appID, ""));
    EXPECT_EQ(Describe(launcher.ReadReports(false)), "");
    launcher.CloseGames();
    EXPECT_FALSE(launcher.IsGameRunning(c.appID, ""));
  }
  // The log has every command line with the passwords hidden.
  std::string log = ReadWholeFile(environment.m_Dir.File("fakegame.log"));
  EXPECT_NE(log.find("started with: -game ironclad +connect 192.168.10.20:27015 +password ********"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("started with: 10.0.0.4:27020?password=********"), std::string::npos) << log;
  EXPECT_NE(log.find("-name a\\x1B[2Jb"), std::string::npos) << log;
  EXPECT_EQ(log.find("pw"), std::string::npos) << log;
  EXPECT_EQ(log.find_first_of("\x01\x1b"), std::string::npos) << log;
}

// A link planted as the game's log (in a folder others could write) is never written through;
// the game still starts and reports.
TEST(GameLauncher, FakegameNeverWritesItsLogThroughALink) {
  GameEnvironment environment;
  const std::string victim = environment.m_Dir.File("victim.txt");
  WriteWholeFile(victim, "precious");
  ASSERT_EQ(symlink(victim.c_str(), environment.m_Dir.File("fakegame.log").c_str()), 0);
  CHostConfig config =
      ConfigFrom(R"("HostConfig" { "Games" { "1002" { "gamedir" "ironclad" "command" "fakegame" } } })");
  CGameLauncher launcher(config, BinPath(""));
  ASSERT_EQ(launcher.LaunchGame(1002, "", " +connect 10.0.0.2:27016"), k_ELaunchGameStarted);
  EXPECT_EQ(Describe(launcher.ReadReports(true)), "joined 1002 10.0.0.2:27016");
  launcher.CloseGames();
  EXPECT_EQ(ReadWholeFile(victim), "precious");
}

// A q3 server on a free loopback port that answers `getinfo`, echoing the challenge or another.
class CInfoResponder {
 public:
  explicit CInfoResponder(bool echoChallenge) : m_bEcho(echoChallenge) {
    m_Fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof(address);
    EXPECT_EQ(bind(m_Fd, reinterpret_cast<sockaddr *>(&address), size), 0);
    getsockname(m_Fd, reinterpret_cast<sockaddr *>(&address), &size);
    m_Port = ntohs(address.sin_port);
    m_Thread = std::thread([this] { Serve(); });
  }
  ~CInfoResponder() {
    m_bStop = true;
    m_Thread.join();
    close(m_Fd);
  }
  uint16 Port() const { return m_Port; }

 private:
  void Serve() {
    // Bounded by the test's end: each pass waits at most 20 ms.
    while (!m_bStop) {
      pollfd waiting{m_Fd, POLLIN, 0};
      if (poll(&waiting, 1, 20) <= 0) continue;
      char buffer[2048];
      sockaddr_in from{};
      socklen_t size = sizeof(from);
      const ssize_t got =
          recvfrom(m_Fd, buffer, sizeof(buffer), 0, reinterpret_cast<sockaddr *>(&from), &size);
      const std::string request(buffer, got > 0 ? size_t(got) : 0);
      const std::string prefix = "\xFF\xFF\xFF\xFFgetinfo ";
      if (request.rfind(prefix, 0) != 0) continue;
      const std::string challenge = m_bEcho ? request.substr(prefix.size()) : "someoneElse";
      const std::string answer =
          "\xFF\xFF\xFF\xFFinfoResponse\n\\sv_maxclients\\8\\clients\\3\\mapname\\quay\\hostname\\"
          "^2Tin^7 Harbour\\protocol\\71\\challenge\\" +
          challenge;
      sendto(m_Fd, answer.data(), answer.size(), 0, reinterpret_cast<sockaddr *>(&from), size);
    }
  }

  bool m_bEcho;
  int m_Fd = -1;
  uint16 m_Port = 0;
  std::atomic<bool> m_bStop{false};
  std::thread m_Thread;
};

// With --check-server the game asks the server first and joins only one that answers its challenge.
TEST(GameLauncher, FakegameChecksTheServerBeforeItJoins) {
  GameEnvironment environment;
  CHostConfig config = ConfigFrom(
      R"("HostConfig" { "Games" { "1002" { "gamedir" "ironclad" "command" "fakegame --check-server" } } })");
  CInfoResponder answering(true);
  CInfoResponder forged(false);
  const std::string there = "127.0.0.1:" + std::to_string(answering.Port());
  const std::string wrongChallenge = "127.0.0.1:" + std::to_string(forged.Port());
  for (const std::string &server : {there, wrongChallenge}) {
    CGameLauncher launcher(config, BinPath(""));
    ASSERT_EQ(launcher.LaunchGame(1002, "", (" +connect " + server).c_str()), k_ELaunchGameStarted);
    EXPECT_EQ(Describe(launcher.ReadReports(true)), server == there ? "joined 1002 " + there : "") << server;
    launcher.CloseGames();
  }
  const std::string log = ReadWholeFile(environment.m_Dir.File("fakegame.log"));
  EXPECT_NE(log.find("server " + there + " answered: Tin Harbour on quay (3/8)"), std::string::npos) << log;
  EXPECT_NE(log.find("not joining " + wrongChallenge + ": the server did not answer"), std::string::npos)
      << log;
}

TEST(GameLauncher, AGameThatEndsIsNoLongerRunningAndLeavesItsServer) {
  GameEnvironment environment;
  TempDir dir;
  // A game of a few shell lines: it joins, then ends.
  std::string game = dir.File("joins-and-ends.sh");
  WriteWholeFile(game, "#!/bin/sh\nprintf 'joined 10.0.0.9:27015\\n' >&\"$KGUI_GAME_REPORT_FD\"\n");
  chmod(game.c_str(), 0755);
  CHostConfig config =
      ConfigFrom(("\"HostConfig\" { \"Games\" { \"40\" { \"command\" \"" + game + "\" } } }").c_str());
  CGameLauncher launcher(config, "");
  ASSERT_EQ(launcher.LaunchGame(40, "", ""), k_ELaunchGameStarted);
  // It never says it is ready: the wait ends with its pipe.
  EXPECT_EQ(Describe(launcher.ReadReports(true)), "joined 40 10.0.0.9:27015,left 40 10.0.0.9:27015");
  bool running = true;
  for (int i = 0; i < 500 && running; ++i) {
    running = launcher.IsGameRunning(40, "");
    if (running) std::this_thread::sleep_for(std::chrono::milliseconds(10));  // another process
  }
  EXPECT_FALSE(running);
}

TEST(GameReport, ReadsJoinsAndReadyAndNothingElse) {
  struct Case {
    const char *line;
    bool read;
    uint32 ip;
    uint16 port;
  };
  const Case cases[] = {
      {"joined 10.0.0.2:27015", true, 0x0A000002u, 27015},
      {"joined 192.168.10.20:1", true, 0xC0A80A14u, 1},
      {"joined 255.255.255.255:65535", true, 0xFFFFFFFFu, 65535},
      {"ready", true, 0, 0},
      {"joined 10.0.0.2", false, 0, 0},
      {"joined 10.0.0.2:0", false, 0, 0},
      {"joined 10.0.0.2:65536", false, 0, 0},
      {"joined 10.0.0.256:27015", false, 0, 0},
      {"joined 0.0.0.0:27015", false, 0, 0},
      {"joined 10.0.0:27015", false, 0, 0},
      {"joined 10.0.0.2:27015 ", false, 0, 0},
      {"joined  10.0.0.2:27015", false, 0, 0},
      {"joined 10.0.0.2:+27015", false, 0, 0},
      {"joined 0010.0.0.2:27015", false, 0, 0},
      {"joined host.example:27015", false, 0, 0},
      {"Joined 10.0.0.2:27015", false, 0, 0},
      {"ready now", false, 0, 0},
      {"", false, 0, 0},
  };
  for (const Case &c : cases) {
    CGameReport report;
    report.ip = 7;
    EXPECT_EQ(ParseGameReport(c.line, report), c.read) << c.line;
    if (!c.read) continue;
    EXPECT_EQ(report.ip, c.ip) << c.line;
    EXPECT_EQ(report.port, c.port) << c.line;
  }
}

TEST(GameReportPipe, KeepsWholeLinesAndDropsWhatItCannotRead) {
  SpewCapture spew;
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  CGameReportPipe pipe(ends[0], 1002);
  std::vector<CGameReport> reports;
  auto write = [&](const std::string &text) {
    ASSERT_EQ(::write(ends[1], text.data(), text.size()), ssize_t(text.size()));
  };

  // A line split over two reads is read once whole.
  write("joined 10.0.0.2:270");
  pipe.Read(reports);
  EXPECT_TRUE(reports.empty());
  write("15\nready\n");
  pipe.Read(reports);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].port, 27015);
  EXPECT_TRUE(pipe.SaidReady());

  // Junk, control characters and an over-long line are logged (escaped, cut) and skipped; the
  // lines around them still count.
  write("hello\n\x01\x1b[2Jjunk\n" + std::string(5000, 'x') + "\njoined 10.0.0.3:27016\n");
  for (int i = 0; i < 4; ++i) pipe.Read(reports);  // a bounded amount a read
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[1].ip, 0x0A000003u);
  EXPECT_TRUE(spew.Contains("ignored a report of application 1002 it cannot read: 'hello'"));
  EXPECT_TRUE(spew.Contains("'\\x01\\x1B[2Jjunk'"));
  EXPECT_TRUE(spew.Contains("longer than 256 bytes was dropped: '" + std::string(80, 'x') + "...'"));
  for (const std::string &warning : spew.Warnings()) {
    EXPECT_EQ(warning.find('\x1b'), std::string::npos);
    EXPECT_LT(warning.size(), 200u);
  }

  // At the end of the pipe an unfinished line is dropped.
  write("joined 10.0.0.4:27017");
  close(ends[1]);
  pipe.Read(reports);
  EXPECT_TRUE(pipe.AtEnd());
  EXPECT_EQ(reports.size(), 2u);
  EXPECT_TRUE(spew.Contains("an unfinished report of application 1002 was dropped: 'joined 10.0.0.4:27017'"));
}

TEST(HostConfig, RejectsApplicationIdsThatAreNotNumbers) {
  for (const char *id : {"abc", "0", "4294967296", "12x"}) {
    CHostConfig config;
    KeyValuesAD root(new KeyValues("HostConfig"));
    std::string text = std::string("\"HostConfig\" { \"Games\" { \"") + id + "\" { \"command\" \"x\" } } }";
    ASSERT_TRUE(root->LoadFromBuffer("config", text.c_str()));
    std::string error;
    EXPECT_FALSE(config.Apply(root.get(), error)) << id;
    EXPECT_NE(error.find("application id"), std::string::npos);
  }
}

TEST(HostConfig, TheDemoStartsFakegameForEveryApplicationOfTheDemoWorld) {
  const char *source = getenv("SB_SOURCE_DIR");
  ASSERT_NE(source, nullptr);
  CHostConfig config = ConfigFrom(ReadWholeFile(std::string(source) + "/host/demo/host.vdf").c_str());
  KeyValuesAD world(new KeyValues("PlexaClient"));
  ASSERT_TRUE(world->LoadFromBuffer(
      "world", ReadWholeFile(std::string(source) + "/plexaclient/demo/plexaclient.vdf").c_str()));
  std::map<uint32, std::string> demo;
  for (KeyValues *app = world->FindKey("apps")->GetFirstSubKey(); app; app = app->GetNextKey()) {
    demo[static_cast<uint32>(atoll(app->GetName()))] = app->GetString("gamedir");
  }
  std::map<uint32, std::string> configured;
  for (const CGameEntry &game : config.Games()) {
    configured[game.appID] = game.gameDir;
    EXPECT_EQ(game.command, "fakegame -game " + game.gameDir) << game.appID;
  }
  EXPECT_EQ(configured, demo);
}

TEST(HostConfig, StartMessagesAreCopiesInFileOrder) {
  CHostConfig config = ConfigFrom(R"("HostConfig" { "Messages" {
      "ActiveGameName" { "game" "Ironclad Skies" "name" "ironclad" "appid" "1002" }
      "ConnectedToGame" { "ip" "16777343" "connectionport" "27015" "queryport" "27015" } } })");
  std::vector<KeyValues *> first = config.MakeStartMessages();
  std::vector<KeyValues *> second = config.MakeStartMessages();
  ASSERT_EQ(first.size(), 2u);
  EXPECT_STREQ(first[0]->GetName(), "ActiveGameName");
  EXPECT_STREQ(first[0]->GetString("game"), "Ironclad Skies");
  EXPECT_EQ(first[1]->GetInt("ip"), 16777343);
  EXPECT_NE(first[0], second[0]);
  for (KeyValues *message : first) message->Destroy();
  for (KeyValues *message : second) message->Destroy();
  EXPECT_TRUE(CHostConfig().MakeStartMessages().empty());
}

}  // namespace
}  // namespace kguihost
