// The dictionary of message maps by class name, class registration and map preparation.
#include "kgui_controls/MessageMap.h"

#include <deque>
#include <memory>
#include <string>
#include <unordered_map>

#include "kstdlib/strtools.h"

namespace kgui {
namespace {

// Class names compare without regard to letter case and without a leading "kgui::".
std::string DictionaryKey(const char *className) {
  const char *name = className ? className : "";
  if (V_strnicmp(name, "kgui::", 6) == 0) name += 6;
  std::string key(name);
  for (char &c : key) c = V_tolower(c);
  return key;
}

struct PanelMessageMapDictionaryEntry {
  PanelMessageMap *map;
};

// Maps come from a pool and live until the process ends; entries are only ever appended.
class CPanelMessageMapDictionary {
 public:
  PanelMessageMap *Find(const char *className) {
    auto it = m_Entries.find(DictionaryKey(className));
    return it == m_Entries.end() ? nullptr : it->second.map;
  }
  PanelMessageMap *FindOrAdd(const char *className) {
    const std::string key = DictionaryKey(className);
    auto it = m_Entries.find(key);
    if (it != m_Entries.end()) return it->second.map;
    PanelMessageMap *map = &m_PanelMessageMapPool.emplace_back();
    m_Entries.emplace(key, PanelMessageMapDictionaryEntry{map});
    return map;
  }

 private:
  std::unordered_map<std::string, PanelMessageMapDictionaryEntry> m_Entries;
  std::deque<PanelMessageMap> m_PanelMessageMapPool;  // stable addresses
};

CPanelMessageMapDictionary &GetPanelMessageMapDictionary() {
  static CPanelMessageMapDictionary s_Dictionary;
  return s_Dictionary;
}

HKeySymbol SymbolOf(const char *name) {
  return name ? KeyValuesSystemPlexa()->SymbolForName(name, true) : 0;
}

}  // namespace

PanelMessageMap *FindOrAddPanelMessageMap(const char *className) {
  return GetPanelMessageMapDictionary().FindOrAdd(className);
}

PanelMessageMap *FindPanelMessageMap(const char *className) {
  return GetPanelMessageMapDictionary().Find(className);
}

PanelMessageMap *RegisterPanelMessageMap(const char *className, const char *baseClassName,
                                         const char *(*pfnClassName)(),
                                         std::initializer_list<MessageMapItem_t> entries) {
  PanelMessageMap *map = FindOrAddPanelMessageMap(className);
  map->pfnClassName = pfnClassName;
  if (baseClassName && *baseClassName) map->baseMap = FindOrAddPanelMessageMap(baseClassName);
  for (const MessageMapItem_t &entry : entries) map->entries.push_back(entry);
  // Entries added after a preparation still need their symbols.
  map->processed = false;
  return map;
}

void PreparePanelMessageMap(PanelMessageMap *map) {
  for (; map && !map->processed; map = map->baseMap) {
    for (MessageMapItem_t &entry : map->entries) {
      entry.nameSymbol = SymbolOf(entry.name);
      entry.firstParamSymbol = SymbolOf(entry.firstParamName);
      entry.secondParamSymbol = SymbolOf(entry.secondParamName);
    }
    map->processed = true;
  }
}

}  // namespace kgui
