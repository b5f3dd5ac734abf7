#pragma once

#include <stdexcept>
#include <string>

namespace kv {

// Raised when a HID device object cannot be created ("device cannot be opened", "device cannot
// be identified"). The controller's enumeration skips the device that raised it.
class EControllerError : public std::runtime_error {
 public:
  explicit EControllerError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace kv
