// What a simulated q3 game server reads and answers: getinfo/getstatus requests, infoResponse and
// statusResponse, built byte for byte as such a server builds them. No sockets.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The largest connectionless datagram a server reads or writes, marker included.
constexpr size_t k_nMaxServerDatagram = 16384;
// The longest challenge a server still echoes.
constexpr size_t k_nMaxEchoedChallenge = 128;
// The longest player name a server keeps.
constexpr size_t k_nMaxPlayerName = 31;

struct FarmPlayer {
  std::string m_Name;  // bytes as sent (Latin-1), colour codes kept
  int m_nScore = 0;
  int m_nPingMs = 0;  // 0 for bots, 999 while connecting
  bool m_bBot = false;
};

// A server as it describes itself; texts are the bytes it sends.
struct ServerView {
  std::string m_HostName;
  std::string m_MapName;
  std::string m_GameName;  // the game name masters know (infoResponse `gamename`, `com_gamename`)
  std::string m_GameDir;   // the mod folder: `game` in infoResponse, `gamename` in statusResponse
  std::string m_Version;
  std::string m_Voip;  // sent first when set, as builds with voice chat do
  std::string m_Tags;  // our own keys follow; other clients ignore them
  int m_nProtocol = 71;
  int m_nGameType = 0;
  int m_nPure = 1;
  int m_nMaxClients = 16;   // every slot, private ones included
  int m_nPrivateSlots = 0;  // the first slots; their players are not counted in infoResponse
  bool m_bNeedPass = false;
  bool m_bSecure = false;
  bool m_bRelay = false;
  std::vector<FarmPlayer> m_Players;  // in slot order
};

enum class EServerQuery { None, Info, Status };

struct ServerQuery {
  EServerQuery m_eKind = EServerQuery::None;
  std::string m_Challenge;  // empty: the answer carries no challenge key
};

// Reads a datagram sent to a game server. False when it gets no answer: not a getinfo/getstatus,
// no marker, too big, or a challenge too long to echo. A challenge the server cannot echo (one
// holding `;`, `"` or a backslash) is answered without the challenge key.
bool ReadServerQuery(std::string_view datagram, ServerQuery &out);

// The infoResponse and statusResponse datagrams; `challenge` empty for none.
// An infoResponse is its server's infostring (which changes only with the server) and then the
// challenge: a farm keeps the first and adds the second for each request.
std::string BuildInfoText(const ServerView &server);
std::string InfoResponseFromText(std::string infoText, std::string_view challenge);
std::string BuildInfoResponse(const ServerView &server, std::string_view challenge);
std::string BuildStatusResponse(const ServerView &server, std::string_view challenge);

// Players counted in infoResponse: those past the private slots (bots included), and the humans
// among them.
int PublicClients(const ServerView &server);
int PublicHumans(const ServerView &server);

// UTF-8 text as the single bytes a server sends: characters up to U+00FF as Latin-1, others and
// broken sequences as `?`, control characters left out, cut to `maxBytes`.
std::string Utf8ToServerBytes(std::string_view utf8, size_t maxBytes);
