// Saves reach the disk: the new bytes are flushed before they replace the file, and the folder is
// flushed after the rename, so a power cut leaves the old file or the whole new one.
//
// fsync is wrapped in this program (the libraries are linked into it statically) to record what
// was flushed and what the saved file held at that moment.
#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "common/filesystem_helpers.h"
#include "common/filesystem_stdio.h"
#include "support/temp_dir.h"
#include "tier1/utlbuffer.h"

namespace {

struct Flush {
  std::string path;        // what the descriptor named
  std::string targetText;  // the saved file's bytes at that moment
};

std::vector<Flush> g_Flushes;
std::string g_Target;

}  // namespace

extern "C" int fsync(int fd) {
  char link[64];
  snprintf(link, sizeof(link), "/proc/self/fd/%d", fd);
  char path[4096];
  const ssize_t length = readlink(link, path, sizeof(path));
  if (!g_Target.empty())
    g_Flushes.push_back(
        {length > 0 ? std::string(path, static_cast<size_t>(length)) : "?", ReadWholeFile(g_Target)});
  return static_cast<int>(syscall(SYS_fsync, fd));
}

namespace {

TEST(DurableSave, TheFileIsFlushedBeforeTheRenameAndTheFolderAfter) {
  TempDir dir;
  const std::string folder = std::filesystem::canonical(dir.Path()).string();
  const std::string path = folder + "/s.txt";
  WriteWholeFile(path, "old");
  CStdioFileSystem fs;
  fs.SetPathRoot("CONFIG", folder);
  CUtlBuffer buf;
  buf.Put("new", 3);
  g_Target = path;
  g_Flushes.clear();
  const bool saved = SaveBufferToFile(&fs, "s.txt", buf, "CONFIG");
  g_Target.clear();
  ASSERT_TRUE(saved);
  ASSERT_EQ(g_Flushes.size(), 2u);
  EXPECT_EQ(g_Flushes[0].path, path + "." + std::to_string(getpid()) + ".tmp");
  EXPECT_EQ(g_Flushes[0].targetText, "old");
  EXPECT_EQ(g_Flushes[1].path, folder);
  EXPECT_EQ(g_Flushes[1].targetText, "new");
}

}  // namespace
