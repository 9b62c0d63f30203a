// Escaping control characters for terminals and printed files, and reading the escapes back.
#include "tier1/keyvalues_text/control_characters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

namespace {

TEST(ControlCharacters, EscapesWhatATerminalWouldObey) {
  struct Case {
    std::string text;
    const char *all;    // EControlEscape::kAll
    const char *lines;  // EControlEscape::kKeepTabsAndLineFeeds
  };
  const Case cases[] = {
      {"Server list", "Server list", "Server list"},
      {"Gr\xC3\xBC\xC3\x9F"
       "e \xE2\x82\xAC \xF0\x9F\x8E\xAE",
       "Gr\xC3\xBC\xC3\x9F"
       "e \xE2\x82\xAC \xF0\x9F\x8E\xAE",
       "Gr\xC3\xBC\xC3\x9F"
       "e \xE2\x82\xAC \xF0\x9F\x8E\xAE"},
      {"\x1B[31mred\x1B[0m", "\\x1B[31mred\\x1B[0m", "\\x1B[31mred\\x1B[0m"},
      {"a\tb\nc\rd", "a\\x09b\\x0Ac\\x0Dd", "a\tb\nc\\x0Dd"},
      {std::string("nul\0bell\a", 9), "nul\\x00bell\\x07", "nul\\x00bell\\x07"},
      {"del\x7F", "del\\x7F", "del\\x7F"},
      // U+009B (a one-character CSI) in UTF-8, a lone 0x9B, and bytes that are not UTF-8.
      {"\xC2\x9B"
       "2J",
       "\\xC2\\x9B2J", "\\xC2\\x9B2J"},
      {"\x9B"
       "2J \xC2\xA0",
       "\\x9B2J \xC2\xA0", "\\x9B2J \xC2\xA0"},
      {"\xFF\xC3 \xE0\x80\x80 \xED\xA0\x80", "\\xFF\\xC3 \\xE0\\x80\\x80 \\xED\\xA0\\x80",
       "\\xFF\\xC3 \\xE0\\x80\\x80 \\xED\\xA0\\x80"},
      // Backslashes stay, except before what would read as an escape.
      {"C:\\games\\", "C:\\games\\", "C:\\games\\"},
      {"\\x41 \\xG1 \\x4", "\\x5Cx41 \\xG1 \\x4", "\\x5Cx41 \\xG1 \\x4"},
      {"\\\x1B", "\\\\x1B", "\\\\x1B"},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(EscapeControlCharacters(c.text), c.all) << c.text;
    EXPECT_EQ(EscapeControlCharacters(c.text, EControlEscape::kKeepTabsAndLineFeeds), c.lines) << c.text;
    EXPECT_EQ(NeedsControlEscape(c.text), c.text != c.all) << c.text;
    EXPECT_EQ(UnescapeControlCharacters(c.all), c.text) << c.all;
    EXPECT_EQ(UnescapeControlCharacters(c.lines), c.text) << c.lines;
  }
  EXPECT_EQ(UnescapeControlCharacters("\\x1b\\x"), "\x1B\\x") << "either letter case; a cut escape is text";
}

TEST(ControlCharacters, AnyTextReadsBackExactly) {
  std::mt19937 random(7);
  // Bytes that make escapes likely: backslashes, "x", hex digits, controls, UTF-8 pieces.
  const std::string alphabet("\\xX0aF9g\x1B\n\t\x7F\xC2\x9B\xC3\xA9\xE2\x82\xAC\xF0\x9F\xFF ");
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    const size_t length = random() % 24;
    for (size_t i = 0; i < length; ++i) text += alphabet[random() % alphabet.size()];
    for (EControlEscape mode : {EControlEscape::kAll, EControlEscape::kKeepTabsAndLineFeeds}) {
      const std::string escaped = EscapeControlCharacters(text, mode);
      ASSERT_EQ(UnescapeControlCharacters(escaped), text) << escaped;
      // What a terminal gets holds no control characters and is well-formed UTF-8.
      std::string shown = escaped;
      shown.erase(std::remove(shown.begin(), shown.end(), '\\'), shown.end());
      ASSERT_FALSE(NeedsControlEscape(shown, mode)) << escaped;
    }
  }
}

}  // namespace
