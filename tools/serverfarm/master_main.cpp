// servermaster: a master for q3-family game servers on loopback: heartbeats, challenges, checked
// infoResponses, and server lists for clients. See README.md for the options.
#include <signal.h>
#include <sys/epoll.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tools/serverfarm/loopback_udp.h"
#include "tools/serverfarm/master_protocol.h"
#include "tools/serverfarm/master_table.h"
#include "tools/serverfarm/tool_args.h"

namespace {

constexpr uint64_t kSignalTag = UINT64_MAX;

const char *const kUsage =
    "usage: servermaster [--listen ADDR]... [--addresses FILE] [--max-seconds S]\n"
    "                    [--max-servers N] [--max-per-address N] [--expiry-seconds S]\n"
    "                    [--list-limit BURST,MS|off] [--max-bytes N] [--refuse-loopback]\n";

struct Options {
  std::vector<NetAddress> m_Listen;
  std::string m_AddressFile;
  int64_t m_nMaxSeconds = 3600;
  MasterSettings m_Settings;
};

int Usage(const char *problem) {
  if (problem) fprintf(stderr, "servermaster: %s\n", problem);
  fputs(kUsage, stderr);
  return 2;
}

int ReadOptions(int argc, char **argv, Options &options) {
  CToolArgs args(argc, argv);
  int64_t number = 0;
  for (const char *arg = args.Next(); arg; arg = args.Next()) {
    const std::string name = arg;
    if (name == "--listen") {
      NetAddress address;
      const char *value = args.Value(name);
      if (!value || !ParseEndpoint(value, true, address))
        return Usage("--listen takes a.b.c.d:port or [v6]:port");
      if (!IsLoopbackAddress(address)) {
        fprintf(stderr, "servermaster: %s is not on loopback; the master listens on loopback only\n", value);
        return 2;
      }
      if (options.m_Listen.size() >= 8) return Usage("at most eight --listen addresses");
      options.m_Listen.push_back(address);
    } else if (name == "--addresses") {
      const char *value = args.Value(name);
      if (!value) return Usage(nullptr);
      options.m_AddressFile = value;
    } else if (name == "--max-seconds") {
      if (!ParseCount(args.Value(name), 1, 86400 * 7, options.m_nMaxSeconds))
        return Usage("bad --max-seconds");
    } else if (name == "--max-servers") {
      if (!ParseCount(args.Value(name), 1, 10000000, number)) return Usage("bad --max-servers");
      options.m_Settings.m_nMaxServers = static_cast<int>(number);
    } else if (name == "--max-per-address") {
      if (!ParseCount(args.Value(name), 1, 10000000, number)) return Usage("bad --max-per-address");
      options.m_Settings.m_nMaxPerAddress = static_cast<int>(number);
    } else if (name == "--expiry-seconds") {
      if (!ParseCount(args.Value(name), 1, 86400, number)) return Usage("bad --expiry-seconds");
      options.m_Settings.m_nExpiryMs = number * 1000;
    } else if (name == "--list-limit") {
      if (!ParseRateLimit(args.Value(name), options.m_Settings.m_ListLimit)) return Usage("bad --list-limit");
    } else if (name == "--max-bytes") {
      if (!ParseCount(args.Value(name), 0, INT64_MAX, options.m_Settings.m_nMaxSendBytesPerSecond))
        return Usage("bad --max-bytes");
    } else if (name == "--refuse-loopback") {
      options.m_Settings.m_bAllowLoopback = false;
    } else {
      return Usage(("unknown option " + name).c_str());
    }
  }
  if (options.m_Listen.empty()) ParseEndpoint("127.0.0.1:27950", false, options.m_Listen.emplace_back());
  return 0;
}

class CMasterProcess {
 public:
  explicit CMasterProcess(const MasterSettings &settings) : m_Table(settings) {}
  ~CMasterProcess() {
    for (int fd : m_Sockets) close(fd);
    if (m_nSignalFd >= 0) close(m_nSignalFd);
    if (m_nEpoll >= 0) close(m_nEpoll);
  }
  int Run(const Options &options);

 private:
  bool Open(const std::vector<NetAddress> &listen, std::vector<std::string> &bound);
  void Drain(size_t socket, int64_t nowMs);

  CMasterTable m_Table;
  std::vector<int> m_Sockets;
  int m_nSignalFd = -1;
  int m_nEpoll = -1;
  std::vector<MasterSend> m_Out;
  uint64_t m_nSendFailed = 0;
};

bool CMasterProcess::Open(const std::vector<NetAddress> &listen, std::vector<std::string> &bound) {
  m_nEpoll = epoll_create1(EPOLL_CLOEXEC);
  if (m_nEpoll < 0) return false;
  for (size_t i = 0; i < listen.size(); ++i) {
    NetAddress actual;
    std::string error;
    const int fd = OpenLoopbackSocket(listen[i], actual, error);
    if (fd < 0) {
      fprintf(stderr, "servermaster: %s\n", error.c_str());
      return false;
    }
    m_Sockets.push_back(fd);
    bound.push_back(actual.ToString());
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.u64 = i;
    if (epoll_ctl(m_nEpoll, EPOLL_CTL_ADD, fd, &event) != 0) return false;
  }
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  sigprocmask(SIG_BLOCK, &signals, nullptr);
  m_nSignalFd = signalfd(-1, &signals, SFD_NONBLOCK | SFD_CLOEXEC);
  epoll_event event{};
  event.events = EPOLLIN;
  event.data.u64 = kSignalTag;
  return m_nSignalFd >= 0 && epoll_ctl(m_nEpoll, EPOLL_CTL_ADD, m_nSignalFd, &event) == 0;
}

void CMasterProcess::Drain(size_t socket, int64_t nowMs) {
  char buffer[k_nMaxMasterDatagram + 1];
  for (int i = 0; i < 256; ++i) {
    sockaddr_storage from{};
    socklen_t fromLength = sizeof from;
    const ssize_t got = recvfrom(m_Sockets[socket], buffer, sizeof buffer, MSG_DONTWAIT | MSG_TRUNC,
                                 reinterpret_cast<sockaddr *>(&from), &fromLength);
    if (got < 0) return;
    NetAddress source;
    if (!NetAddress::FromSockaddr(reinterpret_cast<const sockaddr *>(&from), fromLength, source)) continue;
    // MSG_TRUNC gives the whole length: an oversized datagram is seen as such and dropped.
    m_Table.Handle(std::string_view(buffer, std::min<size_t>(static_cast<size_t>(got), sizeof buffer)),
                   source, nowMs, m_Out);
    for (const MasterSend &send : m_Out)
      if (!SendDatagram(m_Sockets[socket], send.m_To, send.m_Bytes)) ++m_nSendFailed;
    m_Out.clear();
  }
}

int CMasterProcess::Run(const Options &options) {
  std::vector<std::string> bound;
  if (!Open(options.m_Listen, bound)) return 1;
  std::string error;
  if (!options.m_AddressFile.empty() && !WriteLinesAtomically(options.m_AddressFile, bound, error)) {
    fprintf(stderr, "servermaster: %s\n", error.c_str());
    return 1;
  }
  fprintf(stderr, "servermaster: listening on");
  for (const std::string &address : bound) fprintf(stderr, " %s", address.c_str());
  fprintf(stderr, "\n");
  const int64_t endMs = MonotonicMs() + options.m_nMaxSeconds * 1000;
  epoll_event events[16];
  bool running = true;
  while (running) {
    int64_t nowMs = MonotonicMs();
    if (nowMs >= endMs) break;
    const int ready =
        epoll_wait(m_nEpoll, events, 16, static_cast<int>(std::min<int64_t>(endMs - nowMs, 1000)));
    if (ready < 0 && errno != EINTR) break;
    nowMs = MonotonicMs();
    for (int i = 0; i < ready; ++i) {
      if (events[i].data.u64 == kSignalTag) {
        running = false;
        continue;
      }
      Drain(static_cast<size_t>(events[i].data.u64), nowMs);
    }
    m_Table.Expire(nowMs);
  }
  fprintf(stderr, "servermaster: stopped; listed=%zu", m_Table.ListedCount());
  for (int counter = 0; counter < k_MasterCounterCount; ++counter)
    fprintf(stderr, " %s=%llu", MasterCounterName(static_cast<EMasterCounter>(counter)),
            static_cast<unsigned long long>(m_Table.Counter(static_cast<EMasterCounter>(counter))));
  fprintf(stderr, " send_failed=%llu\n", static_cast<unsigned long long>(m_nSendFailed));
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  Options options;
  if (const int status = ReadOptions(argc, argv, options)) return status;
  CMasterProcess process(options.m_Settings);
  return process.Run(options);
}
