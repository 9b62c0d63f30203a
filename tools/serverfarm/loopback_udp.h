// Sockets of the farm and the master: UDP on loopback addresses only, numeric endpoints, the
// bound-address file tests and tools read.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "plexaclient/net/net_address.h"

// "a.b.c.d:port" or "[v6]:port" (numbers only); port 0 only when `allowZeroPort`.
bool ParseEndpoint(std::string_view text, bool allowZeroPort, NetAddress &out);
// 127.0.0.0/8 or ::1.
bool IsLoopbackAddress(const NetAddress &address);

// Where the farm and the master may send: a loopback address with a port.
bool IsLoopbackDestination(const NetAddress &to);
// Receive and send buffers of `bytes`, beyond the system's default ceiling when privileged:
// bursts of requests (a benchmark, a list answer) must not overflow them.
void EnlargeSocketBuffers(int fd, int bytes);
// A non-blocking UDP socket bound to `address` (which must be loopback), with large buffers; -1
// with `error` otherwise. `bound` receives the address the kernel gave (its port when 0 was asked).
int OpenLoopbackSocket(const NetAddress &address, NetAddress &bound, std::string &error);
// Sends one datagram; never to an address outside loopback. False when it was not sent.
bool SendDatagram(int fd, const NetAddress &to, std::string_view bytes);

// Writes `lines` to `path` in one step (a file beside it, then renamed), so a reader sees all or
// nothing.
bool WriteLinesAtomically(const std::string &path, const std::vector<std::string> &lines, std::string &error);

// Milliseconds on the monotonic clock.
int64_t MonotonicMs();
// Raises the soft limit of open descriptors to the hard one; returns the limit now in force.
uint64_t RaiseDescriptorLimit();
