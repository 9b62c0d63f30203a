// The state dump: the panel tree as key/value text.
//   "Panels" { "Panel" { "name" "class" "x" "y" "wide" "tall" "visible" "enabled" [what the panel
//   describes: "text", "Columns", "Rows", ...] "Children" { "Panel" {...} ... } } ... }
// One block per top-level panel, then one per popup, back to front; positions in screen pixels.
// Hidden panels are listed too, with "visible" 0. Popups appear only at the top level. The file
// shows control characters in names and texts as "\xNN" (tabs and line breaks stay), so printing
// it runs no escape sequence; UnescapeControlCharacters gives the texts back exactly.
#pragma once

#include <string>

#include "tier1/KeyValues.h"

namespace kguihost {

class CKGuiRuntime;
struct CHostPanel;

class CPanelDumper {
 public:
  explicit CPanelDumper(CKGuiRuntime &runtime) : m_Runtime(runtime) {}

  // The whole dump, texts as the panels gave them; the caller owns it.
  KeyValues *Build();
  // Writes the dump to `path` (written beside, then renamed), control characters escaped; false
  // when it cannot.
  bool Write(const std::string &path);

 private:
  KeyValues *DescribePanel(CHostPanel *panel);

  CKGuiRuntime &m_Runtime;
};

}  // namespace kguihost
