#include "host/scheme.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "filesystem.h"
#include "host/kgui_runtime.h"
#include "host/scheme_border.h"
#include "tier0/dbg.h"
#include "tier1/KeyValues.h"
#include "tier1/keyvalues_text/keyvalues_reader.h"

namespace kguihost {

bool ParseColorText(const char *text, Color &color) {
  if (!text) return false;
  int values[4] = {0, 0, 0, 255};
  char extra = 0;
  int count = sscanf(text, " %d %d %d %d %c", &values[0], &values[1], &values[2], &values[3], &extra);
  if (count != 3 && count != 4) return false;
  for (int v : values) {
    if (v < 0 || v > 255) return false;
  }
  color = Color(values[0], values[1], values[2], values[3]);
  return true;
}

CScheme::CScheme(CKGuiRuntime &runtime) : m_Runtime(runtime) {}
CScheme::~CScheme() = default;

bool CScheme::Load(IFileSystem &fileSystem, const char *fileName) {
  KeyValuesAD root(new KeyValues("Scheme"));
  std::string errors;
  if (!LoadKeyValuesFileWithPlaces(root.get(), &fileSystem, fileName, nullptr, &errors) ||
      !root->GetFirstSubKey()) {
    Warning("Scheme: cannot read '%s'%s%s; using defaults\n", fileName, errors.empty() ? "" : ": ",
            errors.c_str());
    return false;
  }
  Apply(root.get());
  return true;
}

void CScheme::Apply(KeyValues *root) {
  if (KeyValues *colors = root->FindKey("Colors")) {
    for (KeyValues *entry = colors->GetFirstSubKey(); entry; entry = entry->GetNextKey()) {
      Color color;
      if (ParseColorText(entry->GetString(), color)) {
        m_Colors[entry->GetName()] = color;
      } else {
        Warning("Scheme: colour '%s' is not \"r g b a\"\n", entry->GetName());
      }
    }
  }
  if (KeyValues *settings = root->FindKey("BaseSettings")) {
    for (KeyValues *entry = settings->GetFirstSubKey(); entry; entry = entry->GetNextKey()) {
      m_Settings[entry->GetName()] = entry->GetString();
    }
  }
  ReadFonts(root->FindKey("Fonts"));
  ReadBorders(root->FindKey("Borders"));
}

void CScheme::ReadFonts(KeyValues *fonts) {
  if (!fonts) return;
  for (KeyValues *entry = fonts->GetFirstTrueSubKey(); entry; entry = entry->GetNextTrueSubKey()) {
    FontDef def;
    def.family = entry->GetString("name", "DejaVu Sans");
    def.tall = entry->GetInt("tall", 0);
    def.weight = entry->GetInt("weight", 400);
    if (entry->GetInt("italic", 0)) def.flags |= kgui::FONTFLAG_ITALIC;
    if (entry->GetInt("underline", 0)) def.flags |= kgui::FONTFLAG_UNDERLINE;
    if (entry->GetInt("strikeout", 0)) def.flags |= kgui::FONTFLAG_STRIKEOUT;
    m_FontDefs[entry->GetName()] = def;
  }
}

void CScheme::ReadBorders(KeyValues *borders) {
  if (!borders) return;
  static const char *const kSides[CSchemeBorder::SIDE_COUNT] = {"left", "top", "right", "bottom"};
  for (KeyValues *entry = borders->GetFirstTrueSubKey(); entry; entry = entry->GetNextTrueSubKey()) {
    auto border = std::make_unique<CSchemeBorder>(m_Runtime.Renderer(), entry->GetName());
    int inset[4] = {0, 0, 0, 0};
    sscanf(entry->GetString("inset", "0 0 0 0"), "%d %d %d %d", &inset[0], &inset[1], &inset[2], &inset[3]);
    border->SetInset(inset[0], inset[1], inset[2], inset[3]);
    for (int side = 0; side < CSchemeBorder::SIDE_COUNT; ++side) {
      const char *text = entry->GetString(kSides[side], "");
      Color color;
      if (*text && ResolveColor(text, color))
        border->SetSideColor(static_cast<CSchemeBorder::Side>(side), color);
    }
    m_Borders[entry->GetName()] = std::move(border);
  }
}

bool CScheme::ResolveColor(const char *text, Color &color) const {
  if (ParseColorText(text, color)) return true;
  auto named = m_Colors.find(text ? text : "");
  if (named != m_Colors.end()) {
    color = named->second;
    return true;
  }
  // A control setting may stand for its colour (one step, so settings cannot loop).
  auto setting = m_Settings.find(text ? text : "");
  if (setting == m_Settings.end()) return false;
  if (ParseColorText(setting->second.c_str(), color)) return true;
  named = m_Colors.find(setting->second);
  if (named == m_Colors.end()) return false;
  color = named->second;
  return true;
}

Color CScheme::GetColor(const char *name, Color defaultColor) {
  Color color;
  return name && ResolveColor(name, color) ? color : defaultColor;
}

kgui::HFont CScheme::GetFont(const char *name, bool proportional) {
  if (!name) return kgui::INVALID_FONT;
  auto &cache = m_Fonts[proportional ? 1 : 0];
  auto cached = cache.find(name);
  if (cached != cache.end()) return cached->second;
  auto def = m_FontDefs.find(name);
  kgui::HFont font = def == m_FontDefs.end() ? kgui::INVALID_FONT : MakeFont(def->second, proportional);
  if (font == kgui::INVALID_FONT && m_WarnedFonts.insert(name).second) {
    Warning("Scheme: no usable font '%s'; its text is not drawn\n", name);
  }
  cache[name] = font;
  return font;
}

kgui::HFont CScheme::MakeFont(const FontDef &def, bool proportional) {
  int tall = proportional ? m_Runtime.ProportionalScale(def.tall) : def.tall;
  CFontManager &fonts = m_Runtime.Fonts();
  kgui::HFont font = fonts.Create();
  if (!fonts.SetGlyphSet(font, def.family.c_str(), tall, def.weight, def.flags)) return kgui::INVALID_FONT;
  return font;
}

kgui::IBorder *CScheme::GetBorder(const char *name) {
  auto it = m_Borders.find(name ? name : "");
  return it == m_Borders.end() ? nullptr : it->second.get();
}

const char *CScheme::GetResourceString(const char *name) {
  auto it = m_Settings.find(name ? name : "");
  return it == m_Settings.end() ? "" : it->second.c_str();
}

}  // namespace kguihost
