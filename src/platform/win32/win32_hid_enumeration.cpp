// Enumeration of the HID interface class with SetupAPI.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <vector>

#include "platform/win32/win32_hid_system.h"

namespace kv::win32_backend {
namespace {

// Read buffer sizes of the three kinds of registry property.
constexpr DWORD kTextPropertySize = 1024;
constexpr DWORD kListPropertySize = 16384;

using TextField = std::string HidRegistryProperties::*;
using ListField = std::vector<std::string> HidRegistryProperties::*;
using NumberField = uint32_t HidRegistryProperties::*;

// Which registry property fills which field.
constexpr std::array<std::pair<DWORD, TextField>, 15> kTextProperties{{
    {SPDRP_CLASS, &HidRegistryProperties::Class},
    {SPDRP_CLASSGUID, &HidRegistryProperties::ClassGuid},
    {SPDRP_DEVICEDESC, &HidRegistryProperties::DeviceDesc},
    {SPDRP_DRIVER, &HidRegistryProperties::Driver},
    {SPDRP_FRIENDLYNAME, &HidRegistryProperties::FriendlyName},
    {SPDRP_MFG, &HidRegistryProperties::Mfg},
    {SPDRP_SERVICE, &HidRegistryProperties::Service},
    {SPDRP_ADDRESS, &HidRegistryProperties::Address},
    {SPDRP_BUSTYPEGUID, &HidRegistryProperties::BusTypeGuid},
    {SPDRP_CHARACTERISTICS, &HidRegistryProperties::Characteristics},
    {SPDRP_ENUMERATOR_NAME, &HidRegistryProperties::EnumeratorName},
    {SPDRP_LOCATION_INFORMATION, &HidRegistryProperties::LocationInformation},
    {SPDRP_PHYSICAL_DEVICE_OBJECT_NAME, &HidRegistryProperties::PhysicalDeviceObjectName},
    {SPDRP_SECURITY_SDS, &HidRegistryProperties::SecuritySds},
    {SPDRP_UI_NUMBER_DESC_FORMAT, &HidRegistryProperties::UiNumberDescFormat},
}};
constexpr std::array<std::pair<DWORD, ListField>, 4> kListProperties{{
    {SPDRP_COMPATIBLEIDS, &HidRegistryProperties::CompatibleIds},
    {SPDRP_HARDWAREID, &HidRegistryProperties::HardwareId},
    {SPDRP_LOWERFILTERS, &HidRegistryProperties::LowerFilters},
    {SPDRP_UPPERFILTERS, &HidRegistryProperties::UpperFilters},
}};
constexpr std::array<std::pair<DWORD, NumberField>, 7> kNumberProperties{{
    {SPDRP_CAPABILITIES, &HidRegistryProperties::Capabilities},
    {SPDRP_CONFIGFLAGS, &HidRegistryProperties::ConfigFlags},
    {SPDRP_BUSNUMBER, &HidRegistryProperties::BusNumber},
    {SPDRP_DEVTYPE, &HidRegistryProperties::DevType},
    {SPDRP_EXCLUSIVE, &HidRegistryProperties::Exclusive},
    {SPDRP_LEGACYBUSTYPE, &HidRegistryProperties::LegacyBusType},
    {SPDRP_UI_NUMBER, &HidRegistryProperties::UiNumber},
}};

struct PropertyReader {
  const HidLibraries& Libraries;
  HDEVINFO Set;
  SP_DEVINFO_DATA& Device;

  // The property's bytes (empty when it cannot be read) and its registry type.
  std::vector<char> Read(DWORD property, DWORD size, DWORD& type) const {
    std::vector<char> buffer(size + 2, '\0');  // two spare zeros end any text or list
    DWORD used = 0;
    type = 0;
    if (!Libraries.GetDeviceRegistryProperty(Set, &Device, property, &type,
                                             reinterpret_cast<BYTE*>(buffer.data()), size, &used)) {
      return {};
    }
    buffer.resize(std::min(used, size) + 2, '\0');
    return buffer;
  }

  std::string Text(DWORD property) const {
    DWORD type = 0;
    const std::vector<char> bytes = Read(property, kTextPropertySize, type);
    if (bytes.empty()) return {};
    // Some of these are numbers in the registry; their raw bytes would make no text.
    if (type == REG_DWORD && bytes.size() >= 4 + 2) {
      uint32_t value = 0;
      std::memcpy(&value, bytes.data(), 4);
      return std::to_string(value);
    }
    return std::string(bytes.data());
  }

  std::vector<std::string> List(DWORD property) const {
    DWORD type = 0;
    const std::vector<char> bytes = Read(property, kListPropertySize, type);
    std::vector<std::string> items;
    for (size_t at = 0; at < bytes.size() && bytes[at] != '\0';) {
      items.emplace_back(bytes.data() + at);
      at += items.back().size() + 1;
    }
    return items;
  }

  uint32_t Number(DWORD property) const {
    DWORD value = 0;
    DWORD type = 0;
    if (!Libraries.GetDeviceRegistryProperty(Set, &Device, property, &type,
                                             reinterpret_cast<BYTE*>(&value), sizeof(value),
                                             nullptr)) {
      return 0;
    }
    return value;
  }
};

HidRegistryProperties ReadProperties(const PropertyReader& reader) {
  HidRegistryProperties properties;
  for (const auto& [code, field] : kTextProperties) properties.*field = reader.Text(code);
  for (const auto& [code, field] : kListProperties) properties.*field = reader.List(code);
  for (const auto& [code, field] : kNumberProperties) properties.*field = reader.Number(code);
  return properties;
}

}  // namespace

std::optional<std::vector<HidInterfaceInfo>> Win32HidSystem::EnumerateInterfaces() {
  if (!loaded_) return std::nullopt;
  const HDEVINFO set =
      libraries_.GetClassDevs(&hidGuid_, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (set == INVALID_HANDLE_VALUE) return std::nullopt;
  std::vector<HidInterfaceInfo> interfaces;
  SP_DEVICE_INTERFACE_DATA interfaceData{};
  interfaceData.cbSize = sizeof(interfaceData);
  for (DWORD index = 0;
       libraries_.EnumDeviceInterfaces(set, nullptr, &hidGuid_, index, &interfaceData); ++index) {
    DWORD needed = 0;
    libraries_.GetDeviceInterfaceDetail(set, &interfaceData, nullptr, 0, &needed, nullptr);
    if (needed == 0 || GetLastError() != ERROR_INSUFFICIENT_BUFFER) continue;
    // The record's size field is that of the fixed part (which differs between 32 and 64 bits).
    std::vector<char> buffer(std::max<size_t>(needed, sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)),
                             '\0');
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    if (!libraries_.GetDeviceInterfaceDetail(set, &interfaceData, detail,
                                             static_cast<DWORD>(buffer.size()), nullptr, &device)) {
      continue;
    }
    HidInterfaceInfo info;
    // The path ends at its NUL, or at the end of the buffer should the system have left none.
    const size_t offset = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath);
    info.DevicePath.assign(detail->DevicePath, strnlen(detail->DevicePath, buffer.size() - offset));
    info.DeviceInstance = device.DevInst;
    info.Properties = ReadProperties(PropertyReader{libraries_, set, device});
    interfaces.push_back(std::move(info));
  }
  libraries_.DestroyDeviceInfoList(set);
  return interfaces;
}

}  // namespace kv::win32_backend
