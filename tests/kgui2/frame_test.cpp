// Frames, message and query boxes and tool windows: showing and closing, fading, modality, the
// title bar, dragging and sizing, and per-user placement.
#include "kgui_controls/Frame.h"

#include <string>
#include <vector>

#include "kgui_controls/AnimationController.h"
#include "kgui_controls/Button.h"
#include "kgui_controls/MessageBox.h"
#include "kgui_controls/PropertySheet.h"
#include "kgui_controls/QueryBox.h"
#include "kgui_controls/ToolWindow.h"
#include "kgui_controls/controls.h"
#include "support/toolkit_fixture.h"
#include "tier1/KeyValues.h"

using kgui::Frame;
using kgui::PHandle;

namespace {

// A window that writes down the commands and messages its dialogs signal it.
class OwnerFrame : public Frame {
  DECLARE_CLASS_SIMPLE(OwnerFrame, Frame);

 public:
  OwnerFrame() : Frame(nullptr, "Owner") {
    SetBounds(100, 100, 400, 300);
    SetTransitionEffectTime(0.0f);
  }
  std::vector<std::string> log;
  void OnCommand(const char *command) override { log.push_back(std::string("Command ") + command); }
  void OnKept() { log.push_back("Kept"); }
  void OnRemoved() { log.push_back("Removed"); }
};

BEGIN_MESSAGE_MAP(OwnerFrame, Frame)
MESSAGE_ENTRY("Kept", OnKept)
MESSAGE_ENTRY("Removed", OnRemoved)
END_MESSAGE_MAP()

class FrameTest : public ToolkitTest {
 protected:
  Frame *MakeFrame(const char *name = "Window") {
    auto *frame = new Frame(nullptr, name);
    frame->SetBounds(100, 100, 400, 300);
    frame->SetTransitionEffectTime(0.0f);
    return frame;
  }
  // Presses at a screen point, moves to another and releases there.
  void Drag(int fromX, int fromY, int toX, int toY) {
    Runtime().MoveCursorTo(fromX, fromY);
    kgui::VPANEL target = Runtime().GetMouseOver();
    KeyValuesAD press(new KeyValues("MousePressed", "code", kgui::MOUSE_LEFT));
    kgui::ipanel()->SendMessage(target, press.get(), 0);
    Runtime().MoveCursorTo(toX, toY);
    KeyValuesAD release(new KeyValues("MouseReleased", "code", kgui::MOUSE_LEFT));
    kgui::ipanel()->SendMessage(Runtime().GetMouseCapture() ? Runtime().GetMouseCapture() : target,
                                release.get(), 0);
  }
  std::vector<int> Bounds(kgui::Panel *panel) {
    int x = 0, y = 0, wide = 0, tall = 0;
    panel->GetBounds(x, y, wide, tall);
    return {x, y, wide, tall};
  }
};

TEST_F(FrameTest, StartsHiddenAndActivateShowsItInFront) {
  Frame *first = MakeFrame("First");
  Frame *second = MakeFrame("Second");
  EXPECT_FALSE(first->IsVisible());
  EXPECT_TRUE(first->IsPopup());
  second->Activate();
  first->Activate();
  EXPECT_TRUE(first->IsVisible());
  EXPECT_EQ(kgui::surface()->GetPopup(kgui::surface()->GetPopupCount() - 1), first->GetVPanel());
  EXPECT_TRUE(first->IsActiveFrame());
  EXPECT_FALSE(second->IsActiveFrame());
  delete first;
  delete second;
}

TEST_F(FrameTest, ActivateGivesTheFocusToTheFirstControl) {
  Frame *frame = MakeFrame();
  auto *later = new kgui::Button(frame, "Later", "b");
  auto *first = new kgui::Button(frame, "First", "a");
  later->SetTabPosition(2);
  first->SetTabPosition(1);
  frame->Activate();
  EXPECT_TRUE(first->HasFocus());
  delete frame;
}

TEST_F(FrameTest, CloseHidesByDefaultAndDeletesWhenAsked) {
  Frame *kept = MakeFrame("Kept");
  kept->Activate();
  kept->Close();
  EXPECT_FALSE(kept->IsVisible());
  Frame *doomed = MakeFrame("Doomed");
  doomed->SetDeleteSelfOnClose(true);
  PHandle handle(doomed);
  doomed->Activate();
  doomed->Close();
  Runtime().RunFrame();
  EXPECT_EQ(handle.Get(), nullptr);

  // A hidden frame that deletes itself on close still goes when closed; one that does not stays.
  Frame *hidden = MakeFrame("Hidden");
  hidden->SetDeleteSelfOnClose(true);
  PHandle hiddenHandle(hidden);
  hidden->Close();
  kept->Close();
  Runtime().RunFrame();
  EXPECT_EQ(hiddenHandle.Get(), nullptr);
  delete kept;
}

TEST_F(FrameTest, FadesInAndOutOverTheTransitionTime) {
  Frame *frame = MakeFrame();
  frame->SetTransitionEffectTime(0.4f);
  frame->SetDeleteSelfOnClose(true);
  PHandle handle(frame);
  frame->Activate();
  EXPECT_EQ(frame->GetAlpha(), 0);
  Advance(0.2);
  EXPECT_NEAR(frame->GetAlpha(), 128, 2);
  Advance(0.2);
  EXPECT_EQ(frame->GetAlpha(), 255);
  frame->Close();
  Advance(0.1);
  ASSERT_NE(handle.Get(), nullptr);
  EXPECT_TRUE(frame->IsVisible());  // still fading
  EXPECT_LT(frame->GetAlpha(), 255);
  Advance(0.35);
  EXPECT_EQ(handle.Get(), nullptr);
}

TEST_F(FrameTest, ModalFrameHoldsTheInputUntilClosed) {
  Frame *frame = MakeFrame();
  frame->DoModal();
  EXPECT_TRUE(frame->IsModal());
  EXPECT_EQ(Runtime().GetAppModalSurface(), frame->GetVPanel());
  frame->Close();
  EXPECT_EQ(Runtime().GetAppModalSurface(), 0u);
  frame->DoModal();
  delete frame;  // a deleted modal frame releases the input too
  EXPECT_EQ(Runtime().GetAppModalSurface(), 0u);
}

TEST_F(FrameTest, CentresOnTheScreen) {
  Frame *frame = MakeFrame();
  frame->MoveToCenterOfScreen();
  EXPECT_EQ(Bounds(frame), (std::vector<int>{440, 250, 400, 300}));
  delete frame;
}

TEST_F(FrameTest, TitleIsLocalisedAndFilledFromDialogVariables) {
  Runtime().AddToken("#Dialog_Title", u"Servers of %game%");
  Frame *frame = MakeFrame();
  frame->SetTitle("#Dialog_Title");
  frame->SetDialogVariable("game", "Tidebreaker");
  EXPECT_EQ(frame->GetTitle(), "Servers of Tidebreaker");
  frame->SetDialogVariable("game", u"Hollow Crown");
  KeyValuesAD dump(new KeyValues("panel"));
  frame->Describe(dump.get());
  EXPECT_STREQ(dump->GetString("text"), "Servers of Hollow Crown");
  delete frame;
}

TEST_F(FrameTest, CaptionButtons) {
  Frame *frame = MakeFrame();
  frame->Activate();
  Runtime().RunFrame();
  kgui::Panel *maximize = frame->FindChildByName("frame_maximize");
  kgui::Panel *minimize = frame->FindChildByName("frame_minimize");
  kgui::Panel *close = frame->FindChildByName("frame_close");
  ASSERT_TRUE(maximize && minimize && close);
  Runtime().Click(maximize);
  Runtime().DeliverMessages();
  EXPECT_TRUE(frame->IsMaximized());
  EXPECT_EQ(Bounds(frame), (std::vector<int>{0, 0, 1280, 800}));
  Runtime().RunFrame();
  Runtime().Click(maximize);
  Runtime().DeliverMessages();
  EXPECT_EQ(Bounds(frame), (std::vector<int>{100, 100, 400, 300}));
  Runtime().RunFrame();
  Runtime().Click(minimize);
  Runtime().DeliverMessages();
  EXPECT_TRUE(Runtime().IsMinimized(frame->GetVPanel()));
  Runtime().SetMinimized(frame->GetVPanel(), false);
  Runtime().Click(close);
  Runtime().DeliverMessages();
  EXPECT_FALSE(frame->IsVisible());
  delete frame;
}

TEST_F(FrameTest, DraggingTheTitleBarMovesTheFrame) {
  Frame *frame = MakeFrame();
  frame->Activate();
  Runtime().RunFrame();
  Drag(200, 110, 260, 150);
  EXPECT_EQ(Bounds(frame), (std::vector<int>{160, 140, 400, 300}));
  // Below the title bar nothing moves.
  Drag(200, 250, 300, 350);
  EXPECT_EQ(Bounds(frame), (std::vector<int>{160, 140, 400, 300}));
  // Not above the top of the screen.
  Drag(200, 150, 200, -100);
  EXPECT_EQ(frame->GetYPos(), 0);
  delete frame;
}

TEST_F(FrameTest, SizingGripsRespectTheMinimumSize) {
  Frame *frame = MakeFrame();
  frame->SetMinimumSize(200, 150);
  frame->Activate();
  Runtime().RunFrame();
  Drag(498, 398, 548, 438);  // the bottom right corner
  EXPECT_EQ(Bounds(frame), (std::vector<int>{100, 100, 450, 340}));
  Runtime().RunFrame();
  Drag(101, 250, 500, 250);  // the left edge, far past the minimum
  EXPECT_EQ(Bounds(frame), (std::vector<int>{350, 100, 200, 340}));
  frame->SetSizeable(false);
  Runtime().RunFrame();
  Drag(548, 438, 700, 500);
  EXPECT_EQ(Bounds(frame), (std::vector<int>{350, 100, 200, 340}));
  delete frame;
}

TEST_F(FrameTest, LayoutKeysNeverOpenTheWindow) {
  Frame *frame = MakeFrame();
  KeyValuesAD keys(new KeyValues("Window", "title", "Add server", "visible", "1"));
  keys->SetString("settitlebarvisible", "0");
  frame->ApplySettings(keys.get());
  EXPECT_FALSE(frame->IsVisible());
  EXPECT_EQ(frame->GetTitle(), "Add server");
  EXPECT_FALSE(frame->IsTitleBarVisible());
  EXPECT_EQ(frame->GetCaptionHeight(), 0);
  delete frame;
}

TEST_F(FrameTest, PlacementIsKeptPerUserAndPulledOntoTheScreen) {
  Frame *frame = MakeFrame("Dialog");
  frame->LoadUserConfig("DialogTest");
  frame->SetBounds(30, 40, 500, 350);
  frame->SaveUserConfig();
  delete frame;

  frame = MakeFrame("Dialog");
  frame->LoadUserConfig("DialogTest");
  EXPECT_EQ(Bounds(frame), (std::vector<int>{30, 40, 500, 350}));
  KeyValues *saved = Runtime().GetUserConfigFileData("DialogTest", 0);
  saved->SetInt("xpos", 5000);
  saved->SetInt("ypos", -300);
  frame->LoadUserConfig("DialogTest");
  EXPECT_EQ(Bounds(frame), (std::vector<int>{780, 0, 500, 350}));
  delete frame;
}

TEST_F(FrameTest, ChildrenWithSettingsOfTheirOwnKeepThemUnderTheirName) {
  class Remembering : public kgui::Panel {
   public:
    Remembering(kgui::Panel *parent) : Panel(parent, "Columns") {}
    int width = 0;
    bool HasUserConfigSettings() override { return true; }
    void ApplyUserConfigSettings(KeyValues *data) override { width = data->GetInt("width", -1); }
    void GetUserConfigSettings(KeyValues *data) override { data->SetInt("width", width); }
  };
  Frame *frame = MakeFrame("Dialog");
  auto *child = new Remembering(frame);
  frame->LoadUserConfig("Remembered", 2);
  EXPECT_EQ(child->width, -1);
  child->width = 77;
  frame->SaveUserConfig();
  EXPECT_EQ(Runtime().GetUserConfigFileData("Remembered", 2)->GetInt("Columns/width"), 77);
  child->width = 0;
  frame->LoadUserConfig("Remembered", 2);
  EXPECT_EQ(child->width, 77);
  delete frame;
}

TEST_F(FrameTest, MessageBoxSignalsItsCommandAndDeletesItself) {
  auto *owner = new OwnerFrame();
  owner->Activate();
  auto *box = new kgui::MessageBox("Server full", "Try again later.", owner);
  box->SetCommand("Acknowledged");
  box->SetTransitionEffectTime(0.0f);
  PHandle handle(box);
  box->DoModal(owner);
  EXPECT_TRUE(box->IsModal());
  EXPECT_EQ(box->GetTitle(), "Server full");
  // Centred over its owner.
  EXPECT_EQ(box->GetXPos() + box->GetWide() / 2, 300);
  Runtime().PressKey(kgui::KEY_ENTER);
  Runtime().RunFrame();
  EXPECT_EQ(handle.Get(), nullptr);
  EXPECT_EQ(Runtime().GetAppModalSurface(), 0u);
  EXPECT_EQ(owner->log, std::vector<std::string>{"Command Acknowledged"});
  delete owner;
}

TEST_F(FrameTest, QueryBoxCancelsWithEscape) {
  auto *owner = new OwnerFrame();
  auto *query = new kgui::QueryBox("Remove", "Remove this favourite?", owner);
  query->SetTransitionEffectTime(0.0f);
  query->SetOKCommand(new KeyValues("Removed"));
  query->SetCancelCommand(new KeyValues("Kept"));
  PHandle handle(query);
  query->DoModal();
  EXPECT_NE(query->FindChildByName("CancelButton"), nullptr);
  EXPECT_TRUE(query->FindChildByName("CancelButton")->IsVisible());
  Runtime().PressKey(kgui::KEY_ESCAPE);
  Runtime().RunFrame();
  EXPECT_EQ(handle.Get(), nullptr);
  EXPECT_EQ(owner->log, std::vector<std::string>{"Kept"});
  delete owner;
}

TEST_F(FrameTest, MessageBoxGrowsWithItsText) {
  auto *shortBox = new kgui::MessageBox("t", "Short.");
  auto *longBox = new kgui::MessageBox("t", std::string(400, 'x').append(" end").c_str());
  EXPECT_GT(longBox->GetTall(), shortBox->GetTall());
  EXPECT_LE(longBox->GetWide(), 520);
  delete shortBox;
  delete longBox;
}

TEST_F(FrameTest, ToolWindowHoldsASheetAndDeletesItselfOnClose) {
  auto *tool = new kgui::ToolWindow(nullptr, "Tool", "Layers");
  tool->SetTransitionEffectTime(0.0f);
  auto *page = new kgui::EditablePanel(nullptr, "Page");
  tool->AddPage(page, "Layers");
  EXPECT_EQ(tool->GetPropertySheet()->GetActivePage(), page);
  EXPECT_LT(tool->GetCaptionHeight(), 28);
  EXPECT_FALSE(tool->FindChildByName("frame_minimize")->IsVisible());
  PHandle handle(tool);
  tool->Activate();
  tool->Close();
  Runtime().RunFrame();
  EXPECT_EQ(handle.Get(), nullptr);
}

}  // namespace
