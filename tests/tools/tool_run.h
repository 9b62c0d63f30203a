// Runs a built program the way a user does from a shell, its output streams kept apart.
#pragma once

#include <string>
#include <vector>

#include "support/temp_dir.h"

struct ToolResult {
  int status = -1;  // the exit status, -1 when it did not exit
  std::string out;
  std::string err;
};

// The path of a built program ($SB_BIN_DIR/name).
std::string ToolPath(const std::string &name);
// Runs `program` (a built one) with `args` and no input; its streams go through files in `dir`.
ToolResult RunTool(const TempDir &dir, const std::string &program, const std::vector<std::string> &args);
