// Texts as game servers send them: bytes with no declared encoding, colour codes, no bounds.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// ASCII letters compared without regard to case; other bytes exactly.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// `raw` as UTF-8, its bytes above 127 read as Latin-1. Control characters (C0, DEL and the C1 range
// Latin-1 gives) are left out: no one can show them and they could steer a terminal or a log.
// With `stripColours`, a colour code (`^` then a letter or digit) is left out; `^^` is no code.
// At most `maxBytes` bytes, cut before the first character that does not fit whole.
std::string ServerTextToUtf8(std::string_view raw, bool stripColours, size_t maxBytes);

// The longest head of UTF-8 `text` of at most `maxBytes` bytes that ends at a whole character.
std::string_view CutUtf8(std::string_view text, size_t maxBytes);

// Copies UTF-8 `text` into a record's text field, cut at a whole character, NUL-terminated.
void CopyToField(char *field, size_t fieldSize, std::string_view text);
template <size_t N>
void CopyToField(char (&field)[N], std::string_view text) {
  CopyToField(field, N, text);
}

// A whole decimal integer ("-12", "7"), nothing else; nullopt when `text` is not one or does not
// fit an int.
std::optional<int> ParseDecimal(std::string_view text);
