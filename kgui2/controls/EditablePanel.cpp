// EditablePanel: layout files, control creation by class name, dialog variables, the default
// button and per-user settings.
#include "kgui_controls/EditablePanel.h"

#include "kgui_controls/BuildFactoryHelper.h"
#include "kgui_controls/Button.h"
#include "kgui_controls/controls.h"
#include "kstdlib/strtools.h"
#include "tier1/KeyValues.h"

namespace kgui {

DEFINE_EMPTY_MESSAGE_MAP(EditablePanel, Panel)

namespace {

Button *FindDefaultButtonBelow(Panel *panel) {
  const int count = panel->GetChildCount();
  for (int i = 0; i < count; ++i) {
    Panel *child = panel->GetChild(i);
    if (!child || !child->IsVisible()) continue;
    auto *button = dynamic_cast<Button *>(child);
    if (button && button->IsDefault() && button->IsEnabled()) return button;
    if (Button *found = FindDefaultButtonBelow(child)) return found;
  }
  return nullptr;
}

// Every panel below `panel` hears the new variables at once.
void SendToDescendants(Panel *panel, KeyValues *message) {
  const int count = panel->GetChildCount();
  for (int i = 0; i < count; ++i) {
    Panel *child = panel->GetChild(i);
    if (!child) continue;
    panel->SendMessage(child->GetVPanel(), message);
    // A nested editable panel passes its own variables on.
    if (!dynamic_cast<EditablePanel *>(child)) SendToDescendants(child, message);
  }
}

}  // namespace

EditablePanel::EditablePanel(Panel *parent, const char *panelName)
    : Panel(parent, panelName),
      m_pBuildGroup(std::make_unique<BuildGroup>(this, this)),
      m_pDialogVariables(new KeyValues("DialogVariables")) {
  // A layout block named like the panel itself places the panel.
  m_pBuildGroup->PanelAdded(this);
}

EditablePanel::~EditablePanel() {
  m_pDialogVariables->Destroy();
}

void EditablePanel::LoadControlSettings(const char *resourceName) {
  m_pBuildGroup->LoadControlSettings(resourceName);
  InvalidateLayout();
}

Panel *EditablePanel::CreateControlByName(const char *controlName) {
  return CBuildFactoryHelper::InstancePanel(controlName);
}

bool EditablePanel::RequestInfo(KeyValues *outputData) {
  if (!V_stricmp(outputData->GetName(), "ControlFactory")) {
    Panel *control = CreateControlByName(outputData->GetString("ControlName"));
    if (!control) return false;
    outputData->SetPtr("PanelPtr", control);
    return true;
  }
  return BaseClass::RequestInfo(outputData);
}

void EditablePanel::OnChildAdded(VPANEL child) {
  Panel *panel = PanelFromVPanel(child);
  if (!panel) return;
  m_pBuildGroup->PanelAdded(panel);
  // A dialog hears its controls: their commands and notifications come here.
  panel->AddActionSignalTarget(this);
}

void EditablePanel::OnLayoutFileChanged(const char *file) {
  if (m_pBuildGroup->IsResourceName(file)) {
    m_pBuildGroup->ReloadControlSettings();
    InvalidateLayout();
  }
  BaseClass::OnLayoutFileChanged(file);
}

// ---- default button and focus

Button *EditablePanel::FindDefaultButton() {
  return FindDefaultButtonBelow(this);
}

void EditablePanel::OnKeyCodeTyped(KeyCode code) {
  if (code == KEY_ENTER || code == KEY_PAD_ENTER) {
    if (Button *button = FindDefaultButton()) {
      button->DoClick();
      return;
    }
  }
  BaseClass::OnKeyCodeTyped(code);
}

void EditablePanel::RequestFocus(int direction) {
  // The panel itself takes no keys: its first control (its last, going backwards) does.
  std::vector<Panel *> candidates;
  GetFocusCandidates(candidates);
  if (candidates.empty())
    BaseClass::RequestFocus(direction);
  else
    (direction < 0 ? candidates.back() : candidates.front())->RequestFocus(direction);
}

// ---- dialog variables

void EditablePanel::SetDialogVariable(const char *varName, const char *value) {
  m_pDialogVariables->SetString(varName, value ? value : "");
  ForceSubPanelsToUpdateWithNewDialogVariables();
}

void EditablePanel::SetDialogVariable(const char *varName, const char16_t *value) {
  m_pDialogVariables->SetWString(varName, value ? value : u"");
  ForceSubPanelsToUpdateWithNewDialogVariables();
}

void EditablePanel::SetDialogVariable(const char *varName, int value) {
  m_pDialogVariables->SetInt(varName, value);
  ForceSubPanelsToUpdateWithNewDialogVariables();
}

void EditablePanel::OnDialogVariablesChanged(KeyValues *variables) {
  if (!variables || variables == m_pDialogVariables) return;
  for (KeyValues *value = variables->GetFirstValue(); value; value = value->GetNextValue()) {
    KeyValuesAD copy(value->MakeCopy());
    m_pDialogVariables->SetString(value->GetName(), copy->GetString());
  }
  ForceSubPanelsToUpdateWithNewDialogVariables();
}

void EditablePanel::ForceSubPanelsToUpdateWithNewDialogVariables() {
  KeyValues *message = m_pDialogVariables->MakeCopy();
  SendToDescendants(this, message);
  message->Destroy();
  OnDialogVariablesUpdated();
}

// ---- per-user settings

void EditablePanel::LoadUserConfig(const char *configName, int dialogID) {
  m_ConfigName = configName ? configName : "";
  m_nConfigDialogID = dialogID;
  KeyValues *data = system()->GetUserConfigFileData(m_ConfigName.c_str(), dialogID);
  if (!data) return;
  ApplyUserConfigSettings(data);
  for (Panel *child : m_pBuildGroup->GetPanels()) {
    if (child != this && child->HasUserConfigSettings())
      child->ApplyUserConfigSettings(data->FindKey(child->GetName(), true));
  }
}

void EditablePanel::SaveUserConfig() {
  if (m_ConfigName.empty()) return;
  KeyValues *data = system()->GetUserConfigFileData(m_ConfigName.c_str(), m_nConfigDialogID);
  if (!data) return;
  GetUserConfigSettings(data);
  for (Panel *child : m_pBuildGroup->GetPanels()) {
    if (child != this && child->HasUserConfigSettings())
      child->GetUserConfigSettings(data->FindKey(child->GetName(), true));
  }
}

}  // namespace kgui
