// The state dump: every top-level panel and popup with its children, as key/value text.
#include "host/panel_dumper.h"
#include "tests/host/host_fixture.h"

namespace kguihost {
namespace {

using DumpTest = HostTest;

TEST_F(DumpTest, ListsPanelsBackToFrontWithScreenPositionsAndDescriptions) {
  auto window = MakePanel("Window", 0, 100, 50, 300, 200);
  auto label = MakePanel("Label", window->id, 10, 20, 80, 16);
  label->text = "Grüße";
  auto hidden = MakePanel("Hidden", window->id, 0, 0, 5, 5);
  Runtime().PanelInterface().SetVisible(hidden->id, false);
  Runtime().PanelInterface().SetEnabled(hidden->id, false);
  auto popup = MakePopup("Menu", 400, 300, 50, 60);
  Runtime().PanelInterface().SetParent(popup->id, label->id);  // listed once, at the top level

  KeyValuesAD dump(CPanelDumper(Runtime()).Build());
  KeyValues *first = dump->GetFirstSubKey();
  ASSERT_NE(first, nullptr);
  EXPECT_STREQ(first->GetString("name"), "Window");
  EXPECT_STREQ(first->GetString("class"), "Probe");
  EXPECT_EQ(first->GetInt("x"), 100);
  EXPECT_EQ(first->GetInt("wide"), 300);
  KeyValues *children = first->FindKey("Children");
  ASSERT_NE(children, nullptr);
  KeyValues *labelBlock = children->GetFirstSubKey();
  EXPECT_STREQ(labelBlock->GetString("name"), "Label");
  EXPECT_EQ(labelBlock->GetInt("x"), 110);
  EXPECT_EQ(labelBlock->GetInt("y"), 70);
  EXPECT_STREQ(labelBlock->GetString("text"), "Grüße");
  EXPECT_EQ(labelBlock->FindKey("Children"), nullptr);
  KeyValues *hiddenBlock = labelBlock->GetNextKey();
  EXPECT_EQ(hiddenBlock->GetInt("visible", -1), 0);
  EXPECT_EQ(hiddenBlock->GetInt("enabled", -1), 0);
  KeyValues *menu = first->GetNextKey();
  ASSERT_NE(menu, nullptr);
  EXPECT_STREQ(menu->GetString("name"), "Menu");
  EXPECT_EQ(menu->GetInt("x"), 400);
  EXPECT_EQ(menu->GetNextKey(), nullptr);
}

TEST_F(DumpTest, WritesAFileThatReadsBack) {
  auto window = MakePanel("Window", 0, 1, 2, 3, 4);
  window->text = "say \"hi\"";
  std::string path = m_Dir.File("dump.vdf");
  ASSERT_TRUE(CPanelDumper(Runtime()).Write(path));
  KeyValuesAD back(new KeyValues("Panels"));
  ASSERT_TRUE(back->LoadFromFile(&Runtime().FileSystem(), path.c_str()));
  EXPECT_STREQ(back->FindKey("Panel")->GetString("text"), "say \"hi\"");
  EXPECT_TRUE(CPanelDumper(Runtime()).Write(m_Dir.File("new/folder/dump.vdf")));
  EXPECT_FALSE(CPanelDumper(Runtime()).Write(path + "/under/a/file.vdf"));
}

}  // namespace
}  // namespace kguihost
