// The launcher's word splitter and fakegame's reading of its words, on arbitrary text. Words
// quoted back (every quote and backslash escaped) split into the same words; the launcher and the
// game split a line alike; a launch's arguments end with the module's words; a server the game
// finds is a real address whose text reads back the same, with a printable password; the shown
// command line never holds a control character.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/app/game_launcher.h"
#include "host/app/host_config.h"
#include "support/fuzz_support.h"
#include "tools/fakegame/connect_args.h"

namespace {

std::string Quoted(const std::vector<std::string> &words) {
  std::string line;
  for (const std::string &word : words) {
    if (!line.empty()) line += ' ';
    line += '"';
    for (char c : word) {
      if (c == '"' || c == '\\') line += '\\';
      line += c;
    }
    line += '"';
  }
  return line;
}

bool HasControlCharacter(const std::string &text) {
  for (unsigned char c : text) {
    if (c < 0x20 || c == 0x7F) return true;
  }
  return false;
}

void CheckGameReading(const std::vector<std::string> &words) {
  const fakegame::CConnectTarget target = fakegame::FindConnectTarget(words);
  if (target.Found()) {
    if (HasControlCharacter(target.password)) abort();
    const fakegame::CConnectTarget again = fakegame::TargetFromRequest(target.Address(), target.password);
    if (!again.Found() || again.ip != target.ip || again.port != target.port ||
        again.password != target.password)
      abort();
  }
  if (HasControlCharacter(fakegame::ShownCommandLine(words))) abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  fuzzsupport::SilenceReports();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size > 8192) return 0;
  const std::string text = fuzzsupport::AsText(data, size);
  const std::vector<std::string> words = kguihost::SplitCommandLine(text);
  for (const std::string &word : words) {
    if (word.empty() && text.find('"') == std::string::npos) abort();  // only quotes make empty words
  }
  if (kguihost::SplitCommandLine(Quoted(words)) != words) abort();

  const std::vector<std::string> console = fakegame::SplitConsoleText(text);
  if (text.find_first_of("\r\n") == std::string::npos && console != words) abort();
  if (fakegame::SplitConsoleText(Quoted(console)) != console) abort();

  // A launch: the configured command (the text up to the first "|"), then the module's words.
  const size_t bar = text.find('|');
  kguihost::CGameEntry game;
  game.appID = 1002;
  game.command = text.substr(0, bar);
  const std::string moduleLine = bar == std::string::npos ? "" : text.substr(bar + 1);
  kguihost::CHostConfig config;
  kguihost::CGameLauncher launcher(config, fuzzsupport::ScratchFolder());
  const std::vector<std::string> args = launcher.BuildArguments(game, moduleLine.c_str());
  const std::vector<std::string> command = kguihost::SplitCommandLine(game.command);
  const std::vector<std::string> module = kguihost::SplitCommandLine(moduleLine.c_str());
  if (args.size() != command.size() + module.size()) abort();
  if (!std::equal(module.begin(), module.end(), args.begin() + static_cast<std::ptrdiff_t>(command.size())))
    abort();

  CheckGameReading(words);
  CheckGameReading(console);
  return 0;
}
