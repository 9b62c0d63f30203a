#include "host/app/game_launcher.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "tier0/dbg.h"

extern char **environ;

namespace kguihost {

std::vector<std::string> SplitCommandLine(const std::string &text) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\\' && i + 1 < text.size()) {
      word.push_back(text[++i]);
      inWord = true;
    } else if (c == '"') {
      quoted = !quoted;
      inWord = true;
    } else if (!quoted && (c == ' ' || c == '\t' || c == '\n' || c == '\r')) {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
    } else {
      word.push_back(c);
      inWord = true;
    }
  }
  if (inWord) words.push_back(word);
  return words;
}

CGameLauncher::CGameLauncher(const CHostConfig &config, const std::string &programDir)
    : m_Config(config), m_ProgramDir(programDir) {}

CGameLauncher::~CGameLauncher() { CloseGames(); }

const CGameEntry *CGameLauncher::FindGame(uint32 appID) const {
  for (const CGameEntry &game : m_Config.Games()) {
    if (game.appID == appID) return &game;
  }
  return nullptr;
}

std::vector<std::string> CGameLauncher::BuildArguments(const CGameEntry &game, const char *commandLine) const {
  std::vector<std::string> args = SplitCommandLine(game.command);
  if (!args.empty() && args[0].find('/') == std::string::npos && !m_ProgramDir.empty() &&
      access((m_ProgramDir + "/" + args[0]).c_str(), X_OK) == 0) {
    args[0] = m_ProgramDir + "/" + args[0];
  }
  for (std::string &word : SplitCommandLine(commandLine ? commandLine : "")) args.push_back(std::move(word));
  return args;
}

bool CGameLauncher::IsGameRunning(uint32 appID, const char *) {
  bool running = false;
  auto range = m_Running.equal_range(appID);
  for (auto it = range.first; it != range.second;) {
    if (waitpid(it->second, nullptr, WNOHANG) == 0) {
      running = true;
      ++it;
    } else {
      it = m_Running.erase(it);
    }
  }
  return running;
}

int CGameLauncher::LaunchGame(uint32 appID, const char *gameDir, const char *commandLine) {
  if (!m_Config.HasGameCatalogue()) return k_ELaunchGameNotInitialised;
  const CGameEntry *game = FindGame(appID);
  if (!game) return k_ELaunchGameAppNotFound;
  std::vector<std::string> args = BuildArguments(*game, commandLine);
  if (args.empty()) return k_ELaunchGameModNotInstalled;
  std::vector<char *> argv;
  for (std::string &arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  int status = posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ);
  if (status != 0) {
    Warning("Launcher: cannot start '%s' for application %u: %s\n", argv[0], appID, strerror(status));
    return k_ELaunchGameModNotInstalled;
  }
  Msg("Launcher: started application %u (%s) as process %d\n", appID, gameDir ? gameDir : "", static_cast<int>(pid));
  m_Running.emplace(appID, pid);
  return k_ELaunchGameStarted;
}

void CGameLauncher::CloseGames() {
  for (auto &entry : m_Running) {
    if (waitpid(entry.second, nullptr, WNOHANG) != 0) continue;
    kill(entry.second, SIGTERM);
    waitpid(entry.second, nullptr, 0);
  }
  m_Running.clear();
}

}  // namespace kguihost
