// A lasting panel's build group while windows come and go under it: deleted members leave, so
// that hours of dialogs opened over the main window keep its group the size of its live panels.
#include <string>

#include "kgui_controls/BuildGroup.h"
#include "kgui_controls/EditablePanel.h"
#include "kgui_controls/Frame.h"
#include "kgui_controls/Label.h"
#include "support/toolkit_fixture.h"

using kgui::EditablePanel;
using kgui::Label;

namespace {

class BuildGroupMembersTest : public ToolkitTest {
 protected:
  BuildGroupMembersTest() {
    m_pWindow = new EditablePanel(nullptr, "Lasting");
    m_pWindow->SetParent(Runtime().Desktop());
    for (int i = 0; i < 4; ++i) new Label(m_pWindow, ("Label" + std::to_string(i)).c_str(), "text");
    Runtime().RunFrame();
  }
  ~BuildGroupMembersTest() override { delete m_pWindow; }

  size_t Members() { return m_pWindow->GetBuildGroup()->GetMemberCount(); }
  size_t Live() { return m_pWindow->GetBuildGroup()->GetPanels().size(); }

  EditablePanel *m_pWindow = nullptr;
};

TEST_F(BuildGroupMembersTest, AWindowOpenedAndClosedOverAndOverLeavesTheGroup) {
  const size_t before = Members();
  EXPECT_EQ(before, Live());
  for (int i = 0; i < 500; ++i) {
    auto *dialog = new kgui::Frame(m_pWindow, "Dialog");
    Runtime().RunFrame();
    delete dialog;
    Runtime().RunFrame();
  }
  // The last one is gone but leaves when the next panel joins.
  EXPECT_LE(Members(), before + 1);
  new Label(m_pWindow, "Late", "text");
  EXPECT_EQ(Members(), before + 1);
  EXPECT_EQ(Live(), before + 1);
}

// Gone members with lasting ones after them: the group stays within twice its live panels (and a
// few), where keeping them would make it four times as large.
TEST_F(BuildGroupMembersTest, GoneMembersBetweenLastingOnesAreSweptAsTheGroupGrows) {
  for (int i = 0; i < 1000; ++i) {
    kgui::Frame *dialogs[] = {new kgui::Frame(m_pWindow, "Dialog"), new kgui::Frame(m_pWindow, "Dialog"),
                              new kgui::Frame(m_pWindow, "Dialog")};
    new Label(m_pWindow, ("Kept" + std::to_string(i)).c_str(), "text");
    for (kgui::Frame *dialog : dialogs) delete dialog;
  }
  Runtime().RunFrame();
  EXPECT_EQ(Live(), 1005u);
  EXPECT_LE(Members(), 2 * Live() + 16);
}

}  // namespace
