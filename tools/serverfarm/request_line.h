// How a q3 server reads the text of a connectionless request: like a console command line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The out-of-band marker every datagram of the protocol starts with.
constexpr std::string_view k_szOobMarker = "\xff\xff\xff\xff";

// Splits `text` (the datagram after its marker) into tokens. Only the text up to the first LF or
// NUL counts; `%` and bytes above 127 read as `.`; bytes up to 0x20 separate tokens; `"..."` is one
// token (no escape; an open quote runs to the end); `//` ends the line, even inside a token;
// `/* ... */` is skipped. At most `maxTokens` tokens are kept.
std::vector<std::string> TokenizeRequestLine(std::string_view text, size_t maxTokens = 64);

// Whether `token` is `command`, ignoring the case of ASCII letters.
bool IsCommandWord(std::string_view token, std::string_view command);
