// The callback manager's pump against a scripted queue standing in for the services' exports.
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/plexa/callback_mgr.h"
#include "support/spew_capture.h"

namespace {

// The services' side of the queue: messages waiting, the one taken, and call results.
struct FakeQueue {
  struct Message {
    int id;
    std::vector<uint8> payload;
  };
  std::deque<Message> waiting;
  std::vector<uint8> taken;  // payload of the message handed out, as the pump leaves it
  int frees = 0;
  std::vector<std::string> resultFetches;
  bool resultFailed = false;

  template <class T>
  void Push(const T &payload) {
    Message msg{T::k_iCallback, std::vector<uint8>(sizeof(T))};
    memcpy(msg.payload.data(), &payload, sizeof(T));
    waiting.push_back(std::move(msg));
  }
  void PushRaw(int id, std::vector<uint8> payload) { waiting.push_back({id, std::move(payload)}); }
};
FakeQueue *g_pQueue = nullptr;

bool FakeGet(HPlexaPipe, CallbackMsg_t *msg, PlexaAPICall_t *) {
  if (g_pQueue->waiting.empty()) return false;
  g_pQueue->taken = std::move(g_pQueue->waiting.front().payload);
  msg->m_hPlexaUser = 7;
  msg->m_iCallback = g_pQueue->waiting.front().id;
  msg->m_pubParam = g_pQueue->taken.data();
  msg->m_cubParam = static_cast<int32>(g_pQueue->taken.size());
  g_pQueue->waiting.pop_front();
  return true;
}

bool FakeFree(HPlexaPipe) {
  ++g_pQueue->frees;
  return true;
}

bool FakeResult(HPlexaPipe pipe, PlexaAPICall_t call, void *buffer, int size, int expected, bool *failed) {
  g_pQueue->resultFetches.push_back(std::to_string(pipe) + ":" + std::to_string(call) + ":" + std::to_string(size) +
                                    ":" + std::to_string(expected));
  memset(buffer, 0xAB, static_cast<size_t>(size));
  *failed = g_pQueue->resultFailed;
  return true;
}

// A handler that records its runs into a shared log and may act during dispatch.
template <int size, bool gameServer = false>
class Recorder final : public CCallbackImpl<size> {
 public:
  Recorder(std::string name, std::vector<std::string> &log) : m_Name(std::move(name)), m_Log(log) {
    if (gameServer) this->m_nCallbackFlags |= CCallbackBase::k_ECallbackFlagsGameServer;
  }
  ~Recorder() { Plexa_UnregisterCallback(this); }
  using CCallbackBase::Run;
  void Run(void *param) override {
    m_Log.push_back(m_Name);
    m_Seen.assign(static_cast<uint8 *>(param), static_cast<uint8 *>(param) + size);
    if (m_Action) m_Action();
  }
  void Run(void *param, bool ioFailure, PlexaAPICall_t call) override {
    m_Log.push_back(m_Name + (ioFailure ? " failed " : " ok ") + std::to_string(call));
    m_Seen.assign(static_cast<uint8 *>(param), static_cast<uint8 *>(param) + size);
  }
  std::function<void()> m_Action;
  std::vector<uint8> m_Seen;

 private:
  std::string m_Name;
  std::vector<std::string> &m_Log;
};
using Handler502 = Recorder<sizeof(FavoritesListChanged_t)>;
using Handler1001 = Recorder<sizeof(AppInfoChanged_t)>;

class CallbackDispatch : public testing::Test {
 protected:
  void SetUp() override {
    g_pQueue = &m_Queue;
    CCallbackMgr::Get().SetExports(&FakeGet, &FakeFree, &FakeResult);
  }
  void TearDown() override {
    CCallbackMgr::Get().SetExports(nullptr, nullptr, nullptr);
    g_pQueue = nullptr;
  }
  void Pump() { CCallbackMgr::Get().RunCallbacks(3, false); }

  FakeQueue m_Queue;
  std::vector<std::string> m_Log;
};

TEST_F(CallbackDispatch, HandlersOfAnIdRunInRegistrationOrderAndOnlyTheirFlavour) {
  Handler502 first("first", m_Log), second("second", m_Log);
  Recorder<sizeof(FavoritesListChanged_t), true> server("server", m_Log);
  Handler1001 other("other", m_Log);
  Plexa_RegisterCallback(&first, 502);
  Plexa_RegisterCallback(&server, 502);
  Plexa_RegisterCallback(&other, 1001);
  Plexa_RegisterCallback(&second, 502);

  m_Queue.Push(FavoritesListChanged_t{});
  Pump();
  EXPECT_EQ(m_Log, (std::vector<std::string>{"first", "second"}));
  EXPECT_EQ(m_Queue.frees, 1);

  m_Log.clear();
  m_Queue.Push(FavoritesListChanged_t{});
  CCallbackMgr::Get().RunCallbacks(3, true);
  EXPECT_EQ(m_Log, (std::vector<std::string>{"server"}));
}

TEST_F(CallbackDispatch, HandlerMayUnregisterItselfOrTheNextOrRegisterMore) {
  Handler502 a("a", m_Log), b("b", m_Log), c("c", m_Log), late("late", m_Log);
  for (auto *handler : {&a, &b, &c}) Plexa_RegisterCallback(handler, 502);

  // a removes b (the next one, under the cursor): b is not called, c is.
  a.m_Action = [&] { Plexa_UnregisterCallback(&b); };
  m_Queue.Push(FavoritesListChanged_t{});
  Pump();
  EXPECT_EQ(m_Log, (std::vector<std::string>{"a", "c"}));
  EXPECT_FALSE(b.IsRegistered());

  // c (the last) removes itself and adds another: dispatch ends cleanly; the newcomer runs from
  // the next message on.
  m_Log.clear();
  a.m_Action = nullptr;
  c.m_Action = [&] {
    Plexa_UnregisterCallback(&c);
    Plexa_RegisterCallback(&late, 502);
  };
  m_Queue.Push(FavoritesListChanged_t{});
  m_Queue.Push(FavoritesListChanged_t{});
  Pump();
  EXPECT_EQ(m_Log, (std::vector<std::string>{"a", "c", "a", "late"}));
}

TEST_F(CallbackDispatch, PayloadReadsAsZeroAfterDispatchAndUnknownIdsAreConsumed) {
  Handler1001 handler("apps", m_Log);
  Plexa_RegisterCallback(&handler, 1001);
  m_Queue.Push(AppInfoChanged_t{1002});
  m_Queue.PushRaw(4242, {1, 2, 3});
  Pump();
  ASSERT_EQ(handler.m_Seen.size(), 4u);
  AppInfoChanged_t seen{};
  memcpy(&seen, handler.m_Seen.data(), sizeof(seen));
  EXPECT_EQ(seen.m_nAppID, 1002u);
  // The last message taken (id 4242, no handler) was zeroed too and freed like any other.
  EXPECT_EQ(m_Queue.taken, (std::vector<uint8>{0, 0, 0}));
  EXPECT_EQ(m_Queue.frees, 2);
  EXPECT_EQ(m_Log.size(), 1u);
}

TEST_F(CallbackDispatch, RegistrationMistakesLeaveNoDanglingEntry) {
  const size_t before = CCallbackMgr::Get().HandlerCount();
  {
    Handler502 twice("twice", m_Log);
    Plexa_RegisterCallback(&twice, 502);
    Plexa_RegisterCallback(&twice, 502);  // ignored: one entry only
    EXPECT_EQ(CCallbackMgr::Get().HandlerCount(), before + 1);
    m_Queue.Push(FavoritesListChanged_t{});
    Pump();
    EXPECT_EQ(m_Log, (std::vector<std::string>{"twice"}));
  }  // destroyed: its one entry is gone
  EXPECT_EQ(CCallbackMgr::Get().HandlerCount(), before);

  Handler502 never("never", m_Log);
  Plexa_UnregisterCallback(&never);
  EXPECT_EQ(CCallbackMgr::Get().HandlerCount(), before);
  EXPECT_FALSE(never.IsRegistered());
}

TEST_F(CallbackDispatch, HandlerExpectingMoreThanTheMessageCarriesIsSkipped) {
  SpewCapture spew;
  Handler502 big("big", m_Log);
  Plexa_RegisterCallback(&big, 502);
  m_Queue.PushRaw(502, std::vector<uint8>(8, 0xFF));  // 8 bytes where 28 are expected
  Pump();
  EXPECT_TRUE(m_Log.empty());
  EXPECT_TRUE(spew.Contains("handler skipped"));
  EXPECT_EQ(m_Queue.frees, 1);
}

TEST_F(CallbackDispatch, ThrowingHandlerDoesNotStopThePump) {
  Handler502 thrower("thrower", m_Log), after("after", m_Log);
  Plexa_RegisterCallback(&thrower, 502);
  Plexa_RegisterCallback(&after, 502);
  thrower.m_Action = [] { throw std::runtime_error("boom"); };
  m_Queue.Push(FavoritesListChanged_t{});
  m_Queue.Push(FavoritesListChanged_t{});
  Pump();
  EXPECT_EQ(m_Log, (std::vector<std::string>{"thrower", "after", "thrower", "after"}));
}

TEST_F(CallbackDispatch, NestedPumpReturnsAtOnceAndStateIsVisibleDuringDispatch) {
  Handler502 handler("outer", m_Log);
  Plexa_RegisterCallback(&handler, 502);
  HPlexaPipe pipeSeen = 0;
  HPlexaUser userSeen = 0;
  handler.m_Action = [&] {
    pipeSeen = CCallbackMgr::Get().CurrentPipe();
    userSeen = CCallbackMgr::Get().CurrentUser();
    CCallbackMgr::Get().RunCallbacks(3, false);  // must not take the second message here
  };
  m_Queue.Push(FavoritesListChanged_t{});
  m_Queue.Push(FavoritesListChanged_t{});
  Pump();
  EXPECT_EQ(m_Log, (std::vector<std::string>{"outer", "outer"}));
  EXPECT_EQ(pipeSeen, 3);
  EXPECT_EQ(userSeen, 7);
  EXPECT_EQ(CCallbackMgr::Get().CurrentPipe(), 0);
}

TEST_F(CallbackDispatch, WithoutExportsNothingIsTaken) {
  CCallbackMgr::Get().SetExports(nullptr, &FakeFree, &FakeResult);
  m_Queue.Push(FavoritesListChanged_t{});
  Pump();
  EXPECT_EQ(m_Queue.waiting.size(), 1u);
  EXPECT_EQ(m_Queue.frees, 0);
}

TEST_F(CallbackDispatch, CallResultStepRunsEachEntryOnceWithItsOwnBuffer) {
  CCallbackMgr &manager = CCallbackMgr::Get();
  // Binding registers the manager's own call-completed handlers (and re-registering is clean).
  manager.BindCallbackExports(nullptr);
  manager.BindCallbackExports(nullptr);
  manager.SetExports(&FakeGet, &FakeFree, &FakeResult);

  Recorder<12> small("small", m_Log);
  Recorder<40> large("large", m_Log);
  Recorder<12> unrelated("unrelated", m_Log);
  Plexa_RegisterCallResult(&small, 55, 336);
  Plexa_RegisterCallResult(&large, 55, 1234);
  Plexa_RegisterCallResult(&unrelated, 56, 336);
  m_Queue.resultFailed = true;

  m_Queue.Push(PlexaAPICallCompleted_t{55, 336, 12});
  Pump();
  EXPECT_EQ(m_Log, (std::vector<std::string>{"small failed 55", "large failed 55"}));
  EXPECT_EQ(m_Queue.resultFetches, (std::vector<std::string>{"3:55:12:336", "3:55:40:1234"}));
  EXPECT_EQ(large.m_Seen, std::vector<uint8>(40, 0xAB));
  EXPECT_FALSE(small.IsRegistered());
  EXPECT_TRUE(unrelated.IsRegistered());
  EXPECT_EQ(manager.CallResultCount(), 1u);
  Plexa_UnregisterCallResult(&unrelated, 56);
  EXPECT_EQ(manager.CallResultCount(), 0u);
}

// An owner with a named handler member, as pages and dialogs declare them.
class CFavoritesOwner {
 public:
  int m_nAdded = 0;
  uint32 m_nLastIP = 0;

 private:
  PLEXA_CALLBACK(CFavoritesOwner, OnFavoritesMsg, FavoritesListChanged_t, m_CallbackFavoritesMsg) {
    ++m_nAdded;
    m_nLastIP = pParam->m_nIP;
  }
};

// A CCallback bound to a member operation.
class CAppsOwner {
 public:
  CAppsOwner() : m_Callback(this, &CAppsOwner::OnAppDataChanged) {}
  void OnAppDataChanged(AppInfoChanged_t *info) { m_Apps.push_back(info->m_nAppID); }
  std::vector<AppId_t> m_Apps;
  CCallback<CAppsOwner, AppInfoChanged_t> m_Callback;
};

TEST_F(CallbackDispatch, OwnersRegisterForTheirLifetime) {
  const size_t before = CCallbackMgr::Get().HandlerCount();
  {
    CFavoritesOwner favorites;
    CAppsOwner apps;
    EXPECT_EQ(CCallbackMgr::Get().HandlerCount(), before + 2);
    FavoritesListChanged_t change{};
    change.m_nIP = 0x0A000005;
    m_Queue.Push(change);
    m_Queue.Push(AppInfoChanged_t{1200});
    Pump();
    EXPECT_EQ(favorites.m_nAdded, 1);
    EXPECT_EQ(favorites.m_nLastIP, 0x0A000005u);
    EXPECT_EQ(apps.m_Apps, (std::vector<AppId_t>{1200}));
  }
  EXPECT_EQ(CCallbackMgr::Get().HandlerCount(), before);
}

}  // namespace
