// String helpers: bounded copies and formatting, case-insensitive compares, UTF-8/UTF-16 and
// number parsing, each as a table of cases.
#include "kstdlib/strtools.h"

#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <cstring>
#include <string>

TEST(StrTools, BoundedCopyAlwaysTerminates) {
  struct Case {
    const char *src;
    size_t size;
    const char *expected;
  };
  const Case cases[] = {
      {"hello", 16, "hello"}, {"hello", 6, "hello"}, {"hello", 5, "hell"},
      {"hello", 1, ""},       {nullptr, 8, ""},      {"", 4, ""},
  };
  for (const Case &c : cases) {
    char buffer[16];
    memset(buffer, '#', sizeof(buffer));
    EXPECT_EQ(V_strncpy(buffer, c.src, c.size), buffer);
    EXPECT_STREQ(buffer, c.expected) << "size " << c.size;
  }
  char untouched[2] = {'#', '#'};
  V_strncpy(untouched, "x", 0);
  EXPECT_EQ(untouched[0], '#');
}

TEST(StrTools, FormatReportsWhatItWrote) {
  char buffer[8];
  EXPECT_EQ(V_snprintf(buffer, sizeof(buffer), "%d-%s", 42, "ab"), 5);
  EXPECT_STREQ(buffer, "42-ab");
  EXPECT_EQ(V_snprintf(buffer, sizeof(buffer), "%s", "much too long"), 7);
  EXPECT_STREQ(buffer, "much to");
  EXPECT_EQ(V_snprintf(buffer, 1, "%s", "x"), 0);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(V_snprintf(buffer, 0, "%s", "x"), 0);
}

TEST(StrTools, ConcatStaysInsideTheBuffer) {
  struct Case {
    const char *start;
    const char *tail;
    size_t size;
    const char *expected;
  };
  const Case cases[] = {
      {"ab", "cd", 16, "abcd"}, {"ab", "cdef", 5, "abcd"}, {"abcd", "ef", 5, "abcd"},
      {"", "xyz", 3, "xy"},     {"ab", nullptr, 8, "ab"},
  };
  for (const Case &c : cases) {
    char buffer[16];
    V_strncpy(buffer, c.start, sizeof(buffer));
    EXPECT_STREQ(V_strncat(buffer, c.tail, c.size), c.expected);
  }
  char unterminated[4] = {'a', 'b', 'c', 'd'};
  EXPECT_STREQ(V_strncat(unterminated, "x", sizeof(unterminated)), "abc");
}

TEST(StrTools, CaseInsensitiveCompareIsAsciiOnly) {
  struct Case {
    const char *a;
    const char *b;
    int sign;
  };
  const Case cases[] = {
      {"Connect", "cONNECT", 0},
      {"abc", "abd", -1},
      {"abd", "ABC", 1},
      {"ab", "abc", -1},
      {"", "", 0},
      {nullptr, "", 0},
      {"[", "a", -1},
      {"\xC3\x89", "\xC3\xA9", -1},  // no folding beyond ASCII
  };
  for (const Case &c : cases) {
    const int result = V_stricmp(c.a, c.b);
    EXPECT_EQ((result > 0) - (result < 0), c.sign) << (c.a ? c.a : "(null)") << " vs " << c.b;
  }
  EXPECT_EQ(V_strnicmp("GameDir", "gamedirectory", 7), 0);
  EXPECT_LT(V_strnicmp("GameDir", "gamedirectory", 8), 0);
  EXPECT_EQ(V_strnicmp("x", "y", 0), 0);
}

TEST(StrTools, CaseInsensitiveSearch) {
  struct Case {
    const char *haystack;
    const char *needle;
    int offset;  // -1: not found
  };
  const Case cases[] = {
      {"servers/Serverbrowser.SO", ".so", 21},
      {"abc", "", 0},
      {"abc", "abcd", -1},
      {"", "a", -1},
      {"aaab", "AAB", 1},
      {"Plexa", "lex", 1},
  };
  for (const Case &c : cases) {
    const char *found = V_stristr(c.haystack, c.needle);
    EXPECT_EQ(found ? static_cast<int>(found - c.haystack) : -1, c.offset) << c.haystack << " / " << c.needle;
  }
  EXPECT_EQ(V_stristr(nullptr, "a"), nullptr);
  char text[] = "MiXeD Case\xC3\x89";
  V_strlower(text);
  EXPECT_STREQ(text, "mixed case\xC3\x89");
}

TEST(StrTools, WideHelpers) {
  EXPECT_EQ(V_wcslen(u"wide"), 4u);
  EXPECT_EQ(V_wcslen(nullptr), 0u);
  EXPECT_EQ(V_wcscmp(u"abc", u"abc"), 0);
  EXPECT_LT(V_wcscmp(u"abc", u"abd"), 0);
  EXPECT_GT(V_wcscmp(u"abc", u"ab"), 0);
  char16_t buffer[4];
  V_wcsncpy(buffer, u"wider", sizeof(buffer));
  EXPECT_EQ(std::u16string(buffer), u"wid");
  V_wcsncpy(buffer, u"w", 1);  // less than one unit: untouched
  EXPECT_EQ(std::u16string(buffer), u"wid");
}

TEST(StrTools, Utf8ToUtf16) {
  struct Case {
    const char *utf8;
    std::u16string expected;
  };
  const Case cases[] = {
      {"Plexa", u"Plexa"},
      {"caf\xC3\xA9", u"caf\u00E9"},
      {"\xE2\x82\xAC", u"\u20AC"},
      {"\xF0\x9F\x8E\xAE", u"\U0001F3AE"},  // needs a surrogate pair
      {"a\xFF"
       "b",
       u"a\uFFFD"
       "b"},                // invalid byte
      {"\xC3", u"\uFFFD"},  // cut sequence at the end
      {"\xE2\x82"
       "x",
       u"\uFFFDx"},                                       // cut sequence, one replacement
      {"\xC0\xAF", u"\uFFFD\uFFFD"},                      // overlong form
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // encoded surrogate
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
      {"", u""},
      {nullptr, u""},
  };
  for (const Case &c : cases) {
    char16_t buffer[32];
    const int written = V_UTF8ToUTF16(c.utf8, buffer, sizeof(buffer));
    EXPECT_EQ(std::u16string(buffer), c.expected) << (c.utf8 ? c.utf8 : "(null)");
    EXPECT_EQ(written, static_cast<int>(c.expected.size() + 1));
  }
}

TEST(StrTools, Utf8ToUtf16CutsBetweenCharacters) {
  struct Case {
    const char *utf8;
    int sizeInBytes;
    std::u16string expected;
    int written;
  };
  const Case cases[] = {
      {"abc", 6, u"ab", 3},
      {"a\xF0\x9F\x8E\xAE", 6, u"a", 2},  // the pair does not fit with the NUL: not split
      {"a\xF0\x9F\x8E\xAE", 8, u"a\U0001F3AE", 4},
      {"abc", 2, u"", 1},
      {"abc", 3, u"", 1},  // odd sizes round down to whole units
  };
  for (const Case &c : cases) {
    char16_t buffer[8];
    EXPECT_EQ(V_UTF8ToUTF16(c.utf8, buffer, c.sizeInBytes), c.written);
    EXPECT_EQ(std::u16string(buffer), c.expected);
  }
  char16_t tiny[1] = {u'#'};
  EXPECT_EQ(V_UTF8ToUTF16("abc", tiny, 1), 0);
  EXPECT_EQ(tiny[0], u'#');
}

TEST(StrTools, Utf16ToUtf8) {
  struct Case {
    std::u16string utf16;
    const char *expected;
  };
  const Case cases[] = {
      {u"Plexa", "Plexa"},
      {u"caf\u00E9", "caf\xC3\xA9"},
      {u"\u20AC", "\xE2\x82\xAC"},
      {u"\U0001F3AE", "\xF0\x9F\x8E\xAE"},
      {std::u16string(1, char16_t(0xD83C)) + u"x", "\xEF\xBF\xBDx"},  // lone high surrogate
      {std::u16string(1, char16_t(0xDF2E)), "\xEF\xBF\xBD"},          // lone low surrogate
      {u"", ""},
  };
  for (const Case &c : cases) {
    char buffer[32];
    const int written = V_UTF16ToUTF8(c.utf16.c_str(), buffer, sizeof(buffer));
    EXPECT_STREQ(buffer, c.expected);
    EXPECT_EQ(written, static_cast<int>(strlen(c.expected) + 1));
  }
}

TEST(StrTools, Utf16ToUtf8CutsBetweenCharacters) {
  struct Case {
    const char16_t *utf16;
    int size;
    const char *expected;
  };
  const Case cases[] = {
      {u"abc", 3, "ab"},
      {u"a\u00E9", 3, "a"},  // two-byte character does not fit beside the NUL
      {u"a\u00E9", 4, "a\xC3\xA9"},
      {u"\U0001F3AE", 4, ""},
      {u"abc", 1, ""},
  };
  for (const Case &c : cases) {
    char buffer[8];
    EXPECT_EQ(V_UTF16ToUTF8(c.utf16, buffer, c.size), static_cast<int>(strlen(c.expected) + 1));
    EXPECT_STREQ(buffer, c.expected);
  }
  char untouched = '#';
  EXPECT_EQ(V_UTF16ToUTF8(u"a", &untouched, 0), 0);
  EXPECT_EQ(untouched, '#');
}

TEST(StrTools, Utf8SurvivesRoundTrip) {
  const char *text = "Zo\xC3\xAB's \xE2\x98\x85 server \xF0\x9F\x8E\xAE";
  char16_t wide[64];
  char back[64];
  V_UTF8ToUTF16(text, wide, sizeof(wide));
  V_UTF16ToUTF8(wide, back, sizeof(back));
  EXPECT_STREQ(back, text);
}

TEST(StrTools, SignedParsing) {
  struct Case {
    const char *text;
    int64 value;
    int consumed;
    bool overflow;
  };
  const Case cases[] = {
      {"42", 42, 2, false},
      {"  -17 rest", -17, 5, false},
      {"+8", 8, 2, false},
      {"9223372036854775807", INT64_MAX, 19, false},
      {"9223372036854775808", INT64_MAX, 19, true},
      {"-9223372036854775808", INT64_MIN, 20, false},
      {"-9223372036854775809", INT64_MIN, 20, true},
      {"abc", 0, 0, false},
      {"", 0, 0, false},
      {"  ", 0, 0, false},
      {"0x10", 0, 1, false},
  };
  for (const Case &c : cases) {
    const char *end = nullptr;
    bool overflow = !c.overflow;
    EXPECT_EQ(V_StringToInt64(c.text, &end, &overflow), c.value) << c.text;
    EXPECT_EQ(end - c.text, c.consumed) << c.text;
    EXPECT_EQ(overflow, c.overflow) << c.text;
  }
  EXPECT_EQ(V_StringToInt64(nullptr, nullptr, nullptr), 0);
}

TEST(StrTools, UnsignedParsingTakesSignedTextToo) {
  struct Case {
    const char *text;
    uint64 value;
    int consumed;
    bool overflow;
  };
  const Case cases[] = {
      {"18446744073709551615", UINT64_MAX, 20, false},
      {"18446744073709551616", UINT64_MAX, 20, true},
      {"-1", UINT64_MAX, 2, false},
      {" -2", UINT64_MAX - 1, 3, false},
      {"-9223372036854775808", 0x8000000000000000ull, 20, false},
      {"-9223372036854775809", 0x8000000000000000ull, 20, true},
      {"-18446744073709551615", 0x8000000000000000ull, 21, true},
      {"76561197960287930", 76561197960287930ull, 17, false},
      {"x", 0, 0, false},
  };
  for (const Case &c : cases) {
    const char *end = nullptr;
    bool overflow = !c.overflow;
    EXPECT_EQ(V_StringToUint64(c.text, &end, &overflow), c.value) << c.text;
    EXPECT_EQ(end - c.text, c.consumed) << c.text;
    EXPECT_EQ(overflow, c.overflow) << c.text;
  }
  // Every 64-bit id written as signed text reads back to itself.
  const uint64 ids[] = {0, 1, 0x0110000100000001ull, 0x8000000000000000ull, UINT64_MAX};
  for (uint64 id : ids) {
    const std::string text = std::to_string(static_cast<int64>(id));
    EXPECT_EQ(V_StringToUint64(text.c_str(), nullptr, nullptr), id) << text;
  }
}

TEST(StrTools, DoubleParsingIgnoresTheLocale) {
  // A locale with a decimal comma, where one is installed, must not change how numbers read.
  const std::string previous = setlocale(LC_NUMERIC, nullptr);
  setlocale(LC_NUMERIC, "de_DE.UTF-8");
  struct Case {
    const char *text;
    double value;
    int consumed;
  };
  const Case cases[] = {
      {"1.5", 1.5, 3},    {" -0.25x", -0.25, 6}, {"3", 3.0, 1},
      {"1e3", 1000.0, 3}, {"abc", 0.0, 0},       {"", 0.0, 0},
  };
  for (const Case &c : cases) {
    const char *end = nullptr;
    EXPECT_DOUBLE_EQ(V_StringToDouble(c.text, &end), c.value) << c.text;
    EXPECT_EQ(end - c.text, c.consumed) << c.text;
  }
  setlocale(LC_NUMERIC, previous.c_str());
}
