// Text folded for the quick search: full Unicode case folding (default rules, no Turkic special
// case) and colour codes ("^" then a digit) left out, so that a typed query and a server's texts
// compare as plain UTF-8 substrings. Only the search uses it; shown texts are never folded.
#pragma once

#include <string>
#include <string_view>

// Writes the folding of `cp` into `out` and returns how many code points it has (1 to 3); a code
// point without a folding is itself.
int FoldCodePoint(char32_t cp, char32_t out[3]);

// UTF-8 (broken sequences read as U+FFFD) folded into UTF-8, colour codes and control characters
// left out.
std::string FoldForSearch(std::string_view utf8);
// The same for UTF-16 text (a lone surrogate reads as U+FFFD).
std::string FoldForSearch(std::u16string_view utf16);
// Appends the folding of `utf8` to `out`; the row haystacks are built with it without temporaries.
void AppendFoldedForSearch(std::string &out, std::string_view utf8);
