#include "plexaclient/net/server_text.h"

#include <climits>

namespace {

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsAsciiAlnum(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

std::string ServerTextToUtf8(std::string_view raw, bool stripColours, size_t maxBytes) {
  std::string out;
  out.reserve(raw.size() < maxBytes ? raw.size() : maxBytes);
  for (size_t i = 0; i < raw.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(raw[i]);
    if (stripColours && c == '^' && i + 1 < raw.size() &&
        IsAsciiAlnum(static_cast<unsigned char>(raw[i + 1]))) {
      ++i;
      continue;
    }
    if (c < 0x20 || (c >= 0x7F && c < 0xA0)) continue;
    const size_t width = c < 0x80 ? 1 : 2;
    // Every character is at most two bytes here, so the first that does not fit ends the text.
    if (out.size() + width > maxBytes) break;
    if (width == 1) {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

std::string_view CutUtf8(std::string_view text, size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  size_t end = maxBytes;
  // Back off over continuation bytes to the start of the character that was cut.
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

void CopyToField(char *field, size_t fieldSize, std::string_view text) {
  if (fieldSize == 0) return;
  const std::string_view cut = CutUtf8(text, fieldSize - 1);
  cut.copy(field, cut.size());
  field[cut.size()] = '\0';
}

std::optional<int> ParseDecimal(std::string_view text) {
  bool negative = false;
  size_t i = 0;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    negative = text[0] == '-';
    i = 1;
  }
  if (i == text.size()) return std::nullopt;
  long long value = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) return std::nullopt;
  }
  if (negative) value = -value;
  if (value < INT_MIN || value > INT_MAX) return std::nullopt;
  return static_cast<int>(value);
}
