#include "platform/linux/linux_hid_system.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>

#include "platform/linux/hid_sysfs.h"

namespace kv::linux_backend {
namespace {

thread_local uint32_t tLastError = 0;

// Records `error` as the calling thread's last error; returns `result` for one-line failures.
template <typename T>
T Fail(int error, T result) {
  tLastError = static_cast<uint32_t>(error);
  return result;
}

// The two strerror_r flavours of the C library: the GNU one returns the text, the POSIX one
// fills the buffer. Only one of them is called.
[[maybe_unused]] std::string StrerrorResult(const char* text, const char*) { return text; }
[[maybe_unused]] std::string StrerrorResult(int result, const char* buffer) {
  return result == 0 ? std::string(buffer) : std::string();
}

bool CanRead(HidAccess access) {
  return access == HidAccess::Read || access == HidAccess::ReadWrite;
}
bool CanWrite(HidAccess access) {
  return access == HidAccess::Write || access == HidAccess::ReadWrite;
}

// Reads the report descriptor through an open hidraw descriptor; nullopt with errno set.
std::optional<std::vector<uint8_t>> DescriptorFromFd(int fd) {
  int size = 0;
  if (ioctl(fd, HIDIOCGRDESCSIZE, &size) < 0) return std::nullopt;
  if (size < 0 || static_cast<size_t>(size) > kMaxReportDescriptorSize) {
    errno = EINVAL;
    return std::nullopt;
  }
  auto raw = std::make_unique<hidraw_report_descriptor>();
  raw->size = static_cast<uint32_t>(size);
  if (ioctl(fd, HIDIOCGRDESC, raw.get()) < 0) return std::nullopt;
  return std::vector<uint8_t>(raw->value, raw->value + size);
}

// A sysfs read that fails because the directory is gone means the device has gone.
int SysfsError(int error) { return error == ENOENT ? ENODEV : error; }

}  // namespace

// One entry of the handle table. See the class comment for who may hold it when.
struct LinuxHidSystem::Handle {
  int Fd = -1;      // -1: a query-only handle answered from sysfs
  int WakeFd = -1;  // eventfd of handles that read: Close wakes a WaitRead with it
  HidAccess Access = HidAccess::QueryOnly;
  std::string SysfsDevice;       // the device's sysfs directory, "" when none was found
  bool PrependReportId = false;  // the device sends reports without an ID byte
  std::atomic<bool> Closed{false};
  HidInputGrab InputGrab;  // the driver's key input devices, held while the device is read
  std::unique_ptr<WiimoteModeKeeper> ModeKeeper;  // while hid-wiimote drives the device

  std::mutex ReadMutex;  // guards the read state below
  uint8_t* Buffer = nullptr;
  uint32_t Length = 0;
  bool Pending = false;  // started, neither completed nor cancelled
  bool Done = false;     // completed; Bytes or Error hold the outcome
  uint32_t Bytes = 0;
  int Error = 0;

  Handle() = default;
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (Fd >= 0) close(Fd);
    if (WakeFd >= 0) close(WakeFd);
  }
};

LinuxHidSystem::LinuxHidSystem(LinuxHidSystemOptions options) : options_(std::move(options)) {}

LinuxHidSystem::~LinuxHidSystem() {
  StopDeviceNotifications();
  std::vector<HidHandle> open;
  {
    std::lock_guard lock(handlesMutex_);
    for (const auto& entry : handles_) open.push_back(entry.first);
  }
  for (const HidHandle handle : open) Close(handle);
}

std::shared_ptr<LinuxHidSystem::Handle> LinuxHidSystem::Find(HidHandle handle) {
  std::lock_guard lock(handlesMutex_);
  const auto it = handles_.find(handle);
  if (it == handles_.end()) return nullptr;
  return it->second;
}

std::string LinuxHidSystem::SysfsDeviceDir(dev_t rdev) const {
  return options_.SysfsRoot + "/dev/char/" + std::to_string(major(rdev)) + ":" +
         std::to_string(minor(rdev)) + "/device";
}

HidHandle LinuxHidSystem::Open(const std::string& devicePath, HidAccess access) {
  std::shared_ptr<Handle> h;
  if (access == HidAccess::QueryOnly) {
    h = OpenQueryOnly(devicePath);
    if (!h) return kInvalidHidHandle;  // error recorded
  } else {
    int flags = O_CLOEXEC;
    if (access == HidAccess::ReadWrite) flags |= O_RDWR;
    if (access == HidAccess::Read) flags |= O_RDONLY | O_NONBLOCK;
    if (access == HidAccess::Write) flags |= O_WRONLY;
    h = std::make_shared<Handle>();
    h->Fd = open(devicePath.c_str(), flags);
    if (h->Fd < 0) return Fail(errno, kInvalidHidHandle);
  }
  h->Access = access;
  if (h->Fd >= 0) {
    struct stat st {};
    if (fstat(h->Fd, &st) == 0 && S_ISCHR(st.st_mode)) h->SysfsDevice = SysfsDeviceDir(st.st_rdev);
  }
  if (CanRead(access)) {
    h->WakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (h->WakeFd < 0) return Fail(errno, kInvalidHidHandle);
    // Nodes that give no descriptor (not hidraw) are read as they come.
    if (const auto descriptor = DescriptorFromFd(h->Fd)) {
      const ReportDescriptorResult parsed = ParseReportDescriptor(*descriptor);
      h->PrependReportId = parsed.Ok() && !parsed.Summary.UsesReportIds;
    }
  }
  // The reading handle is the one the device's holder keeps open for as long as it holds it.
  if (access == HidAccess::Read && options_.GrabInputDevices) {
    h->InputGrab = HidInputGrab(h->SysfsDevice, options_.DevInputDir);
  }
  if (access == HidAccess::Read && options_.KeepWiimoteMode && !h->SysfsDevice.empty() &&
      WiimoteModeKeeper::DrivenByHidWiimote(h->SysfsDevice)) {
    h->ModeKeeper = std::make_unique<WiimoteModeKeeper>(devicePath);
  }
  std::lock_guard lock(handlesMutex_);
  const HidHandle number = nextHandle_++;
  handles_.emplace(number, std::move(h));
  return number;
}

std::shared_ptr<LinuxHidSystem::Handle> LinuxHidSystem::OpenQueryOnly(
    const std::string& devicePath) {
  auto h = std::make_shared<Handle>();
  // A descriptor of either direction is enough for the ioctls; nothing is read or written.
  h->Fd = open(devicePath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (h->Fd < 0) h->Fd = open(devicePath.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (h->Fd >= 0) return h;
  const int openError = errno;
  // Refused: identify the node through sysfs, which any user may read.
  struct stat st {};
  if (stat(devicePath.c_str(), &st) != 0) return Fail(errno, nullptr);
  if (!S_ISCHR(st.st_mode)) return Fail(openError, nullptr);
  h->SysfsDevice = SysfsDeviceDir(st.st_rdev);
  if (access(h->SysfsDevice.c_str(), F_OK) != 0) return Fail(openError, nullptr);
  return h;
}

void LinuxHidSystem::Close(HidHandle handle) {
  std::shared_ptr<Handle> h;
  {
    std::lock_guard lock(handlesMutex_);
    const auto it = handles_.find(handle);
    if (it == handles_.end()) return;
    h = std::move(it->second);
    handles_.erase(it);
  }
  h->Closed = true;
  h->InputGrab = HidInputGrab();  // the driver's input devices work again at once
  h->ModeKeeper.reset();
  if (h->WakeFd >= 0) {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = write(h->WakeFd, &one, sizeof one);
  }
  // The descriptor closes when the last call still using the entry returns.
}

bool LinuxHidSystem::GetAttributes(HidHandle handle, HidAttributes& attributes) {
  const auto h = Find(handle);
  if (!h) return Fail(EBADF, false);
  HidAttributes result;
  if (h->Fd >= 0) {
    hidraw_devinfo info{};
    if (ioctl(h->Fd, HIDIOCGRAWINFO, &info) < 0) return Fail(errno, false);
    result.VendorID = static_cast<uint16_t>(info.vendor);
    result.ProductID = static_cast<uint16_t>(info.product);
  } else {
    const auto uevent = ReadSmallFile(h->SysfsDevice + "/uevent", 64 * 1024);
    if (!uevent) return Fail(SysfsError(errno), false);
    const auto text = UeventValue(*uevent, "HID_ID");
    const auto id = text ? ParseHidId(*text) : std::nullopt;
    if (!id) return Fail(EINVAL, false);
    result.VendorID = id->VendorID;
    result.ProductID = id->ProductID;
  }
  // hidraw reports no version; USB devices publish theirs in sysfs.
  if (!h->SysfsDevice.empty()) {
    result.VersionNumber = UsbReleaseNumber(options_.SysfsRoot, h->SysfsDevice);
  }
  attributes = result;
  return true;
}

std::unique_ptr<HidPreparsedData> LinuxHidSystem::GetPreparsedData(HidHandle handle) {
  const auto h = Find(handle);
  if (!h) return Fail(EBADF, nullptr);
  std::vector<uint8_t> descriptor;
  if (h->Fd >= 0) {
    auto fromFd = DescriptorFromFd(h->Fd);
    if (!fromFd) return Fail(errno, nullptr);
    descriptor = std::move(*fromFd);
  } else {
    const auto fromSysfs =
        ReadSmallFile(h->SysfsDevice + "/report_descriptor", kMaxReportDescriptorSize);
    if (!fromSysfs) return Fail(SysfsError(errno), nullptr);
    descriptor.assign(fromSysfs->begin(), fromSysfs->end());
  }
  const ReportDescriptorResult parsed = ParseReportDescriptor(descriptor);
  if (!parsed.Ok()) return Fail(EINVAL, nullptr);
  return std::make_unique<LinuxHidPreparsedData>(std::move(descriptor), parsed.Summary);
}

bool LinuxHidSystem::GetCaps(const HidPreparsedData& data, HidCaps& caps) {
  const auto* ours = dynamic_cast<const LinuxHidPreparsedData*>(&data);
  if (ours == nullptr) return Fail(EINVAL, false);
  const ReportDescriptorSummary& s = ours->Summary();
  HidCaps result;
  result.Usage = s.Usage;
  result.UsagePage = s.UsagePage;
  result.InputReportByteLength = s.InputReportByteLength;
  result.OutputReportByteLength = s.OutputReportByteLength;
  result.FeatureReportByteLength = s.FeatureReportByteLength;
  result.NumberLinkCollectionNodes = s.NumberLinkCollectionNodes;
  caps = result;
  return true;
}

bool LinuxHidSystem::SetNumInputBuffers(HidHandle handle, uint32_t count) {
  if (!Find(handle)) return Fail(EBADF, false);
  if (count != kHidrawInputRingSize) return Fail(EINVAL, false);
  return true;
}

bool LinuxHidSystem::GetNumInputBuffers(HidHandle handle, uint32_t& count) {
  if (!Find(handle)) return Fail(EBADF, false);
  count = kHidrawInputRingSize;
  return true;
}

bool LinuxHidSystem::Write(HidHandle handle, const uint8_t* data, uint32_t length,
                           uint32_t& written) {
  written = 0;
  const auto h = Find(handle);
  if (!h) return Fail(EBADF, false);
  if (!CanWrite(h->Access) || h->Fd < 0) return Fail(EACCES, false);
  if (data == nullptr && length != 0) return Fail(EINVAL, false);
  ssize_t n;
  do {
    n = write(h->Fd, data, length);
  } while (n < 0 && errno == EINTR);
  if (n < 0) return Fail(errno, false);
  written = static_cast<uint32_t>(n);
  TellModeKeepers(*h, data, length);
  return true;
}

// The keepers of the device's reading handles learn the reporting mode the program set.
void LinuxHidSystem::TellModeKeepers(const Handle& writer, const uint8_t* data, uint32_t length) {
  if (writer.SysfsDevice.empty()) return;
  std::lock_guard lock(handlesMutex_);
  for (const auto& [number, h] : handles_) {
    if (h->ModeKeeper && h->SysfsDevice == writer.SysfsDevice) h->ModeKeeper->Written(data, length);
  }
}

bool LinuxHidSystem::StartRead(HidHandle handle, uint8_t* buffer, uint32_t length) {
  const auto h = Find(handle);
  if (!h) return Fail(EBADF, false);
  if (!CanRead(h->Access) || h->Fd < 0) return Fail(EACCES, false);
  if (buffer == nullptr || length == 0) return Fail(EINVAL, false);
  // A device that has gone signals hang-up; fail here instead of completing every read at once
  // with an error, which would make a reader spin.
  pollfd p{h->Fd, POLLIN, 0};
  if (poll(&p, 1, 0) > 0 && (p.revents & POLLIN) == 0 &&
      (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
    return Fail(ENODEV, false);
  }
  std::lock_guard lock(h->ReadMutex);
  if (h->Pending) return Fail(EBUSY, false);
  h->Buffer = buffer;
  h->Length = length;
  h->Pending = true;
  h->Done = false;
  h->Bytes = 0;
  h->Error = 0;
  return true;
}

namespace {

// Waits for `fds` until `deadline`, restarting after signals. Returns poll's result.
int PollUntil(pollfd* fds, nfds_t count, std::chrono::steady_clock::time_point deadline) {
  for (;;) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    const auto ms = std::clamp<int64_t>(left.count(), 0, INT32_MAX);
    const int r = poll(fds, count, static_cast<int>(ms));
    if (r >= 0 || errno != EINTR) return r;
  }
}

}  // namespace

HidWaitResult LinuxHidSystem::WaitRead(HidHandle handle, uint32_t timeoutMs) {
  const auto h = Find(handle);
  if (!h) return Fail(EBADF, HidWaitResult::Completed);  // closed: the read has ended
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  bool pending = false;
  {
    std::lock_guard lock(h->ReadMutex);
    if (h->Done) return HidWaitResult::Completed;
    pending = h->Pending;
  }
  pollfd fds[2] = {{h->WakeFd, POLLIN, 0}, {pending ? h->Fd : -1, POLLIN, 0}};
  for (;;) {
    const int r = PollUntil(fds, 2, deadline);
    if (r == 0 || !pending) return HidWaitResult::TimedOut;
    std::lock_guard lock(h->ReadMutex);
    if (!h->Pending) return HidWaitResult::Completed;  // cancelled meanwhile
    if (r < 0 || h->Closed) {
      h->Pending = false;
      h->Done = true;
      h->Error = r < 0 ? errno : ECANCELED;
      return HidWaitResult::Completed;
    }
    // One read of one report, under the lock so that a cancel cannot free the buffer meanwhile.
    uint8_t* into = h->Buffer;
    size_t room = h->Length;
    if (h->PrependReportId) {
      into[0] = 0;  // the report ID of a device without numbered reports
      ++into;
      --room;
    }
    const ssize_t n = read(h->Fd, into, room);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;  // another reader was quicker
    h->Pending = false;
    h->Done = true;
    if (n < 0) {
      const bool gone = (fds[1].revents & (POLLHUP | POLLERR)) != 0;
      h->Error = gone ? ENODEV : errno;
    } else {
      h->Bytes = static_cast<uint32_t>(n) + (h->PrependReportId ? 1u : 0u);
    }
    return HidWaitResult::Completed;
  }
}

uint32_t LinuxHidSystem::ReadResult(HidHandle handle) {
  const auto h = Find(handle);
  if (!h) return Fail(EBADF, 0u);
  std::lock_guard lock(h->ReadMutex);
  if (!h->Done) return Fail(h->Pending ? EINPROGRESS : ENOENT, 0u);
  if (h->Error != 0) return Fail(h->Error, 0u);
  return h->Bytes;
}

bool LinuxHidSystem::CancelRead(HidHandle handle) {
  const auto h = Find(handle);
  if (!h) return Fail(EBADF, false);
  std::lock_guard lock(h->ReadMutex);
  if (!h->Pending) return Fail(ENOENT, false);
  h->Pending = false;
  h->Buffer = nullptr;
  h->Length = 0;
  return true;
}

uint32_t LinuxHidSystem::LastError() { return tLastError; }

void LinuxHidSystem::SetLastError(uint32_t code) { tLastError = code; }

uint32_t LinuxHidSystem::DeviceNotConnectedCode() { return ENODEV; }

std::string LinuxHidSystem::ErrorText(uint32_t code) {
  char buffer[256] = {};
  return StrerrorResult(strerror_r(static_cast<int>(code), buffer, sizeof buffer), buffer);
}

}  // namespace kv::linux_backend
