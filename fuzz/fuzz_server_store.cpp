// The favourites store on arbitrary bytes, read from its file as the services read it. What it
// keeps are readable entries; what it saves reads back as the same entries; a store it cannot
// parse is moved aside (never over an earlier copy, and only a few copies kept) so the folder does
// not fill up.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "plexaclient/server_store.h"
#include "support/fuzz_support.h"

namespace {

bool SameEntries(const std::vector<StoredServer> &a, const std::vector<StoredServer> &b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i].m_nAppId != b[i].m_nAppId || a[i].m_nIP != b[i].m_nIP || a[i].m_nConnPort != b[i].m_nConnPort ||
        a[i].m_nQueryPort != b[i].m_nQueryPort || a[i].m_nFlags != b[i].m_nFlags ||
        a[i].m_nLastPlayed != b[i].m_nLastPlayed)
      return false;
  }
  return true;
}

size_t FilesIn(const std::string &folder) {
  size_t count = 0;
  for (const auto &entry : std::filesystem::directory_iterator(folder)) {
    (void)entry;
    ++count;
  }
  return count;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  fuzzsupport::SilenceReports();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size > 200000) return 0;
  static const std::string folder = [] {
    const std::string made = fuzzsupport::ScratchFolder() + "/store";
    std::filesystem::create_directories(made);
    return made;
  }();
  const std::string path = folder + "/" + CServerStore::kFileName;
  if (!fuzzsupport::WriteFileBytes(path, data, size)) abort();

  const std::vector<StoredServer> seed = {{1002, 0x0A000001, 27015, 27015, 1, 0}};
  CServerStore store;
  store.Load(folder, seed);
  for (const StoredServer &entry : store.Entries()) {
    if (entry.m_nIP == 0 || entry.m_nConnPort == 0 || entry.m_nFlags == 0 || entry.m_nFlags > 3) abort();
    if (!store.Lookup(entry.m_nIP, entry.m_nConnPort)) abort();
  }
  // The store plus the current file, and at most the damaged copies kept.
  if (FilesIn(folder) > 1 + static_cast<size_t>(CServerStore::kDamagedCopiesKept)) abort();

  // A change is saved and reads back exactly.
  StoredServer added{1003, 0x0A000002, 27016, 27017, 2, 1700000000};
  if (!store.Add(added) || !store.Save()) abort();
  CServerStore again;
  again.Load(folder, {});
  if (!SameEntries(store.Entries(), again.Entries())) abort();
  if (!again.Remove(added.m_nIP, added.m_nConnPort, 2)) abort();
  return 0;
}
