#include "serverbrowser/dllvalidate.h"

#include "serverbrowser/serverbrowser.h"
#include "tier0/validator.h"

CDLLValidate g_DLLValidate;

// Walks the module's long-lived allocations, outermost scope first.
void CDLLValidate::Validate(CValidator &validator) {
  validator.Push("CDLLValidate", this, "serverbrowser.so");
  g_ServerBrowserSingleton.Validate(validator);
  ValidateLoadedModules(validator, false);
  validator.Pop();
}
