// The host file system: path ids, search order, writes, renames and unsafe paths.
#include "tests/host/host_fixture.h"

#include <filesystem>

namespace kguihost {
namespace {

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
    EXPECT_EQ(m_FileSystem.Read(text.data(), static_cast<int>(text.size()), file), static_cast<int>(text.size()));
    EXPECT_TRUE(m_FileSystem.Close(file));
    return text;
  }
  bool Write(const char *path, const char *pathID, const std::string &text) {
    FileHandle_t file = m_FileSystem.Open(path, "wb", pathID);
    if (!file) return false;
    bool whole = m_FileSystem.Write(text.data(), static_cast<int>(text.size()), file) == static_cast<int>(text.size());
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
      {"sub/both.txt", nullptr, "from game"},  {"sub\\both.txt", nullptr, "from game"},
      {"only.txt", nullptr, "only user"},      {"sub/both.txt", "CONFIG", "from user"},
      {"/sub/both.txt", "GAME", "from game"},  {"only.txt", "GAME", "<missing>"},
      {"only.txt", "NOSUCHID", "<missing>"},   {"", nullptr, "<missing>"},
  };
  for (const Case &c : cases) EXPECT_EQ(Read(c.path, c.pathID), c.expected) << c.path << " " << (c.pathID ? c.pathID : "-");
  std::string absolute = m_Dir.File("user/only.txt");
  EXPECT_EQ(Read(absolute.c_str(), nullptr), "only user");
  EXPECT_EQ(m_FileSystem.OpenFileCount(), 0u);
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

}  // namespace
}  // namespace kguihost
