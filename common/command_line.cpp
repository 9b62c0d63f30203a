#include "common/command_line.h"

#include <cstring>

#include "sb_version.h"

const CommandOption *CCommandLine::Find(const std::string &name,
                                        std::span<const CommandOption> options) const {
  for (const CommandOption &option : options) {
    if (name == option.name || (option.shortName && name == option.shortName)) return &option;
  }
  return nullptr;
}

bool CCommandLine::Parse(int argc, const char *const *argv, std::span<const CommandOption> options) {
  m_Given.clear();
  m_Operands.clear();
  m_Error.clear();
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    // "-" alone names standard input or output by custom: an operand, like any word.
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      m_Operands.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    const size_t equals = arg.rfind("--", 0) == 0 ? arg.find('=') : std::string::npos;
    const std::string name = arg.substr(0, equals);
    const CommandOption *option = Find(name, options);
    if (!option) {
      m_Error = "unknown option " + name;
      return false;
    }
    if (!option->takesValue) {
      if (equals != std::string::npos) {
        m_Error = std::string(option->name) + " takes no value";
        return false;
      }
      m_Given.emplace_back(option->name, std::string());
      continue;
    }
    std::string value;
    if (equals != std::string::npos) {
      value = arg.substr(equals + 1);
    } else if (i + 1 < argc) {
      value = argv[++i];
    }
    if (value.empty()) {
      m_Error = std::string(option->name) + " needs a value";
      return false;
    }
    m_Given.emplace_back(option->name, value);
  }
  return true;
}

bool CCommandLine::Has(const char *name) const {
  for (const auto &given : m_Given) {
    if (given.first == name) return true;
  }
  return false;
}

std::string CCommandLine::Value(const char *name, const std::string &fallback) const {
  for (auto it = m_Given.rbegin(); it != m_Given.rend(); ++it) {
    if (it->first == name) return it->second;
  }
  return fallback;
}

void PrintVersion(FILE *stream, const char *program) {
  fprintf(stream, "%s %s\n", program, SB_VERSION);
}
