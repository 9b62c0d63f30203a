// KeyValues: the one hierarchical record of the system. A node has a name and either one typed
// value or an ordered list of children. Nodes and everything they own come from the shared
// allocator, so a tree built in one binary can be destroyed in another.
//
// Node layout (32 bytes, shared with the host runtime):
//   bytes  0- 7  value word 0: first child, int, float bits, pointer, colour bytes, 64-bit value,
//                blob length, heap string pointer, or an inline string of up to 8 bytes with NUL
//   bytes  8-15  value word 1: the blob's byte buffer
//   bytes 16-19  bits 0-23 name symbol, 24-27 type, 28-29 zero, 30 escape flag, 31 heap flag
//   bytes 20-23  reserved (zero)
//   bytes 24-31  next peer
#pragma once

#include <memory>
#include <string>

#include "kstdlib/ikeyvaluessystem.h"
#include "tier0/platform.h"
#include "tier1/color.h"

class CUtlBuffer;
class IFileSystem;

class KeyValues {
 public:
  enum types_t {
    TYPE_NONE = 0,
    TYPE_STRING = 1,
    TYPE_INT = 2,
    TYPE_FLOAT = 3,
    TYPE_PTR = 4,
    TYPE_WSTRING = 5,
    TYPE_COLOR = 6,
    TYPE_UINT64 = 7,
    TYPE_RESERVED = 8,  // never created here; reads as no convertible value
    TYPE_BINARY_BLOB = 9,
    TYPE_INT64 = 10,
  };

  enum ConversionStatus {
    Success = 0,
    KeyMissing = 1,
    PartialConversion = 2,
    EmptyString = 3,
  };

  // Flags of RecursiveSaveToFile / SaveToFile.
  enum SaveFlags {
    SAVE_LOWERCASE_NAMES = 1,
    SAVE_UINT64_UNSIGNED = 2,
  };

  explicit KeyValues(const char *name);
  explicit KeyValues(HKeySymbol nameSymbol);  // upper 8 bits dropped
  KeyValues(const char *name, const char *key1, const char *text1);
  KeyValues(const char *name, const char *key1, const char *text1, const char *key2, const char *text2);
  KeyValues(const char *name, const char *key1, int int1);
  KeyValues(const char *name, const char *key1, int int1, const char *key2, int int2);
  KeyValues(const char *name, const char *key1, const char16_t *wtext1);
  KeyValues(const char *name, const char *key1, uint64 u64value1);
  // Releases the value or children, then every following peer (iteratively).
  ~KeyValues();
  KeyValues(const KeyValues &) = delete;
  KeyValues &operator=(const KeyValues &) = delete;

  static void *operator new(size_t size);
  static void operator delete(void *memory);

  // Destroys this node, its children and its following peers.
  void Destroy();

  // --- names
  const char *GetName() const;  // "" for no name
  HKeySymbol GetNameSymbol() const;
  void SetName(const char *name);
  // The key symbol of `name` (created), for comparing with GetNameSymbol.
  static HKeySymbol CallGetSymbolForString(const char *name, bool create = true);

  // --- iteration
  KeyValues *GetFirstSubKey() const;  // null when the node holds a value
  KeyValues *GetNextKey() const { return m_pPeer; }
  void SetNextKey(KeyValues *peer) { m_pPeer = peer; }
  KeyValues *GetFirstTrueSubKey() const;
  KeyValues *GetNextTrueSubKey() const;
  KeyValues *GetFirstValue() const;
  KeyValues *GetNextValue() const;

  // --- lookup and structure
  // "a/b/c" paths; a null or empty name returns this node. With `create`, missing nodes are
  // appended (a node holding a value gives it up to hold children).
  KeyValues *FindKey(const char *keyName, bool create = false);
  KeyValues *FindKey(HKeySymbol keySymbol, bool create = false) const;
  KeyValues *CreateKey(const char *keyName);
  void AddSubKey(KeyValues *subKey);
  KeyValues *RemoveSubKey(KeyValues *subKey);
  void Clear();
  KeyValues *MakeCopy() const;
  void CopySubkeys(KeyValues *target) const;
  // Compares types and values (not names), children pairwise.
  bool IsEqual(const KeyValues *other) const;
  // Type code of the named child (or of this node for a null name); TYPE_NONE when missing.
  types_t GetDataType(const char *keyName = nullptr);
  // True when the named child is missing or holds no value and no children.
  bool IsEmpty(const char *keyName = nullptr);

  bool UsesEscapeSequences() const;
  void UsesEscapeSequences(bool state);

  // --- typed readers (keyName null reads this node)
  // Integer readers of a float outside the 32-bit range (or NaN) report the loss and answer the
  // default; nodes without a value answer 0. Pointers read as their whole value where a string
  // or 64-bit number is asked for, as their low 32 bits by GetInt, and as non-null by GetBool.
  int GetInt(const char *keyName = nullptr, int defaultValue = 0, ConversionStatus *status = nullptr);
  uint64 GetUint64(const char *keyName = nullptr, uint64 defaultValue = 0,
                   ConversionStatus *status = nullptr);
  float GetFloat(const char *keyName = nullptr, float defaultValue = 0.0f,
                 ConversionStatus *status = nullptr);
  bool GetBool(const char *keyName = nullptr, bool defaultValue = false, ConversionStatus *status = nullptr);
  // May turn a numeric or wide node into a string node (see GetString's contract).
  const char *GetString(const char *keyName = nullptr, const char *defaultValue = "");
  const char16_t *GetWString(const char *keyName = nullptr, const char16_t *defaultValue = u"");
  void *GetPtr(const char *keyName = nullptr, void *defaultValue = nullptr);
  Color GetColor(const char *keyName = nullptr, Color defaultColor = Color());

  // Text conversions behind the readers; each reports through the assertion channel when given
  // no status pointer.
  static int GetIntFromString(const char *text, int defaultValue, ConversionStatus *status);
  static float GetFloatFromString(const char *text, float defaultValue, ConversionStatus *status);
  static uint64 GetUint64FromString(const char *text, uint64 defaultValue, ConversionStatus *status);

  // --- writers (the named child is created when missing)
  void SetInt(const char *keyName, int value);
  void SetUint64(const char *keyName, uint64 value);
  void SetFloat(const char *keyName, float value);
  void SetPtr(const char *keyName, void *value);
  void SetColor(const char *keyName, Color value);
  void SetString(const char *keyName, const char *value);
  void SetWString(const char *keyName, const char16_t *value);
  // Records built on the host's side may carry these; the browser itself never stores them.
  void SetInt64(const char *keyName, int64 value);
  // Stores a copy of `length` bytes (followed by a NUL that is not counted).
  void SetBinaryBlob(const char *keyName, const void *bytes, size_t length);

  // --- text form
  // Parses `buf` (a text buffer). The first top-level entry is read into this node, later ones
  // become its following peers. Returns true when no error was recorded; `errors`, when given,
  // receives every error report of the parse.
  bool LoadFromBuffer(const char *resourceName, CUtlBuffer &buf, std::string *errors = nullptr);
  bool LoadFromBuffer(const char *resourceName, const char *text, std::string *errors = nullptr);
  bool LoadFromFile(IFileSystem *fileSystem, const char *path, const char *pathID = nullptr,
                    std::string *errors = nullptr);
  void RecursiveSaveToFile(CUtlBuffer &buf, int indentLevel, int flags = 0);
  bool SaveToFile(IFileSystem *fileSystem, const char *path, const char *pathID = nullptr,
                  bool writePeers = false, int flags = 0);

 private:
  friend class CKeyValuesReader;
  friend class CKeyValuesWriter;

  static constexpr uint32 kSymbolMask = 0x00FFFFFFu;
  static constexpr uint32 kTypeShift = 24;
  static constexpr uint32 kTypeMask = 0x0F000000u;
  static constexpr uint32 kEscapeFlag = 0x40000000u;
  static constexpr uint32 kHeapFlag = 0x80000000u;
  static constexpr size_t kInlineBytes = 8;      // inline string bytes including the NUL
  static constexpr size_t kInlineWideUnits = 4;  // inline wide string units including the NUL

  types_t GetType() const { return static_cast<types_t>((m_NameTypeFlags & kTypeMask) >> kTypeShift); }
  void SetType(types_t type) {
    m_NameTypeFlags = (m_NameTypeFlags & ~kTypeMask) | (static_cast<uint32>(type) << kTypeShift);
  }
  void SetNameSymbol(HKeySymbol symbol) {
    m_NameTypeFlags = (m_NameTypeFlags & ~kSymbolMask) | (static_cast<uint32>(symbol) & kSymbolMask);
  }
  // Releases the value or the children and leaves an empty TYPE_NONE node.
  void RemoveEverything();

  // --- value storage (KeyValues.cpp). Each Store* releases the old value first; the source may
  // point into this node or its subtree.
  bool IsHeapValue() const { return (m_NameTypeFlags & kHeapFlag) != 0; }
  void SetHeapValue(bool heap) {
    m_NameTypeFlags = heap ? (m_NameTypeFlags | kHeapFlag) : (m_NameTypeFlags & ~kHeapFlag);
  }
  const char *StringValue() const { return IsHeapValue() ? m_Value0.pszValue : m_Value0.inlineText; }
  const char16_t *WStringValue() const { return IsHeapValue() ? m_Value0.pwszValue : m_Value0.inlineWide; }
  // A blob's bytes with their trailing NUL, or "" when it has no buffer.
  const char *BlobText() const;
  void StoreString(const char *text);
  // Stores the `length` bytes at `text` and a NUL.
  void StoreString(const char *text, size_t length);
  void StoreWString(const char16_t *text);
  void StoreBlob(const void *bytes, size_t length);
  void CopyValueFrom(const KeyValues &source);
  // Deep copies of the children, chained in order.
  KeyValues *CopyChildChain() const;
  // Appends `chain` (with its peers) after the last child, giving up a held value first.
  void AppendChildChain(KeyValues *chain);
  KeyValues *FindChild(HKeySymbol symbol) const;
  KeyValues *FindOrCreateChild(HKeySymbol symbol, bool create);
  static HKeySymbol InternSymbol(const char *name);

  // --- typed reading of this node (keyvalues_convert.cpp)
  // The named node of a typed read; sets `status` to Success, or to KeyMissing when there is none.
  KeyValues *FindForReading(const char *keyName, ConversionStatus &status);
  int IntValue(int defaultValue, ConversionStatus &status);
  uint64 Uint64Value(uint64 defaultValue, ConversionStatus &status);
  float FloatValue(float defaultValue, ConversionStatus &status);
  bool BoolValue(bool defaultValue, ConversionStatus &status);
  const char *StringValueConverting(const char *defaultValue);
  const char16_t *WStringValueConverting(const char16_t *defaultValue);
  Color ColorValue(Color defaultColor) const;
  uint32 ColorWord() const;

  // The layout is shared with the host runtime: any change here breaks it.
  static void CheckLayout() {
    static_assert(sizeof(ValueWord0) == 8 && sizeof(ValueWord1) == 8);
    static_assert(sizeof(KeyValues) == 32);
    static_assert(offsetof(KeyValues, m_Value0) == 0);
    static_assert(offsetof(KeyValues, m_Value1) == 8);
    static_assert(offsetof(KeyValues, m_NameTypeFlags) == 16);
    static_assert(offsetof(KeyValues, m_Reserved) == 20);
    static_assert(offsetof(KeyValues, m_pPeer) == 24);
  }

  union ValueWord0 {
    KeyValues *pSub;
    int32 iValue;
    float flValue;
    void *pValue;
    char *pszValue;
    char16_t *pwszValue;
    uint8 color[4];
    uint64 u64Value;
    int64 i64Value;
    uint64 blobLength;
    char inlineText[kInlineBytes];
    char16_t inlineWide[kInlineWideUnits];
  };
  union ValueWord1 {
    uint64 raw;
    uint8 *pBlob;
  };

  ValueWord0 m_Value0 = {nullptr};
  ValueWord1 m_Value1 = {0};
  uint32 m_NameTypeFlags = 0;
  uint32 m_Reserved = 0;
  KeyValues *m_pPeer = nullptr;
};

// Owns a tree root; destroys it (with its peers) when it goes.
struct KeyValuesDeleter {
  void operator()(KeyValues *kv) const {
    if (kv) kv->Destroy();
  }
};
using KeyValuesAD = std::unique_ptr<KeyValues, KeyValuesDeleter>;
