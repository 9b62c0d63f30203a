// The host's script reader on arbitrary text. A script that reads has its steps in line order,
// each within the limits its kind promises; a script that does not names a line that exists, and
// every line before it reads; each step's line read alone gives the same step.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "host/script/script_parser.h"
#include "support/fuzz_support.h"

using kguihost::CScriptParser;
using kguihost::CScriptStep;

namespace {

std::vector<std::string> Lines(const std::string &text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  std::string line;
  while (std::getline(stream, line)) lines.push_back(line);
  return lines;
}

void CheckStep(const CScriptStep &step) {
  switch (step.kind) {
    case CScriptStep::WAIT:
      if (step.waitFrames < 0 || step.waitFrames > 100000000 || step.waitSeconds < 0 ||
          step.waitSeconds > 1e8)
        abort();
      break;
    case CScriptStep::MOVE:
      if (!step.hasPoint) abort();
      [[fallthrough]];
    case CScriptStep::CLICK:
    case CScriptStep::RIGHT_CLICK:
    case CScriptStep::DOUBLE_CLICK:
      if (step.hasPoint ? (step.x < -100000 || step.x > 100000 || step.y < -100000 || step.y > 100000)
                        : step.path.empty())
        abort();
      break;
    case CScriptStep::TYPE:
    case CScriptStep::MESSAGE:
      if (step.text.empty()) abort();
      break;
    case CScriptStep::COMPOSE:
      // Empty text ends a composition; a caret is only given after text, within its bound.
      if (step.caret < -1 || step.caret > 100000 || (step.caret >= 0 && step.text.empty())) abort();
      break;
    case CScriptStep::KEY:
    case CScriptStep::KEY_DOWN:
    case CScriptStep::KEY_UP:
      if (step.key == kgui::KEY_NONE) abort();
      break;
    case CScriptStep::SHOT:
    case CScriptStep::DUMP:
    case CScriptStep::WAIT_FILE:
      if (step.path.empty()) abort();
      break;
    case CScriptStep::BROWSER:
      if (step.browserCall == CScriptStep::BrowserCall::JOIN_SERVER && step.port == 0) abort();
      break;
    case CScriptStep::QUIT:
      break;
  }
}

bool SameStep(const CScriptStep &a, const CScriptStep &b) {
  return a.kind == b.kind && a.waitSeconds == b.waitSeconds && a.waitFrames == b.waitFrames &&
         a.hasPoint == b.hasPoint && a.x == b.x && a.y == b.y && a.path == b.path && a.text == b.text &&
         a.key == b.key && a.pairs == b.pairs && a.browserCall == b.browserCall && a.friendID == b.friendID &&
         a.ip == b.ip && a.port == b.port && a.hasPassword == b.hasPassword && a.password == b.password;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  fuzzsupport::SilenceReports();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size > 16384) return 0;
  const std::string text = fuzzsupport::AsText(data, size);
  const std::vector<std::string> lines = Lines(text);
  std::vector<CScriptStep> steps;
  std::string error;
  if (CScriptParser::Parse(text, steps, error)) {
    int previous = 0;
    for (const CScriptStep &step : steps) {
      if (step.line <= previous || step.line > static_cast<int>(lines.size())) abort();
      previous = step.line;
      CheckStep(step);
      std::vector<CScriptStep> alone;
      std::string aloneError;
      if (!CScriptParser::Parse(lines[static_cast<size_t>(step.line) - 1], alone, aloneError) ||
          alone.size() != 1 || !SameStep(alone[0], step))
        abort();
    }
    return 0;
  }
  // "line N: ...", N a line of the text; the lines before it read.
  if (error.rfind("line ", 0) != 0) abort();
  const int bad = atoi(error.c_str() + 5);
  if (bad < 1 || bad > static_cast<int>(lines.size())) abort();
  std::string before;
  for (int i = 0; i + 1 < bad; ++i) before += lines[static_cast<size_t>(i)] + "\n";
  std::vector<CScriptStep> good;
  if (!CScriptParser::Parse(before, good, error)) abort();
  return 0;
}
