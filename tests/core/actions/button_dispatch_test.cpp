#include "core/actions/button_dispatch.h"

#include <gtest/gtest.h>

#include <cctype>
#include <memory>
#include <string>
#include <vector>

#include "core/actions/key_injection.h"
#include "core/link/controller_output.h"
#include "core/mixer/audio_mixer.h"
#include "core/pointer/cursor_switch.h"
#include "platform/sim/fake_clock.h"
#include "platform/sim/recording_input_injector.h"
#include "platform/sim/recording_process_launcher.h"
#include "platform/sim/sim_mixer_api.h"
#include "platform/sim/us_key_names.h"

namespace kv {
namespace {

using sim::InjectedEvent;
using Events = std::vector<InjectedEvent>;

constexpr uint16_t kBitUp = 0x0800;
constexpr uint16_t kBitRight = 0x0200;
constexpr uint16_t kBitHome = 0x0080;
constexpr uint16_t kBitMinus = 0x0010;
constexpr uint16_t kBitPlus = 0x1000;
constexpr uint16_t kBitA = 0x0008;
constexpr uint16_t kBitB = 0x0004;
constexpr uint16_t kAllButtons = 0x1F9F;

// Pointer control and controller output as dispatch sees them, with one shared call log. The
// cursor keeps the on/was-on rule of the real pointer control.
class FakeCursor final : public CursorSwitch, public ControllerOutput {
 public:
  void CursorOn() override {
    wasOn_ = on_;
    on_ = true;
    Log.push_back("on");
  }
  void CursorOff() override {
    wasOn_ = false;
    on_ = false;
    Log.push_back("off");
  }
  bool CursorWasOn() const override { return wasOn_; }
  void SetSpeedButtonHeld(bool held) override {
    SpeedHeld = held;
    Log.push_back(held ? "speed held" : "speed free");
  }
  void SetLedRumble(uint8_t value) override { Log.push_back("led " + std::to_string(value)); }

  bool On() const { return on_; }
  std::vector<std::string> Log;
  bool SpeedHeld = false;

 private:
  bool on_ = false;
  bool wasOn_ = false;
};

class ButtonDispatchTest : public ::testing::Test {
 protected:
  // Builds the mixer (which opens its device at creation) and the dispatch.
  ButtonDispatch& Dispatch() {
    if (!dispatch_) {
      mixer_ = std::make_unique<TAudioMixer>(mixerApi);
      dispatch_ = std::make_unique<ButtonDispatch>(wiimote, clock, injector, keyNames, launcher,
                                                   *mixer_, cursor, cursor);
    }
    return *dispatch_;
  }
  void Assign(int slot, std::string_view type, std::string_view value = "") {
    wiimote.ButtonAssign[slot] = {std::string(type), std::string(value)};
  }
  void Report(uint16_t word) { Dispatch().HandleButtonWord(word); }
  // Repeat ticks every 20 ms up to `ms` from now.
  void TickFor(uint32_t ms) {
    for (uint32_t t = 20; t <= ms; t += 20) {
      clock.Advance(20);
      Dispatch().RepeatTimerTimer();
    }
  }
  std::vector<uint32_t> Volume(uint32_t controlId) {
    return mixerApi.FindControl(controlId)->Values;
  }

  TWiimote wiimote;
  sim::FakeClock clock{5000};
  sim::RecordingInputInjector injector;
  sim::UsKeyNames keyNames;
  sim::RecordingProcessLauncher launcher;
  sim::SimMixerApi mixerApi;
  FakeCursor cursor;

 private:
  std::unique_ptr<TAudioMixer> mixer_;
  std::unique_ptr<ButtonDispatch> dispatch_;
};

Events Tap(uint8_t vk) { return {InjectedEvent::KeyDown(vk), InjectedEvent::KeyUp(vk)}; }

Events AltTap(uint8_t vk) {
  return {InjectedEvent::KeyDown(kVkMenu), InjectedEvent::KeyDown(vk), InjectedEvent::KeyUp(vk),
          InjectedEvent::KeyUp(kVkMenu)};
}

Events DoubleClick(MouseButton b) {
  return {InjectedEvent::ButtonDown(b), InjectedEvent::ButtonUp(b), InjectedEvent::ButtonDown(b),
          InjectedEvent::ButtonUp(b)};
}

Events operator+(Events a, const Events& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

struct ActionCase {
  std::string Type;
  std::string Value;
  Events OnPress;
  Events OnRelease;
};

class ActionEventsTest : public ButtonDispatchTest,
                         public ::testing::WithParamInterface<ActionCase> {};

TEST_P(ActionEventsTest, PressAndReleaseInjectTheActionsEvents) {
  const ActionCase& c = GetParam();
  Assign(kSlotA, c.Type, c.Value);
  Report(kBitA);
  EXPECT_EQ(injector.Events, c.OnPress) << c.Type << " press";
  injector.Events.clear();
  Report(0);
  EXPECT_EQ(injector.Events, c.OnRelease) << c.Type << " release";
  EXPECT_TRUE(launcher.Started.empty());
  EXPECT_TRUE(cursor.Log.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Catalogue, ActionEventsTest,
    ::testing::Values(
        ActionCase{"Keys",
                   "Ctrl+C",
                   Events{InjectedEvent::KeyDown(kVkControl)} + Tap('C') +
                       Events{InjectedEvent::KeyUp(kVkControl)},
                   {}},
        ActionCase{"Keys",
                   "Win+D",
                   Events{InjectedEvent::KeyDown(kVkLeftWindows)} + Tap('D') +
                       Events{InjectedEvent::KeyUp(kVkLeftWindows)},
                   {}},
        ActionCase{"Mouse->Left Click",
                   "",
                   {InjectedEvent::ButtonDown(MouseButton::Left)},
                   {InjectedEvent::ButtonUp(MouseButton::Left)}},
        ActionCase{"Mouse->Right Click",
                   "",
                   {InjectedEvent::ButtonDown(MouseButton::Right)},
                   {InjectedEvent::ButtonUp(MouseButton::Right)}},
        ActionCase{"Mouse->Middle Click",
                   "",
                   {InjectedEvent::ButtonDown(MouseButton::Middle)},
                   {InjectedEvent::ButtonUp(MouseButton::Middle)}},
        ActionCase{"Mouse->Left Double Click", "", DoubleClick(MouseButton::Left), {}},
        ActionCase{"Mouse->Right Double Click", "", DoubleClick(MouseButton::Right), {}},
        ActionCase{"Mouse->Middle Double Click", "", DoubleClick(MouseButton::Middle), {}},
        ActionCase{"Mouse->Wheel Up", "", {InjectedEvent::Wheel(120)}, {}},
        ActionCase{"Mouse->Wheel Down", "", {InjectedEvent::Wheel(-120)}, {}},
        ActionCase{"Web->Forward", "", AltTap(0x27), {}},
        ActionCase{"Web->Backward", "", AltTap(0x25), {}},
        // The value of actions other than "Keys" is ignored.
        ActionCase{"Web->Forward", "Ctrl+X", AltTap(0x27), {}},
        // Cursor steps act from the cursor timer, not here.
        ActionCase{"Mouse->Cursor Up", "", {}, {}}, ActionCase{"Mouse->Cursor Down", "", {}, {}},
        ActionCase{"Mouse->Cursor Right", "", {}, {}}, ActionCase{"Mouse->Cursor Left", "", {}, {}},
        // Names are compared exactly: list texts, other case and unknown texts do nothing.
        ActionCase{"Mouse -> Left Click", "", {}, {}}, ActionCase{"keys", "Enter", {}, {}},
        ActionCase{"", "Enter", {}, {}}));

TEST_F(ButtonDispatchTest, ButtonsOfOneReportActInDispatchOrder) {
  const char* keys[kButtonCount] = {"A", "B", "C", "D", "E", "F", "G", "H", "I", "J", "K"};
  for (int slot = 0; slot < kButtonCount; ++slot) Assign(slot, "Keys", keys[slot]);
  Report(kAllButtons | 0x6060);  // the unused bits change nothing
  // Up, Down, Right, Left, Home, Minus, Plus, A, B, 1, 2 by their slots' letters.
  Events expected;
  for (char c : std::string("ABCDGIHEFJK")) expected = expected + Tap(static_cast<uint8_t>(c));
  EXPECT_EQ(injector.Events, expected);
}

TEST_F(ButtonDispatchTest, HomeActsBeforeMinusInTheSameReport) {
  Assign(kSlotHome, "Keys", "BkSp");
  Assign(kSlotMinus, "Mouse->Right Click");
  Report(kBitHome | kBitMinus);
  EXPECT_EQ(injector.Events, Tap(0x08) + Events{InjectedEvent::ButtonDown(MouseButton::Right)});
}

TEST_F(ButtonDispatchTest, RepeatedReportHasNoEdge) {
  Assign(kSlotA, "Mouse->Left Click");
  Assign(kSlotUp, "Keys", "Up");
  Report(kBitA | kBitUp);
  Report(kBitA | kBitUp);
  EXPECT_EQ(injector.Events.size(), 3u);
  Report(0);
  Report(0);
  EXPECT_EQ(injector.Events.size(), 4u);
}

TEST_F(ButtonDispatchTest, PressRecordsStateAndTimeForEveryAssignment) {
  Assign(kSlotB, "No Such Action");
  Report(kBitB);
  EXPECT_TRUE(wiimote.ButtonState[kSlotB].Pressed);
  EXPECT_EQ(wiimote.ButtonState[kSlotB].PressTime, 5000u);
  clock.Advance(70);
  Report(0);
  EXPECT_FALSE(wiimote.ButtonState[kSlotB].Pressed);
  EXPECT_EQ(wiimote.ButtonState[kSlotB].PressTime, 5000u);  // releases keep the press time
  EXPECT_TRUE(injector.Events.empty());
}

TEST_F(ButtonDispatchTest, HeldClickDragsAcrossOtherButtonsReports) {
  Assign(kSlotA, "Mouse->Left Click");
  Assign(kSlotRight, "Keys", "Right");
  Report(kBitA);
  Report(kBitA | kBitRight);
  Report(kBitA);
  TickFor(2000);  // a click never repeats
  Report(0);
  EXPECT_EQ(injector.Events, Events{InjectedEvent::ButtonDown(MouseButton::Left)} + Tap(0x27) +
                                 Events{InjectedEvent::ButtonUp(MouseButton::Left)});
}

TEST_F(ButtonDispatchTest, ReleaseAllLetsHeldButtonsGo) {
  Assign(kSlotA, "Mouse->Left Click");
  Assign(kSlotB, "Cursor ON");
  Assign(kSlotUp, "Keys", "Up");
  Report(kBitA | kBitB | kBitUp);
  injector.Events.clear();
  Dispatch().ReleaseAll();
  EXPECT_EQ(injector.Events, Events{InjectedEvent::ButtonUp(MouseButton::Left)});
  EXPECT_FALSE(cursor.On());
  for (const TButtonState& state : wiimote.ButtonState) EXPECT_FALSE(state.Pressed);
  TickFor(2000);
  EXPECT_EQ(injector.Events.size(), 1u);  // nothing left to repeat
}

TEST_F(ButtonDispatchTest, ExecuteStartsTheCommandLineAtThePress) {
  Assign(kSlotOne, "Execute", "/usr/bin/xterm -e top");
  launcher.Result = false;  // a failed start is not reported
  Report(0x0002);
  Report(0);
  TickFor(1000);  // and never repeats
  EXPECT_EQ(launcher.Started, std::vector<std::string>{"/usr/bin/xterm -e top"});
}

// --- Cursor actions

TEST_F(ButtonDispatchTest, CursorOnFollowsTheButton) {
  Assign(kSlotB, "Cursor ON");
  Report(kBitB);
  EXPECT_TRUE(cursor.On());
  Report(kBitB);
  clock.Advance(2000);
  Report(0);
  EXPECT_FALSE(cursor.On());
  EXPECT_EQ(cursor.Log, (std::vector<std::string>{"on", "off"}));
}

TEST_F(ButtonDispatchTest, CursorOnOffShortClicksToggle) {
  Assign(kSlotB, "Cursor ON/OFF");
  Report(kBitB);
  EXPECT_TRUE(cursor.SpeedHeld);
  clock.Advance(100);
  Report(0);
  EXPECT_TRUE(cursor.On());  // the first click switched it on and leaves it on
  EXPECT_EQ(cursor.Log, (std::vector<std::string>{"speed held", "on", "speed free", "led 144"}));
  EXPECT_EQ(Dispatch().CursorToggleTime(), 5000u);

  cursor.Log.clear();
  clock.Advance(500);
  Report(kBitB);
  clock.Advance(299);
  Report(0);
  EXPECT_FALSE(cursor.On());
  EXPECT_EQ(cursor.Log, (std::vector<std::string>{"speed held", "on", "speed free", "off"}));
}

TEST_F(ButtonDispatchTest, CursorOnOffHeldLeavesTheCursorOn) {
  Assign(kSlotB, "Cursor ON/OFF");
  for (bool wasOn : {false, true}) {
    Report(kBitB);
    clock.Advance(wasOn ? 300 : 1000);  // 300 ms is no longer a click
    cursor.Log.clear();
    Report(0);
    EXPECT_TRUE(cursor.On());
    EXPECT_FALSE(cursor.SpeedHeld);
    EXPECT_EQ(cursor.Log, std::vector<std::string>{"speed free"});
  }
}

TEST_F(ButtonDispatchTest, CursorOnOffClickAcrossClockWrap) {
  Assign(kSlotB, "Cursor ON/OFF");
  clock.Set(0xFFFFFF80u);
  Report(kBitB);
  clock.Advance(0x100);  // 256 ms later, after the counter wrapped
  Report(0);
  EXPECT_EQ(cursor.Log.back(), "led 144");
}

// --- Auto-repeat

TEST_F(ButtonDispatchTest, HeldKeysRepeatOnEveryTickAfter800Ms) {
  Assign(kSlotUp, "Keys", "Up");
  Report(kBitUp);
  EXPECT_EQ(injector.Events, Tap(0x26));
  TickFor(800);  // ticks at 20..800 ms: none is more than 800 ms after the press
  EXPECT_EQ(injector.Events.size(), 2u);
  TickFor(20);  // 820 ms
  EXPECT_EQ(injector.Events, Tap(0x26) + Tap(0x26));
  TickFor(180);  // up to one second: 9 more ticks
  EXPECT_EQ(injector.Events.size(), 2u * 11);
  EXPECT_EQ(wiimote.ButtonState[kSlotUp].PressTime, 5000u);  // repeats keep the press time
  Report(0);
  TickFor(100);
  EXPECT_EQ(injector.Events.size(), 2u * 11);
}

TEST_F(ButtonDispatchTest, RepeatDelayCountsAcrossClockWrap) {
  Assign(kSlotUp, "Keys", "Up");
  clock.Set(0xFFFFFF00u);
  Report(kBitUp);
  clock.Advance(800);
  Dispatch().RepeatTimerTimer();
  EXPECT_EQ(injector.Events.size(), 2u);
  clock.Advance(1);
  Dispatch().RepeatTimerTimer();
  EXPECT_EQ(injector.Events.size(), 4u);
}

TEST_F(ButtonDispatchTest, OnlyRepeatableActionsRepeat) {
  Assign(kSlotUp, "Mouse->Wheel Down");
  Assign(kSlotRight, "Web->Backward");
  Assign(kSlotA, "Mouse->Right Double Click");
  Assign(kSlotB, "Cursor ON");
  Assign(kSlotHome, "Execute", "prog");
  Report(kBitUp | kBitRight | kBitA | kBitB | kBitHome);
  injector.Events.clear();
  clock.Advance(801);
  Dispatch().RepeatTimerTimer();
  EXPECT_EQ(injector.Events, Events{InjectedEvent::Wheel(-120)} + AltTap(0x25));
  EXPECT_EQ(launcher.Started.size(), 1u);
  EXPECT_EQ(cursor.Log, std::vector<std::string>{"on"});
}

TEST_F(ButtonDispatchTest, RepeatTickRunsInItsOwnSlotOrder) {
  Assign(kSlotHome, "Keys", "H");
  Assign(kSlotMinus, "Keys", "M");
  Assign(kSlotPlus, "Keys", "P");
  Assign(kSlotA, "Keys", "A");
  Report(kBitHome | kBitMinus | kBitPlus | kBitA);
  EXPECT_EQ(injector.Events, Tap('H') + Tap('M') + Tap('P') + Tap('A'));
  injector.Events.clear();
  clock.Advance(801);
  Dispatch().RepeatTimerTimer();
  EXPECT_EQ(injector.Events, Tap('A') + Tap('P') + Tap('M') + Tap('H'));
}

// --- Volume

struct VolumeCase {
  const char* Name;
  sim::SimMixerDevice Device;
  const char* Action;
  uint32_t VolumeControl;
  std::vector<uint32_t> Expected;  // the volume control's values afterwards
};

class VolumeStepTest : public ButtonDispatchTest,
                       public ::testing::WithParamInterface<VolumeCase> {};

TEST_P(VolumeStepTest, StepsEachChannelWithinBounds) {
  const VolumeCase& c = GetParam();
  mixerApi.Devices = {c.Device};
  Assign(kSlotPlus, c.Action);
  Report(kBitPlus);
  EXPECT_EQ(Volume(c.VolumeControl), c.Expected) << c.Name;
}

INSTANTIATE_TEST_SUITE_P(
    Trees, VolumeStepTest,
    ::testing::Values(
        VolumeCase{
            "stereo up", sim::SimStereoDevice(30000, 20000), "Mixer->Volume Up", 1, {32048, 22048}},
        VolumeCase{"stereo down",
                   sim::SimStereoDevice(30000, 20000),
                   "Mixer->Volume Down",
                   1,
                   {27952, 17952}},
        VolumeCase{"up to the top",
                   sim::SimStereoDevice(64000, 65535),
                   "Mixer->Volume Up",
                   1,
                   {65535, 65535}},
        VolumeCase{
            "down to zero", sim::SimStereoDevice(1000, 2048), "Mixer->Volume Down", 1, {0, 0}},
        VolumeCase{"one side at the bound",
                   sim::SimStereoDevice(64000, 20000),
                   "Mixer->Volume Up",
                   1,
                   {65535, 22048}},
        VolumeCase{"mono", sim::SimMonoDevice(10000), "Mixer->Volume Up", 1, {12048}},
        VolumeCase{"uniform", sim::SimUniformDevice(10000), "Mixer->Volume Down", 1, {7952}},
        VolumeCase{
            "disabled", sim::SimDisabledDevice(100, 200), "Mixer->Volume Up", 1, {2148, 2248}},
        VolumeCase{
            "first of two", sim::SimTwoVolumeDevice(100, 200), "Mixer->Volume Up", 1, {2148, 2248}},
        VolumeCase{"second untouched",
                   sim::SimTwoVolumeDevice(100, 200),
                   "Mixer->Volume Up",
                   3,
                   {1000, 1000}},
        VolumeCase{"failing first line",
                   sim::SimFailingFirstLineDevice(100, 200),
                   "Mixer->Volume Up",
                   11,
                   {2148, 2248}}),
    [](const auto& info) {
      std::string name = info.param.Name;
      for (char& ch : name) ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
      return name;
    });

TEST_F(ButtonDispatchTest, VolumeStepsKeepTheMuteState) {
  mixerApi.Devices = {sim::SimStereoDevice(30000, 30000, 1)};
  Assign(kSlotPlus, "Mixer->Volume Up");
  Assign(kSlotMinus, "Mixer->Volume Down");
  Report(kBitPlus);
  Report(0);
  Report(kBitMinus);
  Report(kBitMinus | kBitPlus);
  EXPECT_EQ(Volume(2), std::vector<uint32_t>{1});
  EXPECT_EQ(Volume(1), (std::vector<uint32_t>{32048, 32048}));
  for (const auto& write : mixerApi.Writes) {
    if (write.ControlId == 2) {
      EXPECT_EQ(write.Values, std::vector<uint32_t>{1});
    }
  }
}

TEST_F(ButtonDispatchTest, MuteTogglesAndTogglesBack) {
  mixerApi.Devices = {sim::SimStereoDevice(30000, 20000, 0)};
  Assign(kSlotMinus, "Mixer->Mute");
  Report(kBitMinus);
  EXPECT_EQ(Volume(2), std::vector<uint32_t>{1});
  TickFor(1000);  // mute does not repeat
  Report(0);
  Report(kBitMinus);
  EXPECT_EQ(Volume(2), std::vector<uint32_t>{0});
  EXPECT_EQ(Volume(1), (std::vector<uint32_t>{30000, 20000}));
}

TEST_F(ButtonDispatchTest, HeldVolumeUpRepeats) {
  mixerApi.Devices = {sim::SimMonoDevice(0)};
  Assign(kSlotPlus, "Mixer->Volume Up");
  Report(kBitPlus);
  TickFor(860);  // repeats at 820, 840 and 860 ms
  EXPECT_EQ(Volume(1), std::vector<uint32_t>{4 * 2048});
}

TEST_F(ButtonDispatchTest, VolumeActionsWithoutDeviceDoNothing) {
  Assign(kSlotPlus, "Mixer->Volume Up");
  Assign(kSlotMinus, "Mixer->Mute");
  Report(kBitPlus | kBitMinus);
  EXPECT_TRUE(mixerApi.Writes.empty());
  EXPECT_TRUE(mixerApi.Opens.empty());
}

TEST_F(ButtonDispatchTest, MissingControlsAreLeftAlone) {
  // A line whose volume control cannot be read and which has no mute: nothing is written.
  sim::SimMixerDevice device = sim::SimStereoDevice(30000, 30000);
  device.Destinations[0].Controls[0].FailRead = true;
  device.Destinations[0].Controls.pop_back();
  mixerApi.Devices = {device};
  Assign(kSlotPlus, "Mixer->Volume Up");
  Assign(kSlotMinus, "Mixer->Mute");
  Report(kBitPlus | kBitMinus);
  EXPECT_TRUE(mixerApi.Writes.empty());
}

}  // namespace
}  // namespace kv
