#include "tier1/utlstring.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>

namespace {

TEST(UtlString, EmptyReadsAsEmptyTextNeverNull) {
  const CUtlString empty;
  const CUtlString fromNull(nullptr);
  for (const CUtlString *s : {&empty, &fromNull}) {
    ASSERT_NE(s->Get(), nullptr);
    EXPECT_STREQ(s->Get(), "");
    EXPECT_TRUE(s->IsEmpty());
    EXPECT_TRUE(*s == nullptr);
    EXPECT_TRUE(*s == "");
  }
}

TEST(UtlString, CopyMoveAndAssign) {
  CUtlString original("server name");
  CUtlString copy(original);
  EXPECT_TRUE(copy == original);
  EXPECT_NE(copy.Get(), original.Get());
  CUtlString moved(std::move(copy));
  EXPECT_STREQ(moved.Get(), "server name");
  EXPECT_TRUE(copy.IsEmpty());  // NOLINT(bugprone-use-after-move): a moved-from string is empty
  moved = "other";
  EXPECT_STREQ(moved.Get(), "other");
  moved = original;
  EXPECT_EQ(moved.Length(), 11u);
  original = std::move(moved);
  EXPECT_STREQ(original.Get(), "server name");
  CUtlString &self = original;
  original = self;
  EXPECT_STREQ(original.Get(), "server name");
  const CUtlString part("abcdef", 3);
  EXPECT_STREQ(part.Get(), "abc");
}

TEST(UtlString, AppendGrowsAndMayReadItself) {
  CUtlString text("ab");
  text += "cd";
  text += 'e';
  text.Append("xyz", 1);
  EXPECT_STREQ(text.Get(), "abcdex");
  for (int i = 0; i < 6; ++i) text.Append(text.Get());  // its own text, across reallocation
  EXPECT_EQ(text.Length(), 6u * 64u);
  EXPECT_EQ(std::string(text.Get()).substr(0, 12), "abcdexabcdex");
  text.Set(text.Get() + 6);  // a tail of itself
  EXPECT_EQ(text.Length(), 6u * 64u - 6u);
  text.Append(nullptr);
  EXPECT_EQ(text.Length(), 6u * 64u - 6u);
}

TEST(UtlString, FormatHasNoLengthLimit) {
  CUtlString text;
  text.Format("%s:%d", "players", 24);
  EXPECT_STREQ(text.Get(), "players:24");
  const std::string longText(3000, 'q');
  text.Format("[%s]", longText.c_str());
  EXPECT_EQ(text.Length(), 3002u);
  text.Format("%s!", text.Get());  // formatting from itself
  EXPECT_EQ(text.Length(), 3003u);
}

TEST(UtlString, LowerCaseClearAndOrder) {
  CUtlString text("MiXeD Ünï");
  text.ToLower();
  EXPECT_STREQ(text.Get(), "mixed Ünï") << "ASCII folding only";
  text.Clear();
  EXPECT_TRUE(text.IsEmpty());
  std::map<CUtlString, int> sorted;
  sorted.emplace(CUtlString("b"), 2);
  sorted.emplace(CUtlString("a"), 1);
  sorted.emplace(CUtlString("ab"), 3);
  std::string order;
  for (const auto &entry : sorted) order += entry.first.Get() + std::string(",");
  EXPECT_EQ(order, "a,ab,b,");
}

}  // namespace
