#include "serverbrowser/ServerRows.h"

#include "kgui_controls/ImageList.h"
#include "kgui_controls/ListPanel.h"
#include "kgui_controls/controls.h"
#include "kstdlib/strtools.h"
#include "serverbrowser/ServerListCompare.h"
#include "serverbrowser/serverbrowser.h"
#include "tier1/KeyValues.h"
#include "tier1/netadr.h"

namespace {

using LP = kgui::ListPanel;

struct ColumnSpec {
  const char *name;
  const char *header;
  int flags;
  kgui::ListPanel::SortFunc sort;
  kgui::ListPanel::SortKeyFunc key;
};

const ColumnSpec kColumns[] = {
    {"Password", "#ServerBrowser_Password", LP::ColumnFixedWidth | LP::ColumnImage, ComparePassword,
     PasswordKey},
    {"Bots", "#ServerBrowser_Bots", LP::ColumnFixedWidth | LP::ColumnImage | LP::ColumnHiddenAtStart,
     CompareBots, BotsKey},
    {"Secure", "#ServerBrowser_Secure", LP::ColumnFixedWidth | LP::ColumnImage, CompareSecure, SecureKey},
    {"Name", "#ServerBrowser_Servers", LP::ColumnResizeWithWindow | LP::ColumnAlwaysShown, CompareName,
     NameKey},
    {"IPAddr", "#ServerBrowser_IPAddress", LP::ColumnHiddenAtStart, CompareIPAddr, IPAddrKey},
    {"GameDesc", "#ServerBrowser_Game", 0, CompareGameDesc, GameDescKey},
    {"Players", "#ServerBrowser_Players", 0, ComparePlayers, PlayersKey},
    {"Map", "#ServerBrowser_Map", 0, CompareMap, MapKey},
    {"Ping", "#ServerBrowser_Latency", 0, ComparePing, PingKey},
};

// The three image columns come first; their tooltips and header icons follow the same order.
const char *const kImageColumnTooltips[] = {
    "#ServerBrowser_PasswordColumn_Tooltip",
    "#ServerBrowser_BotColumn_Tooltip",
    "#ServerBrowser_SecureColumn_Tooltip",
};

// The cells' icons (1 to 4), then the header icons of the three image columns (5 to 7).
const char *const kImages[] = {
    "servers/icon_password",        "servers/icon_bots",
    "servers/icon_robotron",        "servers/icon_secure_deny",
    "servers/icon_password_column", "servers/icon_bots_column",
    "servers/icon_robotron_column",
};
constexpr int kFirstHeaderIcon = 5;

}  // namespace

void AddServerColumns(kgui::ListPanel *list, const ServerColumnLayout &layout) {
  constexpr int kNameColumn = 3;
  int index = 0;
  for (const ColumnSpec &column : kColumns) {
    const int width = layout.widths[index];
    const bool fixed = (column.flags & LP::ColumnFixedWidth) != 0;
    const int flags = column.flags | (index == kNameColumn && layout.nameTypeAhead ? LP::ColumnTypeAhead : 0);
    list->AddColumnHeader(index, column.name, column.header, width, fixed ? width : 20, fixed ? width : 10000,
                          flags);
    list->SetColumnSortFunc(index, column.sort);
    list->SetColumnSortKeyFunc(index, column.key);
    ++index;
  }
  for (int column = 0; column < 3; ++column) list->SetColumnTooltip(column, kImageColumnTooltips[column]);
  list->SortByColumn(kServerPingColumn, true);
}

void AttachServerImages(kgui::ListPanel *list) {
  auto *images = new kgui::ImageList;
  for (const char *name : kImages)
    images->AddImage(kgui::scheme() ? kgui::scheme()->GetImage(name, false) : nullptr);
  list->AttachImageList(images, true);
  for (int column = 0; column < 3; ++column) list->SetColumnHeaderIcon(column, kFirstHeaderIcon + column);
}

void WriteServerRowKeys(KeyValues *row, const ServerRecord &server) {
  row->SetString("name", server.GetName());
  row->SetString("map", server.GetMap());
  row->SetString("GameDir", server.GetGameDir());
  row->SetString("GameDesc", server.GetDescription());
  row->SetString("GameTags", server.GetTags());
  row->SetInt("password", server.m_bHasPassword ? kServerImagePassword : 0);
  row->SetInt("bots", server.m_nBotCount != 0 ? kServerImageBots : 0);
  int secure = 0;
  if (server.m_bIsSecure)
    secure = g_ServerBrowserSingleton.IsQorvBannedFromApp(server.m_nAppId) ? kServerImageSecureDenied
                                                                           : kServerImageSecure;
  row->SetInt("secure", secure);
  char address[48];
  netadr_t(server.m_NetAdr.GetIP(), server.m_NetAdr.GetConnectionPort()).ToString(address, sizeof(address));
  row->SetString("IPAddr", address);
  char players[32];
  V_snprintf(players, sizeof(players), "%d / %d", server.m_nPlayerCount, server.m_nPlayerLimit);
  row->SetString("Players", players);
  row->SetInt("Ping", server.m_nPingMs);
}

std::u16string LocalizedText(const char *token) {
  const char16_t *text = kgui::localize() ? kgui::localize()->Find(token) : nullptr;
  return text ? std::u16string(text) : kgui::Utf8ToWide(token);
}

std::u16string LocalizedFormat(const char *token, const std::u16string &first, const std::u16string &second,
                               const std::u16string &third) {
  const std::u16string pattern = LocalizedText(token);
  if (!kgui::localize()) return pattern;
  char16_t text[1024] = {};
  kgui::localize()->ConstructString(text, static_cast<int>(sizeof(text)), pattern.c_str(), 3, first.c_str(),
                                    second.c_str(), third.c_str());
  return text;
}

std::u16string NumberText(int value) {
  return kgui::Utf8ToWide(std::to_string(value).c_str());
}
