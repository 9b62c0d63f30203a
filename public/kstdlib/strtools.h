// String helpers of the platform: bounded copies and formatting, ASCII case-insensitive compares,
// UTF-8/UTF-16 conversion and range-checked number parsing.
#pragma once

#include <cstdarg>

#include "tier0/platform.h"

// Copies at most size - 1 bytes and always terminates (when size > 0). Returns dst.
PLATFORM_INTERFACE char *V_strncpy(char *dst, const char *src, size_t size);
// vsnprintf that always terminates; returns the length written (cut), never more than size - 1.
PLATFORM_INTERFACE int V_snprintf(char *dst, size_t size, const char *fmt, ...) FMTFUNCTION(3, 4);
PLATFORM_INTERFACE int V_vsnprintf(char *dst, size_t size, const char *fmt, va_list args);
// Appends within the buffer's size; always terminates.
PLATFORM_INTERFACE char *V_strncat(char *dst, const char *src, size_t size);

// ASCII-only case folding on unsigned char.
inline char V_tolower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
inline char V_toupper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
PLATFORM_INTERFACE int V_stricmp(const char *a, const char *b);
PLATFORM_INTERFACE int V_strnicmp(const char *a, const char *b, size_t n);
// First occurrence of `needle` in `haystack` ignoring case, or null.
PLATFORM_INTERFACE const char *V_stristr(const char *haystack, const char *needle);
// Lower-cases in place (ASCII).
PLATFORM_INTERFACE void V_strlower(char *text);

// UTF-16 helpers. Wide text is char16_t everywhere.
PLATFORM_INTERFACE size_t V_wcslen(const char16_t *text);
PLATFORM_INTERFACE int V_wcscmp(const char16_t *a, const char16_t *b);
PLATFORM_INTERFACE char16_t *V_wcsncpy(char16_t *dst, const char16_t *src, size_t sizeInBytes);

// Converts NUL-terminated UTF-8 to UTF-16 into a buffer of `sizeInBytes` bytes, always terminated
// when the size allows one unit. Invalid sequences become U+FFFD. Returns the number of units
// written including the NUL, or 0 when the buffer could not hold even the NUL.
PLATFORM_INTERFACE int V_UTF8ToUTF16(const char *utf8, char16_t *dst, int sizeInBytes);
// Converts NUL-terminated UTF-16 to UTF-8 into a buffer of `sizeInBytes` bytes, always terminated.
// Unpaired surrogates become U+FFFD. Returns the number of bytes written including the NUL, or 0
// when nothing fits. Text that does not fit is cut at a character boundary.
PLATFORM_INTERFACE int V_UTF16ToUTF8(const char16_t *utf16, char *dst, int sizeInBytes);

// Range-checked decimal parsing in the C locale. Leading white space and a sign are accepted.
// `end` (optional) receives where conversion stopped (== text when nothing converted);
// `overflow` (optional) is set when the value did not fit and the result was clamped.
PLATFORM_INTERFACE int64 V_StringToInt64(const char *text, const char **end, bool *overflow);
PLATFORM_INTERFACE uint64 V_StringToUint64(const char *text, const char **end, bool *overflow);
PLATFORM_INTERFACE double V_StringToDouble(const char *text, const char **end);
