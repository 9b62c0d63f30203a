// The services' controller: per-frame work and release.
#pragma once

#include "plexa/plexatypes.h"

class CValidator;

class IClientPlexaController {
 public:
  // Per-frame work, run by the pump after the engine's.
  virtual void RunFrame() = 0;
  // Releases the controller; the binding passes 1.
  virtual void Release(int32 flags) = 0;
  // Reports the controller's long-lived memory to the audit visitor under `name`.
  virtual void Validate(CValidator &validator, const char *name) = 0;

 protected:
  ~IClientPlexaController() = default;
};
