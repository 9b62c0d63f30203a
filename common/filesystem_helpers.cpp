#include "common/filesystem_helpers.h"

#include <unistd.h>

#include <climits>
#include <string>

#include "filesystem.h"
#include "tier0/dbg.h"
#include "tier1/utlbuffer.h"

bool LoadFileIntoBuffer(IFileSystem *fileSystem, const char *path, CUtlBuffer &buf, bool text,
                        const char *pathID) {
  if (!fileSystem || !path) {
    AssertMsg(false, "LoadFileIntoBuffer: NULL parameters");
    return false;
  }
  if (buf.IsReadOnly()) return false;
  FileHandle_t file = fileSystem->Open(path, "rb", pathID);
  if (!file) return false;

  const unsigned int size = fileSystem->Size(file);
  // Room for the data and the NUL after it.
  if (size >= static_cast<unsigned int>(INT_MAX) || !buf.EnsureCapacity(static_cast<int>(size) + 1)) {
    fileSystem->Close(file);
    return false;
  }
  buf.Clear();
  buf.SetBufferType(text, text);

  const int wanted = static_cast<int>(size);
  int total = 0;
  while (total < wanted) {
    const int count = fileSystem->Read(static_cast<char *>(buf.Base()) + total, wanted - total, file);
    if (count <= 0) break;
    total += count;
  }
  fileSystem->Close(file);
  if (total != wanted) return false;

  buf.SeekPut(CUtlBuffer::SEEK_HEAD, wanted);
  static_cast<char *>(buf.Base())[wanted] = '\0';
  return true;
}

namespace {

void ReportSaveFailure(const char *what, const char *path, const char *pathID) {
  Msg("SaveBufferToFile: couldn't %s file \"%s\" in path \"%s\".\n", what, path, pathID ? pathID : "NULL");
}

// Writes every byte, going on after short writes; false when the file service stops taking them.
bool WriteAll(IFileSystem *fileSystem, FileHandle_t file, const char *data, int size) {
  while (size > 0) {
    const int written = fileSystem->Write(data, size, file);
    if (written <= 0 || written > size) return false;
    data += written;
    size -= written;
  }
  return true;
}

}  // namespace

bool SaveBufferToFile(IFileSystem *fileSystem, const char *path, CUtlBuffer &buf, const char *pathID) {
  if (!fileSystem || !path) return false;
  // A buffer that dropped writes holds a cut text; keep the old file instead.
  if (buf.GetErrorFlags() & CUtlBuffer::PUT_OVERFLOW) {
    ReportSaveFailure("write incomplete data to", path, pathID);
    return false;
  }

  // Beside the target, in the same path id, so the rename stays within one directory.
  const std::string temporary = std::string(path) + "." + std::to_string(getpid()) + ".tmp";
  FileHandle_t file = fileSystem->Open(temporary.c_str(), "wb", pathID);
  if (!file) {
    ReportSaveFailure("open", path, pathID);
    return false;
  }
  const bool written = WriteAll(fileSystem, file, static_cast<const char *>(buf.Base()), buf.TellPut());
  const bool closed = fileSystem->Close(file);
  if (written && closed && fileSystem->RenameFile(temporary.c_str(), path, pathID)) return true;

  ReportSaveFailure(!written ? "write" : !closed ? "close" : "replace", path, pathID);
  fileSystem->RemoveFile(temporary.c_str(), pathID);
  return false;
}
