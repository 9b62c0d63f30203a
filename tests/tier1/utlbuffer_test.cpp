#include "tier1/utlbuffer.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

namespace {

std::string Data(const CUtlBuffer &buf) {
  return std::string(static_cast<const char *>(buf.Base()), static_cast<size_t>(buf.TellMaxPut()));
}

TEST(UtlBuffer, TextBufferKeepsNulAfterDataAcrossGrowth) {
  CUtlBuffer buf(0, 0, CUtlBuffer::TEXT_BUFFER);
  std::string expected;
  for (int i = 0; i < 200; ++i) {
    buf.PutString("line ");
    buf.PutInt(i);
    buf.PutChar('\n');
    expected += "line " + std::to_string(i) + "\n";
    ASSERT_EQ(static_cast<const char *>(buf.Base())[buf.TellMaxPut()], '\0') << "after line " << i;
  }
  EXPECT_EQ(Data(buf), expected);
  EXPECT_STREQ(static_cast<const char *>(buf.Base()), expected.c_str());
  EXPECT_TRUE(buf.IsValid());
  EXPECT_GT(buf.Size(), buf.TellMaxPut());
}

TEST(UtlBuffer, PrintfFormatsLongTexts) {
  CUtlBuffer buf(0, 0, CUtlBuffer::TEXT_BUFFER);
  const std::string longText(1000, 'x');
  buf.Printf("[%s|%d]", longText.c_str(), -7);
  EXPECT_EQ(Data(buf), "[" + longText + "|-7]");
}

TEST(UtlBuffer, GrowSizeRoundsCapacityUp) {
  CUtlBuffer buf(100, 0, 0);
  buf.Put(std::string(150, 'a').data(), 150);
  EXPECT_EQ(buf.Size(), 200);
  EXPECT_EQ(buf.TellPut(), 150);
}

TEST(UtlBuffer, ReadPastEndFailsUntilSeekBack) {
  CUtlBuffer buf;
  buf.Put("abcd", 4);
  char out[8] = "zzzzzzz";
  buf.Get(out, 3);
  EXPECT_EQ(std::string(out, 3), "abc");
  buf.Get(out, 2);  // only one byte left
  EXPECT_EQ(std::string(out, 2), std::string(2, '\0')) << "a failed read zero-fills its destination";
  EXPECT_EQ(buf.GetErrorFlags(), CUtlBuffer::GET_OVERFLOW);
  EXPECT_EQ(buf.GetChar(), '\0') << "reads stay failed after an overflow";
  EXPECT_EQ(buf.TellGet(), 3);

  buf.SeekGet(CUtlBuffer::SEEK_HEAD, 1);
  EXPECT_TRUE(buf.IsValid());
  EXPECT_EQ(buf.GetChar(), 'b');
}

TEST(UtlBuffer, SeekOrigins) {
  struct Case {
    CUtlBuffer::SeekType_t origin;
    int offset;
    int expectedGet;
    bool overflow;
  };
  const Case cases[] = {
      {CUtlBuffer::SEEK_HEAD, 0, 0, false},
      {CUtlBuffer::SEEK_HEAD, 10, 10, false},
      {CUtlBuffer::SEEK_HEAD, 11, 11, true},
      {CUtlBuffer::SEEK_HEAD, -1, 0, true},
      {CUtlBuffer::SEEK_CURRENT, 2, 6, false},
      {CUtlBuffer::SEEK_CURRENT, -4, 0, false},
      {CUtlBuffer::SEEK_CURRENT, 7, 11, true},
      {CUtlBuffer::SEEK_TAIL, 0, 10, false},
      {CUtlBuffer::SEEK_TAIL, -3, 7, false},
      {CUtlBuffer::SEEK_TAIL, 1, 11, true},
      {CUtlBuffer::SEEK_TAIL, INT_MAX, INT_MAX, true},
  };
  for (const Case &c : cases) {
    CUtlBuffer buf;
    buf.Put("0123456789", 10);
    buf.SeekGet(CUtlBuffer::SEEK_HEAD, 4);
    buf.SeekGet(c.origin, c.offset);
    EXPECT_EQ(buf.TellGet(), c.expectedGet) << c.origin << " " << c.offset;
    EXPECT_EQ((buf.GetErrorFlags() & CUtlBuffer::GET_OVERFLOW) != 0, c.overflow)
        << c.origin << " " << c.offset;
    EXPECT_EQ(buf.PeekGet() == nullptr, c.expectedGet > 10);
  }
}

TEST(UtlBuffer, SeekPutTakesInBytesWrittenIntoBase) {
  CUtlBuffer buf(0, 0, CUtlBuffer::TEXT_BUFFER);
  ASSERT_TRUE(buf.EnsureCapacity(6));
  memcpy(buf.Base(), "hello", 5);
  buf.SeekPut(CUtlBuffer::SEEK_HEAD, 5);
  EXPECT_EQ(Data(buf), "hello");
  EXPECT_EQ(static_cast<const char *>(buf.Base())[5], '\0');

  // Past the block: it grows, and the new bytes start zeroed.
  buf.SeekPut(CUtlBuffer::SEEK_TAIL, 100);
  EXPECT_EQ(buf.TellMaxPut(), 105);
  EXPECT_EQ(Data(buf), "hello" + std::string(100, '\0'));

  buf.SeekPut(CUtlBuffer::SEEK_HEAD, 2);
  buf.PutString("LL");
  EXPECT_EQ(Data(buf).substr(0, 5), "heLLo");
  EXPECT_EQ(buf.TellMaxPut(), 105) << "overwriting inside the data keeps its end";
  buf.SeekPut(CUtlBuffer::SEEK_CURRENT, -5);
  EXPECT_EQ(buf.GetErrorFlags(), CUtlBuffer::PUT_OVERFLOW);
}

TEST(UtlBuffer, ExternalMemoryThatCannotGrowDropsWrites) {
  char memory[8];
  memset(memory, '#', sizeof(memory));
  CUtlBuffer buf(memory, sizeof(memory), CUtlBuffer::TEXT_BUFFER);
  EXPECT_FALSE(buf.IsGrowable());
  buf.PutString("abcde");
  EXPECT_EQ(std::string(memory, 6), std::string("abcde\0", 6));
  buf.PutString("fgh");  // 8 bytes: fits, but leaves no room for the NUL
  EXPECT_TRUE(buf.IsValid());
  EXPECT_EQ(std::string(memory, 8), "abcdefgh");
  buf.PutChar('i');
  EXPECT_EQ(buf.GetErrorFlags(), CUtlBuffer::PUT_OVERFLOW);
  EXPECT_EQ(buf.TellPut(), 8);
  EXPECT_FALSE(buf.EnsureCapacity(9));
}

TEST(UtlBuffer, FixedMemoryDropsEveryWriteAfterTheFirstOverflow) {
  // Each put path, tried after a write that did not fit; each would fit on its own.
  struct Case {
    const char *name;
    int flags;
    void (*put)(CUtlBuffer &);
  };
  const Case cases[] = {
      {"Put", CUtlBuffer::TEXT_BUFFER, [](CUtlBuffer &b) { b.Put("x", 1); }},
      {"PutChar", CUtlBuffer::TEXT_BUFFER, [](CUtlBuffer &b) { b.PutChar('x'); }},
      {"PutString", CUtlBuffer::TEXT_BUFFER, [](CUtlBuffer &b) { b.PutString("xy"); }},
      {"PutString binary", 0, [](CUtlBuffer &b) { b.PutString("x"); }},
      {"PutInt text", CUtlBuffer::TEXT_BUFFER, [](CUtlBuffer &b) { b.PutInt(7); }},
      {"PutInt binary", 0, [](CUtlBuffer &b) { b.PutInt(7); }},
      {"Printf", CUtlBuffer::TEXT_BUFFER, [](CUtlBuffer &b) { b.Printf("%d%s", 1, "z"); }},
      {"Printf long", CUtlBuffer::TEXT_BUFFER,
       [](CUtlBuffer &b) { b.Printf("%s", std::string(300, 'l').c_str()); }},
      {"indented", CUtlBuffer::TEXT_BUFFER,
       [](CUtlBuffer &b) {
         b.PushTab();
         b.PutString("\nx");
       }},
      {"SeekPut past the data", CUtlBuffer::TEXT_BUFFER,
       [](CUtlBuffer &b) { b.SeekPut(CUtlBuffer::SEEK_HEAD, 6); }},
  };
  for (const Case &c : cases) {
    char memory[512];
    memset(memory, '#', sizeof(memory));
    CUtlBuffer buf(memory, 400, c.flags);
    buf.Put("ab", 2);
    buf.Put(std::string(500, 'o').c_str(), 500);
    EXPECT_EQ(buf.GetErrorFlags(), CUtlBuffer::PUT_OVERFLOW) << c.name;
    c.put(buf);
    EXPECT_EQ(buf.GetErrorFlags(), CUtlBuffer::PUT_OVERFLOW) << c.name;
    EXPECT_EQ(buf.TellPut(), 2) << c.name;
    EXPECT_EQ(buf.TellMaxPut(), 2) << c.name;
    EXPECT_EQ(std::string(memory, 2), "ab") << c.name;
    // A text buffer's NUL after the data, then memory nothing was written to.
    const bool text = (c.flags & CUtlBuffer::TEXT_BUFFER) != 0;
    EXPECT_EQ(memory[2], text ? '\0' : '#') << c.name;
    EXPECT_EQ(std::string(memory + 3, sizeof(memory) - 3), std::string(sizeof(memory) - 3, '#')) << c.name;
  }

  // Going back inside the data is still allowed; Clear makes the buffer writable again.
  char memory[8];
  CUtlBuffer buf(memory, sizeof(memory), CUtlBuffer::TEXT_BUFFER);
  buf.PutString("abc");
  buf.PutString("too long to fit");
  buf.SeekPut(CUtlBuffer::SEEK_HEAD, 1);
  EXPECT_EQ(buf.TellPut(), 1);
  buf.PutChar('X');
  EXPECT_EQ(Data(buf), "abc");
  buf.Clear();
  buf.PutString("new");
  EXPECT_TRUE(buf.IsValid());
  EXPECT_EQ(Data(buf), "new");
}

TEST(UtlBuffer, ExternalGrowableMemoryMovesToAnOwnedCopy) {
  char memory[4] = {'x', 'x', 'x', 'x'};
  CUtlBuffer buf(memory, sizeof(memory), CUtlBuffer::EXTERNAL_GROWABLE);
  buf.Put("abcd", 4);
  EXPECT_TRUE(buf.IsExternallyAllocated());
  buf.Put("efgh", 4);
  EXPECT_FALSE(buf.IsExternallyAllocated());
  EXPECT_NE(buf.Base(), static_cast<void *>(memory));
  EXPECT_EQ(Data(buf), "abcdefgh");
  EXPECT_EQ(std::string(memory, 4), "abcd");
}

TEST(UtlBuffer, ReadOnlyBufferReadsAndRefusesWrites) {
  const char text[] = "12 -34\t  word rest";
  CUtlBuffer buf(text, static_cast<int>(strlen(text)), CUtlBuffer::READ_ONLY | CUtlBuffer::TEXT_BUFFER);
  EXPECT_EQ(buf.TellMaxPut(), static_cast<int>(strlen(text)));
  EXPECT_EQ(buf.GetInt(), 12);
  EXPECT_EQ(buf.GetInt(), -34);
  char word[3];
  buf.GetString(word, sizeof(word));
  EXPECT_STREQ(word, "wo") << "the copy is bounded, the word is consumed";
  EXPECT_EQ(buf.TellGet(), 13);
  buf.PutChar('x');
  EXPECT_EQ(buf.GetErrorFlags(), CUtlBuffer::PUT_OVERFLOW);
  EXPECT_STREQ(text, "12 -34\t  word rest");
  buf.SeekPut(CUtlBuffer::SEEK_HEAD, 0);
  EXPECT_EQ(buf.TellMaxPut(), static_cast<int>(strlen(text))) << "the data of a read-only buffer stays";
}

TEST(UtlBuffer, TextNumbersDoNotNeedANulAfterThem) {
  const char digits[] = {'4', '2'};
  CUtlBuffer buf(digits, 2, CUtlBuffer::READ_ONLY | CUtlBuffer::TEXT_BUFFER);
  EXPECT_EQ(buf.GetInt(), 42);
  EXPECT_EQ(buf.GetBytesRemaining(), 0);
}

TEST(UtlBuffer, BinaryNumbersAndStrings) {
  CUtlBuffer little;
  little.PutInt(0x01020304);
  little.PutString("ab");
  EXPECT_EQ(Data(little), std::string("\x04\x03\x02\x01"
                                      "ab\0",
                                      7));
  EXPECT_EQ(little.GetInt(), 0x01020304);
  char text[8];
  little.GetString(text, sizeof(text));
  EXPECT_STREQ(text, "ab");
  EXPECT_EQ(little.GetBytesRemaining(), 0) << "the NUL of a binary string is consumed";

  CUtlBuffer big(0, 0, CUtlBuffer::BIG_ENDIAN_DATA);
  big.PutInt(0x01020304);
  EXPECT_EQ(Data(big), "\x01\x02\x03\x04");
  EXPECT_EQ(big.GetInt(), 0x01020304);
}

TEST(UtlBuffer, AutomaticTabsIndentEachNewLine) {
  CUtlBuffer buf(0, 0, CUtlBuffer::TEXT_BUFFER);
  buf.PutString("a\n");
  buf.PushTab();
  buf.PutString("b\nc");
  buf.PushTab();
  buf.PutString("d\n");
  buf.PopTab();
  buf.PopTab();
  buf.PopTab();  // below zero stays at zero
  buf.PutString("e\n");
  EXPECT_EQ(Data(buf), "a\n\tb\n\tcd\ne\n");

  CUtlBuffer off(0, 0, CUtlBuffer::TEXT_BUFFER | CUtlBuffer::AUTO_TABS_DISABLED);
  off.PushTab();
  off.PutString("x\ny\n");
  EXPECT_EQ(Data(off), "x\ny\n");
}

TEST(UtlBuffer, ClearKeepsMemoryPurgeReleasesIt) {
  CUtlBuffer buf(0, 0, CUtlBuffer::TEXT_BUFFER);
  buf.PutString("text");
  buf.GetChar();
  buf.Get(nullptr, 0);
  buf.SeekGet(CUtlBuffer::SEEK_HEAD, 99);
  const int capacity = buf.Size();
  buf.Clear();
  EXPECT_EQ(buf.TellGet() + buf.TellPut() + buf.TellMaxPut(), 0);
  EXPECT_TRUE(buf.IsValid());
  EXPECT_EQ(buf.Size(), capacity);
  EXPECT_EQ(static_cast<const char *>(buf.Base())[0], '\0');
  buf.Purge();
  EXPECT_EQ(buf.Size(), 0);
  EXPECT_EQ(buf.Base(), nullptr);
}

TEST(UtlBuffer, EatWhiteSpaceOnlyInTextMode) {
  const char text[] = " \t\r\n\v\fx";
  CUtlBuffer asText(text, 7, CUtlBuffer::READ_ONLY | CUtlBuffer::TEXT_BUFFER);
  asText.EatWhiteSpace();
  EXPECT_EQ(asText.GetChar(), 'x');
  CUtlBuffer asBinary(text, 7, CUtlBuffer::READ_ONLY);
  asBinary.EatWhiteSpace();
  EXPECT_EQ(asBinary.GetChar(), ' ');
}

// A buffer whose data arrives in pieces: its get-overflow handler pulls in the next piece.
class CChunkedBuffer : public CUtlBuffer {
 public:
  explicit CChunkedBuffer(int chunks) : m_nChunks(chunks) {}
  int m_nCalls = 0;

 protected:
  bool OnGetOverflow(int size) override {
    ++m_nCalls;
    if (m_nChunks-- <= 0) return false;
    const int mark = TellGet();
    for (int i = 0; i < size; ++i) PutChar(static_cast<char>('a' + i));
    SeekGet(SEEK_HEAD, mark);
    return true;
  }

 private:
  int m_nChunks;
};

TEST(UtlBuffer, GetOverflowHandlerCanSupplyData) {
  CChunkedBuffer buf(1);
  char out[3];
  buf.Get(out, 3);
  EXPECT_EQ(std::string(out, 3), "abc");
  EXPECT_TRUE(buf.IsValid());
  buf.Get(out, 1);
  EXPECT_FALSE(buf.IsValid());
  EXPECT_EQ(buf.m_nCalls, 2);
}

TEST(UtlCharConversion, CStringEscapesMapBothWays) {
  const CUtlCharConversion &conv = GetCStringCharConversion();
  EXPECT_EQ(conv.GetEscapeChar(), '\\');
  EXPECT_STREQ(conv.GetDelimiter(), "\"");
  EXPECT_EQ(conv.GetDelimiterLength(), 1);
  EXPECT_EQ(conv.MaxConversionLength(), 1);
  const std::string actual = "\n\t\v\b\r\f\a\\?'\"";
  const std::string letters = "ntvbrfa\\?'\"";
  for (size_t i = 0; i < actual.size(); ++i) {
    EXPECT_STREQ(conv.GetConversionString(actual[i]), std::string(1, letters[i]).c_str());
    EXPECT_EQ(conv.GetConversionLength(actual[i]), 1);
    int length = -1;
    EXPECT_EQ(conv.FindConversion(&letters[i], 1, &length), actual[i]) << letters[i];
    EXPECT_EQ(length, 1);
  }
  int length = -1;
  EXPECT_EQ(conv.FindConversion("x", 1, &length), '\0');
  EXPECT_EQ(length, 0);
  EXPECT_EQ(conv.FindConversion("n", 0, &length), '\0') << "nothing may be read past the end";
  EXPECT_EQ(conv.GetConversionString('x'), nullptr);
  EXPECT_EQ(conv.GetConversionLength('x'), 0);
}

TEST(UtlCharConversion, NoEscapeNeverConverts) {
  const CUtlCharConversion &conv = GetNoEscCharConversion();
  EXPECT_EQ(conv.GetEscapeChar(), '\x7f');
  EXPECT_STREQ(conv.GetDelimiter(), "\"");
  EXPECT_STREQ(conv.GetConversionString('\x7f'), "");
  EXPECT_EQ(conv.MaxConversionLength(), 0);
  for (int c = 0; c < 256; ++c) {
    const char text[2] = {static_cast<char>(c), '\0'};
    int length = -1;
    EXPECT_EQ(conv.FindConversion(text, 2, &length), '\0');
    EXPECT_EQ(length, 0);
  }
}

}  // namespace
