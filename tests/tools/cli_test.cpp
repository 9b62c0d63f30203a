// The command lines of kgui-host, kv and sbprobe run as a user runs them: --help and --version on
// each, "--name=value", and mistakes (unknown options, missing files and folders) named on stderr
// with a status that is not 0.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "sb_version.h"
#include "support/temp_dir.h"
#include "tests/tools/tool_run.h"

namespace {

std::string Source(const std::string &name) {
  const char *source = getenv("SB_SOURCE_DIR");
  return std::string(source ? source : ".") + "/" + name;
}

const char *const kPrograms[] = {"kgui-host", "kv", "sbprobe"};

TEST(CommandLines, HelpAndVersionGoToStandardOutput) {
  TempDir dir;
  for (const char *program : kPrograms) {
    for (const char *help : {"--help", "-h"}) {
      ToolResult r = RunTool(dir, program, {help});
      EXPECT_EQ(r.status, 0) << program << " " << help;
      EXPECT_EQ(r.out.rfind(std::string("usage: ") + program + " ", 0), 0u) << r.out;
      EXPECT_NE(r.out.find("--version"), std::string::npos) << r.out;
      EXPECT_EQ(r.err, "");
    }
    ToolResult version = RunTool(dir, program, {"--version"});
    EXPECT_EQ(version.status, 0) << program;
    EXPECT_EQ(version.out, std::string(program) + " " + SB_VERSION + "\n");
    EXPECT_EQ(version.err, "");
  }
}

TEST(CommandLines, MistakesAreNamedOnStandardError) {
  TempDir dir;
  WriteWholeFile(dir.File("file"), "not a folder");
  struct Case {
    const char *program;
    std::vector<std::string> args;
    int status;
    std::string message;
  };
  const std::string module = ToolPath("kguitestmodule.so");
  const Case cases[] = {
      // Options nobody knows, values where none belong, none where one does.
      {"kgui-host", {"--bogus", module}, 1, "kgui-host: unknown option --bogus\n"},
      {"kgui-host", {"--headless=yes", module}, 1, "kgui-host: --headless takes no value\n"},
      {"kgui-host", {module, "--game"}, 1, "kgui-host: --game needs a value\n"},
      {"kgui-host", {"--frames=many", module}, 1, "kgui-host: --frames needs a whole number"},
      {"kv", {"check", "--bogus", dir.File("file")}, 2, "kv: unknown option --bogus\n"},
      {"kv", {"--force=1", "fmt", dir.File("file")}, 2, "kv: --force takes no value\n"},
      {"sbprobe", {"--bogus", module}, 2, "sbprobe: unknown option --bogus\n"},
      {"sbprobe", {}, 2, "sbprobe: no module given\n"},
      {"sbprobe", {module, module}, 2, "sbprobe: only one module at a time\n"},
      // Files and folders that are not there, or cannot be.
      {"kgui-host",
       {"--headless", "--game", dir.File("nogame"), module},
       1,
       "kgui-host: the game folder '" + dir.File("nogame") + "' does not exist\n"},
      {"kgui-host",
       {"--headless", "--game=" + dir.File("file"), module},
       1,
       "kgui-host: the game folder '" + dir.File("file") + "' is not a folder\n"},
      {"kgui-host",
       {"--headless", "--user-dir=" + dir.File("file/user"), module},
       1,
       "kgui-host: cannot create the user folder '" + dir.File("file/user") + "': Not a directory\n"},
      {"kgui-host",
       {"--headless", "--config=" + dir.File("none.vdf"), module},
       1,
       "kgui-host: --config '" + dir.File("none.vdf") + "' does not exist\n"},
      {"kgui-host",
       {"--headless", "--services", dir.File("none.so"), module},
       1,
       "kgui-host: --services '" + dir.File("none.so") + "' does not exist\n"},
      {"kgui-host", {"--headless", "--user-dir", dir.File("user"), dir.File("none.so")}, 1, "no such file"},
      {"kv", {"check", dir.File("none.res")}, 2, "kv: '" + dir.File("none.res") + "' cannot be opened"},
      {"sbprobe", {dir.File("none.so")}, 1, "sbprobe: '" + dir.File("none.so") + "' does not exist\n"},
  };
  for (const Case &c : cases) {
    ToolResult r = RunTool(dir, c.program, c.args);
    EXPECT_EQ(r.status, c.status) << c.message << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "") << c.message;
  }
}

TEST(CommandLines, ValuesAfterAnEqualsSignRunTheHost) {
  TempDir dir;
  ToolResult r = RunTool(dir, "kgui-host",
                         {"--headless", "--game=" + Source("game"), "--user-dir=" + dir.File("new/user"),
                          "--frames=2", "--language=english", ToolPath("kguitestmodule.so")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(std::filesystem::is_directory(dir.File("new/user"))) << "the user folder is made";

  // A file whose name begins with "-" comes after "--".
  WriteWholeFile(dir.File("-odd.res"), "\"A\" { \"k\" \"v\" }\n");
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(dir.Path());
  ToolResult odd = RunTool(dir, "kv", {"check", "--", "-odd.res"});
  std::filesystem::current_path(before);
  EXPECT_EQ(odd.status, 0) << odd.err;
  EXPECT_EQ(odd.out, "-odd.res: ok\n");
}

// kv check's reports are the reader's text, each followed by the line and column it names.
TEST(KvCheck, ReportsEndWithTheirLineAndColumn) {
  TempDir dir;
  WriteWholeFile(dir.File("bad.res"), "\"A\" \"x\"\n\"B\" { \"k\" }\n");
  ToolResult r = RunTool(dir, "kv", {"check", dir.File("bad.res")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "KeyValues Error: LoadFromBuffer: missing {   (current key: 'A') in file " +
                       dir.File("bad.res") +
                       " [offset: 7]\n\n  at line 1, column 8\n"
                       "KeyValues Error: RecursiveLoadFromBuffer:  got } in key in file " +
                       dir.File("bad.res") + " [offset: 19]\nB, k, \n  at line 2, column 12\n" +
                       dir.File("bad.res") + ": 2 errors\n");
}

}  // namespace
