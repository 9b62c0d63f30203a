// A loadable test binary with a registry of its own: "SbTestNested001" and an audit that names itself.
#include "tests/tier1/modules/sbtest_module.h"
#include "tier0/validator.h"
#include "tier1/interface.h"

namespace {

class CTestModule final : public ISbTestModule, public IValidate {
 public:
  const char *Name() override { return "sbtest_nested"; }
  void Validate(CValidator &validator) override {
    validator.Push("module", this, Name());
    validator.Pop();
  }
};

CTestModule g_TestModule;

}  // namespace

EXPOSE_SINGLE_INTERFACE_GLOBALVAR(CTestModule, IValidate, VALIDATE_INTERFACE_VERSION, g_TestModule);
EXPOSE_SINGLE_INTERFACE_GLOBALVAR(CTestModule, ISbTestModule, "SbTestNested001", g_TestModule);
