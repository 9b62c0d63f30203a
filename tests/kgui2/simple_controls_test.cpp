// The plainer registered controls: progress bar, link, list view, tree view, graph and menu bar.
#include <cmath>
#include <string>
#include <vector>

#include "kgui_controls/EditablePanel.h"
#include "kgui_controls/GraphPanel.h"
#include "kgui_controls/ListViewPanel.h"
#include "kgui_controls/Menu.h"
#include "kgui_controls/MenuBar.h"
#include "kgui_controls/MenuButton.h"
#include "kgui_controls/ProgressBar.h"
#include "kgui_controls/TreeView.h"
#include "kgui_controls/URLLabel.h"
#include "kgui_controls/controls.h"
#include "support/toolkit_fixture.h"
#include "tier1/KeyValues.h"

namespace {

class SimpleControlsTest : public ToolkitTest {
 protected:
  SimpleControlsTest() {
    m_pOwner = new kgui::EditablePanel(nullptr, "Owner");
    m_pOwner->SetParent(Runtime().Desktop());
    m_pOwner->SetBounds(0, 0, 400, 400);
  }
  ~SimpleControlsTest() override { delete m_pOwner; }
  void Apply(kgui::Panel *panel, KeyValues *keys) {
    KeyValuesAD owned(keys);
    panel->ApplySettings(owned.get());
  }
  // "Name key=value" for each message the owner was sent.
  std::vector<std::string> Sent(const char *key) {
    std::vector<std::string> sent;
    for (KeyValues *message : Runtime().TakeMessagesFor(m_pOwner->GetVPanel())) {
      sent.push_back(std::string(message->GetName()) + " " + std::to_string(message->GetInt(key)));
      message->Destroy();
    }
    return sent;
  }
  kgui::EditablePanel *m_pOwner;
};

TEST_F(SimpleControlsTest, ProgressIsKeptBetweenZeroAndOne) {
  kgui::ProgressBar bar(m_pOwner, "bar");
  Apply(&bar, new KeyValues("bar", "progress", "0.25"));
  EXPECT_FLOAT_EQ(bar.GetProgress(), 0.25f);
  bar.SetProgress(3.0f);
  EXPECT_FLOAT_EQ(bar.GetProgress(), 1.0f);
  bar.SetProgress(-1.0f);
  EXPECT_FLOAT_EQ(bar.GetProgress(), 0.0f);
  bar.SetProgress(std::nanf(""));
  EXPECT_FLOAT_EQ(bar.GetProgress(), 0.0f);
}

TEST_F(SimpleControlsTest, LinkOpensItsAddress) {
  kgui::URLLabel link(m_pOwner, "link", "Project page", "");
  link.SetBounds(10, 10, 120, 20);
  Runtime().Click(&link);
  EXPECT_TRUE(Runtime().m_ShellExecuted.empty());
  Apply(&link, new KeyValues("link", "URLText", "https://example.invalid/servers"));
  Runtime().Click(&link);
  EXPECT_EQ(Runtime().m_ShellExecuted, std::vector<std::string>{"https://example.invalid/servers"});
}

TEST_F(SimpleControlsTest, ListViewSelectsWithMouseAndKeys) {
  kgui::ListViewPanel list(m_pOwner, "list");
  list.SetBounds(0, 0, 200, 100);
  for (const char *name : {"Harbor", "Quarry", "Anchor"}) {
    KeyValuesAD data(new KeyValues("row", "text", name));
    list.AddItem(data.get());
  }
  Runtime().ClickAt(50, 2 + 20 + 5);
  EXPECT_EQ(list.GetSelectedItem(), 1);
  Runtime().PressKey(kgui::KEY_DOWN);
  Runtime().PressKey(kgui::KEY_DOWN);  // stays at the last
  EXPECT_EQ(list.GetSelectedItem(), 2);
  EXPECT_EQ(Sent("itemID"), (std::vector<std::string>{"ItemSelected 1", "ItemSelected 2"}));
  EXPECT_STREQ(list.GetItem(0)->GetString("text"), "Harbor");
  EXPECT_EQ(list.GetItem(5), nullptr);
}

TEST_F(SimpleControlsTest, TreeViewOpensNodesAndSelectsItems) {
  kgui::TreeView tree(m_pOwner, "tree");
  tree.SetBounds(0, 0, 200, 200);
  KeyValuesAD root(new KeyValues("node", "Text", "Games"));
  const int games = tree.AddItem(root.get(), -1);
  KeyValuesAD child(new KeyValues("node", "Text", "Ashfall"));
  const int ashfall = tree.AddItem(child.get(), games);
  EXPECT_EQ(tree.GetShownItems(), std::vector<int>{games});
  Runtime().ClickAt(2 + 8, 2 + 10);  // the box of the first row
  EXPECT_TRUE(tree.IsItemExpanded(games));
  EXPECT_EQ(tree.GetShownItems(), (std::vector<int>{games, ashfall}));
  Runtime().ClickAt(80, 2 + 20 + 10);  // the second row's text
  EXPECT_EQ(tree.GetSelectedItem(), ashfall);
  EXPECT_EQ(tree.GetItemParent(ashfall), games);
  EXPECT_EQ(Sent("itemIndex"), std::vector<std::string>{"TreeViewItemSelected 1"});
  tree.SetSelectedItem(games);
  Runtime().PressKey(kgui::KEY_LEFT);
  EXPECT_FALSE(tree.IsItemExpanded(games));
}

TEST_F(SimpleControlsTest, GraphKeepsWhatFitsItsWidth) {
  kgui::GraphPanel graph(m_pOwner, "graph");
  graph.SetSize(40, 30);
  for (int i = 0; i < 100; ++i) graph.AddDataPoint(static_cast<float>(i));
  graph.AddDataPoint(std::nanf(""));
  EXPECT_EQ(graph.GetDataPointCount(), 11);
  Apply(&graph, new KeyValues("graph", "minvalue", "200"));  // not below the top: ignored
  Runtime().PaintAll();
}

TEST_F(SimpleControlsTest, MenuBarPlacesItsButtonsSideBySide) {
  kgui::MenuBar bar(m_pOwner, "bar");
  bar.SetBounds(0, 0, 400, 26);
  auto *file = new kgui::MenuButton(nullptr, "File", "File");
  auto *view = new kgui::MenuButton(nullptr, "View", "View");
  bar.AddButton(file);
  bar.AddButton(view);
  bar.InvalidateLayout(true, false);
  EXPECT_EQ(bar.GetButtonCount(), 2);
  EXPECT_LT(file->GetXPos() + file->GetWide(), view->GetXPos() + 1);
  EXPECT_EQ(file->GetParent(), &bar);
}

}  // namespace
