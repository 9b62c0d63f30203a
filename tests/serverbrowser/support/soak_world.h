// The browser as a user keeps it open for hours: the host runtime offscreen on the test clock, the
// services in process with a small world of servers, and the main window shown. A refresh cycle and
// a dialog cycle drive the real pages and dialogs through their messages; Tally counts what a
// cycle must give back (descriptors, host panels, list requests, server queries).
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "host/kgui_runtime.h"
#include "serverbrowser/IGameLauncher.h"
#include "support/fake_services.h"

class CBaseGamesPage;
class CServerBrowserDialog;

namespace kgui {
class Frame;
class Panel;
}  // namespace kgui

namespace sbtest {

// What must come back to its level once the windows a cycle opened are gone.
struct SoakTally {
  int descriptors = 0;   // entries of /proc/self/fd
  int panels = 0;        // panels the host's registry holds
  int listRequests = 0;  // server-list requests made and not freed
  int queries = 0;       // pings and player lists neither finished nor aborted
  int messages = 0;      // messages queued in the host
  int groupMembers = 0;  // members of the lasting windows' build groups (the window, its pages)

  bool operator==(const SoakTally &other) const = default;
};
std::ostream &operator<<(std::ostream &out, const SoakTally &tally);

// Open descriptors of this process.
int CountOpenDescriptors();

// A launcher that reports every game started and none running.
class CSoakLauncher final : public IGameLauncher {
 public:
  bool IsGameRunning(uint32 appID, const char *gameDir) override;
  int LaunchGame(uint32 appID, const char *gameDir, const char *commandLine) override;
  int m_nLaunches = 0;
};

class CSoakWorld {
 public:
  // `gameDir` holds the shipped layouts and scheme; settings go to a scratch folder of the run.
  explicit CSoakWorld(const std::string &gameDir);
  ~CSoakWorld();
  CSoakWorld(const CSoakWorld &) = delete;
  CSoakWorld &operator=(const CSoakWorld &) = delete;

  SoakTally Tally() const;
  // Shows the next tab in turn (which starts its list), asks that page for a new list, answers it
  // with the world's servers and ends it; every third cycle stops the list midway instead.
  void RefreshCycle(int cycle);
  // Opens a game-info dialog from the Internet page, answers its queries, joins (through the
  // password prompt for a locked server, cancelled or answered) and closes what is left; then opens
  // the add-server dialog from Favorites, tests an address with pings left running or adds one
  // at once, and closes it. Every window the cycle opened is gone when it returns.
  void DialogCycle(int cycle);
  // Runs host frames over `seconds` of the test clock, in steps of a quarter second.
  void RunFor(double seconds);

  kguihost::CKGuiRuntime &Runtime() { return *m_pRuntime; }
  FakeServices &Services() { return m_Services; }
  const CSoakLauncher &Launcher() const { return m_Launcher; }
  // Reports of the cycles' own checks (a window that did not open, a query that was not asked).
  const std::vector<std::string> &Problems() const { return m_Problems; }
  static int WorldSize();

 private:
  void AnswerList(CBaseGamesPage *page, bool stopMidway);
  void GameInfoCycle(int cycle);
  void AddServerCycle(int cycle);
  // The last open ping (or player list), or -1 after noting the problem.
  int LastOpenQuery(bool players, const char *what);
  static kgui::Frame *FindPopup(const char *name);
  static void Send(kgui::Panel *panel, const char *command);
  void Note(const std::string &problem) { m_Problems.push_back(problem); }

  std::string m_Folder;
  std::unique_ptr<kguihost::CKGuiRuntime> m_pRuntime;
  FakeServices m_Services;
  CSoakLauncher m_Launcher;
  std::vector<std::string> m_Problems;
  CServerBrowserDialog *m_pWindow = nullptr;
};

}  // namespace sbtest
