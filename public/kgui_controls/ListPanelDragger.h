// ListPanelDragger: the resize handle at the right edge of a ListPanel column. Dragging it sends
// "ColumnResized" ("column", "delta") to the list; a double click sends "ResizeColumnToContents".
#pragma once

#include "kgui_controls/Panel.h"

namespace kgui {

class ListPanel;

class ListPanelDragger : public Panel {
  DECLARE_CLASS_SIMPLE(ListPanelDragger, Panel);

 public:
  static constexpr int kWide = 6;

  // `storageIndex` names the column for good: its display position may change.
  ListPanelDragger(ListPanel *list, int storageIndex);

  bool IsDragging() const { return m_bDragging; }

 protected:
  void OnMousePressed(MouseCode code) override;
  void OnMouseDoublePressed(MouseCode code) override;
  void OnMouseReleased(MouseCode code) override;
  void OnCursorMoved(int x, int y) override;
  void OnMouseCaptureLost() override { m_bDragging = false; }
  void Paint() override;

 private:
  // The column's current display position.
  int ColumnPosition();

  ListPanel *m_pList;
  int m_iStorageIndex;
  bool m_bDragging = false;
  int m_iDragStartX = 0;     // cursor x (screen) at the press
  int m_iDragStartWide = 0;  // the column's width at the press
};

}  // namespace kgui
