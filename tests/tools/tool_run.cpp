#include "tests/tools/tool_run.h"

#include <sys/wait.h>

#include <cstdlib>

namespace {

// Single quotes for the shell, so arguments reach the program exactly.
std::string Quote(const std::string &text) {
  std::string quoted = "'";
  for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace

std::string ToolPath(const std::string &name) {
  const char *bin = getenv("SB_BIN_DIR");
  return std::string(bin ? bin : ".") + "/" + name;
}

ToolResult RunTool(const TempDir &dir, const std::string &program, const std::vector<std::string> &args) {
  std::string command = Quote(ToolPath(program));
  for (const std::string &arg : args) command += " " + Quote(arg);
  command += " </dev/null >" + Quote(dir.File("stdout")) + " 2>" + Quote(dir.File("stderr"));
  ToolResult result;
  const int raw = system(command.c_str());
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  result.out = ReadWholeFile(dir.File("stdout"));
  result.err = ReadWholeFile(dir.File("stderr"));
  return result;
}
