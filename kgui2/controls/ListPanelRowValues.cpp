// ListPanelRowValues: building a row's compact values in one pass over its record, making the
// record again from them, and reading a row's values in either form.
#include "ListPanelRowValues.h"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "kstdlib/strtools.h"

namespace kgui {
namespace {

// Cache lines after a record read ahead of its nodes.
constexpr int kPrefetchLines = 8;

// What the first pass learns of a value: everything but the length of its text.
struct PendingValue {
  uint32 symbolTypeFlags;
  uint64 word;  // the value, or where its text lies in the record
};

uint32 NodeFlags(HKeySymbol symbol, KeyValues::types_t type, bool escapes) {
  return (static_cast<uint32>(symbol) & KEY_SYMBOL_MASK) |
         (static_cast<uint32>(type) << ListPanelRowValues::kTypeShift) |
         (escapes ? ListPanelRowValues::kEscapeFlag : 0u);
}

size_t WideLength(const char16_t *text) {
  size_t length = 0;
  while (text[length]) ++length;
  return length;
}

size_t AlignUp(size_t offset, size_t alignment) {
  return (offset + alignment - 1) & ~(alignment - 1);
}

bool IsWide(KeyValues::types_t type) {
  return type == KeyValues::TYPE_UINT64 || type == KeyValues::TYPE_PTR;
}

// A number-like value as the block keeps it in one word: ints and floats by their 32 bits, a colour
// as r | g << 8 | b << 16 | a << 24, 64-bit values and pointers whole.
uint64 NumberWord(KeyValues *node, KeyValues::types_t type) {
  switch (type) {
    case KeyValues::TYPE_INT:
      return static_cast<uint32>(node->GetInt());
    case KeyValues::TYPE_FLOAT: {
      const float number = node->GetFloat();
      uint32 bits = 0;
      memcpy(&bits, &number, sizeof(bits));
      return bits;
    }
    case KeyValues::TYPE_COLOR: {
      const Color color = node->GetColor();
      return static_cast<uint32>(color[0] | (color[1] << 8) | (color[2] << 16)) |
             (static_cast<uint32>(color[3]) << 24);
    }
    case KeyValues::TYPE_UINT64:
      return node->GetUint64();
    case KeyValues::TYPE_PTR:
      return reinterpret_cast<uintptr_t>(node->GetPtr());
    default:
      return 0;
  }
}

// Reads the values of `record` into `pending`; false when one of them has no place in the block.
bool ReadValues(KeyValues *record, std::vector<PendingValue> &pending) {
  pending.clear();
  for (KeyValues *node = record->GetFirstSubKey(); node; node = node->GetNextKey()) {
    const KeyValues::types_t type = node->GetDataType();
    PendingValue value{NodeFlags(node->GetNameSymbol(), type, node->UsesEscapeSequences()), 0};
    switch (type) {
      case KeyValues::TYPE_STRING: {
        const char *text = node->GetString();
        // The texts are read in the second pass: ask for them now so that their misses overlap.
        __builtin_prefetch(text);
        value.word = reinterpret_cast<uintptr_t>(text);
        break;
      }
      case KeyValues::TYPE_WSTRING: {
        const char16_t *text = node->GetWString();
        __builtin_prefetch(text);
        value.word = reinterpret_cast<uintptr_t>(text);
        break;
      }
      case KeyValues::TYPE_INT:
      case KeyValues::TYPE_FLOAT:
      case KeyValues::TYPE_COLOR:
      case KeyValues::TYPE_UINT64:
      case KeyValues::TYPE_PTR:
        value.word = NumberWord(node, type);
        break;
      default:
        // Subkeys, signed 64-bit values, blobs: the record is kept whole.
        return false;
    }
    pending.push_back(value);
  }
  return true;
}

}  // namespace

// ---- building

ListPanelRowValues *ListPanelRowValues::Build(KeyValues *record) {
  // Only the GUI thread builds rows; the scratch keeps its room from row to row.
  static std::vector<PendingValue> s_Pending;
  static std::vector<size_t> s_Lengths;
  // A record built in one go has its nodes side by side after it in the allocator's slabs: asking
  // for those lines before the record's own overlaps the misses that walking the list would take
  // one after another. (Where the nodes lie elsewhere this costs a little bandwidth, nothing else.)
  for (int line = 0; line <= kPrefetchLines; ++line)
    __builtin_prefetch(reinterpret_cast<const char *>(record) + line * 64);
  if (!record || record->GetDataType() != KeyValues::TYPE_NONE || !ReadValues(record, s_Pending))
    return nullptr;

  // Lay out the block: entries, 64-bit values, wide texts, texts.
  const size_t count = s_Pending.size();
  s_Lengths.resize(count);
  size_t words = 0, wideUnits = 0, textBytes = 0;
  for (size_t i = 0; i < count; ++i) {
    const KeyValues::types_t type = TypeOf(Entry{s_Pending[i].symbolTypeFlags, 0});
    if (IsWide(type)) ++words;
    if (type == KeyValues::TYPE_WSTRING) {
      s_Lengths[i] = WideLength(reinterpret_cast<const char16_t *>(s_Pending[i].word)) + 1;
      wideUnits += s_Lengths[i];
    } else if (type == KeyValues::TYPE_STRING) {
      s_Lengths[i] = strlen(reinterpret_cast<const char *>(s_Pending[i].word)) + 1;
      textBytes += s_Lengths[i];
    }
  }
  const size_t wordsAt = AlignUp(sizeof(ListPanelRowValues) + count * sizeof(Entry), sizeof(uint64));
  const size_t wideAt = wordsAt + words * sizeof(uint64);
  size_t textAt = wideAt + wideUnits * sizeof(char16_t);
  const size_t size = textAt + textBytes;
  // Offsets are 32-bit: a record beyond 4 GB is kept whole.
  if (size > std::numeric_limits<uint32>::max()) return nullptr;

  void *memory = std::malloc(size);
  if (!memory) throw std::bad_alloc();
  auto *values = new (memory) ListPanelRowValues();
  values->m_NameFlags =
      NodeFlags(record->GetNameSymbol(), KeyValues::TYPE_NONE, record->UsesEscapeSequences());
  values->m_nEntries = static_cast<uint32>(count);
  auto *bytes = static_cast<uint8 *>(memory);
  auto *entries = reinterpret_cast<Entry *>(values + 1);
  size_t wordAt = wordsAt, wideNext = wideAt;
  for (size_t i = 0; i < count; ++i) {
    const PendingValue &pending = s_Pending[i];
    Entry &entry = entries[i];
    entry.symbolTypeFlags = pending.symbolTypeFlags;
    const KeyValues::types_t type = TypeOf(entry);
    if (IsWide(type)) {
      memcpy(bytes + wordAt, &pending.word, sizeof(uint64));
      entry.payload = static_cast<uint32>(wordAt);
      wordAt += sizeof(uint64);
    } else if (type == KeyValues::TYPE_WSTRING) {
      memcpy(bytes + wideNext, reinterpret_cast<const void *>(pending.word), s_Lengths[i] * sizeof(char16_t));
      entry.payload = static_cast<uint32>(wideNext);
      wideNext += s_Lengths[i] * sizeof(char16_t);
    } else if (type == KeyValues::TYPE_STRING) {
      memcpy(bytes + textAt, reinterpret_cast<const void *>(pending.word), s_Lengths[i]);
      entry.payload = static_cast<uint32>(textAt);
      textAt += s_Lengths[i];
    } else {
      entry.payload = static_cast<uint32>(pending.word);
    }
  }
  return values;
}

void ListPanelRowValues::Free(ListPanelRowValues *values) {
  std::free(values);
}

// ---- reading

const ListPanelRowValues::Entry *ListPanelRowValues::Find(HKeySymbol symbol) const {
  const uint32 wanted = static_cast<uint32>(symbol) & KEY_SYMBOL_MASK;
  const Entry *entries = Entries();
  for (uint32 i = 0; i < m_nEntries; ++i) {
    if ((entries[i].symbolTypeFlags & KEY_SYMBOL_MASK) == wanted) return &entries[i];
  }
  return nullptr;
}

const char16_t *ListPanelRowValues::WideText(const Entry &entry) const {
  return reinterpret_cast<const char16_t *>(Bytes() + entry.payload);
}

uint64 ListPanelRowValues::Word(const Entry &entry) const {
  if (!IsWide(TypeOf(entry))) return entry.payload;
  uint64 word = 0;
  memcpy(&word, Bytes() + entry.payload, sizeof(word));
  return word;
}

// ---- making records

KeyValues *ListPanelRowValues::MakeNode(const Entry &entry) const {
  auto *node = new KeyValues(static_cast<HKeySymbol>(entry.symbolTypeFlags & KEY_SYMBOL_MASK));
  node->UsesEscapeSequences((entry.symbolTypeFlags & kEscapeFlag) != 0);
  const uint64 word = Word(entry);
  switch (TypeOf(entry)) {
    case KeyValues::TYPE_STRING:
      node->SetString(nullptr, Text(entry));
      break;
    case KeyValues::TYPE_WSTRING:
      node->SetWString(nullptr, WideText(entry));
      break;
    case KeyValues::TYPE_INT:
      node->SetInt(nullptr, static_cast<int32>(static_cast<uint32>(word)));
      break;
    case KeyValues::TYPE_FLOAT: {
      const uint32 bits = static_cast<uint32>(word);
      float number = 0.0f;
      memcpy(&number, &bits, sizeof(number));
      node->SetFloat(nullptr, number);
      break;
    }
    case KeyValues::TYPE_COLOR:
      node->SetColor(nullptr,
                     Color(static_cast<int>(word & 0xFF), static_cast<int>((word >> 8) & 0xFF),
                           static_cast<int>((word >> 16) & 0xFF), static_cast<int>((word >> 24) & 0xFF)));
      break;
    case KeyValues::TYPE_UINT64:
      node->SetUint64(nullptr, word);
      break;
    case KeyValues::TYPE_PTR:
      node->SetPtr(nullptr, reinterpret_cast<void *>(static_cast<uintptr_t>(word)));
      break;
    default:
      break;
  }
  return node;
}

KeyValues *ListPanelRowValues::MakeRecord() const {
  auto *record = new KeyValues(static_cast<HKeySymbol>(m_NameFlags & KEY_SYMBOL_MASK));
  record->UsesEscapeSequences((m_NameFlags & kEscapeFlag) != 0);
  // Each node is linked after the one before: adding through the record walks its whole list.
  KeyValues *last = nullptr;
  const Entry *entries = Entries();
  for (uint32 i = 0; i < m_nEntries; ++i) {
    KeyValues *node = MakeNode(entries[i]);
    if (last)
      last->SetNextKey(node);
    else
      record->AddSubKey(node);
    last = node;
  }
  return record;
}

KeyValues *ListPanelItem::GetRecord() const {
  if (!m_pKV && m_pValues) {
    m_pKV = m_pValues->MakeRecord();
    ListPanelRowValues::Free(m_pValues);
    m_pValues = nullptr;
  }
  return m_pKV;
}

// ---- one value of a row

float ListPanelValue::Float() const {
  const uint32 bits = static_cast<uint32>(word);
  float number = 0.0f;
  memcpy(&number, &bits, sizeof(number));
  return number;
}

int ListPanelValue::ReadInt() const {
  if (type == KeyValues::TYPE_INT) return Int();
  KeyValues::ConversionStatus status = KeyValues::Success;
  if (node) return node->GetInt(nullptr, 0, &status);
  if (!entry) return 0;  // the record itself holds no value
  // Conversions (and their reports) are the node's own.
  KeyValuesAD copy(values->MakeNode(*entry));
  return copy->GetInt(nullptr, 0, &status);
}

std::string ListPanelValue::ConvertedText() const {
  KeyValuesAD copy(node ? node->MakeCopy() : (entry ? values->MakeNode(*entry) : nullptr));
  return copy ? copy->GetString() : "";
}

bool ListPanelValue::Find(const ListPanelItem &item, HKeySymbol symbol, ListPanelValue &value) {
  value = ListPanelValue();
  if (const ListPanelRowValues *values = item.m_pValues) {
    // The record's own node holds no value when it is kept compactly.
    if ((symbol & KEY_SYMBOL_MASK) == INVALID_KEY_SYMBOL) return true;
    const ListPanelRowValues::Entry *entry = values->Find(symbol);
    if (!entry) return false;
    value.values = values;
    value.entry = entry;
    value.type = ListPanelRowValues::TypeOf(*entry);
    if (value.type == KeyValues::TYPE_STRING)
      value.text = values->Text(*entry);
    else if (value.type == KeyValues::TYPE_WSTRING)
      value.wide = values->WideText(*entry);
    else
      value.word = values->Word(*entry);
    return true;
  }
  if (!item.m_pKV) return false;
  KeyValues *node = item.m_pKV->FindKey(symbol);
  if (!node) return false;
  value.node = node;
  value.type = node->GetDataType();
  switch (value.type) {
    case KeyValues::TYPE_STRING:
      value.text = node->GetString();
      break;
    case KeyValues::TYPE_WSTRING:
      value.wide = node->GetWString();
      break;
    case KeyValues::TYPE_INT:
    case KeyValues::TYPE_FLOAT:
    case KeyValues::TYPE_UINT64:
    case KeyValues::TYPE_PTR:
      value.word = NumberWord(node, value.type);
      break;
    default:
      break;  // read through the node when needed
  }
  return true;
}

}  // namespace kgui
