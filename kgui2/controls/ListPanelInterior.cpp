// ListPanelInterior: the row area; the list paints into it.
#include "kgui_controls/ListPanelInterior.h"

#include "kgui_controls/ListPanel.h"

namespace kgui {

DEFINE_EMPTY_MESSAGE_MAP(ListPanelInterior, Panel)

ListPanelInterior::ListPanelInterior(ListPanel *list) : Panel(list, "ListPanelInterior"), m_pList(list) {
  // Presses, double clicks and the wheel reach the list itself, which knows the rows.
  SetMouseInputEnabled(false);
  SetKeyboardInputEnabled(false);
  SetPaintBackgroundEnabled(false);
}

void ListPanelInterior::Paint() {
  m_pList->PaintRows(GetWide(), GetTall());
}

}  // namespace kgui
