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

// True when `folder` is a folder, not a link to one, owned by the user and open to no group or
// others: nobody else can add, swap or remove files in it. `error` tells why not.
bool IsPrivateFolder(const std::string &folder, std::string *error = nullptr);
// Creates `folder` (0700, with missing parents) when it is missing, then checks it as
// IsPrivateFolder does; an existing folder is never loosened or taken over.
bool MakePrivateFolder(const std::string &folder, std::string *error = nullptr);

}  // namespace plainfile
