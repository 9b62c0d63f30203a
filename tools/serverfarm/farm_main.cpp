// serverfarm: many simulated q3 game servers in one process on loopback, driven by one epoll
// loop. See README.md for the options and the world keys it reads.
#include <signal.h>
#include <sys/epoll.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "tools/serverfarm/farm_sockets.h"
#include "tools/serverfarm/farm_world.h"
#include "tools/serverfarm/loopback_udp.h"
#include "tools/serverfarm/server_farm.h"
#include "tools/serverfarm/tool_args.h"

namespace {

constexpr uint64_t kSignalTag = UINT64_MAX;

const char *const kUsage =
    "usage: serverfarm (--world FILE | --generate N [--port P] [--game NAME] [--protocol N])\n"
    "                  [--master ADDR]... [--addresses FILE] [--max-seconds S]\n"
    "                  [--heartbeat-seconds S] [--heartbeat-rate N]\n"
    "                  [--source-limit BURST,MS|off] [--server-limit BURST,MS|off]\n"
    "                  [--max-replies N] [--max-bytes N] [--no-limits]\n";

struct Options {
  std::string m_World;
  GeneratedFarm m_Generated;
  bool m_bGenerate = false;
  std::string m_AddressFile;
  int64_t m_nMaxSeconds = 3600;
  FarmSettings m_Settings;
};

int Usage(const char *problem) {
  if (problem) fprintf(stderr, "serverfarm: %s\n", problem);
  fputs(kUsage, stderr);
  return 2;
}

// 0 when read; else the exit status.
int ReadOptions(int argc, char **argv, Options &options) {
  CToolArgs args(argc, argv);
  int64_t number = 0;
  for (const char *arg = args.Next(); arg; arg = args.Next()) {
    const std::string name = arg;
    if (name == "--world") {
      const char *value = args.Value(name);
      if (!value) return Usage(nullptr);
      options.m_World = value;
    } else if (name == "--generate") {
      if (!ParseCount(args.Value(name), 1, 60000, number)) return Usage("--generate takes 1 to 60000");
      options.m_bGenerate = true;
      options.m_Generated.m_nCount = static_cast<int>(number);
    } else if (name == "--port") {
      if (!ParseCount(args.Value(name), 0, 65535, number)) return Usage("--port takes 0 to 65535");
      options.m_Generated.m_usPort = static_cast<uint16_t>(number);
    } else if (name == "--game") {
      const char *value = args.Value(name);
      if (!value || !*value || strpbrk(value, " \\;\"")) return Usage("--game takes one word");
      options.m_Generated.m_GameName = value;
    } else if (name == "--protocol") {
      if (!ParseCount(args.Value(name), 0, 999999, number)) return Usage("--protocol takes a number");
      options.m_Generated.m_nProtocol = static_cast<int>(number);
    } else if (name == "--master") {
      NetAddress master;
      const char *value = args.Value(name);
      if (!value || !ParseEndpoint(value, false, master))
        return Usage("--master takes a.b.c.d:port or [v6]:port");
      if (!IsLoopbackAddress(master)) {
        fprintf(stderr, "serverfarm: master %s is not on loopback; the farm talks to loopback only\n", value);
        return 2;
      }
      if (options.m_Settings.m_Masters.size() >= 5) return Usage("at most five masters");
      options.m_Settings.m_Masters.push_back(master);
    } else if (name == "--addresses") {
      const char *value = args.Value(name);
      if (!value) return Usage(nullptr);
      options.m_AddressFile = value;
    } else if (name == "--max-seconds") {
      if (!ParseCount(args.Value(name), 1, 86400 * 7, options.m_nMaxSeconds))
        return Usage("bad --max-seconds");
    } else if (name == "--heartbeat-seconds") {
      if (!ParseCount(args.Value(name), 0, 86400, number)) return Usage("bad --heartbeat-seconds");
      options.m_Settings.m_nHeartbeatSeconds = static_cast<int>(number);
    } else if (name == "--heartbeat-rate") {
      if (!ParseCount(args.Value(name), 0, 10000000, number)) return Usage("bad --heartbeat-rate");
      options.m_Settings.m_nHeartbeatsPerSecond = static_cast<int>(number);
    } else if (name == "--source-limit") {
      if (!ParseRateLimit(args.Value(name), options.m_Settings.m_PerSource))
        return Usage("bad --source-limit");
    } else if (name == "--server-limit") {
      if (!ParseRateLimit(args.Value(name), options.m_Settings.m_PerServer))
        return Usage("bad --server-limit");
    } else if (name == "--max-replies") {
      if (!ParseCount(args.Value(name), 0, INT64_MAX, options.m_Settings.m_nMaxRepliesPerSecond))
        return Usage("bad --max-replies");
    } else if (name == "--max-bytes") {
      if (!ParseCount(args.Value(name), 0, INT64_MAX, options.m_Settings.m_nMaxBytesPerSecond))
        return Usage("bad --max-bytes");
    } else if (name == "--no-limits") {
      options.m_Settings.m_PerSource = RateLimit{0, 1};
      options.m_Settings.m_PerServer = RateLimit{0, 1};
      options.m_Settings.m_nMaxRepliesPerSecond = 0;
      options.m_Settings.m_nMaxBytesPerSecond = 0;
    } else {
      return Usage(("unknown option " + name).c_str());
    }
  }
  if (options.m_World.empty() == !options.m_bGenerate) return Usage("give --world or --generate");
  return 0;
}

class CFarmProcess {
 public:
  ~CFarmProcess() {
    if (m_nSignalFd >= 0) close(m_nSignalFd);
    if (m_nEpoll >= 0) close(m_nEpoll);
  }

  int Run(const Options &options, std::vector<FarmServerSetup> setups);

 private:
  bool Open(const std::vector<FarmServerSetup> &setups, std::vector<std::string> &bound);
  void Send(std::vector<FarmSend> &sends);

  CFarmSockets m_Sockets;
  int m_nSignalFd = -1;
  int m_nEpoll = -1;
  std::unique_ptr<CServerFarm> m_pFarm;
  uint64_t m_nSendFailed = 0;
};

bool CFarmProcess::Open(const std::vector<FarmServerSetup> &setups, std::vector<std::string> &bound) {
  m_nEpoll = epoll_create1(EPOLL_CLOEXEC);
  if (m_nEpoll < 0) return false;
  std::vector<NetAddress> addresses;
  std::string error;
  if (!m_Sockets.Open(setups, addresses, error)) {
    fprintf(stderr, "serverfarm: %s\n", error.c_str());
    return false;
  }
  for (const NetAddress &address : addresses) bound.push_back(address.ToString());
  if (!m_Sockets.Watch(m_nEpoll, 0)) return false;
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGUSR1);
  sigprocmask(SIG_BLOCK, &signals, nullptr);
  m_nSignalFd = signalfd(-1, &signals, SFD_NONBLOCK | SFD_CLOEXEC);
  epoll_event event{};
  event.events = EPOLLIN;
  event.data.u64 = kSignalTag;
  return m_nSignalFd >= 0 && epoll_ctl(m_nEpoll, EPOLL_CTL_ADD, m_nSignalFd, &event) == 0;
}

void CFarmProcess::Send(std::vector<FarmSend> &sends) {
  m_nSendFailed += m_Sockets.Send(sends);
  sends.clear();
}

int CFarmProcess::Run(const Options &options, std::vector<FarmServerSetup> setups) {
  // Servers with sockets of their own need a descriptor each; past the limit, the server whose
  // socket could not be opened is named with the system's reason.
  RaiseDescriptorLimit();
  std::vector<std::string> bound;
  if (!Open(setups, bound)) return 1;
  const int64_t startMs = MonotonicMs();
  m_pFarm = std::make_unique<CServerFarm>(std::move(setups), options.m_Settings, startMs, startMs);
  std::string error;
  if (!options.m_AddressFile.empty() && !WriteLinesAtomically(options.m_AddressFile, bound, error)) {
    fprintf(stderr, "serverfarm: %s\n", error.c_str());
    return 1;
  }
  fprintf(stderr, "serverfarm: %zu servers ready on %zu sockets (%zu sharing one)\n", bound.size(),
          m_Sockets.SocketCount(), m_Sockets.SharedServerCount());
  const int64_t endMs = startMs + options.m_nMaxSeconds * 1000;
  std::vector<FarmSend> sends;
  epoll_event events[256];
  bool running = true;
  while (running) {
    int64_t nowMs = MonotonicMs();
    if (nowMs >= endMs) break;
    const int64_t wait = std::min(m_pFarm->NextWakeMs(nowMs), endMs) - nowMs;
    const int ready = epoll_wait(m_nEpoll, events, 256, static_cast<int>(std::max<int64_t>(wait, 0)));
    if (ready < 0 && errno != EINTR) break;
    nowMs = MonotonicMs();
    for (int i = 0; i < ready; ++i) {
      if (events[i].data.u64 != kSignalTag) {
        m_Sockets.Drain(static_cast<size_t>(events[i].data.u64),
                        [&](size_t server, std::string_view datagram, const NetAddress &from) {
                          m_pFarm->OnDatagram(server, datagram, from, nowMs);
                        });
        continue;
      }
      signalfd_siginfo info{};
      while (read(m_nSignalFd, &info, sizeof info) == sizeof info) {
        if (info.ssi_signo == SIGUSR1)
          m_pFarm->HeartbeatAll(nowMs);
        else
          running = false;
      }
    }
    m_pFarm->Collect(nowMs, sends);
    Send(sends);
  }
  m_pFarm->Shutdown(MonotonicMs(), sends);
  Send(sends);
  fprintf(stderr, "serverfarm: stopped;");
  for (int counter = 0; counter < k_FarmCounterCount; ++counter)
    fprintf(stderr, " %s=%llu", FarmCounterName(static_cast<EFarmCounter>(counter)),
            static_cast<unsigned long long>(m_pFarm->Counter(static_cast<EFarmCounter>(counter))));
  fprintf(stderr, " send_failed=%llu\n", static_cast<unsigned long long>(m_nSendFailed));
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  Options options;
  if (const int status = ReadOptions(argc, argv, options)) return status;
  std::vector<FarmServerSetup> setups;
  if (options.m_bGenerate) {
    setups = GenerateFarm(options.m_Generated);
  } else {
    std::string errors;
    if (!LoadFarmWorld(options.m_World, setups, errors)) {
      fprintf(stderr, "serverfarm: %s%s", errors.c_str(), errors.ends_with('\n') ? "" : "\n");
      return 2;
    }
  }
  CFarmProcess process;
  return process.Run(options, std::move(setups));
}
