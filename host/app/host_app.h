// The host application: reads the command line, builds the runtime, loads and drives the module
// (InitModule, PostInitModule, ActivateModule, RunModuleFrame at 60 frames a second,
// ShutdownModule), runs scripts and writes screenshots.
//
// Exit status: 0 done (also --help and --version), 1 a bad command line, a missing game folder or
// file, a user folder that cannot be made, a bad configuration or module, 2 a script that could not
// be read or whose steps failed.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/app/host_options.h"
#include "tier0/platform.h"

class KeyValues;

namespace kguihost {

// The environment variable through which the host hands its user folder (--user-dir, or the
// default) to the client services before the module binds them: the services keep favourites and
// history there and name it as the user's configuration folder, unless their configuration file
// names another.
inline constexpr const char *kServicesUserDirVariable = "PLEXA_USER_DIR";

class CGameLauncher;
class CHostConfig;
class CHostWindow;
class CKGuiRuntime;
class CModuleHost;
class CScriptRunner;
class CServicesIdle;
struct CScriptStep;

class CHostApp {
 public:
  CHostApp();
  ~CHostApp();
  CHostApp(const CHostApp &) = delete;
  CHostApp &operator=(const CHostApp &) = delete;

  int Run(int argc, const char *const *argv);

 private:
  int Start(int argc, const char *const *argv);
  // The game folder (--game, or found near the executable); false, said why, when there is none.
  bool FindGameDir();
  // The files named by --config and --services are there; false, said which, when one is not.
  bool NamedFilesExist();
  // Fixes the user folder (absolute) and hands it to the services through the environment.
  void HandOverUserDir();
  // Creates the user folder when missing; false, said why, when it cannot be made.
  bool MakeUserDir();
  bool ReadScript(std::vector<CScriptStep> &steps);
  // With $KGUI_HOST_DUMP_ON_SIGNAL set, the first frame and each SIGUSR1 after it write a panel
  // dump into that file.
  void ListenForDumpRequests();
  void WriteRequestedDump();
  bool PrepareRuntime();
  bool StartModule();
  void SendStartMessages();
  // Passes on what the started games reported: "ConnectedToGame" for a join, "DisconnectedFromGame"
  // when the game that joined last has gone.
  void ForwardGameReports();
  void PostToModule(KeyValues *message);
  void Loop();
  bool FrameLimitReached();
  void Pace(double frameStart);
  // After a frame that changed nothing, sleeps until something is due (a tick, a posted message,
  // the services) or input comes; false (nothing waited) when the next frame must run on time.
  bool IdleUntilDue(double frameStart);
  bool MayIdle();
  // Sleeps until `until` on the real clock, or until input or a stop request comes.
  void SleepUntil(double until);
  void Stop();

  CHostOptions m_Options;
  std::string m_ExecutableDir;
  std::string m_GameDir;  // path id "GAME"
  std::string m_UserDir;  // path id "CONFIG", shared with the services
  std::string m_SignalDumpFile;
  bool m_Headless = false;
  bool m_VirtualClock = false;
  bool m_Failed = false;
  uint64 m_Frames = 0;
  std::unique_ptr<CHostConfig> m_pConfig;
  std::unique_ptr<CKGuiRuntime> m_pRuntime;
  std::unique_ptr<CGameLauncher> m_pLauncher;
  std::unique_ptr<CHostWindow> m_pWindow;
  std::unique_ptr<CModuleHost> m_pModule;
  std::unique_ptr<CScriptRunner> m_pScript;
  std::unique_ptr<CServicesIdle> m_pServicesIdle;
  bool m_ModuleStarted = false;
};

}  // namespace kguihost
