#include "tier0/validator.h"

#include "tier0/dbg.h"

void CValidator::Push(const char *typeLabel, const void *object, const char *name) {
  (void)typeLabel;
  (void)object;
  m_Scopes.push_back(std::string(static_cast<size_t>(m_nDepth) * 2, ' ') + (name ? name : ""));
  ++m_nDepth;
}

void CValidator::Pop() {
  if (m_nDepth == 0) {
    AssertMsgImplementation("Assertion Failed: CValidator::Pop without a pushed scope", __FILE__, __LINE__);
    return;
  }
  --m_nDepth;
}

// This visitor audits nothing: memory is never recorded as claimed.
void CValidator::ClaimMemory(const void *memory) {
  (void)memory;
}

void CValidator::ClaimArrayMemory(const void *memory) {
  (void)memory;
}

bool CValidator::IsClaimed(const void *memory) const {
  (void)memory;
  return false;
}
