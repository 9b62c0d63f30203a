// The animation controller: values over time, delays, interpolation, replacing and cancelling.
#include <cmath>

#include "kgui_controls/AnimationController.h"
#include "kgui_controls/Frame.h"
#include "kgui_controls/Panel.h"
#include "kgui_controls/controls.h"
#include "support/toolkit_fixture.h"

using kgui::AnimationController;
using kgui::GetAnimationController;

namespace {

class AnimationTest : public ToolkitTest {
 protected:
  AnimationTest() { m_pPanel = new kgui::Panel(nullptr, "panel"); }
  ~AnimationTest() override {
    delete m_pPanel;
    GetAnimationController()->Clear();
  }
  void UpdateAfter(double seconds) {
    Plat_AdvanceClock(seconds);
    GetAnimationController()->UpdateAnimations(kgui::system()->GetCurrentTime());
  }
  kgui::Panel *m_pPanel;
};

TEST_F(AnimationTest, MovesPositionAndAlphaLinearlyAfterTheDelay) {
  m_pPanel->SetPos(0, 0);
  AnimationController *controller = GetAnimationController();
  ASSERT_TRUE(controller->RunAnimationCommand(m_pPanel, "xpos", 100.0f, 0.5f, 1.0f));
  ASSERT_TRUE(controller->RunAnimationCommand(m_pPanel, "alpha", 0.0f, 0.0f, 1.0f));
  UpdateAfter(0.25);
  EXPECT_EQ(m_pPanel->GetXPos(), 0);  // still waiting
  EXPECT_EQ(m_pPanel->GetAlpha(), 191);
  UpdateAfter(0.75);
  EXPECT_EQ(m_pPanel->GetXPos(), 50);
  EXPECT_EQ(m_pPanel->GetAlpha(), 0);
  // Advancing to the same time again changes nothing.
  GetAnimationController()->UpdateAnimations(kgui::system()->GetCurrentTime());
  EXPECT_EQ(m_pPanel->GetXPos(), 50);
  UpdateAfter(1.0);
  EXPECT_EQ(m_pPanel->GetXPos(), 100);
  EXPECT_EQ(controller->GetActiveAnimationCount(), 0);
}

TEST_F(AnimationTest, InterpolatorsShapeTheMiddle) {
  struct Case {
    AnimationController::Interpolator interpolator;
    int halfway;
  };
  const Case cases[] = {{AnimationController::INTERPOLATOR_LINEAR, 50},
                        {AnimationController::INTERPOLATOR_ACCEL, 25},
                        {AnimationController::INTERPOLATOR_DEACCEL, 75},
                        {AnimationController::INTERPOLATOR_SIMPLESPLINE, 50}};
  for (const Case &c : cases) {
    m_pPanel->SetSize(0, 10);
    GetAnimationController()->RunAnimationCommand(m_pPanel, "wide", 100.0f, 0.0f, 1.0f, c.interpolator);
    UpdateAfter(0.5);
    EXPECT_EQ(m_pPanel->GetWide(), c.halfway) << c.interpolator;
    UpdateAfter(0.5);
    EXPECT_EQ(m_pPanel->GetWide(), 100);
  }
}

TEST_F(AnimationTest, ColoursAndClassVariablesAnimate) {
  m_pPanel->SetBgColor(Color(0, 0, 0, 0));
  GetAnimationController()->RunAnimationCommand(m_pPanel, "BgColor", Color(200, 100, 50, 255), 0.0f, 1.0f);
  UpdateAfter(0.5);
  EXPECT_EQ(m_pPanel->GetBgColor(), Color(100, 50, 25, 128));

  kgui::Frame frame(nullptr, "frame");
  frame.SetTransitionEffectTime(0.0f);
  ASSERT_TRUE(
      GetAnimationController()->RunAnimationCommand(&frame, "TransitionEffectTime", 1.0f, 0.0f, 1.0f));
  UpdateAfter(0.5);
  float value[4];
  bool isColor = false;
  AnimationController::GetValue(&frame, "TransitionEffectTime", value, isColor);
  EXPECT_FLOAT_EQ(value[0], 0.5f);
  EXPECT_FALSE(GetAnimationController()->RunAnimationCommand(&frame, "NoSuchVariable", 1.0f, 0.0f, 1.0f));
}

TEST_F(AnimationTest, NewCommandReplacesTheRunningOneAndDeletedPanelsDropOut) {
  m_pPanel->SetPos(0, 0);
  GetAnimationController()->RunAnimationCommand(m_pPanel, "ypos", 100.0f, 0.0f, 1.0f);
  UpdateAfter(0.5);
  GetAnimationController()->RunAnimationCommand(m_pPanel, "YPOS", 0.0f, 0.0f, 1.0f);
  EXPECT_EQ(GetAnimationController()->GetActiveAnimationCount(), 1);
  UpdateAfter(0.5);
  EXPECT_EQ(m_pPanel->GetYPos(), 25);
  GetAnimationController()->CancelAnimationsForPanel(m_pPanel);
  EXPECT_FALSE(GetAnimationController()->IsAnimating(m_pPanel, "ypos"));

  auto *doomed = new kgui::Panel(nullptr, "doomed");
  GetAnimationController()->RunAnimationCommand(doomed, "alpha", 0.0f, 0.0f, 1.0f);
  delete doomed;
  UpdateAfter(0.1);
  EXPECT_EQ(GetAnimationController()->GetActiveAnimationCount(), 0);
}

}  // namespace
