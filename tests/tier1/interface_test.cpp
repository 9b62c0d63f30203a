// The interface registry, the module loader with its load counts, the module audit walk, and the
// entry points of serverbrowser.so.
#include "tier1/interface.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "serverbrowser/IGameLauncher.h"
#include "serverbrowser/IKGuiModule.h"
#include "serverbrowser/IServerBrowser.h"
#include "support/spew_capture.h"
#include "support/temp_dir.h"
#include "tests/tier1/modules/sbtest_module.h"
#include "tier0/validator.h"

namespace {

// ---- A registry of this test program ----

class IFaceLeft {
 public:
  virtual int Left() = 0;

 protected:
  ~IFaceLeft() = default;
};

class IFaceRight {
 public:
  virtual int Right() = 0;

 protected:
  ~IFaceRight() = default;
};

class CTwoFaced final : public IFaceLeft, public IFaceRight {
 public:
  int Left() override { return 1; }
  int Right() override { return 2; }
};

CTwoFaced g_TwoFaced;

}  // namespace

EXPOSE_SINGLE_INTERFACE_GLOBALVAR(CTwoFaced, IFaceLeft, "SbTestLeft001", g_TwoFaced);
EXPOSE_SINGLE_INTERFACE_GLOBALVAR(CTwoFaced, IFaceRight, "SbTestRight001", g_TwoFaced);

namespace {

std::string BinDirectory() {
  return std::filesystem::read_symlink("/proc/self/exe").parent_path().string();
}

std::string AlphaPath() {
  return BinDirectory() + "/sbtest_alpha.so";
}

bool IsResident(const std::string &path) {
  void *handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (handle) dlclose(handle);
  return handle != nullptr;
}

const char *ModuleName(CSysModule *module, const char *version) {
  CreateInterfaceFn factory = Sys_GetFactory(module);
  auto *face = factory ? static_cast<ISbTestModule *>(factory(version, nullptr)) : nullptr;
  return face ? face->Name() : "(none)";
}

int LoadCount(CSysModule *module) {
  for (const ModuleCount_t &loaded : g_VecLoadedModules)
    if (loaded.m_hModule == module) return loaded.m_cRef;
  return 0;
}

// Every loader test starts and ends with nothing loaded through LoadModule.
class ModuleLoader : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(g_VecLoadedModules.empty()); }
  void TearDown() override {
    EXPECT_TRUE(g_VecLoadedModules.empty());
    EXPECT_FALSE(IsResident(AlphaPath())) << "a test left sbtest_alpha.so loaded";
  }
};

}  // namespace

TEST(InterfaceRegistry, HandsOutTwoFacesOfOneObjectEveryTime) {
  int returnCode = -1;
  auto *left = static_cast<IFaceLeft *>(CreateInterface("SbTestLeft001", &returnCode));
  EXPECT_EQ(returnCode, IFACE_OK);
  returnCode = -1;
  auto *right = static_cast<IFaceRight *>(CreateInterface("SbTestRight001", &returnCode));
  EXPECT_EQ(returnCode, IFACE_OK);
  ASSERT_NE(left, nullptr);
  ASSERT_NE(right, nullptr);
  EXPECT_NE(static_cast<void *>(left), static_cast<void *>(right));
  EXPECT_EQ(dynamic_cast<void *>(left), dynamic_cast<void *>(right));
  EXPECT_EQ(left->Left() + right->Right(), 3);

  EXPECT_EQ(CreateInterface("SbTestLeft001", nullptr), left);
  EXPECT_EQ(CreateInterface("SbTestRight001", nullptr), right);
}

TEST(InterfaceRegistry, OnlyTheExactNameIsFound) {
  const char *misses[] = {"sbtestleft001",   "SBTESTLEFT001",  "SbTestLeft00",   "SbTestLeft",
                          "SbTestLeft0011",  " SbTestLeft001", "SbTestLeft001 ", "",
                          "ServerBrowser003"};
  for (const char *name : misses) {
    int returnCode = -1;
    EXPECT_EQ(CreateInterface(name, &returnCode), nullptr) << '"' << name << '"';
    EXPECT_EQ(returnCode, IFACE_FAILED) << '"' << name << '"';
    EXPECT_EQ(CreateInterface(name, nullptr), nullptr);
  }
  int returnCode = -1;
  EXPECT_EQ(CreateInterface(nullptr, &returnCode), nullptr);
  EXPECT_EQ(returnCode, IFACE_FAILED);
}

TEST(InterfaceRegistry, WalkMeetsTheLatestRegistrationFirst) {
  std::vector<std::string> names;
  for (const InterfaceRegistration *reg = InterfaceRegistration::s_pInterfaceRegs; reg; reg = reg->m_pNext)
    names.emplace_back(reg->m_pName);
  const auto right = std::find(names.begin(), names.end(), "SbTestRight001");
  const auto left = std::find(names.begin(), names.end(), "SbTestLeft001");
  ASSERT_NE(right, names.end());
  ASSERT_NE(left, names.end());
  EXPECT_EQ(left - right, 1);
}

TEST_F(ModuleLoader, LoadingTwiceCountsAndTwoUnloadsRelease) {
  CSysModule *first = LoadModule("sbtest_alpha");
  ASSERT_NE(first, nullptr);
  CSysModule *second = LoadModule("sbtest_alpha.so");
  EXPECT_EQ(second, first);
  ASSERT_EQ(g_VecLoadedModules.size(), 1u);
  EXPECT_EQ(g_VecLoadedModules[0].m_cRef, 2);

  UnloadModule(first);
  ASSERT_EQ(g_VecLoadedModules.size(), 1u);
  EXPECT_EQ(g_VecLoadedModules[0].m_cRef, 1);
  EXPECT_TRUE(IsResident(AlphaPath()));

  UnloadModule(second);
  EXPECT_TRUE(g_VecLoadedModules.empty());
  EXPECT_EQ(g_VecLoadedModules.capacity(), 0u) << "an empty registry gives its storage back";
  EXPECT_FALSE(IsResident(AlphaPath()));
}

TEST_F(ModuleLoader, EntriesKeepTheOrderOfFirstLoad) {
  CSysModule *alpha = LoadModule("sbtest_alpha");
  CSysModule *nested = LoadModule("testmodules/sbtest_nested");
  ASSERT_NE(alpha, nullptr);
  ASSERT_NE(nested, nullptr);
  LoadModule("sbtest_alpha");
  ASSERT_EQ(g_VecLoadedModules.size(), 2u);
  EXPECT_EQ(g_VecLoadedModules[0].m_hModule, alpha);
  EXPECT_EQ(g_VecLoadedModules[1].m_hModule, nested);

  UnloadModule(alpha);  // count 2 -> 1: both stay
  UnloadModule(alpha);  // removed; the gap closes
  ASSERT_EQ(g_VecLoadedModules.size(), 1u);
  EXPECT_EQ(g_VecLoadedModules[0].m_hModule, nested);
  UnloadModule(nested);
}

TEST_F(ModuleLoader, NamesResolveNextToTheLoadingBinary) {
  struct Case {
    std::string name;
    const char *version;
    const char *expected;
  };
  const Case cases[] = {
      {"sbtest_alpha", "SbTestAlpha001", "sbtest_alpha"},     // second attempt adds ".so"
      {"sbtest_alpha.so", "SbTestAlpha001", "sbtest_alpha"},  // first attempt
      {"./sbtest_alpha", "SbTestAlpha001", "sbtest_alpha"},
      {"testmodules/sbtest_nested", "SbTestNested001", "sbtest_nested"},
      {"testmodules\\sbtest_nested.so", "SbTestNested001", "sbtest_nested"},
      {AlphaPath(), "SbTestAlpha001", "sbtest_alpha"},             // absolute
      {"nowhere/sbtest_alpha", "SbTestAlpha001", "sbtest_alpha"},  // third attempt: bare name, run path
  };
  for (const Case &c : cases) {
    CSysModule *module = LoadModule(c.name.c_str());
    ASSERT_NE(module, nullptr) << c.name;
    EXPECT_STREQ(ModuleName(module, c.version), c.expected) << c.name;
    UnloadModule(module);
  }
}

TEST_F(ModuleLoader, MissingModulesAndEmptyNamesFail) {
  for (const char *name : {"sbtest_missing", "testmodules/sbtest_alpha.so.9", "/nonexistent/x.so", "", "/"}) {
    EXPECT_EQ(LoadModule(name), nullptr) << name;
  }
  EXPECT_EQ(LoadModule(nullptr), nullptr);
}

TEST_F(ModuleLoader, WorkingDirectoryIsNeverSearched) {
  TempDir planted;
  std::filesystem::copy_file(AlphaPath(), planted.File("sbtest_planted.so"));
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(planted.Path());
  EXPECT_EQ(LoadModule("sbtest_planted"), nullptr);
  EXPECT_EQ(LoadModule("sbtest_planted.so"), nullptr);
  EXPECT_EQ(LoadModule("./sbtest_planted.so"), nullptr);
  // A module that is next to the binary loads from anywhere.
  CSysModule *alpha = LoadModule("sbtest_alpha");
  std::filesystem::current_path(previous);
  EXPECT_NE(alpha, nullptr);
  UnloadModule(alpha);
  EXPECT_TRUE(g_VecLoadedModules.empty());
}

TEST_F(ModuleLoader, PathsThatDoNotFitFailInsteadOfLoadingACutName) {
  // Slashes pad an absolute path to the module without changing the file it names.
  const std::string dir = BinDirectory();
  const std::string fileName = "sbtest_alpha.so";
  const auto padded = [&](size_t length) {
    return dir + std::string(length - dir.size() - fileName.size(), '/') + fileName;
  };
  const std::string longest = padded(kModulePathSize - 1);
  CSysModule *fits = LoadModule(longest.c_str());
  EXPECT_NE(fits, nullptr) << "a path of exactly the buffer's size loads";
  UnloadModule(fits);

  SpewCapture capture;
  // One more byte: cut to the buffer it would name the module, so it must not load at all.
  EXPECT_EQ(LoadModule((longest + "X").c_str()), nullptr);
  EXPECT_EQ(capture.Asserts().size(), 1u);
  // The same through a relative name, and through the ".so" the second attempt appends.
  const std::string relative = std::string(kModulePathSize, '/') + "sbtest_alpha.so";
  EXPECT_EQ(LoadModule(("." + relative).c_str()), nullptr);
  const std::string noExtension = padded(kModulePathSize);
  EXPECT_EQ(LoadModule(noExtension.substr(0, noExtension.size() - 3).c_str()), nullptr);
  EXPECT_EQ(capture.Asserts().size(), 3u);
  EXPECT_TRUE(capture.Contains("does not fit"));
  EXPECT_TRUE(g_VecLoadedModules.empty());
}

TEST_F(ModuleLoader, HandlesItDidNotHandOutAreNotClosed) {
  void *foreign = dlopen(AlphaPath().c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(foreign, nullptr);
  UnloadModule(static_cast<CSysModule *>(foreign));
  UnloadModule(nullptr);
  EXPECT_TRUE(IsResident(AlphaPath()));
  dlclose(foreign);
}

TEST_F(ModuleLoader, NoLoadOnlyFindsModulesAlreadyPresent) {
  EXPECT_EQ(LoadModule("sbtest_alpha", SYS_MODULE_NOLOAD), nullptr);
  EXPECT_FALSE(IsResident(AlphaPath()));

  CSysModule *loaded = LoadModule("sbtest_alpha");
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(LoadModule("sbtest_alpha", SYS_MODULE_NOLOAD), loaded);
  EXPECT_EQ(LoadModule(AlphaPath().c_str(), SYS_MODULE_NOLOAD | SYS_MODULE_ALTERED_SEARCH_PATH), loaded);
  EXPECT_EQ(LoadCount(loaded), 1) << "a look-up is not a load";

  UnloadModule(loaded);
  EXPECT_FALSE(IsResident(AlphaPath())) << "the look-ups must not have kept the module";
}

TEST_F(ModuleLoader, RegistriesOfBinariesStaySeparate) {
  CSysModule *alpha = LoadModule("sbtest_alpha");
  CSysModule *nested = LoadModule("testmodules/sbtest_nested");
  CreateInterfaceFn alphaFactory = Sys_GetFactory(alpha);
  ASSERT_NE(alphaFactory, nullptr);
  EXPECT_EQ(alphaFactory("SbTestLeft001", nullptr), nullptr);
  EXPECT_EQ(alphaFactory("SbTestNested001", nullptr), nullptr);
  EXPECT_EQ(CreateInterface("SbTestAlpha001", nullptr), nullptr);
  EXPECT_NE(alphaFactory(VALIDATE_INTERFACE_VERSION, nullptr),
            Sys_GetFactory(nested)(VALIDATE_INTERFACE_VERSION, nullptr));
  EXPECT_EQ(Sys_GetFactory(nullptr), nullptr);
  UnloadModule(nested);
  UnloadModule(alpha);
}

TEST_F(ModuleLoader, ValidationReportsTheRegistryAndAsksEachModule) {
  {
    CValidator validator;
    ValidateLoadedModules(validator, true);
    EXPECT_EQ(validator.Scopes(), (std::vector<std::string>{"g_VecLoadedModules", "  m_Memory"}));
  }
  CSysModule *nested = LoadModule("testmodules/sbtest_nested");
  CSysModule *alpha = LoadModule("sbtest_alpha");
  {
    CValidator validator;
    ValidateLoadedModules(validator, false);
    EXPECT_EQ(validator.Scopes().size(), 2u) << "without validate-all no module is asked";
  }
  {
    CValidator validator;
    ValidateLoadedModules(validator, true);
    EXPECT_EQ(validator.Scopes(), (std::vector<std::string>{"g_VecLoadedModules", "  m_Memory",
                                                            "sbtest_nested", "sbtest_alpha"}));
    EXPECT_EQ(validator.Depth(), 0);
  }
  // A broken count is reported with the registry's own words; a null handle is skipped.
  g_VecLoadedModules.push_back(ModuleCount_t{nullptr, 0});
  {
    SpewCapture capture;
    CValidator validator;
    ValidateLoadedModules(validator, true);
    ASSERT_EQ(capture.Asserts().size(), 1u);
    EXPECT_EQ(capture.Asserts()[0], "Assertion Failed: g_VecLoadedModules[ iLoadedModules ].m_cRef > 0");
  }
  g_VecLoadedModules.pop_back();
  UnloadModule(alpha);
  UnloadModule(nested);
}

// ---- serverbrowser.so ----

namespace {

class CFakeLauncher final : public IGameLauncher {
 public:
  bool IsGameRunning(uint32, const char *) override { return false; }
  int LaunchGame(uint32, const char *, const char *) override { return k_ELaunchGameStarted; }
};

CFakeLauncher g_FakeLauncher;
int g_nLauncherFactoryCalls = 0;

void *NoLauncherFactory(const char *, int *) {
  ++g_nLauncherFactoryCalls;
  return nullptr;
}

void *LauncherFactory(const char *name, int *) {
  ++g_nLauncherFactoryCalls;
  return std::string(name) == GAMELAUNCHER_INTERFACE_VERSION ? &g_FakeLauncher : nullptr;
}

class ServerBrowserModule : public testing::Test {
 protected:
  void SetUp() override {
    m_pModule = LoadModule("serverbrowser");
    ASSERT_NE(m_pModule, nullptr) << dlerror();
    m_Factory = Sys_GetFactory(m_pModule);
    ASSERT_NE(m_Factory, nullptr);
  }
  void TearDown() override { UnloadModule(m_pModule); }

  bool JoiningSecureServer() {
    auto call = reinterpret_cast<bool (*)()>(dlsym(m_pModule, "JoiningSecureServerCall"));
    return call && call();
  }

  CSysModule *m_pModule = nullptr;
  CreateInterfaceFn m_Factory = nullptr;
};

}  // namespace

TEST_F(ServerBrowserModule, ExportsOnlyItsEntryPoints) {
  EXPECT_NE(dlsym(m_pModule, "CreateInterface"), nullptr);
  EXPECT_NE(dlsym(m_pModule, "JoiningSecureServerCall"), nullptr);
  for (const char *hidden :
       {"LoadModule", "g_VecLoadedModules", "_Z10LoadModulePKci", "g_ServerBrowserSingleton"}) {
    EXPECT_EQ(dlsym(m_pModule, hidden), nullptr) << hidden;
  }
}

TEST_F(ServerBrowserModule, HandsOutTwoFacesOfTheModuleObject) {
  EXPECT_TRUE(JoiningSecureServer());
  int returnCode = -1;
  auto *browser = static_cast<IServerBrowser *>(m_Factory(SERVERBROWSER_INTERFACE_VERSION, &returnCode));
  EXPECT_EQ(returnCode, IFACE_OK);
  auto *module = static_cast<IKGuiModule *>(m_Factory(KGUIMODULE_INTERFACE_VERSION, &returnCode));
  EXPECT_EQ(returnCode, IFACE_OK);
  ASSERT_NE(browser, nullptr);
  ASSERT_NE(module, nullptr);
  EXPECT_NE(static_cast<void *>(browser), static_cast<void *>(module));
  EXPECT_EQ(dynamic_cast<void *>(browser), dynamic_cast<void *>(module));
  EXPECT_EQ(m_Factory(SERVERBROWSER_INTERFACE_VERSION, nullptr), browser);
  EXPECT_EQ(m_Factory(KGUIMODULE_INTERFACE_VERSION, nullptr), module);
  EXPECT_NE(m_Factory(VALIDATE_INTERFACE_VERSION, nullptr), nullptr);

  for (const char *miss : {"serverbrowser003", "ServerBrowser00", "KGuiModuleServerBrowser", "IVALIDATE00"}) {
    returnCode = -1;
    EXPECT_EQ(m_Factory(miss, &returnCode), nullptr) << miss;
    EXPECT_EQ(returnCode, IFACE_FAILED) << miss;
  }
  EXPECT_EQ(m_Factory("SbTestLeft001", nullptr), nullptr) << "the module answers from its own registry";
  EXPECT_TRUE(JoiningSecureServer());
}

TEST_F(ServerBrowserModule, ShellAnswersWithTheDocumentedConstants) {
  auto *browser = static_cast<IServerBrowser *>(m_Factory(SERVERBROWSER_INTERFACE_VERSION, nullptr));
  auto *module = static_cast<IKGuiModule *>(m_Factory(KGUIMODULE_INTERFACE_VERSION, nullptr));
  ASSERT_TRUE(browser && module);
  EXPECT_TRUE(browser->ActivateBrowser());
  EXPECT_FALSE(browser->JoinFriendGame(0x0110000100000001ull));
  EXPECT_FALSE(browser->OpenFriendGameInfo(0x0110000100000001ull));
  EXPECT_TRUE(browser->JoinServer(0x7F000001, 27015, "secret"));
  EXPECT_TRUE(module->ActivateModule());
  EXPECT_EQ(module->GetRootPanel(), 0u);
  EXPECT_FALSE(module->IsModuleReady());
}

TEST_F(ServerBrowserModule, PostInitFindsTheLauncherThroughTheFactoriesInOrder) {
  auto *module = static_cast<IKGuiModule *>(m_Factory(KGUIMODULE_INTERFACE_VERSION, nullptr));
  ASSERT_NE(module, nullptr);
  EXPECT_FALSE(module->InitModule(nullptr)) << "no provider, no toolkit";
  EXPECT_FALSE(module->IsModuleReady());

  InterfaceFactoryFn none[] = {NoLauncherFactory, nullptr};
  g_nLauncherFactoryCalls = 0;
  EXPECT_FALSE(module->PostInitModule(none, 2));
  EXPECT_EQ(g_nLauncherFactoryCalls, 1);
  EXPECT_FALSE(module->PostInitModule(nullptr, 3));

  InterfaceFactoryFn factories[] = {NoLauncherFactory, LauncherFactory, NoLauncherFactory};
  g_nLauncherFactoryCalls = 0;
  EXPECT_TRUE(module->PostInitModule(factories, 3));
  EXPECT_EQ(g_nLauncherFactoryCalls, 2) << "the search stops at the first factory that answers";
  EXPECT_TRUE(module->IsModuleReady());

  EXPECT_FALSE(module->InitModule(nullptr)) << "a new start forgets the launcher";
  EXPECT_FALSE(module->IsModuleReady());
}

TEST_F(ServerBrowserModule, AuditWalksTheModule) {
  auto *validate = static_cast<IValidate *>(m_Factory(VALIDATE_INTERFACE_VERSION, nullptr));
  ASSERT_NE(validate, nullptr);
  CValidator validator;
  validate->Validate(validator);
  const std::vector<std::string> expected = {
      "serverbrowser.so", "  g_ServerBrowserSingleton", "    m_mapAppIDToQorvBan",
      "      m_Tree",     "        m_Elements",         "  g_VecLoadedModules",
      "    m_Memory",
  };
  EXPECT_EQ(validator.Scopes(), expected);
  EXPECT_EQ(validator.Depth(), 0);
}
