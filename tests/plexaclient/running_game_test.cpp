// The channel to the running game: where its socket lives and who may own that folder, what a
// request may carry, and the stand-in handing servers to a running fakegame, which logs them and
// reports them on its pipe.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "plexa/client_api.h"
#include "plexa/iclientfriends.h"
#include "plexa_fixture.h"
#include "plexaclient/running_game_channel.h"
#include "support/spew_capture.h"

extern char **environ;

namespace {

using runninggame::CRequest;

constexpr PlexaId_t kFriend = 76561197960265729ull;

// A private folder under /tmp standing in for $XDG_RUNTIME_DIR (short, so socket paths fit).
class CRuntimeDir {
 public:
  CRuntimeDir() {
    std::string pattern = "/tmp/sb-run-XXXXXX";
    if (mkdtemp(pattern.data())) m_Path = pattern;
  }
  ~CRuntimeDir() {
    std::error_code ignored;
    if (!m_Path.empty()) std::filesystem::remove_all(m_Path, ignored);
  }
  CRuntimeDir(const CRuntimeDir &) = delete;
  CRuntimeDir &operator=(const CRuntimeDir &) = delete;
  const std::string &Path() const { return m_Path; }

 private:
  std::string m_Path;
};

// fakegame started as the host would start it: with a report pipe, the test's environment.
class CRunningGame {
 public:
  explicit CRunningGame(const std::vector<std::string> &args) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) return;
    m_Report = ends[0];
    std::vector<std::string> environment;
    for (char **entry = environ; *entry; ++entry) environment.emplace_back(*entry);
    environment.push_back("KGUI_GAME_REPORT_FD=" + std::to_string(ends[1]));
    std::vector<char *> envp;
    for (std::string &entry : environment) envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::vector<std::string> words = {BinDir() + "/fakegame"};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (std::string &word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], ends[1]);
    if (posix_spawn(&m_Pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) m_Pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(ends[1]);
  }
  ~CRunningGame() {
    Stop(SIGTERM);
    if (m_Report >= 0) close(m_Report);
  }
  CRunningGame(const CRunningGame &) = delete;
  CRunningGame &operator=(const CRunningGame &) = delete;

  bool Started() const { return m_Pid > 0; }
  void Stop(int signal) {
    if (m_Pid <= 0) return;
    kill(m_Pid, signal);
    waitpid(m_Pid, nullptr, 0);
    m_Pid = -1;
  }
  // The next line the game reported, waiting at most five seconds for it; "" when none came.
  std::string NextReport() {
    for (int round = 0; round < 50; ++round) {
      size_t end = m_Pending.find('\n');
      if (end != std::string::npos) {
        std::string line = m_Pending.substr(0, end);
        m_Pending.erase(0, end + 1);
        return line;
      }
      pollfd wait{m_Report, POLLIN, 0};
      if (poll(&wait, 1, 100) <= 0) continue;  // a short bounded poll of another process
      char buffer[256];
      ssize_t got = read(m_Report, buffer, sizeof(buffer));
      if (got <= 0) return "";
      m_Pending.append(buffer, static_cast<size_t>(got));
    }
    return "";
  }

 private:
  pid_t m_Pid = -1;
  int m_Report = -1;
  std::string m_Pending;
};

// The stand-in bound with one friend, fakegame's log, user folder and runtime folder the test's own.
class RunningGameTest : public PlexaWorldTest {
 protected:
  void SetUp() override {
    PlexaWorldTest::SetUp();
    ASSERT_FALSE(m_Runtime.Path().empty());
    Bind(R"("friends" { "76561197960265729" { "name" "Marlowe Quist" "flags" "2" } })");
  }
  std::string Log() const { return ReadWholeFile(m_Scratch.File("fakegame.log")); }

  CRuntimeDir m_Runtime;
  ScopedEnv m_RuntimeEnv{"XDG_RUNTIME_DIR", m_Runtime.Path()};
  ScopedEnv m_UserEnv{"PLEXA_USER_DIR", m_Scratch.File("user")};
  ScopedEnv m_LogEnv{"FAKEGAME_LOG", m_Scratch.File("fakegame.log")};
};

TEST_F(RunningGameTest, TheServicesHandTheRunningGameServersItLogsAndReports) {
  CRunningGame game({"-game", "vanguard"});
  ASSERT_TRUE(game.Started());
  ASSERT_EQ(game.NextReport(), "ready");
  SpewCapture spew;

  ClientFriends()->ConnectRunningGame("10.0.0.3:27016", "pass word");
  EXPECT_EQ(game.NextReport(), "joined 10.0.0.3:27016");
  EXPECT_STREQ(ServicesControl()->GetLastConnectRequest(), "10.0.0.3:27016");
  ClientFriends()->JoinRunningGameToFriend(1002, kFriend, "+connect 10.0.0.4:27017 +password \"x y\"");
  EXPECT_EQ(game.NextReport(), "joined 10.0.0.4:27017");
  EXPECT_TRUE(spew.Warnings().empty()) << spew.Warnings()[0];

  // What cannot be a server or a password is refused on either side and reaches no join: the
  // next report is the good request's that follows.
  ClientFriends()->ConnectRunningGame("10.0.0.5:27018", "a\nconnect 10.0.0.66:1");
  ClientFriends()->ConnectRunningGame("10.0.0.5:27018", "a\x1b[2J");
  ClientFriends()->ConnectRunningGame("10.0.0.999:27018", "");
  ClientFriends()->ConnectRunningGame("", "");
  ClientFriends()->JoinRunningGameToFriend(1002, kFriend, "+connect");
  ClientFriends()->JoinRunningGameToFriend(1002, kFriend, "status only");
  ClientFriends()->ConnectRunningGame("10.0.0.6:27019", std::string(2000, 'p').c_str());
  ClientFriends()->ConnectRunningGame("10.0.0.6:27019", "");
  EXPECT_EQ(game.NextReport(), "joined 10.0.0.6:27019");
  EXPECT_TRUE(spew.Contains("the running game was not reached: control characters in the request"));
  EXPECT_TRUE(
      spew.Contains("the running game answered 'refused cannot read the address '10.0.0.999:27018''"));
  EXPECT_TRUE(spew.Contains("the running game answered 'refused no server named'"));
  EXPECT_TRUE(spew.Contains("is longer than 1024 bytes"));
  EXPECT_TRUE(spew.Contains("connect to 10.0.0.5:27018 (with a password)"));

  std::string log = Log();
  EXPECT_NE(log.find("connecting to 10.0.0.3:27016 with a password (handed over while running)\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("connecting to 10.0.0.4:27017 with a password (handed over while running)\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("connecting to 10.0.0.6:27019 (handed over while running)\n"), std::string::npos) << log;
  EXPECT_EQ(log.find("10.0.0.5"), std::string::npos) << log;
  EXPECT_EQ(log.find("10.0.0.66"), std::string::npos) << log;
  EXPECT_EQ(log.find("pass word"), std::string::npos) << log;
  EXPECT_EQ(log.find("x y"), std::string::npos) << log;
  EXPECT_EQ(log.find('\x1b'), std::string::npos) << log;
}

TEST_F(RunningGameTest, TheNewestGameOfTheUserFolderIsTheOneReached) {
  SpewCapture spew;
  ClientFriends()->ConnectRunningGame("10.0.0.3:27016", "");
  EXPECT_TRUE(spew.Contains("the running game was not reached: no game listens at"));

  // A game killed outright leaves its socket behind; nobody answers there, and the next game
  // takes its place.
  std::string path;
  std::string error;
  ASSERT_TRUE(runninggame::SocketPath(path, error)) << error;
  CRunningGame killed({});
  ASSERT_EQ(killed.NextReport(), "ready");
  killed.Stop(SIGKILL);
  ASSERT_TRUE(std::filesystem::exists(path));
  spew.Clear();
  ClientFriends()->ConnectRunningGame("10.0.0.3:27016", "");
  EXPECT_TRUE(spew.Contains("no game listens at '" + path + "'"));

  CRunningGame older({});
  ASSERT_EQ(older.NextReport(), "ready");
  CRunningGame newer({});
  ASSERT_EQ(newer.NextReport(), "ready");
  ClientFriends()->ConnectRunningGame("10.0.0.3:27016", "");
  EXPECT_EQ(newer.NextReport(), "joined 10.0.0.3:27016");
  // The older game closing leaves the newer one's socket in place.
  older.Stop(SIGTERM);
  ClientFriends()->ConnectRunningGame("10.0.0.4:27017", "");
  EXPECT_EQ(newer.NextReport(), "joined 10.0.0.4:27017");
  newer.Stop(SIGTERM);
  EXPECT_FALSE(std::filesystem::exists(path));

  // A game of another user folder is not this user's running game.
  {
    ScopedEnv other("PLEXA_USER_DIR", m_Scratch.File("other-user"));
    CRunningGame elsewhere({});
    ASSERT_EQ(elsewhere.NextReport(), "ready");
    spew.Clear();
    ScopedEnv back("PLEXA_USER_DIR", m_Scratch.File("user"));
    ClientFriends()->ConnectRunningGame("10.0.0.3:27016", "");
    EXPECT_TRUE(spew.Contains("no game listens at '" + path + "'"));
  }
}

TEST_F(RunningGameTest, AFileInTheSocketsPlaceKeepsTheGameOffTheChannel) {
  std::string path;
  std::string error;
  ASSERT_TRUE(runninggame::SocketPath(path, error)) << error;
  WriteWholeFile(path, "not a socket");
  CRunningGame game({"+connect", "10.0.0.2:27015"});
  // It still joins the server of its command line.
  EXPECT_EQ(game.NextReport(), "joined 10.0.0.2:27015");
  EXPECT_EQ(game.NextReport(), "ready");
  EXPECT_NE(Log().find("no running-game channel: '" + path + "' is in the way and not a socket"),
            std::string::npos)
      << Log();
  EXPECT_EQ(ReadWholeFile(path), "not a socket");
}

TEST(RunningGameChannel, TheRuntimeFolderMustBeTheUsersAlone) {
  TempDir dir;
  auto folder = [&](const char *name, mode_t mode) {
    std::string path = dir.File(name);
    mkdir(path.c_str(), 0700);
    chmod(path.c_str(), mode);
    return path;
  };
  const std::string closed = folder("closed", 0700);
  const std::string open = folder("open", 0755);
  const std::string link = dir.File("link");
  ASSERT_EQ(symlink(closed.c_str(), link.c_str()), 0);
  const std::string fallback = dir.File("fallback");

  struct Case {
    std::string runtime;  // "-" for none
    std::string picked;
  };
  const Case cases[] = {
      {closed, closed},       {closed + "/", closed}, {open, fallback}, {link, fallback},
      {"relative", fallback}, {"-", fallback},        {"", fallback},
  };
  for (const Case &c : cases) {
    std::string picked;
    std::string error;
    EXPECT_TRUE(runninggame::PickRuntimeFolder(c.runtime == "-" ? nullptr : c.runtime.c_str(), fallback,
                                               picked, error))
        << c.runtime << ": " << error;
    EXPECT_EQ(picked, c.picked) << c.runtime;
  }
  struct stat info {};
  ASSERT_EQ(lstat(fallback.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);  // made private

  // A fallback others may enter, or that is no directory, is refused with the reason.
  struct Refusal {
    std::string fallback;
    const char *reason;
  };
  WriteWholeFile(dir.File("file"), "x");
  const Refusal refusals[] = {
      {open, "is open to other users (mode 755)"},
      {link, "is not a directory"},
      {dir.File("file"), "is not a directory"},
      {dir.File("missing/deeper"), "cannot make"},
  };
  for (const Refusal &r : refusals) {
    std::string picked = "unchanged";
    std::string error;
    EXPECT_FALSE(runninggame::PickRuntimeFolder(open.c_str(), r.fallback, picked, error)) << r.fallback;
    EXPECT_NE(error.find(r.reason), std::string::npos) << error;
    EXPECT_EQ(picked, "unchanged");
  }
  // Another user's folder (only root can make one to try).
  const std::string foreign = folder("foreign", 0700);
  if (chown(foreign.c_str(), geteuid() + 1, static_cast<gid_t>(-1)) == 0) {
    std::string picked;
    std::string error;
    EXPECT_FALSE(runninggame::PickRuntimeFolder(nullptr, foreign, picked, error));
    EXPECT_NE(error.find("belongs to another user"), std::string::npos) << error;
    EXPECT_TRUE(runninggame::PickRuntimeFolder(foreign.c_str(), fallback, picked, error));
    EXPECT_EQ(picked, fallback);
  }
}

TEST(RunningGameChannel, EachUserFolderHasASocketOfItsOwn) {
  CRuntimeDir runtime;
  ScopedEnv runtimeEnv("XDG_RUNTIME_DIR", runtime.Path());
  auto pathFor = [](const std::string &userFolder) {
    ScopedEnv user("PLEXA_USER_DIR", userFolder);
    std::string path;
    std::string error;
    EXPECT_TRUE(runninggame::SocketPath(path, error)) << error;
    return path;
  };
  const std::string first = pathFor("/home/someone/.config/serverbrowser");
  EXPECT_EQ(first.rfind(runtime.Path() + "/plexa-game-", 0), 0u) << first;
  EXPECT_EQ(first.size(), runtime.Path().size() + 33);
  EXPECT_EQ(pathFor("/home/someone/./.config//serverbrowser/"), first);
  EXPECT_NE(pathFor("/home/someone/profile2"), first);

  // A runtime folder so deep that no socket path fits there is reported.
  std::string deep = runtime.Path();
  while (deep.size() < 100) deep += "/deeper";
  std::filesystem::create_directories(deep);
  chmod(deep.c_str(), 0700);
  ScopedEnv deepEnv("XDG_RUNTIME_DIR", deep);
  std::string path;
  std::string error;
  EXPECT_FALSE(runninggame::SocketPath(path, error));
  EXPECT_NE(error.find("is too long"), std::string::npos) << error;
}

TEST(RunningGameChannel, RequestsAreWrittenAndReadBackOrRefused) {
  struct Case {
    CRequest request;
    const char *packet;  // null: refused
  };
  const Case cases[] = {
      {{"10.0.0.2:27015", "", ""}, "connect 10.0.0.2:27015\n"},
      {{"10.0.0.2:27015", "two words \"quoted\"", ""},
       "connect 10.0.0.2:27015\npassword two words \"quoted\"\n"},
      {{"", "", "+connect 10.0.0.2:27015"}, "command +connect 10.0.0.2:27015\n"},
      {{"10.0.0.2:27015", "a\nb", ""}, nullptr},
      {{"10.0.0.2:27015\nquit", "", ""}, nullptr},
      {{"", "", "+connect 10.0.0.2:27015\r"}, nullptr},
      {{"10.0.0.2:27015", "", "+connect 10.0.0.2:27015"}, nullptr},
      {{"", "", ""}, nullptr},
      {{"10.0.0.2:27015", std::string(1100, 'p'), ""}, nullptr},
  };
  for (const Case &c : cases) {
    std::string packet;
    std::string error;
    EXPECT_EQ(runninggame::FormatRequest(c.request, packet, error), c.packet != nullptr)
        << c.request.password;
    if (!c.packet) {
      EXPECT_FALSE(error.empty());
      continue;
    }
    EXPECT_EQ(packet, c.packet);
    CRequest read;
    ASSERT_TRUE(runninggame::ParseRequest(packet, read, error)) << packet;
    EXPECT_EQ(read.address, c.request.address);
    EXPECT_EQ(read.password, c.request.password);
    EXPECT_EQ(read.command, c.request.command);
  }
  for (const char *bad :
       {"", "connect 10.0.0.2:27015", "connect \n", "password x\n", "hello 1\n",
        "connect 10.0.0.2:27015\npassword x\nextra y\n", "connect 10.0.0.2:27015\npassword\x01\n",
        "command +connect 10.0.0.2:27015\npassword x\n"}) {
    CRequest read;
    std::string error;
    EXPECT_FALSE(runninggame::ParseRequest(bad, read, error)) << bad;
    EXPECT_TRUE(read.address.empty() && read.password.empty() && read.command.empty()) << bad;
  }
  EXPECT_EQ(runninggame::EscapeForLog("a\x1b[2J\\b\x7f", 200), "a\\x1B[2J\\\\b\\x7F");
  EXPECT_EQ(runninggame::EscapeForLog("abcdef", 3), "abc...");
}

}  // namespace
