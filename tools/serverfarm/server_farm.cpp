#include "tools/serverfarm/server_farm.h"

#include <algorithm>
#include <cstring>

#include "tools/serverfarm/master_protocol.h"

namespace {

constexpr int64_t kWorldStepMs = 100;

uint64_t SourceKey(const NetAddress &from) {
  if (!from.m_bIPv6) return from.IPv4();
  uint64_t prefix = 0;
  memcpy(&prefix, from.m_Bytes, sizeof prefix);
  return prefix | 1;  // IPv4 keys are below 2^32; a /64 with its low bit set rarely is
}

int Humans(const ServerView &view) {
  return static_cast<int>(std::count_if(view.m_Players.begin(), view.m_Players.end(),
                                        [](const FarmPlayer &player) { return !player.m_bBot; }));
}

}  // namespace

const char *FarmCounterName(EFarmCounter counter) {
  static const char *const kNames[k_FarmCounterCount] = {
      "requests",       "answers",        "heartbeats",  "dropped_malformed", "dropped_silent",
      "dropped_source", "dropped_server", "dropped_cap", "dropped_pending",
  };
  return counter >= 0 && counter < k_FarmCounterCount ? kNames[counter] : "?";
}

CServerFarm::CServerFarm(std::vector<FarmServerSetup> servers, const FarmSettings &settings, int64_t nowMs,
                         uint64_t seed)
    : m_Settings(settings),
      m_nStartMs(nowMs),
      m_Random(seed),
      m_Budget(settings.m_nMaxRepliesPerSecond, settings.m_nMaxBytesPerSecond),
      m_nPaceStartMs(nowMs) {
  m_Servers.reserve(servers.size());
  for (size_t i = 0; i < servers.size(); ++i) {
    m_Servers.emplace_back(std::move(servers[i]), settings.m_PerSource);
    Server &server = m_Servers.back();
    // Spread the servers' timers so they do not all fire in the same step.
    const int64_t spread = static_cast<int64_t>(i % 1000);
    if (server.m_Setup.m_nChurnSeconds > 0)
      server.m_nNextChurnMs = nowMs + server.m_Setup.m_nChurnSeconds * 1000 + spread;
    if (settings.m_nHeartbeatSeconds > 0)
      server.m_nNextHeartbeatMs = nowMs + settings.m_nHeartbeatSeconds * 1000 + spread;
    if (IsUp(i, nowMs)) {
      server.m_nUpCycle = Cycle(i, nowMs);
      QueueHeartbeat(i);  // the map is loaded
    }
  }
}

bool CServerFarm::IsUp(size_t server, int64_t nowMs) const {
  const FarmServerSetup &setup = m_Servers[server].m_Setup;
  if (setup.m_nUpSeconds <= 0 || setup.m_nDownSeconds <= 0) return true;
  const int64_t cycle = (setup.m_nUpSeconds + setup.m_nDownSeconds) * 1000;
  return (nowMs - m_nStartMs) % cycle < setup.m_nUpSeconds * 1000;
}

int64_t CServerFarm::Cycle(size_t server, int64_t nowMs) const {
  const FarmServerSetup &setup = m_Servers[server].m_Setup;
  if (setup.m_nUpSeconds <= 0 || setup.m_nDownSeconds <= 0) return 0;
  return (nowMs - m_nStartMs) / ((setup.m_nUpSeconds + setup.m_nDownSeconds) * 1000);
}

bool CServerFarm::IsMaster(const NetAddress &from) const {
  return std::find(m_Settings.m_Masters.begin(), m_Settings.m_Masters.end(), from) !=
         m_Settings.m_Masters.end();
}

void CServerFarm::OnDatagram(size_t index, std::string_view datagram, const NetAddress &from, int64_t nowMs) {
  ++m_Counters[k_FarmRequests];
  Server &server = m_Servers[index];
  const ServerView &view = server.m_Setup.m_View;
  ServerQuery query;
  if (!ReadServerQuery(datagram, query)) {
    ++m_Counters[k_FarmDroppedMalformed];
    return;
  }
  // A silent server still answers its masters, so they list it as they list a server that died
  // after registering. Single-player servers answer no info query.
  if (!IsUp(index, nowMs) || (server.m_Setup.m_bSilent && !IsMaster(from)) ||
      (query.m_eKind == EServerQuery::Info && view.m_nGameType == 2)) {
    ++m_Counters[k_FarmDroppedSilent];
    return;
  }
  if (!server.m_PerSource.Take(SourceKey(from), nowMs)) {
    ++m_Counters[k_FarmDroppedSource];
    return;
  }
  if (!server.m_PerServer.Take(nowMs, m_Settings.m_PerServer)) {
    ++m_Counters[k_FarmDroppedServer];
    return;
  }
  std::string reply = query.m_eKind == EServerQuery::Info
                          ? InfoResponseFromText(InfoText(server), query.m_Challenge)
                          : BuildStatusResponse(view, query.m_Challenge);
  if (!m_Budget.Take(nowMs, 1, static_cast<int64_t>(reply.size()))) {
    ++m_Counters[k_FarmDroppedCap];
    return;
  }
  if (m_Pending.size() >= m_Settings.m_nMaxPending) {
    ++m_Counters[k_FarmDroppedPending];
    return;
  }
  m_Pending.push({nowMs + server.m_Setup.m_nLatencyMs, m_uSequence++, {index, from, std::move(reply)}});
}

void CServerFarm::QueueHeartbeat(size_t index) {
  const Server &server = m_Servers[index];
  if (m_Settings.m_Masters.empty() || server.m_bHeartbeatQueued || server.m_Setup.m_bLanOnly) return;
  m_Servers[index].m_bHeartbeatQueued = true;
  m_Heartbeats.push_back(index);
}

void CServerFarm::HeartbeatAll(int64_t nowMs) {
  for (size_t i = 0; i < m_Servers.size(); ++i)
    if (IsUp(i, nowMs)) QueueHeartbeat(i);
}

const std::string &CServerFarm::InfoText(Server &server) {
  if (!server.m_bInfoTextValid) {
    server.m_InfoText = BuildInfoText(server.m_Setup.m_View);
    server.m_bInfoTextValid = true;
  }
  return server.m_InfoText;
}

void CServerFarm::Churn(size_t index, int64_t nowMs) {
  Server &server = m_Servers[index];
  ServerView &view = server.m_Setup.m_View;
  server.m_nNextChurnMs = nowMs + server.m_Setup.m_nChurnSeconds * 1000;
  const int players = static_cast<int>(view.m_Players.size());
  const int humans = Humans(view);
  // A full server frees a slot, an empty one gets a player, others go either way.
  bool join = players < view.m_nMaxClients && (humans == 0 || m_Random() % 2 == 0);
  if (!join && humans == 0) return;
  server.m_bInfoTextValid = false;
  if (join) {
    const auto firstBot = std::find_if(view.m_Players.begin(), view.m_Players.end(),
                                       [](const FarmPlayer &player) { return player.m_bBot; });
    const uint64_t who = index * 1009 + 500 + server.m_uJoined++;
    view.m_Players.insert(firstBot, {FarmPlayerName(who), 0, FarmPlayerPing(who), false});
  } else {
    size_t leaving = m_Random() % static_cast<size_t>(humans);
    for (size_t i = 0; i < view.m_Players.size(); ++i) {
      if (view.m_Players[i].m_bBot || leaving-- != 0) continue;
      view.m_Players.erase(view.m_Players.begin() + static_cast<std::ptrdiff_t>(i));
      break;
    }
  }
  for (FarmPlayer &player : view.m_Players)
    if (!player.m_bBot) player.m_nScore += static_cast<int>(m_Random() % 3);
  // Servers tell their masters when the first player comes, when they fill and when the last leaves.
  const int humansNow = Humans(view);
  if ((humans == 0 && humansNow > 0) || (humans > 0 && humansNow == 0) ||
      (players < view.m_nMaxClients && static_cast<int>(view.m_Players.size()) == view.m_nMaxClients))
    QueueHeartbeat(index);
}

void CServerFarm::Collect(int64_t nowMs, std::vector<FarmSend> &out) {
  // The world moves in steps.
  if (nowMs >= m_nNextWorldMs) {
    m_nNextWorldMs = nowMs + kWorldStepMs;
    for (size_t i = 0; i < m_Servers.size(); ++i) {
      Server &server = m_Servers[i];
      if (!IsUp(i, nowMs)) continue;
      // Up in a new cycle: the server came back and loaded its map, whether or not a step saw
      // it down.
      if (const int64_t cycle = Cycle(i, nowMs); cycle != server.m_nUpCycle) {
        server.m_nUpCycle = cycle;
        QueueHeartbeat(i);
      }
      if (nowMs >= server.m_nNextChurnMs) Churn(i, nowMs);
      if (nowMs >= server.m_nNextHeartbeatMs) {
        server.m_nNextHeartbeatMs = nowMs + m_Settings.m_nHeartbeatSeconds * 1000;
        QueueHeartbeat(i);
      }
    }
  }
  while (!m_Pending.empty() && m_Pending.top().m_nDueMs <= nowMs) {
    out.push_back(m_Pending.top().m_Send);
    m_Pending.pop();
    ++m_Counters[k_FarmAnswers];
  }
  // Heartbeats at the farm's pace; a burst cannot build up while the queue is empty.
  if (m_Heartbeats.empty()) {
    m_nPaceStartMs = nowMs;
    m_uPaceSent = 0;
    return;
  }
  const uint64_t allowed =
      m_Settings.m_nHeartbeatsPerSecond > 0
          ? static_cast<uint64_t>((nowMs - m_nPaceStartMs + 1) * m_Settings.m_nHeartbeatsPerSecond / 1000 + 1)
          : UINT64_MAX;
  while (!m_Heartbeats.empty() && m_uPaceSent < allowed) {
    const size_t index = m_Heartbeats.front();
    m_Heartbeats.pop_front();
    m_Servers[index].m_bHeartbeatQueued = false;
    ++m_uPaceSent;
    if (!IsUp(index, nowMs)) continue;
    const std::string heartbeat = BuildHeartbeat(HeartbeatTagFor(m_Servers[index].m_Setup.m_View.m_GameName));
    for (const NetAddress &master : m_Settings.m_Masters) {
      out.push_back({index, master, heartbeat});
      ++m_Counters[k_FarmHeartbeats];
    }
  }
}

int64_t CServerFarm::NextWakeMs(int64_t nowMs) const {
  int64_t wake = std::min(m_nNextWorldMs, nowMs + 1000);
  if (!m_Pending.empty()) wake = std::min(wake, m_Pending.top().m_nDueMs);
  if (!m_Heartbeats.empty()) wake = std::min(wake, nowMs + 1);
  return std::max(wake, nowMs);
}

void CServerFarm::Shutdown(int64_t nowMs, std::vector<FarmSend> &out) {
  for (size_t i = 0; i < m_Servers.size(); ++i) {
    if (!IsUp(i, nowMs) || m_Servers[i].m_Setup.m_bLanOnly) continue;
    const std::string heartbeat = BuildHeartbeat(HeartbeatTagFor(m_Servers[i].m_Setup.m_View.m_GameName));
    for (int twice = 0; twice < 2; ++twice) {
      for (const NetAddress &master : m_Settings.m_Masters) {
        out.push_back({i, master, heartbeat});
        ++m_Counters[k_FarmHeartbeats];
      }
    }
  }
}
