// Bounded copies and formatting, and ASCII case-insensitive comparison. A null text reads as "".
#include "kstdlib/strtools.h"

#include <cstdio>
#include <cstring>

char *V_strncpy(char *dst, const char *src, size_t size) {
  if (!dst || size == 0) return dst;
  const size_t length = src ? strnlen(src, size - 1) : 0;
  if (length) memmove(dst, src, length);
  dst[length] = '\0';
  return dst;
}

int V_vsnprintf(char *dst, size_t size, const char *fmt, va_list args) {
  if (!dst || size == 0) return 0;
  const int written = fmt ? vsnprintf(dst, size, fmt, args) : -1;
  if (written < 0) {
    dst[0] = '\0';
    return 0;
  }
  return static_cast<size_t>(written) < size ? written : static_cast<int>(size - 1);
}

int V_snprintf(char *dst, size_t size, const char *fmt, ...) {
  va_list args;
  va_start(args, fmt);
  const int written = V_vsnprintf(dst, size, fmt, args);
  va_end(args);
  return written;
}

char *V_strncat(char *dst, const char *src, size_t size) {
  if (!dst || size == 0) return dst;
  // An unterminated destination is cut to the buffer first rather than read past its end.
  const size_t length = strnlen(dst, size - 1);
  V_strncpy(dst + length, src, size - length);
  return dst;
}

int V_strnicmp(const char *a, const char *b, size_t n) {
  if (!a) a = "";
  if (!b) b = "";
  for (size_t i = 0; i < n; ++i) {
    const auto ca = static_cast<unsigned char>(V_tolower(a[i]));
    const auto cb = static_cast<unsigned char>(V_tolower(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
    if (ca == 0) return 0;
  }
  return 0;
}

int V_stricmp(const char *a, const char *b) {
  return V_strnicmp(a, b, static_cast<size_t>(-1));
}

const char *V_stristr(const char *haystack, const char *needle) {
  if (!haystack || !needle) return nullptr;
  const size_t needleLength = strlen(needle);
  for (const char *start = haystack;; ++start) {
    if (V_strnicmp(start, needle, needleLength) == 0) return start;
    if (*start == '\0') return nullptr;
  }
}

void V_strlower(char *text) {
  if (!text) return;
  for (; *text; ++text) *text = V_tolower(*text);
}

size_t V_wcslen(const char16_t *text) {
  if (!text) return 0;
  size_t length = 0;
  while (text[length]) ++length;
  return length;
}

int V_wcscmp(const char16_t *a, const char16_t *b) {
  if (!a) a = u"";
  if (!b) b = u"";
  for (;; ++a, ++b) {
    if (*a != *b) return *a < *b ? -1 : 1;
    if (*a == 0) return 0;
  }
}

char16_t *V_wcsncpy(char16_t *dst, const char16_t *src, size_t sizeInBytes) {
  const size_t units = sizeInBytes / sizeof(char16_t);
  if (!dst || units == 0) return dst;
  size_t i = 0;
  for (; src && i + 1 < units && src[i]; ++i) dst[i] = src[i];
  dst[i] = 0;
  return dst;
}
