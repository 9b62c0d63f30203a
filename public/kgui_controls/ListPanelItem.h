// ListPanelItem: one row of a ListPanel. The list keeps its items in a pool whose index is the
// item id; sort functions receive two items and read their records or user values.
//
// A row keeps a compact copy of the values it was given rather than a KeyValues tree; the record
// is made from it the first time someone asks for it (GetRecord, ListPanel::GetItemData) and the
// row keeps and reads that record from then on.
#pragma once

#include "tier0/platform.h"

class KeyValues;

namespace kgui {

class IImage;
class ListPanelRowValues;
struct ListPanelValue;

struct ListPanelItem {
  ListPanelItem() = default;
  // The pool moves its items; a copy would share the row's values with it.
  ListPanelItem(const ListPanelItem &) = delete;
  ListPanelItem &operator=(const ListPanelItem &) = delete;
  ListPanelItem(ListPanelItem &&) = default;
  ListPanelItem &operator=(ListPanelItem &&) = default;

  // The row's record: the list's own copy (made now from the row's values when it has none yet),
  // or the caller's when the row shares it; null for a free slot. Valid while the row keeps it.
  KeyValues *GetRecord() const;

  // A value of the caller's (the server pages keep their server index here).
  uint32 m_unUserData = 0;
  // Read from the record's "image" and "imageSelected" when the row is added; not drawn.
  int m_nImageIndex = 0;
  int m_nImageIndexSelected = 0;
  // Images of the row's own for image cells (ColumnItemImage and ColumnItemImageAlt); rows made by
  // the list hold none.
  IImage *m_pIcon = nullptr;
  IImage *m_pIconAlt = nullptr;
  int m_nSectionID = 0;
  bool m_bShown = true;
  bool m_bDisabled = false;
  bool m_bUnselectable = false;
  // The caller owns the record; the list never deletes it.
  bool m_bShareData = false;

  // ---- kept by the list
  int m_nVisibleIndex = -1;  // the row's place in the display order, -1 when not shown
  bool m_bInUse = false;     // the pool slot holds a row
  bool m_bSelected = false;  // mirrors the selection, so painting asks in constant time
  bool m_bChecked = false;   // the row's check box (lists with a checkable column)

 private:
  friend class ListPanel;
  friend struct ListPanelValue;

  // The record once the row holds one (see GetRecord); until then null, and the row's values are
  // in m_pValues. Never both.
  mutable KeyValues *m_pKV = nullptr;
  mutable ListPanelRowValues *m_pValues = nullptr;
};

}  // namespace kgui
