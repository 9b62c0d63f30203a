// The control factory registry and the toolkit's built-in registrations. The registrations live
// in this file so that every binary that creates controls by name also links them.
#include "kgui_controls/BuildFactoryHelper.h"

#include "kgui_controls/Button.h"
#include "kgui_controls/EditablePanel.h"
#include "kgui_controls/Label.h"
#include "kgui_controls/Panel.h"
#include "kstdlib/strtools.h"
#include "tier0/dbg.h"

namespace kgui {

CBuildFactoryHelper::CBuildFactoryHelper(const char *className, PanelFactoryFn factory, const char *description)
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

bool CBuildFactoryHelper::HasFactory(const char *className) { return Find(className) != nullptr; }

std::vector<const char *> CBuildFactoryHelper::GetFactoryNames() {
  std::vector<const char *> names;
  for (CBuildFactoryHelper *helper = m_sHelpers; helper; helper = helper->m_pNext) names.push_back(helper->m_pClassName);
  return names;
}

// ---- built-in controls

namespace {

Panel *CreatePanel() { return new Panel(nullptr, nullptr); }
Panel *CreateLabel() { return new Label(nullptr, nullptr, ""); }
Panel *CreateButton() { return new Button(nullptr, nullptr, ""); }
Panel *CreateEditablePanel() { return new EditablePanel(nullptr, nullptr); }

}  // namespace

DECLARE_BUILD_FACTORY_CUSTOM_ALIAS(Panel, &CreatePanel);
DECLARE_BUILD_FACTORY_CUSTOM_ALIAS(Label, &CreateLabel);
DECLARE_BUILD_FACTORY_CUSTOM_ALIAS(Button, &CreateButton);
DECLARE_BUILD_FACTORY_CUSTOM_ALIAS(EditablePanel, &CreateEditablePanel);

}  // namespace kgui
