// In-process client services for the browser's suites: list requests that the test answers by
// hand, the store of favourites and history, application values, the ban question, and a queue
// of notifications delivered by the per-frame pump.
#pragma once

#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "plexa/iclientapps.h"
#include "plexa/iclientfriends.h"
#include "plexa/iclientmatchmaking.h"
#include "plexa/iclientmatchmakingservers.h"
#include "plexa/iclientuser.h"
#include "plexa/iclientutils.h"
#include "plexa/iplexaclientnotices.h"

namespace sbtest {

// One list request as the browser made it.
struct FakeListRequest {
  int source = -1;  // the EServerSource of the call
  AppId_t appId = 0;
  std::vector<std::pair<std::string, std::string>> filters;
  IPlexaMatchmakingServerListResponse *response = nullptr;
  std::unordered_map<int, ServerRecord> servers;  // by server index
  bool running = true;
  bool freed = false;
  int stops = 0;
  int repeats = 0;
  std::vector<int> requeried;
  // The filter pairs with key `key`.
  int CountFilter(const std::string &key) const;
};

struct StoredServerCall {
  AppId_t appId;
  uint32 ip;
  uint16 connPort;
  uint16 queryPort;
  uint32 flags;
  uint32 time;
};

// A player as a player-list answer reports it.
struct FakePlayer {
  const char *name;
  int score;
  float timePlayed;
};

// A friend as the services describe it.
struct FakeFriend {
  std::string name;
  int32 flags = 0;
  bool playing = false;
  FriendGameInfo game{};
  std::string title;
  std::map<std::string, std::string> presence;  // rich presence of the friend's application
};

class FakeServices final : public IClientUser,
                           public IClientFriends,
                           public IClientUtils,
                           public IClientMatchmaking,
                           public IClientApps,
                           public IClientMatchmakingServers,
                           public IPlexaClientNotices {
 public:
  FakeServices();
  ~FakeServices();
  FakeServices(const FakeServices &) = delete;
  FakeServices &operator=(const FakeServices &) = delete;

  // Binds these interfaces (and the notification queue) as the process's services; Unbind forgets
  // them. The destructor unbinds.
  void Bind();
  void Unbind();

  // ---- the test's side
  // A record with the usual fields of an answering server at ip:port (query = connection port).
  static ServerRecord MakeServer(const char *name, uint32 ip, uint16 port, int ping, AppId_t appId = 500,
                                 const char *gameDir = "ashfall", const char *map = "harbor", int players = 4,
                                 int maxPlayers = 16);
  // The last request made, or null.
  FakeListRequest *LastRequest();
  FakeListRequest *Request(ListRequestHandle handle);
  int RequestCount() const { return static_cast<int>(m_Requests.size()); }
  // Every request in the order made.
  const std::vector<FakeListRequest *> &Requests() const { return m_Requests; }
  // Stores the record under `index` and tells the request's response it answered (or was silent).
  void Answer(ListRequestHandle handle, int index, const ServerRecord &server);
  void Silent(ListRequestHandle handle, int index, const ServerRecord &server);
  void Done(ListRequestHandle handle, EMatchMakingListOutcome outcome = eListServersAnswered);
  // Queues a notification for the next ClientAPI_RunCallbacks.
  void QueueCallback(int iCallback, const void *payload, int size);
  template <class T>
  void QueueCallback(const T &payload) {
    QueueCallback(T::k_iCallback, &payload, static_cast<int>(sizeof(T)));
  }
  void SetAppValue(AppId_t appId, const char *key, const char *value);

  // ---- server queries (pings and player lists) the test answers through the services, so that
  // the services know which ones are still out, as the real ones do
  // Handles of the pings (or player lists) neither answered here nor aborted, oldest first.
  std::vector<ServerQueryHandle> OpenQueries(bool players) const;
  int OpenQueryCount() const { return static_cast<int>(m_OpenQueries.size()); }
  // The answer ends the query before its face hears of it (the face may ask again at once).
  void AnswerPing(ServerQueryHandle query, const ServerRecord &server);
  void SilentPing(ServerQueryHandle query);
  void AnswerPlayers(ServerQueryHandle query, const std::vector<FakePlayer> &players);
  // Aborts of a handle that was not out (finished, aborted before or never given): a caller that
  // does this may cancel whatever request the number names next.
  int m_nStaleAborts = 0;
  // List requests made and not freed.
  int OpenListRequestCount() const;
  // Forgets the records of freed requests (their shells stay, so handles stay unique): long runs
  // measure the browser's memory, not this stand-in's.
  void DropFreedRecords();
  // Forgets every call kept for tests to inspect and deletes freed requests, so that a run of
  // thousands of cycles measures the browser alone. A later request may then get the handle of a
  // freed one: runs that check handles never call this.
  void ForgetHistory();

  bool m_bOffline = false;
  std::set<AppId_t> m_BannedApps;
  int m_nBanQuestions = 0;
  std::string m_ConfigFolder;
  // The copy the store was kept as, told once through the notices.
  std::string m_DamagedStoreCopy;
  std::set<AppId_t> m_UnavailableApps;
  std::vector<StoredServerCall> m_Added;
  std::vector<StoredServerCall> m_Removed;
  int32 m_nStoredCount = 0;
  std::vector<std::pair<uint32, uint16>> m_Pings;  // (ip, query port) of RequestPing
  std::vector<IPlexaMatchmakingPingResponse *> m_PingResponses;
  std::vector<ServerQueryHandle> m_Aborted;                 // handles given to AbortServerRequest
  std::vector<std::pair<uint32, uint16>> m_PlayerRequests;  // (ip, query port) of RequestPlayers
  std::vector<IPlexaMatchmakingPlayersResponse *> m_PlayerResponses;
  std::map<PlexaId_t, FakeFriend> m_Friends;
  std::vector<std::pair<AppId_t, PlexaId_t>> m_PresenceRequests;
  std::vector<std::pair<std::string, std::string>> m_RunningGameConnects;  // (address, password)
  std::vector<std::string> m_FriendJoins;                                  // connect strings

  // ---- IPlexaClientNotices
  const char *TakeDamagedStoreCopy() override;
  // ---- IClientUser
  bool IsBannedForApp(AppId_t appId) override;
  bool GetUserConfigFolder(char *buffer, int bufferSize) override;
  bool IsAppAvailable(AppId_t appId) override;
  // ---- IClientFriends
  const char *FriendDisplayName(PlexaId_t friendId) override;
  bool FriendCurrentGame(PlexaId_t friendId, FriendGameInfo *game) override;
  const char *FriendGameTitle(PlexaId_t friendId) override;
  int32 FriendFlags(PlexaId_t friendId) override;
  const char *FriendPresenceValue(AppId_t appId, PlexaId_t friendId, const char *key) override;
  void RequestFriendPresence(AppId_t appId, PlexaId_t friendId) override;
  void ConnectRunningGame(const char *address, const char *password) override;
  void JoinRunningGameToFriend(AppId_t appId, PlexaId_t friendId, const char *connect) override;
  // ---- IClientUtils
  bool IsClientOffline() override { return m_bOffline; }
  // ---- IClientMatchmaking
  int32 CountStoredServers() override { return m_nStoredCount; }
  void AddStoredServer(AppId_t appId, uint32 ip, uint16 connPort, uint16 queryPort, uint32 flags,
                       uint32 lastPlayed) override;
  bool RemoveStoredServer(AppId_t appId, uint32 ip, uint16 connPort, uint16 queryPort, uint32 flags) override;
  // ---- IClientApps
  int32 ReadAppValue(AppId_t appId, const char *key, char *buffer, int32 bufferSize) override;
  uint32 ListAppIds(AppId_t *ids, uint32 capacity) override;
  // ---- IClientMatchmakingServers
  ListRequestHandle RequestInternetList(AppId_t appId, const MatchMakingKeyValuePair_t *filters, uint32 count,
                                        IPlexaMatchmakingServerListResponse *response) override;
  ListRequestHandle RequestLanList(AppId_t appId, IPlexaMatchmakingServerListResponse *response) override;
  ListRequestHandle RequestFriendsList(AppId_t appId, const MatchMakingKeyValuePair_t *filters, uint32 count,
                                       IPlexaMatchmakingServerListResponse *response) override;
  ListRequestHandle RequestFavoritesList(AppId_t appId, const MatchMakingKeyValuePair_t *filters,
                                         uint32 count,
                                         IPlexaMatchmakingServerListResponse *response) override;
  ListRequestHandle RequestHistoryList(AppId_t appId, const MatchMakingKeyValuePair_t *filters, uint32 count,
                                       IPlexaMatchmakingServerListResponse *response) override;
  ListRequestHandle RequestSpectatorList(AppId_t appId, const MatchMakingKeyValuePair_t *filters,
                                         uint32 count,
                                         IPlexaMatchmakingServerListResponse *response) override;
  void FreeListRequest(ListRequestHandle request) override;
  ServerRecord *GetListServerRecord(ListRequestHandle request, int index) override;
  void StopListRequest(ListRequestHandle request) override;
  void RepeatListRequest(ListRequestHandle request) override;
  bool IsListRequestRunning(ListRequestHandle request) override;
  void RequeryListServer(ListRequestHandle request, int index) override;
  ServerQueryHandle RequestPing(uint32 ip, uint16 queryPort,
                                IPlexaMatchmakingPingResponse *response) override;
  ServerQueryHandle RequestPlayers(uint32 ip, uint16 queryPort,
                                   IPlexaMatchmakingPlayersResponse *response) override;
  void AbortServerRequest(ServerQueryHandle query) override;

 private:
  ListRequestHandle MakeRequest(int source, AppId_t appId, const MatchMakingKeyValuePair_t *filters,
                                uint32 count, IPlexaMatchmakingServerListResponse *response);

  struct OpenQuery {
    IPlexaMatchmakingPingResponse *ping = nullptr;
    IPlexaMatchmakingPlayersResponse *players = nullptr;
  };
  // Takes `query` out of the open ones; false when it was not out.
  bool CloseQuery(ServerQueryHandle query, OpenQuery &closed);

  std::vector<FakeListRequest *> m_Requests;  // owned; a handle is the request's address
  std::map<ServerQueryHandle, OpenQuery> m_OpenQueries;
  size_t m_nPingsMade = 0;
  size_t m_nPlayerQueriesMade = 0;
  std::map<AppId_t, std::map<std::string, std::string>> m_AppValues;
  bool m_bBound = false;
  std::string m_TakenStoreCopy;  // what TakeDamagedStoreCopy handed out, alive until the next call
};

}  // namespace sbtest
