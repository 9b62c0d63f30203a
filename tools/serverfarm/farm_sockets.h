// The farm's sockets. Servers that asked for any free port (port 0) on distinct IPv4 loopback
// addresses share one socket bound to a free port on the loopback device only: it hears every
// 127.0.0.0/8 address at that port, tells servers apart by the address a datagram was sent to,
// and answers from that address. Reads and sends then go by batches of many servers at once,
// which is what lets one process stand in for thousands of servers. Servers at a given port, or
// where the system refuses the shared socket, each have a socket of their own.
#pragma once

#include <sys/socket.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "plexaclient/net/net_address.h"
#include "tools/serverfarm/farm_world.h"
#include "tools/serverfarm/server_farm.h"

class CFarmSockets {
 public:
  CFarmSockets();
  ~CFarmSockets();
  CFarmSockets(const CFarmSockets &) = delete;
  CFarmSockets &operator=(const CFarmSockets &) = delete;

  // Binds every server; `bound` gets each server's address in the order of `setups`. False with
  // `error` when a server cannot be bound (its address is taken, not loopback, ...).
  bool Open(const std::vector<FarmServerSetup> &setups, std::vector<NetAddress> &bound, std::string &error);
  // Registers every socket with `epoll`; an event's data is `tagBase` plus the socket's index.
  bool Watch(int epoll, uint64_t tagBase) const;
  size_t SocketCount() const { return m_Sockets.size(); }
  // How many servers answer on a socket they share with others.
  size_t SharedServerCount() const;

  using Receive = std::function<void(size_t server, std::string_view datagram, const NetAddress &from)>;
  // Reads what socket `index` holds, a bounded number of batches so one flood cannot starve the
  // other sockets, and passes each datagram with its server. A datagram longer than the servers
  // read arrives cut to one byte more than they read, so they see it is too long.
  void Drain(size_t index, const Receive &receive);
  // Sends each datagram from its server's address; returns how many could not be sent.
  uint64_t Send(const std::vector<FarmSend> &sends);

 private:
  struct BatchBuffers;
  struct Socket {
    int m_Fd = -1;
    bool m_bShared = false;
    size_t m_nServer = 0;                              // when not shared
    std::unordered_map<uint32_t, size_t> m_ByAddress;  // when shared: host-order IPv4 -> server
  };

  bool OpenShared(const std::vector<FarmServerSetup> &setups, std::vector<NetAddress> &bound,
                  std::vector<bool> &placed);
  bool OpenOwn(size_t server, const FarmServerSetup &setup, std::vector<NetAddress> &bound,
               std::string &error);
  int ReadBatch(const Socket &socket);
  uint64_t SendRun(const Socket &socket, const FarmSend *sends, size_t count);

  std::unique_ptr<BatchBuffers> m_pBuffers;  // one batch's, reused by every read and send
  std::vector<Socket> m_Sockets;
  std::vector<size_t> m_SocketOf;    // server -> socket
  std::vector<uint32_t> m_ServerIP;  // server -> host-order IPv4 (shared sockets answer from it)
};
