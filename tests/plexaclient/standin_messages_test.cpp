// What the stand-in says of a world file it cannot use: one sentence with the outcome first, then
// the reader's reports, each with the line and column where the reader stood.
#include <unistd.h>

#include <string>

#include "plexa/client_api.h"
#include "plexa_fixture.h"
#include "support/spew_capture.h"

namespace {

class StandInMessages : public PlexaWorldTest {};

// The warning that names `outcome`, or "" when none does.
std::string WarningOf(const SpewCapture &spew, const std::string &outcome) {
  for (const std::string &warning : spew.Warnings()) {
    if (warning.find(outcome) != std::string::npos) return warning;
  }
  return "";
}

TEST_F(StandInMessages, AnUnreadableWorldIsToldInOneSentenceWithLineAndColumn) {
  const std::string path = ServicesConfigPath();
  struct Case {
    const char *world;   // null: no file
    std::string start;   // how the warning begins
    std::string report;  // a report it holds, with its place
  };
  const Case cases[] = {
      {nullptr,
       "plexaclient: starting with an empty world, as '" + path +
           "' cannot be opened: No such file or directory\n",
       ""},
      {"\"PlexaClient\"\n{\n  \"servers\" { \"server\" { \"address\" \"10.0.0.1:1\" }",
       "plexaclient: starting with an empty world, as '" + path + "' cannot be read:\nKeyValues Error: ",
       "got EOF instead of keyname in file " + path +
           " [offset: 65]\nPlexaClient, servers, (*server*), (*address*), \n  at line 3, column 50\n"},
  };
  for (const Case &c : cases) {
    unlink(path.c_str());
    if (c.world) WriteServicesConfig(c.world);
    SpewCapture spew;
    ASSERT_TRUE(ClientAPI_Init());
    const std::string warning = WarningOf(spew, "empty world");
    EXPECT_EQ(warning.rfind(c.start, 0), 0u) << warning;
    if (c.report.empty()) {
      EXPECT_EQ(warning, c.start);
    }
    EXPECT_NE(warning.find(c.report), std::string::npos) << warning;
    EXPECT_EQ(WarningOf(spew, ";"), "") << "no fragments joined by ';'";
    ClientAPI_Shutdown();
  }
}

TEST_F(StandInMessages, ABrokenWorldWhileRunningIsToldTheSameWay) {
  Bind("");
  WriteServicesConfig("\"PlexaClient\" { \"apps\" {\n\n");
  SpewCapture spew;
  EXPECT_FALSE(ServicesControl()->ReloadConfig());
  const std::string warning = WarningOf(spew, "keeping the configuration in use");
  EXPECT_EQ(warning.rfind("plexaclient: keeping the configuration in use, as '" + ServicesConfigPath() +
                              "' cannot be read:\nKeyValues Error: ",
                          0),
            0u)
      << warning;
  EXPECT_NE(warning.find("\n  at line 3, column 1\n"), std::string::npos) << warning;
}

}  // namespace
