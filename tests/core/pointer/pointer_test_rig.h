#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "core/link/acc_history.h"
#include "core/link/controller_output.h"
#include "core/link/wiimote.h"
#include "core/pointer/pointer_control.h"
#include "core/settings/settings.h"
#include "platform/sim/fake_clock.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_timer.h"

namespace kv::test {

class RecordingOutput final : public ControllerOutput {
 public:
  void SetLedRumble(uint8_t value) override { Sent.push_back(value); }
  std::vector<uint8_t> Sent;
};

// The settings a start without config.ini gives.
inline TKestrovaneSetting DefaultPointerSettings() {
  TKestrovaneSetting s;
  s.CursorMode = "Motion";
  s.SensorThreshold = 2;
  s.OnPush = "Slower";
  s.BaseX = 128;
  s.BaseY = 128;
  s.BaseZ = 160;
  s.RumbleOnEdge = true;
  s.SpeedFast = 5;
  s.SpeedSlow = 3;
  return s;
}

inline const std::vector<sim::DisplayRect> kOneDisplay = {{0, 0, 1920, 1080}};
inline const std::vector<sim::DisplayRect> kSideBySide = {{0, 0, 1920, 1080},
                                                          {1920, 0, 1920, 1080}};
inline const std::vector<sim::DisplayRect> kLeftOfPrimary = {{0, 0, 1920, 1080},
                                                             {-1920, 0, 1920, 1080}};

// A pointer control wired to sim ports.
struct PointerRig {
  explicit PointerRig(std::vector<sim::DisplayRect> displays = kOneDisplay)
      : desktop(std::move(displays)) {}

  // Newest accelerometer samples this many counts from the rest values.
  void Tilt(int32_t dx, int32_t dy) {
    acc.X.Push(settings.BaseX + dx);
    acc.Y.Push(settings.BaseY + dy);
  }

  // One pointer tick from `start`; returns how far the cursor went.
  Point TickFrom(Point start) {
    desktop.PlaceCursor(start);
    pointer.MotionTimerTimer();
    return {desktop.Cursor().X - start.X, desktop.Cursor().Y - start.Y};
  }

  void Hold(int slot, const char* action) {
    wiimote.ButtonAssign[slot].ActionType = action;
    wiimote.ButtonState[slot].Pressed = true;
  }

  // One cursor-step tick; returns the cursor's movement.
  Point StepTick() {
    const Point before = desktop.Cursor();
    pointer.CursorTimerTimer();
    return {desktop.Cursor().X - before.X, desktop.Cursor().Y - before.Y};
  }

  TKestrovaneSetting settings = DefaultPointerSettings();
  TWiimote wiimote;
  AccHistories acc;
  sim::FakeClock clock{1000};
  sim::SimDesktop desktop;
  RecordingOutput output;
  sim::SimTimer motionTimer;
  PointerControl pointer{settings, wiimote, acc, clock, desktop, output, motionTimer};
};

}  // namespace kv::test
