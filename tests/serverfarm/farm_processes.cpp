#include "farm_processes.h"

#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>

#include "plexaclient/net/q3_protocol.h"
#include "tools/serverfarm/loopback_udp.h"

bool CChildProcess::Start(const std::string &tool, const std::vector<std::string> &args,
                          const std::string &logPath) {
  const char *bin = getenv("SB_BIN_DIR");
  std::vector<std::string> argv{std::string(bin ? bin : ".") + "/" + tool};
  argv.insert(argv.end(), args.begin(), args.end());
  return m_Process.Start(argv, logPath);
}

std::optional<int> CChildProcess::WaitExit(int timeoutMs) {
  const int status = m_Process.Wait(std::chrono::milliseconds(timeoutMs));
  return status == -2 ? std::nullopt : std::optional<int>(status);
}

void CChildProcess::Signal(int signal) {
  if (m_Process.Pid() > 0) kill(m_Process.Pid(), signal);
}

int CChildProcess::Stop() {
  const int status = m_Process.Stop(std::chrono::seconds(2));
  return status == -2 ? -1 : status;
}

std::vector<std::string> WaitForLines(const std::string &path, int timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  do {
    std::ifstream file(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    if (!lines.empty()) return lines;
    poll(nullptr, 0, 20);
  } while (std::chrono::steady_clock::now() < end);
  return {};
}

CUdpClient::CUdpClient() : CUdpClient("127.0.0.1:0") {}

CUdpClient::CUdpClient(const std::string &address) {
  NetAddress bound;
  std::string error;
  m_Fd = OpenLoopbackSocket(Endpoint(address), bound, error);
}

CUdpClient::~CUdpClient() {
  if (m_Fd >= 0) close(m_Fd);
}

void CUdpClient::Send(const NetAddress &to, std::string_view bytes) {
  SendDatagram(m_Fd, to, bytes);
}

std::optional<std::string> CUdpClient::Receive(int timeoutMs, NetAddress *from) {
  pollfd ready{m_Fd, POLLIN, 0};
  if (poll(&ready, 1, timeoutMs) != 1) return std::nullopt;
  char buffer[65536];
  sockaddr_storage source{};
  socklen_t length = sizeof source;
  const ssize_t got =
      recvfrom(m_Fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr *>(&source), &length);
  if (got < 0) return std::nullopt;
  if (from) NetAddress::FromSockaddr(reinterpret_cast<const sockaddr *>(&source), length, *from);
  return std::string(buffer, static_cast<size_t>(got));
}

std::optional<std::vector<NetAddress>> AskMaster(CUdpClient &client, const NetAddress &master,
                                                 std::string_view query, int timeoutMs) {
  client.Send(master, query);
  std::optional<std::string> datagram = client.Receive(timeoutMs);
  if (!datagram) return std::nullopt;
  std::vector<NetAddress> servers;
  while (datagram) {
    MasterList_t list;
    if (Q3ProtocolFamily().DecodeMasterList(*datagram, list) == EPacketVerdict::Accepted) {
      for (const MasterListEntry_t &entry : list.m_Servers)
        servers.push_back(NetAddress::FromIPv4(entry.m_unIP, entry.m_usPort));
    }
    datagram = client.Receive(100);  // every datagram ends with the marker: wait for stragglers
  }
  return servers;
}

NetAddress Endpoint(const std::string &text) {
  NetAddress address;
  ParseEndpoint(text, true, address);
  return address;
}

std::vector<NetAddress> WaitUntilListed(CUdpClient &client, const NetAddress &master, std::string_view query,
                                        size_t count, int timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  std::vector<NetAddress> listed;
  do {
    listed = AskMaster(client, master, query, 1000).value_or(std::vector<NetAddress>());
    if (listed.size() >= count) break;
    poll(nullptr, 0, 20);
  } while (std::chrono::steady_clock::now() < end);
  return listed;
}

uint16_t UnusedUdpPort() {
  NetAddress bound;
  std::string error;
  const int fd = OpenLoopbackSocket(Endpoint("127.0.0.1:0"), bound, error);
  if (fd < 0) return 0;
  close(fd);
  return bound.m_usPort;
}
