#include "common/plexa/plain_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <utility>
#include <vector>

namespace plainfile {

namespace {

// Closes a descriptor when the scope ends.
class CDescriptor {
 public:
  explicit CDescriptor(int fd) : m_Fd(fd) {}
  ~CDescriptor() {
    if (m_Fd >= 0) close(m_Fd);
  }
  CDescriptor(const CDescriptor &) = delete;
  CDescriptor &operator=(const CDescriptor &) = delete;
  int Get() const { return m_Fd; }

 private:
  int m_Fd;
};

std::string ModeText(mode_t mode) {
  char text[8];
  snprintf(text, sizeof(text), "%03o", static_cast<unsigned>(mode & 0777));
  return text;
}

// Checks what was opened; an empty text when it may be read.
std::string ProblemWithOpenedFile(const struct stat &info, size_t maxBytes, FileTrust trust) {
  if (!S_ISREG(info.st_mode)) return "is not a regular file";
  if (static_cast<unsigned long long>(info.st_size) > maxBytes)
    return "is larger than the " + std::to_string(maxBytes) + " bytes allowed";
  if (trust == FileTrust::Private) {
    if (info.st_uid != geteuid() && info.st_uid != 0) return "belongs to another user";
    if (info.st_mode & (S_IWGRP | S_IWOTH))
      return "may be changed by other users (mode " + ModeText(info.st_mode) + ")";
  }
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

// Removes the oldest damaged copies of `name` in `folder` beyond `keep`.
void PruneDamagedCopies(const std::string &folder, const std::string &name, int keep) {
  const std::string prefix = name + ".damaged-";
  std::vector<std::pair<std::pair<std::string, int>, std::string>> copies;
  if (DIR *entries = opendir(folder.c_str())) {
    while (const dirent *entry = readdir(entries)) {
      std::pair<std::string, int> order;
      if (DamagedCopyOrder(entry->d_name, prefix, order)) copies.push_back({order, entry->d_name});
    }
    closedir(entries);
  }
  if (copies.size() <= static_cast<size_t>(std::max(keep, 0))) return;
  std::sort(copies.begin(), copies.end());
  copies.resize(copies.size() - static_cast<size_t>(std::max(keep, 0)));
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

bool ReadWholeFile(const std::string &path, std::string &text, bool *exists) {
  text.clear();
  FILE *file = fopen(path.c_str(), "rb");
  if (exists) *exists = file != nullptr || errno != ENOENT;
  if (!file) return false;
  char chunk[16384];
  size_t got = 0;
  while ((got = fread(chunk, 1, sizeof(chunk), file)) > 0) text.append(chunk, got);
  const bool ok = !ferror(file);
  fclose(file);
  return ok;
}

bool ReadCheckedFile(const std::string &path, std::string &text, size_t maxBytes, FileTrust trust,
                     std::string *error, bool *exists) {
  text.clear();
  const auto fail = [&](const std::string &why) {
    if (error) *error = "'" + path + "' " + why;
    return false;
  };
  const int flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | (trust == FileTrust::Private ? O_NOFOLLOW : 0);
  const CDescriptor file(open(path.c_str(), flags));
  if (exists) *exists = file.Get() >= 0 || errno != ENOENT;
  if (file.Get() < 0)
    return fail(errno == ELOOP && trust == FileTrust::Private
                    ? "is a link"
                    : std::string("cannot be opened: ") + strerror(errno));
  // Checked on the descriptor: the file read is the file checked, whatever happens to the name.
  struct stat info {};
  if (fstat(file.Get(), &info) != 0) return fail(std::string("cannot be examined: ") + strerror(errno));
  const std::string problem = ProblemWithOpenedFile(info, maxBytes, trust);
  if (!problem.empty()) return fail(problem);

  // One byte past the limit tells a file that grew while it was read.
  text.resize(std::min(maxBytes + 1, static_cast<size_t>(info.st_size) + 1));
  size_t total = 0;
  for (;;) {
    if (total == text.size()) text.resize(std::min(maxBytes + 1, text.size() * 2));
    if (total == text.size()) break;
    const ssize_t got = read(file.Get(), text.data() + total, text.size() - total);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return fail(std::string("cannot be read: ") + strerror(errno));
    if (got == 0) break;
    total += static_cast<size_t>(got);
  }
  if (total > maxBytes) {
    text.clear();
    return fail("is larger than the " + std::to_string(maxBytes) + " bytes allowed");
  }
  text.resize(total);
  return true;
}

bool MakeFolders(const std::string &folder) {
  for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    const std::string part = folder.substr(0, slash);
    if (!part.empty() && mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) return true;
  }
}

bool IsPrivateFolder(const std::string &folder, std::string *error) {
  const auto fail = [&](const std::string &why) {
    if (error) *error = "'" + folder + "' " + why;
    return false;
  };
  struct stat info {};
  if (lstat(folder.c_str(), &info) != 0) return fail(std::string("cannot be used: ") + strerror(errno));
  if (S_ISLNK(info.st_mode)) return fail("is a link");
  if (!S_ISDIR(info.st_mode)) return fail("is not a folder");
  if (info.st_uid != geteuid()) return fail("belongs to another user");
  if (info.st_mode & 077) return fail("is open to other users (mode " + ModeText(info.st_mode) + ")");
  return true;
}

bool MakePrivateFolder(const std::string &folder, std::string *error) {
  if (!MakeFolders(folder)) {
    if (error) *error = "'" + folder + "' cannot be made: " + strerror(errno);
    return false;
  }
  return IsPrivateFolder(folder, error);
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
                         slash == std::string::npos ? path : path.substr(slash + 1), keep);
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

}  // namespace plainfile
