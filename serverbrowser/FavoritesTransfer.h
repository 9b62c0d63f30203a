// Favourites moved between machines as text: server addresses read from the clipboard or from a
// file (a plain list of addresses, one a line, or the key/value form that keeps each server's
// application and query port), and the favourites written back in either form.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "plexa/plexatypes.h"

// The port an address written without one stands for, as in the add-server dialog.
inline constexpr uint16 kFavoriteDefaultPort = 27015;

// One favourite as the services store it: known by its address and connection port.
struct FavoriteAddress {
  uint32 ip = 0;  // host order, first dotted part in the top byte
  uint16 connPort = 0;
  uint16 queryPort = 0;
  AppId_t appId = 0;

  bool SameServer(const FavoriteAddress &other) const { return ip == other.ip && connPort == other.connPort; }
};

// A line that named no usable server. `reason` is a token of the browser's texts.
struct FavoritesTextProblem {
  int line = 0;  // from 1; 0 when the whole text could not be read
  std::string text;
  const char *reason = "";
};

struct FavoritesTextReading {
  std::vector<FavoriteAddress> servers;  // in the order met, each address once
  std::vector<FavoritesTextProblem> problems;
  int repeated = 0;  // addresses met again later in the same text
  bool keyValueForm = false;
};

enum class EFavoritesTextForm {
  KeyValues,  // "server" blocks with "address", "queryport" and "appid"
  Plain,      // one "a.b.c.d:port" a line
};

// Reads addresses from `text`. Plain lines (blank lines and lines starting with "#" skipped; a
// "#" after white space starts a comment) are numeric IPv4 addresses with an optional port; they
// and key/value entries without "appid" get `appId`. A text whose first line that is not blank or
// a comment starts with a double quote or "{" is read as the key/value form.
FavoritesTextReading ReadFavoritesText(std::string_view text, AppId_t appId);

// Writes `servers` in `form`; what ReadFavoritesText reads back as the same servers (the plain
// form drops the query port and the application).
std::string WriteFavoritesText(const std::vector<FavoriteAddress> &servers, EFavoritesTextForm form);

// Parses "a.b.c.d" or "a.b.c.d:port" exactly (decimal parts 0-255, a port 1-65535, nothing
// around them). Null on success, else the token saying why not.
const char *ParseFavoriteAddress(std::string_view text, uint32 &ip, uint16 &port);

// "a.b.c.d:port".
std::string FavoriteAddressText(uint32 ip, uint16 port);
