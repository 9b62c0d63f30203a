// A fresh directory under the suite's scratch root ($SB_TEST_TMP), removed with the object.
#pragma once

#include <string>

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir &) = delete;
  TempDir &operator=(const TempDir &) = delete;

  const std::string &Path() const { return m_Path; }
  // Path of `name` inside the directory.
  std::string File(const std::string &name) const { return m_Path + "/" + name; }

  // Creates the suite's scratch root; called once by the test main.
  static void PrepareSuiteRoot();

 private:
  std::string m_Path;
};

// Whole-file helpers for tests.
std::string ReadWholeFile(const std::string &path);
void WriteWholeFile(const std::string &path, const std::string &content);
