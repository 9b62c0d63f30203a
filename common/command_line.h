// The command-line conventions every program here follows: "--name value" and "--name=value",
// flags without a value, "--" ending the options, everything else kept in order as operands.
// Each program lists its options in a table and reads what was given from the result.
#pragma once

#include <cstdio>
#include <span>
#include <string>
#include <vector>

struct CommandOption {
  const char *name;                 // "--game"
  const char *shortName = nullptr;  // "-h", or none
  bool takesValue = false;
};

class CCommandLine {
 public:
  // Reads argv[1..argc); false with `Error()` set for an unknown option, a flag given a value or
  // an option missing its value (an empty value counts as missing).
  bool Parse(int argc, const char *const *argv, std::span<const CommandOption> options);

  // Whether `name` was given (a flag, or an option with its value).
  bool Has(const char *name) const;
  // The value `name` was given last, or `fallback`.
  std::string Value(const char *name, const std::string &fallback = std::string()) const;
  const std::vector<std::string> &Operands() const { return m_Operands; }
  const std::string &Error() const { return m_Error; }

 private:
  const CommandOption *Find(const std::string &name, std::span<const CommandOption> options) const;

  std::vector<std::pair<std::string, std::string>> m_Given;  // option name, value
  std::vector<std::string> m_Operands;
  std::string m_Error;
};

// The line `--version` prints: "<program> <version>\n".
void PrintVersion(FILE *stream, const char *program);
