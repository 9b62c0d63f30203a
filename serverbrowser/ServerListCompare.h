// The per-column order of server lists. Each function compares the services' records of the two
// rows' servers (the rows' user values are server indices), fetched from the list's own record
// source, so numbers sort as numbers. Rows without a record sort first in ascending order.
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
