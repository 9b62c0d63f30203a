// fakegame: the stand-in game client the host's launcher starts. It joins the server its command
// line names ("+connect a.b.c.d:port" with "+password <text>", or "a.b.c.d:port?password=<text>"),
// listens for servers the services hand it while it runs, and stays up until it is closed
// (SIGTERM or SIGINT, or the host that started it going away).
//
//   --record FILE         keeps an exact copy of the other arguments in FILE
//   --check-server        asks the server over the q3 query protocol before it reports a join;
//                         a server that does not answer is not joined (also FAKEGAME_CHECK_SERVER=1,
//                         so a demo of real servers turns it on for every game its launcher starts)
//   KGUI_GAME_REPORT_FD   a pipe of the host: "joined a.b.c.d:port" for every join, "ready" once
//                         it listens (one line each)
//   FAKEGAME_LOG          its log file (appended to); default fakegame.log in the user's folder
//                         ($PLEXA_USER_DIR, else the default user folder)
//
// Its log (and stdout) never shows a password or a raw control character.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "plexaclient/running_game_channel.h"
#include "tools/fakegame/connect_args.h"
#include "tools/fakegame/game_listener.h"
#include "tools/fakegame/server_check.h"

namespace fakegame {
namespace {

// The log is a regular file of the user's folder: a link or a FIFO planted there by someone else
// must not make the game write elsewhere or wait.
FILE *OpenForAppending(const std::string &path) {
  const int fd =
      open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
  if (fd < 0) return nullptr;
  struct stat info {};
  FILE *file = nullptr;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
    errno = EINVAL;
  else if (fcntl(fd, F_SETFL, O_APPEND) == 0)
    file = fdopen(fd, "a");
  if (!file) close(fd);
  return file;
}

// Lines to stdout and to the log file.
class CGameLog {
 public:
  CGameLog() {
    const char *named = getenv("FAKEGAME_LOG");
    m_Path = named && *named ? named : runninggame::UserFolder() + "/fakegame.log";
    m_pFile = OpenForAppending(m_Path);
    if (!m_pFile)
      fprintf(stderr, "fakegame: cannot write the log '%s': %s\n", m_Path.c_str(), strerror(errno));
  }
  ~CGameLog() {
    if (m_pFile) fclose(m_pFile);
  }
  CGameLog(const CGameLog &) = delete;
  CGameLog &operator=(const CGameLog &) = delete;

  void Line(const std::string &text) {
    printf("fakegame: %s\n", text.c_str());
    fflush(stdout);
    if (!m_pFile) return;
    fprintf(m_pFile, "%s\n", text.c_str());
    fflush(m_pFile);
  }

 private:
  std::string m_Path;
  FILE *m_pFile = nullptr;
};

// The host's report pipe, when it gave one.
class CReportPipe {
 public:
  explicit CReportPipe(CGameLog &log) : m_Log(log) {
    const char *text = getenv("KGUI_GAME_REPORT_FD");
    if (!text || !*text) return;
    char *end = nullptr;
    long fd = strtol(text, &end, 10);
    if (*end != '\0' || fd <= STDERR_FILENO || fd > 65535 || fcntl(static_cast<int>(fd), F_GETFD) < 0) {
      m_Log.Line("no report pipe at '" + runninggame::EscapeForLog(text, 20) + "'");
      return;
    }
    m_Fd = static_cast<int>(fd);
    // A host that stops reading must never stall the game.
    fcntl(m_Fd, F_SETFL, fcntl(m_Fd, F_GETFL) | O_NONBLOCK);
  }
  int Fd() const { return m_Fd; }

  void Write(const std::string &line) {
    if (m_Fd < 0) return;
    std::string text = line + "\n";
    if (write(m_Fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
      m_Log.Line("could not report '" + line + "' to the host: " + strerror(errno));
    }
  }

 private:
  CGameLog &m_Log;
  int m_Fd = -1;
};

struct CJoinOptions {
  bool checkServer = false;
};

// False (and the reason logged) when the server was asked and did not answer.
bool ServerAnswers(const CConnectTarget &target, const CJoinOptions &options, CGameLog &log,
                   std::string &problem) {
  if (!options.checkServer) return true;
  const CServerCheck check = CheckServer(target);
  if (check.answered) {
    log.Line("server " + target.Address() + " answered: " + runninggame::EscapeForLog(check.summary));
    return true;
  }
  problem = check.problem;
  log.Line("not joining " + target.Address() + ": " + problem);
  return false;
}

bool Join(const CConnectTarget &target, const char *how, const CJoinOptions &options, CGameLog &log,
          CReportPipe &report, std::string &problem) {
  if (!ServerAnswers(target, options, log, problem)) return false;
  log.Line(std::string("connecting to ") + target.Address() +
           (target.password.empty() ? "" : " with a password") + how);
  report.Write("joined " + target.Address());
  return true;
}

std::string HandleRequest(const runninggame::CRequest &request, const CJoinOptions &options, CGameLog &log,
                          CReportPipe &report) {
  CConnectTarget target = request.command.empty() ? TargetFromRequest(request.address, request.password)
                                                  : FindConnectTarget(SplitConsoleText(request.command));
  if (!target.Found()) {
    std::string problem = target.problem.empty() ? "no server named" : target.problem;
    log.Line("refused a server handed over while running: " + problem);
    return "refused " + problem;
  }
  std::string problem;
  return Join(target, " (handed over while running)", options, log, report, problem) ? "ok"
                                                                                     : "refused " + problem;
}

int Run(int argc, char **argv) {
  // Blocked first, so a close that comes early still ends the program cleanly.
  sigset_t closing;
  sigemptyset(&closing);
  sigaddset(&closing, SIGTERM);
  sigaddset(&closing, SIGINT);
  sigprocmask(SIG_BLOCK, &closing, nullptr);
  signal(SIGPIPE, SIG_IGN);
  int signals = signalfd(-1, &closing, SFD_CLOEXEC);
  if (signals < 0) {
    fprintf(stderr, "fakegame: cannot wait for signals: %s\n", strerror(errno));
    return 1;
  }

  std::vector<std::string> words;
  const char *record = nullptr;
  CJoinOptions options;
  const char *checkServer = getenv("FAKEGAME_CHECK_SERVER");
  options.checkServer = checkServer && strcmp(checkServer, "1") == 0;
  for (int i = 1; i < argc; ++i) {
    if (strcmp(argv[i], "--record") == 0 && i + 1 < argc) {
      record = argv[++i];
      continue;
    }
    if (strcmp(argv[i], "--check-server") == 0) {
      options.checkServer = true;
      continue;
    }
    words.emplace_back(argv[i]);
  }
  CGameLog log;
  log.Line("started with: " + ShownCommandLine(words));
  if (record) {
    FILE *file = fopen(record, "w");
    if (!file) {
      fprintf(stderr, "fakegame: cannot write '%s'\n", record);
      return 1;
    }
    std::string line;
    for (const std::string &word : words) line += (line.empty() ? "" : " ") + word;
    fprintf(file, "%s\n", line.c_str());
    fclose(file);
  }

  CReportPipe report(log);
  CGameListener listener;
  std::string path;
  std::string error;
  if (runninggame::SocketPath(path, error) && listener.Open(path, error)) {
    log.Line("listening at " + path);
  } else {
    log.Line("no running-game channel: " + error);
  }
  CConnectTarget target = FindConnectTarget(words);
  if (target.Found()) {
    std::string problem;
    Join(target, "", options, log, report, problem);
  } else if (!target.problem.empty()) {
    log.Line("not joining: " + target.problem);
  }
  report.Write("ready");

  // Bounded only by the close: every wake-up does a fixed amount of work.
  for (;;) {
    pollfd waits[3] = {{signals, POLLIN, 0}, {listener.Fd(), POLLIN, 0}, {report.Fd(), 0, 0}};
    if (poll(waits, 3, -1) < 0) {
      if (errno == EINTR) continue;
      log.Line(std::string("cannot wait: ") + strerror(errno));
      break;
    }
    if (waits[0].revents) break;
    if (waits[2].revents & (POLLERR | POLLHUP)) {
      log.Line("the host went away");
      break;
    }
    if (waits[1].revents & POLLIN) {
      std::string problem;
      listener.ServeOne(
          [&](const runninggame::CRequest &request) { return HandleRequest(request, options, log, report); },
          problem);
      if (!problem.empty()) log.Line(problem);
    }
  }
  log.Line("closed");
  close(signals);
  return 0;
}

}  // namespace
}  // namespace fakegame

int main(int argc, char **argv) {
  return fakegame::Run(argc, argv);
}
