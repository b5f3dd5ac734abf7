#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>

#include "pointer_test_rig.h"

namespace kv::test {
namespace {

constexpr Point kCentre{960, 540};

struct MotionCase {
  const char* name;
  std::string onPush;
  bool held;
  int32_t speedFast;
  int32_t speedSlow;
  bool invertH;
  bool invertV;
  int32_t dx, dy;  // counts from the rest values
  int32_t mx, my;  // expected pixels
};

TEST(MotionStep, DivisorRoundingAndInversion) {
  const MotionCase cases[] = {
      {"defaults", "Slower", false, 5, 3, false, false, 10, 10, 6, 5},
      {"speed button", "Slower", true, 5, 3, false, false, 10, 10, 2, 2},
      {"speed button below rest", "Slower", true, 5, 3, false, false, -10, -10, -1, -1},
      {"fast below rest truncates", "Slower", false, 5, 3, false, false, -10, -10, -6, -5},
      {"inside dead zone", "Slower", false, 5, 3, false, false, 1, -1, 0, 0},
      {"dead zone edge", "Slower", false, 5, 3, false, false, 2, -2, 1, -1},
      {"slow, 2 above rounds up", "Slower", true, 5, 3, false, false, 2, 2, 1, 1},
      {"slow, 2 below rounds up to 0", "Slower", true, 5, 3, false, false, -2, -2, 0, 0},
      {"Faster, released", "Faster", false, 5, 3, false, false, 10, 10, 2, 2},
      {"Faster, held", "Faster", true, 5, 3, false, false, 10, 10, 6, 5},
      {"other OnPush: raw counts", "slower", false, 5, 3, false, false, 10, -7, 10, -7},
      {"other OnPush keeps dead zone", "", true, 5, 3, false, false, 1, 3, 0, 3},
      {"InvertH after rounding", "Slower", false, 5, 3, true, false, 10, 10, -6, 5},
      {"InvertV after rounding", "Slower", true, 5, 3, false, true, -10, -10, -1, 1},
      {"SpeedFast 0 as 1", "Slower", false, 0, 3, false, false, 10, 10, 5, 4},
      {"SpeedFast -3 as 1", "Slower", false, -3, 3, false, false, 10, 10, 5, 4},
      {"SpeedFast 21 as 20", "Slower", false, 21, 3, false, false, 3, 3, 14, 12},
      {"SpeedFast 50 as 20", "Slower", false, 50, 3, false, false, 3, 3, 14, 12},
      {"SpeedSlow 12 as 10", "Slower", true, 5, 12, false, false, 7, 7, 5, 4},
      {"SpeedSlow 1 as 2", "Slower", true, 5, 1, false, false, 21, 21, 3, 3},
      {"SpeedSlow -5 as 2", "Faster", false, 5, -5, false, false, 21, 21, 3, 3},
  };
  for (const MotionCase& c : cases) {
    SCOPED_TRACE(c.name);
    PointerRig rig;
    rig.settings.OnPush = c.onPush;
    rig.settings.SpeedFast = c.speedFast;
    rig.settings.SpeedSlow = c.speedSlow;
    rig.settings.InvertH = c.invertH;
    rig.settings.InvertV = c.invertV;
    rig.pointer.SetSpeedButtonHeld(c.held);
    rig.Tilt(c.dx, c.dy);
    EXPECT_EQ(rig.TickFrom(kCentre), (Point{c.mx, c.my}));
    // The guard works on the divisor only; the stored settings stay as they were.
    EXPECT_EQ(rig.settings.SpeedFast, c.speedFast);
    EXPECT_EQ(rig.settings.SpeedSlow, c.speedSlow);
  }
}

TEST(MotionStep, ExtremeRestValuesSaturateInsteadOfOverflowing) {
  PointerRig rig;
  rig.settings.OnPush = "none";
  rig.settings.BaseX = std::numeric_limits<int32_t>::min();
  rig.settings.BaseY = std::numeric_limits<int32_t>::max();
  rig.acc.X.Push(255);
  rig.acc.Y.Push(0);
  rig.TickFrom(kCentre);
  ASSERT_EQ(rig.desktop.Moves().size(), 1u);
  // 960 + 2^31 + 255 saturates; 540 - (2^31 - 1) still fits.
  EXPECT_EQ(rig.desktop.Moves()[0], (Point{std::numeric_limits<int32_t>::max(),
                                           540 - std::numeric_limits<int32_t>::max()}));
  EXPECT_EQ(rig.desktop.Cursor(), (Point{1919, 0}));  // held on the desktop
}

TEST(PointerTick, ChoosesTheStepByModeAndIRVisibilityThenRunsTheEdgeRumble) {
  const struct {
    const char* mode;
    bool useMotionWhenLost;
    int32_t size1, size2;
    Point expected;
    uint8_t led;
  } cases[] = {
      // From the left border (0, 500): tilt (10, 10) moves (6, 5); the IR midpoint (424, 600)
      // aims at (600, 600) on 1024x765, and one sixth of the way is (100, 516).
      {"Motion", false, 0, 0, {6, 505}, kLedsCursorOn},
      {"IR", false, 0, 0, {100, 516}, kLedsCursorOn},
      {"IR", true, 15, 15, {6, 505}, kLedsCursorOn},
      {"IR", true, 15, 3, {100, 516}, kLedsCursorOn},
      {"IR", false, 15, 15, {100, 516}, kLedsCursorOn},
      {"motion", false, 0, 0, {0, 500}, kLedsRumble},  // no step, but the rumble still runs
      {"", true, 15, 15, {0, 500}, kLedsRumble},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.mode) + " " + std::to_string(c.size1) + "/" +
                 std::to_string(c.size2));
    PointerRig rig({{0, 0, 1024, 765}});
    rig.settings.CursorMode = c.mode;
    rig.settings.UseMotionWhenLostIR = c.useMotionWhenLost;
    rig.wiimote.IR1Size = c.size1;
    rig.wiimote.IR2Size = c.size2;
    rig.wiimote.IRMidX = 424;
    rig.wiimote.IRMidY = 600;
    rig.Tilt(10, 10);
    rig.TickFrom({0, 500});
    EXPECT_EQ(rig.desktop.Cursor(), c.expected);
    EXPECT_EQ(rig.output.Sent, std::vector<uint8_t>{c.led});
  }
}

TEST(PointerTick, ReadsTwiceOnlyAfterAMoveSkipsUnreadableTicksIgnoresFailedMoves) {
  PointerRig rig;
  rig.Tilt(0, 0);
  rig.TickFrom(kCentre);
  EXPECT_EQ(rig.desktop.GetCursorPosCalls(), 1u);
  EXPECT_EQ(rig.desktop.SetCursorPosCalls(), 0u);
  rig.Tilt(10, 10);
  rig.TickFrom({0, 500});
  EXPECT_EQ(rig.desktop.GetCursorPosCalls(), 3u);
  EXPECT_LE(rig.desktop.IsOnDisplayCalls(), 8u);

  rig.output.Sent.clear();
  rig.desktop.SetFailGetCursorPos(true);
  rig.TickFrom({0, 500});
  EXPECT_EQ(rig.desktop.SetCursorPosCalls(), 1u);
  EXPECT_TRUE(rig.output.Sent.empty());

  rig.desktop.SetFailGetCursorPos(false);
  rig.desktop.SetFailSetCursorPos(true);
  // The cursor stays at the left border, and the rumble follows where it really is.
  EXPECT_EQ(rig.TickFrom({0, 500}), (Point{0, 0}));
  EXPECT_EQ(rig.output.Sent, std::vector<uint8_t>{kLedsRumble});
}

TEST(EdgeTest, OuterBordersAreEdgesBordersBetweenDisplaysAreNot) {
  const std::vector<sim::DisplayRect> lShape = {{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}};
  const struct {
    const std::vector<sim::DisplayRect>* displays;
    Point point;
    bool edge;
  } cases[] = {
      {&kOneDisplay, {1, 1}, false},      {&kOneDisplay, {0, 540}, true},
      {&kOneDisplay, {1919, 540}, true},  {&kOneDisplay, {960, 0}, true},
      {&kOneDisplay, {960, 1079}, true},  {&kSideBySide, {1919, 540}, false},
      {&kSideBySide, {1920, 540}, false}, {&kSideBySide, {3839, 540}, true},
      {&kLeftOfPrimary, {0, 540}, false}, {&kLeftOfPrimary, {-1920, 540}, true},
      {&lShape, {1919, 1050}, true},      {&lShape, {1919, 1000}, false},
      {&lShape, {2000, 1023}, true},
  };
  for (const auto& c : cases) {
    PointerRig rig(*c.displays);
    EXPECT_EQ(rig.pointer.IsAtScreenEdge(c.point), c.edge) << c.point.X << "," << c.point.Y;
  }
}

TEST(EdgeRumble, RowsInOrderAcrossTheClockWrap) {
  struct Step {
    Point at;
    uint32_t advanceMs;
    bool rumbleOnEdge;
    std::vector<uint8_t> sent;
    bool active, atEdge;
  };
  constexpr Point kEdge{0, 500};
  constexpr Point kInside{500, 500};
  const Step steps[] = {
      {kEdge, 0, true, {kLedsRumble}, true, true},        // arrival: pulse starts at 0xFFFFFFF0
      {kEdge, 60, true, {}, true, true},                  // 60 ms is not yet more than 60
      {kEdge, 1, true, {kLedsCursorOn}, false, true},     // 61 ms across the wrap: motor off
      {kEdge, 100, true, {}, false, true},                // staying at the edge: nothing
      {kInside, 0, true, {kLedsCursorOn}, false, false},  // away: LEDs re-sent
      {kEdge, 0, true, {kLedsRumble}, true, true},        // next arrival pulses again
      {kInside, 10, true, {kLedsCursorOn}, true, false},  // leaving keeps the pulse marked
      {kEdge, 100, true, {kLedsCursorOn}, false, true},   // so this arrival only ends it
      {kInside, 0, true, {kLedsCursorOn}, false, false},
      {kEdge, 0, true, {kLedsRumble}, true, true},       // and the one after pulses
      {kEdge, 10, false, {kLedsCursorOn}, true, false},  // rumble off: as if away
  };
  PointerRig rig;
  rig.clock.Set(0xFFFFFFF0u);
  rig.Tilt(0, 0);
  for (size_t i = 0; i < std::size(steps); ++i) {
    SCOPED_TRACE(i);
    const Step& s = steps[i];
    rig.clock.Advance(s.advanceMs);
    rig.settings.RumbleOnEdge = s.rumbleOnEdge;
    rig.output.Sent.clear();
    rig.TickFrom(s.at);
    EXPECT_EQ(rig.output.Sent, s.sent);
    EXPECT_EQ(rig.pointer.RumblePulseActive(), s.active);
    EXPECT_EQ(rig.pointer.AtEdge(), s.atEdge);
    if (i == 0) {
      EXPECT_EQ(rig.pointer.RumblePulseStart(), 0xFFFFFFF0u);
    }
  }
}

TEST(CursorSwitch, LedsTimerWasOnAndRecalibration) {
  PointerRig rig;
  rig.acc.X.Push(120);
  rig.acc.Y.Push(133);
  rig.acc.Z.Push(155);
  rig.pointer.CursorOnOffButtonClick();
  EXPECT_TRUE(rig.pointer.CursorIsOn());
  EXPECT_FALSE(rig.pointer.CursorWasOn());
  rig.pointer.CursorOn();
  EXPECT_TRUE(rig.pointer.CursorWasOn());
  EXPECT_EQ(rig.settings.BaseX, 128);  // Recalibrate off

  rig.settings.Recalibrate = true;
  rig.pointer.CursorOnOffButtonClick();
  EXPECT_FALSE(rig.motionTimer.Enabled());
  EXPECT_FALSE(rig.pointer.CursorWasOn());
  EXPECT_EQ(rig.output.Sent, (std::vector<uint8_t>{kLedsCursorOn, kLedsCursorOn, kLedsCursorOff}));
  EXPECT_EQ((std::vector<int32_t>{rig.settings.BaseX, rig.settings.BaseY, rig.settings.BaseZ}),
            (std::vector<int32_t>{120, 133, 155}));
  rig.acc.X.Push(90);
  rig.pointer.CursorOn();
  EXPECT_EQ(rig.settings.BaseX, 90);
}

}  // namespace
}  // namespace kv::test
