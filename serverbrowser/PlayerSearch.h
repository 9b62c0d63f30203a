// Finding a player across the servers of a list: each server's player list is asked of the
// services, a bounded number at a time and within a bounded total time, and the collected names are
// matched against a typed text folded like the quick search. It keeps only the queries and the
// answers; the find-a-player dialog draws them.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "plexa/matchmakingresponses.h"

class IClientMatchmakingServers;

// A server to search, with the texts its result rows show.
struct PlayerSearchServer {
  uint32 m_nIP = 0;
  uint16 m_nQueryPort = 0;
  uint16 m_nConnectionPort = 0;
  int32 m_nPingMs = 0;
  std::string m_sName;
  std::string m_sGame;
  std::string m_sMap;
};

// A player whose name holds the text, and the server the player is on.
struct PlayerSearchMatch {
  std::string m_sPlayer;  // as the server reported it
  // Valid until the servers change (SetServers, Restart) or the search is destroyed.
  const PlayerSearchServer *m_pServer = nullptr;
};

class CPlayerSearch {
 public:
  // Player lists asked at the same time.
  static constexpr int kDefaultMaxInFlight = 8;
  // How long one search may take; the servers not asked by then are left out.
  static constexpr uint32 kDefaultTimeLimitMs = 30000;

  // What became of one server's player list.
  enum class EServerState { Waiting, Asking, Answered, Failed, NotAsked };

  // `services` may be null (no server is ever asked); it must outlive the search.
  explicit CPlayerSearch(IClientMatchmakingServers *services, int maxInFlight = kDefaultMaxInFlight,
                         uint32 timeLimitMs = kDefaultTimeLimitMs);
  // Aborts every open query: nothing arrives for a search that is gone.
  ~CPlayerSearch();
  CPlayerSearch(const CPlayerSearch &) = delete;
  CPlayerSearch &operator=(const CPlayerSearch &) = delete;

  // The servers to search, told apart by address (ip and query port); true when the set differs
  // from the last one. A server still listed keeps its answer, a new one waits to be asked (from
  // the next Start), a gone one loses its query and its players.
  bool SetServers(const std::vector<PlayerSearchServer> &servers);
  // Asks the waiting servers, at most the bound at once; the time limit counts from `nowMs`.
  void Start(uint32 nowMs);
  // Forgets every answer and asks every server again.
  void Restart(uint32 nowMs);
  // Once the time is up, open queries are aborted and waiting servers are not asked.
  void Tick(uint32 nowMs);
  // Aborts every open query; waiting servers are not asked.
  void Abort();

  // The typed text (UTF-8), folded at once; an empty text matches nobody.
  void SetText(std::string_view text);
  bool HasText() const { return !m_sFoldedText.empty(); }
  // Every collected player whose name holds the text, servers in list order.
  std::vector<PlayerSearchMatch> Matches() const;
  // The matches among the servers that answered since the last call (or since the text, the
  // servers or the search changed), so rows can be added as answers come.
  std::vector<PlayerSearchMatch> TakeNewMatches();

  // Called after each answer or failure, from inside the services' callback.
  void SetChangedCallback(std::function<void()> changed) { m_Changed = std::move(changed); }

  int ServerCount() const { return static_cast<int>(m_Servers.size()); }
  int InFlightCount() const { return m_nInFlight; }
  // Servers asked so far, whatever their answer (those in flight count).
  int AskedCount() const;
  // Servers asked that did not answer, and servers the time limit left out.
  int UnansweredCount() const;
  // Asking has begun and some server still waits for its question or answer.
  bool IsRunning() const { return m_bStarted && (m_nInFlight > 0 || m_nNextWaiting < m_Servers.size()); }
  bool IsStarted() const { return m_bStarted; }
  bool TimedOut() const { return m_bTimedOut; }
  EServerState StateOf(size_t server) const;

 private:
  class CServerQuery;

  // Starts queries until the bound is reached or nobody waits.
  void AskWaiting();
  void Finished(CServerQuery &query, bool answered);
  void AbortQuery(CServerQuery &query);
  bool Matches(const CServerQuery &query, size_t player) const;
  void AppendMatches(const CServerQuery &query, std::vector<PlayerSearchMatch> &out) const;

  IClientMatchmakingServers *m_pServices = nullptr;
  const int m_nMaxInFlight;
  const uint32 m_nTimeLimitMs;
  std::vector<std::unique_ptr<CServerQuery>> m_Servers;  // in list order; addresses stay put
  size_t m_nNextWaiting = 0;                             // no server before it waits
  int m_nInFlight = 0;
  bool m_bStarted = false;
  bool m_bTimedOut = false;
  uint32 m_nDeadlineMs = 0;
  std::string m_sFoldedText;
  std::vector<const CServerQuery *> m_NewlyAnswered;
  std::function<void()> m_Changed;
};
