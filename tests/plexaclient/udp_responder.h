// Small game servers and masters for tests: UDP endpoints on 127.0.0.1 at ports the kernel picks,
// each answering what its handler returns, after an optional delay, from a thread of its own.
#pragma once

#include <netinet/in.h>

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

class CUdpResponder {
 public:
  struct Reply {
    std::string m_Bytes;
    int m_nDelayMs = 0;
    int m_iFrom = -1;  // the endpoint that sends it; -1: the one asked
  };
  using Handler = std::function<std::vector<Reply>(std::string_view request)>;

  CUdpResponder() = default;
  // Stops and joins the thread.
  ~CUdpResponder();
  CUdpResponder(const CUdpResponder &) = delete;
  CUdpResponder &operator=(const CUdpResponder &) = delete;

  // A new endpoint; returns its index. Add every endpoint before Start.
  int Add(Handler handler);
  uint16_t Port(int index) const { return m_Endpoints[static_cast<size_t>(index)].m_usPort; }
  void Start();

  // Requests the endpoint received.
  int Requests(int index) const;
  // The most requests received and not yet answered at one time, over every endpoint (a request
  // counts until its first reply is sent; requests without a reply do not count).
  int PeakOutstanding() const { return m_nPeakOutstanding; }

 private:
  struct Endpoint {
    int m_Fd = -1;
    uint16_t m_usPort = 0;
    Handler m_Handler;
  };
  struct Pending {
    int64_t m_nDueNs = 0;
    int m_iFrom = 0;
    sockaddr_in m_To{};
    std::string m_Bytes;
    bool m_bFirstOfRequest = false;
  };
  void Run();

  std::vector<Endpoint> m_Endpoints;
  std::thread m_Thread;
  std::atomic<bool> m_bStop{false};
  mutable std::mutex m_Mutex;
  std::map<int, int> m_Requests;
  int m_nOutstanding = 0;
  std::atomic<int> m_nPeakOutstanding{0};
};

// The challenge of a q3 request ("getinfo <challenge>"), or "".
std::string RequestChallenge(std::string_view request);
bool IsRequest(std::string_view request, std::string_view command);
// An info answer: `pairs` as "\key\value..." text after the challenge's pair.
std::string InfoAnswer(const std::string &challenge, const std::string &pairs);
std::string StatusAnswer(const std::string &challenge, const std::string &pairs, const std::string &players);
// A master's list datagram: the header, IPv4 entries of 127.0.0.1 at `ports`, the end marker when `end`.
std::string ListAnswer(const std::vector<uint16_t> &ports, bool end);
