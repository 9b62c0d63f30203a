// A loadable test binary that builds, detaches and destroys key/value trees with its own copy of
// the record's code: "SbTestKvNodes001".
#include "tests/tier1/modules/sbtest_module.h"
#include "tier1/KeyValues.h"
#include "tier1/interface.h"

namespace {

class CKvNodes final : public ISbTestKvNodes {
 public:
  KeyValues *Parse(const char *text) override {
    auto *tree = new KeyValues("parsed");
    if (tree->LoadFromBuffer("sbtest_kvnodes", text)) return tree;
    tree->Destroy();
    return nullptr;
  }
  void Destroy(KeyValues *tree) override {
    if (tree) tree->Destroy();
  }
  KeyValues *Detach(KeyValues *parent, const char *name) override {
    return parent->RemoveSubKey(parent->FindKey(name));
  }
};

CKvNodes g_KvNodes;

}  // namespace

EXPOSE_SINGLE_INTERFACE_GLOBALVAR(CKvNodes, ISbTestKvNodes, "SbTestKvNodes001", g_KvNodes);
