#include "core/ui/grid_timer.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/sim/fake_clock.h"
#include "platform/sim/sim_timer.h"

namespace kv {
namespace {

// A grid timer over a fake clock; Run moves the clock a millisecond at a time and fires the
// wake-up whenever it is due, recording the moments of the ticks.
struct GridRig {
  explicit GridRig(uint32_t startMs, TickSchedule schedule = TickSchedule::Lazy)
      : clock(startMs),
        wake(clock),
        timer(
            clock, wake, 20, schedule, [this] { ticks.push_back(clock.NowMs()); },
            [this] { return canAct; }) {}

  void RunUntil(uint32_t endMs) {
    while (static_cast<int32_t>(endMs - clock.NowMs()) > 0) {
      clock.Advance(1);
      if (wake.TakeIfDue(clock.NowMs())) timer.Fire();
    }
  }

  sim::FakeClock clock;
  sim::SimWakeTimer wake;
  bool canAct = true;
  std::vector<uint32_t> ticks;
  GridTimer timer;
};

TEST(GridTimerTest, EagerTicksOnTheGridAndLazySleepsWithoutLosingThePhase) {
  GridRig eager(1000, TickSchedule::Eager);
  eager.canAct = false;  // ignored by the eager schedule
  eager.timer.Start();
  eager.RunUntil(1100);
  EXPECT_EQ(eager.ticks, (std::vector<uint32_t>{1020, 1040, 1060, 1080, 1100}));

  GridRig lazy(1000);
  lazy.canAct = false;
  lazy.timer.Start();
  lazy.RunUntil(1047);
  EXPECT_TRUE(lazy.ticks.empty());
  EXPECT_FALSE(lazy.wake.Armed());
  // Woken between two grid points: the next tick is the eager one's, not 20 ms from now.
  lazy.canAct = true;
  lazy.timer.Refresh();
  EXPECT_EQ(lazy.wake.DueMs(), 1060u);
  lazy.RunUntil(1081);
  lazy.canAct = false;
  lazy.RunUntil(1200);
  // The tick at 1100 finds nothing to do and does not arm another.
  EXPECT_EQ(lazy.ticks, (std::vector<uint32_t>{1060, 1080, 1100}));
  EXPECT_EQ(lazy.wake.Arms(), 3u);
}

TEST(GridTimerTest, RefreshOnAGridPointArmsTheNextOneAndNeverTwice) {
  GridRig rig(0);
  rig.canAct = false;
  rig.timer.Start();
  rig.RunUntil(40);
  rig.canAct = true;
  rig.timer.Refresh();
  rig.timer.Refresh();
  EXPECT_EQ(rig.wake.DueMs(), 60u);
  EXPECT_EQ(rig.wake.Arms(), 1u);
}

TEST(GridTimerTest, LateAndEarlyWakeUpsKeepTheGrid) {
  GridRig rig(500);
  rig.timer.Start();
  // The thread was busy for 75 ms: one late tick, then back on the grid.
  rig.clock.Advance(75);
  ASSERT_TRUE(rig.wake.TakeIfDue(rig.clock.NowMs()));
  rig.timer.Fire();
  EXPECT_EQ(rig.wake.DueMs(), 580u);
  // A wake-up a millisecond early (clock granularity) serves its point once, not twice.
  rig.clock.Set(579);
  rig.wake.TakeIfDue(580);
  rig.timer.Fire();
  EXPECT_EQ(rig.wake.DueMs(), 600u);
  EXPECT_EQ(rig.ticks, (std::vector<uint32_t>{575, 579}));
}

TEST(GridTimerTest, GridSurvivesTheMillisecondCounterWrap) {
  GridRig rig(0xFFFFFFF0u);
  rig.timer.Start();
  rig.RunUntil(0xFFFFFFF0u + 60);
  EXPECT_EQ(rig.ticks, (std::vector<uint32_t>{0x4u, 0x18u, 0x2Cu}));
}

TEST(GridTimerTest, StopEndsTheTicksAndStartBeginsANewGrid) {
  GridRig rig(0);
  rig.timer.Start();
  rig.RunUntil(30);
  rig.timer.Stop();
  EXPECT_FALSE(rig.wake.Armed());
  rig.timer.Fire();  // a call-back already on its way does nothing
  rig.timer.Refresh();
  EXPECT_FALSE(rig.wake.Armed());
  rig.RunUntil(35);
  rig.timer.Start();
  rig.RunUntil(80);
  EXPECT_EQ(rig.ticks, (std::vector<uint32_t>{20, 55, 75}));
}

}  // namespace
}  // namespace kv
