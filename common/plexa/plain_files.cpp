#include "common/plexa/plain_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace plainfile {

namespace {

std::string ModeText(mode_t mode) {
  char text[8];
  snprintf(text, sizeof(text), "%03o", static_cast<unsigned>(mode & 0777));
  return text;
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

}  // namespace plainfile
