// IHostInput of the host: routing input to panels, focus, capture, the modal surface.
#include "host/key_names.h"
#include "tests/host/host_fixture.h"

namespace kguihost {
namespace {

class InputTest : public HostTest {
 protected:
  void Click(int x, int y, kgui::MouseCode code = kgui::MOUSE_LEFT) {
    Runtime().Input().CursorMoved(x, y);
    Runtime().Input().MousePressed(code);
    Runtime().Input().MouseReleased(code);
  }
};

TEST_F(InputTest, ClickReachesThePanelUnderTheCursorInItsOwnPixels) {
  auto window = MakePanel("Window", 0, 100, 100, 300, 200);
  auto button = MakePanel("Button", window->id, 50, 40, 80, 20);
  auto popup = MakePopup("Popup", 400, 100, 100, 100);

  Click(160, 150);  // inside the button at 10,10 of it
  EXPECT_EQ(button->log, (std::vector<std::string>{"CursorEntered", "CursorMoved 10,10", "MousePressed 0",
                                                   "MouseReleased 0"}));
  EXPECT_TRUE(window->log.empty());

  Click(110, 110, kgui::MOUSE_RIGHT);  // the window itself, outside the button
  EXPECT_EQ(button->Logged("CursorExited").size(), 1u);
  EXPECT_EQ(window->Logged("MousePressed"), std::vector<std::string>{"MousePressed 1"});

  Runtime().Input().CursorMoved(450, 150);
  Runtime().Input().MouseDoublePressed(kgui::MOUSE_LEFT);
  Runtime().Input().MouseWheel(-1);
  EXPECT_EQ(popup->Logged("Mouse"), (std::vector<std::string>{"MouseDoublePressed 0", "MouseScrolled"}));
  EXPECT_EQ(Runtime().Input().GetMouseOver(), popup->id);
}

TEST_F(InputTest, HitTestingHonoursPopupsClippingAndMouseInputFlags) {
  auto window = MakePanel("Window", 0, 0, 0, 200, 200);
  auto clipped = MakePanel("Clipped", window->id, 150, 150, 100, 100);  // half outside its parent
  auto overlay = MakePanel("Overlay", window->id, 0, 0, 100, 100);
  auto popup = MakePopup("Popup", 50, 50, 100, 100);
  CHostInput &input = Runtime().Input();

  EXPECT_EQ(input.PanelAt(60, 60)->id, popup->id);  // popups above everything
  Runtime().PanelInterface().SetVisible(popup->id, false);
  EXPECT_EQ(input.PanelAt(60, 60)->id, overlay->id);
  Runtime().PanelInterface().SetMouseInputEnabled(overlay->id, false);
  EXPECT_EQ(input.PanelAt(60, 60)->id, window->id);
  EXPECT_EQ(input.PanelAt(160, 160)->id, clipped->id);
  EXPECT_EQ(input.PanelAt(210, 210)->id, Runtime().RootPanel());  // the part of Clipped outside shows nothing
  Runtime().Surface().SetMinimized(popup->id, true);
  Runtime().PanelInterface().SetVisible(popup->id, true);
  EXPECT_EQ(input.PanelAt(60, 60)->id, window->id);
}

TEST_F(InputTest, PressBringsItsPopupToTheFront) {
  auto back = MakePopup("Back", 0, 0, 100, 100);
  auto front = MakePopup("Front", 50, 50, 100, 100);
  auto inside = MakePanel("Inside", back->id, 10, 10, 20, 20);
  Click(15, 15);
  EXPECT_EQ(Runtime().Surface().GetPopup(1), back->id);
  EXPECT_EQ(inside->Logged("MousePressed").size(), 1u);
}

TEST_F(InputTest, CaptureTakesEveryMouseMessageUntilReleased) {
  auto left = MakePanel("Left", 0, 0, 0, 100, 100);
  auto right = MakePanel("Right", 0, 200, 0, 100, 100);
  CHostInput &input = Runtime().Input();
  input.SetMouseCapture(left->id);
  Click(250, 50);
  EXPECT_EQ(left->Logged("CursorMoved"), std::vector<std::string>{"CursorMoved 250,50"});
  EXPECT_EQ(left->Logged("MousePressed").size(), 1u);
  EXPECT_TRUE(right->Logged("MousePressed").empty());

  input.SetMouseCapture(right->id);
  EXPECT_EQ(left->Logged("MouseCaptureLost").size(), 1u);
  right.reset();
  EXPECT_EQ(input.GetMouseCapture(), kgui::NULL_PANEL);
}

TEST_F(InputTest, KeysGoToTheFocusElseTheFrontWindow) {
  auto window = MakePopup("Window", 0, 0, 200, 200);
  auto other = MakePopup("Other", 300, 0, 200, 200);
  auto entry = MakePanel("Entry", window->id, 10, 10, 100, 20);
  CHostInput &input = Runtime().Input();

  input.KeyPressed(kgui::KEY_F5);
  input.KeyReleased(kgui::KEY_F5);
  EXPECT_EQ(other->Logged("KeyCode"),
            (std::vector<std::string>{"KeyCodePressed 98", "KeyCodeTyped 98", "KeyCodeReleased 98"}));
  input.SetFocus(entry->id);
  EXPECT_EQ(entry->log, std::vector<std::string>{"SetFocus"});
  input.KeyPressed(kgui::KEY_ENTER);
  EXPECT_TRUE(input.IsKeyDown(kgui::KEY_ENTER));
  input.KeyRepeated(kgui::KEY_ENTER);
  input.CharTyped(U'é');
  input.CharTyped(U'\U0001F600');  // beyond one UTF-16 unit: its surrogate pair
  EXPECT_EQ(entry->Logged("Key"),
            (std::vector<std::string>{"KeyCodePressed 66", "KeyCodeTyped 66", "KeyCodeTyped 66",
                                      "KeyTyped 233", "KeyTyped 55357", "KeyTyped 56832"}));

  input.SetFocus(other->id);
  EXPECT_EQ(entry->log.back(), "KillFocus");
  Runtime().PanelInterface().SetVisible(other->id, false);  // hiding drops the focus
  EXPECT_EQ(input.GetFocus(), kgui::NULL_PANEL);
}

TEST_F(InputTest, PanelsWithoutKeyboardInputNeverTakeTheFocus) {
  auto label = MakePanel("Label", 0, 0, 0, 10, 10);
  Runtime().PanelInterface().SetKeyboardInputEnabled(label->id, false);
  Runtime().Input().SetFocus(label->id);
  EXPECT_EQ(Runtime().Input().GetFocus(), kgui::NULL_PANEL);
  EXPECT_TRUE(label->log.empty());
}

TEST_F(InputTest, ModalSurfaceKeepsInputToItself) {
  auto main = MakePopup("Main", 0, 0, 200, 200);
  auto dialog = MakePopup("Dialog", 300, 0, 200, 200);
  auto field = MakePanel("Field", dialog->id, 10, 10, 50, 20);
  CHostInput &input = Runtime().Input();
  input.SetAppModalSurface(dialog->id);
  input.SetFocus(main->id);

  Click(50, 50);
  EXPECT_TRUE(main->Logged("MousePressed").empty());
  input.KeyPressed(kgui::KEY_ESCAPE);
  EXPECT_EQ(dialog->Logged("KeyCodePressed"), std::vector<std::string>{"KeyCodePressed 72"});
  Click(315, 15);
  EXPECT_EQ(field->Logged("MousePressed").size(), 1u);

  input.ReleaseAppModalSurface();
  Click(50, 50);
  EXPECT_EQ(main->Logged("MousePressed").size(), 1u);
}

TEST_F(InputTest, FocusTicksAndDeletedPanelsLeaveNoTrace) {
  auto entry = MakePanel("Entry", 0, 0, 0, 100, 100);
  CHostInput &input = Runtime().Input();
  input.SetFocus(entry->id);
  input.CursorMoved(10, 10);
  RunFrames(2);
  EXPECT_EQ(entry->Logged("KeyFocusTicked").size(), 2u);
  EXPECT_EQ(entry->Logged("MouseFocusTicked").size(), 2u);
  input.SetAppModalSurface(entry->id);
  entry.reset();
  EXPECT_EQ(input.GetFocus(), kgui::NULL_PANEL);
  EXPECT_EQ(input.GetMouseOver(), kgui::NULL_PANEL);
  EXPECT_EQ(input.GetAppModalSurface(), kgui::NULL_PANEL);
  input.KeyPressed(kgui::KEY_A);  // nobody to receive it: nothing happens
  RunFrames(1);
}

TEST(KeyNames, NamesAndCodesRoundTrip) {
  struct Case {
    const char *name;
    kgui::KeyCode code;
  };
  const Case cases[] = {
      {"ENTER", kgui::KEY_ENTER},       {"F5", kgui::KEY_F5},   {"down", kgui::KEY_DOWN},
      {"KEY_A", kgui::KEY_A},           {"0", kgui::KEY_0},     {"PAD_7", kgui::KEY_PAD_7},
      {"ESCAPE", kgui::KEY_ESCAPE},     {"F12", kgui::KEY_F12}, {"BACKSPACE", kgui::KEY_BACKSPACE},
      {"LCONTROL", kgui::KEY_LCONTROL}, {"TAB", kgui::KEY_TAB}, {"DELETE", kgui::KEY_DELETE}};
  for (const Case &c : cases) {
    EXPECT_EQ(KeyCodeFromName(c.name), c.code) << c.name;
    EXPECT_EQ(KeyCodeFromName(KeyCodeName(c.code)), c.code) << c.name;
  }
  for (int code = kgui::KEY_NONE + 1; code < kgui::KEY_COUNT; ++code) {
    EXPECT_STRNE(KeyCodeName(static_cast<kgui::KeyCode>(code)), "") << code;
  }
  EXPECT_EQ(KeyCodeFromName("NOPE"), kgui::KEY_NONE);
  EXPECT_EQ(KeyCodeFromName(""), kgui::KEY_NONE);
  EXPECT_EQ(KeyCodeForChar(U'q'), kgui::KEY_Q);
  EXPECT_EQ(KeyCodeForChar(U'Q'), kgui::KEY_Q);
  EXPECT_EQ(KeyCodeForChar(U'é'), kgui::KEY_NONE);
}

}  // namespace
}  // namespace kguihost
