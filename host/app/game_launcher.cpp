#include "host/app/game_launcher.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "tier0/dbg.h"

extern char **environ;

namespace kguihost {

namespace {

// The host's environment with the report pipe's number put in.
std::vector<std::string> GameEnvironment(int reportFd) {
  const std::string prefix = std::string(kGameReportFdVariable) + "=";
  std::vector<std::string> entries;
  for (char **entry = environ; *entry; ++entry) {
    if (strncmp(*entry, prefix.c_str(), prefix.size()) != 0) entries.emplace_back(*entry);
  }
  entries.push_back(prefix + std::to_string(reportFd));
  return entries;
}

}  // namespace

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

  // Both ends close on exec; the game's copy of the write end is kept open by duplicating it onto
  // itself, which clears that flag in the child only.
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) {
    Warning("Launcher: no report pipe for application %u: %s\n", appID, strerror(errno));
    return k_ELaunchGameModNotInstalled;
  }
  std::vector<std::string> environment = GameEnvironment(report[1]);
  std::vector<char *> envp;
  for (std::string &entry : environment) envp.push_back(entry.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, report[1], report[1]);
  pid_t pid = 0;
  int status = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(report[1]);
  if (status != 0) {
    close(report[0]);
    Warning("Launcher: cannot start '%s' for application %u: %s\n", argv[0], appID, strerror(status));
    return k_ELaunchGameModNotInstalled;
  }
  Msg("Launcher: started application %u (%s) as process %d\n", appID, gameDir ? gameDir : "", static_cast<int>(pid));
  m_Running.emplace(appID, pid);
  m_Reports.push_back(CReportChannel{std::make_unique<CGameReportPipe>(report[0], appID),
                                     std::chrono::steady_clock::now(), m_NextSerial++});
  return k_ELaunchGameStarted;
}

void CGameLauncher::CloseGames() {
  for (auto &entry : m_Running) {
    if (waitpid(entry.second, nullptr, WNOHANG) != 0) continue;
    kill(entry.second, SIGTERM);
    waitpid(entry.second, nullptr, 0);
  }
  m_Running.clear();
  m_Reports.clear();
  m_JoinedSerial = 0;
}

void CGameLauncher::TakeReports(CReportChannel &channel, std::vector<CGameEvent> &events) {
  std::vector<CGameReport> reports;
  channel.pipe->Read(reports);
  for (const CGameReport &report : reports) {
    CGameEvent joined{CGameEvent::k_EJoined, channel.pipe->AppID(), report.ip, report.port};
    events.push_back(joined);
    m_LastJoin = joined;
    m_JoinedSerial = channel.serial;
  }
  if (channel.pipe->AtEnd() && channel.serial == m_JoinedSerial) {
    CGameEvent left = m_LastJoin;
    left.kind = CGameEvent::k_ELeft;
    events.push_back(left);
    m_JoinedSerial = 0;
  }
}

std::vector<CGameEvent> CGameLauncher::ReadReports(bool awaitStart) {
  std::vector<CGameEvent> events;
  do {
    for (CReportChannel &channel : m_Reports) TakeReports(channel, events);
    std::erase_if(m_Reports, [](const CReportChannel &channel) { return channel.pipe->AtEnd(); });
  } while (awaitStart && AwaitStartingGames());
  return events;
}

bool CGameLauncher::AwaitStartingGames() {
  const auto now = std::chrono::steady_clock::now();
  std::vector<pollfd> waits;
  auto timeout = std::chrono::milliseconds(kStartWaitSeconds * 1000);
  for (const CReportChannel &channel : m_Reports) {
    auto left = channel.launched + std::chrono::seconds(kStartWaitSeconds) - now;
    if (channel.pipe->SaidReady() || left <= std::chrono::steady_clock::duration::zero()) continue;
    waits.push_back(pollfd{channel.pipe->Fd(), POLLIN, 0});
    timeout = std::min(timeout, std::chrono::ceil<std::chrono::milliseconds>(left));
  }
  if (waits.empty()) return false;
  if (poll(waits.data(), waits.size(), static_cast<int>(timeout.count())) < 0 && errno != EINTR) return false;
  return true;
}

}  // namespace kguihost
