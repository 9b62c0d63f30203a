// Open-addressing hash index from a 32-bit text hash to symbols; the texts themselves live with the
// caller, which decides equality. Lookups never allocate.
#pragma once

#include <vector>

#include "tier0/platform.h"

class CSymbolIndex {
 public:
  // The first symbol stored under `hash` for which `matches(symbol)` is true, or 0.
  template <typename Matches>
  uint32 Find(uint32 hash, Matches &&matches) const {
    if (m_Slots.empty()) return 0;
    const size_t mask = m_Slots.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
      const Slot &slot = m_Slots[i];
      if (slot.symbol == 0) return 0;
      if (slot.hash == hash && matches(slot.symbol)) return slot.symbol;
    }
  }

  // Adds a symbol (nonzero) under its hash; the caller makes sure it is not there yet.
  void Insert(uint32 hash, uint32 symbol);
  size_t Count() const { return m_nCount; }

 private:
  struct Slot {
    uint32 hash = 0;
    uint32 symbol = 0;  // 0 marks an empty slot
  };
  void Grow();

  std::vector<Slot> m_Slots;  // size is zero or a power of two, never more than half full
  size_t m_nCount = 0;
};
