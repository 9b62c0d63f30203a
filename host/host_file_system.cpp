#include "host/host_file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "common/filesystem_helpers.h"
#include "tier0/dbg.h"
#include "tier1/keyvalues_text/control_characters.h"

namespace kguihost {

namespace {

std::string Normalise(const char *path) {
  std::string text = path ? path : "";
  std::replace(text.begin(), text.end(), '\\', '/');
  return text;
}

std::string UpperId(const char *pathID) {
  std::string id = pathID ? pathID : "";
  for (char &c : id) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  return id;
}

// A relative path that stays inside its folder: no empty name, no ".." part.
bool IsSafeRelative(const std::string &path) {
  if (path.empty()) return false;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    if (path.compare(start, end - start, "..") == 0) return false;
    start = end + 1;
  }
  return true;
}

void MakeParentFolders(const std::string &path) {
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
}

// Flushes the folder holding `path`, so that a rename into it survives a power cut.
void FlushFolderOf(const std::string &path) {
  const std::string folder = std::filesystem::path(path).parent_path().string();
  const int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

// Anything but a folder counts as there, so that a FIFO or a device in its place is refused with a
// warning when it is opened rather than passed over in silence.
bool Exists(const std::string &path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

}  // namespace

CHostFileSystem::~CHostFileSystem() {
  if (m_OpenFiles) Warning("File system: %zu file(s) left open\n", m_OpenFiles);
}

void CHostFileSystem::AddSearchPath(const std::string &folder, const std::string &pathID) {
  std::string normalised = Normalise(folder.c_str());
  while (normalised.size() > 1 && normalised.back() == '/') normalised.pop_back();
  m_SearchPaths[UpperId(pathID.c_str())].push_back(normalised);
}

std::vector<std::string> CHostFileSystem::FoldersFor(const char *pathID, bool forWrite) const {
  std::vector<std::string> folders;
  auto add = [&](const char *id) {
    auto it = m_SearchPaths.find(id);
    if (it != m_SearchPaths.end()) folders.insert(folders.end(), it->second.begin(), it->second.end());
  };
  if (pathID && *pathID) {
    add(UpperId(pathID).c_str());
  } else if (forWrite) {
    add("CONFIG");
  } else {
    add("GAME");
    add("CONFIG");
  }
  return folders;
}

std::string CHostFileSystem::ResolveForRead(const char *fileName, const char *pathID,
                                            std::string *root) const {
  if (root) root->clear();
  std::string path = Normalise(fileName);
  if (path.empty()) return "";
  if (path[0] == '/' && !(pathID && *pathID)) return path;
  while (!path.empty() && path[0] == '/') path.erase(0, 1);
  if (!IsSafeRelative(path)) return "";
  for (const std::string &folder : FoldersFor(pathID, false)) {
    std::string candidate = folder + "/" + path;
    if (!Exists(candidate)) continue;
    if (root) *root = folder;
    return candidate;
  }
  return "";
}

std::string CHostFileSystem::ResolveForWrite(const char *fileName, const char *pathID) const {
  std::string path = Normalise(fileName);
  if (path.empty()) return "";
  if (path[0] == '/' && !(pathID && *pathID)) return path;
  while (!path.empty() && path[0] == '/') path.erase(0, 1);
  if (!IsSafeRelative(path)) return "";
  std::vector<std::string> folders = FoldersFor(pathID, true);
  if (folders.empty()) return "";
  return folders.front() + "/" + path;
}

FileHandle_t CHostFileSystem::Open(const char *fileName, const char *options, const char *pathID) {
  if (!options || !*options) return nullptr;
  if (!IsWriteMode(options)) return OpenForRead(fileName, pathID);
  const std::string path = ResolveForWrite(fileName, pathID);
  if (path.empty()) return nullptr;
  MakeParentFolders(path);
  FILE *file = fopen(path.c_str(), options);
  if (file) ++m_OpenFiles;
  return file;
}

FileHandle_t CHostFileSystem::OpenForRead(const char *fileName, const char *pathID) {
  CheckedFileRules rules;
  const std::string path = ResolveForRead(fileName, pathID, &rules.within);
  if (path.empty()) return nullptr;
  std::string error;
  bool exists = false;
  FILE *file = OpenCheckedStream(path, rules, &error, &exists);
  if (!file) {
    if (exists && m_Refused.insert(error).second)
      Warning("File system: %s\n", EscapeControlCharacters(error).c_str());
    return nullptr;
  }
  ++m_OpenFiles;
  return file;
}

unsigned int CHostFileSystem::Size(FileHandle_t file) {
  if (!file) return 0;
  struct stat info;
  if (fstat(fileno(static_cast<FILE *>(file)), &info) != 0 || info.st_size < 0) return 0;
  // Files beyond what the interface can describe read as empty rather than cut.
  if (static_cast<unsigned long long>(info.st_size) > 0x7FFFFFFFull) return 0;
  return static_cast<unsigned int>(info.st_size);
}

int CHostFileSystem::Read(void *output, int size, FileHandle_t file) {
  if (!file || !output || size <= 0) return 0;
  return static_cast<int>(fread(output, 1, static_cast<size_t>(size), static_cast<FILE *>(file)));
}

int CHostFileSystem::Write(const void *input, int size, FileHandle_t file) {
  if (!file || !input || size <= 0) return 0;
  return static_cast<int>(fwrite(input, 1, static_cast<size_t>(size), static_cast<FILE *>(file)));
}

bool CHostFileSystem::Close(FileHandle_t file) {
  if (!file) return false;
  FILE *stream = static_cast<FILE *>(file);
  bool ok = !ferror(stream);
  ok = (fclose(stream) == 0) && ok;
  --m_OpenFiles;
  return ok;
}

bool CHostFileSystem::RenameFile(const char *oldPath, const char *newPath, const char *pathID) {
  std::string from = ResolveForWrite(oldPath, pathID);
  std::string to = ResolveForWrite(newPath, pathID);
  if (from.empty() || to.empty() || rename(from.c_str(), to.c_str()) != 0) return false;
  FlushFolderOf(to);
  return true;
}

bool CHostFileSystem::RemoveFile(const char *path, const char *pathID) {
  std::string target = ResolveForWrite(path, pathID);
  if (target.empty()) return false;
  return remove(target.c_str()) == 0;
}

bool CHostFileSystem::GetLocalWritePath(const char *fileName, const char *pathID, char *localPath,
                                        int localPathSize) {
  if (!localPath || localPathSize <= 0) return false;
  const std::string path = ResolveForWrite(fileName, pathID);
  if (path.empty() || path.size() >= static_cast<size_t>(localPathSize)) return false;
  MakeParentFolders(path);
  memcpy(localPath, path.c_str(), path.size() + 1);
  return true;
}

}  // namespace kguihost
