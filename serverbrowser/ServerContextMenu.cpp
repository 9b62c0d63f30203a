#include "serverbrowser/ServerContextMenu.h"

#include <utility>

#include "kgui_controls/controls.h"
#include "tier1/KeyValues.h"

DEFINE_EMPTY_MESSAGE_MAP(CServerContextMenu, kgui::Menu)

namespace {

// The standard items in the order they appear: item name (also the message name) and label.
struct StandardItem {
  const char *name;
  const char *label;
};

constexpr StandardItem kConnect = {"ConnectToServer", "#ServerBrowser_ConnectToServer"};
constexpr StandardItem kViewGameInfo = {"ViewGameInfo", "#ServerBrowser_ViewServerInfo"};
constexpr StandardItem kRefresh = {"RefreshServer", "#ServerBrowser_RefreshServer"};
constexpr StandardItem kAddToFavorites = {"AddToFavorites", "#ServerBrowser_AddServerToFavorites"};

}  // namespace

CServerContextMenu::CServerContextMenu(kgui::Panel *parent) : Menu(parent, "ServerContextMenu") {}

void CServerContextMenu::ShowMenu(kgui::Panel *target, unsigned int serverID, bool showConnect,
                                  bool showViewGameInfo, bool showRefresh, bool showAddToFavorites) {
  const std::pair<bool, StandardItem> items[] = {
      {showConnect, kConnect},
      {showViewGameInfo, kViewGameInfo},
      {showRefresh, kRefresh},
      {showAddToFavorites, kAddToFavorites},
  };
  // The id is fixed now, so a selection that changes before the choice does not move the command.
  for (const auto &[shown, item] : items) {
    if (shown)
      AddMenuItem(item.name, item.label, new KeyValues(item.name, "serverID", static_cast<int>(serverID)),
                  target);
  }

  int cursorX = 0, cursorY = 0;
  kgui::input()->GetCursorPos(cursorX, cursorY);
  int rootX = 0, rootY = 0;
  kgui::ipanel()->GetPos(kgui::surface()->GetEmbeddedPanel(), rootX, rootY);
  OpenAt(cursorX - rootX, cursorY - rootY);
}
