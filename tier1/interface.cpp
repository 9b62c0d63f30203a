// The interface registry of this binary.
#include "tier1/interface.h"

#include <cstring>

InterfaceRegistration *InterfaceRegistration::s_pInterfaceRegs = nullptr;

InterfaceRegistration::InterfaceRegistration(InstantiateInterfaceFn createFn, const char *name)
    : m_CreateFn(createFn), m_pName(name), m_pNext(s_pInterfaceRegs) {
  s_pInterfaceRegs = this;
}

DLL_EXPORT void *CreateInterface(const char *name, int *returnCode) {
  if (name) {
    for (const InterfaceRegistration *reg = InterfaceRegistration::s_pInterfaceRegs; reg;
         reg = reg->m_pNext) {
      if (strcmp(reg->m_pName, name) == 0) {
        if (returnCode) *returnCode = IFACE_OK;
        return reg->m_CreateFn();
      }
    }
  }
  if (returnCode) *returnCode = IFACE_FAILED;
  return nullptr;
}
