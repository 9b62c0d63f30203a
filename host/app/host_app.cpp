#include "host/app/host_app.h"

#include <SDL.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

#include "common/command_line.h"
#include "common/filesystem_helpers.h"
#include "host/app/game_launcher.h"
#include "host/app/host_config.h"
#include "host/app/host_window.h"
#include "host/app/module_host.h"
#include "host/app/services_idle.h"
#include "host/host_localize.h"
#include "host/kgui_runtime.h"
#include "host/panel_dumper.h"
#include "host/script/script_runner.h"
#include "plexa/client_api.h"
#include "serverbrowser/IKGuiModule.h"
#include "serverbrowser/IServerBrowser.h"
#include "tier0/dbg.h"
#include "tier1/keyvalues_text/control_characters.h"

namespace kguihost {

namespace {

constexpr double kFrameSeconds = 1.0 / 60.0;
// The longest sleep between frames: what nobody announced (a game's report) waits no longer.
constexpr double kLongestIdleSeconds = 1.0;
// While a started game may report, it is read at least this often.
constexpr double kGameReportSeconds = 0.1;
// Sleeps are cut in pieces this long so a stop request is seen soon.
constexpr double kSleepSliceSeconds = 0.1;
// Set to 1 to check every frame that kept pixels against a full repaint (see CKGuiRuntime).
constexpr const char *kCheckRepaintVariable = "KGUI_HOST_CHECK_REPAINT";
// Names a file (as --dump-on-signal does): the host writes its panel dump there once its first
// frame is painted and shown (from then on it listens), and again after each SIGUSR1, so a program
// driving the window from outside can see what it did.
constexpr const char *kDumpOnSignalVariable = "KGUI_HOST_DUMP_ON_SIGNAL";
volatile sig_atomic_t s_StopRequested = 0;
volatile sig_atomic_t s_DumpRequested = 0;

void RequestStop(int) {
  s_StopRequested = 1;
}

void RequestDump(int) {
  s_DumpRequested = 1;
}

std::string ExecutableDir() {
  std::error_code failure;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", failure);
  return failure ? "." : self.parent_path().string();
}

// An unsigned 32-bit value as the script's message step writes a whole number: an integer when it
// fits in one, else a 64-bit one, so no reader sees it negative.
void SetUnsigned(KeyValues *message, const char *key, uint32 value) {
  if (value <= static_cast<uint32>(INT32_MAX)) {
    message->SetInt(key, static_cast<int>(value));
  } else {
    message->SetUint64(key, value);
  }
}

std::string FormatAddress(uint32 ip, uint16 port) {
  return std::to_string(ip >> 24) + "." + std::to_string((ip >> 16) & 0xFF) + "." +
         std::to_string((ip >> 8) & 0xFF) + "." + std::to_string(ip & 0xFF) + ":" + std::to_string(port);
}

bool HasDisplay() {
  const char *x11 = getenv("DISPLAY");
  const char *wayland = getenv("WAYLAND_DISPLAY");
  return (x11 && *x11) || (wayland && *wayland);
}

}  // namespace

CHostApp::CHostApp() = default;

CHostApp::~CHostApp() {
  Stop();
  SDL_Quit();
}

int CHostApp::Run(int argc, const char *const *argv) {
  int status = Start(argc, argv);
  if (status != 0 || m_Options.help || m_Options.version) return status;
  Loop();
  bool scriptFailed = m_pScript && m_pScript->Failed();
  Stop();
  if (scriptFailed) return 2;
  return m_Failed ? 1 : 0;
}

int CHostApp::Start(int argc, const char *const *argv) {
  std::string error;
  if (!ParseHostOptions(argc, argv, m_Options, error)) {
    fprintf(stderr, "kgui-host: %s\n%s", error.c_str(), HostUsage());
    return 1;
  }
  if (m_Options.help) {
    fputs(HostUsage(), stdout);
    return 0;
  }
  if (m_Options.version) {
    PrintVersion(stdout, "kgui-host");
    return 0;
  }
  std::vector<CScriptStep> steps;
  if (!m_Options.scriptFile.empty() && !ReadScript(steps)) return 2;
  m_ExecutableDir = ExecutableDir();
  if (!FindGameDir() || !NamedFilesExist()) return 1;
  HandOverUserDir();
  if (!MakeUserDir()) return 1;
  m_Headless = m_Options.headless || !HasDisplay();
  // Scripted and frame-limited runs without a window step a clock of their own, one frame at a
  // time: they run as fast as they can and repeat exactly.
  m_VirtualClock =
      m_Headless && !m_Options.realtime && (!m_Options.scriptFile.empty() || m_Options.frames >= 0);
  if (m_VirtualClock) Plat_SetClockOverride(true, Plat_FloatTime());
  ListenForDumpRequests();
  if (!PrepareRuntime() || !StartModule()) return 1;
  if (!steps.empty()) {
    m_pScript = std::make_unique<CScriptRunner>(*m_pRuntime, std::move(steps), [this]() {
      return m_pModule->Module() ? m_pModule->Module()->GetRootPanel() : 0u;
    });
    m_pScript->SetBrowser(m_pModule->Browser());
    m_pRuntime->AddFrameClient(m_pScript.get());
  }
  signal(SIGINT, RequestStop);
  signal(SIGTERM, RequestStop);
  return 0;
}

void CHostApp::HandOverUserDir() {
  std::error_code failure;
  std::filesystem::path dir = m_Options.userDir.empty() ? DefaultUserDir() : m_Options.userDir;
  std::filesystem::path absolute = std::filesystem::absolute(dir, failure);
  m_UserDir = (failure ? dir : absolute).lexically_normal().string();
  // Set before any module or thread starts: the services read it once, when the module binds them.
  setenv(kServicesUserDirVariable, m_UserDir.c_str(), 1);
}

bool CHostApp::FindGameDir() {
  const bool named = !m_Options.gameDir.empty();
  m_GameDir = named ? m_Options.gameDir : DefaultGameDir(m_ExecutableDir);
  std::error_code failure;
  if (std::filesystem::is_directory(m_GameDir, failure)) return true;
  if (!named) {
    fprintf(stderr, "kgui-host: no 'game' folder beside kgui-host or above it; name one with --game DIR\n");
  } else {
    const bool exists = std::filesystem::exists(m_GameDir, failure);
    fprintf(stderr, "kgui-host: the game folder '%s' %s\n", EscapeControlCharacters(m_GameDir).c_str(),
            exists ? "is not a folder" : "does not exist");
  }
  return false;
}

bool CHostApp::NamedFilesExist() {
  const std::pair<const char *, const std::string &> named[] = {{"--config", m_Options.configFile},
                                                                {"--services", m_Options.servicesModule}};
  for (const auto &[option, path] : named) {
    std::error_code failure;
    if (path.empty() || std::filesystem::is_regular_file(path, failure)) continue;
    const bool exists = std::filesystem::exists(path, failure);
    fprintf(stderr, "kgui-host: %s '%s' %s\n", option, EscapeControlCharacters(path).c_str(),
            exists ? "is not a regular file" : "does not exist");
    return false;
  }
  return true;
}

bool CHostApp::MakeUserDir() {
  std::error_code failure;
  std::filesystem::create_directories(m_UserDir, failure);
  if (!failure && std::filesystem::is_directory(m_UserDir, failure)) return true;
  const std::string why = failure ? failure.message() : "it is not a folder";
  fprintf(stderr, "kgui-host: cannot create the user folder '%s': %s\n",
          EscapeControlCharacters(m_UserDir).c_str(), why.c_str());
  return false;
}

void CHostApp::ListenForDumpRequests() {
  const char *variable = getenv(kDumpOnSignalVariable);
  m_SignalDumpFile = !m_Options.dumpOnSignalFile.empty() ? m_Options.dumpOnSignalFile
                     : variable                          ? variable
                                                         : "";
  if (m_SignalDumpFile.empty()) return;
  // Before the window opens: whoever sees it may ask at once.
  signal(SIGUSR1, RequestDump);
  s_DumpRequested = 1;
}

void CHostApp::WriteRequestedDump() {
  s_DumpRequested = 0;
  if (m_SignalDumpFile.empty() || !m_pRuntime) return;
  if (!CPanelDumper(*m_pRuntime).Write(m_SignalDumpFile))
    Warning("kgui-host: cannot write the requested dump '%s'\n", m_SignalDumpFile.c_str());
}

bool CHostApp::ReadScript(std::vector<CScriptStep> &steps) {
  std::string text, error;
  if (!ReadCheckedFile(m_Options.scriptFile, text, kMaxReadFileBytes, FileTrust::Any, &error)) {
    fprintf(stderr, "kgui-host: script %s\n", EscapeControlCharacters(error).c_str());
    return false;
  }
  if (!CScriptParser::Parse(text, steps, error)) {
    fprintf(stderr, "kgui-host: script '%s', %s\n", m_Options.scriptFile.c_str(), error.c_str());
    return false;
  }
  return true;
}

bool CHostApp::PrepareRuntime() {
  CRuntimeOptions options;
  options.gameDir = m_GameDir;
  options.userDir = m_UserDir;
  options.language = m_Options.language.empty() ? LanguageFromEnvironment() : m_Options.language;
  std::error_code ignored;
  m_pRuntime = std::make_unique<CKGuiRuntime>(options);
  // Chosen before the window opens, so the display's own scale does not replace it.
  if (m_Options.scale > 0.0) m_pRuntime->Renderer().SetScale(m_Options.scale);
  m_pRuntime->SetAlwaysPaint(m_Options.alwaysPaint);
  const char *check = getenv(kCheckRepaintVariable);
  m_pRuntime->SetCheckRepaint(check && strcmp(check, "1") == 0);
  m_pServicesIdle = std::make_unique<CServicesIdle>();

  m_pConfig = std::make_unique<CHostConfig>();
  std::string error;
  if (!m_Options.configFile.empty()) {
    std::string path = std::filesystem::absolute(m_Options.configFile, ignored).string();
    if (!m_pConfig->Load(m_pRuntime->FileSystem(), path, error)) {
      fprintf(stderr, "kgui-host: %s\n", error.c_str());
      return false;
    }
  }
  m_pLauncher = std::make_unique<CGameLauncher>(*m_pConfig, m_ExecutableDir);
  m_pRuntime->SetGameLauncher(m_pLauncher.get());

  if (!m_Headless) {
    m_pWindow = std::make_unique<CHostWindow>(*m_pRuntime);
    if (m_pWindow->Open("kgui-host")) {
      m_pRuntime->SetWindowBackend(m_pWindow.get());
      m_pRuntime->AddFrameClient(m_pWindow.get());
    } else {
      m_pWindow.reset();
      m_Headless = true;
    }
  }
  if (!m_Options.servicesModule.empty()) {
    std::string services = std::filesystem::absolute(m_Options.servicesModule, ignored).string();
    if (!ClientAPI_WriteActiveProcess(services.c_str(), static_cast<int>(getpid()))) {
      fprintf(stderr, "kgui-host: cannot record the services module in '%s'\n",
              ClientAPI_ActiveProcessPath().c_str());
      return false;
    }
  }
  return true;
}

bool CHostApp::StartModule() {
  m_pModule = std::make_unique<CModuleHost>();
  std::string error;
  if (!m_pModule->Load(m_Options.modulePath, error)) {
    fprintf(stderr, "kgui-host: %s\n", error.c_str());
    return false;
  }
  if (!m_pModule->Browser()) {
    Msg("kgui-host: module '%s' does not provide " SERVERBROWSER_INTERFACE_VERSION
        "; script browser steps will fail\n",
        m_Options.modulePath.c_str());
  }
  IKGuiModule *module = m_pModule->Module();
  m_ModuleStarted = true;
  if (!module->InitModule(&m_pRuntime->Provider())) {
    Warning("kgui-host: the module reported a failed start; it keeps running with what it has\n");
  }
  InterfaceFactoryFn factories[] = {&CKGuiRuntime::Factory};
  if (!module->PostInitModule(factories, 1)) Msg("kgui-host: the module did not take the game launcher\n");
  module->SetParentPanel(m_pRuntime->RootPanel());
  module->ActivateModule();
  SendStartMessages();
  return true;
}

void CHostApp::SendStartMessages() {
  for (KeyValues *message : m_pConfig->MakeStartMessages()) PostToModule(message);
}

void CHostApp::PostToModule(KeyValues *message) {
  kgui::VPANEL root = m_pModule->Module()->GetRootPanel();
  if (!m_pRuntime->Panels().Find(root)) {
    Warning("kgui-host: the module has no root panel for '%s'\n", message->GetName());
    message->Destroy();
    return;
  }
  m_pRuntime->KGui().PostMessage(root, message, kgui::NULL_PANEL, 0.0f);
}

void CHostApp::ForwardGameReports() {
  // On the test clock the host waits for starting games, so a scripted run repeats exactly.
  for (const CGameEvent &event : m_pLauncher->ReadReports(m_VirtualClock)) {
    const std::string address = FormatAddress(event.ip, event.port);
    if (event.kind == CGameEvent::k_ELeft) {
      Msg("kgui-host: the game of application %u left %s\n", event.appID, address.c_str());
      PostToModule(new KeyValues("DisconnectedFromGame"));
      continue;
    }
    Msg("kgui-host: the game of application %u joined %s\n", event.appID, address.c_str());
    // The connect line names one port: it is both the connection and the query port.
    auto *message = new KeyValues("ConnectedToGame");
    SetUnsigned(message, "ip", event.ip);
    message->SetInt("connectionport", event.port);
    message->SetInt("queryport", event.port);
    PostToModule(message);
  }
}

void CHostApp::Loop() {
  IKGuiModule *module = m_pModule->Module();
  while (!s_StopRequested) {
    double frameStart = Plat_FloatTime();
    module->RunModuleFrame();
    m_pRuntime->RunFrame();
    ForwardGameReports();
    ++m_Frames;
    if (s_DumpRequested) WriteRequestedDump();
    if (FrameLimitReached()) break;
    if (m_pScript && (m_pScript->QuitRequested() || (m_pScript->Finished() && !m_pWindow))) break;
    if (m_pWindow && m_pWindow->CloseRequested()) break;
    if (!IdleUntilDue(frameStart)) Pace(frameStart);
  }
}

bool CHostApp::FrameLimitReached() {
  if (m_Options.frames < 0 || m_Frames < static_cast<uint64>(m_Options.frames)) return false;
  if (!m_Options.screenshotFile.empty() && !SavePicture(*m_pRuntime, m_Options.screenshotFile)) {
    fprintf(stderr, "kgui-host: cannot write the screenshot '%s'\n", m_Options.screenshotFile.c_str());
    m_Failed = true;
  }
  return true;
}

void CHostApp::Pace(double frameStart) {
  if (m_VirtualClock) {
    Plat_AdvanceClock(kFrameSeconds);
    return;
  }
  double rest = frameStart + kFrameSeconds - Plat_FloatTime();
  if (rest > 0) std::this_thread::sleep_for(std::chrono::duration<double>(rest));
}

bool CHostApp::MayIdle() {
  // Scripts and frame counts keep their frame pacing; so does a frame that showed a change, as
  // an animation asks for the next one.
  if (m_VirtualClock || m_Options.alwaysPaint || m_Options.frames >= 0) return false;
  if (m_pScript && !m_pScript->Finished()) return false;
  if (m_pRuntime->PaintedLastFrame()) return false;
  return !m_pServicesIdle->Busy(Plat_FloatTime());
}

bool CHostApp::IdleUntilDue(double frameStart) {
  if (!MayIdle()) return false;
  const double now = Plat_FloatTime();
  double until =
      std::min({m_pRuntime->NextDueTime(), m_pServicesIdle->NextDueTime(now), now + kLongestIdleSeconds});
  if (m_pLauncher->AwaitsReports()) until = std::min(until, now + kGameReportSeconds);
  // Never faster than the frame rate: what is due by then runs in the next frame anyway.
  if (until <= frameStart + kFrameSeconds) return false;
  SleepUntil(until);
  return true;
}

void CHostApp::SleepUntil(double until) {
  for (double rest = until - Plat_FloatTime(); rest > 0 && !s_StopRequested && !s_DumpRequested;
       rest = until - Plat_FloatTime()) {
    const double slice = std::min(rest, kSleepSliceSeconds);
    if (m_pWindow) {
      if (m_pWindow->WaitForEvent(slice)) return;
    } else {
      std::this_thread::sleep_for(std::chrono::duration<double>(slice));
    }
  }
}

void CHostApp::Stop() {
  // The services go with the module.
  if (m_pServicesIdle) m_pServicesIdle->Forget();
  if (m_pModule && m_ModuleStarted) {
    m_pModule->Module()->ShutdownModule();
    m_ModuleStarted = false;
  }
  if (m_pRuntime) {
    if (m_pScript) m_pRuntime->RemoveFrameClient(m_pScript.get());
    // Every panel goes while the module's code is still loaded; then the settings are kept.
    m_pRuntime->Shutdown();
    m_pRuntime->UserConfig().Save();
  }
  m_pScript.reset();
  if (m_pModule) m_pModule->Unload();
  if (m_pLauncher) m_pLauncher->CloseGames();
  if (m_pRuntime && m_pWindow) {
    m_pRuntime->RemoveFrameClient(m_pWindow.get());
    m_pRuntime->SetWindowBackend(nullptr);
  }
  m_pWindow.reset();
  m_pRuntime.reset();
  m_pLauncher.reset();
  m_pModule.reset();
}

}  // namespace kguihost
