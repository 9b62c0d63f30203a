// Sets an environment variable for a scope.
#pragma once

#include <string>

// Sets an environment variable ("" unsets it) and puts the old value back on exit.
class ScopedEnv {
 public:
  ScopedEnv(const char *name, const std::string &value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv &) = delete;
  ScopedEnv &operator=(const ScopedEnv &) = delete;

 private:
  const char *m_Name;
  bool m_bHad = false;
  std::string m_Old;
};
