// The lazy timer schedule against the eager one: the same scenarios of the virtual Wii Remote run
// twice over a fake clock, once with every timer ticking on every grid point and once with the
// timers woken only for ticks that can act, and everything the program does to the outside must
// be the same, at the same millisecond: output reports, captions, injected input, cursor moves
// and the content of the display.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/actions/catalogue.h"
#include "core/hid/hid_device.h"
#include "core/link/acc_history.h"
#include "core/mainform/main_form_logic.h"
#include "core/mainform/main_form_timers.h"
#include "core/port/main_view.h"
#include "core/ui/status_display.h"
#include "core/ui/timer_periods.h"
#include "core/ui/ui_dispatcher.h"
#include "platform/sim/fake_clock.h"
#include "platform/sim/memory_file_store.h"
#include "platform/sim/recording_input_injector.h"
#include "platform/sim/recording_process_launcher.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_hid_system.h"
#include "platform/sim/sim_mixer_api.h"
#include "platform/sim/sim_timer.h"
#include "platform/sim/us_key_names.h"
#include "platform/sim/virtual_wiimote.h"

namespace kv {
namespace {

using sim::VirtualWiimote;

constexpr uint32_t kStartMs = 7000;
const std::filesystem::path kConfigFile = "/opt/kestrovane/config.ini";

// What the program did to the outside, each line stamped with the millisecond since start.
struct Trace {
  std::vector<std::string> Reports;   // the controller's output-report log
  std::vector<std::string> Captions;  // caption changes
  std::vector<std::string> Injected;  // injected input
  std::vector<std::string> Cursor;    // cursor positions after they changed
  std::vector<std::string> Display;   // display content whenever it differs from before
  uint64_t Wakeups = 0;               // ticks of the four scheduled timers
};

// The window as the logic sees it: captions are traced, pending messages drained.
class TracingView final : public MainView {
 public:
  TracingView(sim::FakeClock& clock, UiDispatcher& ui, Trace& trace)
      : clock_(clock), ui_(ui), trace_(trace) {}
  void SetCaption(const std::string& caption) override {
    if (caption == shown_) return;  // a window shows the same title again without a change
    shown_ = caption;
    trace_.Captions.push_back(std::to_string(clock_.NowMs() - kStartMs) + " " + caption);
  }
  void ProcessMessages() override {
    if (OnProcessMessages) OnProcessMessages();
    ui_.Drain();
  }
  void Minimize() override {}
  void ShowError(const std::string& message) override {
    trace_.Captions.push_back("error " + message);
  }

  // Runs where the application's loop would take what arrived meanwhile.
  std::function<void()> OnProcessMessages;

 private:
  sim::FakeClock& clock_;
  UiDispatcher& ui_;
  Trace& trace_;
  std::string shown_;
};

// The pointer tick as a window timer: it ticks every 10 ms from the moment it was switched on.
class GridMotionTimer final : public Timer {
 public:
  explicit GridMotionTimer(Clock& clock) : clock_(clock) {}
  void SetEnabled(bool enabled) override {
    if (enabled && !enabled_) dueMs_ = clock_.NowMs() + EffectiveTimerPeriod(kMotionTimerMs);
    enabled_ = enabled;
  }
  bool Enabled() const override { return enabled_; }
  bool TakeIfDue(uint32_t nowMs) {
    if (!enabled_ || static_cast<int32_t>(nowMs - dueMs_) < 0) return false;
    const uint32_t period = EffectiveTimerPeriod(kMotionTimerMs);
    while (static_cast<int32_t>(nowMs - dueMs_) >= 0) dueMs_ += period;
    return true;
  }

 private:
  Clock& clock_;
  bool enabled_ = false;
  uint32_t dueMs_ = 0;
};

// A scripted step of a run: at `AtMs` after start, do something a user or the system does.
struct Action {
  uint32_t AtMs = 0;
  enum class Kind { DeviceChange, CursorMenu, Calibrate, IRReset } What = Kind::DeviceChange;
};

struct Scenario {
  std::string WiimoteScript;  // empty: no controller
  std::vector<Action> Actions;
  std::string CursorMode = "Motion";
  uint32_t LengthMs = 4000;
};

// One run of the program's logic with the given schedule; the test thread is the user-interface
// thread and moves the fake clock a millisecond at a time. In each millisecond the ticks due run
// first (pointer, cursor, repeat, battery, draw), then the reports and actions due; after each
// of them every report handed to the user-interface thread is taken, so both runs see the same
// order of events.
class ScheduleRun {
 public:
  ScheduleRun(const Scenario& scenario, TickSchedule schedule) : scenario_(scenario) {
    if (!scenario.WiimoteScript.empty()) {
      std::string error;
      auto parsed = sim::ParseWiimoteScenario(scenario.WiimoteScript, error);
      EXPECT_TRUE(parsed.has_value()) << error;
      if (parsed) wiimote_ = std::make_unique<VirtualWiimote>(hid_, clock_, *parsed);
      if (wiimote_) wiimote_->SetLog([this](const std::string& line) { Log(line); });
    }
    const MainFormServices services{hid_,  ui_,       clock_, view_,  desktop_, injector_,
                                    keys_, launcher_, mixer_, files_, motion_};
    logic_ = std::make_unique<TMainFormLogic>(services, state_, settings_, kConfigFile);
    // The set-up processes pending messages: reports due by then arrive in the middle of it.
    view_.OnProcessMessages = [this] {
      if (wiimote_) wiimote_->Poll();
      Settle();
    };
    timers_ = std::make_unique<TMainFormTimers>(
        *logic_, clock_, MainFormWakeTimers{drawWake_, repeatWake_, cursorWake_, batteryWake_},
        schedule, [this] { TraceDisplay(); }, [] { return true; });
  }

  ~ScheduleRun() {
    timers_.reset();
    logic_.reset();  // the read thread goes before the device behind it
  }

  Trace Run() {
    logic_->FormCreate();
    Assign();
    timers_->Start();
    uint32_t now = clock_.NowMs();
    while (now - kStartMs < scenario_.LengthMs) {
      FireDueTicks(now);
      if (wiimote_) wiimote_->Poll();
      RunActions(now);
      Settle();
      TraceOutside(now);
      // The connection set-up's pauses move the clock on by themselves.
      if (clock_.NowMs() == now) clock_.Advance(1);
      now = clock_.NowMs();
    }
    timers_->Stop();
    motion_.SetEnabled(false);
    return trace_;
  }

 private:
  void Assign() {
    settings_.CursorMode = scenario_.CursorMode;
    settings_.RumbleOnEdge = true;
    auto& a = state_.ButtonAssign;
    a[0] = {std::string(kActionCursorUp), ""};
    a[1] = {std::string(kActionCursorDown), ""};
    a[2] = {std::string(kActionCursorRight), ""};
    a[3] = {std::string(kActionCursorLeft), ""};
    a[4] = {std::string(kActionKeys), "Ctrl+A"};
    a[5] = {std::string(kActionCursorOnOff), ""};
    a[6] = {std::string(kActionCursorOn), ""};
    a[7] = {std::string(kActionWheelUp), ""};
    a[8] = {std::string(kActionLeftClick), ""};
    a[9] = {std::string(kActionWebBackward), ""};
    a[10] = {std::string(kActionRightDoubleClick), ""};
  }

  void FireDueTicks(uint32_t now) {
    if (motion_.TakeIfDue(now)) {
      logic_->MotionTimerTimer();
      Settle();
    }
    if (cursorWake_.TakeIfDue(now)) Tick([this] { timers_->CursorTimer().Fire(); });
    if (repeatWake_.TakeIfDue(now)) Tick([this] { timers_->RepeatTimer().Fire(); });
    if (batteryWake_.TakeIfDue(now)) Tick([this] { timers_->BatteryTimer().Fire(); });
    if (drawWake_.TakeIfDue(now)) Tick([this] { timers_->DrawTimer().Fire(); });
  }

  template <typename Fn>
  void Tick(Fn fire) {
    ++trace_.Wakeups;
    fire();
    Settle();
  }

  void RunActions(uint32_t now) {
    for (const Action& action : scenario_.Actions) {
      if (action.AtMs != now - kStartMs) continue;
      switch (action.What) {
        case Action::Kind::DeviceChange:
          hid_.NotifyDeviceChange();
          break;
        case Action::Kind::CursorMenu:
          logic_->CursorOnOffButtonClick();
          break;
        case Action::Kind::Calibrate:
          logic_->CalibrateButtonClick();
          break;
        case Action::Kind::IRReset:
          logic_->IRResetButtonClick();
          break;
      }
    }
  }

  // Takes every report the read thread has: done once its next read waits at the device with
  // nothing queued for the user-interface thread.
  void Settle() {
    for (int round = 0; round < 100000; ++round) {
      ui_.Drain();
      const bool reading = logic_->WiimoteDevice() != nullptr;
      const bool idle = !reading || hid_.WaitForPendingRead(VirtualWiimote::kDevicePath,
                                                            std::chrono::milliseconds(1));
      if (idle && ui_.Pending() == 0) return;
    }
    ADD_FAILURE() << "the read thread never settled";
  }

  void Log(const std::string& line) { trace_.Reports.push_back(line); }

  void TraceOutside(uint32_t now) {
    const std::string at = std::to_string(now - kStartMs) + " ";
    for (; injected_ < injector_.Events.size(); ++injected_) {
      std::ostringstream event;
      event << injector_.Events[injected_];
      trace_.Injected.push_back(at + event.str());
    }
    const Point cursor = desktop_.Cursor();
    if (cursor.X != lastCursor_.X || cursor.Y != lastCursor_.Y || trace_.Cursor.empty()) {
      lastCursor_ = cursor;
      trace_.Cursor.push_back(at + std::to_string(cursor.X) + "," + std::to_string(cursor.Y));
    }
  }

  // Everything the four pictures and the status list are drawn from.
  void TraceDisplay() {
    const AccHistories& h = logic_->Histories();
    const bool cursorOn = logic_->CursorOn();
    std::ostringstream content;
    for (const std::string& line : StatusLines(h, state_, cursorOn)) content << line << '|';
    for (const DisplayRect& r : ControllerLitRects(state_, cursorOn)) content << r.Left << r.Top;
    const DisplayLine tilt =
        TiltIndicatorLine(h, settings_.BaseX, settings_.BaseY, kAxisPictureSize);
    content << '|' << tilt.To.X << ',' << tilt.To.Y << '|';
    const IRMark m1 = IRPointMark(state_.IR1X, state_.IR1Y);
    const IRMark m2 = IRPointMark(state_.IR2X, state_.IR2Y);
    const DisplayPoint mid = IRMidDot(state_);
    content << m1.Dot.X << ',' << m1.Dot.Y << ',' << m2.Dot.X << ',' << m2.Dot.Y << ',' << mid.X
            << ',' << mid.Y << '|';
    const std::size_t n = GraphPointCount(kGraphPictureSize.Width);
    for (std::size_t i = 0; i < n; ++i) content << h.X[i] << ' ' << h.Y[i] << ' ' << h.Z[i] << ' ';
    if (content.str() == lastDisplay_) return;
    lastDisplay_ = content.str();
    trace_.Display.push_back(std::to_string(clock_.NowMs() - kStartMs) + " " +
                             lastDisplay_.substr(0, 160));
  }

  const Scenario& scenario_;
  Trace trace_;
  sim::SimHidSystem hid_;
  UiDispatcher ui_;
  sim::FakeClock clock_{kStartMs};
  TracingView view_{clock_, ui_, trace_};
  sim::SimDesktop desktop_;
  sim::RecordingInputInjector injector_;
  sim::UsKeyNames keys_;
  sim::RecordingProcessLauncher launcher_;
  sim::SimMixerApi mixer_;
  sim::MemoryFileStore files_;
  GridMotionTimer motion_{clock_};
  sim::SimWakeTimer drawWake_{clock_};
  sim::SimWakeTimer repeatWake_{clock_};
  sim::SimWakeTimer cursorWake_{clock_};
  sim::SimWakeTimer batteryWake_{clock_};
  TWiimote state_;
  TKestrovaneSetting settings_;
  std::unique_ptr<VirtualWiimote> wiimote_;
  std::unique_ptr<TMainFormLogic> logic_;
  std::unique_ptr<TMainFormTimers> timers_;
  std::size_t injected_ = 0;
  Point lastCursor_;
  std::string lastDisplay_;
};

// Input reports: `ms 31 B1 B2 X Y Z` with the buttons as one word.
std::string Report31(uint32_t ms, uint16_t buttons, int x, int y, int z) {
  char line[64];
  std::snprintf(line, sizeof line, "%u 31 %02x %02x %02x %02x %02x\n", ms, buttons >> 8,
                buttons & 0xFF, x & 0xFF, y & 0xFF, z & 0xFF);
  return line;
}

// Report 0x33 with the accelerometer at rest and two IR points (size 2) either side of (x, y).
std::string Report33(uint32_t ms, uint16_t buttons, int x, int y) {
  auto point = [y](int px) {
    char bytes[16];
    std::snprintf(bytes, sizeof bytes, " %02x %02x %02x", px & 0xFF, y & 0xFF,
                  (((y >> 8) & 3) << 6) | (((px >> 8) & 3) << 4) | 2);
    return std::string(bytes);
  };
  char head[48];
  std::snprintf(head, sizeof head, "%u 33 %02x %02x 80 80 9c", ms, buttons >> 8, buttons & 0xFF);
  return head + point(x - 60) + point(x + 60) + " ff ff ff ff ff ff\n";
}

// Reports every `every` ms in [from, to) holding `buttons`, the accelerometer wandering.
std::string Stream31(uint32_t from, uint32_t to, uint32_t every, uint16_t buttons) {
  std::string script;
  for (uint32_t ms = from; ms < to; ms += every) {
    script +=
        Report31(ms, buttons, 0x80 + static_cast<int>(ms / 97 % 9), 0x7c + (ms / 53 % 7), 0x9c);
  }
  return script;
}

void ExpectSameOutside(const Scenario& scenario) {
  const Trace eager = ScheduleRun(scenario, TickSchedule::Eager).Run();
  const Trace lazy = ScheduleRun(scenario, TickSchedule::Lazy).Run();
  EXPECT_EQ(lazy.Reports, eager.Reports);
  EXPECT_EQ(lazy.Captions, eager.Captions);
  EXPECT_EQ(lazy.Injected, eager.Injected);
  EXPECT_EQ(lazy.Cursor, eager.Cursor);
  EXPECT_EQ(lazy.Display, eager.Display);
  // The eager run wakes about 150 times a second for these four timers.
  EXPECT_LT(lazy.Wakeups, eager.Wakeups);
}

TEST(LazyTimersTest, WithoutAControllerTheCaptionsComeAtTheSameTicks) {
  Scenario s;
  // Device changes a little before and right on a battery tick, and one between two ticks.
  s.Actions = {{1990, Action::Kind::DeviceChange},
               {3000, Action::Kind::DeviceChange},
               {3501, Action::Kind::DeviceChange},
               {3700, Action::Kind::CursorMenu},
               {3760, Action::Kind::CursorMenu}};
  const Trace lazy = ScheduleRun(s, TickSchedule::Lazy).Run();
  ASSERT_FALSE(lazy.Captions.empty());
  EXPECT_EQ(lazy.Captions.front(), "0 Kestrovane - No Wiimote detected.");
  EXPECT_EQ(lazy.Captions[1], "1000 Device not found");
  // Asleep but for the ticks that change something: a few battery requests and redraws.
  EXPECT_LE(lazy.Wakeups, 15u);
  ExpectSameOutside(s);
}

TEST(LazyTimersTest, HeldButtonsStepRepeatAndGlideAtTheSameTicks) {
  Scenario s;
  std::string script = "battery 150\n";
  script += Stream31(500, 700, 10, 0);
  script += Stream31(700, 1100, 37, 0x0200);  // Right held: cursor steps, then the glide
  script += Report31(1100, 0, 0x80, 0x80, 0x9c);
  script += Report31(1300, 0x0800, 0x80, 0x80, 0x9c);  // Up, then Down over it
  script += Report31(1350, 0x0C00, 0x80, 0x80, 0x9c);
  script += Report31(1500, 0x0400, 0x80, 0x80, 0x9c);
  script += Report31(1563, 0, 0x80, 0x80, 0x9c);
  script += Report31(1700, 0x0008, 0x85, 0x80, 0x9c);           // A: keys, repeating after 800 ms
  script += Report31(2750, 0x0008 | 0x1000, 0x85, 0x80, 0x9c);  // and Plus: wheel
  script += Report31(2800, 0x1000, 0x85, 0x80, 0x9c);
  script += Report31(3700, 0x0010, 0x85, 0x80, 0x9c);  // Minus: left click, held
  script += Report31(3790, 0x0001, 0x85, 0x80, 0x9c);  // 2: right double click
  script += Report31(3800, 0, 0x85, 0x80, 0x9c);
  s.WiimoteScript = script;
  s.LengthMs = 4500;
  ExpectSameOutside(s);
}

TEST(LazyTimersTest, TiltAndPointingWithTheCursorOnAtTheSameTicks) {
  for (const char* mode : {"Motion", "IR"}) {
    SCOPED_TRACE(mode);
    Scenario s;
    s.CursorMode = mode;
    std::string script = "battery 90\n";
    // B clicked (cursor on), tilted and pointed towards the top left until the edge rumbles.
    script += Report31(600, 0x0004, 0x80, 0x80, 0x9c);
    script += Report31(650, 0, 0x80, 0x80, 0x9c);
    for (uint32_t ms = 700; ms < 2200; ms += 10) {
      script += Report33(ms, 0, 700 + static_cast<int>(ms - 700) / 3, 200);
    }
    script += Report31(2300, 0, 0x60, 0x70, 0x9c);
    script += Report31(2900, 0x0004, 0x60, 0x70, 0x9c);  // B clicked again: cursor off
    script += Report31(2950, 0, 0x60, 0x70, 0x9c);
    script += Report31(3100, 0x0080, 0x80, 0x80, 0x9c);  // Home: cursor on while held
    script += Report31(3300, 0, 0x80, 0x80, 0x9c);
    s.WiimoteScript = script;
    s.Actions = {{2500, Action::Kind::Calibrate},
                 {3500, Action::Kind::IRReset},
                 {3600, Action::Kind::CursorMenu},
                 {3800, Action::Kind::CursorMenu}};
    ExpectSameOutside(s);
  }
}

TEST(LazyTimersTest, ReportsDuringTheSetUpAndALongQuietSpell) {
  Scenario s;
  // A cursor-step button pressed while the set-up still runs, released much later with no
  // reports in between; then a device change while connected.
  std::string script = "battery 7\n";
  script += Report31(0, 0x0100, 0x80, 0x80, 0x9c);
  script += Report31(2600, 0, 0x80, 0x80, 0x9c);
  s.WiimoteScript = script;
  s.Actions = {{3000, Action::Kind::DeviceChange}};
  ExpectSameOutside(s);
}

}  // namespace
}  // namespace kv
