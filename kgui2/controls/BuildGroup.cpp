// BuildGroup: loading layout resources through the file cache and applying their blocks.
#include "kgui_controls/BuildGroup.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "filesystem.h"
#include "kgui_controls/EditablePanel.h"
#include "kgui_controls/controls.h"
#include "kstdlib/strtools.h"
#include "tier0/dbg.h"
#include "tier1/KeyValues.h"
#include "tier1/keyvalues_text/keyvalues_reader.h"
#include "tier1/utlsymbol.h"

namespace kgui {
namespace {

// Resource names are stored with backslashes, so "a/b.res" and "a\\b.res" are one entry.
std::string NormalisedResourceName(const char *name) {
  std::string result(name ? name : "");
  std::replace(result.begin(), result.end(), '/', '\\');
  return result;
}

// s_BuildGroupFileCache: trees by resource name, and the trees replaced by reloads, kept alive
// for the groups that applied them until the toolkit stops.
struct BuildGroupFileCache {
  std::map<CUtlSymbol, KeyValues *> m_ResourceCache;
  std::vector<KeyValues *> m_ReplacedKVs;

  ~BuildGroupFileCache() { Clear(); }
  void Clear() {
    for (auto &entry : m_ResourceCache) entry.second->Destroy();
    for (KeyValues *tree : m_ReplacedKVs) tree->Destroy();
    m_ResourceCache.clear();
    m_ReplacedKVs.clear();
  }
};

BuildGroupFileCache &FileCache() {
  static BuildGroupFileCache s_BuildGroupFileCache;
  return s_BuildGroupFileCache;
}

// Reads a resource; a missing or unreadable file gives an empty tree. A file that carries a
// "controls" section (or a ".layout" file) gives that section alone.
KeyValues *ReadResource(const std::string &resourceName) {
  KeyValues *tree = new KeyValues(resourceName.c_str());
  std::string errors;
  if (IFileSystem *fileSystem = filesystem())
    LoadKeyValuesFileWithPlaces(tree, fileSystem, resourceName.c_str(), nullptr, &errors);
  if (!errors.empty()) Warning("%s", errors.c_str());
  KeyValues *controls = tree->FindKey("controls");
  if (!controls && V_stristr(resourceName.c_str(), ".layout")) controls = tree->CreateKey("controls");
  if (!controls) return tree;
  tree->RemoveSubKey(controls);
  controls->SetNextKey(nullptr);
  tree->Destroy();
  return controls;
}

// The text of a value as a panel reads it, without converting the cached node in place.
std::string ValueText(const KeyValues *key) {
  if (!key) return std::string();
  KeyValuesAD copy(key->MakeCopy());
  return copy->GetString();
}

}  // namespace

// ---- finding panels and earlier settings while a tree is applied

// Without it every block of a layout would scan the whole group (and, on a reload, the whole
// earlier tree): a layout of many controls took time growing with their square. It is built when
// a tree starts to be applied and dropped when that is done, since panels may be renamed in
// between. Meanwhile a panel that joins the group is filed under its name, and a panel whose
// settings renamed it ("fieldName") is filed again; a stale entry is dropped when met.
class BuildGroup::ApplyIndex {
 public:
  explicit ApplyIndex(const std::vector<Member> &members) : m_Members(members) {
    for (size_t position = 0; position < members.size(); ++position) Refile(position);
  }

  // Files the member at `position` under its panel's current name.
  void Refile(size_t position);
  // The first member (in join order) whose panel lives and is called `name`, letter case ignored.
  Panel *Find(const char *name, size_t &position);
  // The child of `settings` that settings->FindKey(name) finds.
  KeyValues *PreviousBlock(KeyValues *settings, const char *name);

 private:
  struct Filed {
    bool filed = false;
    std::string key;
  };
  // Names that V_stricmp takes for equal have the same key.
  static std::string Key(const char *name);
  void Unfile(std::vector<size_t> &positions, size_t at);

  const std::vector<Member> &m_Members;                           // never shortened while the index lives
  std::unordered_map<std::string, std::vector<size_t>> m_ByName;  // positions in join order
  std::vector<Filed> m_FiledAs;                                   // by position
  KeyValues *m_pSettings = nullptr;  // the tree m_BlocksBySymbol holds the children of
  std::unordered_map<HKeySymbol, KeyValues *> m_BlocksBySymbol;  // the first child of each name
};

std::string BuildGroup::ApplyIndex::Key(const char *name) {
  std::string key(name ? name : "");
  for (char &c : key) c = V_tolower(c);
  return key;
}

void BuildGroup::ApplyIndex::Refile(size_t position) {
  if (position == kNoPosition) return;
  Panel *panel = m_Members[position].panel.Get();
  if (!panel) return;
  if (m_FiledAs.size() <= position) m_FiledAs.resize(position + 1);
  Filed &filed = m_FiledAs[position];
  std::string key = Key(panel->GetName());
  if (filed.filed && filed.key == key) return;
  // A new member comes last; only a renamed one lands among the others.
  std::vector<size_t> &positions = m_ByName[key];
  const auto at = std::lower_bound(positions.begin(), positions.end(), position);
  if (at == positions.end() || *at != position) positions.insert(at, position);
  filed = {true, std::move(key)};
}

void BuildGroup::ApplyIndex::Unfile(std::vector<size_t> &positions, size_t at) {
  m_FiledAs[positions[at]].filed = false;
  positions.erase(positions.begin() + static_cast<std::ptrdiff_t>(at));
}

Panel *BuildGroup::ApplyIndex::Find(const char *name, size_t &position) {
  const auto found = m_ByName.find(Key(name));
  if (found == m_ByName.end()) return nullptr;
  std::vector<size_t> &positions = found->second;
  for (size_t at = 0; at < positions.size();) {
    Panel *panel = m_Members[positions[at]].panel.Get();
    // Gone, or renamed since it was filed (it is filed again under its new name when seen).
    if (!panel || V_stricmp(panel->GetName(), name) != 0) {
      Unfile(positions, at);
      continue;
    }
    position = positions[at];
    return panel;
  }
  return nullptr;
}

KeyValues *BuildGroup::ApplyIndex::PreviousBlock(KeyValues *settings, const char *name) {
  if (!settings) return nullptr;
  // An empty name or a path means something else to FindKey.
  if (!name || !*name || strchr(name, '/')) return settings->FindKey(name);
  if (settings != m_pSettings) {
    m_pSettings = settings;
    m_BlocksBySymbol.clear();
    for (KeyValues *child = settings->GetFirstSubKey(); child; child = child->GetNextKey())
      m_BlocksBySymbol.emplace(child->GetNameSymbol(), child);
  }
  const HKeySymbol symbol = KeyValues::CallGetSymbolForString(name, false);
  if (symbol == INVALID_KEY_SYMBOL) return nullptr;
  const auto found = m_BlocksBySymbol.find(symbol);
  return found == m_BlocksBySymbol.end() ? nullptr : found->second;
}

// The index lives from the start of the outermost apply to its end.
class BuildGroup::ApplyScope {
 public:
  explicit ApplyScope(BuildGroup &group) : m_Group(group), m_bOutermost(!group.m_pApplyIndex) {
    if (!m_bOutermost) return;
    group.ForgetDeadPanels();
    group.m_pApplyIndex = std::make_unique<ApplyIndex>(group._panelDar);
  }
  ~ApplyScope() {
    if (m_bOutermost) m_Group.m_pApplyIndex.reset();
  }
  ApplyScope(const ApplyScope &) = delete;
  ApplyScope &operator=(const ApplyScope &) = delete;

 private:
  BuildGroup &m_Group;
  bool m_bOutermost;
};

// ---- the group

BuildGroup::BuildGroup(Panel *parentPanel, EditablePanel *contextPanel)
    : m_pContextPanel(contextPanel), m_hParent(parentPanel) {}

BuildGroup::~BuildGroup() = default;

void BuildGroup::ClearFileCache() {
  FileCache().Clear();
}

KeyValues *BuildGroup::GetResourceTree(const std::string &resourceName, bool reload) {
  BuildGroupFileCache &cache = FileCache();
  const CUtlSymbol symbol(resourceName.c_str());
  auto it = cache.m_ResourceCache.find(symbol);
  if (it != cache.m_ResourceCache.end() && !reload) return it->second;
  KeyValues *tree = ReadResource(resourceName);
  if (it != cache.m_ResourceCache.end()) {
    cache.m_ReplacedKVs.push_back(it->second);
    it->second = tree;
  } else {
    cache.m_ResourceCache.emplace(symbol, tree);
  }
  return tree;
}

void BuildGroup::LoadControlSettings(const char *controlResourceName) {
  m_strResourceName = NormalisedResourceName(controlResourceName);
  ApplyTree(GetResourceTree(m_strResourceName, false), false);
}

void BuildGroup::ReloadControlSettings() {
  if (m_strResourceName.empty()) return;
  ApplyTree(GetResourceTree(m_strResourceName, true), true);
}

bool BuildGroup::IsResourceName(const char *fileName) const {
  return !m_strResourceName.empty() &&
         !V_stricmp(m_strResourceName.c_str(), NormalisedResourceName(fileName).c_str());
}

void BuildGroup::ApplyTree(KeyValues *tree, bool reload) {
  {
    ApplyScope scope(*this);
    for (KeyValues *cached = tree->GetFirstTrueSubKey(); cached; cached = cached->GetNextTrueSubKey()) {
      // Panels read a copy: their readers may convert values, and the cached tree is shared.
      KeyValuesAD block(cached->MakeCopy());
      size_t position = kNoPosition;
      Panel *panel = FindPanelByName(block->GetName(), position);
      if (!panel)
        position = CreateControl(block.get());
      else if (reload)
        ApplyChangedKeys(panel, block.get());
      else
        panel->ApplySettings(block.get());
      m_pApplyIndex->Refile(position);
    }
  }
  m_pkvSettings = tree;
  if (Panel *parent = m_hParent.Get()) {
    parent->InvalidateLayout();
    parent->Repaint();
  }
}

Panel *BuildGroup::FindPanelByName(const char *name, size_t &position) {
  return m_pApplyIndex ? m_pApplyIndex->Find(name, position) : nullptr;
}

void BuildGroup::ForgetDeadPanels() {
  const auto gone = std::remove_if(_panelDar.begin(), _panelDar.end(),
                                   [](const Member &member) { return !member.panel.Get(); });
  m_nMembersAfterSweep = static_cast<size_t>(gone - _panelDar.begin());
  if (gone == _panelDar.end()) return;
  _panelDar.erase(gone, _panelDar.end());
  m_MemberAt.clear();
  for (size_t position = 0; position < _panelDar.size(); ++position) {
    if (_panelDar[position].id != INVALID_PANEL_HANDLE) m_MemberAt.emplace(_panelDar[position].id, position);
  }
}

// Windows that come and go under a lasting parent join its group: the last members leave once
// gone, and any others once they could be half the group, so that the group stays within twice
// its live panels at a constant cost a join.
void BuildGroup::DropGoneMembers() {
  while (!_panelDar.empty() && !_panelDar.back().panel.Get()) {
    const auto found = m_MemberAt.find(_panelDar.back().id);
    if (found != m_MemberAt.end() && found->second == _panelDar.size() - 1) m_MemberAt.erase(found);
    _panelDar.pop_back();
  }
  if (_panelDar.size() >= 2 * m_nMembersAfterSweep + kSweepSlack) ForgetDeadPanels();
}

void BuildGroup::ApplyChangedKeys(Panel *panel, KeyValues *block) {
  KeyValues *previous = m_pApplyIndex   ? m_pApplyIndex->PreviousBlock(m_pkvSettings, block->GetName())
                        : m_pkvSettings ? m_pkvSettings->FindKey(block->GetName())
                                        : nullptr;
  for (KeyValues *key = block->GetFirstValue(); key; key = key->GetNextValue()) {
    if (previous) {
      KeyValues *old = previous->FindKey(key->GetName());
      if (old && old->IsEqual(key)) continue;
      const std::string oldText = ValueText(old);
      const std::string newText = ValueText(key);
      if (!V_stricmp(oldText.c_str(), newText.c_str())) continue;
      Msg("[%s] applying key '%s', has changed from '%s' to '%s'\n", panel->GetName(), key->GetName(),
          oldText.c_str(), newText.c_str());
    }
    panel->ApplySingleSetting(key);
  }
}

size_t BuildGroup::CreateControl(KeyValues *block) {
  if (!m_pContextPanel || !ipanel()) return kNoPosition;
  KeyValues *request = new KeyValues("ControlFactory", "ControlName", block->GetString("ControlName", ""));
  Panel *control = nullptr;
  if (ipanel()->RequestInfo(m_pContextPanel->GetVPanel(), request))
    control = static_cast<Panel *>(request->GetPtr("PanelPtr"));
  request->Destroy();
  if (!control) return kNoPosition;
  control->SetParent(m_hParent.Get());
  const size_t position = Join(control);
  control->SetName(block->GetName());
  control->ApplySettings(block);
  return position;
}

void BuildGroup::PanelAdded(Panel *panel) {
  if (panel) Join(panel);
}

size_t BuildGroup::Join(Panel *panel) {
  const HPanel id = ikgui() ? ikgui()->PanelToHandle(panel->GetVPanel()) : INVALID_PANEL_HANDLE;
  if (id != INVALID_PANEL_HANDLE) {
    const auto found = m_MemberAt.find(id);
    if (found != m_MemberAt.end()) return found->second;
  }
  if (!m_pApplyIndex) DropGoneMembers();
  const size_t position = _panelDar.size();
  _panelDar.push_back({PHandle(panel), id});
  if (id != INVALID_PANEL_HANDLE) m_MemberAt.emplace(id, position);
  if (m_pApplyIndex) m_pApplyIndex->Refile(position);
  return position;
}

std::vector<Panel *> BuildGroup::GetPanels() const {
  std::vector<Panel *> panels;
  for (const Member &member : _panelDar) {
    if (Panel *panel = member.panel.Get()) panels.push_back(panel);
  }
  return panels;
}

}  // namespace kgui
