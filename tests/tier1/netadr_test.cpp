#include "tier1/netadr.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <future>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/spew_capture.h"

namespace {

constexpr const char *kDnsMessage =
    "about to perform blocking dns call from the main thread.  consider refactoring.\n";

// A resolver that knows a few invented names and remembers every name it was asked.
class FakeResolver {
 public:
  static bool Resolve(const char *hostName, uint32 *ipHostOrder) {
    {
      std::lock_guard<std::mutex> lock(s_Mutex);
      s_Calls.emplace_back(hostName);
    }
    if (s_Hook) s_Hook(hostName);
    const auto it = Names().find(hostName);
    if (it == Names().end()) return false;
    *ipHostOrder = it->second;
    return true;
  }
  static std::vector<std::string> Calls() {
    std::lock_guard<std::mutex> lock(s_Mutex);
    return s_Calls;
  }
  static void Reset() {
    std::lock_guard<std::mutex> lock(s_Mutex);
    s_Calls.clear();
    s_Hook = nullptr;
  }
  static const std::map<std::string, uint32> &Names() {
    static const std::map<std::string, uint32> names = [] {
      std::map<std::string, uint32> table;
      table["alpha.test"] = 0x0A010203;  // 10.1.2.3
      table["beta.test"] = 0x0A090807;
      table["1.2.3.4"] = 0x01020304;
      table["256.1.1.1"] = 0x09090909;
      table["outer.test"] = 0x0A0A0A0A;
      table[std::string(255, 'n')] = 0x0A000063;
      for (int i = 0; i < 9; ++i)
        table["host" + std::to_string(i) + ".test"] = 0x0A000000u + static_cast<uint32>(i + 1);
      return table;
    }();
    return names;
  }
  // Runs inside the lookup, e.g. to check that no lock is held meanwhile.
  static inline void (*s_Hook)(const char *hostName) = nullptr;

 private:
  static inline std::mutex s_Mutex;
  static inline std::vector<std::string> s_Calls;
};

class NetAdrTest : public testing::Test {
 protected:
  void SetUp() override {
    FakeResolver::Reset();
    m_PreviousResolver = SetHostNameResolver(&FakeResolver::Resolve);
    FlushHostNameCache();
    Plat_SetClockOverride(true);
  }
  void TearDown() override {
    Plat_SetClockOverride(false);
    FlushHostNameCache();
    SetHostNameResolver(m_PreviousResolver);
    FakeResolver::Reset();
  }

  static std::string Text(const netadr_t &adr, bool onlyBase = false) {
    char buffer[64];
    return adr.ToString(buffer, sizeof(buffer), onlyBase);
  }
  static netadr_t IPv6(std::initializer_list<uint16> groups, uint16 port = 0, uint32 scope = 0) {
    uint8 bytes[16] = {};
    int i = 0;
    for (uint16 group : groups) {
      bytes[i++] = static_cast<uint8>(group >> 8);
      bytes[i++] = static_cast<uint8>(group & 0xff);
    }
    netadr_t adr;
    adr.SetIPv6(bytes, scope);
    adr.SetPort(port);
    return adr;
  }
  static netadr_t Kind(netadrtype_t kind) {
    netadr_t adr;
    adr.SetType(kind);
    return adr;
  }

  HostNameResolverFn m_PreviousResolver = nullptr;
};

TEST_F(NetAdrTest, NullRecordIsAllZeroAndPrintsUnknown) {
  const netadr_t adr;
  static const uint8 kZero[sizeof(netadr_t)] = {};
  EXPECT_EQ(memcmp(&adr, kZero, sizeof(adr)), 0);
  EXPECT_EQ(adr.GetType(), NA_NULL);
  EXPECT_EQ(Text(adr), "unknown");
  SpewCapture spew;
  EXPECT_FALSE(adr.IsValid());
  EXPECT_TRUE(spew.Asserts().empty());
}

TEST_F(NetAdrTest, SetIPKeepsPortAndStoresNativeNumber) {
  netadr_t adr;
  adr.SetPort(27015);
  adr.SetIP(192, 168, 0, 5);
  EXPECT_EQ(adr.GetType(), NA_IP);
  EXPECT_EQ(adr.GetPort(), 27015);
  EXPECT_EQ(adr.GetIP(), 0xC0A80005u);
  uint32 stored;
  memcpy(&stored, adr.ip, sizeof(stored));
  EXPECT_EQ(stored, 0xC0A80005u);
  EXPECT_EQ(Text(netadr_t(0x7F000001, 80)), "127.0.0.1:80");
}

TEST_F(NetAdrTest, GetIPOfIPv6ReportsAndReturnsFirstFourBytes) {
  const netadr_t adr = IPv6({0x2001, 0x0db8, 0, 0, 0, 0, 0, 1});
  uint32 firstFour;
  memcpy(&firstFour, adr.ip, sizeof(firstFour));
  SpewCapture spew;
  EXPECT_EQ(adr.GetIP(), firstFour);
  ASSERT_EQ(spew.Asserts().size(), 1u);
  EXPECT_EQ(spew.Asserts()[0], "Assertion Failed: type != NA_IPV6");
}

TEST_F(NetAdrTest, ParsesNumericForms) {
  struct Case {
    const char *text;
    netadrtype_t type;
    const char *printed;
  };
  const Case cases[] = {
      {"1.2.3.4", NA_IP, "1.2.3.4:0"},
      {"1.2.3.4:27015", NA_IP, "1.2.3.4:27015"},
      {"1.2.3.4:", NA_IP, "1.2.3.4:0"},
      {"255.255.255.255:65535", NA_IP, "255.255.255.255:65535"},
      {"0.0.0.0:0", NA_IP, "0.0.0.0:0"},
      {"1.2.3.4:80 and more", NA_IP, "1.2.3.4:80"},  // text after the last number is ignored
      {"1.2.3.4.5", NA_IP, "1.2.3.4:0"},
      {"1.2.3.+4: 99", NA_IP, "1.2.3.4:99"},  // numbers read as a formatted scan reads them
      {"::1", NA_IPV6, "[::1]:0"},
      {"::", NA_IPV6, "[::]:0"},
      {"1::", NA_IPV6, "[1::]:0"},
      {"[::1]:27015", NA_IPV6, "[::1]:27015"},
      {"::1 port 27015", NA_IPV6, "[::1]:27015"},
      {"::1 PORT\t80  ", NA_IPV6, "[::1]:80"},
      {"::1port80", NA_IPV6, "[::1]:80"},
      {"fe80::1%3", NA_IPV6, "[fe80::1%3]:0"},
      {"1:2:3:4:5:6:7:8#80", NA_IPV6, "[1:2:3:4:5:6:7:8]:80"},
      {"::1.80", NA_IPV6, "[::1]:80"},
      {"::1p80", NA_IPV6, "[::1]:80"},
      {"::1P80", NA_IPV6, "[::1]:80"},
      {"::1:80", NA_IPV6, "[::1:80]:0"},  // unbracketed, ":80" is another group
      {" \t[ fe80::1%7 ] :443", NA_IPV6, "[fe80::1%7]:443"},
      {"[ABCD:ef01::0:0:0]:65535", NA_IPV6, "[abcd:ef01::]:65535"},
      {"[0001:0002:0003:0004:0005:0006:0007:0008]", NA_IPV6, "[1:2:3:4:5:6:7:8]:0"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    netadr_t adr;
    ASSERT_TRUE(adr.SetFromString(c.text));
    EXPECT_EQ(adr.GetType(), c.type);
    EXPECT_EQ(Text(adr), c.printed);
  }
  EXPECT_TRUE(FakeResolver::Calls().empty());
}

TEST_F(NetAdrTest, ParsedIPv6KeepsBytesInNetworkOrderAndScope) {
  netadr_t adr;
  ASSERT_TRUE(adr.SetFromString("[2001:db8::ff%12]:9"));
  const uint8 expected[16] = {0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff};
  EXPECT_EQ(memcmp(adr.GetIPv6Bytes(), expected, 16), 0);
  EXPECT_EQ(adr.GetScope(), 12u);
  EXPECT_EQ(adr.GetPort(), 9);
}

// Text that is neither numeric form ends at the host-name path; with no such name known, the
// answer is false and the record is cleared to kind NA_IP.
TEST_F(NetAdrTest, RejectsMalformedNumericText) {
  const char *const texts[] = {
      "1:2:3:4:5:6:7",      // a group missing
      "1:2:3:4:5:6:7:8:9",  // a ninth group
      "1::2::3",            // a second "::"
      "1:2:3:4::5:6:7:8",   // "::" with eight written groups
      "12345::1",           // five digits in a group
      "::1:",               // a trailing single ":"
      ":1::",               // a leading single ":"
      "::g",                // not hexadecimal
      "::1%",               // scope without digits
      "::1%x",              // scope not decimal
      "::1%4294967296",     // scope above 32 bits
      "fe80::1%3:80",       // scope must end at a blank, "]" or the end
      "[::1",               // unclosed bracket
      "::1]",               // stray bracket
      "::1 #",              // separator without digits
      "::1 # 80",           // digits must follow the separator at once
      "::1#80x",            // only blanks after the port
      "[::1]:65536",        // port above 65535
      "[::1]:99999999999999999999999",
      "::1 prt 80",
  };
  for (const char *text : texts) {
    SCOPED_TRACE(text);
    netadr_t adr = netadr_t(0x01020304, 5);
    EXPECT_FALSE(adr.SetFromString(text));
    EXPECT_EQ(adr.GetType(), NA_IP);
    EXPECT_EQ(adr.GetIP(), 0u);
    EXPECT_EQ(adr.GetPort(), 0);
  }
}

TEST_F(NetAdrTest, EmptyTextFailsAndLeavesRecordAlone) {
  netadr_t adr(0x01020304, 5);
  EXPECT_FALSE(adr.SetFromString(""));
  EXPECT_FALSE(adr.SetFromString(nullptr));
  EXPECT_EQ(Text(adr), "1.2.3.4:5");
  EXPECT_TRUE(FakeResolver::Calls().empty());
}

TEST_F(NetAdrTest, OutOfRangeDottedTextGoesToHostNamePath) {
  netadr_t adr;
  EXPECT_TRUE(adr.SetFromString("256.1.1.1"));
  EXPECT_EQ(Text(adr), "9.9.9.9:0");
  EXPECT_FALSE(adr.SetFromString("1.2.3.-4:80"));
  EXPECT_EQ(FakeResolver::Calls(), (std::vector<std::string>{"256.1.1.1", "1.2.3.-4"}));
}

// A port text that is not a whole number in 0-65535 fails before any lookup, instead of
// wrapping modulo 65536 ("1.2.3.4:70000" must not become 1.2.3.4 port 4464).
TEST_F(NetAdrTest, HostNamePortTextIsRangeChecked) {
  struct Case {
    const char *text;
    bool ok;
    const char *printed;
  };
  const Case cases[] = {
      {"1.2.3.4:70000", false, "0.0.0.0:0"},
      {"1.2.3.4:99999999999999999999", false, "0.0.0.0:0"},
      {"alpha.test:65536", false, "0.0.0.0:0"},
      {"alpha.test:-1", false, "0.0.0.0:0"},
      {"alpha.test:80x", false, "0.0.0.0:0"},
      {"alpha.test: 80", false, "0.0.0.0:0"},
      {"alpha.test:80:81", false, "0.0.0.0:0"},
      {"[::1]:70000", false, "0.0.0.0:0"},
      {":80", false, "0.0.0.0:0"},  // no name at all
      {"alpha.test", true, "10.1.2.3:0"},
      {"alpha.test:", true, "10.1.2.3:0"},
      {"alpha.test:0", true, "10.1.2.3:0"},
      {"alpha.test:65535", true, "10.1.2.3:65535"},
      {"beta.test:027015", true, "10.9.8.7:27015"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    FlushHostNameCache();
    FakeResolver::Reset();
    netadr_t adr;
    EXPECT_EQ(adr.SetFromString(c.text), c.ok);
    EXPECT_EQ(adr.GetType(), NA_IP);
    EXPECT_EQ(Text(adr), c.printed);
    EXPECT_EQ(FakeResolver::Calls().size(), c.ok ? 1u : 0u);
  }
}

TEST_F(NetAdrTest, FailedLookupClearsRecordAndIsNotCached) {
  netadr_t adr(0x01020304, 5);
  EXPECT_FALSE(adr.SetFromString("nowhere.test:27015"));
  EXPECT_EQ(adr.GetType(), NA_IP);
  EXPECT_EQ(adr.GetIP(), 0u);
  EXPECT_EQ(adr.GetPort(), 0);
  EXPECT_FALSE(adr.SetFromString("nowhere.test"));
  EXPECT_EQ(FakeResolver::Calls().size(), 2u);
}

TEST_F(NetAdrTest, HostNameLongerThanCacheEntryIsRefusedNotCut) {
  netadr_t adr;
  const std::string longest(255, 'n');
  EXPECT_TRUE(adr.SetFromString((longest + ":80").c_str()));
  EXPECT_EQ(Text(adr), "10.0.0.99:80");
  EXPECT_FALSE(adr.SetFromString((longest + "n:80").c_str()));
  EXPECT_EQ(FakeResolver::Calls(), std::vector<std::string>{longest});
}

TEST_F(NetAdrTest, NameLookedUpTwiceWithinLifetimeIsResolvedOnce) {
  netadr_t adr;
  ASSERT_TRUE(adr.SetFromString("alpha.test:1"));
  Plat_AdvanceClock(4);
  ASSERT_TRUE(adr.SetFromString("ALPHA.Test:2"));  // names match ignoring case
  EXPECT_EQ(Text(adr), "10.1.2.3:2");
  EXPECT_EQ(FakeResolver::Calls().size(), 1u);

  Plat_AdvanceClock(1);  // five seconds after the lookup the entry has expired
  ASSERT_TRUE(adr.SetFromString("alpha.test"));
  EXPECT_EQ(FakeResolver::Calls().size(), 2u);
}

TEST_F(NetAdrTest, CacheKeepsTheLastEightNames) {
  netadr_t adr;
  for (int i = 0; i < 8; ++i) ASSERT_TRUE(adr.SetFromString(("host" + std::to_string(i) + ".test").c_str()));
  for (int i = 0; i < 8; ++i) ASSERT_TRUE(adr.SetFromString(("host" + std::to_string(i) + ".test").c_str()));
  EXPECT_EQ(FakeResolver::Calls().size(), 8u);

  ASSERT_TRUE(adr.SetFromString("host8.test"));  // takes the slot of host0
  ASSERT_TRUE(adr.SetFromString("host1.test"));
  EXPECT_EQ(FakeResolver::Calls().size(), 9u);
  ASSERT_TRUE(adr.SetFromString("host0.test"));
  EXPECT_EQ(FakeResolver::Calls().size(), 10u);
  EXPECT_EQ(Text(adr), "10.0.0.1:0");
}

TEST_F(NetAdrTest, AnnouncesBlockingLookupOnlyOnMainThread) {
  SpewCapture spew;
  netadr_t adr;
  ASSERT_TRUE(adr.SetFromString("1.2.3.4:80"));
  ASSERT_TRUE(adr.SetFromString("[::1]:80"));
  EXPECT_TRUE(spew.Messages().empty());

  ASSERT_TRUE(adr.SetFromString("alpha.test"));
  EXPECT_EQ(spew.Messages(), std::vector<std::string>{kDnsMessage});

  spew.Clear();
  bool workerOk = false;
  std::thread worker([&] { workerOk = netadr_t().SetFromString("beta.test"); });
  worker.join();
  EXPECT_TRUE(workerOk);
  EXPECT_TRUE(spew.Messages().empty());
}

// A lookup blocks for as long as the name takes; other threads must still reach the cache
// meanwhile, so the lookup runs without the cache lock.
TEST_F(NetAdrTest, LookupRunsWithoutHoldingTheCacheLock) {
  netadr_t adr;
  ASSERT_TRUE(adr.SetFromString("alpha.test"));  // now cached

  static std::future_status s_OtherThread;
  s_OtherThread = std::future_status::deferred;
  FakeResolver::s_Hook = [](const char *hostName) {
    if (strcmp(hostName, "outer.test") != 0) return;
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    std::thread([done] {
      netadr_t other;
      other.SetFromString("alpha.test");
      done->set_value();
    }).detach();
    s_OtherThread = finished.wait_for(std::chrono::seconds(10));
  };
  ASSERT_TRUE(adr.SetFromString("outer.test"));
  EXPECT_EQ(s_OtherThread, std::future_status::ready);
}

TEST_F(NetAdrTest, PrintsEveryKind) {
  struct Case {
    netadr_t adr;
    bool onlyBase;
    const char *printed;
  };
  netadr_t unknownKind;
  unknownKind.type = 9;
  const Case cases[] = {
      {netadr_t(), false, "unknown"},
      {unknownKind, false, "unknown"},
      {Kind(NA_LOOPBACK), false, "loopback"},
      {Kind(NA_BROADCAST), true, "broadcast"},
      {netadr_t(0xC0A80005, 27015), false, "192.168.0.5:27015"},
      {netadr_t(0x0A000001, 0), true, "10.0.0.1"},
      {netadr_t(0xFFFFFFFF, 65535), false, "255.255.255.255:65535"},
      {IPv6({0, 0, 0, 0, 0, 0, 0, 1}, 80), false, "[::1]:80"},
      {IPv6({0, 0, 0, 0, 0, 0, 0, 0}), true, "::"},
      {IPv6({0x2001, 0xdb8, 0, 0, 1, 0, 0, 1}), true, "2001:db8::1:0:0:1"},
      {IPv6({0x2001, 0xdb8, 0, 1, 1, 1, 1, 1}), true, "2001:db8:0:1:1:1:1:1"},
      {IPv6({1, 0, 0, 2, 0, 0, 0, 3}), true, "1:0:0:2::3"},  // the longest run wins
      {IPv6({0, 0, 1, 2, 3, 4, 0, 0}), true, "::1:2:3:4:0:0"},
      {IPv6({1, 2, 3, 4, 5, 6, 7, 0}), true, "1:2:3:4:5:6:7:0"},
      {IPv6({0xABCD, 0x0EF0, 0, 0, 0, 0, 0, 0}), true, "abcd:ef0::"},
      {IPv6({0xfe80, 0, 0, 0, 0, 0, 0, 1}, 80, 7), false, "[fe80::1%7]:80"},
      {IPv6({0xfe80, 0, 0, 0, 0, 0, 0, 1}, 80, 7), true, "fe80::1"},
      {IPv6({0xffff, 0xffff, 0xffff, 0xffff, 0xffff, 0xffff, 0xffff, 0xffff}, 65535, 4294967295u), false,
       "[ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff%4294967295]:65535"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.printed);
    EXPECT_EQ(Text(c.adr, c.onlyBase), c.printed);
  }
}

TEST_F(NetAdrTest, ToStringStaysInsideSmallBuffers) {
  const netadr_t v4(0xC0A80005, 27015);
  const netadr_t v6 = IPv6({0xfe80, 0, 0, 0, 0, 0, 0, 1}, 80, 7);
  for (size_t size = 1; size <= 24; ++size) {
    SCOPED_TRACE(size);
    std::vector<char> buffer(size + 1, '#');
    v4.ToString(buffer.data(), size);
    EXPECT_EQ(std::string(buffer.data()), std::string("192.168.0.5:27015").substr(0, size - 1));
    EXPECT_EQ(buffer[size], '#');
    v6.ToString(buffer.data(), size);
    EXPECT_EQ(std::string(buffer.data()), std::string("[fe80::1%7]:80").substr(0, size - 1));
    EXPECT_EQ(buffer[size], '#');
  }
  char untouched = '#';
  v4.ToString(&untouched, 0);
  EXPECT_EQ(untouched, '#');
}

TEST_F(NetAdrTest, IsValidNeedsAddressAndPort) {
  struct Case {
    netadr_t adr;
    bool valid;
    bool reported;
  };
  const Case cases[] = {
      {netadr_t(), false, false},
      {netadr_t(0x01020304, 27015), true, false},
      {netadr_t(0, 27015), false, false},
      {netadr_t(0x01020304, 0), false, false},
      {IPv6({0, 0, 0, 0, 0, 0, 0, 1}, 1), true, false},
      {IPv6({0, 0, 0, 0, 0, 0, 0, 0}, 1), false, false},
      {IPv6({0, 0, 0, 0, 0, 0, 0, 1}, 0), false, false},
      {Kind(NA_LOOPBACK), false, true},
      {Kind(NA_BROADCAST), false, true},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(Text(c.adr));
    SpewCapture spew;
    EXPECT_EQ(c.adr.IsValid(), c.valid);
    EXPECT_EQ(spew.Asserts(),
              c.reported ? std::vector<std::string>{"Assertion Failed: false"} : std::vector<std::string>{});
  }
}

TEST_F(NetAdrTest, OrdersAddresses) {
  netadr_t nullAtZero;
  netadr_t loopbackAtFive = Kind(NA_LOOPBACK);
  loopbackAtFive.SetPort(5);
  struct Case {
    const char *what;
    netadr_t a, b;
    bool aFirst, bFirst;
  };
  const Case cases[] = {
      {"ports of one address", netadr_t(0x01020304, 1), netadr_t(0x01020304, 2), true, false},
      {"address before port", netadr_t(0x01020304, 9), netadr_t(0x01020305, 1), true, false},
      {"unsigned addresses", netadr_t(0x7FFFFFFF, 1), netadr_t(0x80000000, 1), true, false},
      {"same address and port", netadr_t(0x01020304, 1), netadr_t(0x01020304, 1), false, false},
      {"kind ignored without IPv6", nullAtZero, netadr_t(0, 0), false, false},
      {"IPv4 before IPv6", netadr_t(0xFFFFFFFF, 65535), IPv6({0, 0, 0, 0, 0, 0, 0, 1}), true, false},
      {"loopback before IPv6", loopbackAtFive, IPv6({0}), true, false},
      {"IPv6 bytes unsigned", IPv6({0x7fff}), IPv6({0x8000}), true, false},
      {"IPv6 bytes before port", IPv6({1, 0, 0, 0, 0, 0, 0, 0}, 9), IPv6({1, 0, 0, 0, 0, 0, 0, 1}, 1), true,
       false},
      {"IPv6 port", IPv6({1}, 1), IPv6({1}, 2), true, false},
      {"IPv6 scope ignored", IPv6({1}, 1, 3), IPv6({1}, 1, 4), false, false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(c.a < c.b, c.aFirst);
    EXPECT_EQ(c.b < c.a, c.bFirst);
  }
}

TEST_F(NetAdrTest, ComparesAddresses) {
  struct Case {
    const char *what;
    netadr_t a, b;
    bool same, sameBase;
  };
  const Case cases[] = {
      {"identical", netadr_t(0x01020304, 1), netadr_t(0x01020304, 1), true, true},
      {"other port", netadr_t(0x01020304, 1), netadr_t(0x01020304, 2), false, true},
      {"other address", netadr_t(0x01020304, 1), netadr_t(0x01020305, 1), false, false},
      {"other kind", netadr_t(), netadr_t(0, 0), false, false},
      {"loopbacks", Kind(NA_LOOPBACK), Kind(NA_LOOPBACK), true, true},
      {"IPv6", IPv6({1}, 1), IPv6({1}, 1), true, true},
      {"IPv6 other scope", IPv6({1}, 1, 2), IPv6({1}, 1, 3), false, false},
      {"IPv6 other bytes", IPv6({1}, 1), IPv6({2}, 1), false, false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(c.a.CompareAdr(c.b), c.same);
    EXPECT_EQ(c.a.CompareAdr(c.b, true), c.sameBase);
  }
}

TEST_F(NetAdrTest, ClearReturnsToNullAddress) {
  netadr_t adr = IPv6({1, 2, 3, 4, 5, 6, 7, 8}, 80, 3);
  adr.Clear();
  static const uint8 kZero[sizeof(netadr_t)] = {};
  EXPECT_EQ(memcmp(&adr, kZero, sizeof(adr)), 0);
}

}  // namespace
