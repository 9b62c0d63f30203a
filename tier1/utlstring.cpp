#include "tier1/utlstring.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

#include "kstdlib/strtools.h"
#include "tier0/memalloc.h"

CUtlString::CUtlString(const char *text) { Set(text); }

CUtlString::CUtlString(const char *text, size_t length) { Set(text, length); }

CUtlString::CUtlString(const CUtlString &other) { Set(other.Get(), other.m_nLength); }

CUtlString::CUtlString(CUtlString &&other) noexcept
    : m_pText(other.m_pText), m_nLength(other.m_nLength), m_nCapacity(other.m_nCapacity) {
  other.m_pText = nullptr;
  other.m_nLength = 0;
  other.m_nCapacity = 0;
}

CUtlString &CUtlString::operator=(const CUtlString &other) {
  if (this != &other) Set(other.Get(), other.m_nLength);
  return *this;
}

CUtlString &CUtlString::operator=(CUtlString &&other) noexcept {
  if (this != &other) {
    Clear();
    m_pText = other.m_pText;
    m_nLength = other.m_nLength;
    m_nCapacity = other.m_nCapacity;
    other.m_pText = nullptr;
    other.m_nLength = 0;
    other.m_nCapacity = 0;
  }
  return *this;
}

CUtlString &CUtlString::operator=(const char *text) {
  Set(text);
  return *this;
}

CUtlString::~CUtlString() { Clear(); }

void CUtlString::Set(const char *text) { Set(text, text ? strlen(text) : 0); }

void CUtlString::Set(const char *text, size_t length) {
  if (!text || length == 0) {
    m_nLength = 0;
    if (m_pText) m_pText[0] = '\0';
    return;
  }
  // Growing may move the text, and `text` may point into it: copy through a fresh block then.
  if (length + 1 > m_nCapacity) {
    CUtlString fresh;
    fresh.Reserve(length);
    memcpy(fresh.m_pText, text, length);
    fresh.m_pText[length] = '\0';
    fresh.m_nLength = length;
    *this = static_cast<CUtlString &&>(fresh);
    return;
  }
  memmove(m_pText, text, length);
  m_pText[length] = '\0';
  m_nLength = length;
}

void CUtlString::Append(const char *text) {
  if (text) Append(text, strlen(text));
}

void CUtlString::Append(const char *text, size_t length) {
  if (!text || length == 0) return;
  if (m_nLength + length + 1 > m_nCapacity) {
    // Appending a piece of ourselves: keep its offset across the move.
    const bool inside = m_pText && text >= m_pText && text < m_pText + m_nCapacity;
    const size_t offset = inside ? static_cast<size_t>(text - m_pText) : 0;
    Reserve(m_nLength + length);
    if (inside) text = m_pText + offset;
  }
  memmove(m_pText + m_nLength, text, length);
  m_nLength += length;
  m_pText[m_nLength] = '\0';
}

void CUtlString::Format(const char *fmt, ...) {
  va_list args;
  va_start(args, fmt);
  va_list probe;
  va_copy(probe, args);
  const int needed = vsnprintf(nullptr, 0, fmt, probe);
  va_end(probe);
  if (needed <= 0) {
    va_end(args);
    Set(nullptr);
    return;
  }
  CUtlString fresh;  // the arguments may point into this string
  fresh.Reserve(static_cast<size_t>(needed));
  vsnprintf(fresh.m_pText, fresh.m_nCapacity, fmt, args);
  va_end(args);
  fresh.m_nLength = static_cast<size_t>(needed);
  *this = static_cast<CUtlString &&>(fresh);
}

void CUtlString::Clear() {
  if (m_pText) g_pMemAllocPlexa->Free(m_pText);
  m_pText = nullptr;
  m_nLength = 0;
  m_nCapacity = 0;
}

void CUtlString::ToLower() {
  for (size_t i = 0; i < m_nLength; ++i) m_pText[i] = V_tolower(m_pText[i]);
}

bool CUtlString::operator==(const CUtlString &other) const {
  return m_nLength == other.m_nLength && memcmp(Get(), other.Get(), m_nLength) == 0;
}

bool CUtlString::operator==(const char *text) const { return strcmp(Get(), text ? text : "") == 0; }

bool CUtlString::operator<(const CUtlString &other) const {
  const size_t common = m_nLength < other.m_nLength ? m_nLength : other.m_nLength;
  const int order = memcmp(Get(), other.Get(), common);
  return order != 0 ? order < 0 : m_nLength < other.m_nLength;
}

void CUtlString::Reserve(size_t length) {
  if (length + 1 <= m_nCapacity) return;
  size_t capacity = m_nCapacity < 16 ? 16 : m_nCapacity * 2;
  if (capacity < length + 1) capacity = length + 1;
  auto *text = static_cast<char *>(g_pMemAllocPlexa->Realloc(m_pText, capacity));
  if (!text) throw std::bad_alloc();
  if (!m_pText) text[0] = '\0';
  m_pText = text;
  m_nCapacity = capacity;
}
