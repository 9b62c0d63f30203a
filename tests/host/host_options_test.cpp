// The host's command line read in process: both value forms, --version, and the language left to
// the locale when none is given.
#include "host/app/host_options.h"

#include <gtest/gtest.h>

#include <iterator>

namespace kguihost {
namespace {

TEST(HostCommandLine, ValuesComeInEitherFormAndTheLanguageIsLeftToTheLocale) {
  CHostOptions options;
  std::string error;
  const char *argv[] = {"kgui-host",       "--headless", "--game=g",     "--user-dir", "u",
                        "--frames=3",      "--script=s", "--screenshot", "p.png",      "--always-paint",
                        "--services=x.so", "--config",   "c.vdf",        "--scale=2",  "m.so"};
  ASSERT_TRUE(ParseHostOptions(static_cast<int>(std::size(argv)), argv, options, error)) << error;
  EXPECT_TRUE(options.headless);
  EXPECT_TRUE(options.alwaysPaint);
  EXPECT_FALSE(options.realtime);
  EXPECT_EQ(options.gameDir, "g");
  EXPECT_EQ(options.userDir, "u");
  EXPECT_EQ(options.frames, 3);
  EXPECT_EQ(options.scriptFile, "s");
  EXPECT_EQ(options.screenshotFile, "p.png");
  EXPECT_EQ(options.servicesModule, "x.so");
  EXPECT_EQ(options.configFile, "c.vdf");
  EXPECT_EQ(options.modulePath, "m.so");
  EXPECT_EQ(options.language, "") << "the locale decides";
  EXPECT_EQ(options.scale, 2.0);

  // --help and --version need no module.
  for (const char *flag : {"--help", "-h", "--version"}) {
    CHostOptions only;
    const char *line[] = {"kgui-host", flag};
    ASSERT_TRUE(ParseHostOptions(2, line, only, error)) << flag << ": " << error;
    EXPECT_TRUE(only.help || only.version) << flag;
  }
}

TEST(HostCommandLine, AScaleOutsideOneToFourIsRefused) {
  for (const char *scale : {"--scale=0", "--scale=5", "--scale=two", "--scale=2x", "--scale="}) {
    CHostOptions options;
    std::string error;
    const char *argv[] = {"kgui-host", scale, "m.so"};
    EXPECT_FALSE(ParseHostOptions(3, argv, options, error)) << scale;
    EXPECT_NE(error.find("--scale"), std::string::npos) << scale << ": " << error;
  }
  CHostOptions options;
  std::string error;
  const char *argv[] = {"kgui-host", "--scale", "1.5", "m.so"};
  ASSERT_TRUE(ParseHostOptions(4, argv, options, error)) << error;
  EXPECT_EQ(options.scale, 1.5);
}

}  // namespace
}  // namespace kguihost
