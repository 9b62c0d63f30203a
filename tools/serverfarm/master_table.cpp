#include "tools/serverfarm/master_table.h"

#include <cstring>

#include "plexaclient/net/infostring.h"
#include "tools/serverfarm/master_protocol.h"
#include "tools/serverfarm/request_line.h"

namespace {

bool IsLoopback(const NetAddress &address) {
  if (!address.m_bIPv6) return address.m_Bytes[0] == 127;
  static const uint8_t kLoopback6[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
  return memcmp(address.m_Bytes, kLoopback6, 16) == 0;
}

bool IsDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

// A whole number the way a master reads counts: leading digits, anything else 0.
int LeadingNumber(std::string_view text) {
  long long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9' || value > 1000000) break;
    value = value * 10 + (c - '0');
  }
  return static_cast<int>(value);
}

// A value the master needs: present and no longer than it keeps.
std::optional<std::string_view> Needed(const CInfoString &info, std::string_view key) {
  const std::optional<std::string_view> value = info.Find(key);
  if (!value || value->size() > k_nMaxMasterValue) return std::nullopt;
  return value;
}

}  // namespace

const char *MasterCounterName(EMasterCounter counter) {
  static const char *const kNames[k_MasterCounterCount] = {
      "received",          "heartbeats",   "info_accepted",   "list_queries",     "list_datagrams",
      "dropped_malformed", "dropped_tag",  "dropped_address", "dropped_full",     "dropped_unknown",
      "dropped_challenge", "dropped_info", "dropped_flood",   "dropped_send_cap",
  };
  return counter >= 0 && counter < k_MasterCounterCount ? kNames[counter] : "?";
}

CMasterTable::CMasterTable(const MasterSettings &settings, uint64_t seed)
    : m_Settings(settings),
      m_Random(seed),
      m_ListFlood(settings.m_ListLimit, 65536),
      m_SendBudget(0, settings.m_nMaxSendBytesPerSecond) {}

void CMasterTable::Handle(std::string_view datagram, const NetAddress &from, int64_t nowMs,
                          std::vector<MasterSend> &out) {
  ++m_Counters[k_MasterReceived];
  Expire(nowMs);
  // Port 0 cannot be answered; some stacks let it be forged.
  if (from.m_usPort == 0) {
    ++m_Counters[k_MasterDroppedAddress];
    return;
  }
  std::string tag;
  std::string_view infostring;
  if (ReadHeartbeat(datagram, tag))
    OnHeartbeat(tag, from, nowMs, out);
  else if (ReadInfoResponse(datagram, infostring))
    OnInfoResponse(infostring, from, nowMs);
  else if (datagram.size() >= k_nMinMasterDatagram && datagram.size() <= k_nMaxMasterDatagram &&
           datagram.substr(0, 14) == std::string(k_szOobMarker).append("getservers"))
    OnListQuery(datagram, from, nowMs, out);
  else
    ++m_Counters[k_MasterDroppedMalformed];
}

void CMasterTable::Expire(int64_t nowMs) {
  while (!m_Deadlines.empty() && m_Deadlines.top().m_nMs <= nowMs) {
    const Deadline due = m_Deadlines.top();
    m_Deadlines.pop();
    const auto found = m_Servers.find(due.m_Address);
    if (found == m_Servers.end()) continue;
    const Entry &entry = found->second;
    // A listed entry lives until its expiry; one still waiting until its challenge runs out.
    const int64_t endMs =
        entry.m_bListed ? entry.m_nExpiresMs : entry.m_nChallengeMs + m_Settings.m_nChallengeMs;
    if (endMs <= nowMs) Forget(due.m_Address);
  }
}

int &CMasterTable::NetworkCount(const NetAddress &address) {
  if (!address.m_bIPv6) return m_PerAddress4[address.IPv4()];
  uint64_t prefix = 0;
  memcpy(&prefix, address.m_Bytes, sizeof prefix);
  return m_PerNetwork6[prefix];
}

void CMasterTable::Forget(const NetAddress &address) {
  const auto found = m_Servers.find(address);
  if (found == m_Servers.end()) return;
  if (found->second.m_bListed) m_ByOrder.erase(found->second.m_uOrder);
  int &count = NetworkCount(address);
  if (--count <= 0) {
    if (address.m_bIPv6) {
      uint64_t prefix = 0;
      memcpy(&prefix, address.m_Bytes, sizeof prefix);
      m_PerNetwork6.erase(prefix);
    } else {
      m_PerAddress4.erase(address.IPv4());
    }
  }
  m_Servers.erase(found);
}

bool CMasterTable::IsAcceptableServer(const NetAddress &address) const {
  return m_Settings.m_bAllowLoopback || !IsLoopback(address);
}

void CMasterTable::Send(const NetAddress &to, std::string bytes, int64_t nowMs,
                        std::vector<MasterSend> &out) {
  if (!m_SendBudget.Take(nowMs, 1, static_cast<int64_t>(bytes.size()))) {
    ++m_Counters[k_MasterDroppedSendCap];
    return;
  }
  out.push_back({to, std::move(bytes)});
}

void CMasterTable::OnHeartbeat(const std::string &tag, const NetAddress &from, int64_t nowMs,
                               std::vector<MasterSend> &out) {
  ++m_Counters[k_MasterHeartbeats];
  if (tag != k_szTagQ3 && tag != k_szTagGeneric) {
    ++m_Counters[k_MasterDroppedTag];
    return;
  }
  if (!IsAcceptableServer(from)) {
    ++m_Counters[k_MasterDroppedAddress];
    return;
  }
  auto found = m_Servers.find(from);
  if (found == m_Servers.end()) {
    if (static_cast<int>(m_Servers.size()) >= m_Settings.m_nMaxServers ||
        NetworkCount(from) >= m_Settings.m_nMaxPerAddress) {
      ++m_Counters[k_MasterDroppedFull];
      return;
    }
    ++NetworkCount(from);
    found = m_Servers.emplace(from, Entry()).first;
    found->second.m_Address = from;
  }
  Entry &entry = found->second;
  // A heartbeat within the challenge's time gets the same challenge, unless its tag changed.
  const bool challengeLive =
      !entry.m_Challenge.empty() && nowMs - entry.m_nChallengeMs < m_Settings.m_nChallengeMs;
  if (!challengeLive || entry.m_Tag != tag) {
    entry.m_Challenge = MakeMasterChallenge(m_Random);
    entry.m_nChallengeMs = nowMs;
    entry.m_Tag = tag;
    if (!entry.m_bListed) m_Deadlines.push({nowMs + m_Settings.m_nChallengeMs, from});
  }
  Send(from, BuildChallengeRequest(entry.m_Challenge), nowMs, out);
}

bool CMasterTable::CheckInfo(std::string_view infostring, Entry &entry) {
  const CInfoString info(infostring);
  const std::optional<std::string_view> protocol = Needed(info, "protocol");
  if (!protocol || !IsDigits(*protocol) || protocol->size() > 9) return false;
  std::string_view gameType = "0";
  if (const std::optional<std::string_view> given = info.Find("gametype")) {
    if (given->size() > k_nMaxMasterValue || given->find(' ') != std::string_view::npos) return false;
    gameType = *given;
  }
  const std::optional<std::string_view> maxClients = Needed(info, "sv_maxclients");
  const std::optional<std::string_view> clients = Needed(info, "clients");
  if (!maxClients || LeadingNumber(*maxClients) == 0 || !clients) return false;
  // The game: the infostring's, the tag's, or both when they agree.
  const std::string_view tagGame = entry.m_Tag == k_szTagQ3 ? k_szQ3DefaultGame : std::string_view();
  std::optional<std::string_view> gameName = info.Find("gamename");
  if (gameName && gameName->size() > k_nMaxMasterValue) gameName.reset();
  if (gameName && !tagGame.empty() && *gameName != tagGame) return false;
  const std::string_view game = gameName ? *gameName : tagGame;
  if (game.empty()) return false;
  for (char c : game)
    if (static_cast<unsigned char>(c) <= 0x20) return false;
  entry.m_nProtocol = LeadingNumber(*protocol);
  entry.m_GameType.assign(gameType);
  entry.m_nMaxClients = LeadingNumber(*maxClients);
  entry.m_nClients = LeadingNumber(*clients);
  entry.m_GameName.assign(game);
  return true;
}

void CMasterTable::OnInfoResponse(std::string_view infostring, const NetAddress &from, int64_t nowMs) {
  const auto found = m_Servers.find(from);
  if (found == m_Servers.end() || nowMs - found->second.m_nChallengeMs >= m_Settings.m_nChallengeMs) {
    ++m_Counters[k_MasterDroppedUnknown];
    return;
  }
  Entry &entry = found->second;
  const std::optional<std::string_view> challenge = CInfoString(infostring).Find("challenge");
  if (!challenge || *challenge != entry.m_Challenge) {
    ++m_Counters[k_MasterDroppedChallenge];
    return;
  }
  Entry checked = entry;
  if (!CheckInfo(infostring, checked)) {
    ++m_Counters[k_MasterDroppedInfo];
    return;
  }
  entry = std::move(checked);
  if (!entry.m_bListed) {
    entry.m_bListed = true;
    entry.m_uOrder = m_uNextOrder++;
    m_ByOrder.emplace(entry.m_uOrder, from);
  }
  entry.m_nExpiresMs = nowMs + m_Settings.m_nExpiryMs;
  m_Deadlines.push({entry.m_nExpiresMs, from});
  ++m_Counters[k_MasterInfoAccepted];
}

std::string CMasterTable::GameOfProtocol(int protocol) const {
  // The q3 game's own protocols; other numbers mean the game of the oldest listed server using it.
  if (protocol >= 66 && protocol <= 68) return std::string(k_szQ3DefaultGame);
  for (const auto &[order, address] : m_ByOrder) {
    const Entry &entry = m_Servers.at(address);
    if (entry.m_nProtocol == protocol) return entry.m_GameName;
  }
  return std::string();
}

void CMasterTable::OnListQuery(std::string_view datagram, const NetAddress &from, int64_t nowMs,
                               std::vector<MasterSend> &out) {
  ListQuery query;
  if (!ReadListQuery(datagram, query)) {
    ++m_Counters[k_MasterDroppedMalformed];
    return;
  }
  uint64_t source = from.IPv4();
  if (from.m_bIPv6) memcpy(&source, from.m_Bytes, sizeof source);
  if (!m_ListFlood.Take(source ^ (from.m_bIPv6 ? 0x8000000000000000ull : 0), nowMs)) {
    ++m_Counters[k_MasterDroppedFlood];
    return;
  }
  ++m_Counters[k_MasterListQueries];
  const std::string game = query.m_GameName.empty() ? GameOfProtocol(query.m_nProtocol) : query.m_GameName;
  const bool wantIPv4 = !query.m_bExtended || query.m_bIPv4 || !query.m_bIPv6;
  const bool wantIPv6 = query.m_bExtended && (query.m_bIPv6 || !query.m_bIPv4);
  std::vector<NetAddress> servers;
  for (const auto &[order, address] : m_ByOrder) {
    const Entry &entry = m_Servers.at(address);
    if (entry.m_nProtocol != query.m_nProtocol || entry.m_GameName != game) continue;
    if (address.m_bIPv6 ? !wantIPv6 : !wantIPv4) continue;
    if (entry.m_nClients == 0 && !query.m_bEmpty) continue;
    if (entry.m_nClients >= entry.m_nMaxClients && !query.m_bFull) continue;
    if (!query.m_GameType.empty() && entry.m_GameType != query.m_GameType) continue;
    servers.push_back(address);
  }
  std::vector<std::string> datagrams = LayoutList(query.m_bExtended, servers);
  // The whole answer or none: a client cannot tell a cut list from a short one.
  int64_t bytes = 0;
  for (const std::string &part : datagrams) bytes += static_cast<int64_t>(part.size());
  if (!m_SendBudget.Take(nowMs, static_cast<int64_t>(datagrams.size()), bytes)) {
    ++m_Counters[k_MasterDroppedSendCap];
    return;
  }
  m_Counters[k_MasterListDatagrams] += datagrams.size();
  for (std::string &part : datagrams) out.push_back({from, std::move(part)});
}
