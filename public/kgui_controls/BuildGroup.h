// BuildGroup: ties an EditablePanel to its layout resource. It loads the resource through a
// process-wide file cache, matches each block to a panel of the group by name (creating controls
// by class name through the owner when none matches) and applies the block's keys.
#pragma once

#include <string>
#include <vector>

#include "kgui_controls/PHandle.h"

class KeyValues;

namespace kgui {

class EditablePanel;
class Panel;

class BuildGroup {
 public:
  // `parentPanel` receives the controls created from the file; `contextPanel` owns the group and
  // answers control creation requests.
  BuildGroup(Panel *parentPanel, EditablePanel *contextPanel);
  BuildGroup(const BuildGroup &) = delete;
  BuildGroup &operator=(const BuildGroup &) = delete;

  // Loads the resource (once per process for a name) and applies it.
  void LoadControlSettings(const char *controlResourceName);
  // Reads the resource again and applies what changed.
  void ReloadControlSettings();
  // The resource name as stored ("servers\\DialogAddServer.res"), "" before a load.
  const char *GetResourceName() const { return m_strResourceName.c_str(); }
  // True when `fileName` names the group's resource ("/" and "\" alike, letter case ignored).
  bool IsResourceName(const char *fileName) const;

  // A panel joins the group (once).
  void PanelAdded(Panel *panel);
  // The live panels of the group, in the order they joined.
  std::vector<Panel *> GetPanels() const;

  // Empties the process-wide cache and frees the trees replaced by reloads.
  static void ClearFileCache();

 private:
  // The settings tree of a resource: cached, or read (again, when `reload`) and cached.
  static KeyValues *GetResourceTree(const std::string &resourceName, bool reload);
  void ApplyTree(KeyValues *tree, bool reload);
  // The group's panel named `name` (letter case ignored); forgets panels that are gone.
  Panel *FindPanelByName(const char *name);
  void ApplyChangedKeys(Panel *panel, KeyValues *block);
  void CreateControl(KeyValues *block);

  std::string m_strResourceName;
  std::vector<PHandle> _panelDar;
  EditablePanel *m_pContextPanel;
  PHandle m_hParent;
  // The tree last applied; owned by the file cache.
  KeyValues *m_pkvSettings = nullptr;
};

}  // namespace kgui
