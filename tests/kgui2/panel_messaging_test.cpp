// Message maps, dispatch by name symbols, posting, action signals, default command handling and
// input passed up to the parent.
#include <string>
#include <vector>

#include "kgui_controls/Button.h"
#include "kgui_controls/Panel.h"
#include "kgui_controls/controls.h"
#include "support/toolkit_fixture.h"
#include "tier1/KeyValues.h"

using kgui::Panel;

namespace {

// Records what its handlers received.
class RecordingPanel : public Panel {
  DECLARE_CLASS_SIMPLE(RecordingPanel, Panel);

 public:
  RecordingPanel(Panel *parent, const char *name) : Panel(parent, name) {}
  std::vector<std::string> calls;

  void OnTextChanged(Panel *panel, const char *text) {
    calls.push_back(std::string("base TextChanged ") + text + (panel ? " panel" : " null"));
  }
  void OnRefreshServer(int serverID) { calls.push_back("RefreshServer " + std::to_string(serverID)); }
  void OnConnectToServer() { calls.push_back("ConnectToServer"); }
  void OnLoadModList(uint64 appID) { calls.push_back("LoadModList " + std::to_string(appID)); }
  void OnWide(const char16_t *text) {
    calls.push_back("Wide " + std::to_string(std::u16string(text).size()));
  }
  void OnRecord(KeyValues *record) {
    calls.push_back(std::string("Record ") + (record ? record->GetName() : "null"));
  }
  void OnWhole(KeyValues *message) { calls.push_back(std::string("Whole ") + message->GetName()); }
  void OnFloat(float value) { calls.push_back("Float " + std::to_string(static_cast<int>(value * 10))); }
  void OnFlag(bool flag) { calls.push_back(flag ? "Flag 1" : "Flag 0"); }
  void OnTwoFloats(float a, float b) { calls.push_back("TwoFloats " + std::to_string(a + b)); }
  void OnButtonToggled(Panel *panel, int state) {
    calls.push_back("ButtonToggled " + std::to_string(state) + (panel ? " panel" : ""));
  }
  void OnCommand(const char *command) override {
    calls.push_back(std::string("Command ") + command);
    BaseClass::OnCommand(command);
  }
  void OnNamedCommand() { calls.push_back("NamedCommand"); }
  void OnKeyCodePressed(kgui::KeyCode code) override {
    calls.push_back("KeyCodePressed " + std::to_string(code));
  }
  void OnKeyCodeTyped(kgui::KeyCode code) override {
    calls.push_back("KeyCodeTyped " + std::to_string(code));
  }
  void OnKeyTyped(int unichar) override { calls.push_back("KeyTyped " + std::to_string(unichar)); }
  void OnMouseWheeled(int delta) override { calls.push_back("MouseScrolled " + std::to_string(delta)); }
  void OnMousePressed(kgui::MouseCode code) override {
    calls.push_back("MousePressed " + std::to_string(code));
  }
  void RequestFocus(int direction) override { calls.push_back("RequestFocus " + std::to_string(direction)); }
};

BEGIN_MESSAGE_MAP(RecordingPanel, Panel)
MESSAGE_ENTRY("TextChanged", OnTextChanged, "panel", "text")
MESSAGE_ENTRY("RefreshServer", OnRefreshServer, "serverID")
MESSAGE_ENTRY("ConnectToServer", OnConnectToServer)
MESSAGE_ENTRY("LoadModList", OnLoadModList, "nAppID")
MESSAGE_ENTRY("Wide", OnWide, "text")
MESSAGE_ENTRY("Record", OnRecord, "data")
MESSAGE_ENTRY("Whole", OnWhole, nullptr)
MESSAGE_ENTRY("Float", OnFloat, "value")
MESSAGE_ENTRY("Flag", OnFlag, "flag")
MESSAGE_ENTRY("TwoFloats", OnTwoFloats, "a", "b")
MESSAGE_ENTRY("ButtonToggled", OnButtonToggled, "panel", "state")
MESSAGE_ENTRY("NamedCommand", OnNamedCommand)
END_MESSAGE_MAP()

// A derived class that handles "TextChanged" itself.
class DerivedPanel : public RecordingPanel {
  DECLARE_CLASS_SIMPLE(DerivedPanel, RecordingPanel);

 public:
  DerivedPanel(Panel *parent, const char *name) : RecordingPanel(parent, name) {}
  void OnDerivedTextChanged(const char *text) { calls.push_back(std::string("derived TextChanged ") + text); }
};

BEGIN_MESSAGE_MAP(DerivedPanel, kgui::RecordingPanel)
MESSAGE_ENTRY("TextChanged", OnDerivedTextChanged, "text")
END_MESSAGE_MAP()

// A third level that adds nothing: dispatch must walk through its empty map.
class LeafPanel : public DerivedPanel {
  DECLARE_CLASS_SIMPLE(LeafPanel, DerivedPanel);

 public:
  LeafPanel(Panel *parent, const char *name) : DerivedPanel(parent, name) {}
};

DEFINE_EMPTY_MESSAGE_MAP(LeafPanel, DerivedPanel)

class PanelMessaging : public ToolkitTest {
 protected:
  void Send(Panel *target, KeyValues *message) {
    kgui::ipanel()->SendMessage(target->GetVPanel(), message, 0);
    message->Destroy();
  }
  // Names of the messages queued for `target`, in queue order; the messages are destroyed.
  std::vector<std::string> QueuedFor(Panel *target) {
    std::vector<std::string> names;
    for (KeyValues *message : Runtime().TakeMessagesFor(target->GetVPanel())) {
      names.push_back(message->GetName());
      message->Destroy();
    }
    return names;
  }
};

TEST_F(PanelMessaging, DerivedEntryWinsOverBaseEntryOfTheSameName) {
  LeafPanel panel(nullptr, "leaf");
  Send(&panel, new KeyValues("TextChanged", "text", "abc"));
  EXPECT_EQ(panel.calls, std::vector<std::string>{"derived TextChanged abc"});
}

TEST_F(PanelMessaging, MissingAndExtraParametersStillCallTheHandler) {
  RecordingPanel panel(nullptr, "p");
  Send(&panel, new KeyValues("RefreshServer"));
  Send(&panel, new KeyValues("ConnectToServer", "unexpected", 5));
  Send(&panel, new KeyValues("refreshserver", "SERVERID", 42));  // names ignore letter case
  EXPECT_EQ(panel.calls,
            (std::vector<std::string>{"RefreshServer 0", "ConnectToServer", "RefreshServer 42"}));
  EXPECT_TRUE(m_Spew.Asserts().empty());
}

TEST_F(PanelMessaging, ParametersAreReadWithTheirTypeConversions) {
  RecordingPanel panel(nullptr, "p");
  Panel other(nullptr, "other");
  // A wide "text" reaches a text parameter as UTF-8; no "text" at all reads as "".
  KeyValues *fromComboBox = new KeyValues("TextChanged");
  fromComboBox->SetPtr("panel", &other);
  fromComboBox->SetWString("text", u"d\u00e9j\u00e0");
  Send(&panel, fromComboBox);
  KeyValues *fromTextEntry = new KeyValues("TextChanged");
  fromTextEntry->SetPtr("panel", &other);
  Send(&panel, fromTextEntry);
  Send(&panel, new KeyValues("LoadModList", "nAppID", static_cast<uint64>(243750)));
  Send(&panel, new KeyValues("LoadModList", "nAppID", "1200"));
  Send(&panel, new KeyValues("Wide", "text", "four"));
  Send(&panel, new KeyValues("Float", "value", "2.5"));
  KeyValues *record = new KeyValues("Record");
  KeyValuesAD data(new KeyValues("Server"));
  record->SetPtr("data", data.get());
  Send(&panel, record);
  Send(&panel, new KeyValues("Record"));
  Send(&panel, new KeyValues("Whole", "anything", 1));
  EXPECT_EQ(panel.calls,
            (std::vector<std::string>{"base TextChanged d\u00e9j\u00e0 panel", "base TextChanged  panel",
                                      "LoadModList 243750", "LoadModList 1200", "Wide 4", "Float 25",
                                      "Record Server", "Record null", "Whole Whole"}));
}

TEST_F(PanelMessaging, UnreadableParameterCodesAreReportedAndCountAsHandled) {
  m_Spew.Clear();
  RecordingPanel panel(nullptr, "reporter");
  Send(&panel, new KeyValues("Flag", "flag", 1));
  Send(&panel, new KeyValues("TwoFloats", "a", 1, "b", 2));
  EXPECT_TRUE(panel.calls.empty());
  ASSERT_EQ(m_Spew.Asserts().size(), 1u);
  EXPECT_EQ(m_Spew.Asserts()[0], "Assertion Failed: !(\"No handler for kgui message function\")");
  ASSERT_EQ(m_Spew.Messages().size(), 1u);
  EXPECT_EQ(m_Spew.Messages()[0], "Message 'TwoFloats', sent to 'reporter', has invalid parameter types\n");
}

TEST_F(PanelMessaging, MoreThanTwoParametersAreReported) {
  kgui::MessageMapItem_t item = kgui::MakeMessageMapItem<&RecordingPanel::OnConnectToServer>("ThreeParams");
  item.numParams = 3;
  kgui::RegisterPanelMessageMap("ThreeParamPanel", "RecordingPanel", nullptr, {item});
  // Route a plain RecordingPanel's messages through the extra map by linking it in front.
  kgui::PanelMessageMap *map = kgui::FindPanelMessageMap("ThreeParamPanel");
  ASSERT_NE(map, nullptr);
  EXPECT_EQ(map->baseMap, kgui::FindPanelMessageMap("RecordingPanel"));

  class ThreeParamPanel : public RecordingPanel {
   public:
    ThreeParamPanel() : RecordingPanel(nullptr, "three") {}
    kgui::PanelMessageMap *GetMessageMap() override { return kgui::FindPanelMessageMap("ThreeParamPanel"); }
  } panel;
  m_Spew.Clear();
  Send(&panel, new KeyValues("ThreeParams"));
  EXPECT_TRUE(panel.calls.empty());
  ASSERT_EQ(m_Spew.Asserts().size(), 1u);
  EXPECT_EQ(m_Spew.Asserts()[0], "Assertion Failed: !(\"Invalid number of parameters\")");
}

TEST_F(PanelMessaging, LegacyRequestFocusReadsItsParameterByName) {
  RecordingPanel panel(nullptr, "p");
  Send(&panel, new KeyValues("RequestFocus", "direction", -1));
  Send(&panel, new KeyValues("RequestFocus"));
  EXPECT_EQ(panel.calls, (std::vector<std::string>{"RequestFocus -1", "RequestFocus 0"}));
}

TEST_F(PanelMessaging, UnknownMessagesAreDroppedAndReportedOnlyWhenTracing) {
  RecordingPanel parent(nullptr, "parent");
  RecordingPanel child(&parent, "child");
  m_Spew.Clear();
  Send(&child, new KeyValues("NoSuchMessage"));
  EXPECT_TRUE(m_Spew.Messages().empty());
  EXPECT_TRUE(parent.calls.empty());  // never passed to the parent

  kgui::KGui_SetMessageTraceOverride(1);
  Send(&child, new KeyValues("NoSuchMessage"));
  Send(&child, new KeyValues("AnotherOne"));
  EXPECT_EQ(m_Spew.Messages(),
            (std::vector<std::string>{"Message 'NoSuchMessage' not handled by panel 'child'\n",
                                      "Message 'AnotherOne' not handled by panel 'child'\n"}));
}

TEST_F(PanelMessaging, CommandLineFlagIsOneWholeArgument) {
  struct Case {
    std::string cmdline;
    bool expected;
  };
  const Case cases[] = {
      {std::string("kgui-host\0-kguimessages\0module.so\0", 34), true},
      {std::string("kgui-host\0-kguimessages", 23), true},
      {std::string("kgui-host\0-kguimessagesx\0", 25), false},
      {std::string("kgui-host\0--kguimessages\0", 25), false},
      {std::string("", 0), false},
  };
  for (const Case &c : cases)
    EXPECT_EQ(kgui::KGui_CommandLineHasFlag(c.cmdline.data(), c.cmdline.size(), "-kguimessages"), c.expected)
        << c.cmdline.size();
}

TEST_F(PanelMessaging, ClassNamesShareMapsIgnoringCaseAndNamespace) {
  kgui::PanelMessageMap *frame = kgui::FindOrAddPanelMessageMap("kgui::Frame");
  EXPECT_EQ(frame, kgui::FindOrAddPanelMessageMap("Frame"));
  EXPECT_EQ(frame, kgui::FindOrAddPanelMessageMap("KGUI::frame"));
  EXPECT_NE(frame, kgui::FindOrAddPanelMessageMap("FrameX"));
}

TEST_F(PanelMessaging, ClassRegistersOnceInDeclarationOrderChainedToItsBase) {
  { LeafPanel first(nullptr, "a"); }
  LeafPanel second(nullptr, "b");
  kgui::PanelMessageMap *leaf = kgui::FindPanelMessageMap("LeafPanel");
  ASSERT_NE(leaf, nullptr);
  EXPECT_TRUE(leaf->entries.empty());
  ASSERT_EQ(leaf->baseMap, kgui::FindPanelMessageMap("DerivedPanel"));
  ASSERT_EQ(leaf->baseMap->baseMap, kgui::FindPanelMessageMap("RecordingPanel"));
  const kgui::PanelMessageMap *panelMap = leaf->baseMap->baseMap->baseMap;
  ASSERT_EQ(panelMap, kgui::FindPanelMessageMap("Panel"));
  EXPECT_EQ(panelMap->baseMap, nullptr);
  ASSERT_EQ(panelMap->entries.size(), 34u);
  EXPECT_STREQ(panelMap->entries.front().name, "Repaint");
  EXPECT_STREQ(panelMap->entries[1].name, "Command");
  EXPECT_STREQ(panelMap->entries.back().name, "Move");
  EXPECT_EQ(leaf->baseMap->baseMap->entries.size(), 12u);
  EXPECT_STREQ(leaf->pfnClassName(), "LeafPanel");
}

TEST_F(PanelMessaging, ActionSignalWithoutTargetsDestroysTheMessage) {
  Panel panel(nullptr, "p");
  panel.PostActionSignal(new KeyValues("Nobody"));  // the leak check would catch a kept message
  EXPECT_EQ(Runtime().PendingMessageCount(), 0);
}

TEST_F(PanelMessaging, ActionSignalGoesToTargetsNewestFirstWithTheOriginalLast) {
  Panel sender(nullptr, "sender");
  Panel first(nullptr, "first"), second(nullptr, "second"), third(nullptr, "third");
  sender.AddActionSignalTarget(&first);
  sender.AddActionSignalTarget(&second);
  sender.AddActionSignalTarget(&third);
  sender.AddActionSignalTarget(&first);  // listed once
  EXPECT_EQ(sender.GetActionSignalTargetCount(), 3);
  KeyValues *message = new KeyValues("Changed");
  sender.PostActionSignal(message);
  const std::vector<kguitest::PostedMessage> &queue = Runtime().Queue();
  ASSERT_EQ(queue.size(), 3u);
  EXPECT_EQ(queue[0].target, third.GetVPanel());
  EXPECT_EQ(queue[1].target, second.GetVPanel());
  EXPECT_EQ(queue[2].target, first.GetVPanel());
  EXPECT_EQ(queue[2].message, message);
  EXPECT_NE(queue[0].message, message);
  for (const kguitest::PostedMessage &posted : queue) {
    EXPECT_EQ(posted.from, sender.GetVPanel());
    EXPECT_EQ(posted.message->GetPtr("panel"), static_cast<Panel *>(&sender));
  }
}

TEST_F(PanelMessaging, RemovedAndDeletedTargetsAreSkipped) {
  Panel sender(nullptr, "sender");
  Panel kept(nullptr, "kept"), removed(nullptr, "removed");
  auto *deleted = new Panel(nullptr, "deleted");
  sender.AddActionSignalTarget(deleted);
  sender.AddActionSignalTarget(&removed);
  sender.AddActionSignalTarget(&kept);
  sender.RemoveActionSignalTarget(&removed);
  delete deleted;
  sender.PostActionSignal(new KeyValues("Changed"));
  ASSERT_EQ(Runtime().Queue().size(), 1u);
  EXPECT_EQ(Runtime().Queue()[0].target, kept.GetVPanel());
}

TEST_F(PanelMessaging, ButtonCommandReachesOwnerAsCommandThenAsNamedMessage) {
  RecordingPanel owner(nullptr, "owner");
  kgui::Button button(&owner, "button", "Go", &owner, "NamedCommand");
  button.DoClick();
  Runtime().DeliverMessages();
  // The owner's OnCommand falls through to the default, which posts "NamedCommand" to itself.
  EXPECT_EQ(owner.calls, (std::vector<std::string>{"Command NamedCommand", "NamedCommand"}));
}

TEST_F(PanelMessaging, DefaultCommandSignalsTheCommandToTheOwners) {
  RecordingPanel owner(nullptr, "owner");
  Panel middle(nullptr, "middle");
  middle.AddActionSignalTarget(&owner);
  middle.OnCommand("NamedCommand");
  EXPECT_EQ(QueuedFor(&middle), std::vector<std::string>{"NamedCommand"});
  Runtime().DeliverMessages();
  EXPECT_EQ(owner.calls, std::vector<std::string>{"NamedCommand"});
}

TEST_F(PanelMessaging, PostMessageWithoutTargetIsReported) {
  Panel panel(nullptr, "p");
  m_Spew.Clear();
  panel.PostMessage(static_cast<Panel *>(nullptr), new KeyValues("Lost"));
  ASSERT_EQ(m_Spew.Asserts().size(), 1u);
  EXPECT_EQ(m_Spew.Asserts()[0], "Assertion Failed: target");
}

TEST_F(PanelMessaging, DelayedMessagesArriveWhenDue) {
  RecordingPanel panel(nullptr, "p");
  panel.PostMessage(&panel, new KeyValues("RefreshServer", "serverID", 2), 0.5f);
  panel.PostMessage(&panel, new KeyValues("RefreshServer", "serverID", 1));
  Runtime().DeliverMessages();
  EXPECT_EQ(panel.calls, std::vector<std::string>{"RefreshServer 1"});
  Advance(0.5);
  EXPECT_EQ(panel.calls, (std::vector<std::string>{"RefreshServer 1", "RefreshServer 2"}));
}

TEST_F(PanelMessaging, UnhandledInputTravelsUpToTheParent) {
  RecordingPanel parent(nullptr, "parent");
  Panel middle(&parent, "middle");
  Panel child(&middle, "child");
  Send(&child, new KeyValues("KeyCodePressed", "code", kgui::KEY_F5));
  Send(&child, new KeyValues("KeyCodeTyped", "code", kgui::KEY_ENTER));
  Send(&child, new KeyValues("KeyTyped", "unichar", 'x'));
  Send(&child, new KeyValues("MouseScrolled", "delta", -1));
  Send(&child, new KeyValues("MousePressed", "code", kgui::MOUSE_LEFT));  // stops at its target
  EXPECT_EQ(parent.calls, (std::vector<std::string>{"KeyCodePressed 98", "KeyCodeTyped 66", "KeyTyped 120",
                                                    "MouseScrolled -1"}));
}

TEST_F(PanelMessaging, TabMovesTheFocusInsteadOfTravellingUp) {
  RecordingPanel parent(nullptr, "parent");
  kgui::Button first(&parent, "first", "1");
  kgui::Button second(&parent, "second", "2");
  parent.SetParent(Runtime().Desktop());
  first.RequestFocus();
  Runtime().PressKey(kgui::KEY_TAB);
  EXPECT_TRUE(second.HasFocus());
  Runtime().PressKey(kgui::KEY_TAB);
  EXPECT_TRUE(first.HasFocus());
  Runtime().PressKey(kgui::KEY_TAB, false, true);
  EXPECT_TRUE(second.HasFocus());
  for (const std::string &call : parent.calls) EXPECT_EQ(call.find("KeyCodeTyped 69"), std::string::npos);
}

}  // namespace
