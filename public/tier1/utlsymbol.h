// Interned strings: each distinct string of a table gets a 16-bit handle that stays valid, with
// its text, until the table is emptied. A plain CUtlSymbol built from text lives in one
// process-wide, case-sensitive table that is safe to use from any thread.
#pragma once

#include <compare>
#include <cstddef>
#include <set>
#include <vector>

#include "tier0/platform.h"
#include "tier0/threadtools.h"

class CValidator;

using UtlSymId_t = uint16;
constexpr UtlSymId_t UTL_INVAL_SYMBOL = 0xFFFF;

class CUtlSymbol {
 public:
  constexpr CUtlSymbol() = default;
  constexpr explicit CUtlSymbol(UtlSymId_t id) : m_Id(id) {}
  // Interns `text` in the process-wide table (invalid for null text).
  explicit CUtlSymbol(const char *text);

  constexpr UtlSymId_t Id() const { return m_Id; }
  constexpr bool IsValid() const { return m_Id != UTL_INVAL_SYMBOL; }
  // The text in the process-wide table; "" when invalid or unknown.
  const char *String() const;
  // Compares with the text in the process-wide table, case-sensitively.
  bool operator==(const char *text) const;
  constexpr bool operator==(const CUtlSymbol &other) const = default;
  constexpr auto operator<=>(const CUtlSymbol &other) const = default;

  // The symbol of `text` in the process-wide table without adding it; invalid when absent.
  static CUtlSymbol Find(const char *text);
  // Reports the process-wide table to a memory audit, in one scope named
  // "CUtlSymbol::ValidateGlobals".
  static void ValidateGlobals(CValidator &validator);

 private:
  UtlSymId_t m_Id = UTL_INVAL_SYMBOL;
};

// Strings in pools of at least kMinPoolSize bytes, indexed by a balanced tree ordered by text.
// Not locked: one thread at a time (see CUtlSymbolTableMT).
class CUtlSymbolTable {
 public:
  static constexpr size_t kMinPoolSize = 2048;
  // Ids 0 to kMaxSymbols - 1; 0xFFFF stays invalid.
  static constexpr size_t kMaxSymbols = UTL_INVAL_SYMBOL;

  explicit CUtlSymbolTable(bool caseInsensitive = false);
  ~CUtlSymbolTable();
  CUtlSymbolTable(const CUtlSymbolTable &) = delete;
  CUtlSymbolTable &operator=(const CUtlSymbolTable &) = delete;

  // The symbol of `text`, added when new. Invalid for null text or when the table is full.
  CUtlSymbol AddString(const char *text);
  // The symbol of `text`, or invalid when it is not in the table.
  CUtlSymbol Find(const char *text) const;
  // The text of `symbol`; "" when invalid or unknown. Stays valid until RemoveAll.
  const char *String(CUtlSymbol symbol) const;
  size_t GetNumStrings() const { return m_Entries.size(); }
  bool IsCaseInsensitive() const { return m_bCaseInsensitive; }
  // Forgets every string and releases the pools; earlier symbols become unknown.
  void RemoveAll();
  // Reports the table's storage to a memory audit under `name`.
  void Validate(CValidator &validator, const char *name) const;

 private:
  struct Pool {
    char *pText;
    size_t size;
    size_t used;
  };
  // Where a symbol's text sits.
  struct Entry {
    uint16 pool;
    uint16 offset;
  };
  // Orders symbol ids by their text; also compares ids with plain text for lookups.
  struct TextLess {
    using is_transparent = void;
    const CUtlSymbolTable *table;
    bool operator()(UtlSymId_t a, UtlSymId_t b) const;
    bool operator()(UtlSymId_t a, const char *b) const;
    bool operator()(const char *a, UtlSymId_t b) const;
  };

  const char *TextOf(UtlSymId_t id) const;
  int Compare(const char *a, const char *b) const;
  // Copies `text` (`bytes` with its NUL) into the first pool with room, or into a new pool.
  Entry StoreText(const char *text, size_t bytes);

  bool m_bCaseInsensitive;
  std::vector<Pool> m_Pools;
  std::vector<Entry> m_Entries;  // indexed by symbol id
  std::set<UtlSymId_t, TextLess> m_Tree;
};

// A symbol table whose every operation holds one lock, for tables shared between threads.
class CUtlSymbolTableMT {
 public:
  explicit CUtlSymbolTableMT(bool caseInsensitive = false) : m_Table(caseInsensitive) {}

  CUtlSymbol AddString(const char *text);
  CUtlSymbol Find(const char *text);
  const char *String(CUtlSymbol symbol);
  size_t GetNumStrings();
  void RemoveAll();
  void Validate(CValidator &validator, const char *name);

 private:
  CThreadMutex m_Mutex;
  CUtlSymbolTable m_Table;
};
