#include "common/filesystem_helpers.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "filesystem.h"
#include "tier0/dbg.h"
#include "tier1/utlbuffer.h"

bool LoadFileIntoBuffer(IFileSystem *fileSystem, const char *path, CUtlBuffer &buf, bool text,
                        const char *pathID) {
  if (!fileSystem || !path) {
    AssertMsg(false, "LoadFileIntoBuffer: NULL parameters");
    return false;
  }
  if (buf.IsReadOnly()) return false;
  FileHandle_t file = fileSystem->Open(path, "rb", pathID);
  if (!file) return false;

  const unsigned int size = fileSystem->Size(file);
  // Room for the data and the NUL after it.
  if (size >= static_cast<unsigned int>(INT_MAX) || !buf.EnsureCapacity(static_cast<int>(size) + 1)) {
    fileSystem->Close(file);
    return false;
  }
  buf.Clear();
  buf.SetBufferType(text, text);

  const int wanted = static_cast<int>(size);
  int total = 0;
  while (total < wanted) {
    const int count = fileSystem->Read(static_cast<char *>(buf.Base()) + total, wanted - total, file);
    if (count <= 0) break;
    total += count;
  }
  fileSystem->Close(file);
  if (total != wanted) return false;

  buf.SeekPut(CUtlBuffer::SEEK_HEAD, wanted);
  static_cast<char *>(buf.Base())[wanted] = '\0';
  return true;
}

namespace {

void ReportSaveFailure(const char *what, const char *path, const char *pathID) {
  Msg("SaveBufferToFile: couldn't %s file \"%s\" in path \"%s\".\n", what, path, pathID ? pathID : "NULL");
}

// Writes every byte, going on after short writes; false when the file service stops taking them.
bool WriteAll(IFileSystem *fileSystem, FileHandle_t file, const char *data, int size) {
  while (size > 0) {
    const int written = fileSystem->Write(data, size, file);
    if (written <= 0 || written > size) return false;
    data += written;
    size -= written;
  }
  return true;
}

// The save of a service that keeps no plain files, as far as its operations reach.
bool SaveThroughService(IFileSystem *fileSystem, const char *path, CUtlBuffer &buf, const char *pathID) {
  // Beside the target, in the same path id, so the rename stays within one directory. "x" creates
  // it: a file or link already there under that name is never written through.
  const std::string temporary = std::string(path) + "." + std::to_string(getpid()) + ".tmp";
  FileHandle_t file = fileSystem->Open(temporary.c_str(), "wbx", pathID);
  if (!file) {
    ReportSaveFailure("open", path, pathID);
    return false;
  }
  const bool written = WriteAll(fileSystem, file, static_cast<const char *>(buf.Base()), buf.TellPut());
  const bool closed = fileSystem->Close(file);
  if (written && closed && fileSystem->RenameFile(temporary.c_str(), path, pathID)) return true;

  ReportSaveFailure(!written ? "write" : !closed ? "close" : "replace", path, pathID);
  fileSystem->RemoveFile(temporary.c_str(), pathID);
  return false;
}

// The process id in `entry` when it is "<name>.<pid>.tmp" as a save names it (decimal, no leading
// zero); 0 otherwise.
pid_t TemporaryFileOwner(const char *entry, const std::string &name) {
  const size_t length = strlen(entry);
  const size_t suffix = sizeof(".tmp") - 1;
  if (length <= name.size() + 1 + suffix || name.compare(0, name.size(), entry, name.size()) != 0 ||
      entry[name.size()] != '.' || strcmp(entry + length - suffix, ".tmp") != 0)
    return 0;
  const char *digit = entry + name.size() + 1;
  const char *end = entry + length - suffix;
  if (*digit == '0') return 0;
  long long pid = 0;
  for (; digit < end; ++digit) {
    if (*digit < '0' || *digit > '9') return 0;
    pid = pid * 10 + (*digit - '0');
    if (pid > INT_MAX) return 0;
  }
  return static_cast<pid_t>(pid);
}

// Removes the temporary files of `name` whose process has ended: saves cut short by a kill or a
// crash. Those of running processes may be saves in progress and stay.
void RemoveStaleTemporaryFiles(int folder, const std::string &name) {
  const int listing = fcntl(folder, F_DUPFD_CLOEXEC, 0);
  DIR *entries = listing >= 0 ? fdopendir(listing) : nullptr;
  if (!entries) {
    if (listing >= 0) close(listing);
    return;
  }
  std::vector<std::string> stale;
  while (const dirent *entry = readdir(entries)) {
    const pid_t owner = TemporaryFileOwner(entry->d_name, name);
    if (owner > 0 && owner != getpid() && kill(owner, 0) != 0 && errno == ESRCH)
      stale.push_back(entry->d_name);
  }
  closedir(entries);
  for (const std::string &file : stale) unlinkat(folder, file.c_str(), 0);
}

bool WriteAll(int file, const char *data, size_t size) {
  while (size > 0) {
    const ssize_t written = write(file, data, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      if (written == 0) errno = ENOSPC;
      return false;
    }
    data += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

// Writes, checks and flushes the new file; the step that failed, or null.
const char *FillTemporaryFile(int file, mode_t mode, const void *data, size_t size) {
  // The umask may have cut bits the replaced file had.
  if (fchmod(file, mode) != 0) return "set the permissions of";
  if (!WriteAll(file, static_cast<const char *>(data), size)) return "write";
  struct stat written {};
  if (fstat(file, &written) != 0) return "check";
  if (written.st_size != static_cast<off_t>(size)) {
    errno = EIO;
    return "check";
  }
  if (fsync(file) != 0) return "flush";
  return nullptr;
}

}  // namespace

bool SaveBufferToFile(IFileSystem *fileSystem, const char *path, CUtlBuffer &buf, const char *pathID) {
  if (!fileSystem || !path) return false;
  // A buffer that dropped writes holds a cut text; keep the old file instead.
  if (buf.GetErrorFlags() & CUtlBuffer::PUT_OVERFLOW) {
    ReportSaveFailure("write incomplete data to", path, pathID);
    return false;
  }
  char localPath[PATH_MAX];
  if (!fileSystem->GetLocalWritePath(path, pathID, localPath, sizeof(localPath)))
    return SaveThroughService(fileSystem, path, buf, pathID);

  std::string error;
  if (ReplaceFileContents(localPath, buf.Base(), static_cast<size_t>(buf.TellPut()), &error)) return true;
  Msg("SaveBufferToFile: couldn't save file \"%s\" in path \"%s\": %s.\n", path, pathID ? pathID : "NULL",
      error.c_str());
  return false;
}

bool ReplaceFileContents(const std::string &path, const void *data, size_t size, std::string *error,
                         ReplacedFileMode mode) {
  const size_t slash = path.rfind('/');
  const std::string folderPath = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const char *step = nullptr;
  if (name.empty() || name == "." || name == "..") {
    errno = EISDIR;
    step = "save";
  }
  // Every step works in the folder opened here, so it stays the same folder throughout.
  const int folder = step ? -1 : open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (!step && folder < 0) step = "open the folder of";

  if (!step) {
    RemoveStaleTemporaryFiles(folder, name);
    struct stat old {};
    const bool keep = mode == ReplacedFileMode::Kept &&
                      fstatat(folder, name.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(old.st_mode);
    const mode_t bits = keep ? old.st_mode & 0777 : 0600;
    const std::string temporary = name + "." + std::to_string(getpid()) + ".tmp";
    const int file =
        openat(folder, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, bits);
    if (file < 0) {
      step = "create a temporary file for";
    } else {
      step = FillTemporaryFile(file, bits, data, size);
      const int failure = errno;
      const bool closed = close(file) == 0;
      if (step)
        errno = failure;
      else if (!closed)
        step = "close";
      if (!step && renameat(folder, temporary.c_str(), folder, name.c_str()) != 0) step = "replace";
      if (step) {
        const int cause = errno;
        unlinkat(folder, temporary.c_str(), 0);
        errno = cause;
      }
    }
  }
  const int cause = errno;
  if (folder >= 0) {
    // The rename reaches the disk with the folder. A file system that cannot flush a folder leaves
    // that to the system; the file is in place either way.
    if (!step) fsync(folder);
    close(folder);
  }
  if (step && error) *error = std::string("cannot ") + step + " '" + path + "': " + strerror(cause);
  return !step;
}
