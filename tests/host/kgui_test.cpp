// IKGui of the host: the message queue, ticks, weak handles and deletion at a safe point.
#include "tests/host/host_fixture.h"

namespace kguihost {
namespace {

class KGuiTest : public HostTest {
 protected:
  void Post(CProbePanel &panel, const char *name, float delay) {
    Runtime().KGui().PostMessage(panel.id, new KeyValues("Step", "name", name), kgui::NULL_PANEL, delay);
  }
};

TEST(MessageQueue, TakesByDueTimeThenPostingOrderWithinTheSequenceLimit) {
  CMessageQueue queue;
  const struct {
    const char *name;
    double due;
  } posts[] = {{"c", 3.0}, {"a", 1.0}, {"b1", 2.0}, {"b2", 2.0}, {"later", 9.0}};
  for (const auto &post : posts) queue.Post(1, new KeyValues(post.name), 0, post.due);
  uint64 limit = queue.NextSequence();
  queue.Post(1, new KeyValues("posted-late"), 0, 0.5);

  std::vector<std::string> order;
  CQueuedMessage message;
  while (queue.TakeDue(5.0, limit, message)) {
    order.push_back(message.message->GetName());
    message.message->Destroy();
  }
  EXPECT_EQ(order, (std::vector<std::string>{"a", "b1", "b2", "c"}));
  EXPECT_EQ(queue.Size(), 2u);  // "posted-late" waits for the next round, "later" for its time
}

TEST_F(KGuiTest, DelayedMessagesArriveInDueTimeOrderOnlyOnceDue) {
  auto panel = MakePanel("Target", 0, 0, 0, 10, 10);
  Post(*panel, "late", 0.30f);
  Post(*panel, "first", 0.10f);
  Post(*panel, "middle", 0.20f);
  Post(*panel, "middle2", 0.20f);
  Post(*panel, "now", 0.0f);

  Runtime().RunFrame();
  EXPECT_EQ(panel->Logged("Step"), (std::vector<std::string>{"Step now"}));
  Plat_AdvanceClock(0.15);
  Runtime().RunFrame();
  EXPECT_EQ(panel->Logged("Step").size(), 2u);
  Plat_AdvanceClock(0.5);
  Runtime().RunFrame();
  EXPECT_EQ(panel->Logged("Step"),
            (std::vector<std::string>{"Step now", "Step first", "Step middle", "Step middle2", "Step late"}));
}

TEST_F(KGuiTest, ChainedPostsRunWithinAFrameButASelfRepostingPanelCannotHoldIt) {
  auto chain = MakePanel("Chain", 0, 0, 0, 10, 10);
  auto loop = MakePanel("Loop", 0, 0, 0, 10, 10);
  chain->onMessage = [&](KeyValues *message) {
    if (std::string(message->GetString("name")) == "one") Post(*chain, "two", 0.0f);
  };
  loop->onMessage = [&](KeyValues *) { Post(*loop, "again", 0.0f); };
  Post(*chain, "one", 0.0f);
  Post(*loop, "again", 0.0f);

  Runtime().RunFrame();
  EXPECT_EQ(chain->Logged("Step"), (std::vector<std::string>{"Step one", "Step two"}));
  size_t firstFrame = loop->Logged("Step").size();
  EXPECT_GT(firstFrame, 1u);
  EXPECT_LT(firstFrame, 100u);
  Runtime().RunFrame();
  EXPECT_GT(loop->Logged("Step").size(), firstFrame);
}

TEST_F(KGuiTest, MessagesForPanelsThatAreGoneAreDroppedUnread) {
  auto panel = MakePanel("Target", 0, 0, 0, 10, 10);
  Post(*panel, "lost", 0.1f);
  kgui::VPANEL id = panel->id;
  panel.reset();
  Runtime().KGui().PostMessage(id, new KeyValues("Step"), kgui::NULL_PANEL, 0.0f);
  RunFrames(20);
  EXPECT_EQ(Runtime().Messages().Size(), 0u);  // destroyed, not leaked (the sanitizer checks)
}

TEST_F(KGuiTest, TickEvery250MillisecondsArrivesFourTimesASecond) {
  auto ticker = MakePanel("Ticker", 0, 0, 0, 10, 10);
  auto everyFrame = MakePanel("EveryFrame", 0, 0, 0, 10, 10);
  Runtime().KGui().AddTickSignal(ticker->id, 250);
  Runtime().KGui().AddTickSignal(everyFrame->id, 0);

  RunFrames(60);  // one second at 60 frames a second
  EXPECT_EQ(ticker->Logged("Tick").size(), 4u);
  EXPECT_EQ(everyFrame->Logged("Tick").size(), 60u);
  RunFrames(180);
  EXPECT_EQ(ticker->Logged("Tick").size(), 16u);
}

TEST_F(KGuiTest, TicksChangeIntervalStopAndNeverBurstAfterAStall) {
  auto ticker = MakePanel("Ticker", 0, 0, 0, 10, 10);
  Runtime().KGui().AddTickSignal(ticker->id, 100);
  Runtime().KGui().AddTickSignal(ticker->id, 500);  // a second call changes the interval
  RunFrames(60);
  EXPECT_EQ(ticker->Logged("Tick").size(), 2u);

  Plat_AdvanceClock(10.0);  // a long stall gives one tick, not twenty
  RunFrames(1);
  EXPECT_EQ(ticker->Logged("Tick").size(), 3u);

  Runtime().KGui().RemoveTickSignal(ticker->id);
  RunFrames(60);
  EXPECT_EQ(ticker->Logged("Tick").size(), 3u);
}

TEST_F(KGuiTest, DeletedPanelsHandleReadsNullAndIdsAreNeverReused) {
  auto panel = MakePanel("Doomed", 0, 0, 0, 10, 10);
  auto child = MakePanel("Child", panel->id, 0, 0, 5, 5);
  kgui::HPanel handle = Runtime().KGui().PanelToHandle(panel->id);
  EXPECT_EQ(Runtime().KGui().HandleToPanel(handle), panel->id);

  Runtime().KGui().MarkPanelForDeletion(panel->id);
  Runtime().KGui().MarkPanelForDeletion(panel->id);
  EXPECT_EQ(Runtime().KGui().HandleToPanel(handle), panel->id);  // deleted only at the safe point
  Runtime().RunFrame();
  EXPECT_EQ(panel->deletes, 1);
  EXPECT_EQ(Runtime().KGui().HandleToPanel(handle), kgui::NULL_PANEL);
  EXPECT_EQ(Runtime().PanelInterface().GetParent(child->id), kgui::NULL_PANEL);

  auto next = MakePanel("Next", 0, 0, 0, 10, 10);
  EXPECT_GT(next->id, child->id);
  EXPECT_EQ(Runtime().KGui().HandleToPanel(kgui::INVALID_PANEL_HANDLE), kgui::NULL_PANEL);
  EXPECT_EQ(Runtime().KGui().PanelToHandle(panel->id), kgui::INVALID_PANEL_HANDLE);
}

TEST_F(KGuiTest, PanelMarkedDuringItsOwnMessageOutlivesTheCall) {
  auto panel = MakePanel("SelfDeleting", 0, 0, 0, 10, 10);
  bool aliveInHandler = false;
  panel->onMessage = [&](KeyValues *) {
    Runtime().KGui().MarkPanelForDeletion(panel->id);
    aliveInHandler = Runtime().Panels().Find(panel->id) != nullptr;
  };
  Post(*panel, "close", 0.0f);
  Runtime().RunFrame();
  EXPECT_TRUE(aliveInHandler);
  EXPECT_TRUE(panel->freed);
}

TEST_F(KGuiTest, ShutdownDeletesEveryPanelAndDeletionIsImmediateAfterwards) {
  auto window = MakePopup("Window", 10, 10, 100, 100);
  auto child = MakePanel("Child", window->id, 0, 0, 10, 10);
  auto orphan = std::make_unique<CProbePanel>(Runtime(), "Orphan");
  Post(*window, "pending", 5.0f);

  Runtime().Shutdown();
  EXPECT_FALSE(Runtime().KGui().IsRunning());
  EXPECT_TRUE(window->freed && child->freed && orphan->freed);
  EXPECT_EQ(Runtime().Messages().Size(), 0u);

  CProbePanel late(Runtime(), "Late");
  Runtime().KGui().MarkPanelForDeletion(late.id);
  EXPECT_TRUE(late.freed);
}

TEST_F(KGuiTest, ProviderAnswersEveryRuntimeInterfaceByVersionName) {
  InterfaceProvider &provider = Runtime().Provider();
  for (const char *name : {"KGUI_ikgui007", "KGUI_Panel010", "KGUI_Surface039", "KGUI_Scheme010", "KGUI_System010",
                           "KGUI_Input005", "KGUI_Localize003", "KGUI_NotificationManager002", "KFileSystem013"}) {
    EXPECT_NE(provider.QueryInterface(name), nullptr) << name;
    int code = -1;
    EXPECT_NE(CKGuiRuntime::Factory(name, &code), nullptr) << name;
    EXPECT_EQ(code, IFACE_OK);
  }
  EXPECT_EQ(provider.QueryInterface("RunGameEngine007"), nullptr);  // until the host sets one
  EXPECT_EQ(provider.QueryInterface("KGUI_ikgui006"), nullptr);
  EXPECT_EQ(provider.QueryInterface(nullptr), nullptr);
  int code = -1;
  EXPECT_EQ(CKGuiRuntime::Factory("nothing", &code), nullptr);
  EXPECT_EQ(code, IFACE_FAILED);
}

}  // namespace
}  // namespace kguihost
