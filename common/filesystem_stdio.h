// CStdioFileSystem: the host file service over the C library, for tools and tests. Paths are
// used as given unless a path id has a root directory, under which its relative paths resolve.
// A "\" in a path reads as "/". Files are read only as OpenCheckedFile allows (regular, at most
// kMaxReadFileBytes); LastError tells why the last open failed.
#pragma once

#include <map>
#include <string>

#include "filesystem.h"

class CStdioFileSystem final : public IFileSystem {
 public:
  CStdioFileSystem() = default;
  virtual ~CStdioFileSystem() = default;

  // Relative paths opened with `pathID` resolve under `root`.
  void SetPathRoot(const char *pathID, const std::string &root);
  // Why the last Open failed, naming the file; empty after a successful one.
  const std::string &LastError() const { return m_LastError; }

  FileHandle_t Open(const char *fileName, const char *options, const char *pathID = nullptr) override;
  unsigned int Size(FileHandle_t file) override;
  int Read(void *output, int size, FileHandle_t file) override;
  int Write(const void *input, int size, FileHandle_t file) override;
  bool Close(FileHandle_t file) override;
  bool RenameFile(const char *oldPath, const char *newPath, const char *pathID = nullptr) override;
  bool RemoveFile(const char *path, const char *pathID = nullptr) override;
  bool GetLocalWritePath(const char *fileName, const char *pathID, char *localPath,
                         int localPathSize) override;

 private:
  std::string Resolve(const char *path, const char *pathID) const;

  std::map<std::string, std::string> m_PathRoots;
  std::string m_LastError;
};
