// Soak: a hundred refresh cycles over every tab and a hundred dialog cycles (game-info dialog,
// password prompt, add-server dialog) on a small world give back every descriptor, host panel,
// list request and server query they took; the sanitizers' leak check covers the heap at exit.
#include <gtest/gtest.h>

#include "support/soak_world.h"
#include "support/spew_capture.h"

namespace {

using sbtest::CSoakWorld;
using sbtest::SoakTally;

constexpr int kCycles = 100;

// The first use of each tab and dialog fills lasting caches (fonts, images, layouts): the tally
// is taken after one round of each.
TEST(BrowserSoak, RefreshCyclesGiveBackWhatTheyTake) {
  SpewCapture spew;
  CSoakWorld world(SB_GAME_DIR);
  for (int cycle = 0; cycle < 6; ++cycle) world.RefreshCycle(cycle);
  const SoakTally before = world.Tally();
  const int requestsBefore = world.Services().RequestCount();

  for (int cycle = 0; cycle < kCycles; ++cycle) world.RefreshCycle(cycle);
  world.RunFor(1.0);

  EXPECT_EQ(world.Tally(), before);
  // Every cycle asked for at least its own new list.
  EXPECT_GE(world.Services().RequestCount() - requestsBefore, kCycles);
  EXPECT_EQ(world.Services().m_nStaleAborts, 0);
  EXPECT_TRUE(world.Problems().empty()) << world.Problems().front();
  EXPECT_TRUE(spew.Asserts().empty()) << spew.Asserts().front();
}

TEST(BrowserSoak, DialogCyclesGiveBackWhatTheyTake) {
  SpewCapture spew;
  CSoakWorld world(SB_GAME_DIR);
  for (int cycle = 0; cycle < 4; ++cycle) world.DialogCycle(cycle);
  const SoakTally before = world.Tally();
  const size_t pingsBefore = world.Services().m_Pings.size();
  const size_t addedBefore = world.Services().m_Added.size();
  const int launchesBefore = world.Launcher().m_nLaunches;

  for (int cycle = 0; cycle < kCycles; ++cycle) world.DialogCycle(cycle);
  world.RunFor(1.0);

  EXPECT_EQ(world.Tally(), before);
  EXPECT_EQ(world.Services().m_nStaleAborts, 0) << "a finished query was aborted";
  EXPECT_TRUE(world.Problems().empty()) << world.Problems().front();
  EXPECT_TRUE(spew.Asserts().empty()) << spew.Asserts().front();
  // The cycles went the whole way: half of them joined (through the prompt or at once), three in
  // four stored a favourite (typed, or chosen among the answers), and the pings were asked.
  EXPECT_EQ(world.Launcher().m_nLaunches - launchesBefore, kCycles / 2);
  EXPECT_EQ(world.Services().m_Added.size() - addedBefore, static_cast<size_t>(kCycles * 3 / 4));
  EXPECT_GE(world.Services().m_Pings.size() - pingsBefore, static_cast<size_t>(kCycles * 3));
}

}  // namespace
