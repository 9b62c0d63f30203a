// The quick search's folding: full case folding from the generated table (expansions, final
// sigma, the dotted capital I by the default rules, scripts beyond the basic plane), colour codes
// and control characters left out, broken text read safely, and UTF-16 folded like UTF-8.
#include <gtest/gtest.h>

#include <string>

#include "serverbrowser/SearchFold.h"

namespace {

struct FoldCase {
  const char *text;
  const char *folded;
};

TEST(SearchFold, FoldsLikeFullUnicodeFolding) {
  const FoldCase cases[] = {
      {"STRASSE", "strasse"},
      {"Straße", "strasse"},
      {"\u1E9E", "ss"},                                  // capital sharp s
      {"ΣΊΣΥΦΟΣ", "σίσυφοσ"},                            // capital sigma
      {"σίσυφος", "σίσυφοσ"},                            // final sigma folds to sigma
      {"\u0130stanbul", "i\u0307stanbul"},               // dotted capital I: i + combining dot
      {"\u0131", "\u0131"},                              // dotless i stays (no Turkic rule)
      {"\uFB01re", "fire"},                              // fi ligature expands
      {"\u13A0\uAB70", "\u13A0\u13A0"},                  // Cherokee folds to its capitals
      {"\U00010400\U00010428", "\U00010428\U00010428"},  // Deseret beyond U+FFFF
      {"E\u0301COLE", "e\u0301cole"},                    // combining mark kept in place
      {"\u00C9T\u00C9", "\u00E9t\u00E9"},                // precomposed letters
      {"\u0100\u0101\u0102", "\u0101\u0101\u0103"},      // alternating upper/lower block
      {"\u1F88", "\u1F00\u03B9"},                        // Greek with ypogegrammeni
      {"\u0390", "\u03B9\u0308\u0301"},                  // three-code-point expansion
      {"Ⅻ ⓐⒶ", "ⅻ ⓐⓐ"},                                  // numerals and circled letters
      {"日本語 123", "日本語 123"},                      // no case: unchanged
  };
  for (const FoldCase &c : cases) EXPECT_EQ(FoldForSearch(std::string(c.text)), c.folded) << c.text;
}

TEST(SearchFold, LeavesOutColourCodesAndControlCharacters) {
  const FoldCase cases[] = {
      {"^1Red ^7Fortress", "red fortress"},
      {"^^1x", "^x"},        // the second caret starts the code
      {"a^", "a^"},          // a caret at the end is text
      {"^xKeep", "^xkeep"},  // only a digit makes a code
      {"Tab\there\n", "tabhere"},
  };
  for (const FoldCase &c : cases) EXPECT_EQ(FoldForSearch(std::string(c.text)), c.folded) << c.text;
}

TEST(SearchFold, ReadsBrokenUtf8AsReplacementCharacters) {
  const FoldCase cases[] = {
      {"A\xC3", "a\uFFFD"},                    // cut sequence
      {"\xC0\xAF", "\uFFFD\uFFFD"},            // overlong
      {"\xED\xA0\x80", "\uFFFD\uFFFD\uFFFD"},  // encoded surrogate
      {"\xF5Z", "\uFFFDz"},                    // beyond U+10FFFF
      {"\xE2\x82Q", "\uFFFD\uFFFDq"},          // continuation missing
  };
  for (const FoldCase &c : cases) EXPECT_EQ(FoldForSearch(std::string(c.text)), c.folded) << c.text;
}

TEST(SearchFold, FoldsUtf16LikeUtf8) {
  EXPECT_EQ(FoldForSearch(std::u16string(u"^3Stra\u00DFE \U00010400")), "strasse \U00010428");
  EXPECT_EQ(FoldForSearch(std::u16string(u"ΣΑΣ")), "σασ");
  // A lone surrogate, high or low, is one replacement character.
  const char16_t lone[] = {u'A', 0xD801, u'B', 0xDC00, 0};
  EXPECT_EQ(FoldForSearch(std::u16string(lone)), "a\uFFFDb\uFFFD");
}

TEST(SearchFold, CodePointsOutsideTheTableAreThemselves) {
  struct PointCase {
    char32_t cp;
    int count;
    char32_t first;
  };
  const PointCase cases[] = {
      {0, 1, 0},         {U'a', 1, U'a'},   {0x0101, 1, 0x0101},  {0x10FFFF, 1, 0x10FFFF},
      {0x00DF, 2, U's'}, {0x0041, 1, U'a'}, {0x1E921, 1, 0x1E943}};
  for (const PointCase &c : cases) {
    char32_t out[3] = {};
    EXPECT_EQ(FoldCodePoint(c.cp, out), c.count) << std::hex << static_cast<unsigned>(c.cp);
    EXPECT_EQ(out[0], c.first) << std::hex << static_cast<unsigned>(c.cp);
  }
}

}  // namespace
