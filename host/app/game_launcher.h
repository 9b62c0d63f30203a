// The host's game launcher ("RunGameEngine007"): starts the command configured for an application
// with the module's command line appended, and tells whether that game still runs. Games it
// started are closed when the launcher goes (a stand-in: nothing else would ever close them).
#pragma once

#include <map>
#include <string>
#include <vector>

#include <sys/types.h>

#include "host/app/host_config.h"
#include "serverbrowser/IGameLauncher.h"

namespace kguihost {

class CGameLauncher final : public IGameLauncher {
 public:
  // `programDir` is searched first for a command's program given without a folder.
  CGameLauncher(const CHostConfig &config, const std::string &programDir);
  ~CGameLauncher();
  CGameLauncher(const CGameLauncher &) = delete;
  CGameLauncher &operator=(const CGameLauncher &) = delete;

  bool IsGameRunning(uint32 appID, const char *gameDir) override;
  // 0 started, 1 no command configured (or it could not start), 2 unknown application, 3 no game
  // catalogue configured.
  int LaunchGame(uint32 appID, const char *gameDir, const char *commandLine) override;

  // Asks every game still running to close and waits for it.
  void CloseGames();
  // The argument list a launch would use (for tests).
  std::vector<std::string> BuildArguments(const CGameEntry &game, const char *commandLine) const;

 private:
  const CGameEntry *FindGame(uint32 appID) const;

  const CHostConfig &m_Config;
  std::string m_ProgramDir;
  std::multimap<uint32, pid_t> m_Running;
};

// Splits a command line into words at white space; double quotes group words, a backslash keeps
// the next character. Nothing is expanded: no shell ever sees the text.
std::vector<std::string> SplitCommandLine(const std::string &text);

}  // namespace kguihost
