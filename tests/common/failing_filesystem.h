// A file service that passes calls to the stdio one and injects one chosen fault, recording what
// it was asked to do. It names no plain files (GetLocalWritePath keeps its default), so saves go
// through its operations, where the faults are.
#pragma once

#include <string>
#include <vector>

#include "common/filesystem_stdio.h"

class CFailingFileSystem final : public IFileSystem {
 public:
  enum Fault {
    NONE,
    OPEN_FOR_WRITING,  // opening for writing fails
    SMALL_WRITES,      // every write takes at most 3 bytes (not a failure)
    DISK_FULL,         // the first write takes half, then nothing more
    WRITE_ERROR,       // writes report nothing written
    CLOSE_ERROR,       // close reports buffered data lost
    RENAME_ERROR,      // rename fails
    SHORT_READ,        // reads stop halfway through the file
  };

  explicit CFailingFileSystem(Fault fault = NONE) : m_Fault(fault) {}
  virtual ~CFailingFileSystem() = default;

  std::vector<std::string> m_Opened;   // "path|mode|pathID"
  std::vector<std::string> m_Renamed;  // "old|new|pathID"
  std::vector<std::string> m_Removed;  // "path|pathID"
  CStdioFileSystem m_Inner;

  FileHandle_t Open(const char *fileName, const char *options, const char *pathID = nullptr) override {
    m_Opened.push_back(std::string(fileName) + "|" + options + "|" + (pathID ? pathID : "null"));
    if (m_Fault == OPEN_FOR_WRITING && options[0] == 'w') return nullptr;
    return m_Inner.Open(fileName, options, pathID);
  }
  unsigned int Size(FileHandle_t file) override { return m_Inner.Size(file); }
  int Read(void *output, int size, FileHandle_t file) override {
    if (m_Fault == SHORT_READ) {
      const int half = static_cast<int>(m_Inner.Size(file) / 2);
      if (m_nRead >= half) return 0;
      size = size < half - m_nRead ? size : half - m_nRead;
    }
    const int count = m_Inner.Read(output, size, file);
    m_nRead += count;
    return count;
  }
  int Write(const void *input, int size, FileHandle_t file) override {
    switch (m_Fault) {
      case SMALL_WRITES:
        return m_Inner.Write(input, size < 3 ? size : 3, file);
      case DISK_FULL:
        if (m_bFull) return 0;
        m_bFull = true;
        return m_Inner.Write(input, size / 2, file);
      case WRITE_ERROR:
        return 0;
      default:
        return m_Inner.Write(input, size, file);
    }
  }
  bool Close(FileHandle_t file) override {
    const bool closed = m_Inner.Close(file);
    return m_Fault == CLOSE_ERROR ? false : closed;
  }
  bool RenameFile(const char *oldPath, const char *newPath, const char *pathID = nullptr) override {
    m_Renamed.push_back(std::string(oldPath) + "|" + newPath + "|" + (pathID ? pathID : "null"));
    return m_Fault == RENAME_ERROR ? false : m_Inner.RenameFile(oldPath, newPath, pathID);
  }
  bool RemoveFile(const char *path, const char *pathID = nullptr) override {
    m_Removed.push_back(std::string(path) + "|" + (pathID ? pathID : "null"));
    return m_Inner.RemoveFile(path, pathID);
  }

 private:
  Fault m_Fault;
  int m_nRead = 0;
  bool m_bFull = false;
};
