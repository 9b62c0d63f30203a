#include "common/plexa/active_process.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/filesystem_helpers.h"
#include "common/plexa/plain_files.h"
#include "plexa/client_api.h"
#include "tier0/dbg.h"
#include "tier1/KeyValues.h"

namespace {

// A module path and a number: anything near this size is not a record.
constexpr size_t kRecordMaxBytes = 64 * 1024;

struct RecordLocation {
  std::string path;
  // The per-user runtime folder holding it, which must be the user's alone; empty for a path
  // named explicitly.
  std::string privateFolder;
};

RecordLocation LocateRecord() {
  const char *explicitPath = getenv("PLEXA_ACTIVE_PROCESS");
  if (explicitPath && *explicitPath) return {explicitPath, ""};
  const char *runtime = getenv("XDG_RUNTIME_DIR");
  const std::string folder =
      runtime && *runtime ? std::string(runtime) + "/plexa" : "/tmp/plexa-" + std::to_string(getuid());
  return {folder + "/ActiveProcess.vdf", folder};
}

}  // namespace

std::string ClientAPI_ActiveProcessPath() {
  return LocateRecord().path;
}

bool ClientAPI_WriteActiveProcess(const char *modulePath, int pid) {
  // The value is written as a quoted token; a path holding a quote or a line break could not be
  // read back, nor one holding a DEL (the reader ends the text there, so the record would name
  // another module).
  if (!modulePath || !*modulePath || strpbrk(modulePath, "\"\n\x7f")) return false;
  const RecordLocation record = LocateRecord();
  std::string error;
  if (!record.privateFolder.empty()) {
    // The /tmp fallback sits where anyone may have made the folder first.
    if (!plainfile::MakePrivateFolder(record.privateFolder, &error)) {
      Warning("Active process: not recorded: %s\n", error.c_str());
      return false;
    }
  } else {
    const size_t slash = record.path.rfind('/');
    if (slash != std::string::npos && slash > 0 && !plainfile::MakeFolders(record.path.substr(0, slash)))
      return false;
  }

  std::string text = "\"ActiveProcess\"\n{\n\t\"PlexaClientDll\"\t\t\"";
  for (const char *c = modulePath; *c; ++c) text += *c == '\\' ? '/' : *c;
  text += "\"\n\t\"pid\"\t\t\"" + std::to_string(pid) + "\"\n}\n";
  if (ReplaceFileContents(record.path, text.data(), text.size(), &error, ReplacedFileMode::UserOnly))
    return true;
  Warning("Active process: not recorded: %s\n", error.c_str());
  return false;
}

bool ReadActiveProcess(ActiveProcessInfo &info) {
  const RecordLocation record = LocateRecord();
  // The file names a library we are about to load: only one the user alone could have written
  // counts, and only in a folder nobody else may change (its owner could swap the file at will).
  std::string text, error;
  bool exists = false;
  if (!ReadCheckedFile(record.path, text, kRecordMaxBytes, FileTrust::Private, &error, &exists) ||
      (!record.privateFolder.empty() && !plainfile::IsPrivateFolder(record.privateFolder, &error))) {
    if (exists) Warning("Active process: record ignored: %s\n", error.c_str());
    return false;
  }
  KeyValuesAD root(new KeyValues("ActiveProcess"));
  std::string errors;
  if (!root->LoadFromBuffer(record.path.c_str(), text.c_str(), &errors)) return false;
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
