// Server lists, single pings and player lists. Answers arrive through the response interfaces
// during the per-frame pump, on later frames than the request. Nothing arrives for a freed or
// aborted handle, and handles are never reused within a run.
#pragma once

#include "plexa/matchmakingresponses.h"

class IClientMatchmakingServers {
 public:
  // List requests. `appId` 0 means every application; `filters` points to the first of
  // `filterCount` pairs (may be null when the count is 0). The pairs are read during the call.
  virtual ListRequestHandle RequestInternetList(AppId_t appId, const MatchMakingKeyValuePair_t *filters,
                                                uint32 filterCount,
                                                IPlexaMatchmakingServerListResponse *response) = 0;
  virtual ListRequestHandle RequestLanList(AppId_t appId, IPlexaMatchmakingServerListResponse *response) = 0;
  virtual ListRequestHandle RequestFriendsList(AppId_t appId, const MatchMakingKeyValuePair_t *filters,
                                               uint32 filterCount,
                                               IPlexaMatchmakingServerListResponse *response) = 0;
  virtual ListRequestHandle RequestFavoritesList(AppId_t appId, const MatchMakingKeyValuePair_t *filters,
                                                 uint32 filterCount,
                                                 IPlexaMatchmakingServerListResponse *response) = 0;
  virtual ListRequestHandle RequestHistoryList(AppId_t appId, const MatchMakingKeyValuePair_t *filters,
                                               uint32 filterCount,
                                               IPlexaMatchmakingServerListResponse *response) = 0;
  virtual ListRequestHandle RequestSpectatorList(AppId_t appId, const MatchMakingKeyValuePair_t *filters,
                                                 uint32 filterCount,
                                                 IPlexaMatchmakingServerListResponse *response) = 0;
  // Releases the request; its records become invalid and nothing more arrives for it.
  virtual void FreeListRequest(ListRequestHandle request) = 0;
  // The record of server `index`, valid until the request is freed; null for an unknown handle or
  // index. Read it at once: later answers rewrite it.
  virtual ServerRecord *GetListServerRecord(ListRequestHandle request, int index) = 0;
  // Stops the running list; OnListDone follows on a later frame.
  virtual void StopListRequest(ListRequestHandle request) = 0;
  // Queries every server of the list again, under the same indices.
  virtual void RepeatListRequest(ListRequestHandle request) = 0;
  virtual bool IsListRequestRunning(ListRequestHandle request) = 0;
  // Queries one server of the list again; its answer arrives as OnServerAnswered/OnServerSilent.
  virtual void RequeryListServer(ListRequestHandle request, int index) = 0;
  virtual ServerQueryHandle RequestPing(uint32 ip, uint16 queryPort, IPlexaMatchmakingPingResponse *response) = 0;
  virtual ServerQueryHandle RequestPlayers(uint32 ip, uint16 queryPort,
                                           IPlexaMatchmakingPlayersResponse *response) = 0;
  // Cancels a ping or player request; nothing more arrives for it.
  virtual void AbortServerRequest(ServerQueryHandle query) = 0;

 protected:
  ~IClientMatchmakingServers() = default;
};
