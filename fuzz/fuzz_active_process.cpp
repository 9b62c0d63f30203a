// The active-process record on arbitrary bytes, read from its file as the binding reads it before
// loading the module it names; and a record written for an arbitrary absolute module path, which
// must read back as that path (backslashes as slashes) or not be written at all.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/plexa/active_process.h"
#include "plexa/client_api.h"
#include "support/fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  fuzzsupport::SilenceReports();
  setenv("PLEXA_ACTIVE_PROCESS", (fuzzsupport::ScratchFolder() + "/ActiveProcess.vdf").c_str(), 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size > 100000) return 0;
  const std::string path = ClientAPI_ActiveProcessPath();
  // The first byte picks reading the bytes as a record or writing them as a module path.
  if (size > 0 && (data[0] & 1)) {
    // The host records the absolute path of the module (a bare "007" would read as a number).
    const std::string modulePath = "/" + fuzzsupport::AsText(data + 1, size - 1);
    const int pid = static_cast<int>(size) - 50;
    ActiveProcessInfo info;
    if (!ClientAPI_WriteActiveProcess(modulePath.c_str(), pid)) return 0;
    if (!ReadActiveProcess(info)) abort();
    std::string expected = modulePath.c_str();
    for (char &c : expected) c = c == '\\' ? '/' : c;
    if (info.m_ModulePath != expected || info.m_nPid != pid) abort();
    return 0;
  }
  unlink(path.c_str());
  if (!fuzzsupport::WriteFileBytes(path, data, size)) abort();
  ActiveProcessInfo info;
  if (ReadActiveProcess(info) && info.m_ModulePath.empty()) abort();
  return 0;
}
