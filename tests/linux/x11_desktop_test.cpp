#include "platform/linux/x11_desktop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <string>

#include "core/pointer/pointer_test_rig.h"
#include "support/xvfb_server.h"

namespace kv::linux_backend {
namespace {

TEST(X11DesktopOpen, NamesTheDisplayItCouldNotOpen) {
  const char* saved = std::getenv("DISPLAY");
  const std::string savedValue = saved != nullptr ? saved : "";
  std::string error;
  setenv("DISPLAY", ":9871", 1);
  EXPECT_EQ(X11Desktop::Open(error), nullptr);
  EXPECT_EQ(error, "cannot open X display \":9871\"");
  unsetenv("DISPLAY");
  EXPECT_EQ(X11Desktop::Open(error), nullptr);
  EXPECT_EQ(error, "DISPLAY is not set");
  if (saved != nullptr) setenv("DISPLAY", savedValue.c_str(), 1);
}

class X11DesktopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(xvfb_.Start(3840, 1080));
    std::string error;
    desktop_ = X11Desktop::Open(error);
    ASSERT_NE(desktop_, nullptr) << error;
  }

  // Two monitors side by side: LEFT (1920x1080, primary) and RIGHT, 1000 rows high, so the
  // screen's bottom-right corner lies on no monitor.
  static void SetTwoMonitors() {
    ASSERT_EQ(test::RunCommand("xrandr --setmonitor '*LEFT' 1920/508x1080/286+0+0 screen"), 0);
    ASSERT_EQ(test::RunCommand("xrandr --setmonitor RIGHT 1920/508x1000/286+1920+0 none"), 0);
  }

  test::XvfbServer xvfb_;
  std::unique_ptr<X11Desktop> desktop_;
};

TEST_F(X11DesktopTest, WarpsAndReadsBackHeldOnTheScreen) {
  const struct {
    Point to, expected;
  } cases[] = {{{1234, 567}, {1234, 567}},
               {{3839, 0}, {3839, 0}},
               {{5000, 2000}, {3839, 1079}},
               {{-40, -7}, {0, 0}},
               {{2000000000, 5}, {3839, 5}}};
  for (const auto& c : cases) {
    ASSERT_TRUE(desktop_->SetCursorPos(c.to));
    Point read{-1, -1};
    ASSERT_TRUE(desktop_->GetCursorPos(read));
    EXPECT_EQ(read, c.expected);
  }
}

TEST_F(X11DesktopTest, CachedLayoutFollowsMonitorChanges) {
  EXPECT_EQ(desktop_->PrimaryDisplaySize(), (Size{3840, 1080}));
  EXPECT_TRUE(desktop_->IsOnDisplay({3000, 1050}));
  EXPECT_EQ(desktop_->LayoutReads(), 1u);

  SetTwoMonitors();
  // The change is announced by an event that reaches us ahead of the next reply.
  Point cursor;
  ASSERT_TRUE(desktop_->GetCursorPos(cursor));
  EXPECT_EQ(desktop_->PrimaryDisplaySize(), (Size{1920, 1080}));
  EXPECT_FALSE(desktop_->IsOnDisplay({3000, 1050}));
  EXPECT_TRUE(desktop_->IsOnDisplay({3000, 999}));
  EXPECT_FALSE(desktop_->IsOnDisplay({3840, 500}));
  EXPECT_FALSE(desktop_->IsOnDisplay({-1, 500}));

  ASSERT_EQ(test::RunCommand("xrandr --delmonitor RIGHT"), 0);
  ASSERT_TRUE(desktop_->GetCursorPos(cursor));
  EXPECT_FALSE(desktop_->IsOnDisplay({3000, 500}));
  EXPECT_EQ(desktop_->PrimaryDisplaySize(), (Size{1920, 1080}));
}

TEST_F(X11DesktopTest, MovesStayOnTheMonitorsAndThePrimaryKeepsItsPlace) {
  SetTwoMonitors();
  Point cursor;
  ASSERT_TRUE(desktop_->GetCursorPos(cursor));  // takes the layout change
  EXPECT_EQ(desktop_->PrimaryDisplayOrigin(), (Point{0, 0}));
  // Below RIGHT lies a part of the screen that no monitor shows.
  const struct {
    Point to, expected;
  } cases[] = {{{3000, 1050}, {3000, 999}},
               {{3839, 1079}, {3839, 999}},
               {{1950, 1070}, {1919, 1070}},  // nearer to LEFT's border than to RIGHT's
               {{3000, 500}, {3000, 500}},
               {{5000, -300}, {3839, 0}}};
  for (const auto& c : cases) {
    ASSERT_TRUE(desktop_->SetCursorPos(c.to));
    Point read{-1, -1};
    ASSERT_TRUE(desktop_->GetCursorPos(read));
    EXPECT_EQ(read, c.expected) << c.to.X << "," << c.to.Y;
  }

  ASSERT_EQ(test::RunCommand("xrandr --delmonitor RIGHT"), 0);
  ASSERT_EQ(test::RunCommand("xrandr --setmonitor '*RIGHT' 1920/508x1000/286+1920+0 none"), 0);
  ASSERT_TRUE(desktop_->GetCursorPos(cursor));
  EXPECT_EQ(desktop_->PrimaryDisplayOrigin(), (Point{1920, 0}));
  EXPECT_EQ(desktop_->PrimaryDisplaySize(), (Size{1920, 1000}));
}

// The pointer control driving the real server.
struct LivePointer : test::PointerInputs {
  explicit LivePointer(X11Desktop& desktop)
      : pointer(settings, wiimote, acc, clock, desktop, output, motionTimer) {}
  PointerControl pointer;
};

TEST_F(X11DesktopTest, EdgesOfTwoMonitorsAndAPulseAtTheFarBorder) {
  SetTwoMonitors();
  LivePointer live(*desktop_);
  EXPECT_FALSE(live.pointer.IsAtScreenEdge({1919, 500}));
  EXPECT_FALSE(live.pointer.IsAtScreenEdge({1920, 500}));
  EXPECT_TRUE(live.pointer.IsAtScreenEdge({3839, 500}));
  EXPECT_TRUE(live.pointer.IsAtScreenEdge({0, 500}));
  EXPECT_TRUE(live.pointer.IsAtScreenEdge({2500, 999}));
  EXPECT_FALSE(live.pointer.IsAtScreenEdge({1000, 1078}));

  live.acc.X.Push(148);  // 13 px per tick to the right
  live.acc.Y.Push(128);
  ASSERT_TRUE(desktop_->SetCursorPos({1800, 500}));
  for (int tick = 0; tick < 20; ++tick) live.pointer.MotionTimerTimer();
  EXPECT_FALSE(live.pointer.AtEdge());  // crossed into RIGHT without a pulse
  EXPECT_FALSE(live.pointer.RumblePulseActive());
  for (int tick = 0; tick < 200; ++tick) live.pointer.MotionTimerTimer();
  EXPECT_TRUE(live.pointer.AtEdge());
  EXPECT_TRUE(live.pointer.RumblePulseActive());
  EXPECT_EQ(live.output.Sent.back(), kLedsRumble);
}

TEST_F(X11DesktopTest, PointerTickCostsAtMostTwoRoundTrips) {
  SetTwoMonitors();
  LivePointer live(*desktop_);
  live.acc.X.Push(140);
  live.acc.Y.Push(120);
  ASSERT_TRUE(desktop_->SetCursorPos({100, 900}));
  live.pointer.MotionTimerTimer();  // first tick reads the layout

  constexpr int kTicks = 500;
  const uint64_t tripsBefore = desktop_->RoundTrips();
  const uint64_t readsBefore = desktop_->LayoutReads();
  const auto start = std::chrono::steady_clock::now();
  for (int tick = 0; tick < kTicks; ++tick) {
    // Back and forth, so every tick moves the cursor and reads it twice.
    live.acc.X.Push(tick % 100 < 50 ? 140 : 116);
    live.pointer.MotionTimerTimer();
  }
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(desktop_->RoundTrips() - tripsBefore, 2u * kTicks);
  EXPECT_EQ(desktop_->LayoutReads(), readsBefore);
  std::cout << "pointer tick against Xvfb: "
            << std::chrono::duration<double, std::micro>(elapsed).count() / kTicks
            << " us per tick\n";
}

}  // namespace
}  // namespace kv::linux_backend
