#include "platform/linux/linux_hid_system.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "support/change_counter.h"
#include "support/hex_fixture.h"
#include "support/temp_dir.h"

namespace kv::linux_backend {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
constexpr uint32_t Code(int error) { return static_cast<uint32_t>(error); }

TEST(LinuxHidSystem, ErrorsAreErrnoValuesOfTheCallingThread) {
  LinuxHidSystem hid;
  EXPECT_EQ(hid.DeviceNotConnectedCode(), Code(ENODEV));
  EXPECT_EQ(hid.ErrorText(ENODEV), "No such device");
  EXPECT_EQ(hid.ErrorText(EACCES), "Permission denied");
  hid.SetLastError(EACCES);
  uint32_t seenThere = 1;
  std::thread([&] { seenThere = hid.LastError(); }).join();
  EXPECT_EQ(seenThere, 0u);
  EXPECT_EQ(hid.LastError(), Code(EACCES));
}

TEST(LinuxHidSystem, MissingNodesAndUnknownHandlesFail) {
  LinuxHidSystem hid;
  for (const HidAccess access :
       {HidAccess::ReadWrite, HidAccess::QueryOnly, HidAccess::Read, HidAccess::Write}) {
    hid.SetLastError(0);
    EXPECT_EQ(hid.Open("/dev/kestrovane-no-such-hidraw", access), kInvalidHidHandle);
    EXPECT_EQ(hid.LastError(), Code(ENOENT));
  }
  HidAttributes attributes;
  EXPECT_FALSE(hid.GetAttributes(12345, attributes));
  EXPECT_EQ(hid.LastError(), Code(EBADF));
  EXPECT_EQ(hid.WaitRead(12345, 60000), HidWaitResult::Completed);  // nothing to wait for
  hid.Close(kInvalidHidHandle);
}

TEST(LinuxHidSystem, EnumerationListsEveryHidrawNode) {
  LinuxHidSystem hid;
  ASSERT_TRUE(hid.LibrariesLoaded());
  const auto list = hid.EnumerateInterfaces();
  ASSERT_TRUE(list.has_value());
  std::error_code ec;
  const auto nodes = std::distance(fs::directory_iterator("/sys/class/hidraw", ec), {});
  // A machine without HID devices gives an empty list, not a failure.
  EXPECT_EQ(static_cast<long>(list->size()), nodes);
  for (size_t i = 0; i < list->size(); ++i) {
    EXPECT_EQ((*list)[i].DevicePath.rfind("/dev/hidraw", 0), 0u) << (*list)[i].DevicePath;
    for (size_t j = 0; j < i; ++j) EXPECT_NE((*list)[j].DeviceInstance, (*list)[i].DeviceInstance);
  }
}

// A named pipe stands in for a device node: reports are written and read on it the same way.
class LinuxHidPipe : public testing::Test {
 protected:
  void SetUp() override {
    path_ = (dir_.Path() / "hidraw-pipe").string();
    ASSERT_EQ(mkfifo(path_.c_str(), 0600), 0);
    reader_ = hid_.Open(path_, HidAccess::Read);  // non-blocking: needs no writer
    writer_ = hid_.Open(path_, HidAccess::Write);
    ASSERT_NE(reader_, kInvalidHidHandle);
    ASSERT_NE(writer_, kInvalidHidHandle);
  }

  void Send(const Bytes& report) {
    uint32_t written = 0;
    ASSERT_TRUE(hid_.Write(writer_, report.data(), static_cast<uint32_t>(report.size()), written));
    ASSERT_EQ(written, report.size());
  }

  test::TempDir dir_;
  std::string path_;
  LinuxHidSystem hid_;
  HidHandle reader_ = kInvalidHidHandle;
  HidHandle writer_ = kInvalidHidHandle;
  Bytes buffer_ = Bytes(22, 0);
};

TEST_F(LinuxHidPipe, ReportsAreReadOneByOneWithTheirLength) {
  Bytes report(22, 0);
  report[0] = 0x31;
  report[21] = 0x9A;
  Send(report);
  Send({0x20, 0x00, 0x00});
  ASSERT_TRUE(hid_.StartRead(reader_, buffer_.data(), 22));
  EXPECT_EQ(hid_.WaitRead(reader_, 5000), HidWaitResult::Completed);
  EXPECT_EQ(hid_.ReadResult(reader_), 22u);
  EXPECT_EQ(buffer_, report);
  ASSERT_TRUE(hid_.StartRead(reader_, buffer_.data(), 22));
  EXPECT_EQ(hid_.WaitRead(reader_, 5000), HidWaitResult::Completed);
  EXPECT_EQ(hid_.ReadResult(reader_), 3u);
  EXPECT_EQ(buffer_[0], 0x20);
}

TEST_F(LinuxHidPipe, PendingReadTimesOutIsCancelledAndLeavesTheReport) {
  ASSERT_TRUE(hid_.StartRead(reader_, buffer_.data(), 22));
  EXPECT_EQ(hid_.WaitRead(reader_, 20), HidWaitResult::TimedOut);
  EXPECT_EQ(hid_.ReadResult(reader_), 0u);
  EXPECT_EQ(hid_.LastError(), Code(EINPROGRESS));
  EXPECT_FALSE(hid_.StartRead(reader_, buffer_.data(), 22));
  EXPECT_EQ(hid_.LastError(), Code(EBUSY));
  EXPECT_TRUE(hid_.CancelRead(reader_));
  EXPECT_FALSE(hid_.CancelRead(reader_));
  EXPECT_EQ(hid_.LastError(), Code(ENOENT));
  Send({0x30, 0x01});
  EXPECT_EQ(hid_.WaitRead(reader_, 0), HidWaitResult::TimedOut);  // the cancelled read is gone
  EXPECT_EQ(buffer_[0], 0);
  ASSERT_TRUE(hid_.StartRead(reader_, buffer_.data(), 22));
  EXPECT_EQ(hid_.WaitRead(reader_, 5000), HidWaitResult::Completed);
  EXPECT_EQ(hid_.ReadResult(reader_), 2u);
}

TEST_F(LinuxHidPipe, HandlesKeepToTheirDirection) {
  uint32_t written = 7;
  EXPECT_FALSE(hid_.Write(reader_, buffer_.data(), 4, written));
  EXPECT_EQ(hid_.LastError(), Code(EACCES));
  EXPECT_EQ(written, 0u);
  EXPECT_FALSE(hid_.StartRead(writer_, buffer_.data(), 4));
  EXPECT_EQ(hid_.LastError(), Code(EACCES));
  // A pipe answers no HID requests: the ioctl's error is recorded.
  HidAttributes attributes;
  EXPECT_FALSE(hid_.GetAttributes(writer_, attributes));
  EXPECT_EQ(hid_.LastError(), Code(ENOTTY));
}

TEST_F(LinuxHidPipe, ReadsOfAVanishedDeviceFailToStart) {
  // The writer going away hangs the pipe up, as hidraw does when its device leaves.
  hid_.Close(writer_);
  EXPECT_FALSE(hid_.StartRead(reader_, buffer_.data(), 22));
  EXPECT_EQ(hid_.LastError(), hid_.DeviceNotConnectedCode());
}

TEST_F(LinuxHidPipe, ClosedHandleNumbersAreNotReused) {
  hid_.Close(writer_);
  const HidHandle again = hid_.Open(path_, HidAccess::Write);
  EXPECT_NE(again, writer_);
  uint32_t written = 0;
  EXPECT_FALSE(hid_.Write(writer_, buffer_.data(), 1, written));
  EXPECT_EQ(hid_.LastError(), Code(EBADF));
}

// Waits (bounded) until thread `tid` sleeps in the kernel, i.e. has entered its poll.
bool WaitUntilSleeping(pid_t tid) {
  const std::string stat = "/proc/self/task/" + std::to_string(tid) + "/stat";
  for (int i = 0; i < 1000000; ++i) {
    std::ifstream in(stat);
    std::string line;
    std::getline(in, line);
    const size_t paren = line.rfind(')');
    if (paren != std::string::npos && line.compare(paren + 1, 2, " S") == 0) return true;
    std::this_thread::yield();
  }
  return false;
}

TEST_F(LinuxHidPipe, ClosingTheHandleEndsAWaitOnAnotherThread) {
  ASSERT_TRUE(hid_.StartRead(reader_, buffer_.data(), 22));
  std::atomic<pid_t> tid{0};
  HidWaitResult result = HidWaitResult::TimedOut;
  uint32_t bytes = 99;
  std::chrono::steady_clock::duration waited{};
  std::thread waiter([&] {
    tid = gettid();
    const auto start = std::chrono::steady_clock::now();
    result = hid_.WaitRead(reader_, 60000);
    waited = std::chrono::steady_clock::now() - start;
    bytes = hid_.ReadResult(reader_);
  });
  while (tid == 0) std::this_thread::yield();
  EXPECT_TRUE(WaitUntilSleeping(tid));
  hid_.Close(reader_);
  waiter.join();
  EXPECT_EQ(result, HidWaitResult::Completed);
  EXPECT_LT(waited, std::chrono::seconds(30));  // woken by the close, not by the timeout
  EXPECT_EQ(bytes, 0u);
}

// A fake sysfs tree and a device node without a driver behind it, which the kernel refuses to
// open: the query-only path must identify the device from sysfs alone.
class LinuxHidSysfsFallback : public testing::Test {
 protected:
  static constexpr unsigned kMajor = 60;  // reserved for local use: no driver behind it
  void SetUp() override {
    const std::string hidDir = "sys/devices/pci0/usb1/1-1/1-1:1.0/0005:057E:0306.0007";
    dir_.Write("sys/devices/pci0/usb1/1-1/bcdDevice", "0125\n");
    dir_.Write(hidDir + "/uevent", "DRIVER=hid-generic\nHID_ID=0005:0000057E:00000306\n");
    const Bytes descriptor = test::ReadHexFixture("hid/wiimote-report-descriptor.hex");
    dir_.Write(hidDir + "/report_descriptor", std::string(descriptor.begin(), descriptor.end()));
    hidDir_ = dir_.Path() / hidDir;
    fs::create_directories(dir_.Path() / "sys/dev/char/60:7");
    fs::create_directory_symlink(hidDir_, dir_.Path() / "sys/dev/char/60:7/device");
    node_ = (dir_.Path() / "hidraw7").string();
    if (mknod(node_.c_str(), S_IFCHR | 0600, makedev(kMajor, 7)) != 0) {
      GTEST_SKIP() << "cannot create device nodes here (mknod: " << strerror(errno) << ")";
    }
  }

  test::TempDir dir_;
  fs::path hidDir_;
  std::string node_;
  LinuxHidSystem hid_{LinuxHidSystemOptions{(dir_.Path() / "sys").string(), "hidraw"}};
};

TEST_F(LinuxHidSysfsFallback, QueryOnlyHandleAnswersFromSysfs) {
  EXPECT_EQ(hid_.Open(node_, HidAccess::ReadWrite), kInvalidHidHandle);
  EXPECT_EQ(hid_.LastError(), Code(ENXIO));
  const HidHandle h = hid_.Open(node_, HidAccess::QueryOnly);
  ASSERT_NE(h, kInvalidHidHandle) << hid_.ErrorText(hid_.LastError());
  HidAttributes attributes;
  ASSERT_TRUE(hid_.GetAttributes(h, attributes));
  EXPECT_EQ(attributes.VendorID, 0x057E);
  EXPECT_EQ(attributes.ProductID, 0x0306);
  EXPECT_EQ(attributes.VersionNumber, 0x0125);
  const auto data = hid_.GetPreparsedData(h);
  HidCaps caps;
  ASSERT_TRUE(data != nullptr && hid_.GetCaps(*data, caps));
  EXPECT_EQ(caps.InputReportByteLength, 22);
  EXPECT_EQ(caps.OutputReportByteLength, 22);
  uint32_t written = 0;
  EXPECT_FALSE(hid_.Write(h, Bytes(22).data(), 22, written));
  EXPECT_EQ(hid_.LastError(), Code(EACCES));
  // The device leaves: its sysfs directory goes with it.
  fs::remove_all(hidDir_);
  EXPECT_FALSE(hid_.GetAttributes(h, attributes));
  EXPECT_EQ(hid_.LastError(), hid_.DeviceNotConnectedCode());
}

TEST_F(LinuxHidSysfsFallback, UnparsableDescriptorGivesNoPreparsedData) {
  std::ofstream(hidDir_ / "report_descriptor", std::ios::binary) << std::string("\xA1\x01", 2);
  const HidHandle h = hid_.Open(node_, HidAccess::QueryOnly);
  ASSERT_NE(h, kInvalidHidHandle);
  EXPECT_EQ(hid_.GetPreparsedData(h), nullptr);
  EXPECT_EQ(hid_.LastError(), Code(EINVAL));
}

TEST_F(LinuxHidSysfsFallback, NodeWithoutSysfsEntryKeepsTheOpenError) {
  const std::string other = (dir_.Path() / "hidraw8").string();
  ASSERT_EQ(mknod(other.c_str(), S_IFCHR | 0600, makedev(kMajor, 8)), 0);
  EXPECT_EQ(hid_.Open(other, HidAccess::QueryOnly), kInvalidHidHandle);
  EXPECT_EQ(hid_.LastError(), Code(ENXIO));
}

// Raises a uevent of the tun device, which every kernel with networking has; it travels the way
// the events of hidraw nodes do.
bool RaiseMiscEvent(const char* action) {
  std::ofstream uevent("/sys/devices/virtual/misc/tun/uevent");
  uevent << action << std::flush;
  return static_cast<bool>(uevent);
}

TEST(LinuxHidNotifications, AddEventsOfTheWatchedSubsystemCallBack) {
  LinuxHidSystem hid(LinuxHidSystemOptions{"/sys", "misc"});
  test::ChangeCounter changes;
  ASSERT_TRUE(hid.StartDeviceNotifications(changes.Callback())) << hid.ErrorText(hid.LastError());
  if (!RaiseMiscEvent("add")) GTEST_SKIP() << "cannot raise device events here";
  EXPECT_TRUE(changes.WaitBeyond(0));
  hid.StopDeviceNotifications();
  const int stopped = changes.Count();
  // Events after the stop: a second watch shows when they have been delivered.
  ASSERT_TRUE(RaiseMiscEvent("add"));
  LinuxHidSystem other(LinuxHidSystemOptions{"/sys", "misc"});
  test::ChangeCounter witness;
  ASSERT_TRUE(other.StartDeviceNotifications(witness.Callback()));
  ASSERT_TRUE(RaiseMiscEvent("add"));
  EXPECT_TRUE(witness.WaitBeyond(0));
  EXPECT_EQ(changes.Count(), stopped);  // nothing after StopDeviceNotifications returned
}

TEST(LinuxHidNotifications, StoppingFromTheCallbackEndsTheWatch) {
  LinuxHidSystem hid(LinuxHidSystemOptions{"/sys", "misc"});
  test::ChangeCounter changes;
  auto count = changes.Callback();
  ASSERT_TRUE(hid.StartDeviceNotifications([&] {
    hid.StopDeviceNotifications();
    count();
  }));
  if (!RaiseMiscEvent("add")) GTEST_SKIP() << "cannot raise device events here";
  EXPECT_TRUE(changes.WaitBeyond(0));
  // Starting again, including over a running watch, and stopping twice all work.
  ASSERT_TRUE(hid.StartDeviceNotifications([] {}));
  ASSERT_TRUE(hid.StartDeviceNotifications([] {}));
  hid.StopDeviceNotifications();
  hid.StopDeviceNotifications();
}

}  // namespace
}  // namespace kv::linux_backend
