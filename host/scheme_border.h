// A scheme border: an inset and a one-pixel line of its own colour along each side.
#pragma once

#include <string>

#include "kgui/IScheme.h"

namespace kguihost {

class CRenderer;

class CSchemeBorder final : public kgui::IBorder {
 public:
  enum Side { LEFT, TOP, RIGHT, BOTTOM, SIDE_COUNT };

  CSchemeBorder(CRenderer &renderer, const std::string &name) : m_Renderer(renderer), m_Name(name) {}

  void SetInset(int left, int top, int right, int bottom);
  // A side without a colour draws nothing.
  void SetSideColor(Side side, Color color);

  void Paint(int x0, int y0, int x1, int y1) override;
  void GetInset(int &left, int &top, int &right, int &bottom) override;
  const char *GetName() override { return m_Name.c_str(); }

 private:
  CRenderer &m_Renderer;
  std::string m_Name;
  int m_Inset[SIDE_COUNT] = {0, 0, 0, 0};
  Color m_Colors[SIDE_COUNT];
  bool m_HasColor[SIDE_COUNT] = {false, false, false, false};
};

}  // namespace kguihost
