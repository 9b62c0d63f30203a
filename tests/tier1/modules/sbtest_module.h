// The face the loader's test binaries share with the tests that load them.
#pragma once

class ISbTestModule {
 public:
  // The binary's own name, so a test can tell which binary answered.
  virtual const char *Name() = 0;

 protected:
  ~ISbTestModule() = default;
};

class KeyValues;

// A test binary with its own copy of the record's code, so that trees can cross binaries.
class ISbTestKvNodes {
 public:
  // A tree read from `text` by this binary; null when the text does not parse.
  virtual KeyValues *Parse(const char *text) = 0;
  // Destroys `tree` (with its peers) in this binary.
  virtual void Destroy(KeyValues *tree) = 0;
  // Unlinks the child `name` of `parent` in this binary and returns it.
  virtual KeyValues *Detach(KeyValues *parent, const char *name) = 0;

 protected:
  ~ISbTestKvNodes() = default;
};
