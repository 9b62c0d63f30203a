// The master's side of the q3 master protocol as bytes: heartbeats, the challenge it sends, list
// requests and the list answers. No sockets.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "plexaclient/net/net_address.h"

// Datagrams a master reads are 5 to 2048 bytes; its list answers at most 1400 bytes each.
constexpr size_t k_nMinMasterDatagram = 5;
constexpr size_t k_nMaxMasterDatagram = 2048;
constexpr size_t k_nMaxListDatagram = 1400;
// The longest game name or infostring value a master keeps.
constexpr size_t k_nMaxMasterValue = 255;

// Heartbeat tags a master accepts, and the game a server with no `gamename` then plays.
constexpr std::string_view k_szTagQ3 = "QuakeArena-1";
constexpr std::string_view k_szTagGeneric = "DarkPlaces";
constexpr std::string_view k_szQ3DefaultGame = "Quake3Arena";

// Reads `heartbeat <tag>` (a line feed after the tag is allowed); false for anything else. Any tag
// is returned; whether the master takes it is its own choice.
bool ReadHeartbeat(std::string_view datagram, std::string &tag);
// The heartbeat a server sends.
std::string BuildHeartbeat(std::string_view tag);
// The tag a server heartbeats with: the q3 tag for the q3 game, the generic one for any other.
std::string_view HeartbeatTagFor(std::string_view gameName);

// A challenge of 8 to 11 printable characters a server can echo (no `\ / ; " %`).
std::string MakeMasterChallenge(std::mt19937_64 &random);
// `getinfo <challenge>`, sent to a server that heartbeated.
std::string BuildChallengeRequest(std::string_view challenge);
// The infostring of an infoResponse datagram; false when the datagram is not one.
bool ReadInfoResponse(std::string_view datagram, std::string_view &infostring);

struct ListQuery {
  bool m_bExtended = false;  // getserversExt: may list IPv6 servers
  std::string m_GameName;    // empty: the short form, the game follows from the protocol
  int m_nProtocol = 0;
  bool m_bEmpty = false;  // also servers without clients
  bool m_bFull = false;   // also full servers
  bool m_bIPv4 = false;   // extended form: neither or both give both families
  bool m_bIPv6 = false;
  std::string m_GameType;  // empty: any; the first gametype option counts
};

// Reads `getservers [<game>] <protocol> [options]` or `getserversExt <game> <protocol> [options]`.
// Words are split at spaces and other blanks, so a trailing line feed does no harm; unknown
// options are ignored. False when the datagram is not such a request or names no protocol.
bool ReadListQuery(std::string_view datagram, ListQuery &out);
// A request a client sends (for tests and the benchmark).
std::string BuildListQuery(const ListQuery &query);

// The answer datagrams listing `servers` (IPv6 ones only in the extended form), at most 1400
// bytes each. Every datagram repeats the header and ends with the end marker, so a client that
// stops at the first marker, or that needs a byte after each entry, still reads every entry.
std::vector<std::string> LayoutList(bool extended, const std::vector<NetAddress> &servers);
