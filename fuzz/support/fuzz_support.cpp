#include "support/fuzz_support.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "tier0/dbg.h"

namespace fuzzsupport {

namespace {

void DropReport(const SpewInfo &, void *) {}

std::string MakeScratchFolder() {
  std::string pattern = std::filesystem::temp_directory_path().string() + "/sb-fuzz-XXXXXX";
  if (!mkdtemp(pattern.data())) abort();
  return pattern;
}

}  // namespace

void SilenceReports() {
  SetSpewHook(&DropReport, nullptr);
}

const std::string &ScratchFolder() {
  // Never destroyed: the exit handler that removes the folder runs after the statics are gone.
  static const std::string *folder = [] {
    auto *made = new std::string(MakeScratchFolder());
    atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(*folder, ignored);
    });
    return made;
  }();
  return *folder;
}

bool WriteFileBytes(const std::string &path, const void *data, size_t size) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return false;
  const auto *bytes = static_cast<const char *>(data);
  bool ok = true;
  while (size > 0) {
    const ssize_t written = write(fd, bytes, size);
    if (written <= 0) {
      ok = false;
      break;
    }
    bytes += written;
    size -= static_cast<size_t>(written);
  }
  return close(fd) == 0 && ok;
}

std::string AsText(const uint8_t *data, size_t size) {
  return std::string(reinterpret_cast<const char *>(data), size);
}

}  // namespace fuzzsupport
