// EditablePanel: a panel whose children are placed by a layout file (its build group). Each child
// joins the build group and signals its commands and notifications to the panel. It creates
// controls by class name, keeps the dialog variables its labels show, gives Enter to the
// default button and keeps per-user settings of its children.
#pragma once

#include <memory>

#include "kgui_controls/BuildGroup.h"
#include "kgui_controls/Panel.h"

namespace kgui {

class Button;

class EditablePanel : public Panel {
  DECLARE_CLASS_SIMPLE(EditablePanel, Panel);

 public:
  EditablePanel(Panel *parent, const char *panelName);
  ~EditablePanel() override;

  // Loads and applies a layout file, then lays the panel out again.
  virtual void LoadControlSettings(const char *resourceName);
  // A new control of a registered class, or null; override to make classes of your own.
  virtual Panel *CreateControlByName(const char *controlName);
  BuildGroup *GetBuildGroup() { return m_pBuildGroup.get(); }

  // Dialog variables fill "%name%" in the texts of the labels below (and a frame's title).
  void SetDialogVariable(const char *varName, const char *value);
  void SetDialogVariable(const char *varName, const char16_t *value);
  void SetDialogVariable(const char *varName, int value);
  KeyValues *GetDialogVariables() { return m_pDialogVariables; }

  // The visible, enabled default button below this panel, or null.
  Button *FindDefaultButton();

  // Per-user settings, kept in the host's dialog records: restores and stores what this panel
  // and its children keep between runs.
  void LoadUserConfig(const char *configName, int dialogID = 0);
  void SaveUserConfig();

  void RequestFocus(int direction = 0) override;
  bool RequestInfo(KeyValues *outputData) override;

 protected:
  void OnChildAdded(VPANEL child) override;
  void OnKeyCodeTyped(KeyCode code) override;
  void OnLayoutFileChanged(const char *file) override;
  void OnDialogVariablesChanged(KeyValues *variables) override;
  // Called after the dialog variables changed.
  virtual void OnDialogVariablesUpdated() {}

 private:
  void ForceSubPanelsToUpdateWithNewDialogVariables();

  std::unique_ptr<BuildGroup> m_pBuildGroup;
  KeyValues *m_pDialogVariables;
  std::string m_ConfigName;
  int m_nConfigDialogID = 0;
};

}  // namespace kgui
