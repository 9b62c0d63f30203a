// The user's favourite and history servers, kept in a key/value file in the user's configuration
// folder and saved atomically after every change.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "plexaclient/plexa_world.h"

class CServerStore {
 public:
  static constexpr const char *kFileName = "plexa_servers.vdf";
  // Damaged stores kept beside the store, the newest first.
  static constexpr int kDamagedCopiesKept = 5;

  // Reads the store of `folder`; when it has none yet, starts from `seed`. A store file that
  // cannot be parsed is moved aside as "<file>.damaged-<time>" (never over an earlier copy) so
  // that the next save does not destroy it.
  void Load(const std::string &folder, const std::vector<StoredServer> &seed);
  const std::string &Folder() const { return m_Folder; }

  // Entries are known by their address (IPv4 and connection port): the application a server runs
  // may differ between the caller's record and the store's.
  // Adds `flags` to the entry (creating it). Returns false when flags is 0.
  bool Add(const StoredServer &server);
  // Removes `flags` from the entry, dropping it when none remain; false when it held none of them.
  bool Remove(uint32 ip, uint16 connPort, uint32 flags);
  const std::vector<StoredServer> &Entries() const { return m_Entries; }
  // The entry of an address, or null.
  const StoredServer *Lookup(uint32 ip, uint16 connPort) const;

  // Replaces the file safely (ReplaceFileContents: its permissions kept, flushed to the disk).
  // False (with a warning) on any failure; the old file is then untouched.
  bool Save() const;
  std::string FilePath() const { return m_Folder + "/" + kFileName; }
  // The file name the last unusable store was moved aside as, once; "" afterwards or when none was.
  std::string TakeDamagedCopy();

 private:
  static uint64 AddressKey(uint32 ip, uint16 connPort) { return (uint64{ip} << 16) | connPort; }
  void ReadEntries(const std::vector<StoredServer> &seed);
  // Entries are looked up for every answer of a stored server: by address, not by a scan.
  void Reindex();
  StoredServer *Find(uint32 ip, uint16 connPort);
  // Moves a store that is there but cannot be used aside, so that no save replaces it.
  void KeepUnusableFile(const std::string &why);

  std::string m_Folder;
  std::vector<StoredServer> m_Entries;
  std::unordered_map<uint64, size_t> m_Index;  // address -> position in m_Entries
  bool m_bKeepFile = false;                    // unusable and could not be moved aside: never saved over
  std::string m_DamagedCopy;                   // not yet told to the user
};
