// Memory-audit visitor. This platform's visitor only records the scopes it is shown, so that a
// walk can be inspected; it claims nothing.
#pragma once

#include <string>
#include <vector>

#include "tier0/platform.h"

class PLATFORM_INTERFACE CValidator {
 public:
  void Push(const char *typeLabel, const void *object, const char *name);
  void Pop();
  void ClaimMemory(const void *memory);
  void ClaimArrayMemory(const void *memory);
  bool IsClaimed(const void *memory) const;

  // One line per pushed scope: the name, indented by two spaces per depth.
  const std::vector<std::string> &Scopes() const { return m_Scopes; }
  int Depth() const { return m_nDepth; }

 private:
  std::vector<std::string> m_Scopes;
  int m_nDepth = 0;
};
