// The face the loader's test binaries share with the tests that load them.
#pragma once

class ISbTestModule {
 public:
  // The binary's own name, so a test can tell which binary answered.
  virtual const char *Name() = 0;

 protected:
  ~ISbTestModule() = default;
};
