#include "core/hid/hid_device_read_thread.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <stdexcept>

#include "core/hid/hid_test_support.h"

namespace kv {
namespace {

using sim::SimHidSystem;
using test::DeviceConfig;
using test::kGenerous;

std::vector<uint8_t> Report(std::initializer_list<uint8_t> bytes, std::size_t length = 22) {
  std::vector<uint8_t> report(bytes);
  report.resize(length, 0);
  return report;
}

class HidReadThreadTest : public ::testing::Test, protected test::HidFixtureBase {
 protected:
  void SetUp() override {
    hid_.AddDevice(DeviceConfig("wiimote", 1));
    StartController();
  }

  // Checks the Wii Remote out and waits until its read thread has a read outstanding.
  THidDevice* CheckOutReading() {
    THidDevice* device = CheckOut();
    EXPECT_NE(device, nullptr);
    if (device) device->SetReadSleepTime(10);
    EXPECT_TRUE(hid_.WaitForPendingRead("wiimote", kGenerous));
    return device;
  }

  // Waits, without running them, until `count` calls have been handed to the UI thread.
  void WaitForQueuedCalls(int count) {
    std::unique_lock<std::mutex> lock(wakeMutex_);
    ASSERT_TRUE(wakeChanged_.wait_for(lock, kGenerous, [&] { return wakes_ >= count; }));
  }
  void CountWakes() {
    ui_.SetWaker([this] {
      std::lock_guard<std::mutex> lock(wakeMutex_);
      ++wakes_;
      wakeChanged_.notify_all();
    });
  }

  std::mutex wakeMutex_;
  std::condition_variable wakeChanged_;
  int wakes_ = 0;
};

TEST_F(HidReadThreadTest, ReportArrivesOnUiThreadAsIdDataAndSize) {
  THidDevice* device = CheckOutReading();
  ASSERT_TRUE(device->HasReadThread());
  EXPECT_EQ(device->ReadThread()->ReportBuffer().size(), 22u);
  std::thread::id handlerThread;
  controller_->SetOnDeviceData([&](THidDevice& d, uint8_t id, const uint8_t* data, uint16_t size) {
    handlerThread = std::this_thread::get_id();
    received_.push_back({&d, id, std::vector<uint8_t>(data, data + size), size});
  });
  ASSERT_TRUE(hid_.QueueInputReport("wiimote", Report({0x31, 0x10, 0x08, 0x80, 0x81, 0x9a})));
  ASSERT_TRUE(WaitForReports(1));
  EXPECT_EQ(handlerThread, std::this_thread::get_id());
  EXPECT_EQ(received_[0].Device, device);
  EXPECT_EQ(received_[0].ReportID, 0x31);
  EXPECT_EQ(received_[0].Size, 21);
  EXPECT_EQ(received_[0].Data, Report({0x10, 0x08, 0x80, 0x81, 0x9a}, 21));
}

TEST_F(HidReadThreadTest, ShortReadsAreDeliveredAndEmptyOnesDropped) {
  CheckOutReading();
  hid_.QueueInputReport("wiimote", {0x20});  // one byte: ID only
  hid_.QueueInputReport("wiimote", {});      // nothing at all
  hid_.QueueInputReport("wiimote", {0x22, 0x01, 0x02});
  ASSERT_TRUE(WaitForReports(2));
  EXPECT_EQ(received_[0].ReportID, 0x20);
  EXPECT_EQ(received_[0].Size, 0);
  EXPECT_EQ(received_[1].ReportID, 0x22);
  EXPECT_EQ(received_[1].Data, (std::vector<uint8_t>{0x01, 0x02}));
}

TEST_F(HidReadThreadTest, ReportsArriveInOrderOneAtATime) {
  CheckOutReading();
  for (uint8_t i = 0; i < 50; ++i) hid_.QueueInputReport("wiimote", Report({0x31, i}));
  ASSERT_TRUE(WaitForReports(50));
  for (uint8_t i = 0; i < 50; ++i) EXPECT_EQ(received_[i].Data[0], i);
}

TEST_F(HidReadThreadTest, EmptyHandlerStopsTheThreadAndANewOneStartsAnother) {
  THidDevice* device = CheckOutReading();
  device->SetDataHandler(nullptr);
  EXPECT_FALSE(device->HasReadThread());
  EXPECT_FALSE(hid_.WaitForPendingRead("wiimote", std::chrono::milliseconds(0)));  // cancelled
  const std::size_t startsBefore = hid_.ReadStarts("wiimote").size();

  device->SetDataHandler(RecordingHandler());
  ASSERT_TRUE(device->HasReadThread());
  ASSERT_TRUE(hid_.WaitForReadStarts("wiimote", startsBefore + 1, kGenerous));
  hid_.QueueInputReport("wiimote", Report({0x31, 0x42}));
  ASSERT_TRUE(WaitForReports(1));
  EXPECT_EQ(received_[0].Data[0], 0x42);
}

TEST_F(HidReadThreadTest, ReplacedHandlerKeepsTheThreadAndGetsTheNextReport) {
  THidDevice* device = CheckOutReading();
  const THidDeviceReadThread* thread = device->ReadThread();
  int other = 0;
  device->SetDataHandler([&](THidDevice&, uint8_t, const uint8_t*, uint16_t) { ++other; });
  EXPECT_EQ(device->ReadThread(), thread);
  hid_.QueueInputReport("wiimote", Report({0x31}));
  ASSERT_TRUE(ui_.WaitUntil([&] { return other == 1; }, kGenerous));
  EXPECT_TRUE(received_.empty());
}

TEST_F(HidReadThreadTest, DeviceThatIsNotCheckedOutNeverReads) {
  THidDevice* device = controller_->DeviceList()[0].get();
  device->SetDataHandler(RecordingHandler());
  device->SetDataHandler([](THidDevice&, uint8_t, const uint8_t*, uint16_t) {});
  EXPECT_FALSE(device->HasReadThread());
  EXPECT_TRUE(hid_.ReadStarts("wiimote").empty());
}

// The required property of the hand-off: the UI thread stops a read thread whose report is
// waiting to be handed over. The stop runs the hand-off while it waits: no deadlock, no loss.
TEST_F(HidReadThreadTest, StoppingAThreadBlockedInHandOffDeliversTheReport) {
  CountWakes();
  THidDevice* device = CheckOutReading();
  hid_.QueueInputReport("wiimote", Report({0x31, 0x77}));
  WaitForQueuedCalls(1);  // the thread now blocks in the hand-off
  EXPECT_TRUE(received_.empty());
  device->SetDataHandler(nullptr);
  EXPECT_FALSE(device->HasReadThread());
  ASSERT_EQ(received_.size(), 1u);
  EXPECT_EQ(received_[0].Data[0], 0x77);
  EXPECT_EQ(ui_.Pending(), 0u);
}

TEST_F(HidReadThreadTest, StoppingFromInsideItsOwnHandlerDoesNotWaitForItself) {
  THidDevice* device = CheckOutReading();
  int calls = 0;
  device->SetDataHandler([&](THidDevice& d, uint8_t, const uint8_t*, uint16_t) {
    ++calls;
    d.SetDataHandler(nullptr);
  });
  hid_.QueueInputReport("wiimote", Report({0x31}));
  ASSERT_TRUE(ui_.WaitUntil([&] { return calls == 1; }, kGenerous));
  EXPECT_FALSE(device->HasReadThread());
  hid_.QueueInputReport("wiimote", Report({0x31}));
  EXPECT_EQ(ui_.Drain(), 0u);
  EXPECT_EQ(calls, 1);
}

TEST_F(HidReadThreadTest, CheckInFromInsideItsOwnHandlerIsSafe) {
  THidDevice* device = CheckOutReading();
  THidDevice* held = device;
  int calls = 0;
  device->SetDataHandler([&](THidDevice&, uint8_t, const uint8_t*, uint16_t) {
    ++calls;
    controller_->CheckInDevice(held);  // destroys the device whose report this is
  });
  hid_.QueueInputReport("wiimote", Report({0x31}));
  ASSERT_TRUE(ui_.WaitUntil([&] { return calls == 1; }, kGenerous));
  EXPECT_EQ(held, nullptr);
  ASSERT_EQ(controller_->DeviceList().size(), 1u);
  EXPECT_FALSE(controller_->DeviceList()[0]->CheckedOut());
}

TEST_F(HidReadThreadTest, HandlerFailureEndsTheThreadUntilItIsRestarted) {
  THidDevice* device = CheckOutReading();
  device->SetDataHandler([](THidDevice&, uint8_t, const uint8_t*, uint16_t) {
    throw std::runtime_error("decoder failed");
  });
  hid_.QueueInputReport("wiimote", Report({0x31}));
  const THidDeviceReadThread* thread = device->ReadThread();
  ASSERT_TRUE(ui_.WaitUntil([&] { return thread->Ended(); }, kGenerous));
  EXPECT_TRUE(static_cast<bool>(thread->FatalException()));
  EXPECT_TRUE(device->HasReadThread());  // recorded until stopped: no second thread meanwhile
  device->SetDataHandler(RecordingHandler());
  EXPECT_EQ(device->ReadThread(), thread);
  hid_.QueueInputReport("wiimote", Report({0x31, 0x01}));
  EXPECT_EQ(ui_.Drain(), 0u);

  device->SetDataHandler(nullptr);
  device->SetDataHandler(RecordingHandler());
  ASSERT_TRUE(WaitForReports(1));
  EXPECT_EQ(received_[0].Data[0], 0x01);
}

TEST_F(HidReadThreadTest, FailingReadStartsAreReportedOneSliceApart) {
  THidDevice* device = CheckOutReading();
  std::vector<uint32_t> errors;
  device->SetDataErrorHandler([&](THidDevice& d, uint32_t error) {
    EXPECT_EQ(&d, device);
    errors.push_back(error);
  });
  hid_.SetReadStartFailure("wiimote", SimHidSystem::kErrorGenFailure);
  const std::size_t before = hid_.ReadStarts("wiimote").size();
  hid_.QueueInputReport("wiimote", Report({0x31}));  // completes the pending read
  ASSERT_TRUE(ui_.WaitUntil([&] { return errors.size() >= 4; }, kGenerous));
  EXPECT_EQ(errors[0], SimHidSystem::kErrorGenFailure);

  const auto starts = hid_.ReadStarts("wiimote");
  ASSERT_GE(starts.size(), before + 4);  // one more than the failed starts reported
  for (std::size_t i = before + 1; i < before + 4; ++i) {
    EXPECT_GE(starts[i] - starts[i - 1], std::chrono::milliseconds(10)) << "attempt " << i;
  }
  device->SetDataHandler(nullptr);  // stops within the pause
  EXPECT_FALSE(device->HasReadThread());
}

TEST_F(HidReadThreadTest, UnpluggedWhileReadingTheThreadReportsNotConnected) {
  THidDevice* device = CheckOutReading();
  std::vector<uint32_t> errors;
  device->SetDataErrorHandler([&](THidDevice&, uint32_t error) { errors.push_back(error); });
  hid_.Unplug("wiimote");
  ASSERT_TRUE(ui_.WaitUntil([&] { return errors.size() >= 2; }, kGenerous));
  EXPECT_FALSE(device->PluggedIn());  // the notice ran meanwhile
  EXPECT_EQ(errors.back(), hid_.DeviceNotConnectedCode());
  EXPECT_TRUE(device->HasReadThread());  // unplugging does not stop it
}

TEST_F(HidReadThreadTest, DispatcherShutdownEndsTheThread) {
  CountWakes();
  THidDevice* device = CheckOutReading();
  hid_.QueueInputReport("wiimote", Report({0x31}));
  WaitForQueuedCalls(1);
  ui_.Shutdown();
  const THidDeviceReadThread* thread = device->ReadThread();
  ASSERT_TRUE(ui_.WaitUntil([&] { return thread->Ended(); }, kGenerous));
  EXPECT_TRUE(received_.empty());
  controller_.reset();
}

}  // namespace
}  // namespace kv
