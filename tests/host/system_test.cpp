// IHostSystem and the rest of the host's services: clocks, per-user settings, the clipboard,
// opening links, notifications and sounds.
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/host/host_fixture.h"

namespace kguihost {
namespace {

using SystemTest = HostTest;

TEST_F(SystemTest, ClocksFollowTheTestClock) {
  kgui::IHostSystem &system = Runtime().System();
  double start = system.GetCurrentTime();
  int32 startMs = system.GetTimeMillis();
  Plat_AdvanceClock(1.5);
  EXPECT_DOUBLE_EQ(system.GetCurrentTime() - start, 1.5);
  EXPECT_EQ(system.GetTimeMillis() - startMs, 1500);
  Runtime().RunFrame();
  EXPECT_DOUBLE_EQ(system.GetFrameTime(), system.GetCurrentTime());
}

TEST_F(SystemTest, DialogSettingsSurviveARestartAndAreSavedAtomically) {
  KeyValues *settings = Runtime().System().GetUserConfigFileData("DialogServerBrowser", 0);
  settings->SetInt("wide", 640);
  Runtime().System().GetUserConfigFileData("Path/Like/Name", 3)->SetString("sort", "ping");
  EXPECT_EQ(Runtime().System().GetUserConfigFileData("dialogserverbrowser", 0), settings);
  ASSERT_TRUE(Runtime().System().SaveUserConfigFile());
  ASSERT_EQ(chmod((UserDir() + "/userconfig.vdf").c_str(), 0640), 0);
  ASSERT_TRUE(Runtime().System().SaveUserConfigFile());
  struct stat info {};
  ASSERT_EQ(stat((UserDir() + "/userconfig.vdf").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u) << "the user's permissions are kept";

  RestartRuntime();
  EXPECT_EQ(Runtime().System().GetUserConfigFileData("DialogServerBrowser", 0)->GetInt("wide"), 640);
  EXPECT_STREQ(Runtime().System().GetUserConfigFileData("Path/Like/Name", 3)->GetString("sort"), "ping");
  EXPECT_EQ(Runtime().System().GetUserConfigFileData("DialogServerBrowser", 1)->GetFirstSubKey(), nullptr);

  // A save that cannot be written leaves the last good file as it was.
  std::string before = ReadWholeFile(UserDir() + "/userconfig.vdf");
  std::filesystem::create_directories(UserDir() + "/userconfig.vdf." + std::to_string(getpid()) + ".tmp");
  Runtime().System().GetUserConfigFileData("DialogServerBrowser", 0)->SetInt("wide", 1);
  EXPECT_FALSE(Runtime().System().SaveUserConfigFile());
  EXPECT_EQ(ReadWholeFile(UserDir() + "/userconfig.vdf"), before);
  EXPECT_EQ(m_Spew.Warnings().size(), 1u);
}

// The damaged file is kept beside before the next save writes empty settings over it.
TEST_F(SystemTest, DamagedSettingsFileIsKeptAsideAndStartsEmptyWithAWarning) {
  const std::string damaged = "\"UserConfig\" { \"Dialog_0\" { \"wide\" ";
  WriteWholeFile(UserDir() + "/userconfig.vdf", damaged);
  RestartRuntime();
  EXPECT_TRUE(m_Spew.Contains("userconfig.vdf' is damaged"));
  EXPECT_EQ(Runtime().System().GetUserConfigFileData("Dialog", 0)->GetFirstSubKey(), nullptr);
  std::vector<std::string> copies;
  for (const auto &entry : std::filesystem::directory_iterator(UserDir())) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("userconfig.vdf.damaged-", 0) == 0) copies.push_back(name);
  }
  ASSERT_EQ(copies.size(), 1u);
  EXPECT_EQ(ReadWholeFile(UserDir() + "/" + copies[0]), damaged);
  // The user is told once, with the copy's name.
  EXPECT_TRUE(m_Spew.Contains("Notification: Settings reset"));
  EXPECT_TRUE(m_Spew.Contains(copies[0]));
  EXPECT_TRUE(Runtime().System().SaveUserConfigFile());
  m_Spew.Clear();
  RestartRuntime();
  EXPECT_FALSE(m_Spew.Contains("Notification"));
}

TEST_F(SystemTest, ClipboardKeepsUtf16Text) {
  kgui::IHostSystem &system = Runtime().System();
  system.SetClipboardText(u"Grüße, host", 5);
  EXPECT_EQ(system.GetClipboardTextCount(), 5);
  char16_t buffer[16];
  EXPECT_EQ(system.GetClipboardText(0, buffer, sizeof(buffer)), 5);
  EXPECT_EQ(std::u16string(buffer), u"Grüße");
  EXPECT_EQ(system.GetClipboardText(3, buffer, sizeof(buffer)), 2);
  EXPECT_EQ(std::u16string(buffer), u"ße");
  EXPECT_EQ(system.GetClipboardText(0, buffer, 6), 2);  // three units of room, one for the end
  EXPECT_EQ(system.GetClipboardText(99, buffer, sizeof(buffer)), 0);
  EXPECT_EQ(system.GetClipboardText(0, nullptr, 8), 0);
}

TEST_F(SystemTest, ShellExecuteOpensOnlyWithTheOpenVerb) {
  kgui::IHostSystem &system = Runtime().System();
  EXPECT_TRUE(system.ShellExecute("open", "https://example.invalid/server"));
  EXPECT_EQ(Runtime().System().LastOpened(), "https://example.invalid/server");
  EXPECT_FALSE(system.ShellExecute("print", "file.txt"));
  EXPECT_FALSE(system.ShellExecute("open", ""));
  EXPECT_FALSE(system.ShellExecute(nullptr, "x"));
}

TEST_F(SystemTest, NotificationsShowForTheirLifetime) {
  kgui::INotificationManager &notices = Runtime().Notifications();
  kgui::HNotification short_ = notices.ShowNotification(u"Server ready", u"A slot is free", 500);
  kgui::HNotification closed = notices.ShowNotification(u"Other", u"Text", 5000);
  notices.CloseNotification(closed);
  RunFrames(1);
  EXPECT_TRUE(notices.IsNotificationShown(short_));
  EXPECT_FALSE(notices.IsNotificationShown(closed));
  EXPECT_NE(Pixel(1280 - 20, 800 - 20), DesktopColor());
  RunFrames(60);
  EXPECT_FALSE(notices.IsNotificationShown(short_));
}

TEST_F(SystemTest, SoundsPlayFromTheGameFolderAndBadFilesWarn) {
  std::filesystem::create_directories(GameDir() + "/servers");
  WriteWav(GameDir() + "/servers/game_ready.wav");
  WriteWholeFile(GameDir() + "/servers/not_a_sound.wav", "text");
  kgui::IHostSurface &surface = Runtime().Surface();
  surface.PlaySound("servers/game_ready.wav");
  EXPECT_EQ(Runtime().Sounds().LastPlayed(), "servers/game_ready.wav");
  EXPECT_EQ(Runtime().Sounds().PlayCount(), 1);
  surface.PlaySound("servers/missing.wav");
  surface.PlaySound("servers/not_a_sound.wav");
  surface.PlaySound(nullptr);
  EXPECT_EQ(Runtime().Sounds().PlayCount(), 1);
  EXPECT_EQ(m_Spew.Warnings().size(), 3u);
  // Every sound played is logged once; the ones that could not be read only warn.
  std::vector<std::string> logged;
  for (const std::string &line : m_Spew.Messages()) {
    if (line.find("kgui-host: sound") != std::string::npos) logged.push_back(line);
  }
  EXPECT_EQ(logged, std::vector<std::string>{"kgui-host: sound servers/game_ready.wav\n"});
}

}  // namespace
}  // namespace kguihost
