// The module object driven the way the host drives it: start against the host's provider, one
// hidden window, showing, host messages to the root panel, the per-frame work, the ban cache and
// a shutdown that saves the window while the services still exist.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "kgui_controls/AnimationController.h"
#include "kgui_controls/PropertySheet.h"
#include "kgui_controls/controls.h"
#include "plexa/ccallback.h"
#include "serverbrowser/IGameLauncher.h"
#include "serverbrowser/LanGames.h"
#include "serverbrowser/ServerBrowserDialog.h"
#include "serverbrowser/serverbrowser.h"
#include "support/browser_fixture.h"
#include "tier0/validator.h"
#include "tier1/KeyValues.h"

namespace {

class FakeLauncher final : public IGameLauncher {
 public:
  bool IsGameRunning(uint32, const char *) override { return false; }
  int LaunchGame(uint32, const char *, const char *) override { return k_ELaunchGameStarted; }
};

FakeLauncher g_Launcher;

void *LauncherFactory(const char *name, int *) {
  return strcmp(name, GAMELAUNCHER_INTERFACE_VERSION) == 0 ? &g_Launcher : nullptr;
}
void *EmptyFactory(const char *, int *) {
  return nullptr;
}

// The host's provider: the fake runtime's interfaces, a localisation face that writes down the
// token files it is asked to add, and optionally the game launcher.
class HostProvider final : public InterfaceProvider, public kgui::IHostLocalize {
 public:
  HostProvider(kguitest::FakeRuntime &runtime, IGameLauncher *launcher)
      : m_Runtime(runtime), m_pLauncher(launcher) {}

  int GetFactoryCount() const override { return 0; }
  InterfaceFactoryFn GetFactory(int) const override { return nullptr; }
  void AddFactory(InterfaceFactoryFn) override {}
  bool HasInterface(const char *versionName) override { return QueryInterface(versionName) != nullptr; }
  void *QueryInterface(const char *versionName) override {
    if (!strcmp(versionName, KGUI_LOCALIZE_INTERFACE_VERSION))
      return static_cast<kgui::IHostLocalize *>(this);
    if (!strcmp(versionName, GAMELAUNCHER_INTERFACE_VERSION)) return m_pLauncher;
    return m_Runtime.QueryInterface(versionName);
  }

  bool AddFile(IFileSystem *fileSystem, const char *fileName, const char *) override {
    files.push_back(fileName);
    return fileSystem && !failing.count(fileName);
  }
  const char16_t *Find(const char *tokenName) override { return m_Runtime.Find(tokenName); }
  void AddString(const char *tokenName, const char16_t *text) override {
    m_Runtime.AddString(tokenName, text);
  }
  const char *GetLanguage() override { return m_Runtime.GetLanguage(); }
  int ConstructStringArgs(char16_t *output, int size, const char16_t *format, int numArgs,
                          const char16_t *const *args) override {
    return m_Runtime.ConstructStringArgs(output, size, format, numArgs, args);
  }
  int ConstructStringVariables(char16_t *output, int size, const char16_t *format,
                               KeyValues *variables) override {
    return m_Runtime.ConstructStringVariables(output, size, format, variables);
  }

  std::vector<std::string> files;
  std::set<std::string> failing;

 private:
  kguitest::FakeRuntime &m_Runtime;
  IGameLauncher *m_pLauncher;
};

// A game-info dialog that tells when it is deleted.
class TrackedDialog : public kgui::Frame {
  DECLARE_CLASS_SIMPLE(TrackedDialog, kgui::Frame);

 public:
  explicit TrackedDialog(bool &destroyed) : Frame(nullptr, "DialogGameInfo"), m_bDestroyed(destroyed) {}
  ~TrackedDialog() override { m_bDestroyed = true; }

 private:
  bool &m_bDestroyed;
};

DEFINE_EMPTY_MESSAGE_MAP(TrackedDialog, kgui::Frame)

// What the module's services binding saw. The fixture binds the fake services itself; releasing
// them records the state of the module at that moment.
struct BindingLog {
  int binds = 0;
  int releases = 0;
  bool windowGoneAtRelease = false;
  bool toolkitStoppedAtRelease = false;
  std::string settingsAtRelease;
  bool dialogGoneAtRelease = false;
};

BindingLog g_Binding;
sbtest::FakeServices *g_pServices = nullptr;
std::string g_SettingsPath;
const bool *g_pDialogDestroyed = nullptr;

bool RecordBind() {
  ++g_Binding.binds;
  return true;
}

void RecordRelease() {
  ++g_Binding.releases;
  g_Binding.windowGoneAtRelease = ServerBrowserDialog() == nullptr;
  g_Binding.toolkitStoppedAtRelease = !kgui::KGui_IsStarted();
  g_Binding.settingsAtRelease = ReadWholeFile(g_SettingsPath);
  g_Binding.dialogGoneAtRelease = g_pDialogDestroyed && *g_pDialogDestroyed;
  g_pServices->Unbind();
}

class ModuleObjectTest : public BrowserTest {
 protected:
  ModuleObjectTest() : m_Provider(Runtime(), nullptr) {
    g_Binding = BindingLog();
    g_pServices = &m_Services;
    g_SettingsPath = m_Services.m_ConfigFolder + "/serverbrowser_ui.vdf";
    g_pDialogDestroyed = nullptr;
    m_Module.SetServicesBindingForTest(RecordBind, RecordRelease);
  }
  ~ModuleObjectTest() override {
    // Every test leaves the module stopped, as the host does before unloading it.
    m_Module.ShutdownModule();
    m_Module.SetServicesBindingForTest(nullptr, nullptr);
    g_pDialogDestroyed = nullptr;
  }

  // InitModule and PostInitModule with the launcher offered by the second factory.
  void Start() {
    ASSERT_TRUE(m_Module.InitModule(&m_Provider));
    InterfaceFactoryFn factories[] = {EmptyFactory, LauncherFactory};
    ASSERT_TRUE(m_Module.PostInitModule(factories, 2));
  }
  CServerBrowserDialog *Window() { return ServerBrowserDialog(); }

  CServerBrowser &m_Module = g_ServerBrowserSingleton;
  IServerBrowser &m_Browser = g_ServerBrowserSingleton;
  HostProvider m_Provider;
  bool m_bDialogDestroyed = false;
};

TEST_F(ModuleObjectTest, InitBindsStartsTheToolkitAndAddsBothTokenFiles) {
  HostProvider provider(Runtime(), &g_Launcher);
  EXPECT_TRUE(m_Module.InitModule(&provider));
  EXPECT_EQ(g_Binding.binds, 1);
  EXPECT_TRUE(kgui::KGui_IsStarted());
  EXPECT_STREQ(kgui::GetControlsModuleName(), "ServerBrowser");
  EXPECT_EQ(provider.files, (std::vector<std::string>{"resource/kgui_%language%.txt",
                                                      "servers/serverbrowser_%language%.txt"}));
  EXPECT_TRUE(m_Module.IsModuleReady()) << "the launcher came from the provider";

  provider.failing.insert("servers/serverbrowser_%language%.txt");
  EXPECT_FALSE(m_Module.InitModule(&provider)) << "the browser's own texts are required";
  provider.failing = {"resource/kgui_%language%.txt"};
  EXPECT_TRUE(m_Module.InitModule(&provider)) << "the toolkit's texts are not";

  Runtime().m_MissingInterfaces.insert(KGUI_SURFACE_INTERFACE_VERSION);
  provider.files.clear();
  EXPECT_FALSE(m_Module.InitModule(&provider));
  EXPECT_TRUE(provider.files.empty()) << "no toolkit, no token files";
}

TEST_F(ModuleObjectTest, InitWithoutProviderFailsAndForgetsTheLauncher) {
  Start();
  EXPECT_TRUE(m_Module.IsModuleReady());
  const int binds = g_Binding.binds;
  EXPECT_FALSE(m_Module.InitModule(nullptr));
  EXPECT_FALSE(m_Module.IsModuleReady());
  EXPECT_EQ(g_Binding.binds, binds) << "nothing is bound for a host that gave nothing";
}

TEST_F(ModuleObjectTest, WindowIsMadeOnceHiddenAndShownOnActivation) {
  ASSERT_TRUE(m_Module.InitModule(&m_Provider));
  EXPECT_EQ(m_Module.GetRootPanel(), 0u) << "no window before PostInitModule";
  EXPECT_FALSE(m_Browser.OpenFriendGameInfo(0x0110000100000001ull));
  m_Module.SetParentPanel(Runtime().Desktop());
  EXPECT_TRUE(m_Browser.JoinServer(0xC0A80A14, 27015, "secret"));

  InterfaceFactoryFn none[] = {EmptyFactory};
  EXPECT_FALSE(m_Module.PostInitModule(none, 1)) << "no launcher found";
  EXPECT_FALSE(m_Module.IsModuleReady());
  const uint32 root = m_Module.GetRootPanel();
  ASSERT_NE(root, 0u) << "the window exists without a launcher";
  ASSERT_NE(Window(), nullptr);
  EXPECT_EQ(Window()->GetVPanel(), root);
  EXPECT_FALSE(Window()->IsVisible());
  EXPECT_EQ(Window()->GetTitle(), "Servers");

  m_Browser.CreateMainWindow();
  InterfaceFactoryFn factories[] = {LauncherFactory};
  EXPECT_TRUE(m_Module.PostInitModule(factories, 1));
  EXPECT_EQ(m_Module.GetRootPanel(), root) << "still the one window";
  EXPECT_FALSE(Window()->IsVisible());

  m_Module.SetParentPanel(Runtime().Desktop());
  EXPECT_EQ(Window()->GetVParent(), Runtime().Desktop());

  EXPECT_TRUE(m_Module.ActivateModule());
  RunFrames(0.5);
  EXPECT_TRUE(Window()->IsVisible());
  kgui::Panel *page = Window()->GetTabSheet()->GetActivePage();
  ASSERT_NE(page, nullptr);
  EXPECT_TRUE(kgui::ipanel()->HasParent(Runtime().GetFocus(), page->GetVPanel()))
      << "the focus goes through the tab sheet to its page";

  Window()->Close();
  RunFrames(1.0);
  EXPECT_FALSE(Window()->IsVisible());
  EXPECT_TRUE(m_Browser.ActivateBrowser());
  RunFrames(0.5);
  EXPECT_TRUE(Window()->IsVisible());
  EXPECT_EQ(m_Module.GetRootPanel(), root);
}

TEST_F(ModuleObjectTest, HostMessagesToTheRootPanelReachTheWindow) {
  Start();
  auto *game = new KeyValues("ActiveGameName", "name", "ashfall", "game", "Ashfall Arena");
  game->SetUint64("appid", 640);
  Runtime().PostMessage(m_Module.GetRootPanel(), game, 0, 0.0f);
  auto *connected = new KeyValues("ConnectedToGame", "ip", static_cast<int>(0xC0A80A14u), "queryport", 27016);
  Runtime().PostMessage(m_Module.GetRootPanel(), connected, 0, 0.0f);
  RunFrames();
  EXPECT_STREQ(Window()->GetActiveGameDirectory(), "ashfall");
  EXPECT_STREQ(Window()->GetActiveGameName(), "Ashfall Arena");
  EXPECT_EQ(Window()->GetActiveAppId(), 640u);
  EXPECT_TRUE(Window()->IsConnectedToGame());
  EXPECT_EQ(m_Services.m_Added.size(), 1u);

  Runtime().PostMessage(m_Module.GetRootPanel(), new KeyValues("DisconnectedFromGame"), 0, 0.0f);
  RunFrames();
  EXPECT_FALSE(Window()->IsConnectedToGame());
}

TEST_F(ModuleObjectTest, BanQuestionIsAskedOncePerApplicationPerShowing) {
  Start();
  m_Services.m_BannedApps = {730};
  m_Browser.ShowMainWindow();
  EXPECT_TRUE(m_Module.IsQorvBannedFromApp(730));
  EXPECT_FALSE(m_Module.IsQorvBannedFromApp(500));
  EXPECT_TRUE(m_Module.IsQorvBannedFromApp(730));
  EXPECT_FALSE(m_Module.IsQorvBannedFromApp(500));
  EXPECT_EQ(m_Services.m_nBanQuestions, 2);

  m_Browser.ShowMainWindow();
  EXPECT_TRUE(m_Module.IsQorvBannedFromApp(730));
  EXPECT_EQ(m_Services.m_nBanQuestions, 3) << "a new showing asks again";

  // Without a client user interface nothing is asked and nothing is remembered.
  m_Browser.ShowMainWindow();
  m_Services.Unbind();
  EXPECT_FALSE(m_Module.IsQorvBannedFromApp(730));
  m_Services.Bind();
  EXPECT_TRUE(m_Module.IsQorvBannedFromApp(730));
  EXPECT_EQ(m_Services.m_nBanQuestions, 4);
}

TEST_F(ModuleObjectTest, ShutdownSavesTheWindowThenClosesDialogsThenStops) {
  Start();
  m_Module.ActivateModule();
  RunFrames(0.5);
  g_pDialogDestroyed = &m_bDialogDestroyed;
  Window()->AddGameInfoDialog(new TrackedDialog(m_bDialogDestroyed));
  Window()->GetTabSheet()->SetActivePage(static_cast<kgui::Panel *>(Window()->GetLanGames()));
  RunFrames();

  m_Module.ShutdownModule();
  EXPECT_EQ(g_Binding.releases, 1);
  EXPECT_TRUE(g_Binding.windowGoneAtRelease);
  EXPECT_TRUE(g_Binding.dialogGoneAtRelease);
  EXPECT_TRUE(g_Binding.toolkitStoppedAtRelease) << "the toolkit stops before the services go";
  EXPECT_NE(g_Binding.settingsAtRelease.find("\"lan\""), std::string::npos)
      << "the settings were written to the user's folder while the services were bound:\n"
      << g_Binding.settingsAtRelease;
  EXPECT_EQ(m_Module.GetRootPanel(), 0u);
  EXPECT_EQ(ServerBrowserDialog(), nullptr);

  // The host may still run frames and ask for the root panel: nothing of the window remains.
  m_Module.RunModuleFrame();
  m_Browser.CloseAllGameInfoDialogs();
  m_Browser.ShowMainWindow();
  EXPECT_FALSE(m_Browser.OpenFriendGameInfo(0x0110000100000001ull));
}

// Records the notifications the per-frame pump delivers.
struct PersonaListener {
  PersonaListener() : callback(this, &PersonaListener::OnPersonaChange) {}
  void OnPersonaChange(PersonaStateChange_t *change) { seen.push_back(change->m_ulPlexaID); }
  std::vector<PlexaId_t> seen;
  CCallback<PersonaListener, PersonaStateChange_t> callback;
};

TEST_F(ModuleObjectTest, FrameAdvancesAnimationsAndPumpsTheServicesQueue) {
  Start();
  auto *fader = new kgui::Panel(nullptr, "Fader");
  kgui::GetAnimationController()->RunAnimationCommand(fader, "alpha", 0.0f, 0.0f, 0.5f);
  PersonaListener listener;
  PersonaStateChange_t change{};
  change.m_ulPlexaID = 0x0110000100000007ull;
  m_Services.QueueCallback(change);

  // Only the module's frame runs: no host frame in between.
  Plat_AdvanceClock(1.0);
  m_Module.RunModuleFrame();
  EXPECT_EQ(fader->GetAlpha(), 0);
  EXPECT_EQ(listener.seen, std::vector<PlexaId_t>{change.m_ulPlexaID});
  delete fader;
}

TEST_F(ModuleObjectTest, AuditWalksTheWindowWhenThereIsOne) {
  CValidator empty;
  m_Module.Validate(empty);
  const std::vector<std::string> alone = {"g_ServerBrowserSingleton", "  m_mapAppIDToQorvBan", "    m_Tree",
                                          "      m_Elements"};
  EXPECT_EQ(empty.Scopes(), alone);

  Start();
  CValidator validator;
  m_Module.Validate(validator);
  const std::vector<std::string> &scopes = validator.Scopes();
  EXPECT_NE(std::find(scopes.begin(), scopes.end(), "  CServerBrowserDialog"), scopes.end());
  EXPECT_EQ(validator.Depth(), 0);
}

}  // namespace
