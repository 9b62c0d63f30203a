// kgui-host asked for its panel dump from outside: with --dump-on-signal (or KGUI_HOST_DUMP_ON_SIGNAL,
// which the real-window test uses) naming a file,
// the host writes the dump there after its first frame and after each SIGUSR1, also while it
// sleeps between frames that change nothing; it still ends cleanly on SIGTERM.
#include <signal.h>

#include <filesystem>

#include "tests/host/child_process.h"
#include "tests/host/host_fixture.h"

namespace kguihost {
namespace {

TEST(HostDumpSignalTest, EachSignalWritesTheRunningHostsDump) {
  TempDir dir;
  InstallShippedScheme(dir.File("game"));
  std::filesystem::create_directories(dir.File("user"));
  const std::string dump = dir.File("asked.vdf");
  // No script and no frame count: the host runs on the real clock and idles once painted.
  CChildProcess host;
  ASSERT_TRUE(host.Start({BinPath("kgui-host"), "--headless", "--game", dir.File("game"), "--user-dir",
                          dir.File("user"), "--dump-on-signal=" + dump, BinPath("kguitestmodule.so")},
                         dir.File("host.log"), {}));
  // The first dump, written once the first frame is shown, says the host listens; two more follow.
  for (int request = 0; request < 3; ++request) {
    std::error_code ignored;
    if (request > 0) {
      std::filesystem::remove(dump, ignored);
      ASSERT_EQ(kill(host.Pid(), SIGUSR1), 0);
    }
    ASSERT_TRUE(WaitFor([&]() { return std::filesystem::exists(dump, ignored) || !host.Running(); },
                        std::chrono::seconds(30)))
        << "request " << request;
    ASSERT_TRUE(host.Running()) << ReadWholeFile(dir.File("host.log"));
    KeyValuesAD panels(new KeyValues("Panels"));
    ASSERT_TRUE(panels->LoadFromBuffer("dump", ReadWholeFile(dump).c_str()));
    KeyValues *window = panels->FindKey("Panel");
    ASSERT_TRUE(window);
    EXPECT_STREQ(window->GetString("name"), "TestWindow");
    EXPECT_TRUE(window->FindKey("Children/Panel")) << "request " << request;
  }
  EXPECT_EQ(host.Stop(std::chrono::seconds(30)), 0) << ReadWholeFile(dir.File("host.log"));
}

}  // namespace
}  // namespace kguihost
