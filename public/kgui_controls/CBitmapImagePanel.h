// CBitmapImagePanel: an image panel that fills itself with its image.
#pragma once

#include "kgui_controls/ImagePanel.h"

namespace kgui {

class CBitmapImagePanel : public ImagePanel {
  DECLARE_CLASS_SIMPLE(CBitmapImagePanel, ImagePanel);

 public:
  CBitmapImagePanel(Panel *parent, const char *panelName, const char *imageName = nullptr);
};

}  // namespace kgui
