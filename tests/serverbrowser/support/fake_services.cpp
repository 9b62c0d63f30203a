#include "support/fake_services.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <utility>

#include "common/plexa/callback_mgr.h"
#include "plexa/client_api.h"

namespace sbtest {
namespace {

// The notification queue behind the three exports; one per process, like the services'.
std::deque<std::vector<uint8>> g_Queue;
std::deque<int> g_QueueIds;
std::vector<uint8> g_Current;

bool FakeGetCallback(HPlexaPipe, CallbackMsg_t *msg, PlexaAPICall_t *) {
  if (g_Queue.empty()) return false;
  g_Current = std::move(g_Queue.front());
  g_Queue.pop_front();
  msg->m_hPlexaUser = 1;
  msg->m_iCallback = g_QueueIds.front();
  g_QueueIds.pop_front();
  msg->m_pubParam = g_Current.data();
  msg->m_cubParam = static_cast<int32>(g_Current.size());
  return true;
}

bool FakeFreeLastCallback(HPlexaPipe) {
  g_Current.clear();
  return true;
}

bool FakeGetAPICallResult(HPlexaPipe, PlexaAPICall_t, void *, int, int, bool *failed) {
  if (failed) *failed = true;
  return false;
}

}  // namespace

int FakeListRequest::CountFilter(const std::string &key) const {
  return static_cast<int>(
      std::count_if(filters.begin(), filters.end(), [&](const auto &p) { return p.first == key; }));
}

FakeServices::FakeServices() = default;

FakeServices::~FakeServices() {
  Unbind();
  for (FakeListRequest *request : m_Requests) delete request;
}

void FakeServices::Bind() {
  ClientInterfacesForTest_t interfaces;
  interfaces.user = this;
  interfaces.friends = this;
  interfaces.utils = this;
  interfaces.matchmaking = this;
  interfaces.apps = this;
  interfaces.servers = this;
  interfaces.notices = this;
  ClientAPI_SetInterfacesForTest(interfaces);
  CCallbackMgr::Get().SetExports(FakeGetCallback, FakeFreeLastCallback, FakeGetAPICallResult);
  m_bBound = true;
}

const char *FakeServices::TakeDamagedStoreCopy() {
  m_TakenStoreCopy = std::exchange(m_DamagedStoreCopy, {});
  return m_TakenStoreCopy.c_str();
}

void FakeServices::Unbind() {
  if (!m_bBound) return;
  ClientAPI_SetInterfacesForTest({});
  if (CCallbackMgr::IsAlive()) CCallbackMgr::Get().SetExports(nullptr, nullptr, nullptr);
  g_Queue.clear();
  g_QueueIds.clear();
  m_bBound = false;
}

ServerRecord FakeServices::MakeServer(const char *name, uint32 ip, uint16 port, int ping, AppId_t appId,
                                      const char *gameDir, const char *map, int players, int maxPlayers) {
  ServerRecord server{};
  server.m_NetAdr.Init(ip, port, port);
  server.m_nPingMs = ping;
  server.m_bResponded = true;
  snprintf(server.m_szGameDirectory, sizeof(server.m_szGameDirectory), "%s", gameDir);
  snprintf(server.m_szMapName, sizeof(server.m_szMapName), "%s", map);
  snprintf(server.m_szDescription, sizeof(server.m_szDescription), "Ashfall Arena");
  server.m_nAppId = appId;
  server.m_nPlayerCount = players;
  server.m_nPlayerLimit = maxPlayers;
  snprintf(server.m_szServerName, sizeof(server.m_szServerName), "%s", name);
  return server;
}

FakeListRequest *FakeServices::LastRequest() {
  return m_Requests.empty() ? nullptr : m_Requests.back();
}

FakeListRequest *FakeServices::Request(ListRequestHandle handle) {
  // Newest first: answers mostly belong to the current request.
  for (auto it = m_Requests.rbegin(); it != m_Requests.rend(); ++it)
    if (*it == handle) return *it;
  return nullptr;
}

void FakeServices::Answer(ListRequestHandle handle, int index, const ServerRecord &server) {
  FakeListRequest *request = Request(handle);
  if (!request || request->freed) return;
  request->servers[index] = server;
  request->response->OnServerAnswered(handle, index);
}

void FakeServices::Silent(ListRequestHandle handle, int index, const ServerRecord &server) {
  FakeListRequest *request = Request(handle);
  if (!request || request->freed) return;
  request->servers[index] = server;
  request->response->OnServerSilent(handle, index);
}

void FakeServices::Done(ListRequestHandle handle, EMatchMakingListOutcome outcome) {
  FakeListRequest *request = Request(handle);
  if (!request || request->freed) return;
  request->running = false;
  request->response->OnListDone(handle, outcome);
}

void FakeServices::QueueCallback(int iCallback, const void *payload, int size) {
  const auto *bytes = static_cast<const uint8 *>(payload);
  g_Queue.emplace_back(bytes, bytes + size);
  g_QueueIds.push_back(iCallback);
}

void FakeServices::SetAppValue(AppId_t appId, const char *key, const char *value) {
  m_AppValues[appId][key] = value;
}

bool FakeServices::IsBannedForApp(AppId_t appId) {
  ++m_nBanQuestions;
  return m_BannedApps.count(appId) != 0;
}

bool FakeServices::GetUserConfigFolder(char *buffer, int bufferSize) {
  if (bufferSize <= 0) return false;
  snprintf(buffer, static_cast<size_t>(bufferSize), "%s", m_ConfigFolder.c_str());
  return !m_ConfigFolder.empty();
}

bool FakeServices::IsAppAvailable(AppId_t appId) {
  return m_UnavailableApps.count(appId) == 0;
}

void FakeServices::AddStoredServer(AppId_t appId, uint32 ip, uint16 connPort, uint16 queryPort, uint32 flags,
                                   uint32 lastPlayed) {
  m_Added.push_back({appId, ip, connPort, queryPort, flags, lastPlayed});
}

bool FakeServices::RemoveStoredServer(AppId_t appId, uint32 ip, uint16 connPort, uint16 queryPort,
                                      uint32 flags) {
  m_Removed.push_back({appId, ip, connPort, queryPort, flags, 0});
  return true;
}

int32 FakeServices::ReadAppValue(AppId_t appId, const char *key, char *buffer, int32 bufferSize) {
  auto app = m_AppValues.find(appId);
  if (app == m_AppValues.end()) return -1;
  auto value = app->second.find(key);
  if (value == app->second.end()) return -1;
  if (bufferSize > 0) snprintf(buffer, static_cast<size_t>(bufferSize), "%s", value->second.c_str());
  return static_cast<int32>(value->second.size());
}

uint32 FakeServices::ListAppIds(AppId_t *ids, uint32 capacity) {
  uint32 count = 0;
  for (const auto &app : m_AppValues) {
    if (count < capacity) ids[count] = app.first;
    ++count;
  }
  return count;
}

ListRequestHandle FakeServices::MakeRequest(int source, AppId_t appId,
                                            const MatchMakingKeyValuePair_t *filters, uint32 count,
                                            IPlexaMatchmakingServerListResponse *response) {
  auto *request = new FakeListRequest;
  request->source = source;
  request->appId = appId;
  request->response = response;
  for (uint32 i = 0; filters && i < count; ++i)
    request->filters.emplace_back(filters[i].m_szKey, filters[i].m_szValue);
  m_Requests.push_back(request);
  return request;
}

ListRequestHandle FakeServices::RequestInternetList(AppId_t appId, const MatchMakingKeyValuePair_t *filters,
                                                    uint32 count,
                                                    IPlexaMatchmakingServerListResponse *response) {
  return MakeRequest(0, appId, filters, count, response);
}
ListRequestHandle FakeServices::RequestLanList(AppId_t appId, IPlexaMatchmakingServerListResponse *response) {
  return MakeRequest(1, appId, nullptr, 0, response);
}
ListRequestHandle FakeServices::RequestFriendsList(AppId_t appId, const MatchMakingKeyValuePair_t *filters,
                                                   uint32 count,
                                                   IPlexaMatchmakingServerListResponse *response) {
  return MakeRequest(2, appId, filters, count, response);
}
ListRequestHandle FakeServices::RequestFavoritesList(AppId_t appId, const MatchMakingKeyValuePair_t *filters,
                                                     uint32 count,
                                                     IPlexaMatchmakingServerListResponse *response) {
  return MakeRequest(3, appId, filters, count, response);
}
ListRequestHandle FakeServices::RequestHistoryList(AppId_t appId, const MatchMakingKeyValuePair_t *filters,
                                                   uint32 count,
                                                   IPlexaMatchmakingServerListResponse *response) {
  return MakeRequest(4, appId, filters, count, response);
}
ListRequestHandle FakeServices::RequestSpectatorList(AppId_t appId, const MatchMakingKeyValuePair_t *filters,
                                                     uint32 count,
                                                     IPlexaMatchmakingServerListResponse *response) {
  return MakeRequest(5, appId, filters, count, response);
}

void FakeServices::FreeListRequest(ListRequestHandle handle) {
  if (FakeListRequest *request = Request(handle)) {
    request->freed = true;
    request->running = false;
  }
}

ServerRecord *FakeServices::GetListServerRecord(ListRequestHandle handle, int index) {
  FakeListRequest *request = Request(handle);
  if (!request || request->freed) return nullptr;
  auto found = request->servers.find(index);
  return found == request->servers.end() ? nullptr : &found->second;
}

void FakeServices::StopListRequest(ListRequestHandle handle) {
  if (FakeListRequest *request = Request(handle)) {
    ++request->stops;
    request->running = false;
  }
}

void FakeServices::RepeatListRequest(ListRequestHandle handle) {
  if (FakeListRequest *request = Request(handle)) {
    ++request->repeats;
    request->running = true;
  }
}

bool FakeServices::IsListRequestRunning(ListRequestHandle handle) {
  FakeListRequest *request = Request(handle);
  return request && request->running;
}

void FakeServices::RequeryListServer(ListRequestHandle handle, int index) {
  if (FakeListRequest *request = Request(handle)) request->requeried.push_back(index);
}

// Ping handles past the 999th jump over the player handles' range, so that long runs never give
// one number to both.
ServerQueryHandle FakeServices::RequestPing(uint32 ip, uint16 queryPort,
                                            IPlexaMatchmakingPingResponse *response) {
  m_Pings.emplace_back(ip, queryPort);
  m_PingResponses.push_back(response);
  const size_t count = ++m_nPingsMade;
  const auto query = static_cast<ServerQueryHandle>(count < 1000 ? count : count + 100000000);
  m_OpenQueries[query].ping = response;
  return query;
}

// Player handles count on from 1000, so a test tells them from the pings' (1, 2, ...).
ServerQueryHandle FakeServices::RequestPlayers(uint32 ip, uint16 queryPort,
                                               IPlexaMatchmakingPlayersResponse *response) {
  m_PlayerRequests.emplace_back(ip, queryPort);
  m_PlayerResponses.push_back(response);
  const auto query = static_cast<ServerQueryHandle>(999 + ++m_nPlayerQueriesMade);
  m_OpenQueries[query].players = response;
  return query;
}

void FakeServices::AbortServerRequest(ServerQueryHandle query) {
  m_Aborted.push_back(query);
  OpenQuery closed;
  if (!CloseQuery(query, closed)) ++m_nStaleAborts;
}

bool FakeServices::CloseQuery(ServerQueryHandle query, OpenQuery &closed) {
  auto found = m_OpenQueries.find(query);
  if (found == m_OpenQueries.end()) return false;
  closed = found->second;
  m_OpenQueries.erase(found);
  return true;
}

std::vector<ServerQueryHandle> FakeServices::OpenQueries(bool players) const {
  std::vector<ServerQueryHandle> open;
  for (const auto &[query, faces] : m_OpenQueries)
    if ((faces.players != nullptr) == players) open.push_back(query);
  return open;
}

void FakeServices::AnswerPing(ServerQueryHandle query, const ServerRecord &server) {
  OpenQuery closed;
  if (CloseQuery(query, closed) && closed.ping) closed.ping->OnPingAnswered(server);
}

void FakeServices::SilentPing(ServerQueryHandle query) {
  OpenQuery closed;
  if (CloseQuery(query, closed) && closed.ping) closed.ping->OnPingSilent();
}

// The players arrive while the query is still out; only the end closes it.
void FakeServices::AnswerPlayers(ServerQueryHandle query, const std::vector<FakePlayer> &players) {
  auto found = m_OpenQueries.find(query);
  if (found == m_OpenQueries.end() || !found->second.players) return;
  IPlexaMatchmakingPlayersResponse *face = found->second.players;
  for (const FakePlayer &player : players) face->OnPlayer(player.name, player.score, player.timePlayed);
  OpenQuery closed;
  CloseQuery(query, closed);
  face->OnPlayersDone();
}

int FakeServices::OpenListRequestCount() const {
  return static_cast<int>(std::count_if(m_Requests.begin(), m_Requests.end(),
                                        [](const FakeListRequest *r) { return !r->freed; }));
}

void FakeServices::ForgetHistory() {
  for (FakeListRequest *&request : m_Requests) {
    if (!request->freed) continue;
    delete request;
    request = nullptr;
  }
  m_Requests.erase(std::remove(m_Requests.begin(), m_Requests.end(), nullptr), m_Requests.end());
  m_Added = {};
  m_Removed = {};
  m_Pings = {};
  m_PingResponses = {};
  m_Aborted = {};
  m_PlayerRequests = {};
  m_PlayerResponses = {};
  m_PresenceRequests = {};
  m_RunningGameConnects = {};
  m_FriendJoins = {};
}

void FakeServices::DropFreedRecords() {
  for (FakeListRequest *request : m_Requests) {
    if (!request->freed) continue;
    request->servers = {};
    request->filters = {};
    request->requeried = {};
  }
}

// ---- IClientFriends

const char *FakeServices::FriendDisplayName(PlexaId_t friendId) {
  auto found = m_Friends.find(friendId);
  return found != m_Friends.end() ? found->second.name.c_str() : "";
}

bool FakeServices::FriendCurrentGame(PlexaId_t friendId, FriendGameInfo *game) {
  auto found = m_Friends.find(friendId);
  if (found == m_Friends.end() || !found->second.playing) return false;
  if (game) *game = found->second.game;
  return true;
}

const char *FakeServices::FriendGameTitle(PlexaId_t friendId) {
  auto found = m_Friends.find(friendId);
  return found != m_Friends.end() ? found->second.title.c_str() : "";
}

int32 FakeServices::FriendFlags(PlexaId_t friendId) {
  auto found = m_Friends.find(friendId);
  return found != m_Friends.end() ? found->second.flags : 0;
}

const char *FakeServices::FriendPresenceValue(AppId_t, PlexaId_t friendId, const char *key) {
  auto found = m_Friends.find(friendId);
  if (found == m_Friends.end() || !key) return nullptr;
  auto value = found->second.presence.find(key);
  return value != found->second.presence.end() ? value->second.c_str() : nullptr;
}

void FakeServices::RequestFriendPresence(AppId_t appId, PlexaId_t friendId) {
  m_PresenceRequests.emplace_back(appId, friendId);
}

void FakeServices::ConnectRunningGame(const char *address, const char *password) {
  m_RunningGameConnects.emplace_back(address ? address : "", password ? password : "");
}

void FakeServices::JoinRunningGameToFriend(AppId_t, PlexaId_t, const char *connect) {
  m_FriendJoins.emplace_back(connect ? connect : "");
}

}  // namespace sbtest
