// Interfaces the browser binds but never calls: minimal objects, plus the controller.
#pragma once

#include "plexa/iclientcontroller.h"

class IClientBilling {};
class IClientUserStats {};
class IClientRemoteStorage {};
class IClientScreenshots {};
class IClientGameCoordinator {};
class IClientNetworkDeviceManager {};
class IClientAppManager {};
class IClientConfigStore {};
class IClientGameStats {};
class IClientHTTP {};
class IClientAudio {};
class IClientMusic {};
class IClientUnifiedMessages {};
class IClientParentalSettings {};
class IClientDeviceAuth {};
class IClientRemoteClientManager {};
class IClientStreamClient {};
class IClientShortcuts {};
class IClientUGC {};
class IClientVR {};
class IClientGameNotifications {};
class IClientHTMLSurface {};
class IClientVideo {};
class IClientControllerSerialized {};
class IClientSharedConnection {};
class IClientShader {};

// The controller has no devices to poll here; it counts its frames and can be released.
class CClientPlexaController final : public IClientPlexaController {
 public:
  void RunFrame() override { ++m_nFrames; }
  void Release(int32 flags) override;
  void Validate(CValidator &validator, const char *name) override;
  uint64 Frames() const { return m_nFrames; }

 private:
  uint64 m_nFrames = 0;
};
