#include "tier1/keyvalues_text/key_name_cache.h"

#include <cstring>

namespace {
constexpr size_t kInitialSlots = 64;
}

namespace {
uint64 Load8(const char *p) {
  uint64 word;
  memcpy(&word, p, 8);
  return word;
}

uint32 Load4(const char *p) {
  uint32 word;
  memcpy(&word, p, 4);
  return word;
}

// Names are short: whole words compared, the last one overlapping the one before, no call.
bool SameBytes(const char *a, const char *b, int length) {
  if (length >= 8) {
    for (int i = 0; i + 8 < length; i += 8)
      if (Load8(a + i) != Load8(b + i)) return false;
    return Load8(a + length - 8) == Load8(b + length - 8);
  }
  if (length >= 4) return Load4(a) == Load4(b) && Load4(a + length - 4) == Load4(b + length - 4);
  for (int i = 0; i < length; ++i)
    if (a[i] != b[i]) return false;
  return true;
}
}  // namespace

uint32 CKeyNameCache::Hash(const char *text, int length) {
  // Whole words, the last one overlapping the one before; names are short, so this is a handful
  // of multiplications and no call.
  constexpr uint64 kMultiplier = 0xFF51AFD7ED558CCDull;
  uint64 hash = 0x9E3779B97F4A7C15ull ^ static_cast<uint64>(length);
  if (length >= 8) {
    for (int i = 0; i + 8 < length; i += 8) hash = (hash ^ Load8(text + i)) * kMultiplier;
    hash = (hash ^ Load8(text + length - 8)) * kMultiplier;
  } else if (length >= 4) {
    hash = (hash ^ (Load4(text) | static_cast<uint64>(Load4(text + length - 4)) << 32)) * kMultiplier;
  } else if (length > 0) {
    const auto first = static_cast<unsigned char>(text[0]);
    const auto middle = static_cast<unsigned char>(text[length / 2]);
    const auto last = static_cast<unsigned char>(text[length - 1]);
    hash = (hash ^ (first | middle << 8 | last << 16)) * kMultiplier;
  }
  return static_cast<uint32>(hash ^ (hash >> 29));
}

HKeySymbol CKeyNameCache::Find(const char *text, int length, uint32 hash) const {
  if (m_Slots.empty()) return INVALID_KEY_SYMBOL;
  const size_t mask = m_Slots.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    const Entry &entry = m_Slots[i];
    if (!entry.text) return INVALID_KEY_SYMBOL;
    if (entry.hash == hash && entry.length == length && SameBytes(entry.text, text, length))
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
