#include "platform/sim/sim_hid_system.h"

#include <algorithm>
#include <cstring>

namespace kv::sim {

struct SimHidSystem::SimPreparsedData final : HidPreparsedData {
  explicit SimPreparsedData(const HidCaps& caps) : Caps(caps) {}
  HidCaps Caps;
};

namespace {

bool CanRead(HidAccess access) {
  return access == HidAccess::Read || access == HidAccess::ReadWrite;
}
bool CanWrite(HidAccess access) {
  return access == HidAccess::Write || access == HidAccess::ReadWrite;
}

}  // namespace

// --- Set-up and events ---------------------------------------------------------------------

void SimHidSystem::SetLibrariesLoaded(bool loaded) {
  std::lock_guard<std::mutex> lock(mutex_);
  librariesLoaded_ = loaded;
}

void SimHidSystem::SetEnumerationFails(bool fails) {
  std::lock_guard<std::mutex> lock(mutex_);
  enumerationFails_ = fails;
}

void SimHidSystem::AddDevice(SimHidDeviceConfig config) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (Device* known = FindDevice(config.DevicePath)) {
    known->Config = std::move(config);
    known->Present = true;
    return;
  }
  Device device;
  device.Config = std::move(config);
  devices_.push_back(std::move(device));
}

void SimHidSystem::PlugDevice(SimHidDeviceConfig config) {
  AddDevice(std::move(config));
  NotifyDeviceChange();
}

void SimHidSystem::Plug(const std::string& devicePath) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (Device* device = FindDevice(devicePath)) device->Present = true;
  }
  NotifyDeviceChange();
}

void SimHidSystem::Unplug(const std::string& devicePath) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    Device* device = FindDevice(devicePath);
    if (!device) return;
    device->Present = false;
    device->Input.clear();
    EndReadsOf(static_cast<std::size_t>(device - devices_.data()));
  }
  changed_.notify_all();
  NotifyDeviceChange();
}

void SimHidSystem::NotifyDeviceChange() {
  std::lock_guard<std::mutex> lock(notifyMutex_);
  if (onChange_) onChange_();
}

void SimHidSystem::SetBehaviour(const std::string& devicePath, SimHidDeviceBehaviour* behaviour) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (Device* device = FindDevice(devicePath)) device->Behaviour = behaviour;
}

bool SimHidSystem::QueueInputReport(const std::string& devicePath, std::vector<uint8_t> report) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    Device* device = FindDevice(devicePath);
    if (!device || !device->Present) return false;
    const auto index = static_cast<std::size_t>(device - devices_.data());
    auto pending = std::find_if(handles_.begin(), handles_.end(), [&](const auto& entry) {
      return entry.second.DeviceIndex == index && entry.second.Read == ReadState::Pending;
    });
    if (pending != handles_.end()) {
      CompleteRead(pending->second, report);
    } else {
      if (device->Input.size() == kInputQueueLimit) device->Input.pop_front();
      device->Input.push_back(std::move(report));
    }
  }
  changed_.notify_all();
  return true;
}

void SimHidSystem::FailNextReadStarts(const std::string& devicePath, int count, uint32_t code) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (Device* device = FindDevice(devicePath)) {
    for (int i = 0; i < count; ++i) device->ReadFailures.push_back(code);
  }
}

void SimHidSystem::SetReadStartFailure(const std::string& devicePath,
                                       std::optional<uint32_t> code) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (Device* device = FindDevice(devicePath)) device->ReadFailureAlways = code;
}

void SimHidSystem::FailNextWrite(const std::string& devicePath, uint32_t code) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (Device* device = FindDevice(devicePath)) device->WriteFailures.push_back(code);
}

// --- Observation ---------------------------------------------------------------------------

std::vector<SimWrite> SimHidSystem::Writes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return {writes_.begin(), writes_.end()};
}

void SimHidSystem::SetWriteRecordLimit(std::size_t limit) {
  std::lock_guard<std::mutex> lock(mutex_);
  writeRecordLimit_ = limit;
  while (writes_.size() > writeRecordLimit_) writes_.pop_front();
}

uint64_t SimHidSystem::WriteCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return writeCount_;
}

void SimHidSystem::ClearWrites() {
  std::lock_guard<std::mutex> lock(mutex_);
  writes_.clear();
}

std::size_t SimHidSystem::OpenHandleCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return handles_.size();
}

int SimHidSystem::OpenCount(const std::string& devicePath, HidAccess access) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = openCounts_.find({devicePath, access});
  return it == openCounts_.end() ? 0 : it->second;
}

std::vector<std::chrono::steady_clock::time_point> SimHidSystem::ReadStarts(
    const std::string& devicePath) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const Device* device = FindDevice(devicePath);
  return device ? device->ReadStarts : std::vector<std::chrono::steady_clock::time_point>{};
}

bool SimHidSystem::WaitForPendingRead(const std::string& devicePath,
                                      std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] {
    const Device* device = FindDevice(devicePath);
    if (!device) return false;
    const auto index = static_cast<std::size_t>(device - devices_.data());
    return std::any_of(handles_.begin(), handles_.end(), [&](const auto& entry) {
      return entry.second.DeviceIndex == index && entry.second.Read == ReadState::Pending;
    });
  });
}

bool SimHidSystem::WaitForReadStarts(const std::string& devicePath, std::size_t count,
                                     std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] {
    const Device* device = FindDevice(devicePath);
    return device && device->ReadStarts.size() >= count;
  });
}

bool SimHidSystem::HasDeviceNotifications() const {
  std::lock_guard<std::mutex> lock(notifyMutex_);
  return static_cast<bool>(onChange_);
}

// --- Internals -----------------------------------------------------------------------------

SimHidSystem::Device* SimHidSystem::FindDevice(const std::string& devicePath) {
  for (Device& device : devices_) {
    if (device.Config.DevicePath == devicePath) return &device;
  }
  return nullptr;
}

const SimHidSystem::Device* SimHidSystem::FindDevice(const std::string& devicePath) const {
  for (const Device& device : devices_) {
    if (device.Config.DevicePath == devicePath) return &device;
  }
  return nullptr;
}

SimHidSystem::Handle* SimHidSystem::FindHandle(HidHandle handle) {
  auto it = handles_.find(handle);
  return it == handles_.end() ? nullptr : &it->second;
}

bool SimHidSystem::Fail(uint32_t code) {
  lastErrors_[std::this_thread::get_id()] = code;
  return false;
}

void SimHidSystem::CompleteRead(Handle& handle, const std::vector<uint8_t>& report) {
  const auto count = static_cast<uint32_t>(std::min<std::size_t>(handle.Length, report.size()));
  if (count > 0) std::memcpy(handle.Buffer, report.data(), count);
  handle.Result = count;
  handle.Read = ReadState::Done;
}

void SimHidSystem::EndReadsOf(std::size_t deviceIndex) {
  for (auto& [id, handle] : handles_) {
    if (handle.DeviceIndex != deviceIndex) continue;
    handle.Dead = true;
    if (handle.Read == ReadState::Pending) {
      handle.Result = 0;
      handle.Read = ReadState::Done;
    }
  }
}

// --- HidSystem -----------------------------------------------------------------------------

bool SimHidSystem::LibrariesLoaded() {
  std::lock_guard<std::mutex> lock(mutex_);
  return librariesLoaded_;
}

std::optional<std::vector<HidInterfaceInfo>> SimHidSystem::EnumerateInterfaces() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (enumerationFails_) {
    Fail(kErrorGenFailure);
    return std::nullopt;
  }
  std::vector<HidInterfaceInfo> interfaces;
  for (const Device& device : devices_) {
    if (!device.Present) continue;
    interfaces.push_back(HidInterfaceInfo{device.Config.DevicePath, device.Config.DeviceInstance,
                                          device.Config.Properties});
  }
  return interfaces;
}

HidHandle SimHidSystem::Open(const std::string& devicePath, HidAccess access) {
  SimHidDeviceBehaviour* behaviour = nullptr;
  HidHandle id = kInvalidHidHandle;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ++openCounts_[{devicePath, access}];
    Device* device = FindDevice(devicePath);
    if (!device) {
      Fail(kErrorFileNotFound);
      return kInvalidHidHandle;
    }
    if (!device->Present) {
      Fail(kErrorDeviceNotConnected);
      return kInvalidHidHandle;
    }
    if (device->Config.OpenFails) {
      Fail(kErrorAccessDenied);
      return kInvalidHidHandle;
    }
    if (device->Config.RefusesReadWrite && access != HidAccess::QueryOnly) {
      {
        Fail(kErrorAccessDenied);
        return kInvalidHidHandle;
      }
    }
    id = nextHandle_++;
    Handle handle;
    handle.DeviceIndex = static_cast<std::size_t>(device - devices_.data());
    handle.Access = access;
    handles_.emplace(id, handle);
    if (access == HidAccess::Read || access == HidAccess::Write) behaviour = device->Behaviour;
  }
  if (behaviour) behaviour->OnHolderUse();
  return id;
}

void SimHidSystem::Close(HidHandle handle) {
  if (handle == kInvalidHidHandle) return;
  bool readEnded = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = handles_.find(handle);
    if (it == handles_.end()) return;
    readEnded = it->second.Read == ReadState::Pending;
    handles_.erase(it);
  }
  // Only a read pending on the handle has ended: the program opens and closes a handle for
  // every report it writes, and waking the read thread for each of those would cost it a
  // wake-up per write for nothing.
  if (readEnded) changed_.notify_all();
}

bool SimHidSystem::GetAttributes(HidHandle handle, HidAttributes& attributes) {
  std::lock_guard<std::mutex> lock(mutex_);
  Handle* h = FindHandle(handle);
  if (!h) return Fail(kErrorInvalidHandle);
  if (h->Dead) return Fail(kErrorDeviceNotConnected);
  const Device& device = devices_[h->DeviceIndex];
  if (device.Config.AttributesFail) return Fail(kErrorGenFailure);
  attributes = device.Config.Attributes;
  attributes.Size = 12;
  return true;
}

std::unique_ptr<HidPreparsedData> SimHidSystem::GetPreparsedData(HidHandle handle) {
  std::unique_ptr<HidPreparsedData> data;
  SimHidDeviceBehaviour* behaviour = nullptr;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    Handle* h = FindHandle(handle);
    if (!h) {
      Fail(kErrorInvalidHandle);
      return nullptr;
    }
    if (h->Dead) {
      Fail(kErrorDeviceNotConnected);
      return nullptr;
    }
    const Device& device = devices_[h->DeviceIndex];
    if (device.Config.PreparsedFails) {
      Fail(kErrorGenFailure);
      return nullptr;
    }
    data = std::make_unique<SimPreparsedData>(device.Config.Caps);
    behaviour = device.Behaviour;
  }
  if (behaviour) behaviour->OnHolderUse();
  return data;
}

bool SimHidSystem::GetCaps(const HidPreparsedData& data, HidCaps& caps) {
  const auto* sim = dynamic_cast<const SimPreparsedData*>(&data);
  if (!sim) {
    std::lock_guard<std::mutex> lock(mutex_);
    return Fail(kErrorInvalidParameter);
  }
  caps = sim->Caps;
  return true;
}

bool SimHidSystem::SetNumInputBuffers(HidHandle handle, uint32_t count) {
  std::lock_guard<std::mutex> lock(mutex_);
  Handle* h = FindHandle(handle);
  if (!h) return Fail(kErrorInvalidHandle);
  if (count < 2 || count > 512) return Fail(kErrorInvalidParameter);
  h->InputBuffers = count;
  return true;
}

bool SimHidSystem::GetNumInputBuffers(HidHandle handle, uint32_t& count) {
  std::lock_guard<std::mutex> lock(mutex_);
  Handle* h = FindHandle(handle);
  if (!h) return Fail(kErrorInvalidHandle);
  count = h->InputBuffers;
  return true;
}

bool SimHidSystem::Write(HidHandle handle, const uint8_t* data, uint32_t length,
                         uint32_t& written) {
  written = 0;
  SimHidDeviceBehaviour* behaviour = nullptr;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    Handle* h = FindHandle(handle);
    if (!h) return Fail(kErrorInvalidHandle);
    Device& device = devices_[h->DeviceIndex];
    if (!CanWrite(h->Access)) return Fail(kErrorAccessDenied);
    if (!device.Present || h->Dead) return Fail(kErrorDeviceNotConnected);
    // The HID stack takes exactly one report of the announced output length.
    const uint16_t expected = device.Config.Caps.OutputReportByteLength;
    if (data == nullptr || length == 0 || (expected != 0 && length != expected)) {
      return Fail(kErrorInvalidParameter);
    }
    if (!device.WriteFailures.empty()) {
      const uint32_t code = device.WriteFailures.front();
      device.WriteFailures.pop_front();
      return Fail(code);
    }
    ++writeCount_;
    if (writeRecordLimit_ > 0) {
      if (writes_.size() >= writeRecordLimit_) writes_.pop_front();
      writes_.push_back(
          SimWrite{device.Config.DevicePath, handle, std::vector<uint8_t>(data, data + length)});
    }
    written = length;
    behaviour = device.Behaviour;
  }
  if (behaviour) {
    behaviour->OnHolderUse();
    behaviour->OnOutputReport(data, length);
  }
  return true;
}

bool SimHidSystem::StartRead(HidHandle handle, uint8_t* buffer, uint32_t length) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    Handle* h = FindHandle(handle);
    if (!h) return Fail(kErrorInvalidHandle);
    Device& device = devices_[h->DeviceIndex];
    device.ReadStarts.push_back(std::chrono::steady_clock::now());
    changed_.notify_all();
    if (!CanRead(h->Access)) return Fail(kErrorAccessDenied);
    if (!device.Present || h->Dead) return Fail(kErrorDeviceNotConnected);
    if (!device.ReadFailures.empty()) {
      const uint32_t code = device.ReadFailures.front();
      device.ReadFailures.pop_front();
      return Fail(code);
    }
    if (device.ReadFailureAlways) return Fail(*device.ReadFailureAlways);
    if (h->Read == ReadState::Pending) return Fail(kErrorBusy);
    if (buffer == nullptr && length > 0) return Fail(kErrorInvalidParameter);
    h->Buffer = buffer;
    h->Length = length;
    h->Result = 0;
    h->Read = ReadState::Pending;
    if (!device.Input.empty()) {
      CompleteRead(*h, device.Input.front());
      device.Input.pop_front();
    }
  }
  changed_.notify_all();
  return true;
}

HidWaitResult SimHidSystem::WaitRead(HidHandle handle, uint32_t timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  auto settled = [&] {
    const Handle* h = FindHandle(handle);
    return h == nullptr || h->Dead || h->Read == ReadState::Done;
  };
  const bool done = changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), settled);
  return done ? HidWaitResult::Completed : HidWaitResult::TimedOut;
}

uint32_t SimHidSystem::ReadResult(HidHandle handle) {
  std::lock_guard<std::mutex> lock(mutex_);
  Handle* h = FindHandle(handle);
  if (!h) {
    Fail(kErrorInvalidHandle);
    return 0;
  }
  if (h->Read != ReadState::Done) {
    Fail(kErrorInvalidParameter);
    return 0;
  }
  h->Read = ReadState::Idle;
  h->Buffer = nullptr;
  if (h->Result == 0) Fail(kErrorDeviceNotConnected);
  return h->Result;
}

bool SimHidSystem::CancelRead(HidHandle handle) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    Handle* h = FindHandle(handle);
    if (!h) return Fail(kErrorInvalidHandle);
    if (h->Read != ReadState::Pending) return Fail(kErrorNotFound);
    h->Read = ReadState::Idle;
    h->Buffer = nullptr;
  }
  changed_.notify_all();
  return true;
}

uint32_t SimHidSystem::LastError() {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = lastErrors_.find(std::this_thread::get_id());
  return it == lastErrors_.end() ? 0 : it->second;
}

void SimHidSystem::SetLastError(uint32_t code) {
  std::lock_guard<std::mutex> lock(mutex_);
  lastErrors_[std::this_thread::get_id()] = code;
}

std::string SimHidSystem::ErrorText(uint32_t code) {
  switch (code) {
    case 0:
      return "The operation completed successfully.\r\n";
    case kErrorFileNotFound:
      return "The system cannot find the file specified.\r\n";
    case kErrorAccessDenied:
      return "Access is denied.\r\n";
    case kErrorInvalidHandle:
      return "The handle is invalid.\r\n";
    case kErrorGenFailure:
      return "A device attached to the system is not functioning.\r\n";
    case kErrorInvalidParameter:
      return "The parameter is incorrect.\r\n";
    case kErrorBusy:
      return "The requested resource is in use.\r\n";
    case kErrorDeviceNotConnected:
      return "The device is not connected.\r\n";
    case kErrorNotFound:
      return "Element not found.\r\n";
    default:
      return "Unknown error " + std::to_string(code) + ".\r\n";
  }
}

bool SimHidSystem::StartDeviceNotifications(std::function<void()> onChange) {
  std::lock_guard<std::mutex> lock(notifyMutex_);
  onChange_ = std::move(onChange);
  return true;
}

void SimHidSystem::StopDeviceNotifications() {
  std::lock_guard<std::mutex> lock(notifyMutex_);
  onChange_ = nullptr;
}

}  // namespace kv::sim
