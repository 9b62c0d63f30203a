// Splits key/value text into tokens: quoted strings, the one-character tokens "{", "}" and "=",
// and unquoted runs (which are conditions when they hold "[" and later "]"). "//" comments are
// skipped where a token may begin.
#pragma once

#include "tier0/platform.h"

class CUtlBuffer;
class CUtlCharConversion;

struct KeyValuesToken {
  // The token's bytes: in the text itself when `inPlace` (not NUL-terminated there), else in the
  // token area, NUL-terminated (a converted NUL may end the C string earlier). Valid until the
  // next read; CKeyValuesTokenizer::Text gives a C string in either case.
  const char *data = "";
  int length = 0;
  bool inPlace = false;
  bool quoted = false;
  bool conditional = false;
  bool overflowed = false;  // characters beyond the token area were dropped

  // True for the unquoted one-character token `c`.
  bool Is(char c) const { return !quoted && length == 1 && data[0] == c; }
  // True for a token with no text (an empty quote, or one whose first character converted to NUL).
  bool IsEmptyText() const { return length == 0 || data[0] == '\0'; }
  // The token's text up to a converted NUL, without copying it.
  int TextLength() const;
};

// True when the text at `p` (spaces and tabs skipped) could follow a token's closing quote on its
// line in any file: the line's end, a quote, a brace, "=", a condition's "[" or a "//" comment.
bool KeyValuesTextCouldFollowToken(const char *p, const char *end);

class CKeyValuesTokenizer {
 public:
  // Every parse has a token area of this many bytes from the shared allocator.
  static constexpr int kTokenAreaSize = 262144;

  CKeyValuesTokenizer(CUtlBuffer &buf, bool usesEscapeSequences);
  ~CKeyValuesTokenizer();
  CKeyValuesTokenizer(const CKeyValuesTokenizer &) = delete;
  CKeyValuesTokenizer &operator=(const CKeyValuesTokenizer &) = delete;

  // False when the token area could not be allocated.
  bool IsReady() const { return m_pArea != nullptr; }
  // Reads the next token; false when there is none (end of text, or the buffer is in error).
  bool Next(KeyValuesToken &token);
  // Reads the next token only when it is a condition; otherwise the buffer is left untouched.
  bool NextIfCondition(KeyValuesToken &token);
  // The token's text as a C string: a token read in place is copied into the token area first.
  const char *Text(KeyValuesToken &token);
  // Skips a UTF-8 byte order mark at the get offset.
  void SkipByteOrderMark();
  bool SawComment() const { return m_bSawComment; }

 private:
  // The unread data of the buffer; false when there is none or the buffer is in error.
  bool UnreadData(const char *&start, const char *&end) const;
  // Each takes a cursor into the unread data and returns where it stopped.
  const char *SkipToToken(const char *p, const char *end);
  const char *ReadQuoted(const char *p, const char *end, KeyValuesToken &token);
  const char *ReadUnquoted(const char *p, const char *end, KeyValuesToken &token);
  // Takes the token as it stands in the text when it fits the token area.
  bool TakeInPlace(const char *start, const char *stop, KeyValuesToken &token);
  // Copies into the token area, dropping what does not fit.
  void Store(char c);
  void StoreSpan(const char *text, int length);
  void Finish(KeyValuesToken &token);
  bool BackslashQuoteIsText(const char *after, const char *end);
  bool RestOfLineContinuesToken(const char *p, const char *end);

  // The scan behind RestOfLineContinuesToken, kept so that a line is scanned once however many
  // backslash + quote pairs it holds. Pointers into the unread data, only ever compared.
  struct LineScan {
    const char *from = nullptr;      // where the scan began
    const char *lineEnd = nullptr;   // the line break, NUL or end of text that ends the line
    const char *closing = nullptr;   // the line's last quote when only blanks follow it, else null
    const char *lastBare = nullptr;  // the last quote before `closing` without a backslash before it
  };

  CUtlBuffer &m_Buffer;
  const CUtlCharConversion &m_Conversion;
  char *m_pArea = nullptr;
  int m_nLength = 0;
  bool m_bOverflowed = false;
  bool m_bSawComment = false;
  LineScan m_LineScan;
  // Where the last look-ahead for a condition began and the token it skipped to, when it found
  // none (the get offset stays put, so the next read would skip the same blanks again).
  const char *m_pLookedFrom = nullptr;
  const char *m_pLookedTo = nullptr;
};
