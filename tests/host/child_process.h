// Programs a test runs beside itself while it drives them (a host in a window, an X server):
// started with their output in a file, waited for with a bound, never left running.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace kguihost {

using TestClock = std::chrono::steady_clock;

// Polls `done` every few milliseconds until it holds or `timeout` has passed; true when it held.
bool WaitFor(const std::function<bool()> &done, TestClock::duration timeout);
// The path of a program on $PATH, or "" when there is none.
std::string FindProgram(const std::string &name);

// A child process writing its output to a file; stopped (SIGTERM, then SIGKILL) when destroyed.
class CChildProcess {
 public:
  CChildProcess() = default;
  ~CChildProcess() { Stop(std::chrono::seconds(10)); }
  CChildProcess(const CChildProcess &) = delete;
  CChildProcess &operator=(const CChildProcess &) = delete;

  // Starts argv[0] (a path) with our environment, `environment` entries ("NAME=value") replacing
  // or adding; `keepFd` stays open in it.
  bool Start(const std::vector<std::string> &argv, const std::string &outputFile,
             const std::vector<std::string> &environment = {}, int keepFd = -1);
  pid_t Pid() const { return m_Pid; }
  // True while the child runs; once it has ended its status is kept.
  bool Running();
  // Waits up to `timeout` for the child to end; its exit status, -1 when a signal ended it, -2
  // when it still runs.
  int Wait(TestClock::duration timeout);
  // Asks the child to end (SIGTERM) and waits up to `timeout`; as Wait, except that a child still
  // running then is killed and -2 returned.
  int Stop(TestClock::duration timeout);

 private:
  pid_t m_Pid = -1;
  int m_Status = -1;
};

}  // namespace kguihost
