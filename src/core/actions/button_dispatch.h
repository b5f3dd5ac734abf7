#pragma once

#include <cstdint>

#include "core/actions/assign.h"
#include "core/link/button_word_handler.h"
#include "core/link/wiimote.h"
#include "core/port/input_injector.h"

namespace kv {

class Clock;
class ControllerOutput;
class CursorSwitch;
class KeyNames;
class ProcessLauncher;
class TAudioMixer;

// A held repeatable action repeats on the first repeat tick more than this long after the press.
inline constexpr uint32_t kRepeatDelayMs = 800;
// A "Cursor ON/OFF" release this soon after its press is a click that toggles the cursor.
inline constexpr uint32_t kCursorToggleClickMs = 300;
// One master-volume step, per channel, on the 0..65535 scale.
inline constexpr int32_t VolumeStep = 2048;
inline constexpr int32_t kMaxLineVolume = 65535;
// Wheel delta of one notch.
inline constexpr int32_t kWheelNotch = 120;

// Turns button presses and releases into the assigned actions, and repeats held repeatable
// actions from the repeat timer.
class ButtonDispatch final : public ButtonWordHandler {
 public:
  enum class EdgeKind { Press, Release };

  ButtonDispatch(TWiimote& wiimote, Clock& clock, InputInjector& injector, KeyNames& keyNames,
                 ProcessLauncher& launcher, TAudioMixer& mixer, CursorSwitch& cursor,
                 ControllerOutput& output);

  // Dispatches the edges of all eleven buttons for one input report's button word.
  void HandleButtonWord(uint16_t word) override;

  // Performs the slot's action if `kind` is an edge for it, then records the button's state.
  void DispatchButtonEdge(int slot, EdgeKind kind);

  // Performs one assignment for a press (or a repeat of one) or a release.
  void PerformAction(const TButtonAssign& assign, EdgeKind kind, TButtonState& state, bool repeat);

  // Tick of the repeat timer: repeats the held repeatable actions.
  void RepeatTimerTimer();

  // Releases every held button as if a report showed all buttons up, so that nothing stays
  // pressed (a mouse button, a repeating key) when the controller goes away.
  void ReleaseAll() { HandleButtonWord(0); }

  uint32_t CursorToggleTime() const { return cursorToggleTime_; }

 private:
  void CursorOnOffPress();
  void CursorOnOffRelease();
  void Click(MouseButton button, EdgeKind kind);
  void DoubleClick(MouseButton button);
  void StepVolume(int32_t step);
  void ToggleMute();

  TWiimote& wiimote_;
  Clock& clock_;
  InputInjector& injector_;
  KeyNames& keyNames_;
  ProcessLauncher& launcher_;
  TAudioMixer& mixer_;
  CursorSwitch& cursor_;
  ControllerOutput& output_;
  uint32_t cursorToggleTime_ = 0;
};

}  // namespace kv
