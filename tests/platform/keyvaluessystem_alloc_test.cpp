// Looking up a known name must never touch the heap: this program replaces the global allocation
// functions with counting ones.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "kstdlib/ikeyvaluessystem.h"

namespace {
std::atomic<bool> g_bCounting{false};
std::atomic<long> g_nAllocations{0};

void *CountedAllocation(size_t size) {
  if (g_bCounting.load()) ++g_nAllocations;
  if (void *block = malloc(size ? size : 1)) return block;
  throw std::bad_alloc();
}
}  // namespace

void *operator new(size_t size) {
  return CountedAllocation(size);
}
void *operator new[](size_t size) {
  return CountedAllocation(size);
}
void *operator new(size_t size, const std::nothrow_t &) noexcept {
  return malloc(size ? size : 1);
}
void *operator new[](size_t size, const std::nothrow_t &) noexcept {
  return malloc(size ? size : 1);
}
void operator delete(void *block) noexcept {
  free(block);
}
void operator delete[](void *block) noexcept {
  free(block);
}
void operator delete(void *block, size_t) noexcept {
  free(block);
}
void operator delete[](void *block, size_t) noexcept {
  free(block);
}
void operator delete(void *block, const std::nothrow_t &) noexcept {
  free(block);
}
void operator delete[](void *block, const std::nothrow_t &) noexcept {
  free(block);
}

TEST(KeyValuesSystemAllocation, KnownNamesAreFoundWithoutAllocating) {
  IKeyValuesSystem &symbols = *KeyValuesSystemPlexa();
  std::vector<std::string> names;
  for (int i = 0; i < 500; ++i) names.push_back("Known_Key_" + std::to_string(i));
  for (const std::string &name : names) symbols.SymbolForName(name.c_str(), true);
  HKeySymbol exact = INVALID_KEY_SYMBOL;
  symbols.InternName("Known_Key_0", &exact);
  symbols.RegisterConditionSymbol("$KNOWN", true);

  // The counter must see allocations at all, or a zero below would prove nothing.
  g_bCounting = true;
  symbols.SymbolForName("Fresh_Key_Counted", true);
  g_bCounting = false;
  ASSERT_GT(g_nAllocations.load(), 0);

  g_nAllocations = 0;
  g_bCounting = true;
  long found = 0;
  for (const std::string &name : names) {
    found += symbols.SymbolForName(name.c_str(), false) != INVALID_KEY_SYMBOL;
    found += symbols.SymbolForName(name.c_str(), true) != INVALID_KEY_SYMBOL;
  }
  found += symbols.SymbolForName("KNOWN_KEY_7", false) != INVALID_KEY_SYMBOL;
  found += symbols.InternName("Known_Key_0", &exact) != INVALID_KEY_SYMBOL;
  found += symbols.EvaluateConditionSymbol("$known");
  found += symbols.NameForSymbol(exact)[0] == 'K';
  g_bCounting = false;

  EXPECT_EQ(found, 2 * 500 + 4);
  EXPECT_EQ(g_nAllocations.load(), 0);
}
