// UTF-8 <-> UTF-16. Broken input becomes U+FFFD (one per maximal invalid subpart, as Unicode
// recommends); output is always terminated and cut only between characters.
#include <cstring>

#include "kstdlib/strtools.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

struct Decoded {
  char32_t codePoint;
  size_t length;  // bytes consumed, at least 1
};

// Decodes one character at `text` (not at its NUL), following the well-formed byte table of
// Unicode: no overlong forms, no surrogates, nothing above U+10FFFF.
Decoded DecodeUtf8(const unsigned char *text) {
  const unsigned char lead = text[0];
  if (lead < 0x80) return {lead, 1};
  size_t needed = 0;
  char32_t codePoint = 0;
  unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    needed = 1;
    codePoint = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    needed = 2;
    codePoint = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    needed = 3;
    codePoint = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return {kReplacement, 1};
  }
  for (size_t i = 1; i <= needed; ++i) {
    const unsigned char next = text[i];
    const bool inRange = i == 1 ? (next >= low && next <= high) : (next >= 0x80 && next <= 0xBF);
    if (!inRange) return {kReplacement, i};
    codePoint = (codePoint << 6) | (next & 0x3F);
  }
  return {codePoint, needed + 1};
}

}  // namespace

int V_UTF8ToUTF16(const char *utf8, char16_t *dst, int sizeInBytes) {
  if (!dst || sizeInBytes < static_cast<int>(sizeof(char16_t))) return 0;
  const size_t units = static_cast<size_t>(sizeInBytes) / sizeof(char16_t);
  const auto *text = reinterpret_cast<const unsigned char *>(utf8 ? utf8 : "");
  size_t out = 0;
  while (*text) {
    const Decoded decoded = DecodeUtf8(text);
    const size_t unitsNeeded = decoded.codePoint >= 0x10000 ? 2 : 1;
    if (out + unitsNeeded + 1 > units) break;
    if (unitsNeeded == 2) {
      const char32_t offset = decoded.codePoint - 0x10000;
      dst[out++] = static_cast<char16_t>(0xD800 + (offset >> 10));
      dst[out++] = static_cast<char16_t>(0xDC00 + (offset & 0x3FF));
    } else {
      dst[out++] = static_cast<char16_t>(decoded.codePoint);
    }
    text += decoded.length;
  }
  dst[out] = 0;
  return static_cast<int>(out + 1);
}

namespace {

// Decodes one character at `text` (not at its NUL); unpaired surrogates become U+FFFD.
Decoded DecodeUtf16(const char16_t *text) {
  const char16_t unit = text[0];
  if (unit >= 0xD800 && unit <= 0xDBFF) {
    const char16_t next = text[1];
    if (next >= 0xDC00 && next <= 0xDFFF) {
      return {0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (next - 0xDC00), 2};
    }
    return {kReplacement, 1};
  }
  if (unit >= 0xDC00 && unit <= 0xDFFF) return {kReplacement, 1};
  return {unit, 1};
}

size_t EncodeUtf8(char32_t codePoint, char *out) {
  if (codePoint < 0x80) {
    out[0] = static_cast<char>(codePoint);
    return 1;
  }
  if (codePoint < 0x800) {
    out[0] = static_cast<char>(0xC0 | (codePoint >> 6));
    out[1] = static_cast<char>(0x80 | (codePoint & 0x3F));
    return 2;
  }
  if (codePoint < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (codePoint >> 12));
    out[1] = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (codePoint & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (codePoint >> 18));
  out[1] = static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (codePoint & 0x3F));
  return 4;
}

}  // namespace

int V_UTF16ToUTF8(const char16_t *utf16, char *dst, int sizeInBytes) {
  if (!dst || sizeInBytes < 1) return 0;
  const auto size = static_cast<size_t>(sizeInBytes);
  const char16_t *text = utf16 ? utf16 : u"";
  size_t out = 0;
  while (*text) {
    const Decoded decoded = DecodeUtf16(text);
    char encoded[4];
    const size_t length = EncodeUtf8(decoded.codePoint, encoded);
    if (out + length + 1 > size) break;
    memcpy(dst + out, encoded, length);
    out += length;
    text += decoded.length;
  }
  dst[out] = '\0';
  return static_cast<int>(out + 1);
}
