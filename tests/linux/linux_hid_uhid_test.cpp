// End-to-end tests of LinuxHidSystem against virtual HID devices that the kernel's uhid driver
// creates on request: enumeration, attributes, capabilities, output and input reports and the
// device-change watch, all through real hidraw nodes. Skipped where /dev/uhid is not available.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/input.h>
#include <linux/uhid.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <optional>

#include "platform/linux/linux_hid_system.h"
#include "support/change_counter.h"
#include "support/hex_fixture.h"

namespace kv::linux_backend {
namespace {

using Bytes = std::vector<uint8_t>;
constexpr int kWaitMs = 10000;

// One virtual device on /dev/uhid; destroyed with the object.
class UhidDevice {
 public:
  UhidDevice() : fd_(open("/dev/uhid", O_RDWR | O_CLOEXEC)), openError_(errno) {}
  ~UhidDevice() {
    Destroy();
    if (fd_ >= 0) close(fd_);
  }
  UhidDevice(const UhidDevice&) = delete;
  UhidDevice& operator=(const UhidDevice&) = delete;

  bool Available() const { return fd_ >= 0; }
  std::string WhyNot() const { return std::string("/dev/uhid: ") + strerror(openError_); }

  bool Create(const std::string& name, const Bytes& descriptor, uint16_t vendor, uint16_t product) {
    uhid_event ev{};
    ev.type = UHID_CREATE2;
    std::strncpy(reinterpret_cast<char*>(ev.u.create2.name), name.c_str(),
                 sizeof ev.u.create2.name - 1);
    std::memcpy(ev.u.create2.rd_data, descriptor.data(), descriptor.size());
    ev.u.create2.rd_size = static_cast<uint16_t>(descriptor.size());
    ev.u.create2.bus = BUS_USB;  // not Bluetooth: keeps the kernel's own controller driver off
    ev.u.create2.vendor = vendor;
    ev.u.create2.product = product;
    ev.u.create2.version = 0x0100;
    created_ = Send(ev);
    return created_;
  }

  void Destroy() {
    if (!created_) return;
    uhid_event ev{};
    ev.type = UHID_DESTROY;
    Send(ev);
    created_ = false;
  }

  bool Input(const Bytes& report) {
    uhid_event ev{};
    ev.type = UHID_INPUT2;
    std::memcpy(ev.u.input2.data, report.data(), report.size());
    ev.u.input2.size = static_cast<uint16_t>(report.size());
    return Send(ev);
  }

  // The next output report the device receives, skipping other events.
  std::optional<Bytes> NextOutput() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    while (std::chrono::steady_clock::now() < deadline) {
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, kWaitMs) <= 0) return std::nullopt;
      uhid_event ev{};
      if (read(fd_, &ev, sizeof ev) <= 0) return std::nullopt;
      if (ev.type == UHID_OUTPUT && ev.u.output.rtype == UHID_OUTPUT_REPORT) {
        const uint16_t size = ev.u.output.size;
        return Bytes(ev.u.output.data, ev.u.output.data + size);
      }
    }
    return std::nullopt;
  }

 private:
  bool Send(const uhid_event& ev) { return write(fd_, &ev, sizeof ev) == sizeof ev; }

  int fd_;
  int openError_;
  bool created_ = false;
};

class LinuxHidUhid : public testing::Test {
 protected:
  void SetUp() override {
    if (!device_.Available()) {
      GTEST_SKIP() << "virtual HID devices cannot be created here (" << device_.WhyNot()
                   << "); the kernel needs the uhid driver and the test needs root";
    }
    ASSERT_TRUE(hid_.StartDeviceNotifications(changes_.Callback()));
  }
  void TearDown() override { hid_.StopDeviceNotifications(); }

  // The enumeration entry of the device named `name`, waiting for it to appear.
  std::optional<HidInterfaceInfo> WaitForInterface(const std::string& name) {
    for (;;) {
      const int seen = changes_.Count();
      const auto list = hid_.EnumerateInterfaces();
      if (list) {
        for (const auto& info : *list) {
          if (info.Properties.FriendlyName == name) return info;
        }
      }
      if (!changes_.WaitBeyond(seen)) return std::nullopt;
    }
  }

  bool Listed(const std::string& name) {
    const auto list = hid_.EnumerateInterfaces();
    for (const auto& info : list.value_or(std::vector<HidInterfaceInfo>{})) {
      if (info.Properties.FriendlyName == name) return true;
    }
    return false;
  }

  UhidDevice device_;
  LinuxHidSystem hid_;
  test::ChangeCounter changes_;
};

TEST_F(LinuxHidUhid, VirtualControllerWorksEndToEnd) {
  const std::string name = "Kestrovane test controller";
  const Bytes descriptor = test::ReadHexFixture("hid/wiimote-report-descriptor.hex");
  const int before = changes_.Count();
  ASSERT_TRUE(device_.Create(name, descriptor, 0x057E, 0x0306));
  const auto info = WaitForInterface(name);
  ASSERT_TRUE(info.has_value()) << "no hidraw node appeared for the virtual device";
  EXPECT_GT(changes_.Count(), before);
  EXPECT_EQ(info->DevicePath.rfind("/dev/hidraw", 0), 0u);
  EXPECT_EQ(info->Properties.BusNumber, static_cast<uint32_t>(BUS_USB));
  ASSERT_EQ(info->Properties.HardwareId.size(), 1u);
  EXPECT_NE(info->Properties.HardwareId[0].find("v0000057Ep00000306"), std::string::npos);

  const HidHandle h = hid_.Open(info->DevicePath, HidAccess::ReadWrite);
  ASSERT_NE(h, kInvalidHidHandle) << hid_.ErrorText(hid_.LastError());
  HidAttributes attributes;
  ASSERT_TRUE(hid_.GetAttributes(h, attributes));
  EXPECT_EQ(attributes.VendorID, 0x057E);
  EXPECT_EQ(attributes.ProductID, 0x0306);
  const auto data = hid_.GetPreparsedData(h);
  ASSERT_NE(data, nullptr);
  HidCaps caps;
  ASSERT_TRUE(hid_.GetCaps(*data, caps));
  EXPECT_EQ(caps.InputReportByteLength, 22);
  EXPECT_EQ(caps.OutputReportByteLength, 22);
  EXPECT_EQ(caps.FeatureReportByteLength, 0);

  // Output: LED report, padded to the output report length as the program sends it.
  Bytes led(22, 0);
  led[0] = 0x11;
  led[1] = 0x10;
  uint32_t written = 0;
  ASSERT_TRUE(hid_.Write(h, led.data(), 22, written)) << hid_.ErrorText(hid_.LastError());
  EXPECT_EQ(written, 22u);
  EXPECT_EQ(device_.NextOutput(), led);

  // Input: a buttons-and-accelerometer report reaches a read handle with its ID byte first.
  const HidHandle reader = hid_.Open(info->DevicePath, HidAccess::Read);
  ASSERT_NE(reader, kInvalidHidHandle);
  Bytes buffer(22, 0xEE);
  ASSERT_TRUE(hid_.StartRead(reader, buffer.data(), 22));
  const Bytes report = {0x31, 0x00, 0x08, 0x80, 0x80, 0x9A};
  ASSERT_TRUE(device_.Input(report));
  ASSERT_EQ(hid_.WaitRead(reader, kWaitMs), HidWaitResult::Completed);
  ASSERT_EQ(hid_.ReadResult(reader), report.size());
  EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 6), report);

  // The device leaves: a notification, gone from the list, writes and reads refused.
  const int beforeRemoval = changes_.Count();
  device_.Destroy();
  EXPECT_TRUE(changes_.WaitBeyond(beforeRemoval));
  EXPECT_FALSE(Listed(name));
  EXPECT_FALSE(hid_.Write(h, led.data(), 22, written));
  EXPECT_EQ(hid_.LastError(), hid_.DeviceNotConnectedCode());
  EXPECT_FALSE(hid_.StartRead(reader, buffer.data(), 22));
  EXPECT_EQ(hid_.LastError(), hid_.DeviceNotConnectedCode());
  hid_.Close(reader);
  hid_.Close(h);
}

TEST_F(LinuxHidUhid, ReportsOfADeviceWithoutReportIdsGetAZeroIdByte) {
  const std::string name = "Kestrovane test mouse";
  const Bytes descriptor = test::ReadHexFixture("hid/boot-mouse-report-descriptor.hex");
  ASSERT_TRUE(device_.Create(name, descriptor, 0x1234, 0x5678));
  const auto info = WaitForInterface(name);
  ASSERT_TRUE(info.has_value()) << "no hidraw node appeared for the virtual device";
  const HidHandle reader = hid_.Open(info->DevicePath, HidAccess::Read);
  ASSERT_NE(reader, kInvalidHidHandle);
  const auto data = hid_.GetPreparsedData(reader);
  ASSERT_NE(data, nullptr);
  HidCaps caps;
  ASSERT_TRUE(hid_.GetCaps(*data, caps));
  ASSERT_EQ(caps.InputReportByteLength, 4);
  Bytes buffer(caps.InputReportByteLength, 0xEE);
  ASSERT_TRUE(hid_.StartRead(reader, buffer.data(), caps.InputReportByteLength));
  ASSERT_TRUE(device_.Input({0x01, 0x05, 0xFB}));
  ASSERT_EQ(hid_.WaitRead(reader, kWaitMs), HidWaitResult::Completed);
  EXPECT_EQ(hid_.ReadResult(reader), 4u);
  EXPECT_EQ(buffer, (Bytes{0x00, 0x01, 0x05, 0xFB}));
  hid_.Close(reader);
}

}  // namespace
}  // namespace kv::linux_backend
