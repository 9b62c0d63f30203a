#include "tier1/keyvalues_text/keyvalues_reader.h"

#include <cstring>

#include "kstdlib/strtools.h"
#include "tier0/dbg.h"
#include "tier1/KeyValues.h"
#include "tier1/keyvalues_text/condition_symbols.h"
#include "tier1/keyvalues_text/keyvalues_tokenizer.h"
#include "tier1/utlbuffer.h"

CKeyValuesReader::CKeyValuesReader(const char *resourceName, CUtlBuffer &buf, KeyValuesParseReport &report)
    : m_pResourceName(resourceName ? resourceName : "NULL"), m_Buffer(buf), m_Report(report) {}

bool CKeyValuesReader::Load(KeyValues *root) {
  if (!root) return false;
  CKeyValuesTokenizer tokenizer(m_Buffer, root->UsesEscapeSequences());
  m_pTokenizer = &tokenizer;
  if (tokenizer.IsReady()) {
    tokenizer.SkipByteOrderMark();
    ReadTopLevel(root);
  } else {
    ReportError("no memory for the token area");
  }
  m_Report.sawComment |= tokenizer.SawComment();
  m_pTokenizer = nullptr;
  if (m_Report.errorCount == 0) return true;
  Warning("Error while parsing text KeyValues for resource %s\n", m_pResourceName);
  return false;
}

// ---------------------------------------------------------------------------------------------
// Top level

void CKeyValuesReader::ReadTopLevel(KeyValues *root) {
  KeyValues *tail = nullptr;   // last accepted top-level node; null while `root` is still free
  KeyValues *spare = nullptr;  // a rejected node, unlinked and emptied, for the next entry
  KeyValuesToken token;
  while (m_Buffer.IsValid()) {
    if (!ReadToken(token) || (token.length == 0 && !token.quoted)) break;
    if (V_stricmp(token.text, "#include") == 0) {
      ReadInclude();
      continue;
    }

    KeyValues *node = root;
    if (tail) {
      node = spare ? spare : new KeyValues(token.text);
      spare = nullptr;
      node->UsesEscapeSequences(root->UsesEscapeSequences());
      // Spliced in, so peers the caller's node already had are kept after the new ones.
      node->m_pPeer = tail->m_pPeer;
      tail->m_pPeer = node;
    }
    if (node->GetNameSymbol() != KeyValues::CallGetSymbolForString(token.text)) node->SetName(token.text);

    bool accepted = true;
    if (ReadTokenAfterCondition(token, accepted) && token.Is('{')) {
      ReadBlock(node, 1);
    } else {
      char message[320];
      V_snprintf(message, sizeof(message), "LoadFromBuffer: missing {   (current key: '%s')",
                 node->GetName());
      ReportError(message);
    }

    if (accepted) {
      tail = node;
      ++m_Report.entries;
    } else {
      if (tail) {
        tail->m_pPeer = node->m_pPeer;
        node->m_pPeer = nullptr;
        spare = node;
      }
      node->Clear();
    }
  }
  if (spare) spare->Destroy();
}

void CKeyValuesReader::ReadInclude() {
  m_Report.sawInclude = true;
  KeyValuesToken file;
  if (!ReadToken(file) || (file.length == 0 && !file.quoted)) {
    ReportError("#include is NULL ");
    return;
  }
  // Included files are no longer read; the entry is dropped with a note, not an error.
  char note[512];
  V_snprintf(note, sizeof(note), "KeyValues don't support #include anymore, file \"%s\"", m_pResourceName);
  AssertMsgFormatted(__FILE__, __LINE__, "%s", note);
  m_Report.notes += note;
  m_Report.notes += '\n';
}

// ---------------------------------------------------------------------------------------------
// Blocks

void CKeyValuesReader::ReadBlock(KeyValues *node, int nesting) {
  PushKey(node->GetNameSymbol());
  PushKey(INVALID_KEY_SYMBOL);
  KeyValues *lastChild = nullptr;  // null: not known, found by walking the list when needed
  KeyValuesToken token;
  for (;;) {
    if (!ReadToken(token)) {
      ReportError("RecursiveLoadFromBuffer:  got EOF instead of keyname");
      break;
    }
    if (token.text[0] == '\0') {
      ReportError("RecursiveLoadFromBuffer:  got empty keyname");
      break;
    }
    if (token.Is('}')) break;
    if (!ReadEntry(node, token.text, lastChild, nesting)) break;
  }
  PopKey();
  PopKey();
}

// Reads what follows the key `keyName` inside `node`. False when the block must end (an error).
bool CKeyValuesReader::ReadEntry(KeyValues *node, const char *keyName, KeyValues *&lastChild, int nesting) {
  KeyValues *child = AppendChild(node, lastChild, keyName);
  SetCurrentKey(child->GetNameSymbol());

  KeyValuesToken token;
  bool accepted = true;
  if (!ReadTokenAfterCondition(token, accepted)) {
    ReportError("RecursiveLoadFromBuffer:  got NULL key");
    return false;
  }
  if (token.Is('=')) {
    bool conditionRead = false;
    const bool present = ReadTokenAfterCondition(token, accepted, &conditionRead);
    if (conditionRead && accepted) RemoveEarlierSibling(node, child, lastChild);
    if (!present) {
      ReportError("RecursiveLoadFromBuffer:  got NULL key");
      return false;
    }
  }
  if (token.Is('}')) {
    ReportError("RecursiveLoadFromBuffer:  got } in key");
    return false;
  }
  if (token.Is('{')) {
    SetCurrentKey(INVALID_KEY_SYMBOL);
    if (nesting >= kMaxNesting) {
      ReportError("RecursiveLoadFromBuffer: nesting too deep");
      SkipBlock();
      accepted = false;
    } else {
      ReadBlock(child, nesting + 1);
    }
    if (!accepted) DropChild(node, child, lastChild);
    return true;
  }
  if (token.conditional) {
    ReportError("RecursiveLoadFromBuffer:  got conditional between key and value");
    return false;
  }

  StoreValue(child, token.text);
  // A condition after the value decides on its own.
  if (m_pTokenizer->NextIfCondition(token)) {
    if (token.overflowed) ReportError(" ReadToken overflow");
    accepted = EvaluateCondition(token);
    if (accepted) RemoveEarlierSibling(node, child, lastChild);
  }
  if (!accepted) DropChild(node, child, lastChild);
  return true;
}

// Consumes a block whose "{" was just read, through its matching "}", without building nodes.
// An empty unquoted token marks the end of the text (a NUL), which is never consumed.
void CKeyValuesReader::SkipBlock() {
  int open = 1;
  KeyValuesToken token;
  while (open > 0 && ReadToken(token) && (token.length > 0 || token.quoted)) {
    if (token.Is('{')) ++open;
    if (token.Is('}')) --open;
  }
}

// Appends without walking the list for every entry: a block of many keys stays linear.
KeyValues *CKeyValuesReader::AppendChild(KeyValues *parent, KeyValues *&lastChild, const char *name) {
  if (parent->GetType() != KeyValues::TYPE_NONE) {
    parent->Clear();
    lastChild = nullptr;
  }
  auto *child = new KeyValues(name);
  child->UsesEscapeSequences(parent->UsesEscapeSequences());
  if (!lastChild) {
    lastChild = parent->m_Value0.pSub;
    while (lastChild && lastChild->m_pPeer) lastChild = lastChild->m_pPeer;
  }
  if (lastChild) {
    lastChild->m_pPeer = child;
  } else {
    parent->m_Value0.pSub = child;
  }
  lastChild = child;
  return child;
}

void CKeyValuesReader::DropChild(KeyValues *parent, KeyValues *child, KeyValues *&lastChild) {
  parent->RemoveSubKey(child);
  child->Destroy();
  lastChild = nullptr;
}

// A conditional entry replaces the first earlier sibling of the same name.
void CKeyValuesReader::RemoveEarlierSibling(KeyValues *parent, KeyValues *child, KeyValues *&lastChild) {
  for (KeyValues *sibling = parent->GetFirstSubKey(); sibling; sibling = sibling->GetNextKey()) {
    if (sibling == child || sibling->GetNameSymbol() != child->GetNameSymbol()) continue;
    DropChild(parent, sibling, lastChild);
    return;
  }
}

namespace {
// Only these characters can make up a value that reads as an int.
bool MayBeInt(const char *text) {
  for (; *text; ++text) {
    const char c = *text;
    if (!((c >= '0' && c <= '9') || c == '+' || c == ',' || c == '-' || c == '.' || c == ' ')) return false;
  }
  return true;
}
}  // namespace

// Plain decimal integers that fit 32 bits become ints; everything else stays text. A leading "0"
// keeps the text ("007"), except "0" itself.
void CKeyValuesReader::StoreValue(KeyValues *child, const char *text) {
  bool isInt = text[0] != '\0' && !(text[0] == '0' && text[1] != '\0') && MayBeInt(text);
  int64 value = 0;
  if (isInt) {
    const char *end = text;
    bool overflow = false;
    value = V_StringToInt64(text, &end, &overflow);
    isInt = end != text && *end == '\0' && !overflow && value >= INT32_MIN && value <= INT32_MAX;
  }
  if (isInt) {
    child->SetInt(nullptr, static_cast<int>(value));
  } else {
    child->SetString(nullptr, text);
  }
}

// ---------------------------------------------------------------------------------------------
// Tokens and conditions

bool CKeyValuesReader::ReadToken(KeyValuesToken &token) {
  if (!m_pTokenizer->Next(token)) return false;
  if (token.overflowed) ReportError(" ReadToken overflow");
  return true;
}

bool CKeyValuesReader::ReadTokenAfterCondition(KeyValuesToken &token, bool &accepted, bool *conditionRead) {
  if (!ReadToken(token)) return false;
  if (!token.conditional) return true;
  if (conditionRead) *conditionRead = true;
  accepted = EvaluateCondition(token);
  return ReadToken(token);
}

bool CKeyValuesReader::EvaluateCondition(const KeyValuesToken &token) {
  m_Report.sawCondition = true;
  CConditionEvaluator evaluator(*this);
  bool result = false;
  evaluator.Evaluate(result, token.text + 1);
  return result;
}

bool CKeyValuesReader::IsSymbolTrue(const char *name) {
  return KeyValuesConditionSymbolIsTrue(name);
}

void CKeyValuesReader::ReportBadToken(const char *text) {
  Warning("%s\n", text);
  m_Report.notes += text;
  m_Report.notes += '\n';
}

// ---------------------------------------------------------------------------------------------
// Error reports

void CKeyValuesReader::ReportError(const char *message) {
  char text[kMaxErrorText + 1];
  size_t length =
      static_cast<size_t>(V_snprintf(text, sizeof(text), "KeyValues Error: %s in file %s [offset: %d]\n",
                                     message, m_pResourceName, m_Buffer.TellGet()));
  // The key path: keys still open, then "(*key*)" for keys already left at deeper levels.
  const int slots = m_nMaxDepth < kErrorStackSize ? m_nMaxDepth : kErrorStackSize;
  for (int i = 0; i < slots; ++i) {
    if (m_KeyStack[i] == INVALID_KEY_SYMBOL) continue;
    const char *name = KeyValuesSystemPlexa()->NameForSymbol(m_KeyStack[i]);
    const char *format = i < m_nDepth ? "%s, " : "(*%s*), ";
    length += static_cast<size_t>(V_snprintf(text + length, sizeof(text) - length, format, name));
  }
  V_snprintf(text + length, sizeof(text) - length, "\n");

  ++m_Report.errorCount;
  m_Report.errors += text;
  if (m_bReportToWarning && !m_bReported) {
    m_bReported = true;
    Warning("%s", text);
  }
}

void CKeyValuesReader::PushKey(HKeySymbol symbol) {
  if (m_nDepth < kErrorStackSize) m_KeyStack[m_nDepth] = symbol;
  ++m_nDepth;
  if (m_nDepth > m_nMaxDepth) m_nMaxDepth = m_nDepth;
}

void CKeyValuesReader::PopKey() {
  if (m_nDepth > 0) --m_nDepth;
}

void CKeyValuesReader::SetCurrentKey(HKeySymbol symbol) {
  if (m_nDepth > 0 && m_nDepth <= kErrorStackSize) m_KeyStack[m_nDepth - 1] = symbol;
}
