// The control factory registry and the toolkit's built-in registrations. The registrations live
// in this file so that every binary that creates controls by name also links them.
#include "kgui_controls/BuildFactoryHelper.h"

#include "kgui_controls/AnimatingImagePanel.h"
#include "kgui_controls/Button.h"
#include "kgui_controls/CBitmapImagePanel.h"
#include "kgui_controls/CTreeViewListControl.h"
#include "kgui_controls/CheckButton.h"
#include "kgui_controls/ComboBox.h"
#include "kgui_controls/Divider.h"
#include "kgui_controls/EditablePanel.h"
#include "kgui_controls/GraphPanel.h"
#include "kgui_controls/ImagePanel.h"
#include "kgui_controls/Label.h"
#include "kgui_controls/ListPanel.h"
#include "kgui_controls/ListViewPanel.h"
#include "kgui_controls/Menu.h"
#include "kgui_controls/MenuBar.h"
#include "kgui_controls/MenuButton.h"
#include "kgui_controls/MenuItem.h"
#include "kgui_controls/MessageBox.h"
#include "kgui_controls/Panel.h"
#include "kgui_controls/ProgressBar.h"
#include "kgui_controls/RadioButton.h"
#include "kgui_controls/RichText.h"
#include "kgui_controls/ScrollBar.h"
#include "kgui_controls/TextEntry.h"
#include "kgui_controls/ToggleButton.h"
#include "kgui_controls/TreeView.h"
#include "kgui_controls/URLLabel.h"
#include "kstdlib/strtools.h"
#include "tier0/dbg.h"

namespace kgui {

CBuildFactoryHelper::CBuildFactoryHelper(const char *className, PanelFactoryFn factory,
                                         const char *description)
    : m_pClassName(className), m_pDescription(description), m_pFactory(factory) {
  if (Find(className)) Error("CBuildFactoryHelper:  Factory for '%s' already exists!!!!\n", className);
  m_pNext = m_sHelpers;
  m_sHelpers = this;
}

CBuildFactoryHelper *CBuildFactoryHelper::Find(const char *className) {
  if (!className) return nullptr;
  for (CBuildFactoryHelper *helper = m_sHelpers; helper; helper = helper->m_pNext) {
    if (!V_stricmp(helper->m_pClassName, className)) return helper;
  }
  return nullptr;
}

Panel *CBuildFactoryHelper::InstancePanel(const char *className) {
  CBuildFactoryHelper *helper = Find(className);
  return helper ? helper->m_pFactory() : nullptr;
}

std::vector<const char *> CBuildFactoryHelper::GetFactoryNames() {
  std::vector<const char *> names;
  for (CBuildFactoryHelper *helper = m_sHelpers; helper; helper = helper->m_pNext)
    names.push_back(helper->m_pClassName);
  return names;
}

// ---- built-in controls
// Every registration sits here so that a program creating controls only from layout files still
// links them all in from the static library.

namespace {

Panel *CreatePanel() {
  return new Panel(nullptr, nullptr);
}
Panel *CreateLabel() {
  return new Label(nullptr, nullptr, "");
}
Panel *CreateButton() {
  return new Button(nullptr, nullptr, "");
}
Panel *CreateToggleButton() {
  return new ToggleButton(nullptr, nullptr, "");
}
Panel *CreateCheckButton() {
  return new CheckButton(nullptr, nullptr, "");
}
Panel *CreateEditablePanel() {
  return new EditablePanel(nullptr, nullptr);
}
Panel *CreateTextEntry() {
  return new TextEntry(nullptr, nullptr);
}
Panel *CreateComboBox() {
  return new ComboBox(nullptr, nullptr, 5, true);
}
Panel *CreateMessageBox() {
  return new MessageBox("", "", nullptr);
}
Panel *CreateRadioButton() {
  return new RadioButton(nullptr, nullptr, "");
}
Panel *CreateMenu() {
  return new Menu(nullptr, nullptr);
}
Panel *CreateAnimatingImagePanel() {
  return new AnimatingImagePanel(nullptr, nullptr);
}
Panel *CreateBitmapImagePanel() {
  return new CBitmapImagePanel(nullptr, nullptr);
}
Panel *CreateDivider() {
  return new Divider(nullptr, nullptr);
}
Panel *CreateGraphPanel() {
  return new GraphPanel(nullptr, nullptr);
}
Panel *CreateImagePanel() {
  return new ImagePanel(nullptr, nullptr);
}
Panel *CreateListPanel() {
  return new ListPanel(nullptr, nullptr);
}
Panel *CreateListViewPanel() {
  return new ListViewPanel(nullptr, nullptr);
}
Panel *CreateMenuBar() {
  return new MenuBar(nullptr, nullptr);
}
Panel *CreateMenuButton() {
  return new MenuButton(nullptr, nullptr, "");
}
Panel *CreateMenuItem() {
  return new MenuItem(nullptr, nullptr, "");
}
Panel *CreateProgressBar() {
  return new ProgressBar(nullptr, nullptr);
}
Panel *CreateRichText() {
  return new RichText(nullptr, nullptr);
}
Panel *CreateHorizontalScrollBar() {
  return new ScrollBar(nullptr, nullptr, false);
}
Panel *CreateVerticalScrollBar() {
  return new ScrollBar(nullptr, nullptr, true);
}
Panel *CreateTreeView() {
  return new TreeView(nullptr, nullptr);
}
Panel *CreateTreeViewListControl() {
  return new CTreeViewListControl(nullptr, nullptr);
}
Panel *CreateURLLabel() {
  return new URLLabel(nullptr, nullptr, "", "");
}

}  // namespace

DECLARE_BUILD_FACTORY_CUSTOM_ALIAS(Panel, &CreatePanel);
DECLARE_BUILD_FACTORY_CUSTOM_ALIAS(Label, &CreateLabel);
DECLARE_BUILD_FACTORY_CUSTOM_ALIAS(Button, &CreateButton);
DECLARE_BUILD_FACTORY_CUSTOM_ALIAS(ToggleButton, &CreateToggleButton);
DECLARE_BUILD_FACTORY_CUSTOM_ALIAS(CheckButton, &CreateCheckButton);
DECLARE_BUILD_FACTORY_CUSTOM_ALIAS(EditablePanel, &CreateEditablePanel);
DECLARE_BUILD_FACTORY_CUSTOM_ALIAS(TextEntry, &CreateTextEntry);
DECLARE_BUILD_FACTORY_CUSTOM_ALIAS(ComboBox, &CreateComboBox);
DECLARE_BUILD_FACTORY_CUSTOM_ALIAS(MessageBox, &CreateMessageBox);
DECLARE_BUILD_FACTORY_CUSTOM_ALIAS(RadioButton, &CreateRadioButton);
DECLARE_BUILD_FACTORY_CUSTOM_ALIAS(Menu, &CreateMenu);
DECLARE_BUILD_FACTORY_CUSTOM_ALIAS(AnimatingImagePanel, &CreateAnimatingImagePanel);
DECLARE_BUILD_FACTORY_CUSTOM_ALIAS(CBitmapImagePanel, &CreateBitmapImagePanel);
DECLARE_BUILD_FACTORY_CUSTOM_ALIAS(Divider, &CreateDivider);
DECLARE_BUILD_FACTORY_CUSTOM_ALIAS(GraphPanel, &CreateGraphPanel);
DECLARE_BUILD_FACTORY_CUSTOM_ALIAS(ImagePanel, &CreateImagePanel);
DECLARE_BUILD_FACTORY_CUSTOM_ALIAS(ListPanel, &CreateListPanel);
DECLARE_BUILD_FACTORY_CUSTOM_ALIAS(ListViewPanel, &CreateListViewPanel);
DECLARE_BUILD_FACTORY_CUSTOM_ALIAS(MenuBar, &CreateMenuBar);
DECLARE_BUILD_FACTORY_CUSTOM_ALIAS(MenuButton, &CreateMenuButton);
DECLARE_BUILD_FACTORY_CUSTOM_ALIAS(MenuItem, &CreateMenuItem);
DECLARE_BUILD_FACTORY_CUSTOM_ALIAS(ProgressBar, &CreateProgressBar);
DECLARE_BUILD_FACTORY_CUSTOM_ALIAS(RichText, &CreateRichText);
DECLARE_BUILD_FACTORY_CUSTOM_ALIAS(ScrollBar_Horizontal, &CreateHorizontalScrollBar);
DECLARE_BUILD_FACTORY_CUSTOM_ALIAS(ScrollBar_Vertical, &CreateVerticalScrollBar);
DECLARE_BUILD_FACTORY_CUSTOM_ALIAS(ScrollBar, &CreateHorizontalScrollBar);
DECLARE_BUILD_FACTORY_CUSTOM_ALIAS(TreeView, &CreateTreeView);
DECLARE_BUILD_FACTORY_CUSTOM_ALIAS(CTreeViewListControl, &CreateTreeViewListControl);
DECLARE_BUILD_FACTORY_CUSTOM_ALIAS(URLLabel, &CreateURLLabel);

}  // namespace kgui
