// The host hands its user folder to the services: with the browser in kgui-host and a world that
// names no folder, the browser's settings and the services' history land in --user-dir, and two
// users never see each other's files.
#include <filesystem>
#include <string>

#include "tests/host/host_fixture.h"

namespace {

using kguihost::BinPath;
using kguihost::RunProgram;

const char *const kWorld = R"("PlexaClient"
{
  "servers"
  {
    "server" { "address" "10.4.0.1:27015" "name" "Kiln Yard" "appid" "1002" "latency" "20" }
  }
}
)";

class HostUserDirTest : public ::testing::Test {
 protected:
  HostUserDirTest() { WriteWholeFile(getenv("PLEXA_CLIENT_CONFIG"), kWorld); }

  // Runs the browser in the host for `user` with a script.
  int RunHost(const std::string &user, const std::string &script) {
    WriteWholeFile(m_Dir.File("script.txt"), script);
    const std::string source = getenv("SB_SOURCE_DIR") ? getenv("SB_SOURCE_DIR") : ".";
    // Should the hand-over fail, the services' default folder is here, not in anyone's home.
    return RunProgram({BinPath("kgui-host"), "--headless", "--game", source + "/game", "--user-dir",
                       m_Dir.File(user), "--services", BinPath("plexaclient.so"), "--script",
                       m_Dir.File("script.txt"), BinPath("serverbrowser.so")},
                      m_Output,
                      {"XDG_CONFIG_HOME=" + m_Dir.File("xdg"), "PLEXA_USER_DIR=" + m_Dir.File("stale")});
  }

  TempDir m_Dir;
  std::string m_Output;
};

TEST_F(HostUserDirTest, SettingsAndHistoryLandInTheUserDirOfEachRun) {
  // 10.4.0.1 as the host sends it: a whole number.
  ASSERT_EQ(RunHost("alice",
                    "wait 30frames\n"
                    "message ConnectedToGame ip=168034305 connectionport=27015 queryport=27015\n"
                    "wait 30frames\n"
                    "quit\n"),
            0)
      << m_Output;
  const std::string store = ReadWholeFile(m_Dir.File("alice/plexa_servers.vdf"));
  EXPECT_NE(store.find("\"10.4.0.1:27015\""), std::string::npos) << store;
  EXPECT_TRUE(std::filesystem::exists(m_Dir.File("alice/serverbrowser_ui.vdf"))) << m_Output;
  EXPECT_TRUE(std::filesystem::exists(m_Dir.File("alice/userconfig.vdf")));

  ASSERT_EQ(RunHost("bob", "wait 30frames\nquit\n"), 0) << m_Output;
  EXPECT_TRUE(std::filesystem::exists(m_Dir.File("bob/serverbrowser_ui.vdf")));
  EXPECT_FALSE(std::filesystem::exists(m_Dir.File("bob/plexa_servers.vdf")));  // alice's history stays hers
  EXPECT_EQ(ReadWholeFile(m_Dir.File("alice/plexa_servers.vdf")), store);
  EXPECT_FALSE(std::filesystem::exists(m_Dir.File("xdg")));
  EXPECT_FALSE(std::filesystem::exists(m_Dir.File("stale")));
}

}  // namespace
