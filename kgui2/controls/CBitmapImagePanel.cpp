// CBitmapImagePanel: an image scaled to the panel.
#include "kgui_controls/CBitmapImagePanel.h"

namespace kgui {

DEFINE_EMPTY_MESSAGE_MAP(CBitmapImagePanel, ImagePanel)

CBitmapImagePanel::CBitmapImagePanel(Panel *parent, const char *panelName, const char *imageName)
    : ImagePanel(parent, panelName) {
  SetScaling(SCALING_PANEL);
  if (imageName) SetImage(imageName);
}

}  // namespace kgui
