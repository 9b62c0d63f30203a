// The shared command-line reader: both value forms, flags, operands, "--", and its refusals.
#include "common/command_line.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "sb_version.h"

namespace {

const CommandOption kOptions[] = {{"--flag"}, {"--help", "-h"}, {"--name", nullptr, true}};

bool Parse(CCommandLine &line, std::vector<const char *> args) {
  args.insert(args.begin(), "program");
  return line.Parse(static_cast<int>(args.size()), args.data(), kOptions);
}

TEST(CommandLine, ReadsBothValueFormsFlagsAndOperands) {
  struct Case {
    std::vector<const char *> args;
    bool flag;
    bool help;
    const char *name;
    std::vector<std::string> operands;
  };
  const Case cases[] = {
      {{"--name", "a", "x"}, false, false, "a", {"x"}},
      {{"--name=a", "x"}, false, false, "a", {"x"}},
      {{"x", "--name=a=b", "y"}, false, false, "a=b", {"x", "y"}},
      {{"--name", "-looks-like-an-option"}, false, false, "-looks-like-an-option", {}},
      {{"--name=first", "--name", "last"}, false, false, "last", {}},  // the last one counts
      {{"-h", "--flag", "-"}, true, true, "", {"-"}},                  // "-" is an operand
      {{"--", "--flag", "-h"}, false, false, "", {"--flag", "-h"}},    // "--" ends the options
  };
  for (const Case &c : cases) {
    CCommandLine line;
    ASSERT_TRUE(Parse(line, c.args)) << c.args[0] << ": " << line.Error();
    EXPECT_EQ(line.Has("--flag"), c.flag) << c.args[0];
    EXPECT_EQ(line.Has("--help"), c.help) << c.args[0];
    EXPECT_EQ(line.Value("--name", ""), c.name) << c.args[0];
    EXPECT_EQ(line.Operands(), c.operands) << c.args[0];
  }
}

TEST(CommandLine, RefusesMistakesByName) {
  struct Case {
    std::vector<const char *> args;
    const char *error;
  };
  const Case cases[] = {
      {{"--bogus"}, "unknown option --bogus"},
      {{"--bogus=1"}, "unknown option --bogus"},
      {{"-x"}, "unknown option -x"},
      {{"--flag=1"}, "--flag takes no value"},
      {{"--name"}, "--name needs a value"},
      {{"--name="}, "--name needs a value"},
      {{"--name", ""}, "--name needs a value"},
  };
  for (const Case &c : cases) {
    CCommandLine line;
    EXPECT_FALSE(Parse(line, c.args)) << c.args[0];
    EXPECT_EQ(line.Error(), c.error);
  }
}

TEST(CommandLine, VersionLineNamesTheProgramAndTheProjectVersion) {
  char text[128] = "";
  FILE *stream = fmemopen(text, sizeof(text), "w");
  ASSERT_NE(stream, nullptr);
  PrintVersion(stream, "tool");
  fclose(stream);
  EXPECT_EQ(std::string(text), std::string("tool ") + SB_VERSION + "\n");
  EXPECT_STRNE(SB_VERSION, "");
}

}  // namespace
