// Scroll bars: value limits, arrow buttons, the track, dragging the thumb and the wheel.
#include <vector>

#include "kgui_controls/Button.h"
#include "kgui_controls/EditablePanel.h"
#include "kgui_controls/ScrollBar.h"
#include "kgui_controls/ScrollBarSlider.h"
#include "kgui_controls/controls.h"
#include "support/toolkit_fixture.h"
#include "tier1/KeyValues.h"

using kgui::ScrollBar;

namespace {

class ScrollBarTest : public ToolkitTest {
 protected:
  ScrollBarTest() {
    m_pOwner = new kgui::EditablePanel(nullptr, "Owner");
    m_pOwner->SetParent(Runtime().Desktop());
    m_pOwner->SetBounds(0, 0, 300, 300);
    m_pBar = new ScrollBar(m_pOwner, "Bar", true);
    m_pBar->SetBounds(100, 0, 16, 216);  // arrows 16 high, a track of 184
    m_pBar->SetRange(0, 100);
    m_pBar->SetRangeWindow(25);
    Runtime().RunFrame();
    Positions();
  }
  ~ScrollBarTest() override { delete m_pOwner; }
  // The "position" of each "ScrollBarSliderMoved" the owner was told about.
  std::vector<int> Positions() {
    std::vector<int> positions;
    for (KeyValues *message : Runtime().TakeMessagesFor(m_pOwner->GetVPanel())) {
      if (!strcmp(message->GetName(), "ScrollBarSliderMoved"))
        positions.push_back(message->GetInt("position"));
      message->Destroy();
    }
    return positions;
  }

  kgui::EditablePanel *m_pOwner;
  ScrollBar *m_pBar;
};

TEST_F(ScrollBarTest, ValueStaysWithinTheRangeLessTheWindow) {
  m_pBar->SetValue(90);
  EXPECT_EQ(m_pBar->GetValue(), 75);
  m_pBar->SetValue(-4);
  EXPECT_EQ(m_pBar->GetValue(), 0);
  m_pBar->SetValue(0);  // unchanged: no message
  EXPECT_EQ(Positions(), (std::vector<int>{75, 0}));
  m_pBar->SetRangeWindow(200);
  EXPECT_FALSE(m_pBar->IsSliderVisible());
}

TEST_F(ScrollBarTest, ArrowButtonsStepTheValue) {
  m_pBar->SetButtonPressedScrollValue(5);
  Runtime().Click(m_pBar->GetButton(1));
  Runtime().DeliverMessages();
  Runtime().Click(m_pBar->GetButton(1));
  Runtime().DeliverMessages();
  Runtime().Click(m_pBar->GetButton(0));
  Runtime().DeliverMessages();
  EXPECT_EQ(m_pBar->GetValue(), 5);
}

TEST_F(ScrollBarTest, TrackClicksPageAndTheThumbDrags) {
  kgui::ScrollBarSlider *slider = m_pBar->GetSlider();
  int start = 0, end = 0;
  slider->GetNobPos(start, end);
  EXPECT_EQ(start, 0);
  EXPECT_EQ(end, 46);                // a quarter of the track
  Runtime().ClickAt(108, 16 + 150);  // below the thumb: one page down
  EXPECT_EQ(m_pBar->GetValue(), 25);
  Runtime().ClickAt(108, 16 + 2);  // above it: one page up
  EXPECT_EQ(m_pBar->GetValue(), 0);
  // Drag the thumb down by half the free travel (138 / 2 pixels).
  Runtime().MoveCursorTo(108, 16 + 10);
  KeyValuesAD press(new KeyValues("MousePressed", "code", kgui::MOUSE_LEFT));
  kgui::ipanel()->SendMessage(slider->GetVPanel(), press.get(), 0);
  Runtime().MoveCursorTo(108, 16 + 10 + 69);
  KeyValuesAD release(new KeyValues("MouseReleased", "code", kgui::MOUSE_LEFT));
  kgui::ipanel()->SendMessage(slider->GetVPanel(), release.get(), 0);
  EXPECT_NEAR(m_pBar->GetValue(), 38, 1);
  EXPECT_EQ(Runtime().GetMouseCapture(), 0u);
}

TEST_F(ScrollBarTest, WheelScrollsThreeStepsANotch) {
  m_pBar->SetButtonPressedScrollValue(2);
  Runtime().Scroll(m_pBar, -1);
  EXPECT_EQ(m_pBar->GetValue(), 6);
  Runtime().Scroll(m_pBar, 1);
  EXPECT_EQ(m_pBar->GetValue(), 0);
}

}  // namespace
