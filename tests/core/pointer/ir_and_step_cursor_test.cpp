#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <tuple>
#include <utility>
#include <vector>

#include "core/actions/catalogue.h"
#include "pointer_test_rig.h"

namespace kv::test {
namespace {

TEST(IRStep, RoundHalfAwayFromZero) {
  const struct {
    double in;
    int32_t out;
  } cases[] = {{0.0, 0},
               {0.49, 0},
               {0.5, 1},
               {2.5, 3},
               {-0.5, -1},
               {-2.5, -3},
               {-2.49, -2},
               {540.7, 541},
               {1e300, std::numeric_limits<int32_t>::max()},
               {-1e300, std::numeric_limits<int32_t>::min()},
               {std::nan(""), 0}};
  for (const auto& c : cases) EXPECT_EQ(RoundHalfAway(c.in), c.out) << c.in;
}

TEST(IRStep, TargetMirrorsHorizontallyAndScalesRowsBy765) {
  const Size fullHd{1920, 1080};
  EXPECT_EQ(IRTargetOf(512, 383, fullHd), (Point{960, 541}));
  EXPECT_EQ(IRTargetOf(0, 0, fullHd), (Point{1920, 0}));
  EXPECT_EQ(IRTargetOf(1023, 765, fullHd), (Point{2, 1080}));      // 1920 / 1024 = 1.875
  EXPECT_EQ(IRTargetOf(1023, 1023, fullHd), (Point{2, 1444}));     // past the bottom
  EXPECT_EQ(IRTargetOf(1536, -100, fullHd), (Point{-960, -141}));  // extrapolated midpoint
}

// Cursor x (and y) after each IR step toward a constant target.
std::vector<int32_t> IRApproach(Point start, int ticks) {
  PointerRig rig({{0, 0, 1024, 765}});
  rig.settings.CursorMode = "IR";
  rig.wiimote.IRMidX = 424;  // target (600, 600)
  rig.wiimote.IRMidY = 600;
  rig.desktop.PlaceCursor(start);
  std::vector<int32_t> xs;
  for (int i = 0; i < ticks; ++i) {
    rig.pointer.MotionTimerTimer();
    EXPECT_EQ(rig.desktop.Cursor().X, rig.desktop.Cursor().Y);
    xs.push_back(rig.desktop.Cursor().X);
  }
  return xs;
}

TEST(IRStep, OneSixthPerTickTruncatedStopsShortFromBelowReachesFromAbove) {
  const std::vector<int32_t> fromOrigin = IRApproach({0, 0}, 60);
  EXPECT_EQ(std::vector<int32_t>(fromOrigin.begin(), fromOrigin.begin() + 5),
            (std::vector<int32_t>{100, 183, 252, 310, 358}));
  EXPECT_EQ(fromOrigin.back(), 595);
  EXPECT_EQ(fromOrigin[fromOrigin.size() - 2], 595);

  const std::vector<int32_t> fromAbove = IRApproach({700, 700}, 60);
  EXPECT_EQ(fromAbove[0], 683);
  EXPECT_EQ(fromAbove.back(), 600);
}

TEST(IRStep, TruncatesTowardZeroLeftOfThePrimaryDisplay) {
  PointerRig rig(kLeftOfPrimary);
  rig.settings.CursorMode = "IR";
  rig.wiimote.IRMidX = 1023;  // target (2, 541)
  rig.wiimote.IRMidY = 383;
  rig.TickFrom({-1001, 500});
  // (5 * -1001 + 2) / 6 = -833.8: toward zero is -833 (rounding down would give -834).
  EXPECT_EQ(rig.desktop.Cursor(), (Point{-833, 506}));
}

TEST(IRStep, MapsOntoThePrimaryDisplaysOwnRectangle) {
  // The primary display (listed first) sits right of and below another one.
  PointerRig rig({{1280, 100, 640, 800}, {0, 0, 1280, 800}});
  rig.settings.CursorMode = "IR";
  rig.wiimote.IRMidX = 512;  // the camera's centre: the centre of the primary display
  rig.wiimote.IRMidY = 383;
  rig.desktop.PlaceCursor({1606, 507});
  for (int tick = 0; tick < 40; ++tick) rig.pointer.MotionTimerTimer();
  EXPECT_EQ(rig.desktop.Cursor(), (Point{1600, 501}));  // (1280 + 320, 100 + 400.5), from above
}

TEST(PointerTick, ReadingsOfAControllerThatIsGoneMoveNothing) {
  for (const char* mode : {"Motion", "IR"}) {
    SCOPED_TRACE(mode);
    PointerRig rig;
    rig.settings.CursorMode = mode;
    rig.Tilt(10, 10);
    rig.wiimote.IRMidX = 100;
    rig.wiimote.IRMidY = 100;
    EXPECT_NE(rig.TickFrom({500, 500}), (Point{0, 0}));
    rig.pointer.SetControllerConnected(false);
    rig.desktop.ClearMoves();
    EXPECT_EQ(rig.TickFrom({500, 500}), (Point{0, 0}));
    EXPECT_EQ(rig.TickFrom({0, 0}), (Point{0, 0}));
    EXPECT_TRUE(rig.desktop.Moves().empty());
    // The edge rumble goes on: at the corner the motor starts.
    EXPECT_EQ(rig.output.Sent.back(), kLedsRumble);
    rig.pointer.SetControllerConnected(true);
    EXPECT_NE(rig.TickFrom({500, 500}), (Point{0, 0}));
  }
}

TEST(IRStep, UnknownPrimaryDisplayMovesNothing) {
  PointerRig rig(std::vector<sim::DisplayRect>{});
  rig.settings.CursorMode = "IR";
  EXPECT_FALSE(rig.pointer.IRStep({300, 300}));
  EXPECT_TRUE(rig.desktop.Moves().empty());
}

// Runs `ticks` cursor-step ticks; returns the horizontal move and the velocity of each.
std::pair<std::vector<int32_t>, std::vector<int32_t>> Ticks(PointerRig& rig, int ticks) {
  std::pair<std::vector<int32_t>, std::vector<int32_t>> out;
  for (int tick = 0; tick < ticks; ++tick) {
    out.first.push_back(rig.StepTick().X);
    out.second.push_back(rig.pointer.StepVelocityX());
  }
  return out;
}

TEST(CursorSteps, BuildUpGlideAndReversal) {
  PointerRig rig;
  rig.desktop.PlaceCursor({100, 500});
  rig.Hold(kSlotRight, "Mouse->Cursor Right");
  auto [moved, velocity] = Ticks(rig, 20);
  EXPECT_EQ(moved, (std::vector<int32_t>{0, 0,  1,  2,  3,  4,  5,  6,  7,  8,
                                         9, 10, 11, 12, 13, 14, 14, 14, 14, 14}));
  EXPECT_EQ(rig.desktop.Cursor(), (Point{261, 500}));  // 161 pixels, none vertically
  EXPECT_EQ(velocity.back(), 16);

  rig.wiimote.ButtonState[kSlotRight].Pressed = false;  // glide and stop
  std::tie(moved, velocity) = Ticks(rig, 5);
  EXPECT_EQ(moved, (std::vector<int32_t>{6, 2, 0, 0, 0}));
  EXPECT_EQ(velocity, (std::vector<int32_t>{8, 4, 2, 1, 0}));

  rig.wiimote.ButtonState[kSlotRight].Pressed = true;
  Ticks(rig, 16);
  rig.wiimote.ButtonState[kSlotRight].Pressed = false;
  rig.Hold(kSlotLeft, "Mouse->Cursor Left");  // reversed at full speed
  std::tie(moved, velocity) = Ticks(rig, 7);
  EXPECT_EQ(velocity, (std::vector<int32_t>{4, 1, 0, -1, -2, -3, -4}));
  EXPECT_EQ(moved, (std::vector<int32_t>{2, 0, 0, 0, 0, -1, -2}));
}

TEST(CursorSteps, LaterSlotWinsAndOnlyStoredStepNamesCount) {
  struct Held {
    int slot;
    const char* action;
  };
  struct Case {
    const char* name;
    std::vector<Held> held;
    Point direction;  // sign of the third tick's move
  };
  const Case cases[] = {
      {"Up then Down slot",
       {{kSlotUp, "Mouse->Cursor Up"}, {kSlotDown, "Mouse->Cursor Down"}},
       {0, 1}},
      {"Home after Plus",
       {{kSlotHome, "Mouse->Cursor Right"}, {kSlotPlus, "Mouse->Cursor Left"}},
       {1, 0}},
      {"Two after One",
       {{kSlotOne, "Mouse->Cursor Right"}, {kSlotTwo, "Mouse->Cursor Left"}},
       {-1, 0}},
      {"both axes", {{kSlotB, "Mouse->Cursor Left"}, {kSlotMinus, "Mouse->Cursor Down"}}, {-1, 1}},
      {"assignment, not slot", {{kSlotRight, "Mouse->Cursor Left"}}, {-1, 0}},
      {"up is toward the top", {{kSlotA, "Mouse->Cursor Up"}}, {0, -1}},
      {"list text", {{kSlotUp, "Mouse -> Cursor Up"}}, {0, 0}},
      {"other action", {{kSlotA, "Mouse->Left Click"}}, {0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PointerRig rig;  // the motion cursor is off: steps work all the same
    rig.desktop.PlaceCursor({500, 500});
    for (const Held& h : c.held) rig.Hold(h.slot, h.action);
    rig.StepTick();
    rig.StepTick();
    EXPECT_EQ(rig.StepTick(), c.direction);
  }
}

TEST(CursorSteps, AtRestNeitherReadsNorMovesAndReleasedButtonsDoNothing) {
  PointerRig rig;
  rig.wiimote.ButtonAssign[kSlotUp].ActionType = "Mouse->Cursor Up";  // assigned, not held
  for (int tick = 0; tick < 10; ++tick) rig.pointer.CursorTimerTimer();
  EXPECT_EQ(rig.desktop.GetCursorPosCalls(), 0u);
  EXPECT_EQ(rig.desktop.SetCursorPosCalls(), 0u);

  rig.Hold(kSlotDown, "Mouse->Cursor Down");
  rig.desktop.SetFailGetCursorPos(true);
  for (int tick = 0; tick < 5; ++tick) rig.pointer.CursorTimerTimer();
  EXPECT_EQ(rig.desktop.SetCursorPosCalls(), 0u);  // unreadable cursor: no move
  EXPECT_EQ(rig.pointer.StepVelocityY(), -5);      // but the velocity still builds up
}

}  // namespace
}  // namespace kv::test
