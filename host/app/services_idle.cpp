#include "host/app/services_idle.h"

#include <limits>

#include "common/plexa/active_process.h"
#include "plexa/iplexaclientidle.h"
#include "tier1/interface.h"

namespace kguihost {

namespace {

constexpr const char *kServicesModuleName = "plexaclient.so";
// Looking means asking the loader by name; a services module that comes later is found this late.
constexpr double kLookInterval = 0.25;

// The services module if it is loaded, by the name the binding tries first or by the recorded path.
// No reference is kept: the module stays loaded by whoever loaded it.
CSysModule *LoadedServicesModule() {
  if (CSysModule *module = LoadModule(kServicesModuleName, SYS_MODULE_NOLOAD)) return module;
  ActiveProcessInfo info;
  if (!ReadActiveProcess(info) || info.m_ModulePath.empty()) return nullptr;
  return LoadModule(info.m_ModulePath.c_str(), SYS_MODULE_NOLOAD);
}

}  // namespace

IPlexaClientIdle *CServicesIdle::Face(double now) {
  if (m_pFace || now < m_NextLook) return m_pFace;
  m_NextLook = now + kLookInterval;
  CSysModule *module = LoadedServicesModule();
  m_ModuleLoaded = module != nullptr;
  CreateInterfaceFn factory = Sys_GetFactory(module);
  if (factory) m_pFace = static_cast<IPlexaClientIdle *>(factory(PLEXACLIENTIDLE_INTERFACE_VERSION, nullptr));
  return m_pFace;
}

bool CServicesIdle::Busy(double now) {
  IPlexaClientIdle *face = Face(now);
  if (!face) return m_ModuleLoaded;
  return face->HasPendingWork();
}

double CServicesIdle::NextDueTime(double now) {
  IPlexaClientIdle *face = Face(now);
  return face ? face->GetNextDueTime() : std::numeric_limits<double>::infinity();
}

void CServicesIdle::Forget() {
  m_pFace = nullptr;
  m_ModuleLoaded = false;
  // Never looked for again: the services are going away.
  m_NextLook = std::numeric_limits<double>::infinity();
}

}  // namespace kguihost
