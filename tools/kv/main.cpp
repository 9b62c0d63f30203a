#include <string>
#include <vector>

#include "tools/kv/kv_tool.h"

int main(int argc, char **argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return CKvTool(stdout, stderr).Run(args);
}
