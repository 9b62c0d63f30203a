#include "host/panel_dumper.h"

#include <filesystem>
#include <string>
#include <vector>

#include "host/kgui_runtime.h"
#include "kgui/IClientPanel.h"
#include "tier1/keyvalues_text/control_characters.h"

namespace kguihost {
namespace {

// Blocks chained in order, linked to their parent at once: adding them one by one would walk the
// parent's list for each.
class CBlockChain {
 public:
  void Append(KeyValues *block) {
    if (m_pLast) {
      m_pLast->SetNextKey(block);
    } else {
      m_pFirst = block;
    }
    m_pLast = block;
  }
  void AddTo(KeyValues *parent) {
    if (m_pFirst) parent->AddSubKey(m_pFirst);
  }

 private:
  KeyValues *m_pFirst = nullptr;
  KeyValues *m_pLast = nullptr;
};

bool HasControlUnits(const char16_t *text) {
  for (; *text; ++text) {
    if (*text < 0x20 || (*text >= 0x7F && *text <= 0x9F)) return true;
  }
  return false;
}

// A dump is a file people print: names and texts keep no control characters (see
// EscapeControlCharacters; texts keep their tabs and line breaks, and read back exactly through
// UnescapeControlCharacters). Walks without recursion, so a deep tree cannot exhaust the stack.
void EscapeControlCharactersIn(KeyValues *root) {
  std::vector<KeyValues *> pending{root};
  while (!pending.empty()) {
    KeyValues *node = pending.back();
    pending.pop_back();
    const char *name = node->GetName();
    if (NeedsControlEscape(name)) node->SetName(EscapeControlCharacters(name).c_str());
    const KeyValues::types_t type = node->GetDataType();
    // A wide text is looked at first, so only one that needs it turns into UTF-8 here.
    if (type == KeyValues::TYPE_STRING ||
        (type == KeyValues::TYPE_WSTRING && HasControlUnits(node->GetWString()))) {
      const std::string text = node->GetString();
      if (NeedsControlEscape(text, EControlEscape::kKeepTabsAndLineFeeds))
        node->SetString(nullptr,
                        EscapeControlCharacters(text, EControlEscape::kKeepTabsAndLineFeeds).c_str());
    }
    for (KeyValues *child = node->GetFirstSubKey(); child; child = child->GetNextKey())
      pending.push_back(child);
  }
}

}  // namespace

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
  CBlockChain blocks;
  for (kgui::VPANEL id : windows) {
    if (CHostPanel *panel = panels.Find(id)) blocks.Append(DescribePanel(panel));
  }
  blocks.AddTo(dump);
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
  CBlockChain blocks;
  for (kgui::VPANEL child : children) {
    if (CHostPanel *found = m_Runtime.Panels().Find(child)) blocks.Append(DescribePanel(found));
  }
  blocks.AddTo(list);
  block->AddSubKey(list);
  return block;
}

bool CPanelDumper::Write(const std::string &path) {
  KeyValuesAD dump(Build());
  EscapeControlCharactersIn(dump.get());
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
