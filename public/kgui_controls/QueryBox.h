// QueryBox: a MessageBox that asks: OK and Cancel, each with its own command.
#pragma once

#include "kgui_controls/MessageBox.h"

namespace kgui {

class QueryBox : public MessageBox {
  DECLARE_CLASS_SIMPLE(QueryBox, MessageBox);

 public:
  QueryBox(const char *title, const char *queryText, Panel *parent = nullptr);
  QueryBox(const char16_t *title, const char16_t *queryText, Panel *parent = nullptr);

  // The message signalled by OK (taken over); Cancel has SetCancelCommand.
  void SetOKCommand(KeyValues *command) { SetCommand(command); }
};

}  // namespace kgui
