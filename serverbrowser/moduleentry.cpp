// The module's entry: its interfaces, registered in this order so that a lookup meets
// "IVALIDATE001" first, and the fixed answer for the host.
#include "serverbrowser/IKGuiModule.h"
#include "serverbrowser/IServerBrowser.h"
#include "serverbrowser/dllvalidate.h"
#include "serverbrowser/serverbrowser.h"
#include "tier1/interface.h"

EXPOSE_SINGLE_INTERFACE_GLOBALVAR(CServerBrowser, IServerBrowser, SERVERBROWSER_INTERFACE_VERSION,
                                  g_ServerBrowserSingleton);
EXPOSE_SINGLE_INTERFACE_GLOBALVAR(CServerBrowser, IKGuiModule, KGUIMODULE_INTERFACE_VERSION,
                                  g_ServerBrowserSingleton);
EXPOSE_SINGLE_INTERFACE_GLOBALVAR(CDLLValidate, IValidate, VALIDATE_INTERFACE_VERSION, g_DLLValidate);

DLL_EXPORT bool JoiningSecureServerCall() {
  return true;
}
