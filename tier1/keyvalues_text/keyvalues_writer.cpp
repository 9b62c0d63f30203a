#include "tier1/keyvalues_text/keyvalues_writer.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "kstdlib/strtools.h"
#include "tier0/dbg.h"
#include "tier0/memalloc.h"
#include "tier1/KeyValues.h"
#include "tier1/keyvalues_text/keyvalues_tokenizer.h"
#include "tier1/utlbuffer.h"

void CKeyValuesWriter::Write(const KeyValues *node, int indentLevel) {
  if (!node) return;
  WriteBlockStart(node, indentLevel);
  // Each open block: the next child to write and the block's level.
  std::vector<std::pair<const KeyValues *, int>> open;
  open.emplace_back(node->GetFirstSubKey(), indentLevel);
  while (!open.empty()) {
    auto &[next, level] = open.back();
    if (!next) {
      WriteBlockEnd(level);
      open.pop_back();
      continue;
    }
    const KeyValues *child = next;
    next = child->GetNextKey();
    if (child->GetType() == KeyValues::TYPE_NONE) {
      const int childLevel = level + 1;
      WriteBlockStart(child, childLevel);
      open.emplace_back(child->GetFirstSubKey(), childLevel);  // invalidates `next` and `level`
    } else {
      WriteValue(child, level + 1);
    }
  }
}

void CKeyValuesWriter::WriteIndent(int level) {
  static const char kTabs[] = "\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t";
  constexpr int kChunk = static_cast<int>(sizeof(kTabs) - 1);
  for (; level > 0; level -= kChunk) m_Buffer.Put(kTabs, level < kChunk ? level : kChunk);
}

void CKeyValuesWriter::WriteBlockStart(const KeyValues *node, int level) {
  WriteIndent(level);
  WriteQuoted(node->GetName(), (m_nFlags & KeyValues::SAVE_LOWERCASE_NAMES) != 0,
              node->UsesEscapeSequences());
  m_Buffer.PutChar('\n');
  WriteIndent(level);
  m_Buffer.Put("{\n", 2);
}

void CKeyValuesWriter::WriteBlockEnd(int level) {
  WriteIndent(level);
  m_Buffer.Put("}\n", 2);
}

namespace {
// Plain decimal, as "%d" / "%lld" / "%llu" would print it, without the cost of a format parse.
template <typename Integer>
void FormatInteger(char (&text)[64], Integer value) {
  *std::to_chars(text, text + sizeof(text) - 1, value).ptr = '\0';
}
}  // namespace

void CKeyValuesWriter::WriteValue(const KeyValues *child, int level) {
  const bool lowerCaseNames = (m_nFlags & KeyValues::SAVE_LOWERCASE_NAMES) != 0;
  char number[64];
  switch (child->GetType()) {
    case KeyValues::TYPE_STRING:
      WriteValueLine(child, lowerCaseNames,
                     (child->m_NameTypeFlags & KeyValues::kHeapFlag) ? child->m_Value0.pszValue
                                                                     : child->m_Value0.inlineText,
                     level);
      return;
    case KeyValues::TYPE_INT:
      FormatInteger(number, child->m_Value0.iValue);
      break;
    case KeyValues::TYPE_FLOAT: {
      const float value = child->m_Value0.flValue;
      if (value == 0.0f && !std::signbit(value)) {
        V_strncpy(number, "0", sizeof(number));
      } else if (value == 1.0f) {
        V_strncpy(number, "1", sizeof(number));
      } else {
        V_snprintf(number, sizeof(number), "%.18g", static_cast<double>(value));
      }
      break;
    }
    case KeyValues::TYPE_UINT64:
      if (m_nFlags & KeyValues::SAVE_UINT64_UNSIGNED) {
        FormatInteger(number, child->m_Value0.u64Value);
      } else {
        FormatInteger(number, static_cast<int64>(child->m_Value0.u64Value));
      }
      break;
    case KeyValues::TYPE_INT64:
      FormatInteger(number, child->m_Value0.i64Value);
      break;
    case KeyValues::TYPE_WSTRING: {
      const char16_t *wide = (child->m_NameTypeFlags & KeyValues::kHeapFlag) ? child->m_Value0.pwszValue
                                                                             : child->m_Value0.inlineWide;
      // Three bytes per unit cover every UTF-8 sequence a UTF-16 text can produce.
      std::string utf8(V_wcslen(wide) * 3 + 1, '\0');
      if (V_UTF16ToUTF8(wide, utf8.data(), static_cast<int>(utf8.size())) == 0) return;
      // Wide names keep their spelling (never lower-cased); they are escaped like any other name.
      WriteValueLine(child, false, utf8.c_str(), level);
      return;
    }
    case KeyValues::TYPE_BINARY_BLOB: {
      static const char kHex[] = "0123456789abcdef";
      const uint8 *bytes = child->m_Value1.pBlob;
      const size_t length = bytes ? static_cast<size_t>(child->m_Value0.blobLength) : 0;
      std::string hex(length * 2, '\0');
      for (size_t i = 0; i < length; ++i) {
        hex[2 * i] = kHex[bytes[i] >> 4];
        hex[2 * i + 1] = kHex[bytes[i] & 0xF];
      }
      WriteValueLine(child, lowerCaseNames, hex.c_str(), level);
      return;
    }
    case KeyValues::TYPE_COLOR:
      Msg("KeyValues::RecursiveSaveToFile: TODO, missing code for TYPE_COLOR.\n");
      return;
    default:
      // Pointers mean nothing in a file; code 8 has no value to write.
      return;
  }
  WriteValueLine(child, lowerCaseNames, number, level);
}

namespace {
// Outside escape mode the reader decides whether a backslash + quote ends a token by what follows
// on the line (see CKeyValuesTokenizer). Two name/value pairs would read back wrongly with the
// value on the name's line, so their value goes on a line of its own: a name holding a quote that
// is followed, after blanks, by the name's end or by what could follow a token ("}", "{", "=",
// "[", "//"), since the value after it would make it look like the end of the name; and a name
// ending with a backslash before a value that starts with a line break (the name's closing quote
// would look like an escaped one).
bool NeedsValueOnOwnLine(const char *name, const char *value) {
  const size_t length = strlen(name);
  for (const char *quote = strchr(name, '"'); quote; quote = strchr(quote + 1, '"')) {
    const char *after = quote + 1 + strspn(quote + 1, " \t");
    // A quote there is written with a backslash, which can follow no token.
    if (*after != '"' && KeyValuesTextCouldFollowToken(after, name + length)) return true;
  }
  if (length == 0 || name[length - 1] != '\\') return false;
  const char after = value[strspn(value, " \t")];
  return after == '\n' || after == '\r';
}
}  // namespace

void CKeyValuesWriter::WriteValueLine(const KeyValues *child, bool lowerCaseName, const char *value,
                                      int level) {
  const bool escapes = child->UsesEscapeSequences();
  const char *name = child->GetName();
  WriteIndent(level);
  WriteQuoted(name, lowerCaseName, escapes);
  if (!escapes && NeedsValueOnOwnLine(name, value)) {
    m_Buffer.PutChar('\n');
    WriteIndent(level);
  } else {
    m_Buffer.Put("\t\t", 2);
  }
  WriteQuoted(value, false, escapes);
  m_Buffer.PutChar('\n');
}

// The reader takes backslash + quote back as a quote (see the tokenizer for the exceptions).
void CKeyValuesWriter::WriteQuoted(const char *text, bool lowerCase, bool escapeBackslashes) {
  const char *specials = escapeBackslashes ? "\"\\" : "\"";
  m_Buffer.PutChar('"');
  while (*text) {
    const int run = static_cast<int>(strcspn(text, specials));
    if (lowerCase) {
      WriteLowerCased(text, run);
    } else {
      m_Buffer.Put(text, run);
    }
    text += run;
    if (*text) {
      const char escaped[2] = {'\\', *text++};
      m_Buffer.Put(escaped, 2);
    }
  }
  m_Buffer.PutChar('"');
}

void CKeyValuesWriter::WriteLowerCased(const char *text, int length) {
  char chunk[256];
  while (length > 0) {
    const int count = length < static_cast<int>(sizeof(chunk)) ? length : static_cast<int>(sizeof(chunk));
    for (int i = 0; i < count; ++i) chunk[i] = V_tolower(text[i]);
    m_Buffer.Put(chunk, count);
    text += count;
    length -= count;
  }
}
