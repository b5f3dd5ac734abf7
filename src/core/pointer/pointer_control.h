#pragma once

#include <cstdint>

#include "core/link/acc_history.h"
#include "core/link/controller_output.h"
#include "core/link/wiimote.h"
#include "core/pointer/cursor_switch.h"
#include "core/port/clock.h"
#include "core/port/desktop.h"
#include "core/port/timer.h"
#include "core/settings/settings.h"

namespace kv {

// Nearest integer, halves away from zero (2.5 -> 3, -2.5 -> -3). Saturates at the limits of
// int32_t; NaN gives 0.
int32_t RoundHalfAway(double value);

// Where the IR step steers the cursor: the camera midpoint mapped onto the primary display, in
// that display's own pixels (from its top-left corner). The camera's horizontal axis is
// mirrored; the vertical scale is 765 camera rows, so rows below 765 map past the bottom of the
// display.
Point IRTargetOf(int32_t irMidX, int32_t irMidY, Size primary);

// The pointer control of the main window: the pointer tick (tilt or IR pointing, then the edge
// rumble), the cursor on/off switch with its LEDs, calibration of the rest position, and the
// cursor steps of buttons assigned to them. Everything runs on the user-interface thread; the
// ticks allocate nothing.
class PointerControl final : public CursorSwitch {
 public:
  // Longest edge rumble: the first tick at an edge more than this long after the pulse started
  // stops the motor.
  static constexpr uint32_t kRumblePulseMs = 60;
  // Accelerometer counts around the rest value that move nothing.
  static constexpr int32_t kDeadZone = 2;
  // Fastest cursor-step velocity, in steps per tick.
  static constexpr int32_t kMaxStepVelocity = 16;

  PointerControl(TKestrovaneSetting& settings, TWiimote& wiimote, const AccHistories& histories,
                 Clock& clock, Desktop& desktop, ControllerOutput& output, Timer& motionTimer);
  PointerControl(const PointerControl&) = delete;
  PointerControl& operator=(const PointerControl&) = delete;

  // Tick of MotionTimer (runs only while the cursor is on): the motion or IR step, then the
  // edge rumble with the cursor position after the move.
  void MotionTimerTimer();

  // Whether a controller is connected (true until told otherwise). Without one, the samples and
  // IR points are whatever the last controller left behind, and the pointer tick moves nothing;
  // the edge rumble still runs.
  void SetControllerConnected(bool connected) { controllerConnected_ = connected; }

  // One tilt step from the cursor position `cursor`. Returns whether it asked for a move (a step
  // of zero pixels moves nothing).
  bool MotionStep(Point cursor);

  // One IR step: a sixth of the way from `cursor` toward the IR target on the primary display
  // (wherever that display sits on the desktop), truncated toward zero.
  // Returns whether it asked for a move; with the primary display's size unknown it does not.
  bool IRStep(Point cursor);

  // Whether `point` has a neighbour one pixel left, right, below or above that lies on no
  // display: outer borders of the desktop are edges, borders between two displays are not.
  bool IsAtScreenEdge(Point point);

  // Tick of CursorTimer (runs for the whole program): the held cursor-step buttons, in the fixed
  // slot order Up, Down, Right, Left, A, B, Plus, Minus, Home, 1, 2 (a later slot wins on its
  // axis), then StepCursor.
  void CursorTimerTimer();

  // Advances the cursor-step velocities by one tick with the directions `h` (+1 right) and `v`
  // (+1 up), each -1, 0 or +1, and moves the cursor by them.
  void StepCursor(int h, int v);

  // Cursor switch, as the menu and the button actions use it.
  void CursorOn() override;
  void CursorOff() override;
  bool CursorWasOn() const override { return cursorWasOn_; }
  void SetSpeedButtonHeld(bool held) override { speedButtonHeld_ = held; }
  bool SpeedButtonHeld() const { return speedButtonHeld_; }
  // Whether the cursor is on, which is the running state of MotionTimer.
  bool CursorIsOn() const { return motionTimer_.Enabled(); }

  // Menu "Cursor On/OFF": switches to the other state.
  void CursorOnOffButtonClick();
  // Menu "Calibrate Motion Sensor": the newest samples become the rest values in the settings.
  void CalibrateButtonClick();

  // Edge rumble state, for the status display and tests.
  bool AtEdge() const { return atEdge_; }
  bool RumblePulseActive() const { return rumblePulseActive_; }
  uint32_t RumblePulseStart() const { return rumblePulseStart_; }

  // Cursor-step velocities: positive is right and up.
  int32_t StepVelocityX() const { return stepVelocityX_; }
  int32_t StepVelocityY() const { return stepVelocityY_; }

 private:
  void EdgeRumble(Point cursor);
  // Moves the cursor from `from` by (dx, dy) unless that is no move at all; returns whether a
  // move was requested.
  bool MoveCursorBy(Point from, int64_t dx, int64_t dy);

  TKestrovaneSetting& settings_;
  TWiimote& wiimote_;
  const AccHistories& histories_;
  Clock& clock_;
  Desktop& desktop_;
  ControllerOutput& output_;
  Timer& motionTimer_;

  bool controllerConnected_ = true;
  bool cursorWasOn_ = false;
  bool speedButtonHeld_ = false;
  bool atEdge_ = false;
  bool rumblePulseActive_ = false;
  uint32_t rumblePulseStart_ = 0;
  int32_t stepVelocityX_ = 0;
  int32_t stepVelocityY_ = 0;
};

}  // namespace kv
