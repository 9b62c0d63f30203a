// What every list of servers shares (the pages' lists and the add-server dialog's results): the
// nine columns with their sort order, the images of the image columns, and the keys of a row.
#pragma once

#include <string>

#include "plexa/matchmakingtypes.h"

class KeyValues;

namespace kgui {
class ListPanel;
}  // namespace kgui

// Where the lists differ: the widths of the nine columns, in column order, and whether typing in
// the list finds a server by its name.
struct ServerColumnLayout {
  int widths[9];
  bool nameTypeAhead;
};

// Row values of the image columns: indices into the image list the lists attach.
inline constexpr int kServerImagePassword = 1;
inline constexpr int kServerImageBots = 2;
inline constexpr int kServerImageSecure = 3;
inline constexpr int kServerImageSecureDenied = 4;
// The column sorted by at first: latency, lowest first.
inline constexpr int kServerPingColumn = 8;

// Adds the nine columns (names, headers, flags, sort functions, tooltips) and sorts by latency.
void AddServerColumns(kgui::ListPanel *list, const ServerColumnLayout &layout);
// Gives the list the images of its image columns and the icons of their headers; call once the
// scheme is applied.
void AttachServerImages(kgui::ListPanel *list);
// Every key of a row for an answering server: name, map, game folder and description, tags, the
// three image values, address, players and latency.
void WriteServerRowKeys(KeyValues *row, const ServerRecord &server);
// The text of a token; the token itself when the language has none, as labels show it.
std::u16string LocalizedText(const char *token);
// The text of a token with its %s1, %s2 and %s3 replaced by the arguments given.
std::u16string LocalizedFormat(const char *token, const std::u16string &first = u"",
                               const std::u16string &second = u"", const std::u16string &third = u"");
// A number as text, for the arguments of LocalizedFormat.
std::u16string NumberText(int value);
