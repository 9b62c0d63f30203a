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

 protected:
  ~IFileSystem() = default;
};
