#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "tests/tools/tool_run.h"

namespace {

// Runs the built kv with `args`.
ToolResult RunKv(const TempDir &dir, const std::vector<std::string> &args) {
  return RunTool(dir, "kv", args);
}

const char kExample[] =
    "\"Example\"\n"
    "{\n"
    "\t\"title\"\t\t\"Server list\"\n"
    "\t\"count\"\t\t\"25\"\n"
    "\t\"ratio\"\t\t\"0.5\"\n"
    "\t\"options\"\n"
    "\t{\n"
    "\t\t\"fullscreen\"\t\t\"1\"\t[$WIN32]\n"
    "\t\t\"fullscreen\"\t\t\"0\"\t[!$WIN32]\n"
    "\t}\n"
    "}\n";

TEST(KvTool, HelpAndBadCommandLines) {
  TempDir dir;
  ToolResult help = RunKv(dir, {"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("usage: kv check FILE..."), std::string::npos);
  EXPECT_EQ(help.err, "");

  struct Case {
    std::vector<std::string> args;
    const char *message;
  };
  const Case cases[] = {
      {{}, "usage: kv"},
      {{"frobnicate", "x"}, "kv: unknown command 'frobnicate'"},
      {{"dump"}, "kv dump: wrong arguments"},
      {{"dump", "a", "b"}, "kv dump: wrong arguments"},
      {{"check"}, "kv check: wrong arguments"},
      {{"fmt", "a", "b", "--force"}, "kv fmt: wrong arguments"},
  };
  for (const Case &c : cases) {
    ToolResult r = RunKv(dir, c.args);
    EXPECT_EQ(r.status, 2) << c.message;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
  }
}

TEST(KvTool, DumpShowsTheTreeOfTheExample) {
  TempDir dir;
  WriteWholeFile(dir.File("example.res"), kExample);
  ToolResult r = RunKv(dir, {"dump", dir.File("example.res")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "\"Example\" 0\n"
            "  \"title\" 1 \"Server list\"\n"
            "  \"count\" 2 \"25\"\n"
            "  \"ratio\" 1 \"0.5\"\n"
            "  \"options\" 0\n"
            "    \"fullscreen\" 2 \"1\"\n");
}

TEST(KvTool, DumpShowsPeersAndReportsErrors) {
  TempDir dir;
  WriteWholeFile(dir.File("peers.res"), "\"A\" { \"n\" \"25\" \"s\" \"x\" } \"B\" { \"c\" { } }");
  ToolResult r = RunKv(dir, {"dump", dir.File("peers.res")});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "\"A\" 0\n  \"n\" 2 \"25\"\n  \"s\" 1 \"x\"\n\"B\" 0\n  \"c\" 0\n");

  WriteWholeFile(dir.File("broken.res"), "\"A\" { \"n\" \"1\" \"m\"");
  ToolResult broken = RunKv(dir, {"dump", dir.File("broken.res")});
  EXPECT_EQ(broken.status, 1);
  EXPECT_EQ(broken.out, "\"A\" 0\n  \"n\" 2 \"1\"\n  \"m\" 0\n");
  EXPECT_NE(broken.err.find("KeyValues Error: RecursiveLoadFromBuffer:  got NULL key in file " +
                            dir.File("broken.res")),
            std::string::npos)
      << broken.err;

  WriteWholeFile(dir.File("empty.res"), "// nothing here\n");
  ToolResult empty = RunKv(dir, {"dump", dir.File("empty.res")});
  EXPECT_EQ(empty.status, 0);
  EXPECT_EQ(empty.out, "");
}

// Names and values may hold escape sequences meant for the terminal the output reaches: every
// control character is shown as \xNN instead, in the tree, the reports and file names alike.
TEST(KvTool, ControlCharactersNeverReachTheTerminal) {
  TempDir dir;
  WriteWholeFile(dir.File("controls.res"),
                 "\"A\x1B[2J\" { \"k\x1B]0;title\x07\" \"v\x1B[31m\rred\" u\x7Fq \"w\tx\ny\" }");
  ToolResult r = RunKv(dir, {"dump", dir.File("controls.res")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "\"A\\x1B[2J\" 0\n"
            "  \"k\\x1B]0;title\\x07\" 1 \"v\\x1B[31m\\x0Dred\"\n"
            "  \"u\\x7Fq\" 1 \"w\\x09x\\x0Ay\"\n");

  const std::string odd = dir.File("odd\x1B[5m.res");
  WriteWholeFile(odd, "\"A\" { \"k\x1B[1m\" }");
  ToolResult check = RunKv(dir, {"check", odd, dir.File("gone\x07.res")});
  EXPECT_EQ(check.status, 2);
  EXPECT_NE(check.out.find("got } in key in file " + dir.File("odd\\x1B[5m.res")), std::string::npos)
      << check.out;
  EXPECT_NE(check.out.find("A, k\\x1B[1m, \n"), std::string::npos) << check.out;
  EXPECT_NE(check.err.find("kv: '" + dir.File("gone\\x07.res") + "' cannot be opened"), std::string::npos)
      << check.err;
  ToolResult unknown = RunKv(dir, {"\x1B[8m"});
  EXPECT_NE(unknown.err.find("unknown command '\\x1B[8m'"), std::string::npos) << unknown.err;
  for (const ToolResult *result : {&r, &check, &unknown}) {
    for (const std::string *text : {&result->out, &result->err}) {
      EXPECT_EQ(text->find_first_of("\x1B\x07\x7F\r"), std::string::npos) << *text;
    }
  }
}

TEST(KvTool, CheckPrintsReportsAndSetsTheStatus) {
  TempDir dir;
  WriteWholeFile(dir.File("good.res"), kExample);
  WriteWholeFile(dir.File("bad.res"), "\"A\" \"x\"\n\"B\" { \"k\" }\n");
  WriteWholeFile(dir.File("odd.res"), "\"A\" { \"k\" \"v\" [$WIN32|$OSX] }\n#include \"other.res\"\n");

  ToolResult good = RunKv(dir, {"check", dir.File("good.res"), dir.File("odd.res")});
  EXPECT_EQ(good.status, 0);
  EXPECT_EQ(good.out, dir.File("good.res") + ": ok\n" + "Bad expression token: | $\n" +
                          "KeyValues don't support #include anymore, file \"" + dir.File("odd.res") + "\"\n" +
                          dir.File("odd.res") + ": ok\n");
  EXPECT_EQ(good.err, "");

  ToolResult bad = RunKv(dir, {"check", dir.File("good.res"), dir.File("bad.res")});
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.out.find("KeyValues Error: LoadFromBuffer: missing {   (current key: 'A') in file " +
                         dir.File("bad.res") + " [offset: 7]\n"),
            std::string::npos)
      << bad.out;
  EXPECT_NE(bad.out.find("KeyValues Error: RecursiveLoadFromBuffer:  got } in key"), std::string::npos);
  EXPECT_NE(bad.out.find(dir.File("bad.res") + ": 2 errors\n"), std::string::npos);
  EXPECT_EQ(bad.err, "");

  ToolResult missing = RunKv(dir, {"check", dir.File("nope.res"), dir.File("bad.res")});
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.err, "kv: '" + dir.File("nope.res") + "' cannot be opened: No such file or directory\n");
  EXPECT_NE(missing.out.find(dir.File("bad.res") + ": 2 errors"), std::string::npos)
      << "the others are checked";

  ToolResult directory = RunKv(dir, {"check", dir.Path()});
  EXPECT_EQ(directory.status, 2);
}

// What cannot be a key/value file is refused at once with why: a FIFO without a writer (once a
// hang), an endless device (once all memory), a folder.
TEST(KvTool, RefusesWhatIsNotARegularFile) {
  TempDir dir;
  ASSERT_EQ(mkfifo(dir.File("pipe").c_str(), 0600), 0);
  for (const std::string &path : {dir.File("pipe"), std::string("/dev/zero"), dir.Path()}) {
    ToolResult r = RunKv(dir, {"check", path});
    EXPECT_EQ(r.status, 2) << path;
    EXPECT_EQ(r.err, "kv: '" + path + "' is not a regular file\n") << path;
  }
}

TEST(KvTool, FmtWritesTheStandardLayout) {
  TempDir dir;
  WriteWholeFile(dir.File("messy.res"), "A{k v n=12 sub{ \"x y\" \"q\\\"z\" }} B { }");
  ToolResult r = RunKv(dir, {"fmt", dir.File("messy.res")});
  EXPECT_EQ(r.status, 0) << r.err;
  const std::string expected =
      "\"A\"\n{\n\t\"k\"\t\t\"v\"\n\t\"n\"\t\t\"12\"\n\t\"sub\"\n\t{\n\t\t\"x y\"\t\t\"q\\\"z\"\n\t}\n}\n"
      "\"B\"\n{\n}\n";
  EXPECT_EQ(r.out, expected);

  // Formatting is stable: the output formats to itself.
  WriteWholeFile(dir.File("tidy.res"), r.out);
  EXPECT_EQ(RunKv(dir, {"fmt", dir.File("tidy.res")}).out, expected);
}

TEST(KvTool, FmtRefusesWhatItWouldDrop) {
  TempDir dir;
  struct Case {
    const char *text;
    const char *message;
    const char *forced;
  };
  const Case cases[] = {
      {"// a comment\nA { k v }", "holds comments, which formatting would drop",
       "\"A\"\n{\n\t\"k\"\t\t\"v\"\n}\n"},
      {"A { k v [$OSX] j w }", "holds conditional entries, which", "\"A\"\n{\n\t\"j\"\t\t\"w\"\n}\n"},
      {"A { k [$WIN32] { } } // c", "holds comments, conditional entries, which",
       "\"A\"\n{\n\t\"k\"\n\t{\n\t}\n}\n"},
      {"#include \"x.res\"\nA { }", "holds #include lines, which", "\"A\"\n{\n}\n"},
      {"A { k v } B x", "has errors", "\"A\"\n{\n\t\"k\"\t\t\"v\"\n}\n\"B\"\n{\n}\n"},
  };
  for (const Case &c : cases) {
    WriteWholeFile(dir.File("in.res"), c.text);
    ToolResult refused = RunKv(dir, {"fmt", dir.File("in.res")});
    EXPECT_EQ(refused.status, 1) << c.text;
    EXPECT_EQ(refused.out, "") << c.text;
    EXPECT_NE(refused.err.find(c.message), std::string::npos) << refused.err;

    ToolResult forced = RunKv(dir, {"fmt", "--force", dir.File("in.res")});
    EXPECT_EQ(forced.status, 0) << c.text;
    EXPECT_EQ(forced.out, c.forced) << c.text;
  }
  ToolResult missing = RunKv(dir, {"fmt", dir.File("none.res")});
  EXPECT_EQ(missing.status, 2);
  EXPECT_NE(missing.err.find("cannot be opened"), std::string::npos);
}

}  // namespace
