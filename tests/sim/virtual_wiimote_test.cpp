#include "platform/sim/virtual_wiimote.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "core/hid/hid_test_support.h"
#include "platform/sim/fake_clock.h"

namespace kv::sim {
namespace {

using test::kGenerous;

std::vector<uint8_t> Output(std::initializer_list<uint8_t> bytes) {
  std::vector<uint8_t> report(bytes);
  report.resize(kWiimoteReportLength, 0);
  return report;
}

// The program's side: controller, dispatcher and the virtual device, with a fake clock.
class VirtualWiimoteTest : public ::testing::Test, protected test::HidFixtureBase {
 protected:
  void Load(const std::string& scenarioText) {
    std::string error;
    std::optional<WiimoteScenario> scenario = ParseWiimoteScenario(scenarioText, error);
    ASSERT_TRUE(scenario.has_value()) << error;
    wiimote_ = std::make_unique<VirtualWiimote>(hid_, clock_, *scenario);
    wiimote_->SetLog([this](const std::string& line) { log_.push_back(line); });
    StartController();
  }

  THidDevice* CheckOutWiimote() {
    THidDevice* device = CheckOut(VirtualWiimote::kVendorId, VirtualWiimote::kProductId);
    EXPECT_NE(device, nullptr);
    EXPECT_TRUE(hid_.WaitForPendingRead(VirtualWiimote::kDevicePath, kGenerous));
    return device;
  }

  bool Write(THidDevice* device, const std::vector<uint8_t>& report) {
    uint32_t written = 0;
    return device->WriteSync(report.data(), static_cast<uint32_t>(report.size()), written);
  }

  void AdvanceAndPoll(uint32_t ms) {
    clock_.Advance(ms);
    wiimote_->Poll();
  }

  void TearDown() override {
    controller_.reset();  // before the device's behaviour goes
    wiimote_.reset();
  }

  FakeClock clock_{5000};
  std::unique_ptr<VirtualWiimote> wiimote_;
  std::vector<std::string> log_;
};

TEST_F(VirtualWiimoteTest, ReportsAreReplayedFromCheckOutPaddedTo22Bytes) {
  Load("500 31 00 08 80 80 9a\n800 31 00 00 80 80 9a\n");
  AdvanceAndPoll(1000);  // time before the check-out does not count
  EXPECT_FALSE(wiimote_->CheckedOut());
  THidDevice* device = CheckOutWiimote();
  ASSERT_NE(device, nullptr);
  EXPECT_TRUE(wiimote_->CheckedOut());
  EXPECT_EQ(device->Capabilities().InputReportByteLength, 22);
  EXPECT_EQ(device->Capabilities().OutputReportByteLength, 22);
  AdvanceAndPoll(499);
  EXPECT_TRUE(hid_.WaitForPendingRead(VirtualWiimote::kDevicePath, std::chrono::milliseconds(0)));
  EXPECT_EQ(ui_.Drain(), 0u);
  AdvanceAndPoll(1);
  ASSERT_TRUE(WaitForReports(1));
  EXPECT_EQ(received_[0].ReportID, 0x31);
  EXPECT_EQ(received_[0].Size, 21);
  std::vector<uint8_t> data = {0x00, 0x08, 0x80, 0x80, 0x9a};
  data.resize(21, 0);
  EXPECT_EQ(received_[0].Data, data);
  EXPECT_FALSE(wiimote_->Finished());
  AdvanceAndPoll(300);
  ASSERT_TRUE(WaitForReports(2));
  EXPECT_EQ(received_[1].Data[1], 0x00);
  EXPECT_TRUE(wiimote_->Finished());
}

TEST_F(VirtualWiimoteTest, StatusRequestIsAnsweredWithButtonsAndBattery) {
  Load("battery 0x55\n0 31 10 08 80 80 9a\n");
  THidDevice* device = CheckOutWiimote();
  ASSERT_TRUE(Write(device, Output({0x15, 0x00})));  // before any report: no buttons
  ASSERT_TRUE(WaitForReports(1));
  EXPECT_EQ(received_[0].ReportID, 0x20);
  EXPECT_EQ(received_[0].Size, 21);
  EXPECT_EQ(received_[0].Data[0], 0x00);
  EXPECT_EQ(received_[0].Data[5], 0x55);

  wiimote_->Poll();
  ASSERT_TRUE(WaitForReports(2));
  ASSERT_TRUE(Write(device, Output({0x15, 0x00})));
  ASSERT_TRUE(WaitForReports(3));
  EXPECT_EQ(received_[2].ReportID, 0x20);
  EXPECT_EQ(received_[2].Data[0], 0x10);  // buttons of the last delivered report
  EXPECT_EQ(received_[2].Data[1], 0x08);
  EXPECT_EQ(received_[2].Data[5], 0x55);
}

TEST_F(VirtualWiimoteTest, SetUpSequenceConfiguresTheDeviceLikeTheHardware) {
  Load("");
  THidDevice* device = CheckOutWiimote();
  const std::vector<std::vector<uint8_t>> sequence = {
      Output({0x12, 0x00, 0x31}),
      Output({0x12, 0x00, 0x33}),
      Output({0x13, 0x04}),
      Output({0x1A, 0x04}),
      Output({0x16, 0x04, 0xB0, 0x00, 0x30, 0x01, 0x08}),
      Output({0x16, 0x04, 0xB0, 0x00, 0x06, 0x01, 0x90}),
      Output({0x16, 0x04, 0xB0, 0x00, 0x08, 0x01, 0xC0}),
      Output({0x16, 0x04, 0xB0, 0x00, 0x1A, 0x01, 0x40}),
      Output({0x16, 0x04, 0xB0, 0x00, 0x33, 0x01, 0x33}),
      Output({0x11, 0x91}),
  };
  for (const auto& report : sequence) {
    ASSERT_TRUE(Write(device, report));
    clock_.Advance(10);
  }
  EXPECT_EQ(wiimote_->ReportMode(), 0x33);
  EXPECT_FALSE(wiimote_->ContinuousReporting());
  EXPECT_EQ(wiimote_->ModeChanges(),
            (std::vector<std::pair<uint32_t, uint8_t>>{{0, 0x31}, {10, 0x33}}));
  EXPECT_TRUE(wiimote_->IrCameraEnabled());
  EXPECT_EQ(wiimote_->ControlRegisters(), (std::map<uint32_t, uint8_t>{{0xB00006, 0x90},
                                                                       {0xB00008, 0xC0},
                                                                       {0xB0001A, 0x40},
                                                                       {0xB00030, 0x08},
                                                                       {0xB00033, 0x33}}));
  EXPECT_EQ(wiimote_->Leds(), 0x90);
  EXPECT_TRUE(wiimote_->Rumble());
  EXPECT_EQ(wiimote_->OutputReports(), sequence);

  // Each register write is acknowledged with 0x22 (error 0).
  ASSERT_TRUE(WaitForReports(5));
  for (const test::Received& ack : received_) {
    EXPECT_EQ(ack.ReportID, 0x22);
    EXPECT_EQ(ack.Data[2], 0x16);
    EXPECT_EQ(ack.Data[3], 0x00);
  }

  ASSERT_TRUE(Write(device, Output({0x15, 0x00})));  // also stops the rumble
  ASSERT_TRUE(WaitForReports(6));
  EXPECT_EQ(received_[5].Data[2], 0x98);  // LEDs 1 and 4, camera on
  EXPECT_FALSE(wiimote_->Rumble());
  EXPECT_EQ(ui_.Drain(), 0u);  // nothing else was answered
}

TEST_F(VirtualWiimoteTest, UnplugAndPlugStepsChangeTheDeviceList) {
  Load("100 unplug\n200 plug\n");
  THidDevice* device = CheckOutWiimote();
  std::vector<THidDevice*> removed;
  std::vector<THidDevice*> arrived;
  controller_->SetOnRemoval([&](THidDevice& d) { removed.push_back(&d); });
  controller_->SetOnArrival([&](THidDevice& d) { arrived.push_back(&d); });

  AdvanceAndPoll(100);
  ui_.Drain();  // the device-change notice
  EXPECT_EQ(removed, (std::vector<THidDevice*>{device}));
  EXPECT_FALSE(device->PluggedIn());
  hid_.SetLastError(0);
  EXPECT_FALSE(Write(device, Output({0x15, 0x00})));
  EXPECT_EQ(hid_.LastError(), SimHidSystem::kErrorDeviceNotConnected);

  AdvanceAndPoll(100);
  ui_.Drain();
  ASSERT_EQ(arrived.size(), 1u);
  EXPECT_NE(arrived[0], device);
  EXPECT_EQ(controller_->DeviceList().size(), 2u);
  THidDevice* again = CheckOut(VirtualWiimote::kVendorId, VirtualWiimote::kProductId);
  EXPECT_EQ(again, arrived[0]);
}

TEST_F(VirtualWiimoteTest, ComingBackAfterAnUnplugItHasForgottenItsSetUp) {
  Load("100 unplug\n200 plug\n300 31 00 08\n");
  THidDevice* device = CheckOutWiimote();
  for (const auto& report :
       {Output({0x12, 0x04, 0x33}), Output({0x13, 0x04}), Output({0x1A, 0x04}),
        Output({0x11, 0x91}), Output({0x16, 0x04, 0xB0, 0x00, 0x33, 0x01, 0x33})}) {
    ASSERT_TRUE(Write(device, report));
  }
  AdvanceAndPoll(100);
  ui_.Drain();
  AdvanceAndPoll(100);
  ui_.Drain();
  EXPECT_EQ(wiimote_->ReportMode(), 0x30);
  EXPECT_FALSE(wiimote_->ContinuousReporting());
  EXPECT_FALSE(wiimote_->IrCameraEnabled());
  EXPECT_EQ(wiimote_->Leds(), 0x00);
  EXPECT_FALSE(wiimote_->Rumble());
  EXPECT_TRUE(wiimote_->ControlRegisters().empty());
  // What it was told before is still on record, and the scenario's clock runs on.
  EXPECT_EQ(wiimote_->OutputReports().size(), 5u);
  // Given back, as the program gives back a controller it lost: its read thread ends and cannot
  // take the new one's reports.
  controller_->CheckInDevice(device);
  THidDevice* again = CheckOut(VirtualWiimote::kVendorId, VirtualWiimote::kProductId);
  ASSERT_NE(again, nullptr);
  ASSERT_TRUE(hid_.WaitForPendingRead(VirtualWiimote::kDevicePath, kGenerous));
  const std::size_t before = received_.size();
  AdvanceAndPoll(100);
  ASSERT_TRUE(WaitForReports(before + 1));
  EXPECT_EQ(received_.back().Device, again);
  EXPECT_EQ(received_.back().Data[1], 0x08);
  ASSERT_TRUE(Write(again, Output({0x12, 0x00, 0x31})));
  EXPECT_EQ(log_.back().rfind("300 12 00 31", 0), 0u) << log_.back();
}

TEST_F(VirtualWiimoteTest, PresentsTheProductIdOfItsScenario) {
  Load("product 0x0330\n");
  ASSERT_EQ(controller_->DeviceList().size(), 1u);
  const THidDevice& listed = *controller_->DeviceList()[0];
  EXPECT_EQ(listed.Attributes().VendorID, 0x057E);
  EXPECT_EQ(listed.Attributes().ProductID, 0x0330);
  EXPECT_EQ(listed.PnPInfo().Properties.HardwareId,
            std::vector<std::string>{"SIM\\VID_057E&PID_0330"});
  EXPECT_EQ(CheckOut(VirtualWiimote::kVendorId, 0x0306), nullptr);
  EXPECT_NE(CheckOut(VirtualWiimote::kVendorId, 0x0330), nullptr);
  EXPECT_EQ(VirtualWiimote::DeviceConfig().Properties.HardwareId,
            std::vector<std::string>{"SIM\\VID_057E&PID_0306"});
}

TEST_F(VirtualWiimoteTest, EveryOutputReportIsLoggedWithItsTime) {
  Load("");
  THidDevice* device = CheckOutWiimote();
  clock_.Advance(250);
  ASSERT_TRUE(Write(device, Output({0x12, 0x00, 0x31})));
  clock_.Advance(1);
  ASSERT_TRUE(Write(device, Output({0x1A, 0x04})));
  hid_.FailNextWrite(VirtualWiimote::kDevicePath, SimHidSystem::kErrorGenFailure);
  EXPECT_FALSE(Write(device, Output({0x11, 0x80})));  // never reached the device
  std::string zeros;
  for (int i = 0; i < 19; ++i) zeros += " 00";
  EXPECT_EQ(log_, (std::vector<std::string>{"250 12 00 31" + zeros, "251 1a 04 00" + zeros}));
}

TEST_F(VirtualWiimoteTest, RecordsOfOutputReportsStayBoundedWhileTheLogSeesAll) {
  Load("");
  THidDevice* device = CheckOutWiimote();
  // Streaming long past the default bound: the records keep the latest reports only.
  const std::size_t streamed = SimHidSystem::kDefaultWriteRecordLimit + 100;
  for (std::size_t i = 0; i < streamed; ++i) {
    ASSERT_TRUE(Write(device, Output({0x12, 0x00, static_cast<uint8_t>(i)})));
  }
  EXPECT_EQ(hid_.WriteCount(), streamed);
  EXPECT_EQ(log_.size(), streamed);
  std::vector<SimWrite> writes = hid_.Writes();
  ASSERT_EQ(writes.size(), SimHidSystem::kDefaultWriteRecordLimit);
  EXPECT_EQ(writes.back().Bytes, Output({0x12, 0x00, static_cast<uint8_t>(streamed - 1)}));
  EXPECT_EQ(writes.front().Bytes, Output({0x12, 0x00, static_cast<uint8_t>(100)}));
  ASSERT_EQ(wiimote_->OutputReports().size(), VirtualWiimote::kDefaultRecordLimit);
  EXPECT_EQ(wiimote_->OutputReports().back(), writes.back().Bytes);
  EXPECT_EQ(wiimote_->ModeChanges().size(), VirtualWiimote::kDefaultRecordLimit);

  // A smaller limit trims at once and then holds; a limit of 0 keeps nothing at all.
  hid_.SetWriteRecordLimit(2);
  wiimote_->SetRecordLimit(2);
  ASSERT_TRUE(Write(device, Output({0x15, 0x00})));
  writes = hid_.Writes();
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(writes[0].Bytes, Output({0x12, 0x00, static_cast<uint8_t>(streamed - 1)}));
  EXPECT_EQ(writes[1].Bytes, Output({0x15, 0x00}));
  EXPECT_EQ(wiimote_->OutputReports().size(), 2u);
  EXPECT_EQ(wiimote_->ModeChanges().size(), 2u);
  hid_.SetWriteRecordLimit(0);
  wiimote_->SetRecordLimit(0);
  ASSERT_TRUE(Write(device, Output({0x12, 0x00, 0x33})));
  EXPECT_TRUE(hid_.Writes().empty());
  EXPECT_TRUE(wiimote_->OutputReports().empty());
  EXPECT_TRUE(wiimote_->ModeChanges().empty());
  EXPECT_EQ(wiimote_->ReportMode(), 0x33);  // the device itself still follows every report
  EXPECT_EQ(log_.size(), streamed + 2);
}

TEST_F(VirtualWiimoteTest, FileLogAppendsAndFlushesEachLine) {
  Load("");
  const std::string path =
      (std::filesystem::temp_directory_path() / "kv_virtual_wiimote_log.txt").string();
  {
    std::ofstream file(path);
    file << "earlier run\n";
  }
  std::string error;
  VirtualWiimote::LogSink sink = VirtualWiimote::OpenLogFile(path, error);
  ASSERT_TRUE(static_cast<bool>(sink)) << error;
  wiimote_->SetLog(sink);
  THidDevice* device = CheckOutWiimote();
  ASSERT_TRUE(Write(device, Output({0x15, 0x00})));
  std::ifstream file(path);  // read while the sink still holds the file open
  std::stringstream text;
  text << file.rdbuf();
  std::string expected = "earlier run\n0 15";
  for (int i = 0; i < 21; ++i) expected += " 00";
  EXPECT_EQ(text.str(), expected + "\n");
  wiimote_->SetLog(nullptr);
  std::filesystem::remove(path);

  EXPECT_FALSE(static_cast<bool>(VirtualWiimote::OpenLogFile("/nonexistent-dir/log", error)));
  EXPECT_EQ(error, "cannot open /nonexistent-dir/log for appending");
}

// The replay thread follows the clock on its own; here a clock that follows real time.
class SteadyClock final : public Clock {
 public:
  uint32_t NowMs() override {
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
  }
  void SleepMs(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

TEST(VirtualWiimoteReplay, ReplayThreadDeliversStepsWhenDue) {
  SimHidSystem hid;
  SteadyClock clock;
  UiDispatcher ui;
  std::string error;
  auto scenario = ParseWiimoteScenario("0 31 00 01\n20 31 00 02\n40 31 00 03\n", error);
  ASSERT_TRUE(scenario.has_value());
  VirtualWiimote wiimote(hid, clock, *scenario);
  wiimote.Start();
  {
    THidDeviceController controller(hid, ui);
    std::vector<uint8_t> buttons;
    controller.SetOnDeviceData(
        [&](THidDevice&, uint8_t, const uint8_t* data, uint16_t) { buttons.push_back(data[1]); });
    ui.Drain();
    THidDevice* device = nullptr;
    ASSERT_TRUE(controller.CheckOutDevice(0x057E, 0x0306, device));
    ASSERT_TRUE(ui.WaitUntil([&] { return buttons.size() == 3; }, kGenerous));
    EXPECT_EQ(buttons, (std::vector<uint8_t>{1, 2, 3}));
  }
  wiimote.Stop();
  EXPECT_TRUE(wiimote.Finished());
}

// Status requests answered while reports arrive: each answer carries the buttons of the report
// that came just before it, never older ones, or the program would see a button change back.
TEST(VirtualWiimoteReplay, StatusAnswersCarryTheButtonsOfTheReportBeforeThem) {
  SimHidSystem hid;
  SteadyClock clock;
  UiDispatcher ui;
  std::string error;
  auto scenario = ParseWiimoteScenario("battery 200\n", error);
  ASSERT_TRUE(scenario.has_value());
  VirtualWiimote wiimote(hid, clock, *scenario);
  THidDeviceController controller(hid, ui);
  std::vector<std::pair<uint8_t, uint8_t>> received;  // report ID, second button byte
  std::atomic<int> receivedCount{0};
  controller.SetOnDeviceData([&](THidDevice&, uint8_t id, const uint8_t* data, uint16_t) {
    received.emplace_back(id, data[1]);
    ++receivedCount;
  });
  ui.Drain();
  THidDevice* device = nullptr;
  ASSERT_TRUE(controller.CheckOutDevice(0x057E, 0x0306, device));
  constexpr int kRounds = 400;
  // Both sides run on workers while this thread takes the reports. Neither runs more than a few
  // reports ahead of what arrived, so the device's queue never overflows (a dropped report would
  // make an answer look stale) however slowly the reports are taken.
  std::atomic<int> queued{0};
  const auto keepPace = [&] {
    while (queued - receivedCount > 16) std::this_thread::sleep_for(std::chrono::microseconds(50));
  };
  std::atomic<bool> ended{false};
  std::thread worker([&] {
    std::thread requests([&] {
      const uint8_t request[2] = {0x15, 0x00};
      for (int i = 0; i < kRounds; ++i) {
        keepPace();
        ++queued;
        wiimote.OnOutputReport(request, sizeof request);
        std::this_thread::sleep_for(std::chrono::microseconds(150));
      }
    });
    for (int i = 0; i < kRounds; ++i) {
      keepPace();
      ++queued;
      wiimote.Deliver({0x30, 0x00, static_cast<uint8_t>(i % 2 ? 0x08 : 0x00)});
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    requests.join();
    ended = true;
    ui.NotifyWaiters();
  });
  ui.Join(worker, ended);
  wiimote.Deliver({0x30, 0x00, 0x02});  // the last one, to wait for
  ASSERT_TRUE(ui.WaitUntil(
      [&] {
        return !received.empty() && received.back() == std::make_pair<uint8_t, uint8_t>(0x30, 2);
      },
      kGenerous));
  uint8_t buttons = 0;
  int answers = 0;
  for (std::size_t i = 0; i < received.size(); ++i) {
    if (received[i].first == 0x30) buttons = received[i].second;
    if (received[i].first != 0x20) continue;
    ++answers;
    ASSERT_EQ(received[i].second, buttons) << "answer at " << i << " of " << received.size();
  }
  EXPECT_EQ(answers, kRounds);
}

}  // namespace
}  // namespace kv::sim
