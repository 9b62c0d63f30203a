// Whole-file reads and safe whole-file saves, through the host's file service or on plain paths.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

class CUtlBuffer;
class IFileSystem;

// Reads the whole file into `buf` (reset first; text mode as asked). On a complete read the data
// is the file's bytes followed by a NUL that is not counted. False when the file cannot be
// opened or read completely.
bool LoadFileIntoBuffer(IFileSystem *fileSystem, const char *path, CUtlBuffer &buf, bool text,
                        const char *pathID = nullptr);

// Stores the buffer's bytes up to its put offset as the file `path`. Where the service keeps plain
// files the save is ReplaceFileContents'. Otherwise the bytes go to a temporary file beside the
// target, created exclusively, and are renamed over it only when every write and the close
// succeeded. Either way a failed save leaves the old file as it was. False on any failure (the
// temporary file is removed), and when the buffer had a write that did not fit.
bool SaveBufferToFile(IFileSystem *fileSystem, const char *path, CUtlBuffer &buf,
                      const char *pathID = nullptr);

// The permission bits a replaced file gets. A new file is always the user's alone (0600).
enum class ReplacedFileMode {
  Kept,      // those of the file it replaces, whatever the umask
  UserOnly,  // 0600 even when the old file was wider
};

// Replaces the plain file `path` with `size` bytes so that a reader, even after a crash or a power
// cut, finds the old file or the whole new one. The bytes go to "<path>.<pid>.tmp", created in the
// same folder exclusively (an existing file or link of that name is never written through); they
// are written, their size checked, flushed to the disk, renamed over `path`, and the folder is
// flushed. Temporary files of `path` left by processes that have ended are removed first. On
// failure the old file is as it was, the temporary file is gone and `error` (when given) tells
// which step failed and why.
bool ReplaceFileContents(const std::string &path, const void *data, size_t size, std::string *error = nullptr,
                         ReplacedFileMode mode = ReplacedFileMode::Kept);

// How far a file the program did not write is trusted.
enum class FileTrust {
  Any,      // any owner and mode; a link is followed unless its folder is open to other users
  Private,  // it decides what is loaded: no link, owned by the user or root, writable by no one else
};

// The most a file service reads of one file. Nothing it reads comes near: a bigger file is
// refused rather than allowed to take the memory.
constexpr size_t kMaxReadFileBytes = size_t{64} << 20;

// What a file must be to be read.
struct CheckedFileRules {
  size_t maxBytes = kMaxReadFileBytes;
  FileTrust trust = FileTrust::Any;
  // When set, the file, once links are followed, must lie inside this folder: data may link within
  // its search root, never out of it.
  std::string within;
};

// Opens a file the program did not write: once, without blocking (a FIFO or a device never makes
// the reader wait), then checks what was opened, not the name: a regular file of at most
// `rules.maxBytes`, placed and owned as `rules` ask. A link whose folder others can write (or that
// belongs to another user) is refused, since they could point it anywhere. Returns a blocking,
// close-on-exec descriptor, or -1 with `error` naming the file and telling why; `exists` tells
// whether anything is there.
int OpenCheckedFile(const std::string &path, const CheckedFileRules &rules, std::string *error = nullptr,
                    bool *exists = nullptr);

// OpenCheckedFile as a stdio stream for reading; null with `error` (and `exists`) as there.
FILE *OpenCheckedStream(const std::string &path, const CheckedFileRules &rules, std::string *error = nullptr,
                        bool *exists = nullptr);

// True when fopen-style `options` ask to write ("w", "a" or "+").
bool IsWriteMode(const char *options);

// OpenCheckedFile, then the whole file into `text`, never more than `maxBytes` even when the file
// grows meanwhile. False with `error` when it cannot be opened or read or is too big.
bool ReadCheckedFile(const std::string &path, std::string &text, size_t maxBytes, FileTrust trust,
                     std::string *error = nullptr, bool *exists = nullptr);

// Moves the damaged file `path` aside as "<path>.damaged-<UTC time of unixTime>" ("-2", "-3"...
// after it when a copy of that second exists), never over an earlier copy, then removes the oldest
// such copies beyond `keep`. `aside` receives the name used. False (errno set) when it cannot be
// moved.
bool MoveAsideAsDamaged(const std::string &path, int64_t unixTime, int keep, std::string &aside);

// What became of a file of a file service that could not be used.
enum class EUnusableFile {
  Absent,  // nothing there: nothing to keep
  KeptAside,
  CannotMove,  // still in place (errno tells why): it must not be saved over
};

// Moves the file `path` of `fileSystem`, when anything is there, aside as MoveAsideAsDamaged does,
// so that saving defaults does not replace what the user had. `aside` receives the copy's name.
EUnusableFile KeepUnusableFile(IFileSystem *fileSystem, const char *path, const char *pathID, int keep,
                               std::string &aside);
