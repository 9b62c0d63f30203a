// The host's reports of a file it cannot read give the reader's text and, after each report, the
// line and column where the reader stood.
#include "host/app/host_config.h"
#include "host/scheme.h"
#include "tests/host/host_fixture.h"

namespace kguihost {
namespace {

using BrokenFileMessages = HostTest;

TEST_F(BrokenFileMessages, ReportsOfBrokenFilesGiveLineAndColumn) {
  struct Case {
    const char *what;
    std::string path;     // where the broken text goes
    std::string message;  // what the host says of it
  };
  const std::string broken = "\"Root\"\n{\n  \"key\" }\n";  // "}" where a value belongs
  const Case cases[] = {
      {"scheme", GameDir() + "/resource/broken_scheme.res",
       "Scheme: cannot read 'resource/broken_scheme.res': KeyValues Error: "},
      {"user settings", UserDir() + "/userconfig.vdf", "User settings: '"},
      {"host configuration", m_Dir.File("host.vdf"), "cannot read the configuration '"},
      {"token file", GameDir() + "/resource/broken_english.txt",
       "Localisation: 'resource/broken_english.txt'"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    WriteWholeFile(c.path, broken);
    m_Spew.Clear();
    std::string message;
    if (c.path.find("scheme") != std::string::npos) {
      CScheme scheme(Runtime());
      EXPECT_FALSE(scheme.Load(Runtime().FileSystem(), "resource/broken_scheme.res"));
    } else if (c.path.find("userconfig") != std::string::npos) {
      RestartRuntime();
    } else if (c.path.find("host.vdf") != std::string::npos) {
      CHostConfig config;
      EXPECT_FALSE(config.Load(Runtime().FileSystem(), c.path, message));
    } else {
      EXPECT_FALSE(Runtime().Localize().AddFile(nullptr, "resource/broken_%language%.txt", nullptr));
    }
    for (const std::string &warning : m_Spew.Warnings()) {
      if (warning.find(c.message) != std::string::npos) message = warning;
    }
    EXPECT_NE(message.find(c.message), std::string::npos) << message;
    EXPECT_NE(message.find("got } in key"), std::string::npos) << message;
    EXPECT_NE(message.find("\n  at line 3, column 10\n"), std::string::npos) << message;
  }
}

}  // namespace
}  // namespace kguihost
