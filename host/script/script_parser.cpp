#include "host/script/script_parser.h"

#include <cstring>
#include <sstream>

#include "host/key_names.h"
#include "kstdlib/strtools.h"

namespace kguihost {

namespace {

std::string Trim(const std::string &text) {
  size_t start = text.find_first_not_of(" \t\r");
  if (start == std::string::npos) return "";
  size_t end = text.find_last_not_of(" \t\r");
  return text.substr(start, end - start + 1);
}

// A whole decimal number within [minimum, maximum].
bool ParseInt(const std::string &text, int64 minimum, int64 maximum, int64 &value) {
  const char *end = nullptr;
  bool overflow = false;
  value = V_StringToInt64(text.c_str(), &end, &overflow);
  return !text.empty() && end != text.c_str() && *end == '\0' && !overflow && value >= minimum &&
         value <= maximum;
}

struct Command {
  const char *word;
  CScriptStep::Kind kind;
};

const Command kCommands[] = {
    {"wait", CScriptStep::WAIT},           {"move", CScriptStep::MOVE},
    {"click", CScriptStep::CLICK},         {"rclick", CScriptStep::RIGHT_CLICK},
    {"dclick", CScriptStep::DOUBLE_CLICK}, {"type", CScriptStep::TYPE},
    {"compose", CScriptStep::COMPOSE},     {"key", CScriptStep::KEY},
    {"keydown", CScriptStep::KEY_DOWN},    {"keyup", CScriptStep::KEY_UP},
    {"message", CScriptStep::MESSAGE},     {"shot", CScriptStep::SHOT},
    {"dump", CScriptStep::DUMP},           {"waitfile", CScriptStep::WAIT_FILE},
    {"browser", CScriptStep::BROWSER},     {"quit", CScriptStep::QUIT},
};

constexpr int64 kMaxCoordinate = 100000;

// What a browser operation takes after its word.
enum class BrowserArguments { NONE, FRIEND_ID, ADDRESS };

struct BrowserOperation {
  const char *word;
  CScriptStep::BrowserCall call;
  BrowserArguments arguments;
};

const BrowserOperation kBrowserOperations[] = {
    {"show", CScriptStep::BrowserCall::SHOW, BrowserArguments::NONE},
    {"activate", CScriptStep::BrowserCall::ACTIVATE, BrowserArguments::NONE},
    {"openfriend", CScriptStep::BrowserCall::OPEN_FRIEND, BrowserArguments::FRIEND_ID},
    {"joinfriend", CScriptStep::BrowserCall::JOIN_FRIEND, BrowserArguments::FRIEND_ID},
    {"closefriend", CScriptStep::BrowserCall::CLOSE_FRIEND, BrowserArguments::FRIEND_ID},
    {"closeall", CScriptStep::BrowserCall::CLOSE_ALL, BrowserArguments::NONE},
    {"joinserver", CScriptStep::BrowserCall::JOIN_SERVER, BrowserArguments::ADDRESS},
};

bool AllDigits(const std::string &text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// A whole decimal number of 64 bits at most: digits only, no sign.
bool ParseUint64(const std::string &text, uint64 &value) {
  const char *end = nullptr;
  bool overflow = false;
  if (!AllDigits(text)) return false;
  value = V_StringToUint64(text.c_str(), &end, &overflow);
  return *end == '\0' && !overflow;
}

// Digits without a leading zero (other than "0" itself), so no one reads them as octal.
bool ParseDecimalPart(const std::string &text, uint64 maximum, uint64 &value) {
  if (!AllDigits(text) || text.size() > 5 || (text.size() > 1 && text[0] == '0')) return false;
  value = std::stoull(text);
  return value <= maximum;
}

// "A.B.C.D:PORT" exactly: four parts 0-255 and a port 1-65535; no names, no IPv6, nothing after.
bool ParseAddress(const std::string &text, uint32 &ip, uint16 &port) {
  size_t colon = text.find(':');
  if (colon == std::string::npos) return false;
  uint64 value = 0;
  if (!ParseDecimalPart(text.substr(colon + 1), 65535, value) || value == 0) return false;
  port = static_cast<uint16>(value);
  std::string dotted = text.substr(0, colon) + ".";
  ip = 0;
  size_t start = 0;
  for (int part = 0; part < 4; ++part) {
    size_t dot = dotted.find('.', start);
    if (dot == std::string::npos) return false;
    if (!ParseDecimalPart(dotted.substr(start, dot - start), 255, value)) return false;
    ip = (ip << 8) | static_cast<uint32>(value);
    start = dot + 1;
  }
  return start == dotted.size();
}

// Reads a bare word or a double-quoted value (which may hold spaces) starting at `i`, and moves
// `i` past it.
bool ReadValue(const std::string &text, size_t &i, std::string &value, std::string &error,
               const std::string &what) {
  if (i < text.size() && text[i] == '"') {
    size_t close = text.find('"', i + 1);
    if (close == std::string::npos) {
      error = "unclosed quote in " + what;
      return false;
    }
    value = text.substr(i + 1, close - i - 1);
    i = close + 1;
    return true;
  }
  size_t end = text.find_first_of(" \t", i);
  value = text.substr(i, end == std::string::npos ? std::string::npos : end - i);
  i = end == std::string::npos ? text.size() : end;
  return true;
}

}  // namespace

bool CScriptParser::Parse(const std::string &text, std::vector<CScriptStep> &steps, std::string &error) {
  std::istringstream lines(text);
  std::string line;
  int number = 0;
  steps.clear();
  while (std::getline(lines, line)) {
    ++number;
    std::string trimmed = Trim(line);
    if (trimmed.empty() || trimmed[0] == '#' || trimmed.rfind("//", 0) == 0) continue;
    CScriptStep step;
    step.line = number;
    std::string problem;
    if (!ParseLine(trimmed, step, problem)) {
      error = "line " + std::to_string(number) + ": " + problem;
      return false;
    }
    steps.push_back(step);
  }
  return true;
}

bool CScriptParser::ParseLine(const std::string &line, CScriptStep &step, std::string &error) {
  size_t space = line.find_first_of(" \t");
  std::string word = line.substr(0, space);
  // "type" keeps its text as written, after the one separating space.
  std::string raw = space == std::string::npos ? "" : line.substr(space + 1);
  std::string argument = Trim(raw);
  const Command *command = nullptr;
  for (const Command &candidate : kCommands) {
    if (V_stricmp(candidate.word, word.c_str()) == 0) command = &candidate;
  }
  if (!command) {
    error = "unknown step '" + word + "'";
    return false;
  }
  step.kind = command->kind;
  switch (step.kind) {
    case CScriptStep::WAIT:
      return ParseWait(argument, step, error);
    case CScriptStep::MOVE:
      if (!ParseTarget(argument, step, error)) return false;
      if (!step.hasPoint) error = "move needs X Y";
      return step.hasPoint;
    case CScriptStep::CLICK:
    case CScriptStep::RIGHT_CLICK:
    case CScriptStep::DOUBLE_CLICK:
      return ParseTarget(argument, step, error);
    case CScriptStep::TYPE:
      step.text = raw;
      if (step.text.empty()) error = "type needs text";
      return !step.text.empty();
    case CScriptStep::COMPOSE:
      return ParseCompose(argument, step, error);
    case CScriptStep::KEY:
    case CScriptStep::KEY_DOWN:
    case CScriptStep::KEY_UP:
      step.key = KeyCodeFromName(argument.c_str());
      if (step.key == kgui::KEY_NONE) error = "unknown key '" + argument + "'";
      return step.key != kgui::KEY_NONE;
    case CScriptStep::MESSAGE:
      return ParseMessage(argument, step, error);
    case CScriptStep::SHOT:
    case CScriptStep::DUMP:
    case CScriptStep::WAIT_FILE:
      step.path = argument;
      if (step.path.empty()) error = word + " needs a file name";
      return !step.path.empty();
    case CScriptStep::BROWSER:
      return ParseBrowser(argument, step, error);
    case CScriptStep::QUIT:
      if (!argument.empty()) error = "quit takes nothing";
      return argument.empty();
  }
  return false;
}

bool CScriptParser::ParseCompose(const std::string &argument, CScriptStep &step, std::string &error) {
  step.text = argument;
  step.caret = -1;
  // A last word that is a whole number is the caret, when text comes before it.
  const size_t space = argument.find_last_of(" \t");
  if (space == std::string::npos) return true;
  const std::string last = argument.substr(space + 1);
  if (last.find_first_not_of("0123456789") != std::string::npos) return true;
  int64 caret = 0;
  if (!ParseInt(last, 0, 100000, caret)) {
    error = "compose caret '" + last + "' is out of range";
    return false;
  }
  step.text = Trim(argument.substr(0, space));
  step.caret = static_cast<int>(caret);
  return true;
}

bool CScriptParser::ParseWait(const std::string &argument, CScriptStep &step, std::string &error) {
  struct Unit {
    const char *suffix;
    double seconds;  // 0: frames
  };
  const Unit units[] = {{"frames", 0}, {"frame", 0}, {"ms", 0.001}, {"s", 1.0}};
  for (const Unit &unit : units) {
    size_t length = strlen(unit.suffix);
    if (argument.size() <= length ||
        V_stricmp(argument.c_str() + argument.size() - length, unit.suffix) != 0) {
      continue;
    }
    int64 amount = 0;
    if (!ParseInt(Trim(argument.substr(0, argument.size() - length)), 0, 100000000, amount)) break;
    if (unit.seconds == 0) {
      step.waitFrames = static_cast<int>(amount);
    } else {
      step.waitSeconds = static_cast<double>(amount) * unit.seconds;
    }
    return true;
  }
  error = "wait needs an amount such as 500ms, 2s or 10frames";
  return false;
}

bool CScriptParser::ParseTarget(const std::string &argument, CScriptStep &step, std::string &error) {
  std::istringstream words(argument);
  std::string first;
  std::string second;
  std::string extra;
  words >> first >> second >> extra;
  int64 x = 0;
  int64 y = 0;
  if (extra.empty() && ParseInt(first, -kMaxCoordinate, kMaxCoordinate, x) &&
      ParseInt(second, -kMaxCoordinate, kMaxCoordinate, y)) {
    step.hasPoint = true;
    step.x = static_cast<int>(x);
    step.y = static_cast<int>(y);
    return true;
  }
  if (argument.empty() || !second.empty()) {
    error = "expected X Y or a panel path";
    return false;
  }
  step.path = argument;
  return true;
}

bool CScriptParser::ParseMessage(const std::string &argument, CScriptStep &step, std::string &error) {
  size_t pos = argument.find_first_of(" \t");
  step.text = argument.substr(0, pos);
  if (step.text.empty()) {
    error = "message needs a name";
    return false;
  }
  std::string rest = pos == std::string::npos ? "" : argument.substr(pos);
  size_t i = 0;
  while (true) {
    while (i < rest.size() && (rest[i] == ' ' || rest[i] == '\t')) ++i;
    if (i >= rest.size()) return true;
    size_t equals = rest.find('=', i);
    size_t gap = rest.find_first_of(" \t", i);
    if (equals == std::string::npos || (gap != std::string::npos && gap < equals) || equals == i) {
      error = "message keys are written key=value";
      return false;
    }
    std::string key = rest.substr(i, equals - i);
    std::string value;
    i = equals + 1;
    if (!ReadValue(rest, i, value, error, "the value of '" + key + "'")) return false;
    step.pairs.emplace_back(key, value);
  }
}

bool CScriptParser::ParseBrowser(const std::string &argument, CScriptStep &step, std::string &error) {
  size_t gap = argument.find_first_of(" \t");
  std::string word = argument.substr(0, gap);
  std::string rest = gap == std::string::npos ? "" : Trim(argument.substr(gap));
  if (word.empty()) {
    error =
        "browser needs an operation: show, activate, openfriend, joinfriend, closefriend, closeall or "
        "joinserver";
    return false;
  }
  const BrowserOperation *operation = nullptr;
  for (const BrowserOperation &candidate : kBrowserOperations) {
    if (V_stricmp(candidate.word, word.c_str()) == 0) operation = &candidate;
  }
  if (!operation) {
    error = "unknown browser operation '" + word + "'";
    return false;
  }
  step.browserCall = operation->call;
  step.text = operation->word;
  const std::string name = std::string("browser ") + operation->word;
  switch (operation->arguments) {
    case BrowserArguments::NONE:
      if (!rest.empty()) error = name + " takes nothing";
      return rest.empty();
    case BrowserArguments::FRIEND_ID:
      if (!ParseUint64(rest, step.friendID)) {
        error = name + " needs a friend id: one decimal number below 2^64, not '" + rest + "'";
        return false;
      }
      return true;
    case BrowserArguments::ADDRESS:
      break;
  }
  gap = rest.find_first_of(" \t");
  std::string address = rest.substr(0, gap);
  if (!ParseAddress(address, step.ip, step.port)) {
    error = name + " needs an address A.B.C.D:PORT (parts 0-255, port 1-65535), not '" + address + "'";
    return false;
  }
  size_t i = gap == std::string::npos ? rest.size() : rest.find_first_not_of(" \t", gap);
  if (i == std::string::npos || i >= rest.size()) return true;
  step.hasPassword = true;
  if (!ReadValue(rest, i, step.password, error, "the password")) return false;
  if (i < rest.size()) {
    error = name + " takes an address and one password (quote a password that holds spaces)";
    return false;
  }
  return true;
}

}  // namespace kguihost
