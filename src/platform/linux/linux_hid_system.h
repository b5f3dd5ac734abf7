#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/hid/report_descriptor.h"
#include "core/port/hid_system.h"
#include "platform/linux/hid_input_grab.h"
#include "platform/linux/wiimote_mode_keeper.h"

namespace kv::linux_backend {

// The input-report ring hidraw keeps per open file: a fixed number of reports that cannot be
// changed from user space (older reports are dropped when it is full).
inline constexpr uint32_t kHidrawInputRingSize = 64;

// The largest report descriptor the kernel hands out through hidraw.
inline constexpr size_t kMaxReportDescriptorSize = 4096;

// Preparsed data of a hidraw device: its report descriptor and what the parser made of it.
class LinuxHidPreparsedData final : public HidPreparsedData {
 public:
  LinuxHidPreparsedData(std::vector<uint8_t> descriptor, const ReportDescriptorSummary& summary)
      : descriptor_(std::move(descriptor)), summary_(summary) {}
  const std::vector<uint8_t>& Descriptor() const { return descriptor_; }
  const ReportDescriptorSummary& Summary() const { return summary_; }

 private:
  std::vector<uint8_t> descriptor_;
  ReportDescriptorSummary summary_;
};

struct LinuxHidSystemOptions {
  // Where sysfs is mounted. Tests point it at a fake tree.
  std::string SysfsRoot = "/sys";
  // The subsystem whose add/remove events StartDeviceNotifications reports. Tests watch a
  // subsystem whose events they can raise themselves.
  std::string MonitorSubsystem = "hidraw";
  // Whether a Read handle holds the key input devices a kernel driver (hid-wiimote) made of the
  // device open and grabbed while it is open; see HidInputGrab.
  bool GrabInputDevices = true;
  std::string DevInputDir = "/dev/input";
  // Whether a Read handle of a Wii Remote that hid-wiimote drives keeps the controller in the
  // reporting mode last written to it; see WiimoteModeKeeper.
  bool KeepWiimoteMode = true;
};

// HID services over libudev and hidraw.
//
// Enumeration lists every hidraw node (/dev/hidrawN) whose parent `hid` device udev knows.
// DeviceInstance is the 32-bit FNV-1a hash of that parent's sysfs path (for example
// /sys/devices/.../0005:057E:0306.0003). The kernel gives every new HID device a new sequence
// number (the .0003), so the identity is stable while the device stays and changes when it
// leaves and comes back, even under the same hidrawN name.
//
// Handles are numbers of an internal table, never file descriptors, so a closed handle can never
// reach a descriptor that the number was reused for. A handle entry is shared by the threads
// using it: Close removes it from the table and wakes a WaitRead blocked on it; its descriptor is
// closed when the last call using it has returned.
//
// Open: ReadWrite opens O_RDWR, Read O_RDONLY|O_NONBLOCK, Write O_WRONLY; all close-on-exec.
// QueryOnly tries O_RDONLY and then O_WRONLY; when the node refuses both (a user without access
// to it), the handle holds no descriptor and answers GetAttributes and GetPreparsedData from the
// node's sysfs directory (uevent and report_descriptor). Write needs a ReadWrite or Write handle
// and reads need a Read or ReadWrite handle; other handles fail with EACCES.
//
// Reports: hidraw delivers a report with its report-ID byte first when the device numbers its
// reports (the Wii Remote does), but without one when it does not. Reads on a device without
// report IDs get a 0 byte put in front, so byte 0 is always the report ID and the byte counts
// match the capabilities. Writes always start with the report ID (0 for such devices), which is
// what hidraw expects.
//
// Errors are errno values recorded per thread. A device that has gone away is reported as ENODEV
// (hidraw itself answers reads on it with EIO).
class LinuxHidSystem final : public HidSystem {
 public:
  explicit LinuxHidSystem(LinuxHidSystemOptions options = {});
  ~LinuxHidSystem() override;
  LinuxHidSystem(const LinuxHidSystem&) = delete;
  LinuxHidSystem& operator=(const LinuxHidSystem&) = delete;

  // True when a udev context can be created.
  bool LibrariesLoaded() override;
  // nullopt when udev cannot list the hidraw subsystem; an empty list when there is no device.
  std::optional<std::vector<HidInterfaceInfo>> EnumerateInterfaces() override;

  // kInvalidHidHandle on failure, with the errno of the failing open (ENOENT, EACCES, ...).
  HidHandle Open(const std::string& devicePath, HidAccess access) override;
  void Close(HidHandle handle) override;

  // False on failure: EBADF for an unknown handle, the ioctl's or the sysfs read's errno,
  // ENODEV when the device's sysfs directory is gone.
  bool GetAttributes(HidHandle handle, HidAttributes& attributes) override;
  // Null on failure (as above; EINVAL when the descriptor cannot be parsed).
  std::unique_ptr<HidPreparsedData> GetPreparsedData(HidHandle handle) override;
  // False with EINVAL for preparsed data of another system.
  bool GetCaps(const HidPreparsedData& data, HidCaps& caps) override;

  // The ring is fixed: Set succeeds only for kHidrawInputRingSize (else EINVAL), Get always
  // gives it. Both fail with EBADF for an unknown handle.
  bool SetNumInputBuffers(HidHandle handle, uint32_t count) override;
  bool GetNumInputBuffers(HidHandle handle, uint32_t& count) override;

  // One write(); false with its errno (ENODEV once the device is gone), EACCES for a handle
  // without write access, EBADF for an unknown handle.
  bool Write(HidHandle handle, const uint8_t* data, uint32_t length, uint32_t& written) override;

  // False with EBADF (unknown handle), EACCES (no read access), EBUSY (a read is pending),
  // EINVAL (no buffer) or ENODEV (the device has gone and no report is left to read).
  bool StartRead(HidHandle handle, uint8_t* buffer, uint32_t length) override;
  // Completed when a report was read, the read failed or the handle was closed meanwhile.
  HidWaitResult WaitRead(HidHandle handle, uint32_t timeoutMs) override;
  // 0 with the read's errno when it failed, EINPROGRESS while it is pending, ENOENT when no read
  // was started or it was cancelled, EBADF for an unknown handle.
  uint32_t ReadResult(HidHandle handle) override;
  // False with ENOENT when no read is pending, EBADF for an unknown handle.
  bool CancelRead(HidHandle handle) override;

  uint32_t LastError() override;
  void SetLastError(uint32_t code) override;
  // ENODEV.
  uint32_t DeviceNotConnectedCode() override;
  // The C library's text for an errno value ("No such device").
  std::string ErrorText(uint32_t code) override;

  // Watches udev for hidraw nodes coming and going with a thread of its own; false (with errno)
  // when no monitor can be set up. Starting again replaces the running watch. Stopping from
  // inside `onChange` is allowed. `onChange` must not wait for the thread that stops the watch.
  bool StartDeviceNotifications(std::function<void()> onChange) override;
  void StopDeviceNotifications() override;

 private:
  struct Handle;
  struct Watch;

  void TellModeKeepers(const Handle& writer, const uint8_t* data, uint32_t length);

  std::shared_ptr<Handle> Find(HidHandle handle);
  std::shared_ptr<Handle> OpenQueryOnly(const std::string& devicePath);
  std::string SysfsDeviceDir(dev_t rdev) const;

  LinuxHidSystemOptions options_;
  std::mutex handlesMutex_;
  std::unordered_map<HidHandle, std::shared_ptr<Handle>> handles_;
  HidHandle nextHandle_ = 1;
  std::mutex watchMutex_;
  std::shared_ptr<Watch> watch_;
};

}  // namespace kv::linux_backend
