#include "tests/host/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

extern char **environ;

namespace kguihost {

bool WaitFor(const std::function<bool()> &done, TestClock::duration timeout) {
  const auto deadline = TestClock::now() + timeout;
  for (;;) {
    if (done()) return true;
    if (TestClock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

std::string FindProgram(const std::string &name) {
  const char *path = getenv("PATH");
  const std::string dirs = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
  for (size_t start = 0; start <= dirs.size();) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    const std::string file = (end > start ? dirs.substr(start, end - start) : ".") + "/" + name;
    if (access(file.c_str(), X_OK) == 0) return file;
    start = end + 1;
  }
  return "";
}

bool CChildProcess::Start(const std::vector<std::string> &argv, const std::string &outputFile,
                          const std::vector<std::string> &environment, int keepFd) {
  // Everything the child needs is made before the fork: after it only system calls run.
  std::vector<char *> args;
  for (const std::string &arg : argv) args.push_back(const_cast<char *>(arg.c_str()));
  args.push_back(nullptr);
  std::vector<char *> env;
  for (const std::string &entry : environment) env.push_back(const_cast<char *>(entry.c_str()));
  for (char **entry = environ; *entry; ++entry) {
    const std::string name(*entry, strcspn(*entry, "="));
    bool replaced = false;
    for (const std::string &given : environment)
      replaced = replaced || given.compare(0, name.size() + 1, name + "=") == 0;
    if (!replaced) env.push_back(*entry);
  }
  env.push_back(nullptr);
  const int output = open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (output < 0) return false;
  fflush(nullptr);  // the child must not write our buffers again
  m_Pid = fork();
  if (m_Pid == 0) {
    dup2(output, STDOUT_FILENO);
    dup2(output, STDERR_FILENO);
    if (keepFd >= 0) fcntl(keepFd, F_SETFD, 0);
    execve(args[0], args.data(), env.data());
    _exit(127);
  }
  close(output);
  m_Status = -1;
  return m_Pid > 0;
}

bool CChildProcess::Running() {
  if (m_Pid <= 0) return false;
  int status = 0;
  if (waitpid(m_Pid, &status, WNOHANG) == 0) return true;
  m_Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  m_Pid = -1;
  return false;
}

int CChildProcess::Wait(TestClock::duration timeout) {
  if (!WaitFor([this]() { return !Running(); }, timeout)) return -2;
  return m_Status;
}

int CChildProcess::Stop(TestClock::duration timeout) {
  if (!Running()) return m_Status;
  kill(m_Pid, SIGTERM);
  if (Wait(timeout) != -2) return m_Status;
  kill(m_Pid, SIGKILL);
  waitpid(m_Pid, nullptr, 0);
  m_Pid = -1;
  m_Status = -2;
  return m_Status;
}

}  // namespace kguihost
