#include "host/app/host_options.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "kstdlib/strtools.h"

namespace kguihost {

namespace {

struct ValueOption {
  const char *name;
  std::string CHostOptions::*field;
};

const ValueOption kValueOptions[] = {
    {"--config", &CHostOptions::configFile},         {"--game", &CHostOptions::gameDir},
    {"--user-dir", &CHostOptions::userDir},          {"--services", &CHostOptions::servicesModule},
    {"--language", &CHostOptions::language},         {"--script", &CHostOptions::scriptFile},
    {"--screenshot", &CHostOptions::screenshotFile},
};

bool ParseFrames(const char *text, int &frames) {
  const char *end = nullptr;
  bool overflow = false;
  int64 value = V_StringToInt64(text, &end, &overflow);
  if (end == text || *end != '\0' || overflow || value < 1 || value > 100000000) return false;
  frames = static_cast<int>(value);
  return true;
}

}  // namespace

const char *HostUsage() {
  return "usage: kgui-host [--headless] [--realtime] [--always-paint] [--config FILE] [--game DIR]\n"
         "                 [--user-dir DIR] [--services SO] [--language NAME] [--script FILE]\n"
         "                 [--screenshot FILE --frames N] MODULE\n"
         "  --headless        render offscreen even when a display is there\n"
         "  --realtime        a headless script or frame count runs on the real clock, not a\n"
         "                    simulated one (for servers that answer in real time)\n"
         "  --always-paint    paint and show every frame whole, never sleeping between frames while\n"
         "                    nothing changes (for comparisons)\n"
         "  --config FILE     host configuration: messages sent at start, the launcher's games\n"
         "  --game DIR        the folder of path id GAME (default: the 'game' folder near kgui-host)\n"
         "  --user-dir DIR    the folder of path id CONFIG (default: ~/.config/serverbrowser)\n"
         "  --services SO     record SO as the client services module for this user\n"
         "  --language NAME   language of token files (default: english)\n"
         "  --script FILE     run the steps of a script (wait, move, click, type, key, message,\n"
         "                    shot, dump, quit)\n"
         "  --screenshot FILE save a PNG after --frames N frames, then quit\n"
         "  --frames N        stop after N frames\n";
}

bool ParseHostOptions(int argc, const char *const *argv, CHostOptions &options, std::string &error) {
  for (int i = 1; i < argc; ++i) {
    const char *arg = argv[i];
    if (strcmp(arg, "--headless") == 0) {
      options.headless = true;
      continue;
    }
    if (strcmp(arg, "--realtime") == 0) {
      options.realtime = true;
      continue;
    }
    if (strcmp(arg, "--always-paint") == 0) {
      options.alwaysPaint = true;
      continue;
    }
    if (strcmp(arg, "--help") == 0 || strcmp(arg, "-h") == 0) {
      options.help = true;
      continue;
    }
    bool matched = false;
    for (const ValueOption &option : kValueOptions) {
      if (strcmp(arg, option.name) != 0) continue;
      if (i + 1 >= argc || !*argv[i + 1]) {
        error = std::string(option.name) + " needs a value";
        return false;
      }
      options.*option.field = argv[++i];
      matched = true;
    }
    if (matched) continue;
    if (strcmp(arg, "--frames") == 0) {
      if (i + 1 >= argc || !ParseFrames(argv[i + 1], options.frames)) {
        error = "--frames needs a whole number of frames from 1";
        return false;
      }
      ++i;
      continue;
    }
    if (arg[0] == '-') {
      error = std::string("unknown option ") + arg;
      return false;
    }
    if (!options.modulePath.empty()) {
      error =
          std::string("only one module can be loaded; got '") + options.modulePath + "' and '" + arg + "'";
      return false;
    }
    options.modulePath = arg;
  }
  if (options.help) return true;
  if (options.modulePath.empty()) {
    error = "no module given";
    return false;
  }
  if (!options.screenshotFile.empty() && options.frames < 0) {
    error = "--screenshot needs --frames N";
    return false;
  }
  return true;
}

std::string DefaultUserDir() {
  const char *config = getenv("XDG_CONFIG_HOME");
  if (config && *config) return std::string(config) + "/serverbrowser";
  const char *home = getenv("HOME");
  return std::string(home && *home ? home : ".") + "/.config/serverbrowser";
}

std::string DefaultGameDir(const std::string &executableDir) {
  std::filesystem::path dir = executableDir;
  for (int up = 0; up <= 3 && !dir.empty(); ++up) {
    std::error_code ignored;
    if (std::filesystem::is_directory(dir / "game", ignored)) return (dir / "game").string();
    if (!dir.has_parent_path() || dir.parent_path() == dir) break;
    dir = dir.parent_path();
  }
  return "game";
}

}  // namespace kguihost
