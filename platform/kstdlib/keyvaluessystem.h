// The process's one symbol service (see public/kstdlib/ikeyvaluessystem.h).
//
// Every spelling ever interned gets an entry; symbols are entry numbers 1..0xFFFFFF, so they are
// nonzero, fit 24 bits and never change. The case-insensitive index maps a name to the entry of its
// first spelling; the exact index maps each spelling to its own entry. The case-sensitive symbol of
// the first spelling is therefore the same number as its case-insensitive symbol, and NameForSymbol
// answers for both kinds. The empty name "" is a name like any other and gets a nonzero symbol; only
// a null name has symbol 0.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <vector>

#include "kstdlib/ikeyvaluessystem.h"
#include "platform/kstdlib/symbolindex.h"

class CKeyValuesSystem final : public IKeyValuesSystem {
 public:
  HKeySymbol SymbolForName(const char *name, bool create) override;
  const char *NameForSymbol(HKeySymbol symbol) override;
  HKeySymbol InternName(const char *name, HKeySymbol *caseSensitiveSymbol) override;
  bool EvaluateConditionSymbol(const char *name) override;
  void RegisterConditionSymbol(const char *name, bool value) override;

 private:
  struct Entry {
    std::unique_ptr<char[]> name;
    size_t length = 0;
  };
  // A name with both of its hashes, computed once per call.
  struct Key {
    const char *text;
    size_t length;
    uint32 foldedHash;
    uint32 exactHash;
  };
  struct CaseInsensitiveLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
  };

  static Key MakeKey(const char *name);
  HKeySymbol FindFolded(const Key &key) const;
  HKeySymbol FindExact(const Key &key) const;
  HKeySymbol ExactSymbol(const Key &key);
  // Adds a spelling; it joins the case-insensitive index only when it is the first of its name.
  HKeySymbol AddEntry(const Key &key, bool firstSpelling);

  mutable std::shared_mutex m_SymbolMutex;
  std::vector<Entry> m_Entries;  // entry i has symbol i + 1
  CSymbolIndex m_FoldedIndex;
  CSymbolIndex m_ExactIndex;

  std::mutex m_ConditionMutex;
  std::map<std::string, bool, CaseInsensitiveLess> m_Conditions;
};
