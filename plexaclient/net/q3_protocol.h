// The q3 family: `getinfo`/`infoResponse` and `getstatus`/`statusResponse` with infostrings and
// player lines, and master lists asked with `getservers`/`getserversExt`.
#pragma once

#include "plexaclient/net/protocol_family.h"

// Keys of our own that servers of ours add to their info answers; other clients ignore them.
constexpr const char *k_szQ3KeySecure = "plexa_secure";  // "1": protected by the anti-cheat system
constexpr const char *k_szQ3KeyTags = "plexa_tags";      // the tags text
constexpr const char *k_szQ3KeyRelay = "plexa_relay";    // "1": a spectator relay

// The name of a game type number as the tags of a server that sends none; empty when unknown.
const char *Q3GameTypeName(int gameType);

class CQ3ProtocolFamily final : public IProtocolFamily {
 public:
  const char *Name() const override { return "q3"; }
  uint16 DefaultServerPort() const override { return 27960; }
  uint16 DefaultMasterPort() const override { return 27950; }

  std::string MakeChallenge(uint64 randomBits) const override;
  bool IsValidChallenge(std::string_view challenge) const override;

  bool BuildInfoRequest(std::string_view challenge, std::string &packet) const override;
  bool BuildStatusRequest(std::string_view challenge, std::string &packet) const override;
  bool BuildMasterListRequest(bool overIPv6, std::string_view gameName, int protocol,
                              std::string &packet) const override;

  EAnswerKind AnswerKind(std::string_view packet) const override;
  EPacketVerdict DecodeInfo(std::string_view packet, std::string_view challenge, uint32 ip, uint16 port,
                            const CProtocolCatalogue &catalogue, ServerInfo_t &out) const override;
  EPacketVerdict DecodeStatus(std::string_view packet, std::string_view challenge,
                              ServerStatus_t &out) const override;
  EPacketVerdict DecodeMasterList(std::string_view packet, MasterList_t &out) const override;
};

// The family's one instance, as the registry lists it.
const IProtocolFamily &Q3ProtocolFamily();
