#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/port/hid_system.h"
#include "platform/win32/device_change_window.h"
#include "platform/win32/hid_libraries.h"

namespace kv::win32_backend {

// HID services of Windows: SetupAPI enumerates the HID interface class, the HID class driver
// (HID.dll) identifies devices, and the kernel's file calls talk to them. Both libraries are
// loaded at construction; when either (or one of its functions) is missing, LibrariesLoaded is
// false and the system is never asked for anything.
//
// Handles are numbers of an internal table, never the system's handles, so a number that was
// closed can never reach a handle the system has since given to someone else. Errors are the
// system's GetLastError codes, recorded for the calling thread; unknown handle numbers give
// ERROR_INVALID_HANDLE.
//
// Reads are overlapped ReadFileEx calls with a completion routine, waited for with an alertable
// SleepEx on the thread that started them (completion routines only run there). A cancelled
// read is waited for until its completion routine has run, so the caller's buffer is no longer
// written once CancelRead returns.
class Win32HidSystem final : public HidSystem {
 public:
  Win32HidSystem();
  ~Win32HidSystem() override;
  Win32HidSystem(const Win32HidSystem&) = delete;
  Win32HidSystem& operator=(const Win32HidSystem&) = delete;

  bool LibrariesLoaded() override;
  // nullopt when SetupDiGetClassDevsA fails; interfaces whose detail cannot be read are skipped.
  std::optional<std::vector<HidInterfaceInfo>> EnumerateInterfaces() override;

  // kInvalidHidHandle with CreateFileA's error on failure.
  HidHandle Open(const std::string& devicePath, HidAccess access) override;
  void Close(HidHandle handle) override;

  // False with HidD_GetAttributes' error (or ERROR_INVALID_HANDLE).
  bool GetAttributes(HidHandle handle, HidAttributes& attributes) override;
  // Null with HidD_GetPreparsedData's error.
  std::unique_ptr<HidPreparsedData> GetPreparsedData(HidHandle handle) override;
  // False with ERROR_INVALID_PARAMETER for foreign preparsed data or a failing HidP_GetCaps.
  bool GetCaps(const HidPreparsedData& data, HidCaps& caps) override;
  bool SetNumInputBuffers(HidHandle handle, uint32_t count) override;
  bool GetNumInputBuffers(HidHandle handle, uint32_t& count) override;

  // One WriteFile (waited for on an overlapped handle). False with its error.
  bool Write(HidHandle handle, const uint8_t* data, uint32_t length, uint32_t& written) override;
  // False with ReadFileEx's error, or ERROR_BUSY while a read is pending on the handle.
  bool StartRead(HidHandle handle, uint8_t* buffer, uint32_t length) override;
  // Completed when the read's completion routine has run; TimedOut after `timeoutMs` otherwise.
  HidWaitResult WaitRead(HidHandle handle, uint32_t timeoutMs) override;
  // GetOverlappedResult without waiting: 0 with its error while pending or after a failed read.
  uint32_t ReadResult(HidHandle handle) override;
  // False with ERROR_NOT_FOUND when no read is pending, ERROR_CALL_NOT_IMPLEMENTED when the
  // system has no CancelIo, or CancelIo's error.
  bool CancelRead(HidHandle handle) override;

  uint32_t LastError() override;
  void SetLastError(uint32_t code) override;
  // ERROR_DEVICE_NOT_CONNECTED.
  uint32_t DeviceNotConnectedCode() override;
  // FormatMessageA's text, line ending included.
  std::string ErrorText(uint32_t code) override;

  // A hidden window on a thread of its own (DeviceChangeWindow); false with the error of the
  // failing window call.
  bool StartDeviceNotifications(std::function<void()> onChange) override;
  void StopDeviceNotifications() override;

  // The window that receives the device-change broadcasts (an HWND), for tests.
  void* NotificationWindow() const { return window_.Handle(); }

 private:
  struct Entry;
  struct ReadOp;

  std::shared_ptr<Entry> Find(HidHandle handle);
  static void CALLBACK ReadCompleted(DWORD error, DWORD bytes, OVERLAPPED* overlapped);

  HidLibraries libraries_;
  bool loaded_ = false;
  GUID hidGuid_{};
  std::mutex handlesMutex_;
  std::unordered_map<HidHandle, std::shared_ptr<Entry>> handles_;
  HidHandle nextHandle_ = 1;
  DeviceChangeWindow window_;
};

}  // namespace kv::win32_backend
