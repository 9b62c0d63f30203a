// Whole-file reads and safe whole-file saves through the host's file service.
#pragma once

class CUtlBuffer;
class IFileSystem;

// Reads the whole file into `buf` (reset first; text mode as asked). On a complete read the data
// is the file's bytes followed by a NUL that is not counted. False when the file cannot be
// opened or read completely.
bool LoadFileIntoBuffer(IFileSystem *fileSystem, const char *path, CUtlBuffer &buf, bool text,
                        const char *pathID = nullptr);

// Stores the buffer's bytes up to its put offset as the file `path`. The bytes are written to a
// file beside it first and renamed over it only when every write and the close succeeded, so a
// failed save leaves the old file as it was. False on any failure (the temporary file is removed),
// and when the buffer had a write that did not fit.
bool SaveBufferToFile(IFileSystem *fileSystem, const char *path, CUtlBuffer &buf,
                      const char *pathID = nullptr);
