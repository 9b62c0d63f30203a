// Whole-file reads and safe whole-file saves, through the host's file service or on plain paths.
#pragma once

#include <cstddef>
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
