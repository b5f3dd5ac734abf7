#pragma once

#include <cstdint>
#include <string>

namespace kv {

// The keyboard layout's names for keys outside the fixed key-name table of key combinations
// (keypad operators, punctuation keys, lock keys, ...).
class KeyNames {
 public:
  virtual ~KeyNames() = default;

  // The layout's name of the key with this virtual-key code, or an empty text when the key
  // has no name (no scan code) on this layout.
  virtual std::string NameOfKey(uint8_t virtualKey) = 0;
};

}  // namespace kv
