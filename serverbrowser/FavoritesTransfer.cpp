// Favourites as text. Sections: addresses and numbers; the plain list; the key/value form;
// writing.
#include "serverbrowser/FavoritesTransfer.h"

#include <cstdio>

#include "tier1/KeyValues.h"

namespace {

constexpr char kNotAnAddress[] = "#ServerBrowser_ImportNotAnAddress";
constexpr char kIPv6Address[] = "#ServerBrowser_ImportIPv6";
constexpr char kBadPort[] = "#ServerBrowser_ImportBadPort";
constexpr char kNoAddress[] = "#ServerBrowser_ImportNoAddress";
constexpr char kBadNumber[] = "#ServerBrowser_ImportBadNumber";
constexpr char kUnreadable[] = "#ServerBrowser_ImportUnreadable";

// Lines longer than this are shown cut in the report: a line of a binary file may be huge.
constexpr size_t kShownLineLength = 80;

// ---- addresses and numbers

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  return text;
}

// A run of 1 to `maxDigits` decimal digits at the front of `text`, taken off it; false when none.
bool TakeNumber(std::string_view &text, size_t maxDigits, uint32 &value) {
  size_t length = 0;
  value = 0;
  while (length < text.size() && IsDigit(text[length])) {
    if (++length > maxDigits) return false;
    value = value * 10 + static_cast<uint32>(text[length - 1] - '0');
  }
  text.remove_prefix(length);
  return length > 0;
}

// Text that only an IPv6 address would look like: brackets, or two colons or more.
bool LooksLikeIPv6(std::string_view text) {
  size_t colons = 0;
  for (char c : text) colons += c == ':';
  return text.front() == '[' || colons >= 2;
}

std::string ShownLine(std::string_view text) {
  if (text.size() <= kShownLineLength) return std::string(text);
  size_t cut = kShownLineLength;
  // Whole UTF-8 characters only: continuation bytes stay with their lead byte.
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return std::string(text.substr(0, cut)) + "...";
}

// ---- the plain list

// The line without a comment that follows white space.
std::string_view WithoutComment(std::string_view line) {
  for (size_t i = 1; i < line.size(); ++i) {
    if (line[i] == '#' && (line[i - 1] == ' ' || line[i - 1] == '\t')) return Trim(line.substr(0, i));
  }
  return line;
}

// Adds `server` unless the reading has its address already.
void Keep(FavoritesTextReading &reading, const FavoriteAddress &server) {
  for (const FavoriteAddress &kept : reading.servers) {
    if (kept.SameServer(server)) {
      ++reading.repeated;
      return;
    }
  }
  reading.servers.push_back(server);
}

// Calls `each` with every line (its number from 1, without its line break and outer white space).
template <class Each>
void ForEachLine(std::string_view text, Each each) {
  int number = 0;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    each(++number, Trim(line));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
}

bool IsCommentOrBlank(std::string_view line) {
  return line.empty() || line.front() == '#' || line.substr(0, 2) == "//";
}

void ReadPlainList(std::string_view text, AppId_t appId, FavoritesTextReading &reading) {
  ForEachLine(text, [&](int number, std::string_view line) {
    if (IsCommentOrBlank(line)) return;
    const std::string_view address = WithoutComment(line);
    FavoriteAddress server;
    server.appId = appId;
    if (const char *reason = ParseFavoriteAddress(address, server.ip, server.connPort)) {
      reading.problems.push_back({number, ShownLine(line), reason});
      return;
    }
    server.queryPort = server.connPort;
    Keep(reading, server);
  });
}

// ---- the key/value form

// The line on which each entry of the first top-level block starts, in order. The reader keeps
// no places, so the text is walked once more: quoted strings, "//" comments and braces.
std::vector<int> EntryLines(std::string_view text) {
  std::vector<int> lines;
  int line = 1, depth = 0;
  bool expectKey = true;  // at depth 1: a key comes next, not its value
  size_t i = 0;
  const auto token = [&](bool open, bool close) {
    if (close) {
      depth = depth > 0 ? depth - 1 : 0;
      expectKey = true;
    } else if (open) {
      ++depth;
      expectKey = true;
    } else if (depth == 1) {
      if (expectKey) lines.push_back(line);
      expectKey = !expectKey;
    }
  };
  while (i < text.size()) {
    const char c = text[i];
    if (c == '\n') {
      ++line;
      ++i;
    } else if (IsSpace(c)) {
      ++i;
    } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '/') {
      while (i < text.size() && text[i] != '\n') ++i;
    } else if (c == '{' || c == '}') {
      if (c == '{' && depth == 1) expectKey = false;  // a block is the key's value
      token(c == '{', c == '}');
      ++i;
    } else if (c == '"') {
      token(false, false);
      for (++i; i < text.size() && text[i] != '"'; ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '"') ++i;
        if (text[i] == '\n') ++line;
      }
      ++i;
    } else {
      token(false, false);
      while (i < text.size() && !IsSpace(text[i]) && text[i] != '"' && text[i] != '{' && text[i] != '}') ++i;
    }
  }
  return lines;
}

// A decimal number of at most `maxValue`, the whole text.
bool ParseNumber(std::string_view text, uint32 maxValue, uint32 &value) {
  text = Trim(text);
  return TakeNumber(text, 10, value) && text.empty() && value <= maxValue;
}

void ReadEntry(KeyValues *entry, int line, AppId_t appId, FavoritesTextReading &reading) {
  const std::string address = entry->GetFirstSubKey() ? entry->GetString("address", "") : "";
  const std::string shown = "\"" + std::string(entry->GetName()) + "\" \"address\" \"" + address + "\"";
  if (address.empty()) {
    reading.problems.push_back({line, ShownLine("\"" + std::string(entry->GetName()) + "\""), kNoAddress});
    return;
  }
  FavoriteAddress server;
  if (const char *reason = ParseFavoriteAddress(Trim(address), server.ip, server.connPort)) {
    reading.problems.push_back({line, ShownLine(shown), reason});
    return;
  }
  uint32 queryPort = server.connPort, app = appId;
  const char *queryText = entry->GetString("queryport", "");
  const char *appText = entry->GetString("appid", "");
  if ((*queryText && (!ParseNumber(queryText, 65535, queryPort) || queryPort == 0)) ||
      (*appText && !ParseNumber(appText, 0xFFFFFF, app))) {
    reading.problems.push_back({line, ShownLine(shown), kBadNumber});
    return;
  }
  server.queryPort = static_cast<uint16>(queryPort);
  server.appId = app;
  Keep(reading, server);
}

void ReadKeyValues(std::string_view text, AppId_t appId, FavoritesTextReading &reading) {
  reading.keyValueForm = true;
  const std::string copy(text);
  KeyValuesAD root(new KeyValues("Favorites"));
  std::string errors;
  if (!root->LoadFromBuffer("favorites", copy.c_str(), &errors)) {
    // What could be read is kept; the reader's first report says where it stopped.
    const std::string_view first = Trim(std::string_view(errors).substr(0, errors.find('\n')));
    reading.problems.push_back({0, ShownLine(first), kUnreadable});
  }
  const std::vector<int> lines = EntryLines(text);
  size_t index = 0;
  for (KeyValues *entry = root->GetFirstSubKey(); entry; entry = entry->GetNextKey(), ++index)
    ReadEntry(entry, index < lines.size() ? lines[index] : 0, appId, reading);
}

}  // namespace

const char *ParseFavoriteAddress(std::string_view text, uint32 &ip, uint16 &port) {
  if (text.empty()) return kNotAnAddress;
  if (LooksLikeIPv6(text)) return kIPv6Address;
  std::string_view rest = text;
  uint32 address = 0;
  for (int part = 0; part < 4; ++part) {
    if (part > 0) {
      if (rest.empty() || rest.front() != '.') return kNotAnAddress;
      rest.remove_prefix(1);
    }
    uint32 value = 0;
    if (!TakeNumber(rest, 3, value) || value > 255) return kNotAnAddress;
    address = (address << 8) | value;
  }
  uint32 number = kFavoriteDefaultPort;
  if (!rest.empty()) {
    if (rest.front() != ':') return kNotAnAddress;
    rest.remove_prefix(1);
    if (!TakeNumber(rest, 5, number) || !rest.empty() || number == 0 || number > 65535) return kBadPort;
  }
  // 0.0.0.0 names no server: the services refuse to store it.
  if (address == 0) return kNotAnAddress;
  ip = address;
  port = static_cast<uint16>(number);
  return nullptr;
}

std::string FavoriteAddressText(uint32 ip, uint16 port) {
  char text[32];
  snprintf(text, sizeof(text), "%u.%u.%u.%u:%u", (ip >> 24) & 0xFF, (ip >> 16) & 0xFF, (ip >> 8) & 0xFF,
           ip & 0xFF, static_cast<unsigned>(port));
  return text;
}

FavoritesTextReading ReadFavoritesText(std::string_view text, AppId_t appId) {
  FavoritesTextReading reading;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  bool keyValues = false;
  bool decided = false;
  ForEachLine(text, [&](int, std::string_view line) {
    if (decided || IsCommentOrBlank(line)) return;
    decided = true;
    keyValues = line.front() == '"' || line.front() == '{';
  });
  if (keyValues)
    ReadKeyValues(text, appId, reading);
  else
    ReadPlainList(text, appId, reading);
  return reading;
}

// ---- writing

std::string WriteFavoritesText(const std::vector<FavoriteAddress> &servers, EFavoritesTextForm form) {
  std::string text;
  if (form == EFavoritesTextForm::Plain) {
    text = "# Favorite servers, one address a line\n";
    for (const FavoriteAddress &server : servers)
      text += FavoriteAddressText(server.ip, server.connPort) + "\n";
    return text;
  }
  text = "\"Favorites\"\n{\n";
  for (const FavoriteAddress &server : servers) {
    text += "\t\"server\"\t{ \"address\" \"" + FavoriteAddressText(server.ip, server.connPort) +
            "\" \"queryport\" \"" + std::to_string(server.queryPort) + "\" \"appid\" \"" +
            std::to_string(server.appId) + "\" }\n";
  }
  text += "}\n";
  return text;
}
