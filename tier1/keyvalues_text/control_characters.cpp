#include "tier1/keyvalues_text/control_characters.h"

#include <cstdio>

namespace {

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  return (c | 0x20) - 'a' + 10;
}

// The length of the well-formed UTF-8 sequence of two to four bytes at `at`; 0 when none starts
// there (overlong forms and surrogates are not well formed).
size_t Utf8SequenceLength(std::string_view text, size_t at) {
  const auto byte = [&text](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (text.size() - at < length || byte(at + 1) < low || byte(at + 1) > high) return 0;
  for (size_t i = 2; i < length; ++i) {
    if (byte(at + i) < 0x80 || byte(at + i) > 0xBF) return 0;
  }
  return length;
}

// How the text goes on at `at`: `length` bytes kept as they are, or one byte to escape.
struct Step {
  size_t length;
  bool escape;
};

Step NextStep(std::string_view text, size_t at, EControlEscape mode) {
  const auto c = static_cast<unsigned char>(text[at]);
  if (c < 0x20) {
    const bool kept = mode == EControlEscape::kKeepTabsAndLineFeeds && (c == '\t' || c == '\n');
    return {1, !kept};
  }
  if (c == 0x7F) return {1, true};
  if (c == '\\') {
    // Only where it could be taken for an escape.
    const bool looksEscaped =
        text.size() - at > 3 && text[at + 1] == 'x' && IsHexDigit(text[at + 2]) && IsHexDigit(text[at + 3]);
    return {1, looksEscaped};
  }
  if (c < 0x80) return {1, false};
  const size_t length = Utf8SequenceLength(text, at);
  // U+0080 to U+009F: the lead byte here, the second one on the next step (it starts no sequence).
  if (length == 0 || (c == 0xC2 && static_cast<unsigned char>(text[at + 1]) <= 0x9F)) return {1, true};
  return {length, false};
}

}  // namespace

std::string EscapeControlCharacters(std::string_view text, EControlEscape mode) {
  std::string escaped;
  escaped.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    const Step step = NextStep(text, at, mode);
    if (step.escape) {
      char code[5];
      snprintf(code, sizeof(code), "\\x%02X", static_cast<unsigned char>(text[at]));
      escaped += code;
    } else {
      escaped.append(text.substr(at, step.length));
    }
    at += step.length;
  }
  return escaped;
}

bool NeedsControlEscape(std::string_view text, EControlEscape mode) {
  for (size_t at = 0; at < text.size();) {
    const Step step = NextStep(text, at, mode);
    if (step.escape) return true;
    at += step.length;
  }
  return false;
}

std::string UnescapeControlCharacters(std::string_view text) {
  std::string plain;
  plain.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    if (text[at] == '\\' && text.size() - at > 3 && text[at + 1] == 'x' && IsHexDigit(text[at + 2]) &&
        IsHexDigit(text[at + 3])) {
      plain += static_cast<char>(HexValue(text[at + 2]) * 16 + HexValue(text[at + 3]));
      at += 4;
    } else {
      plain += text[at++];
    }
  }
  return plain;
}
