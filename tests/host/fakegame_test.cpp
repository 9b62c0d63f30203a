// What fakegame makes of its arguments: the server and password it joins with, and the copy of
// its command line it logs.
#include "tests/host/host_fixture.h"
#include "tools/fakegame/connect_args.h"

namespace fakegame {
namespace {

TEST(FakegameArgs, FindsTheServerAndItsPassword) {
  struct Case {
    const char *commandLine;
    const char *address;  // "" when no server is joined
    const char *password;
    const char *problem;  // part of the problem, "" for none
  };
  const Case cases[] = {
      {"-game vanguard +connect 10.0.0.2:27015", "10.0.0.2:27015", "", ""},
      {"+connect 10.0.0.2:27015 +password \"two words\"", "10.0.0.2:27015", "two words", ""},
      {"+password first +connect 10.0.0.2:27015 +password second", "10.0.0.2:27015", "first", ""},
      {"+connect 10.0.0.2:27015 +connect 10.0.0.3:27016", "10.0.0.2:27015", "", ""},
      {"10.0.0.4:27020?password=pw", "10.0.0.4:27020", "pw", ""},
      {"10.0.0.4:27020?mode=x&password=pw&team=2", "10.0.0.4:27020", "pw", ""},
      {"-aspect 16:9 10.0.0.4:27020", "10.0.0.4:27020", "", ""},
      {"+connect 10.0.0.2", "", "", "cannot read the address '10.0.0.2'"},
      {"+connect host.example:27015", "", "", "cannot read the address"},
      {"+connect", "", "", "cannot read the address ''"},
      {"+connect 10.0.0.2:27015 +password \"a\x1b[2J\"", "", "", "control characters"},
      {"10.0.0.300:27015", "", "", ""},
      {"-game vanguard", "", "", ""},
  };
  for (const Case &c : cases) {
    CConnectTarget target = FindConnectTarget(SplitConsoleText(c.commandLine));
    EXPECT_EQ(target.Found() ? target.Address() : "", c.address) << c.commandLine;
    EXPECT_EQ(target.Found() ? target.password : "", target.Found() ? c.password : "") << c.commandLine;
    EXPECT_NE(target.problem.find(c.problem), std::string::npos) << c.commandLine << ": " << target.problem;
    EXPECT_EQ(target.problem.empty(), !*c.problem) << c.commandLine << ": " << target.problem;
  }
}

TEST(FakegameArgs, TheLoggedCommandLineHidesPasswordsAndControlCharacters) {
  struct Case {
    std::vector<std::string> words;
    const char *shown;
  };
  const Case cases[] = {
      {{"+connect", "10.0.0.2:27015", "+password", "se cret"}, "+connect 10.0.0.2:27015 +password ********"},
      {{"10.0.0.4:27020?password=pw"}, "10.0.0.4:27020?password=********"},
      {{"10.0.0.4:27020?mode=password=x&password=pw&team=2"},
       "10.0.0.4:27020?mode=password=x&password=********&team=2"},
      {{"-name", "a\x1b[2J\nb"}, "-name a\\x1B[2J\\x0Ab"},
      {{"+password"}, "+password"},
  };
  for (const Case &c : cases) EXPECT_EQ(ShownCommandLine(c.words), c.shown);
}

}  // namespace
}  // namespace fakegame
