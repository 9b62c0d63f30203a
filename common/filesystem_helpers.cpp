#include "common/filesystem_helpers.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "filesystem.h"
#include "tier0/dbg.h"
#include "tier0/platform.h"
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

namespace {

// Closes a descriptor when the scope ends, unless released.
class CDescriptor {
 public:
  explicit CDescriptor(int fd) : m_Fd(fd) {}
  ~CDescriptor() {
    if (m_Fd >= 0) close(m_Fd);
  }
  CDescriptor(const CDescriptor &) = delete;
  CDescriptor &operator=(const CDescriptor &) = delete;
  int Get() const { return m_Fd; }
  int Release() { return std::exchange(m_Fd, -1); }

 private:
  int m_Fd;
};

std::string ModeText(mode_t mode) {
  char text[8];
  snprintf(text, sizeof(text), "%03o", static_cast<unsigned>(mode & 0777));
  return text;
}

std::string FolderOf(const std::string &path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// True when someone other than the user (and root) may add or replace entries of `folder`: a link
// there may have been planted by them.
bool OthersMayChangeFolder(const std::string &folder) {
  struct stat info {};
  if (stat(folder.c_str(), &info) != 0) return true;
  return (info.st_uid != geteuid() && info.st_uid != 0) || (info.st_mode & (S_IWGRP | S_IWOTH)) != 0;
}

// Where the opened file really is, links followed.
std::string RealPathOf(int fd) {
  char target[PATH_MAX];
  const std::string link = "/proc/self/fd/" + std::to_string(fd);
  const ssize_t length = readlink(link.c_str(), target, sizeof(target) - 1);
  return length > 0 ? std::string(target, static_cast<size_t>(length)) : "";
}

bool LiesWithin(const std::string &file, const std::string &folder) {
  char *real = realpath(folder.c_str(), nullptr);
  if (!real) return false;
  std::string root = real;
  free(real);
  if (root.back() != '/') root += '/';
  return !file.empty() && file.compare(0, root.size(), root) == 0;
}

// Checks what was opened; an empty text when it may be read.
std::string ProblemWithOpenedFile(int fd, const struct stat &info, const CheckedFileRules &rules) {
  if (!S_ISREG(info.st_mode)) return "is not a regular file";
  if (static_cast<unsigned long long>(info.st_size) > rules.maxBytes)
    return "is larger than the " + std::to_string(rules.maxBytes) + " bytes allowed";
  if (rules.trust == FileTrust::Private) {
    if (info.st_uid != geteuid() && info.st_uid != 0) return "belongs to another user";
    if (info.st_mode & (S_IWGRP | S_IWOTH))
      return "may be changed by other users (mode " + ModeText(info.st_mode) + ")";
  }
  if (!rules.within.empty() && !LiesWithin(RealPathOf(fd), rules.within))
    return "leads out of its folder '" + rules.within + "'";
  return "";
}

// "<name>.damaged-" copies: the time and the number after it ("-2"...; 1 without one), or none
// when `entry` is not named so.
bool DamagedCopyOrder(const std::string &entry, const std::string &prefix,
                      std::pair<std::string, int> &order) {
  constexpr size_t kStampSize = sizeof("YYYYMMDD-HHMMSS") - 1;
  if (entry.compare(0, prefix.size(), prefix) != 0 || entry.size() < prefix.size() + kStampSize) return false;
  const std::string stamp = entry.substr(prefix.size(), kStampSize);
  for (size_t i = 0; i < kStampSize; ++i) {
    if (i == 8 ? stamp[i] != '-' : (stamp[i] < '0' || stamp[i] > '9')) return false;
  }
  const std::string rest = entry.substr(prefix.size() + kStampSize);
  int number = 1;
  if (!rest.empty()) {
    if (rest.size() < 2 || rest.size() > 5 || rest[0] != '-' || rest[1] == '0') return false;
    number = 0;
    for (size_t i = 1; i < rest.size(); ++i) {
      if (rest[i] < '0' || rest[i] > '9') return false;
      number = number * 10 + (rest[i] - '0');
    }
  }
  order = {stamp, number};
  return true;
}

// Removes the oldest damaged copies of `name` in `folder` beyond `keep`. The copy `made` just now
// always stays, whatever its name says: clocks go back, and names may come from elsewhere.
void PruneDamagedCopies(const std::string &folder, const std::string &name, const std::string &made,
                        int keep) {
  const std::string prefix = name + ".damaged-";
  std::vector<std::pair<std::pair<std::string, int>, std::string>> copies;
  if (DIR *entries = opendir(folder.c_str())) {
    while (const dirent *entry = readdir(entries)) {
      std::pair<std::string, int> order;
      if (entry->d_name != made && DamagedCopyOrder(entry->d_name, prefix, order))
        copies.push_back({order, entry->d_name});
    }
    closedir(entries);
  }
  const size_t others = static_cast<size_t>(std::max(keep - 1, 0));
  if (copies.size() <= others) return;
  std::sort(copies.begin(), copies.end());
  copies.resize(copies.size() - others);
  for (const auto &copy : copies) unlink((folder + "/" + copy.second).c_str());
}

// Renames `from` to `to` unless `to` exists.
bool RenameWithoutReplacing(const std::string &from, const std::string &to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without that rename: a hard link also fails on an existing name.
  if (link(from.c_str(), to.c_str()) != 0) return false;
  unlink(from.c_str());
  return true;
}

}  // namespace

int OpenCheckedFile(const std::string &path, const CheckedFileRules &rules, std::string *error,
                    bool *exists) {
  const auto fail = [&](const std::string &why) {
    if (error) *error = "'" + path + "' " + why;
    return -1;
  };
  const bool noLinks = rules.trust == FileTrust::Private || OthersMayChangeFolder(FolderOf(path));
  CDescriptor file(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | (noLinks ? O_NOFOLLOW : 0)));
  if (exists) *exists = file.Get() >= 0 || (errno != ENOENT && errno != ENOTDIR);
  if (file.Get() < 0) {
    if (errno != ELOOP || !noLinks) return fail(std::string("cannot be opened: ") + strerror(errno));
    return fail(rules.trust == FileTrust::Private ? "is a link"
                                                  : "is a link in a folder other users can change");
  }
  // Checked on the descriptor: the file read is the file checked, whatever happens to the name.
  struct stat info {};
  if (fstat(file.Get(), &info) != 0) return fail(std::string("cannot be examined: ") + strerror(errno));
  const std::string problem = ProblemWithOpenedFile(file.Get(), info, rules);
  if (!problem.empty()) return fail(problem);
  const int flags = fcntl(file.Get(), F_GETFL);
  if (flags < 0 || fcntl(file.Get(), F_SETFL, flags & ~O_NONBLOCK) != 0)
    return fail(std::string("cannot be read: ") + strerror(errno));
  return file.Release();
}

FILE *OpenCheckedStream(const std::string &path, const CheckedFileRules &rules, std::string *error,
                        bool *exists) {
  const int fd = OpenCheckedFile(path, rules, error, exists);
  if (fd < 0) return nullptr;
  FILE *file = fdopen(fd, "rb");
  if (!file) {
    if (error) *error = "'" + path + "' cannot be opened: " + strerror(errno);
    close(fd);
  }
  return file;
}

bool IsWriteMode(const char *options) {
  return options && (strchr(options, 'w') || strchr(options, 'a') || strchr(options, '+'));
}

bool ReadCheckedFile(const std::string &path, std::string &text, size_t maxBytes, FileTrust trust,
                     std::string *error, bool *exists) {
  text.clear();
  CheckedFileRules rules;
  rules.maxBytes = maxBytes;
  rules.trust = trust;
  const CDescriptor file(OpenCheckedFile(path, rules, error, exists));
  if (file.Get() < 0) return false;
  struct stat info {};
  fstat(file.Get(), &info);
  // One byte past the limit tells a file that grew while it was read.
  text.resize(std::min(maxBytes + 1, static_cast<size_t>(std::max<off_t>(info.st_size, 0)) + 1));
  size_t total = 0;
  for (;;) {
    if (total == text.size()) text.resize(std::min(maxBytes + 1, text.size() * 2));
    if (total == text.size()) break;
    const ssize_t got = read(file.Get(), text.data() + total, text.size() - total);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      text.clear();
      if (error) *error = "'" + path + "' cannot be read: " + strerror(errno);
      return false;
    }
    if (got == 0) break;
    total += static_cast<size_t>(got);
  }
  if (total > maxBytes) {
    text.clear();
    if (error) *error = "'" + path + "' is larger than the " + std::to_string(maxBytes) + " bytes allowed";
    return false;
  }
  text.resize(total);
  return true;
}

bool MoveAsideAsDamaged(const std::string &path, int64_t unixTime, int keep, std::string &aside) {
  const time_t when = static_cast<time_t>(unixTime);
  struct tm utc {};
  char stamp[32] = "00000000-000000";
  if (gmtime_r(&when, &utc)) strftime(stamp, sizeof(stamp), "%Y%m%d-%H%M%S", &utc);
  const std::string base = path + ".damaged-" + stamp;
  for (int number = 1; number <= 9999; ++number) {
    aside = number == 1 ? base : base + "-" + std::to_string(number);
    if (RenameWithoutReplacing(path, aside)) {
      const size_t slash = path.rfind('/');
      PruneDamagedCopies(slash == std::string::npos ? "." : path.substr(0, std::max<size_t>(slash, 1)),
                         slash == std::string::npos ? path : path.substr(slash + 1),
                         aside.substr(slash == std::string::npos ? 0 : slash + 1), keep);
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

EUnusableFile KeepUnusableFile(IFileSystem *fileSystem, const char *path, const char *pathID, int keep,
                               std::string &aside) {
  char local[PATH_MAX];
  struct stat info {};
  if (!fileSystem || !fileSystem->GetLocalWritePath(path, pathID, local, static_cast<int>(sizeof(local))) ||
      lstat(local, &info) != 0)
    return EUnusableFile::Absent;
  return MoveAsideAsDamaged(local, Plat_UnixTime(), keep, aside) ? EUnusableFile::KeptAside
                                                                 : EUnusableFile::CannotMove;
}
