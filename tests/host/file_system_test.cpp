// The host file system: path ids, search order, writes, renames and unsafe paths; saves through
// it (the user's dialog settings among them) keep the file's permissions and reach the disk.
//
// fsync is wrapped in this program (the libraries are linked into it statically) to record what
// was flushed and what the saved file held at that moment.
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "common/filesystem_helpers.h"
#include "host/user_config.h"
#include "support/spew_capture.h"
#include "tests/host/host_fixture.h"
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

namespace kguihost {
namespace {

mode_t ModeOf(const std::string &path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

class FileSystemTest : public ::testing::Test {
 protected:
  FileSystemTest() {
    std::filesystem::create_directories(m_Dir.File("game/sub"));
    std::filesystem::create_directories(m_Dir.File("user/sub"));
    m_FileSystem.AddSearchPath(m_Dir.File("game/"), "GAME");
    m_FileSystem.AddSearchPath(m_Dir.File("user"), "config");
    WriteWholeFile(m_Dir.File("game/sub/both.txt"), "from game");
    WriteWholeFile(m_Dir.File("user/both.txt"), "from user");
    WriteWholeFile(m_Dir.File("user/sub/both.txt"), "from user");
    WriteWholeFile(m_Dir.File("user/only.txt"), "only user");
  }

  std::string Read(const char *path, const char *pathID) {
    FileHandle_t file = m_FileSystem.Open(path, "rb", pathID);
    if (!file) return "<missing>";
    std::string text(m_FileSystem.Size(file), '\0');
    EXPECT_EQ(m_FileSystem.Read(text.data(), static_cast<int>(text.size()), file),
              static_cast<int>(text.size()));
    EXPECT_TRUE(m_FileSystem.Close(file));
    return text;
  }
  bool Write(const char *path, const char *pathID, const std::string &text) {
    FileHandle_t file = m_FileSystem.Open(path, "wb", pathID);
    if (!file) return false;
    bool whole =
        m_FileSystem.Write(text.data(), static_cast<int>(text.size()), file) == static_cast<int>(text.size());
    return m_FileSystem.Close(file) && whole;
  }

  TempDir m_Dir;
  CHostFileSystem m_FileSystem;
};

TEST_F(FileSystemTest, ReadsSearchGameThenConfigUnlessAPathIdIsGiven) {
  struct Case {
    const char *path;
    const char *pathID;
    const char *expected;
  };
  const Case cases[] = {
      {"sub/both.txt", nullptr, "from game"}, {"sub\\both.txt", nullptr, "from game"},
      {"only.txt", nullptr, "only user"},     {"sub/both.txt", "CONFIG", "from user"},
      {"/sub/both.txt", "GAME", "from game"}, {"only.txt", "GAME", "<missing>"},
      {"only.txt", "NOSUCHID", "<missing>"},  {"", nullptr, "<missing>"},
  };
  for (const Case &c : cases)
    EXPECT_EQ(Read(c.path, c.pathID), c.expected) << c.path << " " << (c.pathID ? c.pathID : "-");
  std::string absolute = m_Dir.File("user/only.txt");
  EXPECT_EQ(Read(absolute.c_str(), nullptr), "only user");
  EXPECT_EQ(m_FileSystem.OpenFileCount(), 0u);
}

// What cannot be read whole is refused at once with one warning that says why: a FIFO nobody
// writes (once a hang), an endless device (once all memory), a file over the cap.
TEST_F(FileSystemTest, OnlyRegularFilesUnderTheCapAreRead) {
  ASSERT_EQ(mkfifo(m_Dir.File("user/pipe.vdf").c_str(), 0600), 0);
  // Sparse: the sizes cost no disk.
  WriteWholeFile(m_Dir.File("user/huge.vdf"), "");
  WriteWholeFile(m_Dir.File("user/full.vdf"), "");
  ASSERT_EQ(truncate(m_Dir.File("user/huge.vdf").c_str(), kMaxReadFileBytes + 1), 0);
  ASSERT_EQ(truncate(m_Dir.File("user/full.vdf").c_str(), kMaxReadFileBytes), 0);
  struct Case {
    std::string path;
    const char *pathID;
    std::string warning;  // empty: read
  };
  const std::string cap = std::to_string(kMaxReadFileBytes);
  const Case cases[] = {
      {m_Dir.File("user/pipe.vdf"), nullptr, "'" + m_Dir.File("user/pipe.vdf") + "' is not a regular file"},
      {"/dev/zero", nullptr, "'/dev/zero' is not a regular file"},
      {"huge.vdf", "CONFIG",
       "'" + m_Dir.File("user/huge.vdf") + "' is larger than the " + cap + " bytes allowed"},
      {"full.vdf", "CONFIG", ""},
  };
  for (const Case &c : cases) {
    SpewCapture spew;
    for (int attempt = 0; attempt < 2; ++attempt) {
      FileHandle_t file = m_FileSystem.Open(c.path.c_str(), "rb", c.pathID);
      EXPECT_EQ(file != nullptr, c.warning.empty()) << c.path;
      if (file) m_FileSystem.Close(file);
    }
    const std::vector<std::string> once{"File system: " + c.warning + "\n"};
    EXPECT_EQ(spew.Warnings(), c.warning.empty() ? std::vector<std::string>{} : once) << c.path;
  }
  EXPECT_EQ(m_FileSystem.OpenFileCount(), 0u);
}

// Installed data is often linked within its folder, so such links are followed; a link out of the
// search folder (to any file of the system) is not, nor any link in a folder other users can change.
TEST_F(FileSystemTest, LinksAreFollowedOnlyWithinTheirSearchFolder) {
  WriteWholeFile(m_Dir.File("secret.txt"), "secret");
  std::filesystem::create_directories(m_Dir.File("shared"));
  WriteWholeFile(m_Dir.File("shared/real.txt"), "shared");
  ASSERT_EQ(chmod(m_Dir.File("shared").c_str(), 01777), 0);
  std::filesystem::create_symlink(m_Dir.File("secret.txt"), m_Dir.File("game/out.txt"));
  std::filesystem::create_symlink("/etc/passwd", m_Dir.File("game/passwd.res"));
  std::filesystem::create_symlink("sub/both.txt", m_Dir.File("game/in.txt"));
  std::filesystem::create_symlink(m_Dir.File("game/sub"), m_Dir.File("game/linked"));
  std::filesystem::create_symlink(m_Dir.File("user"), m_Dir.File("game/elsewhere"));
  std::filesystem::create_symlink(m_Dir.File("shared/real.txt"), m_Dir.File("shared/planted.txt"));
  struct Case {
    std::string path;
    const char *expected;
  };
  const Case cases[] = {
      {"in.txt", "from game"},
      {"linked/both.txt", "from game"},
      {"out.txt", "<missing>"},
      {"passwd.res", "<missing>"},
      {"elsewhere/only.txt", "<missing>"},
      {m_Dir.File("shared/real.txt"), "shared"},
      {m_Dir.File("shared/planted.txt"), "<missing>"},
  };
  SpewCapture spew;
  for (const Case &c : cases) EXPECT_EQ(Read(c.path.c_str(), nullptr), c.expected) << c.path;
  EXPECT_TRUE(spew.Contains("'" + m_Dir.File("game/out.txt") + "' leads out of its folder"));
  EXPECT_TRUE(spew.Contains("'" + m_Dir.File("shared/planted.txt") +
                            "' is a link in a folder other users can change"));
  EXPECT_EQ(spew.Warnings().size(), 4u);
}

TEST_F(FileSystemTest, WritesGoToConfigAndCreateFolders) {
  ASSERT_TRUE(Write("saves/new.vdf", nullptr, "saved"));
  EXPECT_EQ(ReadWholeFile(m_Dir.File("user/saves/new.vdf")), "saved");
  ASSERT_TRUE(Write("game.txt", "GAME", "in game"));
  EXPECT_EQ(ReadWholeFile(m_Dir.File("game/game.txt")), "in game");
  EXPECT_FALSE(Write("x.txt", "NOSUCHID", "x"));
}

TEST_F(FileSystemTest, PathsThatClimbOutOfTheirFolderAreRefused) {
  WriteWholeFile(m_Dir.File("secret.txt"), "secret");
  for (const char *path : {"../secret.txt", "sub/../../secret.txt", "..\\secret.txt", ".."}) {
    EXPECT_EQ(Read(path, nullptr), "<missing>") << path;
    EXPECT_FALSE(Write(path, nullptr, "x")) << path;
  }
  EXPECT_EQ(Read("sub/..x/../both.txt", nullptr), "<missing>");  // "..x" is a name, yet it is not there
}

TEST_F(FileSystemTest, RenameReplacesTheTargetAndRemoveDeletes) {
  ASSERT_TRUE(Write("settings.vdf", "CONFIG", "old"));
  ASSERT_TRUE(Write("settings.vdf.new", "CONFIG", "new"));
  EXPECT_TRUE(m_FileSystem.RenameFile("settings.vdf.new", "settings.vdf", "CONFIG"));
  EXPECT_EQ(Read("settings.vdf", "CONFIG"), "new");
  EXPECT_FALSE(std::filesystem::exists(m_Dir.File("user/settings.vdf.new")));
  EXPECT_FALSE(m_FileSystem.RenameFile("absent", "settings.vdf", "CONFIG"));
  EXPECT_TRUE(m_FileSystem.RemoveFile("settings.vdf", "CONFIG"));
  EXPECT_EQ(Read("settings.vdf", "CONFIG"), "<missing>");
  EXPECT_FALSE(m_FileSystem.RemoveFile("settings.vdf", "CONFIG"));
}

TEST_F(FileSystemTest, NullHandlesAndBadArgumentsAreHarmless) {
  char buffer[4];
  EXPECT_EQ(m_FileSystem.Read(buffer, 4, nullptr), 0);
  EXPECT_EQ(m_FileSystem.Write(buffer, 4, nullptr), 0);
  EXPECT_EQ(m_FileSystem.Size(nullptr), 0u);
  EXPECT_FALSE(m_FileSystem.Close(nullptr));
  EXPECT_EQ(m_FileSystem.Open("only.txt", "", nullptr), nullptr);
  FileHandle_t file = m_FileSystem.Open("only.txt", "rb", nullptr);
  EXPECT_EQ(m_FileSystem.Read(buffer, -1, file), 0);
  EXPECT_TRUE(m_FileSystem.Close(file));
}

// A save through the host keeps the file's permission bits (a new file is the user's alone),
// flushes the new bytes before they replace the file and the folder after.
TEST_F(FileSystemTest, SavesKeepPermissionsAndReachTheDisk) {
  const mode_t oldMask = umask(022);
  const std::string folder = std::filesystem::canonical(m_Dir.File("user")).string();
  for (mode_t before : {0600, 0640, 0}) {
    const std::string path = folder + "/settings.vdf";
    std::filesystem::remove(path);
    if (before) {
      WriteWholeFile(path, "old");
      ASSERT_EQ(chmod(path.c_str(), before), 0);
    }
    CUtlBuffer buf;
    buf.Put("new", 3);
    g_Target = path;
    g_Flushes.clear();
    const bool saved = SaveBufferToFile(&m_FileSystem, "settings.vdf", buf, "CONFIG");
    g_Target.clear();
    ASSERT_TRUE(saved) << before;
    EXPECT_EQ(ReadWholeFile(path), "new");
    EXPECT_EQ(ModeOf(path), before ? before : 0600);
    ASSERT_EQ(g_Flushes.size(), 2u) << before;
    EXPECT_EQ(g_Flushes[0].path, path + "." + std::to_string(getpid()) + ".tmp");
    EXPECT_EQ(g_Flushes[0].targetText, before ? "old" : "");
    EXPECT_EQ(g_Flushes[1].path, folder);
    EXPECT_EQ(g_Flushes[1].targetText, "new");
  }
  umask(oldMask);
  EXPECT_EQ(m_FileSystem.OpenFileCount(), 0u);
}

// The user's dialog settings stay private across saves, reach the disk, and a save cut short by
// an ended process leaves nothing behind after the next one.
TEST_F(FileSystemTest, DialogSettingsStayPrivateAndLeaveNoLeftovers) {
  const mode_t oldMask = umask(022);
  const std::string folder = std::filesystem::canonical(m_Dir.File("user")).string();
  const std::string path = folder + "/userconfig.vdf";
  const pid_t child = fork();
  if (child == 0) _exit(0);
  int status = 0;
  waitpid(child, &status, 0);
  WriteWholeFile(folder + "/userconfig.vdf." + std::to_string(child) + ".tmp", "cut short");

  CUserConfigStore store(m_FileSystem, "userconfig.vdf", "CONFIG");
  store.Load();
  store.Get("DialogServerBrowser", 0)->SetInt("wide", 640);
  ASSERT_TRUE(store.Save());
  EXPECT_EQ(ModeOf(path), 0600u) << "new";
  ASSERT_EQ(chmod(path.c_str(), 0600), 0);
  store.Get("DialogServerBrowser", 0)->SetInt("wide", 800);
  g_Target = path;
  g_Flushes.clear();
  const bool saved = store.Save();
  g_Target.clear();
  ASSERT_TRUE(saved);
  EXPECT_EQ(ModeOf(path), 0600u) << "saved again";
  ASSERT_FALSE(g_Flushes.empty());
  EXPECT_EQ(g_Flushes.back().path, folder);
  EXPECT_NE(g_Flushes.back().targetText.find("800"), std::string::npos);
  EXPECT_NE(g_Flushes.front().targetText.find("640"), std::string::npos)
      << "flushed before it replaced the file";
  umask(oldMask);

  std::vector<std::string> names;
  for (const auto &entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"both.txt", "only.txt", "sub", "userconfig.vdf"}));
}

}  // namespace
}  // namespace kguihost
