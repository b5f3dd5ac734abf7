#include "core/mainform/main_form_timers.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "core/link/caption_text.h"
#include "core/mainform/main_form_logic.h"
#include "core/pointer/pointer_control.h"
#include "core/ui/timer_periods.h"

namespace kv {

TMainFormTimers::TMainFormTimers(TMainFormLogic& logic, Clock& clock,
                                 const MainFormWakeTimers& wake, TickSchedule schedule,
                                 std::function<void()> drawTimerTimer,
                                 std::function<bool()> displayShown)
    : logic_(logic),
      schedule_(schedule),
      draw_(std::move(drawTimerTimer)),
      displayShown_(std::move(displayShown)),
      drawTimer_(
          clock, wake.Draw, EffectiveTimerPeriod(kDrawTimerMs), schedule,
          [this] { DrawTimerTimer(); }, [this] { return displayStale_ && DisplayShown(); }),
      repeatTimer_(
          clock, wake.Repeat, EffectiveTimerPeriod(kRepeatTimerMs), schedule,
          [this] { logic_.RepeatTimerTimer(); }, [this] { return AnyButtonHeld(); }),
      cursorTimer_(
          clock, wake.Cursor, EffectiveTimerPeriod(kCursorTimerMs), schedule,
          [this] { logic_.CursorTimerTimer(); }, [this] { return CursorTickCanAct(); }),
      batteryTimer_(
          clock, wake.Battery, EffectiveTimerPeriod(kBatteryTimerMs), schedule,
          [this] { logic_.BatteryTimerTimer(); }, [this] { return BatteryTickCanAct(); }) {
  logic_.SetOnStateChange([this] { DisplayChanged(); });
}

TMainFormTimers::~TMainFormTimers() { logic_.SetOnStateChange(nullptr); }

void TMainFormTimers::Start() {
  drawTimer_.Start();
  repeatTimer_.Start();
  cursorTimer_.Start();
  batteryTimer_.Start();
}

void TMainFormTimers::Stop() {
  drawTimer_.Stop();
  repeatTimer_.Stop();
  cursorTimer_.Stop();
  batteryTimer_.Stop();
}

void TMainFormTimers::Refresh() {
  drawTimer_.Refresh();
  repeatTimer_.Refresh();
  cursorTimer_.Refresh();
  batteryTimer_.Refresh();
}

void TMainFormTimers::DisplayChanged() {
  displayStale_ = true;
  Refresh();
}

void TMainFormTimers::DrawIfStale() {
  if (drawTimer_.Running() && displayStale_) DrawTimerTimer();
}

bool TMainFormTimers::DisplayShown() const { return !displayShown_ || displayShown_(); }

// A hidden display is not drawn (lazy): it stays stale and is drawn when it is shown again.
void TMainFormTimers::DrawTimerTimer() {
  if (schedule_ == TickSchedule::Lazy && !DisplayShown()) return;
  displayStale_ = false;
  if (draw_) draw_();
}

bool TMainFormTimers::AnyButtonHeld() const {
  const auto& states = logic_.WiimoteState().ButtonState;
  return std::any_of(std::begin(states), std::end(states),
                     [](const TButtonState& state) { return state.Pressed; });
}

bool TMainFormTimers::CursorTickCanAct() const {
  PointerControl& pointer = logic_.Pointer();
  return AnyButtonHeld() || pointer.StepVelocityX() != 0 || pointer.StepVelocityY() != 0;
}

// Without a controller each tick only writes "Device not found" into the caption; once it stands
// there, further ticks change nothing until something else is written (a device change).
bool TMainFormTimers::BatteryTickCanAct() const {
  return logic_.WiimoteDevice() != nullptr || logic_.Caption() != kCaptionDeviceNotFound;
}

}  // namespace kv
