// Texts shown on a terminal, or written to files a person may print, carry no control characters:
// each is written as "\xNN" (two upper-case hexadecimal digits), so no escape sequence hidden in a
// name or value reaches a terminal. These are the bytes below 0x20, 0x7F, the control characters
// U+0080 to U+009F in UTF-8 (both bytes escaped) and every byte that is not part of well-formed
// UTF-8 (a terminal reading 8-bit text takes some of them for controls too).
//
// A backslash is written as "\x5C" where the text goes on with "x" and two hexadecimal digits, so
// every escaped text reads back exactly with UnescapeControlCharacters, and a text without control
// characters, backslashes included, is left as it is.
#pragma once

#include <string>
#include <string_view>

enum class EControlEscape {
  kAll,                   // one line of output per text: line feeds and tabs are escaped too
  kKeepTabsAndLineFeeds,  // texts that may span lines
};

std::string EscapeControlCharacters(std::string_view text, EControlEscape mode = EControlEscape::kAll);
// True when EscapeControlCharacters would change `text`.
bool NeedsControlEscape(std::string_view text, EControlEscape mode = EControlEscape::kAll);
// The text EscapeControlCharacters was given: every "\xNN" becomes the byte it names.
std::string UnescapeControlCharacters(std::string_view text);
