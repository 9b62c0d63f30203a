#include "plexaclient/client_minor.h"

#include "tier0/validator.h"

void CClientPlexaController::Release(int32 flags) {
  (void)flags;
  m_nFrames = 0;
}

void CClientPlexaController::Validate(CValidator &validator, const char *name) {
  validator.Push("CClientPlexaController", this, name);
  validator.Pop();
}
