#include "platform/kstdlib/symbolindex.h"

namespace {
constexpr size_t kInitialSlots = 1024;
}

void CSymbolIndex::Insert(uint32 hash, uint32 symbol) {
  if ((m_nCount + 1) * 2 > m_Slots.size()) Grow();
  const size_t mask = m_Slots.size() - 1;
  size_t i = hash & mask;
  while (m_Slots[i].symbol != 0) i = (i + 1) & mask;
  m_Slots[i] = Slot{hash, symbol};
  ++m_nCount;
}

void CSymbolIndex::Grow() {
  std::vector<Slot> old;
  old.swap(m_Slots);
  m_Slots.resize(old.empty() ? kInitialSlots : old.size() * 2);
  m_nCount = 0;
  for (const Slot &slot : old) {
    if (slot.symbol != 0) Insert(slot.hash, slot.symbol);
  }
}
