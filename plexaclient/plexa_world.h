// The simulated world of the services stand-in, read from its key/value configuration file: the
// user, the application catalogue, friends, the universe of servers and the master server.
#pragma once

#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "plexa/matchmakingtypes.h"

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
};
