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
using Log = std::vector<std::string>;
using Values = std::vector<uint32_t>;

constexpr uint16_t kBitUp = 0x0800, kBitRight = 0x0200, kBitHome = 0x0080, kBitMinus = 0x0010,
                   kBitPlus = 0x1000, kBitA = 0x0008, kBitB = 0x0004, kAllButtons = 0x1F9F;

// Pointer control and controller output in one call log, with the pointer's on/was-on rule.
class FakeCursor final : public CursorSwitch, public ControllerOutput {
 public:
  void CursorOn() override {
    wasOn_ = on_;
    on_ = true;
    Calls.push_back("on");
  }
  void CursorOff() override {
    wasOn_ = on_ = false;
    Calls.push_back("off");
  }
  bool CursorWasOn() const override { return wasOn_; }
  void SetSpeedButtonHeld(bool held) override { Calls.push_back(held ? "held" : "free"); }
  void SetLedRumble(uint8_t value) override { Calls.push_back("led " + std::to_string(value)); }
  bool On() const { return on_; }
  Log Calls;

 private:
  bool on_ = false, wasOn_ = false;
};

class ButtonDispatchTest : public ::testing::Test {
 protected:
  // The mixer opens its device when created, so tests set up the sim mixer first.
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
  void Click(uint16_t bit) {
    Report(bit);
    Report(0);
  }
  // Repeat ticks every 20 ms for `ms`.
  void TickFor(uint32_t ms) {
    for (uint32_t t = 20; t <= ms; t += 20) {
      clock.Advance(20);
      Dispatch().RepeatTimerTimer();
    }
  }
  Values Control(uint32_t id) { return mixerApi.FindControl(id)->Values; }

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

Events Held(uint8_t modifier, Events inner) {
  inner.insert(inner.begin(), InjectedEvent::KeyDown(modifier));
  inner.push_back(InjectedEvent::KeyUp(modifier));
  return inner;
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
  std::string Type, Value;
  Events OnPress, OnRelease;
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
  EXPECT_TRUE(cursor.Calls.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Catalogue, ActionEventsTest,
    ::testing::Values(
        ActionCase{"Keys", "Ctrl+C", Held(kVkControl, Tap('C')), {}},
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
        // The value of actions other than "Keys" is ignored.
        ActionCase{"Web->Forward", "Ctrl+X", Held(kVkMenu, Tap(0x27)), {}},
        ActionCase{"Web->Backward", "", Held(kVkMenu, Tap(0x25)), {}},
        // Cursor steps act from the cursor timer, not here.
        ActionCase{"Mouse->Cursor Up", "", {}, {}}, ActionCase{"Mouse->Cursor Down", "", {}, {}},
        ActionCase{"Mouse->Cursor Right", "", {}, {}}, ActionCase{"Mouse->Cursor Left", "", {}, {}},
        // Names are compared exactly: list texts, other case and unknown texts do nothing.
        ActionCase{"Mouse -> Left Click", "", {}, {}}, ActionCase{"keys", "Enter", {}, {}}));

TEST_F(ButtonDispatchTest, EdgesAndRepeatsRunInTheirOwnButtonOrders) {
  const std::string letters = "ABCDEFGHIJK";  // slots 0..10
  for (int slot = 0; slot < kButtonCount; ++slot) Assign(slot, "Keys", letters.substr(slot, 1));
  const auto taps = [](std::string order) {
    Events events;
    for (char c : order) events = events + Tap(static_cast<uint8_t>(c));
    return events;
  };
  Report(kAllButtons | 0x6060);  // the unused bits change nothing
  // Up, Down, Right, Left, Home, Minus, Plus, A, B, 1, 2: Home acts before Minus.
  EXPECT_EQ(injector.Events, taps("ABCDGIHEFJK"));
  injector.Events.clear();
  clock.Advance(801);
  Dispatch().RepeatTimerTimer();
  // Up, Down, Right, Left, A, B, Plus, Minus, Home, 1, 2.
  EXPECT_EQ(injector.Events, taps("ABCDEFHIGJK"));
}

TEST_F(ButtonDispatchTest, OnlyChangesAreEdgesAndAHeldClickDrags) {
  Assign(kSlotA, "Mouse->Left Click");
  Assign(kSlotRight, "Keys", "Right");
  Report(kBitA);
  Report(kBitA);  // the same report again
  EXPECT_EQ(wiimote.ButtonState[kSlotA].PressTime, 5000u);
  clock.Advance(100);
  Report(kBitA | kBitRight);
  Report(kBitA);
  TickFor(2000);  // a click never repeats
  Report(0);
  Report(0);
  EXPECT_EQ(injector.Events, Events{InjectedEvent::ButtonDown(MouseButton::Left)} + Tap(0x27) +
                                 Events{InjectedEvent::ButtonUp(MouseButton::Left)});
  EXPECT_FALSE(wiimote.ButtonState[kSlotA].Pressed);
  EXPECT_EQ(wiimote.ButtonState[kSlotA].PressTime, 5000u);  // releases keep the press time
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
  TickFor(2000);
  EXPECT_EQ(injector.Events.size(), 1u);  // nothing left to repeat
}

TEST_F(ButtonDispatchTest, ExecuteStartsTheCommandLineOnceAtThePress) {
  Assign(kSlotOne, "Execute", "/usr/bin/xterm -e top");
  launcher.Result = false;  // a failed start is not reported
  Report(0x0002);
  TickFor(1000);
  Report(0);
  EXPECT_EQ(launcher.Started, Log{"/usr/bin/xterm -e top"});
}

TEST_F(ButtonDispatchTest, CursorOnFollowsTheButton) {
  Assign(kSlotB, "Cursor ON");
  Report(kBitB);
  EXPECT_TRUE(cursor.On());
  clock.Advance(2000);
  Report(0);
  EXPECT_EQ(cursor.Calls, (Log{"on", "off"}));
}

TEST_F(ButtonDispatchTest, CursorOnOffShortClicksToggle) {
  Assign(kSlotB, "Cursor ON/OFF");
  Report(kBitB);
  clock.Advance(100);
  Report(0);
  EXPECT_TRUE(cursor.On());  // the first click switched it on and leaves it on
  EXPECT_EQ(cursor.Calls, (Log{"held", "on", "free", "led 144"}));
  EXPECT_EQ(Dispatch().CursorToggleTime(), 5000u);

  cursor.Calls.clear();
  clock.Advance(500);
  Report(kBitB);
  clock.Advance(299);
  Report(0);
  EXPECT_FALSE(cursor.On());
  EXPECT_EQ(cursor.Calls, (Log{"held", "on", "free", "off"}));

  clock.Set(0xFFFFFF80u);  // a click across the clock's wrap is still a click
  Report(kBitB);
  clock.Advance(0x100);
  Report(0);
  EXPECT_EQ(cursor.Calls.back(), "led 144");
}

TEST_F(ButtonDispatchTest, CursorOnOffHeldLeavesTheCursorOn) {
  Assign(kSlotB, "Cursor ON/OFF");
  for (uint32_t held : {1000u, 300u}) {  // from off, then from on; 300 ms is no click
    Report(kBitB);
    clock.Advance(held);
    cursor.Calls.clear();
    Report(0);
    EXPECT_TRUE(cursor.On());
    EXPECT_EQ(cursor.Calls, Log{"free"});
  }
}

TEST_F(ButtonDispatchTest, HeldKeysRepeatOnEveryTickAfter800Ms) {
  Assign(kSlotUp, "Keys", "Up");
  Report(kBitUp);
  TickFor(800);  // no tick is more than 800 ms after the press
  EXPECT_EQ(injector.Events, Tap(0x26));
  TickFor(200);  // ticks at 820 .. 1000 ms
  EXPECT_EQ(injector.Events.size(), 2u * 11);
  EXPECT_EQ(wiimote.ButtonState[kSlotUp].PressTime, 5000u);  // repeats keep the press time
  Report(0);
  TickFor(100);
  EXPECT_EQ(injector.Events.size(), 2u * 11);

  clock.Set(0xFFFFFF00u);  // the delay counts across the clock's wrap
  Report(kBitUp);
  clock.Advance(800);
  Dispatch().RepeatTimerTimer();
  clock.Advance(1);
  Dispatch().RepeatTimerTimer();
  EXPECT_EQ(injector.Events.size(), 2u * 13);
}

TEST_F(ButtonDispatchTest, OnlyRepeatableActionsRepeat) {
  mixerApi.Devices = {sim::SimMonoDevice(0)};
  Assign(kSlotUp, "Mouse->Wheel Down");
  Assign(kSlotRight, "Web->Backward");
  Assign(kSlotA, "Mouse->Right Double Click");
  Assign(kSlotB, "Cursor ON");
  Assign(kSlotHome, "Execute", "prog");
  Assign(kSlotPlus, "Mixer->Volume Up");
  Assign(kSlotMinus, "Mixer->Mute");
  Report(kBitUp | kBitRight | kBitA | kBitB | kBitHome | kBitPlus | kBitMinus);
  injector.Events.clear();
  clock.Advance(801);
  Dispatch().RepeatTimerTimer();
  EXPECT_EQ(injector.Events, Events{InjectedEvent::Wheel(-120)} + Held(kVkMenu, Tap(0x25)));
  EXPECT_EQ(launcher.Started.size(), 1u);
  EXPECT_EQ(cursor.Calls, Log{"on"});
  EXPECT_EQ(Control(1), Values{2 * 2048});
  EXPECT_EQ(Control(2), Values{1});
}

struct VolumeCase {
  const char* Name;
  sim::SimMixerDevice Device;
  const char* Action;
  uint32_t ControlId;
  Values Expected;  // the volume control's values afterwards
};

class VolumeStepTest : public ButtonDispatchTest,
                       public ::testing::WithParamInterface<VolumeCase> {};

TEST_P(VolumeStepTest, StepsEachChannelWithinBounds) {
  const VolumeCase& c = GetParam();
  mixerApi.Devices = {c.Device};
  Assign(kSlotPlus, c.Action);
  Report(kBitPlus);
  EXPECT_EQ(Control(c.ControlId), c.Expected);
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
        VolumeCase{"to the top",
                   sim::SimStereoDevice(64000, 65535),
                   "Mixer->Volume Up",
                   1,
                   {65535, 65535}},
        VolumeCase{"to zero", sim::SimStereoDevice(1000, 2048), "Mixer->Volume Down", 1, {0, 0}},
        VolumeCase{"mono", sim::SimMonoDevice(10000), "Mixer->Volume Up", 1, {12048}},
        VolumeCase{"uniform", sim::SimUniformDevice(10000), "Mixer->Volume Down", 1, {7952}},
        VolumeCase{
            "disabled", sim::SimDisabledDevice(100, 200), "Mixer->Volume Up", 1, {2148, 2248}},
        VolumeCase{
            "first of two", sim::SimTwoVolumeDevice(100, 200), "Mixer->Volume Up", 1, {2148, 2248}},
        VolumeCase{"second of two",
                   sim::SimTwoVolumeDevice(100, 200),
                   "Mixer->Volume Up",
                   3,
                   {1000, 1000}},
        // An amplified output: a step up never pulls it down, a step down is one step.
        VolumeCase{"above the top up",
                   sim::SimStereoDevice(98302, 70000),
                   "Mixer->Volume Up",
                   1,
                   {98302, 70000}},
        VolumeCase{"above the top down",
                   sim::SimStereoDevice(98302, 65000),
                   "Mixer->Volume Down",
                   1,
                   {96254, 62952}},
        VolumeCase{"surround keeps its balance",
                   sim::SimDevice({sim::SimLine(
                       1, 4, {sim::SimVolumeControl(1, {40000, 40000, 20000, 20000})})}),
                   "Mixer->Volume Up",
                   1,
                   {42048, 42048, 22048, 22048}},
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

TEST_F(ButtonDispatchTest, MuteTogglesAndVolumeStepsKeepIt) {
  mixerApi.Devices = {sim::SimStereoDevice(30000, 20000, 0)};
  Assign(kSlotPlus, "Mixer->Volume Up");
  Assign(kSlotMinus, "Mixer->Mute");
  Click(kBitMinus);
  EXPECT_EQ(Control(2), Values{1});
  EXPECT_EQ(Control(1), (Values{30000, 20000}));
  Click(kBitPlus);
  EXPECT_EQ(Control(2), Values{1});
  Click(kBitMinus);
  EXPECT_EQ(Control(2), Values{0});
  EXPECT_EQ(Control(1), (Values{32048, 22048}));
}

TEST_F(ButtonDispatchTest, MuteWritesTheMuteAndNothingElse) {
  mixerApi.Devices = {sim::SimDevice({sim::SimLine(
      1, 4, {sim::SimVolumeControl(1, {40000, 40000, 20000, 20000}), sim::SimMuteControl(2, 0)})})};
  Assign(kSlotMinus, "Mixer->Mute");
  Click(kBitMinus);
  Click(kBitMinus);
  EXPECT_EQ(mixerApi.Writes, (std::vector<sim::SimMixerApi::Write>{{2, {1}}, {2, {0}}}));
  EXPECT_EQ(Control(1), (Values{40000, 40000, 20000, 20000}));
}

TEST_F(ButtonDispatchTest, VolumeActionsLeaveMissingOrUnreadableControlsAlone) {
  sim::SimMixerDevice device = sim::SimStereoDevice(30000, 30000);
  device.Destinations[0].Controls[0].FailRead = true;  // volume unreadable, no mute
  device.Destinations[0].Controls.pop_back();
  Assign(kSlotPlus, "Mixer->Volume Up");
  Assign(kSlotMinus, "Mixer->Mute");
  for (const auto& devices : {std::vector<sim::SimMixerDevice>{}, {device}}) {
    sim::SimMixerApi api;
    api.Devices = devices;
    TAudioMixer mixer(api);
    ButtonDispatch dispatch(wiimote, clock, injector, keyNames, launcher, mixer, cursor, cursor);
    dispatch.HandleButtonWord(kBitPlus | kBitMinus);
    dispatch.ReleaseAll();
    EXPECT_EQ(api.Opens.size(), devices.size());
    EXPECT_TRUE(api.Writes.empty());
  }
}

}  // namespace
}  // namespace kv
