// Reading the stand-in's configuration. Entries that cannot be read are reported and skipped; the
// rest of the file is kept.
#include "plexaclient/plexa_world.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "common/filesystem_helpers.h"
#include "common/plexa/plain_files.h"
#include "kstdlib/strtools.h"
#include "plexaclient/address_text.h"
#include "plexaclient/net/protocol_registry.h"
#include "tier0/platform.h"
#include "tier1/KeyValues.h"
#include "tier1/keyvalues_text/keyvalues_reader.h"

namespace {

uint64 AddressKey(uint32 ip, uint16 port) {
  return (static_cast<uint64>(ip) << 16) | port;
}

std::string Lowered(const char *text) {
  std::string result = text ? text : "";
  for (char &c : result) c = V_tolower(c);
  return result;
}

void Report(std::string *errors, const std::string &message) {
  if (errors) *errors += message + "\n";
}

// Parses a whole decimal number; false on anything else.
bool ParseUint64(const char *text, uint64 &value) {
  const char *end = nullptr;
  bool overflow = false;
  value = V_StringToUint64(text, &end, &overflow);
  return end != text && *end == '\0' && !overflow;
}

// Every value under `node`, keyed by its lower-case path below it ("common/name").
void FlattenValues(KeyValues *node, const std::string &prefix, std::map<std::string, std::string> &values) {
  for (KeyValues *child = node->GetFirstSubKey(); child; child = child->GetNextKey()) {
    const std::string path =
        prefix.empty() ? Lowered(child->GetName()) : prefix + "/" + Lowered(child->GetName());
    if (child->GetFirstSubKey())
      FlattenValues(child, path, values);
    else
      values[path] = child->GetString();
  }
}

template <size_t N>
void CopyField(char (&field)[N], const char *text) {
  V_strncpy(field, text ? text : "", N);
}

// An absolute folder without "." or ".." parts or a trailing "/": the text every caller is handed.
std::string NormalFolder(const std::filesystem::path &folder) {
  std::error_code failure;
  std::filesystem::path result = std::filesystem::absolute(folder, failure);
  if (failure) result = folder;
  result = result.lexically_normal();
  if (!result.has_filename() && result.has_relative_path()) result = result.parent_path();
  return result.string();
}

uint32 ParseLists(const char *text) {
  uint32 lists = 0;
  std::string words = Lowered(text);
  for (size_t start = 0; start < words.size();) {
    size_t end = words.find_first_of(" ,", start);
    if (end == std::string::npos) end = words.size();
    const std::string word = words.substr(start, end - start);
    if (word == "internet") lists |= k_SimListInternet;
    if (word == "spectate") lists |= k_SimListSpectate;
    if (word == "lan") lists |= k_SimListLan;
    if (word == "friends") lists |= k_SimListFriends;
    start = end + 1;
  }
  return lists;
}

// "a.b.c.d", "a.b.c.d:port" or "a.b.c.d:first-last"; a LAN scan stays small.
constexpr int kMaxLanPorts = 256;
bool ParseLanTarget(const char *text, uint16 defaultPort, LanTarget &target) {
  std::string head = text;
  uint16 last = 0;
  const size_t dash = head.find('-');
  if (dash != std::string::npos) {
    uint64 value = 0;
    if (!ParseUint64(head.c_str() + dash + 1, value) || value == 0 || value > 65535) return false;
    last = static_cast<uint16>(value);
    head.resize(dash);
  }
  uint16 port = defaultPort;
  if (!ParseIPv4(head.c_str(), target.m_nIP, port) || target.m_nIP == 0) return false;
  if (dash != std::string::npos && head.find(':') == std::string::npos) return false;
  target.m_usFirstPort = port;
  target.m_usLastPort = last ? last : port;
  return target.m_usLastPort >= target.m_usFirstPort &&
         target.m_usLastPort - target.m_usFirstPort < kMaxLanPorts;
}

}  // namespace

void ReadStoredServers(KeyValues *list, std::vector<StoredServer> &out, std::string *errors) {
  for (KeyValues *entry = list->GetFirstTrueSubKey(); entry; entry = entry->GetNextTrueSubKey()) {
    StoredServer server;
    server.m_nAppId = static_cast<AppId_t>(entry->GetUint64("appid"));
    if (!ParseIPv4(entry->GetString("address"), server.m_nIP, server.m_nConnPort) || server.m_nIP == 0 ||
        server.m_nConnPort == 0) {
      Report(errors, std::string("stored server: bad address \"") + entry->GetString("address") + "\"");
      continue;
    }
    server.m_nQueryPort = static_cast<uint16>(entry->GetInt("queryport", server.m_nConnPort));
    server.m_nFlags = static_cast<uint32>(entry->GetInt("flags", 1)) & 3u;
    server.m_nLastPlayed = static_cast<uint32>(entry->GetUint64("lastplayed"));
    if (!entry->FindKey("lastplayed") && entry->FindKey("lastplayedago")) {
      const uint64 ago = entry->GetUint64("lastplayedago");
      const uint32 now = Plat_UnixTime();
      server.m_nLastPlayed = ago < now ? now - static_cast<uint32>(ago) : 0;
    }
    if (server.m_nFlags) out.push_back(server);
  }
}

std::string CPlexaWorld::DefaultConfigFolder() {
  const char *handed = getenv("PLEXA_USER_DIR");
  if (handed && *handed) return NormalFolder(handed);
  const char *xdg = getenv("XDG_CONFIG_HOME");
  if (xdg && *xdg) return std::string(xdg) + "/serverbrowser";
  const char *home = getenv("HOME");
  return std::string(home && *home ? home : "/tmp") + "/.config/serverbrowser";
}

bool CPlexaWorld::LoadFromFile(const std::string &path, std::string *errors) {
  *this = CPlexaWorld();
  std::string text, why;
  if (!ReadCheckedFile(path, text, kMaxReadFileBytes, FileTrust::Any, &why)) {
    Report(errors, why);
    return false;
  }
  KeyValuesAD root(new KeyValues("PlexaClient"));
  std::string parseErrors;
  if (!LoadKeyValuesWithPlaces(root.get(), path.c_str(), text.c_str(), &parseErrors)) {
    Report(errors, parseErrors.empty() ? "'" + path + "' is not a key/value file" : parseErrors);
    return false;
  }
  LoadFromKeyValues(root.get(), errors, NormalFolder(std::filesystem::path(path).parent_path()));
  return true;
}

std::string CPlexaWorld::ResolveConfigFolder(const std::string &named, const std::string &baseFolder) {
  const std::filesystem::path folder(named);
  return NormalFolder(folder.is_absolute() ? folder : std::filesystem::path(baseFolder) / folder);
}

void CPlexaWorld::LoadFromKeyValues(KeyValues *root, std::string *errors, const std::string &baseFolder) {
  if (KeyValues *user = root->FindKey("user")) ReadUser(user, errors, baseFolder);
  if (KeyValues *apps = root->FindKey("apps")) ReadApps(apps, errors);
  if (KeyValues *friends = root->FindKey("friends")) ReadFriends(friends, errors);
  if (KeyValues *servers = root->FindKey("servers")) ReadServers(servers, errors);
  ReadSettings(root, errors);
  ReadNetwork(root, errors);
  BuildCatalogue();
}

void CPlexaWorld::ReadUser(KeyValues *user, std::string *errors, const std::string &baseFolder) {
  // The file's own folder wins over the one the host handed over; a relative one sits beside the file.
  const char *folder = user->GetString("configfolder", "");
  if (*folder) m_ConfigFolder = ResolveConfigFolder(folder, baseFolder);
  m_bOffline = user->GetBool("offline");
  if (KeyValues *banned = user->FindKey("banned")) {
    for (KeyValues *entry = banned->GetFirstValue(); entry; entry = entry->GetNextValue()) {
      uint64 appId = 0;
      if (ParseUint64(entry->GetString(), appId) && appId <= 0xFFFFFFFFu)
        m_Banned.insert(static_cast<AppId_t>(appId));
      else
        Report(errors, std::string("user/banned: \"") + entry->GetString() + "\" is not an application id");
    }
  }
  if (KeyValues *stored = user->FindKey("stored")) ReadStoredServers(stored, m_StoreSeed, errors);
}

void CPlexaWorld::ReadApps(KeyValues *apps, std::string *errors) {
  for (KeyValues *entry = apps->GetFirstTrueSubKey(); entry; entry = entry->GetNextTrueSubKey()) {
    uint64 appId = 0;
    if (!ParseUint64(entry->GetName(), appId) || appId == 0 || appId > 0xFFFFFFFFu) {
      Report(errors, std::string("apps: \"") + entry->GetName() + "\" is not an application id");
      continue;
    }
    SimApp app;
    app.m_bAvailable = entry->GetBool("available", true);
    FlattenValues(entry, "", app.m_Values);
    app.m_Values.erase("available");
    // Most applications' game id is their application id.
    app.m_Values.emplace("gameid", std::to_string(appId));
    ReadAppQuery(static_cast<AppId_t>(appId), app, errors);
    m_Apps[static_cast<AppId_t>(appId)] = std::move(app);
  }
}

void CPlexaWorld::ReadFriends(KeyValues *friends, std::string *errors) {
  for (KeyValues *entry = friends->GetFirstTrueSubKey(); entry; entry = entry->GetNextTrueSubKey()) {
    SimFriend buddy;
    if (!ParseUint64(entry->GetName(), buddy.m_Id) || buddy.m_Id == 0) {
      Report(errors, std::string("friends: \"") + entry->GetName() + "\" is not an account id");
      continue;
    }
    buddy.m_Name = entry->GetString("name");
    buddy.m_nFlags = entry->GetInt("flags");
    buddy.m_GameTitle = entry->GetString("title");
    if (KeyValues *game = entry->FindKey("game")) {
      buddy.m_bInGame = true;
      buddy.m_Game.m_gameID = game->GetUint64("gameid", game->GetUint64("appid"));
      uint16 unusedPort = 0;
      const char *ip = game->GetString("ip", "");
      if (*ip && !ParseIPv4(ip, buddy.m_Game.m_unGameIP, unusedPort))
        Report(errors, "friends/" + std::string(entry->GetName()) + ": bad game address \"" + ip + "\"");
      buddy.m_Game.m_usGamePort = static_cast<uint16>(game->GetInt("gameport"));
      buddy.m_Game.m_usQueryPort = static_cast<uint16>(game->GetInt("queryport", 0xFFFF));
      buddy.m_Game.m_PlexaIdLobby = game->GetUint64("lobby");
    }
    if (KeyValues *presence = entry->FindKey("presence")) {
      for (KeyValues *app = presence->GetFirstTrueSubKey(); app; app = app->GetNextTrueSubKey()) {
        uint64 appId = 0;
        if (!ParseUint64(app->GetName(), appId) || appId > 0xFFFFFFFFu) continue;
        auto &values = buddy.m_Presence[static_cast<AppId_t>(appId)];
        for (KeyValues *value = app->GetFirstValue(); value; value = value->GetNextValue())
          values[Lowered(value->GetName())] = value->GetString();
      }
    }
    m_Friends[buddy.m_Id] = std::move(buddy);
  }
}

void CPlexaWorld::ReadServers(KeyValues *servers, std::string *errors) {
  int position = 0;
  for (KeyValues *entry = servers->GetFirstTrueSubKey(); entry; entry = entry->GetNextTrueSubKey()) {
    ++position;
    SimServer server;
    std::string problem;
    if (!ReadServer(entry, server, problem)) {
      Report(errors, "servers: entry " + std::to_string(position) + ": " + problem);
      continue;
    }
    if (FindByConnection(server.m_Record.m_NetAdr.GetIP(), server.m_Record.m_NetAdr.GetConnectionPort())) {
      Report(errors, "servers: entry " + std::to_string(position) + ": address listed twice");
      continue;
    }
    m_Servers.push_back(std::move(server));
    const ServerAddress &adr = m_Servers.back().m_Record.m_NetAdr;
    m_mapByConnection.emplace(AddressKey(adr.GetIP(), adr.GetConnectionPort()), m_Servers.size() - 1);
    m_mapByQuery.emplace(AddressKey(adr.GetIP(), adr.GetQueryPort()), m_Servers.size() - 1);
  }
}

bool CPlexaWorld::ReadServer(KeyValues *entry, SimServer &server, std::string &problem) {
  uint32 ip = 0;
  uint16 port = 0;
  if (!ParseIPv4(entry->GetString("address"), ip, port) || ip == 0 || port == 0) {
    problem = std::string("bad address \"") + entry->GetString("address") + "\" (want a.b.c.d:port)";
    return false;
  }
  ServerRecord &record = server.m_Record;
  record.m_NetAdr.Init(ip, static_cast<uint16>(entry->GetInt("queryport", port)), port);
  CopyField(record.m_szServerName, entry->GetString("name"));
  CopyField(record.m_szMapName, entry->GetString("map"));
  CopyField(record.m_szGameDirectory, entry->GetString("gamedir"));
  CopyField(record.m_szDescription, entry->GetString("description"));
  CopyField(record.m_szTags, entry->GetString("tags"));
  record.m_nAppId = static_cast<AppId_t>(entry->GetUint64("appid"));
  record.m_nPlayerLimit = entry->GetInt("maxplayers");
  record.m_nBotCount = entry->GetInt("bots");
  record.m_bHasPassword = entry->GetBool("password");
  record.m_bIsSecure = entry->GetBool("secure");
  record.m_nVersion = entry->GetInt("version");
  record.m_PlexaId = entry->GetUint64("plexaid");
  record.m_nLastPlayedTime = static_cast<uint32>(entry->GetUint64("lastplayed"));

  if (KeyValues *players = entry->FindKey("playerlist")) {
    for (KeyValues *player = players->GetFirstTrueSubKey(); player; player = player->GetNextTrueSubKey())
      server.m_Players.push_back(
          {player->GetString("name"), player->GetInt("score"), player->GetFloat("time")});
  }
  record.m_nPlayerCount = entry->GetInt("players", static_cast<int>(server.m_Players.size()));
  server.m_nLatencyMs = entry->GetInt("latency", 50);
  if (server.m_nLatencyMs < 0) server.m_nLatencyMs = 0;
  server.m_bSilent = entry->GetBool("silent");
  server.m_bProxy = entry->GetBool("proxy");
  server.m_nLists = ParseLists(entry->GetString("lists", "internet"));
  return true;
}

void CPlexaWorld::ReadSettings(KeyValues *root, std::string *errors) {
  if (KeyValues *master = root->FindKey("master")) {
    const char *mode = master->GetFirstSubKey() ? master->GetString("mode", "answers") : master->GetString();
    if (!V_stricmp(mode, "answers"))
      m_Settings.m_eMaster = EMasterMode::Answers;
    else if (!V_stricmp(mode, "empty"))
      m_Settings.m_eMaster = EMasterMode::Empty;
    else if (!V_stricmp(mode, "silent"))
      m_Settings.m_eMaster = EMasterMode::Silent;
    else
      Report(errors, std::string("master: \"") + mode + "\" is not answers, empty or silent");
    if (master->GetFirstSubKey())
      m_Settings.m_nMasterLatencyMs = master->GetInt("latency", m_Settings.m_nMasterLatencyMs);
  }
  if (KeyValues *settings = root->FindKey("settings")) {
    m_Settings.m_nSilentTimeoutMs = settings->GetInt("silenttimeout", m_Settings.m_nSilentTimeoutMs);
    m_Settings.m_nFrameBudgetUs = settings->GetInt("framebudgetus", m_Settings.m_nFrameBudgetUs);
  }
  if (m_Settings.m_nMasterLatencyMs < 0) m_Settings.m_nMasterLatencyMs = 0;
  if (m_Settings.m_nSilentTimeoutMs < 0) m_Settings.m_nSilentTimeoutMs = 0;
  if (m_Settings.m_nFrameBudgetUs < 100) m_Settings.m_nFrameBudgetUs = 100;
}

void CPlexaWorld::ReadAppQuery(AppId_t appId, const SimApp &app, std::string *errors) {
  const auto value = [&app](const char *key, const char *fallback) {
    auto it = app.m_Values.find(key);
    return it == app.m_Values.end() ? std::string(fallback) : it->second;
  };
  if (app.m_Values.lower_bound("query/") == app.m_Values.lower_bound("query0")) return;  // no block
  const std::string where = "apps/" + std::to_string(appId) + "/query: ";
  AppQuery query;
  query.m_nAppId = appId;
  query.m_Family = value("query/family", "q3");
  query.m_GameName = value("query/gamename", "");
  if (!FindProtocolFamily(query.m_Family)) {
    Report(errors, where + "no protocol family \"" + query.m_Family + "\"");
    return;
  }
  uint64 protocol = 0;
  const std::string protocolText = value("query/protocol", "");
  if (!ParseUint64(protocolText.c_str(), protocol) || protocol > 0x7FFFFFFF) {
    Report(errors, where + "protocol \"" + protocolText + "\" is not a number");
    return;
  }
  query.m_nProtocol = static_cast<int>(protocol);
  query.m_bDefault = value("query/default", "0") == "1";
  m_AppQueries.push_back(std::move(query));
}

void CPlexaWorld::ReadNetwork(KeyValues *root, std::string *errors) {
  const char *backend = root->GetString("backend", "simulated");
  if (!V_stricmp(backend, "network")) {
    m_eBackend = EServerBackend::Network;
  } else if (V_stricmp(backend, "simulated") != 0) {
    Report(errors, std::string("backend: \"") + backend + "\" is not simulated or network");
  }
  KeyValues *network = root->FindKey("network");
  NetworkSettings &settings = m_Network;
  if (network && network->GetFirstSubKey()) {
    const char *family = network->GetString("family", "q3");
    if (FindProtocolFamily(family))
      settings.m_Family = family;
    else
      Report(errors, std::string("network/family: no protocol family \"") + family + "\"");
  }
  const IProtocolFamily *family = FindProtocolFamily(settings.m_Family);
  if (network && network->GetFirstSubKey()) {
    if (KeyValues *masters = network->FindKey("masters")) {
      for (KeyValues *entry = masters->GetFirstValue(); entry; entry = entry->GetNextValue()) {
        NetAddress address;
        if (ParseNetAddress(entry->GetString(), family->DefaultMasterPort(), address))
          settings.m_Masters.push_back(address);
        else
          Report(errors, std::string("network/masters: bad address \"") + entry->GetString() + "\"");
      }
    }
    if (KeyValues *lan = network->FindKey("lan")) {
      for (KeyValues *entry = lan->GetFirstValue(); entry; entry = entry->GetNextValue()) {
        LanTarget target;
        if (ParseLanTarget(entry->GetString(), family->DefaultServerPort(), target))
          settings.m_Lan.push_back(target);
        else
          Report(errors, std::string("network/lan: bad target \"") + entry->GetString() +
                             "\" (want a.b.c.d, a.b.c.d:port or a.b.c.d:first-last, at most " +
                             std::to_string(kMaxLanPorts) + " ports)");
      }
    }
    settings.m_bBroadcast = network->GetBool("broadcast", false);
    settings.m_nInFlight = network->GetInt("inflight", settings.m_nInFlight);
    if (settings.m_nInFlight < 1 || settings.m_nInFlight > 4096) {
      Report(errors,
             "network/inflight: " + std::to_string(settings.m_nInFlight) + " is not within 1 to 4096");
      settings.m_nInFlight = 64;
    }
    settings.m_nMasterTimeoutMs = network->GetInt("mastertimeout", settings.m_nMasterTimeoutMs);
    if (settings.m_nMasterTimeoutMs < 100 || settings.m_nMasterTimeoutMs > 60000) {
      Report(errors, "network/mastertimeout: " + std::to_string(settings.m_nMasterTimeoutMs) +
                         " is not within 100 to 60000 ms");
      settings.m_nMasterTimeoutMs = 8000;
    }
    settings.m_Bind4 = network->GetString("bind", settings.m_Bind4.c_str());
    settings.m_Bind6 = network->GetString("bind6", settings.m_Bind6.c_str());
  }
  if (!network || !network->FindKey("lan")) {
    const uint16 port = family->DefaultServerPort();
    settings.m_Lan.push_back({0x7F000001u, port, static_cast<uint16>(port + 3)});
  }
}

void CPlexaWorld::BuildCatalogue() {
  auto catalogue = std::make_shared<CProtocolCatalogue>();
  for (const AppQuery &query : m_AppQueries) {
    const SimApp *app = FindApp(query.m_nAppId);
    ProtocolApp_t entry;
    entry.m_nAppId = query.m_nAppId;
    if (app) {
      auto value = [app](const char *key) {
        auto it = app->m_Values.find(key);
        return it == app->m_Values.end() ? std::string() : it->second;
      };
      entry.m_GameDir = value("gamedir");
      entry.m_Name = value("serverbrowsername");
      if (entry.m_Name.empty()) entry.m_Name = value("common/name");
    }
    catalogue->Add(query.m_Family, query.m_GameName, query.m_nProtocol, entry);
    if (query.m_bDefault) catalogue->SetDefault(query.m_Family, entry);
  }
  m_pCatalogue = std::move(catalogue);
}

const SimApp *CPlexaWorld::FindApp(AppId_t appId) const {
  auto it = m_Apps.find(appId);
  return it == m_Apps.end() ? nullptr : &it->second;
}

const SimFriend *CPlexaWorld::FindFriend(PlexaId_t id) const {
  auto it = m_Friends.find(id);
  return it == m_Friends.end() ? nullptr : &it->second;
}

const SimServer *CPlexaWorld::FindByConnection(uint32 ip, uint16 connPort) const {
  auto it = m_mapByConnection.find(AddressKey(ip, connPort));
  return it == m_mapByConnection.end() ? nullptr : &m_Servers[it->second];
}

const SimServer *CPlexaWorld::FindByQuery(uint32 ip, uint16 queryPort) const {
  auto it = m_mapByQuery.find(AddressKey(ip, queryPort));
  return it == m_mapByQuery.end() ? nullptr : &m_Servers[it->second];
}
