#include "host/user_config.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include "common/filesystem_helpers.h"
#include "filesystem.h"
#include "kstdlib/strtools.h"
#include "tier0/dbg.h"
#include "tier1/keyvalues_text/keyvalues_reader.h"

namespace kguihost {

CUserConfigStore::CUserConfigStore(IFileSystem &fileSystem, const std::string &fileName,
                                   const std::string &pathID)
    : m_FileSystem(fileSystem),
      m_FileName(fileName),
      m_PathID(pathID),
      m_pRoot(new KeyValues("UserConfig")) {}

void CUserConfigStore::Load() {
  m_pRoot.reset(new KeyValues("UserConfig"));
  m_DamageNotice.clear();
  std::string errors;
  if (LoadKeyValuesFileWithPlaces(m_pRoot.get(), &m_FileSystem, m_FileName.c_str(), m_PathID.c_str(),
                                  &errors))
    return;
  m_pRoot.reset(new KeyValues("UserConfig"));
  // The next save would replace what the user had with empty settings: keep it beside.
  std::string aside;
  const EUnusableFile kept =
      KeepUnusableFile(&m_FileSystem, m_FileName.c_str(), m_PathID.c_str(), kDamagedCopiesKept, aside);
  if (kept == EUnusableFile::Absent) return;
  const std::string why = errors.empty() ? "it cannot be read" : errors;
  if (kept == EUnusableFile::KeptAside) {
    Warning("User settings: '%s' is damaged (%s); kept as '%s', starting with empty settings\n",
            m_FileName.c_str(), why.c_str(), aside.c_str());
    m_DamageNotice = "Your dialog settings could not be read and were reset. The old file was kept as '" +
                     aside.substr(aside.rfind('/') + 1) + "'.";
    return;
  }
  Warning("User settings: '%s' is damaged (%s) and cannot be kept aside (%s); it will not be saved over\n",
          m_FileName.c_str(), why.c_str(), strerror(errno));
  m_bKeepFile = true;
  m_DamageNotice =
      "Your dialog settings could not be read. Changes made now will not be saved over '" + m_FileName + "'.";
}

std::string CUserConfigStore::TakeDamageNotice() {
  return std::exchange(m_DamageNotice, {});
}

bool CUserConfigStore::Save() {
  if (m_bKeepFile) return false;
  // SaveBufferToFile replaces the file safely: the old one stays whole until the new one is on the
  // disk, and its permissions are kept.
  if (m_pRoot->SaveToFile(&m_FileSystem, m_FileName.c_str(), m_PathID.c_str())) return true;
  Warning("User settings: cannot save '%s'\n", m_FileName.c_str());
  return false;
}

KeyValues *CUserConfigStore::Get(const char *dialogName, int dialogID) {
  char key[256];
  V_snprintf(key, sizeof(key), "%s_%d", dialogName ? dialogName : "", dialogID);
  // Compared by hand: a dialog name may hold "/", which FindKey would read as a path.
  for (KeyValues *record = m_pRoot->GetFirstSubKey(); record; record = record->GetNextKey()) {
    if (V_stricmp(record->GetName(), key) == 0) {
      if (!record->GetFirstSubKey() && record->GetDataType() != KeyValues::TYPE_NONE) {
        // A value where a record belongs (a damaged file): make it an empty record.
        record->Clear();
      }
      return record;
    }
  }
  KeyValues *record = new KeyValues(key);
  m_pRoot->AddSubKey(record);
  return record;
}

}  // namespace kguihost
