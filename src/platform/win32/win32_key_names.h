#pragma once

#include <cstdint>
#include <string>

#include "core/port/key_names.h"

namespace kv::win32_backend {

// Key names of the active keyboard layout: the virtual-key code is mapped to its scan code, and
// the layout names the key with that scan code (no extended-key bit, so the main block's key is
// named where a key exists twice).
class Win32KeyNames final : public KeyNames {
 public:
  // Empty when the layout has no scan code for the key or no name for the scan code.
  std::string NameOfKey(uint8_t virtualKey) override;
};

}  // namespace kv::win32_backend
