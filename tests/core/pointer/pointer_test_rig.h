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

// Everything a pointer control reads and drives besides the desktop, with the settings of a
// start without config.ini.
struct PointerInputs {
  PointerInputs() {
    settings.CursorMode = "Motion";
    settings.OnPush = "Slower";
    settings.BaseX = settings.BaseY = 128;
    settings.BaseZ = 160;
    settings.RumbleOnEdge = true;
    settings.SpeedFast = 5;
    settings.SpeedSlow = 3;
  }
  // Newest accelerometer samples this many counts from the rest values.
  void Tilt(int32_t dx, int32_t dy) {
    acc.X.Push(settings.BaseX + dx);
    acc.Y.Push(settings.BaseY + dy);
  }
  void Hold(int slot, const char* action) {
    wiimote.ButtonAssign[slot].ActionType = action;
    wiimote.ButtonState[slot].Pressed = true;
  }

  TKestrovaneSetting settings;
  TWiimote wiimote;
  AccHistories acc;
  sim::FakeClock clock{1000};
  RecordingOutput output;
  sim::SimTimer motionTimer;
};

inline const std::vector<sim::DisplayRect> kOneDisplay = {{0, 0, 1920, 1080}};
inline const std::vector<sim::DisplayRect> kSideBySide = {{0, 0, 1920, 1080},
                                                          {1920, 0, 1920, 1080}};
inline const std::vector<sim::DisplayRect> kLeftOfPrimary = {{0, 0, 1920, 1080},
                                                             {-1920, 0, 1920, 1080}};

// A pointer control on the in-memory desktop.
struct PointerRig : PointerInputs {
  explicit PointerRig(std::vector<sim::DisplayRect> displays = kOneDisplay)
      : desktop(std::move(displays)) {}

  // One pointer tick from `start`; returns how far the cursor went.
  Point TickFrom(Point start) {
    desktop.PlaceCursor(start);
    pointer.MotionTimerTimer();
    return {desktop.Cursor().X - start.X, desktop.Cursor().Y - start.Y};
  }
  // One cursor-step tick; returns how far the cursor went.
  Point StepTick() {
    const Point before = desktop.Cursor();
    pointer.CursorTimerTimer();
    return {desktop.Cursor().X - before.X, desktop.Cursor().Y - before.Y};
  }

  sim::SimDesktop desktop;
  PointerControl pointer{settings, wiimote, acc, clock, desktop, output, motionTimer};
};

}  // namespace kv::test
