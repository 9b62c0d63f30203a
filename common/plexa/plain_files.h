// Whole-file helpers on plain paths, shared by the services binding and the services stand-in
// (which work outside the host's file system).
#pragma once

#include <string>

namespace plainfile {

// Replaces `text` with the file's bytes; false when it cannot be opened or read (errno tells why).
// `exists`, when given, tells whether the file is there.
bool ReadWholeFile(const std::string &path, std::string &text, bool *exists = nullptr);

// Creates `folder` and its missing parents (mode 0700).
bool MakeFolders(const std::string &folder);

}  // namespace plainfile
