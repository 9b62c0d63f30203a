// The farm's sockets: servers on any free port share one socket and still each hear only what was
// sent to their own address and answer from it; the rest keep sockets of their own.
#include "tools/serverfarm/farm_sockets.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <map>
#include <string>

#include "tools/serverfarm/loopback_udp.h"
#include "tools/serverfarm/server_answers.h"

namespace {

FarmServerSetup ServerSetup(uint32_t ip, uint16_t port) {
  FarmServerSetup setup;
  setup.m_unIP = ip;
  setup.m_usPort = port;
  return setup;
}

constexpr uint32_t kFirst = 0x7F004601u;  // 127.0.70.1
constexpr uint32_t kSecond = 0x7F004602u;
constexpr uint32_t kThird = 0x7F004603u;

// A client on 127.0.0.1 talking to the farm's sockets.
class FarmSocketsTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    m_Client = OpenLoopbackSocket(NetAddress::FromIPv4(0x7F000001u, 0), m_ClientAddress, error);
    ASSERT_GE(m_Client, 0) << error;
    // Two servers sharing, a second server at the first's address (a port of its own), and one
    // at a port of its own asked for.
    NetAddress probe;
    const int taken = OpenLoopbackSocket(NetAddress::FromIPv4(kThird, 0), probe, error);
    ASSERT_GE(taken, 0) << error;
    close(taken);
    m_Setups = {ServerSetup(kFirst, 0), ServerSetup(kSecond, 0), ServerSetup(kFirst, 0),
                ServerSetup(kThird, probe.m_usPort)};
    ASSERT_TRUE(m_Sockets.Open(m_Setups, m_Bound, error)) << error;
  }
  void TearDown() override {
    if (m_Client >= 0) close(m_Client);
  }

  // Every datagram the farm's sockets hold, by server.
  std::multimap<size_t, std::string> DrainAll() {
    std::multimap<size_t, std::string> got;
    for (size_t i = 0; i < m_Sockets.SocketCount(); ++i)
      m_Sockets.Drain(i, [&](size_t server, std::string_view datagram, const NetAddress &from) {
        EXPECT_EQ(from.ToString(), m_ClientAddress.ToString());
        got.emplace(server, std::string(datagram));
      });
    return got;
  }

  // The client's next datagram and where it came from; false after a second without one.
  bool ClientReceives(std::string &bytes, NetAddress &from) {
    pollfd ready{m_Client, POLLIN, 0};
    if (poll(&ready, 1, 1000) != 1) return false;
    char buffer[2048];
    sockaddr_storage source{};
    socklen_t length = sizeof source;
    const ssize_t got =
        recvfrom(m_Client, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr *>(&source), &length);
    if (got < 0) return false;
    bytes.assign(buffer, static_cast<size_t>(got));
    return NetAddress::FromSockaddr(reinterpret_cast<const sockaddr *>(&source), length, from);
  }

  std::vector<FarmServerSetup> m_Setups;
  std::vector<NetAddress> m_Bound;
  CFarmSockets m_Sockets;
  int m_Client = -1;
  NetAddress m_ClientAddress;
};

TEST_F(FarmSocketsTest, ServersOnAnyPortShareOneSocketAtDistinctAddresses) {
  ASSERT_EQ(m_Bound.size(), 4u);
  EXPECT_EQ(m_Bound[0].IPv4(), kFirst);
  EXPECT_EQ(m_Bound[1].IPv4(), kSecond);
  EXPECT_EQ(m_Bound[0].m_usPort, m_Bound[1].m_usPort);
  EXPECT_NE(m_Bound[0].m_usPort, 0);
  EXPECT_EQ(m_Bound[2].IPv4(), kFirst);
  EXPECT_NE(m_Bound[2].m_usPort, m_Bound[0].m_usPort);
  EXPECT_EQ(m_Bound[3].m_usPort, m_Setups[3].m_usPort);
  EXPECT_EQ(m_Sockets.SharedServerCount(), 2u);
  EXPECT_EQ(m_Sockets.SocketCount(), 3u);
}

TEST_F(FarmSocketsTest, EachServerHearsWhatWasSentToItsOwnAddress) {
  const char *const payloads[] = {"zero", "one", "two", "three"};
  for (size_t i = 0; i < m_Bound.size(); ++i) ASSERT_TRUE(SendDatagram(m_Client, m_Bound[i], payloads[i]));
  // An address no server has, at the shared port: heard by the socket, passed to no one.
  ASSERT_TRUE(SendDatagram(m_Client, NetAddress::FromIPv4(0x7F004609u, m_Bound[0].m_usPort), "nobody"));
  const std::multimap<size_t, std::string> got = DrainAll();
  ASSERT_EQ(got.size(), 4u);
  for (size_t i = 0; i < m_Bound.size(); ++i) {
    ASSERT_EQ(got.count(i), 1u) << i;
    EXPECT_EQ(got.find(i)->second, payloads[i]);
  }
}

TEST_F(FarmSocketsTest, AnOversizedDatagramArrivesLongerThanAServerReads) {
  const std::string big(k_nMaxServerDatagram + 500, 'x');
  ASSERT_TRUE(SendDatagram(m_Client, m_Bound[1], big));
  const std::multimap<size_t, std::string> got = DrainAll();
  ASSERT_EQ(got.count(1), 1u);
  EXPECT_EQ(got.find(1)->second.size(), k_nMaxServerDatagram + 1);
}

TEST_F(FarmSocketsTest, AnswersLeaveFromTheirServersAddressAndNeverOffLoopback) {
  std::vector<FarmSend> sends;
  for (size_t server : {1u, 0u, 3u, 2u})
    sends.push_back({server, m_ClientAddress, "from " + std::to_string(server)});
  sends.push_back({0, NetAddress::FromIPv4(0x0A000001u, 27960), "outside"});  // 10.0.0.1
  sends.push_back({1, NetAddress::FromIPv4(0x7F000001u, 0), "no port"});
  EXPECT_EQ(m_Sockets.Send(sends), 2u);
  std::map<std::string, std::string> sourceOf;
  std::string bytes;
  NetAddress from;
  while (sourceOf.size() < 4 && ClientReceives(bytes, from)) sourceOf[bytes] = from.ToString();
  ASSERT_EQ(sourceOf.size(), 4u);
  for (size_t server = 0; server < 4; ++server)
    EXPECT_EQ(sourceOf["from " + std::to_string(server)], m_Bound[server].ToString()) << server;
}

}  // namespace
