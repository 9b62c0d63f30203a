#include "tier1/KeyValues.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "support/spew_capture.h"
#include "tier0/memalloc.h"

namespace {

using CS = KeyValues::ConversionStatus;

// --- raw layout access: the node layout is an interface shared with the host runtime

uint64 RawWord(const KeyValues *kv, size_t offset) {
  uint64 word = 0;
  memcpy(&word, reinterpret_cast<const char *>(kv) + offset, sizeof(word));
  return word;
}

uint32 RawFlags(const KeyValues *kv) {
  uint32 word = 0;
  memcpy(&word, reinterpret_cast<const char *>(kv) + 16, sizeof(word));
  return word;
}

// Gives a node a type code directly, as a record built elsewhere could carry.
void PokeType(KeyValues *kv, int code) {
  uint32 word = (RawFlags(kv) & ~0x0F000000u) | (static_cast<uint32>(code) << 24);
  memcpy(reinterpret_cast<char *>(kv) + 16, &word, sizeof(word));
}

bool PointsIntoNode(const KeyValues *kv, const void *text) {
  const char *begin = reinterpret_cast<const char *>(kv);
  const char *at = static_cast<const char *>(text);
  return at >= begin && at < begin + sizeof(KeyValues);
}

constexpr uint32 kHeapBit = 0x80000000u;
constexpr uint32 kEscapeBit = 0x40000000u;

// Counts live blocks of the shared allocator while installed.
class CountingAllocator final : public IMemAllocPlexa {
 public:
  CountingAllocator() : m_pInner(g_pMemAllocPlexa) { g_pMemAllocPlexa = this; }
  ~CountingAllocator() { g_pMemAllocPlexa = m_pInner; }
  CountingAllocator(const CountingAllocator &) = delete;
  CountingAllocator &operator=(const CountingAllocator &) = delete;

  void *Alloc(size_t size) override {
    ++m_nLive;
    return m_pInner->Alloc(size);
  }
  void *Realloc(void *memory, size_t size) override {
    if (!memory) ++m_nLive;
    return m_pInner->Realloc(memory, size);
  }
  void Free(void *memory) override {
    if (memory) --m_nLive;
    m_pInner->Free(memory);
  }
  long Live() const { return m_nLive; }

 private:
  IMemAllocPlexa *m_pInner;
  long m_nLive = 0;
};

// A root whose child "v" is prepared by a setup function.
using NodeSetup = void (*)(KeyValues *root);

KeyValuesAD MakeRoot(NodeSetup setup) {
  KeyValuesAD root(new KeyValues("root"));
  if (setup) setup(root.get());
  return root;
}

void SetCode8(KeyValues *root) {
  root->SetInt("v", 0);
  PokeType(root->FindKey("v"), 8);
}

void SetBlob(KeyValues *root, const char *text) { root->SetBinaryBlob("v", text, strlen(text)); }

std::string Utf8(const char16_t *text) { return std::string(text, text + std::char_traits<char16_t>::length(text)); }

// ======================================================================= layout and storage

TEST(KeyValuesLayout, FlagsWordHoldsSymbolTypeAndHeapBit) {
  KeyValuesAD kv(new KeyValues("layoutNode"));
  kv->SetInt(nullptr, 7);
  EXPECT_EQ(RawFlags(kv.get()) & 0x00FFFFFFu, static_cast<uint32>(kv->GetNameSymbol()));
  EXPECT_EQ((RawFlags(kv.get()) >> 24) & 0xF, 2u);
  EXPECT_EQ(RawFlags(kv.get()) & 0x30000000u, 0u);
  EXPECT_EQ(RawWord(kv.get(), 16) >> 32, 0u) << "reserved word stays zero";
  EXPECT_EQ(static_cast<int32>(RawWord(kv.get(), 0)), 7);
}

TEST(KeyValuesLayout, InlineAndHeapBoundaries) {
  struct Case {
    const char *text;
    bool heap;
  };
  const Case cases[] = {{"", false}, {"1234567", false}, {"12345678", true}, {"a much longer text", true}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    KeyValuesAD kv(new KeyValues("s"));
    kv->SetString(nullptr, c.text);
    const char *stored = kv->GetString();
    EXPECT_STREQ(stored, c.text);
    EXPECT_EQ((RawFlags(kv.get()) & kHeapBit) != 0, c.heap);
    EXPECT_EQ(PointsIntoNode(kv.get(), stored), !c.heap);
    if (c.heap) {
      EXPECT_EQ(RawWord(kv.get(), 0), reinterpret_cast<uint64>(stored));
    }
  }
  struct WideCase {
    const char16_t *text;
    bool heap;
  };
  const WideCase wideCases[] = {{u"", false}, {u"abc", false}, {u"abcd", true}, {u"\u00e9t\u00e9 long", true}};
  for (const WideCase &c : wideCases) {
    SCOPED_TRACE(Utf8(c.text));
    KeyValuesAD kv(new KeyValues("w"));
    kv->SetWString(nullptr, c.text);
    const char16_t *stored = kv->GetWString();
    EXPECT_EQ(std::u16string(stored), std::u16string(c.text));
    EXPECT_EQ((RawFlags(kv.get()) & kHeapBit) != 0, c.heap);
    EXPECT_EQ(PointsIntoNode(kv.get(), stored), !c.heap);
  }
}

TEST(KeyValuesLayout, SixtyFourBitValuesSitWholeInWordZero) {
  KeyValuesAD kv(new KeyValues("n"));
  kv->SetUint64("u", 0x1122334455667788ull);
  kv->SetInt64("i", -2);
  EXPECT_EQ(RawWord(kv->FindKey("u"), 0), 0x1122334455667788ull);
  EXPECT_EQ(RawWord(kv->FindKey("u"), 8), 0u);
  EXPECT_EQ(static_cast<int64>(RawWord(kv->FindKey("i"), 0)), -2);
  EXPECT_EQ(kv->GetDataType("u"), KeyValues::TYPE_UINT64);
  EXPECT_EQ(kv->GetDataType("i"), KeyValues::TYPE_INT64);
}

TEST(KeyValuesLayout, BlobKeepsLengthInWordZeroAndTerminatedBufferInWordOne) {
  KeyValuesAD kv(new KeyValues("n"));
  const char bytes[] = {'a', '\0', 'b'};
  kv->SetBinaryBlob("b", bytes, sizeof(bytes));
  const KeyValues *blob = kv->FindKey("b");
  EXPECT_EQ(RawWord(blob, 0), 3u);
  const auto *buffer = reinterpret_cast<const char *>(RawWord(blob, 8));
  ASSERT_NE(buffer, nullptr);
  EXPECT_EQ(memcmp(buffer, bytes, 3), 0);
  EXPECT_EQ(buffer[3], '\0');
}

TEST(KeyValuesLayout, NodesAndEverythingTheyOwnComeFromTheSharedAllocator) {
  // Intern the names first: the symbol service keeps its own storage.
  KeyValuesAD(new KeyValues("tree", "shortkey", "longer than eight"));
  CountingAllocator counter;
  {
    KeyValuesAD kv(new KeyValues("tree", "shortkey", "longer than eight"));
    EXPECT_EQ(counter.Live(), 3) << "root, child and the heap string";
    kv->SetWString("shortkey", u"wide text on the heap");
    kv->SetBinaryBlob("tree", "xyz", 3);
    kv->FindKey("tree")->MakeCopy()->Destroy();
    EXPECT_EQ(counter.Live(), 5);
  }
  EXPECT_EQ(counter.Live(), 0);
}

// ======================================================================= names and lookup

TEST(KeyValuesNames, NamesAreSymbolsThatIgnoreCase) {
  KeyValuesAD kv(new KeyValues("AppID"));
  EXPECT_STREQ(kv->GetName(), "AppID");
  EXPECT_EQ(kv->GetNameSymbol(), KeyValues::CallGetSymbolForString("appid"));
  KeyValuesAD unnamed(new KeyValues(static_cast<const char *>(nullptr)));
  EXPECT_EQ(unnamed->GetNameSymbol(), 0);
  EXPECT_STREQ(unnamed->GetName(), "");
  EXPECT_EQ(KeyValues::CallGetSymbolForString("never-seen-name-xyz", false), 0);

  // The symbol constructor keeps only the low 24 bits.
  const HKeySymbol symbol = KeyValues::CallGetSymbolForString("symbolic");
  KeyValuesAD bySymbol(new KeyValues(symbol | 0x7F000000));
  EXPECT_EQ(bySymbol->GetNameSymbol(), symbol);
  EXPECT_STREQ(bySymbol->GetName(), "symbolic");
  bySymbol->SetName("renamed");
  EXPECT_STREQ(bySymbol->GetName(), "renamed");
}

TEST(KeyValuesFindKey, PathCreationAndCaseInsensitiveLookup) {
  KeyValuesAD kv(new KeyValues("root"));
  KeyValues *leaf = kv->FindKey("a/b/c", true);
  ASSERT_NE(leaf, nullptr);
  EXPECT_STREQ(leaf->GetName(), "c");
  EXPECT_EQ(kv->FindKey("a/b/c"), leaf);
  EXPECT_EQ(kv->FindKey("A/B/C"), leaf);
  EXPECT_EQ(kv->FindKey("a")->FindKey("b")->FindKey("c"), leaf);
  EXPECT_EQ(kv->FindKey("a/b/"), kv->FindKey("a/b")) << "a trailing slash names the node itself";
  EXPECT_EQ(kv->FindKey("a//b"), kv->FindKey("a/b")) << "an empty component stays in place";
  EXPECT_EQ(kv->FindKey(nullptr), kv.get());
  EXPECT_EQ(kv->FindKey(""), kv.get());
  EXPECT_EQ(kv->FindKey("a/x/c"), nullptr);
  EXPECT_EQ(kv->FindKey("a/b/c/d"), nullptr);
  EXPECT_EQ(kv->FindKey("missing-never-interned-key"), nullptr);
  // Creating does not duplicate an existing path.
  EXPECT_EQ(kv->FindKey("a/b/c", true), leaf);
  int children = 0;
  for (KeyValues *child = kv->GetFirstSubKey(); child; child = child->GetNextKey()) ++children;
  EXPECT_EQ(children, 1);
}

TEST(KeyValuesFindKey, LongComponentIsCutNotOverrun) {
  KeyValuesAD kv(new KeyValues("root"));
  const std::string longName(1500, 'k');
  KeyValues *leaf = kv->FindKey((longName + "/leaf").c_str(), true);
  ASSERT_NE(leaf, nullptr);
  EXPECT_EQ(strlen(kv->GetFirstSubKey()->GetName()), 1023u);
  EXPECT_EQ(kv->FindKey((longName.substr(0, 1023) + "/leaf").c_str()), leaf);
}

TEST(KeyValuesFindKey, CreatingUnderAValueReleasesTheValue) {
  KeyValuesAD kv(new KeyValues("root"));
  kv->SetString(nullptr, "a heap string value");
  KeyValues *child = kv->FindKey("x", true);
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(kv->GetDataType(), KeyValues::TYPE_NONE);
  EXPECT_EQ(kv->GetFirstSubKey(), child);
  EXPECT_EQ(RawFlags(kv.get()) & kHeapBit, 0u);

  KeyValuesAD number(new KeyValues("n"));
  number->SetInt(nullptr, 5);
  EXPECT_EQ(number->FindKey("x"), nullptr) << "a value node has no children to find";
  EXPECT_EQ(number->GetInt(), 5);
  KeyValues *created = number->FindKey("x", true);
  EXPECT_EQ(created, number->GetFirstSubKey());
  EXPECT_EQ(number->GetInt(), 0);
}

TEST(KeyValuesFindKey, BySymbol) {
  KeyValuesAD kv(new KeyValues("root", "first", 1, "second", 2));
  const HKeySymbol second = KeyValues::CallGetSymbolForString("SECOND");
  EXPECT_EQ(kv->FindKey(second), kv->FindKey("second"));
  EXPECT_EQ(kv->FindKey(INVALID_KEY_SYMBOL), kv.get());
  const HKeySymbol third = KeyValues::CallGetSymbolForString("third");
  EXPECT_EQ(kv->FindKey(third), nullptr);
  KeyValues *created = kv->FindKey(third, true);
  ASSERT_NE(created, nullptr);
  EXPECT_EQ(created->GetNameSymbol(), third);
  EXPECT_EQ(kv->FindKey(second)->GetNextKey(), created);
}

TEST(KeyValuesFindKey, ChildrenInheritTheEscapeFlag) {
  KeyValuesAD kv(new KeyValues("root"));
  EXPECT_FALSE(kv->UsesEscapeSequences());
  kv->UsesEscapeSequences(true);
  EXPECT_NE(RawFlags(kv.get()) & kEscapeBit, 0u);
  EXPECT_TRUE(kv->FindKey("a/b", true)->UsesEscapeSequences());
  EXPECT_TRUE(kv->CreateKey("c")->UsesEscapeSequences());
  KeyValuesAD copy(kv->MakeCopy());
  EXPECT_TRUE(copy->UsesEscapeSequences());
  EXPECT_TRUE(copy->FindKey("a/b")->UsesEscapeSequences());
  KeyValuesAD fresh(new KeyValues("fresh", "k", "v"));
  EXPECT_FALSE(fresh->FindKey("k")->UsesEscapeSequences());
}

// ======================================================================= construction and iteration

TEST(KeyValuesConstruction, ConvenienceConstructorsAddChildrenInOrder) {
  KeyValuesAD two(new KeyValues("msg", "a", "x", "b", "y"));
  EXPECT_STREQ(two->GetFirstSubKey()->GetName(), "a");
  EXPECT_STREQ(two->GetFirstSubKey()->GetNextKey()->GetName(), "b");
  EXPECT_STREQ(two->GetString("b"), "y");
  KeyValuesAD ints(new KeyValues("msg", "a", 1, "b", -2));
  EXPECT_EQ(ints->GetInt("a"), 1);
  EXPECT_EQ(ints->GetInt("b"), -2);
  KeyValuesAD wide(new KeyValues("msg", "w", u"wide"));
  EXPECT_EQ(wide->GetDataType("w"), KeyValues::TYPE_WSTRING);
  KeyValuesAD big(new KeyValues("msg", "id", static_cast<uint64>(90071992547409921ull)));
  EXPECT_EQ(big->GetDataType("id"), KeyValues::TYPE_UINT64);
  EXPECT_EQ(big->GetUint64("id"), 90071992547409921ull);
  KeyValuesAD one(new KeyValues("msg", "text", "hello"));
  EXPECT_STREQ(one->GetString("text"), "hello");
  EXPECT_EQ(one->GetFirstSubKey()->GetNextKey(), nullptr);
}

TEST(KeyValuesIteration, TrueSubKeysAndValuesSkipEachOther) {
  KeyValuesAD kv(new KeyValues("root"));
  kv->SetInt("v1", 1);
  kv->FindKey("block1", true);
  kv->SetString("v2", "two");
  kv->FindKey("block2/inner", true);
  std::string blocks;
  for (KeyValues *k = kv->GetFirstTrueSubKey(); k; k = k->GetNextTrueSubKey()) blocks += k->GetName();
  std::string values;
  for (KeyValues *k = kv->GetFirstValue(); k; k = k->GetNextValue()) values += k->GetName();
  EXPECT_EQ(blocks, "block1block2");
  EXPECT_EQ(values, "v1v2");
  EXPECT_EQ(kv->FindKey("v1")->GetFirstSubKey(), nullptr);
  EXPECT_EQ(kv->FindKey("v1")->GetFirstTrueSubKey(), nullptr);
}

TEST(KeyValuesStructure, DataTypeAndEmptiness) {
  KeyValuesAD kv(new KeyValues("root"));
  kv->SetFloat("f", 1.5f);
  kv->FindKey("empty", true);
  kv->FindKey("full/x", true);
  EXPECT_EQ(kv->GetDataType("f"), KeyValues::TYPE_FLOAT);
  EXPECT_EQ(kv->GetDataType("missing"), KeyValues::TYPE_NONE);
  EXPECT_EQ(kv->GetDataType(), KeyValues::TYPE_NONE);
  EXPECT_TRUE(kv->IsEmpty("missing"));
  EXPECT_TRUE(kv->IsEmpty("empty"));
  EXPECT_FALSE(kv->IsEmpty("full"));
  EXPECT_FALSE(kv->IsEmpty("f"));
  EXPECT_FALSE(kv->IsEmpty());
  kv->Clear();
  EXPECT_TRUE(kv->IsEmpty());
  EXPECT_EQ(RawWord(kv.get(), 0), 0u);
  EXPECT_EQ(RawWord(kv.get(), 8), 0u);
  EXPECT_STREQ(kv->GetName(), "root");
}

TEST(KeyValuesStructure, AddAndRemoveSubKeys) {
  KeyValuesAD kv(new KeyValues("root", "a", 1, "b", 2));
  kv->SetInt("c", 3);
  KeyValues *b = kv->FindKey("b");
  EXPECT_EQ(kv->RemoveSubKey(b), b);
  EXPECT_EQ(b->GetNextKey(), nullptr);
  EXPECT_EQ(kv->FindKey("a")->GetNextKey(), kv->FindKey("c"));
  EXPECT_EQ(kv->RemoveSubKey(nullptr), nullptr);

  // A chain added at once keeps its order after the existing children.
  b->SetNextKey(new KeyValues("d"));
  kv->AddSubKey(b);
  std::string order;
  for (KeyValues *k = kv->GetFirstSubKey(); k; k = k->GetNextKey()) order += k->GetName();
  EXPECT_EQ(order, "acbd");

  // Removing the first child relinks the head; a stranger only loses its peer link.
  KeyValues *a = kv->RemoveSubKey(kv->FindKey("a"));
  EXPECT_STREQ(kv->GetFirstSubKey()->GetName(), "c");
  KeyValuesAD stranger(new KeyValues("x"));
  stranger->SetNextKey(a);
  EXPECT_EQ(kv->RemoveSubKey(stranger.get()), stranger.get());
  EXPECT_EQ(stranger->GetNextKey(), nullptr);
  a->Destroy();
}

TEST(KeyValuesStructure, AddSubKeyRefusesLoopsAndReplacesAValue) {
  SpewCapture spew;
  KeyValuesAD kv(new KeyValues("root", "a", 1));
  kv->AddSubKey(kv.get());
  kv->AddSubKey(kv->FindKey("a"));
  EXPECT_EQ(spew.Asserts().size(), 2u);
  EXPECT_EQ(kv->FindKey("a")->GetNextKey(), nullptr);

  KeyValuesAD holder(new KeyValues("holder"));
  holder->SetString(nullptr, "value that goes away");
  holder->AddSubKey(new KeyValues("child"));
  EXPECT_EQ(holder->GetDataType(), KeyValues::TYPE_NONE);
  EXPECT_STREQ(holder->GetFirstSubKey()->GetName(), "child");
}

TEST(KeyValuesStructure, CreateKeyAppendsEvenWhenTheNameExists) {
  KeyValuesAD kv(new KeyValues("root"));
  KeyValues *first = kv->CreateKey("dup");
  KeyValues *second = kv->CreateKey("dup");
  EXPECT_NE(first, second);
  EXPECT_EQ(first->GetNextKey(), second);
  EXPECT_EQ(kv->FindKey("dup"), first);
}

// ======================================================================= destruction

TEST(KeyValuesDestroy, DestroyingAChildInPlaceTakesItsFollowingSiblings) {
  KeyValuesAD(new KeyValues("root", "a", 1, "b", 2));
  CountingAllocator counter;
  KeyValues *root = new KeyValues("root", "a", 1, "b", 2);
  root->SetInt("c", 3);
  KeyValues *b = root->FindKey("b");
  root->FindKey("a")->SetNextKey(nullptr);  // cut the list so the root does not free b again
  const long before = counter.Live();
  b->Destroy();
  EXPECT_EQ(before - counter.Live(), 2) << "b and its following sibling c";
  root->Destroy();
  EXPECT_EQ(counter.Live(), 0);
}

TEST(KeyValuesDestroy, MillionPeersAreDestroyedWithoutRecursion) {
  constexpr int kPeers = 1000000;
  CountingAllocator counter;
  auto *head = new KeyValues(static_cast<const char *>(nullptr));
  KeyValues *tail = head;
  for (int i = 1; i < kPeers; ++i) {
    auto *next = new KeyValues(static_cast<const char *>(nullptr));
    tail->SetNextKey(next);
    tail = next;
  }
  EXPECT_EQ(counter.Live(), kPeers);
  head->Destroy();
  EXPECT_EQ(counter.Live(), 0);
}

TEST(KeyValuesDestroy, PeerChainLeadingBackToTheNodeStops) {
  CountingAllocator counter;
  auto *a = new KeyValues("a");
  auto *b = new KeyValues("b");
  auto *c = new KeyValues("c");
  a->SetNextKey(b);
  b->SetNextKey(c);
  c->SetNextKey(a);
  a->Destroy();
  EXPECT_EQ(counter.Live(), 0);
}

// ======================================================================= copy and equality

TEST(KeyValuesCopy, MakeCopyIsDeepAndLeavesPeersBehind) {
  KeyValuesAD kv(new KeyValues("root"));
  kv->SetString("text", "a string stored on the heap");
  kv->SetWString("wide", u"a wide string on the heap");
  kv->SetBinaryBlob("blob", "\x01\x02\x03", 3);
  kv->SetColor("colour", Color(1, 2, 3, 4));
  kv->SetUint64("big", 1ull << 40);
  kv->SetPtr("ptr", kv.get());
  kv->SetFloat("sub/f", 0.25f);
  kv->SetNextKey(new KeyValues("peer"));

  KeyValuesAD copy(kv->MakeCopy());
  EXPECT_STREQ(copy->GetName(), "root");
  EXPECT_EQ(copy->GetNextKey(), nullptr);
  EXPECT_STREQ(copy->GetString("text"), "a string stored on the heap");
  EXPECT_NE(copy->GetString("text"), kv->GetString("text")) << "own heap block";
  EXPECT_EQ(std::u16string(copy->GetWString("wide")), u"a wide string on the heap");
  const KeyValues *blob = copy->FindKey("blob");
  EXPECT_EQ(RawWord(blob, 0), 3u);
  EXPECT_NE(RawWord(blob, 8), RawWord(kv->FindKey("blob"), 8));
  EXPECT_EQ(memcmp(reinterpret_cast<const void *>(RawWord(blob, 8)), "\x01\x02\x03", 4), 0);
  EXPECT_EQ(copy->GetColor("colour"), Color(1, 2, 3, 4));
  EXPECT_EQ(copy->GetUint64("big"), 1ull << 40);
  EXPECT_EQ(copy->GetPtr("ptr"), kv.get());
  EXPECT_FLOAT_EQ(copy->GetFloat("sub/f"), 0.25f);
  EXPECT_NE(copy->FindKey("sub"), kv->FindKey("sub"));

  kv->SetString("text", "changed");
  EXPECT_STREQ(copy->GetString("text"), "a string stored on the heap");
}

TEST(KeyValuesCopy, CopySubkeysAppendsAfterTheTargetsChildren) {
  KeyValuesAD source(new KeyValues("src", "x", 1, "y", 2));
  KeyValuesAD target(new KeyValues("dst", "a", "keep"));
  source->CopySubkeys(target.get());
  std::string order;
  for (KeyValues *k = target->GetFirstSubKey(); k; k = k->GetNextKey()) order += k->GetName();
  EXPECT_EQ(order, "axy");
  EXPECT_NE(target->FindKey("x"), source->FindKey("x"));

  // Copying a node's children into itself doubles them once, without looping.
  source->CopySubkeys(source.get());
  order.clear();
  for (KeyValues *k = source->GetFirstSubKey(); k; k = k->GetNextKey()) order += k->GetName();
  EXPECT_EQ(order, "xyxy");
  source->CopySubkeys(nullptr);
}

TEST(KeyValuesEquality, ComparesTypesAndValuesNotNames) {
  struct Case {
    const char *label;
    NodeSetup left;
    NodeSetup right;
    bool equal;
  };
  const Case cases[] = {
      {"same int", [](KeyValues *k) { k->SetInt("v", 4); }, [](KeyValues *k) { k->SetInt("v", 4); }, true},
      {"other int", [](KeyValues *k) { k->SetInt("v", 4); }, [](KeyValues *k) { k->SetInt("v", 5); }, false},
      {"int vs string", [](KeyValues *k) { k->SetInt("v", 4); }, [](KeyValues *k) { k->SetString("v", "4"); },
       false},
      {"string case", [](KeyValues *k) { k->SetString("v", "Abc"); },
       [](KeyValues *k) { k->SetString("v", "abc"); }, false},
      {"heap string", [](KeyValues *k) { k->SetString("v", "long enough string"); },
       [](KeyValues *k) { k->SetString("v", "long enough string"); }, true},
      {"wide", [](KeyValues *k) { k->SetWString("v", u"wide text"); },
       [](KeyValues *k) { k->SetWString("v", u"wide text"); }, true},
      {"float", [](KeyValues *k) { k->SetFloat("v", 0.5f); }, [](KeyValues *k) { k->SetFloat("v", 0.5f); }, true},
      {"uint64", [](KeyValues *k) { k->SetUint64("v", 1ull << 33); },
       [](KeyValues *k) { k->SetUint64("v", 1ull << 34); }, false},
      {"names differ", [](KeyValues *k) { k->SetInt("v", 1); }, [](KeyValues *k) { k->SetInt("other", 1); }, true},
      {"more children", [](KeyValues *k) { k->SetInt("v", 1); },
       [](KeyValues *k) {
         k->SetInt("v", 1);
         k->SetInt("w", 1);
       },
       false},
      {"empty vs empty", nullptr, nullptr, true},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.label);
    KeyValuesAD left = MakeRoot(c.left);
    KeyValuesAD right = MakeRoot(c.right);
    right->SetName("different root name");
    EXPECT_EQ(left->IsEqual(right.get()), c.equal);
    EXPECT_EQ(right->IsEqual(left.get()), c.equal);
  }
  KeyValuesAD any(new KeyValues("x"));
  EXPECT_FALSE(any->IsEqual(nullptr));
}

TEST(KeyValuesEquality, ColourBlobAndCode8ReportAndCountAsEqual) {
  const NodeSetup setups[] = {[](KeyValues *k) { k->SetColor("v", Color(1, 2, 3)); },
                          [](KeyValues *k) { SetBlob(k, "bytes"); }, SetCode8};
  for (NodeSetup setup : setups) {
    SpewCapture spew;
    KeyValuesAD left = MakeRoot(setup);
    KeyValuesAD right = MakeRoot(setup);
    right->FindKey("v")->SetInt(nullptr, 0);
    PokeType(right->FindKey("v"), left->GetDataType("v"));
    EXPECT_TRUE(left->FindKey("v")->IsEqual(right->FindKey("v")));
    ASSERT_EQ(spew.Asserts().size(), 1u);
    EXPECT_EQ(spew.Asserts()[0], "Assertion Failed: false");
    PokeType(right->FindKey("v"), 0);  // its words are plain zeros: nothing to release
  }
}

// ======================================================================= writers

TEST(KeyValuesWriters, SettingReplacesValueOrChildren) {
  CountingAllocator counter;
  {
    KeyValuesAD kv(new KeyValues("root"));
    kv->FindKey("v/a/b", true);
    const long withChildren = counter.Live();
    kv->SetInt("v", 9);
    EXPECT_EQ(withChildren - counter.Live(), 2) << "the grandchildren went";
    EXPECT_EQ(kv->GetInt("v"), 9);
    kv->SetString("v", "a string on the heap");
    kv->SetFloat("v", 2.0f);
    EXPECT_EQ(counter.Live(), withChildren - 2) << "the heap string went";
    kv->SetString("s", nullptr);
    EXPECT_EQ(kv->GetDataType("s"), KeyValues::TYPE_STRING);
    EXPECT_STREQ(kv->GetString("s", "default"), "");
    kv->SetWString("w", nullptr);
    EXPECT_EQ(std::u16string(kv->GetWString("w", u"default")), u"");
    kv->SetPtr("p", nullptr);
    EXPECT_EQ(kv->GetDataType("p"), KeyValues::TYPE_PTR);
  }
  EXPECT_EQ(counter.Live(), 0);
}

TEST(KeyValuesWriters, TextMayComeFromTheValueBeingReplaced) {
  KeyValuesAD kv(new KeyValues("root"));
  kv->SetString("a", "a text long enough for the heap");
  kv->SetString("a", kv->GetString("a") + 2);
  EXPECT_STREQ(kv->GetString("a"), "text long enough for the heap");
  kv->SetString("short", "abc");
  kv->SetString("short", kv->GetString("short") + 1);
  EXPECT_STREQ(kv->GetString("short"), "bc");
  // Creating "a/b" releases a's string before the child exists.
  kv->SetString("a/b", kv->GetString("a"));
  EXPECT_STREQ(kv->GetString("a/b"), "text long enough for the heap");
  kv->SetWString("w", u"wide text on the heap");
  kv->SetWString("w/x", kv->GetWString("w"));
  EXPECT_EQ(std::u16string(kv->GetWString("w/x")), u"wide text on the heap");
}

TEST(KeyValuesWriters, NullNameWritesTheNodeItself) {
  KeyValuesAD kv(new KeyValues("self"));
  kv->SetColor(nullptr, Color(9, 8, 7, 6));
  EXPECT_EQ(kv->GetDataType(), KeyValues::TYPE_COLOR);
  EXPECT_EQ(static_cast<uint32>(RawWord(kv.get(), 0)), Color(9, 8, 7, 6).GetRawColor());
}

// ======================================================================= readers

// One table per reader: each case prepares child "v" of a fresh root (null: leave it missing).
struct IntCase {
  const char *label;
  NodeSetup setup;
  int expected;
  CS status;
  const char *report;  // expected assertion text, or null
};

TEST(KeyValuesReaders, GetIntAcrossTypes) {
  const IntCase cases[] = {
      {"missing", nullptr, 77, KeyValues::KeyMissing, nullptr},
      {"string", [](KeyValues *k) { k->SetString("v", "12"); }, 12, KeyValues::Success, nullptr},
      {"partial", [](KeyValues *k) { k->SetString("v", "12abc"); }, 12, KeyValues::PartialConversion, nullptr},
      {"empty", [](KeyValues *k) { k->SetString("v", ""); }, 77, KeyValues::EmptyString, nullptr},
      {"word", [](KeyValues *k) { k->SetString("v", "yes"); }, 0, KeyValues::PartialConversion, nullptr},
      {"too big", [](KeyValues *k) { k->SetString("v", "99999999999"); }, std::numeric_limits<int>::max(),
       KeyValues::Success, nullptr},
      {"blob", [](KeyValues *k) { SetBlob(k, "-15"); }, -15, KeyValues::Success, nullptr},
      {"wide", [](KeyValues *k) { k->SetWString("v", u"42"); }, 42, KeyValues::Success, nullptr},
      {"int", [](KeyValues *k) { k->SetInt("v", -5); }, -5, KeyValues::Success, nullptr},
      {"float", [](KeyValues *k) { k->SetFloat("v", 3.9f); }, 3, KeyValues::Success, nullptr},
      {"negative float", [](KeyValues *k) { k->SetFloat("v", -3.9f); }, -3, KeyValues::Success, nullptr},
      {"huge float", [](KeyValues *k) { k->SetFloat("v", 3e9f); }, 77, KeyValues::Success,
       "can't convert float to int32 (out of range)"},
      {"nan", [](KeyValues *k) { k->SetFloat("v", std::nanf("")); }, 77, KeyValues::Success,
       "can't convert float to int32 (out of range)"},
      {"pointer", [](KeyValues *k) { k->SetPtr("v", reinterpret_cast<void *>(0x1234)); }, 0x1234,
       KeyValues::Success, nullptr},
      {"colour", [](KeyValues *k) { k->SetColor("v", Color(1, 2, 3, 4)); }, 0x04030201, KeyValues::Success,
       nullptr},
      {"uint64 fits", [](KeyValues *k) { k->SetUint64("v", 4294967295ull); }, -1, KeyValues::Success, nullptr},
      {"uint64 too big", [](KeyValues *k) { k->SetUint64("v", 4294967296ull); }, 77, KeyValues::Success,
       "can't convert uint64 to int32 (data loss)"},
      {"int64 fits", [](KeyValues *k) { k->SetInt64("v", -7); }, -7, KeyValues::Success, nullptr},
      {"int64 too big", [](KeyValues *k) { k->SetInt64("v", -(1ll << 40)); }, 77, KeyValues::Success,
       "can't convert int64 to int32 (data loss)"},
      {"children", [](KeyValues *k) { k->FindKey("v/child", true); }, 0, KeyValues::Success, nullptr},
      {"code 8", SetCode8, 0, KeyValues::Success, nullptr},
  };
  for (const IntCase &c : cases) {
    SCOPED_TRACE(c.label);
    SpewCapture spew;
    KeyValuesAD root = MakeRoot(c.setup);
    CS status = KeyValues::EmptyString;
    EXPECT_EQ(root->GetInt("v", 77, &status), c.expected);
    EXPECT_EQ(status, c.status);
    if (c.report) {
      ASSERT_EQ(spew.Asserts().size(), 1u);
      EXPECT_EQ(spew.Asserts()[0], c.report);
    } else {
      EXPECT_TRUE(spew.Asserts().empty());
    }
    // The reader leaves the node's type alone.
    if (c.setup && c.setup != SetCode8) {
      EXPECT_EQ(root->GetDataType("v"), MakeRoot(c.setup)->GetDataType("v"));
    }
  }
}

struct Uint64Case {
  const char *label;
  NodeSetup setup;
  uint64 expected;
  CS status;
  const char *report;
};

TEST(KeyValuesReaders, GetUint64AcrossTypes) {
  const Uint64Case cases[] = {
      {"missing", nullptr, 99, KeyValues::KeyMissing, nullptr},
      {"string", [](KeyValues *k) { k->SetString("v", "18446744073709551615"); }, ~0ull, KeyValues::Success,
       nullptr},
      {"partial", [](KeyValues *k) { k->SetString("v", "7 apples"); }, 7, KeyValues::PartialConversion, nullptr},
      {"empty", [](KeyValues *k) { k->SetString("v", ""); }, 99, KeyValues::EmptyString, nullptr},
      {"wide", [](KeyValues *k) { k->SetWString("v", u"123456789012"); }, 123456789012ull, KeyValues::Success,
       nullptr},
      {"int sign-extends", [](KeyValues *k) { k->SetInt("v", -1); }, ~0ull, KeyValues::Success, nullptr},
      {"float", [](KeyValues *k) { k->SetFloat("v", -2.5f); }, static_cast<uint64>(-2ll), KeyValues::Success,
       nullptr},
      {"float beyond 32 bits", [](KeyValues *k) { k->SetFloat("v", 1e10f); }, 99, KeyValues::Success,
       "can't convert float to int32 (out of range)"},
      {"pointer", [](KeyValues *k) { k->SetPtr("v", reinterpret_cast<void *>(0x123456789aull)); },
       0x123456789aull, KeyValues::Success, nullptr},
      {"colour", [](KeyValues *k) { k->SetColor("v", Color(0, 0, 0, 0x80)); }, 0xFFFFFFFF80000000ull,
       KeyValues::Success, nullptr},
      {"uint64", [](KeyValues *k) { k->SetUint64("v", 1ull << 63); }, 1ull << 63, KeyValues::Success, nullptr},
      {"int64", [](KeyValues *k) { k->SetInt64("v", 1ll << 40); }, 1ull << 40, KeyValues::Success, nullptr},
      {"negative int64", [](KeyValues *k) { k->SetInt64("v", -1); }, 99, KeyValues::Success,
       "can't convert int64 to uint64 (negative number)"},
      {"children", [](KeyValues *k) { k->FindKey("v/child", true); }, 0, KeyValues::Success, nullptr},
      {"code 8", SetCode8, 0, KeyValues::Success, nullptr},
  };
  for (const Uint64Case &c : cases) {
    SCOPED_TRACE(c.label);
    SpewCapture spew;
    KeyValuesAD root = MakeRoot(c.setup);
    CS status = KeyValues::EmptyString;
    EXPECT_EQ(root->GetUint64("v", 99, &status), c.expected);
    EXPECT_EQ(status, c.status);
    if (c.report) {
      ASSERT_EQ(spew.Asserts().size(), 1u);
      EXPECT_EQ(spew.Asserts()[0], c.report);
    } else {
      EXPECT_TRUE(spew.Asserts().empty());
    }
  }
}

struct FloatCase {
  const char *label;
  NodeSetup setup;
  float expected;
  CS status;
};

TEST(KeyValuesReaders, GetFloatAcrossTypes) {
  const FloatCase cases[] = {
      {"missing", nullptr, 9.5f, KeyValues::KeyMissing},
      {"string", [](KeyValues *k) { k->SetString("v", "2.25"); }, 2.25f, KeyValues::Success},
      {"partial", [](KeyValues *k) { k->SetString("v", "1.5x"); }, 1.5f, KeyValues::PartialConversion},
      {"empty", [](KeyValues *k) { k->SetString("v", ""); }, 9.5f, KeyValues::EmptyString},
      {"beyond float", [](KeyValues *k) { k->SetString("v", "1e300"); }, std::numeric_limits<float>::infinity(),
       KeyValues::Success},
      {"blob", [](KeyValues *k) { SetBlob(k, "0.5"); }, 0.5f, KeyValues::Success},
      {"int", [](KeyValues *k) { k->SetInt("v", -3); }, -3.0f, KeyValues::Success},
      {"float", [](KeyValues *k) { k->SetFloat("v", 0.125f); }, 0.125f, KeyValues::Success},
      {"pointer", [](KeyValues *k) { k->SetPtr("v", k); }, 0.0f, KeyValues::Success},
      {"wide", [](KeyValues *k) { k->SetWString("v", u"3.5"); }, 0.0f, KeyValues::Success},
      {"colour", [](KeyValues *k) { k->SetColor("v", Color(1, 1, 1)); }, 0.0f, KeyValues::Success},
      {"uint64", [](KeyValues *k) { k->SetUint64("v", ~0ull); }, 18446744073709551615.0f, KeyValues::Success},
      {"int64", [](KeyValues *k) { k->SetInt64("v", -(1ll << 40)); }, -1099511627776.0f, KeyValues::Success},
      {"children", [](KeyValues *k) { k->FindKey("v/child", true); }, 0.0f, KeyValues::Success},
      {"code 8", SetCode8, 0.0f, KeyValues::Success},
  };
  for (const FloatCase &c : cases) {
    SCOPED_TRACE(c.label);
    KeyValuesAD root = MakeRoot(c.setup);
    CS status = KeyValues::EmptyString;
    EXPECT_EQ(root->GetFloat("v", 9.5f, &status), c.expected);
    EXPECT_EQ(status, c.status);
  }
}

struct BoolCase {
  const char *label;
  NodeSetup setup;
  bool defaultValue;
  bool expected;
  CS status;
};

TEST(KeyValuesReaders, GetBoolAcrossTypes) {
  const BoolCase cases[] = {
      {"missing", nullptr, true, true, KeyValues::KeyMissing},
      {"TRUE", [](KeyValues *k) { k->SetString("v", "TRUE"); }, false, true, KeyValues::Success},
      {"False", [](KeyValues *k) { k->SetString("v", "False"); }, true, false, KeyValues::Success},
      {"one", [](KeyValues *k) { k->SetString("v", "1"); }, false, true, KeyValues::Success},
      {"yes", [](KeyValues *k) { k->SetString("v", "yes"); }, true, false, KeyValues::PartialConversion},
      {"empty keeps default", [](KeyValues *k) { k->SetString("v", ""); }, true, true, KeyValues::EmptyString},
      {"wide true", [](KeyValues *k) { k->SetWString("v", u"tRuE"); }, false, true, KeyValues::Success},
      {"blob false", [](KeyValues *k) { SetBlob(k, "false"); }, true, false, KeyValues::Success},
      {"int", [](KeyValues *k) { k->SetInt("v", 2); }, false, true, KeyValues::Success},
      {"small float", [](KeyValues *k) { k->SetFloat("v", 0.5f); }, true, false, KeyValues::Success},
      {"pointer", [](KeyValues *k) { k->SetPtr("v", reinterpret_cast<void *>(0x100000000ull)); }, false, true,
       KeyValues::Success},
      {"null pointer", [](KeyValues *k) { k->SetPtr("v", nullptr); }, true, false, KeyValues::Success},
      {"uint64", [](KeyValues *k) { k->SetUint64("v", 1); }, false, true, KeyValues::Success},
      {"children", [](KeyValues *k) { k->FindKey("v/child", true); }, true, false, KeyValues::Success},
      {"code 8", SetCode8, true, false, KeyValues::Success},
  };
  for (const BoolCase &c : cases) {
    SCOPED_TRACE(c.label);
    KeyValuesAD root = MakeRoot(c.setup);
    CS status = KeyValues::EmptyString;
    EXPECT_EQ(root->GetBool("v", c.defaultValue, &status), c.expected);
    EXPECT_EQ(status, c.status);
  }
}

TEST(KeyValuesReaders, GetBoolHandsItsDefaultToTheIntegerReading) {
  SpewCapture spew;
  KeyValuesAD kv(new KeyValues("root"));
  kv->SetUint64("big", 1ull << 40);
  EXPECT_TRUE(kv->GetBool("big", true));
  EXPECT_FALSE(kv->GetBool("big", false));
  EXPECT_EQ(spew.Asserts().size(), 2u);
}

struct StringCase {
  const char *label;
  NodeSetup setup;
  const char *expected;
  KeyValues::types_t typeAfter;
};

TEST(KeyValuesReaders, GetStringFormatsIntoTheNode) {
  const StringCase cases[] = {
      {"string", [](KeyValues *k) { k->SetString("v", "text"); }, "text", KeyValues::TYPE_STRING},
      {"int", [](KeyValues *k) { k->SetInt("v", -42); }, "-42", KeyValues::TYPE_STRING},
      {"float", [](KeyValues *k) { k->SetFloat("v", 2.5f); }, "2.500000", KeyValues::TYPE_STRING},
      {"uint64", [](KeyValues *k) { k->SetUint64("v", ~0ull); }, "18446744073709551615", KeyValues::TYPE_STRING},
      {"int64", [](KeyValues *k) { k->SetInt64("v", -9000000000ll); }, "-9000000000", KeyValues::TYPE_STRING},
      {"pointer", [](KeyValues *k) { k->SetPtr("v", reinterpret_cast<void *>(0x123456789aull)); },
       "78187493530", KeyValues::TYPE_STRING},
      {"wide", [](KeyValues *k) { k->SetWString("v", u"\u00e9t\u00e9 \U0001F600"); },
       "\xc3\xa9t\xc3\xa9 \xf0\x9f\x98\x80", KeyValues::TYPE_STRING},
      {"blob", [](KeyValues *k) { SetBlob(k, "raw"); }, "raw", KeyValues::TYPE_BINARY_BLOB},
      {"colour", [](KeyValues *k) { k->SetColor("v", Color(1, 2, 3)); }, "dflt", KeyValues::TYPE_COLOR},
      {"children", [](KeyValues *k) { k->FindKey("v/child", true); }, "dflt", KeyValues::TYPE_NONE},
      {"code 8", SetCode8, "dflt", static_cast<KeyValues::types_t>(8)},
  };
  for (const StringCase &c : cases) {
    SCOPED_TRACE(c.label);
    KeyValuesAD root = MakeRoot(c.setup);
    EXPECT_STREQ(root->GetString("v", "dflt"), c.expected);
    EXPECT_EQ(root->GetDataType("v"), c.typeAfter);
    EXPECT_STREQ(root->GetString("v", "dflt"), c.expected) << "reading again gives the same";
  }
  KeyValuesAD root(new KeyValues("root"));
  EXPECT_STREQ(root->GetString("missing", "dflt"), "dflt");
}

TEST(KeyValuesReaders, GetStringConvertsLongWideTextWhole) {
  const std::u16string wide(2000, u'\u00e9');
  KeyValuesAD kv(new KeyValues("root"));
  kv->SetWString("w", wide.c_str());
  EXPECT_EQ(strlen(kv->GetString("w")), 4000u);
}

struct WideCase {
  const char *label;
  NodeSetup setup;
  const char16_t *expected;
  KeyValues::types_t typeAfter;
};

TEST(KeyValuesReaders, GetWStringConvertsIntoTheNode) {
  const WideCase cases[] = {
      {"wide", [](KeyValues *k) { k->SetWString("v", u"wide"); }, u"wide", KeyValues::TYPE_WSTRING},
      {"utf8", [](KeyValues *k) { k->SetString("v", "caf\xc3\xa9"); }, u"caf\u00e9", KeyValues::TYPE_WSTRING},
      {"int", [](KeyValues *k) { k->SetInt("v", -42); }, u"-42", KeyValues::TYPE_WSTRING},
      {"float", [](KeyValues *k) { k->SetFloat("v", 2.5f); }, u"2.500000", KeyValues::TYPE_WSTRING},
      {"uint64", [](KeyValues *k) { k->SetUint64("v", 1ull << 40); }, u"1099511627776", KeyValues::TYPE_WSTRING},
      {"int64", [](KeyValues *k) { k->SetInt64("v", -3); }, u"-3", KeyValues::TYPE_WSTRING},
      {"colour", [](KeyValues *k) { k->SetColor("v", Color(1, 2, 3)); }, u"dflt", KeyValues::TYPE_COLOR},
      {"blob", [](KeyValues *k) { SetBlob(k, "raw"); }, u"dflt", KeyValues::TYPE_BINARY_BLOB},
      {"children", [](KeyValues *k) { k->FindKey("v/child", true); }, u"dflt", KeyValues::TYPE_NONE},
  };
  for (const WideCase &c : cases) {
    SCOPED_TRACE(c.label);
    KeyValuesAD root = MakeRoot(c.setup);
    EXPECT_EQ(std::u16string(root->GetWString("v", u"dflt")), std::u16string(c.expected));
    EXPECT_EQ(root->GetDataType("v"), c.typeAfter);
  }
  KeyValuesAD root(new KeyValues("root"));
  root->SetString("s", "back and forth");
  root->GetWString("s");
  EXPECT_STREQ(root->GetString("s"), "back and forth");
}

TEST(KeyValuesReaders, GetPtrOnlyFromPointerNodes) {
  int target = 0;
  KeyValuesAD kv(new KeyValues("root"));
  kv->SetPtr("p", &target);
  kv->SetInt("i", 5);
  EXPECT_EQ(kv->GetPtr("p"), &target);
  EXPECT_EQ(kv->GetPtr("i", &target), nullptr);
  EXPECT_EQ(kv->GetPtr("missing", &target), &target);
}

struct ColorCase {
  const char *label;
  NodeSetup setup;
  Color expected;
};

TEST(KeyValuesReaders, GetColorAcrossTypes) {
  const Color def(10, 20, 30, 40);
  const ColorCase cases[] = {
      {"missing", nullptr, def},
      {"colour", [](KeyValues *k) { k->SetColor("v", Color(1, 2, 3, 4)); }, Color(1, 2, 3, 4)},
      {"string", [](KeyValues *k) { k->SetString("v", "255 128 0 255"); }, Color(255, 128, 0, 255)},
      {"string wraps", [](KeyValues *k) { k->SetString("v", "300.7 -1 2.9 256"); }, Color(44, 255, 2, 0)},
      {"short string", [](KeyValues *k) { k->SetString("v", "7\t8"); }, Color(7, 8, 0, 0)},
      {"junk string", [](KeyValues *k) { k->SetString("v", "red"); }, Color(0, 0, 0, 0)},
      {"float", [](KeyValues *k) { k->SetFloat("v", 300.0f); }, Color(44, 20, 30, 40)},
      {"nan float", [](KeyValues *k) { k->SetFloat("v", std::nanf("")); }, def},
      {"huge float", [](KeyValues *k) { k->SetFloat("v", 1e30f); }, def},
      {"int", [](KeyValues *k) { k->SetInt("v", 260); }, Color(4, 20, 30, 40)},
      {"wide", [](KeyValues *k) { k->SetWString("v", u"1 2 3 4"); }, def},
      {"uint64", [](KeyValues *k) { k->SetUint64("v", 5); }, def},
  };
  for (const ColorCase &c : cases) {
    SCOPED_TRACE(c.label);
    KeyValuesAD root = MakeRoot(c.setup);
    EXPECT_EQ(root->GetColor("v", def), c.expected);
  }
  KeyValuesAD root(new KeyValues("root"));
  EXPECT_EQ(root->GetColor("missing"), Color()) << "all four bytes 0 without a default";
}

TEST(KeyValuesReaders, TextConvertersReportAMissingStatus) {
  SpewCapture spew;
  EXPECT_EQ(KeyValues::GetIntFromString("5", 0, nullptr), 5);
  EXPECT_EQ(KeyValues::GetUint64FromString("6", 0, nullptr), 6u);
  EXPECT_EQ(KeyValues::GetFloatFromString("0.5", 0, nullptr), 0.5f);
  ASSERT_EQ(spew.Asserts().size(), 3u);
  EXPECT_EQ(spew.Asserts()[0], "GetIntFromString() did not get correct peCS parameter");
  EXPECT_EQ(spew.Asserts()[1], "GetUint64FromString() did not get correct peCS parameter");
  EXPECT_EQ(spew.Asserts()[2], "GetFloatFromString() did not get correct peCS parameter");
  // The readers always pass one.
  KeyValuesAD kv(new KeyValues("root", "v", "12"));
  kv->GetInt("v");
  kv->GetUint64("v");
  kv->GetFloat("v");
  EXPECT_EQ(spew.Asserts().size(), 3u);
  CS status = KeyValues::Success;
  EXPECT_EQ(KeyValues::GetIntFromString(nullptr, 3, &status), 3);
  EXPECT_EQ(status, KeyValues::EmptyString);
}

}  // namespace
