#include "common/filesystem_stdio.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include "common/filesystem_helpers.h"

void CStdioFileSystem::SetPathRoot(const char *pathID, const std::string &root) {
  if (pathID) m_PathRoots[pathID] = root;
}

std::string CStdioFileSystem::Resolve(const char *path, const char *pathID) const {
  std::string resolved = path ? path : "";
  std::replace(resolved.begin(), resolved.end(), '\\', '/');
  if (!pathID || resolved.empty() || resolved[0] == '/') return resolved;
  const auto root = m_PathRoots.find(pathID);
  return root == m_PathRoots.end() ? resolved : root->second + "/" + resolved;
}

FileHandle_t CStdioFileSystem::Open(const char *fileName, const char *options, const char *pathID) {
  m_LastError.clear();
  if (!fileName || !*fileName || !options) return nullptr;
  const std::string path = Resolve(fileName, pathID);
  if (!IsWriteMode(options)) return OpenCheckedStream(path, CheckedFileRules(), &m_LastError);
  FILE *file = fopen(path.c_str(), options);
  if (!file) {
    m_LastError = "'" + path + "' cannot be opened: " + strerror(errno);
    return nullptr;
  }
  struct stat info {};
  if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) {
    m_LastError = "'" + path + "' is not a regular file";
    fclose(file);
    return nullptr;
  }
  return file;
}

unsigned int CStdioFileSystem::Size(FileHandle_t file) {
  struct stat info {};
  if (!file || fstat(fileno(static_cast<FILE *>(file)), &info) != 0 || info.st_size < 0) return 0;
  return info.st_size > static_cast<off_t>(UINT_MAX) ? UINT_MAX : static_cast<unsigned int>(info.st_size);
}

int CStdioFileSystem::Read(void *output, int size, FileHandle_t file) {
  if (!file || !output || size <= 0) return 0;
  return static_cast<int>(fread(output, 1, static_cast<size_t>(size), static_cast<FILE *>(file)));
}

int CStdioFileSystem::Write(const void *input, int size, FileHandle_t file) {
  if (!file || !input || size <= 0) return 0;
  return static_cast<int>(fwrite(input, 1, static_cast<size_t>(size), static_cast<FILE *>(file)));
}

bool CStdioFileSystem::Close(FileHandle_t file) {
  if (!file) return false;
  auto *stream = static_cast<FILE *>(file);
  const bool hadError = ferror(stream) != 0;
  return fclose(stream) == 0 && !hadError;
}

bool CStdioFileSystem::RenameFile(const char *oldPath, const char *newPath, const char *pathID) {
  if (!oldPath || !newPath) return false;
  return rename(Resolve(oldPath, pathID).c_str(), Resolve(newPath, pathID).c_str()) == 0;
}

bool CStdioFileSystem::RemoveFile(const char *path, const char *pathID) {
  if (!path) return false;
  return remove(Resolve(path, pathID).c_str()) == 0;
}

bool CStdioFileSystem::GetLocalWritePath(const char *fileName, const char *pathID, char *localPath,
                                         int localPathSize) {
  if (!fileName || !*fileName || !localPath || localPathSize <= 0) return false;
  const std::string path = Resolve(fileName, pathID);
  if (path.size() >= static_cast<size_t>(localPathSize)) return false;
  memcpy(localPath, path.c_str(), path.size() + 1);
  return true;
}
