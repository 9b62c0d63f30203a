#include "tier1/utlbuffer.h"

#include <climits>
#include <cstdio>
#include <cstring>

#include "kstdlib/strtools.h"
#include "tier0/dbg.h"
#include "tier0/memalloc.h"

// ---------------------------------------------------------------------------------------------
// Character conversions

CUtlCharConversion::CUtlCharConversion(char escapeChar, const char *delimiter, int count,
                                       const ConversionArray_t *array)
    : m_nEscapeChar(escapeChar),
      m_pDelimiter(delimiter),
      m_nDelimiterLength(static_cast<int>(strlen(delimiter))) {
  for (int i = 0; i < count; ++i) {
    const auto actual = static_cast<unsigned char>(array[i].m_nActualChar);
    const char *replacement = array[i].m_pReplacementString;
    m_pReplacements[actual] = replacement;
    const int length = static_cast<int>(strlen(replacement));
    if (length > m_nMaxConversionLength) m_nMaxConversionLength = length;
    if (length == 0) continue;
    const auto first = static_cast<unsigned char>(replacement[0]);
    m_ReverseTable[first] = actual;
    m_bHasReverse[first] = true;
  }
}

const char *CUtlCharConversion::GetConversionString(char c) const {
  return m_pReplacements[static_cast<unsigned char>(c)];
}

int CUtlCharConversion::GetConversionLength(char c) const {
  const char *replacement = GetConversionString(c);
  return replacement ? static_cast<int>(strlen(replacement)) : 0;
}

char CUtlCharConversion::FindConversion(const char *text, int available, int *length) const {
  *length = 0;
  if (available <= 0) return '\0';
  const auto first = static_cast<unsigned char>(text[0]);
  if (!m_bHasReverse[first]) return '\0';
  const char actual = static_cast<char>(m_ReverseTable[first]);
  const char *replacement = GetConversionString(actual);
  const int replacementLength = static_cast<int>(strlen(replacement));
  if (replacementLength > available || memcmp(text, replacement, replacementLength) != 0) return '\0';
  *length = replacementLength;
  return actual;
}

namespace {
const CUtlCharConversion::ConversionArray_t kNoEscTable[] = {{'\x7f', ""}};

const CUtlCharConversion::ConversionArray_t kCStringTable[] = {
    {'\n', "n"}, {'\t', "t"},  {'\v', "v"}, {'\b', "b"}, {'\r', "r"}, {'\f', "f"},
    {'\a', "a"}, {'\\', "\\"}, {'?', "?"},  {'\'', "'"}, {'"', "\""},
};
}  // namespace

CUtlNoEscConversion::CUtlNoEscConversion() : CUtlCharConversion('\x7f', "\"", 1, kNoEscTable) {}

CUtlCStringConversion::CUtlCStringConversion()
    : CUtlCharConversion('\\', "\"", static_cast<int>(sizeof(kCStringTable) / sizeof(kCStringTable[0])),
                         kCStringTable) {}

const CUtlCharConversion &GetNoEscCharConversion() {
  static const CUtlNoEscConversion conversion;
  return conversion;
}

const CUtlCharConversion &GetCStringCharConversion() {
  static const CUtlCStringConversion conversion;
  return conversion;
}

// ---------------------------------------------------------------------------------------------
// Construction and memory

namespace {
constexpr int kMinimumBlock = 64;

bool IsTextWhiteSpace(unsigned char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

uint32 SwapBytes(uint32 value) {
  return (value >> 24) | ((value >> 8) & 0xFF00u) | ((value << 8) & 0xFF0000u) | (value << 24);
}
}  // namespace

CUtlBuffer::CUtlBuffer(int growSize, int initSize, int flags)
    : m_nGrowSize(growSize > 0 ? growSize : 0), m_Flags(static_cast<uint8>(flags)) {
  // Owned memory is never "external"; the flag would only confuse IsGrowable.
  m_Flags &= ~EXTERNAL_GROWABLE;
  if (initSize > 0) GrowTo(initSize);
  AfterPut();
}

CUtlBuffer::CUtlBuffer(const void *memory, int size, int flags)
    : m_pMemory(static_cast<char *>(const_cast<void *>(memory))),
      m_nCapacity(memory && size > 0 ? size : 0),
      m_Flags(static_cast<uint8>(flags)),
      m_bExternal(true) {
  if (IsReadOnly()) {
    m_Put = m_nMaxPut = m_nCapacity;
  } else {
    AfterPut();
  }
}

CUtlBuffer::~CUtlBuffer() {
  if (!m_bExternal && m_pMemory) g_pMemAllocPlexa->Free(m_pMemory);
}

void CUtlBuffer::SetBufferType(bool isText, bool containsCRLF) {
  m_Flags = isText ? (m_Flags | TEXT_BUFFER) : (m_Flags & ~TEXT_BUFFER);
  m_Flags = containsCRLF ? (m_Flags | CONTAINS_CRLF) : (m_Flags & ~CONTAINS_CRLF);
  AfterPut();
}

void CUtlBuffer::EnableTabs(bool enable) {
  m_Flags = enable ? (m_Flags & ~AUTO_TABS_DISABLED) : (m_Flags | AUTO_TABS_DISABLED);
}

void CUtlBuffer::Clear() {
  m_Get = m_Put = m_nMaxPut = 0;
  m_Error = 0;
  m_bAtLineStart = true;
  AfterPut();
}

void CUtlBuffer::Purge() {
  Clear();
  if (!m_bExternal && m_pMemory) {
    g_pMemAllocPlexa->Free(m_pMemory);
    m_pMemory = nullptr;
    m_nCapacity = 0;
  }
}

bool CUtlBuffer::EnsureCapacity(int size) {
  if (size <= m_nCapacity) return true;
  if (!IsGrowable()) return false;
  return GrowTo(size);
}

// Grows owned memory (taking over external memory first when that is allowed) to at least
// `minCapacity` bytes.
bool CUtlBuffer::GrowTo(int minCapacity) {
  if (minCapacity <= m_nCapacity) return true;
  int64 newCapacity = m_nCapacity > 0 ? m_nCapacity : kMinimumBlock;
  if (m_nGrowSize > 0) {
    newCapacity = (static_cast<int64>(minCapacity) + m_nGrowSize - 1) / m_nGrowSize * m_nGrowSize;
  } else {
    while (newCapacity < minCapacity) newCapacity *= 2;
  }
  if (newCapacity > INT_MAX) newCapacity = INT_MAX;
  if (newCapacity < minCapacity) return false;

  char *grown = nullptr;
  if (m_bExternal) {
    grown = static_cast<char *>(g_pMemAllocPlexa->Alloc(static_cast<size_t>(newCapacity)));
    if (grown && m_pMemory) memcpy(grown, m_pMemory, static_cast<size_t>(m_nCapacity));
  } else {
    grown = static_cast<char *>(g_pMemAllocPlexa->Realloc(m_pMemory, static_cast<size_t>(newCapacity)));
  }
  if (!grown) return false;
  // New bytes start zeroed: a SeekPut past the data must not expose uninitialised memory.
  memset(grown + m_nCapacity, 0, static_cast<size_t>(newCapacity - m_nCapacity));
  m_pMemory = grown;
  m_nCapacity = static_cast<int>(newCapacity);
  m_bExternal = false;
  m_Flags &= ~EXTERNAL_GROWABLE;
  return true;
}

// A text buffer keeps a NUL just past its data so Base() can be read as a C string; the NUL is
// not data. A full external block simply has no room for it.
void CUtlBuffer::AfterPut() {
  if (m_Put > m_nMaxPut) m_nMaxPut = m_Put;
  if (IsText() && !IsReadOnly() && m_nMaxPut < m_nCapacity) m_pMemory[m_nMaxPut] = '\0';
}

// ---------------------------------------------------------------------------------------------
// Reading

bool CUtlBuffer::OnGetOverflow(int) {
  return false;
}

bool CUtlBuffer::CheckGet(int size) {
  if (m_Error & GET_OVERFLOW) return false;
  if (size >= 0 && m_Get <= m_nMaxPut - size) return true;
  if (size >= 0 && OnGetOverflow(size) && m_Get <= m_nMaxPut - size) return true;
  m_Error |= GET_OVERFLOW;
  return false;
}

void CUtlBuffer::SeekGet(SeekType_t type, int offset) {
  int64 target = offset;
  if (type == SEEK_CURRENT) target += m_Get;
  if (type == SEEK_TAIL) target += m_nMaxPut;
  if (target < 0 || target > m_nMaxPut) {
    m_Error |= GET_OVERFLOW;
    target = target < 0 ? 0 : (target > INT_MAX ? INT_MAX : target);
  } else {
    m_Error &= ~GET_OVERFLOW;
  }
  m_Get = static_cast<int>(target);
}

void CUtlBuffer::Get(void *dest, int size) {
  if (size <= 0) return;
  if (!CheckGet(size)) {
    memset(dest, 0, static_cast<size_t>(size));
    return;
  }
  memcpy(dest, m_pMemory + m_Get, static_cast<size_t>(size));
  m_Get += size;
}

char CUtlBuffer::GetChar() {
  char c = 0;
  Get(&c, 1);
  return c;
}

unsigned char CUtlBuffer::GetUnsignedChar() {
  return static_cast<unsigned char>(GetChar());
}

int CUtlBuffer::GetInt() {
  if (!IsText()) {
    uint32 raw = 0;
    Get(&raw, sizeof(raw));
    return static_cast<int>(SwapsBytes() ? SwapBytes(raw) : raw);
  }
  EatWhiteSpace();
  if (!CheckGet(1)) return 0;
  // Parse from a bounded, terminated copy: the data need not end with a NUL.
  char digits[32];
  const int count = GetBytesRemaining() < 31 ? GetBytesRemaining() : 31;
  memcpy(digits, m_pMemory + m_Get, static_cast<size_t>(count));
  digits[count] = '\0';
  const char *end = digits;
  bool overflow = false;
  const int64 value = V_StringToInt64(digits, &end, &overflow);
  if (end == digits) return 0;
  m_Get += static_cast<int>(end - digits);
  if (overflow || value > INT_MAX || value < INT_MIN) return value < 0 ? INT_MIN : INT_MAX;
  return static_cast<int>(value);
}

void CUtlBuffer::GetString(char *dest, int destSize) {
  if (!dest || destSize <= 0) return;
  dest[0] = '\0';
  if (IsText()) EatWhiteSpace();
  if (!CheckGet(1)) return;
  const char *start = m_pMemory + m_Get;
  int length = 0;
  const int available = GetBytesRemaining();
  if (IsText()) {
    while (length < available && !IsTextWhiteSpace(static_cast<unsigned char>(start[length]))) ++length;
  } else {
    while (length < available && start[length] != '\0') ++length;
  }
  const int copied = length < destSize - 1 ? length : destSize - 1;
  memcpy(dest, start, static_cast<size_t>(copied));
  dest[copied] = '\0';
  // A binary string's NUL belongs to it.
  const bool eatsNul = !IsText() && length < available;
  m_Get += length + (eatsNul ? 1 : 0);
}

void CUtlBuffer::EatWhiteSpace() {
  if (!IsText() || !IsValid()) return;
  while (m_Get < m_nMaxPut && IsTextWhiteSpace(static_cast<unsigned char>(m_pMemory[m_Get]))) ++m_Get;
}

bool CUtlBuffer::EatCPPComment() {
  if (!IsText() || !IsValid() || GetBytesRemaining() < 2) return false;
  if (m_pMemory[m_Get] != '/' || m_pMemory[m_Get + 1] != '/') return false;
  const void *lineEnd = memchr(m_pMemory + m_Get, '\n', static_cast<size_t>(GetBytesRemaining()));
  m_Get = lineEnd ? static_cast<int>(static_cast<const char *>(lineEnd) - m_pMemory) + 1 : m_nMaxPut;
  return true;
}

// ---------------------------------------------------------------------------------------------
// Writing

bool CUtlBuffer::OnPutOverflow(int size) {
  if (!IsGrowable()) return false;
  // One more byte for the text NUL, so growing never leaves it out.
  const int64 needed = static_cast<int64>(m_Put) + size + 1;
  if (needed > INT_MAX) return false;
  return GrowTo(static_cast<int>(needed));
}

bool CUtlBuffer::CheckPut(int size) {
  // A write after a dropped one would leave a hole where the dropped bytes belong.
  if (m_Error & PUT_OVERFLOW) return false;
  if (IsReadOnly() || size < 0) {
    m_Error |= PUT_OVERFLOW;
    return false;
  }
  // A text buffer that can grow always keeps room for its NUL; one that cannot may fill up.
  const int wanted = IsText() && IsGrowable() && size < INT_MAX ? size + 1 : size;
  if (m_Put <= m_nCapacity - wanted) return true;
  if (OnPutOverflow(size) && m_Put <= m_nCapacity - size) return true;
  m_Error |= PUT_OVERFLOW;
  return false;
}

void CUtlBuffer::SeekPut(SeekType_t type, int offset) {
  int64 target = offset;
  if (type == SEEK_CURRENT) target += m_Put;
  if (type == SEEK_TAIL) target += m_nMaxPut;
  if (target < 0 || target > INT_MAX) {
    m_Error |= PUT_OVERFLOW;
    return;
  }
  const int position = static_cast<int>(target);
  // After an overflow, bytes past the data were never written; they must not become data.
  if ((m_Error & PUT_OVERFLOW) && position > m_nMaxPut) return;
  // Bytes written straight into Base() become data this way, so the gap is not cleared.
  if (position > m_nCapacity && !EnsureCapacity(position)) {
    m_Error |= PUT_OVERFLOW;
    return;
  }
  m_Put = position;
  AfterPut();
}

void CUtlBuffer::PutRaw(const void *src, int size) {
  if (size <= 0 || !CheckPut(size)) return;
  memcpy(m_pMemory + m_Put, src, static_cast<size_t>(size));
  m_Put += size;
  AfterPut();
}

void CUtlBuffer::PutIndented(const char *text, int size) {
  int start = 0;
  while (start < size) {
    if (m_bAtLineStart) {
      for (int i = 0; i < m_nTab; ++i) PutRaw("\t", 1);
      m_bAtLineStart = false;
    }
    const void *lineEnd = memchr(text + start, '\n', static_cast<size_t>(size - start));
    const int stop = lineEnd ? static_cast<int>(static_cast<const char *>(lineEnd) - text) + 1 : size;
    PutRaw(text + start, stop - start);
    m_bAtLineStart = lineEnd != nullptr;
    start = stop;
  }
}

void CUtlBuffer::PutSlow(const void *src, int size) {
  if (size <= 0) return;
  if (IsText() && m_nTab > 0 && !(m_Flags & AUTO_TABS_DISABLED)) {
    PutIndented(static_cast<const char *>(src), size);
    return;
  }
  PutRaw(src, size);
  if (IsText()) m_bAtLineStart = static_cast<const char *>(src)[size - 1] == '\n';
}

void CUtlBuffer::PutString(const char *text) {
  if (!text) return;
  const size_t length = strlen(text);
  if (length > static_cast<size_t>(INT_MAX)) {
    m_Error |= PUT_OVERFLOW;
    return;
  }
  if (!IsText()) {
    // A binary string carries its NUL.
    Put(text, static_cast<int>(length) + 1);
    return;
  }
  Put(text, static_cast<int>(length));
}

void CUtlBuffer::PutInt(int value) {
  if (IsText()) {
    Printf("%d", value);
    return;
  }
  uint32 raw = static_cast<uint32>(value);
  if (SwapsBytes()) raw = SwapBytes(raw);
  Put(&raw, sizeof(raw));
}

void CUtlBuffer::Printf(const char *fmt, ...) {
  va_list args;
  va_start(args, fmt);
  VaPrintf(fmt, args);
  va_end(args);
}

void CUtlBuffer::VaPrintf(const char *fmt, va_list args) {
  if (m_Error & PUT_OVERFLOW) return;  // it would be dropped; skip the formatting
  char small[256];
  va_list copy;
  va_copy(copy, args);
  const int length = vsnprintf(small, sizeof(small), fmt, copy);
  va_end(copy);
  if (length < 0) return;
  if (length < static_cast<int>(sizeof(small))) {
    Put(small, length);
    return;
  }
  char *large = static_cast<char *>(g_pMemAllocPlexa->Alloc(static_cast<size_t>(length) + 1));
  if (!large) {
    m_Error |= PUT_OVERFLOW;
    return;
  }
  vsnprintf(large, static_cast<size_t>(length) + 1, fmt, args);
  Put(large, length);
  g_pMemAllocPlexa->Free(large);
}
