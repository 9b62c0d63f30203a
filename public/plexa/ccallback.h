// Handlers of the services' queued notifications. A handler registers for one callback id and is
// run by the per-frame pump (ClientAPI_RunCallbacks) with the message's payload.
#pragma once

#include "plexa/callbacktypes.h"
#include "tier0/vprof.h"

class CCallbackBase;

// Registration with the process's callback manager (created on first use). Registering a
// handler that is already registered is ignored; unregistering one that is not changes nothing.
void Plexa_RegisterCallback(CCallbackBase *callback, int iCallback);
void Plexa_UnregisterCallback(CCallbackBase *callback);
// A handler for the result (callback id `iCallback`) of one asynchronous call; it runs once, then
// is unregistered.
void Plexa_RegisterCallResult(CCallbackBase *callback, PlexaAPICall_t call, int iCallback);
void Plexa_UnregisterCallResult(CCallbackBase *callback, PlexaAPICall_t call);

// The handler interface. Slot order: run with result, run, payload size.
class CCallbackBase {
 public:
  enum { k_ECallbackFlagsRegistered = 0x01, k_ECallbackFlagsGameServer = 0x02 };

  CCallbackBase() = default;
  CCallbackBase(const CCallbackBase &) = delete;
  CCallbackBase &operator=(const CCallbackBase &) = delete;

  // Result of an asynchronous call; by default the payload alone is handled.
  virtual void Run(void *param, bool ioFailure, PlexaAPICall_t call) {
    (void)ioFailure;
    (void)call;
    Run(param);
  }
  virtual void Run(void *param) = 0;
  virtual int GetCallbackSizeBytes() = 0;

  int GetICallback() const { return m_iCallback; }
  bool IsRegistered() const { return (m_nCallbackFlags & k_ECallbackFlagsRegistered) != 0; }
  bool IsGameServer() const { return (m_nCallbackFlags & k_ECallbackFlagsGameServer) != 0; }

  // Bookkeeping of the callback manager; owners register through Plexa_RegisterCallback.
  void MarkRegistered(int iCallback) {
    m_nCallbackFlags |= k_ECallbackFlagsRegistered;
    m_iCallback = iCallback;
  }
  void MarkUnregistered() { m_nCallbackFlags &= ~k_ECallbackFlagsRegistered; }

 protected:
  ~CCallbackBase() = default;

  uint8 m_nCallbackFlags = 0;
  int32 m_iCallback = 0;
};

// A handler with a fixed payload size.
template <int sizeParam>
class CCallbackImpl : public CCallbackBase {
 public:
  using CCallbackBase::Run;
  int GetCallbackSizeBytes() override { return sizeParam; }

 protected:
  ~CCallbackImpl() = default;
};

// A handler bound to an owner object and one of its member operations. Registered from
// construction (or Register) until destruction (or Unregister).
template <class T, class P, bool bGameServer = false>
class CCallback final : public CCallbackImpl<sizeof(P)> {
 public:
  using Func = void (T::*)(P *);

  CCallback() = default;
  CCallback(T *owner, Func func) { Register(owner, func); }
  ~CCallback() { Unregister(); }

  // (Re-)binds the handler and registers it for P's callback id.
  void Register(T *owner, Func func) {
    if (!owner || !func) return;
    Unregister();
    m_pOwner = owner;
    m_Func = func;
    if (bGameServer) this->m_nCallbackFlags |= CCallbackBase::k_ECallbackFlagsGameServer;
    Plexa_RegisterCallback(this, P::k_iCallback);
  }
  void Unregister() { Plexa_UnregisterCallback(this); }

  using CCallbackBase::Run;
  void Run(void *param) override { (m_pOwner->*m_Func)(static_cast<P *>(param)); }

 private:
  T *m_pOwner = nullptr;
  Func m_Func = nullptr;
};

// Declares a named handler member `var` of `thisclass` and its handler `func(param *)`; the handler
// runs inside a profiling scope "thisclass::func". Registered for the owner's whole life.
#define PLEXA_CALLBACK(thisclass, func, param, var)                                  \
  class CCallback_##func final : public CCallbackImpl<sizeof(param)> {               \
   public:                                                                           \
    explicit CCallback_##func(thisclass *owner) : m_pOwner(owner) {                  \
      Plexa_RegisterCallback(this, param::k_iCallback);                              \
    }                                                                                \
    ~CCallback_##func() { Plexa_UnregisterCallback(this); }                          \
    using CCallbackBase::Run;                                                        \
    void Run(void *payload) override {                                               \
      VPROF(#thisclass "::" #func);                                                  \
      m_pOwner->func(static_cast<param *>(payload));                                 \
    }                                                                                \
                                                                                     \
   private:                                                                          \
    thisclass *m_pOwner;                                                             \
  };                                                                                 \
  CCallback_##func var{this};                                                        \
  void func(param *pParam)
