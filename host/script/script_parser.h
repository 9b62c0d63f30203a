// Host scripts: one step a line.
//   wait 500ms | wait 2s | wait 10frames
//   move X Y
//   click X Y | click PATH        (likewise rclick, dclick; PATH is panel names joined by "/")
//   type TEXT                     (the rest of the line, without trailing white space)
//   compose TEXT [CARET] | compose   (an input method's composition: TEXT shown with the caret
//                                  after CARET characters, the end when none; alone, it ends)
//   key NAME | keydown NAME | keyup NAME   (names as in the key-code enumeration: ENTER, F5, DOWN)
//   message NAME key=value ...    (to the module's root panel; quote values that hold spaces)
//   shot FILE | dump FILE
//   waitfile FILE                 (until FILE exists, up to 30 s of real time: another program's cue)
//   browser show | browser activate | browser closeall
//   browser openfriend ID | browser joinfriend ID | browser closefriend ID   (ID: 64-bit decimal)
//   browser joinserver A.B.C.D:PORT [PASSWORD]    (quote a password that holds spaces)
//   quit
// Blank lines and lines starting with "#" or "//" are skipped.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "kgui/KeyCode.h"
#include "tier0/platform.h"

namespace kguihost {

struct CScriptStep {
  enum Kind {
    WAIT,
    MOVE,
    CLICK,
    RIGHT_CLICK,
    DOUBLE_CLICK,
    TYPE,
    COMPOSE,
    KEY,
    KEY_DOWN,
    KEY_UP,
    MESSAGE,
    SHOT,
    DUMP,
    WAIT_FILE,
    BROWSER,
    QUIT
  };

  // The module's browser operations a browser step calls, as a host client would.
  enum class BrowserCall { SHOW, ACTIVATE, OPEN_FRIEND, JOIN_FRIEND, CLOSE_FRIEND, CLOSE_ALL, JOIN_SERVER };

  Kind kind = QUIT;
  int line = 0;
  double waitSeconds = 0.0;
  int waitFrames = 0;
  bool hasPoint = false;
  int x = 0;
  int y = 0;
  std::string path;  // a panel path, or the file of shot, dump and waitfile
  std::string text;  // typed or composed text, the message name, or the browser operation's word
  int caret = -1;    // a composition's caret in characters, or -1 for its end
  kgui::KeyCode key = kgui::KEY_NONE;
  std::vector<std::pair<std::string, std::string>> pairs;  // message keys and values
  BrowserCall browserCall = BrowserCall::SHOW;
  uint64 friendID = 0;
  uint32 ip = 0;  // host order, first dotted part in the top byte
  uint16 port = 0;
  // A join with a password; an empty one ("") is still handed over, unlike none.
  bool hasPassword = false;
  std::string password;
};

class CScriptParser {
 public:
  // Parses a whole script; false with "line N: ..." in `error` at the first bad line.
  static bool Parse(const std::string &text, std::vector<CScriptStep> &steps, std::string &error);

 private:
  static bool ParseLine(const std::string &line, CScriptStep &step, std::string &error);
  static bool ParseCompose(const std::string &argument, CScriptStep &step, std::string &error);
  static bool ParseWait(const std::string &argument, CScriptStep &step, std::string &error);
  static bool ParseTarget(const std::string &argument, CScriptStep &step, std::string &error);
  static bool ParseMessage(const std::string &argument, CScriptStep &step, std::string &error);
  static bool ParseBrowser(const std::string &argument, CScriptStep &step, std::string &error);
};

}  // namespace kguihost
