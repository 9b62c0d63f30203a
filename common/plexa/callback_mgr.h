// The browser's side of the services' notification queue: handlers by callback id, the pump that
// drains the queue through the services' exports, and the call-result step.
#pragma once

#include <map>

#include "plexa/ccallback.h"

class CSysModule;

class CCallbackMgr {
 public:
  // The one manager, created on first use and destroyed at library unload.
  static CCallbackMgr &Get();
  // False before the manager is constructed and after it is destroyed.
  static bool IsAlive();

  CCallbackMgr();
  ~CCallbackMgr();
  CCallbackMgr(const CCallbackMgr &) = delete;
  CCallbackMgr &operator=(const CCallbackMgr &) = delete;

  // Looks up the three exports of the services module (a missing one is stored as null), then
  // (re-)registers the manager's own call-completed handlers.
  void BindCallbackExports(CSysModule *module);
  // Stores the three exports directly; null clears them.
  void SetExports(PFNPlexaBGetCallback getCallback, PFNPlexaFreeLastCallback freeLastCallback,
                  PFNPlexaGetAPICallResult getAPICallResult);
  bool HasExports() const { return m_pfnBGetCallback && m_pfnFreeLastCallback; }

  void RegisterCallback(CCallbackBase *callback, int iCallback);
  void UnregisterCallback(CCallbackBase *callback);
  void RegisterCallResult(CCallbackBase *callback, PlexaAPICall_t call, int iCallback);
  void UnregisterCallResult(CCallbackBase *callback, PlexaAPICall_t call);

  // Drains the pipe's queue, handing each message to the handlers of its id whose game-server
  // flag matches. Returns at once without exports or when a pump already runs.
  void RunCallbacks(HPlexaPipe pipe, bool gameServer);

  // What the running dispatch is doing; for tests and diagnostics.
  HPlexaUser CurrentUser() const { return m_hCurrentUser; }
  HPlexaPipe CurrentPipe() const { return m_hPipeBeingPumped; }
  size_t HandlerCount() const { return m_mapCallbacks.size(); }
  size_t CallResultCount() const { return m_mapCallResults.size(); }

 private:
  using CallbackMap = std::multimap<int, CCallbackBase *>;
  using CallResultMap = std::multimap<PlexaAPICall_t, CCallbackBase *>;

  // The manager's own handler of PlexaAPICallCompleted_t, one per flavour.
  class CCallCompletedHandler final : public CCallbackImpl<sizeof(PlexaAPICallCompleted_t)> {
   public:
    CCallCompletedHandler(CCallbackMgr *manager, bool gameServer);
    using CCallbackBase::Run;
    void Run(void *param) override;

   private:
    CCallbackMgr *m_pManager;
  };

  void Dispatch(const CallbackMsg_t &msg, bool gameServer);
  void RunCallResults(const PlexaAPICallCompleted_t &completed);
  void RegisterCallCompletedHandlers();

  CallbackMap m_mapCallbacks;
  CallbackMap::iterator m_itDispatchCursor;
  PFNPlexaBGetCallback m_pfnBGetCallback = nullptr;
  PFNPlexaFreeLastCallback m_pfnFreeLastCallback = nullptr;
  PFNPlexaGetAPICallResult m_pfnGetAPICallResult = nullptr;
  HPlexaUser m_hCurrentUser = 0;
  HPlexaPipe m_hPipeBeingPumped = 0;
  CCallCompletedHandler m_CallCompleted{this, false};
  CCallCompletedHandler m_CallCompletedGameServer{this, true};
  CallResultMap m_mapCallResults;
};
