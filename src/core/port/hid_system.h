#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kv {

// An open system handle of a HID device interface. Handles of one device may be used from the
// user-interface thread and from that device's read thread at the same time.
using HidHandle = std::intptr_t;
inline constexpr HidHandle kInvalidHidHandle = -1;

// Registry properties of a device interface, read once at enumeration. A property the system
// cannot read stays empty or zero. Backends fill what has a natural equivalent.
struct HidRegistryProperties {
  std::string Class, ClassGuid, DeviceDesc, Driver, FriendlyName, Mfg, Service, Address,
      BusTypeGuid, Characteristics, EnumeratorName, LocationInformation, PhysicalDeviceObjectName,
      SecuritySds, UiNumberDescFormat;
  std::vector<std::string> CompatibleIds, HardwareId, LowerFilters, UpperFilters;
  uint32_t Capabilities = 0, ConfigFlags = 0, BusNumber = 0, DevType = 0, Exclusive = 0,
           LegacyBusType = 0, UiNumber = 0;
};

// One present HID device interface as the enumeration reports it.
struct HidInterfaceInfo {
  std::string DevicePath;       // what Open takes
  uint32_t DeviceInstance = 0;  // equal values denote the same device
  HidRegistryProperties Properties;
};

// Identity of a device (vendor, product, version).
struct HidAttributes {
  uint32_t Size = 12;
  uint16_t VendorID = 0;
  uint16_t ProductID = 0;
  uint16_t VersionNumber = 0;
};

// Capabilities of a device. Report byte lengths count the report-ID byte.
struct HidCaps {
  uint16_t Usage = 0;
  uint16_t UsagePage = 0;
  uint16_t InputReportByteLength = 0;
  uint16_t OutputReportByteLength = 0;
  uint16_t FeatureReportByteLength = 0;
  uint16_t NumberLinkCollectionNodes = 0;
  uint16_t NumberInputButtonCaps = 0;
  uint16_t NumberInputValueCaps = 0;
  uint16_t NumberInputDataIndices = 0;
  uint16_t NumberOutputButtonCaps = 0;
  uint16_t NumberOutputValueCaps = 0;
  uint16_t NumberOutputDataIndices = 0;
  uint16_t NumberFeatureButtonCaps = 0;
  uint16_t NumberFeatureValueCaps = 0;
  uint16_t NumberFeatureDataIndices = 0;
};

// The system's parsed description of a device's reports; freed by its destructor.
class HidPreparsedData {
 public:
  virtual ~HidPreparsedData() = default;
};

enum class HidAccess {
  ReadWrite,  // synchronous handle with read and write access
  QueryOnly,  // synchronous handle without read or write access (attributes, capabilities)
  Read,       // overlapped handle for the read thread
  Write,      // overlapped handle with write access
};

enum class HidWaitResult { Completed, TimedOut };

// The system's HID services. Every call that fails records a system error code for the calling
// thread, which LastError returns.
class HidSystem {
 public:
  virtual ~HidSystem() = default;

  // Whether the system's HID services are available. When false, nothing else is called.
  virtual bool LibrariesLoaded() = 0;

  // Lists the present HID interfaces in the system's order. Interfaces whose details cannot be
  // read are left out. Returns nullopt when the system cannot give the list at all.
  virtual std::optional<std::vector<HidInterfaceInfo>> EnumerateInterfaces() = 0;

  // Opens a device interface. Returns kInvalidHidHandle on failure.
  virtual HidHandle Open(const std::string& devicePath, HidAccess access) = 0;

  // Closes a handle; a pending read on it ends. Ignores kInvalidHidHandle.
  virtual void Close(HidHandle handle) = 0;

  // Reads the device's attributes. Returns false on failure.
  virtual bool GetAttributes(HidHandle handle, HidAttributes& attributes) = 0;

  // The device's preparsed data; null on failure.
  virtual std::unique_ptr<HidPreparsedData> GetPreparsedData(HidHandle handle) = 0;

  // Capabilities from preparsed data. Returns false on failure (caps left as they were).
  virtual bool GetCaps(const HidPreparsedData& data, HidCaps& caps) = 0;

  // Sets and reads the driver's input-report ring size of a handle. False on failure.
  virtual bool SetNumInputBuffers(HidHandle handle, uint32_t count) = 0;
  virtual bool GetNumInputBuffers(HidHandle handle, uint32_t& count) = 0;

  // Writes one output report with one blocking call. Returns false on failure; `written` holds
  // the bytes the system took.
  virtual bool Write(HidHandle handle, const uint8_t* data, uint32_t length, uint32_t& written) = 0;

  // Starts one read of up to `length` bytes into `buffer` on an overlapped handle. The buffer
  // must stay valid until the read has completed or been cancelled. Returns false when the read
  // could not be started.
  virtual bool StartRead(HidHandle handle, uint8_t* buffer, uint32_t length) = 0;

  // Waits up to `timeoutMs` for the started read to complete (an alertable wait).
  virtual HidWaitResult WaitRead(HidHandle handle, uint32_t timeoutMs) = 0;

  // Bytes delivered by the completed read, without waiting; 0 when it failed or is unknown.
  virtual uint32_t ReadResult(HidHandle handle) = 0;

  // Cancels a read pending on the handle. Returns false when nothing could be cancelled.
  virtual bool CancelRead(HidHandle handle) = 0;

  // The system error code last recorded for the calling thread, and a way to record one.
  virtual uint32_t LastError() = 0;
  virtual void SetLastError(uint32_t code) = 0;

  // The system's code for "the device is not connected".
  virtual uint32_t DeviceNotConnectedCode() = 0;

  // The system's message text for an error code (default language), unprocessed.
  virtual std::string ErrorText(uint32_t code) = 0;

  // Calls `onChange` (on any thread) whenever the system's device tree may have changed.
  // Returns false when notifications are not available. StopDeviceNotifications returns only
  // once no call of `onChange` runs or will run.
  virtual bool StartDeviceNotifications(std::function<void()> onChange) = 0;
  virtual void StopDeviceNotifications() = 0;
};

}  // namespace kv
