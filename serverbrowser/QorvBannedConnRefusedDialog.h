// Tells the user that a secure server refused the join because the anti-cheat system bans the
// user from that server's game. Texts, title and button come from its layout file; closing it
// deletes it.
#pragma once

#include "kgui/kgui.h"
#include "kgui_controls/Frame.h"

class CQorvBannedConnRefusedDialog : public kgui::Frame {
  DECLARE_CLASS_SIMPLE(CQorvBannedConnRefusedDialog, kgui::Frame);

 public:
  // A top-level window named `panelName` under `parent` (none for NULL_PANEL), centred and
  // hidden until activated.
  CQorvBannedConnRefusedDialog(kgui::VPANEL parent, const char *panelName);
};
