// PropertyPage: the page side of a tab sheet.
#include "kgui_controls/PropertyPage.h"

namespace kgui {

BEGIN_MESSAGE_MAP(PropertyPage, EditablePanel)
MESSAGE_ENTRY("PageShow", InternalPageShow)
MESSAGE_ENTRY("PageHide", InternalPageHide)
END_MESSAGE_MAP()

PropertyPage::PropertyPage(Panel *parent, const char *panelName) : EditablePanel(parent, panelName) {}

}  // namespace kgui
