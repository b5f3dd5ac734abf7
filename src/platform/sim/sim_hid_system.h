#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/port/hid_system.h"

namespace kv::sim {

// One simulated HID device interface.
struct SimHidDeviceConfig {
  std::string DevicePath;
  uint32_t DeviceInstance = 0;
  HidAttributes Attributes;
  HidCaps Caps;
  HidRegistryProperties Properties;
  bool RefusesReadWrite = false;  // like a keyboard: only query-only handles open
  bool OpenFails = false;         // no handle opens at all
  bool AttributesFail = false;
  bool PreparsedFails = false;
};

// One output report the system took.
struct SimWrite {
  std::string DevicePath;
  HidHandle Handle = kInvalidHidHandle;
  std::vector<uint8_t> Bytes;
};

// What a simulated device does beyond storing reports (the virtual Wii Remote). Both calls come
// outside the system's lock, so they may queue input reports or unplug the device.
class SimHidDeviceBehaviour {
 public:
  virtual ~SimHidDeviceBehaviour() = default;
  // Something only the device's holder does happened: a read or write handle was opened, the
  // preparsed data fetched or a report written. Any thread.
  virtual void OnHolderUse() {}
  // The system took an output report. On the writing thread.
  virtual void OnOutputReport(const uint8_t* data, uint32_t length) = 0;
};

// An in-memory HID system for tests and the virtual Wii Remote.
//
// Devices are listed in the order they were added. Input reports queue at the device (up to
// kInputQueueLimit, the oldest dropped first) until a read takes them; a queued report completes
// a pending read at once and wakes WaitRead, which really blocks up to its timeout. Handles are
// never reused. Error codes follow the numbering the rest of the program shows in captions.
class SimHidSystem final : public HidSystem {
 public:
  static constexpr uint32_t kErrorFileNotFound = 2;
  static constexpr uint32_t kErrorAccessDenied = 5;
  static constexpr uint32_t kErrorInvalidHandle = 6;
  static constexpr uint32_t kErrorGenFailure = 31;
  static constexpr uint32_t kErrorInvalidParameter = 87;
  static constexpr uint32_t kErrorBusy = 170;
  static constexpr uint32_t kErrorDeviceNotConnected = 1167;
  static constexpr uint32_t kErrorNotFound = 1168;
  static constexpr std::size_t kInputQueueLimit = 64;
  static constexpr uint32_t kDefaultInputBuffers = 32;
  // How many of the latest output reports Writes() keeps unless told otherwise.
  static constexpr std::size_t kDefaultWriteRecordLimit = 4096;

  SimHidSystem() = default;
  ~SimHidSystem() override = default;

  // --- Set-up and events ---------------------------------------------------------------------
  void SetLibrariesLoaded(bool loaded);
  void SetEnumerationFails(bool fails);
  // A device present from the start (no notification).
  void AddDevice(SimHidDeviceConfig config);
  // The device (new, or known and unplugged) arrives; notifies.
  void PlugDevice(SimHidDeviceConfig config);
  void Plug(const std::string& devicePath);
  // The device leaves: pending reads end, its queue empties, its open handles die (every call
  // on them fails with kErrorDeviceNotConnected until they are closed, also after the device
  // returns) and opening it fails the same way; notifies.
  void Unplug(const std::string& devicePath);
  // Calls the device-change callback, if one is registered, on the calling thread.
  void NotifyDeviceChange();
  void SetBehaviour(const std::string& devicePath, SimHidDeviceBehaviour* behaviour);

  // Queues an input report (report ID first). False when the device is unknown or absent.
  bool QueueInputReport(const std::string& devicePath, std::vector<uint8_t> report);
  // The next `count` read starts on the device fail with `code`.
  void FailNextReadStarts(const std::string& devicePath, int count, uint32_t code);
  // Every read start fails with `code`, or none when nullopt.
  void SetReadStartFailure(const std::string& devicePath, std::optional<uint32_t> code);
  void FailNextWrite(const std::string& devicePath, uint32_t code);

  // --- Observation ---------------------------------------------------------------------------
  // The latest output reports taken, oldest first: at most the record limit, older ones dropped,
  // so a device that streams for hours keeps a bounded record. A limit of 0 keeps none.
  std::vector<SimWrite> Writes() const;
  void ClearWrites();
  void SetWriteRecordLimit(std::size_t limit);
  // Every output report taken, also those no longer (or never) recorded.
  uint64_t WriteCount() const;
  std::size_t OpenHandleCount() const;
  int OpenCount(const std::string& devicePath, HidAccess access) const;
  std::vector<std::chrono::steady_clock::time_point> ReadStarts(
      const std::string& devicePath) const;
  // Wait (really) until the condition holds or `timeout` passes; return whether it holds.
  bool WaitForPendingRead(const std::string& devicePath, std::chrono::milliseconds timeout);
  bool WaitForReadStarts(const std::string& devicePath, std::size_t count,
                         std::chrono::milliseconds timeout);
  bool HasDeviceNotifications() const;

  // --- HidSystem -----------------------------------------------------------------------------
  bool LibrariesLoaded() override;
  std::optional<std::vector<HidInterfaceInfo>> EnumerateInterfaces() override;
  HidHandle Open(const std::string& devicePath, HidAccess access) override;
  void Close(HidHandle handle) override;
  bool GetAttributes(HidHandle handle, HidAttributes& attributes) override;
  std::unique_ptr<HidPreparsedData> GetPreparsedData(HidHandle handle) override;
  bool GetCaps(const HidPreparsedData& data, HidCaps& caps) override;
  bool SetNumInputBuffers(HidHandle handle, uint32_t count) override;
  bool GetNumInputBuffers(HidHandle handle, uint32_t& count) override;
  bool Write(HidHandle handle, const uint8_t* data, uint32_t length, uint32_t& written) override;
  bool StartRead(HidHandle handle, uint8_t* buffer, uint32_t length) override;
  HidWaitResult WaitRead(HidHandle handle, uint32_t timeoutMs) override;
  uint32_t ReadResult(HidHandle handle) override;
  bool CancelRead(HidHandle handle) override;
  uint32_t LastError() override;
  void SetLastError(uint32_t code) override;
  uint32_t DeviceNotConnectedCode() override { return kErrorDeviceNotConnected; }
  std::string ErrorText(uint32_t code) override;
  bool StartDeviceNotifications(std::function<void()> onChange) override;
  void StopDeviceNotifications() override;

 private:
  struct Device {
    SimHidDeviceConfig Config;
    bool Present = true;
    std::deque<std::vector<uint8_t>> Input;
    std::deque<uint32_t> ReadFailures;
    std::optional<uint32_t> ReadFailureAlways;
    std::deque<uint32_t> WriteFailures;
    SimHidDeviceBehaviour* Behaviour = nullptr;
    std::vector<std::chrono::steady_clock::time_point> ReadStarts;
  };
  enum class ReadState { Idle, Pending, Done };
  struct Handle {
    std::size_t DeviceIndex = 0;
    HidAccess Access = HidAccess::QueryOnly;
    bool Dead = false;  // its device was unplugged
    uint32_t InputBuffers = kDefaultInputBuffers;
    ReadState Read = ReadState::Idle;
    uint8_t* Buffer = nullptr;
    uint32_t Length = 0;
    uint32_t Result = 0;
  };
  struct SimPreparsedData;

  Device* FindDevice(const std::string& devicePath);
  const Device* FindDevice(const std::string& devicePath) const;
  Handle* FindHandle(HidHandle handle);
  bool Fail(uint32_t code);  // records `code` for the calling thread (lock held); false
  void CompleteRead(Handle& handle, const std::vector<uint8_t>& report);
  void EndReadsOf(std::size_t deviceIndex);

  mutable std::mutex mutex_;
  std::condition_variable changed_;  // reads completed, reads started
  bool librariesLoaded_ = true;
  bool enumerationFails_ = false;
  std::vector<Device> devices_;
  std::map<HidHandle, Handle> handles_;
  HidHandle nextHandle_ = 100;
  std::deque<SimWrite> writes_;
  std::size_t writeRecordLimit_ = kDefaultWriteRecordLimit;
  uint64_t writeCount_ = 0;
  std::map<std::pair<std::string, HidAccess>, int> openCounts_;
  std::map<std::thread::id, uint32_t> lastErrors_;

  mutable std::mutex notifyMutex_;  // held while the callback runs, so Stop can wait for it
  std::function<void()> onChange_;
};

}  // namespace kv::sim
