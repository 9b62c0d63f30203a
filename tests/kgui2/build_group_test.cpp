// Layout resources: the factory registry, matching blocks to panels, creating controls by class
// name, the file cache, the keys every panel reads, bad files and reloads.
#include <cstring>
#include <string>
#include <vector>

#include "kgui_controls/AnimationController.h"
#include "kgui_controls/BuildFactoryHelper.h"
#include "kgui_controls/Button.h"
#include "kgui_controls/EditablePanel.h"
#include "kgui_controls/Frame.h"
#include "kgui_controls/Label.h"
#include "kgui_controls/Tooltip.h"
#include "kgui_controls/controls.h"
#include "support/toolkit_fixture.h"
#include "tier1/KeyValues.h"

using kgui::Button;
using kgui::EditablePanel;
using kgui::Label;
using kgui::Panel;

namespace {

class BuildGroupTest : public ToolkitTest {
 protected:
  BuildGroupTest() {
    m_pDialog = new EditablePanel(nullptr, "Dialog");
    m_pDialog->SetParent(Runtime().Desktop());
    m_pDialog->SetBounds(0, 0, 400, 300);
  }
  ~BuildGroupTest() override { delete m_pDialog; }

  // Applies `blocks` (the body of a layout file) from a file of that name.
  void Load(const std::string &blocks, const char *file = "servers/Test.res") {
    WriteFile(file, "\"" + std::string(file) + "\"\n{\n" + blocks + "\n}\n");
    m_pDialog->LoadControlSettings(file);
  }
  Panel *Child(const char *name) { return m_pDialog->FindChildByName(name); }

  EditablePanel *m_pDialog;
};

TEST_F(BuildGroupTest, RegistryKnowsTheBuiltInClassesIgnoringCase) {
  const char *names[] = {"Panel",
                         "Label",
                         "Button",
                         "ToggleButton",
                         "CheckButton",
                         "EditablePanel",
                         "TextEntry",
                         "ComboBox",
                         "MessageBox",
                         "RadioButton",
                         "Menu",
                         "AnimatingImagePanel",
                         "CBitmapImagePanel",
                         "Divider",
                         "GraphPanel",
                         "ImagePanel",
                         "ListViewPanel",
                         "MenuBar",
                         "MenuButton",
                         "MenuItem",
                         "ProgressBar",
                         "RichText",
                         "ScrollBar_Horizontal",
                         "ScrollBar_Vertical",
                         "ScrollBar",
                         "TreeView",
                         "CTreeViewListControl",
                         "URLLabel"};
  for (const char *name : names) {
    std::string upper(name);
    for (char &c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    Panel *control = kgui::CBuildFactoryHelper::InstancePanel(upper.c_str());
    ASSERT_NE(control, nullptr) << name;
    const std::string expected = std::string(name).rfind("ScrollBar", 0) == 0 ? "ScrollBar" : name;
    EXPECT_EQ(control->GetClassName(), expected);
    // Every control takes a block and draws.
    control->SetParent(m_pDialog);
    KeyValuesAD block(new KeyValues(name, "xpos", "5", "wide", "50"));
    control->ApplySettings(block.get());
    EXPECT_EQ(control->GetXPos(), 5) << name;
    delete control;
  }
  EXPECT_EQ(kgui::CBuildFactoryHelper::InstancePanel("NoSuchControl"), nullptr);
  EXPECT_EQ(kgui::CBuildFactoryHelper::InstancePanel(nullptr), nullptr);
}

TEST_F(BuildGroupTest, EveryBuiltInControlPaintsInsideAWindow) {
  for (const char *name : kgui::CBuildFactoryHelper::GetFactoryNames()) {
    Panel *control = kgui::CBuildFactoryHelper::InstancePanel(name);
    ASSERT_NE(control, nullptr) << name;
    control->SetParent(m_pDialog);
    control->SetBounds(10, 10, 120, 60);
    control->SetVisible(true);
  }
  Runtime().RunFrame();
  Runtime().PaintAll();
  EXPECT_GT(Runtime().DrawCallCount(), 0);
  EXPECT_TRUE(m_Spew.Asserts().empty());
}

TEST_F(BuildGroupTest, DuplicateFactoryEndsTheProcess) {
  auto make = []() -> Panel * { return nullptr; };
  EXPECT_DEATH({ kgui::CBuildFactoryHelper duplicate("button", make); }, "");
}

TEST_F(BuildGroupTest, BlockWithoutChildCreatesTheNamedClass) {
  Load(
      "\"OkButton\" { \"ControlName\" \"Button\" \"xpos\" \"10\" \"ypos\" \"20\" \"wide\" \"80\" \"tall\" "
      "\"24\" "
      "\"labelText\" \"OK\" \"command\" \"Ok\" }");
  auto *button = dynamic_cast<Button *>(Child("OkButton"));
  ASSERT_NE(button, nullptr);
  int x = 0, y = 0, wide = 0, tall = 0;
  button->GetBounds(x, y, wide, tall);
  EXPECT_EQ((std::vector<int>{x, y, wide, tall}), (std::vector<int>{10, 20, 80, 24}));
  EXPECT_EQ(button->GetText(), "OK");
  EXPECT_STREQ(button->GetCommand()->GetString("command"), "Ok");
  std::vector<Panel *> group = m_pDialog->GetBuildGroup()->GetPanels();
  EXPECT_NE(std::find(group.begin(), group.end(), button), group.end());
}

TEST_F(BuildGroupTest, BlockAppliesToExistingChildIgnoringCase) {
  auto *existing = new Button(m_pDialog, "okbutton", "Made in code");
  Load("\"OKBUTTON\" { \"ControlName\" \"Label\" \"xpos\" \"33\" }");
  EXPECT_EQ(existing->GetXPos(), 33);
  EXPECT_EQ(m_pDialog->GetChildCount(), 1);
}

// Blocks find panels by their names at the time the block is applied: the first of two alike
// names, a name given in code since the last load, a name a block has just given ("fieldName"),
// never a panel that is gone.
TEST_F(BuildGroupTest, BlocksFindPanelsByTheirCurrentNames) {
  auto *first = new Label(m_pDialog, "Twin", "");
  auto *second = new Label(m_pDialog, "TWIN", "");
  auto *renamed = new Label(m_pDialog, "Before", "");
  auto *doomed = new Label(m_pDialog, "Doomed", "");
  Load("\"twin\" { \"xpos\" \"5\" }");
  EXPECT_EQ(first->GetXPos(), 5);
  EXPECT_EQ(second->GetXPos(), 0);

  renamed->SetName("After");
  delete doomed;
  Load(
      "\"Before\" { \"ControlName\" \"Label\" \"xpos\" \"1\" }\n"
      "\"After\" { \"xpos\" \"2\" \"fieldName\" \"Later\" }\n"
      "\"Later\" { \"ypos\" \"3\" }\n"
      "\"After\" { \"ControlName\" \"Button\" \"xpos\" \"4\" }\n"
      "\"Doomed\" { \"ControlName\" \"Label\" \"xpos\" \"6\" }",
      "servers/Names.res");
  EXPECT_EQ(renamed->GetXPos(), 2);
  EXPECT_EQ(renamed->GetYPos(), 3) << "found under the name its block gave it";
  EXPECT_STREQ(renamed->GetName(), "Later");
  Panel *before = Child("Before");
  ASSERT_NE(before, nullptr);
  EXPECT_NE(before, renamed);
  EXPECT_EQ(before->GetXPos(), 1);
  auto *after = dynamic_cast<Button *>(Child("After"));
  ASSERT_NE(after, nullptr) << "the old name no longer finds the renamed panel";
  EXPECT_EQ(after->GetXPos(), 4);
  ASSERT_NE(Child("Doomed"), nullptr);
  EXPECT_EQ(Child("Doomed")->GetXPos(), 6);
  const std::vector<Panel *> group = m_pDialog->GetBuildGroup()->GetPanels();
  EXPECT_EQ(group.size(), 7u) << "the dialog, three labels made in code, three controls made from the file";
}

// A layout of many controls: every block found or made at the same cost however many the group
// holds (each block scanned the whole group, and each joining panel did too).
TEST_F(BuildGroupTest, LayoutsOfManyControls) {
  const int count = 20000;
  std::string made;
  std::string coded;
  for (int i = 0; i < count; ++i) {
    new Label(m_pDialog, ("coded" + std::to_string(i)).c_str(), "");
    coded += "\"Coded" + std::to_string(i) + "\" { \"xpos\" \"" + std::to_string(i % 300) + "\" }\n";
    made += "\"made" + std::to_string(i) + "\" { \"ControlName\" \"Label\" \"ypos\" \"" +
            std::to_string(i % 200) + "\" }\n";
  }
  Load(coded + made, "servers/Many.res");
  EXPECT_EQ(m_pDialog->GetChildCount(), 2 * count);
  EXPECT_EQ(m_pDialog->GetBuildGroup()->GetPanels().size(), static_cast<size_t>(2 * count + 1));
  bool placed = true;
  for (int i = 0; i < 2 * count; ++i) {
    Panel *child = m_pDialog->GetChild(i);
    placed = placed && (i < count ? child->GetXPos() == i % 300 : child->GetYPos() == (i - count) % 200);
  }
  EXPECT_TRUE(placed);

  // A reload compares every block with the one applied before.
  WriteFile("servers/Many.res", "\"x\" {\n" + coded + made + "\"made7\" { \"xpos\" \"77\" }\n}\n");
  m_Spew.Clear();
  KeyValuesAD message(new KeyValues("LayoutFileChanged", "file", "servers/Many.res"));
  kgui::ipanel()->SendMessage(m_pDialog->GetVPanel(), message.get(), 0);
  EXPECT_EQ(Child("made7")->GetXPos(), 77);
  EXPECT_EQ(m_Spew.Messages(),
            std::vector<std::string>{"[made7] applying key 'xpos', has changed from '' to '77'\n"});
  EXPECT_EQ(m_pDialog->GetChildCount(), 2 * count);
}

TEST_F(BuildGroupTest, BlockNamedLikeTheOwnerPlacesTheOwner) {
  Load("\"DIALOG\" { \"ControlName\" \"EditablePanel\" \"xpos\" \"40\" \"wide\" \"320\" }");
  EXPECT_EQ(m_pDialog->GetXPos(), 40);
  EXPECT_EQ(m_pDialog->GetWide(), 320);
  EXPECT_EQ(m_pDialog->GetChildCount(), 0);
}

TEST_F(BuildGroupTest, UnknownClassesAndValueKeysAreSkipped) {
  Load(
      "\"Ghost\" { \"ControlName\" \"NoSuchControl\" \"xpos\" \"10\" }\n"
      "\"Nameless\" { \"xpos\" \"10\" }\n"
      "\"stray\" \"value\"\n"
      "\"Real\" { \"ControlName\" \"Label\" }");
  EXPECT_EQ(Child("Ghost"), nullptr);
  EXPECT_EQ(Child("Nameless"), nullptr);
  EXPECT_EQ(Child("stray"), nullptr);
  EXPECT_NE(Child("Real"), nullptr);
}

TEST_F(BuildGroupTest, FileIsReadOnceForEveryNameSpelling) {
  WriteFile("servers/Shared.res", "\"Shared\" { \"Title\" { \"ControlName\" \"Label\" } }");
  EditablePanel second(nullptr, "Second");
  m_pDialog->LoadControlSettings("servers/Shared.res");
  second.LoadControlSettings("servers\\Shared.res");
  EXPECT_EQ(Runtime().OpenCount("servers/Shared.res"), 1);
  EXPECT_NE(second.FindChildByName("Title"), nullptr);
  EXPECT_STREQ(second.GetBuildGroup()->GetResourceName(), "servers\\Shared.res");
}

TEST_F(BuildGroupTest, MissingFileAppliesNothing) {
  new Button(m_pDialog, "Keep", "kept");
  m_pDialog->LoadControlSettings("servers/Missing.res");
  EXPECT_EQ(m_pDialog->GetChildCount(), 1);
  EXPECT_TRUE(m_Spew.Asserts().empty());
}

TEST_F(BuildGroupTest, BrokenFileIsAppliedAsFarAsItGoes) {
  WriteFile("servers/Broken.res",
            "\"Broken\"\n{\n\t\"First\" { \"ControlName\" \"Label\" \"xpos\" \"abc\" \"ypos\" \"7\" }\n"
            "\t\"Second\" { \"ControlName\" \"Label\" \"wide\" \"12x\" }\n\t\"Third\" {\n");
  new Label(m_pDialog, "First", "");
  Child("First")->SetPos(3, 0);
  m_pDialog->LoadControlSettings("servers/Broken.res");
  ASSERT_NE(Child("First"), nullptr);
  EXPECT_EQ(Child("First")->GetXPos(), 3);  // a bad number keeps the current value
  EXPECT_EQ(Child("First")->GetYPos(), 7);
  ASSERT_NE(Child("Second"), nullptr);
  EXPECT_TRUE(m_Spew.Contains("'xpos' has a bad number 'abc'"));
  EXPECT_TRUE(m_Spew.Contains("'wide' has a bad number '12x'"));
}

TEST_F(BuildGroupTest, ControlsSectionAndLayoutFiles) {
  WriteFile("servers/WithSection.res",
            "\"File\" { \"other\" { \"NotAControl\" { \"ControlName\" \"Label\" } } "
            "\"controls\" { \"Inside\" { \"ControlName\" \"Label\" } } }");
  m_pDialog->LoadControlSettings("servers/WithSection.res");
  EXPECT_NE(Child("Inside"), nullptr);
  EXPECT_EQ(Child("NotAControl"), nullptr);
  EXPECT_EQ(Child("other"), nullptr);

  // A .layout file applies only its "controls" section, even when it has none.
  WriteFile("servers/Plain.layout", "\"File\" { \"Outside\" { \"ControlName\" \"Label\" } }");
  m_pDialog->LoadControlSettings("servers/Plain.layout");
  EXPECT_EQ(Child("Outside"), nullptr);
}

TEST_F(BuildGroupTest, PositionAndSizeKeys) {
  struct Case {
    const char *key;
    const char *value;
    int x, y, wide, tall;
  };
  const Case cases[] = {
      {"xpos", "r20", 380, 5, 50, 40},  {"xpos", "c-50", 150, 5, 50, 40}, {"xpos", "C10", 210, 5, 50, 40},
      {"ypos", "r100", 5, 200, 50, 40}, {"ypos", "c0", 5, 150, 50, 40},   {"wide", "max", 5, 5, 400, 40},
      {"wide", "r10", 5, 5, 385, 40},   {"tall", "r10", 5, 5, 50, 285},   {"tall", "12.9", 5, 5, 50, 12},
      {"xpos", "-7", -7, 5, 50, 40},
  };
  for (const Case &c : cases) {
    Panel child(m_pDialog, "child");
    child.SetBounds(5, 5, 50, 40);
    KeyValuesAD block(new KeyValues("child", c.key, c.value));
    child.ApplySettings(block.get());
    int x = 0, y = 0, wide = 0, tall = 0;
    child.GetBounds(x, y, wide, tall);
    EXPECT_EQ((std::vector<int>{x, y, wide, tall}), (std::vector<int>{c.x, c.y, c.wide, c.tall}))
        << c.key << " " << c.value;
  }
}

TEST_F(BuildGroupTest, ProportionalPanelsScaleTheirNumbers) {
  Panel child(m_pDialog, "child");
  child.SetProportional(true);
  KeyValuesAD block(new KeyValues("child", "xpos", "10", "wide", "30"));
  child.ApplySettings(block.get());
  EXPECT_EQ(child.GetXPos(), 20);  // the fake host doubles
  EXPECT_EQ(child.GetWide(), 60);
}

TEST_F(BuildGroupTest, RelativePositionWithoutParentIsReported) {
  Panel orphan(nullptr, "orphan");
  KeyValuesAD block(new KeyValues("orphan", "xpos", "r20"));
  m_Spew.Clear();
  orphan.ApplySettings(block.get());
  EXPECT_EQ(orphan.GetXPos(), -20);
  ASSERT_EQ(m_Spew.Asserts().size(), 1u);
  EXPECT_EQ(m_Spew.Asserts()[0], "Assertion Failed: GetVParent()");
}

TEST_F(BuildGroupTest, VisibleKey) {
  struct Case {
    const char *value;  // null: no key
    bool before;
    bool after;
  };
  const Case cases[] = {{nullptr, false, true}, {"1", false, true}, {"0", true, false},
                        {"-1", false, false},   {"-1", true, true}, {"2", false, true}};
  for (const Case &c : cases) {
    Panel child(m_pDialog, "child");
    child.SetVisible(c.before);
    KeyValuesAD block(new KeyValues("child"));
    if (c.value) block->SetString("visible", c.value);
    child.ApplySettings(block.get());
    EXPECT_EQ(child.IsVisible(), c.after) << (c.value ? c.value : "none") << " " << c.before;
  }
}

TEST_F(BuildGroupTest, SingleKeysEveryPanelReads) {
  Panel child(m_pDialog, "child");
  KeyValuesAD block(new KeyValues("child"));
  block->SetString("tooltipdelay", "100");  // no tooltip yet: ignored
  block->SetString("tabposition", "4");
  block->SetString("enabled", "0");
  block->SetString("zpos", "3");
  block->SetString("mouseinputenabled", "0");
  block->SetString("keyboardinputenabled", "0");
  block->SetString("group", "filters");
  block->SetString("style", "slim");
  block->SetString("tooltiptext", "#Tip");
  block->SetString("tooltipanchor", "Parent");
  block->SetString("fieldName", "renamed");
  block->SetString("IgnoreScheme", "1");
  child.ApplySettings(block.get());
  EXPECT_EQ(child.GetTabPosition(), 4);
  EXPECT_FALSE(child.IsEnabled());
  EXPECT_EQ(child.GetZPos(), 3);
  EXPECT_FALSE(child.IsMouseInputEnabled());
  EXPECT_FALSE(child.IsKeyboardInputEnabled());
  EXPECT_STREQ(child.GetGroupName(), "filters");
  EXPECT_STREQ(child.GetStyleName(), "slim");
  EXPECT_STREQ(child.GetName(), "renamed");
  EXPECT_TRUE(child.IsIgnoringScheme());
  ASSERT_TRUE(child.HasTooltip());
  EXPECT_STREQ(child.GetTooltip()->GetText(), "#Tip");
  EXPECT_EQ(child.GetTooltip()->GetTooltipDelay(), 500);
  EXPECT_EQ(child.GetTooltip()->GetTooltipAnchor(), kgui::Tooltip::ANCHOR_PARENT);

  KeyValuesAD tuning(new KeyValues("child", "tooltipdelay", "-5", "tooltipanchor", "Sideways"));
  child.ApplySettings(tuning.get());
  EXPECT_EQ(child.GetTooltip()->GetTooltipDelay(), 500);  // negative delays are ignored
  EXPECT_EQ(child.GetTooltip()->GetTooltipAnchor(), kgui::Tooltip::ANCHOR_DEFAULT);
  KeyValuesAD delay(new KeyValues("child", "tooltipdelay", "250"));
  child.ApplySettings(delay.get());
  EXPECT_EQ(child.GetTooltip()->GetTooltipDelay(), 250);
}

TEST_F(BuildGroupTest, AnimatableVariablesAreLayoutKeys) {
  kgui::Frame frame(nullptr, "frame");
  KeyValuesAD block(new KeyValues("frame", "TransitionEffectTime", "0.75"));
  frame.ApplySettings(block.get());
  float value[4];
  bool isColor = true;
  ASSERT_TRUE(kgui::AnimationController::GetValue(&frame, "TransitionEffectTime", value, isColor));
  EXPECT_FLOAT_EQ(value[0], 0.75f);
  EXPECT_FALSE(isColor);
}

TEST_F(BuildGroupTest, CreationRequestTravelsUpToTheEditablePanel) {
  Panel plain(m_pDialog, "plain");
  KeyValuesAD request(new KeyValues("ControlFactory", "ControlName", "Label"));
  ASSERT_TRUE(kgui::ipanel()->RequestInfo(plain.GetVPanel(), request.get()));
  auto *created = static_cast<Panel *>(request->GetPtr("PanelPtr"));
  ASSERT_NE(created, nullptr);
  EXPECT_STREQ(created->GetClassName(), "Label");
  delete created;
  KeyValuesAD unknown(new KeyValues("ControlFactory", "ControlName", "Nothing"));
  EXPECT_FALSE(kgui::ipanel()->RequestInfo(plain.GetVPanel(), unknown.get()));
}

TEST_F(BuildGroupTest, OwnersMayCreateClassesOfTheirOwn) {
  class Dialog : public EditablePanel {
   public:
    Dialog() : EditablePanel(nullptr, "Custom") {}
    Panel *CreateControlByName(const char *name) override {
      if (!strcmp(name, "StatusLine")) return new Label(nullptr, nullptr, "ready");
      return EditablePanel::CreateControlByName(name);
    }
  } dialog;
  WriteFile("servers/Custom.res", "\"x\" { \"Status\" { \"ControlName\" \"StatusLine\" } }");
  dialog.LoadControlSettings("servers/Custom.res");
  auto *status = dynamic_cast<Label *>(dialog.FindChildByName("Status"));
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(status->GetText(), "ready");
}

TEST_F(BuildGroupTest, ReloadAppliesWhatChanged) {
  Load("\"Title\" { \"ControlName\" \"Label\" \"xpos\" \"10\" \"labelText\" \"Old\" \"wide\" \"90\" }");
  auto *title = dynamic_cast<Label *>(Child("Title"));
  ASSERT_NE(title, nullptr);
  title->SetText("Changed in code");
  WriteFile(
      "servers/Test.res",
      "\"x\" { \"Title\" { \"ControlName\" \"Label\" \"xpos\" \"25\" \"labelText\" \"OLD\" \"wide\" \"90\" }"
      " \"Added\" { \"ControlName\" \"Button\" } }");
  m_Spew.Clear();
  KeyValuesAD message(new KeyValues("LayoutFileChanged", "file", "SERVERS/test.res"));
  kgui::ipanel()->SendMessage(m_pDialog->GetVPanel(), message.get(), 0);
  EXPECT_EQ(title->GetXPos(), 25);
  EXPECT_EQ(title->GetText(), "Changed in code");  // "OLD" differs only in case: not applied
  EXPECT_NE(Child("Added"), nullptr);
  EXPECT_EQ(m_Spew.Messages(),
            std::vector<std::string>{"[Title] applying key 'xpos', has changed from '10' to '25'\n"});
  EXPECT_EQ(Runtime().OpenCount("servers/Test.res"), 2);
}

TEST_F(BuildGroupTest, LayoutFileChangedForAnotherFileChangesNothing) {
  Load("\"Title\" { \"ControlName\" \"Label\" \"xpos\" \"10\" }");
  KeyValuesAD message(new KeyValues("LayoutFileChanged", "file", "servers/Other.res"));
  kgui::ipanel()->SendMessage(m_pDialog->GetVPanel(), message.get(), 0);
  EXPECT_EQ(Runtime().OpenCount("servers/Test.res"), 1);
}

TEST_F(BuildGroupTest, NestedPanelsReloadTheirOwnFiles) {
  auto *page = new EditablePanel(m_pDialog, "Page");
  WriteFile("servers/Page.res", "\"x\" { \"Inner\" { \"ControlName\" \"Label\" \"xpos\" \"1\" } }");
  page->LoadControlSettings("servers/Page.res");
  WriteFile("servers/Page.res", "\"x\" { \"Inner\" { \"ControlName\" \"Label\" \"xpos\" \"2\" } }");
  KeyValuesAD message(new KeyValues("LayoutFileChanged", "file", "servers\\Page.res"));
  kgui::ipanel()->SendMessage(m_pDialog->GetVPanel(), message.get(), 0);
  ASSERT_NE(page->FindChildByName("Inner"), nullptr);
  EXPECT_EQ(page->FindChildByName("Inner")->GetXPos(), 2);
}

TEST_F(BuildGroupTest, PinnedChildrenFollowTheirParent) {
  Panel corner(m_pDialog, "corner");
  Panel stretch(m_pDialog, "stretch");
  KeyValuesAD cornerBlock(new KeyValues("corner", "xpos", "r60", "ypos", "r40"));
  cornerBlock->SetString("wide", "50");
  cornerBlock->SetString("tall", "30");
  cornerBlock->SetInt("PinCorner", kgui::PIN_BOTTOMRIGHT);
  corner.ApplySettings(cornerBlock.get());
  KeyValuesAD stretchBlock(new KeyValues("stretch", "xpos", "10", "ypos", "10"));
  stretchBlock->SetString("wide", "r10");
  stretchBlock->SetString("tall", "r50");
  stretchBlock->SetInt("AutoResize", kgui::AUTORESIZE_DOWNANDRIGHT);
  stretchBlock->SetInt("PinCorner", kgui::PIN_TOPLEFT);
  stretch.ApplySettings(stretchBlock.get());

  m_pDialog->SetSize(600, 500);
  Runtime().RunFrame();
  int x = 0, y = 0, wide = 0, tall = 0;
  corner.GetBounds(x, y, wide, tall);
  EXPECT_EQ((std::vector<int>{x, y, wide, tall}), (std::vector<int>{540, 460, 50, 30}));
  stretch.GetBounds(x, y, wide, tall);
  EXPECT_EQ((std::vector<int>{x, y, wide, tall}), (std::vector<int>{10, 10, 580, 440}));
}

}  // namespace
