#include "plexaclient/net_list_request.h"

#include "plexaclient/network_backend.h"

namespace {

uint64 AddressKey(uint32 ip, uint16 port) {
  return (uint64{ip} << 16) | port;
}

}  // namespace

CNetListRequest::CNetListRequest(CNetworkBackend &backend, AppId_t appId, const CListFilter &filter,
                                 IPlexaMatchmakingServerListResponse *response, const IProtocolFamily &family,
                                 std::shared_ptr<const CProtocolCatalogue> catalogue)
    : m_Backend(backend),
      m_nAppId(appId),
      m_Filter(filter),
      m_pResponse(response),
      m_Family(family),
      m_pCatalogue(std::move(catalogue)) {}

CNetListRequest::~CNetListRequest() {
  CancelAll(true);
}

void CNetListRequest::AddServer(uint32 ip, uint16 connPort, uint16 queryPort, AppId_t appId,
                                uint32 lastPlayed) {
  if (m_mapByAddress.count(AddressKey(ip, queryPort))) return;
  const int index = FindOrAddEntry(ip, queryPort, appId);
  Entry &entry = m_Entries[static_cast<size_t>(index)];
  entry.m_Record.m_NetAdr.Init(ip, queryPort, connPort);
  entry.m_Record.m_nLastPlayedTime = lastPlayed;
  entry.m_nLastPlayed = lastPlayed;
}

void CNetListRequest::AddMaster(const NetAddress &master, const std::string &gameName, int protocol,
                                AppId_t appId) {
  m_bFromMasters = true;
  m_Masters.push_back({master, gameName, protocol, appId});
}

void CNetListRequest::AddProbe(const NetAddress &target, bool anySource) {
  m_Probes.push_back({target, anySource});
}

int CNetListRequest::FindOrAddEntry(uint32 ip, uint16 port, AppId_t appId) {
  const auto [it, added] = m_mapByAddress.emplace(AddressKey(ip, port), static_cast<int>(m_Entries.size()));
  if (added) {
    Entry entry;
    entry.m_Record.m_NetAdr.Init(ip, port, port);
    entry.m_Record.m_nAppId = appId;
    m_Entries.push_back(entry);
  }
  return it->second;
}

// Runs -------------------------------------------------------------------------------------------

void CNetListRequest::Start(uint64 frame) {
  CancelAll(true);
  m_Events.clear();
  ++m_uRun;
  m_uRunFrame = frame;
  m_nRunOpen = 0;
  m_nMastersAnswered = 0;
  m_nListed = 0;
  m_bRunning = true;
  m_bRunOver = false;
  for (int i = 0; i < static_cast<int>(m_Entries.size()); ++i) AskServer(i, true, frame);
  for (size_t i = 0; i < m_Masters.size(); ++i) {
    NetQuery query;
    query.m_eKind = ENetQueryKind::MasterList;
    query.m_Address = m_Masters[i].m_Address;
    query.m_pFamily = &m_Family;
    query.m_GameName = m_Masters[i].m_GameName;
    query.m_nProtocol = m_Masters[i].m_nProtocol;
    m_Open[m_Backend.Send(this, std::move(query))] = {ERole::Master, static_cast<int>(i), true, frame};
    ++m_nRunOpen;
  }
  for (size_t i = 0; i < m_Probes.size(); ++i) {
    NetQuery query;
    query.m_eKind = ENetQueryKind::Info;
    query.m_Address = m_Probes[i].m_Address;
    query.m_bAnySource = m_Probes[i].m_bAnySource;
    query.m_pFamily = &m_Family;
    query.m_pCatalogue = m_pCatalogue;
    m_Open[m_Backend.Send(this, std::move(query))] = {ERole::Probe, static_cast<int>(i), true, frame};
    ++m_nRunOpen;
  }
  m_Backend.Flush();
  EndRunIfOver();
}

void CNetListRequest::AskServer(int index, bool inRun, uint64 frame) {
  Entry &entry = m_Entries[static_cast<size_t>(index)];
  if (inRun) entry.m_uQueriedRun = m_uRun;
  const ServerAddress &adr = entry.m_Record.m_NetAdr;
  NetQuery query;
  query.m_eKind = ENetQueryKind::Info;
  query.m_Address = NetAddress::FromIPv4(adr.GetIP(), adr.GetQueryPort());
  query.m_pFamily = &m_Family;
  query.m_pCatalogue = m_pCatalogue;
  m_Open[m_Backend.Send(this, std::move(query))] = {ERole::Server, index, inRun, frame};
  if (inRun) ++m_nRunOpen;
}

void CNetListRequest::CancelAll(bool requeriesToo) {
  std::vector<uint64> ids;
  for (auto it = m_Open.begin(); it != m_Open.end();) {
    if (it->second.m_bInRun || requeriesToo) {
      ids.push_back(it->first);
      it = m_Open.erase(it);
    } else {
      ++it;
    }
  }
  m_nRunOpen = 0;
  m_Backend.Forget(ids);
}

void CNetListRequest::EndRunIfOver() {
  if (m_bRunOver || m_nRunOpen > 0) return;
  m_bRunOver = true;
  Queue(ServerListEvent::Kind::Done, -1, m_uRunFrame);
}

EMatchMakingListOutcome CNetListRequest::Outcome() const {
  if (!m_bFromMasters) return eListServersAnswered;
  if (m_Masters.empty()) return m_eNoMasterOutcome;
  if (m_nMastersAnswered == 0) return eListMasterNotResponding;
  return m_nListed == 0 ? eListMasterHasNoServers : eListServersAnswered;
}

void CNetListRequest::Queue(ServerListEvent::Kind kind, int index, uint64 frame) {
  ServerListEvent event;
  event.m_eKind = kind;
  event.m_iIndex = index;
  if (kind == ServerListEvent::Kind::Done) event.m_eOutcome = Outcome();
  m_Events.push_back({event, frame});
}

// Results ----------------------------------------------------------------------------------------

void CNetListRequest::OnResult(uint64 id, NetResult &result) {
  auto it = m_Open.find(id);
  if (it == m_Open.end()) return;
  OpenQuery open = it->second;
  // An any-source probe's answers and a master's datagrams come before the end of their query.
  const bool over =
      result.m_eKind != NetResult::Kind::MasterPart &&
      !(open.m_eRole == ERole::Probe && m_Probes[static_cast<size_t>(open.m_iIndex)].m_bAnySource &&
        result.m_eKind == NetResult::Kind::Info);
  if (over) {
    m_Open.erase(it);
    if (open.m_bInRun) --m_nRunOpen;
  }
  switch (open.m_eRole) {
    case ERole::Server:
      OnServerResult(open, result);
      break;
    case ERole::Master:
      OnMasterResult(open, result, over);
      break;
    case ERole::Probe:
      OnProbeResult(open, result, over);
      break;
  }
  m_Backend.Flush();
  if (open.m_bInRun) EndRunIfOver();
}

void CNetListRequest::OnServerResult(const OpenQuery &open, NetResult &result) {
  const uint64 frame = open.m_uFrame;
  if (result.m_eKind == NetResult::Kind::Info) {
    if (ApplyAnswer(open.m_iIndex, result)) Queue(ServerListEvent::Kind::Answered, open.m_iIndex, frame);
  } else {
    Queue(ServerListEvent::Kind::Silent, open.m_iIndex, frame);
  }
}

void CNetListRequest::OnMasterResult(OpenQuery &open, NetResult &result, bool over) {
  const MasterAsk &master = m_Masters[static_cast<size_t>(open.m_iIndex)];
  // Counted at its first datagram, so a list stopped while the master still sends knows it answered.
  if (!open.m_bHeard && (!over || result.m_bMasterAnswered)) {
    open.m_bHeard = true;
    ++m_nMastersAnswered;
  }
  if (over) return;
  for (const MasterListEntry_t &listed : result.m_Servers) {
    ++m_nListed;
    const size_t before = m_Entries.size();
    const int index = FindOrAddEntry(listed.m_unIP, listed.m_usPort, master.m_nAppId);
    Entry &entry = m_Entries[static_cast<size_t>(index)];
    // Another master (or a repeated list) named it already in this run.
    if (m_Entries.size() == before && entry.m_uQueriedRun == m_uRun) {
      m_Backend.AddToCounter(k_NetDuplicateEntries, 1);
      continue;
    }
    AskServer(index, true, m_uRunFrame);
  }
}

void CNetListRequest::OnProbeResult(const OpenQuery &open, NetResult &result, bool over) {
  const Probe &probe = m_Probes[static_cast<size_t>(open.m_iIndex)];
  if (result.m_eKind == NetResult::Kind::Info) {
    const ServerAddress &adr = result.m_Info.m_Record.m_NetAdr;
    const int index = FindOrAddEntry(adr.GetIP(), adr.GetQueryPort(), result.m_Info.m_Record.m_nAppId);
    Entry &entry = m_Entries[static_cast<size_t>(index)];
    // Answered this run already (a unicast probe and a broadcast both reach a server).
    if (entry.m_uAnsweredRun == m_uRun) return;
    entry.m_uQueriedRun = m_uRun;
    if (ApplyAnswer(index, result)) Queue(ServerListEvent::Kind::Answered, index, m_uRunFrame);
    return;
  }
  // A probe that no server answered: silent only for a server found on an earlier run.
  if (!over || probe.m_bAnySource) return;
  auto known = m_mapByAddress.find(AddressKey(probe.m_Address.IPv4(), probe.m_Address.m_usPort));
  if (known != m_mapByAddress.end() && m_Entries[static_cast<size_t>(known->second)].m_uAnsweredRun != m_uRun)
    Queue(ServerListEvent::Kind::Silent, known->second, m_uRunFrame);
}

bool CNetListRequest::ApplyAnswer(int index, NetResult &result) {
  Entry &entry = m_Entries[static_cast<size_t>(index)];
  const ServerAddress kept = entry.m_Record.m_NetAdr;
  const AppId_t keptApp = entry.m_Record.m_nAppId;
  entry.m_Record = result.m_Info.m_Record;
  // Where the list found the server (a stored connection port may differ from the query port).
  entry.m_Record.m_NetAdr = kept;
  if (entry.m_Record.m_nAppId == 0) entry.m_Record.m_nAppId = keptApp;
  entry.m_Record.m_bResponded = true;
  entry.m_Record.m_nPingMs = result.m_nPingMs;
  if (entry.m_nLastPlayed) entry.m_Record.m_nLastPlayedTime = entry.m_nLastPlayed;
  entry.m_bRelay = result.m_Info.m_bRelay;
  entry.m_uAnsweredRun = m_uRun;
  if (m_nAppId && entry.m_Record.m_nAppId != m_nAppId) return false;
  return m_Filter.Passes(entry.m_Record, entry.m_bRelay);
}

// The front's calls -------------------------------------------------------------------------------

void CNetListRequest::Stop(double, uint64 frame) {
  if (!m_bRunning) return;
  CancelAll(true);
  m_Events.clear();
  m_bRunOver = true;
  m_bRunning = false;
  Queue(ServerListEvent::Kind::Done, -1, frame);
}

void CNetListRequest::Repeat(double, uint64 frame) {
  Start(frame);
}

void CNetListRequest::Requery(int index, double, uint64 frame) {
  if (index < 0 || index >= static_cast<int>(m_Entries.size())) return;
  AskServer(index, false, frame);
  m_Backend.Flush();
}

bool CNetListRequest::HasPendingEvents() const {
  return !m_bRunOver || !m_Events.empty() || !m_Open.empty();
}

ServerRecord *CNetListRequest::Record(int index) {
  if (index < 0 || index >= static_cast<int>(m_Entries.size())) return nullptr;
  return &m_Entries[static_cast<size_t>(index)].m_Record;
}

bool CNetListRequest::TakeDue(double, uint64 frame, ServerListEvent &event) {
  if (m_Events.empty() || frame <= m_Events.front().m_uFrame) return false;
  event = m_Events.front().m_Event;
  m_Events.pop_front();
  if (event.m_eKind == ServerListEvent::Kind::Done) m_bRunning = false;
  return true;
}
