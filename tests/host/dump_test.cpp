// The state dump: every top-level panel and popup with its children, as key/value text.
#include <memory>
#include <string>
#include <vector>

#include "host/panel_dumper.h"
#include "support/temp_dir.h"
#include "tests/host/host_fixture.h"
#include "tier1/keyvalues_text/control_characters.h"

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

// A printed dump runs no escape sequence: control characters in names and texts are written as
// \xNN, tabs and line breaks stay, and every text reads back exactly.
TEST_F(DumpTest, FileEscapesControlCharactersAndKeepsTheTexts) {
  struct Case {
    const char *name;
    std::string text;
    const char *written;  // the text as the file holds it
  };
  const Case cases[] = {
      {"Plain", "Server list", "Server list"},
      {"Lines", "two\tcolumns\non two lines", "two\tcolumns\non two lines"},
      {"Escapes\x1B[2J", "\x1B]0;title\x07red\x1B[31m\r\x7F", "\\x1B]0;title\\x07red\\x1B[31m\\x0D\\x7F"},
      {"Paths", "C:\\games\\ and \\x41", "C:\\games\\ and \\x5Cx41"},
  };
  std::vector<std::unique_ptr<CProbePanel>> windows;
  for (const Case &c : cases) {
    windows.push_back(MakePanel(c.name, 0, 0, 0, 10, 10));
    windows.back()->text = c.text;
  }
  const std::string path = m_Dir.File("dump.vdf");
  ASSERT_TRUE(CPanelDumper(Runtime()).Write(path));
  const std::string file = ReadWholeFile(path);
  EXPECT_EQ(file.find_first_of("\x1B\x07\x7F\r"), std::string::npos);
  EXPECT_NE(file.find("\"Escapes\\x1B[2J\""), std::string::npos) << file;

  KeyValuesAD back(new KeyValues("Panels"));
  ASSERT_TRUE(back->LoadFromFile(&Runtime().FileSystem(), path.c_str()));
  KeyValues *block = back->GetFirstSubKey();
  for (const Case &c : cases) {
    ASSERT_NE(block, nullptr);
    EXPECT_STREQ(block->GetString("text"), c.written);
    EXPECT_EQ(UnescapeControlCharacters(block->GetString("text")), c.text);
    EXPECT_EQ(UnescapeControlCharacters(block->GetString("name")), c.name);
    block = block->GetNextKey();
  }
  KeyValuesAD built(CPanelDumper(Runtime()).Build());
  EXPECT_EQ(built->GetFirstSubKey()->GetNextKey()->GetNextKey()->GetString("text"), cases[2].text)
      << "the tree keeps the texts as they are";
}

// Adding each block to the end of its list walked the list every time.
TEST_F(DumpTest, ManyPanelsAreListedInOrder) {
  const int count = 40000;
  auto window = MakePanel("Window", 0, 0, 0, 100, 100);
  std::vector<std::unique_ptr<CProbePanel>> children;
  children.reserve(count);
  for (int i = 0; i < count; ++i)
    children.push_back(MakePanel(std::to_string(i).c_str(), window->id, 0, i, 5, 1));
  std::vector<std::unique_ptr<CProbePanel>> windows;
  for (int i = 0; i < 2000; ++i)
    windows.push_back(MakePanel(("w" + std::to_string(i)).c_str(), 0, 0, 0, 5, 5));

  KeyValuesAD dump(CPanelDumper(Runtime()).Build());
  int listed = 0;
  bool inOrder = true;
  for (KeyValues *block = dump->GetFirstSubKey()->FindKey("Children")->GetFirstSubKey(); block;
       block = block->GetNextKey(), ++listed)
    inOrder = inOrder && std::to_string(listed) == block->GetString("name") && block->GetInt("y") == listed;
  EXPECT_TRUE(inOrder);
  EXPECT_EQ(listed, count);
  int tops = 0;
  for (KeyValues *block = dump->GetFirstSubKey(); block; block = block->GetNextKey()) ++tops;
  EXPECT_EQ(tops, 2001);
  window.reset();  // orphans the children at once, so none of them leaves a long list on its own
}

}  // namespace
}  // namespace kguihost
