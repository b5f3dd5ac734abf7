#include "platform/win32/win32_hid_system.h"

#include <gtest/gtest.h>

#include <windows.h>
// After windows.h, whose types it uses.
#include <dbt.h>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace kv::win32_backend {
namespace {

TEST(Win32HidSystem, LoadsTheLibrariesAndEnumeratesWhatThereIs) {
  Win32HidSystem hid;
  ASSERT_TRUE(hid.LibrariesLoaded());
  const auto interfaces = hid.EnumerateInterfaces();
  ASSERT_TRUE(interfaces.has_value());  // an empty list is fine, a failure is not
  for (const HidInterfaceInfo& info : *interfaces) {
    EXPECT_FALSE(info.DevicePath.empty());
    const HidHandle handle = hid.Open(info.DevicePath, HidAccess::QueryOnly);
    if (handle == kInvalidHidHandle) continue;  // gone meanwhile
    HidAttributes attributes;
    EXPECT_TRUE(hid.GetAttributes(handle, attributes)) << info.DevicePath;
    hid.Close(handle);
  }
}

TEST(Win32HidSystem, FailuresKeepTheSystemCode) {
  Win32HidSystem hid;
  EXPECT_EQ(hid.Open("\\\\?\\hid#kv_no_such_device#1", HidAccess::ReadWrite), kInvalidHidHandle);
  EXPECT_NE(hid.LastError(), 0u);
  HidAttributes attributes;
  EXPECT_FALSE(hid.GetAttributes(12345, attributes));
  EXPECT_EQ(hid.LastError(), static_cast<uint32_t>(ERROR_INVALID_HANDLE));
  uint32_t written = 7;
  const uint8_t report[2] = {0x15, 0};
  EXPECT_FALSE(hid.Write(12345, report, 2, written));
  EXPECT_EQ(written, 0u);
  hid.Close(12345);  // unknown numbers are ignored
  hid.Close(kInvalidHidHandle);
  hid.SetLastError(1167);
  EXPECT_EQ(hid.LastError(), hid.DeviceNotConnectedCode());
  const std::string text = hid.ErrorText(ERROR_FILE_NOT_FOUND);
  ASSERT_GE(text.size(), 2u);
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

// A named pipe stands in for a device: the handles and the overlapped reads are the same calls.
class PipeDevice {
 public:
  PipeDevice()
      : name_("\\\\.\\pipe\\kv-hid-test-" + std::to_string(GetCurrentProcessId()) + "-" +
              std::to_string(counter_++)) {
    server_ = CreateNamedPipeA(name_.c_str(), PIPE_ACCESS_DUPLEX,
                               PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 4, 256, 256,
                               0, nullptr);
  }
  ~PipeDevice() { CloseHandle(server_); }
  const std::string& Path() const { return name_; }
  bool Valid() const { return server_ != INVALID_HANDLE_VALUE; }
  void Send(const std::string& bytes) {
    DWORD written = 0;
    ASSERT_TRUE(
        WriteFile(server_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
  }
  std::string Receive() {
    std::array<char, 256> buffer{};
    DWORD got = 0;
    if (!ReadFile(server_, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
      return "<failed>";
    }
    return std::string(buffer.data(), got);
  }

 private:
  static inline std::atomic<int> counter_{0};
  std::string name_;
  HANDLE server_;
};

TEST(Win32HidSystem, OverlappedReadsCompleteTimeOutAndCancel) {
  PipeDevice device;
  ASSERT_TRUE(device.Valid());
  Win32HidSystem hid;
  const HidHandle handle = hid.Open(device.Path(), HidAccess::Read);
  ASSERT_NE(handle, kInvalidHidHandle) << hid.LastError();
  std::array<uint8_t, 22> buffer{};

  ASSERT_TRUE(hid.StartRead(handle, buffer.data(), 22));
  EXPECT_FALSE(hid.StartRead(handle, buffer.data(), 22));  // one read at a time
  EXPECT_EQ(hid.LastError(), static_cast<uint32_t>(ERROR_BUSY));
  EXPECT_EQ(hid.WaitRead(handle, 20), HidWaitResult::TimedOut);
  EXPECT_EQ(hid.ReadResult(handle), 0u);  // still pending
  device.Send(std::string("\x31\x00\x08\x80", 4));
  EXPECT_EQ(hid.WaitRead(handle, 5000), HidWaitResult::Completed);
  EXPECT_EQ(hid.ReadResult(handle), 4u);
  EXPECT_EQ(buffer[0], 0x31);
  EXPECT_EQ(buffer[2], 0x08);

  // A pending read that is cancelled has completed by the time CancelRead returns.
  ASSERT_TRUE(hid.StartRead(handle, buffer.data(), 22));
  EXPECT_TRUE(hid.CancelRead(handle));
  EXPECT_EQ(hid.ReadResult(handle), 0u);
  EXPECT_EQ(hid.LastError(), static_cast<uint32_t>(ERROR_OPERATION_ABORTED));
  EXPECT_FALSE(hid.CancelRead(handle));  // nothing left to cancel
  EXPECT_EQ(hid.LastError(), static_cast<uint32_t>(ERROR_NOT_FOUND));

  // Closing the handle under a pending read ends the wait at once.
  ASSERT_TRUE(hid.StartRead(handle, buffer.data(), 22));
  hid.Close(handle);
  EXPECT_EQ(hid.WaitRead(handle, 5000), HidWaitResult::Completed);
  SleepEx(50, TRUE);  // let the closed read's completion routine run
}

TEST(Win32HidSystem, WritesGoOutWholeOnSynchronousAndOverlappedHandles) {
  Win32HidSystem hid;
  for (HidAccess access : {HidAccess::ReadWrite, HidAccess::Write}) {
    PipeDevice device;
    ASSERT_TRUE(device.Valid());
    const HidHandle handle = hid.Open(device.Path(), access);
    ASSERT_NE(handle, kInvalidHidHandle) << hid.LastError();
    const uint8_t report[3] = {0x11, 0x10, 0x00};
    uint32_t written = 0;
    EXPECT_TRUE(hid.Write(handle, report, 3, written));
    EXPECT_EQ(written, 3u);
    EXPECT_EQ(device.Receive(), std::string("\x11\x10\x00", 3));
    hid.Close(handle);
  }
}

// Counts the handler's calls and lets a test wait for the next one.
struct CallCounter {
  std::mutex Mutex;
  std::condition_variable Changed;
  int Calls = 0;
  void Count() {
    std::lock_guard<std::mutex> lock(Mutex);
    ++Calls;
    Changed.notify_all();
  }
  bool WaitFor(int calls) {
    std::unique_lock<std::mutex> lock(Mutex);
    return Changed.wait_for(lock, std::chrono::seconds(5), [&] { return Calls >= calls; });
  }
};

TEST(Win32HidSystem, DeviceChangeBroadcastsReachTheHandler) {
  Win32HidSystem hid;
  CallCounter counter;
  ASSERT_TRUE(hid.StartDeviceNotifications([&] { counter.Count(); }));
  const auto window = static_cast<HWND>(hid.NotificationWindow());
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(GetParent(window), nullptr);  // top-level, so broadcasts reach it
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_EQ(SendMessageA(window, WM_QUERYENDSESSION, 0, 0), 1);

  // Other device-change kinds are not changes of the device tree.
  SendMessageA(window, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0);
  DWORD_PTR result = 0;
  SendMessageTimeoutA(HWND_BROADCAST, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0, SMTO_ABORTIFHUNG,
                      5000, &result);
  ASSERT_TRUE(counter.WaitFor(1));
  EXPECT_EQ(counter.Calls, 1);
  hid.StopDeviceNotifications();
  EXPECT_EQ(hid.NotificationWindow(), nullptr);
  EXPECT_FALSE(IsWindow(window));
}

TEST(Win32HidSystem, NotificationsMayBeStoppedFromTheirOwnHandler) {
  Win32HidSystem hid;
  CallCounter counter;
  ASSERT_TRUE(hid.StartDeviceNotifications([&] {
    hid.StopDeviceNotifications();
    counter.Count();
  }));
  const auto window = static_cast<HWND>(hid.NotificationWindow());
  PostMessageA(window, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
  ASSERT_TRUE(counter.WaitFor(1));
  EXPECT_EQ(hid.NotificationWindow(), nullptr);
  // Starting again after that works as the first time.
  ASSERT_TRUE(hid.StartDeviceNotifications([&] { counter.Count(); }));
  PostMessageA(static_cast<HWND>(hid.NotificationWindow()), WM_DEVICECHANGE, DBT_DEVNODES_CHANGED,
               0);
  EXPECT_TRUE(counter.WaitFor(2));
}

}  // namespace
}  // namespace kv::win32_backend
