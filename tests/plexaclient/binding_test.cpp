// Finding, loading and binding the services module, and releasing it.
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "common/plexa/callback_mgr.h"
#include "plexa/client_api.h"
#include "plexa_fixture.h"
#include "support/spew_capture.h"
#include "tier0/validator.h"
#include "tier1/interface.h"

namespace {

std::string FakeModulePath() { return BinDir() + "/plexa_fake_services.so"; }

int LoadCount(CSysModule *module) {
  for (const ModuleCount_t &loaded : g_VecLoadedModules) {
    if (loaded.m_hModule == module) return loaded.m_cRef;
  }
  return 0;
}

bool AllSixBound() {
  return ClientUser() && ClientFriends() && ClientUtils() && ClientMatchmaking() && ClientApps() &&
         ClientMatchmakingServers();
}

class ClientBinding : public testing::Test {
 protected:
  void SetUp() override {
    unlink(ClientAPI_ActiveProcessPath().c_str());
    WriteServicesConfig("\"PlexaClient\" { \"user\" { \"configfolder\" \"" + m_Scratch.File("user") + "\" } }\n");
  }
  void TearDown() override {
    ClientAPI_Shutdown();
    unsetenv("PLEXA_FAKE_NULL_GETTER");
    unsetenv("PLEXA_FAKE_NO_ENGINE");
  }
  // The fake module's log of engine calls since the last look; the module must be loaded.
  static std::string TakeFakeLog(CSysModule *module) {
    using TakeLogFn = const char *(*)();
    auto take = reinterpret_cast<TakeLogFn>(dlsym(module, "PlexaFake_TakeCallLog"));
    return take ? take() : "(no log)";
  }
  // Binds the fake module through the active-process file (it names a running client: us).
  void BindFake(bool expectSuccess) {
    ASSERT_TRUE(ClientAPI_WriteActiveProcess(FakeModulePath().c_str(), getpid()));
    EXPECT_EQ(ClientAPI_Init(), expectSuccess);
    ASSERT_EQ(BoundModulePath(), FakeModulePath());
  }

  TempDir m_Scratch;
};

TEST_F(ClientBinding, FindsTheModuleBesideTheBinaryByName) {
  ASSERT_TRUE(ClientAPI_Init());
  EXPECT_EQ(std::filesystem::canonical(BoundModulePath()), std::filesystem::canonical(BinDir() + "/plexaclient.so"));
  EXPECT_TRUE(AllSixBound());
  EXPECT_TRUE(CCallbackMgr::Get().HasExports());

  // A second call binds nothing: same engine, no second load.
  IClientEngine *engine = ClientEngine();
  EXPECT_TRUE(ClientAPI_Init());
  EXPECT_EQ(ClientEngine(), engine);
  EXPECT_EQ(LoadCount(ClientModule()), 1);
}

TEST_F(ClientBinding, ActiveProcessFileNamesTheRunningClientsModule) {
  const std::string copy = m_Scratch.File("client/plexaclient.so");
  std::filesystem::create_directories(m_Scratch.File("client"));
  std::filesystem::copy_file(BinDir() + "/plexaclient.so", copy);
  ASSERT_TRUE(ClientAPI_WriteActiveProcess(copy.c_str(), getpid()));

  ASSERT_TRUE(ClientAPI_Init());
  EXPECT_EQ(BoundModulePath(), copy);
  EXPECT_TRUE(AllSixBound());
}

TEST_F(ClientBinding, RecordOfAnEndedOrForeignClientIsNotUsed) {
  const std::string copy = m_Scratch.File("client/plexaclient.so");
  std::filesystem::create_directories(m_Scratch.File("client"));
  std::filesystem::copy_file(BinDir() + "/plexaclient.so", copy);
  const std::string byName = std::filesystem::canonical(BinDir() + "/plexaclient.so");

  // The recorded client has ended: the module beside us is loaded instead.
  ASSERT_TRUE(ClientAPI_WriteActiveProcess(copy.c_str(), DeadPid()));
  ASSERT_TRUE(ClientAPI_Init());
  EXPECT_EQ(std::filesystem::canonical(BoundModulePath()), byName);
  ClientAPI_Shutdown();

  // A record others could have written (the fallback folder is in the shared /tmp) is ignored.
  ASSERT_TRUE(ClientAPI_WriteActiveProcess(copy.c_str(), getpid()));
  chmod(ClientAPI_ActiveProcessPath().c_str(), 0666);
  ASSERT_TRUE(ClientAPI_Init());
  EXPECT_EQ(std::filesystem::canonical(BoundModulePath()), byName);
}

TEST_F(ClientBinding, ActiveProcessPathFollowsTheEnvironment) {
  const std::string saved = getenv("PLEXA_ACTIVE_PROCESS") ? getenv("PLEXA_ACTIVE_PROCESS") : "";
  const char *savedRuntime = getenv("XDG_RUNTIME_DIR");
  const std::string runtime = savedRuntime ? savedRuntime : "";
  unsetenv("PLEXA_ACTIVE_PROCESS");
  setenv("XDG_RUNTIME_DIR", "/run/user/4242", 1);
  EXPECT_EQ(ClientAPI_ActiveProcessPath(), "/run/user/4242/plexa/ActiveProcess.vdf");
  unsetenv("XDG_RUNTIME_DIR");
  EXPECT_EQ(ClientAPI_ActiveProcessPath(), "/tmp/plexa-" + std::to_string(getuid()) + "/ActiveProcess.vdf");
  if (savedRuntime) setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  setenv("PLEXA_ACTIVE_PROCESS", saved.c_str(), 1);
  EXPECT_EQ(ClientAPI_ActiveProcessPath(), saved);
}

TEST_F(ClientBinding, InterfacesAreObtainedInTableOrder) {
  BindFake(true);
  std::string expected = "OpenPipe Attach(5) ";
  for (int number = 1; number <= 33; ++number)
    expected += number == 21 ? "21(user 0) " : std::to_string(number) + " ";
  EXPECT_EQ(TakeFakeLog(ClientModule()), expected);
  EXPECT_TRUE(AllSixBound());
  // The fake exports no notification queue: the pump takes nothing but the frame work still runs.
  EXPECT_FALSE(CCallbackMgr::Get().HasExports());
  ClientAPI_RunCallbacks();
  EXPECT_EQ(TakeFakeLog(ClientModule()), "EngineFrame ControllerFrame ");
}

TEST_F(ClientBinding, NullInterfaceIsReportedAndWhatCameBeforeStaysBound) {
  struct Case {
    int refused;
    const char *report;
    bool userBound;
    bool serversBound;
  };
  const Case cases[] = {
      {1, "ClientAPI_Init(GlobalInstance): GetIClientUser returned NULL.", false, false},
      {7, "ClientAPI_Init(GlobalInstance): GetIClientMatchmakingServers returned NULL.", true, false},
      {21, "Assertion Failed: g_pClientController", true, true},
      {33, "ClientAPI_Init(GlobalInstance): GetIClientShader returned NULL.", true, true},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.refused);
    setenv("PLEXA_FAKE_NULL_GETTER", std::to_string(c.refused).c_str(), 1);
    SpewCapture spew;
    BindFake(false);
    ASSERT_EQ(spew.Asserts().size(), 1u);
    EXPECT_EQ(spew.Asserts()[0], c.report);
    EXPECT_EQ(ClientUser() != nullptr, c.userBound);
    EXPECT_EQ(ClientMatchmakingServers() != nullptr, c.serversBound);
    // The engine is held: a second call reports success and asks the engine nothing.
    TakeFakeLog(ClientModule());
    EXPECT_TRUE(ClientAPI_Init());
    EXPECT_EQ(TakeFakeLog(ClientModule()), "");
    ClientAPI_Shutdown();
  }
}

TEST_F(ClientBinding, ShutdownReleasesInOrderAndClearsTheCallbackExports) {
  BindFake(true);
  CSysModule *keepLoaded = LoadModule(FakeModulePath().c_str());
  TakeFakeLog(keepLoaded);
  ClientAPI_Shutdown();
  EXPECT_EQ(TakeFakeLog(keepLoaded), "Detach(5,9) ClosePipe(5) Release(1) EngineShutdown ");
  EXPECT_EQ(ClientEngine(), nullptr);
  EXPECT_EQ(ClientModule(), nullptr);
  EXPECT_FALSE(AllSixBound() || ClientUser() || ClientMatchmakingServers());
  UnloadModule(keepLoaded);

  // With the stand-in, the bound exports point into the module: shutdown forgets them.
  unlink(ClientAPI_ActiveProcessPath().c_str());
  ASSERT_TRUE(ClientAPI_Init());
  EXPECT_TRUE(CCallbackMgr::Get().HasExports());
  ClientAPI_Shutdown();
  EXPECT_FALSE(CCallbackMgr::Get().HasExports());
  ClientAPI_RunCallbacks();  // harmless without a module
}

TEST_F(ClientBinding, RootInterfaceMissingKeepsTheModuleForTheNextTry) {
  ASSERT_TRUE(ClientAPI_WriteActiveProcess(FakeModulePath().c_str(), getpid()));
  setenv("PLEXA_FAKE_NO_ENGINE", "1", 1);
  CSysModule *module = nullptr;
  IClientEngine *engine = nullptr;
  EXPECT_EQ(InternalAPI_Init_Internal(&module, &engine, true), k_EClientAPIInitNoEngine);
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(engine, nullptr);

  unsetenv("PLEXA_FAKE_NO_ENGINE");
  CSysModule *held = module;
  EXPECT_EQ(InternalAPI_Init_Internal(&module, &engine, true), k_EClientAPIInitOK);
  EXPECT_EQ(module, held);
  EXPECT_NE(engine, nullptr);
  EXPECT_EQ(LoadCount(module), 1);
  UnloadModule(module);

  EXPECT_EQ(InternalAPI_Init_Internal(nullptr, &engine, true), k_EClientAPIInitBadArguments);
  EXPECT_EQ(InternalAPI_Init_Internal(&module, nullptr, true), k_EClientAPIInitBadArguments);

  // Through ClientAPI_Init the failure is reported with its one message.
  setenv("PLEXA_FAKE_NO_ENGINE", "1", 1);
  SpewCapture spew;
  EXPECT_FALSE(ClientAPI_Init());
  ASSERT_EQ(spew.Asserts().size(), 1u);
  EXPECT_EQ(spew.Asserts()[0], "ClientAPI_Init: InternalAPI_Init_Internal failed.\n");
  EXPECT_EQ(ClientUser(), nullptr);
}

TEST_F(ClientBinding, ValidationReportsTheController) {
  BindFake(true);
  TakeFakeLog(ClientModule());
  CValidator validator;
  ClientAPI_Validate(validator);
  EXPECT_EQ(TakeFakeLog(ClientModule()), "Validate(g_pClientController) ");
}

}  // namespace
