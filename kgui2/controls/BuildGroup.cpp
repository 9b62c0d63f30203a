// BuildGroup: loading layout resources through the file cache and applying their blocks.
#include "kgui_controls/BuildGroup.h"

#include <algorithm>
#include <map>

#include "filesystem.h"
#include "kgui_controls/EditablePanel.h"
#include "kgui_controls/controls.h"
#include "kstdlib/strtools.h"
#include "tier0/dbg.h"
#include "tier1/KeyValues.h"
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
    tree->LoadFromFile(fileSystem, resourceName.c_str(), nullptr, &errors);
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

BuildGroup::BuildGroup(Panel *parentPanel, EditablePanel *contextPanel)
    : m_pContextPanel(contextPanel), m_hParent(parentPanel) {}

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
  for (KeyValues *cached = tree->GetFirstTrueSubKey(); cached; cached = cached->GetNextTrueSubKey()) {
    // Panels read a copy: their readers may convert values, and the cached tree is shared.
    KeyValuesAD block(cached->MakeCopy());
    Panel *panel = FindPanelByName(block->GetName());
    if (!panel)
      CreateControl(block.get());
    else if (reload)
      ApplyChangedKeys(panel, block.get());
    else
      panel->ApplySettings(block.get());
  }
  m_pkvSettings = tree;
  if (Panel *parent = m_hParent.Get()) {
    parent->InvalidateLayout();
    parent->Repaint();
  }
}

Panel *BuildGroup::FindPanelByName(const char *name) {
  Panel *found = nullptr;
  auto it = _panelDar.begin();
  while (it != _panelDar.end()) {
    Panel *panel = it->Get();
    if (!panel) {
      it = _panelDar.erase(it);
      continue;
    }
    if (!found && !V_stricmp(panel->GetName(), name)) found = panel;
    ++it;
  }
  return found;
}

void BuildGroup::ApplyChangedKeys(Panel *panel, KeyValues *block) {
  KeyValues *previous = m_pkvSettings ? m_pkvSettings->FindKey(block->GetName()) : nullptr;
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

void BuildGroup::CreateControl(KeyValues *block) {
  if (!m_pContextPanel || !ipanel()) return;
  KeyValues *request = new KeyValues("ControlFactory", "ControlName", block->GetString("ControlName", ""));
  Panel *control = nullptr;
  if (ipanel()->RequestInfo(m_pContextPanel->GetVPanel(), request))
    control = static_cast<Panel *>(request->GetPtr("PanelPtr"));
  request->Destroy();
  if (!control) return;
  control->SetParent(m_hParent.Get());
  PanelAdded(control);
  control->SetName(block->GetName());
  control->ApplySettings(block);
}

void BuildGroup::PanelAdded(Panel *panel) {
  if (!panel) return;
  const bool listed = std::any_of(_panelDar.begin(), _panelDar.end(),
                                  [&](const PHandle &handle) { return handle.Get() == panel; });
  if (!listed) _panelDar.emplace_back(panel);
}

std::vector<Panel *> BuildGroup::GetPanels() const {
  std::vector<Panel *> panels;
  for (const PHandle &handle : _panelDar) {
    if (Panel *panel = handle.Get()) panels.push_back(panel);
  }
  return panels;
}

}  // namespace kgui
