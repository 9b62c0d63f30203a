#include "tier1/keyvalues_text/key_name_cache.h"

#include <cstring>

namespace {
constexpr size_t kInitialSlots = 64;
}

uint32 CKeyNameCache::Hash(const char *text, int length) {
  // Eight bytes at a time; names are short, so this is a handful of multiplications.
  uint64 hash = 0x9E3779B97F4A7C15ull ^ static_cast<uint64>(length);
  int i = 0;
  for (; i + 8 <= length; i += 8) {
    uint64 word = 0;
    memcpy(&word, text + i, 8);
    hash = (hash ^ word) * 0xFF51AFD7ED558CCDull;
  }
  if (i < length) {
    uint64 word = 0;
    memcpy(&word, text + i, static_cast<size_t>(length - i));
    hash = (hash ^ word) * 0xFF51AFD7ED558CCDull;
  }
  return static_cast<uint32>(hash ^ (hash >> 29));
}

HKeySymbol CKeyNameCache::Find(const char *text, int length, uint32 hash) const {
  if (m_Slots.empty()) return INVALID_KEY_SYMBOL;
  const size_t mask = m_Slots.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    const Entry &entry = m_Slots[i];
    if (!entry.text) return INVALID_KEY_SYMBOL;
    if (entry.hash == hash && entry.length == length &&
        memcmp(entry.text, text, static_cast<size_t>(length)) == 0)
      return entry.symbol;
  }
}

void CKeyNameCache::Add(const char *text, int length, uint32 hash, HKeySymbol symbol) {
  if (symbol == INVALID_KEY_SYMBOL || m_nCount >= kMaxNames) return;
  if ((m_nCount + 1) * 2 > m_Slots.size()) Grow();
  const size_t mask = m_Slots.size() - 1;
  size_t i = hash & mask;
  while (m_Slots[i].text) i = (i + 1) & mask;
  m_Slots[i] = Entry{text, length, hash, symbol};
  ++m_nCount;
}

void CKeyNameCache::Grow() {
  std::vector<Entry> old(m_Slots.empty() ? kInitialSlots : m_Slots.size() * 2, Entry{nullptr, 0, 0, 0});
  old.swap(m_Slots);
  const size_t mask = m_Slots.size() - 1;
  for (const Entry &entry : old) {
    if (!entry.text) continue;
    size_t i = entry.hash & mask;
    while (m_Slots[i].text) i = (i + 1) & mask;
    m_Slots[i] = entry;
  }
}
