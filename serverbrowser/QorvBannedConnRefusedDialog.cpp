#include "serverbrowser/QorvBannedConnRefusedDialog.h"

DEFINE_EMPTY_MESSAGE_MAP(CQorvBannedConnRefusedDialog, kgui::Frame)

CQorvBannedConnRefusedDialog::CQorvBannedConnRefusedDialog(kgui::VPANEL parent, const char *panelName)
    : Frame(nullptr, panelName) {
  SetParent(parent);
  SetSize(480, 220);
  SetSizeable(false);
  SetMinimizeButtonVisible(false);
  SetMaximizeButtonVisible(false);
  // The dialog that opens this one closes at once and keeps no handle: nobody else would free it.
  SetDeleteSelfOnClose(true);
  LoadControlSettings("servers/QorvBannedConnRefusedDialog.res");
  MoveToCenterOfScreen();
}
