// Whole-file helpers on plain paths, shared by the services binding and the services stand-in
// (which work outside the host's file system).
#pragma once

#include <cstdint>
#include <string>

namespace plainfile {

// Replaces `text` with the file's bytes; false when it cannot be opened or read (errno tells why).
// `exists`, when given, tells whether the file is there.
bool ReadWholeFile(const std::string &path, std::string &text, bool *exists = nullptr);

// How far a file the program did not write is trusted.
enum class FileTrust {
  Any,      // any owner and mode; a link is followed
  Private,  // it decides what is loaded: no link, owned by the user or root, writable by no one else
};

// Reads a file the program did not write into `text`: opened once, without blocking, then checked
// on what was opened (a regular file of at most `maxBytes`, and what `trust` asks) and read from
// there, never more than `maxBytes`. False with `error` (naming the file) telling why; `exists`
// tells whether anything is there.
bool ReadCheckedFile(const std::string &path, std::string &text, size_t maxBytes, FileTrust trust,
                     std::string *error = nullptr, bool *exists = nullptr);

// Creates `folder` and its missing parents (mode 0700).
bool MakeFolders(const std::string &folder);

// True when `folder` is a folder, not a link to one, owned by the user and open to no group or
// others: nobody else can add, swap or remove files in it. `error` tells why not.
bool IsPrivateFolder(const std::string &folder, std::string *error = nullptr);
// Creates `folder` (0700, with missing parents) when it is missing, then checks it as
// IsPrivateFolder does; an existing folder is never loosened or taken over.
bool MakePrivateFolder(const std::string &folder, std::string *error = nullptr);

// Moves the damaged file `path` aside as "<path>.damaged-<UTC time of unixTime>" ("-2", "-3"...
// after it when a copy of that second exists), never over an earlier copy, then removes the oldest
// such copies beyond `keep`. `aside` receives the name used. False (errno set) when it cannot be
// moved.
bool MoveAsideAsDamaged(const std::string &path, int64_t unixTime, int keep, std::string &aside);

}  // namespace plainfile
