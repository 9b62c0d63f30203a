#include "serverbrowser/SearchFold.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace {

struct CaseFoldRange {
  char32_t first;
  uint16_t count;
  uint8_t step;
  int32_t delta;
};

struct CaseFoldExpansion {
  char32_t cp;
  char32_t folded[3];
};

#include "serverbrowser/casefold_table.inc"

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string &out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

void AppendFolded(std::string &out, char32_t cp) {
  // Control characters never match anything typed; they also keep a query from spanning the
  // separators between a row's fields.
  if (cp < 0x20 || cp == 0x7F) return;
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp >= 'A' && cp <= 'Z' ? cp + 32 : cp));
    return;
  }
  char32_t folded[3];
  const int count = FoldCodePoint(cp, folded);
  for (int i = 0; i < count; ++i) AppendUtf8(out, folded[i]);
}

// Decodes one UTF-8 character at `pos`, advancing it; a broken sequence is one U+FFFD per byte.
char32_t DecodeUtf8(std::string_view text, size_t &pos) {
  const unsigned char lead = static_cast<unsigned char>(text[pos++]);
  if (lead < 0x80) return lead;
  int extra = 0;
  char32_t cp = 0;
  char32_t minimum = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    extra = 1, cp = lead & 0x1F, minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    extra = 2, cp = lead & 0x0F, minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    extra = 3, cp = lead & 0x07, minimum = 0x10000;
  } else {
    return kReplacement;
  }
  if (pos + extra > text.size()) return kReplacement;
  for (int i = 0; i < extra; ++i) {
    const unsigned char next = static_cast<unsigned char>(text[pos + i]);
    if ((next & 0xC0) != 0x80) return kReplacement;
    cp = (cp << 6) | (next & 0x3F);
  }
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return kReplacement;
  pos += extra;
  return cp;
}

bool IsColourCode(char first, char second) {
  return first == '^' && second >= '0' && second <= '9';
}

}  // namespace

int FoldCodePoint(char32_t cp, char32_t out[3]) {
  const auto *expansion =
      std::lower_bound(std::begin(kCaseFoldExpansions), std::end(kCaseFoldExpansions), cp,
                       [](const CaseFoldExpansion &entry, char32_t value) { return entry.cp < value; });
  if (expansion != std::end(kCaseFoldExpansions) && expansion->cp == cp) {
    int count = 0;
    while (count < 3 && expansion->folded[count]) {
      out[count] = expansion->folded[count];
      ++count;
    }
    return count;
  }
  const auto *range =
      std::upper_bound(std::begin(kCaseFoldRanges), std::end(kCaseFoldRanges), cp,
                       [](char32_t value, const CaseFoldRange &entry) { return value < entry.first; });
  out[0] = cp;
  if (range == std::begin(kCaseFoldRanges)) return 1;
  --range;
  const char32_t offset = cp - range->first;
  if (offset % range->step == 0 && offset / range->step < range->count)
    out[0] = static_cast<char32_t>(static_cast<int32_t>(cp) + range->delta);
  return 1;
}

void AppendFoldedForSearch(std::string &out, std::string_view utf8) {
  size_t pos = 0;
  while (pos < utf8.size()) {
    if (pos + 1 < utf8.size() && IsColourCode(utf8[pos], utf8[pos + 1])) {
      pos += 2;
      continue;
    }
    AppendFolded(out, DecodeUtf8(utf8, pos));
  }
}

std::string FoldForSearch(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  AppendFoldedForSearch(out, utf8);
  return out;
}

std::string FoldForSearch(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  size_t pos = 0;
  while (pos < utf16.size()) {
    if (pos + 1 < utf16.size() && utf16[pos] == u'^' && utf16[pos + 1] >= u'0' && utf16[pos + 1] <= u'9') {
      pos += 2;
      continue;
    }
    char32_t cp = utf16[pos++];
    if (cp >= 0xD800 && cp <= 0xDBFF && pos < utf16.size() && utf16[pos] >= 0xDC00 && utf16[pos] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[pos++] - 0xDC00);
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = kReplacement;
    }
    AppendFolded(out, cp);
  }
  return out;
}
