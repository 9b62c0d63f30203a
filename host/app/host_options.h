// The host's command line:
//   kgui-host [--headless] [--realtime] [--always-paint] [--config FILE] [--game DIR] [--user-dir DIR]
//             [--services SO] [--language NAME] [--script FILE] [--screenshot FILE --frames N]
//             [--dump-on-signal FILE] [--scale N] MODULE
//   kgui-host --help | --version
// Values come as "--name VALUE" or "--name=VALUE".
#pragma once

#include <string>

namespace kguihost {

struct CHostOptions {
  bool headless = false;
  bool realtime = false;     // headless runs keep the real clock (real servers answer in real time)
  bool alwaysPaint = false;  // paint and show every frame whole and never idle (for comparisons)
  bool help = false;
  bool version = false;
  std::string configFile;
  std::string gameDir;  // "GAME"; found beside the executable when not given
  std::string userDir;  // "CONFIG"; $XDG_CONFIG_HOME/serverbrowser or ~/.config/serverbrowser
  std::string servicesModule;
  std::string language;  // empty: the user's locale decides (LanguageForLocale)
  std::string scriptFile;
  std::string screenshotFile;
  // The panel dump is written here after the first frame and after each SIGUSR1 (empty: the
  // environment's KGUI_HOST_DUMP_ON_SIGNAL, else never).
  std::string dumpOnSignalFile;
  // Device pixels a logical one (1 to 4; 0: $KGUI_SCALE, else the display's, else 1).
  double scale = 0.0;
  int frames = -1;  // run this many frames, then stop (-1: until told to)
  std::string modulePath;
};

// Fills `options`; false with `error` set for a bad command line.
bool ParseHostOptions(int argc, const char *const *argv, CHostOptions &options, std::string &error);
// The usage text.
const char *HostUsage();
// The default configuration folder of the user.
std::string DefaultUserDir();
// The installed data folder (share/serverbrowser/game beside the executable's bin/), else the "game"
// folder beside the executable or up to three folders above it (a build tree); "game" when none.
std::string DefaultGameDir(const std::string &executableDir);

}  // namespace kguihost
