// The host's game launcher ("RunGameEngine007"): starts the command configured for an application
// with the module's command line appended, and tells whether that game still runs. Games it
// started are closed when the launcher goes (a stand-in: nothing else would ever close them).
//
// Every game gets a pipe to report on (host/app/game_report_pipe.h): the write end stays open in
// the game under the number given in $KGUI_GAME_REPORT_FD. The host reads what came each frame.
#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <sys/types.h>

#include "host/app/game_report_pipe.h"
#include "host/app/host_config.h"
#include "serverbrowser/IGameLauncher.h"

namespace kguihost {

// A change of the game the user plays, as the started games reported it.
struct CGameEvent {
  enum EKind {
    k_EJoined,  // a game joined the server at ip:port
    k_ELeft,    // the game that joined last (at ip:port) has gone
  };
  EKind kind = k_EJoined;
  uint32 appID = 0;
  uint32 ip = 0;
  uint16 port = 0;
};

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

  // Asks every game still running to close and waits for it; their reports are dropped.
  void CloseGames();
  // What the started games reported since the last call, in the order each wrote it; a bounded
  // amount a game and call, never waiting, except that with `awaitStart` it first waits for every
  // game launched less than kStartWaitSeconds ago to say it is ready (or to end), so a run on the
  // test clock sees a game's first reports on the frame after its launch.
  std::vector<CGameEvent> ReadReports(bool awaitStart);
  static constexpr int kStartWaitSeconds = 5;
  // True while a started game may still report (its pipe is open).
  bool AwaitsReports() const { return !m_Reports.empty(); }
  // The argument list a launch would use (for tests).
  std::vector<std::string> BuildArguments(const CGameEntry &game, const char *commandLine) const;

 private:
  // The report pipe of one started game.
  struct CReportChannel {
    std::unique_ptr<CGameReportPipe> pipe;
    std::chrono::steady_clock::time_point launched;
    uint64 serial = 0;
  };

  const CGameEntry *FindGame(uint32 appID) const;
  // Reads one channel's reports into events.
  void TakeReports(CReportChannel &channel, std::vector<CGameEvent> &events);
  // Waits (bounded) for a report of a game that has not said it is ready; false when none is left
  // to wait for.
  bool AwaitStartingGames();

  const CHostConfig &m_Config;
  std::string m_ProgramDir;
  std::multimap<uint32, pid_t> m_Running;
  std::vector<CReportChannel> m_Reports;
  uint64 m_NextSerial = 1;
  uint64 m_JoinedSerial = 0;  // the channel of the last join (0: none)
  CGameEvent m_LastJoin;
};

// Splits a command line into words at white space; double quotes group words, a backslash keeps
// the next character. Nothing is expanded: no shell ever sees the text.
std::vector<std::string> SplitCommandLine(const std::string &text);

}  // namespace kguihost
