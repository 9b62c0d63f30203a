// QueryBox: a message box with a Cancel button.
#include "kgui_controls/QueryBox.h"

namespace kgui {

DEFINE_EMPTY_MESSAGE_MAP(QueryBox, MessageBox)

QueryBox::QueryBox(const char *title, const char *queryText, Panel *parent)
    : MessageBox(title, queryText, parent) {
  SetCancelButtonVisible(true);
}

QueryBox::QueryBox(const char16_t *title, const char16_t *queryText, Panel *parent)
    : MessageBox(title, queryText, parent) {
  SetCancelButtonVisible(true);
}

}  // namespace kgui
