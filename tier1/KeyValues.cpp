// KeyValues: construction, names, lookup, structure, copying, equality and the writers.
// The typed readers live in keyvalues_convert.cpp; the text form in keyvalues_text/.
#include "tier1/KeyValues.h"

#include <cstring>
#include <new>
#include <string>

#include "kstdlib/strtools.h"
#include "tier0/dbg.h"
#include "tier0/memalloc.h"

namespace {

// Longest path component looked up; longer ones are cut.
constexpr size_t kMaxComponentLength = 1023;

IKeyValuesSystem *Symbols() {
  return KeyValuesSystemPlexa();
}

void *AllocOrThrow(size_t size) {
  void *memory = g_pMemAllocPlexa->Alloc(size);
  if (!memory) throw std::bad_alloc();
  return memory;
}

}  // namespace

// --- construction and destruction

KeyValues::KeyValues(const char *name) {
  SetNameSymbol(InternSymbol(name));
}

KeyValues::KeyValues(HKeySymbol nameSymbol) {
  SetNameSymbol(nameSymbol & kSymbolMask);
}

KeyValues::KeyValues(const char *name, const char *key1, const char *text1) : KeyValues(name) {
  SetString(key1, text1);
}

KeyValues::KeyValues(const char *name, const char *key1, const char *text1, const char *key2,
                     const char *text2)
    : KeyValues(name) {
  SetString(key1, text1);
  SetString(key2, text2);
}

KeyValues::KeyValues(const char *name, const char *key1, int int1) : KeyValues(name) {
  SetInt(key1, int1);
}

KeyValues::KeyValues(const char *name, const char *key1, int int1, const char *key2, int int2)
    : KeyValues(name) {
  SetInt(key1, int1);
  SetInt(key2, int2);
}

KeyValues::KeyValues(const char *name, const char *key1, const char16_t *wtext1) : KeyValues(name) {
  SetWString(key1, wtext1);
}

KeyValues::KeyValues(const char *name, const char *key1, uint64 u64value1) : KeyValues(name) {
  SetUint64(key1, u64value1);
}

KeyValues::~KeyValues() {
  RemoveEverything();
  // Peers go one at a time, each unlinked first, so a long list never nests destructors.
  KeyValues *peer = m_pPeer;
  m_pPeer = nullptr;
  while (peer && peer != this) {
    KeyValues *next = peer->m_pPeer;
    peer->m_pPeer = nullptr;
    delete peer;
    peer = next;
  }
}

void *KeyValues::operator new(size_t size) {
  return AllocOrThrow(size);
}

void KeyValues::operator delete(void *memory) {
  if (memory) g_pMemAllocPlexa->Free(memory);
}

void KeyValues::Destroy() {
  delete this;
}

void KeyValues::RemoveEverything() {
  switch (GetType()) {
    case TYPE_NONE:
      delete m_Value0.pSub;
      break;
    case TYPE_STRING:
    case TYPE_WSTRING:
      if (IsHeapValue()) g_pMemAllocPlexa->Free(m_Value0.pValue);
      break;
    case TYPE_BINARY_BLOB:
      if (m_Value1.pBlob) g_pMemAllocPlexa->Free(m_Value1.pBlob);
      break;
    default:
      break;
  }
  m_Value0.u64Value = 0;
  m_Value1.raw = 0;
  SetHeapValue(false);
  SetType(TYPE_NONE);
}

void KeyValues::Clear() {
  RemoveEverything();
}

// --- names

HKeySymbol KeyValues::InternSymbol(const char *name) {
  if (!name || !*name) return INVALID_KEY_SYMBOL;
  return Symbols()->InternName(name, nullptr) & kSymbolMask;
}

const char *KeyValues::GetName() const {
  const HKeySymbol symbol = GetNameSymbol();
  if (symbol == INVALID_KEY_SYMBOL) return "";
  const char *name = Symbols()->NameForSymbol(symbol);
  return name ? name : "";
}

HKeySymbol KeyValues::GetNameSymbol() const {
  return static_cast<HKeySymbol>(m_NameTypeFlags & kSymbolMask);
}

void KeyValues::SetName(const char *name) {
  SetNameSymbol(InternSymbol(name));
}

HKeySymbol KeyValues::CallGetSymbolForString(const char *name, bool create) {
  if (!name) return INVALID_KEY_SYMBOL;
  return Symbols()->SymbolForName(name, create);
}

bool KeyValues::UsesEscapeSequences() const {
  return (m_NameTypeFlags & kEscapeFlag) != 0;
}

void KeyValues::UsesEscapeSequences(bool state) {
  m_NameTypeFlags = state ? (m_NameTypeFlags | kEscapeFlag) : (m_NameTypeFlags & ~kEscapeFlag);
}

// --- iteration

KeyValues *KeyValues::GetFirstSubKey() const {
  return GetType() == TYPE_NONE ? m_Value0.pSub : nullptr;
}

KeyValues *KeyValues::GetFirstTrueSubKey() const {
  KeyValues *child = GetFirstSubKey();
  while (child && child->GetType() != TYPE_NONE) child = child->m_pPeer;
  return child;
}

KeyValues *KeyValues::GetNextTrueSubKey() const {
  KeyValues *peer = m_pPeer;
  while (peer && peer->GetType() != TYPE_NONE) peer = peer->m_pPeer;
  return peer;
}

KeyValues *KeyValues::GetFirstValue() const {
  KeyValues *child = GetFirstSubKey();
  while (child && child->GetType() == TYPE_NONE) child = child->m_pPeer;
  return child;
}

KeyValues *KeyValues::GetNextValue() const {
  KeyValues *peer = m_pPeer;
  while (peer && peer->GetType() == TYPE_NONE) peer = peer->m_pPeer;
  return peer;
}

// --- lookup and structure

KeyValues *KeyValues::FindKey(const char *keyName, bool create) {
  KeyValues *node = this;
  // One path component per turn; an empty component stays on the current node.
  while (node && keyName && *keyName) {
    const char *slash = strchr(keyName, '/');
    if (!slash) return node->FindOrCreateChild(CallGetSymbolForString(keyName, create), create);
    char component[kMaxComponentLength + 1];
    const size_t length = static_cast<size_t>(slash - keyName);
    V_strncpy(component, keyName, (length < kMaxComponentLength ? length : kMaxComponentLength) + 1);
    if (component[0]) node = node->FindOrCreateChild(CallGetSymbolForString(component, create), create);
    keyName = slash + 1;
  }
  return node;
}

KeyValues *KeyValues::FindKey(HKeySymbol keySymbol, bool create) const {
  auto *self = const_cast<KeyValues *>(this);
  if ((keySymbol & kSymbolMask) == INVALID_KEY_SYMBOL) return self;
  return self->FindOrCreateChild(keySymbol & kSymbolMask, create);
}

KeyValues *KeyValues::FindChild(HKeySymbol symbol) const {
  for (KeyValues *child = GetFirstSubKey(); child; child = child->m_pPeer)
    if (child->GetNameSymbol() == symbol) return child;
  return nullptr;
}

KeyValues *KeyValues::FindOrCreateChild(HKeySymbol symbol, bool create) {
  if (symbol == INVALID_KEY_SYMBOL) return nullptr;
  KeyValues *child = FindChild(symbol);
  if (child || !create) return child;
  child = new KeyValues(symbol);
  child->UsesEscapeSequences(UsesEscapeSequences());
  AppendChildChain(child);
  return child;
}

KeyValues *KeyValues::CreateKey(const char *keyName) {
  auto *child = new KeyValues(keyName);
  child->UsesEscapeSequences(UsesEscapeSequences());
  AppendChildChain(child);
  return child;
}

void KeyValues::AddSubKey(KeyValues *subKey) {
  if (subKey) AppendChildChain(subKey);
}

void KeyValues::AppendChildChain(KeyValues *chain) {
  if (chain == this) {
    AssertMsg(false, "KeyValues::AddSubKey: a node cannot be its own child");
    return;
  }
  if (GetType() != TYPE_NONE) RemoveEverything();
  if (!m_Value0.pSub) {
    m_Value0.pSub = chain;
    return;
  }
  KeyValues *last = m_Value0.pSub;
  for (;;) {
    // Linking a node that is already in the list would close a loop.
    if (last == chain) {
      AssertMsg(false, "KeyValues::AddSubKey: node is already a child");
      return;
    }
    if (!last->m_pPeer) break;
    last = last->m_pPeer;
  }
  last->m_pPeer = chain;
}

KeyValues *KeyValues::RemoveSubKey(KeyValues *subKey) {
  if (!subKey) return nullptr;
  KeyValues **link = GetType() == TYPE_NONE ? &m_Value0.pSub : nullptr;
  while (link && *link && *link != subKey) link = &(*link)->m_pPeer;
  if (link && *link == subKey) *link = subKey->m_pPeer;
  subKey->m_pPeer = nullptr;
  return subKey;
}

KeyValues *KeyValues::MakeCopy() const {
  auto *copy = new KeyValues(GetNameSymbol());
  copy->UsesEscapeSequences(UsesEscapeSequences());
  copy->CopyValueFrom(*this);
  return copy;
}

void KeyValues::CopySubkeys(KeyValues *target) const {
  if (!target) return;
  // Copy first, link after: the target may be this node or lie inside it.
  KeyValues *chain = CopyChildChain();
  if (chain) target->AppendChildChain(chain);
}

KeyValues *KeyValues::CopyChildChain() const {
  KeyValues *head = nullptr;
  KeyValues *tail = nullptr;
  for (const KeyValues *child = GetFirstSubKey(); child; child = child->m_pPeer) {
    KeyValues *copy = child->MakeCopy();
    (tail ? tail->m_pPeer : head) = copy;
    tail = copy;
  }
  return head;
}

void KeyValues::CopyValueFrom(const KeyValues &source) {
  switch (source.GetType()) {
    case TYPE_NONE:
      AppendChildChain(source.CopyChildChain());
      break;
    case TYPE_STRING:
      StoreString(source.StringValue());
      break;
    case TYPE_WSTRING:
      StoreWString(source.WStringValue());
      break;
    case TYPE_BINARY_BLOB:
      StoreBlob(source.m_Value1.pBlob, source.m_Value1.pBlob ? source.m_Value0.blobLength : 0);
      break;
    default:
      // Plain words: numbers, colour bytes, the unowned pointer.
      RemoveEverything();
      m_Value0.u64Value = source.m_Value0.u64Value;
      m_Value1.raw = source.m_Value1.raw;
      SetType(source.GetType());
      break;
  }
}

bool KeyValues::IsEqual(const KeyValues *other) const {
  if (!other || other->GetType() != GetType()) return false;
  switch (GetType()) {
    case TYPE_NONE: {
      const KeyValues *mine = GetFirstSubKey();
      const KeyValues *theirs = other->GetFirstSubKey();
      for (; mine && theirs; mine = mine->m_pPeer, theirs = theirs->m_pPeer)
        if (!mine->IsEqual(theirs)) return false;
      return !mine && !theirs;
    }
    case TYPE_STRING:
      return strcmp(StringValue(), other->StringValue()) == 0;
    case TYPE_WSTRING:
      return V_wcscmp(WStringValue(), other->WStringValue()) == 0;
    case TYPE_INT:
      return m_Value0.iValue == other->m_Value0.iValue;
    case TYPE_PTR:
      return m_Value0.pValue == other->m_Value0.pValue;
    case TYPE_FLOAT:
      return m_Value0.flValue == other->m_Value0.flValue;
    case TYPE_UINT64:
    case TYPE_INT64:
      return m_Value0.u64Value == other->m_Value0.u64Value && m_Value1.raw == other->m_Value1.raw;
    default:
      // Colour, blobs and code 8 have no comparison: reported, and taken as equal.
      Assert(false);
      return true;
  }
}

KeyValues::types_t KeyValues::GetDataType(const char *keyName) {
  const KeyValues *node = FindKey(keyName, false);
  return node ? node->GetType() : TYPE_NONE;
}

bool KeyValues::IsEmpty(const char *keyName) {
  const KeyValues *node = FindKey(keyName, false);
  return !node || (node->GetType() == TYPE_NONE && !node->m_Value0.pSub);
}

// --- value storage

void KeyValues::StoreString(const char *text) {
  if (!text) text = "";
  StoreString(text, strlen(text));
}

void KeyValues::StoreString(const char *text, size_t length) {
  const size_t bytes = length + 1;
  if (bytes <= kInlineBytes) {
    char inlineCopy[kInlineBytes];
    memcpy(inlineCopy, text, length);
    inlineCopy[length] = '\0';
    RemoveEverything();
    memcpy(m_Value0.inlineText, inlineCopy, bytes);
  } else {
    auto *heapCopy = static_cast<char *>(AllocOrThrow(bytes));
    memcpy(heapCopy, text, length);
    heapCopy[length] = '\0';
    RemoveEverything();
    m_Value0.pszValue = heapCopy;
    SetHeapValue(true);
  }
  SetType(TYPE_STRING);
}

void KeyValues::StoreWString(const char16_t *text) {
  if (!text) text = u"";
  const size_t bytes = (V_wcslen(text) + 1) * sizeof(char16_t);
  if (bytes <= sizeof(m_Value0.inlineWide)) {
    char16_t inlineCopy[kInlineWideUnits];
    memcpy(inlineCopy, text, bytes);
    RemoveEverything();
    memcpy(m_Value0.inlineWide, inlineCopy, bytes);
  } else {
    auto *heapCopy = static_cast<char16_t *>(AllocOrThrow(bytes));
    memcpy(heapCopy, text, bytes);
    RemoveEverything();
    m_Value0.pwszValue = heapCopy;
    SetHeapValue(true);
  }
  SetType(TYPE_WSTRING);
}

void KeyValues::StoreBlob(const void *bytes, size_t length) {
  if (!bytes) length = 0;
  auto *buffer = static_cast<uint8 *>(AllocOrThrow(length + 1));
  if (length) memcpy(buffer, bytes, length);
  buffer[length] = 0;
  RemoveEverything();
  m_Value0.blobLength = length;
  m_Value1.pBlob = buffer;
  SetType(TYPE_BINARY_BLOB);
}

const char *KeyValues::BlobText() const {
  return m_Value1.pBlob ? reinterpret_cast<const char *>(m_Value1.pBlob) : "";
}

// --- writers

void KeyValues::SetInt(const char *keyName, int value) {
  if (KeyValues *node = FindKey(keyName, true)) {
    node->RemoveEverything();
    node->m_Value0.iValue = value;
    node->SetType(TYPE_INT);
  }
}

void KeyValues::SetUint64(const char *keyName, uint64 value) {
  if (KeyValues *node = FindKey(keyName, true)) {
    node->RemoveEverything();
    node->m_Value0.u64Value = value;
    node->SetType(TYPE_UINT64);
  }
}

void KeyValues::SetInt64(const char *keyName, int64 value) {
  if (KeyValues *node = FindKey(keyName, true)) {
    node->RemoveEverything();
    node->m_Value0.i64Value = value;
    node->SetType(TYPE_INT64);
  }
}

void KeyValues::SetFloat(const char *keyName, float value) {
  if (KeyValues *node = FindKey(keyName, true)) {
    node->RemoveEverything();
    node->m_Value0.flValue = value;
    node->SetType(TYPE_FLOAT);
  }
}

void KeyValues::SetPtr(const char *keyName, void *value) {
  if (KeyValues *node = FindKey(keyName, true)) {
    node->RemoveEverything();
    node->m_Value0.pValue = value;
    node->SetType(TYPE_PTR);
  }
}

void KeyValues::SetColor(const char *keyName, Color value) {
  if (KeyValues *node = FindKey(keyName, true)) {
    node->RemoveEverything();
    for (int i = 0; i < 4; ++i) node->m_Value0.color[i] = value[i];
    node->SetType(TYPE_COLOR);
  }
}

// Creating a missing path may release a value on the way, and the text may live in it: such a
// text is copied before the path is created.
void KeyValues::SetString(const char *keyName, const char *value) {
  if (KeyValues *node = FindKey(keyName, false)) return node->StoreString(value);
  const std::string copy = value ? value : "";
  if (KeyValues *node = FindKey(keyName, true)) node->StoreString(copy.c_str());
}

void KeyValues::SetWString(const char *keyName, const char16_t *value) {
  if (KeyValues *node = FindKey(keyName, false)) return node->StoreWString(value);
  const std::u16string copy = value ? value : u"";
  if (KeyValues *node = FindKey(keyName, true)) node->StoreWString(copy.c_str());
}

void KeyValues::SetBinaryBlob(const char *keyName, const void *bytes, size_t length) {
  if (KeyValues *node = FindKey(keyName, false)) return node->StoreBlob(bytes, length);
  const std::string copy = bytes ? std::string(static_cast<const char *>(bytes), length) : std::string();
  if (KeyValues *node = FindKey(keyName, true)) node->StoreBlob(copy.data(), copy.size());
}
