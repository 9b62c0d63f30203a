#include "support/scoped_env.h"

#include <cstdlib>

ScopedEnv::ScopedEnv(const char *name, const std::string &value) : m_Name(name) {
  const char *old = getenv(name);
  m_bHad = old != nullptr;
  if (old) m_Old = old;
  if (value.empty())
    unsetenv(name);
  else
    setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
  if (m_bHad)
    setenv(m_Name, m_Old.c_str(), 1);
  else
    unsetenv(m_Name);
}
