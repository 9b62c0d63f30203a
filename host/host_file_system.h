// The host's file service: search paths per path id ("GAME" for the game folder, "CONFIG" for the
// user's configuration folder), stdio underneath.
//
// "\" in a path reads as "/". With no path id an absolute path is used as given, and a relative one
// is read from the first folder of "GAME" then "CONFIG" that has it, and written into "CONFIG".
// Relative paths may not climb out of their folder (".."). Files are read only when regular and of
// at most kMaxReadFileBytes, and one found in a search folder only when it lies inside that folder
// once links are followed; a refused file is reported once and reads as missing. Saves
// (SaveBufferToFile) replace the plain files beneath the service; a rename is flushed to the disk
// with its folder.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "filesystem.h"

namespace kguihost {

class CHostFileSystem final : public IFileSystem {
 public:
  CHostFileSystem() = default;
  ~CHostFileSystem();
  CHostFileSystem(const CHostFileSystem &) = delete;
  CHostFileSystem &operator=(const CHostFileSystem &) = delete;

  // Adds a folder to a path id (searched in the order added; the first one receives writes).
  void AddSearchPath(const std::string &folder, const std::string &pathID);
  // The full path `Open` would use, or "" when there is none. `root` receives the search folder it
  // was found in ("" for an absolute path).
  std::string ResolveForRead(const char *fileName, const char *pathID, std::string *root = nullptr) const;
  std::string ResolveForWrite(const char *fileName, const char *pathID) const;
  size_t OpenFileCount() const { return m_OpenFiles; }

  FileHandle_t Open(const char *fileName, const char *options, const char *pathID) override;
  unsigned int Size(FileHandle_t file) override;
  int Read(void *output, int size, FileHandle_t file) override;
  int Write(const void *input, int size, FileHandle_t file) override;
  bool Close(FileHandle_t file) override;
  bool RenameFile(const char *oldPath, const char *newPath, const char *pathID) override;
  bool RemoveFile(const char *path, const char *pathID) override;
  bool GetLocalWritePath(const char *fileName, const char *pathID, char *localPath,
                         int localPathSize) override;

 private:
  // The folders of a path id ("GAME" then "CONFIG" for none); empty for an unknown id.
  std::vector<std::string> FoldersFor(const char *pathID, bool forWrite) const;
  FileHandle_t OpenForRead(const char *fileName, const char *pathID);

  std::map<std::string, std::vector<std::string>> m_SearchPaths;  // upper-case path id
  size_t m_OpenFiles = 0;
  std::set<std::string> m_Refused;  // files already reported as refused, with why
};

}  // namespace kguihost
