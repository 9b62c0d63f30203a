// The q3 protocol family's decoders on arbitrary datagrams: info and status answers (checked
// against a challenge and against none) and master list datagrams. Accepted records keep their
// texts terminated, UTF-8 and free of control characters, their counts sound; rules are unique;
// list entries fit the datagram and can be queried. A challenge the family accepts survives a
// request and an echoed answer.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <string_view>

#include "plexaclient/net/q3_protocol.h"
#include "plexaclient/net/server_text.h"

namespace {

// UTF-8 of one- and two-byte characters only (all a Latin-1 source gives), no control characters.
void CheckText(std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7F) abort();
    if (c < 0x80) continue;
    if (c != 0xC2 && c != 0xC3) abort();
    if (i + 1 == text.size() || (static_cast<unsigned char>(text[i + 1]) & 0xC0) != 0x80) abort();
    if (c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0) abort();  // C1 controls
    ++i;
  }
}

template <size_t N>
void CheckField(const char (&field)[N]) {
  const void *end = memchr(field, '\0', N);
  if (!end) abort();
  CheckText(std::string_view(field, static_cast<const char *>(end) - field));
}

CProtocolCatalogue MakeCatalogue() {
  CProtocolCatalogue catalogue;
  catalogue.Add("q3", "Ironclad", 71, {3310, "ironbase", "Ironclad Arena"});
  catalogue.Add("q3", "", 68, {3300, "hollowbase", "Hollow Keep"});
  catalogue.SetDefault("q3", {3399, "genericbase", "Arena Shooter"});
  return catalogue;
}

void CheckInfo(std::string_view packet, std::string_view challenge, const CProtocolCatalogue &catalogue) {
  const IProtocolFamily &family = Q3ProtocolFamily();
  ServerInfo_t info;
  if (family.DecodeInfo(packet, challenge, 0x7F000001u, 27960, catalogue, info) != EPacketVerdict::Accepted) {
    return;
  }
  const ServerRecord &record = info.m_Record;
  if (packet.size() > k_nMaxAnswerBytes || !record.m_bResponded) abort();
  if (record.m_nPlayerCount < 0 || record.m_nPlayerLimit < 0) abort();
  if (record.m_nBotCount < 0 || record.m_nBotCount > record.m_nPlayerCount) abort();
  if (record.m_NetAdr.GetIP() != 0x7F000001u || record.m_NetAdr.GetQueryPort() != 27960) abort();
  CheckField(record.m_szServerName);
  CheckField(record.m_szMapName);
  CheckField(record.m_szGameDirectory);
  CheckField(record.m_szDescription);
  CheckField(record.m_szTags);
}

void CheckStatus(std::string_view packet, std::string_view challenge) {
  ServerStatus_t status;
  if (Q3ProtocolFamily().DecodeStatus(packet, challenge, status) != EPacketVerdict::Accepted) return;
  std::set<std::string> keys;
  for (const auto &[key, value] : status.m_Rules) {
    CheckText(key);
    CheckText(value);
    std::string folded = key;
    for (char &c : folded) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    if (key.empty() || !keys.insert(folded).second) abort();
  }
  for (const StatusPlayer_t &player : status.m_Players) {
    CheckText(player.m_Name);
    if (player.m_Name.size() > 127 || player.m_flTimePlayed >= 0.0f) abort();
  }
  if (status.m_nUnreadPlayerLines < 0 || status.m_Players.size() > packet.size()) abort();
}

void CheckMasterList(std::string_view packet) {
  MasterList_t list;
  if (Q3ProtocolFamily().DecodeMasterList(packet, list) != EPacketVerdict::Accepted) {
    if (!list.m_Servers.empty() || list.m_bEnd) abort();
    return;
  }
  const size_t entries = list.m_Servers.size() + static_cast<size_t>(list.m_nInvalidSkipped);
  if (entries * 7 + static_cast<size_t>(list.m_nIPv6Skipped) * 19 > packet.size()) abort();
  for (const MasterListEntry_t &entry : list.m_Servers) {
    if (entry.m_usPort == 0 || entry.m_unIP >> 24 == 0 || entry.m_unIP >> 24 >= 224) abort();
  }
}

// A challenge the family sends must come back through an answer that echoes it.
void CheckChallengeRoundTrip(std::string_view challenge, const CProtocolCatalogue &catalogue) {
  const IProtocolFamily &family = Q3ProtocolFamily();
  std::string request;
  const bool valid = family.IsValidChallenge(challenge);
  if (family.BuildInfoRequest(challenge, request) != valid) abort();
  if (!valid) {
    if (!request.empty()) abort();
    return;
  }
  if (challenge.empty()) return;
  if (request.size() != 4 + strlen("getinfo ") + challenge.size()) abort();
  const std::string answer =
      "\xFF\xFF\xFF\xFFinfoResponse\n\\hostname\\x\\challenge\\" + std::string(challenge);
  ServerInfo_t info;
  if (family.DecodeInfo(answer, challenge, 1, 1, catalogue, info) != EPacketVerdict::Accepted) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static const CProtocolCatalogue catalogue = MakeCatalogue();
  const std::string_view packet(reinterpret_cast<const char *>(data), size);
  const IProtocolFamily &family = Q3ProtocolFamily();
  (void)family.AnswerKind(packet);
  CheckInfo(packet, "Kp4vQ9", catalogue);
  CheckInfo(packet, "", catalogue);
  CheckStatus(packet, "Kp4vQ9");
  CheckStatus(packet, "");
  CheckMasterList(packet);
  CheckChallengeRoundTrip(packet.substr(0, 200), catalogue);
  return 0;
}
