// Host scripts: parsing every step, the errors it reports, the messages it builds, the browser
// calls it makes and how its waits end a script.
#include "host/script/script_parser.h"
#include "host/script/script_runner.h"
#include "serverbrowser/IServerBrowser.h"
#include "tests/host/host_fixture.h"

namespace kguihost {
namespace {

std::vector<CScriptStep> ParseOk(const std::string &text) {
  std::vector<CScriptStep> steps;
  std::string error;
  EXPECT_TRUE(CScriptParser::Parse(text, steps, error)) << error;
  return steps;
}

TEST(ScriptParser, ReadsEveryKindOfStep) {
  std::vector<CScriptStep> steps = ParseOk(
      "# a comment\n"
      "\n"
      "wait 500ms\n"
      "wait 10frames\n"
      "WAIT 2s\n"
      "move 10 -20\n"
      "click 100 200\n"
      "rclick Main/Tabs/Internet\n"
      "dclick  Main/List  \n"
      "type hello, wörld  \n"
      "key F5\n"
      "keydown lshift\n"
      "keyup LSHIFT\n"
      "message ConnectedToGame ip=16777343 connectionport=27015 name=\"Two Words\"\n"
      "// another comment\n"
      "shot out/picture.png\n"
      "dump state.vdf\n"
      "waitfile cue.txt\n"
      "quit\n");
  ASSERT_EQ(steps.size(), 16u);
  EXPECT_EQ(steps[0].kind, CScriptStep::WAIT);
  EXPECT_DOUBLE_EQ(steps[0].waitSeconds, 0.5);
  EXPECT_EQ(steps[0].line, 3);
  EXPECT_EQ(steps[1].waitFrames, 10);
  EXPECT_DOUBLE_EQ(steps[2].waitSeconds, 2.0);
  EXPECT_TRUE(steps[3].hasPoint);
  EXPECT_EQ(steps[3].y, -20);
  EXPECT_EQ(steps[4].kind, CScriptStep::CLICK);
  EXPECT_EQ(steps[4].x, 100);
  EXPECT_EQ(steps[5].kind, CScriptStep::RIGHT_CLICK);
  EXPECT_EQ(steps[5].path, "Main/Tabs/Internet");
  EXPECT_EQ(steps[6].kind, CScriptStep::DOUBLE_CLICK);
  EXPECT_EQ(steps[6].path, "Main/List");
  EXPECT_EQ(steps[7].text, "hello, wörld");  // trailing white space is not typed
  EXPECT_EQ(steps[8].key, kgui::KEY_F5);
  EXPECT_EQ(steps[9].kind, CScriptStep::KEY_DOWN);
  EXPECT_EQ(steps[10].key, kgui::KEY_LSHIFT);
  EXPECT_EQ(steps[11].text, "ConnectedToGame");
  ASSERT_EQ(steps[11].pairs.size(), 3u);
  EXPECT_EQ(steps[11].pairs[2], std::make_pair(std::string("name"), std::string("Two Words")));
  EXPECT_EQ(steps[12].path, "out/picture.png");
  EXPECT_EQ(steps[13].kind, CScriptStep::DUMP);
  EXPECT_EQ(steps[14].kind, CScriptStep::WAIT_FILE);
  EXPECT_EQ(steps[14].path, "cue.txt");
  EXPECT_EQ(steps[15].kind, CScriptStep::QUIT);
}

TEST(ScriptParser, ReportsTheFirstBadLine) {
  struct Case {
    const char *line;
    const char *problem;
  };
  const Case cases[] = {
      {"jump 1 2", "unknown step 'jump'"},          {"wait", "wait needs an amount"},
      {"wait 5", "wait needs an amount"},           {"wait -5ms", "wait needs an amount"},
      {"wait 5 minutes", "wait needs an amount"},   {"move Main/List", "move needs X Y"},
      {"click", "expected X Y or a panel path"},    {"click 1 2 3", "expected X Y or a panel path"},
      {"key NOPE", "unknown key 'NOPE'"},           {"type", "type needs text"},
      {"message", "message needs a name"},          {"message Go ip", "key=value"},
      {"message Go name=\"open", "unclosed quote"}, {"shot", "shot needs a file name"},
      {"quit now", "quit takes nothing"},
  };
  for (const Case &c : cases) {
    std::vector<CScriptStep> steps;
    std::string error;
    EXPECT_FALSE(CScriptParser::Parse(std::string("wait 1frames\n") + c.line + "\nquit\n", steps, error))
        << c.line;
    EXPECT_NE(error.find("line 2: "), std::string::npos) << error;
    EXPECT_NE(error.find(c.problem), std::string::npos) << c.line << " -> " << error;
  }
}

TEST(ScriptParser, ReadsBrowserCalls) {
  using Call = CScriptStep::BrowserCall;
  struct Case {
    const char *line;
    Call call;
    uint64 friendID;
    uint32 ip;
    uint16 port;
    const char *password;  // null: none given
  };
  const Case cases[] = {
      {"browser show", Call::SHOW, 0, 0, 0, nullptr},
      {"BROWSER Activate  ", Call::ACTIVATE, 0, 0, 0, nullptr},
      {"browser openfriend 76561197960287930", Call::OPEN_FRIEND, 76561197960287930ull, 0, 0, nullptr},
      {"browser joinfriend 18446744073709551615", Call::JOIN_FRIEND, 18446744073709551615ull, 0, 0, nullptr},
      {"browser closefriend 0", Call::CLOSE_FRIEND, 0, 0, 0, nullptr},
      {"browser closeall", Call::CLOSE_ALL, 0, 0, 0, nullptr},
      {"browser joinserver 10.0.0.3:27015", Call::JOIN_SERVER, 0, 0x0A000003u, 27015, nullptr},
      {"browser joinserver 255.255.255.255:65535 hunter2", Call::JOIN_SERVER, 0, 0xFFFFFFFFu, 65535,
       "hunter2"},
      {"browser joinserver 0.0.0.0:1 \"two  words\"", Call::JOIN_SERVER, 0, 0, 1, "two  words"},
      {"browser joinserver 192.168.10.20:27016 \"\"", Call::JOIN_SERVER, 0, 0xC0A80A14u, 27016, ""},
  };
  for (const Case &c : cases) {
    std::vector<CScriptStep> steps = ParseOk(c.line);
    ASSERT_EQ(steps.size(), 1u) << c.line;
    const CScriptStep &step = steps[0];
    EXPECT_EQ(step.kind, CScriptStep::BROWSER) << c.line;
    EXPECT_EQ(step.browserCall, c.call) << c.line;
    EXPECT_EQ(step.friendID, c.friendID) << c.line;
    EXPECT_EQ(step.ip, c.ip) << c.line;
    EXPECT_EQ(step.port, c.port) << c.line;
    EXPECT_EQ(step.hasPassword, c.password != nullptr) << c.line;
    EXPECT_EQ(step.password, c.password ? c.password : "") << c.line;
  }
}

TEST(ScriptParser, RefusesBadBrowserArguments) {
  struct Case {
    const char *line;
    const char *problem;
  };
  const Case cases[] = {
      {"browser", "browser needs an operation"},
      {"browser fly", "unknown browser operation 'fly'"},
      {"browser show now", "browser show takes nothing"},
      {"browser closeall 5", "browser closeall takes nothing"},
      {"browser openfriend", "browser openfriend needs a friend id"},
      {"browser joinfriend -1", "needs a friend id"},
      {"browser joinfriend +5", "needs a friend id"},
      {"browser joinfriend 18446744073709551616", "needs a friend id"},
      {"browser joinfriend 12ab", "needs a friend id"},
      {"browser closefriend 0x10", "needs a friend id"},
      {"browser closefriend 1 2", "needs a friend id"},
      {"browser joinserver", "browser joinserver needs an address A.B.C.D:PORT"},
      {"browser joinserver 10.0.0.256:27015", "not '10.0.0.256:27015'"},
      {"browser joinserver 10.0.0:27015", "needs an address"},
      {"browser joinserver 10.0.0.1.5:27015", "needs an address"},
      {"browser joinserver 10.0..1:27015", "needs an address"},
      {"browser joinserver 10.0.0.1", "needs an address"},
      {"browser joinserver 10.0.0.1:", "needs an address"},
      {"browser joinserver 10.0.0.1:0", "needs an address"},
      {"browser joinserver 10.0.0.1:65536", "needs an address"},
      {"browser joinserver 10.0.0.1:27015x", "needs an address"},
      {"browser joinserver 10.0.0.1:+80", "needs an address"},
      {"browser joinserver 010.0.0.1:27015", "needs an address"},
      {"browser joinserver -1.0.0.1:27015", "needs an address"},
      {"browser joinserver arena.example:27015", "needs an address"},
      {"browser joinserver [::1]:27015", "needs an address"},
      {"browser joinserver 10.0.0.1:27015 \"open", "unclosed quote in the password"},
      {"browser joinserver 10.0.0.1:27015 two words", "takes an address and one password"},
      {"browser joinserver 10.0.0.1:27015 \"a\"b", "takes an address and one password"},
  };
  for (const Case &c : cases) {
    std::vector<CScriptStep> steps;
    std::string error;
    EXPECT_FALSE(CScriptParser::Parse(std::string("wait 1frames\n") + c.line + "\nquit\n", steps, error))
        << c.line;
    EXPECT_NE(error.find("line 2: "), std::string::npos) << error;
    EXPECT_NE(error.find(c.problem), std::string::npos) << c.line << " -> " << error;
  }
}

TEST(ScriptRunner, BuildsMessagesWithNumbersAsNumbers) {
  KeyValuesAD message(CScriptRunner::BuildMessage("ActiveGameName", {{"game", "Ironclad Skies"},
                                                                     {"appid", "1002"},
                                                                     {"big", "76561197960265728"},
                                                                     {"neg", "-5"},
                                                                     {"mixed", "12ab"}}));
  EXPECT_STREQ(message->GetName(), "ActiveGameName");
  EXPECT_EQ(message->GetDataType("game"), KeyValues::TYPE_STRING);
  EXPECT_EQ(message->GetDataType("appid"), KeyValues::TYPE_INT);
  EXPECT_EQ(message->GetInt("appid"), 1002);
  EXPECT_EQ(message->GetDataType("big"), KeyValues::TYPE_UINT64);
  EXPECT_EQ(message->GetUint64("big"), 76561197960265728ull);
  EXPECT_EQ(message->GetInt("neg"), -5);
  EXPECT_EQ(message->GetDataType("mixed"), KeyValues::TYPE_STRING);
}

class ScriptRunnerTest : public HostTest {};

TEST_F(ScriptRunnerTest, StepsDriveInputWaitAndFindPanelsByPath) {
  auto back = MakePopup("Main", 0, 0, 300, 300);
  auto front = MakePopup("Main", 100, 100, 100, 100);  // the front one of two namesakes wins
  auto list = MakePanel("List", front->id, 10, 10, 50, 50);
  auto hiddenList = MakePanel("List", back->id, 10, 10, 50, 50);
  auto root = MakePanel("Root", 0, 500, 0, 10, 10);
  EXPECT_EQ(CScriptRunner::FindPath(Runtime(), "main/list")->id, list->id);
  EXPECT_EQ(CScriptRunner::FindPath(Runtime(), "Main/Nothing"), nullptr);
  EXPECT_EQ(CScriptRunner::FindPath(Runtime(), ""), nullptr);

  std::vector<CScriptStep> steps = ParseOk(
      "dclick Main/List\n"
      "wait 3frames\n"
      "type ab\n"
      "message Hello who=you\n"
      "click Main/Gone\n"
      "wait 100ms\n"
      "key ENTER\n"
      "quit\n"
      "key ESCAPE\n");
  CScriptRunner runner(Runtime(), steps, [&]() { return root->id; });
  Runtime().AddFrameClient(&runner);
  Runtime().Input().SetFocus(list->id);
  RunFrames(1);
  EXPECT_EQ(list->Logged("Mouse"), (std::vector<std::string>{"MousePressed 0", "MouseReleased 0",
                                                             "MouseDoublePressed 0", "MouseReleased 0"}));
  EXPECT_EQ(list->Logged("CursorMoved"), std::vector<std::string>{"CursorMoved 24,24"});
  RunFrames(2);
  EXPECT_TRUE(list->Logged("KeyTyped").empty());  // still waiting
  RunFrames(1);
  EXPECT_EQ(list->Logged("KeyTyped"), (std::vector<std::string>{"KeyTyped 97", "KeyTyped 98"}));
  EXPECT_TRUE(runner.Failed());  // Main/Gone
  RunFrames(1);
  EXPECT_EQ(root->log, std::vector<std::string>{"Hello"});
  EXPECT_TRUE(list->Logged("KeyCodePressed 66").empty());
  RunFrames(6);
  EXPECT_EQ(list->Logged("KeyCodePressed 66").size(), 1u);
  EXPECT_TRUE(runner.QuitRequested());
  EXPECT_TRUE(list->Logged("KeyCodePressed 72").empty());  // nothing after quit
  Runtime().RemoveFrameClient(&runner);
}

TEST_F(ScriptRunnerTest, WaitfileHoldsTheScriptUntilItsFileAppears) {
  auto root = MakePanel("Root", 0, 0, 0, 10, 10);
  const std::string cue = m_Dir.File("cue.txt");
  CScriptRunner runner(Runtime(), ParseOk("waitfile " + cue + "\nmessage Go\nquit\n"),
                       [&]() { return root->id; });
  Runtime().AddFrameClient(&runner);
  RunFrames(5);
  EXPECT_TRUE(root->log.empty());
  EXPECT_FALSE(runner.Failed());
  WriteWholeFile(cue, "go");
  RunFrames(2);
  EXPECT_EQ(root->log, std::vector<std::string>{"Go"});
  EXPECT_TRUE(runner.QuitRequested());
  Runtime().RemoveFrameClient(&runner);
}

// A browser face that records its calls and answers what the test sets.
class CRecordingBrowser final : public IServerBrowser {
 public:
  bool ActivateBrowser() override { return Record("ActivateBrowser", true); }
  bool JoinFriendGame(uint64 id) override { return Record("JoinFriendGame " + std::to_string(id), false); }
  bool JoinServer(uint32 ip, uint16 port, const char *password) override {
    return Record("JoinServer " + std::to_string(ip) + " " + std::to_string(port) + " " +
                      (password ? "'" + std::string(password) + "'" : "null"),
                  true);
  }
  bool OpenFriendGameInfo(uint64 id) override {
    return Record("OpenFriendGameInfo " + std::to_string(id), open);
  }
  void CloseFriendGameInfo(uint64 id) override { Record("CloseFriendGameInfo " + std::to_string(id), false); }
  void CloseAllGameInfoDialogs() override { Record("CloseAllGameInfoDialogs", false); }
  void CreateMainWindow() override { Record("CreateMainWindow", false); }
  void ShowMainWindow() override { Record("ShowMainWindow", false); }

  bool open = true;
  std::vector<std::string> calls;

 private:
  bool Record(const std::string &call, bool result) {
    calls.push_back(call);
    return result;
  }
};

TEST_F(ScriptRunnerTest, BrowserStepsCallTheFaceAndLogWhatTheyAnswer) {
  CRecordingBrowser browser;
  browser.open = false;
  CScriptRunner runner(Runtime(),
                       ParseOk("browser show\n"
                               "browser activate\n"
                               "browser openfriend 76561197960287930\n"
                               "browser joinfriend 76561197960287930\n"
                               "browser closefriend 18446744073709551615\n"
                               "browser closeall\n"
                               "browser joinserver 10.0.0.3:27015\n"
                               "browser joinserver 10.0.0.3:27016 \"two words\"\n"
                               "browser joinserver 10.0.0.3:27017 \"\"\n"),
                       nullptr);
  runner.SetBrowser(&browser);
  Runtime().AddFrameClient(&runner);
  RunFrames(1);
  Runtime().RemoveFrameClient(&runner);
  EXPECT_TRUE(runner.Finished());
  EXPECT_FALSE(runner.Failed());
  EXPECT_EQ(browser.calls, (std::vector<std::string>{
                               "ShowMainWindow", "ActivateBrowser", "OpenFriendGameInfo 76561197960287930",
                               "JoinFriendGame 76561197960287930", "CloseFriendGameInfo 18446744073709551615",
                               "CloseAllGameInfoDialogs", "JoinServer 167772163 27015 null",
                               "JoinServer 167772163 27016 'two words'", "JoinServer 167772163 27017 ''"}));
  // Every call is logged, with the answer of those that give one and never a password.
  EXPECT_EQ(m_Spew.Messages(), (std::vector<std::string>{
                                   "kgui-host: show\n", "kgui-host: activate -> true\n",
                                   "kgui-host: openfriend 76561197960287930 -> false\n",
                                   "kgui-host: joinfriend 76561197960287930 -> false\n",
                                   "kgui-host: closefriend 18446744073709551615\n", "kgui-host: closeall\n",
                                   "kgui-host: joinserver 10.0.0.3:27015 -> true\n",
                                   "kgui-host: joinserver 10.0.0.3:27016 with a password -> true\n",
                                   "kgui-host: joinserver 10.0.0.3:27017 with an empty password -> true\n"}));
}

TEST_F(ScriptRunnerTest, BrowserStepsWithoutTheFaceFailAndTheScriptGoesOn) {
  auto root = MakePanel("Root", 0, 0, 0, 10, 10);
  CScriptRunner runner(Runtime(), ParseOk("browser joinfriend 5\nmessage Go\n"), [&]() { return root->id; });
  Runtime().AddFrameClient(&runner);
  RunFrames(2);
  Runtime().RemoveFrameClient(&runner);
  EXPECT_TRUE(runner.Failed());
  EXPECT_TRUE(
      m_Spew.Contains("Script line 1: the module offers no ServerBrowser003 face for 'browser joinfriend'"));
  EXPECT_EQ(root->log, std::vector<std::string>{"Go"});
}

TEST_F(ScriptRunnerTest, AScriptEndsOnlyWhenItsLastWaitIsOver) {
  // What a script posts just before its last wait must arrive before the script counts as done.
  struct Case {
    const char *wait;
    int frames;  // the frame whose input step first finds the wait over
    double secondsPerFrame;
  };
  const Case cases[] = {
      {"wait 3frames", 4, 1.0 / 60.0}, {"wait 1s", 5, 0.25}, {"wait 0frames", 2, 1.0 / 60.0}};
  for (const Case &c : cases) {
    auto root = MakePanel("Root", 0, 0, 0, 10, 10);
    CScriptRunner runner(Runtime(), ParseOk(std::string("message Go\n") + c.wait + "\n"),
                         [&]() { return root->id; });
    Runtime().AddFrameClient(&runner);
    int frames = 0;
    while (!runner.Finished() && frames < 100) {
      RunFrames(1, c.secondsPerFrame);
      ++frames;
    }
    Runtime().RemoveFrameClient(&runner);
    EXPECT_EQ(frames, c.frames) << c.wait;
    EXPECT_EQ(root->log, std::vector<std::string>{"Go"}) << c.wait;
  }
}

TEST_F(ScriptRunnerTest, AScriptEndsOnlyWhenItsLastWaitfileIsOver) {
  auto root = MakePanel("Root", 0, 0, 0, 10, 10);
  const std::string cue = m_Dir.File("cue.txt");
  CScriptRunner runner(Runtime(), ParseOk("message Go\nwaitfile " + cue + "\n"), [&]() { return root->id; });
  Runtime().AddFrameClient(&runner);
  RunFrames(3);
  EXPECT_FALSE(runner.Finished());
  WriteWholeFile(cue, "go");
  RunFrames(1);
  Runtime().RemoveFrameClient(&runner);
  EXPECT_TRUE(runner.Finished());
  EXPECT_FALSE(runner.Failed());
  EXPECT_EQ(root->log, std::vector<std::string>{"Go"});
}

TEST_F(ScriptRunnerTest, ShotsAndDumpsAreWrittenAfterThePaint) {
  auto window = MakePopup("Window", 0, 0, 50, 50, Color(200, 10, 10, 255));
  std::string shot = m_Dir.File("shot.png");
  std::string dump = m_Dir.File("dump.vdf");
  CScriptRunner runner(Runtime(), ParseOk("shot " + shot + "\ndump " + dump + "\nshot " + dump + "/x.png\n"),
                       nullptr);
  Runtime().AddFrameClient(&runner);
  RunFrames(3);
  Runtime().RemoveFrameClient(&runner);
  EXPECT_TRUE(runner.Finished());
  EXPECT_TRUE(runner.Failed());
  std::string png = ReadWholeFile(shot);
  EXPECT_EQ(png.substr(1, 3), "PNG");
  EXPECT_NE(ReadWholeFile(dump).find("\"Window\""), std::string::npos);
}

}  // namespace
}  // namespace kguihost
