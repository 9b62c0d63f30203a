// IPanel of the host: per-panel state, the tree, stacking, popups, synchronous sending.
#include "tests/host/host_fixture.h"

namespace kguihost {
namespace {

using PanelTest = HostTest;

TEST_F(PanelTest, NewPanelDefaultsAndStateRoundTrip) {
  CHostPanelInterface &ipanel = Runtime().PanelInterface();
  CProbePanel panel(Runtime(), "Fresh");
  int x = -1, y = -1, wide = -1, tall = -1;
  ipanel.GetPos(panel.id, x, y);
  ipanel.GetSize(panel.id, wide, tall);
  EXPECT_EQ(std::vector<int>({x, y, wide, tall}), std::vector<int>({0, 0, 0, 0}));
  EXPECT_TRUE(ipanel.IsVisible(panel.id) && ipanel.IsEnabled(panel.id));
  EXPECT_TRUE(ipanel.IsMouseInputEnabled(panel.id) && ipanel.IsKeyboardInputEnabled(panel.id));
  EXPECT_FALSE(ipanel.IsFullyVisible(panel.id));  // not on the desktop yet
  EXPECT_STREQ(ipanel.GetClassName(panel.id), "Probe");
  EXPECT_EQ(ipanel.Client(panel.id), &panel);

  ipanel.SetMinimumSize(panel.id, 20, 10);
  ipanel.SetSize(panel.id, 5, -3);
  ipanel.GetSize(panel.id, wide, tall);
  EXPECT_EQ(wide, 20);
  EXPECT_EQ(tall, 10);
  ipanel.SetEnabled(panel.id, false);
  ipanel.SetName(panel.id, "Renamed");
  EXPECT_FALSE(ipanel.IsEnabled(panel.id));
  EXPECT_STREQ(ipanel.GetName(panel.id), "Renamed");
}

TEST_F(PanelTest, OperationsOnMissingPanelsDoNothing) {
  CHostPanelInterface &ipanel = Runtime().PanelInterface();
  const kgui::VPANEL gone = 987654;
  ipanel.SetPos(gone, 1, 2);
  ipanel.SetVisible(gone, true);
  ipanel.SetParent(gone, Runtime().RootPanel());
  int x = 7, y = 7;
  ipanel.GetAbsPos(gone, x, y);
  EXPECT_EQ(x + y, 0);
  EXPECT_STREQ(ipanel.GetName(gone), "");
  EXPECT_EQ(ipanel.GetChild(Runtime().RootPanel(), 99), kgui::NULL_PANEL);
  EXPECT_FALSE(ipanel.RequestInfo(gone, nullptr));
}

TEST_F(PanelTest, AbsolutePositionsClipsAndVisibilityFollowTheTree) {
  CHostPanelInterface &ipanel = Runtime().PanelInterface();
  auto window = MakePanel("Window", 0, 100, 50, 200, 100);
  auto inner = MakePanel("Inner", window->id, 150, 80, 100, 100);
  auto popup = MakePopup("Menu", 10, 20, 30, 40);
  ipanel.SetParent(popup->id, inner->id);

  int x = 0, y = 0;
  ipanel.GetAbsPos(inner->id, x, y);
  EXPECT_EQ(x, 250);
  EXPECT_EQ(y, 130);
  int x0, y0, x1, y1;
  ipanel.GetClipRect(inner->id, x0, y0, x1, y1);
  EXPECT_EQ(std::vector<int>({x0, y0, x1, y1}), std::vector<int>({250, 130, 300, 150}));
  ipanel.GetAbsPos(popup->id, x, y);  // popups sit at screen coordinates
  EXPECT_EQ(x, 10);
  EXPECT_EQ(y, 20);

  EXPECT_TRUE(ipanel.IsFullyVisible(inner->id));
  EXPECT_TRUE(ipanel.IsFullyVisible(popup->id));
  ipanel.SetVisible(window->id, false);
  EXPECT_TRUE(ipanel.IsVisible(inner->id));
  EXPECT_FALSE(ipanel.IsFullyVisible(inner->id));
  EXPECT_FALSE(ipanel.IsFullyVisible(popup->id));  // its parent decides
}

TEST_F(PanelTest, TreeStackingAndNameLookup) {
  CHostPanelInterface &ipanel = Runtime().PanelInterface();
  auto parent = MakePanel("Parent", 0, 0, 0, 100, 100);
  auto a = MakePanel("A", parent->id, 0, 0, 10, 10);
  auto b = MakePanel("B", parent->id, 0, 0, 10, 10);
  auto c = MakePanel("C", parent->id, 0, 0, 10, 10);
  auto grandchild = MakePanel("Deep", b->id, 0, 0, 5, 5);
  auto order = [&]() {
    std::string names;
    for (int i = 0; i < ipanel.GetChildCount(parent->id); ++i) names += ipanel.GetName(ipanel.GetChild(parent->id, i));
    return names;
  };
  EXPECT_EQ(order(), "ABC");
  ipanel.MoveToFront(a->id);
  EXPECT_EQ(order(), "BCA");
  ipanel.MoveToBack(c->id);
  EXPECT_EQ(order(), "CBA");
  ipanel.SetZPos(c->id, 5);  // a higher z draws later whatever the order of calls
  ipanel.MoveToFront(b->id);
  EXPECT_EQ(order(), "ABC");
  EXPECT_EQ(ipanel.GetZPos(c->id), 5);

  EXPECT_EQ(ipanel.FindChildByName(parent->id, "deep", false), kgui::NULL_PANEL);
  EXPECT_EQ(ipanel.FindChildByName(parent->id, "deep", true), grandchild->id);
  EXPECT_TRUE(ipanel.HasParent(grandchild->id, parent->id));
  EXPECT_FALSE(ipanel.HasParent(parent->id, grandchild->id));
}

TEST_F(PanelTest, ParentInsideOwnSubtreeIsRefusedWithAnAssertion) {
  CHostPanelInterface &ipanel = Runtime().PanelInterface();
  auto top = MakePanel("Top", 0, 0, 0, 10, 10);
  auto child = MakePanel("Child", top->id, 0, 0, 10, 10);
  ipanel.SetParent(top->id, child->id);
  EXPECT_EQ(ipanel.GetParent(top->id), Runtime().RootPanel());
  ipanel.SetParent(top->id, top->id);
  EXPECT_EQ(ipanel.GetParent(top->id), Runtime().RootPanel());
  EXPECT_EQ(m_Spew.Asserts().size(), 2u);
}

TEST_F(PanelTest, PopupsKeepTheirOrderWithTopmostOnesInFront) {
  kgui::IHostSurface &surface = Runtime().Surface();
  auto first = MakePopup("First", 0, 0, 10, 10);
  auto topmost = MakePopup("Topmost", 0, 0, 10, 10);
  Runtime().PanelInterface().SetTopmostPopup(topmost->id, true);
  auto second = MakePopup("Second", 0, 0, 10, 10);
  auto order = [&]() {
    std::string names;
    for (int i = 0; i < surface.GetPopupCount(); ++i) names += Runtime().PanelInterface().GetName(surface.GetPopup(i));
    return names;
  };
  EXPECT_EQ(order(), "FirstSecondTopmost");
  surface.MovePopupToFront(first->id);
  EXPECT_EQ(order(), "SecondFirstTopmost");
  surface.MovePopupToBack(first->id);
  EXPECT_EQ(order(), "FirstSecondTopmost");
  second.reset();
  EXPECT_EQ(order(), "FirstTopmost");
}

TEST_F(PanelTest, LayoutRunsForInvalidatedShownPanelsParentsFirst) {
  auto parent = MakePanel("Parent", 0, 0, 0, 100, 100);
  auto child = MakePanel("Child", parent->id, 0, 0, 10, 10);
  RunFrames(1);
  EXPECT_EQ(parent->layouts, 1);
  EXPECT_EQ(child->layouts, 1);
  EXPECT_EQ(parent->thinks, 1);
  RunFrames(1);
  EXPECT_EQ(parent->layouts, 1);  // nothing changed

  Runtime().PanelInterface().SetSize(child->id, 20, 20);
  Runtime().PanelInterface().InvalidateLayout(parent->id, false);
  RunFrames(1);
  EXPECT_EQ(parent->layouts, 2);
  EXPECT_EQ(child->layouts, 2);
  Runtime().PanelInterface().InvalidateLayout(parent->id, true);
  EXPECT_EQ(parent->layouts, 3);

  Runtime().PanelInterface().SetVisible(parent->id, false);
  Runtime().PanelInterface().InvalidateLayout(child->id, false);
  RunFrames(1);
  EXPECT_EQ(child->layouts, 2);  // hidden panels wait until they show
  EXPECT_EQ(child->thinks, 3);
}

TEST_F(PanelTest, SendCallsAtOnceAndRequestInfoReachesTheClient) {
  auto target = MakePanel("Target", 0, 0, 0, 10, 10);
  KeyValuesAD message(new KeyValues("Command", "command", "go"));
  Runtime().PanelInterface().SendMessage(target->id, message.get(), kgui::NULL_PANEL);
  EXPECT_EQ(target->log, std::vector<std::string>{"Command"});
  EXPECT_STREQ(message->GetString("command"), "go");  // still the sender's

  KeyValuesAD request(new KeyValues("ControlFactory", "ControlName", "Button"));
  EXPECT_TRUE(Runtime().PanelInterface().RequestInfo(target->id, request.get()));
  EXPECT_STREQ(request->GetString("answeredBy"), "Target");
}

}  // namespace
}  // namespace kguihost
