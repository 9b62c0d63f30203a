// The simulated world of the services stand-in, read from its key/value configuration file: the
// user, the application catalogue, friends, the universe of servers and the master server.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "plexa/matchmakingtypes.h"
#include "plexaclient/net/net_address.h"
#include "plexaclient/net/protocol_catalogue.h"

class KeyValues;

// Lists a simulated server appears in.
enum ESimList : uint32 {
  k_SimListInternet = 0x01,
  k_SimListSpectate = 0x02,
  k_SimListLan = 0x04,
  k_SimListFriends = 0x08,
};

// How the master server answers Internet and Spectate requests.
enum class EMasterMode { Answers, Empty, Silent };

struct SimPlayer {
  std::string m_Name;
  int m_nScore = 0;
  float m_flTimePlayed = 0.0f;
};

struct SimServer {
  ServerRecord m_Record{};  // as the server answers (m_bResponded and the ping set on answer)
  int m_nLatencyMs = 50;
  bool m_bSilent = false;
  bool m_bProxy = false;  // a spectator relay
  uint32 m_nLists = k_SimListInternet;
  std::vector<SimPlayer> m_Players;
};

struct SimFriend {
  PlexaId_t m_Id = 0;
  std::string m_Name;
  int32 m_nFlags = 0;
  bool m_bInGame = false;
  FriendGameInfo m_Game{};
  std::string m_GameTitle;
  // Rich presence per application: lower-case key -> value.
  std::map<AppId_t, std::map<std::string, std::string>> m_Presence;
};

struct SimApp {
  bool m_bAvailable = true;
  // Values by lower-case path ("gamedir", "common/name", ...).
  std::map<std::string, std::string> m_Values;
};

// A favourite or history entry; also the seed of the store when the user has none yet.
struct StoredServer {
  AppId_t m_nAppId = 0;
  uint32 m_nIP = 0;
  uint16 m_nConnPort = 0;
  uint16 m_nQueryPort = 0;
  uint32 m_nFlags = 0;
  uint32 m_nLastPlayed = 0;
};

// Reads the "server" blocks of `list` (favourites and history entries); entries that cannot be
// read are reported in `errors` and skipped. An entry may give its time as "lastplayedago" (seconds
// before now) instead of "lastplayed", so a seed stays recent whenever it is used.
void ReadStoredServers(KeyValues *list, std::vector<StoredServer> &out, std::string *errors);

struct SimSettings {
  EMasterMode m_eMaster = EMasterMode::Answers;
  int m_nMasterLatencyMs = 30;
  int m_nSilentTimeoutMs = 1500;  // when a silent server or master is given up
  int m_nFrameBudgetUs = 4000;    // answer delivery stops for the frame once this is spent
};

// Where list, ping and player requests are answered from.
enum class EServerBackend { Simulated, Network };

// LAN discovery asks every port of the range at one IPv4 address.
struct LanTarget {
  uint32 m_nIP = 0;
  uint16 m_usFirstPort = 0;
  uint16 m_usLastPort = 0;
};

// Which servers of a protocol family belong to an application (its "query" block).
struct AppQuery {
  AppId_t m_nAppId = 0;
  std::string m_Family;
  std::string m_GameName;
  int m_nProtocol = 0;
  bool m_bDefault = false;  // also the family's application for servers matching no entry
};

// The "network" block: read when the backend is the network.
struct NetworkSettings {
  std::string m_Family = "q3";
  std::vector<NetAddress> m_Masters;
  std::vector<LanTarget> m_Lan;  // the family's default ports at 127.0.0.1 when the block names none
  bool m_bBroadcast = false;
  int m_nInFlight = 64;
  int m_nMasterTimeoutMs = 8000;
  std::string m_Bind4 = "0.0.0.0";  // the sockets' own addresses
  std::string m_Bind6 = "::";
};

class CPlexaWorld {
 public:
  // Reads `path`. On a missing or broken file returns false, fills `errors` with the reader's
  // messages and leaves the world empty (with default settings and user folder).
  bool LoadFromFile(const std::string &path, std::string *errors);
  // Reads an already parsed configuration; entries that cannot be read are reported in `errors`
  // and skipped. A relative "configfolder" is taken from `baseFolder` (the file's folder).
  void LoadFromKeyValues(KeyValues *root, std::string *errors, const std::string &baseFolder);

  // --- user
  const std::string &ConfigFolder() const { return m_ConfigFolder; }
  bool IsOffline() const { return m_bOffline; }
  bool IsBanned(AppId_t appId) const { return m_Banned.count(appId) != 0; }
  const std::vector<StoredServer> &StoreSeed() const { return m_StoreSeed; }

  // --- catalogue and friends
  const std::map<AppId_t, SimApp> &Apps() const { return m_Apps; }
  const SimApp *FindApp(AppId_t appId) const;
  const std::map<PlexaId_t, SimFriend> &Friends() const { return m_Friends; }
  const SimFriend *FindFriend(PlexaId_t id) const;

  // --- servers
  const std::vector<SimServer> &Servers() const { return m_Servers; }
  const SimServer *FindByConnection(uint32 ip, uint16 connPort) const;
  const SimServer *FindByQuery(uint32 ip, uint16 queryPort) const;
  const SimSettings &Settings() const { return m_Settings; }

  // --- the network backend
  EServerBackend Backend() const { return m_eBackend; }
  const NetworkSettings &Network() const { return m_Network; }
  const std::vector<AppQuery> &AppQueries() const { return m_AppQueries; }
  // Built from the applications' query blocks; never null.
  const std::shared_ptr<const CProtocolCatalogue> &Catalogue() const { return m_pCatalogue; }

  // The configuration folder used when the file names none: $PLEXA_USER_DIR (the host hands its
  // user folder over there), else $XDG_CONFIG_HOME/serverbrowser, else ~/.config/serverbrowser.
  static std::string DefaultConfigFolder();
  // The user's folder named by the file: as given when absolute, else below `baseFolder`.
  static std::string ResolveConfigFolder(const std::string &named, const std::string &baseFolder);

 private:
  void ReadUser(KeyValues *user, std::string *errors, const std::string &baseFolder);
  void ReadApps(KeyValues *apps, std::string *errors);
  void ReadFriends(KeyValues *friends, std::string *errors);
  void ReadServers(KeyValues *servers, std::string *errors);
  void ReadSettings(KeyValues *root, std::string *errors);
  void ReadAppQuery(AppId_t appId, const SimApp &app, std::string *errors);
  void ReadNetwork(KeyValues *root, std::string *errors);
  void BuildCatalogue();
  bool ReadServer(KeyValues *entry, SimServer &server, std::string &problem);

  std::string m_ConfigFolder = DefaultConfigFolder();
  bool m_bOffline = false;
  std::set<AppId_t> m_Banned;
  std::vector<StoredServer> m_StoreSeed;
  std::map<AppId_t, SimApp> m_Apps;
  std::map<PlexaId_t, SimFriend> m_Friends;
  std::vector<SimServer> m_Servers;
  std::unordered_map<uint64, size_t> m_mapByConnection;
  std::unordered_map<uint64, size_t> m_mapByQuery;
  SimSettings m_Settings;
  EServerBackend m_eBackend = EServerBackend::Simulated;
  NetworkSettings m_Network;
  std::vector<AppQuery> m_AppQueries;
  std::shared_ptr<const CProtocolCatalogue> m_pCatalogue = std::make_shared<CProtocolCatalogue>();
};
