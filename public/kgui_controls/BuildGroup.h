// BuildGroup: ties an EditablePanel to its layout resource. It loads the resource through a
// process-wide file cache, matches each block to a panel of the group by name (creating controls
// by class name through the owner when none matches) and applies the block's keys.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>
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
  ~BuildGroup();
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
  // Members kept, panels deleted since the group last dropped them included.
  size_t GetMemberCount() const { return _panelDar.size(); }

  // Empties the process-wide cache and frees the trees replaced by reloads.
  static void ClearFileCache();

 private:
  // A panel of the group and the value of its handle, by which the group knows it.
  struct Member {
    PHandle panel;
    HPanel id;
  };
  // What finds panels and earlier settings by name while a tree is applied (BuildGroup.cpp).
  class ApplyIndex;
  class ApplyScope;
  static constexpr size_t kNoPosition = static_cast<size_t>(-1);

  // The settings tree of a resource: cached, or read (again, when `reload`) and cached.
  static KeyValues *GetResourceTree(const std::string &resourceName, bool reload);
  void ApplyTree(KeyValues *tree, bool reload);
  // The group's first panel named `name` (letter case ignored) and its place in the group.
  Panel *FindPanelByName(const char *name, size_t &position);
  void ApplyChangedKeys(Panel *panel, KeyValues *block);
  // The new control's place in the group, or kNoPosition when none was made.
  size_t CreateControl(KeyValues *block);
  // The panel's place in the group, after adding it when it is not there yet.
  size_t Join(Panel *panel);
  // Leaves out the panels that are gone.
  void ForgetDeadPanels();
  // Before a join outside an application: leaves out the gone panels at the end, and every gone
  // panel once the group doubled since it last did.
  void DropGoneMembers();
  static constexpr size_t kSweepSlack = 16;

  std::string m_strResourceName;
  std::vector<Member> _panelDar;
  // Where each member with a handle stands in _panelDar: joining stays constant in time.
  std::unordered_map<HPanel, size_t> m_MemberAt;
  // Members left after the last sweep of gone panels.
  size_t m_nMembersAfterSweep = 0;
  EditablePanel *m_pContextPanel;
  PHandle m_hParent;
  // The tree last applied; owned by the file cache.
  KeyValues *m_pkvSettings = nullptr;
  // Present while a tree is applied.
  std::unique_ptr<ApplyIndex> m_pApplyIndex;
};

}  // namespace kgui
