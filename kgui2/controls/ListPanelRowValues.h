// ListPanelRowValues: the compact copy of a row's record that a ListPanel keeps in place of a
// KeyValues tree. One block per row holds the record's name and flags, one 8-byte entry per value
// (key symbol, type and escape flag as a node keeps them, and the value or where it lies in the
// block), then the 64-bit values, the wide texts and the texts. Records holding anything else
// (subkeys, signed 64-bit values, blobs, a value of their own) are kept as KeyValues copies.
//
// ListPanelValue reads one value of a row, whichever form the row keeps, without changing it.
#pragma once

#include <string>

#include "kgui_controls/ListPanelItem.h"
#include "tier1/KeyValues.h"

namespace kgui {

class ListPanelRowValues {
 public:
  struct Entry {
    uint32 symbolTypeFlags;  // bits 0-23 key symbol, 24-27 type, 30 escape flag
    uint32 payload;          // an int, float bits or colour bytes; else the value's offset in the block
  };

  // A compact copy of `record`, or null when it holds what the block does not keep.
  static ListPanelRowValues *Build(KeyValues *record);
  static void Free(ListPanelRowValues *values);

  // A new record equal to the one the values were built from.
  KeyValues *MakeRecord() const;
  // A lone new node holding the entry's value, for reads that convert it.
  KeyValues *MakeNode(const Entry &entry) const;
  // The first entry under `symbol`, or null.
  const Entry *Find(HKeySymbol symbol) const;

  static KeyValues::types_t TypeOf(const Entry &entry) {
    return static_cast<KeyValues::types_t>((entry.symbolTypeFlags >> kTypeShift) & 0xF);
  }
  const char *Text(const Entry &entry) const {
    return reinterpret_cast<const char *>(Bytes() + entry.payload);
  }
  const char16_t *WideText(const Entry &entry) const;
  uint64 Word(const Entry &entry) const;

  static constexpr uint32 kTypeShift = 24;
  static constexpr uint32 kEscapeFlag = 0x40000000u;

 private:
  ListPanelRowValues() = default;
  const uint8 *Bytes() const { return reinterpret_cast<const uint8 *>(this); }
  const Entry *Entries() const { return reinterpret_cast<const Entry *>(this + 1); }

  uint32 m_NameFlags = 0;  // the record's name symbol and escape flag, laid out as an entry's
  uint32 m_nEntries = 0;
};

// One value of a row as the list reads it: from the row's compact values or from its record.
struct ListPanelValue {
  KeyValues::types_t type = KeyValues::TYPE_NONE;
  const char *text = nullptr;      // TYPE_STRING
  const char16_t *wide = nullptr;  // TYPE_WSTRING
  uint64 word = 0;                 // the int, float bits, 64-bit value or pointer
  KeyValues *node = nullptr;       // the record's node
  const ListPanelRowValues *values = nullptr;
  const ListPanelRowValues::Entry *entry = nullptr;

  int32 Int() const { return static_cast<int32>(static_cast<uint32>(word)); }
  float Float() const;
  void *Ptr() const { return reinterpret_cast<void *>(static_cast<uintptr_t>(word)); }
  // The value as KeyValues::GetInt reads it (0 when there is none).
  int ReadInt() const;
  // The value as KeyValues::GetString gives it, read from a copy so that the row keeps its type.
  std::string ConvertedText() const;

  // The row's value under `symbol` as KeyValues::FindKey(symbol) finds it (the invalid symbol
  // finds the record itself); false when the row has none.
  static bool Find(const ListPanelItem &item, HKeySymbol symbol, ListPanelValue &value);
};

}  // namespace kgui
