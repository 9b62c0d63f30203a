// kgui-host end to end: the test module driven headless by scripts, the host messages, the game
// launcher, screenshots, dumps, and the refusal of bad modules, command lines and scripts.
#include <cairo.h>
#include <signal.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <sstream>

#include "host/app/host_options.h"
#include "tests/host/host_fixture.h"

namespace kguihost {
namespace {

const Color kWindow(40, 44, 80, 255);

class HostAppTest : public ::testing::Test {
 protected:
  HostAppTest() {
    InstallShippedScheme(Game());
    WriteWholeFile(
        Game() + "/resource/testmodule_english.txt",
        "\"lang\" { \"Language\" \"English\" \"Tokens\" { \"TestModule_Hello\" \"Hello, host\" } }\n");
    WriteSolidPng(Game() + "/testmodule/icon.png", 8, 8, Color(250, 220, 40, 255));
    std::filesystem::create_directories(m_Dir.File("user"));
  }

  std::string Game() const { return m_Dir.File("game"); }

  // Runs kgui-host headless on the test module with a script (and extra arguments first, and extra
  // environment entries "NAME=value").
  int RunHost(const std::string &script, std::vector<std::string> extra = {},
              const std::vector<std::string> &environment = {}) {
    WriteWholeFile(m_Dir.File("script.txt"), script);
    std::vector<std::string> argv = {
        BinPath("kgui-host"), "--headless",       "--game",   Game(),
        "--user-dir",         m_Dir.File("user"), "--script", m_Dir.File("script.txt")};
    argv.insert(argv.end(), extra.begin(), extra.end());
    argv.push_back(BinPath("kguitestmodule.so"));
    return RunProgram(argv, m_Output, environment);
  }

  // The panel of the last dump at a path of names below the window.
  KeyValues *Dumped(const std::string &name) {
    if (!m_pDump) {
      m_pDump.reset(new KeyValues("Panels"));
      EXPECT_TRUE(m_pDump->LoadFromBuffer("dump", ReadWholeFile(m_Dir.File("dump.vdf")).c_str()));
    }
    KeyValues *window = m_pDump->FindKey("Panel");
    if (!window || name == "TestWindow") return window;
    for (KeyValues *child = window->FindKey("Children")->GetFirstSubKey(); child;
         child = child->GetNextKey()) {
      if (name == child->GetString("name")) return child;
    }
    return nullptr;
  }

  std::string Text(const std::string &name) {
    KeyValues *panel = Dumped(name);
    return panel ? panel->GetString("text") : "<no panel>";
  }

  TempDir m_Dir;
  std::string m_Output;
  KeyValuesAD m_pDump;
};

// Reads a PNG's pixels for checking.
class CPicture {
 public:
  explicit CPicture(const std::string &path)
      : m_pSurface(cairo_image_surface_create_from_png(path.c_str())) {}
  ~CPicture() { cairo_surface_destroy(m_pSurface); }
  bool Valid() const { return cairo_surface_status(m_pSurface) == CAIRO_STATUS_SUCCESS; }
  int Wide() const { return cairo_image_surface_get_width(m_pSurface); }
  int Tall() const { return cairo_image_surface_get_height(m_pSurface); }
  Color At(int x, int y) const {
    const unsigned char *data = cairo_image_surface_get_data(m_pSurface);
    uint32 argb = reinterpret_cast<const uint32 *>(data + y * cairo_image_surface_get_stride(m_pSurface))[x];
    return Color((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF, argb >> 24);
  }

 private:
  cairo_surface_t *m_pSurface;
};

TEST_F(HostAppTest, TestModuleRunsHeadlessAndItsPictureShowsWhatItDraws) {
  std::string shot = m_Dir.File("shot.png");
  ASSERT_EQ(RunHost("wait 5frames\n"
                    "click TestWindow/ClickTarget\n"
                    "rclick 400 160\n"
                    "wait 1000ms\n"
                    "shot " +
                    shot +
                    "\n"
                    "dump " +
                    m_Dir.File("dump.vdf") +
                    "\n"
                    "quit\n"),
            0)
      << m_Output;

  CPicture picture(shot);
  ASSERT_TRUE(picture.Valid());
  EXPECT_EQ(picture.Wide(), 1280);
  EXPECT_EQ(picture.Tall(), 800);
  EXPECT_EQ(picture.At(70, 70), Color(220, 30, 30, 255));    // RedBox
  EXPECT_EQ(picture.At(200, 70), Color(30, 30, 220, 255));   // ClipFrame
  EXPECT_EQ(picture.At(280, 110), Color(30, 220, 30, 255));  // Overflow, inside ClipFrame
  EXPECT_EQ(picture.At(300, 110), kWindow);                  // Overflow, cut at ClipFrame's edge
  EXPECT_EQ(picture.At(76, 196), Color(250, 220, 40, 255));  // the icon, scaled from 8x8 to 32x32
  EXPECT_EQ(picture.At(116, 196), kWindow);                  // a missing image draws nothing
  EXPECT_EQ(picture.At(420, 175), Color(40, 200, 60, 255));  // ClickTarget turned green
  EXPECT_EQ(picture.At(20, 20), Color(36, 40, 46, 255));     // the desktop
  int ink = 0;
  for (int y = 140; y < 164; ++y) {
    for (int x = 60; x < 200; ++x) ink += picture.At(x, y) == kWindow ? 0 : 1;
  }
  EXPECT_GT(ink, 50);  // the label's text

  EXPECT_EQ(Text("ClickTarget"), "clicks 2 button 1");
  EXPECT_EQ(Text("Label"), "Hello, host");
  EXPECT_EQ(Text("Delayed"), "order first,middle,middle2,late");
  EXPECT_EQ(Text("Ticker"), "ticks 4");  // 250 ms ticks over a little more than a second
  EXPECT_EQ(Dumped("Doomed"), nullptr);
  EXPECT_NE(Text("TestWindow").find("doomed gone"), std::string::npos);
  EXPECT_EQ(Dumped("TestWindow")->GetInt("x"), 40);
  EXPECT_EQ(Dumped("Overflow"), nullptr);  // listed under ClipFrame, not the window
}

TEST_F(HostAppTest, HostMessagesReachTheRootPanelFromConfigurationAndScript) {
  WriteWholeFile(m_Dir.File("host.vdf"), R"("HostConfig" { "Messages" {
      "ActiveGameName" { "game" "Ironclad Skies" "name" "ironclad" "appid" "1002" }
      "ConnectedToGame" { "ip" "1" "connectionport" "27015" "queryport" "27015" } } })");
  ASSERT_EQ(RunHost("wait 1frames\n"
                    "dump " +
                        m_Dir.File("dump.vdf") +
                        "\n"
                        "message ConnectedToGame ip=16777343 connectionport=27016 queryport=27016\n"
                        "wait 1frames\n"
                        "dump " +
                        m_Dir.File("dump2.vdf") + "\n",
                    {"--config", m_Dir.File("host.vdf")}),
            0)
      << m_Output;
  EXPECT_NE(Text("TestWindow").find("game 'Ironclad Skies' ip 1 "), std::string::npos) << Text("TestWindow");
  std::filesystem::rename(m_Dir.File("dump2.vdf"), m_Dir.File("dump.vdf"));
  m_pDump.reset();
  EXPECT_NE(Text("TestWindow").find("ip 16777343"), std::string::npos) << Text("TestWindow");
}

TEST_F(HostAppTest, GameLauncherReachesTheModuleThroughTheHostFactories) {
  std::string record = m_Dir.File("game-args.txt");
  WriteWholeFile(m_Dir.File("host.vdf"),
                 "\"HostConfig\" { \"Games\" { \"1002\" { \"gamedir\" \"ironclad\" "
                 "\"command\" \"fakegame --record " +
                     record + "\" } } }");
  ASSERT_EQ(RunHost("message LaunchGame appid=1002 gamedir=ironclad commandline=\"+connect 10.0.0.2:27015\"\n"
                    "wait 1frames\n"
                    "dump " +
                        m_Dir.File("dump.vdf") +
                        "\n"
                        "message LaunchGame appid=7 gamedir=other\n"
                        "wait 1frames\n"
                        "dump " +
                        m_Dir.File("dump2.vdf") + "\n",
                    {"--config", m_Dir.File("host.vdf")}),
            0)
      << m_Output;
  EXPECT_NE(Text("TestWindow").find("launch 0 running 1"), std::string::npos) << Text("TestWindow");
  // The host closes what it started (the arguments themselves are checked in the launcher suite).
  size_t at = m_Output.find("Launcher: started application 1002 (ironclad) as process ");
  ASSERT_NE(at, std::string::npos) << m_Output;
  pid_t game = static_cast<pid_t>(
      atoi(m_Output.c_str() + at + strlen("Launcher: started application 1002 (ironclad) as process ")));
  ASSERT_GT(game, 0);
  EXPECT_NE(kill(game, 0), 0);
  std::filesystem::rename(m_Dir.File("dump2.vdf"), m_Dir.File("dump.vdf"));
  m_pDump.reset();
  EXPECT_NE(Text("TestWindow").find("launch 2 running 0"), std::string::npos) << Text("TestWindow");
}

TEST_F(HostAppTest, GameJoinsReachTheModuleAsConnectedToGame) {
  // The game starts with a connect line, then the services hand the running game another server.
  CRuntimeDir runtime;
  ASSERT_FALSE(runtime.Path().empty());
  std::string log = m_Dir.File("fakegame.log");
  WriteWholeFile(m_Dir.File("host.vdf"), R"("HostConfig" { "Games" {
      "1002" { "gamedir" "ironclad" "command" "fakegame -game ironclad" } } })");
  ASSERT_EQ(RunHost("message LaunchGame appid=1002 gamedir=ironclad "
                    "commandline=\"+connect 192.168.10.20:27015 +password secret9\"\n"
                    "wait 2frames\n"
                    "message ConnectRunningGame address=10.0.0.3:27016 password=hunter2\n"
                    "wait 2frames\n"
                    "message IsGameRunning appid=1002\n"
                    "wait 1frames\n"
                    "dump " +
                        m_Dir.File("dump.vdf") + "\n",
                    {"--config", m_Dir.File("host.vdf"), "--services", BinPath("plexaclient.so")},
                    {"XDG_RUNTIME_DIR=" + runtime.Path(), "FAKEGAME_LOG=" + log}),
            0)
      << m_Output;
  // The address as the browser reads it (unsigned), the one port as connection and query port.
  EXPECT_NE(Text("TestWindow").find("running 1 joins 192.168.10.20:27015/27015,10.0.0.3:27016/27016 left 0"),
            std::string::npos)
      << Text("TestWindow") << m_Output;
  EXPECT_NE(m_Output.find("kgui-host: the game of application 1002 joined 10.0.0.3:27016"),
            std::string::npos);
  std::string played = ReadWholeFile(log);
  EXPECT_NE(played.find("connecting to 192.168.10.20:27015 with a password\n"), std::string::npos) << played;
  EXPECT_NE(played.find("connecting to 10.0.0.3:27016 with a password (handed over while running)"),
            std::string::npos)
      << played;
  EXPECT_EQ(played.find("secret9"), std::string::npos) << played;
  EXPECT_EQ(played.find("hunter2"), std::string::npos) << played;
  // The game went with the host; its socket too.
  EXPECT_TRUE(std::filesystem::is_empty(runtime.Path()));
}

TEST_F(HostAppTest, ReportsAGameCannotMakeAreLoggedAndIgnored) {
  // A game that writes junk, control characters and an endless line before one good join, then
  // ends: the host logs what it drops, passes on the join, and then that the game left.
  std::string game = m_Dir.File("noisy-game.sh");
  WriteWholeFile(game,
                 "#!/bin/sh\n"
                 "exec >&\"$KGUI_GAME_REPORT_FD\"\n"
                 "printf 'hello\\n\\033[2Jjoined 10.0.0.1\\njoined 300.0.0.1:27015\\n'\n"
                 "head -c 100000 /dev/zero | tr '\\000' x\n"
                 "printf '\\njoined 10.0.0.7:27015\\nready\\n'\n"
                 "touch \"" +
                     m_Dir.File("game-done") + "\"\n");
  chmod(game.c_str(), 0755);
  WriteWholeFile(m_Dir.File("host.vdf"),
                 "\"HostConfig\" { \"Games\" { \"40\" { \"command\" \"" + game + "\" } } }");
  // The frames run faster than the game writes on a busy machine: wait until it has written all,
  // then half a second on the real clock for it to end.
  ASSERT_EQ(RunHost("message LaunchGame appid=40 gamedir=armada\n"
                    "waitfile " +
                        m_Dir.File("game-done") +
                        "\n"
                        "wait 30frames\n"
                        "dump " +
                        m_Dir.File("dump.vdf") + "\n",
                    {"--config", m_Dir.File("host.vdf"), "--realtime"}),
            0)
      << m_Output;
  EXPECT_NE(Text("TestWindow").find("joins 10.0.0.7:27015/27015 left 1"), std::string::npos)
      << Text("TestWindow");
  for (const char *logged : {"cannot read: 'hello'", "cannot read: '\\x1B[2Jjoined 10.0.0.1'",
                             "cannot read: 'joined 300.0.0.1:27015'", "longer than 256 bytes was dropped"}) {
    EXPECT_NE(m_Output.find(logged), std::string::npos) << logged << "\n" << m_Output;
  }
  EXPECT_EQ(m_Output.find('\x1b'), std::string::npos);
}

TEST_F(HostAppTest, BrowserStepsReachTheModuleFaceAndTheirAnswersAreLogged) {
  // As a friends list and a command line would: open and join a friend's game, join an address.
  ASSERT_EQ(RunHost("browser openfriend 76561197960287930\n"
                    "browser joinfriend 76561197960287930\n"
                    "browser openfriend 0\n"
                    "browser closefriend 76561197960287930\n"
                    "browser closeall\n"
                    "browser joinserver 10.0.0.3:27015 \"open sesame\"\n"
                    "browser joinserver 192.168.10.20:27016\n"
                    "browser show\n"),
            0)
      << m_Output;
  const char *expected[] = {
      "testmodule: OpenFriendGameInfo 76561197960287930\n",
      "kgui-host: openfriend 76561197960287930 -> true\n",
      "testmodule: JoinFriendGame 76561197960287930\n",
      "kgui-host: joinfriend 76561197960287930 -> false\n",
      "kgui-host: openfriend 0 -> false\n",
      "testmodule: CloseFriendGameInfo 76561197960287930\n",
      "testmodule: CloseAllGameInfoDialogs\n",
      "testmodule: JoinServer 10.0.0.3:27015 password 'open sesame'\n",
      "kgui-host: joinserver 10.0.0.3:27015 with a password -> true\n",
      "testmodule: JoinServer 192.168.10.20:27016 password none\n",
      "kgui-host: joinserver 192.168.10.20:27016 -> true\n",
      "kgui-host: show\n",
  };
  size_t at = 0;
  for (const char *line : expected) {
    size_t found = m_Output.find(line, at);
    ASSERT_NE(found, std::string::npos) << "missing or out of order: " << line << m_Output;
    at = found;
  }
  // The host's own log never shows the password.
  std::istringstream lines(m_Output);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("kgui-host:", 0) == 0) {
      EXPECT_EQ(line.find("sesame"), std::string::npos) << line;
    }
  }
}

TEST_F(HostAppTest, BrowserStepsFailClearlyWhenTheModuleLacksTheFace) {
  ASSERT_EQ(RunHost("browser joinfriend 76561197960287930\n"
                    "wait 1frames\n"
                    "dump " +
                        m_Dir.File("dump.vdf") + "\n",
                    {}, {"KGUI_TESTMODULE_NO_BROWSER=1"}),
            2)
      << m_Output;
  EXPECT_NE(m_Output.find("does not provide ServerBrowser003; script browser steps will fail"),
            std::string::npos)
      << m_Output;
  EXPECT_NE(
      m_Output.find("Script line 1: the module offers no ServerBrowser003 face for 'browser joinfriend'"),
      std::string::npos)
      << m_Output;
  EXPECT_EQ(m_Output.find("testmodule: JoinFriendGame"), std::string::npos) << m_Output;
  // The module ran all the same, and the rest of the script with it.
  EXPECT_EQ(Text("Label"), "Hello, host");
}

TEST_F(HostAppTest, AMessageBeforeTheLastWaitIsDelivered) {
  ASSERT_EQ(RunHost("message ConnectedToGame ip=16777343 connectionport=27016 queryport=27016\n"
                    "wait 1frames\n"),
            0)
      << m_Output;
  EXPECT_NE(m_Output.find("testmodule: ConnectedToGame 1.0.0.127:27016/27016"), std::string::npos)
      << m_Output;
}

TEST_F(HostAppTest, EverySoundPlayedIsLogged) {
  // SDL's dummy audio driver (set for every test) plays nothing; the log line is there all the same.
  std::filesystem::create_directories(Game() + "/servers");
  WriteWav(Game() + "/servers/game_ready.wav");
  ASSERT_EQ(RunHost("message PlaySound name=servers/game_ready.wav\n"
                    "message PlaySound name=servers/missing.wav\n"
                    "wait 1frames\n"
                    "message PlaySound name=servers/game_ready.wav\n"
                    "wait 1frames\n"
                    "dump " +
                    m_Dir.File("dump.vdf") + "\n"),
            0)
      << m_Output;
  size_t first = m_Output.find("kgui-host: sound servers/game_ready.wav\n");
  ASSERT_NE(first, std::string::npos) << m_Output;
  EXPECT_NE(m_Output.find("kgui-host: sound servers/game_ready.wav\n", first + 1), std::string::npos)
      << m_Output;
  EXPECT_EQ(m_Output.find("kgui-host: sound servers/missing.wav"), std::string::npos) << m_Output;
  EXPECT_NE(m_Output.find("cannot read 'servers/missing.wav'"), std::string::npos) << m_Output;
}

TEST_F(HostAppTest, MissingTokenFileAndImagesLeaveDefaultsAndWarnings) {
  std::filesystem::remove(Game() + "/resource/testmodule_english.txt");
  ASSERT_EQ(RunHost("wait 1frames\ndump " + m_Dir.File("dump.vdf") + "\n", {"--language", "german"}), 0)
      << m_Output;
  EXPECT_EQ(Text("Label"), "#TestModule_Hello");
  EXPECT_NE(m_Output.find("cannot read token file 'resource/testmodule_german.txt'"), std::string::npos)
      << m_Output;
  EXPECT_NE(m_Output.find("Image 'testmodule/no_such_image' not found"), std::string::npos);
  EXPECT_NE(m_Output.find("failed start"), std::string::npos);
}

TEST_F(HostAppTest, ScreenshotAfterAFixedNumberOfFrames) {
  std::string shot = m_Dir.File("pictures/one.png");
  std::vector<std::string> argv = {
      BinPath("kgui-host"),        "--headless",   "--game", Game(),     "--user-dir",
      m_Dir.File("user"),          "--screenshot", shot,     "--frames", "3",
      BinPath("kguitestmodule.so")};
  ASSERT_EQ(RunProgram(argv, m_Output), 0) << m_Output;
  CPicture picture(shot);
  ASSERT_TRUE(picture.Valid());
  EXPECT_EQ(picture.At(70, 70), Color(220, 30, 30, 255));
}

TEST_F(HostAppTest, WindowShowsTheSameFramesAsTheOffscreenHost) {
  // SDL's offscreen video driver stands in for a display. Its own libraries keep memory until the
  // process ends, so leak checking is off for this one child.
  std::string shot = m_Dir.File("window.png");
  WriteWholeFile(m_Dir.File("script.txt"), "wait 3frames\nshot " + shot + "\nquit\n");
  std::vector<std::string> argv = {BinPath("kgui-host"),
                                   "--game",
                                   Game(),
                                   "--user-dir",
                                   m_Dir.File("user"),
                                   "--script",
                                   m_Dir.File("script.txt"),
                                   BinPath("kguitestmodule.so")};
  ASSERT_EQ(
      RunProgram(argv, m_Output, {"DISPLAY=:0", "SDL_VIDEODRIVER=offscreen", "ASAN_OPTIONS=detect_leaks=0"}),
      0)
      << m_Output;
  EXPECT_EQ(m_Output.find("rendering offscreen"), std::string::npos) << m_Output;
  CPicture picture(shot);
  ASSERT_TRUE(picture.Valid());
  EXPECT_EQ(picture.At(70, 70), Color(220, 30, 30, 255));
}

TEST_F(HostAppTest, ServicesOptionRecordsTheModuleForTheUser) {
  const char *activeProcess = getenv("PLEXA_ACTIVE_PROCESS");
  ASSERT_NE(activeProcess, nullptr);
  ASSERT_EQ(RunHost("quit\n", {"--services", BinPath("kguinofaces.so")}), 0) << m_Output;
  std::string recorded = ReadWholeFile(activeProcess);
  EXPECT_NE(recorded.find("PlexaClientDll"), std::string::npos);
  EXPECT_NE(recorded.find("kguinofaces.so"), std::string::npos);
}

TEST_F(HostAppTest, UnusableModulesEndTheHostWithAClearMessage) {
  WriteWholeFile(m_Dir.File("notes.txt"), "not a library");
  struct Case {
    std::string module;
    const char *message;
  };
  const Case cases[] = {
      {m_Dir.File("missing.so"), "no such file"},
      {m_Dir.File("notes.txt"), "cannot load module"},
      {BinPath("kguinoentry.so"), "does not export CreateInterface"},
      {BinPath("kguinofaces.so"), "does not provide KGuiModuleServerBrowser001"},
  };
  for (const Case &c : cases) {
    std::string output;
    EXPECT_EQ(
        RunProgram({BinPath("kgui-host"), "--headless", "--user-dir", m_Dir.File("user"), c.module}, output),
        1)
        << c.module;
    EXPECT_NE(output.find(c.message), std::string::npos) << output;
  }
}

TEST_F(HostAppTest, BadScriptsEndWithStatusTwo) {
  EXPECT_EQ(RunHost("wait 1frames\nfly away\n"), 2);
  EXPECT_NE(m_Output.find("line 2: unknown step 'fly'"), std::string::npos) << m_Output;
  EXPECT_EQ(RunHost("click TestWindow/NoSuchPanel\nquit\n"), 2);
  EXPECT_NE(m_Output.find("no shown panel 'TestWindow/NoSuchPanel'"), std::string::npos) << m_Output;
  // A script that cannot be read, or is a FIFO nobody writes (once a hang), ends the run at once.
  ASSERT_EQ(mkfifo(m_Dir.File("pipe.txt").c_str(), 0600), 0);
  const std::pair<std::string, std::string> unreadable[] = {
      {"absent.txt", "cannot be opened: No such file or directory"},
      {"pipe.txt", "is not a regular file"},
  };
  for (const auto &[name, why] : unreadable) {
    std::string output;
    EXPECT_EQ(RunProgram({BinPath("kgui-host"), "--headless", "--script", m_Dir.File(name),
                          BinPath("kguitestmodule.so")},
                         output),
              2);
    EXPECT_NE(output.find("kgui-host: script '" + m_Dir.File(name) + "' " + why), std::string::npos)
        << output;
  }
}

TEST(HostOptions, ParsesTheCommandLineAndRefusesMistakes) {
  CHostOptions options;
  std::string error;
  const char *good[] = {"kgui-host",    "--headless", "--realtime", "--config", "c.vdf",
                        "--game",       "g",          "--user-dir", "u",        "--services",
                        "s.so",         "--language", "german",     "--script", "x.txt",
                        "--screenshot", "p.png",      "--frames",   "12",       "module.so"};
  ASSERT_TRUE(ParseHostOptions(static_cast<int>(std::size(good)), good, options, error)) << error;
  EXPECT_TRUE(options.headless);
  EXPECT_TRUE(options.realtime);
  EXPECT_EQ(options.configFile + options.gameDir + options.userDir + options.servicesModule, "c.vdfgus.so");
  EXPECT_EQ(options.language, "german");
  EXPECT_EQ(options.frames, 12);
  EXPECT_EQ(options.modulePath, "module.so");

  struct Case {
    std::vector<const char *> argv;
    const char *problem;
  };
  const Case cases[] = {
      {{"kgui-host"}, "no module given"},
      {{"kgui-host", "--bogus", "m.so"}, "unknown option --bogus"},
      {{"kgui-host", "a.so", "b.so"}, "only one module"},
      {{"kgui-host", "m.so", "--game"}, "--game needs a value"},
      {{"kgui-host", "--frames", "0", "m.so"}, "--frames needs"},
      {{"kgui-host", "--frames", "12x", "m.so"}, "--frames needs"},
      {{"kgui-host", "--screenshot", "p.png", "m.so"}, "--screenshot needs --frames"},
  };
  for (const Case &c : cases) {
    CHostOptions bad;
    std::string problem;
    EXPECT_FALSE(ParseHostOptions(static_cast<int>(c.argv.size()), c.argv.data(), bad, problem)) << c.problem;
    EXPECT_NE(problem.find(c.problem), std::string::npos) << problem;
  }
  std::string output;
  EXPECT_EQ(RunProgram({BinPath("kgui-host")}, output), 1);
  EXPECT_NE(output.find("usage: kgui-host"), std::string::npos);
  EXPECT_EQ(RunProgram({BinPath("kgui-host"), "--help"}, output), 0);
}

TEST(HostOptions, DefaultFoldersFollowTheEnvironmentAndTheExecutable) {
  TempDir dir;
  std::filesystem::create_directories(dir.File("tree/game"));
  std::filesystem::create_directories(dir.File("tree/build/bin"));
  EXPECT_EQ(DefaultGameDir(dir.File("tree/build/bin")), dir.File("tree/game"));
  EXPECT_EQ(DefaultGameDir("/"), "game");
  // An installed host, inside a tree that has a game folder of its own: the prefix's data win.
  std::filesystem::create_directories(dir.File("tree/prefix/bin"));
  std::filesystem::create_directories(dir.File("tree/prefix/share/serverbrowser/game"));
  EXPECT_EQ(DefaultGameDir(dir.File("tree/prefix/bin")), dir.File("tree/prefix/share/serverbrowser/game"));
  setenv("XDG_CONFIG_HOME", "/tmp/xdg", 1);
  EXPECT_EQ(DefaultUserDir(), "/tmp/xdg/serverbrowser");
  unsetenv("XDG_CONFIG_HOME");
  setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(DefaultUserDir(), "/home/someone/.config/serverbrowser");
}

}  // namespace
}  // namespace kguihost
