#include "host/app/host_options.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "common/command_line.h"
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
    {"--screenshot", &CHostOptions::screenshotFile}, {"--dump-on-signal", &CHostOptions::dumpOnSignalFile},
};

struct FlagOption {
  const char *name;
  bool CHostOptions::*field;
};

const FlagOption kFlagOptions[] = {
    {"--headless", &CHostOptions::headless},        {"--realtime", &CHostOptions::realtime},
    {"--always-paint", &CHostOptions::alwaysPaint}, {"--help", &CHostOptions::help},
    {"--version", &CHostOptions::version},
};

const CommandOption kCommandOptions[] = {
    {"--headless"},
    {"--realtime"},
    {"--always-paint"},
    {"--help", "-h"},
    {"--version"},
    {"--config", nullptr, true},
    {"--game", nullptr, true},
    {"--user-dir", nullptr, true},
    {"--services", nullptr, true},
    {"--language", nullptr, true},
    {"--script", nullptr, true},
    {"--screenshot", nullptr, true},
    {"--frames", nullptr, true},
    {"--dump-on-signal", nullptr, true},
    {"--scale", nullptr, true},
};

bool ParseFrames(const char *text, int &frames) {
  const char *end = nullptr;
  bool overflow = false;
  int64 value = V_StringToInt64(text, &end, &overflow);
  if (end == text || *end != '\0' || overflow || value < 1 || value > 100000000) return false;
  frames = static_cast<int>(value);
  return true;
}

bool ParseScale(const char *text, double &scale) {
  char *end = nullptr;
  const double value = strtod(text, &end);
  if (end == text || *end != '\0' || !(value >= 1.0 && value <= 4.0)) return false;
  scale = value;
  return true;
}

}  // namespace

const char *HostUsage() {
  return "usage: kgui-host [--headless] [--realtime] [--always-paint] [--config FILE] [--game DIR]\n"
         "                 [--user-dir DIR] [--services SO] [--language NAME] [--script FILE]\n"
         "                 [--screenshot FILE --frames N] [--dump-on-signal FILE] [--scale N] MODULE\n"
         "       kgui-host --help | --version\n"
         "Options take their value as '--name VALUE' or '--name=VALUE'.\n"
         "  --headless        render offscreen even when a display is there\n"
         "  --realtime        a headless script or frame count runs on the real clock, not a\n"
         "                    simulated one (for servers that answer in real time)\n"
         "  --always-paint    paint and show every frame whole, never sleeping between frames while\n"
         "                    nothing changes (for comparisons)\n"
         "  --config FILE     host configuration: messages sent at start, the launcher's games\n"
         "  --game DIR        the folder of path id GAME (default: the 'game' folder near kgui-host)\n"
         "  --user-dir DIR    the folder of path id CONFIG, created when missing\n"
         "                    (default: ~/.config/serverbrowser)\n"
         "  --services SO     record SO as the client services module for this user\n"
         "  --language NAME   language of token files (default: from the locale, else english)\n"
         "  --script FILE     run the steps of a script (wait, move, click, type, key, message,\n"
         "                    shot, dump, quit)\n"
         "  --screenshot FILE save a PNG after --frames N frames, then quit\n"
         "  --frames N        stop after N frames\n"
         "  --scale N         draw N device pixels a logical one, 1 to 4 (default: $KGUI_SCALE,\n"
         "                    else the display's scale in whole steps, else 1)\n"
         "  --dump-on-signal FILE\n"
         "                    write the panel dump to FILE once the first frame is shown, then\n"
         "                    after each SIGUSR1 (for programs that drive the window from outside)\n"
         "  -h, --help        print this help and exit\n"
         "  --version         print the version and exit\n";
}

bool ParseHostOptions(int argc, const char *const *argv, CHostOptions &options, std::string &error) {
  CCommandLine line;
  if (!line.Parse(argc, argv, kCommandOptions)) {
    error = line.Error();
    return false;
  }
  for (const FlagOption &flag : kFlagOptions) {
    if (line.Has(flag.name)) options.*flag.field = true;
  }
  for (const ValueOption &option : kValueOptions) {
    if (line.Has(option.name)) options.*option.field = line.Value(option.name);
  }
  if (line.Has("--frames") && !ParseFrames(line.Value("--frames").c_str(), options.frames)) {
    error = "--frames needs a whole number of frames from 1";
    return false;
  }
  if (line.Has("--scale") && !ParseScale(line.Value("--scale").c_str(), options.scale)) {
    error = "--scale needs a number from 1 to 4";
    return false;
  }
  const std::vector<std::string> &operands = line.Operands();
  if (operands.size() > 1) {
    error = "only one module can be loaded; got '" + operands[0] + "' and '" + operands[1] + "'";
    return false;
  }
  if (!operands.empty()) options.modulePath = operands[0];
  if (options.help || options.version) return true;
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
  std::error_code failure;
  const std::filesystem::path installed = dir / ".." / "share" / "serverbrowser" / "game";
  if (!dir.empty() && std::filesystem::is_directory(installed, failure))
    return installed.lexically_normal().string();
  for (int up = 0; up <= 3 && !dir.empty(); ++up) {
    std::error_code ignored;
    if (std::filesystem::is_directory(dir / "game", ignored)) return (dir / "game").string();
    if (!dir.has_parent_path() || dir.parent_path() == dir) break;
    dir = dir.parent_path();
  }
  return "game";
}

}  // namespace kguihost
