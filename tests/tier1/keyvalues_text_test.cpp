#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "common/filesystem_stdio.h"
#include "kstdlib/ikeyvaluessystem.h"
#include "support/spew_capture.h"
#include "support/temp_dir.h"
#include "tests/common/failing_filesystem.h"
#include "tier0/memalloc.h"
#include "tier1/KeyValues.h"
#include "tier1/keyvalues_text/condition_evaluator.h"
#include "tier1/keyvalues_text/key_name_cache.h"
#include "tier1/keyvalues_text/keyvalues_reader.h"
#include "tier1/keyvalues_text/keyvalues_tokenizer.h"
#include "tier1/utlbuffer.h"

namespace {

// One line per node: two spaces per depth, the name, the type code and, for a value, the value.
void Describe(KeyValues *node, int depth, std::string &out) {
  for (; node; node = node->GetNextKey()) {
    out += std::string(static_cast<size_t>(depth) * 2, ' ') + node->GetName() + " " +
           std::to_string(node->GetDataType());
    if (node->GetDataType() == KeyValues::TYPE_NONE) {
      out += "\n";
      Describe(node->GetFirstSubKey(), depth + 1, out);
    } else {
      out += " [" + std::string(node->GetString()) + "]\n";
    }
  }
}

std::string Describe(KeyValues *root) {
  std::string out;
  Describe(root, 0, out);
  return out;
}

struct Parsed {
  KeyValuesAD kv;
  bool ok = false;
  std::string errors;
};

Parsed Parse(const std::string &text, bool escapes = false) {
  Parsed result;
  result.kv.reset(new KeyValues("unnamed"));
  result.kv->UsesEscapeSequences(escapes);
  CUtlBuffer buf(text.data(), static_cast<int>(text.size()), CUtlBuffer::READ_ONLY | CUtlBuffer::TEXT_BUFFER);
  result.ok = result.kv->LoadFromBuffer("test.res", buf, &result.errors);
  return result;
}

std::string Write(KeyValues *kv, int indent = 0, int flags = 0) {
  CUtlBuffer buf(0, 0, CUtlBuffer::TEXT_BUFFER);
  kv->RecursiveSaveToFile(buf, indent, flags);
  return std::string(static_cast<const char *>(buf.Base()), static_cast<size_t>(buf.TellPut()));
}

// ---------------------------------------------------------------------------------------------
// Reading

TEST(KeyValuesReader, ReadsTheExampleFile) {
  const char *text =
      "\"Example\"\n"
      "{\n"
      "\t\"title\"\t\t\"Server list\"\n"
      "\t\"count\"\t\t\"25\"\n"
      "\t\"ratio\"\t\t\"0.5\"\n"
      "\t\"options\"\n"
      "\t{\n"
      "\t\t\"fullscreen\"\t\t\"1\"\t[$WIN32]\n"
      "\t\t\"fullscreen\"\t\t\"0\"\t[!$WIN32]\n"
      "\t}\n"
      "}\n";
  Parsed p = Parse(text);
  ASSERT_TRUE(p.ok) << p.errors;
  EXPECT_EQ(Describe(p.kv.get()),
            "Example 0\n"
            "  title 1 [Server list]\n"
            "  count 2 [25]\n"
            "  ratio 1 [0.5]\n"
            "  options 0\n"
            "    fullscreen 2 [1]\n");
}

TEST(KeyValuesReader, TypesValues) {
  struct Case {
    const char *text;
    int type;
    int intValue;
  };
  const Case cases[] = {
      {"25", KeyValues::TYPE_INT, 25},
      {"-7", KeyValues::TYPE_INT, -7},
      {"+3", KeyValues::TYPE_INT, 3},
      {" 12", KeyValues::TYPE_INT, 12},
      {"0", KeyValues::TYPE_INT, 0},
      {"-2147483648", KeyValues::TYPE_INT, INT32_MIN},
      {"2147483647", KeyValues::TYPE_INT, INT32_MAX},
      {"007", KeyValues::TYPE_STRING, 0},
      {"0.5", KeyValues::TYPE_STRING, 0},
      {"1,000", KeyValues::TYPE_STRING, 0},
      {"12 ", KeyValues::TYPE_STRING, 0},
      {"2147483648", KeyValues::TYPE_STRING, 0},
      {"", KeyValues::TYPE_STRING, 0},
      {"-", KeyValues::TYPE_STRING, 0},
      {"1e5", KeyValues::TYPE_STRING, 0},
      {"12abc", KeyValues::TYPE_STRING, 0},
      {"--1", KeyValues::TYPE_STRING, 0},
  };
  for (const Case &c : cases) {
    Parsed p = Parse(std::string("\"A\" { \"v\" \"") + c.text + "\" }");
    ASSERT_TRUE(p.ok) << c.text;
    EXPECT_EQ(p.kv->GetDataType("v"), c.type) << "'" << c.text << "'";
    if (c.type == KeyValues::TYPE_INT) {
      EXPECT_EQ(p.kv->GetInt("v"), c.intValue) << c.text;
    } else {
      EXPECT_STREQ(p.kv->GetString("v"), c.text);
    }
  }
}

TEST(KeyValuesReader, TopLevelEntriesBecomePeers) {
  Parsed p = Parse("\"A\" { \"x\" \"1\" }\n\"B\" { \"y\" \"2\" }\nC { z 3 }");
  ASSERT_TRUE(p.ok) << p.errors;
  EXPECT_EQ(Describe(p.kv.get()), "A 0\n  x 2 [1]\nB 0\n  y 2 [2]\nC 0\n  z 2 [3]\n");
}

TEST(KeyValuesReader, EmptyTextLeavesTheNodeAlone) {
  for (const char *text : {"", "   \n\t", "// only a comment", "\xEF\xBB\xBF"}) {
    Parsed p = Parse(text);
    EXPECT_TRUE(p.ok) << text;
    EXPECT_EQ(Describe(p.kv.get()), "unnamed 0\n") << text;
  }
}

TEST(KeyValuesReader, MissingBraceAtTopLevelKeepsAnEmptyNode) {
  SpewCapture spew;
  Parsed p = Parse("\"A\" \"x\" \"B\" { \"k\" \"v\" }");
  EXPECT_FALSE(p.ok);
  EXPECT_EQ(Describe(p.kv.get()), "A 0\nB 0\n  k 1 [v]\n");
  EXPECT_EQ(
      p.errors,
      "KeyValues Error: LoadFromBuffer: missing {   (current key: 'A') in file test.res [offset: 7]\n\n");
  ASSERT_EQ(spew.Warnings().size(), 2u);
  EXPECT_EQ(spew.Warnings()[0], p.errors);
  EXPECT_EQ(spew.Warnings()[1], "Error while parsing text KeyValues for resource test.res\n");
}

TEST(KeyValuesReader, FormatDetails) {
  struct Case {
    const char *text;
    const char *tree;
  };
  const Case cases[] = {
      // "=" between key and value, unquoted tokens, every white space character.
      {"A { \"key\" = \"value\" k2=v2 }", "A 0\n  key 1 [value]\n  k2 1 [v2]\n"},
      {"A\v{\f\"k\"\r\n\t\"v\"}", "A 0\n  k 1 [v]\n"},
      // Comments only where a token may begin; "//" inside tokens is text.
      {"// head\nA // after\n{ \"u\" \"http://x//y\" k//x \"v\" // tail\n}",
       "A 0\n  u 1 [http://x//y]\n  k//x 1 [v]\n"},
      // Quoted text is literal: braces, line breaks and backslashes stay.
      {"A { \"k\" \"{ }\n=\\t\" }", "A 0\n  k 1 [{ }\n=\\t]\n"},
      // 0x7F reads as NUL, so the text ends there (the rest of the token is still consumed).
      {"A { \"k\" \"ab\x7f"
       "cd\" \"n\" \"1\" }",
       "A 0\n  k 1 [ab]\n  n 2 [1]\n"},
      // A byte order mark at the start is skipped.
      {"\xEF\xBB\xBF\"A\" { }", "A 0\n"},
      // Bytes above 0x7F are ordinary characters.
      {"A { k\xC3\xA9 v\xC3\xA9 }", "A 0\n  k\xC3\xA9 1 [v\xC3\xA9]\n"},
  };
  for (const Case &c : cases) {
    Parsed p = Parse(c.text);
    EXPECT_TRUE(p.ok) << c.text << "\n" << p.errors;
    EXPECT_EQ(Describe(p.kv.get()), c.tree) << c.text;
  }
  // An unterminated quote takes the rest of the text.
  SpewCapture spew;
  Parsed p = Parse("A { k \"abc\n}");
  EXPECT_EQ(Describe(p.kv.get()), "A 0\n  k 1 [abc\n}]\n");
  EXPECT_NE(p.errors.find("got EOF instead of keyname"), std::string::npos);
}

TEST(KeyValuesReader, NulInsideTheDataEndsTheText) {
  const std::string text("A { k v }\0B { }", 15);
  Parsed p = Parse(text);
  EXPECT_TRUE(p.ok);
  EXPECT_EQ(Describe(p.kv.get()), "A 0\n  k 1 [v]\n");
}

TEST(KeyValuesReader, ConditionsDecideEntries) {
  struct Case {
    const char *body;
    const char *tree;
  };
  const Case cases[] = {
      {"\"k\" \"1\" [$WIN32] \"o\" \"x\" \"k\" \"2\" [$WIN32]", "  o 1 [x]\n  k 2 [2]\n"},
      {"\"k\" \"3\" [$OSX]", ""},
      {"\"k\" \"1\" \"k\" \"2\"", "  k 2 [1]\n  k 2 [2]\n"},
      {"\"k\" [$WIN32] { \"inner\" \"1\" }", "  k 0\n    inner 2 [1]\n"},
      {"\"k\" [!$WIN32] { \"inner\" \"1\" }", ""},
      {"\"k\" [$WIN32] \"v\"", "  k 1 [v]\n"},
      {"\"k\" [$OSX] \"v\"", ""},
      {"\"k\" [$OSX] \"v\" [$WIN32]", "  k 1 [v]\n"},
      {"\"k\" \"1\" \"k\" = [$WIN32] \"2\"", "  k 2 [2]\n"},
      {"\"k\" \"1\" \"k\" = [$OSX] \"2\"", "  k 2 [1]\n"},
      {"\"k\" \"v\" \"[$A]\" \"x\"", "  k 1 [v]\n  [$A] 1 [x]\n"},
      {"\"k\" \"v\" [$WIN32||$OSX]", "  k 1 [v]\n"},
      {"\"k\" \"v\" [$WIN32&&$OSX]", ""},
  };
  for (const Case &c : cases) {
    Parsed p = Parse(std::string("\"A\" { ") + c.body + " }");
    EXPECT_TRUE(p.ok) << c.body << "\n" << p.errors;
    EXPECT_EQ(Describe(p.kv.get()), std::string("A 0\n") + c.tree) << c.body;
  }
}

TEST(KeyValuesReader, TopLevelConditions) {
  Parsed p = Parse(
      "\"A\" [$OSX] { \"x\" \"1\" } \"B\" { \"y\" \"2\" } \"C\" [$OSX] { } \"D\" [$WIN32] { \"w\" \"4\" }");
  ASSERT_TRUE(p.ok) << p.errors;
  EXPECT_EQ(Describe(p.kv.get()), "B 0\n  y 2 [2]\nD 0\n  w 2 [4]\n");

  Parsed last = Parse("\"A\" { } \"B\" [$OSX] { \"y\" \"2\" }");
  EXPECT_EQ(Describe(last.kv.get()), "A 0\n");
}

// Random blocks of conditional entries over a few names, checked against the rules written
// plainly: every entry is appended; a condition after the key decides, one after "=" or after the
// value decides in its place and, when true, removes the first earlier entry of the same name; a
// rejected entry is removed.
TEST(KeyValuesReader, ConditionalEntriesFollowTheRulesInAnyMix) {
  struct Entry {
    std::string name;
    std::string line;  // as Describe shows it
  };
  std::mt19937 random(20240613);
  auto pick = [&random](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  // 0: no condition, 1: a true one, 2: a false one.
  const char *const conditions[] = {"", " [$WIN32]", " [$OSX]"};
  for (int round = 0; round < 300; ++round) {
    std::string text = "A {";
    std::vector<Entry> model;
    const int entries = 1 + pick(40);
    for (int i = 0; i < entries; ++i) {
      const std::string name(1, static_cast<char>('x' + pick(3)));
      const int keyCondition = pick(3);
      const bool equals = pick(3) == 0;
      const int equalsCondition = equals ? pick(3) : 0;
      const bool block = pick(4) == 0;
      const int valueCondition = block ? 0 : pick(3);
      const std::string value = "v" + std::to_string(i);
      text += " " + name + conditions[keyCondition] + (equals ? " =" : "") + conditions[equalsCondition];
      text += block ? " { }" : " " + value + conditions[valueCondition];

      model.push_back({name, "  " + name + (block ? " 0\n" : " 1 [" + value + "]\n")});
      auto removeEarlier = [&model, &name] {
        for (size_t j = 0; j + 1 < model.size(); ++j) {
          if (model[j].name != name) continue;
          model.erase(model.begin() + static_cast<std::ptrdiff_t>(j));
          return;
        }
      };
      bool accepted = keyCondition != 2;
      if (equalsCondition != 0) {
        accepted = equalsCondition == 1;
        if (accepted) removeEarlier();
      }
      if (valueCondition != 0) {
        accepted = valueCondition == 1;
        if (accepted) removeEarlier();
      }
      if (!accepted) model.pop_back();
    }
    text += " }";
    std::string expected = "A 0\n";
    for (const Entry &entry : model) expected += entry.line;
    Parsed p = Parse(text);
    ASSERT_TRUE(p.ok) << text << "\n" << p.errors;
    ASSERT_EQ(Describe(p.kv.get()), expected) << text;
  }
}

// Many conditional entries in one block: every entry that replaces or is dropped must cost the
// same whatever the block already holds.
TEST(KeyValuesReader, LargeBlocksOfConditionalEntries) {
  const int pairs = 40000;
  {
    // Distinct names, one kept and one dropped in turn.
    std::string text = "A {";
    for (int i = 0; i < pairs; ++i)
      text += " a" + std::to_string(i) + " " + std::to_string(i) + " [$WIN32] b" + std::to_string(i) + " " +
              std::to_string(i) + " [!$WIN32]";
    text += " }";
    Parsed p = Parse(text);
    ASSERT_TRUE(p.ok) << p.errors.substr(0, 500);
    int i = 0;
    bool inOrder = true;
    for (KeyValues *k = p.kv->GetFirstSubKey(); k; k = k->GetNextKey(), ++i)
      inOrder = inOrder && k->GetName() == "a" + std::to_string(i) && k->GetInt() == i;
    EXPECT_TRUE(inOrder);
    EXPECT_EQ(i, pairs);
  }
  {
    // One name: a plain entry, then a conditional one that replaces the oldest entry of the name.
    std::string text = "A {";
    for (int i = 0; i < 2 * pairs; i += 2)
      text += " k " + std::to_string(i) + " k " + std::to_string(i + 1) + " [$WIN32]";
    text += " }";
    Parsed p = Parse(text);
    ASSERT_TRUE(p.ok) << p.errors.substr(0, 500);
    int value = pairs;
    bool inOrder = true;
    for (KeyValues *k = p.kv->GetFirstSubKey(); k; k = k->GetNextKey(), ++value)
      inOrder = inOrder && k->GetInt() == value;
    EXPECT_TRUE(inOrder);
    EXPECT_EQ(value, 2 * pairs) << "the newest of each pair are left";
  }
}

TEST(KeyValuesReader, ConditionalEntryReplacesAChildTheNodeAlreadyHad) {
  KeyValuesAD kv(new KeyValues("first"));
  kv->SetString("k", "old");
  kv->SetString("j", "kept");
  ASSERT_TRUE(kv->LoadFromBuffer("test.res", "A { k new [$WIN32] x 1 [$OSX] }"));
  EXPECT_EQ(Describe(kv.get()), "A 0\n  j 1 [kept]\n  k 1 [new]\n");
}

TEST(KeyValuesReader, KeepsPeersTheNodeAlreadyHad) {
  KeyValuesAD kv(new KeyValues("first"));
  kv->SetNextKey(new KeyValues("old"));
  ASSERT_TRUE(kv->LoadFromBuffer("test.res", "A { } B { }"));
  EXPECT_EQ(Describe(kv.get()), "A 0\nB 0\nold 0\n");
}

TEST(KeyValuesReader, IncludeIsReportedNotRead) {
  SpewCapture spew;
  Parsed p = Parse("#include \"other.res\"\n\"A\" { }");
  EXPECT_TRUE(p.ok);
  EXPECT_EQ(Describe(p.kv.get()), "A 0\n");
  ASSERT_EQ(spew.Asserts().size(), 1u);
  EXPECT_EQ(spew.Asserts()[0], "KeyValues don't support #include anymore, file \"test.res\"");

  Parsed bare = Parse("A { }\n#INCLUDE");
  EXPECT_FALSE(bare.ok);
  EXPECT_NE(bare.errors.find("KeyValues Error: #include is NULL  in file test.res"), std::string::npos);
}

TEST(KeyValuesReader, ReportsErrorsWithTheirMessages) {
  struct Case {
    const char *text;
    const char *message;
    const char *tree;
  };
  const Case cases[] = {
      {"A {", "RecursiveLoadFromBuffer:  got EOF instead of keyname", "A 0\n"},
      // The block is left at the error; the parse goes on at the top level with "v".
      {"A { \"\" \"v\" }", "RecursiveLoadFromBuffer:  got empty keyname", "A 0\nv 0\n"},
      {"A { \"k\" }", "RecursiveLoadFromBuffer:  got } in key", "A 0\n  k 0\n"},
      {"A { \"k\" = }", "RecursiveLoadFromBuffer:  got } in key", "A 0\n  k 0\n"},
      {"A { \"k\"", "RecursiveLoadFromBuffer:  got NULL key", "A 0\n  k 0\n"},
      {"A { \"k\" =", "RecursiveLoadFromBuffer:  got NULL key", "A 0\n  k 0\n"},
      {"A { \"k\" [$WIN32]", "RecursiveLoadFromBuffer:  got NULL key", "A 0\n  k 0\n"},
      // The "}" left over after the error starts a top-level entry of its own.
      {"A { \"k\" [$WIN32] [$OSX] }", "RecursiveLoadFromBuffer:  got conditional between key and value",
       "A 0\n  k 0\n} 0\n"},
      {"A { one 1 two { three 3 } four", "RecursiveLoadFromBuffer:  got NULL key",
       "A 0\n  one 2 [1]\n  two 0\n    three 2 [3]\n  four 0\n"},
  };
  for (const Case &c : cases) {
    SpewCapture spew;
    Parsed p = Parse(c.text);
    EXPECT_FALSE(p.ok) << c.text;
    EXPECT_EQ(p.errors.rfind(std::string("KeyValues Error: ") + c.message + " in file test.res", 0), 0u)
        << c.text << "\n"
        << p.errors;
    EXPECT_EQ(Describe(p.kv.get()), c.tree) << c.text;
  }
}

TEST(KeyValuesReader, ErrorReportCarriesTheKeyPath) {
  SpewCapture spew;
  const std::string text = "\"A\"\n{\n \"pb\"\n {\n  \"pc\" \"1\"\n }\n \"pd\"";
  Parsed p = Parse(text);
  EXPECT_EQ(p.errors, "KeyValues Error: RecursiveLoadFromBuffer:  got NULL key in file test.res [offset: " +
                          std::to_string(text.size()) + "]\nA, pd, (*pb*), (*pc*), \n");
}

TEST(KeyValuesReader, OnlyTheFirstErrorGoesToTheWarningOutput) {
  SpewCapture spew;
  Parsed p = Parse("A x B y C { k }");
  EXPECT_FALSE(p.ok);
  size_t count = 0;
  for (size_t at = p.errors.find("KeyValues Error:"); at != std::string::npos;
       at = p.errors.find("KeyValues Error:", at + 1))
    ++count;
  EXPECT_EQ(count, 3u);
  ASSERT_EQ(spew.Warnings().size(), 2u);
  EXPECT_EQ(spew.Warnings()[0].rfind("KeyValues Error: LoadFromBuffer: missing {   (current key: 'A')", 0),
            0u);
  EXPECT_EQ(Describe(p.kv.get()), "A 0\nB 0\nC 0\n  k 0\n");
}

TEST(KeyValuesReader, BadExpressionTokensAreReportedButNotErrors) {
  SpewCapture spew;
  Parsed p = Parse("A { k v [$WIN32|$OSX] }");
  EXPECT_TRUE(p.ok);
  EXPECT_EQ(Describe(p.kv.get()), "A 0\n  k 1 [v]\n");
  ASSERT_EQ(spew.Warnings().size(), 1u);
  EXPECT_EQ(spew.Warnings()[0], "Bad expression token: | $\n");
}

TEST(KeyValuesReader, NonTextBufferIsReportedAndStillRead) {
  SpewCapture spew;
  const char text[] = "A { k v }";
  CUtlBuffer buf(text, static_cast<int>(strlen(text)), CUtlBuffer::READ_ONLY);
  KeyValuesAD kv(new KeyValues("x"));
  EXPECT_TRUE(kv->LoadFromBuffer("bin", buf));
  EXPECT_EQ(Describe(kv.get()), "A 0\n  k 1 [v]\n");
  ASSERT_EQ(spew.Asserts().size(), 1u);
  EXPECT_EQ(spew.Asserts()[0], "Assertion Failed: buf.GetFlags() & CUtlBuffer::TEXT_BUFFER");
}

TEST(KeyValuesReader, ReadsFromTheGetOffsetAndStopsOnBufferErrors) {
  CUtlBuffer buf(0, 0, CUtlBuffer::TEXT_BUFFER);
  buf.PutString("ignored A { k v }");
  buf.SeekGet(CUtlBuffer::SEEK_HEAD, 8);
  KeyValuesAD kv(new KeyValues("x"));
  EXPECT_TRUE(kv->LoadFromBuffer("r", buf));
  EXPECT_EQ(Describe(kv.get()), "A 0\n  k 1 [v]\n");

  buf.SeekGet(CUtlBuffer::SEEK_HEAD, 1000);  // the buffer is now in error: no tokens
  KeyValuesAD none(new KeyValues("x"));
  EXPECT_TRUE(none->LoadFromBuffer("r", buf));
  EXPECT_EQ(Describe(none.get()), "x 0\n");
}

TEST(KeyValuesReader, LongTokensAreCutAndReported) {
  const std::string longText(CKeyValuesTokenizer::kTokenAreaSize + 10, 'x');
  for (const bool quoted : {false, true}) {
    SpewCapture spew;
    const std::string token = quoted ? "\"" + longText + "\"" : longText;
    Parsed p = Parse("A { k " + token + " n 1 }");
    EXPECT_FALSE(p.ok) << quoted;
    EXPECT_EQ(p.errors.rfind("KeyValues Error:  ReadToken overflow in file test.res", 0), 0u) << quoted;
    EXPECT_EQ(p.errors.find("KeyValues Error:", 1), std::string::npos) << "reported once";
    EXPECT_EQ(strlen(p.kv->GetString("k")), 262143u);
    EXPECT_EQ(p.kv->GetInt("n"), 1) << "the parse goes on after the cut token";
  }
}

TEST(KeyValuesReader, LongTokenBeforeAConditionIsReportedOnce) {
  SpewCapture spew;
  Parsed p = Parse("A { k v " + std::string(300000, 'y') + " z }");
  size_t count = 0;
  for (size_t at = p.errors.find("ReadToken overflow"); at != std::string::npos;
       at = p.errors.find("ReadToken overflow", at + 1))
    ++count;
  EXPECT_EQ(count, 1u) << "the look-ahead for a condition must not report the token again";
}

TEST(KeyValuesReader, DeepNestingIsCappedAndSkipped) {
  SpewCapture spew;
  std::string text = "A { before 1 ";
  const int levels = 200;
  for (int i = 0; i < levels; ++i) text += "k { ";
  text += "leaf 1 ";
  for (int i = 0; i < levels; ++i) text += "} ";
  text += "after 2 }";
  Parsed p = Parse(text);
  EXPECT_FALSE(p.ok);
  EXPECT_EQ(p.errors.rfind("KeyValues Error: RecursiveLoadFromBuffer: nesting too deep", 0), 0u);
  EXPECT_EQ(p.kv->GetInt("after"), 2) << "the rest of the block is still read";
  int depth = 0;
  for (KeyValues *node = p.kv->FindKey("k"); node; node = node->FindKey("k")) ++depth;
  EXPECT_EQ(depth, CKeyValuesReader::kMaxNesting - 1) << "top block + 127 nested blocks";
  EXPECT_LE(p.errors.size(), 512u);
}

TEST(KeyValuesReader, NulInsideASkippedBlockEndsTheText) {
  SpewCapture spew;
  std::string text = "A ";
  for (int i = 0; i < 200; ++i) text += "{k";
  text += std::string("\0 more { } }", 12);
  Parsed p = Parse(text);
  EXPECT_FALSE(p.ok);
  EXPECT_NE(p.errors.find("nesting too deep"), std::string::npos);
}

TEST(KeyValuesReader, VeryDeepNestingDoesNotExhaustTheStack) {
  SpewCapture spew;
  std::string text = "A ";
  text.reserve(400000);
  for (int i = 0; i < 100000; ++i) text += "{k";
  Parsed p = Parse(text);
  EXPECT_FALSE(p.ok);
}

TEST(KeyValuesReader, EscapeModeReadsCEscapes) {
  Parsed p = Parse("A { k \"a\\nb\\t\\\"q\\\\\" w \"x\\qy\" }", true);
  ASSERT_TRUE(p.ok) << p.errors;
  EXPECT_STREQ(p.kv->GetString("k"), "a\nb\t\"q\\");
  EXPECT_STREQ(p.kv->GetString("w"), "x") << "an unknown escape reads as NUL";
  EXPECT_TRUE(p.kv->FindKey("k")->UsesEscapeSequences());
}

TEST(KeyValuesReader, TakesItsTokenAreaFromTheSharedAllocator) {
  class CCountingAlloc : public IMemAllocPlexa {
   public:
    explicit CCountingAlloc(IMemAllocPlexa *inner) : m_pInner(inner) {}
    virtual ~CCountingAlloc() = default;
    void *Alloc(size_t size) override {
      if (size == 262144) ++m_nAreas;
      return m_pInner->Alloc(size);
    }
    void *Realloc(void *memory, size_t size) override { return m_pInner->Realloc(memory, size); }
    void Free(void *memory) override { m_pInner->Free(memory); }
    IMemAllocPlexa *m_pInner;
    int m_nAreas = 0;
  };
  CCountingAlloc counting(g_pMemAllocPlexa);
  g_pMemAllocPlexa = &counting;
  Parsed first = Parse("A { }");
  Parsed second = Parse("B { }");
  g_pMemAllocPlexa = counting.m_pInner;
  EXPECT_EQ(counting.m_nAreas, 2);
}

// Most tokens are read where they stand in the text and stored from there; the rest go through
// the token area. Both must give the same texts, ended where the token ends, inline or on the heap.
TEST(KeyValuesReader, ValuesInPlaceAndThroughTheTokenAreaAgree) {
  struct Case {
    std::string text;
    bool escapes;
    const char *tree;
  };
  const Case cases[] = {
      // Unquoted values ended by a brace, inline and on the heap, ints and texts.
      {"A{k abc}", false, "A 0\n  k 1 [abc]\n"},
      {"A{k abcdefgh}", false, "A 0\n  k 1 [abcdefgh]\n"},
      {"A{k 12}", false, "A 0\n  k 2 [12]\n"},
      {"A{k -12}B{}", false, "A 0\n  k 2 [-12]\nB 0\n"},
      // Quoted: exactly the inline limit, one past it, and a value the closing quote ends.
      {"A{\"k\"\"abcdefg\"}", false, "A 0\n  k 1 [abcdefg]\n"},
      {"A{\"k\"\"abcdefgh\"}", false, "A 0\n  k 1 [abcdefgh]\n"},
      {"A{\"k\"\"\"\"n\"\"1\"}", false, "A 0\n  k 1 []\n  n 2 [1]\n"},
      // Through the token area: a NUL, a quote with a backslash, escapes; the same rules after.
      {std::string("A{\"k\"\"ab\0cd\"\"n\"\"2\"}", 20), false, "A 0\n  k 1 [ab]\n  n 2 [2]\n"},
      {"A{\"k\" \"say \\\"hi\\\" now\"}", false, "A 0\n  k 1 [say \"hi\" now]\n"},
      // Stops found sixteen bytes at a time: past the first sixteen, and right at them.
      {"A{\"k\" \"0123456789abcdefghij\\\"q\\\" x\"}", false, "A 0\n  k 1 [0123456789abcdefghij\"q\" x]\n"},
      {"A{\"k\" \"0123456789abcdef\"}", false, "A 0\n  k 1 [0123456789abcdef]\n"},
      {"A{\"k\" \"0123456789abcdefg\x7fzz\"}", false, "A 0\n  k 1 [0123456789abcdefg]\n"},
      {"A{\"k\" \"a long value of forty characters, plain.\"}", false,
       "A 0\n  k 1 [a long value of forty characters, plain.]\n"},
      {"A{\"k\" \"4\\t2\" \"n\" \"4\\x2\"}", true, "A 0\n  k 1 [4\t2]\n  n 2 [4]\n"},
      {"A{\"k\\tk\" \"12\"}", true, "A 0\n  k\tk 2 [12]\n"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    Parsed p = Parse(c.text, c.escapes);
    EXPECT_TRUE(p.ok) << p.errors;
    EXPECT_EQ(Describe(p.kv.get()), c.tree);
  }
}

// Key names are interned once per spelling and parse; every later meeting must still give the one
// symbol of the name, whatever its letter case, including past the names a parse keeps.
TEST(KeyValuesReader, RepeatedAndManyKeyNamesKeepTheirSymbols) {
  Parsed p = Parse(
      "A { ReaderCacheZeta 1 readercachezeta 2 B { READERCACHEZETA 3 ReaderCacheZeta 4 } "
      "\"ReaderCacheZeta\" 5 }");
  ASSERT_TRUE(p.ok) << p.errors;
  const HKeySymbol symbol = KeyValues::CallGetSymbolForString("readerCACHEzeta");
  int seen = 0;
  for (KeyValues *k = p.kv->GetFirstSubKey(); k; k = k->GetNextKey()) {
    KeyValues *node = k->GetFirstSubKey() ? k->GetFirstSubKey() : k;
    for (; node; node = node == k ? nullptr : node->GetNextKey()) {
      if (node->GetFirstSubKey()) continue;
      EXPECT_EQ(node->GetNameSymbol(), symbol) << node->GetInt();
      EXPECT_STREQ(node->GetName(), "ReaderCacheZeta");
      ++seen;
    }
  }
  EXPECT_EQ(seen, 5);

  // More distinct names than one parse keeps, each followed by a name it does keep.
  std::string text = "M {";
  const int names = static_cast<int>(CKeyNameCache::kMaxNames) + 500;
  for (int i = 0; i < names; ++i)
    text += " many" + std::to_string(i) + " { again " + std::to_string(i) + " }";
  text += " }";
  Parsed many = Parse(text);
  ASSERT_TRUE(many.ok);
  for (int i = 0; i < names; i += 997) {
    const std::string name = "many" + std::to_string(i);
    KeyValues *node = many.kv->FindKey(name.c_str());
    ASSERT_NE(node, nullptr) << name;
    EXPECT_EQ(node->GetNameSymbol(), KeyValues::CallGetSymbolForString(name.c_str(), false));
    EXPECT_EQ(node->GetInt("again"), i);
  }
  EXPECT_EQ(many.kv->FindKey(("many" + std::to_string(names - 1) + "/again").c_str())->GetInt(), names - 1);
}

// ---------------------------------------------------------------------------------------------
// Conditions

class FakeConditions : public IConditionContext {
 public:
  bool IsSymbolTrue(const char *name) override {
    asked.push_back(name);
    return std::string(name) == "$T" || std::string(name) == "$WIN32";
  }
  void ReportBadToken(const char *text) override { reports.push_back(text); }
  std::vector<std::string> asked;
  std::vector<std::string> reports;
};

TEST(ConditionEvaluator, EvaluatesExpressions) {
  struct Case {
    const char *text;
    bool result;
    const char *report;
  };
  const Case cases[] = {
      {"$T]", true, nullptr},
      {"$F]", false, nullptr},
      {"!$T]", false, nullptr},
      {"!!$T]", true, nullptr},
      {"$T||$F]", true, nullptr},
      {"$F&&$T]", false, nullptr},
      {"$T||$F&&$F]", false, nullptr},  // left to right: ($T||$F)&&$F
      {"$F&&$F||$T]", true, nullptr},
      {"$T&&($F||$T)]", true, nullptr},
      {"!($F||$F)]", true, nullptr},
      {"0]", false, nullptr},
      {"007]", true, nullptr},
      {"$T|$F]", true, "Bad expression token: | $"},
      {"$F&$T]", false, "Bad expression token: & $"},
      {"($T|$F)||$F]", true, "Bad expression token: | $"},
      {"@]", false, "Bad expression token: @"},
      {"]", false, "Bad expression token: ]"},
      {"$T&&]", false, "Bad expression token: ]"},
      {"$T)]", true, nullptr},
  };
  for (const Case &c : cases) {
    FakeConditions context;
    CConditionEvaluator evaluator(context);
    bool result = !c.result;
    EXPECT_TRUE(evaluator.Evaluate(result, c.text));
    EXPECT_EQ(result, c.result) << c.text;
    if (c.report) {
      ASSERT_EQ(context.reports.size(), 1u) << c.text;
      EXPECT_EQ(context.reports[0], c.report) << c.text;
    } else {
      EXPECT_TRUE(context.reports.empty()) << c.text << ": " << context.reports[0];
    }
  }
}

TEST(ConditionEvaluator, RefusesLongNamesAndDeepNesting) {
  FakeConditions context;
  CConditionEvaluator evaluator(context);
  bool result = true;

  const std::string longest = "$" + std::string(125, 'T');  // 126 characters
  EXPECT_TRUE(evaluator.Evaluate(result, (longest + "]").c_str()));
  EXPECT_TRUE(context.reports.empty());
  EXPECT_EQ(context.asked.back(), longest);

  EXPECT_TRUE(evaluator.Evaluate(result, ("$" + std::string(126, 'T') + "||$T]").c_str()));
  EXPECT_TRUE(result) << "the long name counts as false, the rest goes on";
  EXPECT_EQ(context.reports.back(), "Bad expression token: $");
  EXPECT_TRUE(evaluator.Evaluate(result, (std::string(127, '1') + "]").c_str()));
  EXPECT_FALSE(result);
  EXPECT_EQ(context.reports.back(), "Bad expression token: 1");

  context.reports.clear();
  const int deep = CConditionEvaluator::kMaxNesting;
  EXPECT_TRUE(
      evaluator.Evaluate(result, (std::string(deep, '(') + "$T" + std::string(deep, ')') + "]").c_str()));
  EXPECT_TRUE(result);
  EXPECT_TRUE(context.reports.empty());
  EXPECT_TRUE(evaluator.Evaluate(result, (std::string(100000, '(') + "$T]").c_str()));
  EXPECT_FALSE(result);
  EXPECT_EQ(context.reports.back(), "Bad expression token: (");

  EXPECT_TRUE(evaluator.Evaluate(result, (std::string(100000, '!') + "$T]").c_str()));
  EXPECT_TRUE(result) << "an even number of negations";

  EXPECT_FALSE(evaluator.Evaluate(result, nullptr));
}

TEST(ConditionSymbols, FixedTableOfThisPlatform) {
  KeyValuesSystemPlexa()->RegisterConditionSymbol("$CUSTOMFLAG", true);
  struct Case {
    const char *condition;
    bool kept;
  };
  const Case cases[] = {
      {"[$WIN32]", true},      {"[$win32]", true},      {"[$WINDOWS]", true},      {"[$WIN64]", false},
      {"[$VISTA]", true},      {"[$WIN7]", true},       {"[$OSX]", false},         {"[$OSX1010]", false},
      {"[$POSIX]", false},     {"[$LINUX]", false},     {"[$LINUX32]", false},     {"[$LINUX64]", false},
      {"[$X360]", false},      {"[$PS3]", false},       {"[$0]", false},           {"[$1]", true},
      {"[$CUSTOMFLAG]", true}, {"[$customflag]", true}, {"[$UNKNOWNFLAG]", false}, {"[!!$WIN32]", true},
  };
  for (const Case &c : cases) {
    Parsed p = Parse(std::string("A { k v ") + c.condition + " }");
    EXPECT_EQ(p.kv->FindKey("k") != nullptr, c.kept) << c.condition;
  }
}

// ---------------------------------------------------------------------------------------------
// Writing

TEST(KeyValuesWriter, WritesEveryTypeByteExactly) {
  SpewCapture spew;
  KeyValuesAD kv(new KeyValues("WrRoot"));
  kv->SetString("WrText", "plain");
  kv->SetInt("WrInt", -42);
  kv->SetFloat("WrZero", 0.0f);
  kv->SetFloat("WrOne", 1.0f);
  kv->SetFloat("WrHalf", 2.5f);
  kv->SetFloat("WrThird", 1.0f / 3.0f);
  kv->SetFloat("WrNegZero", -0.0f);
  kv->SetUint64("WrBig", 0xFFFFFFFFFFFFFFFEull);
  kv->SetInt64("WrNeg", -5);
  kv->SetWString("WrWide", u"h\u00e9!");
  kv->SetBinaryBlob("WrBlob", "\x01\xab\xff", 3);
  int anything = 0;
  kv->SetPtr("WrPtr", &anything);
  kv->SetColor("WrColor", Color(1, 2, 3, 4));
  kv->FindKey("WrSub/WrInner", true)->SetString(nullptr, "x");
  kv->FindKey("WrEmpty", true);
  const std::string expected =
      "\"WrRoot\"\n"
      "{\n"
      "\t\"WrText\"\t\t\"plain\"\n"
      "\t\"WrInt\"\t\t\"-42\"\n"
      "\t\"WrZero\"\t\t\"0\"\n"
      "\t\"WrOne\"\t\t\"1\"\n"
      "\t\"WrHalf\"\t\t\"2.5\"\n"
      "\t\"WrThird\"\t\t\"0.333333343267440796\"\n"
      "\t\"WrNegZero\"\t\t\"-0\"\n"
      "\t\"WrBig\"\t\t\"-2\"\n"
      "\t\"WrNeg\"\t\t\"-5\"\n"
      "\t\"WrWide\"\t\t\"h\xC3\xA9!\"\n"
      "\t\"WrBlob\"\t\t\"01abff\"\n"
      "\t\"WrSub\"\n"
      "\t{\n"
      "\t\t\"WrInner\"\t\t\"x\"\n"
      "\t}\n"
      "\t\"WrEmpty\"\n"
      "\t{\n"
      "\t}\n"
      "}\n";
  EXPECT_EQ(Write(kv.get()), expected);
  EXPECT_EQ(spew.Messages(),
            std::vector<std::string>{"KeyValues::RecursiveSaveToFile: TODO, missing code for TYPE_COLOR.\n"});
}

TEST(KeyValuesWriter, FlagsAndIndent) {
  KeyValuesAD kv(new KeyValues("FlRoot"));
  kv->SetString("FlText", "MiXeD");
  kv->SetWString("FlWide", u"W");
  kv->SetUint64("FlBig", 0xFFFFFFFFFFFFFFFEull);
  EXPECT_EQ(Write(kv.get(), 1, KeyValues::SAVE_LOWERCASE_NAMES | KeyValues::SAVE_UINT64_UNSIGNED),
            "\t\"flroot\"\n"
            "\t{\n"
            "\t\t\"fltext\"\t\t\"MiXeD\"\n"
            "\t\t\"FlWide\"\t\t\"W\"\n"
            "\t\t\"flbig\"\t\t\"18446744073709551614\"\n"
            "\t}\n");

  // A node holding a value is written as its name and an empty block; peers are not written.
  KeyValuesAD value(new KeyValues("FlValue"));
  value->SetInt(nullptr, 3);
  value->SetNextKey(new KeyValues("FlPeer"));
  EXPECT_EQ(Write(value.get()), "\"FlValue\"\n{\n}\n");
}

TEST(KeyValuesWriter, EscapeModeDoublesBackslashes) {
  KeyValuesAD kv(new KeyValues("EsRoot"));
  kv->UsesEscapeSequences(true);
  kv->SetString("Es\\Key", "a\\b\"c\nd");
  EXPECT_EQ(Write(kv.get()), "\"EsRoot\"\n{\n\t\"Es\\\\Key\"\t\t\"a\\\\b\\\"c\nd\"\n}\n");

  Parsed back = Parse(Write(kv.get()), true);
  ASSERT_TRUE(back.ok) << back.errors;
  EXPECT_TRUE(back.kv->IsEqual(kv.get()));
  EXPECT_STREQ(back.kv->GetFirstSubKey()->GetName(), "Es\\Key");
}

TEST(KeyValuesWriter, FullBufferShortensTheTextAndFlagsIt) {
  char memory[16] = {};
  CUtlBuffer buf(memory, sizeof(memory), CUtlBuffer::TEXT_BUFFER);
  KeyValuesAD kv(new KeyValues("Full"));
  kv->SetString("FullKey", "a long enough value");
  kv->RecursiveSaveToFile(buf, 0);
  EXPECT_EQ(buf.GetErrorFlags() & CUtlBuffer::PUT_OVERFLOW, CUtlBuffer::PUT_OVERFLOW);
  EXPECT_LE(buf.TellPut(), 16);
}

TEST(KeyValuesWriter, FixedBufferHoldsAPrefixOfTheFullText) {
  KeyValuesAD kv(new KeyValues("PxRoot"));
  kv->SetString("PxName", "a long enough value");
  kv->FindKey("PxBlock", true)->SetInt("PxCount", 12345);
  kv->SetString("PxLast", "z");
  const std::string full = Write(kv.get());
  for (size_t size = 1; size <= full.size() + 1; ++size) {
    std::vector<char> memory(size + 16, '#');
    CUtlBuffer buf(memory.data(), static_cast<int>(size), CUtlBuffer::TEXT_BUFFER);
    kv->RecursiveSaveToFile(buf, 0);
    const std::string written(memory.data(), static_cast<size_t>(buf.TellPut()));
    EXPECT_EQ(written, full.substr(0, written.size())) << "room for " << size;
    EXPECT_EQ(buf.IsValid(), size >= full.size()) << "room for " << size;
    EXPECT_EQ(std::string(memory.data() + size, 16), std::string(16, '#'));
  }
}

TEST(KeyValuesWriter, DeepTreesAreWrittenWithoutRecursion) {
  const int levels = 2000;
  KeyValuesAD kv(new KeyValues("Deep"));
  KeyValues *node = kv.get();
  for (int i = 0; i < levels; ++i) node = node->CreateKey("deepchild");
  std::string expected = "\"Deep\"\n{\n";
  for (int i = 1; i <= levels; ++i) {
    expected += std::string(i, '\t') + "\"deepchild\"\n" + std::string(i, '\t') + "{\n";
  }
  for (int i = levels; i >= 0; --i) expected += std::string(i, '\t') + "}\n";
  EXPECT_TRUE(Write(kv.get()) == expected);
  // Freed from the bottom up, so no destructor has to recurse either.
  std::vector<KeyValues *> chain;
  for (KeyValues *n = kv.get(); n; n = n->GetFirstSubKey()) chain.push_back(n);
  for (size_t i = chain.size() - 1; i > 0; --i) chain[i - 1]->RemoveSubKey(chain[i])->Destroy();
}

// ---------------------------------------------------------------------------------------------
// Round trips

TEST(KeyValuesRoundTrip, TreeSurvivesWriteThenRead) {
  KeyValuesAD kv(new KeyValues("RtRoot"));
  kv->SetInt("RtInt", -12345);
  kv->SetString("RtText", "some text, with = and { } // inside");
  kv->FindKey("RtBlock/RtNested/RtDeep", true)->SetInt(nullptr, 7);
  kv->FindKey("RtBlock/RtEmpty", true);
  kv->SetString("RtMultiLine", "line1\nline2\r\n\tline3");
  Parsed back = Parse(Write(kv.get()));
  ASSERT_TRUE(back.ok) << back.errors;
  EXPECT_STREQ(back.kv->GetName(), "RtRoot");
  EXPECT_TRUE(back.kv->IsEqual(kv.get())) << Write(back.kv.get());
}

TEST(KeyValuesRoundTrip, ValuesAreRetypedFromTheirText) {
  KeyValuesAD kv(new KeyValues("TyRoot"));
  kv->SetString("TyTwelve", "12");
  kv->SetFloat("TyHalf", 2.5f);
  kv->SetFloat("TyOne", 1.0f);
  kv->SetUint64("TyHuge", 0xFFFFFFFFFFFFFFF0ull);
  kv->SetUint64("TyTop", 0x8000000000000005ull);
  Parsed back = Parse(Write(kv.get()));
  ASSERT_TRUE(back.ok);
  EXPECT_EQ(back.kv->GetDataType("TyTwelve"), KeyValues::TYPE_INT);
  EXPECT_EQ(back.kv->GetInt("TyTwelve"), 12);
  EXPECT_EQ(back.kv->GetDataType("TyHalf"), KeyValues::TYPE_STRING);
  EXPECT_STREQ(back.kv->GetString("TyHalf"), "2.5");
  EXPECT_EQ(back.kv->GetDataType("TyOne"), KeyValues::TYPE_INT);
  EXPECT_EQ(back.kv->GetInt("TyOne"), 1);
  // Unsigned 64-bit values are written as signed numbers and still read back to the same value.
  EXPECT_EQ(back.kv->GetUint64("TyHuge"), 0xFFFFFFFFFFFFFFF0ull);
  EXPECT_EQ(back.kv->GetUint64("TyTop"), 0x8000000000000005ull);
}

TEST(KeyValuesRoundTrip, DoubleQuotesAndBackslashesSurvive) {
  const std::vector<std::string> texts = {
      "plain",
      "",
      "say \"hi\" now",
      "\"",
      "\"\"",
      "a\"b",
      "x\" ",
      "x\"\t",
      "ends with quote\"",
      "\"starts",
      "\\\"",
      "C:\\dir\\",
      "a\\",
      "back\\slash\"quote",
      "\\\\server\\share\\",
      "\" \"",
      "\"[$WIN32]\"",
      "q\" // not a comment",
      "\"\t\"x",
      "multi\nline \"quoted\" here\nend\"",
      "\" {",
      "\\\" \"x\"",
      "\nstarts with a line break",
      " \t\r\nblank line first",
      "\\\n\\",
      "a\" }",
      "say \"}\" ok",
      "{\"k\":\"v\"}",
      "x\" // y",
      "x\" [$WIN32]",
      "x\" = y",
      "x\"{",
      "\"} C:\\games\\",
      "C:\\games\\\" }",
      "a\"}\\",
      "a\"}b\" }c\"",
  };
  // Every text as a name with every text as its value, and as the name of a block.
  for (const std::string &name : texts) {
    if (name.empty()) continue;  // an empty key is not allowed inside a block
    KeyValuesAD kv(new KeyValues("QtRoot"));
    for (const std::string &value : texts) kv->CreateKey(name.c_str())->SetString(nullptr, value.c_str());
    kv->CreateKey(name.c_str())->SetInt("QtInner", 5);
    kv->SetString("QtNext", "after");
    const std::string written = Write(kv.get());
    Parsed back = Parse(written);
    EXPECT_TRUE(back.ok) << written;
    KeyValues *child = back.kv->GetFirstSubKey();
    for (const std::string &value : texts) {
      ASSERT_NE(child, nullptr) << written;
      EXPECT_EQ(child->GetName(), name) << written;
      EXPECT_EQ(child->GetString(), value) << written;
      child = child->GetNextKey();
    }
    ASSERT_NE(child, nullptr) << written;
    EXPECT_EQ(child->GetName(), name) << written;
    EXPECT_EQ(child->GetInt("QtInner"), 5) << written;
    EXPECT_STREQ(back.kv->GetString("QtNext"), "after") << written;
  }
}

TEST(KeyValuesRoundTrip, TextsWithoutQuotesAreWrittenAsBefore) {
  KeyValuesAD kv(new KeyValues("OldRoot"));
  kv->CreateKey("C:\\OldKey\\")->SetString(nullptr, "C:\\dir\\");
  EXPECT_EQ(Write(kv.get()), "\"OldRoot\"\n{\n\t\"C:\\OldKey\\\"\t\t\"C:\\dir\\\"\n}\n");
  // A name whose last quote is followed only by blanks puts its value on the next line.
  KeyValuesAD quoted(new KeyValues("OldRoot"));
  quoted->CreateKey("k\" ")->SetString(nullptr, "v");
  EXPECT_EQ(Write(quoted.get()), "\"OldRoot\"\n{\n\t\"k\\\" \"\n\t\"v\"\n}\n");
}

TEST(KeyValuesRoundTrip, NameThatCouldEndEarlyGetsItsValueOnTheNextLine) {
  struct Case {
    const char *name;
    const char *value;
    const char *line;  // as written inside the root block
  };
  const Case cases[] = {
      {"k\" }", "C:\\games\\", "\t\"k\\\" }\"\n\t\"C:\\games\\\"\n"},
      {"k\" // x", "v", "\t\"k\\\" // x\"\n\t\"v\"\n"},
      {"k\"[$X]", "v", "\t\"k\\\"[$X]\"\n\t\"v\"\n"},
      // Nothing in these names can be taken for their end: the value stays on the name's line.
      {"k", "a\" }", "\t\"k\"\t\t\"a\\\" }\"\n"},
      {"say \"hi\" now", "v", "\t\"say \\\"hi\\\" now\"\t\t\"v\"\n"},
      {"a\" \"b", "v", "\t\"a\\\" \\\"b\"\t\t\"v\"\n"},
  };
  for (const Case &c : cases) {
    KeyValuesAD kv(new KeyValues("NlRoot"));
    kv->CreateKey(c.name)->SetString(nullptr, c.value);
    kv->SetString("NlLater", "1");
    const std::string written = Write(kv.get());
    EXPECT_EQ(written, std::string("\"NlRoot\"\n{\n") + c.line + "\t\"NlLater\"\t\t\"1\"\n}\n");
    Parsed back = Parse(written);
    ASSERT_TRUE(back.ok) << written << back.errors;
    EXPECT_STREQ(back.kv->GetFirstSubKey()->GetName(), c.name) << written;
    EXPECT_STREQ(back.kv->GetFirstSubKey()->GetString(), c.value) << written;
    EXPECT_EQ(back.kv->GetInt("NlLater"), 1) << written;
  }
}

TEST(KeyValuesReader, OlderFilesWithTrailingBackslashesStillRead) {
  struct Case {
    const char *text;
    const char *key;
    const char *value;
  };
  const Case cases[] = {
      {"A { path \"C:\\dir\\\"\n next 1 }", "path", "C:\\dir\\"},
      {"A { path \"C:\\dir\\\"   \t\r\n next 1 }", "path", "C:\\dir\\"},
      {"A { path \"C:\\\"\n\"next\" \"1\" }", "path", "C:\\"},
      {"A { \"C:\\dir\\\"\t\t\"v\"\n next 1 }", "C:\\dir\\", "v"},
      {"A { \"C:\\dir\\\" \"\" next 1 }", "C:\\dir\\", ""},
      {"A { path \"x\\\"y\" next 1 }", "path", "x\"y"},
  };
  for (const Case &c : cases) {
    Parsed p = Parse(c.text);
    EXPECT_TRUE(p.ok) << c.text << "\n" << p.errors;
    KeyValues *first = p.kv->GetFirstSubKey();
    ASSERT_NE(first, nullptr) << c.text;
    EXPECT_STREQ(first->GetName(), c.key) << c.text;
    EXPECT_STREQ(first->GetString(), c.value) << c.text;
    EXPECT_EQ(p.kv->GetInt("next"), 1) << c.text;
  }
  SpewCapture spew;
  Parsed atEnd = Parse("A { path \"C:\\dir\\\"");
  EXPECT_STREQ(atEnd.kv->GetString("path"), "C:\\dir\\");
}

TEST(KeyValuesReader, BackslashQuoteBeforeWhatEndsAValueClosesIt) {
  // Older files end Windows paths with a backslash; what follows on the line tells that the quote
  // closes the value, so the path reads as written and the keys after it are all there. Quotes the
  // writer escaped inside a value still read as quotes.
  struct Case {
    const char *text;
    const char *tree;  // as Describe lists it
  };
  const Case cases[] = {
      {R"("S" { "sub" { "path" "C:\games\" }
  "later" "1" })",
       "S 0\n  sub 0\n    path 1 [C:\\games\\]\n  later 2 [1]\n"},
      {R"("S" { "sub" { "path" "C:\games\"}
  "later" "1" })",
       "S 0\n  sub 0\n    path 1 [C:\\games\\]\n  later 2 [1]\n"},
      {"\"S\" { \"sub\" { \"path\" \"C:\\games\\\"\t}\r\n\"later\" \"1\" }",
       "S 0\n  sub 0\n    path 1 [C:\\games\\]\n  later 2 [1]\n"},
      {R"("S" { "sub" { "drive1" "C:\x\" "drive2" "D:\y\" } "later" "1" })",
       "S 0\n  sub 0\n    drive1 1 [C:\\x\\]\n    drive2 1 [D:\\y\\]\n  later 2 [1]\n"},
      {R"("S" {
  "path" "C:\games\" // the install folder
  "later" "1" })",
       "S 0\n  path 1 [C:\\games\\]\n  later 2 [1]\n"},
      {R"("S" {
  "path" "C:\games\" // was "D:\old\"
  "later" "1" })",
       "S 0\n  path 1 [C:\\games\\]\n  later 2 [1]\n"},
      {R"("S" {
  "path" "C:\games\" [$WIN32]
  "later" "1" })",
       "S 0\n  path 1 [C:\\games\\]\n  later 2 [1]\n"},
      {R"("S" {
  "path" "C:\games\" [$OSX]
  "later" "1" })",
       "S 0\n  later 2 [1]\n"},
      {R"("S" {
  "path" "C:\games\" "later" "1" })",
       "S 0\n  path 1 [C:\\games\\]\n  later 2 [1]\n"},
      {R"("S" {
  "C:\games\" = "dir"
  "C:\maps\" { "k" "v" }
  "later" "1" })",
       "S 0\n  C:\\games\\ 1 [dir]\n  C:\\maps\\ 0\n    k 1 [v]\n  later 2 [1]\n"},
      // Written by the writer: every quote inside the value has a backslash, and the value's own
      // closing quote ends the line.
      {R"("S" {
  "say" "a \"}\" b"
  "json" "{\"k\":\"v\"}"
  "mixed" "x\" } C:\games\"
  "many" "a\"}b\"}c\" // d"
  "later" "1" })",
       "S 0\n  say 1 [a \"}\" b]\n  json 1 [{\"k\":\"v\"}]\n  mixed 1 [x\" } C:\\games\\]\n"
       "  many 1 [a\"}b\"}c\" // d]\n  later 2 [1]\n"},
  };
  for (const Case &c : cases) {
    Parsed p = Parse(c.text);
    EXPECT_TRUE(p.ok) << c.text << "\n" << p.errors;
    EXPECT_EQ(Describe(p.kv.get()), c.tree) << c.text;
  }
}

TEST(KeyValuesReader, KeysAfterAPathBeforeABraceAreNotLost) {
  const char text[] = R"("GameSettings"
{
	"install"
	{
		"folder"		"C:\Games\Ridgeback\" }
	"window"
	{
		"wide"		"1280"
		"tall"		"720"
	}
	"mods"		"D:\Mods\"	// user mods
	"favourites"
	{
		"server"		"10.0.0.7:27015"
	}
}
"Peer"
{
	"last"		"3"
}
)";
  Parsed p = Parse(text);
  ASSERT_TRUE(p.ok) << p.errors;
  EXPECT_EQ(Describe(p.kv.get()),
            "GameSettings 0\n"
            "  install 0\n"
            "    folder 1 [C:\\Games\\Ridgeback\\]\n"
            "  window 0\n"
            "    wide 2 [1280]\n"
            "    tall 2 [720]\n"
            "  mods 1 [D:\\Mods\\]\n"
            "  favourites 0\n"
            "    server 1 [10.0.0.7:27015]\n"
            "Peer 0\n"
            "  last 2 [3]\n");
}

// ---------------------------------------------------------------------------------------------
// Files

TEST(KeyValuesFile, SaveThenLoadWithPeers) {
  TempDir dir;
  CStdioFileSystem fs;
  KeyValuesAD kv(new KeyValues("FiFirst"));
  kv->SetInt("FiCount", 3);
  kv->SetNextKey(new KeyValues("FiSecond", "FiText", "x"));
  const std::string path = dir.File("settings.vdf");

  ASSERT_TRUE(kv->SaveToFile(&fs, path.c_str()));
  EXPECT_EQ(ReadWholeFile(path), "\"FiFirst\"\n{\n\t\"FiCount\"\t\t\"3\"\n}\n");

  ASSERT_TRUE(kv->SaveToFile(&fs, path.c_str(), nullptr, true, KeyValues::SAVE_LOWERCASE_NAMES));
  EXPECT_EQ(ReadWholeFile(path),
            "\"fifirst\"\n{\n\t\"ficount\"\t\t\"3\"\n}\n\"fisecond\"\n{\n\t\"fitext\"\t\t\"x\"\n}\n");

  KeyValuesAD back(new KeyValues("unnamed"));
  ASSERT_TRUE(back->LoadFromFile(&fs, path.c_str()));
  EXPECT_EQ(Describe(back.get()), "FiFirst 0\n  FiCount 2 [3]\nFiSecond 0\n  FiText 1 [x]\n")
      << "names come back in the spelling the symbol service kept";
}

TEST(KeyValuesFile, LoadFailuresLeaveTheNodeAlone) {
  TempDir dir;
  CStdioFileSystem fs;
  SpewCapture spew;
  KeyValuesAD kv(new KeyValues("LdNode"));
  EXPECT_FALSE(kv->LoadFromFile(&fs, dir.File("missing.vdf").c_str()));
  EXPECT_EQ(Describe(kv.get()), "LdNode 0\n");
  EXPECT_TRUE(spew.Asserts().empty());

  EXPECT_FALSE(kv->LoadFromFile(nullptr, "x.vdf"));
  ASSERT_FALSE(spew.Asserts().empty());
  EXPECT_EQ(spew.Asserts()[0], "Assertion Failed: filesystem");

  spew.Clear();
  WriteWholeFile(dir.File("bad.vdf"), "A { k");
  kv->SetInt("LdHeld", 1);
  EXPECT_FALSE(kv->LoadFromFile(&fs, dir.File("bad.vdf").c_str()));
  ASSERT_FALSE(spew.Asserts().empty());
  EXPECT_EQ(
      spew.Asserts()[0],
      "You should clear the KeyValues instance before calling this function or call MergeFromFile instead.");
  EXPECT_NE(spew.Warnings()[0].find("in file " + dir.File("bad.vdf")), std::string::npos)
      << "the path is the resource name of the reports";
}

TEST(KeyValuesFile, FailedSaveKeepsTheOldFile) {
  TempDir dir;
  const std::string path = dir.File("settings.vdf");
  WriteWholeFile(path, "\"Old\" { }");
  CFailingFileSystem fs(CFailingFileSystem::DISK_FULL);
  KeyValuesAD kv(new KeyValues("FsNew"));
  kv->SetString("FsText", std::string(5000, 'z').c_str());
  SpewCapture spew;
  EXPECT_FALSE(kv->SaveToFile(&fs, path.c_str()));
  EXPECT_EQ(ReadWholeFile(path), "\"Old\" { }");
}

}  // namespace
