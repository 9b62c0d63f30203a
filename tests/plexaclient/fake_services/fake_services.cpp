// A services module for binding tests: it logs every engine call, and on request returns null
// from one getter (PLEXA_FAKE_NULL_GETTER = its number in the binding's table) or no engine at all
// (PLEXA_FAKE_NO_ENGINE). It exports no notification queue.
#include <cstdlib>
#include <cstring>
#include <string>

#include "plexa/iclientcontroller.h"
#include "plexa/iclientengine.h"

namespace {

std::string g_CallLog;
char g_Dummy[64];

void Log(const std::string &entry) { g_CallLog += entry + " "; }

// The getter with this number answers null.
bool Refused(int number) {
  const char *refused = getenv("PLEXA_FAKE_NULL_GETTER");
  return refused && atoi(refused) == number;
}

template <class T>
T *Answer(int number) {
  Log(std::to_string(number));
  return Refused(number) ? nullptr : reinterpret_cast<T *>(g_Dummy);
}

class CFakeController final : public IClientPlexaController {
 public:
  void RunFrame() override { Log("ControllerFrame"); }
  void Release(int32 flags) override { Log("Release(" + std::to_string(flags) + ")"); }
  void Validate(CValidator &, const char *name) override { Log(std::string("Validate(") + name + ")"); }
};
CFakeController g_Controller;

#define FAKE_USER_GETTER(Interface, number) \
  Interface *Get##Interface(HPlexaUser, HPlexaPipe, const char *) override { return Answer<Interface>(number); }
#define FAKE_PIPE_GETTER(Interface, number) \
  Interface *Get##Interface(HPlexaPipe, const char *) override { return Answer<Interface>(number); }

class CFakeEngine final : public IClientEngine {
 public:
  HPlexaPipe OpenPipe() override {
    Log("OpenPipe");
    return 5;
  }
  bool ClosePipe(HPlexaPipe pipe) override {
    Log("ClosePipe(" + std::to_string(pipe) + ")");
    return true;
  }
  HPlexaUser AttachGlobalUser(HPlexaPipe pipe) override {
    Log("Attach(" + std::to_string(pipe) + ")");
    return 9;
  }
  void DetachUser(HPlexaPipe pipe, HPlexaUser user) override {
    Log("Detach(" + std::to_string(pipe) + "," + std::to_string(user) + ")");
  }
  FAKE_USER_GETTER(IClientUser, 1)
  FAKE_USER_GETTER(IClientFriends, 2)
  FAKE_PIPE_GETTER(IClientUtils, 4)
  FAKE_USER_GETTER(IClientBilling, 3)
  FAKE_USER_GETTER(IClientMatchmaking, 5)
  FAKE_USER_GETTER(IClientApps, 6)
  FAKE_USER_GETTER(IClientMatchmakingServers, 7)
  void EngineFrame() override { Log("EngineFrame"); }
  FAKE_USER_GETTER(IClientUserStats, 8)
  FAKE_USER_GETTER(IClientRemoteStorage, 9)
  FAKE_USER_GETTER(IClientScreenshots, 10)
  FAKE_USER_GETTER(IClientGameCoordinator, 11)
  FAKE_PIPE_GETTER(IClientNetworkDeviceManager, 32)
  FAKE_USER_GETTER(IClientAppManager, 12)
  FAKE_USER_GETTER(IClientConfigStore, 13)
  FAKE_USER_GETTER(IClientGameStats, 17)
  FAKE_USER_GETTER(IClientHTTP, 14)
  void EngineShutdown() override { Log("EngineShutdown"); }
  FAKE_USER_GETTER(IClientAudio, 15)
  FAKE_USER_GETTER(IClientMusic, 16)
  FAKE_USER_GETTER(IClientUnifiedMessages, 18)
  IClientPlexaController *GetIClientPlexaController(HPlexaUser user, HPlexaPipe, const char *) override {
    Log("21(user " + std::to_string(user) + ")");
    return Refused(21) ? nullptr : &g_Controller;
  }
  FAKE_USER_GETTER(IClientParentalSettings, 19)
  FAKE_USER_GETTER(IClientDeviceAuth, 20)
  FAKE_PIPE_GETTER(IClientRemoteClientManager, 22)
  FAKE_USER_GETTER(IClientStreamClient, 24)
  FAKE_USER_GETTER(IClientShortcuts, 25)
  FAKE_USER_GETTER(IClientUGC, 23)
  FAKE_PIPE_GETTER(IClientVR, 26)
  FAKE_USER_GETTER(IClientGameNotifications, 27)
  FAKE_USER_GETTER(IClientHTMLSurface, 28)
  FAKE_USER_GETTER(IClientVideo, 29)
  FAKE_PIPE_GETTER(IClientControllerSerialized, 30)
  FAKE_USER_GETTER(IClientSharedConnection, 31)
  FAKE_USER_GETTER(IClientShader, 33)
};
CFakeEngine g_Engine;

}  // namespace

DLL_EXPORT void *CreateInterface(const char *name, int *returnCode) {
  const bool found = name && strcmp(name, CLIENTENGINE_INTERFACE_VERSION) == 0 && !getenv("PLEXA_FAKE_NO_ENGINE");
  if (returnCode) *returnCode = found ? 0 : 1;
  return found ? static_cast<IClientEngine *>(&g_Engine) : nullptr;
}

// What the engine was asked, in order, since the last call.
DLL_EXPORT const char *PlexaFake_TakeCallLog() {
  static std::string s_Taken;
  s_Taken = g_CallLog;
  g_CallLog.clear();
  return s_Taken.c_str();
}
