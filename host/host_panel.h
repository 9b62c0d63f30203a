// The host's record of one panel.
#pragma once

#include <string>
#include <vector>

#include "kgui/kgui.h"

namespace kgui {
class IClientPanel;
}

namespace kguihost {

struct CHostPanel {
  kgui::VPANEL id = kgui::NULL_PANEL;
  kgui::IClientPanel *client = nullptr;
  CHostPanel *parent = nullptr;
  // Back to front: sorted by zpos, later among equals.
  std::vector<CHostPanel *> children;
  std::string name;
  std::u16string title;

  int x = 0;
  int y = 0;
  int wide = 0;
  int tall = 0;
  int minWide = 0;
  int minTall = 0;
  int insetLeft = 0;
  int insetTop = 0;
  int insetRight = 0;
  int insetBottom = 0;
  int zpos = 0;

  bool visible = true;
  bool enabled = true;
  bool mouseInput = true;
  bool keyboardInput = true;
  bool popup = false;
  bool topmost = false;
  bool minimized = false;
  bool flashing = false;
  bool layoutDirty = true;
  bool markedForDeletion = false;
};

// A rectangle in screen pixels, x1 and y1 exclusive.
struct CRect {
  int x0 = 0;
  int y0 = 0;
  int x1 = 0;
  int y1 = 0;

  bool IsEmpty() const { return x1 <= x0 || y1 <= y0; }
  bool Contains(int x, int y) const { return x >= x0 && x < x1 && y >= y0 && y < y1; }
  CRect Intersect(const CRect &other) const;
  // The smallest rectangle holding both; an empty one adds nothing.
  CRect Union(const CRect &other) const;
};

}  // namespace kguihost
