// Plain-file helpers: reading a file the program did not write (checked on what was opened),
// private folders, safe replacement and damaged copies kept aside.
#include "common/plexa/plain_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "common/filesystem_helpers.h"
#include "support/temp_dir.h"

namespace {

constexpr uid_t kOtherUser = 54321;

mode_t ModeOf(const std::string &path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

TEST(ReadCheckedFile, OnlyARegularFileUnderTheCapIsRead) {
  TempDir dir;
  WriteWholeFile(dir.File("small"), "twelve bytes");
  WriteWholeFile(dir.File("large"), std::string(13, 'x'));
  ASSERT_EQ(mkfifo(dir.File("fifo").c_str(), 0600), 0);
  ASSERT_EQ(mkdir(dir.File("folder").c_str(), 0700), 0);
  ASSERT_EQ(symlink(dir.File("small").c_str(), dir.File("link").c_str()), 0);
  struct Case {
    const char *name;
    FileTrust trust;
    const char *problem;  // null: read
  };
  const Case cases[] = {
      {"small", FileTrust::Any, nullptr},
      {"small", FileTrust::Private, nullptr},
      {"large", FileTrust::Any, "is larger than the 12 bytes allowed"},
      {"fifo", FileTrust::Any, "is not a regular file"},  // opened without waiting for a writer
      {"folder", FileTrust::Any, "is not a regular file"},
      {"link", FileTrust::Any, nullptr},
      {"link", FileTrust::Private, "is a link"},
      {"missing", FileTrust::Any, "cannot be opened: No such file or directory"},
  };
  for (const Case &c : cases) {
    std::string text = "stale", error;
    bool exists = false;
    const bool read = ReadCheckedFile(dir.File(c.name), text, 12, c.trust, &error, &exists);
    EXPECT_EQ(read, c.problem == nullptr) << c.name;
    EXPECT_EQ(text, read ? "twelve bytes" : "") << c.name;
    EXPECT_EQ(error, c.problem ? "'" + dir.File(c.name) + "' " + c.problem : "") << c.name;
    EXPECT_EQ(exists, std::string(c.name) != "missing") << c.name;
  }
}

TEST(ReadCheckedFile, APrivateFileMustBeWritableByTheUserAlone) {
  TempDir dir;
  const std::string path = dir.File("record");
  WriteWholeFile(path, "text");
  for (const mode_t mode : {0600, 0644, 0400}) {
    ASSERT_EQ(chmod(path.c_str(), mode), 0);
    std::string text;
    EXPECT_TRUE(ReadCheckedFile(path, text, 100, FileTrust::Private)) << mode;
  }
  for (const mode_t mode : {0620, 0602, 0666}) {
    ASSERT_EQ(chmod(path.c_str(), mode), 0);
    std::string text, error;
    EXPECT_FALSE(ReadCheckedFile(path, text, 100, FileTrust::Private, &error)) << mode;
    EXPECT_NE(error.find("may be changed by other users"), std::string::npos) << error;
    EXPECT_TRUE(ReadCheckedFile(path, text, 100, FileTrust::Any)) << mode;
  }
  if (geteuid() != 0) GTEST_SKIP() << "giving a file to another user needs root";
  ASSERT_EQ(chmod(path.c_str(), 0600), 0);
  ASSERT_EQ(chown(path.c_str(), kOtherUser, kOtherUser), 0);
  std::string text, error;
  EXPECT_FALSE(ReadCheckedFile(path, text, 100, FileTrust::Private, &error));
  EXPECT_EQ(error, "'" + path + "' belongs to another user");
}

TEST(PrivateFolder, IsCreatedForTheUserAloneAndNeverLoosenedOrTakenOver) {
  TempDir dir;
  const std::string fresh = dir.File("a/b/plexa");
  ASSERT_TRUE(plainfile::MakePrivateFolder(fresh));
  EXPECT_EQ(ModeOf(fresh), 0700u);
  EXPECT_EQ(ModeOf(dir.File("a")), 0700u);
  EXPECT_TRUE(plainfile::MakePrivateFolder(fresh)) << "again";

  struct Case {
    const char *name;
    mode_t mode;
    bool link;
    const char *problem;
  };
  const Case cases[] = {
      {"wide", 0755, false, "is open to other users (mode 755)"},
      {"shared", 0770, false, "is open to other users (mode 770)"},
      {"sticky", 01777, false, "is open to other users (mode 777)"},
      {"linked", 0700, true, "is a link"},
  };
  for (const Case &c : cases) {
    const std::string folder = dir.File(c.name);
    const std::string real = c.link ? folder + ".real" : folder;
    ASSERT_EQ(mkdir(real.c_str(), 0700), 0);
    ASSERT_EQ(chmod(real.c_str(), c.mode), 0);
    if (c.link) {
      ASSERT_EQ(symlink(real.c_str(), folder.c_str()), 0);
    }
    std::string error;
    EXPECT_FALSE(plainfile::MakePrivateFolder(folder, &error)) << c.name;
    EXPECT_EQ(error, "'" + folder + "' " + c.problem);
    EXPECT_EQ(ModeOf(real), c.mode) << "left as it was: " << c.name;
  }
  WriteWholeFile(dir.File("file"), "");
  EXPECT_FALSE(plainfile::MakePrivateFolder(dir.File("file")));

  if (geteuid() != 0) GTEST_SKIP() << "giving a folder to another user needs root";
  ASSERT_EQ(mkdir(dir.File("theirs").c_str(), 0700), 0);
  ASSERT_EQ(chown(dir.File("theirs").c_str(), kOtherUser, kOtherUser), 0);
  std::string error;
  EXPECT_FALSE(plainfile::MakePrivateFolder(dir.File("theirs"), &error));
  EXPECT_EQ(error, "'" + dir.File("theirs") + "' belongs to another user");
}

TEST(ReplaceFileContents, FailuresLeaveTheOldFileAndNothingElse) {
  TempDir dir;
  std::string error;
  EXPECT_FALSE(ReplaceFileContents(dir.File("no/such/folder/f"), "x", 1, &error));
  EXPECT_EQ(error,
            "cannot open the folder of '" + dir.File("no/such/folder/f") + "': No such file or directory");

  ASSERT_EQ(mkdir(dir.File("taken").c_str(), 0700), 0);
  EXPECT_FALSE(ReplaceFileContents(dir.File("taken"), "x", 1, &error));
  EXPECT_EQ(error, "cannot replace '" + dir.File("taken") + "': Is a directory");
  std::vector<std::string> names;
  for (const auto &entry : std::filesystem::directory_iterator(dir.Path()))
    names.push_back(entry.path().filename());
  EXPECT_EQ(names, std::vector<std::string>{"taken"}) << "no temporary file is left";
  EXPECT_FALSE(ReplaceFileContents(dir.Path() + "/", "x", 1, &error));
}

TEST(ReplaceFileContents, AUserOnlyFileIsNarrowedWhateverItWas) {
  TempDir dir;
  const std::string path = dir.File("record");
  WriteWholeFile(path, "old");
  ASSERT_EQ(chmod(path.c_str(), 0666), 0);
  ASSERT_TRUE(ReplaceFileContents(path, "new", 3, nullptr, ReplacedFileMode::UserOnly));
  EXPECT_EQ(ReadWholeFile(path), "new");
  EXPECT_EQ(ModeOf(path), 0600u);
}

// A damaged file is kept under a name of its own, even when a copy of that second is there.
TEST(MoveAsideAsDamaged, NeverOverwritesACopyAndKeepsTheNewest) {
  TempDir dir;
  const std::string path = dir.File("store.vdf");
  const int64_t when = 1700000000;  // 2023-11-14 22:13:20 UTC
  WriteWholeFile(path + ".damaged-20231114-221320", "earlier");
  WriteWholeFile(path + ".damaged-20231114-221320-2", "earlier still");
  WriteWholeFile(path, "damaged");
  std::string aside;
  ASSERT_TRUE(MoveAsideAsDamaged(path, when, 5, aside));
  EXPECT_EQ(aside, path + ".damaged-20231114-221320-3");
  EXPECT_EQ(ReadWholeFile(aside), "damaged");
  EXPECT_EQ(ReadWholeFile(path + ".damaged-20231114-221320"), "earlier");
  EXPECT_FALSE(std::filesystem::exists(path));

  // Two more, later: the oldest beyond three go, look-alikes stay.
  WriteWholeFile(path + ".damaged-notes", "mine");
  for (int64_t later : {when + 60, when + 3600}) {
    WriteWholeFile(path, "damaged");
    ASSERT_TRUE(MoveAsideAsDamaged(path, later, 3, aside));
  }
  std::vector<std::string> names;
  for (const auto &entry : std::filesystem::directory_iterator(dir.Path()))
    names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{
                       "store.vdf.damaged-20231114-221320-3", "store.vdf.damaged-20231114-221420",
                       "store.vdf.damaged-20231114-231320", "store.vdf.damaged-notes"}));

  errno = 0;
  EXPECT_FALSE(MoveAsideAsDamaged(dir.File("missing"), when, 3, aside));
  EXPECT_EQ(errno, ENOENT);
}

// The copy just made stays even when others' names say they are newer (a clock set back, copies
// from another machine), and when a pruned name is taken again within one second.
TEST(MoveAsideAsDamaged, TheCopyJustMadeIsNeverPruned) {
  TempDir dir;
  const std::string path = dir.File("store.vdf");
  for (int i = 1; i <= 5; ++i) WriteWholeFile(path + ".damaged-20991231-00000" + std::to_string(i), "future");
  const int64_t when = 1700000000;
  for (int round = 0; round < 8; ++round) {
    WriteWholeFile(path, "damaged " + std::to_string(round));
    std::string aside;
    ASSERT_TRUE(MoveAsideAsDamaged(path, when, 5, aside)) << round;
    EXPECT_EQ(ReadWholeFile(aside), "damaged " + std::to_string(round)) << round;
    size_t copies = 0;
    for (const auto &entry : std::filesystem::directory_iterator(dir.Path()))
      copies += entry.is_regular_file();
    EXPECT_EQ(copies, 5u) << round;
  }
}

}  // namespace
