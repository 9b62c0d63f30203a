#include "platform/kstdlib/keyvaluessystem.h"

#include <cstring>

#include "kstdlib/strtools.h"
#include "tier0/dbg.h"

namespace {

constexpr uint32 kFnvOffset = 2166136261u;
constexpr uint32 kFnvPrime = 16777619u;

bool EqualIgnoringCase(const char *a, const char *b, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    if (V_tolower(a[i]) != V_tolower(b[i])) return false;
  }
  return true;
}

}  // namespace

DLL_EXPORT IKeyValuesSystem *KeyValuesSystemPlexa() {
  static CKeyValuesSystem s_KeyValuesSystem;
  return &s_KeyValuesSystem;
}

bool CKeyValuesSystem::CaseInsensitiveLess::operator()(std::string_view a, std::string_view b) const {
  const size_t common = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < common; ++i) {
    const auto ca = static_cast<unsigned char>(V_tolower(a[i]));
    const auto cb = static_cast<unsigned char>(V_tolower(b[i]));
    if (ca != cb) return ca < cb;
  }
  return a.size() < b.size();
}

CKeyValuesSystem::Key CKeyValuesSystem::MakeKey(const char *name) {
  Key key{name, 0, kFnvOffset, kFnvOffset};
  for (const char *p = name; *p; ++p, ++key.length) {
    key.exactHash = (key.exactHash ^ static_cast<unsigned char>(*p)) * kFnvPrime;
    key.foldedHash = (key.foldedHash ^ static_cast<unsigned char>(V_tolower(*p))) * kFnvPrime;
  }
  return key;
}

HKeySymbol CKeyValuesSystem::FindFolded(const Key &key) const {
  return static_cast<HKeySymbol>(m_FoldedIndex.Find(key.foldedHash, [&](uint32 symbol) {
    const Entry &entry = m_Entries[symbol - 1];
    return entry.length == key.length && EqualIgnoringCase(entry.name.get(), key.text, key.length);
  }));
}

HKeySymbol CKeyValuesSystem::FindExact(const Key &key) const {
  return static_cast<HKeySymbol>(m_ExactIndex.Find(key.exactHash, [&](uint32 symbol) {
    const Entry &entry = m_Entries[symbol - 1];
    return entry.length == key.length && memcmp(entry.name.get(), key.text, key.length) == 0;
  }));
}

HKeySymbol CKeyValuesSystem::AddEntry(const Key &key, bool firstSpelling) {
  if (m_Entries.size() >= static_cast<size_t>(KEY_SYMBOL_MASK)) {
    AssertMsgImplementation("Assertion Failed: key symbol table is full", __FILE__, __LINE__);
    return INVALID_KEY_SYMBOL;
  }
  Entry entry;
  entry.name = std::make_unique<char[]>(key.length + 1);
  memcpy(entry.name.get(), key.text, key.length + 1);
  entry.length = key.length;
  m_Entries.push_back(std::move(entry));
  const auto symbol = static_cast<uint32>(m_Entries.size());
  m_ExactIndex.Insert(key.exactHash, symbol);
  if (firstSpelling) m_FoldedIndex.Insert(key.foldedHash, symbol);
  return static_cast<HKeySymbol>(symbol);
}

HKeySymbol CKeyValuesSystem::SymbolForName(const char *name, bool create) {
  if (!name) return INVALID_KEY_SYMBOL;
  const Key key = MakeKey(name);
  {
    std::shared_lock<std::shared_mutex> lock(m_SymbolMutex);
    if (HKeySymbol symbol = FindFolded(key)) return symbol;
  }
  if (!create) return INVALID_KEY_SYMBOL;
  std::unique_lock<std::shared_mutex> lock(m_SymbolMutex);
  // Another thread may have added it between the two locks.
  if (HKeySymbol symbol = FindFolded(key)) return symbol;
  return AddEntry(key, true);
}

HKeySymbol CKeyValuesSystem::ExactSymbol(const Key &key) {
  {
    std::shared_lock<std::shared_mutex> lock(m_SymbolMutex);
    if (HKeySymbol symbol = FindExact(key)) return symbol;
  }
  std::unique_lock<std::shared_mutex> lock(m_SymbolMutex);
  if (HKeySymbol symbol = FindExact(key)) return symbol;
  return AddEntry(key, false);
}

const char *CKeyValuesSystem::NameForSymbol(HKeySymbol symbol) {
  std::shared_lock<std::shared_mutex> lock(m_SymbolMutex);
  if (symbol <= 0 || static_cast<size_t>(symbol) > m_Entries.size()) return "";
  return m_Entries[static_cast<size_t>(symbol) - 1].name.get();
}

HKeySymbol CKeyValuesSystem::InternName(const char *name, HKeySymbol *caseSensitiveSymbol) {
  const HKeySymbol symbol = SymbolForName(name, true);
  if (caseSensitiveSymbol) {
    // A spelling gets an entry only once its name has one, so a full table yields 0 for both.
    *caseSensitiveSymbol = symbol != INVALID_KEY_SYMBOL ? ExactSymbol(MakeKey(name)) : INVALID_KEY_SYMBOL;
  }
  return symbol;
}

bool CKeyValuesSystem::EvaluateConditionSymbol(const char *name) {
  if (!name) return false;
  std::lock_guard<std::mutex> lock(m_ConditionMutex);
  const auto found = m_Conditions.find(std::string_view(name));
  return found != m_Conditions.end() && found->second;
}

void CKeyValuesSystem::RegisterConditionSymbol(const char *name, bool value) {
  if (!name) return;
  std::lock_guard<std::mutex> lock(m_ConditionMutex);
  const auto found = m_Conditions.find(std::string_view(name));
  if (found != m_Conditions.end()) {
    found->second = value;
  } else {
    m_Conditions.emplace(name, value);
  }
}
