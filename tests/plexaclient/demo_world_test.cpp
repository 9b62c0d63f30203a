// The demo world the stand-in ships with reads cleanly and gives the browser something to show.
#include <cstdlib>
#include <set>

#include "plexa/client_api.h"
#include "plexa/iclientapps.h"
#include "plexa/iclientmatchmaking.h"
#include "plexa/iclientmatchmakingservers.h"
#include "plexa_fixture.h"
#include "support/spew_capture.h"

namespace {

class DemoWorld : public PlexaWorldTest {
 protected:
  void SetUp() override {
    PlexaWorldTest::SetUp();
    // The demo names no configuration folder: keep the default one inside the scratch folder.
    setenv("XDG_CONFIG_HOME", m_Scratch.Path().c_str(), 1);
    m_SavedConfig = ServicesConfigPath();
    setenv("PLEXA_CLIENT_CONFIG", (std::string(getenv("SB_SOURCE_DIR")) + "/plexaclient/demo/plexaclient.vdf").c_str(),
           1);
  }
  void TearDown() override {
    PlexaWorldTest::TearDown();
    setenv("PLEXA_CLIENT_CONFIG", m_SavedConfig.c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
  }
  std::string m_SavedConfig;
};

TEST_F(DemoWorld, ReadsWithoutComplaintAndAnswersAnInternetList) {
  SpewCapture spew;
  ASSERT_TRUE(ClientAPI_Init());
  EXPECT_TRUE(spew.Warnings().empty()) << spew.Warnings()[0];
  EXPECT_GE(ServicesControl()->GetServerCount(), 200);

  std::vector<AppId_t> apps(64);
  apps.resize(ClientApps()->ListAppIds(apps.data(), 64));
  const std::set<AppId_t> ids(apps.begin(), apps.end());
  for (AppId_t wanted : {1002u, 243730u, 243750u, 1200u, 1210u}) EXPECT_TRUE(ids.count(wanted)) << wanted;
  EXPECT_LT(*ids.begin(), 200u);
  EXPECT_GT(*ids.rbegin(), 1000000u);
  EXPECT_GT(ClientMatchmaking()->CountStoredServers(), 4);

  CListRecorder list;
  ClientMatchmakingServers()->RequestInternetList(0, nullptr, 0, &list);
  FramesUntil([&] { return list.Done(); }, 1.0 / 60);
  int answered = 0, silent = 0;
  for (const std::string &event : list.m_Events) {
    answered += event.rfind("answered", 0) == 0;
    silent += event.rfind("silent", 0) == 0;
  }
  EXPECT_GT(answered, 200);
  EXPECT_GT(silent, 0);
  EXPECT_EQ(list.m_Events.back(), "done 0");
}

}  // namespace
