#include "core/actions/button_dispatch.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "core/actions/catalogue.h"
#include "core/actions/key_injection.h"
#include "core/link/controller_output.h"
#include "core/mixer/audio_mixer.h"
#include "core/pointer/cursor_switch.h"
#include "core/port/clock.h"
#include "core/port/process_launcher.h"

namespace kv {
namespace {

struct SlotBit {
  int Slot;
  uint16_t Bit;
};

// Edge order of one report: when several buttons change together, their actions run so.
constexpr std::array<SlotBit, kButtonCount> kEdgeOrder = {{
    {kSlotUp, 0x0800},
    {kSlotDown, 0x0400},
    {kSlotRight, 0x0200},
    {kSlotLeft, 0x0100},
    {kSlotHome, 0x0080},
    {kSlotMinus, 0x0010},
    {kSlotPlus, 0x1000},
    {kSlotA, 0x0008},
    {kSlotB, 0x0004},
    {kSlotOne, 0x0002},
    {kSlotTwo, 0x0001},
}};

// Slot order of the repeat tick.
constexpr std::array<int, kButtonCount> kRepeatOrder = {
    kSlotUp,   kSlotDown,  kSlotRight, kSlotLeft, kSlotA,   kSlotB,
    kSlotPlus, kSlotMinus, kSlotHome,  kSlotOne,  kSlotTwo,
};

// Master output line of the mixer: the first destination, addressed as the line itself.
constexpr int kMasterDestination = 0;
constexpr int kLineItself = -1;

constexpr std::string_view kWebForwardKeys = "Alt+Right";
constexpr std::string_view kWebBackwardKeys = "Alt+Left";

}  // namespace

ButtonDispatch::ButtonDispatch(TWiimote& wiimote, Clock& clock, InputInjector& injector,
                               KeyNames& keyNames, ProcessLauncher& launcher, TAudioMixer& mixer,
                               CursorSwitch& cursor, ControllerOutput& output)
    : wiimote_(wiimote),
      clock_(clock),
      injector_(injector),
      keyNames_(keyNames),
      launcher_(launcher),
      mixer_(mixer),
      cursor_(cursor),
      output_(output) {}

void ButtonDispatch::HandleButtonWord(uint16_t word) {
  for (const SlotBit& button : kEdgeOrder) {
    DispatchButtonEdge(button.Slot, (word & button.Bit) != 0 ? EdgeKind::Press : EdgeKind::Release);
  }
}

void ButtonDispatch::DispatchButtonEdge(int slot, EdgeKind kind) {
  if (slot < 0 || slot >= kButtonCount) return;
  TButtonState& state = wiimote_.ButtonState[slot];
  const bool press = kind == EdgeKind::Press;
  if (press != state.Pressed) {
    PerformAction(wiimote_.ButtonAssign[slot], kind, state, false);
  }
  // The action saw the state as it was before this event.
  state.Pressed = press;
}

void ButtonDispatch::PerformAction(const TButtonAssign& assign, EdgeKind kind, TButtonState& state,
                                   bool repeat) {
  const bool press = kind == EdgeKind::Press;
  if (press && !repeat) state.PressTime = clock_.NowMs();
  const std::string_view action = assign.ActionType;

  if (action == kActionKeys) {
    if (press) SendKeyCombination(assign.ActionValue, injector_, keyNames_);
  } else if (action == kActionCursorOnOff) {
    press ? CursorOnOffPress() : CursorOnOffRelease();
  } else if (action == kActionCursorOn) {
    press ? cursor_.CursorOn() : cursor_.CursorOff();
  } else if (action == kActionLeftClick) {
    Click(MouseButton::Left, kind);
  } else if (action == kActionLeftDoubleClick) {
    if (press) DoubleClick(MouseButton::Left);
  } else if (action == kActionRightClick) {
    Click(MouseButton::Right, kind);
  } else if (action == kActionRightDoubleClick) {
    if (press) DoubleClick(MouseButton::Right);
  } else if (action == kActionMiddleClick) {
    Click(MouseButton::Middle, kind);
  } else if (action == kActionMiddleDoubleClick) {
    if (press) DoubleClick(MouseButton::Middle);
  } else if (action == kActionWheelUp) {
    if (press) injector_.MouseWheel(kWheelNotch);
  } else if (action == kActionWheelDown) {
    if (press) injector_.MouseWheel(-kWheelNotch);
  } else if (action == kActionWebForward) {
    if (press) SendKeyCombination(kWebForwardKeys, injector_, keyNames_);
  } else if (action == kActionWebBackward) {
    if (press) SendKeyCombination(kWebBackwardKeys, injector_, keyNames_);
  } else if (action == kActionVolumeUp) {
    if (press) StepVolume(VolumeStep);
  } else if (action == kActionVolumeDown) {
    if (press) StepVolume(-VolumeStep);
  } else if (action == kActionMute) {
    if (press) ToggleMute();
  } else if (action == kActionExecute) {
    // A command line that starts nothing is not reported.
    if (press) launcher_.Start(assign.ActionValue);
  }
  // The cursor-step actions act from the cursor timer while the button is held; any other
  // text names no action.
}

void ButtonDispatch::RepeatTimerTimer() {
  const uint32_t now = clock_.NowMs();
  for (const int slot : kRepeatOrder) {
    const TButtonState& state = wiimote_.ButtonState[slot];
    if (!state.Pressed || now - state.PressTime <= kRepeatDelayMs) continue;
    const TButtonAssign& assign = wiimote_.ButtonAssign[slot];
    if (!IsRepeatAction(assign.ActionType)) continue;
    // A scratch state keeps the button's own press time at the real press.
    TButtonState scratch;
    PerformAction(assign, EdgeKind::Press, scratch, true);
  }
}

void ButtonDispatch::CursorOnOffPress() {
  cursor_.SetSpeedButtonHeld(true);
  cursor_.CursorOn();
  cursorToggleTime_ = clock_.NowMs();
}

// A short click toggles: it switches the cursor off again if it was on before the press. A
// short click that found it off leaves it on and re-sends the cursor-on LEDs.
void ButtonDispatch::CursorOnOffRelease() {
  cursor_.SetSpeedButtonHeld(false);
  if (clock_.NowMs() - cursorToggleTime_ >= kCursorToggleClickMs) return;
  if (cursor_.CursorWasOn()) {
    cursor_.CursorOff();
  } else {
    output_.SetLedRumble(kLedsCursorOn);
  }
}

// A single click follows the button, so holding it drags.
void ButtonDispatch::Click(MouseButton button, EdgeKind kind) {
  injector_.MouseButtonEvent(button, kind == EdgeKind::Press);
}

void ButtonDispatch::DoubleClick(MouseButton button) {
  for (int i = 0; i < 2; ++i) {
    injector_.MouseButtonEvent(button, true);
    injector_.MouseButtonEvent(button, false);
  }
}

namespace {

// A volume one step up or down. Above the normal level (a device that amplifies) a step up has
// nowhere to go and leaves the level as it is rather than pull it down to the top of the scale;
// a step down moves from wherever the level is.
int32_t SteppedVolume(int32_t volume, int32_t step) {
  const int64_t top = std::max<int64_t>(volume, kMaxLineVolume);
  return static_cast<int32_t>(std::clamp<int64_t>(int64_t{volume} + step, 0, top));
}

}  // namespace

// Steps every channel separately, so their balance holds until one reaches a bound. A control
// the line lacks (or that could not be read) is left alone.
void ButtonDispatch::StepVolume(int32_t step) {
  TLineVolume volume = mixer_.ReadLineVolume(kMasterDestination, kLineItself);
  if (!volume.Success) return;
  for (int32_t& channel : volume.Channels) channel = SteppedVolume(channel, step);
  const int32_t mute = volume.Mute == -1 ? -1 : (volume.Mute != 0 ? 1 : 0);
  mixer_.WriteLineChannels(kMasterDestination, kLineItself, volume.Channels, mute);
}

// Changes the mute and nothing else: writing the volume back could only disturb it (a device
// whose scale does not map one to one, channels beyond the first two).
void ButtonDispatch::ToggleMute() {
  const TLineVolume volume = mixer_.ReadLineVolume(kMasterDestination, kLineItself);
  if (!volume.Success || volume.Mute == -1) return;
  mixer_.WriteLineVolume(kMasterDestination, kLineItself, -1, -1, volume.Mute == 0 ? 1 : 0);
}

}  // namespace kv
