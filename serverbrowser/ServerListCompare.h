// The per-column order of server lists. Each function compares the services' records of the two
// rows' servers (the rows' user values are server indices), fetched from the list's own record
// source, so numbers sort as numbers. Rows without a record sort first in ascending order.
// Each function has a key function of the same order (ListPanel::SetColumnSortKeyFunc).
#pragma once

#include "kgui_controls/ListPanel.h"

int ComparePassword(kgui::ListPanel *list, const kgui::ListPanelItem &p1, const kgui::ListPanelItem &p2);
int CompareBots(kgui::ListPanel *list, const kgui::ListPanelItem &p1, const kgui::ListPanelItem &p2);
int CompareSecure(kgui::ListPanel *list, const kgui::ListPanelItem &p1, const kgui::ListPanelItem &p2);
int CompareName(kgui::ListPanel *list, const kgui::ListPanelItem &p1, const kgui::ListPanelItem &p2);
int CompareIPAddr(kgui::ListPanel *list, const kgui::ListPanelItem &p1, const kgui::ListPanelItem &p2);
int CompareGameDesc(kgui::ListPanel *list, const kgui::ListPanelItem &p1, const kgui::ListPanelItem &p2);
int ComparePlayers(kgui::ListPanel *list, const kgui::ListPanelItem &p1, const kgui::ListPanelItem &p2);
int CompareMap(kgui::ListPanel *list, const kgui::ListPanelItem &p1, const kgui::ListPanelItem &p2);
int ComparePing(kgui::ListPanel *list, const kgui::ListPanelItem &p1, const kgui::ListPanelItem &p2);
int CompareLastPlayed(kgui::ListPanel *list, const kgui::ListPanelItem &p1, const kgui::ListPanelItem &p2);

kgui::ListPanel::SortKey PasswordKey(kgui::ListPanel *list, const kgui::ListPanelItem &item, int part);
kgui::ListPanel::SortKey BotsKey(kgui::ListPanel *list, const kgui::ListPanelItem &item, int part);
kgui::ListPanel::SortKey SecureKey(kgui::ListPanel *list, const kgui::ListPanelItem &item, int part);
kgui::ListPanel::SortKey NameKey(kgui::ListPanel *list, const kgui::ListPanelItem &item, int part);
kgui::ListPanel::SortKey IPAddrKey(kgui::ListPanel *list, const kgui::ListPanelItem &item, int part);
kgui::ListPanel::SortKey GameDescKey(kgui::ListPanel *list, const kgui::ListPanelItem &item, int part);
kgui::ListPanel::SortKey PlayersKey(kgui::ListPanel *list, const kgui::ListPanelItem &item, int part);
kgui::ListPanel::SortKey MapKey(kgui::ListPanel *list, const kgui::ListPanelItem &item, int part);
kgui::ListPanel::SortKey PingKey(kgui::ListPanel *list, const kgui::ListPanelItem &item, int part);
kgui::ListPanel::SortKey LastPlayedKey(kgui::ListPanel *list, const kgui::ListPanelItem &item, int part);
