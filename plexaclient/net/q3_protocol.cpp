// Index: requests; answer headers; info answers; status answers; master lists.
#include "plexaclient/net/q3_protocol.h"

#include <iterator>
#include <unordered_set>

#include "plexaclient/net/infostring.h"
#include "plexaclient/net/server_text.h"

namespace {

constexpr std::string_view kMarker = "\xFF\xFF\xFF\xFF";
constexpr std::string_view kInfoAnswer = "infoResponse";
constexpr std::string_view kStatusAnswer = "statusResponse";
constexpr std::string_view kListAnswer = "getserversResponse";
constexpr std::string_view kExtListAnswer = "getserversExtResponse";
constexpr std::string_view kListEnd = std::string_view("\\EOT\0\0\0", 7);
// Servers drop a challenge longer than this.
constexpr size_t kMaxChallenge = 128;
// Player names are at most 31 bytes on the wire; this leaves room for every byte to widen.
constexpr size_t kMaxPlayerNameBytes = 127;

// Bytes a server echoes unchanged in a request's argument: printable, no separator, no quote, no
// comment start, nothing it would rewrite.
bool IsEchoedByte(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  return u > 0x20 && u < 0x7F && c != '\\' && c != ';' && c != '"' && c != '%' && c != '/';
}

bool IsSendableWord(std::string_view word, size_t maxBytes) {
  if (word.empty() || word.size() > maxBytes) return false;
  for (char c : word) {
    if (!IsEchoedByte(c)) return false;
  }
  return true;
}

// The command line of an answer: the marker, `command`, a line feed; `payload` is what follows,
// up to a NUL (clients read answers as strings).
EPacketVerdict ReadAnswerHeader(std::string_view packet, std::string_view command,
                                std::string_view &payload) {
  if (packet.size() > k_nMaxAnswerBytes) return EPacketVerdict::Oversized;
  if (packet.substr(0, kMarker.size()) != kMarker) return EPacketVerdict::WrongMarker;
  const std::string_view rest = packet.substr(kMarker.size());
  const size_t lineEnd = rest.find('\n');
  if (rest.substr(0, lineEnd) != command) return EPacketVerdict::WrongCommand;
  if (lineEnd == std::string_view::npos) return EPacketVerdict::Malformed;
  payload = rest.substr(lineEnd + 1);
  payload = payload.substr(0, payload.find('\0'));
  return EPacketVerdict::Accepted;
}

bool ChallengeMatches(const CInfoString &info, std::string_view challenge) {
  if (challenge.empty()) return true;
  const std::optional<std::string_view> echoed = info.Find("challenge");
  return echoed && *echoed == challenge;
}

// A number the server may leave out (an empty value counts as left out); false when it is there
// but no number.
bool ReadNumber(const CInfoString &info, std::string_view key, std::optional<int> &value) {
  value.reset();
  const std::optional<std::string_view> text = info.Find(key);
  if (!text || text->empty()) return true;
  value = ParseDecimal(*text);
  return value.has_value();
}

// A flag is set by any value but 0.
bool IsFlagSet(const CInfoString &info, std::string_view key) {
  const std::optional<std::string_view> text = info.Find(key);
  if (!text || text->empty()) return false;
  const std::optional<int> number = ParseDecimal(*text);
  return !number || *number != 0;
}

std::string_view ValueOf(const CInfoString &info, std::string_view key) {
  return info.Find(key).value_or(std::string_view());
}

void CopyServerText(char *field, size_t fieldSize, std::string_view raw, bool stripColours) {
  CopyToField(field, fieldSize, ServerTextToUtf8(raw, stripColours, fieldSize - 1));
}

// "<score> <ping> "<name>"", perhaps with more numbers before the name or text after it (related
// games add a team). The name runs from the first quote to the last.
bool ReadPlayerLine(std::string_view line, StatusPlayer_t &player) {
  size_t pos = 0;
  const auto readNumber = [&](int &value) {
    const size_t start = line.find_first_not_of(" \t", pos);
    if (start == std::string_view::npos || (pos > 0 && start == pos)) return false;
    size_t end = line.find_first_of(" \t\"", start);
    if (end == std::string_view::npos) end = line.size();
    const std::optional<int> number = ParseDecimal(line.substr(start, end - start));
    pos = end;
    if (!number) return false;
    value = *number;
    return true;
  };
  if (!readNumber(player.m_nScore) || !readNumber(player.m_nPingMs)) return false;
  const size_t first = line.find('"', pos);
  const size_t last = line.rfind('"');
  if (first == std::string_view::npos || last == first) return false;
  player.m_Name = ServerTextToUtf8(line.substr(first + 1, last - first - 1), true, kMaxPlayerNameBytes);
  return true;
}

// Addresses no one should be sent queries: this network, multicast, reserved and broadcast.
bool IsQueryableIPv4(uint32 ip) {
  return (ip >> 24) != 0 && (ip >> 24) < 224;
}

uint16 BigEndian16(const unsigned char *bytes) {
  return static_cast<uint16>((bytes[0] << 8) | bytes[1]);
}

uint32 BigEndian32(const unsigned char *bytes) {
  return (uint32{bytes[0]} << 24) | (uint32{bytes[1]} << 16) | (uint32{bytes[2]} << 8) | uint32{bytes[3]};
}

// `command` with the challenge as its one argument.
bool BuildServerRequest(const IProtocolFamily &family, std::string_view command, std::string_view challenge,
                        std::string &packet) {
  packet.clear();
  if (!family.IsValidChallenge(challenge)) return false;
  packet.append(kMarker).append(command);
  if (!challenge.empty()) packet.append(" ").append(challenge);
  return true;
}

}  // namespace

const char *Q3GameTypeName(int gameType) {
  static const char *const kNames[] = {
      "Free For All",      "Tournament",        "Single Player", "Team Deathmatch", "Capture The Flag",
      "One Flag CTF",      "Overload",          "Harvester",     "Elimination",     "CTF Elimination",
      "Last Man Standing", "Double Domination", "Domination",
  };
  if (gameType < 0 || gameType >= static_cast<int>(std::size(kNames))) return "";
  return kNames[gameType];
}

const IProtocolFamily &Q3ProtocolFamily() {
  static const CQ3ProtocolFamily s_Family;
  return s_Family;
}

// Requests -------------------------------------------------------------------------------------

std::string CQ3ProtocolFamily::MakeChallenge(uint64 randomBits) const {
  static constexpr std::string_view kAlphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  // Eleven letters of 62 hold all 64 bits.
  std::string challenge;
  for (int i = 0; i < 11; ++i) {
    challenge.push_back(kAlphabet[randomBits % kAlphabet.size()]);
    randomBits /= kAlphabet.size();
  }
  return challenge;
}

bool CQ3ProtocolFamily::IsValidChallenge(std::string_view challenge) const {
  return challenge.empty() || IsSendableWord(challenge, kMaxChallenge);
}

bool CQ3ProtocolFamily::BuildInfoRequest(std::string_view challenge, std::string &packet) const {
  return BuildServerRequest(*this, "getinfo", challenge, packet);
}

bool CQ3ProtocolFamily::BuildStatusRequest(std::string_view challenge, std::string &packet) const {
  return BuildServerRequest(*this, "getstatus", challenge, packet);
}

bool CQ3ProtocolFamily::BuildMasterListRequest(bool overIPv6, std::string_view gameName, int protocol,
                                               std::string &packet) const {
  packet.clear();
  // Masters keep names of up to 255 bytes; no game has a name near that.
  if (protocol < 0 || (!gameName.empty() && !IsSendableWord(gameName, 64))) return false;
  // The extended form needs the game's name. No line feed: masters read it as part of the last word.
  if (overIPv6 && gameName.empty()) return false;
  packet.append(kMarker).append(overIPv6 ? "getserversExt " : "getservers ");
  if (!gameName.empty()) packet.append(gameName).append(" ");
  packet.append(std::to_string(protocol)).append(" empty full");
  return true;
}

// Answer headers -------------------------------------------------------------------------------

EAnswerKind CQ3ProtocolFamily::AnswerKind(std::string_view packet) const {
  if (packet.substr(0, kMarker.size()) != kMarker) return EAnswerKind::Unknown;
  const std::string_view rest = packet.substr(kMarker.size());
  const std::string_view word = rest.substr(0, rest.find('\n'));
  if (word == kInfoAnswer) return EAnswerKind::Info;
  if (word == kStatusAnswer) return EAnswerKind::Status;
  if (rest.starts_with(kListAnswer) || rest.starts_with(kExtListAnswer)) return EAnswerKind::MasterList;
  return EAnswerKind::Unknown;
}

// Info answers ---------------------------------------------------------------------------------

EPacketVerdict CQ3ProtocolFamily::DecodeInfo(std::string_view packet, std::string_view challenge, uint32 ip,
                                             uint16 port, const CProtocolCatalogue &catalogue,
                                             ServerInfo_t &out) const {
  out = ServerInfo_t{};
  std::string_view payload;
  const EPacketVerdict header = ReadAnswerHeader(packet, kInfoAnswer, payload);
  if (header != EPacketVerdict::Accepted) return header;
  const CInfoString info(payload);
  if (!ChallengeMatches(info, challenge)) return EPacketVerdict::ChallengeMismatch;

  std::optional<int> clients, limit, humans, protocol, gameType;
  if (!ReadNumber(info, "clients", clients) || !ReadNumber(info, "sv_maxclients", limit) ||
      !ReadNumber(info, "g_humanplayers", humans) || !ReadNumber(info, "protocol", protocol)) {
    return EPacketVerdict::Malformed;
  }
  if (clients.value_or(0) < 0 || limit.value_or(0) < 0 || humans.value_or(0) < 0)
    return EPacketVerdict::Malformed;

  ServerRecord &record = out.m_Record;
  record.m_NetAdr.Init(ip, port, port);
  record.m_bResponded = true;
  record.m_nPlayerCount = clients.value_or(0);
  record.m_nPlayerLimit = limit.value_or(0);
  // Bots hold slots but are not human players; servers that do not count humans tell nothing.
  record.m_nBotCount = humans && *humans <= record.m_nPlayerCount ? record.m_nPlayerCount - *humans : 0;
  record.m_nVersion = protocol.value_or(0);
  record.m_bHasPassword = IsFlagSet(info, "g_needpass");
  record.m_bIsSecure = IsFlagSet(info, k_szQ3KeySecure);
  out.m_bRelay = IsFlagSet(info, k_szQ3KeyRelay);

  const ProtocolApp_t *app = catalogue.Find(Name(), ValueOf(info, "gamename"), protocol.value_or(-1));
  if (app) {
    record.m_nAppId = app->m_nAppId;
    CopyToField(record.m_szDescription, app->m_Name);
    CopyToField(record.m_szGameDirectory, app->m_GameDir);
  }
  const std::string_view gameDir = ValueOf(info, "game");
  if (!gameDir.empty())
    CopyServerText(record.m_szGameDirectory, sizeof(record.m_szGameDirectory), gameDir, false);
  CopyServerText(record.m_szServerName, sizeof(record.m_szServerName), ValueOf(info, "hostname"), true);
  CopyServerText(record.m_szMapName, sizeof(record.m_szMapName), ValueOf(info, "mapname"), false);

  if (const std::optional<std::string_view> tags = info.Find(k_szQ3KeyTags)) {
    CopyServerText(record.m_szTags, sizeof(record.m_szTags), *tags, false);
  } else {
    const std::string_view typeText = ValueOf(info, "gametype");
    const std::optional<int> type = ParseDecimal(typeText);
    const char *typeName = type ? Q3GameTypeName(*type) : "";
    CopyServerText(record.m_szTags, sizeof(record.m_szTags), *typeName ? typeName : typeText, false);
  }
  return EPacketVerdict::Accepted;
}

// Status answers -------------------------------------------------------------------------------

EPacketVerdict CQ3ProtocolFamily::DecodeStatus(std::string_view packet, std::string_view challenge,
                                               ServerStatus_t &out) const {
  out = ServerStatus_t{};
  std::string_view payload;
  const EPacketVerdict header = ReadAnswerHeader(packet, kStatusAnswer, payload);
  if (header != EPacketVerdict::Accepted) return header;
  const size_t infoEnd = payload.find('\n');
  const CInfoString info(payload.substr(0, infoEnd));
  if (!ChallengeMatches(info, challenge)) return EPacketVerdict::ChallengeMismatch;

  std::unordered_set<std::string> seen;
  for (const CInfoString::Pair &pair : info.Pairs()) {
    std::string key = ServerTextToUtf8(pair.m_Key, false, k_nMaxAnswerBytes);
    std::string folded = key;
    for (char &c : folded) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    if (key.empty() || !seen.insert(folded).second) continue;
    out.m_Rules.emplace_back(std::move(key), ServerTextToUtf8(pair.m_Value, false, k_nMaxAnswerBytes));
  }

  // One player a line; the answer may end with or without the last line feed.
  size_t pos = infoEnd == std::string_view::npos ? payload.size() : infoEnd + 1;
  while (pos < payload.size()) {
    size_t lineEnd = payload.find('\n', pos);
    if (lineEnd == std::string_view::npos) lineEnd = payload.size();
    const std::string_view line = payload.substr(pos, lineEnd - pos);
    pos = lineEnd + 1;
    if (line.find_first_not_of(" \t\r") == std::string_view::npos) continue;
    StatusPlayer_t player;
    if (ReadPlayerLine(line, player)) {
      out.m_Players.push_back(std::move(player));
    } else {
      ++out.m_nUnreadPlayerLines;
    }
  }
  return EPacketVerdict::Accepted;
}

// Master lists ---------------------------------------------------------------------------------

EPacketVerdict CQ3ProtocolFamily::DecodeMasterList(std::string_view packet, MasterList_t &out) const {
  out = MasterList_t{};
  if (packet.size() > k_nMaxAnswerBytes) return EPacketVerdict::Oversized;
  if (packet.substr(0, kMarker.size()) != kMarker) return EPacketVerdict::WrongMarker;
  std::string_view rest = packet.substr(kMarker.size());
  if (rest.starts_with(kListAnswer)) {
    rest.remove_prefix(kListAnswer.size());
  } else if (rest.starts_with(kExtListAnswer)) {
    rest.remove_prefix(kExtListAnswer.size());
  } else {
    return EPacketVerdict::WrongCommand;
  }

  // Each entry starts with its kind; a full datagram ends right after its last entry's port, so
  // the end of the datagram ends the entries as well as the end marker does.
  while (!rest.empty()) {
    if (rest.starts_with(kListEnd)) {
      out.m_bEnd = true;
      break;
    }
    const auto *bytes = reinterpret_cast<const unsigned char *>(rest.data());
    const size_t size = rest[0] == '\\' ? 7 : rest[0] == '/' ? 19 : 0;
    if (size == 0 || rest.size() < size) {
      out = MasterList_t{};
      return EPacketVerdict::Malformed;
    }
    if (size == 19) {
      ++out.m_nIPv6Skipped;
    } else {
      const MasterListEntry_t entry{BigEndian32(bytes + 1), BigEndian16(bytes + 5)};
      if (entry.m_usPort != 0 && IsQueryableIPv4(entry.m_unIP)) {
        out.m_Servers.push_back(entry);
      } else {
        ++out.m_nInvalidSkipped;
      }
    }
    rest.remove_prefix(size);
  }
  return EPacketVerdict::Accepted;
}
