// The binding's last fallback: no services module beside this binary (it runs from a folder of
// its own), so the module is looked for in the folder the active-process file records.
#include <unistd.h>

#include <filesystem>

#include "plexa/client_api.h"
#include "tests/plexaclient/plexa_fixture.h"
#include "support/spew_capture.h"

namespace {

class BindingFallback : public testing::Test {
 protected:
  void SetUp() override {
    WriteServicesConfig("\"PlexaClient\" { \"user\" { \"configfolder\" \"" + m_Scratch.File("user") + "\" } }\n");
  }
  void TearDown() override {
    ClientAPI_Shutdown();
    unlink(ClientAPI_ActiveProcessPath().c_str());
  }
  TempDir m_Scratch;
};

TEST_F(BindingFallback, ModuleIsFoundInTheRecordedFolderOfAnEndedClient) {
  const std::string folder = m_Scratch.File("installed");
  std::filesystem::create_directories(folder);
  std::filesystem::copy_file(BinDir() + "/plexaclient.so", folder + "/plexaclient.so");
  // The record names another file in that folder, and its client has ended.
  ASSERT_TRUE(ClientAPI_WriteActiveProcess((folder + "/client_old.so").c_str(), DeadPid()));
  ASSERT_TRUE(ClientAPI_Init());
  EXPECT_EQ(BoundModulePath(), folder + "/plexaclient.so");
  EXPECT_NE(ClientMatchmakingServers(), nullptr);
}

TEST_F(BindingFallback, WithoutAnyModuleTheBrowserRunsWithoutServices) {
  // A record without a folder leaves only the bare name, which is found nowhere.
  ASSERT_TRUE(ClientAPI_WriteActiveProcess("plexaclient_elsewhere.so", DeadPid()));
  SpewCapture spew;
  EXPECT_FALSE(ClientAPI_Init());
  ASSERT_EQ(spew.Asserts().size(), 1u);
  EXPECT_EQ(spew.Asserts()[0], "ClientAPI_Init: InternalAPI_Init_Internal failed.\n");
  EXPECT_EQ(ClientEngine(), nullptr);
  EXPECT_EQ(ClientUser(), nullptr);
  EXPECT_EQ(ClientMatchmakingServers(), nullptr);
  ClientAPI_RunCallbacks();  // nothing bound: nothing happens

  unlink(ClientAPI_ActiveProcessPath().c_str());
  EXPECT_FALSE(ClientAPI_Init());
}

}  // namespace
