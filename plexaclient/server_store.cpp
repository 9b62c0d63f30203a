#include "plexaclient/server_store.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include "common/filesystem_helpers.h"
#include "common/plexa/plain_files.h"
#include "plexaclient/address_text.h"
#include "tier0/dbg.h"
#include "tier0/platform.h"
#include "tier1/KeyValues.h"
#include "tier1/keyvalues_text/keyvalues_reader.h"

namespace {

std::string StoreText(const std::vector<StoredServer> &entries) {
  std::string text = "\"StoredServers\"\n{\n";
  for (const StoredServer &entry : entries) {
    text += "\t\"server\"\n\t{\n";
    text += "\t\t\"appid\"\t\t\"" + std::to_string(entry.m_nAppId) + "\"\n";
    text += "\t\t\"address\"\t\t\"" + FormatIPv4(entry.m_nIP, entry.m_nConnPort) + "\"\n";
    text += "\t\t\"queryport\"\t\t\"" + std::to_string(entry.m_nQueryPort) + "\"\n";
    text += "\t\t\"flags\"\t\t\"" + std::to_string(entry.m_nFlags) + "\"\n";
    text += "\t\t\"lastplayed\"\t\t\"" + std::to_string(entry.m_nLastPlayed) + "\"\n";
    text += "\t}\n";
  }
  text += "}\n";
  return text;
}

}  // namespace

void CServerStore::Load(const std::string &folder, const std::vector<StoredServer> &seed) {
  m_Folder = folder;
  m_Entries.clear();
  m_bKeepFile = false;
  ReadEntries(seed);
  Reindex();
}

void CServerStore::ReadEntries(const std::vector<StoredServer> &seed) {
  const std::string path = FilePath();
  std::string text, why;
  bool exists = false;
  if (!ReadCheckedFile(path, text, kMaxReadFileBytes, FileTrust::Any, &why, &exists)) {
    if (exists)
      KeepUnusableFile(why);
    else
      m_Entries = seed;
    return;
  }
  KeyValuesAD root(new KeyValues("StoredServers"));
  std::string errors;
  if (!LoadKeyValuesWithPlaces(root.get(), path.c_str(), text.c_str(), &errors)) {
    KeepUnusableFile(path + ": " + errors);
    return;
  }
  std::string problems;
  ReadStoredServers(root.get(), m_Entries, &problems);
  if (!problems.empty()) Warning("plexaclient: %s: %s", path.c_str(), problems.c_str());
}

void CServerStore::KeepUnusableFile(const std::string &why) {
  std::string aside;
  if (MoveAsideAsDamaged(FilePath(), Plat_UnixTime(), kDamagedCopiesKept, aside)) {
    Warning("plexaclient: %s; moved aside to %s, favourites and history start empty\n", why.c_str(),
            aside.c_str());
    m_DamagedCopy = aside.substr(aside.rfind('/') + 1);
    return;
  }
  Warning(
      "plexaclient: %s; cannot be moved aside (%s), favourites and history start empty and are not saved\n",
      why.c_str(), strerror(errno));
  m_bKeepFile = true;
}

std::string CServerStore::TakeDamagedCopy() {
  return std::exchange(m_DamagedCopy, {});
}

const StoredServer *CServerStore::Lookup(uint32 ip, uint16 connPort) const {
  const auto it = m_Index.find(AddressKey(ip, connPort));
  return it == m_Index.end() ? nullptr : &m_Entries[it->second];
}

void CServerStore::Reindex() {
  m_Index.clear();
  m_Index.reserve(m_Entries.size());
  // A file naming an address twice: the first entry is the one found, as it always was.
  for (size_t i = 0; i < m_Entries.size(); ++i)
    m_Index.emplace(AddressKey(m_Entries[i].m_nIP, m_Entries[i].m_nConnPort), i);
}

StoredServer *CServerStore::Find(uint32 ip, uint16 connPort) {
  return const_cast<StoredServer *>(static_cast<const CServerStore *>(this)->Lookup(ip, connPort));
}

bool CServerStore::Add(const StoredServer &server) {
  if (server.m_nFlags == 0) return false;
  StoredServer *entry = Find(server.m_nIP, server.m_nConnPort);
  if (!entry) {
    m_Index.emplace(AddressKey(server.m_nIP, server.m_nConnPort), m_Entries.size());
    m_Entries.push_back(server);
    return true;
  }
  entry->m_nFlags |= server.m_nFlags;
  if (server.m_nAppId) entry->m_nAppId = server.m_nAppId;
  entry->m_nQueryPort = server.m_nQueryPort;
  if (server.m_nLastPlayed) entry->m_nLastPlayed = server.m_nLastPlayed;
  return true;
}

bool CServerStore::Remove(uint32 ip, uint16 connPort, uint32 flags) {
  StoredServer *entry = Find(ip, connPort);
  if (!entry || (entry->m_nFlags & flags) == 0) return false;
  entry->m_nFlags &= ~flags;
  if (entry->m_nFlags == 0) {
    m_Entries.erase(m_Entries.begin() + (entry - m_Entries.data()));
    Reindex();
  }
  return true;
}

bool CServerStore::Save() const {
  // Saving would replace the user's unusable store, which could not be kept aside.
  if (m_bKeepFile) return false;
  if (!plainfile::MakeFolders(m_Folder)) {
    Warning("plexaclient: cannot create %s: %s; favourites and history not saved\n", m_Folder.c_str(),
            strerror(errno));
    return false;
  }
  const std::string path = FilePath();
  const std::string text = StoreText(m_Entries);
  std::string error;
  if (ReplaceFileContents(path, text.data(), text.size(), &error)) return true;
  Warning("plexaclient: cannot save favourites and history: %s\n", error.c_str());
  return false;
}
