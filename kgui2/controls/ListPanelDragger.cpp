// ListPanelDragger: turns a drag of the column edge into "ColumnResized" messages.
#include "kgui_controls/ListPanelDragger.h"

#include "DefaultTheme.h"
#include "kgui_controls/ListPanel.h"
#include "kgui_controls/controls.h"
#include "tier1/KeyValues.h"

namespace kgui {

DEFINE_EMPTY_MESSAGE_MAP(ListPanelDragger, Panel)

ListPanelDragger::ListPanelDragger(ListPanel *list, int storageIndex)
    : Panel(list, "ListPanelDragger"), m_pList(list), m_iStorageIndex(storageIndex) {
  SetCursor(dc_sizewe);
  SetPaintBackgroundEnabled(false);
  SetKeyboardInputEnabled(false);
}

int ListPanelDragger::ColumnPosition() {
  for (int col = 0; col < m_pList->GetColumnCount(); ++col) {
    if (m_pList->GetColumnDragger(col) == this) return col;
  }
  return -1;
}

void ListPanelDragger::OnMousePressed(MouseCode code) {
  if (code != MOUSE_LEFT || !IsEnabled()) return;
  int y = 0;
  input()->GetCursorPos(m_iDragStartX, y);
  m_iDragStartWide = m_pList->GetColumnWidth(ColumnPosition());
  m_bDragging = true;
  input()->SetMouseCapture(GetVPanel());
}

void ListPanelDragger::OnMouseDoublePressed(MouseCode code) {
  if (code != MOUSE_LEFT || !IsEnabled()) return;
  KeyValues message("ResizeColumnToContents", "column", ColumnPosition());
  SendMessage(m_pList->GetVPanel(), &message);
}

void ListPanelDragger::OnMouseReleased(MouseCode code) {
  if (code != MOUSE_LEFT || !m_bDragging) return;
  m_bDragging = false;
  if (input()->GetMouseCapture() == GetVPanel()) input()->SetMouseCapture(NULL_PANEL);
}

void ListPanelDragger::OnCursorMoved(int x, int y) {
  (void)x, (void)y;
  if (!m_bDragging) return;
  int screenX = 0, screenY = 0;
  input()->GetCursorPos(screenX, screenY);
  // The width follows the cursor from where the drag began, so a width held at its limit does not
  // leave the handle behind the cursor. Sent at once: the next move measures the new width.
  const int col = ColumnPosition();
  const int delta = m_iDragStartWide + (screenX - m_iDragStartX) - m_pList->GetColumnWidth(col);
  if (delta == 0) return;
  KeyValues message("ColumnResized", "column", col, "delta", delta);
  SendMessage(m_pList->GetVPanel(), &message);
}

void ListPanelDragger::Paint() {
  if (!m_bDragging) return;
  surface()->DrawSetColor(Faded(theme::kAccent));
  surface()->DrawFilledRect(GetWide() / 2 - 1, 0, GetWide() / 2 + 1, GetTall());
}

}  // namespace kgui
