// Where nodes and what they own live: the shared allocator's size-class lists, reuse of freed
// blocks, blocks freed on another thread or in another binary, and what the lists account.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "tests/tier1/modules/sbtest_module.h"
#include "tier0/memalloc.h"
#include "tier1/KeyValues.h"
#include "tier1/interface.h"

namespace {

size_t InUse() {
  return MemAlloc_GetSmallBlockStats().bytesInUse;
}

std::string Records(int count) {
  std::string text = "records {";
  for (int i = 0; i < count; ++i) {
    text += " r" + std::to_string(i) + " { name \"Lantern Keep community server " + std::to_string(i) +
            "\" map frost_harbor players " + std::to_string(i % 33) + " }";
  }
  return text + " }";
}

KeyValues *ParseHere(const std::string &text) {
  auto *tree = new KeyValues("parsed");
  EXPECT_TRUE(tree->LoadFromBuffer("memory_test", text.c_str()));
  return tree;
}

}  // namespace

TEST(SharedAllocator, NodesAndShortStringsTakeTheirSizeClass) {
  KeyValuesAD kv(new KeyValues("sizes"));
  EXPECT_EQ(MemAlloc_SmallBlockSize(kv.get()), sizeof(KeyValues));
  struct Case {
    const char *text;
    size_t block;
  };
  // A heap string is its length plus one, rounded up to the next class.
  const Case cases[] = {{"12345678", 16},
                        {"123456789012345", 16},
                        {"1234567890123456", 24},
                        {"a text of exactly 32 characters!", 40}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    kv->SetString("s", c.text);
    EXPECT_EQ(MemAlloc_SmallBlockSize(kv->GetString("s")), c.block);
  }
  const std::string longText(300, 'x');
  kv->SetString("s", longText.c_str());
  EXPECT_EQ(MemAlloc_SmallBlockSize(kv->GetString("s")), 0u) << "large blocks come from the C heap";
  EXPECT_EQ(MemAlloc_SmallBlockSize(nullptr), 0u);
}

TEST(SharedAllocator, FreedNodeIsTheNextOneHandedOut) {
  auto *first = new KeyValues("first");
  void *block = first;
  first->Destroy();
  auto *second = new KeyValues("second");
  EXPECT_EQ(static_cast<void *>(second), block);
  second->Destroy();
}

TEST(SharedAllocator, ReallocKeepsContentAcrossClassesAndTheCHeap) {
  auto *block = static_cast<char *>(g_pMemAllocPlexa->Alloc(10));
  memcpy(block, "ninechars", 10);
  EXPECT_EQ(g_pMemAllocPlexa->Realloc(block, 16), block) << "still fits its class";
  block = static_cast<char *>(g_pMemAllocPlexa->Realloc(block, 100));
  EXPECT_STREQ(block, "ninechars");
  EXPECT_EQ(MemAlloc_SmallBlockSize(block), 104u);
  block = static_cast<char *>(g_pMemAllocPlexa->Realloc(block, 5000));
  EXPECT_STREQ(block, "ninechars");
  EXPECT_EQ(MemAlloc_SmallBlockSize(block), 0u);
  block = static_cast<char *>(g_pMemAllocPlexa->Realloc(block, 12));
  EXPECT_STREQ(block, "ninechars");
  EXPECT_EQ(MemAlloc_SmallBlockSize(block), 16u);
  g_pMemAllocPlexa->Free(block);
}

TEST(SharedAllocator, AccountsEveryBlockUntilItIsFreed) {
  const size_t before = InUse();
  KeyValues *tree = ParseHere(Records(3000));
  // Each record: its node, three children and the name's heap string.
  EXPECT_GE(InUse() - before, 3000u * (4 * sizeof(KeyValues) + 40));
  tree->Destroy();
  EXPECT_EQ(InUse(), before);
}

// Trees built on one thread and destroyed on another, enough of them to overflow a thread's cache,
// and a thread that ends holding freed blocks: every block is accounted back.
TEST(SharedAllocator, BlocksCrossThreads) {
  const size_t before = InUse();
  const std::string text = Records(20000);
  KeyValues *builtThere = nullptr;
  std::thread builder([&] { builtThere = ParseHere(text); });
  builder.join();
  ASSERT_NE(builtThere, nullptr);
  EXPECT_EQ(builtThere->FindKey("r19999")->GetInt("players"), 19999 % 33);
  builtThere->Destroy();

  KeyValues *builtHere = ParseHere(text);
  std::thread destroyer([&] { builtHere->Destroy(); });
  destroyer.join();
  EXPECT_EQ(InUse(), before);

  // Blocks the ended thread handed over serve new trees without loss.
  std::vector<KeyValues *> trees;
  for (int i = 0; i < 3; ++i) trees.push_back(ParseHere(text));
  for (KeyValues *tree : trees) tree->Destroy();
  EXPECT_EQ(InUse(), before);
}

// A tree read in one binary is destroyed, detached from and added to in another, each binary with
// its own copy of the record's code.
TEST(SharedAllocator, TreesCrossBinaries) {
  CSysModule *module = LoadModule("sbtest_kvnodes");
  ASSERT_NE(module, nullptr);
  CreateInterfaceFn factory = Sys_GetFactory(module);
  auto *nodes = factory ? static_cast<ISbTestKvNodes *>(factory("SbTestKvNodes001", nullptr)) : nullptr;
  ASSERT_NE(nodes, nullptr);
  const size_t before = InUse();
  {
    KeyValues *there = nodes->Parse(Records(500).c_str());
    ASSERT_NE(there, nullptr);
    KeyValues *records = there;  // the first entry names the node it is read into
    KeyValues *detached = nodes->Detach(records, "r7");
    ASSERT_NE(detached, nullptr);
    EXPECT_STREQ(detached->GetString("name"), "Lantern Keep community server 7");
    detached->Destroy();
    records->FindKey("r8")->SetString("name", "renamed here, on the heap");
    records->AddSubKey(new KeyValues("added", "here", "from the test binary"));
    there->Destroy();  // in this binary
  }
  {
    KeyValues *here = ParseHere(Records(500));
    KeyValues *detached = here->RemoveSubKey(here->FindKey("r3"));
    nodes->Destroy(detached);
    nodes->Destroy(here);
  }
  EXPECT_EQ(InUse(), before);
  UnloadModule(module);
}

#if defined(__SANITIZE_ADDRESS__)
TEST(SharedAllocatorDeathTest, FreeingABlockTwiceIsCaught) {
  EXPECT_DEATH(
      {
        void *block = g_pMemAllocPlexa->Alloc(32);
        g_pMemAllocPlexa->Free(block);
        g_pMemAllocPlexa->Free(block);
      },
      "freed twice");
}
#endif
