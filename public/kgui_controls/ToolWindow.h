// ToolWindow: a small floating window around a tab sheet, with a slim title bar and only a close
// button. It deletes itself when closed.
#pragma once

#include "kgui_controls/Frame.h"

namespace kgui {

class PropertySheet;

class ToolWindow : public Frame {
  DECLARE_CLASS_SIMPLE(ToolWindow, Frame);

 public:
  ToolWindow(Panel *parent, const char *panelName, const char *title);

  PropertySheet *GetPropertySheet() { return m_pSheet; }
  // Adds a page to the window's sheet.
  void AddPage(Panel *page, const char *title);

 protected:
  const char *GetTitleFontName() override { return "DefaultBold"; }
  void PerformLayout() override;

 private:
  PropertySheet *m_pSheet;
};

}  // namespace kgui
