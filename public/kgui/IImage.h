// An image that draws itself into the panel being painted (IHostScheme::GetImage).
#pragma once

#include "kgui/kgui.h"

namespace kgui {

class IImage {
 public:
  // Draws at the position set with SetPos, scaled to the size set with SetSize.
  virtual void Paint() = 0;
  virtual void SetPos(int x, int y) = 0;
  // The size of the picture itself; 0x0 for an image that could not be read.
  virtual void GetContentSize(int &wide, int &tall) = 0;
  // The size it draws at: the content size until SetSize.
  virtual void GetSize(int &wide, int &tall) = 0;
  virtual void SetSize(int wide, int tall) = 0;
  // Its alpha fades the image; the colour itself is not used.
  virtual void SetColor(Color color) = 0;
  virtual Color GetColor() = 0;

 protected:
  ~IImage() = default;
};

}  // namespace kgui
