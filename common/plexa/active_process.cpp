#include "common/plexa/active_process.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/plexa/plain_files.h"
#include "plexa/client_api.h"
#include "tier1/KeyValues.h"

std::string ClientAPI_ActiveProcessPath() {
  const char *explicitPath = getenv("PLEXA_ACTIVE_PROCESS");
  if (explicitPath && *explicitPath) return explicitPath;
  const char *runtime = getenv("XDG_RUNTIME_DIR");
  if (runtime && *runtime) return std::string(runtime) + "/plexa/ActiveProcess.vdf";
  return "/tmp/plexa-" + std::to_string(getuid()) + "/ActiveProcess.vdf";
}

bool ClientAPI_WriteActiveProcess(const char *modulePath, int pid) {
  // The value is written as a quoted token; a path holding a quote could not be read back.
  if (!modulePath || !*modulePath || strchr(modulePath, '"') || strchr(modulePath, '\n')) return false;
  const std::string path = ClientAPI_ActiveProcessPath();
  const size_t slash = path.rfind('/');
  if (slash != std::string::npos && slash > 0 && !plainfile::MakeFolders(path.substr(0, slash))) return false;

  std::string text = "\"ActiveProcess\"\n{\n\t\"PlexaClientDll\"\t\t\"";
  for (const char *c = modulePath; *c; ++c) text += *c == '\\' ? '/' : *c;
  text += "\"\n\t\"pid\"\t\t\"" + std::to_string(pid) + "\"\n}\n";

  const std::string temp = path + ".tmp";
  const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  bool ok = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  ok = ok && rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) unlink(temp.c_str());
  return ok;
}

bool ReadActiveProcess(ActiveProcessInfo &info) {
  const std::string path = ClientAPI_ActiveProcessPath();
  // The file names a library we are about to load: only one the user alone could have written
  // counts (the fallback folder sits in the shared /tmp).
  struct stat owner {};
  if (stat(path.c_str(), &owner) != 0 || owner.st_uid != getuid() || (owner.st_mode & (S_IWGRP | S_IWOTH)))
    return false;
  std::string text;
  if (!plainfile::ReadWholeFile(path, text)) return false;
  KeyValuesAD root(new KeyValues("ActiveProcess"));
  std::string errors;
  if (!root->LoadFromBuffer(path.c_str(), text.c_str(), &errors)) return false;
  info.m_ModulePath = root->GetString("PlexaClientDll", "");
  KeyValues::ConversionStatus status = KeyValues::Success;
  info.m_nPid = root->GetInt("pid", 0, &status);
  if (status != KeyValues::Success) info.m_nPid = 0;
  return !info.m_ModulePath.empty();
}

bool IsProcessRunning(int pid) {
  if (pid <= 0) return false;
  std::string stat;
  if (!plainfile::ReadWholeFile("/proc/" + std::to_string(pid) + "/stat", stat)) return false;
  // The state letter follows the command name, which is in parentheses and may hold spaces.
  const size_t close = stat.rfind(')');
  return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] != 'Z';
}
