// Per-user dialog settings: one key/value file in the user's configuration folder, one record per
// dialog name and id, saved atomically.
#pragma once

#include <string>

#include "tier1/KeyValues.h"

class IFileSystem;

namespace kguihost {

class CUserConfigStore {
 public:
  static constexpr const char *kDefaultFile = "userconfig.vdf";
  static constexpr int kDamagedCopiesKept = 5;

  CUserConfigStore(IFileSystem &fileSystem, const std::string &fileName, const std::string &pathID);

  // Reads the file; a missing file starts empty, a broken or unreadable one is moved aside as
  // "<file>.damaged-<time>" (the newest few kept) and starts empty with a warning.
  void Load();
  // Replaces the file (SaveBufferToFile: written beside, flushed to the disk, renamed over it, its
  // permissions kept; a new file is the user's alone); the old file stays when anything fails.
  bool Save();
  // The record "<dialogName>_<dialogID>", created empty when missing.
  KeyValues *Get(const char *dialogName, int dialogID);
  // What the user must be told of the last Load (a damaged file and where it went), once; "" when
  // nothing happened or it was taken already.
  std::string TakeDamageNotice();

 private:
  IFileSystem &m_FileSystem;
  std::string m_FileName;
  std::string m_PathID;
  KeyValuesAD m_pRoot;
  bool m_bKeepFile = false;  // damaged and could not be moved aside: never saved over
  std::string m_DamageNotice;
};

}  // namespace kguihost
