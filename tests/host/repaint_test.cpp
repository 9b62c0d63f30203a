// Painting only what changed: a frame with no change paints and shows nothing, each kind of change
// paints its area again, the kept picture matches a full repaint, and the host knows when the next
// thing is due (ticks, posted messages, notices, the client services).
#include <cmath>
#include <limits>

#include "host/app/services_idle.h"
#include "plexa/iclientengine.h"
#include "plexa/iclientmatchmakingservers.h"
#include "plexa/iplexaclientidle.h"
#include "plexa/matchmakingresponses.h"
#include "tests/host/host_fixture.h"
#include "tier1/interface.h"

namespace kguihost {
namespace {

class RepaintTest : public HostTest {
 protected:
  RepaintTest() {
    m_pWindow = MakePanel("Window", 0, 100, 100, 300, 200, Color(40, 60, 80, 255));
    m_pButton = MakePanel("Button", m_pWindow->id, 20, 20, 60, 30, Color(200, 100, 50, 255));
    RunFrames(2);
  }
  // Runs one frame and returns what it painted (empty when nothing).
  CRect PaintedByOneFrame() {
    const uint64 before = Runtime().PaintCount();
    RunFrames(1);
    return Runtime().PaintCount() == before ? CRect{} : Runtime().LastPaintedArea();
  }
  static bool Covers(const CRect &outer, const CRect &inner) {
    return outer.x0 <= inner.x0 && outer.y0 <= inner.y0 && outer.x1 >= inner.x1 && outer.y1 >= inner.y1;
  }

  std::unique_ptr<CProbePanel> m_pWindow;
  std::unique_ptr<CProbePanel> m_pButton;
};

TEST_F(RepaintTest, FramesWithoutChangesPaintNothing) {
  const int paints = m_pButton->paints;
  const uint64 painted = Runtime().PaintCount();
  RunFrames(30);
  EXPECT_EQ(Runtime().PaintCount(), painted);
  EXPECT_EQ(m_pButton->paints, paints);
  EXPECT_FALSE(Runtime().PaintedLastFrame());
  EXPECT_GT(m_pButton->thinks, 30);  // the panels still think every frame
  // The picture stays.
  EXPECT_EQ(Pixel(130, 130), Color(200, 100, 50, 255));
}

TEST_F(RepaintTest, AlwaysPaintPaintsEveryFrameWhole) {
  Runtime().SetAlwaysPaint(true);
  const uint64 painted = Runtime().PaintCount();
  RunFrames(5);
  EXPECT_EQ(Runtime().PaintCount(), painted + 5);
  const CRect &area = Runtime().LastPaintedArea();
  EXPECT_EQ(std::vector<int>({area.x0, area.y0, area.x1, area.y1}),
            std::vector<int>({0, 0, Runtime().Renderer().Wide(), Runtime().Renderer().Tall()}));
}

TEST_F(RepaintTest, EachKindOfChangePaintsItsAreaAgain) {
  CHostPanelInterface &ipanel = Runtime().PanelInterface();
  const CRect button{120, 120, 180, 150};
  struct Case {
    const char *change;
    std::function<void()> make;
    CRect atLeast;  // what the frame must paint again
  };
  const Case cases[] = {
      {"repaint", [&] { ipanel.Repaint(m_pButton->id); }, button},
      {"move", [&] { ipanel.SetPos(m_pButton->id, 30, 40); }, CRect{120, 120, 190, 170}},
      {"size", [&] { ipanel.SetSize(m_pButton->id, 80, 50); }, CRect{130, 140, 210, 190}},
      {"hide", [&] { ipanel.SetVisible(m_pButton->id, false); }, CRect{130, 140, 210, 190}},
      {"show", [&] { ipanel.SetVisible(m_pButton->id, true); }, CRect{130, 140, 210, 190}},
      {"disable", [&] { ipanel.SetEnabled(m_pButton->id, false); }, CRect{130, 140, 210, 190}},
      {"layout", [&] { ipanel.InvalidateLayout(m_pWindow->id, false); }, CRect{100, 100, 400, 300}},
      {"posted message",
       [&] {
         Runtime().KGui().PostMessage(m_pButton->id, new KeyValues("Anything"), kgui::NULL_PANEL, 0.0f);
       },
       CRect{0, 0, 1280, 800}},
      {"input", [&] { Runtime().Input().CursorMoved(5, 5); }, CRect{0, 0, 1280, 800}},
      {"notice", [&] { Runtime().Notifications().ShowNotification(u"Title", u"Text", 1000); },
       CRect{0, 0, 1280, 800}},
      {"moved to front", [&] { ipanel.MoveToBack(m_pButton->id); }, CRect{130, 140, 210, 190}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.change);
    // The previous change is painted and done with.
    PaintedByOneFrame();
    ASSERT_TRUE(PaintedByOneFrame().IsEmpty());
    c.make();
    const CRect painted = PaintedByOneFrame();
    EXPECT_TRUE(Covers(painted, c.atLeast))
        << painted.x0 << "," << painted.y0 << " " << painted.x1 << "," << painted.y1;
  }
}

TEST_F(RepaintTest, RepaintOfOnePanelPaintsOnlyItsArea) {
  auto other = MakePanel("Other", 0, 600, 400, 100, 100, Color(10, 200, 10, 255));
  RunFrames(2);
  const int otherPaints = other->paints;
  Runtime().PanelInterface().Repaint(m_pButton->id);
  const CRect painted = PaintedByOneFrame();
  EXPECT_EQ(std::vector<int>({painted.x0, painted.y0, painted.x1, painted.y1}),
            std::vector<int>({120, 120, 180, 150}));
  EXPECT_EQ(other->paints, otherPaints);  // outside the area: not asked to paint
  // A hidden panel's repaint shows nothing new.
  Runtime().PanelInterface().SetVisible(other->id, false);
  RunFrames(1);
  Runtime().PanelInterface().Repaint(other->id);
  EXPECT_TRUE(PaintedByOneFrame().IsEmpty());
}

TEST_F(RepaintTest, CheckFindsAPanelThatChangesWithoutAskingAndPassesOneThatAsks) {
  Runtime().SetCheckRepaint(true);
  m_pButton->fill = Color(0, 0, 255, 255);  // changed, no repaint asked for
  RunFrames(1);
  EXPECT_EQ(Runtime().StaleFrames(), 1u);
  EXPECT_TRUE(m_Spew.Contains("kept stale pixels at 120,120 (Desktop/Window/Button)"));
  m_pButton->fill = Color(0, 255, 0, 255);
  Runtime().PanelInterface().Repaint(m_pButton->id);
  RunFrames(3);
  EXPECT_EQ(Runtime().StaleFrames(), 1u);
  EXPECT_EQ(Pixel(130, 130), Color(0, 255, 0, 255));
}

TEST_F(RepaintTest, CheckCoversEveryDevicePixelAtAScaleAndReportsLogicalOnes) {
  // At scale 2 the buffer is twice as wide and tall: a panel in the lower right quarter lies beyond
  // the logical size counted in device pixels.
  Runtime().Renderer().SetScale(2.0);
  auto corner = MakePanel("Corner", 0, 900, 700, 50, 50, Color(10, 200, 10, 255));
  Runtime().Invalidate();
  RunFrames(2);
  Runtime().SetCheckRepaint(true);
  corner->fill = Color(250, 0, 0, 255);  // changed, no repaint asked for
  RunFrames(1);
  EXPECT_EQ(Runtime().StaleFrames(), 1u);
  EXPECT_TRUE(m_Spew.Contains("kept stale pixels at 900,700 (Desktop/Corner)"));
}

TEST_F(RepaintTest, PartialRepaintGivesTheSamePixelsAsAFullOne) {
  // Overlapping panels and a popup above the area: each keeps its place in the stack.
  auto popup = MakePopup("Popup", 150, 130, 120, 80, Color(90, 90, 200, 128));
  RunFrames(1);
  Runtime().SetCheckRepaint(true);
  for (int step = 0; step < 6; ++step) {
    m_pButton->fill = Color(30 * step, 100, 50, 255);
    Runtime().PanelInterface().Repaint(m_pButton->id);
    RunFrames(1);
  }
  EXPECT_EQ(Runtime().StaleFrames(), 0u);
}

TEST_F(RepaintTest, NextDueTimeIsTheEarliestTickMessageOrNotice) {
  const double now = Runtime().Now();
  EXPECT_TRUE(std::isinf(Runtime().NextDueTime()));
  Runtime().KGui().AddTickSignal(m_pButton->id, 250);
  EXPECT_NEAR(Runtime().NextDueTime(), now + 0.25, 1e-9);
  Runtime().KGui().PostMessage(m_pWindow->id, new KeyValues("Later"), kgui::NULL_PANEL, 0.1f);
  EXPECT_NEAR(Runtime().NextDueTime(), now + 0.1, 1e-6);
  Runtime().Notifications().ShowNotification(u"T", u"x", 50);
  EXPECT_NEAR(Runtime().NextDueTime(), now + 0.05, 1e-9);
  // A notice that ends is painted away.
  RunFrames(1, 0.06);
  EXPECT_TRUE(Runtime().PaintedLastFrame());
  RunFrames(10, 0.1);
  Runtime().KGui().RemoveTickSignal(m_pButton->id);
  EXPECT_TRUE(std::isinf(Runtime().NextDueTime()));
  // A tick of every frame is always due.
  Runtime().KGui().AddTickSignal(m_pButton->id, 0);
  EXPECT_LE(Runtime().NextDueTime(), Runtime().Now());
}

// A ping the services answer later: open until delivered.
class CPingProbe final : public IPlexaMatchmakingPingResponse {
 public:
  void OnPingAnswered(const ServerRecord &) override { done = true; }
  void OnPingSilent() override { done = true; }
  bool done = false;
};

TEST(ServicesIdle, ReportsWorkWhileARequestIsOpenAndTheNextCheckOtherwise) {
  Plat_SetClockOverride(true, 1000.0);
  CServicesIdle without;
  EXPECT_FALSE(without.Busy(0.0));
  EXPECT_TRUE(std::isinf(without.NextDueTime(0.0)));

  CSysModule *module = LoadModule(BinPath("plexaclient.so").c_str());
  ASSERT_NE(module, nullptr);
  CreateInterfaceFn factory = Sys_GetFactory(module);
  auto *engine = static_cast<IClientEngine *>(factory(CLIENTENGINE_INTERFACE_VERSION, nullptr));
  auto *face = static_cast<IPlexaClientIdle *>(factory(PLEXACLIENTIDLE_INTERFACE_VERSION, nullptr));
  ASSERT_TRUE(engine && face);
  EXPECT_FALSE(face->HasPendingWork());  // not started
  const HPlexaPipe pipe = engine->OpenPipe();
  const HPlexaUser user = engine->AttachGlobalUser(pipe);
  IClientMatchmakingServers *servers =
      engine->GetIClientMatchmakingServers(user, pipe, CLIENTMATCHMAKINGSERVERS_INTERFACE_VERSION);
  ASSERT_NE(servers, nullptr);
  engine->EngineFrame();
  // Found by the host in the loaded module.
  CServicesIdle idle;
  EXPECT_FALSE(idle.Busy(Plat_FloatTime()));
  const double due = idle.NextDueTime(Plat_FloatTime());
  EXPECT_TRUE(std::isfinite(due) && due > Plat_FloatTime() - 1.0) << due;

  CPingProbe ping;
  servers->RequestPing(0x7F000001, 9, &ping);
  EXPECT_TRUE(face->HasPendingWork());
  EXPECT_TRUE(idle.Busy(Plat_FloatTime()));
  for (int frame = 0; frame < 600 && !ping.done; ++frame) {
    Plat_AdvanceClock(0.1);
    engine->EngineFrame();
  }
  EXPECT_TRUE(ping.done);
  EXPECT_FALSE(face->HasPendingWork());
  idle.Forget();
  EXPECT_FALSE(idle.Busy(Plat_FloatTime()));
  engine->DetachUser(pipe, user);
  engine->ClosePipe(pipe);
  engine->EngineShutdown();
  UnloadModule(module);
  Plat_SetClockOverride(false);
}

}  // namespace
}  // namespace kguihost
