#include "tools/serverfarm/farm_sockets.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "tools/serverfarm/loopback_udp.h"
#include "tools/serverfarm/server_answers.h"

namespace {

// One byte more than a server reads, so a longer datagram shows as such.
constexpr size_t kReadSlot = k_nMaxServerDatagram + 1;
constexpr size_t kBatch = 64;
// Batches read from one socket per wake-up: a flooded socket must not hold up the farm's timers.
constexpr int kBatchesPerDrain = 4;
constexpr size_t kControlBytes = CMSG_SPACE(sizeof(in_pktinfo));

struct alignas(cmsghdr) Control {
  char m_Bytes[kControlBytes];
};

// A socket on the loopback device at a free port, hearing every loopback address; -1 when the
// system refuses any step (the servers then get sockets of their own).
int OpenLoopbackDeviceSocket(uint16_t &port) {
  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  const char device[] = "lo";
  const int one = 1;
  sockaddr_in any{};
  any.sin_family = AF_INET;
  any.sin_addr.s_addr = htonl(INADDR_ANY);
  socklen_t length = sizeof any;
  // Bound to the device before the address: no datagram from another interface ever reaches it.
  if (setsockopt(fd, SOL_SOCKET, SO_BINDTODEVICE, device, sizeof device) != 0 ||
      setsockopt(fd, IPPROTO_IP, IP_PKTINFO, &one, sizeof one) != 0 ||
      bind(fd, reinterpret_cast<const sockaddr *>(&any), sizeof any) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr *>(&any), &length) != 0) {
    close(fd);
    return -1;
  }
  // Many servers' requests arrive on this one socket.
  EnlargeSocketBuffers(fd, 8 << 20);
  const int probe = IP_PMTUDISC_PROBE;
  setsockopt(fd, IPPROTO_IP, IP_MTU_DISCOVER, &probe, sizeof probe);
  port = ntohs(any.sin_port);
  return fd;
}

// The host-order IPv4 address a datagram was sent to, from its IP_PKTINFO; 0 when absent.
uint32_t DestinationOf(const msghdr &header) {
  for (const cmsghdr *cmsg = CMSG_FIRSTHDR(&header); cmsg;
       cmsg = CMSG_NXTHDR(const_cast<msghdr *>(&header), const_cast<cmsghdr *>(cmsg))) {
    if (cmsg->cmsg_level != IPPROTO_IP || cmsg->cmsg_type != IP_PKTINFO) continue;
    in_pktinfo info{};
    memcpy(&info, CMSG_DATA(cmsg), sizeof info);
    return ntohl(info.ipi_addr.s_addr);
  }
  return 0;
}

// Makes the datagram leave from `sourceIP`, one of the addresses the shared socket answers for.
void SetSource(msghdr &header, Control &control, uint32_t sourceIP) {
  memset(&control, 0, sizeof control);
  header.msg_control = control.m_Bytes;
  header.msg_controllen = sizeof control.m_Bytes;
  cmsghdr *cmsg = CMSG_FIRSTHDR(&header);
  cmsg->cmsg_level = IPPROTO_IP;
  cmsg->cmsg_type = IP_PKTINFO;
  cmsg->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
  in_pktinfo info{};
  info.ipi_spec_dst.s_addr = htonl(sourceIP);
  memcpy(CMSG_DATA(cmsg), &info, sizeof info);
}

}  // namespace

struct CFarmSockets::BatchBuffers {
  std::vector<char> m_Bytes = std::vector<char>(kReadSlot * kBatch);
  sockaddr_storage m_From[kBatch]{};
  Control m_Control[kBatch]{};
  iovec m_Vectors[kBatch]{};
  mmsghdr m_Headers[kBatch]{};
  sockaddr_storage m_To[kBatch]{};
};

CFarmSockets::CFarmSockets() : m_pBuffers(std::make_unique<BatchBuffers>()) {}

CFarmSockets::~CFarmSockets() {
  for (const Socket &socket : m_Sockets) close(socket.m_Fd);
}

bool CFarmSockets::Open(const std::vector<FarmServerSetup> &setups, std::vector<NetAddress> &bound,
                        std::string &error) {
  bound.assign(setups.size(), NetAddress{});
  m_SocketOf.assign(setups.size(), 0);
  m_ServerIP.assign(setups.size(), 0);
  std::vector<bool> placed(setups.size(), false);
  OpenShared(setups, bound, placed);
  for (size_t i = 0; i < setups.size(); ++i) {
    if (!placed[i] && !OpenOwn(i, setups[i], bound, error)) {
      error = "server " + std::to_string(i + 1) + ": " + error;
      return false;
    }
  }
  return true;
}

bool CFarmSockets::OpenShared(const std::vector<FarmServerSetup> &setups, std::vector<NetAddress> &bound,
                              std::vector<bool> &placed) {
  Socket shared;
  shared.m_bShared = true;
  std::vector<size_t> members;
  for (size_t i = 0; i < setups.size(); ++i) {
    const NetAddress address = NetAddress::FromIPv4(setups[i].m_unIP, setups[i].m_usPort);
    if (setups[i].m_usPort != 0 || !IsLoopbackAddress(address)) continue;
    // A second server at the same address needs a port of its own.
    if (shared.m_ByAddress.emplace(setups[i].m_unIP, i).second) members.push_back(i);
  }
  // A lone server gains nothing from sharing.
  if (members.size() < 2) return false;
  uint16_t port = 0;
  shared.m_Fd = OpenLoopbackDeviceSocket(port);
  if (shared.m_Fd < 0) return false;
  for (size_t server : members) {
    placed[server] = true;
    bound[server] = NetAddress::FromIPv4(setups[server].m_unIP, port);
    m_SocketOf[server] = m_Sockets.size();
    m_ServerIP[server] = setups[server].m_unIP;
  }
  m_Sockets.push_back(std::move(shared));
  return true;
}

bool CFarmSockets::OpenOwn(size_t server, const FarmServerSetup &setup, std::vector<NetAddress> &bound,
                           std::string &error) {
  Socket own;
  own.m_nServer = server;
  own.m_Fd = OpenLoopbackSocket(NetAddress::FromIPv4(setup.m_unIP, setup.m_usPort), bound[server], error);
  if (own.m_Fd < 0) return false;
  m_SocketOf[server] = m_Sockets.size();
  m_Sockets.push_back(std::move(own));
  return true;
}

bool CFarmSockets::Watch(int epoll, uint64_t tagBase) const {
  for (size_t i = 0; i < m_Sockets.size(); ++i) {
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.u64 = tagBase + i;
    if (epoll_ctl(epoll, EPOLL_CTL_ADD, m_Sockets[i].m_Fd, &event) != 0) return false;
  }
  return true;
}

size_t CFarmSockets::SharedServerCount() const {
  size_t count = 0;
  for (const Socket &socket : m_Sockets) count += socket.m_ByAddress.size();
  return count;
}

int CFarmSockets::ReadBatch(const Socket &socket) {
  BatchBuffers &buffers = *m_pBuffers;
  for (size_t k = 0; k < kBatch; ++k) {
    buffers.m_Vectors[k] = {buffers.m_Bytes.data() + k * kReadSlot, kReadSlot};
    msghdr &header = buffers.m_Headers[k].msg_hdr;
    header = {};
    header.msg_iov = &buffers.m_Vectors[k];
    header.msg_iovlen = 1;
    header.msg_name = &buffers.m_From[k];
    header.msg_namelen = sizeof(sockaddr_storage);
    if (socket.m_bShared) {
      header.msg_control = buffers.m_Control[k].m_Bytes;
      header.msg_controllen = kControlBytes;
    }
  }
  for (int interrupted = 0;; ++interrupted) {
    const int got = recvmmsg(socket.m_Fd, buffers.m_Headers, kBatch, MSG_DONTWAIT | MSG_TRUNC, nullptr);
    if (got < 0 && errno == EINTR && interrupted < 8) continue;
    return got;
  }
}

void CFarmSockets::Drain(size_t index, const Receive &receive) {
  if (index >= m_Sockets.size()) return;
  const Socket &socket = m_Sockets[index];
  BatchBuffers &buffers = *m_pBuffers;
  for (int round = 0; round < kBatchesPerDrain; ++round) {
    const int got = ReadBatch(socket);
    for (int k = 0; k < got; ++k) {
      const mmsghdr &header = buffers.m_Headers[k];
      NetAddress from;
      if (!NetAddress::FromSockaddr(reinterpret_cast<const sockaddr *>(&buffers.m_From[k]),
                                    header.msg_hdr.msg_namelen, from))
        continue;
      size_t server = socket.m_nServer;
      if (socket.m_bShared) {
        const auto it = socket.m_ByAddress.find(DestinationOf(header.msg_hdr));
        if (it == socket.m_ByAddress.end()) continue;  // an address no server of the farm has
        server = it->second;
      }
      // MSG_TRUNC reports the whole length: the slot's size is passed on for a longer one.
      receive(server,
              std::string_view(buffers.m_Bytes.data() + static_cast<size_t>(k) * kReadSlot,
                               std::min<size_t>(header.msg_len, kReadSlot)),
              from);
    }
    // A short batch shows the socket is empty: no call is spent to learn it.
    if (got < static_cast<int>(kBatch)) return;
  }
}

uint64_t CFarmSockets::Send(const std::vector<FarmSend> &sends) {
  uint64_t failed = 0;
  for (size_t at = 0; at < sends.size();) {
    // A run of datagrams for one socket, one system call for up to a batch of them.
    const size_t socket = m_SocketOf[sends[at].m_nServer];
    size_t count = 1;
    while (count < kBatch && at + count < sends.size() && m_SocketOf[sends[at + count].m_nServer] == socket)
      ++count;
    failed += SendRun(m_Sockets[socket], sends.data() + at, count);
    at += count;
  }
  return failed;
}

uint64_t CFarmSockets::SendRun(const Socket &socket, const FarmSend *sends, size_t count) {
  BatchBuffers &buffers = *m_pBuffers;
  uint64_t failed = 0;
  size_t ready = 0;
  for (size_t i = 0; i < count; ++i) {
    const FarmSend &send = sends[i];
    // Never anywhere but loopback, whatever a request claimed to come from.
    if (!IsLoopbackDestination(send.m_To)) {
      ++failed;
      continue;
    }
    msghdr &header = buffers.m_Headers[ready].msg_hdr;
    header = {};
    header.msg_namelen = send.m_To.ToSockaddr(buffers.m_To[ready]);
    header.msg_name = &buffers.m_To[ready];
    buffers.m_Vectors[ready] = {const_cast<char *>(send.m_Bytes.data()), send.m_Bytes.size()};
    header.msg_iov = &buffers.m_Vectors[ready];
    header.msg_iovlen = 1;
    if (socket.m_bShared) SetSource(header, buffers.m_Control[ready], m_ServerIP[send.m_nServer]);
    ++ready;
  }
  int interrupted = 0;
  for (size_t done = 0; done < ready;) {
    const int sent =
        sendmmsg(socket.m_Fd, buffers.m_Headers + done, static_cast<unsigned>(ready - done), MSG_DONTWAIT);
    if (sent < 0 && errno == EINTR && ++interrupted < 8) continue;
    if (sent <= 0) {
      // The datagram at the front failed (a full buffer, a closed port): the rest are still tried.
      ++failed;
      ++done;
      continue;
    }
    done += static_cast<size_t>(sent);
  }
  return failed;
}
