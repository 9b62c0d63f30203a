// The key-name symbols one parse has met, found by the name's bytes in the text. Most files repeat
// a few key names many times; a hash lookup here spares each repeat the symbol service's lock,
// hashing and table.
#pragma once

#include <vector>

#include "kstdlib/ikeyvaluessystem.h"
#include "tier0/platform.h"

class CKeyNameCache {
 public:
  // Names kept at most, so the table stays in the nearest cache; later new names are not kept (a
  // file of unique names gains nothing from them).
  static constexpr size_t kMaxNames = 256;

  // The symbol kept for the `length` bytes at `text`, or INVALID_KEY_SYMBOL.
  HKeySymbol Find(const char *text, int length, uint32 hash) const;
  // Keeps `symbol` for the bytes at `text`, which must stay readable and unchanged while the cache
  // is used (the text being parsed).
  void Add(const char *text, int length, uint32 hash, HKeySymbol symbol);
  static uint32 Hash(const char *text, int length);

 private:
  struct Entry {
    const char *text;
    int length;
    uint32 hash;
    HKeySymbol symbol;
  };
  void Grow();

  std::vector<Entry> m_Slots;  // open addressing, a power of two, at most half full
  size_t m_nCount = 0;
};
