// Interfaces handed out by versioned name across binaries, and the loader of other binaries.
//
// Each binary that links tier1 has its own registry: static InterfaceRegistration records, filled
// while its static objects are constructed, answered by its exported CreateInterface.
#pragma once

#include <vector>

#include "tier0/platform.h"

class CValidator;

// Looks up an interface by name; stores 0 (found) or 1 (not found) through returnCode when given.
using CreateInterfaceFn = void *(*)(const char *name, int *returnCode);

// Base of interfaces that the owner may delete through the interface.
class IBaseInterface {
 public:
  virtual ~IBaseInterface() = default;
};

enum { IFACE_OK = 0, IFACE_FAILED = 1 };

// Returns the registered object; factories only hand out objects of static storage duration.
using InstantiateInterfaceFn = void *(*)();

// One exported interface. Constructing a record links it in front of the list; records are never
// removed, so the list is read without a lock once static construction is over.
class InterfaceRegistration {
 public:
  InterfaceRegistration(InstantiateInterfaceFn createFn, const char *name);
  InterfaceRegistration(const InterfaceRegistration &) = delete;
  InterfaceRegistration &operator=(const InterfaceRegistration &) = delete;

  InstantiateInterfaceFn m_CreateFn;
  const char *m_pName;
  InterfaceRegistration *m_pNext;

  // The most recently constructed record of this binary.
  static InterfaceRegistration *s_pInterfaceRegs;
};

// Registers `globalVarName` (an object of static storage duration) as its `interfaceName` face
// under the text `versionName`.
#define EXPOSE_SINGLE_INTERFACE_GLOBALVAR(className, interfaceName, versionName, globalVarName) \
  static void *SbCreate_##className##_##interfaceName() {                                       \
    return static_cast<interfaceName *>(&(globalVarName));                                      \
  }                                                                                             \
  static InterfaceRegistration g_SbRegister_##className##_##interfaceName(                      \
      SbCreate_##className##_##interfaceName, versionName)

// This binary's registry lookup: byte-exact, case-sensitive names. A null name is not found.
DLL_EXPORT void *CreateInterface(const char *name, int *returnCode);

// ---- Loading other binaries ----

// An opaque handle of a loaded binary (what the operating system's loader returned).
class CSysModule;

enum {
  // Only find a binary that is already in the process: nothing is loaded or counted.
  SYS_MODULE_NOLOAD = 0x01,
  // Search the module's own folder for the last attempt too. Every attempt already does here,
  // because our binaries find their neighbours through their $ORIGIN run path, so it changes
  // nothing; it is accepted for callers written against the flag.
  SYS_MODULE_ALTERED_SEARCH_PATH = 0x02,
};

// Size of the path buffer of LoadModule, terminating NUL included.
constexpr size_t kModulePathSize = 4096;

// Loads a shared library by name (UTF-8; "\" reads as "/"). A relative name resolves against the
// folder of the binary that holds this loader, never the working directory; ".so" is appended
// when the file name has no ".so"; last, the bare file name goes through the loader's normal search
// (which our $ORIGIN run path points at that folder). Null when nothing was found, or when the path
// would not fit kModulePathSize (reported as an assertion).
CSysModule *LoadModule(const char *name, int flags = 0);
// Releases what one successful LoadModule took. Null and handles this loader did not hand out
// are ignored, so a handle owned by someone else is never closed.
void UnloadModule(CSysModule *module);
// The module's exported CreateInterface, or null.
CreateInterfaceFn Sys_GetFactory(CSysModule *module);

// One binary loaded through LoadModule and how many loads are outstanding.
struct ModuleCount_t {
  CSysModule *m_hModule;
  int32 m_cRef;
};
// In order of first load; a handle appears at most once.
extern std::vector<ModuleCount_t> g_VecLoadedModules;

// ---- Memory audit ----

#define VALIDATE_INTERFACE_VERSION "IVALIDATE001"

// A binary's memory audit, found under VALIDATE_INTERFACE_VERSION.
class IValidate {
 public:
  virtual void Validate(CValidator &validator) = 0;

 protected:
  ~IValidate() = default;
};

// Reports g_VecLoadedModules; with validateAll, also runs each loaded binary's own IValidate.
void ValidateLoadedModules(CValidator &validator, bool validateAll);
