// Loading other binaries by name, with a count of the loads this binary made, and their audit.
#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <climits>
#include <cstring>

#include "kstdlib/strtools.h"
#include "tier0/dbg.h"
#include "tier0/validator.h"
#include "tier1/interface.h"

std::vector<ModuleCount_t> g_VecLoadedModules;

namespace {

constexpr const char kModuleExtension[] = ".so";

// Fills `dir` with the folder of the binary that holds this loader; false when it cannot be told.
bool LoaderDirectory(char *dir, size_t size) {
  Dl_info info{};
  link_map *map = nullptr;
  if (!dladdr1(reinterpret_cast<void *>(&LoaderDirectory), &info, reinterpret_cast<void **>(&map),
               RTLD_DL_LINKMAP) ||
      !map) {
    return false;
  }
  if (map->l_name && map->l_name[0] == '/') {
    V_strncpy(dir, map->l_name, size);
  } else {
    // The main program has no name in its map (the loader reports argv[0] for it instead, which
    // may be relative to a working directory long gone); the kernel knows the real file.
    const ssize_t length = readlink("/proc/self/exe", dir, size - 1);
    if (length <= 0 || static_cast<size_t>(length) >= size - 1) return false;
    dir[length] = '\0';
  }
  char *lastSlash = strrchr(dir, '/');
  if (!lastSlash) return false;
  lastSlash[lastSlash == dir ? 1 : 0] = '\0';
  return true;
}

// Appends `text` to the path, turning a backslash into "/"; false when the result would not fit, which
// leaves the path unusable: a cut name must never be opened.
bool AppendToPath(char *path, size_t size, const char *text) {
  size_t length = strlen(path);
  for (; *text; ++text) {
    if (length + 1 >= size) return false;
    path[length++] = *text == '\\' ? '/' : *text;
  }
  path[length] = '\0';
  return true;
}

void ReportPathTooLong(const char *name) {
  AssertMsgFormatted(__FILE__, __LINE__, "LoadModule: path of \"%.64s...\" does not fit %zu bytes", name,
                     kModulePathSize);
}

enum class PathResult { Built, NoLoaderDirectory, TooLong };

// Absolute names stay as they are; relative ones are taken from the loader's folder.
PathResult BuildModulePath(const char *name, char *path) {
  path[0] = '\0';
  const bool absolute = name[0] == '/' || name[0] == '\\';
  if (!absolute && !LoaderDirectory(path, kModulePathSize)) {
    path[0] = '\0';
    return PathResult::NoLoaderDirectory;
  }
  if (!absolute && !AppendToPath(path, kModulePathSize, "/")) return PathResult::TooLong;
  return AppendToPath(path, kModulePathSize, name) ? PathResult::Built : PathResult::TooLong;
}

const char *BareFileName(const char *name) {
  const char *bare = name;
  for (const char *p = name; *p; ++p) {
    if (*p == '/' || *p == '\\') bare = p + 1;
  }
  return bare;
}

// "name.so" or a versioned "name.so.1", in any letter case.
bool HasModuleExtension(const char *fileName) {
  const size_t length = strlen(fileName);
  const size_t extensionLength = strlen(kModuleExtension);
  if (length >= extensionLength && V_stricmp(fileName + length - extensionLength, kModuleExtension) == 0)
    return true;
  return V_stristr(fileName, ".so.") != nullptr;
}

void *OpenLibrary(const char *path, int flags) {
  const int mode = RTLD_NOW | RTLD_LOCAL | ((flags & SYS_MODULE_NOLOAD) ? RTLD_NOLOAD : 0);
  return dlopen(path, mode);
}

// The last attempt: the bare file name in the loader's folder, then through the normal search.
// The first step is what the loader's $ORIGIN run path gives; it is made explicit because a
// wrapped dlopen (as under the address sanitizer) searches the wrapper's run path instead.
void *OpenBareFileName(const char *name, const char *fileName, bool hasExtension, int flags) {
  char bare[kModulePathSize] = "";
  if (!AppendToPath(bare, sizeof(bare), fileName) ||
      (!hasExtension && !AppendToPath(bare, sizeof(bare), kModuleExtension))) {
    ReportPathTooLong(name);
    return nullptr;
  }
  char path[kModulePathSize];
  if (LoaderDirectory(path, sizeof(path)) && AppendToPath(path, sizeof(path), "/") &&
      AppendToPath(path, sizeof(path), bare)) {
    if (void *handle = OpenLibrary(path, flags)) return handle;
  }
  return OpenLibrary(bare, flags);
}

// The three attempts: the path, the path with ".so", the bare file name through the normal search.
void *OpenModule(const char *name, int flags) {
  char path[kModulePathSize];
  const PathResult built = BuildModulePath(name, path);
  if (built == PathResult::TooLong) {
    ReportPathTooLong(name);
    return nullptr;
  }
  // Without the loader's folder a relative name only gets the search of the last attempt.
  const bool havePath = built == PathResult::Built;
  const char *fileName = BareFileName(name);
  const bool hasExtension = HasModuleExtension(fileName);
  void *handle = havePath ? OpenLibrary(path, flags) : nullptr;
  if (!handle && havePath && !hasExtension) {
    if (!AppendToPath(path, sizeof(path), kModuleExtension)) {
      ReportPathTooLong(name);
      return nullptr;
    }
    handle = OpenLibrary(path, flags);
  }
  if (!handle) handle = OpenBareFileName(name, fileName, hasExtension, flags);
  return handle;
}

std::vector<ModuleCount_t>::iterator FindLoadedModule(CSysModule *module) {
  auto it = g_VecLoadedModules.begin();
  while (it != g_VecLoadedModules.end() && it->m_hModule != module) ++it;
  return it;
}

}  // namespace

CSysModule *LoadModule(const char *name, int flags) {
  if (!name || !*name) return nullptr;
  void *handle = OpenModule(name, flags);
  if (!handle) return nullptr;
  auto *module = static_cast<CSysModule *>(handle);
  if (flags & SYS_MODULE_NOLOAD) {
    // The look-up took a reference of its own; the binary stays loaded by whoever loaded it.
    dlclose(handle);
    return module;
  }
  auto loaded = FindLoadedModule(module);
  if (loaded != g_VecLoadedModules.end()) {
    ++loaded->m_cRef;
  } else {
    g_VecLoadedModules.push_back(ModuleCount_t{module, 1});
  }
  return module;
}

void UnloadModule(CSysModule *module) {
  if (!module) return;
  auto loaded = FindLoadedModule(module);
  if (loaded == g_VecLoadedModules.end()) return;
  if (--loaded->m_cRef <= 0) {
    g_VecLoadedModules.erase(loaded);
    if (g_VecLoadedModules.empty()) std::vector<ModuleCount_t>().swap(g_VecLoadedModules);
  }
  dlclose(module);
}

CreateInterfaceFn Sys_GetFactory(CSysModule *module) {
  if (!module) return nullptr;
  return reinterpret_cast<CreateInterfaceFn>(dlsym(module, "CreateInterface"));
}

void ValidateLoadedModules(CValidator &validator, bool validateAll) {
  validator.Push("CUtlVector<ModuleCount_t>", &g_VecLoadedModules, "g_VecLoadedModules");
  validator.Push("CUtlMemory<ModuleCount_t>", g_VecLoadedModules.data(), "m_Memory");
  if (g_VecLoadedModules.data()) validator.ClaimArrayMemory(g_VecLoadedModules.data());
  validator.Pop();
  validator.Pop();
  if (!validateAll) return;
  for (const ModuleCount_t &loaded : g_VecLoadedModules) {
    if (!(loaded.m_cRef > 0)) {
      AssertMsgImplementation("Assertion Failed: g_VecLoadedModules[ iLoadedModules ].m_cRef > 0", __FILE__,
                              __LINE__);
    }
    CreateInterfaceFn factory = Sys_GetFactory(loaded.m_hModule);
    auto *validate =
        factory ? static_cast<IValidate *>(factory(VALIDATE_INTERFACE_VERSION, nullptr)) : nullptr;
    if (validate) validate->Validate(validator);
  }
}
