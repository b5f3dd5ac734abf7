#include "core/hid/hid_device.h"

#include <gtest/gtest.h>

#include "core/hid/hid_test_support.h"

namespace kv {
namespace {

using sim::SimHidSystem;
using test::DeviceConfig;

class HidDeviceTest : public ::testing::Test, protected test::HidFixtureBase {
 protected:
  void SetUp() override {
    auto config = DeviceConfig("wiimote", 1);
    config.Caps.FeatureReportByteLength = 3;
    hid_.AddDevice(config);
    StartController();
    device_ = controller_->DeviceList()[0].get();
  }
  THidDevice* device_ = nullptr;
};

TEST_F(HidDeviceTest, AFreeDeviceOpensNothing) {
  EXPECT_FALSE(device_->IsAccessible());
  EXPECT_FALSE(device_->OpenDeviceHandle());
  EXPECT_FALSE(device_->OpenReadHandle());
  EXPECT_FALSE(device_->OpenWriteHandle());
  EXPECT_EQ(device_->Capabilities().InputReportByteLength, 0);  // needs access the first time
  const int opensBefore = hid_.OpenCount("wiimote", HidAccess::ReadWrite);
  uint8_t report[22] = {0x11, 0x80};
  uint32_t written = 0;
  EXPECT_FALSE(device_->WriteSync(report, sizeof report, written));
  EXPECT_EQ(hid_.OpenCount("wiimote", HidAccess::ReadWrite), opensBefore);
  EXPECT_TRUE(hid_.Writes().empty());
}

TEST_F(HidDeviceTest, OutputPathWritesThroughTheSynchronousHandle) {
  THidDevice* device = CheckOut();
  ASSERT_EQ(device, device_);
  const HidCaps caps = device->Capabilities();
  EXPECT_EQ(caps.InputReportByteLength, 22);
  EXPECT_EQ(caps.OutputReportByteLength, 22);
  EXPECT_EQ(caps.FeatureReportByteLength, 3);
  EXPECT_EQ(device->DeviceHandle(), kInvalidHidHandle);  // closed again after fetching

  uint8_t report[22] = {0x12, 0x00, 0x31};
  ASSERT_TRUE(device->OpenDeviceHandle());
  EXPECT_EQ(device->NumInputBuffers(), SimHidSystem::kDefaultInputBuffers);
  const HidHandle handle = device->DeviceHandle();
  uint32_t written = 0;
  ASSERT_TRUE(device->WriteSync(report, caps.OutputReportByteLength, written));
  EXPECT_EQ(written, 22u);
  device->CloseDeviceHandle();
  EXPECT_EQ(device->NumInputBuffers(), 0u);

  const std::vector<sim::SimWrite> writes = hid_.Writes();
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0].DevicePath, "wiimote");
  EXPECT_EQ(writes[0].Handle, handle);
  EXPECT_EQ(writes[0].Bytes, std::vector<uint8_t>(report, report + 22));
}

TEST_F(HidDeviceTest, FailedWriteLeavesTheSystemErrorAndKeepsTheHandle) {
  THidDevice* device = CheckOut();
  hid_.FailNextWrite("wiimote", SimHidSystem::kErrorGenFailure);
  uint8_t report[22] = {0x15};
  uint32_t written = 0;
  EXPECT_FALSE(device->WriteSync(report, sizeof report, written));
  EXPECT_EQ(hid_.LastError(), SimHidSystem::kErrorGenFailure);
  EXPECT_NE(device->DeviceHandle(), kInvalidHidHandle);  // the caller closes only on success
  EXPECT_TRUE(device->WriteSync(report, sizeof report, written));  // reuses it
  EXPECT_EQ(hid_.OpenCount("wiimote", HidAccess::ReadWrite), 3);   // creation, caps, first write
}

TEST_F(HidDeviceTest, WriteToUnpluggedDeviceReportsDeviceNotConnected) {
  THidDevice* device = CheckOut();
  hid_.Unplug("wiimote");
  ui_.Drain();
  ASSERT_FALSE(device->PluggedIn());
  hid_.SetLastError(0);  // an earlier success must not be what the caller shows
  uint8_t report[22] = {0x11, 0x90};
  uint32_t written = 7;
  EXPECT_FALSE(device->WriteSync(report, sizeof report, written));
  EXPECT_EQ(written, 0u);
  EXPECT_EQ(hid_.LastError(), hid_.DeviceNotConnectedCode());
  EXPECT_TRUE(hid_.Writes().empty());
}

TEST_F(HidDeviceTest, ReadSleepTimeAcceptsOnlyItsRange) {
  struct Case {
    int value;
    int expected;
  };
  const Case cases[] = {{9, 100}, {10, 10}, {10000, 10000}, {10001, 10000}, {-5, 10000}};
  for (const Case& c : cases) {
    device_->SetReadSleepTime(c.value);
    EXPECT_EQ(device_->ReadSleepTime(), c.expected) << "after " << c.value;
  }
}

TEST_F(HidDeviceTest, MarkUnpluggedClosesHandlesAndRunsTheUnplugHandlerOnce) {
  THidDevice* device = CheckOut();
  device->SetDataHandler(nullptr);
  int unplugs = 0;
  device->SetUnplugHandler([&](THidDevice& d) {
    EXPECT_FALSE(d.PluggedIn());
    ++unplugs;
  });
  ASSERT_TRUE(device->OpenDeviceHandle());
  ASSERT_TRUE(device->OpenReadHandle());
  ASSERT_TRUE(device->OpenWriteHandle());
  EXPECT_EQ(hid_.OpenHandleCount(), 3u);
  device->MarkUnplugged();
  device->MarkUnplugged();
  EXPECT_EQ(unplugs, 1);
  EXPECT_FALSE(static_cast<bool>(device->UnplugHandler()));
  EXPECT_EQ(hid_.OpenHandleCount(), 0u);
  EXPECT_FALSE(device->OpenDeviceHandle());
}

TEST_F(HidDeviceTest, WithoutPreparsedDataCapabilitiesAreZero) {
  auto config = DeviceConfig("no-preparsed", 2, 0x2222, 1);
  config.PreparsedFails = true;
  hid_.PlugDevice(config);
  ui_.Drain();
  THidDevice* device = CheckOut(0x2222, 1);
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(device->Capabilities().InputReportByteLength, 0);
  EXPECT_EQ(device->Capabilities().OutputReportByteLength, 0);
  // Its read thread reads into an empty buffer and delivers nothing.
  ASSERT_TRUE(device->HasReadThread());
  hid_.QueueInputReport("no-preparsed", {0x31, 0x00});
  device->SetDataHandler(nullptr);
  EXPECT_TRUE(received_.empty());
}

}  // namespace
}  // namespace kv
