// The services stand-in's world file on arbitrary bytes: read as key/value text, then taken as a
// world. Every server it keeps has a real address and is found by it, the fixed-size texts of a
// server record stay terminated, the settings stay within their floors, and the stored-server seed
// holds only readable entries.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "plexaclient/plexa_world.h"
#include "support/fuzz_support.h"
#include "tier1/KeyValues.h"
#include "tier1/utlbuffer.h"

namespace {

template <size_t N>
void CheckTerminated(const char (&field)[N]) {
  if (!memchr(field, '\0', N)) abort();
}

void CheckWorld(const CPlexaWorld &world) {
  const auto &servers = world.Servers();
  for (size_t i = 0; i < servers.size(); ++i) {
    const ServerRecord &record = servers[i].m_Record;
    const uint32 ip = record.m_NetAdr.GetIP();
    const uint16 port = record.m_NetAdr.GetConnectionPort();
    if (ip == 0 || port == 0) abort();
    // Addresses are unique: the one found is this server.
    if (world.FindByConnection(ip, port) != &servers[i]) abort();
    if (!world.FindByQuery(ip, record.m_NetAdr.GetQueryPort())) abort();
    if (servers[i].m_nLatencyMs < 0) abort();
    CheckTerminated(record.m_szServerName);
    CheckTerminated(record.m_szMapName);
    CheckTerminated(record.m_szGameDirectory);
    CheckTerminated(record.m_szDescription);
    CheckTerminated(record.m_szTags);
  }
  for (const auto &[id, app] : world.Apps()) {
    if (id == 0 || world.FindApp(id) != &app) abort();
  }
  for (const auto &[id, buddy] : world.Friends()) {
    if (id == 0 || world.FindFriend(id) != &buddy) abort();
  }
  for (const StoredServer &stored : world.StoreSeed()) {
    if (stored.m_nIP == 0 || stored.m_nConnPort == 0 || stored.m_nFlags == 0 || stored.m_nFlags > 3) abort();
  }
  const SimSettings &settings = world.Settings();
  if (settings.m_nMasterLatencyMs < 0 || settings.m_nSilentTimeoutMs < 0 || settings.m_nFrameBudgetUs < 100)
    abort();
  if (world.ConfigFolder().empty()) abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  fuzzsupport::SilenceReports();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size > 200000) return 0;
  KeyValuesAD root(new KeyValues("PlexaClient"));
  CUtlBuffer buffer(data, static_cast<int>(size), CUtlBuffer::READ_ONLY | CUtlBuffer::TEXT_BUFFER);
  std::string errors;
  if (!root->LoadFromBuffer("world.vdf", buffer, &errors)) return 0;
  CPlexaWorld world;
  world.LoadFromKeyValues(root.get(), &errors, fuzzsupport::ScratchFolder());
  CheckWorld(world);
  // Taking the same file again (a world replaced while running) gives the same world.
  CPlexaWorld again;
  again.LoadFromKeyValues(root.get(), &errors, fuzzsupport::ScratchFolder());
  if (again.Servers().size() != world.Servers().size() || again.Apps().size() != world.Apps().size() ||
      again.Friends().size() != world.Friends().size() ||
      again.StoreSeed().size() != world.StoreSeed().size())
    abort();
  return 0;
}
