#include "common/plexa/plain_files.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>

namespace plainfile {

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

}  // namespace plainfile
