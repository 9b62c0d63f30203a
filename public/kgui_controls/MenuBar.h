// MenuBar: a strip of menu buttons along the top of a window.
#pragma once

#include <vector>

#include "kgui_controls/Panel.h"

namespace kgui {

class MenuButton;

class MenuBar : public Panel {
  DECLARE_CLASS_SIMPLE(MenuBar, Panel);

 public:
  MenuBar(Panel *parent, const char *panelName);

  // The bar takes the button as a child and places it after the others.
  void AddButton(MenuButton *button);
  int GetButtonCount() const { return static_cast<int>(m_Buttons.size()); }

 protected:
  void ApplySchemeSettings(IScheme *schemeInterface) override;
  void PerformLayout() override;
  void PaintBorder() override;

 private:
  std::vector<PHandle> m_Buttons;
  Color m_BorderColor;
};

}  // namespace kgui
