// The host symbol service: process-wide, case-insensitive 24-bit name symbols for key/value
// records, and the truth of condition symbols the text reader does not know itself.
#pragma once

#include "tier0/platform.h"

// A 24-bit name symbol; 0 means "no name".
using HKeySymbol = int;
constexpr HKeySymbol INVALID_KEY_SYMBOL = 0;
constexpr HKeySymbol KEY_SYMBOL_MASK = 0x00FFFFFF;

class IKeyValuesSystem {
 public:
  // The symbol of `name`, created when `create` is true; 0 when unknown and not created.
  // Spellings that differ only in letter case share one symbol. Never allocates for a known name.
  // Every name has a nonzero symbol, the empty name "" too; only a null name gets 0.
  virtual HKeySymbol SymbolForName(const char *name, bool create) = 0;
  // The first spelling interned for `symbol`; "" for 0 or an unknown symbol.
  virtual const char *NameForSymbol(HKeySymbol symbol) = 0;
  // The symbol of `name`, always created. `caseSensitiveSymbol`, when given, receives a symbol that
  // also tells spellings apart: the first spelling's is the returned symbol itself, every other
  // spelling gets one of its own from the same range, and NameForSymbol answers for both.
  virtual HKeySymbol InternName(const char *name, HKeySymbol *caseSensitiveSymbol) = 0;
  // The truth of a condition symbol such as "$MYFLAG" (with its "$"); false unless registered.
  virtual bool EvaluateConditionSymbol(const char *name) = 0;
  // The host registers condition symbols (compared without regard to letter case).
  virtual void RegisterConditionSymbol(const char *name, bool value) = 0;

 protected:
  ~IKeyValuesSystem() = default;
};

DLL_EXPORT IKeyValuesSystem *KeyValuesSystemPlexa();
