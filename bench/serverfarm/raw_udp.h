// The raw request/reply rate of loopback UDP on this machine, measured in the benchmark's own run
// so its figures can be given as ratios: an echo thread answers every datagram at once.
#pragma once

#include <string>
#include <vector>

#include "plexaclient/net/net_address.h"

struct RawUdpShape {
  size_t requestBytes = 30;
  size_t replyBytes = 200;
  int inFlight = 64;
};

// Round trips per second through an echo thread in this process, `count` requests (bounded by
// `maxSeconds`).
double RawEchoRoundTrips(int count, const RawUdpShape &shape, double maxSeconds);

// Median microseconds of one round trip through the echo thread, one request at a time. Both ends
// wait in poll for their datagram, as a client and a server on their own threads do.
double RawEchoMedianMicroseconds(int count, const RawUdpShape &shape);

// Median microseconds of `request` sent to `server` and its first reply, one at a time; 0 when
// nothing answered.
double RawQueryMedianMicroseconds(const NetAddress &server, const std::string &request, int count);

// Replies per second when `request` goes to every one of `servers` once, `inFlight` at a time,
// from one socket (a reply is only counted, never parsed); `answered` gets how many replied.
double RawQueryRate(const std::vector<NetAddress> &servers, const std::string &request, int inFlight,
                    double maxSeconds, size_t &answered);

double MedianOf(std::vector<double> values);
