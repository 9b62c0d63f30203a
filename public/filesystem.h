// The host's file service, as far as whole-file reads and atomic saves need it.
#pragma once

#include "tier0/platform.h"

#define FILESYSTEM_INTERFACE_VERSION "KFileSystem013"

using FileHandle_t = void *;

class IFileSystem {
 public:
  // Opens `fileName` with a C mode ("rb", "wb", ...). With no path id an absolute path is used as
  // given and a relative one is searched in "GAME" then "CONFIG" (written into "CONFIG").
  virtual FileHandle_t Open(const char *fileName, const char *options, const char *pathID = nullptr) = 0;
  virtual unsigned int Size(FileHandle_t file) = 0;
  // Returns the number of bytes read.
  virtual int Read(void *output, int size, FileHandle_t file) = 0;
  // Returns the number of bytes written.
  virtual int Write(const void *input, int size, FileHandle_t file) = 0;
  // Returns false when buffered data could not be written out.
  virtual bool Close(FileHandle_t file) = 0;
  // Replaces `newPath` with `oldPath` in one step (both in the same path id).
  virtual bool RenameFile(const char *oldPath, const char *newPath, const char *pathID = nullptr) = 0;
  virtual bool RemoveFile(const char *path, const char *pathID = nullptr) = 0;

  // ---- Appended operations: the slots above keep their places, and a service written before
  // these were added answers with the defaults below.

  // The plain file `fileName` names for writing in `pathID` (the file Open would write, with the
  // folders Open would make), copied to `localPath` (`localPathSize` bytes with the NUL), so that a
  // save can replace it beneath the service: exclusively, durably and keeping its permissions
  // (SaveBufferToFile). False when the service keeps no plain files, the name resolves to none or
  // the path does not fit; saves then go through the operations above.
  virtual bool GetLocalWritePath(const char * /*fileName*/, const char * /*pathID*/, char * /*localPath*/,
                                 int /*localPathSize*/) {
    return false;
  }

 protected:
  ~IFileSystem() = default;
};
