// The active-process record: it names a module the binding loads, so only a record the user alone
// could have written counts, and writing it never goes through a file or link planted by others.
#include "common/plexa/active_process.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "plexa/client_api.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace {

constexpr uid_t kOtherUser = 54321;

std::string RecordText(const std::string &module, int pid) {
  return "\"ActiveProcess\"\n{\n\t\"PlexaClientDll\"\t\t\"" + module + "\"\n\t\"pid\"\t\t\"" +
         std::to_string(pid) + "\"\n}\n";
}

// Writes a record as another program would: a plain file with the given mode.
void PlaceRecord(const std::string &path, const std::string &text, mode_t mode) {
  WriteWholeFile(path, text);
  ASSERT_EQ(chmod(path.c_str(), mode), 0) << path;
}

std::string ReadModule() {
  ActiveProcessInfo info;
  return ReadActiveProcess(info) ? info.m_ModulePath : "<refused>";
}

bool IsSymlink(const std::string &path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

// The record at an explicit path ($PLEXA_ACTIVE_PROCESS).
class ActiveProcessRecord : public testing::Test {
 protected:
  std::string RecordPath() const { return m_Dir.File("ActiveProcess.vdf"); }

  TempDir m_Dir;
  ScopedEnv m_Path{"PLEXA_ACTIVE_PROCESS", m_Dir.File("ActiveProcess.vdf")};
};

TEST_F(ActiveProcessRecord, WrittenRecordReadsBackPrivately) {
  ASSERT_TRUE(ClientAPI_WriteActiveProcess("/opt/lumen/plexaclient.so", 4321));
  ActiveProcessInfo info;
  ASSERT_TRUE(ReadActiveProcess(info));
  EXPECT_EQ(info.m_ModulePath, "/opt/lumen/plexaclient.so");
  EXPECT_EQ(info.m_nPid, 4321);
  struct stat record {};
  ASSERT_EQ(lstat(RecordPath().c_str(), &record), 0);
  EXPECT_TRUE(S_ISREG(record.st_mode));
  EXPECT_EQ(record.st_mode & 07777, 0600u);
}

// A record names exactly the module it was written for: a path the record cannot hold (a quote or
// a line break ends the value; the reader ends the whole text at a DEL, which left "/opt/lumen"
// named instead of the module) is refused and the earlier record kept; any other byte reads back.
TEST_F(ActiveProcessRecord, RecordNamesExactlyTheModuleOrIsNotWritten) {
  ASSERT_TRUE(ClientAPI_WriteActiveProcess("/opt/lumen/plexaclient.so", 4321));
  const char *const refused[] = {"", "/opt/lumen\"/plexaclient.so", "/opt/lumen\n/plexaclient.so",
                                 "/opt/lumen\x7f/plexaclient.so"};
  for (const char *path : refused) {
    EXPECT_FALSE(ClientAPI_WriteActiveProcess(path, 1)) << path;
    EXPECT_EQ(ReadModule(), "/opt/lumen/plexaclient.so") << path;
  }
  ASSERT_TRUE(ClientAPI_WriteActiveProcess("C:\\Games\\Ember Quay\t\r\x1b[31m\x01\xc3\xa9.so", 7));
  EXPECT_EQ(ReadModule(), "C:/Games/Ember Quay\t\r\x1b[31m\x01\xc3\xa9.so");
}

// What is checked is the file that is read: a link may point elsewhere by the time it is opened,
// so it is refused whatever it points at; a record others may change, or one far too big to be
// a record, is refused too.
TEST_F(ActiveProcessRecord, OnlyAPlainPrivateRecordOfSensibleSizeCounts) {
  struct Case {
    const char *what;
    std::string text;
    mode_t mode;
    bool link;
    const char *expected;
  };
  const std::string padding(1 << 20, ' ');
  const Case cases[] = {
      {"plain, the user's alone", RecordText("/opt/a.so", 1), 0600, false, "/opt/a.so"},
      {"readable by all", RecordText("/opt/a.so", 1), 0644, false, "/opt/a.so"},
      {"group-writable", RecordText("/opt/a.so", 1), 0620, false, "<refused>"},
      {"world-writable", RecordText("/opt/a.so", 1), 0602, false, "<refused>"},
      {"a link to a private record", RecordText("/opt/a.so", 1), 0600, true, "<refused>"},
      {"a megabyte of blanks around the record", padding + RecordText("/opt/a.so", 1) + padding, 0600, false,
       "<refused>"},
  };
  for (const Case &c : cases) {
    std::filesystem::remove(RecordPath());
    const std::string target = c.link ? m_Dir.File("elsewhere.vdf") : RecordPath();
    PlaceRecord(target, c.text, c.mode);
    if (c.link) {
      ASSERT_EQ(symlink(target.c_str(), RecordPath().c_str()), 0);
    }
    EXPECT_EQ(ReadModule(), c.expected) << c.what;
  }
  std::filesystem::remove(RecordPath());
  EXPECT_EQ(ReadModule(), "<refused>") << "missing";
  ASSERT_EQ(mkdir(RecordPath().c_str(), 0700), 0);
  EXPECT_EQ(ReadModule(), "<refused>") << "a folder";
}

// Another user who can write the folder swaps in a record of their own: its owner is seen on the
// opened file and it is refused. Root's records count (root can replace anything anyway).
TEST_F(ActiveProcessRecord, RecordsOfOtherUsersAreRefused) {
  if (geteuid() != 0) GTEST_SKIP() << "giving a file to another user needs root";
  ASSERT_TRUE(ClientAPI_WriteActiveProcess("/opt/mine.so", 1));
  PlaceRecord(m_Dir.File("theirs.vdf"), RecordText("/home/mallory/evil.so", 1), 0644);
  ASSERT_EQ(chown(m_Dir.File("theirs.vdf").c_str(), kOtherUser, kOtherUser), 0);
  ASSERT_EQ(rename(m_Dir.File("theirs.vdf").c_str(), RecordPath().c_str()), 0);
  EXPECT_EQ(ReadModule(), "<refused>");

  ASSERT_EQ(chown(RecordPath().c_str(), 0, 0), 0);
  EXPECT_EQ(ReadModule(), "/home/mallory/evil.so") << "a record of root's";

  // A link to the other user's record, left where the record belongs.
  PlaceRecord(m_Dir.File("theirs.vdf"), RecordText("/home/mallory/evil.so", 1), 0644);
  ASSERT_EQ(chown(m_Dir.File("theirs.vdf").c_str(), kOtherUser, kOtherUser), 0);
  std::filesystem::remove(RecordPath());
  ASSERT_EQ(symlink(m_Dir.File("theirs.vdf").c_str(), RecordPath().c_str()), 0);
  EXPECT_EQ(ReadModule(), "<refused>");
}

// A file or link planted under a temporary name is never written through: the file it points
// at keeps its bytes, and the record never becomes the planted link.
TEST_F(ActiveProcessRecord, PlantedTemporaryFilesAreNotWrittenThrough) {
  const std::string victim = m_Dir.File("victim.txt");
  WriteWholeFile(victim, "precious");
  for (const std::string &name :
       {RecordPath() + ".tmp", RecordPath() + "." + std::to_string(getpid()) + ".tmp"})
    ASSERT_EQ(symlink(victim.c_str(), name.c_str()), 0) << name;
  ClientAPI_WriteActiveProcess("/opt/lumen/plexaclient.so", 1);
  EXPECT_EQ(ReadWholeFile(victim), "precious");
  EXPECT_FALSE(IsSymlink(RecordPath()));
}

// The record in the per-user runtime folder ($XDG_RUNTIME_DIR/plexa; /tmp/plexa-<uid> is the
// same kind of folder): it must be the user's alone, or the record is neither written nor read.
class ActiveProcessFolder : public testing::Test {
 protected:
  std::string Folder() const { return m_Dir.File("plexa"); }
  std::string RecordPath() const { return Folder() + "/ActiveProcess.vdf"; }

  TempDir m_Dir;
  ScopedEnv m_Path{"PLEXA_ACTIVE_PROCESS", ""};
  ScopedEnv m_Runtime{"XDG_RUNTIME_DIR", m_Dir.Path()};
};

TEST_F(ActiveProcessFolder, MissingFolderIsCreatedForTheUserAlone) {
  ASSERT_EQ(ClientAPI_ActiveProcessPath(), RecordPath());
  ASSERT_TRUE(ClientAPI_WriteActiveProcess("/opt/a.so", 7));
  struct stat folder {};
  ASSERT_EQ(lstat(Folder().c_str(), &folder), 0);
  EXPECT_TRUE(S_ISDIR(folder.st_mode));
  EXPECT_EQ(folder.st_mode & 07777, 0700u);
  EXPECT_EQ(ReadModule(), "/opt/a.so");
}

TEST_F(ActiveProcessFolder, FolderOpenToOthersOrALinkIsRefused) {
  struct Case {
    const char *what;
    mode_t mode;
    bool link;
  };
  const Case cases[] = {
      {"open to all", 0777, false},
      {"group-writable", 0770, false},
      {"readable by others", 0755, false},
      {"a link to a private folder", 0700, true},
  };
  for (const Case &c : cases) {
    std::filesystem::remove_all(Folder());
    const std::string real = c.link ? m_Dir.File("real") : Folder();
    std::filesystem::remove_all(real);
    ASSERT_EQ(mkdir(real.c_str(), 0700), 0);
    ASSERT_EQ(chmod(real.c_str(), c.mode), 0);
    if (c.link) {
      ASSERT_EQ(symlink(real.c_str(), Folder().c_str()), 0);
    }

    EXPECT_FALSE(ClientAPI_WriteActiveProcess("/opt/a.so", 7)) << c.what;
    EXPECT_FALSE(std::filesystem::exists(real + "/ActiveProcess.vdf")) << c.what;
    PlaceRecord(real + "/ActiveProcess.vdf", RecordText("/opt/planted.so", 7), 0600);
    EXPECT_EQ(ReadModule(), "<refused>") << c.what;
  }
}

TEST_F(ActiveProcessFolder, FolderOfAnotherUserIsRefused) {
  if (geteuid() != 0) GTEST_SKIP() << "giving a folder to another user needs root";
  ASSERT_EQ(mkdir(Folder().c_str(), 0700), 0);
  ASSERT_EQ(chown(Folder().c_str(), kOtherUser, kOtherUser), 0);
  EXPECT_FALSE(ClientAPI_WriteActiveProcess("/opt/a.so", 7));
  EXPECT_FALSE(std::filesystem::exists(RecordPath()));
  // Even a record of the user's own in that folder: its owner could swap it at any time.
  PlaceRecord(RecordPath(), RecordText("/opt/planted.so", 7), 0600);
  EXPECT_EQ(ReadModule(), "<refused>");
}

}  // namespace
