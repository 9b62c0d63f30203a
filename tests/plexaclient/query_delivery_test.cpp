// Delivery of ping answers from the queue of finished queries: request order whatever order they
// finished in, the frame budget, and responses that abort or ask during delivery.
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "plexa/client_api.h"
#include "plexa/iclientmatchmakingservers.h"
#include "plexa_fixture.h"

namespace {

// Eight servers 10.7.0.1-8; the later one is asked, the sooner it answers.
std::string Servers(const char *settings) {
  std::string world = std::string("\"settings\" { ") + settings + " }\n\"servers\" {";
  for (int i = 0; i < 8; ++i)
    world += " \"server\" { \"address\" \"10.7.0." + std::to_string(i + 1) + ":27015\" \"name\" \"S" +
             std::to_string(i) + "\" \"latency\" \"" + std::to_string(80 - 10 * i) + "\" }";
  return world + " }";
}

// Logs "<tag> answered|silent" into a log shared by every ping, then runs its action.
class CLoggedPing final : public IPlexaMatchmakingPingResponse {
 public:
  CLoggedPing(std::vector<std::string> &log, std::string tag) : m_Log(log), m_Tag(std::move(tag)) {}
  void OnPingAnswered(const ServerRecord &) override { Log("answered"); }
  void OnPingSilent() override { Log("silent"); }
  std::function<void()> m_Action;

 private:
  void Log(const char *what) {
    m_Log.push_back(m_Tag + " " + what);
    if (m_Action) m_Action();
  }
  std::vector<std::string> &m_Log;
  std::string m_Tag;
};

class QueryDelivery : public PlexaWorldTest {
 protected:
  void BindServers(const char *settings) {
    Bind(Servers(settings));
    m_pServers = ClientMatchmakingServers();
    ASSERT_NE(m_pServers, nullptr);
  }
  ServerQueryHandle Ping(CLoggedPing &response, int server) {
    return m_pServers->RequestPing(0x0A070001u + static_cast<uint32>(server), 27015, &response);
  }

  IClientMatchmakingServers *m_pServers = nullptr;
  std::vector<std::string> m_Log;
};

TEST_F(QueryDelivery, AnswersDueTogetherComeInRequestOrderAcrossFrameBudgets) {
  BindServers("\"framebudgetus\" \"2000\"");
  std::vector<std::unique_ptr<CLoggedPing>> pings;
  for (int i = 0; i < 8; ++i) {
    pings.push_back(std::make_unique<CLoggedPing>(m_Log, "S" + std::to_string(i)));
    // Each answer costs the caller a millisecond: a 2 ms budget lets at most three through a frame.
    pings.back()->m_Action = [] {
      const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1);
      while (std::chrono::steady_clock::now() < until) {
      }
    };
    Ping(*pings.back(), i);
  }
  Frame(1.0);  // every answer is due: the last asked finished first
  size_t before = m_Log.size();
  EXPECT_LE(before, 3u);
  int frames = 1;
  for (; m_Log.size() < 8 && frames < 100; ++frames) {
    Frame();
    EXPECT_LE(m_Log.size() - before, 3u);
    before = m_Log.size();
  }
  EXPECT_GE(frames, 3);
  std::vector<std::string> expected;
  for (int i = 0; i < 8; ++i) expected.push_back("S" + std::to_string(i) + " answered");
  EXPECT_EQ(m_Log, expected);
  EXPECT_EQ(ServicesControl()->GetOpenRequestCount(), 0);
}

TEST_F(QueryDelivery, ResponsesAbortAndAskDuringDelivery) {
  // A budget no frame spends, however slow the machine.
  BindServers("\"silenttimeout\" \"1500\" \"framebudgetus\" \"60000000\"");
  CLoggedPing first(m_Log, "first"), aborted(m_Log, "aborted"), last(m_Log, "last"), later(m_Log, "later");
  Ping(first, 0);
  const ServerQueryHandle abortedQuery = Ping(aborted, 7);
  Ping(last, 7);
  // The first answer aborts a query already finished and asks a new one, which is not delivered in
  // the same frame even though its server answers at once on the test clock.
  first.m_Action = [&] {
    m_pServers->AbortServerRequest(abortedQuery);
    Ping(later, 7);
  };
  Frame(1.0);
  EXPECT_EQ(m_Log, (std::vector<std::string>{"first answered", "last answered"}));
  Frame(1.0);
  EXPECT_EQ(m_Log, (std::vector<std::string>{"first answered", "last answered", "later answered"}));
  Frame(1.0);
  EXPECT_EQ(m_Log.size(), 3u);
  EXPECT_EQ(ServicesControl()->GetOpenRequestCount(), 0);
}

}  // namespace
