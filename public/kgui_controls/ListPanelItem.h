// ListPanelItem: one row of a ListPanel. The list keeps its items in a pool whose index is the
// item id; sort functions receive two items and read their records or user values.
#pragma once

#include "tier0/platform.h"

class KeyValues;

namespace kgui {

class IImage;

struct ListPanelItem {
  // The row's record: the list's own copy, or the caller's when the row shares it.
  KeyValues *m_pKV = nullptr;
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
};

}  // namespace kgui
