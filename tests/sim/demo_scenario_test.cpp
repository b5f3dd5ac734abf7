// The built-in demonstration run through the program's own logic (decoder, button dispatch,
// pointer control, mixer) on a simulated desktop, with every timer ticking as in the program.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "core/actions/button_dispatch.h"
#include "core/link/report_decoder.h"
#include "core/mainform/demo_settings.h"
#include "core/mixer/audio_mixer.h"
#include "core/pointer/pointer_control.h"
#include "core/ui/timer_periods.h"
#include "platform/sim/fake_clock.h"
#include "platform/sim/recording_input_injector.h"
#include "platform/sim/recording_process_launcher.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_mixer_api.h"
#include "platform/sim/sim_timer.h"
#include "platform/sim/us_key_names.h"
#include "platform/sim/wiimote_scenario.h"

namespace kv::sim {
namespace {

struct LedChange {
  uint32_t AtMs;
  uint8_t Value;
  Point Cursor;
};

class RecordingOutput final : public ControllerOutput {
 public:
  RecordingOutput(Clock& clock, SimDesktop& desktop) : clock_(clock), desktop_(desktop) {}
  void SetLedRumble(uint8_t value) override {
    // Only changes: the pointer tick repeats the LED byte on every tick.
    if (Changes.empty() || Changes.back().Value != value) {
      Changes.push_back({clock_.NowMs(), value, desktop_.Cursor()});
    }
  }
  std::vector<LedChange> Changes;

 private:
  Clock& clock_;
  SimDesktop& desktop_;
};

struct InjectedAt {
  InjectedEvent Event;
  uint32_t AtMs;
  Point Cursor;
};

// What the demonstration did on one desktop, starting with the cursor at `start`.
struct DemoRun {
  std::vector<InjectedAt> Injected;
  std::vector<LedChange> Leds;
  std::vector<SimMixerApi::Write> VolumeWrites;
  std::set<std::pair<int32_t, int32_t>> CursorPositions;
  std::set<int32_t> IRMidXs;
  bool CursorOnAtEnd = true;
  Point CursorAtEnd;
};

DemoRun RunDemo(std::vector<DisplayRect> displays, Point start) {
  std::string error;
  const std::optional<WiimoteScenario> scenario =
      ParseWiimoteScenario(DemoWiimoteScenario(), error);
  EXPECT_TRUE(scenario.has_value()) << error;
  if (!scenario) return {};

  TWiimote wiimote;
  TKestrovaneSetting settings;
  DemoSettings(settings, wiimote.ButtonAssign);
  AccHistories histories;
  FakeClock clock(70000);
  SimDesktop desktop(std::move(displays));
  desktop.PlaceCursor(start);
  desktop.SetRecordMoves(false);
  RecordingOutput output(clock, desktop);
  SimTimer motionTimer;
  RecordingInputInjector injector;
  UsKeyNames keys;
  RecordingProcessLauncher launcher;
  SimMixerApi mixerApi;
  mixerApi.Devices = {SimStereoDevice(30000, 30000)};
  TAudioMixer mixer(mixerApi);
  PointerControl pointer(settings, wiimote, histories, clock, desktop, output, motionTimer);
  ButtonDispatch dispatch(wiimote, clock, injector, keys, launcher, mixer, pointer, output);
  ReportDecoder decoder(wiimote, histories, &dispatch);

  DemoRun run;
  const uint32_t startMs = clock.NowMs();
  const uint32_t endMs = scenario->Steps.back().AtMs + 1000;
  std::size_t next = 0;
  // Each injected event with the time and the cursor position it happened at.
  auto collect = [&](uint32_t t) {
    for (std::size_t i = run.Injected.size(); i < injector.Events.size(); ++i) {
      run.Injected.push_back({injector.Events[i], t, desktop.Cursor()});
    }
  };
  for (uint32_t t = 0; t <= endMs; t += kTimerFloorMs) {
    clock.Set(startMs + t);
    for (; next < scenario->Steps.size() && scenario->Steps[next].AtMs <= t; ++next) {
      const auto& report = scenario->Steps[next].Report;
      decoder.ShowRead(report[0], report.data() + 1, kWiimoteReportLength - 1);
      run.IRMidXs.insert(wiimote.IRMidX);
    }
    collect(t);
    if (motionTimer.Enabled()) pointer.MotionTimerTimer();
    pointer.CursorTimerTimer();
    if (t % EffectiveTimerPeriod(kRepeatTimerMs) == 0) dispatch.RepeatTimerTimer();
    collect(t);
    run.CursorPositions.insert({desktop.Cursor().X, desktop.Cursor().Y});
  }
  run.Leds = output.Changes;
  run.VolumeWrites = mixerApi.Writes;
  run.CursorOnAtEnd = motionTimer.Enabled();
  run.CursorAtEnd = desktop.Cursor();
  return run;
}

TEST(DemoScenario, ParsesAndRunsAboutTwentySecondsOfActivity) {
  std::string error;
  const std::optional<WiimoteScenario> scenario =
      ParseWiimoteScenario(DemoWiimoteScenario(), error);
  ASSERT_TRUE(scenario.has_value()) << error;
  uint32_t lastPress = 0;
  for (const WiimoteScenarioStep& step : scenario->Steps) {
    EXPECT_EQ(step.Report[0], 0x33);
    if (step.Report[1] != 0 || step.Report[2] != 0) lastPress = step.AtMs;
  }
  EXPECT_GE(lastPress, 15000u);
  EXPECT_LE(lastPress, 21000u);
}

struct DesktopCase {
  const char* name;
  std::vector<DisplayRect> displays;
  Point start;
};

void PrintTo(const DesktopCase& c, std::ostream* out) { *out << c.name; }

class DemoOnDesktop : public ::testing::TestWithParam<DesktopCase> {};

TEST_P(DemoOnDesktop, ShowsEverySubsystemAndInjectsOnlyGentleInput) {
  const DesktopCase& c = GetParam();
  const DemoRun run = RunDemo(c.displays, c.start);
  int32_t right = 0;
  for (const DisplayRect& d : c.displays) right = std::max(right, d.X + d.Width - 1);

  // Input into the desktop: Down, Up and one left click, nothing else.
  std::vector<InjectedEvent> events;
  for (const InjectedAt& e : run.Injected) events.push_back(e.Event);
  EXPECT_EQ(events,
            (std::vector<InjectedEvent>{InjectedEvent::KeyDown(0x28), InjectedEvent::KeyUp(0x28),
                                        InjectedEvent::KeyDown(0x26), InjectedEvent::KeyUp(0x26),
                                        InjectedEvent::ButtonDown(MouseButton::Left),
                                        InjectedEvent::ButtonUp(MouseButton::Left)}));
  ASSERT_EQ(run.Injected.size(), 6u);
  EXPECT_EQ(run.Injected[4].Cursor.X, right);  // the click lands on the desktop's right edge
  EXPECT_EQ(run.Injected[5].Cursor.X, right);

  // The tilt moved the cursor around visibly; the IR midpoint moved as well.
  int32_t minX = INT32_MAX, maxX = INT32_MIN, minY = INT32_MAX, maxY = INT32_MIN;
  for (const auto& [x, y] : run.CursorPositions) {
    minX = std::min(minX, x), maxX = std::max(maxX, x);
    minY = std::min(minY, y), maxY = std::max(maxY, y);
  }
  EXPECT_GT(maxY - minY, 150);
  EXPECT_EQ(maxX, right);
  EXPECT_GT(run.IRMidXs.size(), 50u);

  // LEDs: cursor on, an edge rumble at the right edge that stops again, cursor off at the end.
  ASSERT_FALSE(run.Leds.empty());
  EXPECT_EQ(run.Leds.front().Value, 0x90);
  const auto rumble = std::find_if(run.Leds.begin(), run.Leds.end(), [&](const LedChange& l) {
    return l.Value == 0x91 && l.Cursor.X == right;
  });
  ASSERT_NE(rumble, run.Leds.end());
  ASSERT_NE(rumble + 1, run.Leds.end());
  EXPECT_EQ((rumble + 1)->Value, 0x90);
  EXPECT_LE((rumble + 1)->AtMs - rumble->AtMs, 100u);
  EXPECT_EQ(run.Leds.back().Value, 0x80);
  EXPECT_FALSE(run.CursorOnAtEnd);
  EXPECT_LT(run.CursorAtEnd.X, right - 300);  // brought back from the edge

  // One volume step up, one back down: the volume ends where it started, the mute stays off.
  std::vector<std::vector<uint32_t>> volumes, mutes;
  for (const SimMixerApi::Write& write : run.VolumeWrites) {
    (write.ControlId == 1 ? volumes : mutes).push_back(write.Values);
  }
  EXPECT_EQ(volumes, (std::vector<std::vector<uint32_t>>{{32048, 32048}, {30000, 30000}}));
  EXPECT_EQ(mutes, (std::vector<std::vector<uint32_t>>{{0}, {0}}));
}

INSTANTIATE_TEST_SUITE_P(
    Desktops, DemoOnDesktop,
    ::testing::Values(DesktopCase{"FullHd", {{0, 0, 1920, 1080}}, {960, 540}},
                      DesktopCase{"SmallScreenOffCentre", {{0, 0, 1280, 800}}, {900, 250}},
                      DesktopCase{
                          "TwoDisplays", {{0, 0, 2560, 1440}, {2560, 0, 1920, 1080}}, {1200, 700}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kv::sim
