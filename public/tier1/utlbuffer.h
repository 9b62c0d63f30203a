// CUtlBuffer: a byte block with a get offset (reading), a put offset (writing) and the highest put
// offset reached (the end of readable data). In text mode numbers and words are read and written
// as text, and a NUL is kept just past the data so the block can be used as a C string.
//
// CUtlCharConversion: the escape rules of a delimited (quoted) string; the key/value reader picks
// one of the two fixed instances, CUtlNoEscConversion or CUtlCStringConversion.
#pragma once

#include <cstdarg>
#include <cstring>

#include "tier0/platform.h"

class CUtlCharConversion {
 public:
  struct ConversionArray_t {
    char m_nActualChar;
    const char *m_pReplacementString;
  };

  // `array` and the texts it points to must outlive the conversion (the fixed instances use
  // static tables).
  CUtlCharConversion(char escapeChar, const char *delimiter, int count, const ConversionArray_t *array);

  char GetEscapeChar() const { return m_nEscapeChar; }
  const char *GetDelimiter() const { return m_pDelimiter; }
  int GetDelimiterLength() const { return m_nDelimiterLength; }
  int MaxConversionLength() const { return m_nMaxConversionLength; }

  // The text that follows the escape character when `c` is written, or null when `c` has none.
  const char *GetConversionString(char c) const;
  int GetConversionLength(char c) const;

  // Reads a replacement at `text` (just after an escape character; `available` bytes may be
  // looked at). Returns the character it stands for and sets `*length` to the bytes it covers;
  // returns '\0' with `*length` 0 when no replacement matches. An empty replacement never matches.
  char FindConversion(const char *text, int available, int *length) const;

 private:
  char m_nEscapeChar;
  const char *m_pDelimiter;
  int m_nDelimiterLength;
  int m_nMaxConversionLength = 0;
  // Replacement text per character (null: none).
  const char *m_pReplacements[256] = {};
  // First character of a replacement -> the character it stands for; 0 when none starts so.
  unsigned char m_ReverseTable[256] = {};
  bool m_bHasReverse[256] = {};
};

// Quoted text taken literally. Its escape character 0x7F has only an empty replacement, so it
// never converts: a 0x7F inside a quoted token reads as NUL.
class CUtlNoEscConversion : public CUtlCharConversion {
 public:
  CUtlNoEscConversion();
};

// C-style escapes: \n \t \v \b \r \f \a \\ \? \' \".
class CUtlCStringConversion : public CUtlCharConversion {
 public:
  CUtlCStringConversion();
};

// The process-wide fixed instances.
const CUtlCharConversion &GetNoEscCharConversion();
const CUtlCharConversion &GetCStringCharConversion();

class CUtlBuffer {
 public:
  enum SeekType_t {
    SEEK_HEAD = 0,
    SEEK_CURRENT = 1,
    SEEK_TAIL = 2,
  };

  enum BufferFlags_t {
    TEXT_BUFFER = 0x1,
    EXTERNAL_GROWABLE = 0x2,  // external memory that is replaced by an owned copy when it fills
    CONTAINS_CRLF = 0x4,      // kept for callers that set it; it changes nothing
    READ_ONLY = 0x8,
    AUTO_TABS_DISABLED = 0x10,
    LITTLE_ENDIAN_DATA = 0x20,  // binary numbers in this machine's order (the default)
    BIG_ENDIAN_DATA = 0x40,     // binary numbers stored most significant byte first
  };

  enum ErrorFlags_t {
    PUT_OVERFLOW = 0x1,  // a write did not fit
    GET_OVERFLOW = 0x2,  // a read went past the end of the data
  };

  // An empty buffer on owned memory. `growSize` 0 doubles the block when it fills; otherwise the
  // block grows in multiples of `growSize`.
  explicit CUtlBuffer(int growSize = 0, int initSize = 0, int flags = 0);
  // A buffer on memory the caller owns. With READ_ONLY the `size` bytes are the data to read;
  // otherwise the buffer starts empty and writes go into the memory.
  CUtlBuffer(const void *memory, int size, int flags = 0);
  virtual ~CUtlBuffer();
  CUtlBuffer(const CUtlBuffer &) = delete;
  CUtlBuffer &operator=(const CUtlBuffer &) = delete;

  // --- mode and state
  void SetBufferType(bool isText, bool containsCRLF);
  int GetFlags() const { return m_Flags; }
  bool IsText() const { return (m_Flags & TEXT_BUFFER) != 0; }
  bool IsReadOnly() const { return (m_Flags & READ_ONLY) != 0; }
  bool IsExternallyAllocated() const { return m_bExternal; }
  bool IsGrowable() const { return !IsReadOnly() && (!m_bExternal || (m_Flags & EXTERNAL_GROWABLE)); }
  // True while neither error bit is set.
  bool IsValid() const { return m_Error == 0; }
  int GetErrorFlags() const { return m_Error; }

  // Get, put and end of data back to 0 and the error bits cleared; the memory stays.
  void Clear();
  // Clear, and owned memory is released.
  void Purge();
  // Makes room for `size` bytes in total. False when the block cannot grow that far.
  bool EnsureCapacity(int size);
  int Size() const { return m_nCapacity; }

  // --- memory
  const void *Base() const { return m_pMemory; }
  void *Base() { return m_pMemory; }
  // The data at the get offset plus `offset`, or null when that lies beyond the data.
  const char *PeekGet(int offset = 0) const {
    if (offset < 0 || m_Get > m_nMaxPut - offset) return nullptr;
    return m_pMemory ? m_pMemory + m_Get + offset : "";
  }

  // --- reading
  int TellGet() const { return m_Get; }
  // Origins: head, current get offset, or end of data (offset added, so negative moves back).
  // Sets GET_OVERFLOW when the offset ends outside the data, clears it otherwise.
  void SeekGet(SeekType_t type, int offset);
  int GetBytesRemaining() const { return m_Get < m_nMaxPut ? m_nMaxPut - m_Get : 0; }
  // Copies `size` bytes. A read past the end copies nothing, zero-fills `dest` and sets
  // GET_OVERFLOW; later reads fail until a seek or Clear.
  void Get(void *dest, int size);
  char GetChar();
  unsigned char GetUnsignedChar();
  // Text: optional white space and a decimal number. Binary: four bytes in the data's order.
  int GetInt();
  // Text: skips white space and copies one word. Binary: copies up to and past a NUL. At most
  // `destSize` - 1 characters are stored, always terminated; the rest of the word is consumed.
  void GetString(char *dest, int destSize);

  // Text mode only: skip white space (space, tab, line feed, vertical tab, form feed, carriage
  // return); skip a "//" comment through its line feed, returning whether there was one.
  void EatWhiteSpace();
  bool EatCPPComment();

  // --- writing
  // Once a write does not fit (PUT_OVERFLOW), every later write is dropped until Clear, however
  // small: the data stays a prefix of what was written, never a text with a piece missing.
  int TellPut() const { return m_Put; }
  int TellMaxPut() const { return m_nMaxPut; }
  // Origins as for SeekGet. Moving past the end of data makes the bytes in between data (a way to
  // take in bytes written straight into Base()); memory the buffer grows into starts zeroed. After
  // an overflow the put offset may still move back, but not past the end of data.
  void SeekPut(SeekType_t type, int offset);
  void Put(const void *src, int size) {
    // The common case inline: no indentation to add and room for the data and the text NUL.
    if (m_nTab == 0 && size > 0 && size < m_nCapacity - m_Put && !(m_Flags & READ_ONLY) &&
        !(m_Error & PUT_OVERFLOW)) {
      memcpy(m_pMemory + m_Put, src, static_cast<size_t>(size));
      m_Put += size;
      if (m_Put > m_nMaxPut) m_nMaxPut = m_Put;
      if (m_Flags & TEXT_BUFFER) {
        m_pMemory[m_nMaxPut] = '\0';
        m_bAtLineStart = static_cast<const char *>(src)[size - 1] == '\n';
      }
      return;
    }
    PutSlow(src, size);
  }
  void PutChar(char c) { Put(&c, 1); }
  void PutString(const char *text);
  // Text: decimal. Binary: four bytes in the data's order.
  void PutInt(int value);
  void Printf(const char *fmt, ...) FMTFUNCTION(2, 3);
  void VaPrintf(const char *fmt, va_list args);

  // Automatic indentation of text: after each line feed, the next write starts with one tab per
  // pushed level (unless AUTO_TABS_DISABLED).
  void PushTab() { ++m_nTab; }
  void PopTab() { m_nTab = m_nTab > 0 ? m_nTab - 1 : 0; }
  void EnableTabs(bool enable);

 protected:
  // Called when a read of `size` bytes would pass the end of the data; true when the data was
  // extended so the read fits. This buffer has no more data to offer.
  virtual bool OnGetOverflow(int size);
  // Called when a write of `size` bytes at the put offset does not fit the block; true when the
  // block now has room. Grows owned (or externally growable) memory.
  virtual bool OnPutOverflow(int size);

 private:
  bool CheckGet(int size);
  bool CheckPut(int size);
  void PutSlow(const void *src, int size);
  void PutRaw(const void *src, int size);
  void PutIndented(const char *text, int size);
  void AfterPut();
  bool GrowTo(int minCapacity);
  bool SwapsBytes() const { return (m_Flags & BIG_ENDIAN_DATA) != 0; }

  char *m_pMemory = nullptr;
  int m_nCapacity = 0;
  int m_nGrowSize = 0;
  int m_Get = 0;
  int m_Put = 0;
  int m_nMaxPut = 0;
  int m_nTab = 0;
  uint8 m_Error = 0;
  uint8 m_Flags = 0;
  bool m_bExternal = false;
  bool m_bAtLineStart = true;
};
