// The process-wide symbol service: case folding, first spelling, 24-bit range, thread safety and
// condition symbols.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>
#include <vector>

#include "kstdlib/ikeyvaluessystem.h"

namespace {
IKeyValuesSystem &Symbols() {
  return *KeyValuesSystemPlexa();
}
}  // namespace

TEST(KeyValuesSystem, IsOneObjectPerProcess) {
  EXPECT_NE(KeyValuesSystemPlexa(), nullptr);
  EXPECT_EQ(KeyValuesSystemPlexa(), KeyValuesSystemPlexa());
}

TEST(KeyValuesSystem, SpellingsThatDifferInCaseShareOneSymbolAndKeepTheFirst) {
  const HKeySymbol first = Symbols().SymbolForName("GameDir_Case", true);
  ASSERT_NE(first, INVALID_KEY_SYMBOL);
  EXPECT_EQ(Symbols().SymbolForName("gamedir_case", true), first);
  EXPECT_EQ(Symbols().SymbolForName("GAMEDIR_CASE", false), first);
  EXPECT_STREQ(Symbols().NameForSymbol(first), "GameDir_Case");
  EXPECT_NE(Symbols().SymbolForName("GameDir_Case2", true), first);
}

TEST(KeyValuesSystem, UnknownNamesAreNotCreatedWithoutAsking) {
  EXPECT_EQ(Symbols().SymbolForName("never-interned-name-7f3a", false), INVALID_KEY_SYMBOL);
  EXPECT_EQ(Symbols().SymbolForName("never-interned-name-7f3a", false), INVALID_KEY_SYMBOL);
  EXPECT_EQ(Symbols().SymbolForName(nullptr, true), INVALID_KEY_SYMBOL);
}

TEST(KeyValuesSystem, EmptyNameIsAName) {
  const HKeySymbol empty = Symbols().SymbolForName("", true);
  EXPECT_NE(empty, INVALID_KEY_SYMBOL);
  EXPECT_EQ(Symbols().SymbolForName("", false), empty);
  EXPECT_STREQ(Symbols().NameForSymbol(empty), "");
}

TEST(KeyValuesSystem, NameForBadSymbolsIsEmpty) {
  for (HKeySymbol symbol : {INVALID_KEY_SYMBOL, -1, KEY_SYMBOL_MASK, 0x7FFFFFFF}) {
    EXPECT_STREQ(Symbols().NameForSymbol(symbol), "") << symbol;
  }
}

TEST(KeyValuesSystem, ManyNamesGetDistinctStable24BitSymbols) {
  std::vector<HKeySymbol> symbols;
  std::set<HKeySymbol> distinct;
  for (int i = 0; i < 20000; ++i) {
    const std::string name = "many_" + std::to_string(i);
    const HKeySymbol symbol = Symbols().SymbolForName(name.c_str(), true);
    EXPECT_GT(symbol, 0);
    EXPECT_EQ(symbol & ~KEY_SYMBOL_MASK, 0);
    symbols.push_back(symbol);
    distinct.insert(symbol);
  }
  EXPECT_EQ(distinct.size(), symbols.size());
  // The table grew many times; earlier symbols and names must not have moved.
  for (int i = 0; i < 20000; i += 997) {
    const std::string name = "MANY_" + std::to_string(i);
    EXPECT_EQ(Symbols().SymbolForName(name.c_str(), false), symbols[i]);
    EXPECT_EQ(Symbols().NameForSymbol(symbols[i]), "many_" + std::to_string(i));
  }
}

TEST(KeyValuesSystem, NamesWithHighBytesFoldOnlyAscii) {
  const HKeySymbol upper = Symbols().SymbolForName("Caf\xC3\x89", true);  // "CafÉ"
  const HKeySymbol lower = Symbols().SymbolForName("caf\xC3\xA9", true);  // "café"
  EXPECT_NE(upper, lower);
  EXPECT_EQ(Symbols().SymbolForName("CAF\xC3\x89", false), upper);
}

TEST(KeyValuesSystem, InternNameGivesCaseSensitiveSymbolPerSpelling) {
  HKeySymbol exactFirst = INVALID_KEY_SYMBOL;
  const HKeySymbol folded = Symbols().InternName("MaxPlayers_Intern", &exactFirst);
  EXPECT_EQ(folded, Symbols().SymbolForName("maxplayers_intern", false));
  EXPECT_EQ(exactFirst, folded) << "the first spelling's own symbol is its name's symbol";

  HKeySymbol exactOther = INVALID_KEY_SYMBOL;
  EXPECT_EQ(Symbols().InternName("MAXPLAYERS_INTERN", &exactOther), folded);
  EXPECT_NE(exactOther, folded);
  EXPECT_STREQ(Symbols().NameForSymbol(exactOther), "MAXPLAYERS_INTERN");
  EXPECT_STREQ(Symbols().NameForSymbol(folded), "MaxPlayers_Intern");

  HKeySymbol exactAgain = INVALID_KEY_SYMBOL;
  Symbols().InternName("MAXPLAYERS_INTERN", &exactAgain);
  EXPECT_EQ(exactAgain, exactOther);
  EXPECT_EQ(Symbols().InternName("maxPlayers_intern", nullptr), folded);
  // A second spelling never becomes the name's symbol.
  EXPECT_EQ(Symbols().SymbolForName("MAXPLAYERS_INTERN", false), folded);
}

TEST(KeyValuesSystem, ConcurrentInterningAgrees) {
  constexpr int kThreads = 4;
  constexpr int kNames = 3000;
  std::vector<std::vector<HKeySymbol>> results(kThreads, std::vector<HKeySymbol>(kNames));
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &results] {
      for (int i = 0; i < kNames; ++i) {
        // Every thread uses its own letter case, so the threads race on the same names.
        std::string name = "Concurrent_Name_" + std::to_string(i);
        if (t % 2) {
          for (char &c : name) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
        }
        results[t][i] = Symbols().SymbolForName(name.c_str(), true);
      }
    });
  }
  for (std::thread &thread : threads) thread.join();
  std::set<HKeySymbol> distinct;
  for (int i = 0; i < kNames; ++i) {
    for (int t = 1; t < kThreads; ++t) ASSERT_EQ(results[t][i], results[0][i]) << "name " << i;
    distinct.insert(results[0][i]);
  }
  EXPECT_EQ(distinct.size(), static_cast<size_t>(kNames));
}

TEST(KeyValuesSystem, ConditionsAreFalseUntilRegistered) {
  EXPECT_FALSE(Symbols().EvaluateConditionSymbol("$NEVER_SET_FLAG"));
  EXPECT_FALSE(Symbols().EvaluateConditionSymbol(nullptr));

  Symbols().RegisterConditionSymbol("$Fancy_Flag", true);
  EXPECT_TRUE(Symbols().EvaluateConditionSymbol("$FANCY_FLAG"));
  EXPECT_TRUE(Symbols().EvaluateConditionSymbol("$fancy_flag"));
  EXPECT_FALSE(Symbols().EvaluateConditionSymbol("FANCY_FLAG")) << "the $ is part of the name";

  Symbols().RegisterConditionSymbol("$FANCY_FLAG", false);
  EXPECT_FALSE(Symbols().EvaluateConditionSymbol("$Fancy_Flag"));
  Symbols().RegisterConditionSymbol(nullptr, true);
}
