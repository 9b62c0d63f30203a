#include "bench_support.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>

double SecondsSince(BenchClock::time_point start) {
  return std::chrono::duration<double>(BenchClock::now() - start).count();
}

int IntArg(int argc, char **argv, const char *name, int fallback) {
  for (int i = 1; i + 1 < argc; ++i)
    if (!strcmp(argv[i], name)) return atoi(argv[i + 1]);
  return fallback;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0.0;
  std::nth_element(values.begin(), values.begin() + static_cast<long>(values.size() / 2), values.end());
  return values[values.size() / 2];
}

void UseToolsBesideThisProgram() {
  if (getenv("SB_BIN_DIR")) return;
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  setenv("SB_BIN_DIR", error ? "." : self.parent_path().c_str(), 1);
}
