#include "tools/serverfarm/server_answers.h"

#include <algorithm>

#include "tools/serverfarm/info_writer.h"
#include "tools/serverfarm/request_line.h"

bool ReadServerQuery(std::string_view datagram, ServerQuery &out) {
  out = ServerQuery();
  if (datagram.size() > k_nMaxServerDatagram || !datagram.starts_with(k_szOobMarker)) return false;
  const std::vector<std::string> tokens = TokenizeRequestLine(datagram.substr(k_szOobMarker.size()), 2);
  if (tokens.empty()) return false;
  if (IsCommandWord(tokens[0], "getinfo"))
    out.m_eKind = EServerQuery::Info;
  else if (IsCommandWord(tokens[0], "getstatus"))
    out.m_eKind = EServerQuery::Status;
  else
    return false;
  if (tokens.size() < 2) return true;
  const std::string &challenge = tokens[1];
  // A long challenge would make every answer bigger: such requests are not answered at all.
  if (challenge.size() > k_nMaxEchoedChallenge) {
    out.m_eKind = EServerQuery::None;
    return false;
  }
  if (CInfoWriter::IsAllowed(challenge)) out.m_Challenge = challenge;
  return true;
}

int PublicClients(const ServerView &server) {
  const int players = static_cast<int>(server.m_Players.size());
  return players > server.m_nPrivateSlots ? players - server.m_nPrivateSlots : 0;
}

int PublicHumans(const ServerView &server) {
  int humans = 0;
  for (size_t i = static_cast<size_t>(std::max(server.m_nPrivateSlots, 0)); i < server.m_Players.size(); ++i)
    humans += server.m_Players[i].m_bBot ? 0 : 1;
  return humans;
}

std::string BuildInfoText(const ServerView &server) {
  CInfoWriter info;
  info.Set("voip", server.m_Voip);
  info.Set("g_needpass", server.m_bNeedPass ? 1 : 0);
  info.Set("pure", server.m_nPure);
  info.Set("gametype", server.m_nGameType);
  info.Set("sv_maxclients", std::max(server.m_nMaxClients - server.m_nPrivateSlots, 0));
  info.Set("g_humanplayers", PublicHumans(server));
  info.Set("clients", PublicClients(server));
  info.Set("mapname", server.m_MapName);
  info.Set("hostname", server.m_HostName);
  info.Set("protocol", server.m_nProtocol);
  info.Set("gamename", server.m_GameName);
  info.Set("game", server.m_GameDir);
  if (server.m_bSecure) info.Set("plexa_secure", "1");
  info.Set("plexa_tags", server.m_Tags);
  if (server.m_bRelay) info.Set("plexa_relay", "1");
  return info.Text();
}

std::string InfoResponseFromText(std::string infoText, std::string_view challenge) {
  CInfoWriter info(std::move(infoText));
  info.Set("challenge", challenge);
  return std::string(k_szOobMarker).append("infoResponse\n").append(info.Text());
}

std::string BuildInfoResponse(const ServerView &server, std::string_view challenge) {
  return InfoResponseFromText(BuildInfoText(server), challenge);
}

std::string BuildStatusResponse(const ServerView &server, std::string_view challenge) {
  CInfoWriter info;
  info.Set("challenge", challenge);
  info.Set("com_protocol", server.m_nProtocol);
  info.Set("sv_hostname", server.m_HostName);
  info.Set("sv_maxclients", server.m_nMaxClients);
  info.Set("g_gametype", server.m_nGameType);
  info.Set("version", server.m_Version);
  info.Set("com_gamename", server.m_GameName);
  info.Set("mapname", server.m_MapName);
  info.Set("gamename", server.m_GameDir);
  info.Set("sv_privateClients", server.m_nPrivateSlots);
  info.Set("g_needpass", server.m_bNeedPass ? 1 : 0);
  std::string packet = std::string(k_szOobMarker).append("statusResponse\n").append(info.Text()).append("\n");
  for (const FarmPlayer &player : server.m_Players) {
    std::string line = std::to_string(player.m_nScore) + " " + std::to_string(player.m_nPingMs) + " \"" +
                       player.m_Name + "\"\n";
    // Lines that would not fit the datagram are left out; later, shorter ones may still fit.
    if (packet.size() + line.size() > k_nMaxServerDatagram) continue;
    packet += line;
  }
  return packet;
}

std::string Utf8ToServerBytes(std::string_view utf8, size_t maxBytes) {
  std::string out;
  size_t i = 0;
  while (i < utf8.size() && out.size() < maxBytes) {
    const unsigned char lead = static_cast<unsigned char>(utf8[i]);
    unsigned int code = lead;
    size_t length = 1;
    if (lead >= 0x80) {
      length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
      bool whole = length != 0 && i + length <= utf8.size();
      code = length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
      for (size_t k = 1; whole && k < length; ++k) {
        const unsigned char next = static_cast<unsigned char>(utf8[i + k]);
        whole = (next & 0xC0) == 0x80;
        code = (code << 6) | (next & 0x3F);
      }
      if (!whole) {
        out.push_back('?');
        ++i;
        continue;
      }
    }
    i += length;
    if (code < 0x20 || (code >= 0x7F && code < 0xA0)) continue;  // control characters
    out.push_back(code <= 0xFF ? static_cast<char>(code) : '?');
  }
  return out;
}
