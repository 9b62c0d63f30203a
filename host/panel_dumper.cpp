#include "host/panel_dumper.h"

#include <filesystem>

#include "host/kgui_runtime.h"
#include "kgui/IClientPanel.h"

namespace kguihost {

KeyValues *CPanelDumper::Build() {
  KeyValues *dump = new KeyValues("Panels");
  CPanelRegistry &panels = m_Runtime.Panels();
  std::vector<kgui::VPANEL> windows;
  if (CHostPanel *root = panels.Root()) {
    for (CHostPanel *child : root->children) {
      if (!child->popup) windows.push_back(child->id);
    }
  }
  for (CHostPanel *popup : panels.Popups()) windows.push_back(popup->id);
  for (kgui::VPANEL id : windows) {
    if (CHostPanel *panel = panels.Find(id)) dump->AddSubKey(DescribePanel(panel));
  }
  return dump;
}

KeyValues *CPanelDumper::DescribePanel(CHostPanel *panel) {
  KeyValues *block = new KeyValues("Panel");
  int x = 0;
  int y = 0;
  m_Runtime.Panels().AbsPos(panel, x, y);
  const char *className = panel->client ? panel->client->GetClassName() : nullptr;
  block->SetString("name", panel->name.c_str());
  block->SetString("class", className ? className : "");
  block->SetInt("x", x);
  block->SetInt("y", y);
  block->SetInt("wide", panel->wide);
  block->SetInt("tall", panel->tall);
  block->SetInt("visible", panel->visible ? 1 : 0);
  block->SetInt("enabled", panel->enabled ? 1 : 0);
  kgui::VPANEL id = panel->id;
  if (panel->client) panel->client->Describe(block);
  // Describing may not change the tree, but a client is not trusted with that.
  panel = m_Runtime.Panels().Find(id);
  if (!panel) return block;
  std::vector<kgui::VPANEL> children;
  for (CHostPanel *child : panel->children) {
    if (!child->popup) children.push_back(child->id);
  }
  if (children.empty()) return block;
  KeyValues *list = new KeyValues("Children");
  for (kgui::VPANEL child : children) {
    if (CHostPanel *found = m_Runtime.Panels().Find(child)) list->AddSubKey(DescribePanel(found));
  }
  block->AddSubKey(list);
  return block;
}

bool CPanelDumper::Write(const std::string &path) {
  KeyValuesAD dump(Build());
  std::error_code ignored;
  std::string absolute = std::filesystem::absolute(path, ignored).string();
  std::string temporary = absolute + ".new";
  CHostFileSystem &fs = m_Runtime.FileSystem();
  if (!dump->SaveToFile(&fs, temporary.c_str())) {
    fs.RemoveFile(temporary.c_str(), nullptr);
    return false;
  }
  return fs.RenameFile(temporary.c_str(), absolute.c_str(), nullptr);
}

}  // namespace kguihost
