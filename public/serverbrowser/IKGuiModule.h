// The generic lifecycle of a GUI module, and what the host hands it.
#pragma once

#include "tier0/platform.h"
#include "tier1/interface.h"

#define KGUIMODULE_INTERFACE_VERSION "KGuiModuleServerBrowser001"

// A host function answering interface names; the module passes a null return code.
using InterfaceFactoryFn = void *(*)(const char *name, int *returnCode);

// The host's provider of its interfaces. Modules only call QueryInterface.
class InterfaceProvider {
 public:
  virtual int GetFactoryCount() const = 0;
  virtual InterfaceFactoryFn GetFactory(int index) const = 0;
  virtual void AddFactory(InterfaceFactoryFn factory) = 0;
  virtual bool HasInterface(const char *versionName) = 0;
  // The interface of that version name, or null.
  virtual void *QueryInterface(const char *versionName) = 0;

 protected:
  ~InterfaceProvider() = default;
};

// Host calls, in order: InitModule once, PostInitModule once, then ActivateModule whenever the
// module is to be shown, RunModuleFrame once per host frame, ShutdownModule once.
class IKGuiModule : public IBaseInterface {
 public:
  virtual bool InitModule(InterfaceProvider *provider) = 0;
  // True when the game launcher was found.
  virtual bool PostInitModule(InterfaceFactoryFn *factories, int factoryCount) = 0;
  virtual bool ActivateModule() = 0;
  virtual bool IsModuleReady() = 0;
  virtual void ShutdownModule() = 0;
  // The host panel id of the module's main window, or 0.
  virtual uint32 GetRootPanel() = 0;
  virtual void SetParentPanel(uint32 parentPanel) = 0;
  virtual void RunModuleFrame() = 0;
};
