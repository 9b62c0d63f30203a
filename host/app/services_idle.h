// The client services' idle face (IPlexaClientIdle), found in the services module the GUI module
// bound, so the host knows when it may sleep between frames.
#pragma once

#include "tier0/platform.h"

class IPlexaClientIdle;

namespace kguihost {

class CServicesIdle {
 public:
  // True while the services may need the frame pump: they report work, or a services module is
  // loaded that cannot tell.
  bool Busy(double now);
  // When the services next want a frame; +infinity when they never do (or none are loaded).
  double NextDueTime(double now);
  // Drops the face; call before the module releases the services.
  void Forget();

 private:
  // The face, looked for again now and then while none is known.
  IPlexaClientIdle *Face(double now);

  IPlexaClientIdle *m_pFace = nullptr;
  bool m_ModuleLoaded = false;
  double m_NextLook = 0.0;
};

}  // namespace kguihost
