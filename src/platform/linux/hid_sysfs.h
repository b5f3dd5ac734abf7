#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Small readers for what the kernel publishes about HID devices in sysfs and in udev properties.
namespace kv::linux_backend {

// 32-bit FNV-1a hash: the device identity of a HID device is this hash of its sysfs path.
uint32_t Fnv1a32(std::string_view text);

// Bus type, vendor and product of a HID device as its HID_ID property gives them:
// "BBBB:VVVVVVVV:PPPPPPPP", hexadecimal (for example "0005:0000057E:00000306").
struct HidId {
  uint16_t Bus = 0;
  uint16_t VendorID = 0;
  uint16_t ProductID = 0;
};

// nullopt unless the text is exactly three hexadecimal fields of 1 to 8 digits, the first
// below 0x10000 and the other two below 0x10000.
std::optional<HidId> ParseHidId(std::string_view text);

// The value of `key` in a uevent file's text ("KEY=VALUE" lines); nullopt when it is absent.
std::optional<std::string> UeventValue(std::string_view uevent, std::string_view key);

// Reads a whole small file. Returns nullopt with errno set when it cannot be opened or read, or
// with errno EFBIG when it holds more than `maxBytes` bytes.
std::optional<std::string> ReadSmallFile(const std::string& path, size_t maxBytes);

// The release number (bcdDevice) of the USB device a sysfs device directory belongs to: the
// nearest ancestor directory, inside `sysfsRoot`/devices, that has a bcdDevice attribute.
// 0 when there is none (Bluetooth, I2C and virtual devices publish no version).
uint16_t UsbReleaseNumber(const std::string& sysfsRoot, const std::string& deviceDir);

}  // namespace kv::linux_backend
