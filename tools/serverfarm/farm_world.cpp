// Reading the farm's servers. Keys the services also read keep their meaning; the farm's own keys
// (gametype, churn, up/down cycles...) are listed in the README.
#include "tools/serverfarm/farm_world.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "common/filesystem_helpers.h"
#include "plexaclient/net/net_address.h"
#include "tier1/KeyValues.h"
#include "tools/serverfarm/loopback_udp.h"

namespace {

// The services' "lists" words: a server on the LAN list and on no list a master serves.
bool IsLanOnly(std::string lists) {
  for (char &c : lists) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  const bool onLan = lists.find("lan") != std::string::npos;
  return onLan && lists.find("internet") == std::string::npos && lists.find("spectate") == std::string::npos;
}

const char *const kNames[] = {"Wren", "Tamsin",   "Oskar",  "Ilse",  "Bram",  "Corvin", "Maelis",  "Juno",
                              "Pike", "Rosalind", "Anselm", "Vesna", "Tobit", "Odalys", "Fenwick", "Liesl"};
const char *const kMaps[] = {"lf_quarry",   "lf_tidepool", "lf_cinder",
                             "lf_overpass", "lf_lanterns", "lf_glasshouse"};
const char *const kHosts[] = {"Copperfield", "North Ledge", "Brackwater",
                              "Saltmarsh",   "Ember Row",   "Highcombe"};

struct AppGame {
  std::string m_GameName;
  int m_nProtocol = 71;
};

// Each application's game name and protocol, from its "query" block.
std::map<uint64_t, AppGame> ReadAppGames(KeyValues *apps) {
  std::map<uint64_t, AppGame> games;
  if (!apps) return games;
  for (KeyValues *app = apps->GetFirstTrueSubKey(); app; app = app->GetNextTrueSubKey()) {
    KeyValues *query = app->FindKey("query");
    if (!query) continue;
    games[strtoull(app->GetName(), nullptr, 10)] = {query->GetString("gamename"),
                                                    query->GetInt("protocol", 71)};
  }
  return games;
}

std::string Text(KeyValues *entry, const char *key, const char *fallback, size_t maxBytes) {
  return Utf8ToServerBytes(entry->GetString(key, fallback), maxBytes);
}

// A player's name as a server keeps it: no quote (the line's delimiter), at most 31 bytes.
std::string PlayerName(std::string_view utf8) {
  std::string name = Utf8ToServerBytes(utf8, 64);
  std::erase(name, '"');
  return name.substr(0, k_nMaxPlayerName);
}

bool ReadServer(KeyValues *entry, const std::map<uint64_t, AppGame> &games, size_t index,
                FarmServerSetup &setup, std::string &problem) {
  NetAddress address;
  if (!ParseEndpoint(entry->GetString("address"), true, address) || address.m_bIPv6) {
    problem = std::string("bad address \"") + entry->GetString("address") + "\" (want a.b.c.d:port)";
    return false;
  }
  if (address.m_Bytes[0] != 127) {
    problem = std::string("address ") + entry->GetString("address") + " is not on loopback (127.0.0.0/8)";
    return false;
  }
  setup.m_unIP = address.IPv4();
  const int port = entry->GetInt("queryport", address.m_usPort);
  if (port < 0 || port > 65535) {
    problem = "queryport out of range";
    return false;
  }
  setup.m_usPort = static_cast<uint16_t>(port);
  ServerView &view = setup.m_View;
  const auto app = games.find(entry->GetUint64("appid"));
  view.m_HostName = Text(entry, "name", "", 256);
  view.m_MapName = Text(entry, "map", "", 64);
  view.m_GameDir = Text(entry, "gamedir", "", 64);
  view.m_Tags = Text(entry, "tags", "", 128);
  view.m_GameName =
      Text(entry, "gamename", app != games.end() ? app->second.m_GameName.c_str() : "Loopfield", 64);
  view.m_nProtocol = entry->GetInt("protocol", app != games.end() ? app->second.m_nProtocol : 71);
  view.m_nGameType = entry->GetInt("gametype", 0);
  view.m_nPure = entry->GetInt("pure", 1);
  view.m_Voip = Text(entry, "voip", "", 32);
  view.m_Version = Text(entry, "versiontext", "serverfarm 1.0 linux-x86_64", 128);
  view.m_nPrivateSlots = std::max(entry->GetInt("privateslots", 0), 0);
  view.m_bNeedPass = entry->GetBool("password");
  view.m_bSecure = entry->GetBool("secure");
  view.m_bRelay = entry->GetBool("proxy");

  std::vector<FarmPlayer> roster;
  if (KeyValues *players = entry->FindKey("playerlist")) {
    for (KeyValues *player = players->GetFirstTrueSubKey(); player; player = player->GetNextTrueSubKey())
      roster.push_back({PlayerName(player->GetString("name")), player->GetInt("score"), 0, false});
  }
  const int count = std::clamp(entry->GetInt("players", static_cast<int>(roster.size())), 0, 1024);
  view.m_nMaxClients = std::clamp(entry->GetInt("maxplayers", std::max(count, 16)), 1, 1024);
  roster.resize(static_cast<size_t>(std::min(count, view.m_nMaxClients)));
  // The last players are the bots; humans show a ping, bots 0.
  const int bots = std::clamp(entry->GetInt("bots"), 0, static_cast<int>(roster.size()));
  for (size_t i = 0; i < roster.size(); ++i) {
    FarmPlayer &player = roster[i];
    if (player.m_Name.empty()) player.m_Name = FarmPlayerName(index * 31 + i);
    player.m_bBot = i + static_cast<size_t>(bots) >= roster.size();
    player.m_nPingMs = player.m_bBot ? 0 : FarmPlayerPing(index * 7 + i);
  }
  view.m_Players = std::move(roster);

  setup.m_nLatencyMs = std::clamp(entry->GetInt("latency", 50), 0, 60000);
  setup.m_bSilent = entry->GetBool("silent");
  setup.m_bLanOnly = IsLanOnly(entry->GetString("lists", "internet"));
  setup.m_nChurnSeconds = std::max(entry->GetInt("churn", 0), 0);
  setup.m_nUpSeconds = std::max(entry->GetInt("upfor", 0), 0);
  setup.m_nDownSeconds = std::max(entry->GetInt("downfor", 0), 0);
  return true;
}

}  // namespace

std::string FarmPlayerName(uint64_t index) {
  const size_t count = std::size(kNames);
  std::string name = kNames[index % count];
  if (index >= count) name += std::to_string(index / count);
  return name;
}

int FarmPlayerPing(uint64_t index) {
  return 12 + static_cast<int>((index * 2654435761u) % 180);
}

bool LoadFarmWorld(const std::string &path, std::vector<FarmServerSetup> &out, std::string &errors) {
  out.clear();
  std::string text;
  if (!ReadCheckedFile(path, text, kMaxReadFileBytes, FileTrust::Any, &errors)) return false;
  KeyValuesAD root(new KeyValues("PlexaClient"));
  std::string parseErrors;
  if (!root->LoadFromBuffer(path.c_str(), text.c_str(), &parseErrors)) {
    errors = parseErrors.empty() ? path + ": not a key/value file" : parseErrors;
    return false;
  }
  const std::map<uint64_t, AppGame> games = ReadAppGames(root->FindKey("apps"));
  KeyValues *servers = root->FindKey("servers");
  if (!servers) {
    errors = path + ": no \"servers\" block";
    return false;
  }
  bool good = true;
  size_t index = 0;
  for (KeyValues *entry = servers->GetFirstTrueSubKey(); entry; entry = entry->GetNextTrueSubKey(), ++index) {
    FarmServerSetup setup;
    std::string problem;
    if (ReadServer(entry, games, index, setup, problem)) {
      out.push_back(std::move(setup));
    } else {
      errors += path + ": servers/" + std::to_string(index + 1) + ": " + problem + "\n";
      good = false;
    }
  }
  return good;
}

std::vector<FarmServerSetup> GenerateFarm(const GeneratedFarm &farm) {
  std::vector<FarmServerSetup> servers;
  const int count = std::clamp(farm.m_nCount, 0, 60000);
  servers.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    FarmServerSetup setup;
    setup.m_unIP =
        (127u << 24) | (static_cast<uint32_t>(1 + i / 250) << 8) | static_cast<uint32_t>(1 + i % 250);
    setup.m_usPort = farm.m_usPort;
    ServerView &view = setup.m_View;
    view.m_HostName = std::string(kHosts[i % std::size(kHosts)]) + " #" + std::to_string(i + 1);
    view.m_MapName = kMaps[(i / 3) % std::size(kMaps)];
    view.m_GameName = farm.m_GameName;
    view.m_nProtocol = farm.m_nProtocol;
    view.m_Version = "serverfarm 1.0 linux-x86_64";
    view.m_nMaxClients = 8 + 4 * (i % 4);
    const int players = (i * 7) % (view.m_nMaxClients + 1);
    for (int k = 0; k < players; ++k) {
      const uint64_t who = static_cast<uint64_t>(i) * 31 + static_cast<uint64_t>(k);
      const bool bot = k == 0 && i % 5 == 0;
      view.m_Players.push_back(
          {FarmPlayerName(who), (k * 13 + i) % 40 - 3, bot ? 0 : FarmPlayerPing(who), bot});
    }
    servers.push_back(std::move(setup));
  }
  return servers;
}
