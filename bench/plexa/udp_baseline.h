// Round trips over loopback without the services, as the floor the client is measured against:
// an echo in this process (the machine's raw request/reply rate) and a bare info client asking
// real servers (what any client could get from the same servers).
#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <vector>

#include "plexaclient/net/net_address.h"

struct RoundTrips {
  int m_nSent = 0;
  int m_nAnswered = 0;
  double m_flSeconds = 0.0;
  size_t m_nReplyBytes = 0;     // the last answer's size
  std::vector<double> m_RttUs;  // one per answer, in the order they came

  double Rate() const { return m_flSeconds > 0.0 ? m_nAnswered / m_flSeconds : 0.0; }
  double MedianUs() const;
};

// Set from a signal handler: every loop here ends soon after.
extern std::atomic<bool> g_bBenchStop;

// A responder thread (batched reads and writes, so it costs little beside the client) answers
// `count` requests of `requestBytes` with `replyBytes`; the client is one non-blocking socket on
// epoll keeping `inFlight` outstanding, one sendto/recv per datagram. Lost requests are given up
// after 200 ms.
RoundTrips EchoRoundTrips(int count, int inFlight, size_t requestBytes, size_t replyBytes, double maxSeconds);

// The same client sending `getinfo <challenge>` to each of `servers` in turn (an address may repeat
// when `inFlight` is 1) and matching answers by their challenge, parsing nothing else.
RoundTrips InfoRoundTrips(const std::vector<NetAddress> &servers, int inFlight, double maxSeconds);
