#include "tools/serverfarm/master_protocol.h"

#include <charconv>

#include "tools/serverfarm/request_line.h"

namespace {

constexpr std::string_view kListHeader = "getserversResponse";
constexpr std::string_view kExtListHeader = "getserversExtResponse";
constexpr std::string_view kEndMarker("\\EOT\0\0\0", 7);

// Words split at every byte up to 0x20 (spaces, tabs, line feeds), at most `maxWords`.
std::vector<std::string_view> SplitWords(std::string_view text, size_t maxWords) {
  std::vector<std::string_view> words;
  size_t i = 0;
  while (i < text.size() && words.size() < maxWords) {
    if (static_cast<unsigned char>(text[i]) <= 0x20) {
      ++i;
      continue;
    }
    size_t end = i;
    while (end < text.size() && static_cast<unsigned char>(text[end]) > 0x20) ++end;
    words.push_back(text.substr(i, end - i));
    i = end;
  }
  return words;
}

bool ReadProtocol(std::string_view word, int &protocol) {
  if (word.empty() || word.size() > 9) return false;
  for (char c : word)
    if (c < '0' || c > '9') return false;
  std::from_chars(word.data(), word.data() + word.size(), protocol);
  return true;
}

bool IsMasterPayload(std::string_view datagram) {
  return datagram.size() >= k_nMinMasterDatagram && datagram.size() <= k_nMaxMasterDatagram &&
         datagram.starts_with(k_szOobMarker);
}

}  // namespace

bool ReadHeartbeat(std::string_view datagram, std::string &tag) {
  if (!IsMasterPayload(datagram)) return false;
  const std::vector<std::string_view> words = SplitWords(datagram.substr(k_szOobMarker.size()), 3);
  if (words.size() != 2 || words[0] != "heartbeat") return false;
  tag.assign(words[1]);
  return true;
}

std::string BuildHeartbeat(std::string_view tag) {
  return std::string(k_szOobMarker).append("heartbeat ").append(tag).append("\n");
}

std::string_view HeartbeatTagFor(std::string_view gameName) {
  return gameName == k_szQ3DefaultGame ? k_szTagQ3 : k_szTagGeneric;
}

std::string MakeMasterChallenge(std::mt19937_64 &random) {
  // 0x21..0x7E without the five bytes a server or an infostring cannot carry.
  static const std::string kAlphabet = [] {
    std::string alphabet;
    for (char c = 0x21; c <= 0x7E; ++c)
      if (std::string_view("\\/;\"%").find(c) == std::string_view::npos) alphabet.push_back(c);
    return alphabet;
  }();
  const size_t length = 8 + random() % 4;
  std::string challenge;
  for (size_t i = 0; i < length; ++i) challenge.push_back(kAlphabet[random() % kAlphabet.size()]);
  return challenge;
}

std::string BuildChallengeRequest(std::string_view challenge) {
  return std::string(k_szOobMarker).append("getinfo ").append(challenge);
}

bool ReadInfoResponse(std::string_view datagram, std::string_view &infostring) {
  constexpr std::string_view kHeader = "infoResponse\n";
  if (!IsMasterPayload(datagram)) return false;
  const std::string_view rest = datagram.substr(k_szOobMarker.size());
  if (!rest.starts_with(kHeader)) return false;
  infostring = rest.substr(kHeader.size());
  return true;
}

bool ReadListQuery(std::string_view datagram, ListQuery &out) {
  out = ListQuery();
  if (!IsMasterPayload(datagram)) return false;
  const std::vector<std::string_view> words = SplitWords(datagram.substr(k_szOobMarker.size()), 64);
  if (words.size() < 2) return false;
  if (words[0] == "getserversExt")
    out.m_bExtended = true;
  else if (words[0] != "getservers")
    return false;
  size_t next = 1;
  if (!ReadProtocol(words[1], out.m_nProtocol)) {
    // The form naming the game; the extended form always does.
    if (words.size() < 3 || words[1].size() > k_nMaxMasterValue || !ReadProtocol(words[2], out.m_nProtocol))
      return false;
    out.m_GameName.assign(words[1]);
    next = 3;
  } else {
    if (out.m_bExtended) return false;
    next = 2;
  }
  for (; next < words.size(); ++next) {
    const std::string_view option = words[next];
    std::string_view gameType;
    if (option == "empty")
      out.m_bEmpty = true;
    else if (option == "full")
      out.m_bFull = true;
    else if (option == "ipv4")
      out.m_bIPv4 = true;
    else if (option == "ipv6")
      out.m_bIPv6 = true;
    else if (option.starts_with("gametype="))
      gameType = option.substr(9);
    else if (option == "ffa")
      gameType = "0";
    else if (option == "tourney")
      gameType = "1";
    else if (option == "team")
      gameType = "3";
    else if (option == "ctf")
      gameType = "4";
    if (!gameType.empty() && out.m_GameType.empty()) out.m_GameType.assign(gameType);
  }
  return true;
}

std::string BuildListQuery(const ListQuery &query) {
  std::string packet(k_szOobMarker);
  packet.append(query.m_bExtended ? "getserversExt " : "getservers ");
  if (!query.m_GameName.empty()) packet.append(query.m_GameName).append(" ");
  packet.append(std::to_string(query.m_nProtocol));
  if (query.m_bEmpty) packet.append(" empty");
  if (query.m_bFull) packet.append(" full");
  if (query.m_bIPv4) packet.append(" ipv4");
  if (query.m_bIPv6) packet.append(" ipv6");
  if (!query.m_GameType.empty()) packet.append(" gametype=").append(query.m_GameType);
  return packet;
}

std::vector<std::string> LayoutList(bool extended, const std::vector<NetAddress> &servers) {
  std::string header(k_szOobMarker);
  header.append(extended ? kExtListHeader : kListHeader);
  std::vector<std::string> datagrams;
  std::string current = header;
  for (const NetAddress &server : servers) {
    if (server.m_bIPv6 && !extended) continue;
    std::string entry(1, server.m_bIPv6 ? '/' : '\\');
    entry.append(reinterpret_cast<const char *>(server.m_Bytes), server.m_bIPv6 ? 16 : 4);
    entry.push_back(static_cast<char>(server.m_usPort >> 8));
    entry.push_back(static_cast<char>(server.m_usPort & 0xFF));
    if (current.size() + entry.size() + kEndMarker.size() > k_nMaxListDatagram) {
      datagrams.push_back(current.append(kEndMarker));
      current = header;
    }
    current += entry;
  }
  datagrams.push_back(current.append(kEndMarker));
  return datagrams;
}
