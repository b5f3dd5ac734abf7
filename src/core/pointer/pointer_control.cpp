#include "core/pointer/pointer_control.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <string_view>

#include "core/actions/catalogue.h"

namespace kv {
namespace {

constexpr std::string_view kCursorModeMotion = "Motion";
constexpr std::string_view kCursorModeIR = "IR";
constexpr std::string_view kOnPushSlower = "Slower";
constexpr std::string_view kOnPushFaster = "Faster";

// The speed ranges the preferences dialog offers. A hand-edited config.ini can hold anything;
// outside these ranges the divisors below would reach zero or turn negative, so they are
// computed from the value clamped into its range (the stored setting stays as it is).
constexpr int32_t kSpeedFastMin = 1;
constexpr int32_t kSpeedFastMax = 20;
constexpr int32_t kSpeedSlowMin = 2;
constexpr int32_t kSpeedSlowMax = 10;

// The horizontal tilt step is a little larger than the vertical one: screens are wider than high.
constexpr double kHorizontalFactor = 1.2;

// The camera's coordinate range: 1024 columns, and the rows taken as the display's full height.
constexpr int64_t kCameraColumns = 1024;
constexpr double kCameraRows = 765.0;

// Each IR step covers one sixth of the way: the new position is (5 * old + target) / 6.
constexpr int64_t kIRSmoothing = 6;

// The order in which the cursor-step buttons are looked at; on one axis the last held wins.
constexpr std::array<int, kButtonCount> kStepSlotOrder = {
    kSlotUp,   kSlotDown,  kSlotRight, kSlotLeft, kSlotA,  kSlotB,
    kSlotPlus, kSlotMinus, kSlotHome,  kSlotOne,  kSlotTwo};

enum class Rounding { TowardZero, Upward };

int32_t SaturateToInt32(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

int64_t DeadZoned(int64_t difference) {
  return (difference > -PointerControl::kDeadZone && difference < PointerControl::kDeadZone)
             ? 0
             : difference;
}

// difference / divisor * factor, rounded. The divisor is at least 0.25 and the difference of two
// 32-bit values, so the result stays far inside int64_t.
int64_t Scaled(int64_t difference, double divisor, double factor, Rounding rounding) {
  const double value = static_cast<double>(difference) / divisor * factor;
  return static_cast<int64_t>(rounding == Rounding::TowardZero ? std::trunc(value)
                                                               : std::ceil(value));
}

double FastDivisor(int32_t speedFast) {
  return 2.25 - 0.1 * std::clamp(speedFast, kSpeedFastMin, kSpeedFastMax);
}

double SlowDivisor(int32_t speedSlow) {
  return 12.0 - std::clamp(speedSlow, kSpeedSlowMin, kSpeedSlowMax);
}

// One axis of the cursor-step velocity for one tick with direction `direction`: build up by one
// per tick toward the cap, quarter when the direction reverses, halve when released.
int32_t NextStepVelocity(int32_t velocity, int direction) {
  const int32_t cap = PointerControl::kMaxStepVelocity;
  if (direction > 0 && velocity >= 0) ++velocity;
  if (velocity > cap) velocity = cap;
  if (direction < 0 && velocity <= 0) --velocity;
  if (velocity < -cap) velocity = -cap;
  if (direction < 0 && velocity >= 0) velocity /= 4;
  if (direction > 0 && velocity <= 0) velocity /= 4;
  if (direction == 0) velocity /= 2;
  return velocity;
}

// Pixels moved at a velocity: the two slowest steps move nothing.
int32_t StepWidth(int32_t velocity) {
  if (velocity > 2) return velocity - 2;
  if (velocity < -2) return velocity + 2;
  return 0;
}

}  // namespace

int32_t RoundHalfAway(double value) {
  if (std::isnan(value)) return 0;
  const double rounded = value >= 0 ? std::trunc(value + 0.5) : std::trunc(value - 0.5);
  if (rounded >= static_cast<double>(std::numeric_limits<int32_t>::max())) {
    return std::numeric_limits<int32_t>::max();
  }
  if (rounded <= static_cast<double>(std::numeric_limits<int32_t>::min())) {
    return std::numeric_limits<int32_t>::min();
  }
  return static_cast<int32_t>(rounded);
}

Point IRTargetOf(int32_t irMidX, int32_t irMidY, Size primary) {
  // The product in integers, the division in floating point.
  const int64_t product = int64_t{primary.Width} * (kCameraColumns - irMidX);
  const double tx = static_cast<double>(product) / static_cast<double>(kCameraColumns);
  const double ty = primary.Height * (irMidY / kCameraRows);
  return {RoundHalfAway(tx), RoundHalfAway(ty)};
}

PointerControl::PointerControl(TKestrovaneSetting& settings, TWiimote& wiimote,
                               const AccHistories& histories, Clock& clock, Desktop& desktop,
                               ControllerOutput& output, Timer& motionTimer)
    : settings_(settings),
      wiimote_(wiimote),
      histories_(histories),
      clock_(clock),
      desktop_(desktop),
      output_(output),
      motionTimer_(motionTimer) {}

void PointerControl::MotionTimerTimer() {
  // Without a cursor position there is nothing to move from and no edge to test.
  Point cursor;
  if (!desktop_.GetCursorPos(cursor)) return;

  const std::string_view mode = settings_.CursorMode;
  const bool irLost = wiimote_.IR1Size == kIRPointUnseen && wiimote_.IR2Size == kIRPointUnseen;
  bool moved = false;
  if (!controllerConnected_) {
    // Readings left behind by a controller that is gone must not steer the cursor.
  } else if (mode == kCursorModeMotion ||
             (mode == kCursorModeIR && irLost && settings_.UseMotionWhenLostIR)) {
    moved = MotionStep(cursor);
  } else if (mode == kCursorModeIR) {
    moved = IRStep(cursor);
  }

  // The system may have held the cursor back at the desktop's border, so the edge test needs
  // the position it really took. When nothing moved, the first reading still holds.
  if (moved && !desktop_.GetCursorPos(cursor)) return;
  EdgeRumble(cursor);
}

bool PointerControl::MotionStep(Point cursor) {
  int64_t mx = DeadZoned(int64_t{histories_.X[0]} - settings_.BaseX);
  int64_t my = DeadZoned(int64_t{histories_.Y[0]} - settings_.BaseY);

  // The speed button selects the other of the two speeds; OnPush says which one it selects.
  const std::string_view onPush = settings_.OnPush;
  const bool slowerHeld = onPush == kOnPushSlower && speedButtonHeld_;
  const bool fasterReleased = onPush == kOnPushFaster && !speedButtonHeld_;
  if (slowerHeld || fasterReleased) {
    const double divisor = SlowDivisor(settings_.SpeedSlow);
    mx = Scaled(mx, divisor, kHorizontalFactor, Rounding::Upward);
    my = Scaled(my, divisor, 1.0, Rounding::Upward);
  } else if (onPush == kOnPushSlower || onPush == kOnPushFaster) {
    const double divisor = FastDivisor(settings_.SpeedFast);
    mx = Scaled(mx, divisor, kHorizontalFactor, Rounding::TowardZero);
    my = Scaled(my, divisor, 1.0, Rounding::TowardZero);
  }
  // Any other OnPush text moves by the raw differences.

  if (settings_.InvertH) mx = -mx;
  if (settings_.InvertV) my = -my;
  return MoveCursorBy(cursor, mx, my);
}

bool PointerControl::IRStep(Point cursor) {
  const Size primary = desktop_.PrimaryDisplaySize();
  // No known display, no target: stay put rather than run to the origin.
  if (primary.Width <= 0 || primary.Height <= 0) return false;
  // The camera maps onto the primary display wherever it sits on the desktop.
  const Point onPrimary = IRTargetOf(wiimote_.IRMidX, wiimote_.IRMidY, primary);
  const Point origin = desktop_.PrimaryDisplayOrigin();
  const int64_t targetX = int64_t{origin.X} + onPrimary.X;
  const int64_t targetY = int64_t{origin.Y} + onPrimary.Y;
  // Integer division truncates toward zero, also left of and above the primary display.
  const int64_t x = ((kIRSmoothing - 1) * cursor.X + targetX) / kIRSmoothing;
  const int64_t y = ((kIRSmoothing - 1) * cursor.Y + targetY) / kIRSmoothing;
  return MoveCursorBy(cursor, x - cursor.X, y - cursor.Y);
}

bool PointerControl::IsAtScreenEdge(Point point) {
  const int32_t left = SaturateToInt32(int64_t{point.X} - 1);
  const int32_t right = SaturateToInt32(int64_t{point.X} + 1);
  const int32_t below = SaturateToInt32(int64_t{point.Y} + 1);
  const int32_t above = SaturateToInt32(int64_t{point.Y} - 1);
  return !desktop_.IsOnDisplay({left, point.Y}) || !desktop_.IsOnDisplay({right, point.Y}) ||
         !desktop_.IsOnDisplay({point.X, below}) || !desktop_.IsOnDisplay({point.X, above});
}

void PointerControl::EdgeRumble(Point cursor) {
  if (!settings_.RumbleOnEdge || !IsAtScreenEdge(cursor)) {
    // Also ends a pulse that is still running when the cursor leaves the edge.
    output_.SetLedRumble(kLedsCursorOn);
    atEdge_ = false;
    return;
  }
  if (rumblePulseActive_) {
    const uint32_t elapsed = static_cast<uint32_t>(clock_.NowMs() - rumblePulseStart_);
    if (elapsed > kRumblePulseMs) {
      output_.SetLedRumble(kLedsCursorOn);
      rumblePulseActive_ = false;
    }
  } else if (!atEdge_) {
    output_.SetLedRumble(kLedsRumble);
    rumblePulseStart_ = clock_.NowMs();
    rumblePulseActive_ = true;
  }
  atEdge_ = true;
}

bool PointerControl::MoveCursorBy(Point from, int64_t dx, int64_t dy) {
  // A move to where the cursor already is would only race with the user's own mouse.
  if (dx == 0 && dy == 0) return false;
  desktop_.SetCursorPos({SaturateToInt32(from.X + dx), SaturateToInt32(from.Y + dy)});
  return true;
}

void PointerControl::CursorTimerTimer() {
  int h = 0;
  int v = 0;
  for (const int slot : kStepSlotOrder) {
    if (!wiimote_.ButtonState[slot].Pressed) continue;
    const std::string_view action = wiimote_.ButtonAssign[slot].ActionType;
    if (!IsCursorStepAction(action)) continue;
    if (action == kActionCursorUp) {
      v = 1;
    } else if (action == kActionCursorDown) {
      v = -1;
    } else if (action == kActionCursorRight) {
      h = 1;
    } else if (action == kActionCursorLeft) {
      h = -1;
    }
  }
  StepCursor(h, v);
}

void PointerControl::StepCursor(int h, int v) {
  stepVelocityX_ = NextStepVelocity(stepVelocityX_, h);
  stepVelocityY_ = NextStepVelocity(stepVelocityY_, v);
  const int32_t dx = StepWidth(stepVelocityX_);
  const int32_t dy = StepWidth(stepVelocityY_);
  // The timer runs all the time; at rest it neither reads nor moves the cursor.
  if (dx == 0 && dy == 0) return;
  Point cursor;
  if (!desktop_.GetCursorPos(cursor)) return;
  MoveCursorBy(cursor, dx, -int64_t{dy});  // positive velocity is upward, screen y grows downward
}

void PointerControl::CursorOn() {
  cursorWasOn_ = motionTimer_.Enabled();
  motionTimer_.SetEnabled(true);
  output_.SetLedRumble(kLedsCursorOn);
  if (settings_.Recalibrate) CalibrateButtonClick();
}

void PointerControl::CursorOff() {
  cursorWasOn_ = false;
  motionTimer_.SetEnabled(false);
  output_.SetLedRumble(kLedsCursorOff);
  if (settings_.Recalibrate) CalibrateButtonClick();
}

void PointerControl::CursorOnOffButtonClick() {
  if (motionTimer_.Enabled()) {
    CursorOff();
  } else {
    CursorOn();
  }
}

void PointerControl::CalibrateButtonClick() {
  settings_.BaseX = histories_.X[0];
  settings_.BaseY = histories_.Y[0];
  settings_.BaseZ = histories_.Z[0];
}

}  // namespace kv
