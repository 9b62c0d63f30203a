#include "tier1/utlsymbol.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "support/spew_capture.h"
#include "tier0/validator.h"

namespace {

TEST(UtlSymbolTable, AddingAgainReturnsTheSameSymbol) {
  CUtlSymbolTable table;
  const CUtlSymbol first = table.AddString("alpha");
  const CUtlSymbol second = table.AddString("beta");
  EXPECT_TRUE(first.IsValid());
  EXPECT_NE(first, second);
  EXPECT_EQ(table.AddString("alpha"), first);
  EXPECT_EQ(table.Find("beta"), second);
  EXPECT_STREQ(table.String(first), "alpha");
  EXPECT_EQ(table.GetNumStrings(), 2u);
  EXPECT_EQ(table.AddString(""), table.AddString("")) << "the empty string is a string too";
}

TEST(UtlSymbolTable, CaseRuleFollowsTheTable) {
  struct Case {
    bool caseInsensitive;
    bool sameSymbol;
  };
  for (const Case c : {Case{false, false}, Case{true, true}}) {
    SCOPED_TRACE(c.caseInsensitive);
    CUtlSymbolTable table(c.caseInsensitive);
    const CUtlSymbol mixed = table.AddString("MapName");
    EXPECT_EQ(table.AddString("MAPNAME") == mixed, c.sameSymbol);
    EXPECT_EQ(table.Find("mapname").IsValid(), c.sameSymbol);
    EXPECT_STREQ(table.String(mixed), "MapName") << "the first spelling stays";
    EXPECT_EQ(table.IsCaseInsensitive(), c.caseInsensitive);
  }
}

TEST(UtlSymbolTable, InvalidAndUnknownSymbolsReadAsEmpty) {
  CUtlSymbolTable table;
  EXPECT_FALSE(table.Find("absent").IsValid());
  EXPECT_FALSE(table.Find(nullptr).IsValid());
  EXPECT_FALSE(table.AddString(nullptr).IsValid());
  EXPECT_STREQ(table.String(CUtlSymbol()), "");
  EXPECT_STREQ(table.String(CUtlSymbol(UTL_INVAL_SYMBOL)), "");
  EXPECT_STREQ(table.String(CUtlSymbol(UtlSymId_t{42})), "");
  EXPECT_EQ(table.GetNumStrings(), 0u);
}

TEST(UtlSymbolTable, TextsStayPutAcrossPoolsAndLongStrings) {
  CUtlSymbolTable table;
  std::vector<std::pair<CUtlSymbol, const char *>> added;
  // Well past one 2048-byte pool, with a string longer than a pool in the middle.
  for (int i = 0; i < 600; ++i) {
    const std::string text = i == 300 ? std::string(5000, 'L') : "string number " + std::to_string(i);
    const CUtlSymbol symbol = table.AddString(text.c_str());
    added.emplace_back(symbol, table.String(symbol));
  }
  for (int i = 0; i < 600; ++i) {
    const std::string text = i == 300 ? std::string(5000, 'L') : "string number " + std::to_string(i);
    EXPECT_EQ(table.String(added[i].first), added[i].second) << "text moved";
    EXPECT_EQ(text, added[i].second);
    EXPECT_EQ(table.Find(text.c_str()), added[i].first);
  }
}

TEST(UtlSymbolTable, FullTableReportsAndAnswersInvalid) {
  CUtlSymbolTable table;
  for (size_t i = 0; i < CUtlSymbolTable::kMaxSymbols; ++i)
    ASSERT_TRUE(table.AddString(std::to_string(i).c_str()).IsValid()) << i;
  EXPECT_EQ(table.Find("65534").Id(), 65534);
  SpewCapture spew;
  EXPECT_FALSE(table.AddString("one too many").IsValid());
  EXPECT_EQ(spew.Asserts().size(), 1u);
  EXPECT_TRUE(table.AddString("17").IsValid()) << "known strings still resolve";
}

TEST(UtlSymbolTable, RemoveAllForgetsEverything) {
  CUtlSymbolTable table;
  const CUtlSymbol symbol = table.AddString("gone");
  table.RemoveAll();
  EXPECT_EQ(table.GetNumStrings(), 0u);
  EXPECT_STREQ(table.String(symbol), "");
  EXPECT_FALSE(table.Find("gone").IsValid());
  EXPECT_STREQ(table.String(table.AddString("back")), "back");
}

TEST(UtlSymbolTable, ValidateReportsOneBalancedScope) {
  CUtlSymbolTable table;
  table.AddString("claimed");
  CValidator validator;
  table.Validate(validator, "m_Table");
  ASSERT_EQ(validator.Scopes().size(), 1u);
  EXPECT_EQ(validator.Scopes()[0], "m_Table");
  EXPECT_EQ(validator.Depth(), 0);
}

TEST(UtlSymbol, PlainSymbolsShareTheProcessTable) {
  const CUtlSymbol a("process-wide symbol");
  const CUtlSymbol b("process-wide symbol");
  const CUtlSymbol upper("PROCESS-WIDE SYMBOL");
  EXPECT_EQ(a, b);
  EXPECT_NE(a, upper) << "the process table is case-sensitive";
  EXPECT_STREQ(a.String(), "process-wide symbol");
  EXPECT_TRUE(a == "process-wide symbol");
  EXPECT_FALSE(a == "PROCESS-WIDE SYMBOL");
  EXPECT_FALSE(a == nullptr);
  EXPECT_EQ(CUtlSymbol::Find("process-wide symbol"), a);
  EXPECT_FALSE(CUtlSymbol::Find("not interned anywhere").IsValid());
  EXPECT_STREQ(CUtlSymbol().String(), "");
  EXPECT_FALSE(CUtlSymbol(static_cast<const char *>(nullptr)).IsValid());
  CValidator validator;
  CUtlSymbol::ValidateGlobals(validator);
  ASSERT_EQ(validator.Scopes().size(), 1u);
  EXPECT_EQ(validator.Scopes()[0], "CUtlSymbol::ValidateGlobals");
}

TEST(UtlSymbol, ThreadsAddingTheSameNamesAgree) {
  constexpr int kThreads = 4;
  constexpr int kNames = 500;
  std::vector<std::vector<CUtlSymbol>> seen(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &seen] {
      for (int i = 0; i < kNames; ++i) {
        // Each thread walks the names in its own order.
        const int n = (i * (t + 1) * 7) % kNames;
        seen[t].push_back(CUtlSymbol(("threaded name " + std::to_string(n)).c_str()));
      }
    });
  }
  for (std::thread &thread : threads) thread.join();
  for (int i = 0; i < kNames; ++i) {
    const std::string name = "threaded name " + std::to_string(i);
    const CUtlSymbol expected = CUtlSymbol::Find(name.c_str());
    ASSERT_TRUE(expected.IsValid());
    EXPECT_STREQ(expected.String(), name.c_str());
  }
  for (int t = 0; t < kThreads; ++t)
    for (int i = 0; i < kNames; ++i) {
      const int n = (i * (t + 1) * 7) % kNames;
      EXPECT_EQ(seen[t][i], CUtlSymbol::Find(("threaded name " + std::to_string(n)).c_str()));
    }
}

}  // namespace
