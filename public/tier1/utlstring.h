// A small owned, NUL-terminated string whose text lives in the shared allocator, so a string
// made in one binary may be released in another. An empty string reads as "", never null.
#pragma once

#include <cstddef>

#include "tier0/platform.h"

class CUtlString {
 public:
  CUtlString() = default;
  // Null reads as empty.
  explicit CUtlString(const char *text);
  CUtlString(const char *text, size_t length);
  CUtlString(const CUtlString &other);
  CUtlString(CUtlString &&other) noexcept;
  CUtlString &operator=(const CUtlString &other);
  CUtlString &operator=(CUtlString &&other) noexcept;
  CUtlString &operator=(const char *text);
  ~CUtlString();

  const char *Get() const { return m_pText ? m_pText : ""; }
  const char *String() const { return Get(); }
  size_t Length() const { return m_nLength; }
  bool IsEmpty() const { return m_nLength == 0; }

  // Replaces the content; `text` may point into this string.
  void Set(const char *text);
  void Set(const char *text, size_t length);
  void Append(const char *text);
  void Append(const char *text, size_t length);
  CUtlString &operator+=(const char *text) {
    Append(text);
    return *this;
  }
  CUtlString &operator+=(char c) {
    Append(&c, 1);
    return *this;
  }
  // Replaces the content with printf-style output (any length).
  void Format(const char *fmt, ...) FMTFUNCTION(2, 3);
  // Releases the text.
  void Clear();
  // ASCII case folding in place.
  void ToLower();

  bool operator==(const CUtlString &other) const;
  bool operator==(const char *text) const;  // null equals the empty string
  // Byte order, for sorted containers.
  bool operator<(const CUtlString &other) const;

 private:
  // Makes room for `length` characters plus the NUL, keeping the current content.
  void Reserve(size_t length);

  char *m_pText = nullptr;
  size_t m_nLength = 0;
  size_t m_nCapacity = 0;  // bytes of m_pText, including room for the NUL
};
