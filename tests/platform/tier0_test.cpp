// The platform base: reports and their hook, clocks and the test clock, the shared allocator and
// the audit visitor.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "support/spew_capture.h"
#include "tier0/dbg.h"
#include "tier0/memalloc.h"
#include "tier0/platform.h"
#include "tier0/validator.h"

namespace {

struct CapturedReport {
  SpewType type = SpewType::Message;
  std::string text;
  std::string file;
  int line = 0;
};

void RecordReport(const SpewInfo &info, void *context) {
  auto *report = static_cast<CapturedReport *>(context);
  report->type = info.type;
  report->text = info.text;
  report->file = info.file ? info.file : "";
  report->line = info.line;
}

class ReportHook {
 public:
  ReportHook() { SetSpewHook(&RecordReport, &m_Report); }
  ~ReportHook() { SetSpewHook(nullptr, nullptr); }
  const CapturedReport &Last() const { return m_Report; }

 private:
  CapturedReport m_Report;
};

}  // namespace

TEST(Spew, AssertReachesHookWithTextFileAndLine) {
  ReportHook hook;
  const int expectedLine = __LINE__ + 1;
  Assert(1 + 1 == 3);
  EXPECT_EQ(hook.Last().type, SpewType::Assert);
  EXPECT_EQ(hook.Last().text, "Assertion Failed: 1 + 1 == 3");
  EXPECT_NE(hook.Last().file.find("tier0_test.cpp"), std::string::npos);
  EXPECT_EQ(hook.Last().line, expectedLine);
}

TEST(Spew, PassingAssertReportsNothing) {
  SpewCapture capture;
  Assert(2 > 1);
  AssertMsg(true, "never %s", "shown");
  EXPECT_TRUE(capture.Asserts().empty());
}

TEST(Spew, AssertMsgFormatsAndCutsLongReports) {
  ReportHook hook;
  AssertMsg(false, "bad value %d in %s", 42, "row");
  EXPECT_EQ(hook.Last().text, "bad value 42 in row");
  EXPECT_GT(hook.Last().line, 0);

  const std::string longText(5000, 'x');
  AssertMsg(false, "%s", longText.c_str());
  EXPECT_EQ(hook.Last().text.size(), 1023u);
}

TEST(Spew, MessagesAndWarningsKeepTheirKind) {
  ReportHook hook;
  Msg("loaded %d pages\n", 6);
  EXPECT_EQ(hook.Last().type, SpewType::Message);
  EXPECT_EQ(hook.Last().text, "loaded 6 pages\n");
  EXPECT_EQ(hook.Last().line, 0);
  Warning("disk %s\n", "full");
  EXPECT_EQ(hook.Last().type, SpewType::Warning);
  EXPECT_EQ(hook.Last().text, "disk full\n");
}

TEST(Spew, WithoutHookAssertGoesToStderrWithFileAndLine) {
  testing::internal::CaptureStderr();
  AssertMsgImplementation("Assertion Failed: x", "panel.cpp", 17);
  Msg("plain\n");
  const std::string output = testing::internal::GetCapturedStderr();
  EXPECT_EQ(output, "panel.cpp(17): Assertion Failed: x\nplain\n");
}

// Names and values quoted from files and packets cannot drive the terminal.
TEST(Spew, StderrShowsControlCharactersEscaped) {
  testing::internal::CaptureStderr();
  Warning("bad address \"%s\"\n\tnext line\n", "bogus\x1B[31m\x07\x7F");
  const std::string output = testing::internal::GetCapturedStderr();
  EXPECT_EQ(output, "bad address \"bogus\\x1B[31m\\x07\\x7F\"\n\tnext line\n");
}

TEST(SpewDeathTest, ErrorReportsAndEndsTheProcess) {
  EXPECT_EXIT(Error("cannot continue: %s\n", "no window"), testing::ExitedWithCode(1),
              "cannot continue: no window");
}

TEST(SpewDeathTest, ErrorReachesTerminalEvenWithHook) {
  EXPECT_EXIT(
      {
        ReportHook hook;
        Error("fatal %d\n", 7);
      },
      testing::ExitedWithCode(1), "fatal 7");
}

TEST(Clock, RealClockCountsFromProcessStartAndMovesForward) {
  const double first = Plat_FloatTime();
  EXPECT_GE(first, 0.0);
  EXPECT_LT(first, 3600.0);
  EXPECT_GE(Plat_FloatTime(), first);
  const uint32 now = static_cast<uint32>(time(nullptr));
  EXPECT_LE(Plat_UnixTime() - now, 1u);
}

TEST(Clock, OverrideFreezesAndAdvancesAllClocks) {
  Plat_SetClockOverride(true, 500.0);
  EXPECT_DOUBLE_EQ(Plat_FloatTime(), 500.0);
  EXPECT_EQ(Plat_MSTime(), 500000u);
  const uint32 unixStart = Plat_UnixTime();
  EXPECT_EQ(Plat_UnixTime(), unixStart) << "the override clock must not move by itself";

  Plat_AdvanceClock(1.5);
  EXPECT_DOUBLE_EQ(Plat_FloatTime(), 501.5);
  EXPECT_EQ(Plat_MSTime(), 501500u);
  Plat_AdvanceClock(10.0);
  EXPECT_EQ(Plat_UnixTime(), unixStart + 11);

  Plat_SetClockOverride(false);
  EXPECT_LT(Plat_FloatTime(), 3600.0);
}

TEST(Clock, AdvanceWithoutOverrideDoesNothing) {
  const double before = Plat_FloatTime();
  Plat_AdvanceClock(1000.0);
  EXPECT_LT(Plat_FloatTime() - before, 100.0);
}

TEST(Clock, MillisecondDeadlinesCompareAcrossWrap) {
  struct Case {
    uint32 now;
    uint32 deadline;
    bool reached;
  };
  const Case cases[] = {
      {100, 100, true},           {99, 100, false},     {0xFFFFFFF0u, 0x10u, false},
      {0x10u, 0xFFFFFFF0u, true}, {0x20u, 0x10u, true}, {0x7FFFFFFFu, 0u, true},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(Plat_MSTimeReached(c.now, c.deadline), c.reached) << c.now << " vs " << c.deadline;
  }
}

TEST(Thread, MainThreadIsRecognised) {
  EXPECT_TRUE(ThreadInMainThread());
  bool onWorker = true;
  std::thread worker([&] { onWorker = ThreadInMainThread(); });
  worker.join();
  EXPECT_FALSE(onWorker);
}

TEST(Allocator, AllocatesReallocatesAndFrees) {
  ASSERT_NE(g_pMemAllocPlexa, nullptr);
  EXPECT_FALSE(g_bPlatformAllocOverride);

  auto *block = static_cast<char *>(g_pMemAllocPlexa->Alloc(16));
  ASSERT_NE(block, nullptr);
  memcpy(block, "fifteen chars!!", 16);
  block = static_cast<char *>(g_pMemAllocPlexa->Realloc(block, 4096));
  ASSERT_NE(block, nullptr);
  EXPECT_STREQ(block, "fifteen chars!!");
  g_pMemAllocPlexa->Free(block);
  g_pMemAllocPlexa->Free(nullptr);
}

TEST(Allocator, ZeroSizesStillGiveUsableBlocks) {
  void *empty = g_pMemAllocPlexa->Alloc(0);
  EXPECT_NE(empty, nullptr);
  void *shrunk = g_pMemAllocPlexa->Realloc(empty, 0);
  EXPECT_NE(shrunk, nullptr);
  g_pMemAllocPlexa->Free(shrunk);
  void *fresh = g_pMemAllocPlexa->Realloc(nullptr, 8);
  EXPECT_NE(fresh, nullptr);
  g_pMemAllocPlexa->Free(fresh);
}

TEST(Validator, RecordsScopesByDepth) {
  CValidator validator;
  int object = 0;
  validator.Push("module", &object, "game.so");
  validator.Push("object", &object, "g_Singleton");
  validator.ClaimMemory(&object);
  validator.Pop();
  validator.Push("vector", &object, nullptr);
  EXPECT_EQ(validator.Depth(), 2);
  validator.Pop();
  validator.Pop();
  EXPECT_EQ(validator.Depth(), 0);
  EXPECT_EQ(validator.Scopes(), (std::vector<std::string>{"game.so", "  g_Singleton", "  "}));
  EXPECT_FALSE(validator.IsClaimed(&object));
}

TEST(Validator, UnbalancedPopIsReportedAndIgnored) {
  SpewCapture capture;
  CValidator validator;
  validator.Pop();
  EXPECT_EQ(validator.Depth(), 0);
  ASSERT_EQ(capture.Asserts().size(), 1u);
  EXPECT_NE(capture.Asserts()[0].find("Pop"), std::string::npos);
}
