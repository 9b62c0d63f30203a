// One scheme: named colours, control settings, fonts and borders read from a scheme file.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>

#include "host/case_less.h"
#include "kgui/IScheme.h"

class IFileSystem;
class KeyValues;

namespace kguihost {

class CKGuiRuntime;
class CSchemeBorder;

class CScheme final : public kgui::IScheme {
 public:
  explicit CScheme(CKGuiRuntime &runtime);
  ~CScheme();
  CScheme(const CScheme &) = delete;
  CScheme &operator=(const CScheme &) = delete;

  // Reads the file; false (with one warning) leaves the scheme empty.
  bool Load(IFileSystem &fileSystem, const char *fileName);
  // Takes the sections of a parsed scheme file.
  void Apply(KeyValues *root);

  Color GetColor(const char *name, Color defaultColor) override;
  kgui::HFont GetFont(const char *name, bool proportional) override;
  kgui::IBorder *GetBorder(const char *name) override;
  const char *GetResourceString(const char *name) override;

  // "r g b a", "r g b", a name of "Colors" or of a "BaseSettings" colour; false when none.
  bool ResolveColor(const char *text, Color &color) const;

 private:
  struct FontDef {
    std::string family;
    int tall = 0;
    int weight = 400;
    int flags = 0;
  };
  void ReadFonts(KeyValues *fonts);
  void ReadBorders(KeyValues *borders);
  kgui::HFont MakeFont(const FontDef &def, bool proportional);

  CKGuiRuntime &m_Runtime;
  std::map<std::string, Color, CCaseLess> m_Colors;
  std::map<std::string, std::string, CCaseLess> m_Settings;
  std::map<std::string, FontDef, CCaseLess> m_FontDefs;
  std::map<std::string, kgui::HFont, CCaseLess> m_Fonts[2];  // [proportional]
  std::map<std::string, std::unique_ptr<CSchemeBorder>, CCaseLess> m_Borders;
  std::set<std::string, CCaseLess> m_WarnedFonts;
};

// Parses "r g b a" or "r g b" (each 0-255); false for anything else.
bool ParseColorText(const char *text, Color &color);

}  // namespace kguihost
