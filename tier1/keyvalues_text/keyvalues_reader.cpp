#include "tier1/keyvalues_text/keyvalues_reader.h"

#include <cstring>
#include <unordered_map>
#include <vector>

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
    if (token.TextLength() == 8 && V_strnicmp(token.data, "#include", 8) == 0) {
      ReadInclude();
      continue;
    }

    const HKeySymbol name = KeySymbol(token);
    KeyValues *node = root;
    if (tail) {
      node = spare ? spare : new KeyValues(name);
      spare = nullptr;
      node->UsesEscapeSequences(root->UsesEscapeSequences());
      // Spliced in, so peers the caller's node already had are kept after the new ones.
      node->m_pPeer = tail->m_pPeer;
      tail->m_pPeer = node;
    }
    node->SetNameSymbol(name);

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

// The children of the block being read. Every entry appends a child that may then be dropped
// again or replace the first earlier child of its name, and each of these costs the same however
// many children the block holds: the newest child and the one before it are always known, and
// the first replacement builds an index (each child's neighbours, the children of each name in
// order) that is kept up to date from then on. Nothing else changes the node's children while
// its block is read.
class CKeyValuesReader::BlockChildren {
 public:
  explicit BlockChildren(KeyValues *parent) : m_pParent(parent) {}
  BlockChildren(const BlockChildren &) = delete;
  BlockChildren &operator=(const BlockChildren &) = delete;

  // Appends a new child; the node gives up a value it held for it.
  KeyValues *Append(HKeySymbol name);
  // Unlinks and destroys the newest child.
  void DropNewest();
  // Removes and destroys the first child named like the newest one, unless that is the newest.
  void RemoveEarlierNamesake();

 private:
  struct Slot {
    KeyValues *node;
    int prev;  // neighbours in the list, -1 at its ends
    int next;
    int prevNamesake;  // neighbours among the children of the same name, -1 at their ends
    int nextNamesake;
  };
  struct Namesakes {
    int first;
    int last;
  };

  void Start();
  void BuildIndex();
  void AddSlot(KeyValues *node);
  void RemoveSlot(int index);
  void Unlink(KeyValues *before, KeyValues *node);

  KeyValues *m_pParent;
  bool m_bStarted = false;
  KeyValues *m_pNewest = nullptr;
  KeyValues *m_pBeforeNewest = nullptr;  // meaningful while m_bBeforeNewestKnown
  bool m_bBeforeNewestKnown = true;
  // The index, empty until the first replacement.
  bool m_bIndexed = false;
  std::vector<Slot> m_Slots;  // removed children keep their slot, unlinked
  int m_nNewestSlot = -1;
  std::unordered_map<HKeySymbol, Namesakes> m_Names;
};

// The node's own children (a caller's node may have some) come before the block's.
void CKeyValuesReader::BlockChildren::Start() {
  m_bStarted = true;
  if (m_pParent->GetType() != KeyValues::TYPE_NONE) m_pParent->Clear();
  for (KeyValues *child = m_pParent->m_Value0.pSub; child; child = child->m_pPeer) {
    m_pBeforeNewest = m_pNewest;
    m_pNewest = child;
  }
}

KeyValues *CKeyValuesReader::BlockChildren::Append(HKeySymbol name) {
  if (!m_bStarted) Start();
  auto *child = new KeyValues(name);
  child->UsesEscapeSequences(m_pParent->UsesEscapeSequences());
  (m_pNewest ? m_pNewest->m_pPeer : m_pParent->m_Value0.pSub) = child;
  m_pBeforeNewest = m_pNewest;
  m_bBeforeNewestKnown = true;
  m_pNewest = child;
  if (m_bIndexed) AddSlot(child);
  return child;
}

void CKeyValuesReader::BlockChildren::DropNewest() {
  if (!m_pNewest) return;
  if (m_bIndexed) return RemoveSlot(m_nNewestSlot);
  if (!m_bBeforeNewestKnown) {
    // Only after two drops in a row, which the reader never makes.
    m_pBeforeNewest = nullptr;
    for (KeyValues *child = m_pParent->m_Value0.pSub; child != m_pNewest; child = child->m_pPeer)
      m_pBeforeNewest = child;
  }
  KeyValues *before = m_pBeforeNewest;
  Unlink(before, m_pNewest);
  m_pNewest = before;
  m_bBeforeNewestKnown = false;
}

void CKeyValuesReader::BlockChildren::RemoveEarlierNamesake() {
  if (!m_pNewest) return;
  if (!m_bIndexed) BuildIndex();
  const auto found = m_Names.find(m_pNewest->GetNameSymbol());
  if (found == m_Names.end() || found->second.first == m_nNewestSlot) return;
  RemoveSlot(found->second.first);
}

void CKeyValuesReader::BlockChildren::BuildIndex() {
  m_bIndexed = true;
  for (KeyValues *child = m_pParent->GetFirstSubKey(); child; child = child->m_pPeer) AddSlot(child);
}

void CKeyValuesReader::BlockChildren::AddSlot(KeyValues *node) {
  const int index = static_cast<int>(m_Slots.size());
  m_Slots.push_back({node, m_nNewestSlot, -1, -1, -1});
  if (m_nNewestSlot >= 0) m_Slots[static_cast<size_t>(m_nNewestSlot)].next = index;
  m_nNewestSlot = index;
  const auto [entry, added] = m_Names.try_emplace(node->GetNameSymbol(), Namesakes{index, index});
  if (added) return;
  m_Slots[static_cast<size_t>(entry->second.last)].nextNamesake = index;
  m_Slots.back().prevNamesake = entry->second.last;
  entry->second.last = index;
}

void CKeyValuesReader::BlockChildren::RemoveSlot(int index) {
  const Slot slot = m_Slots[static_cast<size_t>(index)];
  KeyValues *before = slot.prev >= 0 ? m_Slots[static_cast<size_t>(slot.prev)].node : nullptr;
  // The list, in the slots and in the nodes.
  if (slot.prev >= 0) m_Slots[static_cast<size_t>(slot.prev)].next = slot.next;
  if (slot.next >= 0) m_Slots[static_cast<size_t>(slot.next)].prev = slot.prev;
  if (index == m_nNewestSlot) {
    m_nNewestSlot = slot.prev;
    m_pNewest = before;
  }
  // The children of the name.
  const auto names = m_Names.find(slot.node->GetNameSymbol());
  if (slot.prevNamesake >= 0) {
    m_Slots[static_cast<size_t>(slot.prevNamesake)].nextNamesake = slot.nextNamesake;
  } else {
    names->second.first = slot.nextNamesake;
  }
  if (slot.nextNamesake >= 0) {
    m_Slots[static_cast<size_t>(slot.nextNamesake)].prevNamesake = slot.prevNamesake;
  } else {
    names->second.last = slot.prevNamesake;
  }
  if (names->second.first < 0) m_Names.erase(names);
  Unlink(before, slot.node);
}

void CKeyValuesReader::BlockChildren::Unlink(KeyValues *before, KeyValues *node) {
  (before ? before->m_pPeer : m_pParent->m_Value0.pSub) = node->m_pPeer;
  node->m_pPeer = nullptr;
  node->Destroy();
}

void CKeyValuesReader::ReadBlock(KeyValues *node, int nesting) {
  PushKey(node->GetNameSymbol());
  PushKey(INVALID_KEY_SYMBOL);
  BlockChildren children(node);
  KeyValuesToken token;
  for (;;) {
    if (!ReadToken(token)) {
      ReportError("RecursiveLoadFromBuffer:  got EOF instead of keyname");
      break;
    }
    if (token.IsEmptyText()) {
      ReportError("RecursiveLoadFromBuffer:  got empty keyname");
      break;
    }
    if (token.Is('}')) break;
    if (!ReadEntry(children, KeySymbol(token), nesting)) break;
  }
  PopKey();
  PopKey();
}

// Reads what follows the key `keySymbol` inside the block. False when the block must end (an error).
bool CKeyValuesReader::ReadEntry(BlockChildren &children, HKeySymbol keySymbol, int nesting) {
  KeyValues *child = children.Append(keySymbol);
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
    if (conditionRead && accepted) children.RemoveEarlierNamesake();
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
    if (!accepted) children.DropNewest();
    return true;
  }
  if (token.conditional) {
    ReportError("RecursiveLoadFromBuffer:  got conditional between key and value");
    return false;
  }

  StoreValue(child, token.data, token.TextLength());
  // A condition after the value decides on its own.
  if (m_pTokenizer->NextIfCondition(token)) {
    if (token.overflowed) ReportError(" ReadToken overflow");
    accepted = EvaluateCondition(token);
    if (accepted) children.RemoveEarlierNamesake();
  }
  if (!accepted) children.DropNewest();
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

namespace {
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// A plain decimal integer that fits 32 bits, as strtoll reads it: leading spaces, a sign, digits,
// and nothing after them. A leading "0" keeps the text ("007"), except "0" itself. (Only digits,
// "+", ",", "-", "." and spaces may make up such a value; a text that reads whole this way holds
// nothing else.)
bool ReadsAsInt(const char *text, int length, int &value) {
  if (length == 0 || (text[0] == '0' && length > 1)) return false;
  int i = 0;
  while (i < length && text[i] == ' ') ++i;
  const bool negative = i < length && text[i] == '-';
  if (i < length && (text[i] == '+' || text[i] == '-')) ++i;
  if (i == length || !IsDigit(text[i])) return false;
  int64 magnitude = 0;
  for (; i < length && IsDigit(text[i]); ++i) {
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > -static_cast<int64>(INT32_MIN)) return false;
  }
  if (i != length) return false;
  const int64 signedValue = negative ? -magnitude : magnitude;
  if (signedValue > INT32_MAX) return false;
  value = static_cast<int>(signedValue);
  return true;
}
}  // namespace

// Plain decimal integers that fit 32 bits become ints; everything else stays text, stored straight
// from the token (which mostly stands in the text itself).
void CKeyValuesReader::StoreValue(KeyValues *child, const char *text, int length) {
  int value = 0;
  if (ReadsAsInt(text, length, value)) {
    child->RemoveEverything();
    child->m_Value0.iValue = value;
    child->SetType(KeyValues::TYPE_INT);
  } else {
    child->StoreString(text, static_cast<size_t>(length));
  }
}

HKeySymbol CKeyValuesReader::KeySymbol(KeyValuesToken &token) {
  if (!token.inPlace || token.length == 0) return KeyValues::InternSymbol(m_pTokenizer->Text(token));
  const char *text = token.data;
  const int length = token.length;
  const uint32 hash = CKeyNameCache::Hash(text, length);
  HKeySymbol symbol = m_Names.Find(text, length, hash);
  if (symbol != INVALID_KEY_SYMBOL) return symbol;
  symbol = KeyValues::InternSymbol(m_pTokenizer->Text(token));
  m_Names.Add(text, length, hash, symbol);
  return symbol;
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

bool CKeyValuesReader::EvaluateCondition(KeyValuesToken &token) {
  m_Report.sawCondition = true;
  CConditionEvaluator evaluator(*this);
  bool result = false;
  evaluator.Evaluate(result, m_pTokenizer->Text(token) + 1);
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
  KeyValuesErrorPlace place = PlaceOfGetOffset();
  place.end = m_Report.errors.size();
  m_Report.places.push_back(place);
  if (m_bReportToWarning && !m_bReported) {
    m_bReported = true;
    Warning("%s", text);
  }
}

KeyValuesErrorPlace CKeyValuesReader::PlaceOfGetOffset() {
  const char *text = static_cast<const char *>(m_Buffer.Base());
  int offset = m_Buffer.TellGet();
  if (offset > m_Buffer.TellMaxPut()) offset = m_Buffer.TellMaxPut();
  if (!text || offset < 0) offset = 0;
  if (offset < m_nCountedTo) {
    m_nCountedTo = 0;
    m_Counted = {};
  }
  // A byte order mark is no character an editor shows.
  if (m_nCountedTo == 0 && offset >= 3 && memcmp(text, "\xEF\xBB\xBF", 3) == 0) m_nCountedTo = 3;
  for (int i = m_nCountedTo; i < offset; ++i) {
    if (text[i] == '\n') {
      ++m_Counted.line;
      m_Counted.column = 1;
    } else {
      // UTF-8 continuation bytes do not start a character.
      m_Counted.column += (text[i] & 0xC0) != 0x80;
    }
  }
  m_nCountedTo = offset;
  return m_Counted;
}

std::string KeyValuesErrorsWithPlaces(const KeyValuesParseReport &report) {
  std::string placed;
  size_t from = 0;
  for (const KeyValuesErrorPlace &place : report.places) {
    if (place.end < from || place.end > report.errors.size()) break;
    placed.append(report.errors, from, place.end - from);
    // A report cut at its longest length lacks its line end.
    if (!placed.empty() && placed.back() != '\n') placed += '\n';
    placed += "  at line " + std::to_string(place.line) + ", column " + std::to_string(place.column) + "\n";
    from = place.end;
  }
  placed += report.errors.substr(from < report.errors.size() ? from : report.errors.size());
  return placed;
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
