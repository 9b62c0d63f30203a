// ListPanelColumnSelectButton: a header-sized button that draws three short lines.
#include "kgui_controls/ListPanelColumnSelectButton.h"

#include "kgui_controls/ListPanel.h"
#include "kgui_controls/controls.h"
#include "tier1/KeyValues.h"

namespace kgui {

DEFINE_EMPTY_MESSAGE_MAP(ListPanelColumnSelectButton, Button)

ListPanelColumnSelectButton::ListPanelColumnSelectButton(ListPanel *list)
    : Button(list, "ColumnSelectButton", "", list) {
  SetCommand(new KeyValues("OpenColumnChoiceMenu"));
  SetKeyboardInputEnabled(false);
}

void ListPanelColumnSelectButton::Paint() {
  surface()->DrawSetColor(Faded(GetTextColorNow()));
  const int x0 = GetWide() / 2 - 4, x1 = GetWide() / 2 + 4;
  const int y = GetTall() / 2 - 4;
  for (int line = 0; line < 3; ++line) surface()->DrawFilledRect(x0, y + line * 3, x1, y + line * 3 + 2);
}

}  // namespace kgui
