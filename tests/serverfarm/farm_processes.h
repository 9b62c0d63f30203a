// The farm and the master run as child processes on loopback for end-to-end tests: started with
// their bound addresses reported in a file, always stopped, and a UDP client to talk to them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "plexaclient/net/net_address.h"
#include "tests/host/child_process.h"

// A built tool run as a child process, killed (SIGTERM, then SIGKILL after two seconds) when the
// object goes.
class CChildProcess {
 public:
  // Runs the built tool `tool` (from $SB_BIN_DIR) with `args`, its output into `logPath`.
  bool Start(const std::string &tool, const std::vector<std::string> &args, const std::string &logPath);
  // SIGTERM, then waits (bounded); the exit status, or -1 when it had to be killed or was not running.
  int Stop();
  void Signal(int signal);
  // Waits up to `timeoutMs` for it to end by itself; its exit status (-1 when a signal ended it), or
  // nullopt.
  std::optional<int> WaitExit(int timeoutMs);

 private:
  kguihost::CChildProcess m_Process;
};

// The lines of `path` once it exists with at least one line; empty after `timeoutMs`.
std::vector<std::string> WaitForLines(const std::string &path, int timeoutMs);

class CUdpClient {
 public:
  CUdpClient();
  // Bound to `address` ("127.0.0.2:0"): a master counts its list limits per source address, so a
  // test's own look at the master can come from an address the client under test does not use.
  explicit CUdpClient(const std::string &address);
  ~CUdpClient();
  CUdpClient(const CUdpClient &) = delete;
  CUdpClient &operator=(const CUdpClient &) = delete;

  void Send(const NetAddress &to, std::string_view bytes);
  // The next datagram within `timeoutMs`, and its source; nullopt when none came.
  std::optional<std::string> Receive(int timeoutMs, NetAddress *from = nullptr);

 private:
  int m_Fd = -1;
};

// A master list query's entries, read until a datagram without more entries came and none followed
// for `quietMs`; nullopt when the master said nothing within `timeoutMs`.
std::optional<std::vector<NetAddress>> AskMaster(CUdpClient &client, const NetAddress &master,
                                                 std::string_view query, int timeoutMs);

NetAddress Endpoint(const std::string &text);

// Asks the master with `query` until it lists at least `count` servers or `timeoutMs` pass (a
// server is listed only after its heartbeat, the master's challenge and its answer); what it
// listed last.
std::vector<NetAddress> WaitUntilListed(CUdpClient &client, const NetAddress &master, std::string_view query,
                                        size_t count, int timeoutMs);

// A loopback UDP port nothing listens on just now (bound, read and closed again).
uint16_t UnusedUdpPort();
