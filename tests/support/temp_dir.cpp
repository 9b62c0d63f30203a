#include "support/temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <unistd.h>

namespace {
std::string SuiteRoot() {
  const char *root = getenv("SB_TEST_TMP");
  if (root && *root) return root;
  return (std::filesystem::temp_directory_path() / ("sb-test-" + std::to_string(getpid()))).string();
}
}  // namespace

void TempDir::PrepareSuiteRoot() { std::filesystem::create_directories(SuiteRoot()); }

TempDir::TempDir() {
  std::string pattern = SuiteRoot() + "/tmp-XXXXXX";
  std::filesystem::create_directories(SuiteRoot());
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed for " + pattern);
  m_Path = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(m_Path, ignored);
}

std::string ReadWholeFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void WriteWholeFile(const std::string &path, const std::string &content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}
