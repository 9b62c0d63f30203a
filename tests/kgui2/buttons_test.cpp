// Buttons, toggle buttons, check buttons and radio buttons: activation by mouse and keys, the
// default button, the notifications they signal, and texts cut to their room.
#include <string>
#include <vector>

#include "kgui_controls/Button.h"
#include "kgui_controls/CheckButton.h"
#include "kgui_controls/EditablePanel.h"
#include "kgui_controls/MenuButton.h"
#include "kgui_controls/RadioButton.h"
#include "kgui_controls/TextEntry.h"
#include "kgui_controls/ToggleButton.h"
#include "kgui_controls/controls.h"
#include "support/toolkit_fixture.h"
#include "tier1/KeyValues.h"

using kgui::Button;
using kgui::Panel;

namespace {

// A dialog that writes down the messages its controls signal.
class Owner : public kgui::EditablePanel {
  DECLARE_CLASS_SIMPLE(Owner, kgui::EditablePanel);

 public:
  Owner() : EditablePanel(nullptr, "Owner") {}
  std::vector<std::string> log;

  void OnCommand(const char *command) override { log.push_back(std::string("Command ") + command); }
  void OnToggled(Panel *panel, int state) {
    log.push_back(std::string("ButtonToggled ") + panel->GetName() + " " + std::to_string(state));
  }
  void OnRadio(Panel *panel, int position) {
    log.push_back(std::string("RadioButtonChecked ") + panel->GetName() + " " + std::to_string(position));
  }
  void OnCustom(const char *value) { log.push_back(std::string("Custom ") + value); }
};

BEGIN_MESSAGE_MAP(Owner, kgui::EditablePanel)
MESSAGE_ENTRY("ButtonToggled", OnToggled, "panel", "state")
MESSAGE_ENTRY("RadioButtonChecked", OnRadio, "panel", "tabposition")
MESSAGE_ENTRY("Custom", OnCustom, "value")
END_MESSAGE_MAP()

class ButtonsTest : public ToolkitTest {
 protected:
  ButtonsTest() {
    m_pOwner = new Owner();
    m_pOwner->SetParent(Runtime().Desktop());
    m_pOwner->SetBounds(0, 0, 500, 400);
  }
  ~ButtonsTest() override { delete m_pOwner; }

  template <class T>
  T *Make(const char *name, int y) {
    auto *control = new T(m_pOwner, name, name);
    control->SetBounds(10, y, 120, 24);
    return control;
  }
  std::vector<std::string> Delivered() {
    Runtime().DeliverMessages();
    std::vector<std::string> log;
    log.swap(m_pOwner->log);
    return log;
  }

  Owner *m_pOwner;
};

TEST_F(ButtonsTest, ClickSignalsTheCommandToTheDialog) {
  Button *button = Make<Button>("Go", 10);
  button->SetCommand("Connect");
  Runtime().Click(button);
  EXPECT_EQ(Delivered(), std::vector<std::string>{"Command Connect"});
  EXPECT_TRUE(button->HasFocus());
  EXPECT_EQ(Runtime().GetMouseCapture(), 0u);  // released with the button
}

TEST_F(ButtonsTest, PressThenReleaseOutsideDoesNothing) {
  Button *button = Make<Button>("Go", 10);
  button->SetCommand("Connect");
  Runtime().MoveCursorTo(50, 20);
  KeyValuesAD press(new KeyValues("MousePressed", "code", kgui::MOUSE_LEFT));
  kgui::ipanel()->SendMessage(button->GetVPanel(), press.get(), 0);
  EXPECT_TRUE(button->IsDepressed());
  Runtime().MoveCursorTo(300, 300);
  KeyValuesAD release(new KeyValues("MouseReleased", "code", kgui::MOUSE_LEFT));
  kgui::ipanel()->SendMessage(button->GetVPanel(), release.get(), 0);
  EXPECT_FALSE(button->IsDepressed());
  EXPECT_TRUE(Delivered().empty());
}

TEST_F(ButtonsTest, DisabledAndCommandlessButtonsStayQuiet) {
  Button *disabled = Make<Button>("Off", 10);
  disabled->SetCommand("Never");
  disabled->SetEnabled(false);
  Button *plain = Make<Button>("Plain", 40);
  Runtime().Click(disabled);
  Runtime().Click(plain);
  disabled->DoClick();
  EXPECT_TRUE(Delivered().empty());
}

TEST_F(ButtonsTest, EnterAndSpaceActivateTheFocusedButton) {
  Button *button = Make<Button>("Go", 10);
  button->SetCommand("Connect");
  button->RequestFocus();
  Runtime().PressKey(kgui::KEY_ENTER);
  Runtime().PressKey(kgui::KEY_SPACE);
  Runtime().PressKey(kgui::KEY_PAD_ENTER);
  EXPECT_EQ(Delivered(), (std::vector<std::string>{"Command Connect", "Command Connect", "Command Connect"}));
}

TEST_F(ButtonsTest, EnterElsewhereInTheDialogPressesTheDefaultButton) {
  Button *other = Make<Button>("Other", 10);
  other->SetCommand("Other");
  Button *ok = Make<Button>("Ok", 40);
  KeyValuesAD keys(new KeyValues("Ok", "command", "Ok", "default", "1"));
  ok->ApplySettings(keys.get());
  auto *entry = new kgui::TextEntry(m_pOwner, "Entry");
  entry->RequestFocus();
  Runtime().PressKey(kgui::KEY_ENTER);
  EXPECT_EQ(Delivered(), std::vector<std::string>{"Command Ok"});
  // A disabled default button does not take Enter.
  ok->SetEnabled(false);
  Runtime().PressKey(kgui::KEY_ENTER);
  EXPECT_TRUE(Delivered().empty());
}

TEST_F(ButtonsTest, AnyMessageCanBeTheButtonsNotification) {
  Button *button = Make<Button>("Go", 10);
  button->SetCommand(new KeyValues("Custom", "value", "seven"));
  button->DoClick();
  button->DoClick();
  EXPECT_EQ(Delivered(), (std::vector<std::string>{"Custom seven", "Custom seven"}));
}

TEST_F(ButtonsTest, HoverArmsTheButton) {
  Button *button = Make<Button>("Go", 10);
  Runtime().MoveCursorTo(50, 20);
  EXPECT_TRUE(button->IsArmed());
  Runtime().MoveCursorTo(300, 300);
  EXPECT_FALSE(button->IsArmed());
}

TEST_F(ButtonsTest, ToggleButtonFlipsAndSignalsItsState) {
  auto *toggle = Make<kgui::ToggleButton>("Toggle", 10);
  Runtime().Click(toggle);
  EXPECT_TRUE(toggle->IsSelected());
  Runtime().Click(toggle);
  EXPECT_FALSE(toggle->IsSelected());
  toggle->SetSelected(false);  // no change: no message
  EXPECT_EQ(Delivered(), (std::vector<std::string>{"ButtonToggled Toggle 1", "ButtonToggled Toggle 0"}));
}

TEST_F(ButtonsTest, CheckButtonTogglesWithMouseAndSpace) {
  auto *check = Make<kgui::CheckButton>("Check", 10);
  KeyValuesAD keys(new KeyValues("Check", "selected", "1"));
  check->ApplySettings(keys.get());
  EXPECT_TRUE(check->IsChecked());
  Runtime().Click(check);
  Runtime().PressKey(kgui::KEY_SPACE);
  EXPECT_TRUE(check->IsChecked());
  EXPECT_EQ(Delivered(), (std::vector<std::string>{"ButtonToggled Check 1", "ButtonToggled Check 0",
                                                   "ButtonToggled Check 1"}));
}

TEST_F(ButtonsTest, OneRadioButtonIsSelectedPerGroup) {
  auto *a = Make<kgui::RadioButton>("A", 10);
  auto *b = Make<kgui::RadioButton>("B", 40);
  auto *other = Make<kgui::RadioButton>("Other", 70);
  a->SetTabPosition(1);
  b->SetTabPosition(1);
  other->SetTabPosition(2);
  other->SetSelected(true);
  Runtime().Click(a);
  Runtime().Click(b);
  Runtime().Click(b);  // clicking the selected one keeps it
  EXPECT_FALSE(a->IsSelected());
  EXPECT_TRUE(b->IsSelected());
  EXPECT_TRUE(other->IsSelected());  // another group
  EXPECT_EQ(Delivered(), (std::vector<std::string>{"RadioButtonChecked Other 2", "RadioButtonChecked A 1",
                                                   "RadioButtonChecked B 1"}));
}

TEST_F(ButtonsTest, ArrowKeysMoveTheRadioChoiceOverDisabledButtons) {
  auto *a = Make<kgui::RadioButton>("A", 10);
  auto *b = Make<kgui::RadioButton>("B", 40);
  auto *c = Make<kgui::RadioButton>("C", 70);
  b->SetEnabled(false);
  a->SetSelected(true);
  a->RequestFocus();
  Runtime().PressKey(kgui::KEY_DOWN);
  EXPECT_TRUE(c->IsSelected());
  EXPECT_TRUE(c->HasFocus());
  Runtime().PressKey(kgui::KEY_DOWN);  // wraps round
  EXPECT_TRUE(a->IsSelected());
  EXPECT_FALSE(b->IsSelected());
}

TEST_F(ButtonsTest, ButtonKeysFromLayouts) {
  Button *button = Make<Button>("Go", 10);
  KeyValuesAD keys(new KeyValues("Go", "labelText", "Refresh", "command", "refresh"));
  keys->SetString("selected", "1");
  keys->SetString("default", "1");
  button->ApplySettings(keys.get());
  EXPECT_EQ(button->GetText(), "Refresh");
  EXPECT_STREQ(button->GetCommand()->GetString("command"), "refresh");
  EXPECT_TRUE(button->IsSelected());
  EXPECT_TRUE(button->IsDefault());
  EXPECT_EQ(m_pOwner->FindDefaultButton(), button);
}

TEST_F(ButtonsTest, PressButtonMessageClicks) {
  Button *button = Make<Button>("Go", 10);
  button->SetCommand("Connect");
  KeyValuesAD press(new KeyValues("PressButton"));
  kgui::ipanel()->SendMessage(button->GetVPanel(), press.get(), 0);
  EXPECT_EQ(Delivered(), std::vector<std::string>{"Command Connect"});
}

TEST_F(ButtonsTest, ButtonTextsEndInAnEllipsisWhereTheyRunOutOfRoom) {
  // Each control is 120 pixels wide; the runtime measures 7 pixels a character.
  struct Case {
    const char *kind;
    const char *text;
    const char *drawn;
  };
  const Case cases[] = {
      {"button", "Connect", "Connect"},
      {"button", "Refresh all servers now", "Refresh all se\u2026"},  // 108 pixels inside the insets
      // The box is at the left only: the text has 98 pixels up to the right edge.
      {"check", "Hide full ones", "Hide full ones"},
      {"check", "Servers w/ bots", "Servers w/ bo\u2026"},
      {"radio", "Any latency ok", "Any latency ok"},
      // The menu button's arrow takes the right end.
      {"menu", "Add a favourite", "Add a favouri\u2026"},
  };
  int y = 10;
  for (const Case &c : cases) {
    kgui::Label *control = nullptr;
    const std::string kind = c.kind;
    if (kind == "button")
      control = new Button(m_pOwner, "control", c.text);
    else if (kind == "check")
      control = new kgui::CheckButton(m_pOwner, "control", c.text);
    else if (kind == "radio")
      control = new kgui::RadioButton(m_pOwner, "control", c.text);
    else
      control = new kgui::MenuButton(m_pOwner, "control", c.text);
    control->SetBounds(10, y, 120, 24);
    y += 30;
    Runtime().PaintAll();
    KeyValuesAD block(new KeyValues("Panel"));
    control->Describe(block.get());
    EXPECT_STREQ(block->GetString("text"), c.drawn) << c.kind << " " << c.text;
    EXPECT_EQ(control->GetText(), c.text);
  }
}

}  // namespace
