// The stand-in's exported entry points: its interfaces by versioned name and the notification
// queue behind the callback pump.
#include <cstring>

#include "plexa/callbacktypes.h"
#include "plexaclient/client_engine.h"
#include "tier1/interface.h"

namespace {

CCallbackQueue *QueueOf() {
  CClientServices *services = g_ClientEngine.Services();
  return services ? &services->Queue() : nullptr;
}

}  // namespace

// CreateInterface (tier1's registry) answers these faces of the one engine.
EXPOSE_SINGLE_INTERFACE_GLOBALVAR(CClientEngine, IClientEngine, CLIENTENGINE_INTERFACE_VERSION,
                                  g_ClientEngine);
EXPOSE_SINGLE_INTERFACE_GLOBALVAR(CClientEngine, IPlexaClientControl, PLEXACLIENTCONTROL_INTERFACE_VERSION,
                                  g_ClientEngine);
EXPOSE_SINGLE_INTERFACE_GLOBALVAR(CClientEngine, IPlexaClientNotices, PLEXACLIENTNOTICES_INTERFACE_VERSION,
                                  g_ClientEngine);
EXPOSE_SINGLE_INTERFACE_GLOBALVAR(CClientEngine, IPlexaClientIdle, PLEXACLIENTIDLE_INTERFACE_VERSION,
                                  g_ClientEngine);

DLL_EXPORT bool Plexa_BGetCallback(HPlexaPipe pipe, CallbackMsg_t *msg, PlexaAPICall_t *callHandle) {
  if (callHandle) *callHandle = k_uAPICallInvalid;
  CCallbackQueue *queue = QueueOf();
  return queue && queue->Take(pipe, msg);
}

DLL_EXPORT bool Plexa_FreeLastCallback(HPlexaPipe pipe) {
  CCallbackQueue *queue = QueueOf();
  return queue && queue->FreeLast(pipe);
}

// The stand-in makes no asynchronous calls, so there is never a result to fetch.
DLL_EXPORT bool Plexa_GetAPICallResult(HPlexaPipe pipe, PlexaAPICall_t call, void *buffer, int bufferSize,
                                       int expectedCallback, bool *failed) {
  (void)pipe;
  (void)call;
  (void)expectedCallback;
  if (buffer && bufferSize > 0) memset(buffer, 0, static_cast<size_t>(bufferSize));
  if (failed) *failed = true;
  return false;
}
