// PropertyPage: one page of a PropertySheet. The sheet tells it "PageShow" when it becomes the
// active page and "PageHide" when another page does.
#pragma once

#include "kgui_controls/EditablePanel.h"

namespace kgui {

class PropertyPage : public EditablePanel {
  DECLARE_CLASS_SIMPLE(PropertyPage, EditablePanel);

 public:
  PropertyPage(Panel *parent, const char *panelName);

 protected:
  virtual void OnPageShow() {}
  virtual void OnPageHide() {}

 private:
  void InternalPageShow() { OnPageShow(); }
  void InternalPageHide() { OnPageHide(); }
};

}  // namespace kgui
