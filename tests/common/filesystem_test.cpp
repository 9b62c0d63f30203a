#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "common/filesystem_helpers.h"
#include "common/filesystem_stdio.h"
#include "support/spew_capture.h"
#include "support/temp_dir.h"
#include "tests/common/failing_filesystem.h"
#include "tier1/utlbuffer.h"

namespace {

std::string Data(const CUtlBuffer &buf) {
  return std::string(static_cast<const char *>(buf.Base()), static_cast<size_t>(buf.TellPut()));
}

mode_t ModeOf(const std::string &path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// The id of a process that has ended (and been reaped).
pid_t EndedPid() {
  const pid_t child = fork();
  if (child == 0) _exit(0);
  int status = 0;
  waitpid(child, &status, 0);
  return child;
}

std::vector<std::string> Entries(const TempDir &dir) {
  std::vector<std::string> names;
  for (const auto &entry : std::filesystem::directory_iterator(dir.Path()))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// ---------------------------------------------------------------------------------------------
// The stdio file service

TEST(StdioFileSystem, ReadsWritesRenamesAndRemoves) {
  TempDir dir;
  CStdioFileSystem fs;
  const std::string path = dir.File("a.txt");
  FileHandle_t out = fs.Open(path.c_str(), "wb");
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(fs.Write("hello", 5, out), 5);
  EXPECT_TRUE(fs.Close(out));

  FileHandle_t in = fs.Open(path.c_str(), "rb");
  ASSERT_NE(in, nullptr);
  EXPECT_EQ(fs.Size(in), 5u);
  char text[8] = {};
  EXPECT_EQ(fs.Read(text, 8, in), 5);
  EXPECT_STREQ(text, "hello");
  EXPECT_TRUE(fs.Close(in));

  EXPECT_TRUE(fs.RenameFile(path.c_str(), dir.File("b.txt").c_str()));
  EXPECT_EQ(fs.Open(path.c_str(), "rb"), nullptr);
  EXPECT_TRUE(fs.RemoveFile(dir.File("b.txt").c_str()));
  EXPECT_FALSE(fs.RemoveFile(dir.File("b.txt").c_str()));
  EXPECT_TRUE(Entries(dir).empty());
}

TEST(StdioFileSystem, RefusesWhatIsNotARegularFile) {
  TempDir dir;
  CStdioFileSystem fs;
  EXPECT_EQ(fs.Open(dir.Path().c_str(), "rb"), nullptr);
  EXPECT_EQ(fs.Open(dir.File("missing").c_str(), "rb"), nullptr);
  EXPECT_EQ(fs.Open(nullptr, "rb"), nullptr);
  EXPECT_EQ(fs.Open("", "rb"), nullptr);
  EXPECT_FALSE(fs.Close(nullptr));
  EXPECT_EQ(fs.Size(nullptr), 0u);
  EXPECT_EQ(fs.Read(nullptr, 4, nullptr), 0);
}

TEST(StdioFileSystem, PathIdsResolveUnderTheirRoot) {
  TempDir dir;
  std::filesystem::create_directories(dir.File("cfg/sub"));
  WriteWholeFile(dir.File("cfg/sub/x.txt"), "x");
  CStdioFileSystem fs;
  fs.SetPathRoot("CONFIG", dir.File("cfg"));
  for (const char *path : {"sub/x.txt", "sub\\x.txt"}) {
    FileHandle_t file = fs.Open(path, "rb", "CONFIG");
    EXPECT_NE(file, nullptr) << path;
    fs.Close(file);
  }
  EXPECT_EQ(fs.Open("sub/x.txt", "rb", "GAME"), nullptr) << "an unknown path id uses the path as given";
  FileHandle_t absolute = fs.Open(dir.File("cfg/sub/x.txt").c_str(), "rb", "CONFIG");
  EXPECT_NE(absolute, nullptr);
  fs.Close(absolute);
}

// ---------------------------------------------------------------------------------------------
// LoadFileIntoBuffer

TEST(LoadFileIntoBuffer, ReadsTheWholeFileAndTerminatesIt) {
  TempDir dir;
  WriteWholeFile(dir.File("f.txt"), std::string("line\r\n\0bin", 10));
  CStdioFileSystem fs;
  CUtlBuffer buf;
  buf.PutString("old data");
  buf.SeekGet(CUtlBuffer::SEEK_HEAD, 99);
  ASSERT_TRUE(LoadFileIntoBuffer(&fs, dir.File("f.txt").c_str(), buf, true));
  EXPECT_EQ(Data(buf), std::string("line\r\n\0bin", 10));
  EXPECT_EQ(buf.TellGet(), 0);
  EXPECT_TRUE(buf.IsValid());
  EXPECT_TRUE(buf.IsText());
  EXPECT_EQ(buf.GetFlags() & CUtlBuffer::CONTAINS_CRLF, CUtlBuffer::CONTAINS_CRLF);
  EXPECT_EQ(static_cast<const char *>(buf.Base())[10], '\0');

  ASSERT_TRUE(LoadFileIntoBuffer(&fs, dir.File("f.txt").c_str(), buf, false));
  EXPECT_FALSE(buf.IsText());

  WriteWholeFile(dir.File("empty.txt"), "");
  ASSERT_TRUE(LoadFileIntoBuffer(&fs, dir.File("empty.txt").c_str(), buf, true));
  EXPECT_EQ(buf.TellPut(), 0);
  EXPECT_STREQ(static_cast<const char *>(buf.Base()), "");
}

TEST(LoadFileIntoBuffer, Failures) {
  TempDir dir;
  WriteWholeFile(dir.File("f.txt"), "0123456789");
  CStdioFileSystem fs;
  {
    SpewCapture spew;
    CUtlBuffer buf;
    EXPECT_FALSE(LoadFileIntoBuffer(nullptr, "f.txt", buf, true));
    EXPECT_FALSE(LoadFileIntoBuffer(&fs, nullptr, buf, true));
    EXPECT_EQ(spew.Asserts(), std::vector<std::string>(2, "LoadFileIntoBuffer: NULL parameters"));
  }
  CUtlBuffer missing;
  EXPECT_FALSE(LoadFileIntoBuffer(&fs, dir.File("none.txt").c_str(), missing, true));

  char small[4];
  CUtlBuffer tooSmall(small, sizeof(small), CUtlBuffer::TEXT_BUFFER);
  EXPECT_FALSE(LoadFileIntoBuffer(&fs, dir.File("f.txt").c_str(), tooSmall, true));

  const char text[] = "constant";
  CUtlBuffer readOnly(text, 8, CUtlBuffer::READ_ONLY);
  EXPECT_FALSE(LoadFileIntoBuffer(&fs, dir.File("f.txt").c_str(), readOnly, true));
  EXPECT_STREQ(text, "constant");

  CFailingFileSystem shortRead(CFailingFileSystem::SHORT_READ);
  CUtlBuffer cut;
  EXPECT_FALSE(LoadFileIntoBuffer(&shortRead, dir.File("f.txt").c_str(), cut, true));
  EXPECT_EQ(cut.TellPut(), 0) << "an incomplete read leaves no data";
}

// ---------------------------------------------------------------------------------------------
// SaveBufferToFile

TEST(SaveBufferToFile, WritesUpToThePutOffsetThroughATemporaryFile) {
  TempDir dir;
  WriteWholeFile(dir.File("s.txt"), "old contents");
  CFailingFileSystem fs;
  fs.m_Inner.SetPathRoot("CONFIG", dir.Path());
  CUtlBuffer buf(0, 0, CUtlBuffer::TEXT_BUFFER);
  buf.PutString("new contents, longer");
  buf.SeekPut(CUtlBuffer::SEEK_HEAD, 12);
  ASSERT_TRUE(SaveBufferToFile(&fs, "s.txt", buf, "CONFIG"));
  EXPECT_EQ(ReadWholeFile(dir.File("s.txt")), "new contents");
  EXPECT_EQ(Entries(dir), std::vector<std::string>{"s.txt"});
  // The temporary file sits beside the target, in the same path id.
  ASSERT_EQ(fs.m_Opened.size(), 1u);
  const std::string temporary = fs.m_Opened[0].substr(0, fs.m_Opened[0].find('|'));
  EXPECT_EQ(temporary.rfind("s.txt.", 0), 0u);
  EXPECT_EQ(fs.m_Opened[0], temporary + "|wbx|CONFIG") << "created, never an existing file";
  EXPECT_EQ(fs.m_Renamed, std::vector<std::string>{temporary + "|s.txt|CONFIG"});
}

TEST(SaveBufferToFile, SmallWritesStillSaveEverything) {
  TempDir dir;
  CFailingFileSystem fs(CFailingFileSystem::SMALL_WRITES);
  CUtlBuffer buf;
  buf.Put("0123456789", 10);
  ASSERT_TRUE(SaveBufferToFile(&fs, dir.File("s.txt").c_str(), buf));
  EXPECT_EQ(ReadWholeFile(dir.File("s.txt")), "0123456789");
}

TEST(SaveBufferToFile, AFailedSaveKeepsTheOldFile) {
  struct Case {
    CFailingFileSystem::Fault fault;
    const char *message;
  };
  const Case cases[] = {
      {CFailingFileSystem::OPEN_FOR_WRITING,
       "SaveBufferToFile: couldn't open file \"%s\" in path \"NULL\".\n"},
      {CFailingFileSystem::DISK_FULL, "SaveBufferToFile: couldn't write file \"%s\" in path \"NULL\".\n"},
      {CFailingFileSystem::WRITE_ERROR, "SaveBufferToFile: couldn't write file \"%s\" in path \"NULL\".\n"},
      {CFailingFileSystem::CLOSE_ERROR, "SaveBufferToFile: couldn't close file \"%s\" in path \"NULL\".\n"},
      {CFailingFileSystem::RENAME_ERROR,
       "SaveBufferToFile: couldn't replace file \"%s\" in path \"NULL\".\n"},
  };
  for (const Case &c : cases) {
    TempDir dir;
    const std::string path = dir.File("s.txt");
    WriteWholeFile(path, "old contents");
    CFailingFileSystem fs(c.fault);
    CUtlBuffer buf;
    buf.Put("new contents", 12);
    SpewCapture spew;
    EXPECT_FALSE(SaveBufferToFile(&fs, path.c_str(), buf)) << c.fault;
    EXPECT_EQ(ReadWholeFile(path), "old contents") << c.fault;
    EXPECT_EQ(Entries(dir), std::vector<std::string>{"s.txt"}) << "no temporary file is left: " << c.fault;
    char expected[512];
    snprintf(expected, sizeof(expected), c.message, path.c_str());
    EXPECT_EQ(spew.Messages(), std::vector<std::string>{expected}) << c.fault;
  }
}

TEST(SaveBufferToFile, RefusesABufferThatDroppedWrites) {
  TempDir dir;
  const std::string path = dir.File("s.txt");
  WriteWholeFile(path, "old contents");
  char memory[4];
  CUtlBuffer buf(memory, sizeof(memory), 0);
  buf.Put("too long", 8);
  CStdioFileSystem fs;
  SpewCapture spew;
  EXPECT_FALSE(SaveBufferToFile(&fs, path.c_str(), buf));
  EXPECT_EQ(ReadWholeFile(path), "old contents");
  EXPECT_EQ(Entries(dir), std::vector<std::string>{"s.txt"});
}

// Saves keep the file's permission bits whatever the umask, and a new file is the user's alone.
TEST(SaveBufferToFile, KeepsThePermissionsOfTheFileItReplaces) {
  struct Case {
    const char *what;
    mode_t before;  // 0: no file yet
    mode_t after;
  };
  const Case cases[] = {
      {"private", 0600, 0600},
      {"shared with the group", 0640, 0640},
      {"readable by all", 0644, 0644},
      {"new", 0, 0600},
  };
  const mode_t oldMask = umask(022);
  for (const Case &c : cases) {
    TempDir dir;
    const std::string path = dir.File("settings.vdf");
    if (c.before) {
      WriteWholeFile(path, "old");
      ASSERT_EQ(chmod(path.c_str(), c.before), 0);
    }
    CStdioFileSystem fs;
    CUtlBuffer buf;
    buf.Put("new", 3);
    ASSERT_TRUE(SaveBufferToFile(&fs, path.c_str(), buf)) << c.what;
    EXPECT_EQ(ReadWholeFile(path), "new") << c.what;
    EXPECT_EQ(ModeOf(path), c.after) << c.what;
  }
  umask(oldMask);
}

// A save killed midway leaves its temporary file; the next save of the same file removes those
// of processes that have ended, and nothing else.
TEST(SaveBufferToFile, RemovesTemporaryFilesOfEndedProcesses) {
  TempDir dir;
  const std::string dead = std::to_string(EndedPid());
  const std::vector<std::string> kept = {
      "s.txt.1.tmp",                 // process 1 runs
      "other.txt." + dead + ".tmp",  // another file's
      "s.txt.x" + dead + ".tmp",
      "s.txt.0" + dead + ".tmp",
      "s.txt." + dead + ".tmp.old",
      "s.txt..tmp",
      "s.txt.-5.tmp",
      "s.txt.99999999999999999999.tmp",  // not names a save gives
  };
  for (const std::string &name : kept) WriteWholeFile(dir.File(name), "x");
  WriteWholeFile(dir.File("s.txt." + dead + ".tmp"), "cut short");
  CStdioFileSystem fs;
  CUtlBuffer buf;
  buf.Put("saved", 5);
  ASSERT_TRUE(SaveBufferToFile(&fs, dir.File("s.txt").c_str(), buf));
  std::vector<std::string> expected = kept;
  expected.push_back("s.txt");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(Entries(dir), expected);
}

// A link planted under the temporary name (by whoever can write the folder) is never written
// through, and the saved file never becomes that link.
TEST(SaveBufferToFile, NeverWritesThroughAPlantedLink) {
  // Beneath a service with plain files, and through one without (the failing service keeps none).
  for (const bool plainFiles : {true, false}) {
    TempDir dir;
    const std::string path = dir.File("s.txt");
    WriteWholeFile(path, "old");
    WriteWholeFile(dir.File("victim"), "precious");
    const std::string temporary = path + "." + std::to_string(getpid()) + ".tmp";
    ASSERT_EQ(symlink(dir.File("victim").c_str(), temporary.c_str()), 0);
    CStdioFileSystem stdio;
    CFailingFileSystem failing;
    CUtlBuffer buf;
    buf.Put("new", 3);
    SpewCapture spew;
    SaveBufferToFile(plainFiles ? static_cast<IFileSystem *>(&stdio) : &failing, path.c_str(), buf);
    EXPECT_EQ(ReadWholeFile(dir.File("victim")), "precious") << plainFiles;
    struct stat info {};
    ASSERT_EQ(lstat(path.c_str(), &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode)) << plainFiles;
  }
}

TEST(SaveBufferToFile, MissingParameters) {
  CStdioFileSystem fs;
  CUtlBuffer buf;
  EXPECT_FALSE(SaveBufferToFile(nullptr, "x", buf));
  EXPECT_FALSE(SaveBufferToFile(&fs, nullptr, buf));
}

}  // namespace
