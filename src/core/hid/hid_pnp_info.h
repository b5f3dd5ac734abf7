#pragma once

#include <cstdint>
#include <string>

#include "core/port/hid_system.h"

namespace kv {

// The plug-and-play record of one device interface, made once per enumeration. Two device
// objects denote the same device exactly when their DeviceInstance values are equal. The record
// never changes after creation, so a device object and its replacement share it.
struct THidPnPInfo {
  explicit THidPnPInfo(const HidInterfaceInfo& info)
      : DeviceInstance(info.DeviceInstance),
        DevicePath(info.DevicePath),
        Properties(info.Properties) {}

  uint32_t DeviceInstance = 0;
  std::string DevicePath;
  HidRegistryProperties Properties;
};

}  // namespace kv
