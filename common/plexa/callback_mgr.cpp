// Handler registry and per-frame pump of the services' notification queue.
#include "common/plexa/callback_mgr.h"

#include <dlfcn.h>

#include <cstring>
#include <memory>

#include "tier0/dbg.h"
#include "tier0/vprof.h"

namespace {
// Set while the manager exists: owners destroyed after it (at library unload) must not touch it.
bool g_bCallbackMgrAlive = false;
// Set once it is gone: it is not built a second time during unload.
bool g_bCallbackMgrGone = false;
// Guards against a handler causing a nested pump.
bool g_bRunningCallbacks = false;

// A module handle is the loader's handle of the library; exports are found on that handle only.
void *FindExport(CSysModule *module, const char *name) {
  return module ? dlsym(reinterpret_cast<void *>(module), name) : nullptr;
}
}  // namespace

CCallbackMgr &CCallbackMgr::Get() {
  static CCallbackMgr s_Manager;
  return s_Manager;
}

bool CCallbackMgr::IsAlive() { return g_bCallbackMgrAlive; }

CCallbackMgr::CCallbackMgr() : m_itDispatchCursor(m_mapCallbacks.end()) { g_bCallbackMgrAlive = true; }

CCallbackMgr::~CCallbackMgr() {
  g_bCallbackMgrAlive = false;
  g_bCallbackMgrGone = true;
}

CCallbackMgr::CCallCompletedHandler::CCallCompletedHandler(CCallbackMgr *manager, bool gameServer)
    : m_pManager(manager) {
  if (gameServer) m_nCallbackFlags |= k_ECallbackFlagsGameServer;
}

void CCallbackMgr::CCallCompletedHandler::Run(void *param) {
  m_pManager->RunCallResults(*static_cast<const PlexaAPICallCompleted_t *>(param));
}

void CCallbackMgr::BindCallbackExports(CSysModule *module) {
  SetExports(reinterpret_cast<PFNPlexaBGetCallback>(FindExport(module, PLEXA_EXPORT_BGETCALLBACK)),
             reinterpret_cast<PFNPlexaFreeLastCallback>(FindExport(module, PLEXA_EXPORT_FREELASTCALLBACK)),
             reinterpret_cast<PFNPlexaGetAPICallResult>(FindExport(module, PLEXA_EXPORT_GETAPICALLRESULT)));
  RegisterCallCompletedHandlers();
}

void CCallbackMgr::SetExports(PFNPlexaBGetCallback getCallback, PFNPlexaFreeLastCallback freeLastCallback,
                              PFNPlexaGetAPICallResult getAPICallResult) {
  m_pfnBGetCallback = getCallback;
  m_pfnFreeLastCallback = freeLastCallback;
  m_pfnGetAPICallResult = getAPICallResult;
}

void CCallbackMgr::RegisterCallCompletedHandlers() {
  UnregisterCallback(&m_CallCompleted);
  UnregisterCallback(&m_CallCompletedGameServer);
  RegisterCallback(&m_CallCompleted, PlexaAPICallCompleted_t::k_iCallback);
  RegisterCallback(&m_CallCompletedGameServer, PlexaAPICallCompleted_t::k_iCallback);
}

void CCallbackMgr::RegisterCallback(CCallbackBase *callback, int iCallback) {
  // A second registration would leave an entry behind that the one unregistration never removes.
  if (!callback || callback->IsRegistered()) return;
  callback->MarkRegistered(iCallback);
  m_mapCallbacks.emplace(iCallback, callback);  // after the handlers already there for this id
}

void CCallbackMgr::UnregisterCallback(CCallbackBase *callback) {
  if (!callback || !callback->IsRegistered()) return;
  callback->MarkUnregistered();
  auto [first, last] = m_mapCallbacks.equal_range(callback->GetICallback());
  for (auto it = first; it != last; ++it) {
    if (it->second != callback) continue;
    if (it == m_itDispatchCursor) ++m_itDispatchCursor;
    m_mapCallbacks.erase(it);
    return;
  }
}

void CCallbackMgr::RegisterCallResult(CCallbackBase *callback, PlexaAPICall_t call, int iCallback) {
  if (!callback || callback->IsRegistered() || call == k_uAPICallInvalid) return;
  callback->MarkRegistered(iCallback);
  m_mapCallResults.emplace(call, callback);
}

void CCallbackMgr::UnregisterCallResult(CCallbackBase *callback, PlexaAPICall_t call) {
  if (!callback || !callback->IsRegistered()) return;
  auto [first, last] = m_mapCallResults.equal_range(call);
  for (auto it = first; it != last; ++it) {
    if (it->second != callback) continue;
    callback->MarkUnregistered();
    m_mapCallResults.erase(it);
    return;
  }
}

void CCallbackMgr::RunCallbacks(HPlexaPipe pipe, bool gameServer) {
  if (!HasExports() || g_bRunningCallbacks) return;
  g_bRunningCallbacks = true;
  m_hPipeBeingPumped = pipe;
  CallbackMsg_t msg{};
  PlexaAPICall_t call = k_uAPICallInvalid;
  while (m_pfnBGetCallback(pipe, &msg, &call)) {
    m_hCurrentUser = msg.m_hPlexaUser;
    Dispatch(msg, gameServer);
    m_pfnFreeLastCallback(pipe);
  }
  m_hPipeBeingPumped = 0;
  g_bRunningCallbacks = false;
}

void CCallbackMgr::Dispatch(const CallbackMsg_t &msg, bool gameServer) {
  // The cursor moves past each handler before it runs, and UnregisterCallback moves it past an
  // entry it removes, so handlers may (un)register any handler during dispatch.
  for (m_itDispatchCursor = m_mapCallbacks.lower_bound(msg.m_iCallback);
       m_itDispatchCursor != m_mapCallbacks.end() && m_itDispatchCursor->first == msg.m_iCallback;) {
    CCallbackBase *callback = m_itDispatchCursor->second;
    ++m_itDispatchCursor;
    if (callback->IsGameServer() != gameServer) continue;
    // A handler expecting more than the message carries would read past the payload.
    if (callback->GetCallbackSizeBytes() > msg.m_cubParam) {
      Warning("Plexa callback %d: payload of %d bytes is shorter than its handler's %d; handler skipped\n",
              msg.m_iCallback, msg.m_cubParam, callback->GetCallbackSizeBytes());
      continue;
    }
    try {
      callback->Run(msg.m_pubParam);
    } catch (...) {
      // A throwing handler must not stop the pump or the other handlers of this message.
    }
  }
  m_itDispatchCursor = m_mapCallbacks.end();
  if (msg.m_pubParam && msg.m_cubParam > 0) memset(msg.m_pubParam, 0, static_cast<size_t>(msg.m_cubParam));
}

void CCallbackMgr::RunCallResults(const PlexaAPICallCompleted_t &completed) {
  // Each entry is taken out before it runs, so its handler may (un)register call results freely.
  // Each gets a buffer of its own payload size: one buffer sized for the first entry would be
  // overrun by a later entry expecting a larger result.
  for (auto it = m_mapCallResults.find(completed.m_hAsyncCall); it != m_mapCallResults.end();
       it = m_mapCallResults.find(completed.m_hAsyncCall)) {
    CCallbackBase *callback = it->second;
    m_mapCallResults.erase(it);
    callback->MarkUnregistered();

    const int size = callback->GetCallbackSizeBytes();
    std::unique_ptr<uint8[]> buffer(new uint8[size > 0 ? size : 1]());
    bool failed = true;
    if (m_pfnGetAPICallResult &&
        !m_pfnGetAPICallResult(m_hPipeBeingPumped, completed.m_hAsyncCall, buffer.get(), size,
                               callback->GetICallback(), &failed)) {
      failed = true;
    }
    callback->Run(buffer.get(), failed, completed.m_hAsyncCall);
  }
}

void Plexa_RegisterCallback(CCallbackBase *callback, int iCallback) {
  if (!g_bCallbackMgrGone) CCallbackMgr::Get().RegisterCallback(callback, iCallback);
}

void Plexa_UnregisterCallback(CCallbackBase *callback) {
  if (CCallbackMgr::IsAlive()) CCallbackMgr::Get().UnregisterCallback(callback);
}

void Plexa_RegisterCallResult(CCallbackBase *callback, PlexaAPICall_t call, int iCallback) {
  if (!g_bCallbackMgrGone) CCallbackMgr::Get().RegisterCallResult(callback, call, iCallback);
}

void Plexa_UnregisterCallResult(CCallbackBase *callback, PlexaAPICall_t call) {
  if (CCallbackMgr::IsAlive()) CCallbackMgr::Get().UnregisterCallResult(callback, call);
}
