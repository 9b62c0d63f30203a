// sbprobe MODULE: loads a module the way the host will, asks it for every interface name this
// project knows, and prints what it found.
#include <dlfcn.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "common/command_line.h"
#include "serverbrowser/IKGuiModule.h"
#include "serverbrowser/IServerBrowser.h"
#include "tier0/validator.h"
#include "tier1/interface.h"

namespace {

const char kUsage[] =
    "usage: sbprobe MODULE\n"
    "       sbprobe --help | --version\n"
    "  loads MODULE and lists the interfaces it exports\n";

const CommandOption kOptions[] = {{"--help", "-h"}, {"--version"}};

constexpr const char *kKnownInterfaces[] = {
    SERVERBROWSER_INTERFACE_VERSION,
    KGUIMODULE_INTERFACE_VERSION,
    VALIDATE_INTERFACE_VERSION,
};

// A path given on the command line means what the user sees from the current directory.
std::string AbsoluteModulePath(const char *argument) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(argument, error);
  return error ? std::string(argument) : absolute.string();
}

int ListInterfaces(CreateInterfaceFn factory) {
  int found = 0;
  for (const char *name : kKnownInterfaces) {
    int returnCode = IFACE_FAILED;
    void *object = factory(name, &returnCode);
    printf("  %-28s %s\n", name, object && returnCode == IFACE_OK ? "found" : "missing");
    found += object != nullptr;
  }
  return found;
}

void PrintAudit(CreateInterfaceFn factory) {
  auto *validate = static_cast<IValidate *>(factory(VALIDATE_INTERFACE_VERSION, nullptr));
  if (!validate) return;
  CValidator validator;
  validate->Validate(validator);
  printf("memory audit scopes:\n");
  for (const std::string &scope : validator.Scopes()) printf("  %s\n", scope.c_str());
}

}  // namespace

int main(int argc, char **argv) {
  CCommandLine line;
  if (!line.Parse(argc, argv, kOptions)) {
    fprintf(stderr, "sbprobe: %s\n%s", line.Error().c_str(), kUsage);
    return 2;
  }
  if (line.Has("--help")) {
    fputs(kUsage, stdout);
    return 0;
  }
  if (line.Has("--version")) {
    PrintVersion(stdout, "sbprobe");
    return 0;
  }
  if (line.Operands().size() != 1) {
    fprintf(stderr, "sbprobe: %s\n%s",
            line.Operands().empty() ? "no module given" : "only one module at a time", kUsage);
    return 2;
  }
  const std::string path = AbsoluteModulePath(line.Operands()[0].c_str());
  std::error_code failure;
  if (!std::filesystem::is_regular_file(path, failure)) {
    fprintf(stderr, "sbprobe: '%s' %s\n", path.c_str(),
            std::filesystem::exists(path, failure) ? "is not a regular file" : "does not exist");
    return 1;
  }
  CSysModule *module = LoadModule(path.c_str());
  if (!module) {
    const char *reason = dlerror();
    fprintf(stderr, "sbprobe: cannot load %s%s%s\n", path.c_str(), reason ? ": " : "", reason ? reason : "");
    return 1;
  }
  CreateInterfaceFn factory = Sys_GetFactory(module);
  if (!factory) {
    fprintf(stderr, "sbprobe: %s exports no CreateInterface\n", path.c_str());
    UnloadModule(module);
    return 1;
  }
  printf("%s\ninterfaces:\n", path.c_str());
  const int found = ListInterfaces(factory);

  auto joiningSecure = reinterpret_cast<bool (*)()>(dlsym(module, "JoiningSecureServerCall"));
  printf("JoiningSecureServerCall: %s\n",
         joiningSecure ? (joiningSecure() ? "true" : "false") : "not exported");
  auto *guiModule = static_cast<IKGuiModule *>(factory(KGUIMODULE_INTERFACE_VERSION, nullptr));
  if (guiModule)
    printf("module ready (game launcher found): %s\n", guiModule->IsModuleReady() ? "yes" : "no");
  PrintAudit(factory);

  UnloadModule(module);
  return found > 0 ? 0 : 1;
}
