#include "core/mainform/main_form_logic.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "core/hid/hid_device.h"
#include "core/hid/hid_test_support.h"
#include "core/link/caption_text.h"
#include "core/port/main_view.h"
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

using sim::SimHidSystem;
using sim::VirtualWiimote;
using test::kGenerous;

constexpr uint32_t kStartMs = 50000;
const std::filesystem::path kConfigFile = "/opt/kestrovane/config.ini";

struct Caption {
  std::string Text;
  uint32_t AtMs = 0;
  friend bool operator==(const Caption&, const Caption&) = default;
};

std::ostream& operator<<(std::ostream& out, const Caption& caption) {
  return out << '"' << caption.Text << "\" at " << caption.AtMs;
}

// The window as the logic sees it. Processing pending messages runs the test's hook (which may
// wait for a handed-off report) and then drains the dispatcher, as the application's loop does.
class FakeMainView final : public MainView {
 public:
  FakeMainView(sim::FakeClock& clock, UiDispatcher& ui) : clock_(clock), ui_(ui) {}

  void SetCaption(const std::string& caption) override {
    Captions.push_back({caption, clock_.NowMs()});
  }
  void ProcessMessages() override {
    ++ProcessCalls;
    if (OnProcessMessages) OnProcessMessages(ProcessCalls);
    ui_.Drain();
  }
  void Minimize() override { ++Minimized; }
  void ShowError(const std::string& message) override {
    Errors.push_back(message);
    if (OnShowError) OnShowError();
  }

  std::vector<std::string> CaptionTexts() const {
    std::vector<std::string> texts;
    for (const Caption& caption : Captions) texts.push_back(caption.Text);
    return texts;
  }

  std::vector<Caption> Captions;
  std::vector<std::string> Errors;
  int ProcessCalls = 0;
  int Minimized = 0;
  std::function<void(int call)> OnProcessMessages;
  std::function<void()> OnShowError;

 private:
  sim::FakeClock& clock_;
  UiDispatcher& ui_;
};

// Passes everything through to the simulated system but announces a different output report
// length than the device really takes, as a device with an odd report descriptor would.
class AnnouncedLengthHid final : public HidSystem {
 public:
  AnnouncedLengthHid(HidSystem& real, uint16_t announced) : real_(real), announced_(announced) {}

  bool LibrariesLoaded() override { return real_.LibrariesLoaded(); }
  std::optional<std::vector<HidInterfaceInfo>> EnumerateInterfaces() override {
    return real_.EnumerateInterfaces();
  }
  HidHandle Open(const std::string& path, HidAccess access) override {
    return real_.Open(path, access);
  }
  void Close(HidHandle handle) override { real_.Close(handle); }
  bool GetAttributes(HidHandle handle, HidAttributes& attributes) override {
    return real_.GetAttributes(handle, attributes);
  }
  std::unique_ptr<HidPreparsedData> GetPreparsedData(HidHandle handle) override {
    return real_.GetPreparsedData(handle);
  }
  bool GetCaps(const HidPreparsedData& data, HidCaps& caps) override {
    if (!real_.GetCaps(data, caps)) return false;
    caps.OutputReportByteLength = announced_;
    return true;
  }
  bool SetNumInputBuffers(HidHandle handle, uint32_t count) override {
    return real_.SetNumInputBuffers(handle, count);
  }
  bool GetNumInputBuffers(HidHandle handle, uint32_t& count) override {
    return real_.GetNumInputBuffers(handle, count);
  }
  bool Write(HidHandle handle, const uint8_t* data, uint32_t length, uint32_t& written) override {
    return real_.Write(handle, data, length, written);
  }
  bool StartRead(HidHandle handle, uint8_t* buffer, uint32_t length) override {
    return real_.StartRead(handle, buffer, length);
  }
  HidWaitResult WaitRead(HidHandle handle, uint32_t timeoutMs) override {
    return real_.WaitRead(handle, timeoutMs);
  }
  uint32_t ReadResult(HidHandle handle) override { return real_.ReadResult(handle); }
  bool CancelRead(HidHandle handle) override { return real_.CancelRead(handle); }
  uint32_t LastError() override { return real_.LastError(); }
  void SetLastError(uint32_t code) override { real_.SetLastError(code); }
  uint32_t DeviceNotConnectedCode() override { return real_.DeviceNotConnectedCode(); }
  std::string ErrorText(uint32_t code) override { return real_.ErrorText(code); }
  bool StartDeviceNotifications(std::function<void()> onChange) override {
    return real_.StartDeviceNotifications(std::move(onChange));
  }
  void StopDeviceNotifications() override { real_.StopDeviceNotifications(); }

 private:
  HidSystem& real_;
  uint16_t announced_;
};

std::vector<uint8_t> Report(std::initializer_list<uint8_t> bytes, std::size_t length = 22) {
  std::vector<uint8_t> report(bytes);
  report.resize(length, 0);
  return report;
}

const std::vector<std::vector<uint8_t>> kIRSetUp = {
    Report({0x12, 0x00, 0x33}),
    Report({0x13, 0x04}),
    Report({0x1A, 0x04}),
    Report({0x16, 0x04, 0xB0, 0x00, 0x30, 0x01, 0x08}),
    Report({0x16, 0x04, 0xB0, 0x00, 0x06, 0x01, 0x90}),
    Report({0x16, 0x04, 0xB0, 0x00, 0x08, 0x01, 0xC0}),
    Report({0x16, 0x04, 0xB0, 0x00, 0x1A, 0x01, 0x40}),
    Report({0x16, 0x04, 0xB0, 0x00, 0x33, 0x01, 0x33}),
};
const std::vector<uint8_t> kMotionMode = Report({0x12, 0x00, 0x31});
const std::vector<uint8_t> kStatusRequest = Report({0x15, 0x00, 0x00});

// The whole set-up as the controller receives it.
std::vector<std::vector<uint8_t>> SetUpSequence() {
  std::vector<std::vector<uint8_t>> sequence = {kMotionMode};
  sequence.insert(sequence.end(), kIRSetUp.begin(), kIRSetUp.end());
  sequence.push_back(kStatusRequest);
  return sequence;
}

// One line of the virtual controller's output log.
struct LoggedReport {
  uint32_t AtMs = 0;
  std::vector<uint8_t> Bytes;
};

LoggedReport ParseLogLine(const std::string& line) {
  std::istringstream in(line);
  LoggedReport logged;
  in >> logged.AtMs;
  std::string hex;
  while (in >> hex) logged.Bytes.push_back(static_cast<uint8_t>(std::stoul(hex, nullptr, 16)));
  return logged;
}

std::string ErrorText(uint32_t code) {
  SimHidSystem hid;
  return ErrorCaption(code, hid.ErrorText(code));
}

// The main window's logic over the simulated system, with the test thread as the user-interface
// thread and a clock that moves only when the logic waits.
struct Rig {
  void AddVirtualWiimote(const std::string& scenarioText = "battery 180\n") {
    std::string error;
    std::optional<sim::WiimoteScenario> scenario = sim::ParseWiimoteScenario(scenarioText, error);
    ASSERT_TRUE(scenario.has_value()) << error;
    wiimote = std::make_unique<VirtualWiimote>(hid, clock, *scenario);
    wiimote->SetLog([this](const std::string& line) { log.push_back(ParseLogLine(line)); });
  }

  // Creates the window's logic and runs the first device change, as the first pass of the
  // application's message loop does.
  void Start(HidSystem* otherHid = nullptr) {
    const MainFormServices services{otherHid ? *otherHid : hid,
                                    ui,
                                    clock,
                                    view,
                                    desktop,
                                    injector,
                                    keys,
                                    launcher,
                                    mixer,
                                    files,
                                    motionTimer};
    logic = std::make_unique<TMainFormLogic>(services, state, settings, kConfigFile);
    logic->FormCreate();
    ui.Drain();
  }

  std::vector<std::vector<uint8_t>> Written() const {
    std::vector<std::vector<uint8_t>> written;
    for (const sim::SimWrite& write : hid.Writes()) written.push_back(write.Bytes);
    return written;
  }

  std::vector<std::vector<uint8_t>> Logged() const {
    std::vector<std::vector<uint8_t>> bytes;
    for (const LoggedReport& logged : log) bytes.push_back(logged.Bytes);
    return bytes;
  }

  SimHidSystem hid;
  UiDispatcher ui;
  sim::FakeClock clock{kStartMs};
  FakeMainView view{clock, ui};
  sim::SimDesktop desktop;
  sim::RecordingInputInjector injector;
  sim::UsKeyNames keys;
  sim::RecordingProcessLauncher launcher;
  sim::SimMixerApi mixer;
  sim::MemoryFileStore files;
  sim::SimTimer motionTimer;
  TWiimote state;
  TKestrovaneSetting settings;
  std::vector<LoggedReport> log;
  std::unique_ptr<VirtualWiimote> wiimote;
  // Destroyed first: the controller with its read threads goes before the device behind them.
  std::unique_ptr<TMainFormLogic> logic;
};

TEST(MainFormLogicTest, SetUpSendsTheSequenceWithItsPausesAndCaptions) {
  Rig r;
  r.AddVirtualWiimote();
  r.Start();

  ASSERT_NE(r.logic->WiimoteDevice(), nullptr);
  EXPECT_EQ(r.Logged(), SetUpSequence());
  ASSERT_EQ(r.log.size(), 10u);
  EXPECT_EQ(r.log[0].AtMs, 0u);
  for (std::size_t i = 1; i <= 8; ++i) EXPECT_EQ(r.log[i].AtMs, 200u) << "IR report " << i;
  EXPECT_EQ(r.log[9].AtMs, 400u);

  EXPECT_EQ(r.view.Captions,
            (std::vector<Caption>{{"Kestrovane - No Wiimote detected.", kStartMs},
                                  {"Kestrovane - Motion Sensor Initialing..", kStartMs},
                                  {"Kestrovane - IR Sensor Initialing..", kStartMs + 200},
                                  {"Kestrovane", kStartMs + 400}}));
  EXPECT_EQ(r.view.ProcessCalls, 3);
  EXPECT_EQ(r.wiimote->ReportMode(), 0x33);
  EXPECT_TRUE(r.wiimote->IrCameraEnabled());
  // The status request's answer brings the battery level.
  EXPECT_TRUE(r.ui.WaitUntil([&] { return r.state.Battery == 180; }, kGenerous));
}

TEST(MainFormLogicTest, ReportQueuedBeforeTheSetUpIsDecodedWhileItProcessesMessages) {
  Rig r;
  r.AddVirtualWiimote();
  // A pressed, accelerometer X 0x9a: waiting at the device before it is checked out.
  ASSERT_TRUE(
      r.hid.QueueInputReport(VirtualWiimote::kDevicePath, Report({0x31, 0x00, 0x08, 0x9a})));
  std::string captionWhenDecoded;
  std::size_t writesWhenDecoded = 99;
  std::vector<sim::InjectedEvent> injectedWhenDecoded;
  r.view.OnProcessMessages = [&](int call) {
    if (call != 1) return;
    ASSERT_TRUE(r.ui.WaitUntil([&] { return r.logic->Histories().X[0] == 0x9a; }, kGenerous));
    captionWhenDecoded = r.view.Captions.back().Text;
    writesWhenDecoded = r.hid.Writes().size();
    injectedWhenDecoded = r.injector.Events;
  };
  r.Start();

  EXPECT_EQ(captionWhenDecoded, "Kestrovane - Motion Sensor Initialing..");
  EXPECT_EQ(writesWhenDecoded, 0u);
  EXPECT_EQ(injectedWhenDecoded,
            std::vector<sim::InjectedEvent>{sim::InjectedEvent::ButtonDown(MouseButton::Left)});
  EXPECT_EQ(r.Logged(), SetUpSequence());
}

TEST(MainFormLogicTest, FailedWritesDuringTheSetUpAreShownAndTheSequenceGoesOn) {
  const std::string gen = ErrorText(SimHidSystem::kErrorGenFailure);
  const std::string busy = ErrorText(SimHidSystem::kErrorBusy);
  const std::string none = "Kestrovane - No Wiimote detected.";
  const std::string motion = "Kestrovane - Motion Sensor Initialing..";
  const std::string ir = "Kestrovane - IR Sensor Initialing..";
  struct Case {
    const char* Name;
    int FailAtProcessCall;             // 0: before the start
    std::vector<std::size_t> Failing;  // indexes into the set-up sequence, consecutive
    uint32_t Code;
    std::vector<std::string> Captions;
  };
  std::vector<std::string> allIRFailing = {none, motion, ir};
  allIRFailing.insert(allIRFailing.end(), 9, busy);
  allIRFailing.push_back("Kestrovane");
  const Case cases[] = {
      {"motion mode",
       0,
       {0},
       SimHidSystem::kErrorGenFailure,
       {none, motion, gen, ir, "Kestrovane"}},
      {"first two IR reports",
       2,
       {1, 2},
       SimHidSystem::kErrorBusy,
       {none, motion, ir, busy, busy, "Kestrovane"}},
      {"IR set-up and status request",
       2,
       {1, 2, 3, 4, 5, 6, 7, 8, 9},
       SimHidSystem::kErrorBusy,
       allIRFailing},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Rig r;
    r.AddVirtualWiimote();
    const auto failWrites = [&] {
      for (std::size_t i = 0; i < c.Failing.size(); ++i) {
        r.hid.FailNextWrite(VirtualWiimote::kDevicePath, c.Code);
      }
    };
    if (c.FailAtProcessCall == 0) failWrites();
    r.view.OnProcessMessages = [&](int call) {
      if (call == c.FailAtProcessCall) failWrites();
    };
    r.Start();
    EXPECT_EQ(r.view.CaptionTexts(), c.Captions);
    std::vector<std::vector<uint8_t>> delivered = SetUpSequence();
    delivered.erase(delivered.begin() + static_cast<std::ptrdiff_t>(c.Failing.front()),
                    delivered.begin() + static_cast<std::ptrdiff_t>(c.Failing.back() + 1));
    EXPECT_EQ(r.Logged(), delivered);
  }
}

TEST(MainFormLogicTest, WithoutAControllerEveryRequestShowsDeviceNotFound) {
  Rig r;
  r.Start();
  EXPECT_EQ(r.logic->WiimoteDevice(), nullptr);
  EXPECT_EQ(r.view.CaptionTexts(), std::vector<std::string>{"Kestrovane - No Wiimote detected."});
  EXPECT_EQ(r.view.ProcessCalls, 0);
  for (int tick = 0; tick < 3; ++tick) {
    r.view.Captions.clear();
    r.logic->BatteryTimerTimer();
    EXPECT_EQ(r.view.CaptionTexts(), std::vector<std::string>{"Device not found"});
  }
  r.view.Captions.clear();
  r.logic->IRResetButtonClick();
  EXPECT_EQ(r.view.CaptionTexts(), std::vector<std::string>(8, "Device not found"));
  EXPECT_TRUE(r.hid.Writes().empty());
}

TEST(MainFormLogicTest, UnpluggedControllerShowsNotConnectedUntilTheChangeIsHandled) {
  Rig r;
  r.AddVirtualWiimote();
  r.Start();
  THidDevice* const device = r.logic->WiimoteDevice();
  // Gone, but the device-change notice has not been handled yet: writes fail, each with its
  // own error code, nothing left over from elsewhere.
  r.hid.Unplug(VirtualWiimote::kDevicePath);
  r.hid.SetLastError(0);
  r.hid.ClearWrites();
  r.view.Captions.clear();
  r.logic->BatteryTimerTimer();
  r.logic->CursorOnOffButtonClick();
  r.logic->IRResetButtonClick();
  const std::string notConnected = ErrorText(SimHidSystem::kErrorDeviceNotConnected);
  EXPECT_EQ(notConnected, "Error(1167):The device is not connected");
  EXPECT_EQ(r.view.CaptionTexts(), std::vector<std::string>(10, notConnected));
  EXPECT_TRUE(r.hid.Writes().empty());
  EXPECT_EQ(r.logic->WiimoteDevice(), device);

  // The change gives it back: the program is as it was at start without a controller.
  r.view.Captions.clear();
  r.ui.Drain();
  EXPECT_EQ(r.view.CaptionTexts(), std::vector<std::string>{"Kestrovane - No Wiimote detected."});
  EXPECT_EQ(r.logic->WiimoteDevice(), nullptr);
  r.view.Captions.clear();
  r.logic->BatteryTimerTimer();
  EXPECT_EQ(r.view.CaptionTexts(), std::vector<std::string>{"Device not found"});
  EXPECT_TRUE(r.hid.Writes().empty());
}

TEST(MainFormLogicTest, LostControllerIsGivenBackWithItsReadThreadAndHandles) {
  Rig r;
  r.AddVirtualWiimote();
  r.Start();
  // The status answer delivered, the read thread waits for the next report.
  ASSERT_TRUE(r.ui.WaitUntil([&] { return r.state.Battery == 180; }, kGenerous));
  ASSERT_TRUE(r.hid.WaitForPendingRead(VirtualWiimote::kDevicePath, kGenerous));
  ASSERT_TRUE(r.logic->WiimoteDevice()->HasReadThread());
  r.hid.Unplug(VirtualWiimote::kDevicePath);
  r.ui.Drain();

  EXPECT_EQ(r.logic->WiimoteDevice(), nullptr);
  // Nothing of it is left: no object in the list, no open handle, and later changes no longer
  // report it.
  EXPECT_TRUE(r.logic->HIDCtl().DeviceList().empty());
  EXPECT_EQ(r.hid.OpenHandleCount(), 0u);
  const std::size_t readsStarted = r.hid.ReadStarts(VirtualWiimote::kDevicePath).size();
  r.hid.PlugDevice(test::KeyboardConfig("sim:keyboard", 7));
  r.ui.Drain();
  EXPECT_EQ(r.logic->HIDCtl().DeviceList().size(), 1u);
  EXPECT_EQ(r.logic->WiimoteDevice(), nullptr);
  EXPECT_EQ(r.hid.ReadStarts(VirtualWiimote::kDevicePath).size(), readsStarted);
}

TEST(MainFormLogicTest, ControllerComingBackIsSetUpAgainWithTheStartCaptions) {
  Rig r;
  r.AddVirtualWiimote("battery 180\n100 unplug\n5000 plug\n");
  r.Start();
  THidDevice* const first = r.logic->WiimoteDevice();
  ASSERT_NE(first, nullptr);
  r.clock.Advance(100);
  r.wiimote->Poll();
  r.ui.Drain();
  ASSERT_EQ(r.logic->WiimoteDevice(), nullptr);
  // Switched off, the controller forgot its reporting mode and camera.
  EXPECT_EQ(r.wiimote->ReportMode(), 0x30);
  EXPECT_FALSE(r.wiimote->IrCameraEnabled());
  r.state.Battery = 0;
  r.log.clear();
  r.view.Captions.clear();

  r.clock.Advance(4500);
  r.wiimote->Poll();  // plugged in again, with a device-change notice
  const uint32_t pluggedAt = r.clock.NowMs();
  r.ui.Drain();

  ASSERT_NE(r.logic->WiimoteDevice(), nullptr);
  EXPECT_TRUE(r.logic->WiimoteDevice()->PluggedIn());
  EXPECT_TRUE(r.logic->WiimoteDevice()->HasReadThread());
  EXPECT_EQ(r.Logged(), SetUpSequence());
  EXPECT_EQ(r.view.Captions,
            (std::vector<Caption>{{"Kestrovane - No Wiimote detected.", pluggedAt},
                                  {"Kestrovane - Motion Sensor Initialing..", pluggedAt},
                                  {"Kestrovane - IR Sensor Initialing..", pluggedAt + 200},
                                  {"Kestrovane", pluggedAt + 400}}));
  EXPECT_EQ(r.wiimote->ReportMode(), 0x33);
  EXPECT_TRUE(r.wiimote->IrCameraEnabled());
  EXPECT_TRUE(r.ui.WaitUntil([&] { return r.state.Battery == 180; }, kGenerous));
  // Only the new object is listed, and it is the one the program holds.
  ASSERT_EQ(r.logic->HIDCtl().DeviceList().size(), 1u);
  EXPECT_EQ(r.logic->HIDCtl().DeviceList()[0].get(), r.logic->WiimoteDevice());

  // Its reports drive the program again.
  ASSERT_TRUE(
      r.hid.QueueInputReport(VirtualWiimote::kDevicePath, Report({0x31, 0x00, 0x08, 0x9a})));
  EXPECT_TRUE(r.ui.WaitUntil([&] { return r.state.ButtonState[kSlotA].Pressed; }, kGenerous));
}

TEST(MainFormLogicTest, AnotherControllerAlreadyPresentIsTakenWhenTheFirstGoes) {
  Rig r;
  r.hid.AddDevice(test::DeviceConfig("sim:first", 1));
  r.hid.AddDevice(test::DeviceConfig("sim:plus", 2, test::kWiimoteVendor, kWiimotePlusProductId));
  r.Start();
  ASSERT_EQ(r.logic->WiimoteDevice()->PnPInfo().DevicePath, "sim:first");
  r.hid.ClearWrites();
  r.view.Captions.clear();

  r.hid.Unplug("sim:first");
  r.ui.Drain();
  ASSERT_NE(r.logic->WiimoteDevice(), nullptr);
  EXPECT_EQ(r.logic->WiimoteDevice()->PnPInfo().DevicePath, "sim:plus");
  EXPECT_EQ(r.view.CaptionTexts(),
            (std::vector<std::string>{"Kestrovane - No Wiimote detected.",
                                      "Kestrovane - Motion Sensor Initialing..",
                                      "Kestrovane - IR Sensor Initialing..", "Kestrovane"}));
  const std::vector<sim::SimWrite> writes = r.hid.Writes();
  ASSERT_EQ(writes.size(), SetUpSequence().size());
  for (std::size_t i = 0; i < writes.size(); ++i) {
    EXPECT_EQ(writes[i].DevicePath, "sim:plus");
    EXPECT_EQ(writes[i].Bytes, SetUpSequence()[i]) << "report " << i;
  }
}

TEST(MainFormLogicTest, WiiRemotePlusIsFoundOtherProductsOfTheVendorAreNot) {
  struct Case {
    uint16_t Product;
    bool Taken;
  };
  for (const Case c : {Case{0x0330, true}, Case{0x0306, true}, Case{0x0337, false},
                       Case{0x2009, false}, Case{0x0000, false}}) {
    SCOPED_TRACE(c.Product);
    Rig r;
    r.hid.AddDevice(test::DeviceConfig("sim:device", 1, test::kWiimoteVendor, c.Product));
    r.Start();
    EXPECT_EQ(r.logic->WiimoteDevice() != nullptr, c.Taken);
    EXPECT_EQ(r.hid.Writes().size(), c.Taken ? SetUpSequence().size() : 0u);
  }
}

TEST(MainFormLogicTest, LosingTheControllerReleasesWhatItHeld) {
  Rig r;
  r.AddVirtualWiimote();
  r.Start();
  const uint8_t holdingA[] = {0x00, 0x08, 0x80, 0x80, 0x9a};
  r.logic->ShowRead(r.logic->WiimoteDevice(), 0x31, holdingA, sizeof holdingA);
  ASSERT_EQ(r.injector.Events,
            std::vector<sim::InjectedEvent>{sim::InjectedEvent::ButtonDown(MouseButton::Left)});

  r.hid.Unplug(VirtualWiimote::kDevicePath);
  r.ui.Drain();
  EXPECT_EQ(r.injector.Events,
            (std::vector<sim::InjectedEvent>{sim::InjectedEvent::ButtonDown(MouseButton::Left),
                                             sim::InjectedEvent::ButtonUp(MouseButton::Left)}));
  EXPECT_FALSE(r.state.ButtonState[kSlotA].Pressed);
}

TEST(MainFormLogicTest, TheCursorMovesOnlyWhileAControllerIsConnected) {
  Rig r;
  r.Start();  // no controller yet
  r.logic->CursorOnOffButtonClick();
  r.desktop.PlaceCursor({960, 540});
  r.logic->MotionTimerTimer();  // samples of zero: far from the rest values
  EXPECT_EQ(r.desktop.Cursor(), (Point{960, 540}));

  Rig c;
  c.AddVirtualWiimote();
  c.Start();
  c.logic->CursorOnOffButtonClick();
  const uint8_t tilted[] = {0x00, 0x00, 0x8a, 0x80, 0x80};  // X 10 counts right of rest
  c.logic->ShowRead(c.logic->WiimoteDevice(), 0x31, tilted, sizeof tilted);
  c.desktop.PlaceCursor({960, 540});
  c.logic->MotionTimerTimer();
  EXPECT_EQ(c.desktop.Cursor(), (Point{966, 540}));

  // Unplugged while tilted: the last samples stay, but steer nothing.
  c.hid.Unplug(VirtualWiimote::kDevicePath);
  c.ui.Drain();
  for (int tick = 0; tick < 5; ++tick) c.logic->MotionTimerTimer();
  EXPECT_EQ(c.desktop.Cursor(), (Point{966, 540}));
  EXPECT_EQ(c.logic->Histories().X[0], 0x8a);
}

TEST(MainFormLogicTest, EndingTheProgramReleasesWhatTheButtonsHold) {
  for (const bool saveFails : {false, true}) {
    SCOPED_TRACE(saveFails ? "save fails" : "saved");
    Rig r;
    r.AddVirtualWiimote();
    if (saveFails) r.files.AddDirectory(kConfigFile.parent_path(), /*writable=*/false);
    r.Start();
    const uint8_t holdingA[] = {0x00, 0x08, 0x80, 0x80, 0x80};
    r.logic->ShowRead(r.logic->WiimoteDevice(), 0x31, holdingA, sizeof holdingA);
    r.injector.Events.clear();
    // The error box of a failed save opens with nothing held down.
    r.view.OnShowError = [&] {
      EXPECT_EQ(r.injector.Events,
                std::vector<sim::InjectedEvent>{sim::InjectedEvent::ButtonUp(MouseButton::Left)});
    };
    EXPECT_EQ(r.logic->FormDestroy(), !saveFails);
    EXPECT_EQ(r.injector.Events,
              std::vector<sim::InjectedEvent>{sim::InjectedEvent::ButtonUp(MouseButton::Left)});
    EXPECT_FALSE(r.state.ButtonState[kSlotA].Pressed);
    EXPECT_EQ(r.view.Errors.size(), saveFails ? 1u : 0u);
  }
}

TEST(MainFormLogicTest, DeviceChangeWhileConnectedOnlyResetsTheCaption) {
  Rig r;
  r.AddVirtualWiimote();
  r.Start();
  THidDevice* const device = r.logic->WiimoteDevice();
  r.hid.ClearWrites();
  r.view.Captions.clear();
  r.hid.PlugDevice(test::KeyboardConfig("sim:keyboard", 7));
  r.ui.Drain();
  EXPECT_EQ(r.view.CaptionTexts(), std::vector<std::string>{"Kestrovane - No Wiimote detected."});
  EXPECT_EQ(r.logic->WiimoteDevice(), device);
  EXPECT_TRUE(r.hid.Writes().empty());
  EXPECT_EQ(r.view.ProcessCalls, 3);
}

TEST(MainFormLogicTest, OnlyTheFirstOfTwoControllersIsCheckedOut) {
  Rig r;
  r.hid.AddDevice(test::DeviceConfig("sim:first", 1));
  r.hid.AddDevice(test::DeviceConfig("sim:second", 2));
  r.Start();
  ASSERT_NE(r.logic->WiimoteDevice(), nullptr);
  EXPECT_EQ(r.logic->WiimoteDevice()->PnPInfo().DevicePath, "sim:first");
  const std::vector<sim::SimWrite> writes = r.hid.Writes();
  EXPECT_EQ(writes.size(), 10u);
  for (const sim::SimWrite& write : writes) EXPECT_EQ(write.DevicePath, "sim:first");
  int checkedOut = 0;
  for (const auto& listed : r.logic->HIDCtl().DeviceList()) checkedOut += listed->CheckedOut();
  EXPECT_EQ(checkedOut, 1);
}

TEST(MainFormLogicTest, FormCreateMinimisesOnlyWhenConfigured) {
  const std::pair<const char*, int> cases[] = {
      {nullptr, 0},
      {"[General]\nMinimizeOnStartup=1\n", 1},
      {"[general]\nminimizeonstartup=0\n", 0},
      {"[General]\nMinimizeOnStartup=yes\n", 0},  // not a number: the default
  };
  for (const auto& [config, minimised] : cases) {
    SCOPED_TRACE(config ? config : "no config.ini");
    Rig r;
    if (config) r.files.PutFile(kConfigFile, config);
    r.Start();
    EXPECT_EQ(r.view.Minimized, minimised);
  }
}

TEST(MainFormLogicTest, FormDestroySavesThenLeavesTheControllerShowingLed4) {
  Rig r;
  r.AddVirtualWiimote();
  r.Start();
  r.hid.ClearWrites();
  EXPECT_TRUE(r.logic->FormDestroy());
  EXPECT_TRUE(r.view.Errors.empty());
  const std::optional<std::string> saved = r.files.FileBytes(kConfigFile);
  ASSERT_TRUE(saved.has_value());
  EXPECT_NE(saved->find("CursorMode=Motion"), std::string::npos);
  EXPECT_EQ(r.Written(), (std::vector<std::vector<uint8_t>>{Report({0x11, 0x80, 0x00}),
                                                            Report({0x12, 0x00, 0x30})}));
  EXPECT_EQ(r.wiimote->Leds(), 0x80);
  EXPECT_EQ(r.wiimote->ReportMode(), 0x30);
}

TEST(MainFormLogicTest, FailedSaveShowsTheErrorAndSkipsTheReports) {
  Rig r;
  r.AddVirtualWiimote();
  r.files.AddDirectory(kConfigFile.parent_path(), /*writable=*/false);
  r.Start();
  r.hid.ClearWrites();
  EXPECT_FALSE(r.logic->FormDestroy());
  // The message names the full path, in the platform's own spelling of it.
  const std::string fullPath = std::filesystem::absolute(kConfigFile).string();
  EXPECT_EQ(r.view.Errors, std::vector<std::string>{fullPath + " に書き込めません"});
  EXPECT_TRUE(r.hid.Writes().empty());
  EXPECT_FALSE(r.files.FileBytes(kConfigFile).has_value());
}

TEST(MainFormLogicTest, OutputReportsTakeTheDevicesLengthButNeverMoreThanTheBuffer) {
  struct Case {
    uint16_t Announced;
    uint16_t Accepted;  // what the device really takes
  };
  for (const Case c : {Case{100, kOutputReportBufferSize}, Case{3, 3}}) {
    SCOPED_TRACE(c.Announced);
    Rig r;
    r.hid.AddDevice(
        test::DeviceConfig("sim:odd", 1, test::kWiimoteVendor, test::kWiimoteProduct, c.Accepted));
    AnnouncedLengthHid announcing(r.hid, c.Announced);
    r.Start(&announcing);
    ASSERT_NE(r.logic->WiimoteDevice(), nullptr);
    std::vector<std::vector<uint8_t>> expected = SetUpSequence();
    for (auto& report : expected) report.resize(c.Accepted, 0);
    EXPECT_EQ(r.Written(), expected);
    EXPECT_EQ(r.view.CaptionTexts().back(), "Kestrovane");
    r.logic.reset();  // before the announcing system goes
  }
}

TEST(MainFormLogicTest, IRResetSendsTheEightReportsAgainWithoutCaptionOrPause) {
  Rig r;
  r.AddVirtualWiimote();
  r.Start();
  r.logic->SetButtonReportMode();
  r.hid.ClearWrites();
  const std::size_t captions = r.view.Captions.size();
  const uint32_t before = r.clock.NowMs();
  r.logic->IRResetButtonClick();
  EXPECT_EQ(r.Written(), kIRSetUp);
  EXPECT_EQ(r.view.Captions.size(), captions);
  EXPECT_EQ(r.clock.NowMs(), before);
  EXPECT_EQ(r.wiimote->ReportMode(), 0x33);
}

TEST(MainFormLogicTest, EachBatteryTickRequestsTheStatusOnce) {
  Rig r;
  r.AddVirtualWiimote("battery 0x42\n");
  r.Start();
  r.hid.ClearWrites();
  for (int tick = 1; tick <= 3; ++tick) {
    r.logic->BatteryTimerTimer();
    EXPECT_EQ(r.hid.Writes().size(), static_cast<std::size_t>(tick));
  }
  EXPECT_EQ(r.Written(), std::vector<std::vector<uint8_t>>(3, kStatusRequest));
  EXPECT_TRUE(r.ui.WaitUntil([&] { return r.state.Battery == 0x42; }, kGenerous));
}

}  // namespace
}  // namespace kv
