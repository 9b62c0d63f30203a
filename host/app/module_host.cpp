#include "host/app/module_host.h"

#include <dlfcn.h>

#include <filesystem>

#include "serverbrowser/IKGuiModule.h"
#include "serverbrowser/IServerBrowser.h"
#include "tier1/interface.h"

namespace kguihost {

CModuleHost::~CModuleHost() { Unload(); }

bool CModuleHost::Load(const std::string &path, std::string &error) {
  Unload();
  std::error_code failure;
  std::filesystem::path absolute = std::filesystem::absolute(path, failure);
  if (failure || !std::filesystem::is_regular_file(absolute, failure)) {
    error = "cannot load module '" + path + "': no such file";
    return false;
  }
  m_pLibrary = LoadModule(absolute.c_str());
  if (!m_pLibrary) {
    // The loader's last error may name a variant it tried; ask about the file itself.
    std::string reason = "not a loadable library";
    if (void *probe = dlopen(absolute.c_str(), RTLD_LAZY | RTLD_LOCAL)) {
      dlclose(probe);
    } else if (const char *text = dlerror()) {
      reason = text;
    }
    error = "cannot load module '" + path + "': " + reason;
    return false;
  }
  CreateInterfaceFn factory = Sys_GetFactory(m_pLibrary);
  if (!factory) {
    error = "module '" + path + "' does not export CreateInterface";
    Unload();
    return false;
  }
  m_pModule = static_cast<IKGuiModule *>(factory(KGUIMODULE_INTERFACE_VERSION, nullptr));
  if (!m_pModule) {
    error = "module '" + path + "' does not provide " KGUIMODULE_INTERFACE_VERSION;
    Unload();
    return false;
  }
  m_pBrowser = static_cast<IServerBrowser *>(factory(SERVERBROWSER_INTERFACE_VERSION, nullptr));
  return true;
}

void CModuleHost::Unload() {
  m_pModule = nullptr;
  m_pBrowser = nullptr;
  if (m_pLibrary) UnloadModule(m_pLibrary);
  m_pLibrary = nullptr;
}

}  // namespace kguihost
