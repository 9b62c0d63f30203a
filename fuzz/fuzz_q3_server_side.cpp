// The server side of the q3 protocols on arbitrary datagrams: a game server's request reading (its
// answers must fit and be read back by our client with the challenge echoed), the master's list
// queries, heartbeats and infoResponses (whatever it accepts, its table and list answers stay
// sound).
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "plexaclient/net/q3_protocol.h"
#include "tools/serverfarm/master_protocol.h"
#include "tools/serverfarm/master_table.h"
#include "tools/serverfarm/request_line.h"
#include "tools/serverfarm/server_answers.h"

namespace {

const std::string kMarker("\xff\xff\xff\xff");

ServerView MakeServer() {
  ServerView server;
  server.m_HostName = "^3Rook^7wood";
  server.m_MapName = "lx_fen";
  server.m_GameName = "Ironclad";
  server.m_nMaxClients = 8;
  server.m_Players = {{"Quill", 4, 31, false}, {"Brisk", 0, 0, true}};
  return server;
}

void CheckServerSide(std::string_view datagram) {
  if (TokenizeRequestLine(datagram, 8).size() > 8) abort();
  ServerQuery query;
  if (!ReadServerQuery(datagram, query)) return;
  if (query.m_Challenge.size() > k_nMaxEchoedChallenge) abort();
  static const ServerView server = MakeServer();
  static const CProtocolCatalogue catalogue;
  const IProtocolFamily &family = Q3ProtocolFamily();
  if (query.m_eKind == EServerQuery::Info) {
    const std::string answer = BuildInfoResponse(server, query.m_Challenge);
    ServerInfo_t info;
    if (answer.size() > k_nMaxServerDatagram ||
        family.DecodeInfo(answer, query.m_Challenge, 0x7F000001u, 27960, catalogue, info) !=
            EPacketVerdict::Accepted)
      abort();
  } else {
    const std::string answer = BuildStatusResponse(server, query.m_Challenge);
    ServerStatus_t status;
    if (answer.size() > k_nMaxServerDatagram ||
        family.DecodeStatus(answer, query.m_Challenge, status) != EPacketVerdict::Accepted ||
        status.m_Players.size() != 2)
      abort();
  }
}

void CheckListAnswers(const std::vector<MasterSend> &out) {
  for (const MasterSend &send : out) {
    if (send.m_Bytes.size() > k_nMaxListDatagram) abort();
    if (!send.m_Bytes.starts_with(kMarker + "getservers")) continue;
    MasterList_t list;
    if (Q3ProtocolFamily().DecodeMasterList(send.m_Bytes, list) != EPacketVerdict::Accepted || !list.m_bEnd)
      abort();
  }
}

void CheckMasterSide(std::string_view data) {
  ListQuery query;
  if (ReadListQuery(data, query) && query.m_bExtended && query.m_GameName.empty()) abort();
  std::string tag;
  ReadHeartbeat(data, tag);

  MasterSettings settings;
  settings.m_nMaxServers = 4;
  CMasterTable table(settings, 1);
  const NetAddress server = NetAddress::FromIPv4(0x7F000102u, 27960);
  std::vector<MasterSend> out;
  // The raw datagram from a stranger, then as the infoResponse of a server that heartbeated.
  table.Handle(data, NetAddress::FromIPv4(0x7F000009u, 4000), 0, out);
  CheckListAnswers(out);
  out.clear();
  table.Handle(kMarker + "heartbeat DarkPlaces\n", server, 10, out);
  if (out.size() != 1) abort();
  const std::string challenge = out[0].m_Bytes.substr(12);
  out.clear();
  const std::string info = kMarker + "infoResponse\n" + std::string(data) + "\\challenge\\" + challenge;
  table.Handle(info, server, 20, out);
  if (!out.empty() || table.ListedCount() > 2 || table.EntryCount() > 2) abort();
  // A listed server shows in the extended list of every game with both families asked for.
  table.Handle(kMarker + "getserversExt Ironclad 71 empty full", NetAddress::FromIPv4(0x7F000001u, 5000), 30,
               out);
  CheckListAnswers(out);
  table.Expire(30 + settings.m_nExpiryMs);
  if (table.EntryCount() != 0) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string_view text(reinterpret_cast<const char *>(data), size);
  CheckServerSide(text);
  CheckServerSide(kMarker + std::string(text));
  CheckMasterSide(text);
  CheckMasterSide(kMarker + std::string(text));
  return 0;
}
