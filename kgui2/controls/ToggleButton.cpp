// ToggleButton: selection that flips on every click and tells the owners.
#include "kgui_controls/ToggleButton.h"

#include "tier1/KeyValues.h"

namespace kgui {

DEFINE_EMPTY_MESSAGE_MAP(ToggleButton, Button)

ToggleButton::ToggleButton(Panel *parent, const char *panelName, const char *text)
    : Button(parent, panelName, text) {}

void ToggleButton::DoClick() {
  if (!IsEnabled()) return;
  SetSelected(!IsSelected());
  FireActionSignal();
}

void ToggleButton::SetSelected(bool state) {
  if (state == IsSelected()) return;
  BaseClass::SetSelected(state);
  PostActionSignal(new KeyValues("ButtonToggled", "state", state ? 1 : 0));
}

void ToggleButton::Describe(KeyValues *panelBlock) {
  BaseClass::Describe(panelBlock);
  panelBlock->SetInt("selected", IsSelected() ? 1 : 0);
}

// A double click is two clicks: the second press flips the state back.
void ToggleButton::OnMouseDoublePressed(MouseCode code) {
  OnMousePressed(code);
}

}  // namespace kgui
