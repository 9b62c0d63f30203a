// ListPanelInterior: the area of a ListPanel below the headers where the rows are drawn. It paints
// only the rows in view and lets mouse input through to the list, which selects and scrolls.
#pragma once

#include "kgui_controls/Panel.h"

namespace kgui {

class ListPanel;

class ListPanelInterior : public Panel {
  DECLARE_CLASS_SIMPLE(ListPanelInterior, Panel);

 public:
  explicit ListPanelInterior(ListPanel *list);

 protected:
  void Paint() override;

 private:
  ListPanel *m_pList;
};

}  // namespace kgui
