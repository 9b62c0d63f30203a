#include "tier1/keyvalues_text/keyvalues_tokenizer.h"

#include <cstring>
#include <initializer_list>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "tier0/memalloc.h"
#include "tier1/utlbuffer.h"

namespace {

bool IsWhiteSpace(unsigned char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

// Characters that end an unquoted token (none of them is consumed with it).
struct UnquotedStops {
  bool table[256] = {};
  constexpr UnquotedStops() {
    for (const char c : {'\0', '"', '{', '}', '=', ' ', '\t', '\n', '\v', '\f', '\r'})
      table[static_cast<unsigned char>(c)] = true;
  }
};
constexpr UnquotedStops kUnquotedStops;

// Characters that interrupt a run of plain text inside a quoted token: the closing quote, the
// backslash (escape mode, or a quote that belongs to the text), 0x7F (the escape character
// outside escape mode) and NUL (which ends the token's C string, so it cannot be read in place).
struct QuotedStops {
  bool table[256] = {};
  constexpr QuotedStops() {
    for (const char c : {'"', '\\', '\x7f', '\0'}) table[static_cast<unsigned char>(c)] = true;
  }
};
constexpr QuotedStops kQuotedStops;

// The first quoted-token stop at or after `p`, or `end`. Sixteen bytes at a time where the text
// has that many left (never reading past `end`).
const char *FindQuotedStop(const char *p, const char *end) {
#ifdef __SSE2__
  const __m128i quote = _mm_set1_epi8('"');
  const __m128i backslash = _mm_set1_epi8('\\');
  const __m128i escape = _mm_set1_epi8(0x7f);
  const __m128i nul = _mm_setzero_si128();
  for (; end - p >= 16; p += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
    const __m128i stops =
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, quote), _mm_cmpeq_epi8(bytes, backslash)),
                     _mm_or_si128(_mm_cmpeq_epi8(bytes, escape), _mm_cmpeq_epi8(bytes, nul)));
    const int mask = _mm_movemask_epi8(stops);
    if (mask) return p + __builtin_ctz(static_cast<unsigned>(mask));
  }
#endif
  while (p < end && !kQuotedStops.table[static_cast<unsigned char>(*p)]) ++p;
  return p;
}

}  // namespace

// Inline: it runs for every token.
inline bool CKeyValuesTokenizer::UnreadData(const char *&start, const char *&end) const {
  if (!m_pArea || !m_Buffer.IsValid()) return false;
  start = m_Buffer.PeekGet();
  if (!start) return false;
  end = start + m_Buffer.GetBytesRemaining();
  return true;
}

CKeyValuesTokenizer::CKeyValuesTokenizer(CUtlBuffer &buf, bool usesEscapeSequences)
    : m_Buffer(buf),
      m_Conversion(usesEscapeSequences ? GetCStringCharConversion() : GetNoEscCharConversion()),
      m_pArea(static_cast<char *>(g_pMemAllocPlexa->Alloc(kTokenAreaSize))) {}

CKeyValuesTokenizer::~CKeyValuesTokenizer() {
  g_pMemAllocPlexa->Free(m_pArea);
}

void CKeyValuesTokenizer::SkipByteOrderMark() {
  const char *start = nullptr;
  const char *end = nullptr;
  if (UnreadData(start, end) && end - start >= 3 && memcmp(start, "\xEF\xBB\xBF", 3) == 0)
    m_Buffer.SeekGet(CUtlBuffer::SEEK_CURRENT, 3);
}

const char *CKeyValuesTokenizer::SkipToToken(const char *p, const char *end) {
  for (;;) {
    while (p < end && IsWhiteSpace(static_cast<unsigned char>(*p))) ++p;
    if (end - p < 2 || p[0] != '/' || p[1] != '/') return p;
    m_bSawComment = true;
    const void *lineEnd = memchr(p, '\n', static_cast<size_t>(end - p));
    p = lineEnd ? static_cast<const char *>(lineEnd) + 1 : end;
  }
}

bool CKeyValuesTokenizer::Next(KeyValuesToken &token) {
  token = KeyValuesToken();
  const char *start = nullptr;
  const char *end = nullptr;
  if (!UnreadData(start, end)) return false;
  // A look-ahead that found no condition has already skipped to this token.
  const char *p = start == m_pLookedFrom ? m_pLookedTo : SkipToToken(start, end);
  m_pLookedFrom = nullptr;
  const bool found = p < end;
  if (found) {
    m_nLength = 0;
    m_bOverflowed = false;
    if (*p == '"') {
      token.quoted = true;
      p = ReadQuoted(p, end, token);
    } else if (*p == '{' || *p == '}' || *p == '=') {
      TakeInPlace(p, p + 1, token);
      ++p;
    } else {
      p = ReadUnquoted(p, end, token);
    }
    if (!token.inPlace) Finish(token);
  }
  m_Buffer.SeekGet(CUtlBuffer::SEEK_CURRENT, static_cast<int>(p - start));
  return found;
}

bool CKeyValuesTokenizer::NextIfCondition(KeyValuesToken &token) {
  token = KeyValuesToken();
  const char *start = nullptr;
  const char *end = nullptr;
  if (!UnreadData(start, end)) return false;
  // Only an unquoted run can be a condition; anything else is left for the next read.
  const char *p = SkipToToken(start, end);
  m_pLookedFrom = start;
  m_pLookedTo = p;
  if (p == end || *p == '"' || *p == '{' || *p == '}' || *p == '=') return false;
  m_nLength = 0;
  m_bOverflowed = false;
  KeyValuesToken candidate;
  p = ReadUnquoted(p, end, candidate);
  if (!candidate.conditional) return false;
  m_pLookedFrom = nullptr;
  token = candidate;
  if (!token.inPlace) Finish(token);
  m_Buffer.SeekGet(CUtlBuffer::SEEK_CURRENT, static_cast<int>(p - start));
  return true;
}

namespace {
bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

bool IsLineEnd(const char *p, const char *end) {
  return p == end || *p == '\n' || *p == '\r' || *p == '\0';
}
}  // namespace

bool KeyValuesTextCouldFollowToken(const char *p, const char *end) {
  while (p < end && IsBlank(*p)) ++p;
  if (IsLineEnd(p, end)) return true;
  switch (*p) {
    case '"':
    case '{':
    case '}':
    case '=':
    case '[':
      return true;
    case '/':
      return end - p >= 2 && p[1] == '/';
    default:
      return false;
  }
}

// Outside escape mode a quoted token is taken literally, with one exception so that a text
// holding a double quote survives being written and read back: the writer puts a backslash before
// such a quote, and here backslash + quote reads as a literal quote. Older files hold texts that
// end with a backslash ("C:\dir\"), which the original reader closed at that quote, whatever came
// after it on the line. The two are told apart by the rest of the line (`after` onwards):
// - text that cannot follow a token (a letter, a digit, a backslash...): a quote in the text;
// - the line's end, a quote, a brace, "=", a condition or a "//" comment: the token ends here,
//   unless the line goes on the way the writer ends a token it is still writing: more text whose
//   every quote has a backslash before it, then the closing quote as the last thing on the line.
// The writer ends every value and block name line right after the closing quote and moves a
// value to the next line when its name could be misread (see CKeyValuesWriter), so all it writes
// reads back, except a text spanning lines in which a double quote is followed on its line by
// blanks and then the line break, or by "}", "{", "=", "[" or "//": it reads back cut at that
// quote. An old file misreads such a backslash + quote when an unquoted token follows it on the
// line (`"C:\dir\" next 1`), or when all that follows up to a last quote on the line holds no
// quote without a backslash before it (`"C:\dir\" } // or D:\"`).
bool CKeyValuesTokenizer::BackslashQuoteIsText(const char *after, const char *end) {
  return !KeyValuesTextCouldFollowToken(after, end) || RestOfLineContinuesToken(after, end);
}

bool CKeyValuesTokenizer::RestOfLineContinuesToken(const char *p, const char *end) {
  LineScan &scan = m_LineScan;
  if (!scan.from || p < scan.from || p > scan.lineEnd) {
    scan = LineScan();
    scan.from = p;
    const char *last = nullptr;
    const char *q = p;
    for (; !IsLineEnd(q, end); ++q) {
      if (*q != '"') continue;
      // `last - 1` is at worst the quote of the backslash + quote being decided.
      if (last && last[-1] != '\\') scan.lastBare = last;
      last = q;
    }
    scan.lineEnd = q;
    const char *rest = last ? last + 1 : q;
    while (rest < q && IsBlank(*rest)) ++rest;
    if (last && rest == q) scan.closing = last;
  }
  return scan.closing && p <= scan.closing && (!scan.lastBare || scan.lastBare < p);
}

const char *CKeyValuesTokenizer::ReadQuoted(const char *p, const char *end, KeyValuesToken &token) {
  ++p;  // the opening quote
  // Most quoted tokens are plain text up to the closing quote: those are read where they stand.
  const char *start = p;
  p = FindQuotedStop(p, end);
  if (p < end && *p == '"' && TakeInPlace(start, p, token)) return p + 1;
  StoreSpan(start, static_cast<int>(p - start));
  const char escape = m_Conversion.GetEscapeChar();
  for (;;) {
    if (p == end) return p;  // an unterminated quote takes the rest of the text
    if (*p == '"') return p + 1;
    if (*p == escape) {
      // An escape that matches no replacement reads as NUL; what follows is read normally.
      int length = 0;
      Store(m_Conversion.FindConversion(p + 1, static_cast<int>(end - p - 1), &length));
      p += 1 + length;
    } else if (*p == '\\' && p + 1 < end && p[1] == '"' && BackslashQuoteIsText(p + 2, end)) {
      // A backslash outside escape mode, before a quote that belongs to the text.
      Store('"');
      p += 2;
    } else {
      Store(*p++);
    }
    const char *run = p;
    p = FindQuotedStop(p, end);
    StoreSpan(run, static_cast<int>(p - run));
  }
}

const char *CKeyValuesTokenizer::ReadUnquoted(const char *p, const char *end, KeyValuesToken &token) {
  const char *start = p;
  bool bracketed = false;
  while (p < end && !kUnquotedStops.table[static_cast<unsigned char>(*p)]) {
    if (*p == '[') bracketed = true;
    if (*p == ']' && bracketed) token.conditional = true;
    ++p;
  }
  if (!TakeInPlace(start, p, token)) StoreSpan(start, static_cast<int>(p - start));
  return p;
}

bool CKeyValuesTokenizer::TakeInPlace(const char *start, const char *stop, KeyValuesToken &token) {
  if (stop - start > kTokenAreaSize - 1) return false;
  token.data = start;
  token.length = static_cast<int>(stop - start);
  token.inPlace = true;
  return true;
}

const char *CKeyValuesTokenizer::Text(KeyValuesToken &token) {
  if (token.inPlace) {
    memcpy(m_pArea, token.data, static_cast<size_t>(token.length));
    m_pArea[token.length] = '\0';
    token.data = m_pArea;
    token.inPlace = false;
  }
  return token.data;
}

int KeyValuesToken::TextLength() const {
  if (inPlace) return length;  // read in place only when it holds no NUL
  return static_cast<int>(strlen(data));
}

void CKeyValuesTokenizer::Store(char c) {
  if (m_nLength < kTokenAreaSize - 1) {
    m_pArea[m_nLength++] = c;
  } else {
    m_bOverflowed = true;
  }
}

void CKeyValuesTokenizer::StoreSpan(const char *text, int length) {
  const int room = kTokenAreaSize - 1 - m_nLength;
  if (length > room) {
    m_bOverflowed = true;
    length = room;
  }
  memcpy(m_pArea + m_nLength, text, static_cast<size_t>(length));
  m_nLength += length;
}

void CKeyValuesTokenizer::Finish(KeyValuesToken &token) {
  m_pArea[m_nLength] = '\0';
  token.data = m_pArea;
  token.length = m_nLength;
  token.overflowed = m_bOverflowed;
}
