// A game-server query protocol family: builds the requests and decodes the answers of one family
// of game servers and its masters, with no sockets and no threads. The network backend owns the
// sockets, the timing and the bookkeeping; a family only turns bytes into records and back.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "plexa/matchmakingtypes.h"
#include "plexaclient/net/protocol_catalogue.h"

// The largest answer a family reads; bigger datagrams are dropped as oversized.
constexpr size_t k_nMaxAnswerBytes = 16384;

// Why a decoder kept or dropped a datagram; the backend counts drops by reason.
enum class EPacketVerdict {
  Accepted,
  WrongMarker,        // not an out-of-band datagram of this family
  WrongCommand,       // another answer than the one asked for
  ChallengeMismatch,  // missing or different challenge: a stale, replayed or forged answer
  Malformed,
  Oversized,
};
const char *PacketVerdictName(EPacketVerdict verdict);

// What kind of answer a datagram claims to be, read from its header alone.
enum class EAnswerKind { Unknown, Info, Status, MasterList };

// A server as its info answer describes it.
struct ServerInfo_t {
  ServerRecord m_Record{};  // ping, last played time and server id are left to the caller
  bool m_bRelay = false;    // a spectator relay
};

struct StatusPlayer_t {
  std::string m_Name;  // UTF-8, colour codes removed
  int m_nScore = 0;
  int m_nPingMs = 0;
  float m_flTimePlayed = -1.0f;  // negative: the protocol does not tell
};

struct ServerStatus_t {
  // Rules in the order given, UTF-8; a key given twice keeps its first value.
  std::vector<std::pair<std::string, std::string>> m_Rules;
  std::vector<StatusPlayer_t> m_Players;
  int m_nUnreadPlayerLines = 0;  // player lines that could not be read, left out
};

struct MasterListEntry_t {
  uint32 m_unIP = 0;  // host order, first octet in the top byte
  uint16 m_usPort = 0;
};

// One datagram of a master's list. Duplicates across datagrams and masters are the caller's to
// remove.
struct MasterList_t {
  std::vector<MasterListEntry_t> m_Servers;
  int m_nIPv6Skipped = 0;     // IPv6 servers: the record holds only IPv4 addresses
  int m_nInvalidSkipped = 0;  // entries no one can query (port 0, address 0.x.x.x, multicast, broadcast)
  bool m_bEnd = false;        // the list's end marker was in this datagram
};

class IProtocolFamily {
 public:
  virtual ~IProtocolFamily() = default;

  // The family's name as configurations give it.
  virtual const char *Name() const = 0;
  virtual uint16 DefaultServerPort() const = 0;
  virtual uint16 DefaultMasterPort() const = 0;

  // A challenge this family's servers echo unchanged, made from 64 random bits.
  virtual std::string MakeChallenge(uint64 randomBits) const = 0;
  // Whether servers echo `challenge` unchanged (the empty challenge asks for none).
  virtual bool IsValidChallenge(std::string_view challenge) const = 0;

  // Server requests; false (and `packet` left empty) when the challenge could not be echoed.
  virtual bool BuildInfoRequest(std::string_view challenge, std::string &packet) const = 0;
  virtual bool BuildStatusRequest(std::string_view challenge, std::string &packet) const = 0;
  // A master's list of every server of a game, empty and full ones included; `overIPv6` when the
  // master is reached over IPv6 (its list may then hold servers of both address families). False
  // when the game name cannot be sent.
  virtual bool BuildMasterListRequest(bool overIPv6, std::string_view gameName, int protocol,
                                      std::string &packet) const = 0;

  virtual EAnswerKind AnswerKind(std::string_view packet) const = 0;

  // Decodes the info answer of the server at `ip`:`port` to the query that carried `challenge`
  // (empty: the query carried none and none is checked). `catalogue` names the application.
  // `out` is only meaningful when Accepted is returned.
  virtual EPacketVerdict DecodeInfo(std::string_view packet, std::string_view challenge, uint32 ip,
                                    uint16 port, const CProtocolCatalogue &catalogue,
                                    ServerInfo_t &out) const = 0;
  virtual EPacketVerdict DecodeStatus(std::string_view packet, std::string_view challenge,
                                      ServerStatus_t &out) const = 0;
  // A datagram of a master's list answer; a datagram that cannot be read whole is dropped whole.
  virtual EPacketVerdict DecodeMasterList(std::string_view packet, MasterList_t &out) const = 0;
};
