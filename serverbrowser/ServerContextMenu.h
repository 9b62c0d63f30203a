// The right-click menu of the server lists. Each item carries a ready message for the page with
// the server's id, taken when the menu opens.
#pragma once

#include "kgui_controls/Menu.h"

class CServerContextMenu : public kgui::Menu {
  DECLARE_CLASS_SIMPLE(CServerContextMenu, kgui::Menu);

 public:
  explicit CServerContextMenu(kgui::Panel *parent);

  // Adds the chosen standard items (each sending its message with "serverID" to `target`),
  // moves the menu to the cursor and shows it.
  void ShowMenu(kgui::Panel *target, unsigned int serverID, bool showConnect, bool showViewGameInfo,
                bool showRefresh, bool showAddToFavorites);
};
