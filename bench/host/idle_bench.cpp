// The host's CPU while nothing changes: kgui-host with the browser open on the demo's filled
// Internet list, its own CPU time (user and system, from /proc) over a quiet stretch once the list
// is done, as a share of one core beside the goal and beside the same run with --always-paint
// (every frame painted and shown whole, no sleeping), headless on the real clock and, when a
// display or Xvfb is there, in a window.
//
//   host_idle_bench [SECONDS]   (default 10)
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr double kGoalPercent = 1.0;
// The list is taken as done once a second of the host costs less than this.
constexpr double kSettledPercent = 5.0;
constexpr int kLongestSettleSeconds = 60;

std::string BinDir() {
  char path[4096];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
  if (length <= 0) return ".";
  path[length] = '\0';
  std::string self(path);
  return self.substr(0, self.find_last_of('/'));
}

// User plus system CPU seconds of a process so far; negative when it is gone.
double CpuSeconds(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text;
  if (!std::getline(stat, text)) return -1.0;
  // Fields after the command name (which may hold spaces) start at the last ')'.
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string field;
  unsigned long long user = 0, system = 0;
  for (int index = 3; fields >> field; ++index) {
    if (index == 14) user = std::stoull(field);
    if (index == 15) {
      system = std::stoull(field);
      break;
    }
  }
  return static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double WallSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// CPU of the process over `seconds` of wall time, in % of one core.
double PercentOver(pid_t pid, double seconds) {
  const double cpu0 = CpuSeconds(pid), wall0 = WallSeconds();
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  const double cpu1 = CpuSeconds(pid), wall1 = WallSeconds();
  if (cpu0 < 0 || cpu1 < 0) return -1.0;
  return 100.0 * (cpu1 - cpu0) / (wall1 - wall0);
}

pid_t StartHost(const std::string &bin, const std::string &userDir, bool headless, bool alwaysPaint) {
  std::vector<std::string> args = {bin + "/kgui-host", "--realtime",           "--user-dir", userDir,
                                   "--services",       bin + "/plexaclient.so"};
  if (headless) args.push_back("--headless");
  if (alwaysPaint) args.push_back("--always-paint");
  args.push_back(bin + "/serverbrowser.so");
  fflush(stdout);  // the child would write what is buffered again
  const pid_t pid = fork();
  if (pid != 0) return pid;
  freopen("/dev/null", "w", stdout);
  freopen("/dev/null", "w", stderr);
  std::vector<char *> argv;
  for (std::string &arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  execv(argv[0], argv.data());
  _exit(127);
}

// Starts the host, waits until its list is done, measures, stops it; % of a core or -1.
double Measure(const std::string &bin, bool headless, bool alwaysPaint, double seconds) {
  char dir[] = "/tmp/host-idle-bench-XXXXXX";
  if (!mkdtemp(dir)) return -1.0;
  const pid_t pid = StartHost(bin, dir, headless, alwaysPaint);
  double percent = -1.0;
  if (pid > 0) {
    // Busy while the list fills; always-paint never settles, so it is given the other run's time.
    for (int second = 0; second < (alwaysPaint ? 8 : kLongestSettleSeconds); ++second) {
      const double recent = PercentOver(pid, 1.0);
      if (recent < 0 || (!alwaysPaint && second >= 3 && recent < kSettledPercent)) break;
    }
    percent = PercentOver(pid, seconds);
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
  }
  const std::string remove = std::string("rm -rf '") + dir + "'";
  if (system(remove.c_str()) != 0) fprintf(stderr, "cannot remove %s\n", dir);
  return percent;
}

void Report(const char *where, double idle, double always) {
  printf("%-22s idle %6.2f%% of a core (goal under %.0f%%: %s), with --always-paint %6.2f%%, ratio %.3f\n",
         where, idle, kGoalPercent, idle >= 0 && idle < kGoalPercent ? "met" : "NOT met", always,
         always > 0 ? idle / always : 0.0);
}

bool HaveDisplay() {
  const char *display = getenv("DISPLAY");
  return display && *display;
}

// An Xvfb of our own on a free display when none is set and Xvfb is installed; its pid or 0.
pid_t StartXvfb() {
  if (system("command -v Xvfb >/dev/null 2>&1") != 0) return 0;
  for (int number = 99; number < 110; ++number) {
    if (access(("/tmp/.X11-unix/X" + std::to_string(number)).c_str(), F_OK) == 0) continue;
    fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
      freopen("/dev/null", "w", stderr);
      const std::string display = ":" + std::to_string(number);
      execlp("Xvfb", "Xvfb", display.c_str(), "-screen", "0", "1280x800x24", "-nolisten", "tcp", nullptr);
      _exit(127);
    }
    for (int wait = 0; wait < 50; ++wait) {
      if (access(("/tmp/.X11-unix/X" + std::to_string(number)).c_str(), F_OK) == 0) {
        setenv("DISPLAY", (":" + std::to_string(number)).c_str(), 1);
        return pid;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    return 0;
  }
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  const double seconds = argc > 1 ? atof(argv[1]) : 10.0;
  const std::string bin = BinDir();
  // The demo's simulated world, unless one is chosen.
  setenv("PLEXA_CLIENT_CONFIG", (bin + "/plexaclient.vdf").c_str(), 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  printf("host CPU while nothing changes, browser open on the demo's filled list, %.0f s each\n", seconds);
  Report("headless --realtime", Measure(bin, true, false, seconds), Measure(bin, true, true, seconds));
  pid_t xvfb = 0;
  if (!HaveDisplay()) xvfb = StartXvfb();
  if (HaveDisplay()) {
    Report("window", Measure(bin, false, false, seconds), Measure(bin, false, true, seconds));
  } else {
    printf("window: skipped (no DISPLAY and no Xvfb)\n");
  }
  if (xvfb > 0) {
    kill(xvfb, SIGTERM);
    waitpid(xvfb, nullptr, 0);
  }
  return 0;
}
