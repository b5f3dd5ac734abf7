#include "core/tray/tool_tip_style.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "platform/sim/fake_clock.h"
#include "platform/sim/fake_notify_area.h"

namespace kv {
namespace {

using Sent = std::pair<intptr_t, uint32_t>;

class ToolTipStyleTest : public ::testing::Test {
 protected:
  ToolTipStyleTest()
      : tracker(std::make_unique<TToolTipStyle>(
            area, clock, ui, [this](intptr_t w, uint32_t l) { sent.emplace_back(w, l); })) {}

  void MoveTo(int x, int y) {
    area.Cursor = {x, y};
    tracker->HandleCallback(kTrayIconId, kWmMouseMove);
  }
  // Lets the watcher's next check run with the cursor at (x, y).
  void CheckWithCursorAt(int x, int y) {
    area.Cursor = {x, y};
    const int reads = area.CursorReads;
    ASSERT_TRUE(ui.WaitUntil([&] { return area.CursorReads > reads; }, kPatience));
  }

  static constexpr std::chrono::seconds kPatience{10};  // a bound for thread hand-offs only
  sim::FakeNotifyArea area;
  sim::FakeClock clock;
  UiDispatcher ui;
  std::vector<Sent> sent;
  std::unique_ptr<TToolTipStyle> tracker;
};

TEST_F(ToolTipStyleTest, IconAreaGrowsToEveryReportedPositionAndNeverShrinks) {
  MoveTo(10, 10);
  EXPECT_EQ(tracker->IconArea(), (TrayRect{10, 10, 10, 10}));
  MoveTo(12, 8);
  MoveTo(11, 11);
  MoveTo(-3, 9);
  EXPECT_EQ(tracker->IconArea(), (TrayRect{-3, 8, 12, 11}));
  EXPECT_EQ(sent, (std::vector<Sent>{{0, kMouseEnterCode}})) << "one enter for many moves";
}

TEST_F(ToolTipStyleTest, WatcherReportsTheCursorLeavingTheArea) {
  MoveTo(10, 10);
  MoveTo(14, 12);
  CheckWithCursorAt(14, 10);  // edges are inside
  CheckWithCursorAt(12, 11);
  EXPECT_TRUE(tracker->MouseInside());
  EXPECT_EQ(clock.NowMs() % kLeaveCheckPeriodMs, 0u);
  EXPECT_GE(clock.NowMs(), 2 * kLeaveCheckPeriodMs) << "each check follows a 100 ms pause";

  CheckWithCursorAt(15, 11);
  EXPECT_FALSE(tracker->MouseInside());
  EXPECT_EQ(sent, (std::vector<Sent>{{0, kMouseEnterCode}, {0, kMouseExitCode}}));
  const uint32_t left = clock.NowMs();
  EXPECT_FALSE(ui.WaitUntil([] { return false; }, std::chrono::milliseconds(50)));
  EXPECT_EQ(clock.NowMs(), left) << "the watcher rests while the cursor is outside";

  // Entering again wakes the watcher; the area it compares with has kept its size.
  MoveTo(11, 11);
  CheckWithCursorAt(10, 12);
  CheckWithCursorAt(9, 12);
  EXPECT_EQ(sent.size(), 4u);
  EXPECT_EQ(sent.back(), (Sent{0, kMouseExitCode}));
}

TEST_F(ToolTipStyleTest, OwnColoursAreSetOnEnterAndGivenBackOnLeave) {
  tracker->UseDefault = false;
  tracker->BackGroundColor = 0x000000;
  tracker->TextColor = 0x123456;
  MoveTo(1, 1);
  EXPECT_EQ(area.TipColors, (std::vector<std::pair<uint32_t, uint32_t>>{{0x000000, 0x123456}}));
  CheckWithCursorAt(5, 5);
  EXPECT_EQ(area.PopTipCalls, 1);
  EXPECT_EQ(area.ResetTipCalls, 1);
  // Destruction closes the tooltip and gives its colours back whatever the setting.
  tracker->UseDefault = true;
  tracker.reset();
  EXPECT_EQ(area.PopTipCalls, 2);
  EXPECT_EQ(area.ResetTipCalls, 2);
}

TEST_F(ToolTipStyleTest, DestructionEndsAWatcherWaitingForTheUserInterface) {
  std::atomic<int> queued{0};
  ui.SetWaker([&] { ++queued; });
  MoveTo(1, 1);
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (queued == 0 && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  ASSERT_EQ(queued, 1);  // the watcher now waits for this thread
  area.Cursor = {50, 50};
  tracker.reset();
  EXPECT_EQ(sent, (std::vector<Sent>{{0, kMouseEnterCode}})) << "no events while stopping";
}

TEST_F(ToolTipStyleTest, PendingClickGoesToTheFirstHeldButton) {
  // Left and right released within one double-click time: one click, the left one.
  tracker->HandleCallback(kTrayIconId, kWmRButtonDown);
  tracker->HandleCallback(kTrayIconId, kWmLButtonDown);
  tracker->HandleCallback(kTrayIconId, kWmRButtonUp);
  tracker->HandleCallback(kTrayIconId, kWmLButtonUp);
  tracker->HandleTimer(kClickTimerId);
  EXPECT_EQ(sent, (std::vector<Sent>{{0, kMouseClickCode}}));
  EXPECT_EQ(tracker->ButtonsDown(), kTrayButtonRight);
}

}  // namespace
}  // namespace kv
