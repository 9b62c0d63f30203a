// One server-list request answered over the network. Its servers are known from the start
// (favourites, history, friends' servers), found by LAN probes, or listed by masters as their
// answers arrive; each is asked for its info and its answer is filtered on what it says. Answers
// are queued as events in the order they arrive and delivered by the front.
#pragma once

#include <deque>
#include <memory>
#include <unordered_map>
#include <vector>

#include "plexaclient/list_filter.h"
#include "plexaclient/net/udp_query_engine.h"
#include "plexaclient/server_list.h"

class CNetworkBackend;

class CNetListRequest final : public IServerList {
 public:
  CNetListRequest(CNetworkBackend &backend, AppId_t appId, const CListFilter &filter,
                  IPlexaMatchmakingServerListResponse *response, const IProtocolFamily &family,
                  std::shared_ptr<const CProtocolCatalogue> catalogue);
  // Its open queries are forgotten and cancelled.
  ~CNetListRequest() override;

  // --- set up before Start
  // A server known from the start; silent when it does not answer.
  void AddServer(uint32 ip, uint16 connPort, uint16 queryPort, AppId_t appId, uint32 lastPlayed);
  // A master asked for the servers of `gameName`/`protocol`, which belong to `appId`.
  void AddMaster(const NetAddress &master, const std::string &gameName, int protocol, AppId_t appId);
  // A LAN probe: servers that answer it join the list; `anySource`: a broadcast.
  void AddProbe(const NetAddress &target, bool anySource);
  // The outcome of a master list that asks no master.
  void SetOutcomeWithoutMasters(EMatchMakingListOutcome outcome) {
    m_bFromMasters = true;
    m_eNoMasterOutcome = outcome;
  }
  void Start(uint64 frame);

  // A result of one of this list's queries.
  void OnResult(uint64 id, NetResult &result);

  void Stop(double now, uint64 frame) override;
  void Repeat(double now, uint64 frame) override;
  void Requery(int index, double now, uint64 frame) override;
  bool IsRunning() const override { return m_bRunning; }
  bool HasPendingEvents() const override;
  ServerRecord *Record(int index) override;
  IPlexaMatchmakingServerListResponse *Response() const override { return m_pResponse; }
  bool TakeDue(double now, uint64 frame, ServerListEvent &event) override;

 private:
  enum class ERole { Server, Master, Probe };
  struct Entry {
    ServerRecord m_Record{};
    uint32 m_nLastPlayed = 0;  // the store's, kept over the server's own
    bool m_bRelay = false;
    uint64 m_uQueriedRun = 0;   // the run that last asked it
    uint64 m_uAnsweredRun = 0;  // the run it last answered in
  };
  struct MasterAsk {
    NetAddress m_Address;
    std::string m_GameName;
    int m_nProtocol = 0;
    AppId_t m_nAppId = 0;
  };
  struct Probe {
    NetAddress m_Address;
    bool m_bAnySource = false;
  };
  struct OpenQuery {
    ERole m_eRole = ERole::Server;
    int m_iIndex = -1;      // servers: the entry; masters: the MasterAsk; probes: the Probe
    bool m_bInRun = false;  // false: a requery, which does not keep the list running
    uint64 m_uFrame = 0;    // the frame that asked: its answers are delivered on later frames
    bool m_bHeard = false;  // masters: a datagram of the list arrived
  };
  struct Queued {
    ServerListEvent m_Event;
    uint64 m_uFrame = 0;  // the frame that asked: delivered only on later frames
  };

  int FindOrAddEntry(uint32 ip, uint16 port, AppId_t appId);
  void AskServer(int index, bool inRun, uint64 frame);
  void OnServerResult(const OpenQuery &open, NetResult &result);
  void OnMasterResult(OpenQuery &open, NetResult &result, bool over);
  void OnProbeResult(const OpenQuery &open, NetResult &result, bool over);
  // Applies an info answer to the entry; false when the filters leave the server out.
  bool ApplyAnswer(int index, NetResult &result);
  void Queue(ServerListEvent::Kind kind, int index, uint64 frame);
  void CancelAll(bool requeriesToo);
  void EndRunIfOver();
  EMatchMakingListOutcome Outcome() const;

  CNetworkBackend &m_Backend;
  AppId_t m_nAppId;
  CListFilter m_Filter;
  IPlexaMatchmakingServerListResponse *m_pResponse;
  const IProtocolFamily &m_Family;
  std::shared_ptr<const CProtocolCatalogue> m_pCatalogue;

  std::vector<Entry> m_Entries;
  std::unordered_map<uint64, int> m_mapByAddress;  // ip:port -> entry
  std::vector<MasterAsk> m_Masters;
  std::vector<Probe> m_Probes;
  bool m_bFromMasters = false;
  EMatchMakingListOutcome m_eNoMasterOutcome = eListMasterNotResponding;

  std::unordered_map<uint64, OpenQuery> m_Open;
  int m_nRunOpen = 0;
  uint64 m_uRun = 0;
  uint64 m_uRunFrame = 0;
  int m_nMastersAnswered = 0;
  int m_nListed = 0;
  bool m_bRunning = false;
  bool m_bRunOver = true;
  std::deque<Queued> m_Events;
};
